// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

class MonitorSession;

// The program's icon in the desktop's system tray, for players whose game covers the screen: a
// second view of the monitoring session. Its tooltip follows the session's state and count, its
// "Iniciar", "Detener" and "Guardar Imagenes" call the session as the main window's buttons do
// and are enabled when they are; it also shows the notices the window passes it.
class TrayIcon : public QObject {
  Q_OBJECT
public:
  TrayIcon(const QIcon& icon, MonitorSession& session, QObject* parent);

  void showNotice(const QString& text);
  QString lastNotice() const { return lastNotice_; }
  QString state() const { return icon_.toolTip(); }
  QMenu* menu() { return &menu_; }

signals:
  void showChosen();
  void closeChosen();

private:
  void showState();

  MonitorSession& session_;
  QSystemTrayIcon icon_;
  QMenu menu_;
  QString lastNotice_;
};
