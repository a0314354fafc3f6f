// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QWidget>
#include <QWindow>

TestWorld::TestWorld() : now(QDate(2004, 3, 5), QTime(9, 7, 3)) {}

QString TestWorld::path(const QString& relative) const {
  return dir.filePath(relative);
}

QString TestWorld::makeFolder(const QString& relative) const {
  QDir().mkpath(path(relative));
  return path(relative);
}

void TestWorld::writeFile(const QString& relative, const QByteArray& bytes) const {
  QFile file(path(relative));
  if (!file.open(QIODevice::WriteOnly)) {
    qFatal("cannot write test file");
  }
  file.write(bytes);
}

QByteArray TestWorld::readFile(const QString& relative) const {
  QFile file(path(relative));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestWorld::writeConfig(const QStringList& lines) const {
  writeFile(QStringLiteral("Config.ini"), (QStringLiteral("[CONFIGURACION]\n") +
                                           lines.join(QLatin1Char('\n')) + QLatin1Char('\n'))
                                              .toUtf8());
}

void TestWorld::writeWatchConfig(const QString& minimum, const QString& pattern,
                                 const QString& saveFolder) const {
  makeFolder(QStringLiteral("in"));
  makeFolder(QStringLiteral("out"));
  writeConfig({QStringLiteral("Dir1=") + path(QStringLiteral("in")),
               QStringLiteral("Dir2=") + path(saveFolder), QStringLiteral("Pref=Fotos_"),
               QStringLiteral("Imagenes=") + minimum, QStringLiteral("Ext=") + pattern,
               QStringLiteral("Vis=0x1")});
}

AppContext TestWorld::context() {
  AppContext context;
  context.settingsFile = path(QStringLiteral("Config.ini"));
  context.now = [this] { return now; };
  context.makeProbe = [this] { return std::make_unique<FakeDriveProbe>(refusedDrives); };
  context.wineRegistry = path(QStringLiteral("wine/system.reg"));
  context.homeFolder = makeFolder(QStringLiteral("home"));
  context.presenter = presenter;
  context.quit = [this] { ++quitCalls; };
  context.historyFile = path(QStringLiteral("Historial.txt"));
  context.openFolder = [this](const QString& folder) {
    openedFolders << folder;
    return folderOpens;
  };
  return context;
}

void RecordingPresenter::record(ShownMessage message, QWidget* over) {
  message.over = over;
  message.overOnScreen = over && over->windowHandle() && over->windowHandle()->isExposed();
  shown.push_back(std::move(message));
}

void flushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList focusOrder(const QWidget* window, const QStringList& names) {
  QStringList order;
  QWidget* const first = control<QWidget>(window, qPrintable(names.front()));
  QWidget* widget = first;
  do {
    if (names.contains(widget->objectName()) && !order.contains(widget->objectName())) {
      order.append(widget->objectName());
    }
    widget = widget->nextInFocusChain();
  } while (widget != first);
  return order;
}
