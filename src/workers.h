// Threads of the postsolver: a task on a thread of its own, and a fixed pool
// of workers for many small tasks.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace postsolve {

// Runs fn on a thread of its own, or later on the caller's when one cannot be had.
template <class T>
std::future<T> Launch(bool parallel, std::function<T()> fn) {
  if (parallel) {
    try {
      return std::async(std::launch::async, fn);
    } catch (const std::system_error&) {
    }
  }
  return std::async(std::launch::deferred, std::move(fn));
}

// A fixed set of worker threads taking tasks in the order given. With no
// worker (none asked for, or none could be started) a task runs when its
// future is waited on, on the waiting thread.
class WorkerPool {
 public:
  explicit WorkerPool(std::size_t workers);
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;
  ~WorkerPool();

  std::future<void> Submit(std::function<void()> task);
  std::size_t size() const { return threads_.size(); }
  // As many workers as the machine has cores, at least one.
  static std::size_t Cores();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::packaged_task<void()>> tasks_;
  bool closing_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace postsolve
