// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/TestSupport.h"
#include "forms/Forms.h"
#include "windows/FrmMonitoreo.h"
#include "windows/TrayIcon.h"

#include <gtest/gtest.h>

#include <optional>

// A main window watching "in" and saving under "out" with prefix "Fotos_", on a desktop with a
// tray; a test changes the context before it shows the window.
class MainWindowTest : public ::testing::Test {
protected:
  explicit MainWindowTest(const QString& minimum = QStringLiteral("3"),
                          const QString& pattern = QStringLiteral("*.bmp")) {
    world.writeWatchConfig(minimum, pattern);
    context.trayAvailable = [] { return true; };
  }

  FrmMonitoreo* show() {
    forms.emplace(context);
    return forms->show<FrmMonitoreo>();
  }

  // a.bmp, b.bmp and c.bmp arrive in the watched folder.
  void dropThree() const {
    for (const char* name : {"in/a.bmp", "in/b.bmp", "in/c.bmp"}) {
      world.writeFile(QString::fromLatin1(name));
    }
  }

  static TrayIcon* tray(const FrmMonitoreo* w) { return w->findChild<TrayIcon*>("tray"); }

  TestWorld world;
  AppContext context = world.context();
  std::optional<Forms> forms;
};
