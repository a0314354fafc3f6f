// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchHistory.h"

#include <QString>

#include <deque>

// The lines the session adds to the history, written on its thread without ever waiting for the
// history's lock: a line that finds the lock held waits and is tried again at each status tick;
// one that still cannot go in after a few ticks is dropped. A problem is told once, until a line
// goes in again. The saves and undos themselves stand whatever becomes of their lines.
class HistoryWriter {
public:
  static constexpr int patience = 6;  // status ticks: 3 s

  explicit HistoryWriter(HistoryPlace place) : place_(std::move(place)) {}

  struct Outcome {
    bool written = false;  // a line went in: the history is to be read again
    QString notice;        // for the user; empty when there is nothing to tell
  };
  Outcome add(HistoryLine line);
  Outcome tick();

private:
  Outcome writeWaiting();
  QString tell(int error);

  HistoryPlace place_;
  std::deque<HistoryLine> waiting_;
  int ticksWaited_ = 0;  // by the oldest waiting line
  bool told_ = false;
};
