// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "controls/ElidedLabel.h"
#include "controls/NoticeLine.h"
#include "controls/StatusPanels.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "monitor/BatchHistory.h"
#include "monitor/BatchJournal.h"
#include "monitor/MonitorSession.h"
#include "settings/SettingsLocation.h"
#include "windows/FrmInicio.h"
#include "windows/FrmMonitoreo.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString firstBatch = QStringLiteral("Fotos_532004_973");

class Startup : public ::testing::Test {
protected:
  void SetUp() override {
    watched = world.makeFolder(QStringLiteral("capturas"));
    world.makeFolder(QStringLiteral("lotes"));
  }

  void configure(const QString& vis = QStringLiteral("0x1"),
                 const QString& minimum = QStringLiteral("5")) {
    world.writeConfig({QStringLiteral("Dir1=") + watched,
                       QStringLiteral("Dir2=") + world.path(QStringLiteral("lotes")),
                       QStringLiteral("Pref=Fotos_"), QStringLiteral("Imagenes=") + minimum,
                       QStringLiteral("Ext=*.bmp;*.PNG"), QStringLiteral("Vis=") + vis});
  }

  FrmMonitoreo* load() {
    forms = std::make_unique<Forms>(world.context());
    return forms->get<FrmMonitoreo>();
  }

  // The session alone, loaded: where the window adds nothing to what is checked.
  std::unique_ptr<MonitorSession> loadSession() {
    auto session = std::make_unique<MonitorSession>(MonitorSession::Environment{
        world.path(QStringLiteral("Config.ini")), {}, nullptr, true, {}});
    session->load();
    return session;
  }

  // Runs what the event loop has to run: the window shown on screen, and what follows.
  static void settle() {
    for (int round = 0; round < 5; ++round) {
      QCoreApplication::processEvents();
    }
  }

  TestWorld world;
  QString watched;
  std::unique_ptr<Forms> forms;
};

TEST_F(Startup, SplashOpensTheMainWindowOnItsThirdTick) {
  configure();
  Forms forms(world.context());
  FrmInicio* splash = forms.show<FrmInicio>();
  EXPECT_TRUE(control<QTimer>(splash, "Timer1")->isActive());
  splash->Timer1_Timer();
  splash->Timer1_Timer();
  EXPECT_FALSE(forms.isOpen<FrmMonitoreo>());
  EXPECT_TRUE(forms.isOpen<FrmInicio>());
  splash->Timer1_Timer();
  ASSERT_TRUE(forms.isOpen<FrmMonitoreo>());
  EXPECT_TRUE(forms.get<FrmMonitoreo>()->isVisible());
  EXPECT_FALSE(forms.isOpen<FrmInicio>());
  EXPECT_EQ(forms.get<FrmMonitoreo>()->windowTitle(), QStringLiteral("Varndel"));
}

TEST_F(Startup, EmptyFolderGivesZeroAndDisabledSave) {
  configure();
  FrmMonitoreo* main = load();
  EXPECT_EQ(main->panel(1), QStringLiteral("Estado : Detenido."));
  EXPECT_EQ(main->panel(2), QStringLiteral("Imagenes : 0"));
  EXPECT_EQ(main->panel(3), QString());
  EXPECT_FALSE(control<XPButton>(main, "cmdguardar")->isEnabled());
  EXPECT_FALSE(main->session().isStarted());
  EXPECT_TRUE(control<QTimer>(main, "statusTimer")->isActive());
  EXPECT_EQ(control<QLabel>(main, "lbldirectorio")->text(), watched);
}

TEST_F(Startup, CountsOnlyMatchingVisibleFilesOfTheFolderItself) {
  configure();
  world.writeFile(QStringLiteral("capturas/a.bmp"));
  world.writeFile(QStringLiteral("capturas/b.png"));
  world.writeFile(QStringLiteral("capturas/c.jpg"));
  world.writeFile(QStringLiteral("capturas/.oculta.bmp"));
  world.makeFolder(QStringLiteral("capturas/Fotos_1.bmp"));
  world.writeFile(QStringLiteral("capturas/Fotos_1.bmp/d.bmp"));
  FrmMonitoreo* main = load();
  EXPECT_EQ(main->session().count(), 2);
  EXPECT_EQ(main->panel(2), QStringLiteral("Imagenes : 2"));
  EXPECT_TRUE(control<XPButton>(main, "cmdguardar")->isEnabled());
}

TEST_F(Startup, VisSettingDecidesTheViewerCommandExactly) {
  const std::vector<std::pair<QString, bool>> table = {
      {QStringLiteral("0x0"), false}, {QStringLiteral("0"), false}, {QStringLiteral("0x1"), true},
      {QStringLiteral("0X0"), true},  {QStringLiteral("1"), true},  {QString(), true}};
  for (const auto& [vis, shown] : table) {
    configure(vis);
    FrmMonitoreo* main = load();
    EXPECT_EQ(control<QAction>(main, "mnuvisor")->isVisible(), shown) << vis.toStdString();
    forms.reset();
  }
}

TEST_F(Startup, StatusTickShowsPatternAndFollowsTheListOnly) {
  configure();
  FrmMonitoreo* main = load();
  world.writeFile(QStringLiteral("capturas/a.bmp"));
  main->session().statusTick();
  EXPECT_EQ(main->panel(3), QStringLiteral("Ext : *.bmp;*.PNG"));
  EXPECT_EQ(main->panel(2), QStringLiteral("Imagenes : 0"));
  EXPECT_FALSE(control<XPButton>(main, "cmdguardar")->isEnabled());
  main->session().refreshList();
  main->session().statusTick();
  EXPECT_EQ(main->panel(2), QStringLiteral("Imagenes : 1"));
  EXPECT_TRUE(control<XPButton>(main, "cmdguardar")->isEnabled());
}

// The three panels show whole for usual values at the window's fixed size, a longer pattern is
// cut but whole in its tooltip and for a screen reader, and a notice, however long, leaves
// them in sight and is read whole with a click.
TEST_F(Startup, PanelsShowWholeAndNoticesLeaveThemInSight) {
  configure();
  load();
  FrmMonitoreo* main = forms->show<FrmMonitoreo>();
  MonitorSession& session = main->session();
  auto* panels = control<StatusPanels>(main, "Estado");
  for (const bool started : {false, true}) {
    for (const char* usual : {"*.bmp", "*.jpeg"}) {
      SCOPED_TRACE(usual);
      emit session.stateChanged(started);
      emit session.countChanged(99999);
      emit session.patternChanged(QLatin1String(usual));
      for (int number = 1; number <= 3; ++number) {
        EXPECT_TRUE(panels->showsWhole(number)) << panels->panel(number).toStdString();
      }
    }
  }
  emit session.stateChanged(false);
  emit session.countChanged(999999);
  const QString pattern = QStringLiteral("Ext : *.bmp;*.png;*.jpg;*.jpeg;*.tga;*.dds;*.pcx");
  emit session.patternChanged(pattern.mid(6));
  EXPECT_TRUE(panels->showsWhole(1));
  EXPECT_TRUE(panels->showsWhole(2));
  EXPECT_FALSE(panels->showsWhole(3));
  EXPECT_EQ(panels->findChildren<ElidedLabel*>().at(2)->toolTip(), pattern);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(panels->findChildren<ElidedLabel*>().at(2))
                ->text(QAccessible::Name),
            pattern);
  EXPECT_LE(panels->geometry().right(), main->width());

  const QString notice = QStringLiteral(
      "No se pudieron guardar las imágenes: no queda espacio en "
      "el disco (/media/lotes). No se ha perdido ningún archivo.");
  emit session.notice(MonitorSession::NoticeKind::Status, notice);
  auto* line = control<NoticeLine>(main, "lblaviso");
  EXPECT_TRUE(panels->isVisible());
  EXPECT_EQ(main->panel(2), QStringLiteral("Imagenes : 999999"));
  ASSERT_TRUE(line->isCut());
  QTest::mouseClick(line, Qt::LeftButton);
  ASSERT_FALSE(world.presenter->shown.empty());
  EXPECT_EQ(world.presenter->shown.back().text, notice);
}

// The box comes over the main window once the window is on screen: what the event loop runs
// before the window system has shown it (the splash's hand-over under load) shows no box yet.
TEST_F(Startup, ProblemsAreReportedOnceAfterShowingAndTheWindowStaysUsable) {
  watched = world.path(QStringLiteral("no-existe"));
  configure(QStringLiteral("0x1"), QStringLiteral("40000"));
  FrmMonitoreo* main = load();
  EXPECT_TRUE(world.presenter->shown.empty());
  forms->show<FrmMonitoreo>();
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(world.presenter->shown.empty());
  settle();
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  const ShownMessage& message = world.presenter->shown.front();
  EXPECT_EQ(message.over, main);
  EXPECT_TRUE(message.overOnScreen);
  EXPECT_TRUE(message.critical);
  EXPECT_EQ(message.text, main->session().startupProblems().join(QLatin1Char('\n')));
  EXPECT_EQ(main->session().startupProblems().size(), 2);
  main->hide();
  forms->show<FrmMonitoreo>();
  settle();
  EXPECT_EQ(world.presenter->shown.size(), 1u);
}

// What the start says of the settings it read: each problem in a sentence of its own, and
// nothing of the keys of a settings file that cannot be read, which the start already told.
TEST_F(Startup, EachStartupProblemIsOneTrueSentence) {
  const QString closed = world.makeFolder(QStringLiteral("cerrada"));
  ASSERT_EQ(chmod(QFile::encodeName(world.dir.path()).constData(), 0755), 0);
  ASSERT_EQ(chmod(QFile::encodeName(closed).constData(), 0), 0);
  const QString settingsFile = world.path(QStringLiteral("Config.ini"));
  struct Case {
    const char* what;
    QString folder;
    QString minimum;
    QStringList expected;
    bool unreadableFile = false;
    QByteArray damagedFile = {};  // written in place of the settings
  };
  const std::vector<Case> cases = {
      {"missing folder",
       world.path(QStringLiteral("no-existe")),
       QStringLiteral("5"),
       {QStringLiteral("El directorio de monitorización no existe: ") +
        world.path(QStringLiteral("no-existe"))}},
      {"no folder set",
       QString(),
       QStringLiteral("5"),
       {QStringLiteral("No hay ningún directorio de monitorización configurado.")}},
      {"closed folder",
       closed,
       QStringLiteral("5"),
       {QStringLiteral("No se puede leer el directorio de monitorización %1: no hay permiso de "
                       "acceso.")
            .arg(closed)}},
      {"minimum too large",
       watched,
       QStringLiteral("99999"),
       {QStringLiteral("El número mínimo de imágenes «99999» no es válido: debe ser un número "
                       "entero de 1 a 32767. Se usará 5.")}},
      {"minimum not a number",
       watched,
       QStringLiteral("siete"),
       {QStringLiteral("El número mínimo de imágenes «siete» no es válido: debe ser un número "
                       "entero de 1 a 32767. Se usará 5.")}},
      {"no minimum set",
       watched,
       QString(),
       {QStringLiteral("No hay ningún número mínimo de imágenes configurado. Se usará 5.")}},
      {"minimum zero",
       watched,
       QStringLiteral("0"),
       {QStringLiteral("El número mínimo de imágenes «0» se toma como 1.")}},
      {"minimum below zero",
       watched,
       QStringLiteral(" -1 "),
       {QStringLiteral("El número mínimo de imágenes «-1» se toma como 1.")}},
      {"damaged settings file",
       watched,
       QString(),
       {QStringLiteral("No se puede leer como configuración el archivo %1: no es un archivo de "
                       "texto (Varndel no lo sustituye).")
            .arg(settingsFile)},
       false,
       QByteArray::fromHex("89504e470d0a1a0a0000000d494844520000010000000100080600000000")},
      {"unreadable settings file", QString(), QString(), {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    watched = c.folder;
    QFile::remove(settingsFile);
    QDir().rmdir(settingsFile);
    if (c.unreadableFile) {
      world.makeFolder(QStringLiteral("Config.ini"));
      EXPECT_FALSE(prepareNamedSettings(settingsFile).problem.isEmpty());
    } else if (!c.damagedFile.isEmpty()) {
      world.writeFile(QStringLiteral("Config.ini"), c.damagedFile);
    } else {
      configure(QStringLiteral("0x1"), c.minimum);
    }
    // Root reads any folder: the start then runs as another user.
    const bool asNobody = c.folder == closed && geteuid() == 0;
    ASSERT_TRUE(!asNobody || seteuid(getpwnam("nobody")->pw_uid) == 0);
    const QStringList problems = loadSession()->startupProblems();
    ASSERT_TRUE(!asNobody || seteuid(0) == 0);
    EXPECT_EQ(problems, c.expected);
  }
  chmod(QFile::encodeName(closed).constData(), 0700);
}

TEST_F(Startup, TheSessionReadsTheMinimumAtLoad) {
  configure();
  std::unique_ptr<MonitorSession> session = loadSession();
  EXPECT_EQ(session->settings().minimum, 5);
  EXPECT_TRUE(session->startupProblems().isEmpty());
  configure(QStringLiteral("0x1"), QStringLiteral(" -3 "));
  EXPECT_EQ(loadSession()->settings().minimum, -3);
  watched = world.path(QStringLiteral("no-existe"));
  configure(QStringLiteral("0x1"), QStringLiteral("40000"));
  session = loadSession();
  EXPECT_EQ(session->count(), 0);
  EXPECT_EQ(session->settings().minimum, 5);
}

// A save cut short by a crash is put right when the program starts, and told once the window
// shows.
// A save cut short keeps its journal in its batch under the save folder; an undo cut short, in
// the batch it was taking back, which may lie under an earlier save folder.
TEST_F(Startup, InterruptedSaveOrUndoIsPutRightAtStartAndTold) {
  const struct {
    BatchJournal::Mode mode;
    const char* batchParent;
  } cases[] = {{BatchJournal::Mode::Move, "out"}, {BatchJournal::Mode::ReturnMove, "antes"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.batchParent);
    TestWorld world;
    world.writeWatchConfig(QStringLiteral("5"));
    world.writeFile(QStringLiteral("in/f0.bmp"));
    const QString batch =
        world.makeFolder(QString::fromLatin1(c.batchParent) + QLatin1Char('/') + firstBatch);
    struct stat file {};
    struct stat watched {};
    ASSERT_EQ(stat(QFile::encodeName(world.path(QStringLiteral("in/f0.bmp"))).constData(), &file),
              0);
    ASSERT_EQ(stat(QFile::encodeName(world.path(QStringLiteral("in"))).constData(), &watched), 0);
    ASSERT_TRUE(
        QFile::rename(world.path(QStringLiteral("in/f0.bmp")), batch + QStringLiteral("/f0.bmp")));
    BatchJournal journal{c.mode, watched.st_dev, watched.st_ino, {}, {}};
    journal.entries.push_back({"f0.bmp", {}, {}, identityOf(file), {}});
    QFile written(batch + QLatin1Char('/') + QString::fromLatin1(journalName));
    ASSERT_TRUE(written.open(QIODevice::WriteOnly));
    written.write(formatJournal(journal));
    written.close();
    const AppContext context = world.context();
    ASSERT_EQ(BatchHistory::append(historyPlace(context.historyFile, context.settingsFile),
                                   batchLine({1, batch, 0, {"f0.bmp"}})),
              0);

    Forms shown(world.context());
    FrmMonitoreo* w = shown.show<FrmMonitoreo>();
    settle();

    EXPECT_EQ(QDir(world.path(QStringLiteral("in"))).entryList(QDir::Files),
              QStringList{QStringLiteral("f0.bmp")});
    EXPECT_FALSE(QFileInfo::exists(batch));
    EXPECT_EQ(w->session().count(), 1);
    EXPECT_TRUE(
        control<NoticeLine>(w, "lblaviso")
            ->notice()
            .startsWith(QStringLiteral("Se recuperó un guardado interrumpido: 1 archivo ")));
  }
}

}  // namespace
