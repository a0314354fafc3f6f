// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "fs/FilePrimitives.h"
#include "fs/OpenFlags.h"
#include "fs/PrivateFolder.h"
#include "fs/UniqueFd.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace {

constexpr char request = 'F';  // come forward
constexpr char cameForward = 'K';

struct Folder {
  QString path;
  UniqueFd fd{-1};
};

// The session's runtime folder, when it is a real folder of this user that nobody else may enter.
Folder privateRuntime(const QString& runtime) {
  const QString path = QDir::cleanPath(runtime);
  if (!path.startsWith(QLatin1Char('/'))) {
    return {};
  }
  UniqueFd fd(open(QFile::encodeName(path).constData(), openflags::untrustedFolder | O_CLOEXEC));
  struct stat info {};
  if (!fd.valid() || fstat(fd.get(), &info) != 0 || info.st_uid != geteuid() ||
      (info.st_mode & 077) != 0) {
    return {};
  }
  return {path, std::move(fd)};
}

// The first folder of ours named prefix plus anything.
Folder firstSpare(int parent, const QString& temp, const QByteArray& prefix) {
  auto entries = entriesOf(parent);
  std::sort(entries.begin(), entries.end());
  Folder folder;
  for (const auto& [name, kind] : entries) {
    if (name.startsWith(prefix) && (kind == DT_DIR || kind == DT_UNKNOWN) &&
        openPrivateFolder(parent, name.constData(), folder.fd) == 0) {
      folder.path = temp + QLatin1Char('/') + QFile::decodeName(name);
      return folder;
    }
  }
  return folder;
}

// A folder of ours in the shared temporary folder, under the user's own name; when another user
// took that name, a spare under an unpredictable one, which later starts find again.
Folder privateTemp(const QString& tempFolder) {
  const QString temp = QDir::cleanPath(tempFolder);
  const UniqueFd parent(open(QFile::encodeName(temp).constData(), openflags::folder));
  if (!parent.valid()) {
    return {};
  }
  const QByteArray own = "varndel-" + QByteArray::number(geteuid());
  Folder folder;
  if (openPrivateFolder(parent.get(), own.constData(), folder.fd) == 0) {
    folder.path = temp + QLatin1Char('/') + QFile::decodeName(own);
    return folder;
  }
  const QByteArray prefix = own + '-';
  folder = firstSpare(parent.get(), temp, prefix);
  if (folder.fd.valid()) {
    return folder;
  }
  QByteArray made = QFile::encodeName(temp) + '/' + prefix + "XXXXXX";
  if (mkdtemp(made.data()) == nullptr) {
    return {};
  }
  // Looked for again, so that two starts making spares at once mostly settle on one.
  return firstSpare(parent.get(), temp, prefix);
}

// The lock file: a regular file of ours. Whatever else holds its name, in a folder only this
// user can enter, was left there and is in the way.
UniqueFd openLock(int folder, const QByteArray& name) {
  constexpr int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  for (int attempt = 0; attempt < 2; ++attempt) {
    UniqueFd lock(openat(folder, name.constData(), flags, 0600));
    struct stat info {};
    if (lock.valid() && fstat(lock.get(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_uid == geteuid()) {
      return lock;
    }
    unlinkat(folder, name.constData(), 0);
  }
  return UniqueFd();
}

// Two starts at the same moment take turns, so that neither removes the socket the other just
// made. The wait is bounded: a start that something holds up does not hold up the next one.
UniqueFd takeTurn(int folder, const QByteArray& name, QDeadlineTimer deadline) {
  UniqueFd lock = openLock(folder, name);
  const timespec pause{0, 10'000'000};
  while (lock.valid() && lockWithoutWaiting(lock.get()) == EWOULDBLOCK && !deadline.hasExpired()) {
    nanosleep(&pause, nullptr);
  }
  return lock;
}

// Whether the other end of a local socket runs as this user, as the kernel recorded it.
bool isOurs(qintptr socket) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == geteuid();
}

int msLeft(const QDeadlineTimer& deadline) {
  return static_cast<int>(deadline.remainingTime());
}

}  // namespace

InstancePlaces InstancePlaces::system() {
  return {qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath()};
}

SingleInstance::SingleInstance(const QString& settingsFile, const InstancePlaces& places,
                               std::chrono::milliseconds answerWithin, QObject* parent)
    : QObject(parent),
      name_(socketName(settingsFile)),
      places_(places),
      answerWithin_(answerWithin) {
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

QString SingleInstance::socketName(const QString& settingsFile) {
  const QFileInfo info(settingsFile);
  const QString canonical = info.canonicalFilePath();
  const QByteArray key =
      QFile::encodeName(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
  return QStringLiteral("varndel-") +
         QString::fromLatin1(
             QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
}

QString SingleInstance::notAnsweringText() {
  return QStringLiteral(
      "Varndel ya se está ejecutando con este archivo de configuración, pero no responde.");
}

SingleInstance::Verdict SingleInstance::handOver() {
  Folder folder = privateRuntime(places_.runtime);
  if (!folder.fd.valid()) {
    folder = privateTemp(places_.temp);
  }
  if (!folder.fd.valid()) {
    return Verdict::Run;  // nowhere to meet later starts: this copy runs alone
  }
  path_ = folder.path + QLatin1Char('/') + name_;
  const UniqueFd turn =
      takeTurn(folder.fd.get(), QFile::encodeName(name_ + QStringLiteral(".lock")),
               QDeadlineTimer(2 * answerWithin_));
  const Verdict found = askRunningCopy();
  if (found != Verdict::Run) {
    return found;
  }
  // Nobody of ours answers: what has the name was left by a copy that crashed.
  unlinkat(folder.fd.get(), QFile::encodeName(name_).constData(), 0);
  if (server_.listen(path_)) {
    return Verdict::Run;
  }
  // Without the turn, another start may have won the race to listen.
  return askRunningCopy();
}

// A copy answers by coming forward and saying so, within the bound; the kernel takes the call
// even for a copy that is stopped, so only the reply shows that it runs.
SingleInstance::Verdict SingleInstance::askRunningCopy() const {
  const QDeadlineTimer deadline(answerWithin_);
  QLocalSocket socket;
  socket.connectToServer(path_);
  if (!socket.waitForConnected(msLeft(deadline))) {
    // Refused or missing: nobody listens. Still connecting: a copy too stuck to take the call.
    return socket.state() == QLocalSocket::ConnectingState ? Verdict::NotAnswering : Verdict::Run;
  }
  // Another user's listener is no copy of ours, and is told nothing.
  if (!isOurs(socket.socketDescriptor())) {
    return Verdict::Run;
  }
  char reply = 0;
  const bool answered = socket.putChar(request) && socket.flush() &&
                        socket.waitForReadyRead(msLeft(deadline)) && socket.getChar(&reply) &&
                        reply == cameForward;
  return answered ? Verdict::HandedOver : Verdict::NotAnswering;
}

void SingleInstance::answer() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!isOurs(socket->socketDescriptor())) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { comeForward(*socket); });
  }
}

// The reply comes once the windows came forward.
void SingleInstance::comeForward(QLocalSocket& socket) {
  char asked = 0;
  if (!socket.getChar(&asked) || asked != request) {
    socket.abort();
    return;
  }
  emit activationRequested();
  socket.putChar(cameForward);
  socket.disconnectFromServer();
}
