// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BatchRecovery.h"

#include "fs/Claim.h"
#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "fs/UniqueFd.h"
#include "fs/WorkFolder.h"
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
        refused_(refused) {
    for (WorkFolder& folder : WorkFolder::existing(watched, workFolderName())) {
      auto entries = entriesOf(folder.fd());
      works_.push_back({std::move(folder), std::move(entries)});
    }
  }

  void scan(int parent, const QString& parentPath) {
    const auto entries = entriesOf(parent);
    if (parent == watched_) {
      watchedEntries_ = entries.size();
      for (const Work& work : works_) {
        watchedEntries_ += work.entries.size();
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
    for (const Work& work : works_) {
      for (const auto& [name, type] : work.entries) {
        if (name == indexName(tagOf(name)) && (type == DT_REG || type == DT_UNKNOWN)) {
          recoverIndexed(work.folder.fd(), name);
        }
      }
    }
  }

  // Only names in the program's own work folders: what carries the program's mark elsewhere in
  // the watched folder is someone else's. An index names its move's hidden files truly; what
  // nothing names gets a plain visible name in the watched folder. A move still running keeps
  // its index locked, and its hidden files are its own. Names put right since the listing are
  // passed by.
  void sweep() {
    for (const Work& work : works_) {
      std::map<QByteArray, std::vector<QByteArray>> hidden;
      std::vector<QByteArray> indexes;
      for (const auto& [name, type] : work.entries) {
        const QByteArray tag = tagOf(name);
        if (tag.isEmpty() || (type != DT_REG && type != DT_UNKNOWN)) {
          continue;
        }
        if (name == indexName(tag) || name == indexDraftName(tag)) {
          indexes.push_back(name);
        } else {
          hidden[tag].push_back(name);
        }
      }
      const std::vector<UniqueFd> locks = returnIndexed(work.folder.fd(), indexes, hidden);
      for (const auto& [tag, names] : hidden) {
        for (const QByteArray& name : names) {
          nameUnnamed(work.folder.fd(), name);
        }
      }
      ops_.flush(work.folder.fd());
    }
    ops_.flush(watched_);
  }

private:
  struct Work {
    WorkFolder folder;  // held until the recovery ends, then removed when it is empty
    std::vector<std::pair<QByteArray, unsigned char>> entries;  // as first listed
  };

  // Where a copy's files lie: the original under its name, its claim, the copy until it is
  // whole, the copy under its name.
  struct CopySides {
    int originals;
    int claims;
    int temporaries;
    int copies;
  };

  void recoverIndexed(int work, const QByteArray& name) {
    std::optional<BatchJournal> journal;
    {
      UniqueFd index;
      struct stat info {};
      if (ops_.openAt(work, name.constData(), openflags::untrusted, index) != 0 ||
          fstat(index.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
          lockWithoutWaiting(index.get()) != 0) {
        return;
      }
      journal = readIndex(index.get(), info);
    }
    if (journal && !journal->batch.path.isEmpty()) {
      recoverNamed(*journal);
    }
  }

  // The claims that the indexes of moves no longer running name go back to their names, and
  // the indexes go; their locks are held until the sweep ends. The hidden names of a move still
  // running are passed over.
  std::vector<UniqueFd> returnIndexed(int work, const std::vector<QByteArray>& indexes,
                                      std::map<QByteArray, std::vector<QByteArray>>& hidden) {
    std::vector<UniqueFd> locks;
    for (const QByteArray& name : indexes) {
      const QByteArray tag = tagOf(name);
      UniqueFd index;
      if (ops_.openAt(work, name.constData(), openflags::untrusted, index) != 0) {
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
          returnClaimed(work, watched_, entry);
        }
      }
      ops_.unlinkAt(work, name.constData());
      locks.push_back(std::move(index));
    }
    return locks;
  }

  // A hidden file of ours that nothing names comes back to the watched folder under a plain
  // visible name.
  void nameUnnamed(int work, const QByteArray& name) {
    struct stat info {};
    int error = 0;
    const QByteArray visible = unnamedName + ' ' + QByteArray::number(report_.unnamed + 1);
    if (isFile(work, name, info) && info.st_uid == geteuid() &&
        !moveUnderFreeName(ops_, work, name, watched_, visible, error).isEmpty()) {
      ++report_.unnamed;
    }
  }

  // The folder that holds the watched folder's working files for a journal: a work folder of
  // ours found at the start, the watched folder itself for a journal written before there was
  // one, or none (-1) when the work folder it names is not there.
  int workFor(const BatchJournal& journal) const {
    if (journal.work.isEmpty()) {
      return watched_;
    }
    for (const Work& work : works_) {
      if (work.folder.name() == journal.work) {
        return work.folder.fd();
      }
    }
    return -1;
  }

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
    const int work = workFor(journal);
    for (const JournalEntry& entry : journal.entries) {
      if (journal.mode == BatchJournal::Mode::Move ||
          journal.mode == BatchJournal::Mode::ReturnMove) {
        moveBack(batch.get(), entry, returning);
      } else if (returning) {
        putCopyRight({batch.get(), batch.get(), work, watched_}, entry.target, entry);
      } else {
        putCopyRight({watched_, work, batch.get(), batch.get()}, entry.name, entry);
      }
    }
    if (work >= 0 && !journal.entries.empty() && !journal.entries.front().claim.isEmpty()) {
      const QByteArray tag = tagOf(journal.entries.front().claim);
      ops_.unlinkAt(work, indexName(tag).constData());
      ops_.unlinkAt(work, indexDraftName(tag).constData());
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
  void returnClaimed(int claims, int originals, const JournalEntry& entry) {
    struct stat info {};
    int error = 0;
    if (isFile(claims, entry.claim, info) && identityOf(info).sameFile(entry.identity) &&
        !moveUnderFreeName(ops_, claims, entry.claim, originals, entry.name, error).isEmpty()) {
      ++report_.returned;
    }
  }

  // Copies cut short are rolled back: a save's in the batch, whose originals are claimed in the
  // watched folder's work folder; a return's the other way round, under the name it chose.
  void putCopyRight(const CopySides& at, const QByteArray& copyName, const JournalEntry& entry) {
    struct stat info {};
    if (isFile(at.temporaries, entry.temporary, info)) {
      ops_.unlinkAt(at.temporaries, entry.temporary.constData());
    }
    const bool claimed =
        isFile(at.claims, entry.claim, info) && identityOf(info).sameFile(entry.identity);
    const int originalFolder = claimed ? at.claims : at.originals;
    const QByteArray& original = claimed ? entry.claim : entry.name;
    const bool originalIntact =
        isFile(originalFolder, original, info) && identityOf(info) == entry.identity;
    if (isFile(at.copies, copyName, info) && !identityOf(info).sameFile(entry.identity)) {
      if (originalIntact && sameFiles(at.copies, copyName, originalFolder, original)) {
        ops_.unlinkAt(at.copies, copyName.constData());
        ++report_.removedCopies;
      } else {
        ++report_.keptCopies;
      }
    }
    if (claimed) {
      returnClaimed(at.claims, at.originals, entry);
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
  std::size_t watchedEntries_ = 0;  // the work folders' entries counted in
  std::vector<Work> works_;
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
