#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <ctime>
#include <functional>
#include <vector>

// One batch save: a new folder named base + "/" + prefix + stamp, every listed file copied
// into it, and only then every listed file deleted from the watched folder.
struct SaveRequest {
  QString base;  // "/" is appended however it ends, as users' folder names rely on
  QString prefix;
  QString watchedFolder;
  QStringList names;
  QDateTime moment;
};

enum class SaveFailure {
  None,
  FolderExists,  // a save in the same second: worth trying again a second later
  InUse,         // another process holds a listed file: worth trying again later
  Other,
};

// A source that was copied but left in the watched folder.
struct KeptSource {
  QString path;
  QString reason;
};

struct SaveResult {
  SaveFailure failure = SaveFailure::None;
  QString concerned;  // the file or folder a failure concerns
  QString reason;     // in Spanish, for the user
  QString batchFolder;
  int moved = 0;
  std::vector<KeptSource> kept;

  bool ok() const { return failure == SaveFailure::None; }
};

// How a file still being written is told apart. Leases answer where the file system grants
// them; elsewhere a file stamped within the last 2 s of fileClock counts as in use.
struct InUseCheck {
  bool tryLeases = true;
  std::function<timespec()> fileClock;  // the clock file times are stamped with; real by default
};

// Runs the save to its end. On any failure before the deletions nothing is left behind: the
// copies made and the folder created are removed, and every source stays in place.
SaveResult saveBatch(const SaveRequest& request, const InUseCheck& check = {});

// The folder a save would create.
QString batchFolderPath(const QString& base, const QString& prefix, const QDateTime& moment);
