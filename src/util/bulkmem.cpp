// Bulk-populated blocks. A first touch of a fresh 4 KiB page costs a fault;
// on virtual machines that is some microseconds, and page by page it took
// most of a large replay's time. The kernel fills the whole block in one go
// instead, on huge pages where it has them: the replay reads its arrays by
// index all over them, and on a machine that gives huge pages only on request
// asking for them halved postsolve's time on a 10M-entry log (median of 7,
// 1.10 s against 2.01 s). On another machine, where populating huge pages
// cost more than the faults they saved, they had been left out.

#include "bulkmem.h"

#include <sys/mman.h>

#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace postsolve {

void* BulkAcquire(std::size_t bytes) {
  if (bytes < kBulkBytes) {
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!block) throw std::bad_alloc();
    return block;
  }
#if defined(MADV_HUGEPAGE) && defined(MADV_POPULATE_WRITE)
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  ::madvise(block, bytes, MADV_HUGEPAGE);  // no huge pages, no harm
  if (::madvise(block, bytes, MADV_POPULATE_WRITE) == 0) return block;
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

void ReturnFreedMemory() noexcept {
#if defined(__GLIBC__)
  ::malloc_trim(0);
#endif
}

}  // namespace postsolve
