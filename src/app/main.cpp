#include "app/Look.h"
#include "app/Translation.h"
#include "controls/DriveProbe.h"
#include "forms/AppContext.h"
#include "forms/Forms.h"
#include "forms/MessagePresenter.h"
#include "monitor/FrmInicio.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varndel"));
  applyProgramLook(app);
  loadQtSpanish(app);
  // The main window is often hidden; the program ends through its shutdown alone.
  QApplication::setQuitOnLastWindowClosed(false);

  AppContext context;
  context.settingsFile = QCoreApplication::applicationDirPath() + QStringLiteral("/Config.ini");
  context.now = [] { return QDateTime::currentDateTime(); };
  context.makeProbe = [] { return std::make_unique<StorageDriveProbe>(); };
  context.homeFolder = QDir::homePath();
  context.wineRegistry = context.homeFolder + QStringLiteral("/.wine/system.reg");
  context.presenter = std::make_shared<QtMessagePresenter>();
  context.quit = [] { QCoreApplication::quit(); };

  Forms forms(std::move(context));
  forms.show<FrmInicio>();
  return QApplication::exec();
}
