// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsLocation.h"

#include "common/TestSupport.h"
#include "settings/GrabaLeeIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString templateFile = QStringLiteral("usr/share/varndel/Config.ini.template");
const QString portableFile = QStringLiteral("usr/bin/Config.ini");
const QString userFile = QStringLiteral("home/.config/varndel/Config.ini");

// A program installed under usr/bin beside its template, and a home of its own. Paths are
// relative to the folder that holds them all.
struct Places {
  Places() {
    world.makeFolder(QStringLiteral("usr/bin"));
    world.makeFolder(QStringLiteral("home"));
    world.makeFolder(QStringLiteral("usr/share/varndel"));
    world.writeFile(templateFile,
                    "; plantilla\n[CONFIGURACION]\nDir1=@HOME@/a\nPref=Fotos_\n\n[OTRA]\nx=1\n");
  }
  QString path(const char* relative) const {
    return relative ? world.path(QString::fromUtf8(relative)) : QString();
  }
  QString key(const QString& file, const char* name) const {
    return LeeIni(world.path(file), QStringLiteral("CONFIGURACION"), QString::fromUtf8(name));
  }
  SettingsStart prepare(const QString& pictures = {}, const QString& configHome = {}) const {
    return prepareSettings({world.path(QStringLiteral("usr/bin")),
                            path("home"),
                            configHome,
                            [pictures] { return pictures; },
                            {}});
  }

  TestWorld world;
};

enum class Kind { None, Readable, Folder, BrokenLink };

void place(const Places& places, Kind kind, const QString& relative) {
  const QString path = places.world.path(relative);
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (kind == Kind::Readable) {
    places.world.writeFile(relative, "[CONFIGURACION]\nDir1=/propio\n");
  } else if (kind == Kind::Folder) {
    QDir().mkpath(path);
  } else if (kind == Kind::BrokenLink) {
    QFile::link(path + QStringLiteral(".nada"), path);
  }
}

Kind kindOf(const QString& path) {
  const QFileInfo info(path);
  return info.isSymLink() ? Kind::BrokenLink
         : info.isDir()   ? Kind::Folder
         : info.isFile()  ? Kind::Readable
                          : Kind::None;
}

TEST(SettingsLocation, AnExistingFileIsUsedAsItIsAndOnlyAnUnreadableOneIsReported) {
  const struct {
    Kind portable, user;
    bool portableWins, reported;
  } cases[] = {
      {Kind::Readable, Kind::Readable, true, false}, {Kind::Folder, Kind::Readable, true, true},
      {Kind::BrokenLink, Kind::None, true, true},    {Kind::None, Kind::Readable, false, false},
      {Kind::None, Kind::Folder, false, true},       {Kind::None, Kind::BrokenLink, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const Places places;
    place(places, c.portable, portableFile);
    place(places, c.user, userFile);

    const SettingsStart start = places.prepare();
    const QString& chosen = c.portableWins ? portableFile : userFile;
    EXPECT_EQ(start.file, places.world.path(chosen));
    EXPECT_EQ(start.problem.contains(start.file), c.reported) << start.problem.toStdString();
    EXPECT_EQ(start.notice, QString());
    EXPECT_EQ(kindOf(places.world.path(portableFile)), c.portable);
    EXPECT_EQ(kindOf(places.world.path(userFile)), c.user);
    EXPECT_EQ(places.key(chosen, "Dir1"), c.reported ? QString() : QStringLiteral("/propio"));
    EXPECT_FALSE(QFileInfo::exists(places.path("home/Varndel")));
  }
}

TEST(SettingsLocation, FirstStartMakesTheUsersFileAndFoldersUnderThePicturesFolderAndTellsOnce) {
  const struct {
    const char* pictures;  // what xdg-user-dir answers; null when it cannot run
    bool spanishFolder;
    const char* configHome;  // null when unset; a relative one is ignored
    bool relativeConfigHome;
    const char* base;
    const char* configFolder;
  } cases[] = {
      {"home/Fotos", true, nullptr, false, "home/Fotos", "home/.config"},
      {"home", true, "xdg", false, "home/Imágenes", "xdg"},
      {nullptr, false, "xdg", true, "home", "home/.config"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const Places places;
    if (c.spanishFolder) {
      places.world.makeFolder(QStringLiteral("home/Imágenes"));
    }
    const QString configHome =
        c.relativeConfigHome ? QString::fromUtf8(c.configHome) : places.path(c.configHome);
    const QString file = places.path(c.configFolder) + QStringLiteral("/varndel/Config.ini");
    const QString watched = places.path(c.base) + QStringLiteral("/Varndel/Capturas");
    const QString saved = places.path(c.base) + QStringLiteral("/Varndel/Lotes");

    const SettingsStart start = places.prepare(places.path(c.pictures), configHome);
    EXPECT_EQ(start.file, file);
    EXPECT_EQ(start.problem, QString());
    EXPECT_EQ(LeeIni(file, QStringLiteral("CONFIGURACION"), QStringLiteral("Dir1")), watched);
    EXPECT_EQ(LeeIni(file, QStringLiteral("CONFIGURACION"), QStringLiteral("Dir2")), saved);
    EXPECT_TRUE(QFileInfo(watched).isDir() && QFileInfo(saved).isDir());
    for (const QString& told : {file, watched, saved}) {
      EXPECT_TRUE(start.notice.contains(told)) << told.toStdString();
    }

    const SettingsStart again = places.prepare(places.path(c.pictures), configHome);
    EXPECT_EQ(again.file, file);
    EXPECT_EQ(again.notice + again.problem, QString());
  }
}

TEST(SettingsLocation, FirstStartKeepsTheTemplatesOtherLines) {
  const Places places;
  places.prepare();
  EXPECT_EQ(QString::fromUtf8(places.world.readFile(userFile)),
            QStringLiteral("; plantilla\n[CONFIGURACION]\nDir1=%1/Capturas\nPref=Fotos_\n"
                           "Dir2=%1/Lotes\n\n[OTRA]\nx=1\n")
                .arg(places.path("home/Varndel")));
}

TEST(SettingsLocation, AFirstStartThatCannotFinishSaysWhyAndLeavesNoHalfMadeFile) {
  enum class Template { Kept, Missing, CutMidCharacter };
  const struct {
    Template kind;
    const char* blocked;  // a file where a folder must go
    const char* named;    // what the problem must name
    bool fileMade;
  } cases[] = {
      {Template::Missing, nullptr, "usr/share/varndel/Config.ini.template", false},
      {Template::CutMidCharacter, nullptr, "home/.config/varndel/Config.ini", false},
      {Template::Kept, "home/.config", "home/.config/varndel", false},
      {Template::Kept, "home/Varndel", "home/Varndel/Capturas", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const Places places;
    if (c.kind == Template::Missing) {
      QFile::remove(places.world.path(templateFile));
    } else if (c.kind == Template::CutMidCharacter) {
      places.world.writeFile(templateFile, QByteArray("\xFF\xFE[\0C", 5));
    }
    if (c.blocked) {
      places.world.writeFile(QString::fromUtf8(c.blocked));
    }
    const SettingsStart start = places.prepare();
    EXPECT_TRUE(start.problem.contains(places.path(c.named))) << start.problem.toStdString();
    EXPECT_EQ(start.notice.isEmpty(), !c.fileMade);
    EXPECT_EQ(QDir(places.path("home/.config/varndel"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              c.fileMade ? QStringList{QStringLiteral("Config.ini")} : QStringList{});
    EXPECT_FALSE(QFileInfo::exists(places.path("home/Varndel/Lotes")));
  }
}

TEST(SettingsLocation, AFileThatAppearsDuringTheFirstStartIsNeitherReplacedNorLeftADraftBeside) {
  const Places places;
  const QByteArray theirs = "[CONFIGURACION]\nDir1=/suyo\n";
  // Asked for the pictures folder once the user's file was seen missing, another start makes it.
  const auto appears = [&] {
    places.world.makeFolder(QStringLiteral("home/.config/varndel"));
    places.world.writeFile(userFile, theirs);
    return QString();
  };
  const SettingsStart start =
      prepareSettings({places.path("usr/bin"), places.path("home"), {}, appears, {}});
  EXPECT_TRUE(start.problem.contains(places.world.path(userFile))) << start.problem.toStdString();
  EXPECT_EQ(places.world.readFile(userFile), theirs);
  EXPECT_EQ(QDir(places.path("home/.config/varndel"))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("Config.ini")});
}

}  // namespace

TEST(SettingsLocation, ANamedFileIsUsedWhereverItIsAndNeverMade) {
  const Places places;
  place(places, Kind::Readable, userFile);
  const QString named = places.world.path(QStringLiteral("otra/Config.ini"));

  const SettingsStart missing = prepareNamedSettings(named);
  EXPECT_EQ(missing.file, named);
  EXPECT_TRUE(missing.problem.contains(named)) << missing.problem.toStdString();
  EXPECT_FALSE(QFileInfo::exists(named));

  place(places, Kind::Readable, QStringLiteral("otra/Config.ini"));
  const SettingsStart present = prepareNamedSettings(named);
  EXPECT_EQ(present.file, named);
  EXPECT_EQ(present.problem, QString());
  EXPECT_EQ(present.notice, QString());
}

// A portable copy keeps its history beside its Config.ini; any other start in the user's state
// folder, as the base directory rules place it.
TEST(SettingsLocation, ThePortableCopyKeepsItsHistoryBesideItsSettings) {
  SettingsEnvironment environment{
      QStringLiteral("/opt/varndel"), QStringLiteral("/home/ana"), {}, {}, {}};
  EXPECT_EQ(historyFile(environment, QStringLiteral("/opt/varndel/Config.ini")),
            QStringLiteral("/opt/varndel/Historial.txt"));
  EXPECT_EQ(historyFile(environment, QStringLiteral("/home/ana/.config/varndel/Config.ini")),
            QStringLiteral("/home/ana/.local/state/varndel/Historial.txt"));
  environment.stateHome = QStringLiteral("/var/ana");
  EXPECT_EQ(historyFile(environment, QStringLiteral("/otro/Config.ini")),
            QStringLiteral("/var/ana/varndel/Historial.txt"));
  environment.stateHome = QStringLiteral("relative");
  EXPECT_EQ(historyFile(environment, QStringLiteral("/otro/Config.ini")),
            QStringLiteral("/home/ana/.local/state/varndel/Historial.txt"));
}
