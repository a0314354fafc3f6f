#include "monitor/FrmInicio.h"

#include "app/Forms.h"
#include "monitor/FrmMonitoreo.h"

#include <QLabel>

FrmInicio::FrmInicio(Forms& forms)
    : Form(forms, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setClientSize(248, 41);
  auto* banner = new QLabel(this);
  banner->setPixmap(QPixmap(QStringLiteral(":/banner.png")));
  banner->setGeometry(0, 0, 249, 41);

  Label1 = new QLabel(QStringLiteral("Ver.1.0"), this);
  QFont font = Label1->font();
  font.setBold(true);
  font.setPointSizeF(8.25);
  Label1->setFont(font);
  Label1->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); background: transparent;"));
  Label1->setGeometry(176, 24, 65, 17);

  Timer1.setInterval(1000);
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
