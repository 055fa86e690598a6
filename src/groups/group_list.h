#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "groups/byte_arena.h"
#include "platform/collation.h"
#include "platform/memory.h"

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
  // Whether lines are first looked up by their exact bytes, which spares a repeat its
  // collation key: worth it where lines come again and again, as in group files that several
  // servers share, and wasted where each comes once, as in a description list. Either way the
  // list holds the same entries. On by default.
  void LookUpRepeats(bool on) { lookUpRepeats_ = on; }
  size_t Count() const { return entries_.size(); }
  // The entries in ascending order; the views hold until the next AddGroupLine. Reading the
  // list lets go of the keys and tables that only adding needs, so a list that is read once
  // takes little more than its lines from then on; a later addition makes them anew.
  std::vector<std::string_view> Sorted();
  // Calls visit(line) for each entry in ascending order, as Sorted does without the vector.
  template <class Visit>
  void VisitSorted(Visit visit) {
    if (!sorted_) Sort();
    for (const Entry& entry : entries_) visit(ByteArena::Get(entry.line));
  }

 private:
  // An open-addressing hash table of entry numbers, probed linearly; the tag, a second part
  // of the hash, spares most probes a look at the entry itself.
  struct Slot {
    uint32_t tag = 0;
    uint32_t entry = 0;  // number + 1; 0 for a free slot
  };
  using Table = LargeVector<Slot>;

  // An entry: handles of its line and its key in their arenas; no key once sorted.
  struct Entry {
    const char* line;
    const char* key;
  };

  // The slot of the entry whose line is `line`, or the free slot where it would go.
  size_t FindLine(std::string_view line, uint64_t hash) const;
  // The slot of an entry with key `key` that compares equal to `line`, or a free slot.
  size_t FindKey(std::string_view key, uint64_t hash, std::string_view line);
  // Doubles each table once half of its slots are taken.
  void GrowIfFull();
  // Brings back the keys and tables that Sorted let go of.
  void Reopen();
  // Puts the entries in ascending order and lets go of the keys and tables.
  void Sort();

  Collator& collator_;
  // In the order of addition, or in ascending order once sorted.
  LargeVector<Entry> entries_;
  bool sorted_ = false;
  // Entries by their exact bytes, so that repeats skip the collation (those added while
  // repeats were looked up); and every entry by its key.
  Table byLine_, byKey_;
  size_t byLineCount_ = 0;
  bool lookUpRepeats_ = true;
  // Lines and keys apart, so that the keys go in one piece when the list is sorted.
  ByteArena lines_, keys_;
  std::string key_;  // reused for every line
};

}  // namespace kelbrin
