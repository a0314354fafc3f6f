// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

class QLocalSocket;

// Where starts of one user meet: the session's runtime folder ($XDG_RUNTIME_DIR, empty when
// unset) and the shared temporary folder, used when the runtime folder is missing or not private.
struct InstancePlaces {
  QString runtime;
  QString temp;

  static InstancePlaces system();
};

// One running copy of the program per user and settings file: a later start on the same file
// asks the running copy to come forward and ends; copies on other settings files run side by side.
// The socket and its lock live in a folder only this user can enter, and only a copy of this user
// is asked.
class SingleInstance : public QObject {
  Q_OBJECT
public:
  enum class Verdict {
    Run,          // no copy runs here: this one answers later starts from now on, or runs alone
    HandedOver,   // a running copy came forward
    NotAnswering  // a copy runs on the same file but did not come forward in time
  };

  explicit SingleInstance(const QString& settingsFile,
                          const InstancePlaces& places = InstancePlaces::system(),
                          std::chrono::milliseconds answerWithin = std::chrono::seconds(2),
                          QObject* parent = nullptr);

  Verdict handOver();

  // Where the socket is, once handOver has chosen the folder (empty when none was private).
  const QString& socketPath() const { return path_; }

  // The socket's file name: a hash of the settings file's canonical path.
  static QString socketName(const QString& settingsFile);

  // What a start that ends because of a copy that does not answer tells the user.
  static QString notAnsweringText();

signals:
  void activationRequested();

private:
  Verdict askRunningCopy() const;
  void answer();
  void comeForward(QLocalSocket& socket);

  QString name_;
  InstancePlaces places_;
  std::chrono::milliseconds answerWithin_;
  QString path_;
  QLocalServer server_;
};
