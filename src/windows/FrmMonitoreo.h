// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/Form.h"
#include "monitor/MonitorSession.h"

class QAction;
class QLabel;
class QMenuBar;
class NoticeLine;
class StatusPanels;
class TrayIcon;
class XPButton;

// The main window: a view of the monitoring session. Its buttons and menus call the session,
// its label, status bar and save button follow the session's signals.
class FrmMonitoreo : public Form {
  Q_OBJECT
public:
  explicit FrmMonitoreo(Forms& forms);

  void Form_Load() override;

  // Watches the folder with the pattern and the minimum the settings dialog's Accept gives.
  void applySettings(const QString& folder, const QString& pattern, qint16 minimum);

  MonitorSession& session() { return session_; }
  QString panel(int number) const;

  void cmdiniciar_Click() { session_.start(); }
  void cmddetener_Click() { session_.stop(); }
  void cmdguardar_Click() { session_.saveNow(MonitorSession::Base::SaveFolder); }
  void mnuguardar_Click() { session_.saveNow(MonitorSession::Base::WatchedFolder); }
  void mnulotes_Click();
  void mnuvisor_Click();
  void mnuminimizar_Click() { showMinimized(); }
  void mnucerrar_Click() { close(); }
  // The desktop or a signal ends the program: as the close box, but a save in flight rolls back
  // instead of running to its end.
  void endOnRequest();
  void mnuiniciar_Click() { cmdiniciar_Click(); }
  void mnudetener_Click() { cmddetener_Click(); }
  void mnuconfig_Click();
  void mnacerca_Click();

protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void buildMenu();
  void buildControls(QWidget* client);
  void followSession();
  void setPanel(int number, const QString& text);
  void showNotice(MonitorSession::NoticeKind kind, const QString& text);
  void showSaveReport(const MonitorSession::SaveReport& report);
  void showClosing();
  void reportStartupProblems();
  void buildTray();
  void showFromTray();
  void cerrarPrograma();

  QMenuBar* menuBar;
  QAction* mnuguardar;
  QAction* mnulotes;
  QAction* mnuvisor;
  QAction* mnuminimizar;
  QAction* mnucerrar;
  QAction* mnuiniciar;
  QAction* mnudetener;
  QAction* mnuconfig;
  QAction* mnacerca;
  QLabel* Picture1;
  QLabel* Label1;
  QLabel* lbldirectorio;
  XPButton* cmdiniciar;
  XPButton* cmddetener;
  XPButton* cmdguardar;
  NoticeLine* lblaviso;  // notices, beside the status panels rather than over them
  StatusPanels* Estado;
  int ticksUntilTrayLook_ = 0;
  TrayIcon* tray_ = nullptr;  // only where the desktop has a system tray

  MonitorSession session_;
  QString startupNotice_;  // what was put right at load, told once the window shows
  QString savedFolder_;    // the batch the last automatic save made, for the notice after it
  bool reported_ = false;
};
