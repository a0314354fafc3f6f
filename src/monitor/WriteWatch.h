// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/InUse.h"
#include "fs/UniqueFd.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <sys/types.h>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

class QSocketNotifier;
struct inotify_event;

// Which files of one folder are being written, whoever writes them, as the kernel's file events
// tell it: a file written since it was last closed after writing, and that someone holds open.
// Remembers only the names of such files and of open ones, and the moment its record began,
// never one entry per file of the folder. verdict may be asked from any thread; the rest belongs to
// the thread the watch lives in, whose event loop reads the events as they come.
class WriteWatch : public QObject {
  Q_OBJECT
public:
  using EventVerdict = ::EventVerdict;

  explicit WriteWatch(QObject* parent = nullptr);
  ~WriteWatch() override;

  // An empty or missing folder leaves the watch unarmed until ensureArmed finds it. The folder
  // already watched keeps its record.
  void setFolder(const QString& folder);
  bool armed() const;
  // One stat: arms again when unarmed or when another folder now stands at the path.
  void ensureArmed();
  // Whether the folder must be listed again: a name was created, moved in or out, or removed
  // since the last call, or events were lost, or no watch stands. Reads the queued events first.
  bool takeListingNeed();
  // Asked while the asker holds the file open once, as a save does; reads the events already
  // queued first, so none is missed.
  EventVerdict verdict(const QByteArray& name, const timespec& modified);

private:
  using Identity = std::pair<dev_t, ino_t>;

  void openLocked();
  void drain();
  void drainLocked();
  void applyLocked(const inotify_event& event, const QByteArray& name);
  void armLocked(const Identity& folder);
  void disarmLocked();

  QByteArray path_;
  UniqueFd inotify_;
  std::unique_ptr<QSocketNotifier> notifier_;
  mutable std::mutex mutex_;
  int wd_ = -1;
  // The folder last armed or found unwatchable, so a tick does not try it again.
  std::optional<Identity> tried_;
  timespec coverage_{};
  QSet<QByteArray> written_;      // created or modified, and not closed after writing since
  QHash<QByteArray, int> opens_;  // files held open, by how many opens were seen
  bool namesChanged_ = true;
};
