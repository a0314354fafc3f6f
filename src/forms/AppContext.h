// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class DriveProbe;
class FileOps;
class MessagePresenter;

// Everything a window needs from outside the program: main builds the real one, tests build
// one with fakes and a temporary folder.
struct AppContext {
  QString settingsFile;            // the Config.ini in use: portable or the user's
  std::function<QDateTime()> now;  // local date and time
  std::function<std::unique_ptr<DriveProbe>()> makeProbe;
  QString wineRegistry;  // system.reg of the Wine prefix
  QString homeFolder;
  std::shared_ptr<MessagePresenter> presenter;
  std::function<void()> quit;        // ends the program
  std::shared_ptr<FileOps> fileOps;  // the steps of a batch save; the plain system calls if null
  // Whether the desktop has a system tray to show the icon in; asked again while it has none,
  // since a tray may start after the program.
  std::function<bool()> trayAvailable = [] { return false; };
  bool fileEvents = true;  // whether the kernel's file events of the watched folder are watched
  QString historyFile;     // the saved batches' history; none is kept when empty
  // Shows a folder in the desktop's file manager; false when the desktop has nothing to do it.
  std::function<bool(const QString& folder)> openFolder = [](const QString&) { return false; };
};
