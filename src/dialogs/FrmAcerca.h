#pragma once

#include "app/Form.h"

class FrmAcerca : public Form {
  Q_OBJECT
public:
  explicit FrmAcerca(Forms& forms);
};
