#include "platform/memory.h"

namespace kelbrin {

// Large pages on Windows need a privilege that a user's tool does not hold; the heap serves.
void* AllocateLarge(size_t bytes) {
  return ::operator new(bytes);
}

void FreeLarge(void* block, size_t) noexcept {
  ::operator delete(block);
}

void PreferLargePages(void*, size_t) noexcept {}

}  // namespace kelbrin
