#include "workers.h"

namespace postsolve {

WorkerPool::WorkerPool(std::size_t workers) {
  for (std::size_t k = 0; k < workers; ++k) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // fewer workers, or none: tasks then run on the waiting thread
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  ready_.notify_all();
  for (std::thread& t : threads_) t.join();
}

std::size_t WorkerPool::Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

std::future<void> WorkerPool::Submit(std::function<void()> task) {
  if (threads_.empty()) return std::async(std::launch::deferred, std::move(task));
  std::packaged_task<void()> job(std::move(task));
  std::future<void> done = job.get_future();
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(job));
  }
  ready_.notify_one();
  return done;
}

void WorkerPool::Work() {
  for (;;) {
    std::packaged_task<void()> job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
      if (tasks_.empty()) return;  // closing, nothing left
      job = std::move(tasks_.front());
      tasks_.pop_front();
    }
    job();  // an exception lands in the task's future
  }
}

}  // namespace postsolve
