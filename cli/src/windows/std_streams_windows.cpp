// Standard streams on Windows: binary, so that the C runtime never turns a 0x0A byte of a stream
// into CR LF nor drops a CR it reads. Closed standard handles need no stand-in here, since a file
// opened later never takes their place.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "std_streams.h"

namespace ravlin::cli {

void guardStandardDescriptors() {
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

}  // namespace ravlin::cli
