#include "monitor/UniqueFd.h"

#include <cerrno>

int UniqueFd::reset() {
  if (fd_ < 0) {
    return 0;
  }
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0 || errno == EINTR ? 0 : errno;
}
