// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmConfig.h"

#include "controls/FittedLabel.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "forms/MessagePresenter.h"
#include "forms/Twips.h"
#include "settings/Config.h"
#include "settings/LeeRegistro.h"
#include "settings/WinePath.h"
#include "windows/FrmSeleccionDir.h"
#include "windows/FrmSeleccionGuardar.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <tuple>

namespace {

const QString mstsKey =
    QStringLiteral("Software\\Microsoft\\Microsoft Games\\Train Simulator\\1.0");

QLineEdit* makeBox(const char* name, const QRect& geometry, QWidget* parent) {
  auto* box = named(name, new QLineEdit(parent));
  box->setGeometry(geometry);
  return box;
}

XPButton* makeButton(const char* name, const QString& caption, const QRect& geometry,
                     QWidget* parent) {
  auto* button = named(name, new XPButton(caption, parent));
  button->setGeometry(geometry);
  return button;
}

// What heads both frames: a label over a folder's path box, and the button that opens a
// picker for it beside the box.
std::tuple<QLabel*, QLineEdit*, XPButton*> makeFolderRow(const char* const (&names)[3],
                                                         const QString& text, int labelWidth,
                                                         QWidget* frame) {
  return {named(names[0], makeFittedLabel(text, twipsRect(240, 360, labelWidth, 255), frame)),
          makeBox(names[1], twipsRect(240, 720, 3615, 285), frame),
          makeButton(names[2], QStringLiteral("..."), twipsRect(3960, 720, 255, 255), frame)};
}

}  // namespace

FrmConfig::FrmConfig(Forms& forms) : Form(forms) {
  setWindowTitle(QStringLiteral("Varndel - Configuración"));
  setClientSize(twips(4680), twips(7020));
  setProgramIcon();
  buildFrame1();
  buildFrame2();
  buildButtons();
  setFocusOrder({cmdcancelar, cmdaplicar, cmdaceptar, cmdmsts, cmdseleccionar, txtdir, cmdtodos,
                 cmddefecto, cmdguardar, txtguardar, txtprefijo, cmbNImagenes, txtextension});
  connectHandlers();
}

void FrmConfig::buildFrame1() {
  Frame1 = named("Frame1", new QGroupBox(QStringLiteral("Directorio monitorizado"), this));
  Frame1->setGeometry(twipsRect(120, 240, 4455, 1815));
  std::tie(Label1, txtdir, cmdseleccionar) =
      makeFolderRow({"Label1", "txtdir", "cmdseleccionar"},
                    QStringLiteral("Escriba la ruta del directorio a monitorizar:"), 3975, Frame1);
  cmdmsts = makeButton("cmdmsts", QStringLiteral("Msts"), twipsRect(3240, 1200, 975, 375), Frame1);
  cmdmsts->setToolTip(QStringLiteral("Selecciona el directorio de instalación del Msts."));
}

void FrmConfig::buildFrame2() {
  Frame2 = named("Frame2", new QGroupBox(QStringLiteral("Guardar Imagenes"), this));
  Frame2->setGeometry(twipsRect(120, 2160, 4455, 4095));
  std::tie(Label2, txtguardar, cmdguardar) = makeFolderRow(
      {"Label2", "txtguardar", "cmdguardar"},
      QStringLiteral("Escriba la ruta donde se guardarán las imagenes:"), 3735, Frame2);
  Label3 = named(
      "Label3",
      makeFittedLabel(
          QStringLiteral(
              "Escriba el prefijo con el que se crearán las carpetas que contengan las imágenes:"),
          twipsRect(240, 1200, 3855, 495), Frame2));
  Label4 = named("Label4", makeFittedLabel(QStringLiteral("Prefijo :"),
                                           twipsRect(240, 1800, 615, 255), Frame2));
  txtprefijo = makeBox("txtprefijo", twipsRect(840, 1680, 1215, 285), Frame2);
  txtprefijo->setAlignment(Qt::AlignCenter);
  txtprefijo->setMaxLength(settings::prefixLength);
  cmddefecto = makeButton("cmddefecto", QStringLiteral("Por Defecto"),
                          twipsRect(2160, 1680, 975, 255), Frame2);
  Label5 = named(
      "Label5",
      makeFittedLabel(QStringLiteral("Número mínimo de imagenes para el guardado automático:"),
                      twipsRect(240, 2280, 3495, 375), Frame2));
  cmbNImagenes = named("cmbNImagenes", new QComboBox(Frame2));
  cmbNImagenes->setGeometry(twipsRect(240, 2760, 1335, 315));
  cmbNImagenes->setEditable(true);
  cmbNImagenes->setInsertPolicy(QComboBox::NoInsert);
  // Typed text is stored as typed: completing "1" to "10" would store 10.
  cmbNImagenes->setCompleter(nullptr);
  cmbNImagenes->addItems(
      {QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20")});
  Label6 = named("Label6", makeFittedLabel(QStringLiteral("Tipo de fichero a monitorizar:"),
                                           twipsRect(240, 3240, 3855, 255), Frame2));
  txtextension = makeBox("txtextension", twipsRect(240, 3600, 735, 285), Frame2);
  txtextension->setAlignment(Qt::AlignCenter);
  cmdtodos =
      makeButton("cmdtodos", QStringLiteral("Todos"), twipsRect(1080, 3600, 975, 255), Frame2);
  cmdtodos->hide();
  Label7 = named("Label7",
                 makeFittedLabel(QStringLiteral("Para varias extensiones separarlas con \" ; \" ."),
                                 twipsRect(2160, 3600, 2055, 375), Frame2));
}

void FrmConfig::buildButtons() {
  cmdcancelar =
      makeButton("cmdcancelar", QStringLiteral("&Cancelar"), twipsRect(1440, 6480, 975, 375), this);
  cmdaplicar =
      makeButton("cmdaplicar", QStringLiteral("A&plicar"), twipsRect(2520, 6480, 975, 375), this);
  cmdaceptar =
      makeButton("cmdaceptar", QStringLiteral("&Aceptar"), twipsRect(3600, 6480, 975, 375), this);
}

void FrmConfig::connectHandlers() {
  connect(txtdir, &QLineEdit::textChanged, this, &FrmConfig::txtdir_Change);
  connect(txtguardar, &QLineEdit::textChanged, this, &FrmConfig::txtguardar_Change);
  connect(txtprefijo, &QLineEdit::textChanged, this, &FrmConfig::txtprefijo_Change);
  connect(txtextension, &QLineEdit::textChanged, this, &FrmConfig::txtextension_Change);
  connect(cmbNImagenes, &QComboBox::editTextChanged, this, &FrmConfig::cmbNImagenes_Change);
  connect(cmddefecto, &XPButton::clicked, this, &FrmConfig::cmddefecto_Click);
  connect(cmdtodos, &XPButton::clicked, this, &FrmConfig::cmdtodos_Click);
  connect(cmdmsts, &XPButton::clicked, this, &FrmConfig::cmdmsts_Click);
  connect(cmdseleccionar, &XPButton::clicked, this, &FrmConfig::cmdseleccionar_Click);
  connect(cmdguardar, &XPButton::clicked, this, &FrmConfig::cmdguardar_Click);
  connect(cmdaplicar, &XPButton::clicked, this, &FrmConfig::cmdaplicar_Click);
  connect(cmdaceptar, &XPButton::clicked, this, &FrmConfig::cmdaceptar_Click);
  connect(cmdcancelar, &XPButton::clicked, this, &FrmConfig::cmdcancelar_Click);
}

void FrmConfig::Form_Load() {
  const QString& file = context().settingsFile;
  txtdir->setText(settings::watchedFolder(file));
  txtguardar->setText(settings::saveFolder(file));
  storedPrefix_ = settings::prefix(file);
  txtprefijo->setText(storedPrefix_);
  cmbNImagenes->setEditText(settings::minimum(file));
  txtextension->setText(settings::pattern(file));
  // A pattern longer than its box opens on its first extensions, not its last.
  txtextension->setCursorPosition(0);
  cmdcancelar->setFocus();
}

void FrmConfig::txtdir_Change() {
  pathChanged(txtdir);
}

void FrmConfig::txtguardar_Change() {
  pathChanged(txtguardar);
}

// A path may be longer than its box: the whole of it shows when the pointer rests there.
void FrmConfig::pathChanged(QLineEdit* box) {
  cmdaplicar->setEnabled(true);
  box->setToolTip(box->text());
}

void FrmConfig::txtprefijo_Change() {
  cmdaplicar->setEnabled(true);
}

void FrmConfig::txtextension_Change() {
  cmdaplicar->setEnabled(true);
}

void FrmConfig::cmbNImagenes_Change() {
  cmdaplicar->setEnabled(true);
}

void FrmConfig::cmddefecto_Click() {
  txtprefijo->setText(QStringLiteral("Fotos_"));
}

void FrmConfig::cmdtodos_Click() {
  txtextension->setText(QStringLiteral("*.*"));
}

// A text found is a Windows path inside the Wine prefix, so it is turned into the Linux
// folder behind it, or empties the box when there is none; a number is shown as it is.
void FrmConfig::cmdmsts_Click() {
  const QString registry = context().wineRegistry;
  const RegistryResult found =
      LeeValor(registry, HKEY_LOCAL_MACHINE, mstsKey, QStringLiteral("Path"));
  QString text = resultText(found);
  if (std::holds_alternative<QString>(found)) {
    text = linuxPathInPrefix(QFileInfo(registry).absolutePath(), text);
  }
  txtdir->setText(text);
}

void FrmConfig::cmdseleccionar_Click() {
  pickInto<FrmSeleccionDir>(txtdir);
}

void FrmConfig::cmdguardar_Click() {
  pickInto<FrmSeleccionGuardar>(txtguardar);
}

template <class Picker>
void FrmConfig::pickInto(QLineEdit* box) {
  connect(forms().show<Picker>(), &FolderPicker::folderChosen, box, &QLineEdit::setText,
          Qt::UniqueConnection);
}

// Each refusal says why; each question lets the user go back. Either way nothing is stored
// until every check has passed.
bool FrmConfig::checkFields() {
  if (txtdir->text().isEmpty() || txtguardar->text().isEmpty() || txtprefijo->text().isEmpty() ||
      cmbNImagenes->currentText().isEmpty()) {
    return refuse(QStringLiteral("Debe rellenar todos los campos."));
  }
  for (const QString& refusal : {settings::minimumRefusal(cmbNImagenes->currentText()),
                                 settings::prefixRefusal(txtprefijo->text())}) {
    if (!refusal.isEmpty()) {
      return refuse(refusal);
    }
  }
  // The box took only the start of a longer prefix of the file.
  const QString cut = txtprefijo->text() == storedPrefix_.left(settings::prefixLength)
                          ? settings::prefixCutQuestion(storedPrefix_)
                          : QString();
  for (const QString& question : {cut, settings::patternQuestion(txtextension->text())}) {
    if (!question.isEmpty() && !context().presenter->ask(question, this)) {
      return false;
    }
  }
  return folderReady(txtdir->text()) && folderReady(txtguardar->text());
}

bool FrmConfig::refuse(const QString& why) {
  context().presenter->critical(QStringLiteral("ERROR"), why, this);
  return false;
}

// A folder that is not there yet is made when the user agrees.
bool FrmConfig::folderReady(const QString& folder) {
  switch (settings::folderState(folder)) {
    case settings::FolderState::Folder:
      return true;
    case settings::FolderState::NotAFolder:
      return refuse(settings::notAFolderRefusal(folder));
    case settings::FolderState::Missing:
      break;
  }
  if (!context().presenter->ask(settings::missingFolderQuestion(folder), this)) {
    return false;
  }
  const QString notMade = settings::makeFolder(folder);
  return notMade.isEmpty() || refuse(notMade);
}

QString FrmConfig::storeFailure(const IniWrite& written) const {
  if (written.unreadable) {
    return QStringLiteral(
               "La configuración no se ha guardado porque no se puede leer el archivo "
               "de configuración %1: %2.")
        .arg(context().settingsFile, written.reason);
  }
  return QStringLiteral(
             "No se ha podido escribir el archivo de configuración %1: %2. La "
             "configuración no se ha guardado.")
      .arg(context().settingsFile, written.reason);
}

// One replacement of the file, so a failure leaves every key as it was; Apply stays enabled
// to try again.
bool FrmConfig::storeFields() {
  cmdaplicar->setEnabled(false);
  const IniWrite written = settings::store(context().settingsFile,
                                           {txtdir->text(), txtguardar->text(), txtprefijo->text(),
                                            cmbNImagenes->currentText(), txtextension->text()});
  if (!written.ok) {
    cmdaplicar->setEnabled(true);
    refuse(storeFailure(written));
  }
  return written.ok;
}

void FrmConfig::cmdaplicar_Click() {
  if (checkFields()) {
    storeFields();
  }
}

void FrmConfig::cmdaceptar_Click() {
  if (!checkFields() || !storeFields()) {
    return;
  }
  emit accepted(txtdir->text(), txtextension->text(),
                settings::readMinimum(cmbNImagenes->currentText()).value);
  close();
}

void FrmConfig::cmdcancelar_Click() {
  close();
}

void FrmConfig::Form_Unload() {
  forms().close<FrmSeleccionDir>();
  forms().close<FrmSeleccionGuardar>();
}
