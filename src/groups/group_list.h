#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/collation.h"

namespace kelbrin {

// The sorted, duplicate-free list of group lines; of lines that compare equal the first
// spelling added is kept. A full group list is a few hundred thousand groups out of millions
// of lines, so a line's collation key is made once, duplicates are found by hashing, and the
// entries are put in order once, when the list is read: n log n instead of the square that a
// sorted array's insertions cost. What it holds and in what order is exactly what
// DirectGroupList holds for the same lines.
class GroupList {
 public:
  explicit GroupList(Collator& collator);

  // Adds the line unless an equal entry is held, which keeps its spelling.
  void AddGroupLine(std::string_view line);
  size_t Count() const { return entries_.size(); }
  // The entries in ascending order; the views hold until the list changes or goes.
  std::vector<std::string_view> Sorted() const;

 private:
  // An open-addressing hash table of entry numbers, probed linearly; the tag, a second part
  // of the hash, spares most probes a look at the entry itself.
  struct Slot {
    uint32_t tag = 0;
    uint32_t entry = 0;  // number + 1; 0 for a free slot
  };
  using Table = std::vector<Slot>;
  enum class Part { Line, Key };

  // The free slot for `bytes`, or the slot of the entry whose `part` is those bytes.
  size_t Find(const Table& table, Part part, std::string_view bytes, uint64_t hash) const;
  // Doubles both tables once half of their slots are taken.
  void GrowIfFull();
  // Copies key and line into the arena and returns where the entry starts.
  const char* Store(std::string_view key, std::string_view line);

  Collator& collator_;
  // The entries in the order of their addition; each points into the arena at its key
  // length, line length (both LEB128), key bytes and line bytes.
  std::vector<const char*> entries_;
  // Every entry by its exact bytes, so that repeats skip the collation; and by its key.
  Table byLine_, byKey_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  char* free_ = nullptr;
  size_t left_ = 0;
  std::string key_;  // reused for every line
};

}  // namespace kelbrin
