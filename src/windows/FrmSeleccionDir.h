// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "windows/FolderPicker.h"

// Picks the watched folder.
class FrmSeleccionDir : public FolderPicker {
  Q_OBJECT
public:
  explicit FrmSeleccionDir(Forms& forms);
};
