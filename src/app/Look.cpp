// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Look.h"

#include "forms/Form.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

void applyProgramLook(QApplication& app) {
  QApplication::setWindowIcon(programIcon());
  QFont font = app.font();
  font.setPointSizeF(8);
  QApplication::setFont(font);
  app.setStyleSheet(
      QStringLiteral("QMenuBar { spacing: 0px; }"
                     "QMenuBar::item { padding: 2px 3px; background: transparent; }"
                     "QMenuBar::item:selected { background: palette(highlight); color: "
                     "palette(highlighted-text); }"));
}
