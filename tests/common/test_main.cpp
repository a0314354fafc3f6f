// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Look.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // Thumbnails made by the windows under test go here, never into the user's cache.
  const QTemporaryDir cache;
  qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  applyProgramLook(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
