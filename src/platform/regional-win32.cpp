#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

// One locale value of the user's settings, or `fallback` when the system has none.
std::string LocaleText(LCTYPE type, const std::string& fallback) {
  char buffer[256];
  int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
  // The length counts the terminating NUL.
  if (length <= 0) return fallback;
  return std::string(buffer, static_cast<size_t>(length - 1));
}

bool LocaleFlag(LCTYPE type, bool fallback) {
  std::string value = LocaleText(type, fallback ? "1" : "0");
  return value == "1";
}

class Win32Regional : public Regional {
 public:
  RegionalSettings Read() override {
    RegionalSettings s;
    s.shortDateFormat = LocaleText(LOCALE_SSHORTDATE, s.shortDateFormat);
    s.timeSeparator = LocaleText(LOCALE_STIME, s.timeSeparator);
    s.hourLeadingZero = LocaleFlag(LOCALE_ITLZERO, s.hourLeadingZero);
    s.clock24 = LocaleFlag(LOCALE_ITIME, s.clock24);
    s.amText = LocaleText(LOCALE_S1159, s.amText);
    s.pmText = LocaleText(LOCALE_S2359, s.pmText);
    s.ampmFirst = LocaleFlag(LOCALE_ITIMEMARKPOSN, s.ampmFirst);
    // The system counts Monday as day 1 and Sunday as day 7; the table starts with Sunday.
    for (int day = 0; day < 7; ++day) {
      LCTYPE type = day == 0 ? LOCALE_SABBREVDAYNAME7 : LOCALE_SABBREVDAYNAME1 + (day - 1);
      s.shortDayNames[day] = LocaleText(type, s.shortDayNames[day]);
    }
    for (int month = 0; month < 12; ++month) {
      s.shortMonthNames[month] =
          LocaleText(LOCALE_SABBREVMONTHNAME1 + month, s.shortMonthNames[month]);
    }
    return s;
  }
};

}  // namespace

std::unique_ptr<Regional> NewRegional() { return std::make_unique<Win32Regional>(); }

}  // namespace kelbrin::win32
