#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "collation_check.h"
#include "platform/clock.h"
#include "platform/collation.h"
#include "platform/ini.h"
#include "platform/regional.h"
#include "platform/win32.h"
#include "temp_dir-win32.h"

namespace kelbrin::test {
namespace {

// The locale the test run was started in, as Wine maps it onto the user's regional settings.
std::string UnixLocale() {
  const char* value = std::getenv("LC_ALL");
  return value ? value : "";
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Windows writes German short dates as dd.MM.yyyy and Wine 8 as d.M.yyyy, and only Wine puts
// a full stop behind day names: the checks hold for both.
TEST(Win32Regional, GermanSettings) {
  if (!StartsWith(UnixLocale(), "de_DE")) GTEST_SKIP() << "needs LC_ALL=de_DE.UTF-8";
  RegionalSettings s = win32::NewRegional()->Read();
  EXPECT_TRUE(s.shortDateFormat == "dd.MM.yyyy" || s.shortDateFormat == "d.M.yyyy")
      << s.shortDateFormat;
  EXPECT_EQ(s.timeSeparator, ":");
  EXPECT_TRUE(s.clock24);
  EXPECT_TRUE(s.hourLeadingZero);
  EXPECT_TRUE(StartsWith(s.shortDayNames[0], "So")) << s.shortDayNames[0];
  EXPECT_TRUE(StartsWith(s.shortDayNames[1], "Mo")) << s.shortDayNames[1];
  EXPECT_TRUE(StartsWith(s.shortDayNames[6], "Sa")) << s.shortDayNames[6];
  EXPECT_EQ(s.shortMonthNames[0], "Jan");
  EXPECT_EQ(s.shortMonthNames[2], "M\xE4r");  // in code page 1252
  EXPECT_EQ(s.shortMonthNames[11], "Dez");
}

TEST(Win32Regional, UsEnglishSettings) {
  if (!StartsWith(UnixLocale(), "C")) GTEST_SKIP() << "needs LC_ALL=C.UTF-8";
  RegionalSettings s = win32::NewRegional()->Read();
  EXPECT_EQ(s.shortDateFormat, "M/d/yyyy");
  EXPECT_EQ(s.timeSeparator, ":");
  EXPECT_FALSE(s.clock24);
  EXPECT_FALSE(s.hourLeadingZero);
  EXPECT_EQ(s.amText, "AM");
  EXPECT_EQ(s.pmText, "PM");
  EXPECT_FALSE(s.ampmFirst);
  EXPECT_EQ(s.shortDayNames[0], "Sun");
  EXPECT_EQ(s.shortDayNames[6], "Sat");
  EXPECT_EQ(s.shortMonthNames[0], "Jan");
  EXPECT_EQ(s.shortMonthNames[11], "Dec");
}

TEST(Win32Collator, IgnoresCaseAndOrdersLettersByLanguage) {
  auto collator = win32::NewCollator();
  EXPECT_EQ(collator->Compare("de.ALT.test", "de.alt.TEST"), 0);
  EXPECT_EQ(collator->Compare("\xC4pfel", "\xE4pfel"), 0);  // Ä, ä in code page 1252
  EXPECT_LT(collator->Compare("alt.a", "ALT.B"), 0);
  EXPECT_GT(collator->Compare("b", "A"), 0);
  // Byte order would put ä after z.
  EXPECT_LT(collator->Compare("\xE4", "z"), 0);
  EXPECT_LT(collator->Compare("", "a"), 0);
  EXPECT_EQ(collator->Compare("", ""), 0);
  // Lengths are explicit: a shorter view of the same bytes is a different line.
  std::string_view both = "alt.binaries";
  EXPECT_LT(collator->Compare(both.substr(0, 3), both), 0);
}

// The punctuation of group names, a control character, NUL, letters in both cases and, in code
// page 1252, ä Ä ß é œ and a no-break space.
std::vector<std::string> Pieces() {
  std::vector<std::string> pieces;
  for (char c : std::string("abzAZ09.-'_ +\x01")) pieces.emplace_back(1, c);
  pieces.emplace_back(1, '\0');
  for (const char* piece : {"\xE4", "\xC4", "\xDF", "\xE9", "\x9C", "\xA0"}) {
    pieces.emplace_back(piece);
  }
  return pieces;
}

TEST(Win32Collator, SortKeysOrderLinesAsCompareDoes) {
  auto collator = win32::NewCollator();
  for (unsigned seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    ExpectKeysOrderLikeCompare(*collator, RandomLines(Pieces(), seed, 300));
  }
  // Keys longer than the first guess at their size.
  ExpectKeysOrderLikeCompare(*collator, {std::string(3000, 'a'), std::string(3000, 'A') + "b",
                                         std::string(2000, '\xE4'), ""});
}

TEST(Win32Collator, GroupListOnSortKeysHoldsWhatTheDirectFormHolds) {
  auto collator = win32::NewCollator();
  for (unsigned seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    ExpectListLikeDirectForm(*collator, RandomLines(Pieces(), seed, 3000));
  }
}

class Win32Ini : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(path_, std::ios::binary)
        << "[Other]\r\nNewsGroup=other\r\n"
        << "[Settings]\r\n"
        << "  NewsGroup  =  local.lists  \r\n"
        << "Quoted=\"  spaced  \"\r\n"
        << "newsgroup=second\r\n"
        << "Long=" << std::string(3000, 'x') << "\r\n";
  }
  std::string Read(const std::string& section, const std::string& key) {
    return ini_->ReadString(path_, section, key, "fallback");
  }
  TempDir dir_;
  const std::string path_ = dir_ / "tolvane.ini";
  std::unique_ptr<IniReader> ini_ = win32::NewIniReader();
};

TEST_F(Win32Ini, FindsValuesByTheirRules) {
  EXPECT_EQ(Read("Settings", "NewsGroup"), "local.lists");
  EXPECT_EQ(Read("SETTINGS", "newsgroup"), "local.lists");  // first match, any case
  EXPECT_EQ(Read("Other", "NewsGroup"), "other");
  EXPECT_EQ(Read("Settings", "Quoted"), "  spaced  ");
  EXPECT_EQ(Read("Settings", "Long"), std::string(2047, 'x'));
}

TEST_F(Win32Ini, FallsBackWhenMissing) {
  EXPECT_EQ(Read("Settings", "Missing"), "fallback");
  EXPECT_EQ(Read("Missing", "NewsGroup"), "fallback");
  EXPECT_EQ(ini_->ReadString(dir_ / "missing.ini", "Settings", "NewsGroup", ""), "");
}

// Seconds since 1970 of a calendar time taken as UTC (days from the civil date).
long long EpochSeconds(int year, int month, int day, int hour, int minute, int second) {
  year -= month <= 2;
  long long era = (year >= 0 ? year : year - 399) / 400;
  long long yoe = year - era * 400;
  long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long long days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

long long EpochSeconds(const DateTime& t) {
  return EpochSeconds(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

long long EpochSeconds(const std::tm& t) {
  return EpochSeconds(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

// Both clocks agree with the C runtime's idea of now, to the second, in every field.
TEST(Win32Clock, LocalAndUtcMatchTheRuntime) {
  auto clock = win32::NewClock();
  std::time_t now = std::time(nullptr);
  DateTime utc = clock->Utc(), local = clock->Local();
  EXPECT_NEAR(EpochSeconds(utc), static_cast<long long>(now), 2);
  EXPECT_NEAR(EpochSeconds(local), EpochSeconds(*std::localtime(&now)), 2);
  for (const DateTime& t : {utc, local}) {
    EXPECT_GE(t.millisecond, 0);
    EXPECT_LT(t.millisecond, 1000);
  }
}

}  // namespace
}  // namespace kelbrin::test
