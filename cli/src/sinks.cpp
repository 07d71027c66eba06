// Passing output on through a fixed buffer, and checking packed streams as they are written.
#include "sinks.h"

#include <algorithm>
#include <cstring>

namespace ravlin::cli {

OutputStage::OutputStage(Output& output, PackCheck* check)
    : output_(output), check_(check), buffer_(new std::uint8_t[kBufferBytes]) {}

std::span<std::uint8_t> OutputStage::room(std::size_t minBytes) {
  if (capacity_ - used_ < minBytes) {
    flush();
    // A packer asks for the worst case of a whole chunk at once; the buffer grows to fit it.
    if (capacity_ < minBytes) {
      buffer_.reset(new std::uint8_t[minBytes]);
      capacity_ = minBytes;
    }
  }
  lastRoom_ = buffer_.get() + used_;
  return {lastRoom_, capacity_ - used_};
}

void OutputStage::commit(std::size_t bytes) {
  if (check_ != nullptr) check_->stream({lastRoom_, bytes});
  lastRoom_ += bytes;
  used_ += bytes;
  total_ += bytes;
}

void OutputStage::flush() {
  if (used_ == 0) return;
  output_.write({buffer_.get(), used_});
  used_ = 0;
  lastRoom_ = buffer_.get();
}

// The unpacked stream's bytes, held against the queued input as they arrive.
class PackCheck::Comparison final : public OutputSink {
 public:
  std::span<std::uint8_t> room(std::size_t minBytes) override {
    if (scratch_.size() < minBytes) scratch_.resize(minBytes);
    return scratch_;
  }

  void commit(std::size_t bytes) override {
    const std::size_t waiting = queue_.size() - head_;
    if (bytes > waiting || std::memcmp(scratch_.data(), queue_.data() + head_, bytes) != 0) {
      mismatch_ = true;
      head_ = queue_.size();
      return;
    }
    head_ += bytes;
  }

  void queue(std::span<const std::uint8_t> bytes) {
    // The consumed front goes once it outweighs what still waits, so the queue does not creep.
    if (head_ > 0 && head_ >= queue_.size() - head_) {
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  }

  bool matchedAll() const { return !mismatch_ && head_ == queue_.size(); }

 private:
  std::vector<std::uint8_t> scratch_;
  std::vector<std::uint8_t> queue_;
  std::size_t head_ = 0;
  bool mismatch_ = false;
};

PackCheck::PackCheck(Method method)
    : comparison_(std::make_unique<Comparison>()), unpacker_(method, quiet_, std::nullopt) {}

PackCheck::~PackCheck() = default;

void PackCheck::input(std::span<const std::uint8_t> bytes) {
  comparison_->queue(bytes);
}

void PackCheck::stream(std::span<const std::uint8_t> bytes) {
  if (failed_) return;
  try {
    // Bytes after the end marker are not taken; a packer never writes any.
    if (unpacker_.write(bytes, *comparison_) != bytes.size()) failed_ = true;
  } catch (const IoError&) {
    failed_ = true;
  }
}

bool PackCheck::finish() {
  if (failed_) return false;
  try {
    unpacker_.finish(*comparison_);
  } catch (const IoError&) {
    return false;
  }
  return unpacker_.endMarkerSeen() && comparison_->matchedAll();
}

}  // namespace ravlin::cli
