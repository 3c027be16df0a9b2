// The kit's large blocks on transparent huge pages. A 10M-entry model's
// stages look things up all over a gigabyte (names by hash, rows by index);
// with 4 KiB pages nearly every such lookup also misses the TLB. Where the
// system gives huge pages only to memory that asks for them ("madvise", a
// common default), the presolve command took about 2.6 times as long at 10M
// entries as where it gives them to all (docs/benchmark.md). So every block
// of a few megabytes asks for them. This replaces the global allocation
// functions, so it is linked into the program only: a library must not
// change its host's allocator.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

void* Allocate(std::size_t bytes) {
  void* block = nullptr;
  while ((block = std::malloc(bytes == 0 ? 1 : bytes)) == nullptr) {
    // as the standard's own: the new-handler may free memory, or throw
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
#ifdef MADV_HUGEPAGE
  if (bytes >= 2 * kHugePage) {
    // The whole huge pages inside the block; the kernel fills them as they
    // are first touched. Advice not taken (no such support) changes nothing.
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (at + kHugePage - 1) & ~(kHugePage - 1), to = (at + bytes) & ~(kHugePage - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  }
#endif
  return block;
}

}  // namespace

void* operator new(std::size_t bytes) { return Allocate(bytes); }
void* operator new[](std::size_t bytes) { return Allocate(bytes); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
