#pragma once
#include <string>
#include <string_view>

namespace kelbrin {

// Case-insensitive, locale-aware order of group lines.
class Collator {
 public:
  virtual ~Collator() = default;
  // Negative when a sorts before b, 0 when equal, positive when after.
  virtual int Compare(std::string_view a, std::string_view b) = 0;
  // Replaces *key with bytes whose unsigned lexicographic order (a proper prefix first) is the
  // order of Compare wherever two keys differ. Equal lines have equal keys; lines with equal
  // keys may still differ, and Compare tells.
  virtual void SortKey(std::string_view line, std::string* key) = 0;
};

}  // namespace kelbrin
