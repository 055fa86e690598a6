#include "post/header_date.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace kelbrin::test {
namespace {

RegionalSettings WithSeparator(RegionalSettings s, std::string separator) {
  s.timeSeparator = std::move(separator);
  return s;
}

// English Sunday, but the locale's own month names.
RegionalSettings SunWithGermanMonths() {
  RegionalSettings s = FakeRegional::English();
  s.shortMonthNames = FakeRegional::German().shortMonthNames;
  return s;
}

// Differs from the English names only in case.
RegionalSettings LowerCaseEnglish() {
  RegionalSettings s;
  s.shortDayNames = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
  s.shortMonthNames = {"jan", "feb", "mar", "apr", "may", "jun",
                       "jul", "aug", "sep", "oct", "nov", "dec"};
  return s;
}

struct HeaderDateCase {
  std::string name;
  RegionalSettings settings;
  DateTime value;
  std::string expected;
};

TEST(FormatHeaderDate, RendersEnglishAndLeavesTheTablesAsTheyWere) {
  const RegionalSettings english = FakeRegional::English();
  const RegionalSettings german = FakeRegional::German();
  const std::vector<HeaderDateCase> cases = {
      {"english", english, {2000, 3, 7, 9, 7, 3, 640}, "Tue, 7 Mar 2000 09:07:03"},
      {"english", english, {2000, 12, 31, 23, 59, 59, 999}, "Sun, 31 Dec 2000 23:59:59"},
      {"english", english, {2000, 1, 1, 0, 0, 0, 0}, "Sat, 1 Jan 2000 00:00:00"},
      {"german", german, {2000, 3, 7, 9, 7, 3, 640}, "Tue, 7 Mar 2000 09:07:03"},
      {"german", german, {2000, 12, 31, 23, 59, 59, 999}, "Sun, 31 Dec 2000 23:59:59"},
      {"german", german, {2000, 1, 1, 0, 0, 0, 0}, "Sat, 1 Jan 2000 00:00:00"},
      {"german", german, {2024, 10, 3, 5, 4, 9, 999}, "Thu, 3 Oct 2024 05:04:09"},
      {"german", german, {2024, 5, 10, 10, 10, 10, 0}, "Fri, 10 May 2024 10:10:10"},
      {"german leap day", german, {2024, 2, 29, 12, 0, 0, 0}, "Thu, 29 Feb 2024 12:00:00"},
      {"sunday is Sun: own months kept",
       SunWithGermanMonths(),
       {2000, 3, 7, 9, 7, 3, 0},
       "Tue, 7 Mrz 2000 09:07:03"},
      {"sunday is Sun: own months kept",
       SunWithGermanMonths(),
       {2000, 12, 31, 1, 2, 3, 0},
       "Sun, 31 Dez 2000 01:02:03"},
      {"sunday is sun: all names swapped",
       LowerCaseEnglish(),
       {2000, 3, 7, 9, 7, 3, 0},
       "Tue, 7 Mar 2000 09:07:03"},
      {"sunday is sun: all names swapped",
       LowerCaseEnglish(),
       {2000, 12, 31, 1, 2, 3, 0},
       "Sun, 31 Dec 2000 01:02:03"},
      {"time separator .",
       WithSeparator(german, "."),
       {2000, 3, 7, 9, 7, 3, 0},
       "Tue, 7 Mar 2000 09:07:03"},
      {"12-hour English locale", english, {2000, 3, 7, 21, 7, 3, 0}, "Tue, 7 Mar 2000 21:07:03"},
  };
  for (const HeaderDateCase& c : cases) {
    SCOPED_TRACE(c.name + " -> " + c.expected);
    DateFormatter formatter{c.settings};
    EXPECT_EQ(FormatHeaderDate(formatter, c.value), c.expected);
    EXPECT_EQ(formatter.settings.shortDayNames, c.settings.shortDayNames);
    EXPECT_EQ(formatter.settings.shortMonthNames, c.settings.shortMonthNames);
  }
}

TEST(FormatHeaderDate, LaterDatesUseTheUsersNamesAgain) {
  DateFormatter formatter{FakeRegional::German()};
  const DateTime tuesday{2000, 3, 7, 9, 7, 3, 0};
  ASSERT_EQ(FormatHeaderDate(formatter, tuesday), "Tue, 7 Mar 2000 09:07:03");
  EXPECT_EQ(formatter.Format("ddd mmm", tuesday), "Di Mrz");
  EXPECT_EQ(formatter.TimeStamp(tuesday), "07.03.2000 09:07:03");
  // A second call swaps again from the restored German tables.
  EXPECT_EQ(FormatHeaderDate(formatter, {2000, 10, 1, 0, 0, 0, 0}), "Sun, 1 Oct 2000 00:00:00");
  EXPECT_EQ(formatter.Format("ddd, d mmm", {2000, 10, 1, 0, 0, 0, 0}), "So, 1 Okt");
}

TEST(FormatHeaderDate, EveryDayAndMonthNameUnderGermanSettings) {
  DateFormatter formatter{FakeRegional::German()};
  const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  for (int i = 0; i < 7; ++i) {  // 2 January 2000 was a Sunday
    EXPECT_EQ(FormatHeaderDate(formatter, {2000, 1, 2 + i, 8, 0, 0, 0}),
              std::string(days[i]) + ", " + std::to_string(2 + i) + " Jan 2000 08:00:00");
  }
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int m = 1; m <= 12; ++m) {
    std::string text = FormatHeaderDate(formatter, {2001, m, 15, 8, 0, 0, 0});
    EXPECT_EQ(text.substr(8, 3), months[m - 1]) << text;
  }
}

}  // namespace
}  // namespace kelbrin::test
