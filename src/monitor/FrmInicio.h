#pragma once

#include "app/Form.h"

#include <QTimer>

class QLabel;

// The splash window: the banner for about three seconds, then the main window.
class FrmInicio : public Form {
  Q_OBJECT
public:
  explicit FrmInicio(Forms& forms);

  void Form_Load() override;
  void Timer1_Timer();

  QLabel* Label1;
  QTimer Timer1;

private:
  qint16 contador = 0;
};
