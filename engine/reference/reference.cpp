// The literal codec: the scan and the unpacking loop one unit per read, on a simulated file.
#include "ravlin/reference.h"

#include <string>

#include "ravlin/io_error.h"

namespace ravlin::reference {

namespace {

// An input file read one unit per request, with a position that a seek moves.
class SimulatedFile {
 public:
  explicit SimulatedFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::int64_t size() const { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t position() const { return position_; }
  void seek(std::int64_t position) { position_ = position; }
  bool exhausted() const { return position_ >= size(); }

  // Reads one unit of `unitBytes` bytes, low byte first; fails when fewer bytes are left.
  std::uint32_t readUnit(int unitBytes) {
    if (size() - position_ < unitBytes) throw IoError(IoErrorKind::kReadBeyondEnd);
    std::uint32_t unit = 0;
    for (int k = 0; k < unitBytes; ++k) {
      unit |= static_cast<std::uint32_t>(bytes_[static_cast<std::size_t>(position_ + k)])
              << (8 * k);
    }
    position_ += unitBytes;
    return unit;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

void showPercentage(Host& host, std::int64_t percentage, std::int64_t width) {
  host.processEvents();
  host.setBarCaption(std::to_string(percentage) + "%");
  host.setBarWidth(static_cast<int>(width));
}

// Grows `out` by `count` bytes, zero for now; the caller stores into them.
void grow(ByteBuffer& out, int count) {
  for (int k = 0; k < count; ++k) out.append(std::uint8_t{0});
}

void storeUnit(ByteBuffer& out, std::int64_t at, std::uint32_t unit, int unitBytes) {
  for (int k = 0; k < unitBytes; ++k) {
    out.data()[at + k] = static_cast<std::uint8_t>(unit >> (8 * k));
  }
}

void appendUnit(ByteBuffer& out, std::uint32_t unit, int unitBytes) {
  grow(out, unitBytes);
  storeUnit(out, static_cast<std::int64_t>(out.size()) - unitBytes, unit, unitBytes);
}

}  // namespace

void pack(Method method, std::span<const std::uint8_t> input, ByteBuffer& out, Host& host) {
  const int u = unitSize(method);
  const std::int64_t inputSize = static_cast<std::int64_t>(input.size());
  SimulatedFile file(input);

  // Start: an empty output, the first unit read.
  out.clear();
  std::int64_t outputLength = 0;
  std::int64_t readPosition = u;
  std::uint32_t current = file.readUnit(u);
  std::uint32_t next = 0;
  bool repeat = false;
  bool tookLastUnit = false;  // the block's loop stopped because the input was exhausted
  int count = 0;
  std::int64_t blockStart = 0;

  // One more unit taken into the block; false when that was the input's last, which ends it.
  const auto takeNext = [&] {
    ++count;
    if (file.exhausted()) {
      tookLastUnit = true;
      return false;
    }
    current = next;
    next = file.readUnit(u);
    return true;
  };

  for (;;) {
    // A block starts: seek to just after its first unit and read the next one.
    file.seek(readPosition);
    next = file.readUnit(u);
    repeat = current == next;
    blockStart = outputLength;
    count = repeat ? 2 : 1;
    grow(out, repeat ? 1 + u : 1);
    tookLastUnit = false;
    if (repeat) {
      // Repeat block: grows while the units stay equal, to at most 127.
      storeUnit(out, blockStart + 1, current, u);
      while (current == next && count < 128) {
        out.data()[blockStart] = static_cast<std::uint8_t>(0x80 + count);
        if (!takeNext()) break;
      }
      outputLength += 1 + u;
      if (!file.exhausted()) current = next;
      readPosition = file.position();
    } else {
      // Literal block: takes units while each differs from the next, to at most 127.
      outputLength += 1;
      while (current != next && count < 128) {
        grow(out, u);
        out.data()[blockStart] = static_cast<std::uint8_t>(count);
        storeUnit(out, outputLength, current, u);
        outputLength += u;
        if (!takeNext()) break;
      }
      // One unit back: the unit that stopped the block starts the next one.
      readPosition = file.position() - u;
    }
    // The share of the input saved so far.
    const std::int64_t percentage = 100 - outputLength * 100 / inputSize;
    showPercentage(host, percentage, 2 * (percentage < 0 ? -percentage : percentage));
    // Method I asks the open file whether it is exhausted; method II compares with the size.
    const bool done = method == Method::kI ? file.exhausted()
                                           : readPosition == inputSize ||
                                                 (readPosition == inputSize - 2 && current != next);
    if (done) break;
  }

  // The one or two units the last block left over, then the end marker.
  if (repeat) {
    if (!tookLastUnit) {
      out.append(std::uint8_t{0x01});
      appendUnit(out, next, u);
    }
  } else if (tookLastUnit) {
    if (count < 128) {
      ++out.data()[blockStart];
    } else {
      out.append(std::uint8_t{0x01});
    }
    appendUnit(out, next, u);
  } else if (current == next) {
    out.append(std::uint8_t{0x82});
    appendUnit(out, current, u);
  } else {
    out.append(std::uint8_t{0x02});
    appendUnit(out, current, u);
    appendUnit(out, next, u);
  }
  out.append(std::uint8_t{0x00});
}

void unpack(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host) {
  Walk walk;
  unpackWalking(method, stream, out, host, walk);
}

void unpackWalking(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out,
                   Host& host, Walk& walk) {
  const int u = unitSize(method);
  out.clear();
  walk = {};
  SimulatedFile file(stream);
  const std::int64_t size = file.size();
  try {
    for (;;) {
      const std::uint32_t control = file.readUnit(1);
      if (control == 0) {
        walk.endMarker = true;
        break;
      }
      const std::uint32_t count = control & 0x7F;
      if (control >= 0x80) {
        const std::uint32_t unit = file.readUnit(u);
        for (std::uint32_t k = 0; k < count; ++k) appendUnit(out, unit, u);
      } else {
        for (std::uint32_t k = 0; k < count; ++k) appendUnit(out, file.readUnit(u), u);
      }
      const std::int64_t position = file.position();
      walk.blocks.push_back({static_cast<std::uint8_t>(control), position,
                             static_cast<std::int64_t>(out.size())});
      const std::int64_t percentage = position * 100 / (size - 1);
      showPercentage(host, percentage, percentage * 200 / 100);
      if (position >= size) break;
    }
  } catch (const IoError&) {
    walk.cut = true;
    throw;
  }
}

Walk walkOf(Method method, std::span<const std::uint8_t> stream) {
  Walk walk;
  ByteBuffer out;
  QuietHost quiet;
  try {
    unpackWalking(method, stream, out, quiet, walk);
  } catch (const IoError&) {
    // The walk says where the stream was cut.
  }
  return walk;
}

}  // namespace ravlin::reference
