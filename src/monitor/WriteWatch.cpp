// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/WriteWatch.h"

#include "fs/RealTime.h"

#include <QFile>
#include <QSocketNotifier>

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <tuple>

namespace {

constexpr std::uint32_t watchedEvents = IN_CREATE | IN_MODIFY | IN_OPEN | IN_CLOSE_WRITE |
                                        IN_CLOSE_NOWRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                        IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t writeBegins = IN_CREATE | IN_MODIFY;
constexpr std::uint32_t closes = IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;
constexpr std::uint32_t nameGoes = IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr std::uint32_t namesChange = IN_CREATE | nameGoes;
constexpr std::uint32_t watchEnds = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED;
// The descriptor through which the asker looks at the file: its open is an event like anyone's.
// Merged by the kernel into a writer's open still unread just before it, it hides that writer
// from the count; the file, just opened and not written since, is then left to the time rule.
constexpr int askerOpens = 1;

// On these the events show only this machine's writes, not another machine's or a user-space
// server's: a file would look closed while it is still being written.
bool seesEveryWriter(const char* path) {
  struct statfs info {};
  if (statfs(path, &info) != 0) {
    return false;
  }
  switch (static_cast<unsigned long>(info.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
      return false;
    default:
      return true;
  }
}

}  // namespace

WriteWatch::WriteWatch(QObject* parent) : QObject(parent) {
  const std::lock_guard lock(mutex_);
  openLocked();
}

// The system may refuse an instance (its limit reached): asked again at each tick.
void WriteWatch::openLocked() {
  if (inotify_.valid()) {
    return;
  }
  inotify_ = UniqueFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (inotify_.valid()) {
    notifier_ = std::make_unique<QSocketNotifier>(inotify_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &WriteWatch::drain);
  }
}

WriteWatch::~WriteWatch() = default;

void WriteWatch::setFolder(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  if (path != path_) {
    path_ = path;
    const std::lock_guard lock(mutex_);
    disarmLocked();
  }
  ensureArmed();
}

bool WriteWatch::armed() const {
  const std::lock_guard lock(mutex_);
  return wd_ >= 0;
}

void WriteWatch::ensureArmed() {
  struct stat info {};
  if (path_.isEmpty() || stat(path_.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return;
  }
  const Identity folder{info.st_dev, info.st_ino};
  const std::lock_guard lock(mutex_);
  if (tried_ != folder) {
    armLocked(folder);
  }
}

bool WriteWatch::takeListingNeed() {
  const std::lock_guard lock(mutex_);
  drainLocked();
  const bool need = wd_ < 0 || namesChanged_;
  namesChanged_ = false;
  return need;
}

WriteWatch::EventVerdict WriteWatch::verdict(const QByteArray& name, const timespec& modified) {
  const std::lock_guard lock(mutex_);
  drainLocked();
  if (wd_ < 0) {
    return EventVerdict::NotCovered;
  }
  // Written with no open seen but the asker's own: a truncation by path, or a writer that
  // opened the file before the record began. Only its time can tell which.
  if (written_.contains(name)) {
    return opens_.value(name) > askerOpens ? EventVerdict::Writing : EventVerdict::NotCovered;
  }
  return std::tie(modified.tv_sec, modified.tv_nsec) >=
                 std::tie(coverage_.tv_sec, coverage_.tv_nsec)
             ? EventVerdict::Closed
             : EventVerdict::NotCovered;
}

void WriteWatch::drain() {
  const std::lock_guard lock(mutex_);
  drainLocked();
}

void WriteWatch::drainLocked() {
  // Room for at least one event with the longest name.
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t size = read(inotify_.get(), buffer, sizeof buffer);
    if (size < 0 && errno == EINTR) {
      continue;
    }
    if (size <= 0) {
      return;
    }
    for (ssize_t at = 0; at < size;) {
      inotify_event event{};
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof event;
      applyLocked(event, QByteArray::fromRawData(name, qstrnlen(name, event.len)));
      at += static_cast<ssize_t>(sizeof event + event.len);
    }
  }
}

void WriteWatch::applyLocked(const inotify_event& event, const QByteArray& name) {
  if (event.mask & IN_Q_OVERFLOW) {
    // Events were lost: only changes from this moment on are known again.
    namesChanged_ = true;
    written_.clear();
    opens_.clear();
    coverage_ = realTimeNow();
    return;
  }
  if (wd_ < 0 || event.wd != wd_) {
    return;  // left over from an earlier watch
  }
  if (event.mask & watchEnds) {
    disarmLocked();
    return;
  }
  if (event.mask & namesChange) {
    namesChanged_ = true;
  }
  if (event.mask & IN_ISDIR) {
    return;  // a subfolder is never saved
  }
  const QByteArray owned(name.constData(), name.size());
  if (event.mask & writeBegins) {
    written_.insert(owned);
  } else if (event.mask & IN_OPEN) {
    ++opens_[owned];
  } else if (event.mask & closes) {
    // A close whose open came before the record began is not counted.
    const auto open = opens_.find(owned);
    if (open != opens_.end() && --open.value() <= 0) {
      opens_.erase(open);
    }
    if (event.mask & IN_CLOSE_WRITE) {
      written_.remove(owned);
    }
  } else if (event.mask & nameGoes) {
    written_.remove(owned);
    opens_.remove(owned);
  }
}

void WriteWatch::armLocked(const Identity& folder) {
  disarmLocked();
  if (!seesEveryWriter(path_.constData())) {
    tried_ = folder;
    return;
  }
  openLocked();
  wd_ = inotify_.valid() ? inotify_add_watch(inotify_.get(), path_.constData(), watchedEvents) : -1;
  if (wd_ < 0) {
    return;  // the system's limits: tried again at the next tick
  }
  tried_ = folder;
  // Taken after the watch is in place: a change before this moment has an earlier time or an
  // event, so a file stamped later and not being written was seen closing.
  coverage_ = realTimeNow();
}

void WriteWatch::disarmLocked() {
  if (wd_ >= 0) {
    // Fails harmlessly when the kernel has already ended the watch.
    inotify_rm_watch(inotify_.get(), wd_);
  }
  wd_ = -1;
  tried_.reset();
  namesChanged_ = true;
  written_.clear();
  opens_.clear();
}
