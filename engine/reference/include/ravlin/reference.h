// The literal codec: the packers and unpackers step by step, one unit per read, with a seek at
// the start of every block. Slow on purpose; it is the oracle that the fast codec and the
// fuzzers are checked against, and never ships in a program.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ravlin/byte_buffer.h"
#include "ravlin/codec.h"
#include "ravlin/host.h"

namespace ravlin::reference {

// Packs `input` into `out` (emptied first), dividing the percentage by the input's size.
// Reports every block to `host`, whatever host.reporting() asks for. Throws IoError like the
// fast packer, at the read where the input runs out; `out` then holds what was written before.
void pack(Method method, std::span<const std::uint8_t> input, ByteBuffer& out, Host& host);

// One block of a stream as the literal unpacker reads it.
struct Block {
  std::uint8_t control = 0;
  std::int64_t streamEnd = 0;  // stream bytes read once the block is read
  std::int64_t outputEnd = 0;  // bytes unpacked once the block is unpacked
};

// How the literal unpacker goes through a stream: the blocks it reads whole, in order, and how
// it stops. The walk of the tests, fuzzers and benchmarks, so that none of them has its own.
struct Walk {
  std::vector<Block> blocks;  // the end marker is no block
  bool endMarker = false;     // stopped at an end marker, the byte right after the last block
  bool cut = false;           // the stream is empty or ends inside a block (unpack() throws)

  // Stream bytes up to the end of the last whole block: where the end marker stands, if any.
  std::int64_t blocksEnd() const { return blocks.empty() ? 0 : blocks.back().streamEnd; }
};

// Unpacks `stream` into `out` (emptied first), reporting every block to `host`. Throws IoError
// where the stream runs out inside a block; `out` then holds what was written before.
void unpack(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host);

// unpack() that also fills `walk` (reset first) as it reads, so that it tells the blocks read
// whole and how the stream ended when the call throws too.
void unpackWalking(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out,
                   Host& host, Walk& walk);

// The walk of `stream` alone, whether it is whole or cut.
Walk walkOf(Method method, std::span<const std::uint8_t> stream);

}  // namespace ravlin::reference
