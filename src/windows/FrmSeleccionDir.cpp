// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmSeleccionDir.h"

FrmSeleccionDir::FrmSeleccionDir(Forms& forms)
    : FolderPicker(forms, {QStringLiteral("Seleccionar directorio"), QSize(3360, 3675),
                           FocusOrder::DrivesFirst}) {}
