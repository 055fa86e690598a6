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
};

}  // namespace kelbrin
