// Bulk-populated blocks. A first touch of a fresh 4 KiB page costs a fault;
// on virtual machines that is some microseconds, and page by page it took
// most of a large replay's time. MAP_POPULATE has the kernel fill the whole
// block in one go instead. Transparent huge pages were tried too: populating
// them cost more than the faults they saved, so the blocks ask for none.

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
  // Where the kernel cannot populate, the mapping is still valid and zero:
  // its pages are then faulted in one by one as they are used.
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE,
                       -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  return block;
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
