#include "worker_thread.h"

#include <system_error>
#include <utility>

#include "signal_cleanup.h"

namespace ravlin::cli {

WorkerThread::~WorkerThread() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    waitUntilIdle(lock);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void WorkerThread::start(std::function<void()> job) {
  if (!thread_.joinable() && !threadless_) {
    try {
      thread_ = startThreadWithoutCleanupSignals([this] { run(); });
    } catch (const std::system_error&) {
      threadless_ = true;
    }
  }
  if (threadless_) {
    job();
    return;
  }
  {
    std::unique_lock lock(mutex_);
    waitUntilIdle(lock);
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    job_ = std::move(job);
  }
  changed_.notify_all();
}

void WorkerThread::wait() {
  std::unique_lock lock(mutex_);
  waitUntilIdle(lock);
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void WorkerThread::waitUntilIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !job_; });
}

void WorkerThread::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return job_ || stopping_; });
    if (!job_) return;
    lock.unlock();
    std::exception_ptr error;
    try {
      job_();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    error_ = error;
    job_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace ravlin::cli
