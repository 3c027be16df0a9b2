// Storage for the large arrays: taken from the kernel already populated and
// zero-filled, so that neither a first touch of each page nor a second
// zero-filling pass costs anything later.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace postsolve {

// Blocks of at least this many bytes are mapped on their own, populated in
// bulk; smaller ones come from the heap.
inline constexpr std::size_t kBulkBytes = std::size_t{256} << 10;

// `bytes` of zero-filled memory, populated when the block is large; throws
// std::bad_alloc when there is none. Release with the same byte count.
void* BulkAcquire(std::size_t bytes);
void BulkRelease(void* block, std::size_t bytes) noexcept;

// An allocator whose blocks are zero already: a value-initialised element of
// an arithmetic or pointer type, or of a trivial class of them (all bits
// zero), is left as it is rather than written again. A vector on it is meant
// to be sized once, when made (growing one within its capacity after
// shrinking it would not zero the regrown part), and a large one should not
// grow by doubling: its whole capacity is populated.
template <class T>
struct BulkAllocator {
  using value_type = T;
  BulkAllocator() = default;
  template <class U>
  BulkAllocator(const BulkAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(BulkAcquire(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { BulkRelease(p, n * sizeof(T)); }
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    if constexpr (!(std::is_arithmetic_v<U> || std::is_pointer_v<U> || std::is_trivial_v<U>))
      ::new (static_cast<void*>(p)) U();
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const BulkAllocator<U>&) const noexcept { return true; }
};

// Faults in every page that holds some of `bytes` at `data` (room a large
// vector has reserved, say) without writing to them, so that a thread that
// writes there later finds them present: another thread can take the faults'
// cost, which on a virtual machine is microseconds a page. The pages at the
// ends are taken whole (they are mapped, as the range is), so that ranges
// asked for one after another leave no page between them to fault. A hint:
// nothing is done where the kernel cannot, and the memory's contents are not
// touched, so a thread may write there meanwhile.
void PopulateRange(const void* data, std::size_t bytes) noexcept;

// Gives back the whole pages within `bytes` at `data`, room a vector has
// reserved but not used (after PopulateRange asked for too much, say): they
// read as zero when touched again.
void ReleaseRange(const void* data, std::size_t bytes) noexcept;

// Gives the heap's free pages back to the system. After a large working set
// is freed the allocator keeps the holes it leaves resident, to be used
// again; a caller that knows they will not be calls this. A no-op where the
// allocator cannot.
void ReturnFreedMemory() noexcept;

template <class T>
using BulkVector = std::vector<T, BulkAllocator<T>>;

}  // namespace postsolve
