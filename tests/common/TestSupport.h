// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/DriveProbe.h"
#include "forms/AppContext.h"
#include "forms/MessagePresenter.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class QWidget;

// A message box that would have been shown.
struct ShownMessage {
  bool critical;
  QString title;  // empty for a plain box or a question
  QString text;
  bool question = false;
  const QWidget* over = nullptr;
  bool overOnScreen = false;  // the window it was over was on screen when it came
};

// Answers every question as told: "No" unless a test says otherwise, so that no test makes a
// folder it did not mean to.
class RecordingPresenter : public MessagePresenter {
public:
  using MessagePresenter::critical;
  using MessagePresenter::plain;
  void critical(const QString& title, const QString& text, QWidget* over) override {
    record({true, title, text}, over);
  }
  void plain(const QString& text, QWidget* over) override { record({false, {}, text}, over); }
  bool ask(const QString& text, QWidget* over) override {
    record({false, {}, text, true}, over);
    return answer;
  }

  std::vector<ShownMessage> shown;
  bool answer = false;

private:
  void record(ShownMessage message, QWidget* over);
};

// A drive probe that refuses the drives a test names.
class FakeDriveProbe : public DriveProbe {
public:
  explicit FakeDriveProbe(QSet<QString> refused) : refused_(std::move(refused)) {}
  void setDrive(const QString& drive) override { drive_ = drive; }
  bool ready() const override { return !refused_.contains(drive_); }

private:
  QSet<QString> refused_;
  QString drive_;
};

// A temporary program folder with its own Config.ini path, a settable clock, a recording
// presenter and a probe that refuses nothing until told.
class TestWorld {
public:
  TestWorld();

  QString path(const QString& relative) const;
  QString makeFolder(const QString& relative) const;
  void writeFile(const QString& relative, const QByteArray& bytes = "x") const;
  QByteArray readFile(const QString& relative) const;
  // Writes Config.ini with section CONFIGURACION holding the given key=value lines.
  void writeConfig(const QStringList& lines) const;
  // Config.ini for a main window watching "in" and saving under saveFolder with prefix
  // "Fotos_"; makes "in" and "out".
  void writeWatchConfig(const QString& minimum, const QString& pattern = QStringLiteral("*.bmp"),
                        const QString& saveFolder = QStringLiteral("out")) const;

  AppContext context();

  QTemporaryDir dir;
  QDateTime now;
  QSet<QString> refusedDrives;
  std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
  int quitCalls = 0;
  QStringList openedFolders;  // what the desktop's file manager was asked to show
  bool folderOpens = true;    // whether the desktop has a file manager to show them
};

// Runs the deletions of closed windows that the event loop would run.
void flushDeletes();

// The names of a window's controls in the order the tab key visits them, starting at the first.
QStringList focusOrder(const QWidget* window, const QStringList& names);

// A window's control by its name; a name the window lacks fails the test.
template <class Control>
Control* control(const QObject* window, const char* name) {
  auto* found = window->findChild<Control*>(QLatin1String(name));
  if (found == nullptr) {
    throw std::invalid_argument(std::string("no control named ") + name);
  }
  return found;
}
