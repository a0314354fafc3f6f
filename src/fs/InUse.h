// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <sys/stat.h>
#include <ctime>
#include <functional>

// Whether another process holds a file open, found by asking for a write lease on our own
// read-only descriptor and giving it back at once. The signal that tells a lease holder that
// someone opens the file is ignored from the first probe on: it would end the program.
enum class LeaseAnswer { Free, Held, Refused };
LeaseAnswer probeWriteLease(int fd);

// Where nothing else can tell, a file whose content or status changed this recently counts as
// being written: a writer that the program cannot see may only be pausing.
bool changedRecently(const struct stat& info, const timespec& now);

// What the kernel's file events say of one file.
enum class EventVerdict {
  Writing,     // created or modified and not closed after writing since
  Closed,      // last changed while covered, and closed since
  NotCovered,  // changed before the record began, or no watch: only the time rule can tell
};

// How a file still being written is told apart, in this order: a write lease where the file
// system grants one (it sees writers that opened the file before any event was recorded);
// then the file events; and for a file that no event covered, one changed within the last
// 10 s of fileClock counts as in use.
struct InUseCheck {
  bool tryLeases = true;
  std::function<timespec()> fileClock;  // the clock file times are stamped with; real if empty
  // Asked from the save's thread, through fd; empty when no events are recorded.
  std::function<EventVerdict(const QByteArray& name, const timespec& modified)> events;
};

// The one question a save asks of each file: fd is open on it, info is its status, name its
// name in the watched folder. Unseen: free by the quiet rule alone, where a writer that the
// kernel hides from us may only be pausing.
enum class InUse { Free, Writing, Unseen };
InUse inUseState(int fd, const QByteArray& name, const struct stat& info, const InUseCheck& check);
