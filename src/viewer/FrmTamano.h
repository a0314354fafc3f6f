#pragma once

#include "app/Form.h"

class FrmTamano : public Form {
  Q_OBJECT
public:
  explicit FrmTamano(Forms& forms);
};
