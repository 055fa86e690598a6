#include "groups/direct_group_list.h"

namespace kelbrin {

void DirectGroupList::AddGroupLine(std::string_view line) {
  // Binary search with the stored entry as the first operand; an equal entry keeps its place
  // and its spelling.
  long low = 0, high = static_cast<long>(entries_.size()) - 1;
  bool found = false;
  while (low <= high) {
    long middle = (low + high) / 2;
    int c = collator_.Compare(entries_[static_cast<size_t>(middle)], line);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) {
        found = true;
        low = middle;
      }
    }
  }
  if (!found) entries_.insert(entries_.begin() + low, std::string(line));
}

}  // namespace kelbrin
