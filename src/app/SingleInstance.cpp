// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// A running copy's kernel queue accepts at once, however busy the copy is; these only bound a
// start that something else holds up, which then runs alone rather than hang.
constexpr int connectTimeoutMs = 1000;
constexpr int lockTimeoutMs = 3000;

}  // namespace

SingleInstance::SingleInstance(const QString& settingsFile, QObject* parent)
    : QObject(parent), name_(serverName(settingsFile)) {
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

QString SingleInstance::serverName(const QString& settingsFile) {
  const QFileInfo info(settingsFile);
  const QString canonical = info.canonicalFilePath();
  const QByteArray key =
      QFile::encodeName(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
  const QString hash = QString::fromLatin1(
      QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (!runtime.isEmpty()) {
    return runtime + QStringLiteral("/varndel-") + hash;
  }
  // The shared temporary folder: the user's id keeps users apart.
  return QDir::tempPath() + QStringLiteral("/varndel-%1-").arg(::getuid()) + hash;
}

bool SingleInstance::handOver() {
  // Two starts at the same moment take turns, so neither removes the socket the other just made.
  QLockFile turn(name_ + QStringLiteral(".lock"));
  turn.tryLock(lockTimeoutMs);
  if (askRunningCopy()) {
    return true;
  }
  // Nobody answers: what is there was left by a copy that crashed.
  QLocalServer::removeServer(name_);
  if (server_.listen(name_)) {
    return false;
  }
  // Without the turn, another start may have won the race to listen.
  return askRunningCopy();
}

bool SingleInstance::askRunningCopy() const {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(connectTimeoutMs)) {
    return false;
  }
  socket.disconnectFromServer();
  return true;
}

// A connection is the whole request.
void SingleInstance::answer() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    socket->deleteLater();
    emit activationRequested();
  }
}
