#include "monitor/BatchSave.h"

#include "monitor/BatchStamp.h"
#include "monitor/ErrnoText.h"
#include "monitor/FileCopy.h"
#include "monitor/InUse.h"
#include "monitor/UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {

// What tells that a file is still the one that was copied.
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
};

Identity identityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

bool operator==(const Identity& a, const Identity& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

struct Copy {
  QString source;
  QByteArray sourcePath;
  QByteArray destinationPath;
  Identity identity;
};

timespec realClock() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

int fsyncPath(const QByteArray& path, int flags) {
  const UniqueFd fd(open(path.constData(), flags | O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    return errno;
  }
  return fsync(fd.get()) == 0 ? 0 : errno;
}

// Non-blocking, so that a pipe slipped into the list cannot hang the save.
constexpr int openSource = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

const QString inUseReason = QStringLiteral("el archivo está siendo usado por otro programa");

class BatchSaver {
public:
  BatchSaver(const SaveRequest& request, const InUseCheck& check)
      : request_(request), check_(check) {
    if (!check_.fileClock) {
      check_.fileClock = realClock;
    }
  }

  SaveResult run() {
    if (!checkTarget() || !probeSources() || !createFolder()) {
      return result_;
    }
    for (const QString& name : request_.names) {
      if (!copyOne(name)) {
        rollBack();
        return result_;
      }
    }
    if (!flushCopies()) {
      rollBack();
      return result_;
    }
    deleteSources();
    return result_;
  }

private:
  bool fail(SaveFailure failure, const QString& concerned, const QString& reason) {
    result_.failure = failure;
    result_.concerned = concerned;
    result_.reason = reason;
    return false;
  }

  QString sourcePath(const QString& name) const {
    return request_.watchedFolder + QLatin1Char('/') + name;
  }

  bool checkTarget() {
    const QString& prefix = request_.prefix;
    if (prefix.contains(QLatin1Char('/')) || prefix == QLatin1String(".") ||
        prefix == QLatin1String("..")) {
      return fail(SaveFailure::Other, prefix,
                  QStringLiteral("el prefijo no puede contener \"/\" ni ser \".\" o \"..\", "
                                 "porque el lote quedaría fuera del directorio de destino"));
    }
    if (request_.base.isEmpty()) {
      return fail(SaveFailure::Other, QStringLiteral("Directorio de destino"),
                  QStringLiteral("no está configurado"));
    }
    result_.batchFolder = batchFolderPath(request_.base, prefix, request_.moment);
    batchPath_ = QFile::encodeName(result_.batchFolder);
    return true;
  }

  // A file being written fails the save before anything is created or copied.
  bool probeSources() {
    for (const QString& name : request_.names) {
      const UniqueFd fd(open(QFile::encodeName(sourcePath(name)).constData(), openSource));
      struct stat info {};
      if (fd.valid() && fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) &&
          isInUse(fd.get(), info)) {
        return fail(SaveFailure::InUse, sourcePath(name), inUseReason);
      }
    }
    return true;
  }

  bool isInUse(int fd, const struct stat& info) const {
    if (check_.tryLeases) {
      const LeaseAnswer answer = probeWriteLease(fd);
      if (answer != LeaseAnswer::Refused) {
        return answer == LeaseAnswer::Held;
      }
    }
    return modifiedRecently(info.st_mtim, check_.fileClock());
  }

  bool createFolder() {
    if (mkdir(batchPath_.constData(), 0777) == 0) {
      return true;
    }
    const int error = errno;
    if (error == EEXIST) {
      return fail(SaveFailure::FolderExists, result_.batchFolder,
                  QStringLiteral("ya existe un directorio con ese nombre"));
    }
    if (error == ENOENT || error == ENOTDIR) {
      return fail(SaveFailure::Other, request_.base,
                  QStringLiteral("el directorio de destino no existe"));
    }
    return fail(SaveFailure::Other, result_.batchFolder,
                QStringLiteral("no se pudo crear el directorio: ") + errnoText(error));
  }

  bool copyOne(const QString& name) {
    Copy copy{sourcePath(name), {}, {}, {}};
    copy.sourcePath = QFile::encodeName(copy.source);
    copy.destinationPath = batchPath_ + '/' + QFile::encodeName(name);

    const UniqueFd source(open(copy.sourcePath.constData(), openSource));
    struct stat before {};
    if (!source.valid() || fstat(source.get(), &before) != 0) {
      return fail(SaveFailure::Other, copy.source, errnoText(errno));
    }
    if (!S_ISREG(before.st_mode)) {
      return fail(SaveFailure::Other, copy.source, QStringLiteral("no es un archivo normal"));
    }
    if (isInUse(source.get(), before)) {
      return fail(SaveFailure::InUse, copy.source, inUseReason);
    }
    UniqueFd destination(open(copy.destinationPath.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, before.st_mode & 0777));
    if (!destination.valid()) {
      return fail(SaveFailure::Other, QFile::decodeName(copy.destinationPath), errnoText(errno));
    }
    copies_.push_back(copy);

    off_t copied = 0;
    if (const int error = copyContents(source.get(), destination.get(), copied); error != 0) {
      return fail(SaveFailure::Other, copy.source, errnoText(error));
    }
    struct stat after {};
    if (fstat(source.get(), &after) != 0) {
      return fail(SaveFailure::Other, copy.source, errnoText(errno));
    }
    copies_.back().identity = identityOf(before);
    if (!(identityOf(after) == identityOf(before))) {
      return fail(SaveFailure::InUse, copy.source,
                  QStringLiteral("el archivo cambió mientras se copiaba"));
    }
    if (copied != before.st_size) {
      return fail(SaveFailure::Other, copy.source,
                  QStringLiteral("la copia no tiene el tamaño del original"));
    }
    // Keep the picture's own date, as a copy on the original system does.
    const timespec times[2] = {before.st_atim, before.st_mtim};
    futimens(destination.get(), times);
    // Start writing back now, so the flush before the deletions finds little left to do.
    sync_file_range(destination.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    if (const int error = destination.reset(); error != 0) {
      return fail(SaveFailure::Other, QFile::decodeName(copy.destinationPath), errnoText(error));
    }
    return true;
  }

  // Nothing is deleted until every copy and the folder holding them are on the disk.
  bool flushCopies() {
    for (const Copy& copy : copies_) {
      if (const int error = fsyncPath(copy.destinationPath, 0); error != 0) {
        return fail(SaveFailure::Other, QFile::decodeName(copy.destinationPath),
                    QStringLiteral("no se pudo escribir en el disco: ") + errnoText(error));
      }
    }
    if (const int error = fsyncPath(batchPath_, O_DIRECTORY); error != 0) {
      return fail(SaveFailure::Other, result_.batchFolder,
                  QStringLiteral("no se pudo escribir en el disco: ") + errnoText(error));
    }
    fsyncPath(QFile::encodeName(request_.base), O_DIRECTORY);
    return true;
  }

  void deleteSources() {
    for (const Copy& copy : copies_) {
      struct stat now {};
      if (stat(copy.sourcePath.constData(), &now) != 0) {
        result_.kept.push_back(
            {copy.source, QStringLiteral("ya no estaba en su sitio al borrarlo")});
      } else if (!(identityOf(now) == copy.identity)) {
        result_.kept.push_back({copy.source, QStringLiteral("cambió después de copiarse")});
      } else if (unlink(copy.sourcePath.constData()) != 0) {
        result_.kept.push_back(
            {copy.source, QStringLiteral("no se pudo borrar: ") + errnoText(errno)});
      } else {
        ++result_.moved;
      }
    }
  }

  void rollBack() {
    for (const Copy& copy : copies_) {
      unlink(copy.destinationPath.constData());
    }
    rmdir(batchPath_.constData());
    copies_.clear();
    result_.batchFolder.clear();
  }

  const SaveRequest& request_;
  InUseCheck check_;
  SaveResult result_;
  QByteArray batchPath_;
  std::vector<Copy> copies_;
};

}  // namespace

QString batchFolderPath(const QString& base, const QString& prefix, const QDateTime& moment) {
  return base + QLatin1Char('/') + prefix + marcaLote(moment);
}

SaveResult saveBatch(const SaveRequest& request, const InUseCheck& check) {
  return BatchSaver(request, check).run();
}
