// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translation.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <gtest/gtest.h>

TEST(Translation, MessageBoxButtonReadsAceptar) {
  const QString file =
      QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_es.qm");
  if (!QFile::exists(file)) {
    GTEST_SKIP() << "Qt's Spanish translation is not installed: " << file.toStdString();
  }
  QTranslator* translator = loadQtSpanish(*QCoreApplication::instance());
  ASSERT_NE(translator, nullptr);
  QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), QStringLiteral("texto"),
                  QMessageBox::Ok);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("Aceptar"));
  QCoreApplication::removeTranslator(translator);
  delete translator;
}
