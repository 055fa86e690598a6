#pragma once
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace kelbrin {

// Byte strings that stay where they are put until the arena is cleared: a few large blocks
// instead of an allocation per string. Each string is stored behind its length.
class ByteArena {
 public:
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
  std::vector<std::unique_ptr<char[]>> chunks_;
  char* free_ = nullptr;
  size_t left_ = 0;
};

}  // namespace kelbrin
