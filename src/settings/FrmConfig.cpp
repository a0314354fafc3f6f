#include "settings/FrmConfig.h"

#include "app/Forms.h"
#include "app/MessagePresenter.h"
#include "app/Twips.h"
#include "controls/FittedLabel.h"
#include "controls/XPButton.h"
#include "dialogs/FrmSeleccionDir.h"
#include "dialogs/FrmSeleccionGuardar.h"
#include "monitor/FrmMonitoreo.h"
#include "settings/Config.h"
#include "settings/LeeRegistro.h"
#include "settings/WinePath.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString mstsKey =
    QStringLiteral("Software\\Microsoft\\Microsoft Games\\Train Simulator\\1.0");
constexpr int prefixLength = 12;

QLineEdit* makeBox(const QRect& geometry, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setGeometry(geometry);
  return box;
}

XPButton* makeButton(const QString& caption, const QRect& geometry, QWidget* parent) {
  auto* button = new XPButton(caption, parent);
  button->setGeometry(geometry);
  return button;
}

}  // namespace

FrmConfig::FrmConfig(Forms& forms) : Form(forms) {
  setWindowTitle(QStringLiteral("Varndel - Configuración"));
  setClientSize(twips(4680), twips(7020));
  setProgramIcon();
  buildFrame1();
  buildFrame2();
  buildButtons();
  setFocusOrder();
  connectHandlers();
}

void FrmConfig::buildFrame1() {
  Frame1 = new QGroupBox(QStringLiteral("Directorio monitorizado"), this);
  Frame1->setGeometry(twipsRect(120, 240, 4455, 1815));
  Label1 = makeFittedLabel(QStringLiteral("Escriba la ruta del directorio a monitorizar:"),
                           twipsRect(240, 360, 3975, 255), Frame1);
  txtdir = makeBox(twipsRect(240, 720, 3615, 285), Frame1);
  cmdseleccionar = makeButton(QStringLiteral("..."), twipsRect(3960, 720, 255, 255), Frame1);
  cmdmsts = makeButton(QStringLiteral("Msts"), twipsRect(3240, 1200, 975, 375), Frame1);
  cmdmsts->setToolTip(QStringLiteral("Selecciona el directorio de instalación del Msts."));
}

void FrmConfig::buildFrame2() {
  Frame2 = new QGroupBox(QStringLiteral("Guardar Imagenes"), this);
  Frame2->setGeometry(twipsRect(120, 2160, 4455, 4095));
  Label2 = makeFittedLabel(QStringLiteral("Escriba la ruta donde se guardarán las imagenes:"),
                           twipsRect(240, 360, 3735, 255), Frame2);
  txtguardar = makeBox(twipsRect(240, 720, 3615, 285), Frame2);
  cmdguardar = makeButton(QStringLiteral("..."), twipsRect(3960, 720, 255, 255), Frame2);
  Label3 = makeFittedLabel(
      QStringLiteral(
          "Escriba el prefijo con el que se crearán las carpetas que contengan las imágenes:"),
      twipsRect(240, 1200, 3855, 495), Frame2);
  Label4 = makeFittedLabel(QStringLiteral("Prefijo :"), twipsRect(240, 1800, 615, 255), Frame2);
  txtprefijo = makeBox(twipsRect(840, 1680, 1215, 285), Frame2);
  txtprefijo->setAlignment(Qt::AlignCenter);
  txtprefijo->setMaxLength(prefixLength);
  cmddefecto = makeButton(QStringLiteral("Por Defecto"), twipsRect(2160, 1680, 975, 255), Frame2);
  Label5 = makeFittedLabel(QStringLiteral("Número mínimo de imagenes para el guardado automático:"),
                           twipsRect(240, 2280, 3495, 375), Frame2);
  cmbNImagenes = new QComboBox(Frame2);
  cmbNImagenes->setGeometry(twipsRect(240, 2760, 1335, 315));
  cmbNImagenes->setEditable(true);
  cmbNImagenes->setInsertPolicy(QComboBox::NoInsert);
  // Typed text is stored as typed: completing "1" to "10" would store 10.
  cmbNImagenes->setCompleter(nullptr);
  cmbNImagenes->addItems(
      {QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20")});
  Label6 = makeFittedLabel(QStringLiteral("Tipo de fichero a monitorizar:"),
                           twipsRect(240, 3240, 3855, 255), Frame2);
  txtextension = makeBox(twipsRect(240, 3600, 735, 285), Frame2);
  txtextension->setAlignment(Qt::AlignCenter);
  cmdtodos = makeButton(QStringLiteral("Todos"), twipsRect(1080, 3600, 975, 255), Frame2);
  cmdtodos->hide();
  Label7 = makeFittedLabel(QStringLiteral("Para varias extensiones separarlas con \" ; \" ."),
                           twipsRect(2160, 3600, 2055, 375), Frame2);
}

void FrmConfig::buildButtons() {
  cmdcancelar = makeButton(QStringLiteral("&Cancelar"), twipsRect(1440, 6480, 975, 375), this);
  cmdaplicar = makeButton(QStringLiteral("A&plicar"), twipsRect(2520, 6480, 975, 375), this);
  cmdaceptar = makeButton(QStringLiteral("&Aceptar"), twipsRect(3600, 6480, 975, 375), this);
}

void FrmConfig::setFocusOrder() {
  QWidget* const order[] = {cmdcancelar, cmdaplicar,   cmdaceptar,  cmdmsts,    cmdseleccionar,
                            txtdir,      cmdtodos,     cmddefecto,  cmdguardar, txtguardar,
                            txtprefijo,  cmbNImagenes, txtextension};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    setTabOrder(order[i], order[i + 1]);
  }
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
  txtdir->setText(readSetting(context(), QStringLiteral("Dir1")));
  txtguardar->setText(readSetting(context(), QStringLiteral("Dir2")));
  txtprefijo->setText(readSetting(context(), QStringLiteral("Pref")));
  cmbNImagenes->setEditText(readSetting(context(), QStringLiteral("Imagenes")));
  txtextension->setText(readSetting(context(), QStringLiteral("Ext")));
  cmdcancelar->setFocus();
}

void FrmConfig::txtdir_Change() {
  cmdaplicar->setEnabled(true);
  txtdir->setToolTip(txtdir->text());
}

void FrmConfig::txtguardar_Change() {
  cmdaplicar->setEnabled(true);
  txtguardar->setToolTip(txtguardar->text());
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
// folder behind it; a number is shown as it is.
void FrmConfig::cmdmsts_Click() {
  const RegistryResult found =
      LeeValor(context(), HKEY_LOCAL_MACHINE, mstsKey, QStringLiteral("Path"));
  QString text = resultText(found);
  if (std::holds_alternative<QString>(found)) {
    text = linuxPathInPrefix(QFileInfo(context().wineRegistry).absolutePath(), text);
  }
  txtdir->setText(text);
}

void FrmConfig::cmdseleccionar_Click() {
  forms().show<FrmSeleccionDir>();
}

void FrmConfig::cmdguardar_Click() {
  forms().show<FrmSeleccionGuardar>();
}

bool FrmConfig::checkFields() {
  if (txtdir->text().isEmpty() || txtguardar->text().isEmpty() || txtprefijo->text().isEmpty() ||
      cmbNImagenes->currentText().isEmpty()) {
    context().presenter->critical(QStringLiteral("ERROR"),
                                  QStringLiteral("Debe rellenar todos los campos."));
    return false;
  }
  return true;
}

// One replacement of the file, so a failure leaves every key as it was; Apply stays enabled
// to try again.
bool FrmConfig::storeFields() {
  cmdaplicar->setEnabled(false);
  const ini::KeyValues fields = {
      {QStringLiteral("Dir1"), txtdir->text()},
      {QStringLiteral("Dir2"), txtguardar->text()},
      {QStringLiteral("Pref"), txtprefijo->text()},
      {QStringLiteral("Imagenes"), cmbNImagenes->currentText()},
      {QStringLiteral("Ext"), txtextension->text()},
  };
  const IniWrite written = writeSettings(context(), fields);
  if (!written.ok) {
    cmdaplicar->setEnabled(true);
    context().presenter->critical(
        QStringLiteral("ERROR"),
        QStringLiteral("No se ha podido escribir el fichero de configuración %1: %2. "
                       "La configuración no se ha guardado.")
            .arg(context().settingsFile, written.reason));
  }
  return written.ok;
}

void FrmConfig::pushIntoMainWindow() {
  FrmMonitoreo* main = forms().get<FrmMonitoreo>();
  main->setWatchedFolder(txtdir->text());
  main->setDirectoryLabel(main->watchedFolder());
  main->setPattern(txtextension->text());
  main->refreshList();
  main->setPanel(2, QStringLiteral("Imagenes : ") + QString::number(main->count()));
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
  pushIntoMainWindow();
  close();
}

void FrmConfig::cmdcancelar_Click() {
  close();
}

void FrmConfig::Form_Unload() {
  forms().close<FrmSeleccionDir>();
  forms().close<FrmSeleccionGuardar>();
  if (!forms().shuttingDown()) {
    forms().show<FrmMonitoreo>();
  }
}
