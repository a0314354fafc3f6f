#include "windows/TrayIcon.h"

namespace {
constexpr int noticeMilliseconds = 8000;
}

TrayIcon::TrayIcon(const QIcon& icon, QObject* parent) : QObject(parent), icon_(icon) {
  connect(menu_.addAction(QStringLiteral("Iniciar")), &QAction::triggered, this,
          &TrayIcon::startChosen);
  connect(menu_.addAction(QStringLiteral("Detener")), &QAction::triggered, this,
          &TrayIcon::stopChosen);
  connect(menu_.addAction(QStringLiteral("Guardar Imagenes")), &QAction::triggered, this,
          &TrayIcon::saveChosen);
  menu_.addSeparator();
  connect(menu_.addAction(QStringLiteral("Mostrar")), &QAction::triggered, this,
          &TrayIcon::showChosen);
  connect(menu_.addAction(QStringLiteral("Cerrar")), &QAction::triggered, this,
          &TrayIcon::closeChosen);
  icon_.setContextMenu(&menu_);
  // A click on the icon brings the window back, as the menu's "Mostrar" does.
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) {
      emit showChosen();
    }
  });
  icon_.show();
}

void TrayIcon::setState(const QString& tooltip) {
  if (icon_.toolTip() != tooltip) {
    icon_.setToolTip(tooltip);
  }
}

void TrayIcon::showNotice(const QString& text) {
  lastNotice_ = text;
  icon_.showMessage(QStringLiteral("Varndel"), text, QSystemTrayIcon::Information,
                    noticeMilliseconds);
}
