// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <initializer_list>

struct AppContext;
class Forms;
class QIcon;

// Base of every window: fixed size, the program's background, deleted when closed, and a
// notice the moment it closes (deletion itself waits for the event loop).
class Form : public QWidget {
  Q_OBJECT
public:
  // A fixed window with a title bar and a close box, no minimise and no maximise box.
  static constexpr Qt::WindowFlags dialogFlags = Qt::Window | Qt::CustomizeWindowHint |
                                                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                 Qt::WindowCloseButtonHint;

  explicit Form(Forms& forms, Qt::WindowFlags flags = dialogFlags);

  // Runs once, right after the window is built.
  virtual void Form_Load() {}

signals:
  void closed();

protected:
  // Runs when the window closes, however it is closed. Closing is never refused.
  virtual void Form_Unload() {}

  void setClientSize(int width, int height);
  void setProgramIcon();
  // The order in which the tab key visits the given controls.
  void setFocusOrder(std::initializer_list<QWidget*> order);
  Forms& forms() const { return forms_; }
  AppContext& context() const;
  // Shows a folder in the desktop's file manager, or says where it is when nothing opens it.
  void openFolder(const QString& folder);

  void closeEvent(QCloseEvent* event) override;

private:
  Forms& forms_;
};

QIcon programIcon();

// Gives a control the name the window's design gives it, by which it can be found.
template <class Control>
Control* named(const char* name, Control* control) {
  control->setObjectName(QLatin1String(name));
  return control;
}
