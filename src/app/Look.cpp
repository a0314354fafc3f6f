#include "app/Look.h"

#include "app/Form.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

void applyProgramLook(QApplication& app) {
  QApplication::setWindowIcon(programIcon());
  QFont font = app.font();
  font.setPointSizeF(8.25);
  QApplication::setFont(font);
}
