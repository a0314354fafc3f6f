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

// What the kernel's file events say of one file.
enum class EventVerdict {
  Writing,     // created or modified and not closed after writing since
  Closed,      // last changed while covered, and closed since
  NotCovered,  // changed before the record began, or no watch: only the time rule can tell
};

// How a file still being written is told apart, in this order: a write lease where the file
// system grants one (it sees writers that opened the file before any event was recorded);
// then the file events; and for a file that no event covered, a file stamped within the last
// 2 s of fileClock counts as in use.
struct InUseCheck {
  bool tryLeases = true;
  std::function<timespec()> fileClock;  // the clock file times are stamped with; real if empty
  // Asked from the save's thread; empty when no events are recorded.
  std::function<EventVerdict(const QByteArray& name, const timespec& modified)> events;
};

// The one question a save asks of each file: fd is open on it, info is its status, name its
// name in the watched folder.
bool isInUse(int fd, const QByteArray& name, const struct stat& info, const InUseCheck& check);
