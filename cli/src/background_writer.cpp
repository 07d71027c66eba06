#include "background_writer.h"

#include <system_error>
#include <utility>

#include "signal_cleanup.h"

namespace ravlin::cli {

BackgroundWriter::~BackgroundWriter() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    waitUntilIdle(lock);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::write(std::span<const std::uint8_t> bytes) {
  if (!thread_.joinable() && !threadless_) {
    try {
      thread_ = startThreadWithoutCleanupSignals([this] { run(); });
    } catch (const std::system_error&) {
      threadless_ = true;
    }
  }
  if (threadless_) {
    output_.write(bytes);
    return;
  }
  {
    std::unique_lock lock(mutex_);
    waitUntilIdle(lock);
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    pending_ = bytes;
    busy_ = true;
  }
  changed_.notify_all();
}

void BackgroundWriter::wait() {
  std::unique_lock lock(mutex_);
  waitUntilIdle(lock);
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void BackgroundWriter::waitUntilIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !busy_; });
}

void BackgroundWriter::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stopping_; });
    if (!busy_) return;
    lock.unlock();
    std::exception_ptr error;
    try {
      output_.write(pending_);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    error_ = error;
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace ravlin::cli
