// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <unistd.h>

// Owns one file descriptor and closes it when it goes.
class UniqueFd {
public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  UniqueFd& operator=(UniqueFd&& other) noexcept;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; returns the error of close, or 0.
  int reset();

private:
  int fd_;
};
