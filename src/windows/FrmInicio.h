// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"

#include <QTimer>

class QLabel;

// The splash window: the banner for about three seconds, then the main window.
class FrmInicio : public Form {
  Q_OBJECT
public:
  explicit FrmInicio(Forms& forms);

  void Form_Load() override;
  void Timer1_Timer();

private:
  QLabel* Label1;
  QTimer Timer1{this};
  qint16 contador = 0;
};
