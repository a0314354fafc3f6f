// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "windows/FolderPicker.h"

// Picks the folder the batches are saved in.
class FrmSeleccionGuardar : public FolderPicker {
  Q_OBJECT
public:
  explicit FrmSeleccionGuardar(Forms& forms);
};
