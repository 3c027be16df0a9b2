// Bulk-populated blocks. A first touch of a fresh 4 KiB page costs a fault;
// on virtual machines that is some microseconds, and page by page it took
// most of a large replay's time. The kernel fills the whole block in one go
// instead, on huge pages where it has them: the replay reads its arrays by
// index all over them, and on a machine that gives huge pages only on request
// asking for them halved postsolve's time on a 10M-entry log (median of 7,
// 1.10 s against 2.01 s). On another machine, where populating huge pages
// cost more than the faults they saved, they had been left out.
//
// Filling a huge page can cost far more than clearing it: a virtual machine
// whose host took back the memory behind it (as hosts do with memory a guest
// has left free a while) backs it anew on first touch. A large block is
// therefore populated in parts, one per core, at once: on a 2-core virtual
// machine, `bulkbench 600 5 3` (bench/bulkbench.cpp) populated 600 MB in a
// median 0.55 s that way against 1.07 s on one thread.

#include "bulkmem.h"
#include "workers.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace postsolve {

namespace {

#if defined(MADV_HUGEPAGE) && defined(MADV_POPULATE_WRITE)
// A block is populated in parts of at least this size, by at most this many
// threads: a part is worth a thread of its own from a few megabytes up
// (milliseconds of clearing against tens of microseconds to start a thread).
constexpr std::size_t kPartBytes = std::size_t{4} << 20;
constexpr std::size_t kMostParts = 64;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool Populate(char* at, std::size_t bytes) { return ::madvise(at, bytes, MADV_POPULATE_WRITE) == 0; }

// Populates the block, in parts on several threads when it is large; false
// when the kernel cannot populate on advice. Parts start on huge-page
// boundaries, so that no huge page is split between two threads. Nothing
// here allocates: a thread that cannot be started leaves its part to this one.
bool PopulateInParts(char* block, std::size_t bytes) {
  if (bytes / kPartBytes < 2) return Populate(block, bytes);
  const std::size_t parts = std::min({WorkerPool::Cores(), bytes / kPartBytes, kMostParts});
  if (parts < 2) return Populate(block, bytes);
  const std::size_t step = (bytes / parts + kHugePage - 1) / kHugePage * kHugePage;
  std::array<std::thread, kMostParts> helpers;
  std::array<char, kMostParts> done{};  // not bools packed together: each part writes its own
  done.fill(1);
  for (std::size_t part = 1; part < parts && part * step < bytes; ++part) {
    char* const at = block + part * step;
    const std::size_t length = std::min(step, bytes - part * step);
    char& ok = done[part];
    try {
      helpers[part] = std::thread([&ok, at, length] { ok = Populate(at, length); });
    } catch (const std::system_error&) {
      ok = Populate(at, length);
    }
  }
  done[0] = Populate(block, std::min(step, bytes));
  for (std::thread& helper : helpers)
    if (helper.joinable()) helper.join();
  return std::all_of(done.begin(), done.begin() + static_cast<std::ptrdiff_t>(parts), [](char ok) { return ok != 0; });
}

// A mapping of `bytes` starting on a huge-page boundary when it is a huge
// page or more, so that all of it but its tail can be huge pages: mapped
// that much larger, with the slack before and after unmapped.
void* MapAligned(std::size_t bytes) {
  const std::size_t slack = bytes >= kHugePage ? kHugePage : 0;
  void* mapped = ::mmap(nullptr, bytes + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  if (slack == 0) return mapped;
  const auto at = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (at + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > at) ::munmap(mapped, aligned - at);
  const std::uintptr_t end = at + bytes + slack, kept = aligned + (bytes + 4095) / 4096 * 4096;
  if (end > kept) ::munmap(reinterpret_cast<void*>(kept), end - kept);
  return reinterpret_cast<void*>(aligned);
}
#endif

}  // namespace

void* BulkAcquire(std::size_t bytes) {
  if (bytes < kBulkBytes) {
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!block) throw std::bad_alloc();
    return block;
  }
#if defined(MADV_HUGEPAGE) && defined(MADV_POPULATE_WRITE)
  void* block = MapAligned(bytes);
  ::madvise(block, bytes, MADV_HUGEPAGE);  // no huge pages, no harm
  if (PopulateInParts(static_cast<char*>(block), bytes)) return block;
  // A kernel that cannot populate on advice (before 5.14) populates a
  // mapping made so, in small pages.
  ::munmap(block, bytes);
#endif
  // Where the kernel cannot populate, the mapping is still valid and zero:
  // its pages are then faulted in one by one as they are used.
  void* mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  return mapped;
}

void BulkRelease(void* block, std::size_t bytes) noexcept {
  if (!block) return;
  if (bytes < kBulkBytes) std::free(block);
  else ::munmap(block, bytes);
}

namespace {

// Advice for the pages of `bytes` at `data`: those wholly within them, or
// (`outward`) every one that holds some of them.
void AdvisePages(const void* data, std::size_t bytes, int advice, bool outward) noexcept {
  constexpr std::uintptr_t kPage = 4096;
  if (bytes == 0) return;
  const auto from = reinterpret_cast<std::uintptr_t>(data), to = from + bytes;
  const std::uintptr_t begin = outward ? from / kPage * kPage : (from + kPage - 1) / kPage * kPage;
  const std::uintptr_t end = outward ? (to + kPage - 1) / kPage * kPage : to / kPage * kPage;
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, advice);  // a hint: failure changes nothing
}

}  // namespace

void PopulateRange(const void* data, std::size_t bytes) noexcept {
#if defined(MADV_POPULATE_WRITE)
  AdvisePages(data, bytes, MADV_POPULATE_WRITE, true);
#else
  (void)data;
  (void)bytes;
#endif
}

// Inward: a page partly outside the range may hold what someone else wrote.
void ReleaseRange(const void* data, std::size_t bytes) noexcept { AdvisePages(data, bytes, MADV_DONTNEED, false); }

void ReturnFreedMemory() noexcept {
#if defined(__GLIBC__)
  ::malloc_trim(0);
#endif
}

}  // namespace postsolve
