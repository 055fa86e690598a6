#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/collation.h"

namespace kelbrin {

// The group list in its plainest form: a sorted array with a binary search and an insertion
// per new line, whose cost grows with the square of the entries. It stays as the reference
// that GroupList is checked against.
class DirectGroupList {
 public:
  explicit DirectGroupList(Collator& collator) : collator_(collator) {}

  // Inserts the line at its sorted place unless an equal entry is held, whose spelling stays.
  void AddGroupLine(std::string_view line);
  size_t Count() const { return entries_.size(); }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  Collator& collator_;
  std::vector<std::string> entries_;
};

}  // namespace kelbrin
