#pragma once

#include "app/AppContext.h"
#include "app/Form.h"

#include <QPointer>

#include <typeindex>
#include <unordered_map>

// Owns the one instance of each window class. Windows reach each other only through here.
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
    QPointer<Form>& slot = windows_[typeid(T)];
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
    const auto it = windows_.find(typeid(T));
    return it != windows_.end() && it->second;
  }

  template <class T>
  void close() {
    if (isOpen<T>()) {
      windows_.at(typeid(T))->close();
    }
  }

  // Set while the program shuts down, so closing windows do not bring others back.
  bool shuttingDown() const { return shuttingDown_; }
  void beginShutdown() { shuttingDown_ = true; }

private:
  Form* build(Form* window);
  void forget(Form* window);
  static void present(QWidget* window);

  AppContext context_;
  std::unordered_map<std::type_index, QPointer<Form>> windows_;
  bool shuttingDown_ = false;
};
