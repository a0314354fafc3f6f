// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/NoticeLine.h"

namespace {
constexpr int noticeMilliseconds = 15000;
}

NoticeLine::NoticeLine(QWidget* parent) : ElidedLabel(parent) {
  fade_.setSingleShot(true);
  fade_.setInterval(noticeMilliseconds);
  connect(&fade_, &QTimer::timeout, this, [this] { showNotice({}); });
  connect(this, &ElidedLabel::clicked, this, [this] { emit folderWanted(folder_); });
}

void NoticeLine::showNotice(const QString& text, const QString& folder) {
  passing_ = text;
  folder_ = text.isEmpty() ? QString() : folder;
  if (text.isEmpty()) {
    fade_.stop();
  } else {
    fade_.start();
  }
  showCurrent();
}

void NoticeLine::setStanding(const QString& text) {
  standing_ = text;
  showCurrent();
}

void NoticeLine::showCurrent() {
  setWholeText(passing_.isEmpty() ? standing_ : passing_);
  setClickable(!folder_.isEmpty());
}
