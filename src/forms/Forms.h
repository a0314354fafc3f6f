// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "forms/AppContext.h"
#include "forms/Form.h"

#include <QPointer>

#include <initializer_list>
#include <map>
#include <string_view>

// Owns the one instance of each window class, and does no more than build, show and close them.
class Forms {
public:
  explicit Forms(AppContext context);
  ~Forms();
  Forms(const Forms&) = delete;
  Forms& operator=(const Forms&) = delete;

  AppContext& context() { return context_; }

  // Builds the window when it is not open, running its load step, without showing it.
  template <class T>
  T* get() {
    QPointer<Form>& slot = windows_[key<T>()];
    if (!slot) {
      slot = build(new T(*this));
    }
    return static_cast<T*>(slot.data());
  }

  // Builds the window when needed, then shows it and brings it forward.
  template <class T>
  T* show() {
    T* window = get<T>();
    present(window);
    return window;
  }

  template <class T>
  bool isOpen() const {
    const auto it = windows_.find(key<T>());
    return it != windows_.end() && it->second;
  }

  template <class T>
  void close() {
    if (isOpen<T>()) {
      windows_.at(key<T>())->close();
    }
  }

  // Closes every open window but those of the given classes, in the order of their class names.
  template <class... Kept>
  void closeAllExcept() {
    closeAllBut({key<Kept>()...});
  }

  // The window of that class, once hidden behind others, comes back when the last of them
  // closes, rather than leave the program running with no window at all; but not while the
  // program shuts down.
  template <class T>
  void comeBackTo() {
    mainKey_ = key<T>();
  }

  // Brings the program's open windows out of minimising and forward, the main window under the
  // others and a modal box on top, and activates the topmost: what a later start asks for.
  void bringForward();

  // Set while the program shuts down, so closing windows do not bring others back.
  bool shuttingDown() const { return shuttingDown_; }
  void beginShutdown() { shuttingDown_ = true; }

private:
  // Every window class declares Q_OBJECT, so its name is its own.
  template <class T>
  static std::string_view key() {
    return T::staticMetaObject.className();
  }

  Form* build(Form* window);
  void forget(Form* window);
  void bringMainBack();
  void closeAllBut(std::initializer_list<std::string_view> kept);
  static void present(QWidget* window);

  AppContext context_;
  // Ordered by class name, so that closing them all goes the same way every time.
  std::map<std::string_view, QPointer<Form>> windows_;
  bool shuttingDown_ = false;
  std::string_view mainKey_;
};
