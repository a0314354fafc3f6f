#pragma once

#include "dialogs/FolderPicker.h"

// Picks the save folder into the settings dialog's txtguardar.
class FrmSeleccionGuardar : public FolderPicker {
  Q_OBJECT
public:
  explicit FrmSeleccionGuardar(Forms& forms);

protected:
  void deliver(const QString& folder) override;
};
