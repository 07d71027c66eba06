// Standard descriptors that are closed when the program starts.
#pragma once

namespace ravlin::cli {

// Gives each closed standard descriptor (0, 1, 2) a stand-in on /dev/null, so that no file opened
// later takes its number and receives data meant for the console. A closed standard input or
// output gets a stand-in opened the wrong way round, so using it still fails (EBADF).
void guardStandardDescriptors();

}  // namespace ravlin::cli
