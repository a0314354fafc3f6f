// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/GrabaLeeIni.h"

#include <QString>

// The program's settings: section CONFIGURACION of the Config.ini given at each call. Each key
// has one row here and nothing else parses a key or holds its default.
namespace settings {

// One key, read afresh from the file at every call, as written: settings::prefix(file).
class Key {
public:
  explicit constexpr Key(const char* name, const char* suggested = "")
      : name_(name), suggested_(suggested) {}
  QString operator()(const QString& file) const;
  QString name() const { return QLatin1String(name_); }
  // What the settings dialog's button puts in the key's box; empty when it has none.
  QString suggested() const { return QString::fromUtf8(suggested_); }

private:
  const char* name_;
  const char* suggested_;
};

// A setting as the program uses it, and what the user is to be told of the text written for it
// (empty when nothing).
template <class T>
struct Reading {
  T value;
  QString problem;
};

// The rows. The file's rules give no key a default (missing, it reads as empty); a default
// below is what the program uses for a text it cannot use.
//   name        type     default       valid, and the sentence for a bad value
//   Dir1, Dir2  folder   none          a folder, or one to make: folderState and its sentences
//   Pref        text     none          no "/" nor NUL, at most prefixLength in the dialog:
//                                      prefixRefusal, prefixCutQuestion; "Por Defecto": Fotos_
//   Ext         text     none          a wildcard or a dot in each part: patternQuestion;
//                                      "Todos": *.*
//   Imagenes    qint16   5             1 to 32767: minimum, minimumRefusal
//   Vis         bool     shown         "0x0" and "0" hide the viewer: viewerOffered
inline constexpr Key watchedFolder{"Dir1"};
inline constexpr Key saveFolder{"Dir2"};
inline constexpr Key prefix{"Pref", "Fotos_"};  // the start of every batch folder's name
inline constexpr Key pattern{"Ext", "*.*"};
inline constexpr Key minimumKey{"Imagenes"};
inline constexpr qint16 defaultMinimum = 5;
inline constexpr qint16 lowestMinimum = 1;  // the highest is the most a qint16 holds
inline constexpr Key viewerKey{"Vis"};
inline constexpr bool defaultViewerOffered = true;

// Imagenes: a whole number, blanks around it aside. One that is not, or is out of a signed
// 16-bit count's range, is told and the default is used; 0 and below are used as they are
// (every file is saved at once), and told as the 1 they amount to.
Reading<qint16> minimum(const QString& file);
Reading<qint16> minimumOfText(const QString& text);

// Vis: whether the viewer command is offered; never a problem, any other text offers it.
Reading<bool> viewerOffered(const QString& file);

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

// The settings dialog's refusal of an empty field, and why a store of the five failed.
QString emptyFieldRefusal();
QString storeFailure(const QString& file, const IniWrite& written);

// Writes the five in one replacement of the file: all of them or none.
IniWrite store(const QString& file, const Edited& values);

// Makes a new settings file from content with the two folders set, whole or not at all, and
// never over a file that is there.
IniWrite create(const QString& file, const QByteArray& content, const QString& watched,
                const QString& saved);

}  // namespace settings
