#include "windows/FrmMonitoreo.h"

#include "controls/Labels.h"
#include "controls/StatusPanels.h"
#include "windows/TrayIcon.h"
#include "controls/XPButton.h"
#include "windows/FrmAcerca.h"
#include "forms/Forms.h"
#include "forms/MessagePresenter.h"
#include "fs/FileOps.h"
#include "monitor/SaveMessages.h"
#include "monitor/WatchDecision.h"
#include "settings/Config.h"
#include "windows/FrmConfig.h"
#include "windows/FrmTamano.h"
#include "windows/FrmVisor.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

namespace {

constexpr int clientWidth = 296;
constexpr int clientHeight = 304;
constexpr qint16 fallbackMinimum = 5;

const QString stopped = QStringLiteral("Estado : Detenido.");
const QString started = QStringLiteral("Estado : Iniciado.");

QString countText(int count) {
  return QStringLiteral("Imagenes : ") + QString::number(count);
}

// What a failed automatic save is remembered by: the same folder and prefix fail the same way.
QString settingsKey(const QString& base, const QString& prefix) {
  return base + QLatin1Char('\n') + prefix;
}

}  // namespace

FrmMonitoreo::FrmMonitoreo(Forms& forms)
    : Form(forms, Form::dialogFlags | Qt::WindowMinimizeButtonHint) {
  setWindowTitle(QStringLiteral("Varndel"));
  setProgramIcon();
  buildMenu();
  auto* client = new QWidget(this);
  const int menuHeight = menuBar->sizeHint().height();
  menuBar->setGeometry(0, 0, clientWidth, menuHeight);
  client->setGeometry(0, menuHeight, clientWidth, clientHeight);
  buildControls(client);
  setClientSize(clientWidth, clientHeight + menuHeight);

  named("Timer1", &Timer1)->setInterval(500);
  named("Timer2", &Timer2)->setInterval(500);
  connect(&Timer1, &QTimer::timeout, this, &FrmMonitoreo::Timer1_Timer);
  connect(&Timer2, &QTimer::timeout, this, &FrmMonitoreo::Timer2_Timer);
  connect(&saver_, &SaveWorker::finished, this, &FrmMonitoreo::saveFinished);
}

void FrmMonitoreo::buildMenu() {
  menuBar = new QMenuBar(this);
  QMenu* mnuarchivo = named("mnuarchivo", menuBar->addMenu(QStringLiteral("&Archivo")));
  mnuguardar = named("mnuguardar", mnuarchivo->addAction(QStringLiteral("&Guardar Imagenes")));
  named("mnusep2", mnuarchivo->addSeparator());
  mnuvisor = named("mnuvisor", mnuarchivo->addAction(QStringLiteral("&Visor")));
  mnuminimizar = named("mnuminimizar", mnuarchivo->addAction(QStringLiteral("&Minimizar")));
  named("mnusep1", mnuarchivo->addSeparator());
  mnucerrar = named("mnucerrar", mnuarchivo->addAction(QStringLiteral("&Cerrar")));
  QMenu* mnumonitoreo = named("mnumonitoreo", menuBar->addMenu(QStringLiteral("&Monitorizar")));
  mnuiniciar = named("mnuiniciar", mnumonitoreo->addAction(QStringLiteral("&Iniciar")));
  mnudetener = named("mnudetener", mnumonitoreo->addAction(QStringLiteral("&Detener")));
  mnuconfig = named("mnuconfig", menuBar->addAction(QStringLiteral("&Configuración")));
  mnacerca = named("mnacerca", menuBar->addAction(QStringLiteral("A&cerca de...")));

  connect(mnuguardar, &QAction::triggered, this, &FrmMonitoreo::mnuguardar_Click);
  connect(mnuvisor, &QAction::triggered, this, &FrmMonitoreo::mnuvisor_Click);
  connect(mnuminimizar, &QAction::triggered, this, &FrmMonitoreo::mnuminimizar_Click);
  connect(mnucerrar, &QAction::triggered, this, &FrmMonitoreo::mnucerrar_Click);
  connect(mnuiniciar, &QAction::triggered, this, &FrmMonitoreo::mnuiniciar_Click);
  connect(mnudetener, &QAction::triggered, this, &FrmMonitoreo::mnudetener_Click);
  connect(mnuconfig, &QAction::triggered, this, &FrmMonitoreo::mnuconfig_Click);
  connect(mnacerca, &QAction::triggered, this, &FrmMonitoreo::mnacerca_Click);
}

void FrmMonitoreo::buildControls(QWidget* client) {
  Picture1 = named("Picture1", makeBanner(QRect(24, 8, 249, 41), client));
  Label1 = named("Label1", makeBoldLabel(QStringLiteral("Directorio de monitorización:"),
                                         QRect(24, 56, 233, 17), client));
  lbldirectorio = named("lbldirectorio", new QLabel(client));
  lbldirectorio->setGeometry(24, 80, 249, 49);
  lbldirectorio->setWordWrap(true);
  lbldirectorio->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  cmdiniciar = named("cmdiniciar", new XPButton(QStringLiteral("&Iniciar"), client));
  cmdiniciar->setGeometry(96, 152, 113, 33);
  cmddetener = named("cmddetener", new XPButton(QStringLiteral("&Detener"), client));
  cmddetener->setGeometry(96, 192, 113, 33);
  cmdguardar = named("cmdguardar", new XPButton(QStringLiteral("&Guardar Imagenes"), client));
  cmdguardar->setGeometry(96, 232, 113, 33);
  connect(cmdiniciar, &XPButton::clicked, this, &FrmMonitoreo::cmdiniciar_Click);
  connect(cmddetener, &XPButton::clicked, this, &FrmMonitoreo::cmddetener_Click);
  connect(cmdguardar, &XPButton::clicked, this, &FrmMonitoreo::cmdguardar_Click);

  Estado = named("Estado", new StatusPanels({113, 87, 96}, client));
  Estado->setGeometry(0, 287, clientWidth, 17);
}

void FrmMonitoreo::Form_Load() {
  const QString& file = context().settingsFile;
  if (!QFileInfo::exists(file)) {
    startupProblems_ << QStringLiteral("No se encuentra el archivo de configuración: ") +
                            QDir::toNativeSeparators(file);
  }
  valorVis = settings::viewerSwitch(file);
  applySettings(settings::watchedFolder(file), settings::pattern(file));
  if (watchedFolder().isEmpty() || !QFileInfo(watchedFolder()).isDir()) {
    startupProblems_ << missingFolderNotice(watchedFolder());
  }
  setPanel(1, stopped);
  readMinimum();
  if (count() == 0) {
    cmdguardar->setEnabled(false);
  }
  if (valorVis == QLatin1String("0x0") || valorVis == QLatin1String("0")) {
    mnuvisor->setVisible(false);
  } else if (valorVis == QLatin1String("0x1")) {
    mnuvisor->setVisible(true);
  }
  recoverAtStart();
  buildTray();
  Timer2.start();
}

// The tray runs the window's own handlers, so a command means the same from either place.
void FrmMonitoreo::buildTray() {
  if (tray_ || !context().trayAvailable()) {
    return;
  }
  tray_ = new TrayIcon(programIcon(), this);
  tray_->setObjectName(QStringLiteral("tray"));
  connect(tray_, &TrayIcon::startChosen, this, &FrmMonitoreo::cmdiniciar_Click);
  connect(tray_, &TrayIcon::stopChosen, this, &FrmMonitoreo::cmddetener_Click);
  connect(tray_, &TrayIcon::saveChosen, this, &FrmMonitoreo::cmdguardar_Click);
  connect(tray_, &TrayIcon::showChosen, this, &FrmMonitoreo::showFromTray);
  connect(tray_, &TrayIcon::closeChosen, this, &FrmMonitoreo::mnucerrar_Click);
  tray_->setState(trayState(isMonitoring(), count()));
}

void FrmMonitoreo::showFromTray() {
  showNormal();
  raise();
  activateWindow();
}

// Only while the window is out of sight: otherwise the status bar already tells.
void FrmMonitoreo::tellTray(const SaveResult& result, const QString& statusNotice) {
  if (!tray_ || (isVisible() && !isMinimized())) {
    return;
  }
  const QString text = result.ok() && result.moved > 0 ? batchSavedNotice(result) : statusNotice;
  if (!text.isEmpty()) {
    tray_->showNotice(text);
  }
}

void FrmMonitoreo::applySettings(const QString& folder, const QString& pattern) {
  setPattern(pattern);
  setWatchedFolder(folder);
  lbldirectorio->setText(folder);
  setPanel(2, countText(count()));
}

void FrmMonitoreo::recoverAtStart() {
  const RecoveryReport report =
      recoverInterruptedSaves(settings::saveFolder(context().settingsFile), watchedFolder(),
                              context().fileOps ? *context().fileOps : realFileOps());
  if (!report.empty()) {
    File1.refresh();
    setPanel(2, countText(count()));
    startupNotice_ = recoveryNotice(report);
  }
}

void FrmMonitoreo::readMinimum() {
  const QString text = settings::minimum(context().settingsFile);
  bool ok = false;
  const qint16 value = text.trimmed().toShort(&ok);
  if (ok) {
    minImagenes = value;
    return;
  }
  minImagenes = fallbackMinimum;
  startupProblems_ << QStringLiteral("El número mínimo de imagenes no es válido: \"") + text +
                          QStringLiteral("\". Se usará %1.").arg(fallbackMinimum);
}

void FrmMonitoreo::showEvent(QShowEvent* event) {
  Form::showEvent(event);
  if (!reported_) {
    reported_ = true;
    QTimer::singleShot(0, this, &FrmMonitoreo::reportStartupProblems);
  }
}

// A status bar given a notice before it is first shown would draw the notice over its panels.
void FrmMonitoreo::reportStartupProblems() {
  if (!startupNotice_.isEmpty()) {
    Estado->showNotice(startupNotice_);
    startupNotice_.clear();
  }
  if (startupProblems_.isEmpty()) {
    return;
  }
  context().presenter->critical(QStringLiteral("ERROR"), startupProblems_.join(QLatin1Char('\n')));
}

void FrmMonitoreo::setWatchedFolder(const QString& folder) {
  File1.setFolder(folder);
  if (context().fileEvents) {
    writeWatch_.setFolder(folder);
  }
}

void FrmMonitoreo::setPanel(int number, const QString& text) {
  Estado->setPanel(number, text);
}

QString FrmMonitoreo::panel(int number) const {
  return Estado->panel(number);
}

// Starting again while started only writes the same text: the next tick keeps its time.
void FrmMonitoreo::cmdiniciar_Click() {
  if (!Timer1.isActive()) {
    Timer1.start();
  }
  setPanel(1, started);
}

void FrmMonitoreo::cmddetener_Click() {
  Timer1.stop();
  setPanel(1, stopped);
}

void FrmMonitoreo::cmdguardar_Click() {
  const SaveTarget target = readSaveTarget();
  guardarImagenes(target.saveFolder, target, true);
}

void FrmMonitoreo::mnuguardar_Click() {
  guardarImagenes(watchedFolder(), readSaveTarget(), true);
}

FrmMonitoreo::SaveTarget FrmMonitoreo::readSaveTarget() const {
  const QString& file = context().settingsFile;
  return {settings::saveFolder(file), settings::prefix(file)};
}

// The save runs on a thread of its own; until its result is handled, and while a message box
// about it runs a nested event loop, ticks and other saves stay out.
void FrmMonitoreo::guardarImagenes(const QString& base, const SaveTarget& target, bool byHand) {
  if (busy_) {
    return;
  }
  busy_ = true;
  savingByHand_ = byHand;
  saveSettings_ = settingsKey(base, target.prefix);
  const QDateTime now = context().now();
  SaveWorker::Job job{
      {base, target.prefix, watchedFolder(), File1.names(), now, patience_.overdue(now)},
      target.saveFolder,
      context().fileOps,
      {true, {}, [watch = &writeWatch_](const QByteArray& name, const timespec& modified) {
         return watch->verdict(name, modified);
       }}};
  saver_.start(std::move(job));
}

// The list is refreshed after every save, so that what it names is what the folder holds.
void FrmMonitoreo::saveFinished(const SaveResult& result, const RecoveryReport& recovery) {
  refreshList();
  const QDateTime now = context().now();
  patience_.record(result, now);
  QStringList notices;
  if (!recovery.empty()) {
    notices << recoveryNotice(recovery);
  }
  if (savingByHand_) {
    const QString text = manualSaveText(result);
    if (!text.isEmpty() && !closeAfterSave_) {
      if (result.ok()) {
        context().presenter->plain(text);
      } else {
        context().presenter->critical(QStringLiteral("ERROR"), text);
      }
    }
  } else {
    backoff_.record(result, File1.signature(), saveSettings_, now);
    const QString notice = autoNotices_.noticeFor(result, now);
    tellTray(result, notice);
    notices << notice;
  }
  notices.removeAll(QString());
  if (notices.isEmpty()) {
    Estado->clearMessage();
  } else {
    Estado->showNotice(notices.join(QLatin1Char(' ')));
  }
  busy_ = false;
  if (closeAfterSave_) {
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void FrmMonitoreo::Timer1_Timer() {
  if (busy_) {
    return;
  }
  checkWatchedFolder();
  setPanel(2, countText(count()));
  refreshList();
  if (!shouldSave(count(), minImagenes)) {
    return;
  }
  const SaveTarget target = readSaveTarget();
  if (backoff_.allows(File1.signature(), settingsKey(target.saveFolder, target.prefix),
                      context().now())) {
    guardarImagenes(target.saveFolder, target, false);
  }
}

// A folder renamed away, removed or replaced is said once; the watch picks it up again when
// it comes back.
void FrmMonitoreo::checkWatchedFolder() {
  const QFileInfo folder(watchedFolder());
  const FolderHealth::Step step =
      folderHealth_.tick(watchedFolder(), folder.isDir() && folder.isReadable());
  if (step.action == FolderHealth::Action::Show) {
    Estado->showNotice(step.notice);
  } else if (step.action == FolderHealth::Action::Clear) {
    Estado->clearMessage();
  }
  writeWatch_.ensureArmed();
}

void FrmMonitoreo::Timer2_Timer() {
  buildTray();
  if (tray_) {
    tray_->setState(trayState(isMonitoring(), count()));
  }
  if (saver_.running()) {
    Estado->showNotice(progressNotice(saver_.done(), saver_.total()));
  }
  if (busy_) {
    return;
  }
  cmdguardar->setEnabled(count() != 0);
  setPanel(3, QStringLiteral("Ext : ") + pattern());
  setPanel(2, countText(count()));
}

void FrmMonitoreo::mnuvisor_Click() {
  cmddetener_Click();
  hide();
  connect(forms().show<FrmTamano>(), &Form::closed, this, &FrmMonitoreo::chooserClosed,
          Qt::UniqueConnection);
}

// Accepted, the chooser leaves the viewer open, and the main window waits for that to close.
void FrmMonitoreo::chooserClosed() {
  if (forms().isOpen<FrmVisor>()) {
    connect(forms().get<FrmVisor>(), &Form::closed, this, &FrmMonitoreo::comeBack,
            Qt::UniqueConnection);
  } else {
    comeBack();
  }
}

// The windows the main window hides behind give it back when they close, rather than leave the
// program running with no window at all; but not while the whole program is closing.
void FrmMonitoreo::comeBack() {
  if (!forms().shuttingDown()) {
    forms().show<FrmMonitoreo>();
  }
}

void FrmMonitoreo::mnuminimizar_Click() {
  showMinimized();
}

void FrmMonitoreo::mnucerrar_Click() {
  close();
}

void FrmMonitoreo::mnuconfig_Click() {
  hide();
  FrmConfig* config = forms().show<FrmConfig>();
  connect(config, &FrmConfig::accepted, this, &FrmMonitoreo::applySettings, Qt::UniqueConnection);
  connect(config, &Form::closed, this, &FrmMonitoreo::comeBack, Qt::UniqueConnection);
}

void FrmMonitoreo::mnacerca_Click() {
  forms().show<FrmAcerca>();
}

// A save in progress ends, finished or rolled back, before the program does: the window goes
// at once, and the program follows when the save is over.
void FrmMonitoreo::closeEvent(QCloseEvent* event) {
  if (saver_.running()) {
    closeAfterSave_ = true;
    Timer1.stop();
    hide();
    event->ignore();
    return;
  }
  cerrarPrograma();
  Form::closeEvent(event);
  if (context().quit) {
    context().quit();
  }
}

// Closing the main window ends the program: nothing is asked and nothing is saved.
void FrmMonitoreo::cerrarPrograma() {
  forms().beginShutdown();
  Timer1.stop();
  setPanel(1, stopped);
  // The viewer stays: the program ends all the same.
  forms().closeAllExcept<FrmMonitoreo, FrmVisor>();
}
