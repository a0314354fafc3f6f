// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/UniqueFd.h"

#include <cerrno>

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    reset();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

int UniqueFd::reset() {
  if (fd_ < 0) {
    return 0;
  }
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0 || errno == EINTR ? 0 : errno;
}
