// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/AutoSavePolicy.h"
#include "monitor/BatchRecovery.h"
#include "monitor/BatchSave.h"
#include "monitor/FolderHealth.h"
#include "monitor/HistoryWriter.h"
#include "monitor/SaveWorker.h"
#include "monitor/SavedBatches.h"
#include "monitor/WatchedList.h"
#include "monitor/WriteWatch.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class FileOps;

// The watch and save logic of the main window, with no widget: the watched list, the write
// watch, the save worker, the folder's health, the auto-save policy and the two 500 ms ticks.
// Views (the main window, the tray) call its inputs and follow its signals; each signal is
// emitted whenever the view is to show it again, changed or not.
class MonitorSession : public QObject {
  Q_OBJECT
public:
  struct Environment {
    QString settingsFile;
    std::function<QDateTime()> now;    // local date and time
    std::shared_ptr<FileOps> fileOps;  // the plain system calls if null
    bool fileEvents = true;            // whether the watched folder's file events are watched
    QString historyFile;               // where saved batches are recorded; none when empty
  };

  // The settings the session holds. Dir2 and Pref are not among them: each save reads them.
  struct Settings {
    QString watchedFolder;      // Dir1: read at load, then pushed by the settings dialog
    QString pattern;            // Ext: likewise
    qint16 minimum = 5;         // Imagenes: read at load, then pushed by the settings dialog
    bool viewerOffered = true;  // Vis: read at load only
  };

  // Where a save by hand puts its batch: under the save folder (the button, the tray) or inside
  // the watched folder (the menu).
  enum class Base { SaveFolder, WatchedFolder };

  enum class NoticeKind {
    Status,    // the status bar's passing notice; an empty text clears it
    Standing,  // stays on the status bar while it holds, under passing ones; empty ends it
    Away,      // for the user while the window is out of sight
  };

  struct SaveReport {
    bool byHand = false;
    SaveResult result;
    QString text;  // by hand, for a box (a failure's or a plain one); empty when nothing to say
  };

  explicit MonitorSession(Environment environment, QObject* parent = nullptr);

  // Reads the settings, lists the watched folder, puts right interrupted saves and starts the
  // status tick; monitoring stays stopped.
  void load();
  void start();
  void stop();
  // By hand: the same call for every view. A save to the save folder needs a list the view can
  // save, as the button does: it never makes an empty batch while files wait unlisted.
  void saveNow(Base base);
  void applySettings(const QString& folder, const QString& pattern);
  // The minimum the settings dialog's Accept gives, from the next watch tick on.
  void setMinimum(qint16 minimum) { settings_.minimum = minimum; }
  // Takes a saved batch back into the watched folder. Monitoring stops first, or the files would
  // be saved again at once. False, and nothing done, while a save or another undo runs.
  bool undo(const HistoryRecord& record);
  // While a save runs, the program waits for it: monitoring stops, and stays stopped, and
  // readyToClose follows the save. False when no save runs.
  bool closeWhenSaved();
  // The program is told to end: a save in flight stops at its next file and rolls back, so that
  // the close that follows waits only for that.
  void stopSaving() { saver_.stop(); }

  // Timer1, every 500 ms while started: list the folder and save when enough files gathered.
  void watchTick();
  // Timer2, every 500 ms: the progress of a save, then what a save holds back until it ends.
  void statusTick();
  // Waits for a save running in the background and takes its result now.
  void finishSave() { saver_.finish(); }

  bool isStarted() const { return Timer1.isActive(); }
  bool isSaving() const { return saver_.running(); }
  bool canSave() const { return canSave_; }
  int count() const { return list_.count(); }
  QString watchedFolder() const { return list_.folder(); }
  QString pattern() const { return list_.pattern(); }
  void refreshList() { list_.refresh(); }
  const Settings& settings() const { return settings_; }
  // The saved batches, read again whenever the session adds to the history.
  SavedBatches& batches() { return batches_; }
  // The problems found in the settings at load, for the window to report once it shows.
  const QStringList& startupProblems() const { return startupProblems_; }

signals:
  void stateChanged(bool started);
  void countChanged(int count);
  void canSaveChanged(bool canSave);
  void patternChanged(const QString& pattern);
  // While a save or an undo runs, its progress as the user reads it.
  void progressChanged(const QString& text);
  void notice(MonitorSession::NoticeKind kind, const QString& text);
  void saveReported(const MonitorSession::SaveReport& report);
  // What the start-up recovery put right, told once at load.
  void recovered(const QString& notice);
  // Every status tick, first: a view that looks at the desktop again does it here.
  void ticked();
  // The save a close waited for has ended.
  void readyToClose();
  // The session recorded a batch, or an undo, in the history.
  void historyChanged();
  // An undo has ended.
  void undone(const UndoResult& result);

private:
  void setCanSave(bool canSave);
  void readMinimum(bool tellProblem);
  void recoverAtStart();
  void checkWatchedFolder();
  bool tellFolderHealth();
  void refreshWhenChanged();
  void tellWhetherEventsServe(bool folderReadable);
  BatchPlace savePlace() const;
  void save(const BatchPlace& place, const QString& saveFolder, bool byHand);
  void saveFinished(const SaveResult& result, const RecoveryReport& recovery);
  void undoFinished(const UndoResult& result, const RecoveryReport& recovery);
  QString record(const SaveResult& result);
  QString tellHistory(const HistoryWriter::Outcome& outcome);
  void endBusy();

  Environment env_;
  Settings settings_;
  QStringList startupProblems_;
  QTimer Timer1{this};
  QTimer Timer2{this};
  WatchedList list_;
  QElapsedTimer sinceListed_;  // the last listing of the watch tick
  bool eventsOffTold_ = false;
  bool canSave_ = true;  // as the button is designed
  // Set while a save runs, and while a view tells of it in a nested event loop.
  bool busy_ = false;
  bool savingByHand_ = false;
  bool undoing_ = false;
  bool closeAfterSave_ = false;
  BatchPlace savingTo_;
  QDateTime savingAt_;
  // Asked by the save's thread: declared before the worker, which waits for it when it goes.
  WriteWatch writeWatch_;
  SaveWorker saver_;
  FolderHealth folderHealth_;
  AutoSavePolicy policy_;
  SavedBatches batches_;
  HistoryWriter history_;
  HistoryRecord undoneBatch_;  // the batch an undo takes back
};
