#include "monitor/BatchRecovery.h"

#include "fs/Claim.h"
#include "fs/FilePrimitives.h"
#include "fs/UniqueFd.h"
#include "monitor/BatchJournal.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <optional>

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;
constexpr int fileFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
constexpr std::size_t journalLimit = std::size_t{256} << 20;

bool ownedByUs(const struct stat& info) {
  return info.st_uid == geteuid() && (info.st_mode & S_IWOTH) == 0;
}

class Recovery {
public:
  Recovery(FileOps& ops, int watched, const struct stat& watchedInfo, RecoveryReport& report)
      : ops_(ops), watched_(watched), watchedInfo_(watchedInfo), report_(report) {}

  void scan(int parent, const QString& parentPath) {
    const int listing = dup(parent);
    DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!dir) {
      if (listing >= 0) {
        close(listing);
      }
      return;
    }
    std::vector<QByteArray> candidates;
    while (const dirent* entry = readdir(dir)) {
      const QByteArray name(entry->d_name);
      if ((entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) || name == "." || name == "..") {
        continue;
      }
      struct stat info {};
      if (fstatat(parent, (name + '/' + journalName).constData(), &info, AT_SYMLINK_NOFOLLOW) ==
              0 ||
          fstatat(parent, (name + '/' + journalDraftName).constData(), &info,
                  AT_SYMLINK_NOFOLLOW) == 0) {
        candidates.push_back(name);
      }
    }
    closedir(dir);
    for (const QByteArray& name : candidates) {
      recoverOne(parent, name, parentPath + QLatin1Char('/') + QFile::decodeName(name));
    }
  }

private:
  void distrust(const QString& path, const QString& why) {
    report_.untrusted << path + QStringLiteral(": ") + why;
  }

  void recoverOne(int parent, const QByteArray& name, const QString& path) {
    const UniqueFd batch(ops_.openAt(parent, name.constData(), folderFlags));
    struct stat info {};
    if (!batch.valid() || fstat(batch.get(), &info) != 0 || !ownedByUs(info)) {
      distrust(path,
               QStringLiteral("el directorio no es del usuario o otros pueden escribir en él"));
      return;
    }
    BatchJournal journal;
    if (!readJournal(batch.get(), path, journal)) {
      return;
    }
    for (const JournalEntry& entry : journal.entries) {
      if (journal.mode == BatchJournal::Mode::Move) {
        moveBack(batch.get(), entry);
      } else {
        putCopyRight(batch.get(), entry);
      }
    }
    ops_.unlinkAt(batch.get(), journalDraftName);
    ops_.unlinkAt(batch.get(), journalName);
    ops_.flush(batch.get());
    ops_.removeFolder(parent, name.constData());
    ops_.flush(parent);
    ops_.flush(watched_);
    ++report_.batches;
  }

  // False, and reported, when a journal is there but not to be acted on. A journal only in
  // draft was cut short before any file moved: journal is left with nothing to do.
  bool readJournal(int batch, const QString& path, BatchJournal& journal) {
    const UniqueFd fd(ops_.openAt(batch, journalName, fileFlags));
    if (!fd.valid()) {
      return true;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
      distrust(path, QStringLiteral("su diario no es un archivo del usuario"));
      return false;
    }
    QByteArray text;
    std::optional<BatchJournal> parsed;
    if (readAll(fd.get(), journalLimit, text) == 0) {
      parsed = parseJournal(text);
    }
    if (!parsed) {
      distrust(path, QStringLiteral("su diario está incompleto o dañado"));
      return false;
    }
    if (parsed->watchedDevice != watchedInfo_.st_dev ||
        parsed->watchedInode != watchedInfo_.st_ino) {
      distrust(path, QStringLiteral("su diario es de otro directorio de monitorización"));
      return false;
    }
    journal = std::move(*parsed);
    return true;
  }

  bool isFile(int folder, const QByteArray& name, struct stat& info) {
    return ops_.statAt(folder, name.constData(), info) == 0 && S_ISREG(info.st_mode);
  }

  void moveBack(int batch, const JournalEntry& entry) {
    struct stat info {};
    if (isFile(batch, entry.name, info) && identityOf(info).sameFile(entry.identity) &&
        ops_.renameAt(batch, entry.name.constData(), watched_, entry.name.constData()) == 0) {
      ++report_.returned;
    }
  }

  void putCopyRight(int batch, const JournalEntry& entry) {
    struct stat info {};
    if (isFile(batch, entry.temporary, info)) {
      ops_.unlinkAt(batch, entry.temporary.constData());
    }
    const bool claimed =
        isFile(watched_, entry.claim, info) && identityOf(info).sameFile(entry.identity);
    const QByteArray& original = claimed ? entry.claim : entry.name;
    const bool originalIntact =
        isFile(watched_, original, info) && identityOf(info) == entry.identity;
    if (isFile(batch, entry.name, info) && !identityOf(info).sameFile(entry.identity)) {
      if (originalIntact && sameFiles(batch, entry.name, original)) {
        ops_.unlinkAt(batch, entry.name.constData());
        ++report_.removedCopies;
      } else {
        ++report_.keptCopies;
      }
    }
    if (claimed && !restoreClaimed(ops_, watched_, entry.claim, entry.name).isEmpty()) {
      ++report_.returned;
    }
  }

  bool sameFiles(int batch, const QByteArray& copyName, const QByteArray& originalName) {
    const UniqueFd copy(ops_.openAt(batch, copyName.constData(), fileFlags));
    const UniqueFd original(ops_.openAt(watched_, originalName.constData(), fileFlags));
    bool same = false;
    return copy.valid() && original.valid() && sameContent(copy.get(), original.get(), same) == 0 &&
           same;
  }

  FileOps& ops_;
  int watched_;
  struct stat watchedInfo_;
  RecoveryReport& report_;
};

}  // namespace

RecoveryReport recoverInterruptedSaves(const QString& saveFolder, const QString& watchedFolder,
                                       FileOps& ops) {
  RecoveryReport report;
  const UniqueFd watched(
      open(QFile::encodeName(watchedFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat watchedInfo {};
  if (!watched.valid() || fstat(watched.get(), &watchedInfo) != 0) {
    return report;
  }
  Recovery recovery(ops, watched.get(), watchedInfo, report);
  recovery.scan(watched.get(), watchedFolder);
  const UniqueFd save(
      open(QFile::encodeName(saveFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat saveInfo {};
  if (save.valid() && fstat(save.get(), &saveInfo) == 0 &&
      (saveInfo.st_dev != watchedInfo.st_dev || saveInfo.st_ino != watchedInfo.st_ino)) {
    recovery.scan(save.get(), saveFolder);
  }
  return report;
}
