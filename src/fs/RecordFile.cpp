// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/RecordFile.h"

#include "fs/ErrnoText.h"
#include "fs/FilePrimitives.h"
#include "fs/PrivateFolder.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr int untrusted = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

int checkOwnPlainFile(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    return errno;
  }
  if (!S_ISREG(info.st_mode)) {
    return EINVAL;
  }
  return info.st_uid == ::geteuid() ? 0 : EPERM;
}

int readAt(int fd, char* data, std::size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, data, size, offset);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return n == 0 ? EIO : errno;  // cut short under the reader
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return 0;
}

// The line being read across reads: its later parts, the last first. A line found too long
// keeps only its size.
class CarriedLine {
public:
  CarriedLine(std::size_t longest, bool cutShort) : longest_(longest), cutShort_(cutShort) {}

  void carry(const char* begin, const char* end) {
    size_ += static_cast<std::size_t>(end - begin);
    if (size_ > longest_) {
      parts_.clear();
    } else if (begin != end) {
      parts_.emplace_back(begin, end - begin);
    }
  }

  // The line whose start is head: handed to take unless it is too long or was cut short.
  bool finish(QByteArrayView head, bool first, const TakeLine& take, LinesFromEnd& met) {
    const std::size_t size = size_ + static_cast<std::size_t>(head.size());
    const bool passed = cutShort_ || size > longest_;
    QByteArray whole;
    if (!passed && !parts_.empty()) {
      whole.reserve(static_cast<qsizetype>(size));
      whole.append(head);
      std::for_each(parts_.rbegin(), parts_.rend(), [&](const QByteArray& p) { whole += p; });
      head = whole;
    }
    parts_.clear();
    size_ = 0;
    cutShort_ = false;
    if (passed) {
      met.passedOver += static_cast<qint64>(size);
      return true;
    }
    return take(head, first);
  }

private:
  std::vector<QByteArray> parts_;
  std::size_t size_ = 0;
  std::size_t longest_;
  bool cutShort_;
};

}  // namespace

int openRecordFile(const QString& path, int flags, UniqueFd& fd) {
  fd = UniqueFd(::open(QFile::encodeName(path).constData(), flags | untrusted));
  if (!fd.valid()) {
    return errno == ENXIO ? EINVAL : errno;  // ENXIO: a FIFO or a socket
  }
  const int error = checkOwnPlainFile(fd.get());
  if (error != 0) {
    fd.reset();
  }
  return error;
}

int readLinesFromEnd(int fd, std::size_t chunk, std::size_t longest, const TakeLine& take,
                     LinesFromEnd& met) {
  met = {};
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    return errno;
  }
  off_t position = info.st_size;
  QByteArray buffer;
  bool last = true;
  CarriedLine line(longest, false);
  while (position > 0) {
    const auto size = static_cast<std::size_t>(std::min<off_t>(position, off_t(chunk)));
    position -= static_cast<off_t>(size);
    buffer.resize(static_cast<qsizetype>(size));
    if (const int error = readAt(fd, buffer.data(), size, position); error != 0) {
      return error;
    }
    const char* const begin = buffer.constData();
    const char* end = begin + size;
    if (last) {
      last = false;
      met.endsWithBreak = end[-1] == '\n';
      end -= met.endsWithBreak ? 1 : 0;
      line = CarriedLine(longest, !met.endsWithBreak);
    }
    for (const char* brk; (brk = static_cast<const char*>(memrchr(begin, '\n', end - begin)));
         end = brk) {
      if (!line.finish(QByteArrayView(brk + 1, end), false, take, met)) {
        return 0;
      }
    }
    line.carry(begin, end);
  }
  if (info.st_size > 0) {
    line.finish({}, true, take, met);
  }
  return 0;
}

int appendRecordLine(int fd, QByteArrayView line) {
  const int error = writeAll(fd, line.data(), static_cast<std::size_t>(line.size()));
  return error != 0 ? error : (::fsync(fd) == 0 ? 0 : errno);
}

int lockRecordFile(const QString& lockFolder, const char* name, UniqueFd& lock) {
  lock.reset();
  UniqueFd folder;
  if (const int error = openPrivateFolder(QFile::encodeName(lockFolder).constData(), folder)) {
    return error;
  }
  UniqueFd fd(::openat(folder.get(), name, O_RDWR | O_CREAT | untrusted, 0600));
  if (!fd.valid()) {
    return errno == ENXIO ? EINVAL : errno;
  }
  int error = checkOwnPlainFile(fd.get());
  if (error == 0) {
    error = lockWithoutWaiting(fd.get());
  }
  if (error == 0) {
    lock = std::move(fd);
  }
  return error;
}

QString recordFileProblem(int error) {
  switch (error) {
    case ELOOP:
      return QStringLiteral("es un enlace simbólico");
    case EINVAL:
      return QStringLiteral("no es un archivo normal");
    case EPERM:
      return QStringLiteral("pertenece a otro usuario");
    default:
      return errnoText(error);
  }
}
