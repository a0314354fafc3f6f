// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/FolderHealth.h"

QString missingFolderNotice(const QString& folder) {
  return QStringLiteral("El directorio de monitorización no existe: ") + folder;
}

FolderHealth::Step FolderHealth::tick(const QString& folder, bool readableFolder) {
  if (readableFolder) {
    const bool wasMissing = missing_.has_value();
    missing_.reset();
    return {wasMissing ? Action::Clear : Action::Keep, {}};
  }
  if (missing_ == folder) {
    return {};
  }
  missing_ = folder;
  return {Action::Show, missingFolderNotice(folder)};
}
