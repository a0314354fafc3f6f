#pragma once

#include "forms/Form.h"
#include "monitor/AutoSaveNotices.h"
#include "monitor/BatchSave.h"
#include "monitor/FolderHealth.h"
#include "monitor/InUsePatience.h"
#include "monitor/SaveBackoff.h"
#include "monitor/SaveWorker.h"
#include "monitor/WatchedList.h"
#include "monitor/WriteWatch.h"

#include <QStringList>
#include <QTimer>

class QAction;
class QLabel;
class QMenuBar;
class StatusPanels;
class TrayIcon;
class XPButton;

// The main window: the watched folder, its file list, the buttons that start, stop and save,
// and the status bar.
class FrmMonitoreo : public Form {
  Q_OBJECT
public:
  explicit FrmMonitoreo(Forms& forms);

  void Form_Load() override;

  // Watches the folder with the pattern: the settings file's at load, the settings dialog's
  // on its Accept.
  void applySettings(const QString& folder, const QString& pattern);

  QString watchedFolder() const { return File1.folder(); }
  QString pattern() const { return File1.pattern(); }
  void refreshList() { File1.refresh(); }
  int count() const { return File1.count(); }
  QString panel(int number) const;
  bool isMonitoring() const { return Timer1.isActive(); }
  bool isSaving() const { return saver_.running(); }
  // Waits for a save running in the background and takes its result now.
  void finishSave() { saver_.finish(); }
  qint16 minimumCount() const { return minImagenes; }
  // The problems found in the settings at load, reported once after the window shows.
  const QStringList& startupProblems() const { return startupProblems_; }

  void cmdiniciar_Click();
  void cmddetener_Click();
  void cmdguardar_Click();
  void mnuguardar_Click();
  void mnuvisor_Click();
  void mnuminimizar_Click();
  void mnucerrar_Click();
  void mnuiniciar_Click() { cmdiniciar_Click(); }
  void mnudetener_Click() { cmddetener_Click(); }
  void mnuconfig_Click();
  void mnacerca_Click();
  void Timer1_Timer();
  void Timer2_Timer();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void buildMenu();
  void buildControls(QWidget* client);
  void setWatchedFolder(const QString& folder);
  void setPattern(const QString& pattern) { File1.setPattern(pattern); }
  void setPanel(int number, const QString& text);
  void readMinimum();
  void reportStartupProblems();
  void comeBack();
  void chooserClosed();
  void cerrarPrograma();
  // What a save reads of the settings, read once for it.
  struct SaveTarget {
    QString saveFolder;
    QString prefix;
  };
  SaveTarget readSaveTarget() const;
  void guardarImagenes(const QString& base, const SaveTarget& target, bool byHand);
  void saveFinished(const SaveResult& result, const RecoveryReport& recovery);
  void recoverAtStart();
  void checkWatchedFolder();
  void buildTray();
  void showFromTray();
  void tellTray(const SaveResult& result, const QString& statusNotice);

  QMenuBar* menuBar;
  QAction* mnuguardar;
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
  StatusPanels* Estado;
  TrayIcon* tray_ = nullptr;  // only where the desktop has a system tray
  QTimer Timer1{this};
  QTimer Timer2{this};

  WatchedList File1;
  qint16 minImagenes = 0;
  QString valorVis;
  QStringList startupProblems_;
  QString startupNotice_;  // what was put right at load, told once the window shows
  bool reported_ = false;
  // Set while a save runs, and while its message box runs a nested event loop.
  bool busy_ = false;
  bool savingByHand_ = false;
  bool closeAfterSave_ = false;
  QString saveSettings_;
  // Asked by the save's thread: declared before the worker, which waits for it when it goes.
  WriteWatch writeWatch_;
  SaveWorker saver_;
  FolderHealth folderHealth_;
  AutoSaveNotices autoNotices_;
  SaveBackoff backoff_;
  InUsePatience patience_;
};
