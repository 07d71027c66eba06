// The literal codec: the packers and unpackers step by step, one unit per read, with a seek at
// the start of every block. Slow on purpose; it is the oracle that the fast codec and the
// fuzzers are checked against, and never ships in a program.
#pragma once

#include <cstdint>
#include <span>

#include "ravlin/byte_buffer.h"
#include "ravlin/codec.h"
#include "ravlin/host.h"

namespace ravlin::reference {

// Packs `input` into `out` (emptied first), dividing the percentage by the input's size.
// Reports every block to `host`, whatever host.reporting() asks for. Throws IoError like the
// fast packer, at the read where the input runs out; `out` then holds what was written before.
void pack(Method method, std::span<const std::uint8_t> input, ByteBuffer& out, Host& host);

// Unpacks `stream` into `out` (emptied first), reporting every block to `host`.
void unpack(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host);

}  // namespace ravlin::reference
