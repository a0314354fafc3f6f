// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/FolderHealth.h"

#include "fs/FilePrimitives.h"
#include "monitor/Messages.h"

#include <QFile>

QString watchedFolderProblem(const QString& folder) {
  if (folder.isEmpty()) {
    return noWatchedFolderText();
  }
  const int error = folderOpenError(QFile::encodeName(folder));
  return error == 0 ? QString() : unreadableWatchedFolderText(folder, error);
}

// The reason is looked for only while the quick check fails, and a changed reason is told anew.
FolderHealth::Step FolderHealth::tick(const QString& folder, bool readableFolder) {
  const QString problem = readableFolder ? QString() : watchedFolderProblem(folder);
  if (problem.isEmpty()) {
    const bool wasShown = shown_.has_value();
    shown_.reset();
    return {wasShown ? Action::Clear : Action::Keep, {}};
  }
  if (shown_ == problem) {
    return {};
  }
  shown_ = problem;
  return {Action::Show, problem};
}
