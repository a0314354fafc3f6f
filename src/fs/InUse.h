#pragma once

#include <QByteArray>

#include <sys/stat.h>
#include <ctime>
#include <functional>

// Whether another process holds a file open, found by asking for a write lease on our own
// read-only descriptor and giving it back at once.
enum class LeaseAnswer { Free, Held, Refused };
LeaseAnswer probeWriteLease(int fd);

// Where a file system refuses leases, a file touched this recently counts as being written.
bool modifiedRecently(const timespec& modified, const timespec& now);

// How a file still being written is told apart. Leases answer where the file system grants
// them; elsewhere a file stamped within the last 2 s of fileClock counts as in use.
struct InUseCheck {
  bool tryLeases = true;
  std::function<timespec()> fileClock;  // the clock file times are stamped with; real if empty
};

// The one question a save asks of each file: fd is open on it, info is its status, name its
// name in the watched folder.
bool isInUse(int fd, const QByteArray& name, const struct stat& info, const InUseCheck& check);
