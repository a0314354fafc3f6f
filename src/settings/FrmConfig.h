#pragma once

#include "app/Form.h"

class FrmConfig : public Form {
  Q_OBJECT
public:
  explicit FrmConfig(Forms& forms);
};
