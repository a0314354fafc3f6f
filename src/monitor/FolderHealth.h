// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The start-up words for a watched folder that is not there.
QString missingFolderNotice(const QString& folder);

// Tells the window, tick by tick, when the watched folder stops being a readable folder and when
// it is one again, once each, so the status bar says it without repeating it every tick.
class FolderHealth {
public:
  enum class Action { Keep, Show, Clear };
  struct Step {
    Action action = Action::Keep;
    QString notice;  // with Show
  };

  Step tick(const QString& folder, bool readableFolder);

private:
  std::optional<QString> missing_;  // the folder the notice shown names
};
