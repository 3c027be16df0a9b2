// Threads of the postsolver: a task on a thread of its own, and a fixed pool
// of workers for many small tasks.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
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

// Output made a chunk at a time, in order: `fill` gathers a chunk's input on
// this thread and says whether there was any, `format` turns it into text on
// a worker, `put` writes the finished chunks on this thread in the order they
// were filled. At most one more chunk than there are workers is in flight, and
// written chunks are filled again, so memory stays a few chunks whatever the
// length. However it ends (an exception from any of the three too), no worker
// is still formatting a chunk when the chunks are freed.
template <class Chunk, class Fill, class Format, class Put>
void PipeChunks(WorkerPool& workers, Fill fill, Format format, Put put) {
  using Entry = std::pair<std::unique_ptr<Chunk>, std::future<void>>;
  const std::size_t ahead = std::max<std::size_t>(2, workers.size() + 1);
  std::deque<Entry> queue;
  std::vector<std::unique_ptr<Chunk>> spare;
  struct Drain {
    std::deque<Entry>& queue;
    ~Drain() {
      for (Entry& entry : queue)
        if (entry.second.valid()) entry.second.wait();
    }
  } drain{queue};
  auto putFront = [&] {
    queue.front().second.get();
    put(std::as_const(*queue.front().first));
    spare.push_back(std::move(queue.front().first));
    queue.pop_front();
  };
  for (;;) {
    std::unique_ptr<Chunk> chunk;
    if (spare.empty()) {
      chunk = std::make_unique<Chunk>();
    } else {
      chunk = std::move(spare.back());
      spare.pop_back();
    }
    if (!fill(*chunk)) break;
    if (queue.size() >= ahead) putFront();
    Chunk* c = chunk.get();
    queue.emplace_back(std::move(chunk), workers.Submit([&format, c] { format(*c); }));
  }
  while (!queue.empty()) putFront();
}

}  // namespace postsolve
