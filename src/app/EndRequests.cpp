// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EndRequests.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace {

constexpr int endSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t writeEnd = -1;

void onSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

EndRequests::EndRequests(QObject* parent) : QObject(parent) {
  int ends[2];
  if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
    return;  // the signals keep their default action
  }
  readEnd_ = UniqueFd(ends[0]);
  writeEnd = ends[1];
  notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &EndRequests::readPipe);
  struct sigaction action {};
  action.sa_handler = onSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (const int signal : endSignals) {
    sigaction(signal, &action, nullptr);
  }
}

EndRequests::~EndRequests() {
  if (!readEnd_.valid()) {
    return;
  }
  for (const int signal : endSignals) {
    std::signal(signal, SIG_DFL);
  }
  close(writeEnd);
  writeEnd = -1;
}

void EndRequests::request() {
  if (!requested_) {
    requested_ = true;
    emit requested();
  }
}

void EndRequests::readPipe() {
  char bytes[64];
  while (read(readEnd_.get(), bytes, sizeof bytes) > 0) {
  }
  request();
}
