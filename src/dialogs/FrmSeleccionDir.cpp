#include "dialogs/FrmSeleccionDir.h"

#include "app/Forms.h"
#include "settings/FrmConfig.h"

#include <QLineEdit>

FrmSeleccionDir::FrmSeleccionDir(Forms& forms)
    : FolderPicker(forms, QStringLiteral("Seleccionar directorio"), QSize(3360, 3675),
                   FocusOrder::DrivesFirst) {}

void FrmSeleccionDir::deliver(const QString& folder) {
  forms().get<FrmConfig>()->txtdir->setText(folder);
}
