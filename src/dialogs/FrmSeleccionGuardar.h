#pragma once

#include "app/Form.h"

class FrmSeleccionGuardar : public Form {
  Q_OBJECT
public:
  explicit FrmSeleccionGuardar(Forms& forms);
};
