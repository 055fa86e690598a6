#pragma once
#include <cstddef>
#include <new>
#include <string>
#include <vector>

namespace kelbrin {

// Memory for the few buffers of a run that reach megabytes: the group list's arenas and
// tables, the list text and the article. A full group list touches a hundred megabytes in
// well under a second, and where the system can map such blocks in large pages the cost of
// first touching them shrinks several hundredfold.
void* AllocateLarge(size_t bytes);  // throws std::bad_alloc
void FreeLarge(void* block, size_t bytes) noexcept;
// Asks for large pages under a block that came from elsewhere, such as a string's reserved
// room, before it is first written; only advice, and nothing where the system has none.
void PreferLargePages(void* block, size_t bytes) noexcept;

template <class T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(size_t count) {
    if (count > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateLarge(count * sizeof(T)));
  }
  void deallocate(T* block, size_t count) noexcept { FreeLarge(block, count * sizeof(T)); }
  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;
using LargeString = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;

}  // namespace kelbrin
