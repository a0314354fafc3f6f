// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/UniqueFd.h"

#include <QObject>

#include <memory>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (the desktop's logout, a terminal's Ctrl+C, a closed terminal)
// become one request on Qt's loop, so that the program ends as its close box ends it: the
// handler only writes a byte to a pipe. The first request counts; later ones are ignored, so
// that a second signal cannot cut short the roll-back the first one started.
class EndRequests : public QObject {
  Q_OBJECT
public:
  explicit EndRequests(QObject* parent = nullptr);
  ~EndRequests() override;

  // The same request from elsewhere (the desktop session's end).
  void request();

signals:
  void requested();

private:
  void readPipe();

  UniqueFd readEnd_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool requested_ = false;
};
