// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// What the user reads when the watched folder cannot be listed: none set, not there, or there
// but refused, with the system's reason. Empty when it can be listed.
QString watchedFolderProblem(const QString& folder);

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
  std::optional<QString> shown_;  // the notice on show
};
