// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BatchSave.h"

#include <QString>

// What the user reads in the saved batches' window and about an undo.
QString historyTitle();
QString historyColumn(int column);  // 0: date, 1: batch, 2: images
QString imageCount(int count);      // "1 imagen", "2 imágenes"
QString openFolderCaption();
QString undoCaption();
QString closeCaption();
QString noBatchesYet();
// Before an undo: monitoring stops, so that the files are not saved again at once.
QString monitoringStoppedForUndo();
// An undo refused because a save is running.
QString undoWhileSaving();
// How an undo ended: what came back, under which names, what was missing and what stayed.
QString undoReport(const SaveResult& result);
