// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// What decides where the settings live. main reads it from the system; tests point it at
// temporary folders.
struct SettingsEnvironment {
  QString programFolder;  // the folder that holds the executable
  QString home;
  QString configHome;  // $XDG_CONFIG_HOME, empty when unset
  // What `xdg-user-dir PICTURES` prints, empty when it cannot run; asked only when needed.
  std::function<QString()> pictures;
  QString stateHome;  // $XDG_STATE_HOME, empty when unset
};

enum class SettingsSource {
  Portable,    // Config.ini beside the executable
  User,        // the user's Config.ini
  FirstStart,  // neither exists: the user's is to be made from the template
};

struct SettingsLocation {
  SettingsSource source;
  QString file;  // the Config.ini the program reads and writes
  // Only for a first start:
  QString templateFile;
  QString watchedFolder;
  QString saveFolder;
};

// Decides from the environment and what exists on disk; changes nothing.
SettingsLocation locateSettings(const SettingsEnvironment& environment);

struct SettingsStart {
  QString file;     // the Config.ini the program uses
  QString notice;   // to be told once, in a plain box
  QString problem;  // to be told in an error box
};

// Puts the settings in place: on a first start makes the user's Config.ini from the template
// and the two folders it names. An existing Config.ini is never replaced, only checked.
SettingsStart prepareSettings(const SettingsEnvironment& environment);

// A file named by the user: used wherever it is, never made or replaced, only checked.
SettingsStart prepareNamedSettings(const QString& file);

// 0 when the settings file's first byte can be read (or it is empty), else the system's error
// number.
int settingsReadError(const QString& file);

// Where the history of saved batches lives: beside a portable Config.ini, otherwise in the
// user's state folder.
QString historyFile(const SettingsEnvironment& environment, const QString& settingsFile);

// The environment of this process.
SettingsEnvironment systemSettingsEnvironment();
