// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/FolderHealth.h"

#include "fs/ErrnoText.h"

#include <QFile>

#include <cerrno>
#include <filesystem>
#include <system_error>

QString watchedFolderProblem(const QString& folder) {
  if (folder.isEmpty()) {
    return QStringLiteral("No hay ningún directorio de monitorización configurado.");
  }
  std::error_code error;
  std::filesystem::directory_iterator(QFile::encodeName(folder).toStdString(), error);
  if (!error) {
    return {};
  }
  if (error.value() == ENOENT) {
    return QStringLiteral("El directorio de monitorización no existe: ") + folder;
  }
  return QStringLiteral("No se puede leer el directorio de monitorización %1: %2.")
      .arg(folder, errnoText(error.value()));
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
