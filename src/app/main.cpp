// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/EndRequests.h"
#include "app/Look.h"
#include "app/SingleInstance.h"
#include "app/Translation.h"
#include "controls/DriveProbe.h"
#include "forms/AppContext.h"
#include "forms/Forms.h"
#include "forms/MessagePresenter.h"
#include "fs/OpenFileLimit.h"
#include "settings/SettingsLocation.h"
#include "windows/FrmInicio.h"
#include "windows/FrmMonitoreo.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QSystemTrayIcon>
#include <QUrl>

#include <cstdio>

namespace {

// Read before the display is opened, so that --help and --version work without one, and a
// missing display is told in Spanish rather than by Qt.
CommandLine readArguments(int argc, char* argv[]) {
  QCoreApplication core(argc, argv);
  loadQtSpanish(core);
  return readCommandLine(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
}

}  // namespace

int main(int argc, char* argv[]) {
  raiseOpenFileLimit();
  const CommandLine command = readArguments(argc, argv);
  if (command.ends) {
    std::fputs(command.output.toLocal8Bit().constData(), command.status == 0 ? stdout : stderr);
    return command.status;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varndel"));
  // Ties the windows to the installed desktop entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.varndel.Varndel"));
  applyProgramLook(app);
  loadQtSpanish(app);
  // The main window is often hidden; the program ends through its shutdown alone.
  QApplication::setQuitOnLastWindowClosed(false);

  const SettingsEnvironment environment = systemSettingsEnvironment();
  const SettingsStart settings = command.configFile.isEmpty()
                                     ? prepareSettings(environment)
                                     : prepareNamedSettings(command.configFile);
  SingleInstance instance(settings.file);
  switch (instance.handOver()) {
    case SingleInstance::Verdict::HandedOver:
      return 0;
    case SingleInstance::Verdict::NotAnswering:
      QtMessagePresenter().critical(QStringLiteral("Varndel"), SingleInstance::notAnsweringText());
      return 1;
    case SingleInstance::Verdict::Run:
      break;
  }
  AppContext context;
  context.settingsFile = settings.file;
  context.now = [] { return QDateTime::currentDateTime(); };
  context.makeProbe = [] { return std::make_unique<StorageDriveProbe>(); };
  context.homeFolder = QDir::homePath();
  context.wineRegistry = context.homeFolder + QStringLiteral("/.wine/system.reg");
  context.presenter = std::make_shared<QtMessagePresenter>();
  context.quit = [] { QCoreApplication::quit(); };
  context.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
  context.historyFile = historyFile(environment, settings.file);
  context.openFolder = [](const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  };

  Forms forms(std::move(context));
  QObject::connect(&instance, &SingleInstance::activationRequested,
                   [&forms] { forms.bringForward(); });
  // Told before the splash, so the main window's own start-up report comes after it.
  if (!settings.problem.isEmpty()) {
    forms.context().presenter->critical(QStringLiteral("ERROR"), settings.problem);
  }
  if (!settings.notice.isEmpty()) {
    forms.context().presenter->plain(settings.notice);
  }
  EndRequests ends;
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &ends, &EndRequests::request);
  QObject::connect(&ends, &EndRequests::requested, [&forms] {
    if (forms.isOpen<FrmMonitoreo>()) {
      forms.get<FrmMonitoreo>()->endOnRequest();
    } else {
      QCoreApplication::quit();
    }
  });
  forms.show<FrmInicio>();
  return QApplication::exec();
}
