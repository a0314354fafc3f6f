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
// and are enabled when they are; "Lotes guardados…" opens the saved batches. It also shows the
// notices the window passes it; a click on a saved batch's notice opens that batch's folder.
class TrayIcon : public QObject {
  Q_OBJECT
public:
  TrayIcon(const QIcon& icon, MonitorSession& session, QObject* parent);

  void showNotice(const QString& text);
  // A click on the notice on show.
  void noticeClicked();
  QString lastNotice() const { return lastNotice_; }
  QString state() const { return icon_.toolTip(); }
  QMenu* menu() { return &menu_; }

signals:
  void showChosen();
  void closeChosen();
  void historyChosen();
  // The notice of a saved batch was clicked: its folder is to be shown.
  void folderChosen(const QString& folder);

private:
  void showState();

  MonitorSession& session_;
  QSystemTrayIcon icon_;
  QMenu menu_;
  QString lastNotice_;
  QString savedFolder_;   // the batch the last save made, for the notice that tells of it
  QString noticeFolder_;  // the batch the notice on show tells of
};
