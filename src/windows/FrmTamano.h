// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"

class QGroupBox;
class QRadioButton;
class XPButton;

// The resolution chooser: picks the size of the viewer's drawing surface, then opens the viewer.
class FrmTamano : public Form {
  Q_OBJECT
public:
  explicit FrmTamano(Forms& forms);

  void Form_Load() override;
  void Option1_Click(bool selected);
  void Option2_Click(bool selected);
  void CmdAceptar_Click();

  qint16 resolution() const { return resolucion; }

private:
  QGroupBox* Frame1;
  QRadioButton* Option1;
  QRadioButton* Option2;
  XPButton* CmdAceptar;
  qint16 resolucion = 0;
};
