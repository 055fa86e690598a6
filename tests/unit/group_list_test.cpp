#include "groups/group_list.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "fakes.h"
#include "random_lines.h"
#include "groups/direct_group_list.h"

namespace kelbrin::test {
namespace {

std::vector<std::string> Entries(GroupList& list) {
  std::vector<std::string_view> sorted = list.Sorted();
  return {sorted.begin(), sorted.end()};
}

// An order whose keys are not the lines and tie for lines that differ, as ICU's do: hyphens
// and apostrophes count only when all else is equal, as in a word sort, and the keys leave
// them out.
class WordSortCollator : public Collator {
 public:
  int Compare(std::string_view a, std::string_view b) override {
    std::string keyA, keyB;
    SortKey(a, &keyA);
    SortKey(b, &keyB);
    if (int order = keyA.compare(keyB)) return order;
    fake_.SortKey(a, &keyA);
    fake_.SortKey(b, &keyB);
    return keyA.compare(keyB);
  }
  void SortKey(std::string_view line, std::string* key) override {
    fake_.SortKey(line, &folded_);
    key->clear();
    for (char c : folded_) {
      if (c != '-' && c != '\'') key->push_back(c);
    }
  }

 private:
  FakeCollator fake_;
  std::string folded_;
};

// Random lines from a small pool, so that repeats and case variants of earlier lines are
// common: letters, bytes above 0x7F, NUL, punctuation, hyphens, apostrophes, empty lines.
std::vector<std::string> RandomLines(unsigned seed, size_t count) {
  static const std::string kAlphabet = std::string("abcAB.-'_ 0\xE4\xC4\xFF\x80", 15) + '\0';
  std::vector<std::string> pieces;
  for (char c : kAlphabet) pieces.emplace_back(1, c);
  return test::RandomLines(pieces, seed, count, 8);
}

TEST(GroupList, HoldsWhatTheDirectFormHoldsInTheSameOrder) {
  FakeCollator fake;
  WordSortCollator wordSort;
  for (Collator* collator : {static_cast<Collator*>(&fake), static_cast<Collator*>(&wordSort)}) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
      GroupList fast(*collator);
      DirectGroupList direct(*collator);
      // Past the first table size, so the tables grow and are rebuilt on the way; repeats are
      // looked up by their bytes in the first and last third only.
      const std::vector<std::string> lines = RandomLines(seed, 3000);
      for (size_t i = 0; i < lines.size(); ++i) {
        fast.LookUpRepeats(i < 1000 || i >= 2000);
        fast.AddGroupLine(lines[i]);
        direct.AddGroupLine(lines[i]);
      }
      ASSERT_EQ(fast.Count(), direct.Count()) << "seed " << seed;
      ASSERT_EQ(Entries(fast), direct.Entries()) << "seed " << seed;
    }
  }
}

TEST(GroupList, KeepsTheFirstSpellingInOrder) {
  struct Case {
    std::vector<std::string> added, entries;
  };
  const Case cases[] = {
      {{"de.test", "DE.Test"}, {"de.test"}},
      {{"DE.Test", "de.test", "DE.Test"}, {"DE.Test"}},
      {{"b", "A", "a", "c"}, {"A", "b", "c"}},
      {{"x", "", "X", ""}, {"", "x"}},
      {{std::string("a\0b", 3), "A", std::string("A\0B", 3)}, {"A", std::string("a\0b", 3)}},
      {{}, {}},
  };
  FakeCollator collator;
  for (const Case& c : cases) {
    GroupList list(collator);
    for (const std::string& line : c.added) list.AddGroupLine(line);
    EXPECT_EQ(Entries(list), c.entries);
    EXPECT_EQ(list.Count(), c.entries.size());
  }
}

TEST(GroupList, LongLinesAndLaterAdditionsKeepTheirPlace) {
  FakeCollator collator;
  GroupList list(collator);
  // Lines longer than an arena chunk get blocks of their own between ordinary ones.
  const std::string longLine = std::string(3'000'000, 'm') + "x";
  list.AddGroupLine("z");
  list.AddGroupLine(longLine);
  list.AddGroupLine("a");
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"a", longLine, "z"}));
  // Reading the list does not close it: a line added afterwards takes its place as well.
  list.AddGroupLine(std::string(3'000'000, 'M') + "X");
  list.AddGroupLine("n");
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"a", longLine, "n", "z"}));
}

TEST(GroupList, RepeatsOfTheSameBytesAskForNoKey) {
  // A repeat is found by its bytes; only a new spelling is collated.
  class CountingCollator : public FakeCollator {
   public:
    void SortKey(std::string_view line, std::string* key) override {
      ++keys;
      FakeCollator::SortKey(line, key);
    }
    int keys = 0;
  } collator;
  GroupList list(collator);
  for (int i = 0; i < 1000; ++i) list.AddGroupLine("de.test");
  list.AddGroupLine("DE.TEST");
  // The new spelling's key finds the entry; one comparison confirms it.
  EXPECT_EQ(collator.keys, 2);
  EXPECT_EQ(collator.comparisons, 1);
  EXPECT_EQ(Entries(list), std::vector<std::string>{"de.test"});
}

TEST(GroupList, LinesWhoseKeysTieStayApartInTheirOrder) {
  WordSortCollator collator;
  GroupList list(collator);
  for (const char* line : {"co-op", "coop", "Co'op", "CO-OP", "coop", "co-o-p", "cooq", "coo"}) {
    list.AddGroupLine(line);
  }
  EXPECT_EQ(Entries(list),
            (std::vector<std::string>{"coo", "Co'op", "co-o-p", "co-op", "coop", "cooq"}));
}

TEST(GroupList, AddingAfterReadingKeepsTheFirstSpellings) {
  FakeCollator collator;
  GroupList list(collator);
  for (const char* line : {"b", "A", "c"}) list.AddGroupLine(line);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"A", "b", "c"}));
  for (const char* line : {"a", "B", "ab", "C", "0"}) list.AddGroupLine(line);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"0", "A", "ab", "b", "c"}));
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"0", "A", "ab", "b", "c"}));
}

}  // namespace
}  // namespace kelbrin::test
