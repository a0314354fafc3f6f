#pragma once

#include <sys/types.h>

// Copies the whole content of one open file into another, empty one, letting the kernel do it
// where it can: a shared-block clone where the file system allows one, otherwise
// copy_file_range, or sendfile between file systems of different kinds; plain reads and writes
// only where neither serves. Returns 0 or the error number; copied receives the bytes written.
int copyContents(int source, int destination, off_t& copied);
