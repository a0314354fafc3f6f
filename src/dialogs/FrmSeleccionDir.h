#pragma once

#include "dialogs/FolderPicker.h"

// Picks the watched folder into the settings dialog's txtdir.
class FrmSeleccionDir : public FolderPicker {
  Q_OBJECT
public:
  explicit FrmSeleccionDir(Forms& forms);

protected:
  void deliver(const QString& folder) override;
};
