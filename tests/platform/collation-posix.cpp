#include <gtest/gtest.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <random>

#include "collation_check.h"
#include "platform/posix.h"
#include "posix_test_support.h"

namespace kelbrin::test {
namespace {

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

class PosixCollation : public ::testing::Test {
 protected:
  std::unique_ptr<Collator> Under(const char* locale) {
    ScopedEnv env;
    env.Set("LC_ALL", locale).Set("LC_COLLATE", nullptr).Set("LANG", nullptr);
    return posix::NewCollator();
  }
  std::unique_ptr<Collator> german_ = Under("de_DE.UTF-8");
};

TEST_F(PosixCollation, LettersThatDifferOnlyInCaseAreEqual) {
  const std::pair<std::string, std::string> equal[] = {
      {"de.test", "DE.Test"},
      {"\xC3\x84pfel", "\xC3\xA4PFEL"},  // Äpfel, äPFEL
      {"", ""},
      // ß and its capital ẞ; folding doubles their length, past the reused buffers' size.
      {Repeat("\xC3\x9F", 300), Repeat("\xE1\xBA\x9E", 300)},
      {std::string(3000, 'a') + "\xC3\x84", std::string(3000, 'A') + "\xC3\xA4"},
  };
  for (const auto& [a, b] : equal) {
    EXPECT_EQ(german_->Compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(german_->Compare(b, a), 0) << b << " vs " << a;
  }
}

TEST_F(PosixCollation, LinesThatDifferInMoreThanCaseNeverCompareEqual) {
  const std::pair<std::string, std::string> different[] = {
      {"a", "\xC3\xA1"},  // accents are kept: a, á
      {"a\x01"
       "b",
       "ab"},                            // ICU ignores control characters
      {std::string("a\0b", 3), "ab"},    // and NUL
      {"\xC3\xA4", "a\xCC\x88"},         // precomposed ä and a + combining diaeresis
      {"\xFF", "\xFE"},                  // bytes that are not UTF-8
      {"\xE4", "\xC3\xA4"},              // a Latin-1 ä is not the letter ä
      {"\xC3", "\xC3\x83"},              // a cut-off sequence is not Ã
      {"\xED\xA0\x80", "\xEF\xBF\xBD"},  // an encoded surrogate is not the replacement char
      {"\xC0\xAF", "/"},                 // nor is an overlong slash a slash
  };
  for (const auto& [a, b] : different) {
    int ab = german_->Compare(a, b);
    EXPECT_NE(ab, 0) << a << " vs " << b;
    EXPECT_EQ(Sign(german_->Compare(b, a)), -Sign(ab)) << a << " vs " << b;
  }
}

TEST_F(PosixCollation, OrdersByTheLocaleWithTheEmptyLineFirst) {
  std::vector<std::string> lines = {"c", "\xC3\x84pfel", "b", "", "A", "\x01", "Birne", "apfel"};
  std::sort(lines.begin(), lines.end(),
            [&](const std::string& a, const std::string& b) { return german_->Compare(a, b) < 0; });
  const std::vector<std::string> expected = {"",  "\x01",  "A", "apfel", "\xC3\x84pfel",
                                             "b", "Birne", "c"};
  EXPECT_EQ(lines, expected);
}

TEST_F(PosixCollation, IsAConsistentOrderOverMixedLines) {
  // Binary search in the group list relies on antisymmetry and transitivity.
  const std::vector<std::string> lines = {"",
                                          "a",
                                          "A",
                                          "\xC3\xA1",
                                          "ab",
                                          "a\x01"
                                          "b",
                                          "\xFF",
                                          "\xFE",
                                          "\xC3",
                                          "z",
                                          "\xC3\xA4",
                                          "a\xCC\x88",
                                          "de.test",
                                          "de-test",
                                          "de_test",
                                          "1",
                                          "\xF3\xB0\x80\x80"};
  for (const auto& a : lines) {
    for (const auto& b : lines) {
      int ab = Sign(german_->Compare(a, b));
      ASSERT_EQ(Sign(german_->Compare(b, a)), -ab) << a << " / " << b;
      for (const auto& c : lines) {
        if (ab <= 0 && Sign(german_->Compare(b, c)) <= 0) {
          ASSERT_LE(Sign(german_->Compare(a, c)), 0) << a << " / " << b << " / " << c;
        }
      }
    }
  }
}

TEST_F(PosixCollation, CLocaleCollatesLikeEnglish) {
  auto c = Under("C");
  EXPECT_EQ(c->Compare("ABC", "abc"), 0);
  EXPECT_LT(c->Compare("a", "B"), 0);  // not byte order, where "B" comes first
  EXPECT_LT(c->Compare("", "a"), 0);
}

// The punctuation of group names, a control character, NUL, letters in both cases and more.
std::vector<std::string> Pieces() {
  std::vector<std::string> pieces;
  for (char c : std::string("abzAZ09.-'_ +\x01")) pieces.emplace_back(1, c);
  pieces.emplace_back(1, '\0');
  // ä Ä ß ẞ á, a combining diaeresis, œ, a lone lead byte and other bytes that are not
  // UTF-8, a character outside the BMP and the replacement character.
  for (const char* piece :
       {"\xC3\xA4", "\xC3\x84", "\xC3\x9F", "\xE1\xBA\x9E", "\xC3\xA1", "\xCC\x88", "\xC5\x93",
        "\xC3", "\xFF", "\xE4", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"}) {
    pieces.emplace_back(piece);
  }
  return pieces;
}

TEST_F(PosixCollation, SortKeysOrderLinesAsCompareDoes) {
  for (const char* locale : {"de_DE.UTF-8", "C", "sv_SE.UTF-8"}) {
    auto collator = Under(locale);
    for (unsigned seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(locale) + " seed " + std::to_string(seed));
      ExpectKeysOrderLikeCompare(*collator, RandomLines(Pieces(), seed, 400));
    }
    // Lines far longer than the reused buffers.
    ExpectKeysOrderLikeCompare(
        *collator,
        {Repeat("\xC3\x9F", 300), Repeat("\xE1\xBA\x9E", 300), std::string(3000, 'a'),
         std::string(3000, 'A') + "\x01", std::string(3000, 'a') + "\xC3\xA4", ""},
        false);
  }
}

// Lines of Latin letters, digits and punctuation get their keys from a table instead of ICU;
// they must be ICU's keys to the byte, or lines with and without other characters would sort
// apart. The locales include contractions (Czech ch, Danish aa, Hungarian cs, dz, gy, Catalan
// l with a middle dot in the root order), a backward secondary level (Canadian French) and
// punctuation that does not count (Thai).
TEST_F(PosixCollation, KeysOfLatinLinesAreIcuKeys) {
  std::vector<std::string> alphabet;
  for (char c : std::string("aceghlnosyzACHLSZ019.-_'! \t\x01")) alphabet.emplace_back(1, c);
  // ä ö ü ß Ä é è ç ñ ø å æ œ Ÿ ł ő ǅ ſ µ ª ² ½ × « ¿ § · ŉ ǰ Ǆ, then characters beyond the
  // table: α, a combining diaeresis, € and a character outside the BMP.
  for (const char* piece :
       {"\xC3\xA4", "\xC3\xB6", "\xC3\xBC", "\xC3\x9F", "\xC3\x84", "\xC3\xA9", "\xC3\xA8",
        "\xC3\xA7", "\xC3\xB1", "\xC3\xB8", "\xC3\xA5", "\xC3\xA6", "\xC5\x93", "\xC5\xB8",
        "\xC5\x82", "\xC5\x91", "\xC7\x85", "\xC5\xBF", "\xC2\xB5", "\xC2\xAA", "\xC2\xB2",
        "\xC2\xBD", "\xC3\x97", "\xC2\xAB", "\xC2\xBF", "\xC2\xA7", "\xC2\xB7", "\xC5\x89",
        "\xC7\xB0", "\xC7\x84", "\xCE\xB1", "\xCC\x88", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
    alphabet.emplace_back(piece);
  }
  for (const char* locale : {"de_DE", "en_US", "cs_CZ", "da_DK", "hu_HU", "fr_CA", "th_TH",
                             "sv_SE", "ca_ES", "tr_TR"}) {
    SCOPED_TRACE(locale);
    auto collator = Under((std::string(locale) + ".UTF-8").c_str());
    UErrorCode status = U_ZERO_ERROR;
    UCollator* icu = ucol_open(locale, &status);
    ASSERT_TRUE(U_SUCCESS(status));
    ucol_setStrength(icu, UCOL_SECONDARY);
    std::mt19937 random(7);
    std::string key;
    std::vector<UChar> units(1 << 12);
    std::vector<uint8_t> expected(1 << 14);
    for (int i = 0; i < 4000; ++i) {
      // Short lines, and long ones past the runs of 33 and 66 common weights that the key
      // counts in one byte each; every fourth line has any ASCII byte.
      std::string line;
      const size_t length = i % 3 == 0 ? random() % 150 : random() % 8;
      for (size_t n = 0; n < length; ++n) {
        if (i % 4 == 0) {
          line += static_cast<char>(random() % 128);
        } else {
          line += alphabet[random() % alphabet.size()];
        }
      }
      int32_t size = 0;
      status = U_ZERO_ERROR;
      u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &size, line.data(),
                    static_cast<int32_t>(line.size()), &status);
      ASSERT_TRUE(U_SUCCESS(status));
      size = ucol_getSortKey(icu, units.data(), size, expected.data(),
                             static_cast<int32_t>(expected.size()));
      collator->SortKey(line, &key);
      ASSERT_EQ(key, std::string(expected.begin(), expected.begin() + size)) << "line " << line;
    }
    ucol_close(icu);
  }
}

TEST_F(PosixCollation, GroupListOnSortKeysHoldsWhatTheDirectFormHolds) {
  for (unsigned seed = 1; seed <= 5; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    ExpectListLikeDirectForm(*german_, RandomLines(Pieces(), seed, 3000));
  }
}

}  // namespace
}  // namespace kelbrin::test
