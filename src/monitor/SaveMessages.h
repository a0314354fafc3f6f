#pragma once

#include "monitor/BatchSave.h"

#include <QString>

// What the user is told about a save. Empty when there is nothing to tell.
QString manualSaveText(const SaveResult& result);
QString automaticSaveNotice(const SaveResult& result);
QString stillInUseNotice(const QString& file);
