// The platform's collation of group lines over any bytes, UTF-8 or not: an order that the
// group list can rely on. Compare is antisymmetric and transitive, sort keys that differ order
// lines as Compare does, lines that compare equal have equal keys, and the group list keeps
// exactly one line of each equal kind, in ascending order.
#include <cstdint>

#include "fuzz_support.h"
#include "groups/group_list.h"
#include "platform/posix.h"

namespace {

int Sign(int value) {
  return (value > 0) - (value < 0);
}

kelbrin::Collator& TheCollator() {
  static std::unique_ptr<kelbrin::Collator> collator = kelbrin::posix::NewCollator();
  return *collator;
}

}  // namespace

// Input: up to 24 lines, separated by NUL bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kelbrin::fuzz::Split;
  kelbrin::Collator& collator = TheCollator();
  const std::vector<std::string> lines = Split(
      std::string_view(reinterpret_cast<const char*>(data), size), std::string_view("\0", 1), 24);
  std::vector<std::string> keys(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) collator.SortKey(lines[i], &keys[i]);
  for (size_t i = 0; i < lines.size(); ++i) {
    FUZZ_CHECK(collator.Compare(lines[i], lines[i]) == 0);
    for (size_t j = i + 1; j < lines.size(); ++j) {
      const int order = Sign(collator.Compare(lines[i], lines[j]));
      FUZZ_CHECK(order == -Sign(collator.Compare(lines[j], lines[i])));
      if (order == 0) FUZZ_CHECK(keys[i] == keys[j]);
      if (keys[i] != keys[j]) FUZZ_CHECK(order == Sign(keys[i].compare(keys[j])));
    }
  }

  kelbrin::GroupList list(collator);
  for (const std::string& line : lines) list.AddGroupLine(line);
  const std::vector<std::string_view> entries = list.Sorted();
  for (size_t i = 0; i < entries.size(); ++i) {
    for (size_t j = i + 1; j < entries.size(); ++j) {
      FUZZ_CHECK(collator.Compare(entries[i], entries[j]) < 0);
    }
  }
  // Every line is held, by itself or by the first line added that compares equal to it.
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t first = 0;
    while (collator.Compare(lines[first], lines[i]) != 0) ++first;
    size_t held = 0;
    for (std::string_view entry : entries) held += entry == lines[first];
    FUZZ_CHECK(held == 1);
  }
  return 0;
}
