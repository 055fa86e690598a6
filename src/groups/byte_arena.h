#pragma once
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace kelbrin {

// Byte strings that stay where they are put until the arena is cleared: a few large blocks
// instead of an allocation per string. Each string is stored behind its length.
class ByteArena {
 public:
  ByteArena() = default;
  ByteArena(ByteArena&& other) noexcept { *this = std::move(other); }
  ByteArena& operator=(ByteArena&& other) noexcept;
  ~ByteArena() { Clear(); }

  // Copies `bytes` in and returns the handle that Get reads it back by.
  const char* Put(std::string_view bytes);
  static std::string_view Get(const char* handle) {
    size_t length = 0;
    for (int shift = 0;; shift += 7) {
      const auto byte = static_cast<unsigned char>(*handle++);
      length |= static_cast<size_t>(byte & 0x7F) << shift;
      if (byte < 0x80) return {handle, length};
    }
  }
  // Lets go of every string at once.
  void Clear();

 private:
  char* NewBlock(size_t size);

  // Each block with its size, which freeing it needs.
  std::vector<std::pair<char*, size_t>> chunks_;
  char* free_ = nullptr;
  size_t left_ = 0;
};

}  // namespace kelbrin
