#include "groups/byte_arena.h"

#include <cstring>

namespace kelbrin {

namespace {

// Large enough that a full group list costs a few dozen allocations, small enough that the
// unused tail of the last one does not matter.
constexpr size_t kChunkSize = 1 << 20;

// Lengths in LEB128: one byte for any group line, and no limit.
size_t LengthSize(size_t value) {
  size_t size = 1;
  while (value >= 0x80) value >>= 7, ++size;
  return size;
}

}  // namespace

const char* ByteArena::Put(std::string_view bytes) {
  const size_t size = LengthSize(bytes.size()) + bytes.size();
  char* out;
  if (size > kChunkSize / 4) {
    // A long string gets a block of its own; the current chunk stays in use.
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    out = chunks_.back().get();
  } else {
    if (size > left_) {
      chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
      free_ = chunks_.back().get();
      left_ = kChunkSize;
    }
    out = free_;
    free_ += size;
    left_ -= size;
  }
  char* at = out;
  size_t value = bytes.size();
  for (; value >= 0x80; value >>= 7) *at++ = static_cast<char>(0x80 | (value & 0x7F));
  *at++ = static_cast<char>(value);
  if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
  return out;
}

void ByteArena::Clear() {
  chunks_.clear();
  free_ = nullptr;
  left_ = 0;
}

}  // namespace kelbrin
