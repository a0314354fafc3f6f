#pragma once

#include <sys/types.h>

// Copies the whole content of one open file into another, empty one, letting the kernel do it:
// a shared-block clone where the file system can, otherwise copy_file_range. Returns 0 or the
// error number; copied receives the bytes written.
int copyContents(int source, int destination, off_t& copied);
