#include <gtest/gtest.h>

#include "platform/posix.h"
#include "posix_test_support.h"

namespace kelbrin::test {
namespace {

RegionalSettings ReadUnder(const char* lcAll, const char* lcTime, const char* lang) {
  ScopedEnv env;
  env.Set("LC_ALL", lcAll).Set("LC_TIME", lcTime).Set("LANG", lang);
  return posix::NewRegional()->Read();
}

void ExpectEnglishUs(const RegionalSettings& s, const std::string& label) {
  SCOPED_TRACE(label);
  EXPECT_EQ(s.shortDateFormat, "M/d/yyyy");
  EXPECT_EQ(s.timeSeparator, ":");
  EXPECT_FALSE(s.hourLeadingZero);
  EXPECT_FALSE(s.clock24);
  EXPECT_FALSE(s.ampmFirst);
  EXPECT_EQ(s.amText, "AM");
  EXPECT_EQ(s.pmText, "PM");
  EXPECT_EQ(s.shortDayNames,
            (std::array<std::string, 7>{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"}));
  EXPECT_EQ(s.shortMonthNames,
            (std::array<std::string, 12>{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug",
                                         "Sep", "Oct", "Nov", "Dec"}));
}

TEST(PosixRegional, GermanLocale) {
  RegionalSettings s = ReadUnder("de_DE.UTF-8", nullptr, nullptr);
  EXPECT_EQ(s.shortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(s.timeSeparator, ":");
  EXPECT_TRUE(s.hourLeadingZero);
  EXPECT_TRUE(s.clock24);
  EXPECT_EQ(s.shortDayNames,
            (std::array<std::string, 7>{"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"}));
  EXPECT_EQ(s.shortMonthNames,
            (std::array<std::string, 12>{"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun", "Jul",
                                         "Aug", "Sep", "Okt", "Nov", "Dez"}));
}

TEST(PosixRegional, UsEnglishAndTheCLocalesGiveTheSameEnglishSettings) {
  ExpectEnglishUs(ReadUnder("en_US.UTF-8", nullptr, nullptr), "en_US.UTF-8");
  for (const char* name : {"C", "POSIX", "C.UTF-8", ""}) {
    ExpectEnglishUs(ReadUnder(name, nullptr, nullptr), std::string("LC_ALL=") + name);
  }
  ExpectEnglishUs(ReadUnder(nullptr, nullptr, nullptr), "nothing set");
  // A locale ICU has no data for is not answered from some other locale's data.
  ExpectEnglishUs(ReadUnder("zz_ZZ.UTF-8", nullptr, nullptr), "zz_ZZ");
}

TEST(PosixRegional, TheFirstNonEmptyOfLcAllLcTimeAndLangCounts) {
  EXPECT_EQ(ReadUnder("", "de_DE.UTF-8", "en_US.UTF-8").shortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(ReadUnder(nullptr, nullptr, "de_DE.UTF-8").shortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(ReadUnder("en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8").shortDateFormat, "M/d/yyyy");
  EXPECT_EQ(ReadUnder(nullptr, "de_DE@euro", nullptr).shortDateFormat, "dd.MM.yyyy");
}

TEST(PosixRegional, OtherSeparatorsAndDesignatorPlacesComeFromThePattern) {
  // Finnish separates hours and minutes with a full stop; Korean puts the designator first.
  RegionalSettings finnish = ReadUnder("fi_FI.UTF-8", nullptr, nullptr);
  EXPECT_EQ(finnish.timeSeparator, ".");
  EXPECT_TRUE(finnish.clock24);
  RegionalSettings korean = ReadUnder("ko_KR.UTF-8", nullptr, nullptr);
  EXPECT_FALSE(korean.clock24);
  EXPECT_TRUE(korean.ampmFirst);
  EXPECT_EQ(korean.shortDateFormat.find("yyyy"), 0u);
}

}  // namespace
}  // namespace kelbrin::test
