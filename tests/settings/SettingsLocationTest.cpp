#include "settings/SettingsLocation.h"

#include "common/TestSupport.h"
#include "settings/GrabaLeeIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString section = QStringLiteral("CONFIGURACION");

// A program installed under usr/bin with its template, and a home of its own.
class SettingsPlaces : public ::testing::Test {
protected:
  SettingsPlaces() {
    world.makeFolder(QStringLiteral("usr/bin"));
    world.makeFolder(QStringLiteral("usr/share/varndel"));
    world.makeFolder(QStringLiteral("home"));
    world.writeFile(QStringLiteral("usr/share/varndel/Config.ini.template"), templateBytes);
  }

  SettingsEnvironment environment() const {
    return {world.path(QStringLiteral("usr/bin")), world.path(QStringLiteral("home")), configHome,
            pictures};
  }
  QString home(const QString& relative) const {
    return world.path(QStringLiteral("home/") + relative);
  }

  const QByteArray templateBytes =
      "; plantilla\n[CONFIGURACION]\nDir1=@HOME@/a\nPref=Fotos_\n\n[OTRA]\nx=1\n";
  TestWorld world;
  QString configHome;
  QString pictures;
};

enum class Kind { None, Readable, Folder, BrokenLink };

// Puts a Config.ini of the given kind at path.
void place(Kind kind, const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  switch (kind) {
    case Kind::None:
      break;
    case Kind::Readable: {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("[CONFIGURACION]\nDir1=/propio\n");
      break;
    }
    case Kind::Folder:
      ASSERT_TRUE(QDir().mkpath(path));
      break;
    case Kind::BrokenLink:
      ASSERT_TRUE(QFile::link(path + QStringLiteral(".nada"), path));
      break;
  }
}

Kind kindOf(const QString& path) {
  const QFileInfo info(path);
  if (info.isSymLink()) {
    return Kind::BrokenLink;
  }
  return info.isDir() ? Kind::Folder : info.isFile() ? Kind::Readable : Kind::None;
}

TEST_F(SettingsPlaces, AnExistingFileIsUsedAsItIsAndOnlyAnUnreadableOneIsReported) {
  const struct {
    Kind portable;
    Kind user;
    bool portableWins;
    bool reported;
  } cases[] = {
      {Kind::Readable, Kind::Readable, true, false}, {Kind::Folder, Kind::Readable, true, true},
      {Kind::BrokenLink, Kind::None, true, true},    {Kind::None, Kind::Readable, false, false},
      {Kind::None, Kind::Folder, false, true},       {Kind::None, Kind::BrokenLink, false, true},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    const QString portable = world.path(QStringLiteral("usr/bin/Config.ini"));
    const QString user = home(QStringLiteral(".config/varndel/Config.ini"));
    place(c.portable, portable);
    place(c.user, user);

    const SettingsStart start = prepareSettings(environment());
    EXPECT_EQ(start.file, c.portableWins ? portable : user);
    EXPECT_EQ(start.problem.contains(start.file), c.reported) << start.problem.toStdString();
    EXPECT_EQ(start.notice, QString());
    EXPECT_EQ(kindOf(portable), c.portable);
    EXPECT_EQ(kindOf(user), c.user);
    EXPECT_EQ(LeeIni(start.file, section, QStringLiteral("Dir1")),
              kindOf(start.file) == Kind::Readable ? QStringLiteral("/propio") : QString());
    EXPECT_FALSE(QFileInfo::exists(home(QStringLiteral("Varndel"))));

    QDir(world.path(QStringLiteral("usr/bin"))).removeRecursively();
    QDir(home(QStringLiteral(".config"))).removeRecursively();
    QDir().mkpath(world.path(QStringLiteral("usr/bin")));
  }
}

TEST_F(SettingsPlaces, FirstStartMakesTheUsersFileAndFoldersUnderThePicturesFolderAndTellsOnce) {
  // Paths are relative to the test's folder.
  const struct {
    QString pictures;  // what xdg-user-dir answers; null when it cannot run
    bool spanishFolder;
    QString configHome;  // null when unset
    bool relativeConfigHome;
    QString base;
    QString configFolder;
  } cases[] = {
      {QStringLiteral("home/Fotos"),
       true,
       {},
       false,
       QStringLiteral("home/Fotos"),
       QStringLiteral("home/.config")},
      {QStringLiteral("home"), true, QStringLiteral("xdg"), false, QStringLiteral("home/Imágenes"),
       QStringLiteral("xdg")},
      {{},
       false,
       QStringLiteral("xdg"),
       true,
       QStringLiteral("home"),
       QStringLiteral("home/.config")},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    QDir(home({})).removeRecursively();
    QDir(world.path(QStringLiteral("xdg"))).removeRecursively();
    world.makeFolder(QStringLiteral("home"));
    if (c.spanishFolder) {
      world.makeFolder(QStringLiteral("home/Imágenes"));
    }
    pictures = c.pictures.isNull() ? QString() : world.path(c.pictures);
    configHome =
        c.configHome.isNull() || c.relativeConfigHome ? c.configHome : world.path(c.configHome);
    const QString file = world.path(c.configFolder) + QStringLiteral("/varndel/Config.ini");
    const QString watched = world.path(c.base) + QStringLiteral("/Varndel/Capturas");
    const QString saved = world.path(c.base) + QStringLiteral("/Varndel/Lotes");

    const SettingsStart start = prepareSettings(environment());
    EXPECT_EQ(start.file, file);
    EXPECT_EQ(start.problem, QString());
    EXPECT_EQ(LeeIni(file, section, QStringLiteral("Dir1")), watched);
    EXPECT_EQ(LeeIni(file, section, QStringLiteral("Dir2")), saved);
    EXPECT_TRUE(QFileInfo(watched).isDir() && QFileInfo(saved).isDir());
    for (const QString& told : {file, watched, saved}) {
      EXPECT_TRUE(start.notice.contains(told)) << told.toStdString();
    }

    const SettingsStart again = prepareSettings(environment());
    EXPECT_EQ(again.file, file);
    EXPECT_EQ(again.notice + again.problem, QString());
  }
}

TEST_F(SettingsPlaces, FirstStartKeepsTheTemplatesOtherLinesAndLeavesNothingElseBehind) {
  prepareSettings(environment());
  const QString folder = home(QStringLiteral(".config/varndel"));
  QFile file(folder + QStringLiteral("/Config.ini"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString base = home(QStringLiteral("Varndel"));
  EXPECT_EQ(QString::fromUtf8(file.readAll()),
            QStringLiteral("; plantilla\n[CONFIGURACION]\nDir1=%1/Capturas\nPref=Fotos_\n"
                           "Dir2=%1/Lotes\n\n[OTRA]\nx=1\n")
                .arg(base));
  EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("Config.ini")});
}

TEST_F(SettingsPlaces, AFirstStartThatCannotFinishSaysWhy) {
  const struct {
    std::function<void(const TestWorld&)> spoil;
    QString named;  // what the problem must name, relative to the test's folder
    bool fileMade;
  } cases[] = {
      {[](const TestWorld& w) {
         QFile::remove(w.path(QStringLiteral("usr/share/varndel/Config.ini.template")));
       },
       QStringLiteral("usr/share/varndel/Config.ini.template"), false},
      {[](const TestWorld& w) { w.writeFile(QStringLiteral("home/.config")); },
       QStringLiteral("home/.config/varndel"), false},
      {[](const TestWorld& w) { w.writeFile(QStringLiteral("home/Varndel")); },
       QStringLiteral("home/Varndel/Capturas"), true},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    c.spoil(world);
    const SettingsStart start = prepareSettings(environment());
    EXPECT_TRUE(start.problem.contains(world.path(c.named))) << start.problem.toStdString();
    EXPECT_EQ(QFileInfo::exists(start.file), c.fileMade);
    EXPECT_EQ(start.notice.isEmpty(), !c.fileMade);
    EXPECT_FALSE(QFileInfo::exists(home(QStringLiteral("Varndel/Lotes"))));

    QDir(home({})).removeRecursively();
    world.makeFolder(QStringLiteral("home"));
    world.writeFile(QStringLiteral("usr/share/varndel/Config.ini.template"), templateBytes);
  }
}

}  // namespace
