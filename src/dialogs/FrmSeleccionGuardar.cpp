#include "dialogs/FrmSeleccionGuardar.h"

#include "app/Forms.h"
#include "settings/FrmConfig.h"

#include <QLineEdit>

FrmSeleccionGuardar::FrmSeleccionGuardar(Forms& forms)
    : FolderPicker(forms, QStringLiteral("Seleccionar Ruta"), QSize(3375, 3690),
                   FocusOrder::FoldersFirst) {}

void FrmSeleccionGuardar::deliver(const QString& folder) {
  forms().get<FrmConfig>()->txtguardar->setText(folder);
}
