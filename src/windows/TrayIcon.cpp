// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/TrayIcon.h"

#include "monitor/Messages.h"
#include "monitor/MonitorSession.h"

#include <utility>

namespace {
constexpr int noticeMilliseconds = 8000;
}

TrayIcon::TrayIcon(const QIcon& icon, MonitorSession& session, QObject* parent)
    : QObject(parent), session_(session), icon_(icon) {
  menu_.addAction(QStringLiteral("Iniciar"), &session, &MonitorSession::start);
  menu_.addAction(QStringLiteral("Detener"), &session, &MonitorSession::stop);
  QAction* save = menu_.addAction(QStringLiteral("Guardar Imagenes"), &session, [&session] {
    session.saveNow(MonitorSession::Base::SaveFolder);
  });
  menu_.addAction(QStringLiteral("Lotes guardados…"), this, &TrayIcon::historyChosen);
  menu_.addSeparator();
  menu_.addAction(QStringLiteral("Mostrar"), this, &TrayIcon::showChosen);
  menu_.addAction(QStringLiteral("Cerrar"), this, &TrayIcon::closeChosen);
  icon_.setContextMenu(&menu_);

  save->setEnabled(session.canSave());
  connect(&session, &MonitorSession::canSaveChanged, save, &QAction::setEnabled);
  connect(&session, &MonitorSession::stateChanged, this, &TrayIcon::showState);
  connect(&session, &MonitorSession::countChanged, this, &TrayIcon::showState);
  // A save's progress, shown too while the program waits for it to end.
  connect(&session, &MonitorSession::progressChanged, this,
          [this](const QString& progress) { icon_.setToolTip(trayProgress(progress)); });
  showState();

  // A click on the icon brings the window back, as the menu's "Mostrar" does.
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) {
      emit showChosen();
    }
  });
  // The notice that follows a save's report tells of that save's batch, when it made one.
  connect(&session, &MonitorSession::saveReported, this,
          [this](const MonitorSession::SaveReport& report) {
            const SaveResult& result = report.result;
            savedFolder_ = result.ok() && result.moved > 0 ? result.batchFolder : QString();
          });
  connect(&icon_, &QSystemTrayIcon::messageClicked, this, &TrayIcon::noticeClicked);
  icon_.show();
}

void TrayIcon::showState() {
  const QString tooltip = trayState(session_.isStarted(), session_.count());
  if (icon_.toolTip() != tooltip) {
    icon_.setToolTip(tooltip);
  }
}

void TrayIcon::showNotice(const QString& text) {
  lastNotice_ = text;
  noticeFolder_ = std::exchange(savedFolder_, QString());
  icon_.showMessage(QStringLiteral("Varndel"), text, QSystemTrayIcon::Information,
                    noticeMilliseconds);
}

void TrayIcon::noticeClicked() {
  if (!noticeFolder_.isEmpty()) {
    emit folderChosen(noticeFolder_);
  }
}
