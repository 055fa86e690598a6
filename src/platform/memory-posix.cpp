#include <sys/mman.h>

#include <cstdint>

#include "platform/memory.h"

namespace kelbrin {

namespace {

// Blocks from this size on are mapped on their own, aligned so that the kernel can back them
// with its 2 MiB pages; smaller ones come from the ordinary heap.
constexpr size_t kLargePage = size_t{2} << 20;

// Under AddressSanitizer every block stays on the heap, where overruns are caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMapLargeBlocks = false;
#else
constexpr bool kMapLargeBlocks = true;
#endif
#else
constexpr bool kMapLargeBlocks = true;
#endif

size_t Mapped(size_t bytes) {
  return (bytes + kLargePage - 1) & ~(kLargePage - 1);
}

}  // namespace

void* AllocateLarge(size_t bytes) {
  if (!kMapLargeBlocks || bytes < kLargePage) return ::operator new(bytes);
  if (bytes > SIZE_MAX - 2 * kLargePage) throw std::bad_alloc();
  const size_t size = Mapped(bytes);
  // One large page more than needed, so that an aligned start can be cut out of it.
  const size_t reserved = size + kLargePage;
  void* area = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) throw std::bad_alloc();
  auto start = reinterpret_cast<uintptr_t>(area);
  const uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
  if (aligned > start) munmap(area, aligned - start);
  const uintptr_t end = start + reserved;
  if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
  // Only advice: a kernel without large pages, or with them switched off, maps small ones.
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void PreferLargePages(void* block, size_t bytes) noexcept {
  if (!kMapLargeBlocks) return;
  // Only whole large pages inside the block: advice on a page that holds other data too would
  // change how that data is backed.
  const auto start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (start + bytes) & ~(kLargePage - 1);
  if (bytes >= kLargePage && end > first) {
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  }
}

void FreeLarge(void* block, size_t bytes) noexcept {
  if (block == nullptr) return;
  if (!kMapLargeBlocks || bytes < kLargePage) {
    ::operator delete(block);
    return;
  }
  munmap(block, Mapped(bytes));
}

}  // namespace kelbrin
