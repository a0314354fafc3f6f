// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/NoticeLine.h"

namespace {
constexpr int noticeMilliseconds = 15000;
}

NoticeLine::NoticeLine(QWidget* parent) : ElidedLabel(parent) {
  fade_.setSingleShot(true);
  fade_.setInterval(noticeMilliseconds);
  connect(&fade_, &QTimer::timeout, this, [this] { setWholeText({}); });
}

void NoticeLine::showNotice(const QString& text) {
  setWholeText(text);
  if (text.isEmpty()) {
    fade_.stop();
  } else {
    fade_.start();
  }
}
