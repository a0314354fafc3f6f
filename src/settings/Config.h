// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/GrabaLeeIni.h"

#include <QString>

// The program's settings: section CONFIGURACION of the Config.ini given at each call. The name
// of each key is written here alone.
namespace settings {

// One key, read afresh from the file at every call: settings::prefix(file).
class Key {
public:
  explicit constexpr Key(const char* name) : name_(name) {}
  QString operator()(const QString& file) const;
  QString name() const { return QLatin1String(name_); }

private:
  const char* name_;
};

inline constexpr Key watchedFolder{"Dir1"};
inline constexpr Key saveFolder{"Dir2"};
inline constexpr Key prefix{"Pref"};       // the start of every batch folder's name
inline constexpr Key minimum{"Imagenes"};  // as written, a number or not
inline constexpr Key pattern{"Ext"};
inline constexpr Key viewerSwitch{"Vis"};  // whether the viewer command is offered

// A setting as the program uses it, and what the user is to be told of the text written for it
// (empty when nothing).
template <class T>
struct Reading {
  T value;
  QString problem;
};

// Imagenes: a whole number, blanks around it aside. One that is not, or is out of a signed
// 16-bit count's range, is told and 5 is used; 0 and below are used as they are (every file
// is saved at once), and told as the 1 they amount to.
Reading<qint16> readMinimum(const QString& text);

// Why the settings dialog does not store a text, in a sentence; empty when it does. The
// minimum is a whole number from 1 to 32767, the most a signed 16-bit count holds; the prefix
// begins the name of every batch folder, so it holds nothing a folder's name cannot.
QString minimumRefusal(const QString& text);
QString prefixRefusal(const QString& text);

// The most the settings dialog's prefix box takes, and the question before a longer prefix of
// the file is stored cut to it; empty for a prefix that fits.
inline constexpr int prefixLength = 12;
QString prefixCutQuestion(const QString& stored);

// The question for a pattern that would match only names written out whole ("png" for
// "*.png"), saying what it matches; empty for one with a wildcard or a dot in each part.
QString patternQuestion(const QString& text);

// A folder typed for Dir1 or Dir2: whether it is one, the question before making one that is
// not there, and making it (the sentence of why not, or empty once it is there).
enum class FolderState { Folder, Missing, NotAFolder };
FolderState folderState(const QString& folder);
QString missingFolderQuestion(const QString& folder);
QString notAFolderRefusal(const QString& folder);
QString makeFolder(const QString& folder);

// The start's sentence for a settings file that is there but cannot be read as settings (not
// text); empty otherwise.
QString fileProblem(const QString& file);

// The five settings the settings dialog edits, as typed.
struct Edited {
  QString watchedFolder;
  QString saveFolder;
  QString prefix;
  QString minimum;
  QString pattern;
};

// Writes the five in one replacement of the file: all of them or none.
IniWrite store(const QString& file, const Edited& values);

// Makes a new settings file from content with the two folders set, whole or not at all, and
// never over a file that is there.
IniWrite create(const QString& file, const QByteArray& content, const QString& watched,
                const QString& saved);

}  // namespace settings
