// One job at a time on a thread of its own: the writing of one output buffer, the reading of the
// next input chunk. The caller goes on with its own work meanwhile, so a copy into or out of the
// system's cache costs the run no time when a second core is free.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace ravlin::cli {

class WorkerThread {
 public:
  WorkerThread() = default;
  // Waits for the job in hand; an error it met is dropped, as the run is being abandoned.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts `job` once the job before it is done, and throws what that one threw. The thread
  // starts with the first job; where the system gives none, jobs run on the caller's thread.
  void start(std::function<void()> job);
  // Returns once the job in hand is done; throws what it threw.
  void wait();

 private:
  void run();
  void waitUntilIdle(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;
  bool stopping_ = false;
  std::exception_ptr error_;
  std::thread thread_;
  bool threadless_ = false;
};

}  // namespace ravlin::cli
