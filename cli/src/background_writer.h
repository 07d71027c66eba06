// Writing an output on a thread of its own, so that the next buffer is filled while the last one
// goes to the file: the system's copy into its cache then costs no time of the run's own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <span>
#include <thread>

#include "output.h"

namespace ravlin::cli {

class BackgroundWriter {
 public:
  explicit BackgroundWriter(Output& output) : output_(output) {}
  // Waits for the buffer in hand; an error it met is dropped, as the run is being abandoned.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Hands `bytes` over once the buffer before them is written. They must stay as they are until
  // the next write() or wait() returns. Throws what writing an earlier buffer threw.
  void write(std::span<const std::uint8_t> bytes);
  // Returns once everything handed over is written; throws what writing it threw.
  void wait();

 private:
  void run();
  void waitUntilIdle(std::unique_lock<std::mutex>& lock);

  Output& output_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::span<const std::uint8_t> pending_;
  bool busy_ = false;
  bool stopping_ = false;
  std::exception_ptr error_;
  // Started with the first buffer, so that an output of one buffer never starts it; when the
  // system gives no thread, buffers are written on the caller's.
  std::thread thread_;
  bool threadless_ = false;
};

}  // namespace ravlin::cli
