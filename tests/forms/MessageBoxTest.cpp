// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/MessageBox.h"

#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

// A long path wraps inside the box rather than running off its edge, the box stays a readable
// width, and the text stays whole for selecting and copying.
TEST(MessageBox, LongPathWrapsAndTheTextStaysWhole) {
  const QString path = QStringLiteral("/home/jugador/.wine/drive_c/") + QString(242, u'x');
  const QString text = QStringLiteral(
                           "No se puede leer el directorio de monitorización %1: no hay "
                           "permiso de acceso.")
                           .arg(path);
  for (const auto kind :
       {MessageBox::Kind::Critical, MessageBox::Kind::Plain, MessageBox::Kind::Question}) {
    MessageBox box(kind, QStringLiteral("ERROR"), text, nullptr);
    box.show();
    const QTextEdit* view = box.textView();
    EXPECT_EQ(view->toPlainText(), text);
    EXPECT_LE(view->document()->idealWidth(), view->viewport()->width());
    EXPECT_LE(view->document()->size().height(), view->viewport()->height());
    EXPECT_LE(box.width(), 600);
    EXPECT_EQ(box.findChildren<QPushButton*>().size(), kind == MessageBox::Kind::Question ? 2 : 1);
  }
}
