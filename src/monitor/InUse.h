#pragma once

#include <ctime>

// Whether another process holds a file open, found by asking for a write lease on our own
// read-only descriptor and giving it back at once.
enum class LeaseAnswer { Free, Held, Refused };
LeaseAnswer probeWriteLease(int fd);

// Where a file system refuses leases, a file touched this recently counts as being written.
bool modifiedRecently(const timespec& modified, const timespec& now);
