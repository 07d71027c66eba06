// Standard input and output as plain descriptors.
#include "std_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ravlin::cli {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

}  // namespace

void guardStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is `fd` itself, since the lower ones are open by now.
    const int flags = fd == 1 ? O_RDONLY : O_WRONLY;
    ::open("/dev/null", flags);
  }
}

int readAll(int fd, ByteBuffer& out) {
  out.clear();
  for (;;) {
    out.reserve(kChunkBytes);
    const std::size_t room = std::min(out.capacity() - out.size(), kChunkBytes);
    const ssize_t n = ::read(fd, out.data() + out.size(), room);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    out.commit(out.size() + static_cast<std::size_t>(n));
  }
}

int writeAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t count = std::min(bytes.size() - done, kChunkBytes);
    const ssize_t n = ::write(fd, bytes.data() + done, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

bool isTerminal(int fd) {
  return ::isatty(fd) == 1;
}

}  // namespace ravlin::cli
