// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmSeleccionGuardar.h"

FrmSeleccionGuardar::FrmSeleccionGuardar(Forms& forms)
    : FolderPicker(forms, {QStringLiteral("Seleccionar Ruta"), QSize(3375, 3690),
                           FocusOrder::FoldersFirst}) {}
