#pragma once

#include "app/Form.h"

class FrmVisor : public Form {
  Q_OBJECT
public:
  explicit FrmVisor(Forms& forms);
};
