// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchRecovery.h"

#include "fs/Claim.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "fs/UniqueFd.h"
#include "monitor/BatchJournal.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <vector>

namespace {

// One journal line names one file with four names of at most 255 bytes in hexadecimal and
// five numbers; a journal has at most one line for each file of its two folders.
constexpr std::size_t journalLineAtMost = 2300;
constexpr std::size_t journalHeadAtMost = 128;
constexpr std::size_t indexAtMost = std::size_t{64} << 20;
const QByteArray unnamedName = "recuperado";

bool ownedByUs(const struct stat& info) {
  return info.st_uid == geteuid() && (info.st_mode & S_IWOTH) == 0;
}

class Recovery {
public:
  Recovery(FileOps& ops, int watched, const struct stat& watchedInfo, RecoveryReport& report,
           RefusedJournals* refused)
      : ops_(ops),
        watched_(watched),
        watchedInfo_(watchedInfo),
        report_(report),
        refused_(refused) {}

  void scan(int parent, const QString& parentPath) {
    const auto entries = entriesOf(parent);
    if (parent == watched_) {
      watchedEntries_ = entries.size();
      for (const auto& entry : entries) {
        if (!tagOf(entry.first).isEmpty()) {
          watchedHidden_.push_back(entry);
        }
      }
    }
    std::vector<QByteArray> candidates;
    for (const auto& [name, type] : entries) {
      struct stat info {};
      if ((type == DT_DIR || type == DT_UNKNOWN) &&
          (fstatat(parent, (name + '/' + journalName).constData(), &info, AT_SYMLINK_NOFOLLOW) ==
               0 ||
           fstatat(parent, (name + '/' + journalDraftName).constData(), &info,
                   AT_SYMLINK_NOFOLLOW) == 0)) {
        candidates.push_back(name);
      }
    }
    for (const QByteArray& name : candidates) {
      recoverOne(parent, name, parentPath + QLatin1Char('/') + QFile::decodeName(name));
    }
  }

  // An index whose save or undo has ended without removing it names its batch: that batch is
  // put right first, wherever it lies (a save folder changed since, a batch being undone), so
  // that its hidden files are never taken for files that nothing names.
  void recoverIndexed() {
    for (const auto& [name, type] : watchedHidden_) {
      if (name != indexName(tagOf(name)) || (type != DT_REG && type != DT_UNKNOWN)) {
        continue;
      }
      std::optional<BatchJournal> journal;
      {
        UniqueFd index;
        struct stat info {};
        if (ops_.openAt(watched_, name.constData(), openflags::untrusted, index) != 0 ||
            fstat(index.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
            lockWithoutWaiting(index.get()) != 0) {
          continue;
        }
        journal = readIndex(index.get(), info);
      }
      if (journal && !journal->batch.path.isEmpty()) {
        recoverNamed(*journal);
      }
    }
  }

  // Hidden names in the watched folder that no journal put right: a save's index names them
  // truly; what nothing names gets a plain visible name. A save still running keeps its index
  // locked, and its hidden files are its own. Names put right since the listing are passed by.
  void sweep() {
    std::map<QByteArray, std::vector<QByteArray>> hidden;
    std::vector<QByteArray> indexes;
    for (const auto& [name, type] : watchedHidden_) {
      const QByteArray tag = tagOf(name);
      if (type != DT_REG && type != DT_UNKNOWN) {
        continue;
      }
      if (name == indexName(tag) || name == indexDraftName(tag)) {
        indexes.push_back(name);
      } else {
        hidden[tag].push_back(name);
      }
    }
    std::vector<UniqueFd> locks;
    for (const QByteArray& name : indexes) {
      const QByteArray tag = tagOf(name);
      UniqueFd index;
      if (ops_.openAt(watched_, name.constData(), openflags::untrusted, index) != 0) {
        continue;  // put right with its batch since the folder was listed
      }
      struct stat info {};
      if (fstat(index.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
          lockWithoutWaiting(index.get()) != 0) {
        hidden.erase(tag);
        continue;
      }
      std::optional<BatchJournal> journal;
      if (name == indexName(tag)) {
        journal = readIndex(index.get(), info);
      }
      if (journal) {
        for (const JournalEntry& entry : journal->entries) {
          returnClaimed(watched_, entry);
        }
      }
      ops_.unlinkAt(watched_, name.constData());
      locks.push_back(std::move(index));
    }
    for (const auto& [tag, names] : hidden) {
      for (const QByteArray& name : names) {
        struct stat info {};
        const QByteArray visible = unnamedName + ' ' + QByteArray::number(report_.unnamed + 1);
        if (isFile(watched_, name, info) &&
            !restoreClaimed(ops_, watched_, name, visible).isEmpty()) {
          ++report_.unnamed;
        }
      }
    }
    ops_.flush(watched_);
  }

private:
  void distrust(const QString& path, const QString& why) {
    report_.untrusted << path + QStringLiteral(": ") + why;
  }

  void recoverNamed(const BatchJournal& journal) {
    const QByteArray& path = journal.batch.path;
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray name = path.mid(slash + 1);
    const UniqueFd parent(open(slash <= 0 ? "/" : path.left(slash).constData(), openflags::folder));
    struct stat info {};
    if (!parent.valid() || !isSingleComponent(name) ||
        fstatat(parent.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        info.st_dev != journal.batch.device || info.st_ino != journal.batch.inode) {
      return;
    }
    recoverOne(parent.get(), name, QFile::decodeName(path));
    // Cut short before its journal was written: an empty folder that nothing else names.
    ops_.removeFolder(parent.get(), name.constData());
  }

  void recoverOne(int parent, const QByteArray& name, const QString& path) {
    UniqueFd batch;
    struct stat info {};
    if (ops_.openAt(parent, name.constData(), openflags::untrustedFolder, batch) != 0 ||
        fstat(batch.get(), &info) != 0 || !ownedByUs(info)) {
      distrust(path,
               QStringLiteral("el directorio no es del usuario o otros pueden escribir en él"));
      return;
    }
    if (lockWithoutWaiting(batch.get()) != 0) {
      return;  // a save still running
    }
    BatchJournal journal;
    if (!readJournal(batch.get(), path, journal)) {
      return;
    }
    const bool returning = journal.mode == BatchJournal::Mode::ReturnMove ||
                           journal.mode == BatchJournal::Mode::ReturnCopy;
    for (const JournalEntry& entry : journal.entries) {
      if (journal.mode == BatchJournal::Mode::Move ||
          journal.mode == BatchJournal::Mode::ReturnMove) {
        moveBack(batch.get(), entry, returning);
      } else if (returning) {
        putCopyRight(batch.get(), watched_, entry.target, entry);
      } else {
        putCopyRight(watched_, batch.get(), entry.name, entry);
      }
    }
    if (!journal.entries.empty() && !journal.entries.front().claim.isEmpty()) {
      const QByteArray tag = tagOf(journal.entries.front().claim);
      ops_.unlinkAt(watched_, indexName(tag).constData());
      ops_.unlinkAt(watched_, indexDraftName(tag).constData());
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
  // draft was cut short before any file moved: journal is left with nothing to do. Neither:
  // the save ended between the look and the lock.
  bool readJournal(int batch, const QString& path, BatchJournal& journal) {
    UniqueFd fd;
    if (ops_.openAt(batch, journalName, openflags::untrusted, fd) != 0) {
      struct stat draft {};
      return ops_.statAt(batch, journalDraftName, draft) == 0;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
      distrust(path, QStringLiteral("su diario no es un archivo del usuario"));
      return false;
    }
    if (refused_ && refused_->contains(info)) {
      return false;
    }
    std::optional<BatchJournal> parsed = readTrusted(fd.get(), info, entriesOf(batch).size());
    if (!parsed) {
      if (refused_) {
        refused_->add(info);
      }
      distrust(path, why_);
      return false;
    }
    journal = std::move(*parsed);
    return true;
  }

  // A journal or index, read only up to what one could hold, and only for this watched folder.
  std::optional<BatchJournal> readTrusted(int fd, const struct stat& info,
                                          std::size_t batchEntries) {
    const std::size_t limit =
        journalHeadAtMost + (watchedEntries_ + batchEntries + 1) * journalLineAtMost;
    return readBounded(fd, info, limit);
  }

  // An index names every file of its batch, whose folder it does not see: it is read up to a
  // fixed bound that a batch of any size stays under, and only when it is the user's own.
  std::optional<BatchJournal> readIndex(int fd, const struct stat& info) {
    return readTrusted(
        fd, info,
        std::max(indexAtMost, journalHeadAtMost + (watchedEntries_ + 1) * journalLineAtMost));
  }

  std::optional<BatchJournal> readBounded(int fd, const struct stat& info, std::size_t limit) {
    QByteArray text;
    std::optional<BatchJournal> parsed;
    if (static_cast<std::size_t>(info.st_size) <= limit && readAll(fd, limit, text) == 0) {
      parsed = parseJournal(text);
    }
    if (!parsed) {
      why_ = QStringLiteral("su diario está incompleto o dañado");
      return std::nullopt;
    }
    if (parsed->watchedDevice != watchedInfo_.st_dev ||
        parsed->watchedInode != watchedInfo_.st_ino) {
      why_ = QStringLiteral("su diario es de otro directorio de monitorización");
      return std::nullopt;
    }
    return parsed;
  }

  bool isFile(int folder, const QByteArray& name, struct stat& info) {
    return ops_.statAt(folder, name.constData(), info) == 0 && S_ISREG(info.st_mode);
  }

  // A save cut short is rolled back and a return finished by the same rename; only a return
  // takes a kept name when its own is taken, as it would have.
  void moveBack(int batch, const JournalEntry& entry, bool returning) {
    struct stat info {};
    if (!isFile(batch, entry.name, info) || !identityOf(info).sameFile(entry.identity)) {
      return;
    }
    int error = 0;
    if (returning
            ? !moveUnderFreeName(ops_, batch, entry.name, watched_, entry.name, error).isEmpty()
            : ops_.renameAt(batch, entry.name.constData(), watched_, entry.name.constData()) == 0) {
      ++report_.returned;
    }
  }

  // A claimed original goes back under its name, or a kept name when that is taken.
  bool returnClaimed(int folder, const JournalEntry& entry) {
    struct stat info {};
    if (isFile(folder, entry.claim, info) && identityOf(info).sameFile(entry.identity) &&
        !restoreClaimed(ops_, folder, entry.claim, entry.name).isEmpty()) {
      ++report_.returned;
      return true;
    }
    return false;
  }

  // Copies cut short are rolled back: a save's in the batch, whose originals are claimed in the
  // watched folder; a return's the other way round, under the name it chose.
  void putCopyRight(int originals, int copies, const QByteArray& copyName,
                    const JournalEntry& entry) {
    struct stat info {};
    if (isFile(copies, entry.temporary, info)) {
      ops_.unlinkAt(copies, entry.temporary.constData());
    }
    const bool claimed =
        isFile(originals, entry.claim, info) && identityOf(info).sameFile(entry.identity);
    const QByteArray& original = claimed ? entry.claim : entry.name;
    const bool originalIntact =
        isFile(originals, original, info) && identityOf(info) == entry.identity;
    if (isFile(copies, copyName, info) && !identityOf(info).sameFile(entry.identity)) {
      if (originalIntact && sameFiles(copies, copyName, originals, original)) {
        ops_.unlinkAt(copies, copyName.constData());
        ++report_.removedCopies;
      } else {
        ++report_.keptCopies;
      }
    }
    if (claimed) {
      returnClaimed(originals, entry);
    }
  }

  bool sameFiles(int copies, const QByteArray& copyName, int originals,
                 const QByteArray& originalName) {
    UniqueFd copy;
    UniqueFd original;
    const int copyError = ops_.openAt(copies, copyName.constData(), openflags::untrusted, copy);
    const int originalError =
        ops_.openAt(originals, originalName.constData(), openflags::untrusted, original);
    bool same = false;
    return copyError == 0 && originalError == 0 &&
           sameContent(copy.get(), original.get(), same) == 0 && same;
  }

  FileOps& ops_;
  int watched_;
  struct stat watchedInfo_;
  RecoveryReport& report_;
  RefusedJournals* refused_;
  std::size_t watchedEntries_ = 0;
  // The save's hidden names in the watched folder as first listed, for the sweep to look at
  // without listing the folder again.
  std::vector<std::pair<QByteArray, unsigned char>> watchedHidden_;
  QString why_;
};

}  // namespace

RecoveryReport recoverInterruptedSaves(const QString& saveFolder, const QString& watchedFolder,
                                       FileOps& ops, RefusedJournals* refused) {
  RecoveryReport report;
  const UniqueFd watched(open(QFile::encodeName(watchedFolder).constData(), openflags::folder));
  struct stat watchedInfo {};
  if (!watched.valid() || fstat(watched.get(), &watchedInfo) != 0) {
    return report;
  }
  Recovery recovery(ops, watched.get(), watchedInfo, report, refused);
  recovery.scan(watched.get(), watchedFolder);
  const UniqueFd save(open(QFile::encodeName(saveFolder).constData(), openflags::folder));
  struct stat saveInfo {};
  if (save.valid() && fstat(save.get(), &saveInfo) == 0 &&
      (saveInfo.st_dev != watchedInfo.st_dev || saveInfo.st_ino != watchedInfo.st_ino)) {
    recovery.scan(save.get(), saveFolder);
  }
  recovery.recoverIndexed();
  recovery.sweep();
  return report;
}
