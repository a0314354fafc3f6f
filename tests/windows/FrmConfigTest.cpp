// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TestSupport.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "settings/GrabaLeeIni.h"
#include "windows/FrmConfig.h"
#include "windows/FrmMonitoreo.h"
#include "windows/FrmSeleccionDir.h"
#include "windows/FrmSeleccionGuardar.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>

namespace {

const QString checkText = QStringLiteral("Debe rellenar todos los campos.");

// A disk that fills up: writing a file past the limit fails with EFBIG instead of ending the
// process.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    const rlimit limit{bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
  void (*handler_)(int);
  rlimit old_{};
};

class FrmConfigTest : public ::testing::Test {
protected:
  FrmConfigTest() {
    watched = world.makeFolder(QStringLiteral("vigilada"));
    other = world.makeFolder(QStringLiteral("otra"));
    saved = world.makeFolder(QStringLiteral("guardar"));
    world.writeFile(QStringLiteral("vigilada/a.bmp"));
    world.writeFile(QStringLiteral("otra/a.pcx"));
    world.writeFile(QStringLiteral("otra/b.pcx"));
    world.writeFile(QStringLiteral("otra/c.bmp"));
    world.writeConfig({QStringLiteral("Dir1=") + watched, QStringLiteral("Dir2=") + saved,
                       QStringLiteral("Pref=Lote_"), QStringLiteral("Imagenes=5"),
                       QStringLiteral("Ext=*.bmp"), QStringLiteral("Vis=0x1")});
    forms = std::make_unique<Forms>(world.context());
    main = forms->show<FrmMonitoreo>();
  }
  ~FrmConfigTest() override {
    forms.reset();
    flushDeletes();
  }

  FrmConfig* open() {
    main->mnuconfig_Click();
    return forms->get<FrmConfig>();
  }
  QString setting(const char* key) {
    return LeeIni(world.path(QStringLiteral("Config.ini")), QStringLiteral("CONFIGURACION"),
                  QString::fromLatin1(key));
  }
  QByteArray file() { return world.readFile(QStringLiteral("Config.ini")); }
  void expectOneCheckMessage() {
    ASSERT_EQ(world.presenter->shown.size(), 1u);
    EXPECT_TRUE(world.presenter->shown[0].critical);
    EXPECT_EQ(world.presenter->shown[0].title, QStringLiteral("ERROR"));
    EXPECT_EQ(world.presenter->shown[0].text, checkText);
    world.presenter->shown.clear();
  }

  TestWorld world;
  QString watched;
  QString other;
  QString saved;
  std::unique_ptr<Forms> forms;
  FrmMonitoreo* main = nullptr;
};

}  // namespace

TEST_F(FrmConfigTest, LayoutTextsAndFocusOrder) {
  FrmConfig* config = open();
  EXPECT_EQ(config->windowTitle(), QStringLiteral("Varndel - Configuración"));
  EXPECT_EQ(config->size(), QSize(312, 468));
  EXPECT_EQ(control<QGroupBox>(config, "Frame1")->title(),
            QStringLiteral("Directorio monitorizado"));
  EXPECT_EQ(control<QGroupBox>(config, "Frame2")->geometry(), QRect(8, 144, 297, 273));
  EXPECT_EQ(control<QLineEdit>(config, "txtprefijo")->parentWidget(),
            control<QGroupBox>(config, "Frame2"));
  EXPECT_EQ(control<QLineEdit>(config, "txtprefijo")->geometry(), QRect(56, 112, 81, 19));
  EXPECT_EQ(control<QLabel>(config, "Label7")->text(),
            QStringLiteral("Para varias extensiones separarlas con \" ; \" ."));
  EXPECT_EQ(control<XPButton>(config, "cmdmsts")->toolTip(),
            QStringLiteral("Selecciona el directorio de instalación del Msts."));
  EXPECT_TRUE(control<XPButton>(config, "cmdtodos")->isHidden());
  ASSERT_EQ(control<QComboBox>(config, "cmbNImagenes")->count(), 4);
  EXPECT_EQ(control<QComboBox>(config, "cmbNImagenes")->itemText(3), QStringLiteral("20"));
  EXPECT_EQ(config->focusWidget(), control<XPButton>(config, "cmdcancelar"));

  const QStringList expected = {"cmdcancelar",    "cmdaplicar", "cmdaceptar", "cmdmsts",
                                "cmdseleccionar", "txtdir",     "cmdtodos",   "cmddefecto",
                                "cmdguardar",     "txtguardar", "txtprefijo", "cmbNImagenes",
                                "txtextension"};
  EXPECT_EQ(focusOrder(config, expected), expected);
}

TEST_F(FrmConfigTest, OpeningHidesTheMainWindowAndLoadsTheFile) {
  main->cmdiniciar_Click();
  FrmConfig* config = open();
  EXPECT_FALSE(main->isVisible());
  EXPECT_TRUE(main->session().isStarted());
  EXPECT_TRUE(config->isVisible());
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), watched);
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->toolTip(), watched);
  EXPECT_EQ(control<QLineEdit>(config, "txtguardar")->text(), saved);
  EXPECT_EQ(control<QLineEdit>(config, "txtprefijo")->text(), QStringLiteral("Lote_"));
  EXPECT_EQ(control<QComboBox>(config, "cmbNImagenes")->currentText(), QStringLiteral("5"));
  EXPECT_EQ(control<QLineEdit>(config, "txtextension")->text(), QStringLiteral("*.bmp"));
  EXPECT_EQ(control<QLineEdit>(config, "txtextension")->cursorPosition(), 0);
  EXPECT_TRUE(control<XPButton>(config, "cmdaplicar")->isEnabled());
}

// A prefix longer than its box is cut to 12 only when the user agrees.
TEST_F(FrmConfigTest, UnlistedOrEmptyMinimumAndLongPrefixLoadAsTheBoxesShowThem) {
  world.writeConfig({QStringLiteral("Dir1=") + watched, QStringLiteral("Dir2=") + saved,
                     QStringLiteral("Pref=UnPrefijoMuyLargo"), QStringLiteral("Imagenes=7")});
  FrmConfig* config = open();
  EXPECT_EQ(control<QComboBox>(config, "cmbNImagenes")->currentText(), QStringLiteral("7"));
  EXPECT_EQ(control<QLineEdit>(config, "txtprefijo")->text(), QStringLiteral("UnPrefijoMuy"));
  config->cmdaplicar_Click();
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].question);
  EXPECT_EQ(world.presenter->shown[0].text,
            QStringLiteral("El prefijo «UnPrefijoMuyLargo» del archivo de configuración tiene más "
                           "de 12 caracteres, los que admite su cuadro: se guardará como "
                           "«UnPrefijoMuy». ¿Guardarlo así?"));
  EXPECT_EQ(setting("Pref"), QStringLiteral("UnPrefijoMuyLargo"));
  world.presenter->answer = true;
  config->cmdaplicar_Click();
  EXPECT_EQ(setting("Pref"), QStringLiteral("UnPrefijoMuy"));
  EXPECT_EQ(setting("Imagenes"), QStringLiteral("7"));
  config->close();
  flushDeletes();

  world.writeConfig({QStringLiteral("Dir1=") + watched});
  config = open();
  EXPECT_EQ(control<QComboBox>(config, "cmbNImagenes")->currentText(), QString());
}

TEST_F(FrmConfigTest, EachRequiredFieldEmptyRefusesApplyAndAccept) {
  FrmConfig* config = open();
  const QByteArray before = file();
  std::vector<std::function<void(const QString&)>> setters = {
      [&](const QString& t) { control<QLineEdit>(config, "txtdir")->setText(t); },
      [&](const QString& t) { control<QLineEdit>(config, "txtguardar")->setText(t); },
      [&](const QString& t) { control<QLineEdit>(config, "txtprefijo")->setText(t); },
      [&](const QString& t) { control<QComboBox>(config, "cmbNImagenes")->setEditText(t); },
  };
  for (std::size_t i = 0; i < setters.size(); ++i) {
    SCOPED_TRACE(i);
    setters[i](QString());
    control<XPButton>(config, "cmdaplicar")->setEnabled(false);
    config->cmdaplicar_Click();
    expectOneCheckMessage();
    EXPECT_FALSE(control<XPButton>(config, "cmdaplicar")->isEnabled());
    config->cmdaceptar_Click();
    expectOneCheckMessage();
    EXPECT_TRUE(forms->isOpen<FrmConfig>());
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(main->session().watchedFolder(), watched);
    EXPECT_EQ(file(), before);
    setters[i](QStringLiteral("x"));
  }
}

TEST_F(FrmConfigTest, BlanksAndOddValuesAreStoredAsTyped) {
  FrmConfig* config = open();
  control<QLineEdit>(config, "txtprefijo")->setText(QStringLiteral("   "));
  control<QComboBox>(config, "cmbNImagenes")->setEditText(QStringLiteral(" 7 "));
  control<QLineEdit>(config, "txtextension")->clear();
  config->cmdaplicar_Click();
  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_TRUE(file().contains("Imagenes= 7 \n")) << file().constData();
  // The reader trims values, so the blanks are checked in the file itself.
  EXPECT_TRUE(file().contains("Pref=   \n")) << file().constData();
  EXPECT_TRUE(file().contains("Ext=\n")) << file().constData();
  EXPECT_EQ(setting("Vis"), QStringLiteral("0x1"));

  // "1" and "2" begin entries of the list; a completer completes them only in a focused box.
  config->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(config));
  control<QComboBox>(config, "cmbNImagenes")->setFocus();
  for (const auto& [key, typed] : {std::pair{Qt::Key_7, "7"}, {Qt::Key_1, "1"}, {Qt::Key_2, "2"}}) {
    control<QComboBox>(config, "cmbNImagenes")->setEditText(QString());
    QTest::keyClick(control<QComboBox>(config, "cmbNImagenes")->lineEdit(), key);
    config->cmdaplicar_Click();
    EXPECT_EQ(setting("Imagenes"), QString::fromLatin1(typed));
  }
  EXPECT_EQ(control<QComboBox>(config, "cmbNImagenes")->count(), 4);
}

// Apply and Accept refuse what the watch could not use, saying why, and ask before storing what
// the user may not mean; either way nothing is written until the user agrees, and the dialog
// stays open.
TEST_F(FrmConfigTest, RefusalsAndQuestionsSayWhyNothingWasStored) {
  const QString range = QStringLiteral(
      "El número mínimo de imágenes debe ser un número entero de 1 a 32767. La configuración no "
      "se ha guardado.");
  const QString settingsFile = world.path(QStringLiteral("Config.ini"));
  const QString unreadable =
      QStringLiteral(
          "La configuración no se ha guardado porque no se puede leer el archivo de "
          "configuración %1: es un directorio.")
          .arg(settingsFile);
  const QString slash = QStringLiteral(
      "El prefijo no puede llevar «/»: es el comienzo del nombre de cada carpeta de lote, y un "
      "nombre de carpeta no puede llevar ese carácter. La configuración no se ha guardado.");
  const auto bare = [](const char* name) {
    return QStringLiteral(
               "El tipo de fichero «%1» no lleva comodín ni punto: solo tomará los archivos que se "
               "llamen exactamente «%1», sin extensión, y no los «*.%1». ¿Guardarlo así?")
        .arg(QLatin1String(name));
  };
  const QString missing = world.path(QStringLiteral("nueva/carpeta"));
  const QString create = QStringLiteral("El directorio %1 no existe. ¿Crearlo?").arg(missing);
  const QString aFile = world.path(QStringLiteral("vigilada/a.bmp"));
  enum Field { Minimum, Prefix, Pattern, Watched, Saved };
  const struct {
    Field field;
    QString value;
    QString expected;  // empty: stored without a word
    bool question = false;
  } cases[] = {
      {Minimum, QStringLiteral("0"), range},
      {Minimum, QStringLiteral("-3"), range},
      {Minimum, QStringLiteral("32768"), range},
      {Minimum, QStringLiteral("99999"), range},
      {Minimum, QStringLiteral("siete"), range},
      {Minimum, QStringLiteral("5,5"), range},
      {Minimum, QStringLiteral("   "), range},
      {Minimum, QStringLiteral("1"), {}},
      {Minimum, QStringLiteral("32767"), {}},
      {Prefix, QStringLiteral("Lotes/Fotos_"), slash},
      {Prefix, QStringLiteral(".Fotos \\ 1"), {}},
      {Pattern, QStringLiteral("png"), bare("png"), true},
      {Pattern, QStringLiteral("*.png; bmp"), bare("bmp"), true},
      {Pattern, QStringLiteral("captura.png;*.bmp"), {}},
      {Watched, missing, create, true},
      {Saved, missing, create, true},
      {Saved, aFile,
       QStringLiteral("La ruta %1 no es un directorio. La configuración no se ha guardado.")
           .arg(aFile)},
      {Minimum, QStringLiteral("5"), unreadable},
  };
  FrmConfig* config = open();
  const std::function<void(const QString&)> set[] = {
      [&](const QString& t) { control<QComboBox>(config, "cmbNImagenes")->setEditText(t); },
      [&](const QString& t) { control<QLineEdit>(config, "txtprefijo")->setText(t); },
      [&](const QString& t) { control<QLineEdit>(config, "txtextension")->setText(t); },
      [&](const QString& t) { control<QLineEdit>(config, "txtdir")->setText(t); },
      [&](const QString& t) { control<QLineEdit>(config, "txtguardar")->setText(t); },
  };
  const char* keys[] = {"Imagenes", "Pref", "Ext", "Dir1", "Dir2"};
  const QString good[] = {QStringLiteral("5"), QStringLiteral("Lote_"), QStringLiteral("*.bmp"),
                          watched, saved};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.toStdString());
    if (c.expected == unreadable) {
      ASSERT_TRUE(QFile::remove(settingsFile));
      world.makeFolder(QStringLiteral("Config.ini"));
    }
    const QByteArray before = file();
    set[c.field](c.value);
    config->cmdaplicar_Click();
    if (c.expected.isEmpty()) {
      EXPECT_TRUE(world.presenter->shown.empty());
      EXPECT_EQ(setting(keys[c.field]), c.value.trimmed());
      continue;
    }
    config->cmdaceptar_Click();
    ASSERT_EQ(world.presenter->shown.size(), 2u);
    for (const ShownMessage& shown : world.presenter->shown) {
      EXPECT_EQ(shown.text, c.expected);
      EXPECT_EQ(shown.question, c.question);
      EXPECT_EQ(shown.over, config);
    }
    world.presenter->shown.clear();
    EXPECT_EQ(file(), before);
    EXPECT_TRUE(forms->isOpen<FrmConfig>());
    set[c.field](good[c.field]);
  }
}

// "Sí" to a question stores, and makes the missing folder first.
TEST_F(FrmConfigTest, AgreedQuestionsStoreAndMakeTheFolder) {
  const QString missing = world.path(QStringLiteral("nueva/carpeta"));
  FrmConfig* config = open();
  world.presenter->answer = true;
  control<QLineEdit>(config, "txtguardar")->setText(missing);
  control<QLineEdit>(config, "txtextension")->setText(QStringLiteral("png"));
  config->cmdaceptar_Click();
  EXPECT_EQ(world.presenter->shown.size(), 2u);
  EXPECT_TRUE(QFileInfo(missing).isDir());
  EXPECT_EQ(setting("Dir2"), missing);
  EXPECT_EQ(setting("Ext"), QStringLiteral("png"));
  EXPECT_FALSE(forms->isOpen<FrmConfig>());
}

TEST_F(FrmConfigTest, Utf16FileRoundTripsThroughTheDialog) {
  const auto utf16le = [](const QString& text) {
    QByteArray bytes("\xFF\xFE");
    for (const QChar ch : text) {
      bytes.append(static_cast<char>(ch.unicode() & 0xFF))
          .append(static_cast<char>(ch.unicode() >> 8));
    }
    return bytes;
  };
  const QString head = QStringLiteral("; Configuración\r\n[CONFIGURACION]\r\nDir1=") + watched +
                       QStringLiteral("\r\nDir2=") + saved +
                       QStringLiteral("\r\nPref=Lote_\r\nImagenes=5\r\n");
  world.writeFile(QStringLiteral("Config.ini"),
                  utf16le(head + QStringLiteral("Ext=*.bmp\r\nVis=0x1\r\n")));
  FrmConfig* config = open();
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), watched);
  control<QLineEdit>(config, "txtextension")->setText(QStringLiteral("*.pcx;*.ñ"));
  config->cmdaceptar_Click();
  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_EQ(file(), utf16le(head + QStringLiteral("Ext=*.pcx;*.ñ\r\nVis=0x1\r\n")));
}

TEST_F(FrmConfigTest, StoreWritesTheFiveKeysInOrderIntoANewFile) {
  QFile::remove(world.path(QStringLiteral("Config.ini")));
  FrmConfig* config = open();
  control<QLineEdit>(config, "txtdir")->setText(watched);
  control<QLineEdit>(config, "txtguardar")->setText(saved);
  control<QLineEdit>(config, "txtprefijo")->setText(QStringLiteral("P"));
  control<QComboBox>(config, "cmbNImagenes")->setEditText(QStringLiteral("10"));
  control<QLineEdit>(config, "txtextension")->setText(QStringLiteral("*.pcx;*.bmp"));
  config->cmdaplicar_Click();
  EXPECT_EQ(file(),
            (QStringLiteral("[CONFIGURACION]\nDir1=") + watched + QStringLiteral("\nDir2=") +
             saved + QStringLiteral("\nPref=P\nImagenes=10\nExt=*.pcx;*.bmp\n"))
                .toUtf8());
}

TEST_F(FrmConfigTest, ApplyDisablesAndAnyFieldEnablesAgain) {
  // The folders the typing leads to.
  world.makeFolder(QStringLiteral("vigiladaa"));
  world.makeFolder(QStringLiteral("guardara"));
  FrmConfig* config = open();
  std::vector<std::function<void()>> edits = {
      [&] { QTest::keyClick(control<QLineEdit>(config, "txtdir"), Qt::Key_A); },
      [&] { QTest::keyClick(control<QLineEdit>(config, "txtguardar"), Qt::Key_A); },
      [&] { QTest::keyClick(control<QLineEdit>(config, "txtprefijo"), Qt::Key_A); },
      [&] { QTest::keyClick(control<QComboBox>(config, "cmbNImagenes")->lineEdit(), Qt::Key_1); },
      [&] { QTest::keyClick(control<QLineEdit>(config, "txtextension"), Qt::Key_A); },
      [&] { config->cmddefecto_Click(); },
  };
  for (std::size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE(i);
    config->cmdaplicar_Click();
    EXPECT_FALSE(control<XPButton>(config, "cmdaplicar")->isEnabled());
    edits[i]();
    EXPECT_TRUE(control<XPButton>(config, "cmdaplicar")->isEnabled());
  }
  EXPECT_EQ(control<QLineEdit>(config, "txtprefijo")->text(), QStringLiteral("Fotos_"));
  EXPECT_TRUE(world.presenter->shown.empty());
}

TEST_F(FrmConfigTest, HiddenTodosFillsThePattern) {
  FrmConfig* config = open();
  config->cmdtodos_Click();
  EXPECT_EQ(control<QLineEdit>(config, "txtextension")->text(), QStringLiteral("*.*"));
}

TEST_F(FrmConfigTest, ApplyThenCancelKeepsTheFileAndLeavesTheMainWindow) {
  FrmConfig* config = open();
  control<QLineEdit>(config, "txtdir")->setText(other);
  control<QLineEdit>(config, "txtextension")->setText(QStringLiteral("*.pcx"));
  config->cmdaplicar_Click();
  config->cmdcancelar_Click();
  EXPECT_FALSE(forms->isOpen<FrmConfig>());
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(setting("Dir1"), other);
  EXPECT_EQ(setting("Ext"), QStringLiteral("*.pcx"));
  EXPECT_EQ(main->session().watchedFolder(), watched);
  EXPECT_EQ(main->session().pattern(), QStringLiteral("*.bmp"));

  flushDeletes();
  config = open();
  control<QLineEdit>(config, "txtprefijo")->setText(QStringLiteral("descartado"));
  config->cmdcancelar_Click();
  flushDeletes();
  EXPECT_EQ(control<QLineEdit>(open(), "txtprefijo")->text(), QStringLiteral("Lote_"));
}

TEST_F(FrmConfigTest, AcceptPushesFolderPatternAndMinimum) {
  FrmConfig* config = open();
  control<QLineEdit>(config, "txtdir")->setText(other);
  control<QLineEdit>(config, "txtextension")->setText(QStringLiteral("*.pcx"));
  control<QComboBox>(config, "cmbNImagenes")->setEditText(QStringLiteral("15"));
  control<XPButton>(config, "cmdaplicar")->setEnabled(false);
  config->cmdaceptar_Click();

  EXPECT_FALSE(forms->isOpen<FrmConfig>());
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(setting("Dir1"), other);
  EXPECT_EQ(setting("Imagenes"), QStringLiteral("15"));
  EXPECT_EQ(main->session().watchedFolder(), other);
  EXPECT_EQ(control<QLabel>(main, "lbldirectorio")->text(), other);
  EXPECT_EQ(main->session().pattern(), QStringLiteral("*.pcx"));
  EXPECT_EQ(main->session().count(), 2);
  EXPECT_EQ(main->panel(2), QStringLiteral("Imagenes : 2"));
  EXPECT_EQ(main->session().settings().minimum, 15);
}

TEST_F(FrmConfigTest, AcceptWithAnEmptyPatternStoresAndPushesIt) {
  FrmConfig* config = open();
  control<QLineEdit>(config, "txtextension")->clear();
  config->cmdaceptar_Click();
  EXPECT_TRUE(world.presenter->shown.empty());
  EXPECT_EQ(setting("Ext"), QString());
  EXPECT_EQ(main->session().pattern(), QString());
}

TEST_F(FrmConfigTest, FailedWriteIsReportedOnceAndNothingIsPushed) {
  FrmConfig* config = open();
  world.writeFile(QStringLiteral("fichero"));
  forms->context().settingsFile = world.path(QStringLiteral("fichero/Config.ini"));
  control<QLineEdit>(config, "txtdir")->setText(other);

  config->cmdaplicar_Click();
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].critical);
  EXPECT_TRUE(world.presenter->shown[0].text.contains(forms->context().settingsFile));
  EXPECT_TRUE(world.presenter->shown[0].text.contains(QStringLiteral("no se ha guardado")));
  EXPECT_TRUE(control<XPButton>(config, "cmdaplicar")->isEnabled());

  config->cmdaceptar_Click();
  EXPECT_EQ(world.presenter->shown.size(), 2u);
  EXPECT_TRUE(forms->isOpen<FrmConfig>());
  EXPECT_FALSE(main->isVisible());
  EXPECT_EQ(main->session().watchedFolder(), watched);
}

// The disk fills once the file would grow past its present size: a store that changes one
// key at a time would get the shorter Dir1 in before failing on the longer Dir2.
TEST_F(FrmConfigTest, StoreIsAllOrNothingWhenTheDiskFills) {
  FrmConfig* config = open();
  const QByteArray before = file();
  ASSERT_LT(other.size(), watched.size());
  control<QLineEdit>(config, "txtdir")->setText(other);
  control<QLineEdit>(config, "txtguardar")
      ->setText(world.makeFolder(QStringLiteral("guardar/en/una/carpeta/mas/larga")));
  {
    const FileSizeLimit full(before.size());
    config->cmdaplicar_Click();
  }
  EXPECT_EQ(file(), before);
  ASSERT_EQ(world.presenter->shown.size(), 1u);
  EXPECT_TRUE(world.presenter->shown[0].text.contains(QStringLiteral("no se ha guardado")));
  EXPECT_TRUE(control<XPButton>(config, "cmdaplicar")->isEnabled());

  config->cmdaplicar_Click();
  EXPECT_EQ(setting("Dir1"), other);
  EXPECT_EQ(setting("Dir2"), world.path(QStringLiteral("guardar/en/una/carpeta/mas/larga")));
}

TEST_F(FrmConfigTest, CloseBoxActsAsCancelAndClosesThePickers) {
  FrmConfig* config = open();
  control<QLineEdit>(config, "txtdir")->setText(other);
  config->cmdseleccionar_Click();
  config->cmdguardar_Click();
  ASSERT_TRUE(forms->isOpen<FrmSeleccionDir>());
  ASSERT_TRUE(forms->isOpen<FrmSeleccionGuardar>());
  config->close();
  EXPECT_FALSE(forms->isOpen<FrmConfig>());
  EXPECT_FALSE(forms->isOpen<FrmSeleccionDir>());
  EXPECT_FALSE(forms->isOpen<FrmSeleccionGuardar>());
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(setting("Dir1"), watched);
  EXPECT_EQ(main->session().watchedFolder(), watched);
}

TEST_F(FrmConfigTest, ShutdownClosesTheDialogWithoutBringingTheMainWindowBack) {
  FrmConfig* config = open();
  config->cmdseleccionar_Click();
  main->close();
  EXPECT_FALSE(forms->isOpen<FrmConfig>());
  EXPECT_FALSE(forms->isOpen<FrmSeleccionDir>());
  EXPECT_FALSE(forms->isOpen<FrmMonitoreo>());
  EXPECT_EQ(world.quitCalls, 1);
}

TEST_F(FrmConfigTest, MstsFillsTheWatchedFolderFromTheWinePrefix) {
  const QString drive = world.makeFolder(QStringLiteral("wine/drive_c"));
  world.makeFolder(QStringLiteral("wine/drive_c/Program Files/Microsoft Games/Train Simulator"));
  world.makeFolder(QStringLiteral("wine/dosdevices"));
  ASSERT_TRUE(
      QFile::link(QStringLiteral("../drive_c"), world.path(QStringLiteral("wine/dosdevices/c:"))));
  world.writeFile(
      QStringLiteral("wine/system.reg"),
      "WINE REGISTRY Version 2\n\n"
      "[Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Train Simulator\\\\1.0] 1\n"
      "\"Path\"=\"C:\\\\Program Files\\\\Microsoft Games\\\\Train Simulator\\\\\"\n");
  FrmConfig* config = open();
  const QByteArray before = file();
  control<XPButton>(config, "cmdaplicar")->setEnabled(false);
  config->cmdmsts_Click();
  const QString expected =
      drive + QStringLiteral("/Program Files/Microsoft Games/Train Simulator/");
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), expected);
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->toolTip(), expected);
  EXPECT_TRUE(control<XPButton>(config, "cmdaplicar")->isEnabled());
  EXPECT_EQ(file(), before);
  EXPECT_EQ(main->session().watchedFolder(), watched);

  world.writeFile(QStringLiteral("wine/system.reg"),
                  "WINE REGISTRY Version 2\n\n[Software\\\\Microsoft\\\\Microsoft Games\\\\"
                  "Train Simulator\\\\1.0] 1\n\"Path\"=dword:00000010\n");
  config->cmdmsts_Click();
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), QStringLiteral("16"));

  QFile::remove(world.path(QStringLiteral("wine/system.reg")));
  config->cmdmsts_Click();
  EXPECT_EQ(control<QLineEdit>(config, "txtdir")->text(), QString());
  EXPECT_TRUE(world.presenter->shown.empty());
}
