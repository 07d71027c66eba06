// The few things besides FileSystem that the file layer asks of the operating system. Each
// system's file layer (posix/, windows/) defines them together with FileSystem::system().
#pragma once

#include <sys/types.h>

#include <span>

namespace ravlin::detail {

// Fills `bytes` from the system's source of random bytes; false when it cannot do so at once.
bool systemRandomBytes(std::span<unsigned char> bytes);

// The permission bits a file newly created for everyone to read and write ends up with.
mode_t newFileMode();

}  // namespace ravlin::detail
