#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/collation.h"

namespace kelbrin {

// The sorted, duplicate-free list of group lines; of lines that compare equal the first
// spelling added is kept.
class GroupList {
 public:
  explicit GroupList(Collator& collator) : collator_(collator) {}

  void AddGroupLine(std::string_view line);
  size_t Count() const { return entries_.size(); }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  Collator& collator_;
  std::vector<std::string> entries_;
};

}  // namespace kelbrin
