// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmInicio.h"

#include "controls/Labels.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"

#include <QLabel>

FrmInicio::FrmInicio(Forms& forms)
    : Form(forms, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setClientSize(248, 41);
  makeBanner(QRect(0, 0, 249, 41), this);
  Label1 = named("Label1", makeBoldLabel(QStringLiteral("Ver.1.0"), QRect(176, 24, 65, 17), this));
  Label1->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); background: transparent;"));

  named("Timer1", &Timer1)->setInterval(1000);
  connect(&Timer1, &QTimer::timeout, this, &FrmInicio::Timer1_Timer);
}

void FrmInicio::Form_Load() {
  contador = 0;
  Timer1.start();
}

void FrmInicio::Timer1_Timer() {
  if (contador == 2) {
    Timer1.stop();
    forms().show<FrmMonitoreo>();
    close();
  }
  ++contador;
}
