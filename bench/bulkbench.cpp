// Populating large blocks on one thread and in parts on several, as the
// replay's arrays are populated:
//   bulkbench [MEGABYTES [ROUNDS [PAUSE_SECONDS]]]
// Each round takes MEGABYTES (default 600) in 16 blocks both ways, in turn,
// and frees them; PAUSE_SECONDS (default 3) between takes lets a virtual
// machine's host take the freed memory back, as it does between two runs of
// a program. Prints each take and the median of each way.
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bulkmem.h"

namespace {

using Clock = std::chrono::steady_clock;

// One thread, the whole block at once.
void* OneThread(std::size_t bytes) {
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
#if defined(MADV_HUGEPAGE) && defined(MADV_POPULATE_WRITE)
  ::madvise(block, bytes, MADV_HUGEPAGE);
  ::madvise(block, bytes, MADV_POPULATE_WRITE);
#endif
  return block;
}

double Take(std::size_t total, bool parts) {
  const std::size_t each = total / 16;
  std::vector<void*> blocks;
  const auto start = Clock::now();
  for (int k = 0; k < 16; ++k) blocks.push_back(parts ? postsolve::BulkAcquire(each) : OneThread(each));
  const double secs = std::chrono::duration<double>(Clock::now() - start).count();
  for (void* block : blocks) {
    if (parts) postsolve::BulkRelease(block, each);
    else ::munmap(block, each);
  }
  return secs;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 600;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const double pause = argc > 3 ? std::atof(argv[3]) : 3;
  if (megabytes < 16 || rounds < 1 || pause < 0) {
    std::fprintf(stderr, "usage: bulkbench [MEGABYTES>=16 [ROUNDS>=1 [PAUSE_SECONDS>=0]]]\n");
    return 1;
  }
  std::vector<double> one, parts;
  const auto rest = [&] { std::this_thread::sleep_for(std::chrono::duration<double>(pause)); };
  for (int round = 0; round < rounds; ++round) {
    // Alternate which way goes first, so that neither always finds the other's freed memory.
    for (const bool inParts : {round % 2 == 1, round % 2 == 0}) {
      rest();
      const double secs = Take(megabytes << 20, inParts);
      (inParts ? parts : one).push_back(secs);
      std::printf("round %d %-13s %.3f s\n", round + 1, inParts ? "in parts" : "one thread", secs);
    }
  }
  std::printf("%zu MB in 16 blocks, median of %d: one thread %.3f s, in parts %.3f s (%u cores)\n", megabytes, rounds,
              Median(one), Median(parts), std::max(1u, std::thread::hardware_concurrency()));
  return 0;
}
