#include "windows/FrmSeleccionGuardar.h"

FrmSeleccionGuardar::FrmSeleccionGuardar(Forms& forms)
    : FolderPicker(forms, {QStringLiteral("Seleccionar Ruta"), QSize(3375, 3690),
                           FocusOrder::FoldersFirst}) {}
