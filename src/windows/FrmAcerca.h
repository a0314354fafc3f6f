// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"

class QLabel;
class XPButton;

// The About box: banner, icon, what the program does, who made it and when.
class FrmAcerca : public Form {
  Q_OBJECT
public:
  explicit FrmAcerca(Forms& forms);

  void Form_Load() override;
  void CmdAceptar_Click();

private:
  QLabel* Picture1;
  QLabel* Picture2;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  XPButton* CmdAceptar;
};
