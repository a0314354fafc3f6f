// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/FrmMonitoreo.h"

#include "controls/Labels.h"
#include "controls/NoticeLine.h"
#include "controls/StatusPanels.h"
#include "controls/XPButton.h"
#include "forms/Forms.h"
#include "forms/MessagePresenter.h"
#include "windows/FrmAcerca.h"
#include "windows/FrmConfig.h"
#include "windows/FrmLotes.h"
#include "windows/FrmTamano.h"
#include "windows/FrmVisor.h"
#include "windows/TrayIcon.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

#include <utility>

namespace {

constexpr int ticksBetweenTrayLooks = 5;  // a look every 3 s

constexpr int clientWidth = 296;
constexpr int clientHeight = 304;

MonitorSession::Environment sessionEnvironment(const AppContext& context) {
  return {context.settingsFile, context.now, context.fileOps, context.fileEvents,
          context.historyFile};
}

}  // namespace

FrmMonitoreo::FrmMonitoreo(Forms& forms)
    : Form(forms, Form::dialogFlags | Qt::WindowMinimizeButtonHint),
      session_(sessionEnvironment(forms.context()), this) {
  setWindowTitle(QStringLiteral("Varndel"));
  setProgramIcon();
  buildMenu();
  auto* client = new QWidget(this);
  const int menuHeight = menuBar->sizeHint().height();
  menuBar->setGeometry(0, 0, clientWidth, menuHeight);
  client->setGeometry(0, menuHeight, clientWidth, clientHeight);
  buildControls(client);
  setClientSize(clientWidth, clientHeight + menuHeight);
  followSession();
}

void FrmMonitoreo::buildMenu() {
  menuBar = new QMenuBar(this);
  QMenu* mnuarchivo = named("mnuarchivo", menuBar->addMenu(QStringLiteral("&Archivo")));
  mnuguardar = named("mnuguardar", mnuarchivo->addAction(QStringLiteral("&Guardar Imagenes"), this,
                                                         &FrmMonitoreo::mnuguardar_Click));
  mnulotes = named("mnulotes", mnuarchivo->addAction(QStringLiteral("&Lotes guardados…"), this,
                                                     &FrmMonitoreo::mnulotes_Click));
  named("mnusep2", mnuarchivo->addSeparator());
  mnuvisor = named("mnuvisor", mnuarchivo->addAction(QStringLiteral("&Visor"), this,
                                                     &FrmMonitoreo::mnuvisor_Click));
  mnuminimizar = named("mnuminimizar", mnuarchivo->addAction(QStringLiteral("&Minimizar"), this,
                                                             &FrmMonitoreo::mnuminimizar_Click));
  named("mnusep1", mnuarchivo->addSeparator());
  mnucerrar = named("mnucerrar", mnuarchivo->addAction(QStringLiteral("&Cerrar"), this,
                                                       &FrmMonitoreo::mnucerrar_Click));
  QMenu* mnumonitoreo = named("mnumonitoreo", menuBar->addMenu(QStringLiteral("&Monitorizar")));
  mnuiniciar = named("mnuiniciar", mnumonitoreo->addAction(QStringLiteral("&Iniciar"), this,
                                                           &FrmMonitoreo::mnuiniciar_Click));
  mnudetener = named("mnudetener", mnumonitoreo->addAction(QStringLiteral("&Detener"), this,
                                                           &FrmMonitoreo::mnudetener_Click));
  mnuconfig = named("mnuconfig", menuBar->addAction(QStringLiteral("&Configuración"), this,
                                                    &FrmMonitoreo::mnuconfig_Click));
  mnacerca = named("mnacerca", menuBar->addAction(QStringLiteral("A&cerca de..."), this,
                                                  &FrmMonitoreo::mnacerca_Click));
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

  lblaviso = named("lblaviso", new NoticeLine(client));
  lblaviso->setGeometry(4, 268, clientWidth - 8, 17);
  connect(lblaviso, &NoticeLine::wholeTextWanted, this,
          [this](const QString& text) { context().presenter->plain(text, this); });
  connect(lblaviso, &NoticeLine::folderWanted, this, &FrmMonitoreo::openFolder);
  Estado = named("Estado", new StatusPanels(client));
  Estado->setGeometry(0, 287, clientWidth, 17);
}

void FrmMonitoreo::followSession() {
  MonitorSession* s = &session_;
  connect(s, &MonitorSession::stateChanged, this, [this](bool started) {
    setPanel(1,
             started ? QStringLiteral("Estado : Iniciado.") : QStringLiteral("Estado : Detenido."));
  });
  connect(s, &MonitorSession::countChanged, this, [this](int count) {
    setPanel(2, QStringLiteral("Imagenes : ") + QString::number(count));
  });
  connect(s, &MonitorSession::patternChanged, this,
          [this](const QString& pattern) { setPanel(3, QStringLiteral("Ext : ") + pattern); });
  connect(s, &MonitorSession::canSaveChanged, cmdguardar, &QWidget::setEnabled);
  connect(s, &MonitorSession::progressChanged, lblaviso,
          [this](const QString& progress) { lblaviso->showNotice(progress); });
  connect(s, &MonitorSession::notice, this, &FrmMonitoreo::showNotice);
  connect(s, &MonitorSession::saveReported, this, &FrmMonitoreo::showSaveReport);
  connect(s, &MonitorSession::recovered, this,
          [this](const QString& notice) { startupNotice_ = notice; });
  connect(s, &MonitorSession::ticked, this, &FrmMonitoreo::buildTray);
  // Closed from the event loop, not from inside the save's own report.
  connect(s, &MonitorSession::readyToClose, this, &QWidget::close, Qt::QueuedConnection);
}

void FrmMonitoreo::Form_Load() {
  forms().comeBackTo<FrmMonitoreo>();
  session_.load();
  lbldirectorio->setText(session_.watchedFolder());
  mnuvisor->setVisible(session_.settings().viewerOffered);
  buildTray();
}

void FrmMonitoreo::applySettings(const QString& folder, const QString& pattern, qint16 minimum) {
  session_.applySettings(folder, pattern);
  session_.setMinimum(minimum);
  lbldirectorio->setText(folder);
}

// The tray is a second view of the same session.
// Asking for the desktop's tray costs a round trip to the display server: while there is none,
// it is asked every few seconds rather than at every tick.
void FrmMonitoreo::buildTray() {
  if (tray_ || ticksUntilTrayLook_-- > 0) {
    return;
  }
  ticksUntilTrayLook_ = ticksBetweenTrayLooks;
  if (!context().trayAvailable()) {
    return;
  }
  tray_ = new TrayIcon(programIcon(), session_, this);
  tray_->setObjectName(QStringLiteral("tray"));
  connect(tray_, &TrayIcon::showChosen, this, &FrmMonitoreo::showFromTray);
  connect(tray_, &TrayIcon::closeChosen, this, &FrmMonitoreo::mnucerrar_Click);
  connect(tray_, &TrayIcon::historyChosen, this, &FrmMonitoreo::mnulotes_Click);
  connect(tray_, &TrayIcon::folderChosen, this, &FrmMonitoreo::openFolder);
}

void FrmMonitoreo::showFromTray() {
  showNormal();
  raise();
  activateWindow();
}

// What is meant for a user away from the window goes to the tray only while the window is out
// of sight: otherwise the status bar already tells.
void FrmMonitoreo::showNotice(MonitorSession::NoticeKind kind, const QString& text) {
  switch (kind) {
    case MonitorSession::NoticeKind::Away:
      if (tray_ && !(isVisible() && !isMinimized())) {
        tray_->showNotice(text);
      }
      break;
    case MonitorSession::NoticeKind::Standing:
      lblaviso->setStanding(text);
      break;
    case MonitorSession::NoticeKind::Status:
      lblaviso->showNotice(text, std::exchange(savedFolder_, QString()));
      break;
  }
}

// The notice that follows an automatic save's report tells of that save's batch, when it made
// one, and a click on it opens the batch.
void FrmMonitoreo::showSaveReport(const MonitorSession::SaveReport& report) {
  const SaveResult& result = report.result;
  savedFolder_ = !report.byHand && result.ok() && result.moved > 0 ? result.batchFolder : QString();
  if (!report.byHand || report.text.isEmpty()) {
    return;
  }
  if (result.ok()) {
    context().presenter->plain(report.text, this);
  } else {
    context().presenter->critical(QStringLiteral("ERROR"), report.text, this);
  }
}

// The start-up box waits until the window is on screen: shown before it, a box could come
// up under the window as the desktop places it, or be gone behind it.
void FrmMonitoreo::paintEvent(QPaintEvent* event) {
  Form::paintEvent(event);
  if (!reported_) {
    reported_ = true;
    QTimer::singleShot(0, this, &FrmMonitoreo::reportStartupProblems);
  }
}

void FrmMonitoreo::reportStartupProblems() {
  if (!startupNotice_.isEmpty()) {
    lblaviso->showNotice(startupNotice_);
    startupNotice_.clear();
  }
  if (!session_.startupProblems().isEmpty()) {
    context().presenter->critical(QStringLiteral("ERROR"),
                                  session_.startupProblems().join(QLatin1Char('\n')), this);
  }
}

void FrmMonitoreo::setPanel(int number, const QString& text) {
  Estado->setPanel(number, text);
}

QString FrmMonitoreo::panel(int number) const {
  return Estado->panel(number);
}

// The main window hides behind the chooser and the viewer, and comes back when they close.
void FrmMonitoreo::mnuvisor_Click() {
  cmddetener_Click();
  hide();
  forms().show<FrmTamano>();
}

void FrmMonitoreo::mnuconfig_Click() {
  hide();
  connect(forms().show<FrmConfig>(), &FrmConfig::accepted, this, &FrmMonitoreo::applySettings,
          Qt::UniqueConnection);
}

void FrmMonitoreo::mnulotes_Click() {
  forms().show<FrmLotes>()->follow(session_);
}

void FrmMonitoreo::mnacerca_Click() {
  forms().show<FrmAcerca>();
}

// A save in progress ends, finished or rolled back, before the program does: the window, or
// the tray when it is hidden, shows the save's progress until then, and nothing new starts.
void FrmMonitoreo::closeEvent(QCloseEvent* event) {
  if (session_.closeWhenSaved()) {
    forms().beginShutdown();
    showClosing();
    event->ignore();
    return;
  }
  cerrarPrograma();
  Form::closeEvent(event);
  if (context().quit) {
    context().quit();
  }
}

void FrmMonitoreo::showClosing() {
  for (QWidget* command :
       std::initializer_list<QWidget*>{menuBar, cmdiniciar, cmddetener, cmdguardar}) {
    command->setEnabled(false);
  }
}

void FrmMonitoreo::endOnRequest() {
  session_.stopSaving();
  close();
}

// Closing the main window ends the program: nothing is asked and nothing is saved.
void FrmMonitoreo::cerrarPrograma() {
  forms().beginShutdown();
  session_.stop();
  // The viewer stays: the program ends all the same.
  forms().closeAllExcept<FrmMonitoreo, FrmVisor>();
}
