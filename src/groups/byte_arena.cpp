#include "groups/byte_arena.h"

#include <cstring>

#include "platform/memory.h"

namespace kelbrin {

namespace {

// One large page: a full group list costs a few dozen allocations, and the unused tail of the
// last one does not matter.
constexpr size_t kChunkSize = size_t{2} << 20;

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
    out = NewBlock(size);
  } else {
    if (size > left_) {
      free_ = NewBlock(kChunkSize);
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

char* ByteArena::NewBlock(size_t size) {
  // Room first, so that the block is not lost if this throws.
  if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.size() * 2 + 8);
  auto* block = static_cast<char*>(AllocateLarge(size));
  chunks_.emplace_back(block, size);
  return block;
}

ByteArena& ByteArena::operator=(ByteArena&& other) noexcept {
  if (this != &other) {
    Clear();
    chunks_ = std::move(other.chunks_);
    free_ = std::exchange(other.free_, nullptr);
    left_ = std::exchange(other.left_, 0);
    other.chunks_.clear();
  }
  return *this;
}

void ByteArena::Clear() {
  for (auto [block, size] : chunks_) FreeLarge(block, size);
  chunks_.clear();
  free_ = nullptr;
  left_ = 0;
}

}  // namespace kelbrin
