#pragma once

#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

// The program's icon in the desktop's system tray, for players whose game covers the screen:
// the state as a tooltip, a menu with the main window's commands, and short notices.
class TrayIcon : public QObject {
  Q_OBJECT
public:
  TrayIcon(const QIcon& icon, QObject* parent);

  void setState(const QString& tooltip);
  void showNotice(const QString& text);
  QString lastNotice() const { return lastNotice_; }
  QString state() const { return icon_.toolTip(); }
  QMenu* menu() { return &menu_; }

signals:
  void startChosen();
  void stopChosen();
  void saveChosen();
  void showChosen();
  void closeChosen();

private:
  QSystemTrayIcon icon_;
  QMenu menu_;
  QString lastNotice_;
};
