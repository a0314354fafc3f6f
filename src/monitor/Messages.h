// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchRecovery.h"
#include "monitor/BatchSave.h"
#include "monitor/BatchUndo.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Every sentence the monitoring tells the user, in one place, so that they read alike: how the
// program speaks is written down in docs/WRITING.md.

// The sentence for count n: one for a single thing, the other for any other number; "%n" in
// either stands for n.
QString byCount(qint64 n, const QString& one, const QString& many);

// The watched folder at start and while watched: none set, or it cannot be listed for the
// reason the system gave.
QString noWatchedFolderText();
QString unreadableWatchedFolderText(const QString& folder, int error);

// What the user is told about a save. Empty when there is nothing to tell.
QString manualSaveText(const SaveResult& result);
QString automaticFailureNotice(const SaveResult& result);
// The files an automatic save left in the watched folder, each named once by the caller.
QString leftFilesNotice(const SaveResult& result, const std::vector<LeftFile>& toName);
// A batch that is due waits for these files, still being written.
QString waitingNotice(const std::vector<QByteArray>& beingWritten);
QString progressNotice(int done, int total);
QString undoProgressNotice(int done, int total);
// The kernel's file events cannot be had for the watched folder.
QString eventsOffNotice();
// Originals written to after their save, whose whole content went back to the watched folder.
QString lateContentNotice(const std::vector<LeftFile>& restored);
QString recoveryNotice(const RecoveryReport& report);
// For the tray, while the window is out of sight.
QString trayState(bool monitoring, int count);
QString trayProgress(const QString& progress);
QString batchSavedNotice(const SaveResult& result);

// The saved batches' window.
QString imageCount(int count);  // "1 imagen", "2 imágenes"
QString noBatchesYet();
// A save or an undo that the history could not take in, for the reason given.
QString historyNotice(const QString& reason, const QString& file);
QString historyUnreadable(const QString& reason, const QString& file);
// Before an undo: monitoring stops, so that the files are not saved again at once.
QString monitoringStoppedForUndo();
// An undo refused because a save is running.
QString undoWhileSaving();
// How an undo ended: what came back, under which names, what was missing and what stayed.
QString undoReport(const UndoResult& result);
