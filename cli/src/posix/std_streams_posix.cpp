// Stand-ins for closed standard descriptors.
#include "std_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace ravlin::cli {

void guardStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is `fd` itself, since the lower ones are open by now.
    const int flags = fd == 1 ? O_RDONLY : O_WRONLY;
    ::open("/dev/null", flags);
  }
}

}  // namespace ravlin::cli
