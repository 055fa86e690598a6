#pragma once
// Checks that a real collator's sort keys order lines as its comparison does, and that the
// group list built on those keys matches the direct form; shared by both platforms' tests.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "groups/direct_group_list.h"
#include "groups/group_list.h"
#include "platform/collation.h"
#include "random_lines.h"

namespace kelbrin::test {

// Random lines made of `pieces`.
inline std::vector<std::string> RandomLines(const std::vector<std::string>& pieces, unsigned seed,
                                            size_t count) {
  return RandomLines(pieces, seed, count, 7);
}

inline int Sign(int value) {
  return (value > 0) - (value < 0);
}

// Every pair: where the keys differ, their byte order has the sign of the comparison, and
// lines that compare equal have equal keys. Keys that tie where the lines differ are allowed,
// but among random lines they must be rare, or the keys would do none of the work.
inline void ExpectKeysOrderLikeCompare(Collator& collator, const std::vector<std::string>& lines,
                                       bool randomLines = true) {
  std::vector<std::string> keys(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) collator.SortKey(lines[i], &keys[i]);
  int mismatches = 0, different = 0, ties = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    for (size_t j = 0; j < lines.size(); ++j) {
      int byKey = Sign(keys[i].compare(keys[j]));
      int byCompare = Sign(collator.Compare(lines[i], lines[j]));
      if (byCompare != 0) ++different;
      if (byCompare != 0 && byKey == 0) ++ties;
      if (byKey != 0 && byKey != byCompare && ++mismatches <= 10) {
        ADD_FAILURE() << "\"" << lines[i] << "\" vs \"" << lines[j] << "\": keys " << byKey
                      << ", compare " << byCompare;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  if (randomLines) {
    EXPECT_LE(ties * 20, different) << ties << " ties among " << different << " different pairs";
  }
}

inline void ExpectListLikeDirectForm(Collator& collator, const std::vector<std::string>& lines) {
  GroupList fast(collator);
  DirectGroupList direct(collator);
  for (const std::string& line : lines) {
    fast.AddGroupLine(line);
    direct.AddGroupLine(line);
  }
  std::vector<std::string_view> sorted = fast.Sorted();
  EXPECT_EQ(std::vector<std::string>(sorted.begin(), sorted.end()), direct.Entries());
}

}  // namespace kelbrin::test
