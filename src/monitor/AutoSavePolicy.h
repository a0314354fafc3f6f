// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchSave.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstddef>
#include <map>
#include <set>

// Where a save puts its batch: a save to the same base and prefix fails the same way.
struct BatchPlace {
  QString base;
  QString prefix;
  bool operator==(const BatchPlace&) const = default;
};

// What the watch makes of each save's result, decided once for the three things that follow
// from it:
// - back-off: an automatic save that failed is not tried again in full at every tick, but only
//   when the watched list changes, the place it saved to changes, or 30 s pass;
// - patience: a file still being written holds its batch back, so that it goes with the files
//   taken alongside it; one written for more than 30 s no longer does, and waits for a later
//   batch;
// - notices: the unattended watch neither stays silent about a failure or a file it left
//   behind, nor repeats itself every tick. A failure that lasts is recalled once a minute,
//   since a notice fades after a while; a file left behind is named once.
// A save in the same second and a file still being written cost no copy and say nothing: they
// are tried again at the next tick, so that a file is saved soon after its writer closes it.
class AutoSavePolicy {
public:
  // Whether the watch tick may save this list to this place now.
  bool allows(std::size_t listSignature, const BatchPlace& place, const QDateTime& now) const;
  // The files in use for too long: a save leaves them for a later batch.
  std::set<QByteArray> overdue(const QDateTime& now) const;
  // The files found in use at the last save, looked at first by the next.
  std::set<QByteArray> lastInUse() const;
  // Takes in the result of a save, by hand or automatic, made from the list that now has
  // listSignature. Returns the notice an automatic save deserves, or an empty text.
  QString record(const SaveResult& result, bool automatic, std::size_t listSignature,
                 const BatchPlace& place, const QDateTime& now);

private:
  enum class Meaning {
    SameSecond,    // the batch folder was there already
    StillWritten,  // a listed file is being written
    Failed,        // nothing was saved, and trying again at once would fail the same way
    Saved,         // saved, maybe leaving some files behind
  };
  static Meaning meaningOf(const SaveResult& result);
  void rememberInUse(const SaveResult& result, const QDateTime& now);
  QString noticeFor(Meaning meaning, const SaveResult& result, const QDateTime& now);

  // Back-off
  bool waiting_ = false;
  std::size_t listSignature_ = 0;
  BatchPlace place_;
  QDateTime failedAt_;
  // Patience: only the files found in use at the last save, with when each was first found.
  std::map<QByteArray, QDateTime> inUseSince_;
  // Notices
  QString lastFailure_;
  QDateTime lastFailureShown_;
  std::set<QByteArray> named_;
};
