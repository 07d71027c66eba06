// Standard input and output as plain descriptors: whole reads, whole writes, and their set-up.
#pragma once

#include <cstdint>
#include <span>

#include "ravlin/byte_buffer.h"

namespace ravlin::cli {

// Gives each closed standard descriptor (0, 1, 2) a stand-in on /dev/null, so that no file opened
// later takes its number and receives data meant for the console. A closed standard input or
// output gets a stand-in opened the wrong way round, so using it still fails (EBADF).
void guardStandardDescriptors();

// Reads `fd` to its end into `out` (replacing its contents). Returns 0 or an errno value.
// Running out of memory throws IoError.
int readAll(int fd, ByteBuffer& out);

// Writes every byte to `fd`. Returns 0 or an errno value (EPIPE when the reader has gone).
int writeAll(int fd, std::span<const std::uint8_t> bytes);

bool isTerminal(int fd);

}  // namespace ravlin::cli
