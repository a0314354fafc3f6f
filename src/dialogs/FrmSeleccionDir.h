#pragma once

#include "app/Form.h"

class FrmSeleccionDir : public Form {
  Q_OBJECT
public:
  explicit FrmSeleccionDir(Forms& forms);
};
