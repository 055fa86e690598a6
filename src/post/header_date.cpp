#include "post/header_date.h"

namespace kelbrin {

namespace {

constexpr std::string_view kHeaderPattern = "ddd, d mmm yyyy hh:mm:ss";

// Puts the English names into the formatter's tables and the user's back on destruction, so
// every other date of the run keeps the user's names even if rendering throws.
class EnglishNamesInPlace {
 public:
  explicit EnglishNamesInPlace(RegionalSettings& tables)
      : tables_(tables), days_(tables.shortDayNames), months_(tables.shortMonthNames) {
    for (size_t i = 0; i < EnglishDayNames.size(); ++i) {
      tables_.shortDayNames[i] = EnglishDayNames[i];
    }
    for (size_t i = 0; i < EnglishMonthNames.size(); ++i) {
      tables_.shortMonthNames[i] = EnglishMonthNames[i];
    }
  }
  ~EnglishNamesInPlace() {
    tables_.shortDayNames = days_;
    tables_.shortMonthNames = months_;
  }
  EnglishNamesInPlace(const EnglishNamesInPlace&) = delete;
  EnglishNamesInPlace& operator=(const EnglishNamesInPlace&) = delete;

 private:
  RegionalSettings& tables_;
  const decltype(RegionalSettings::shortDayNames) days_;
  const decltype(RegionalSettings::shortMonthNames) months_;
};

}  // namespace

std::string FormatHeaderDate(DateFormatter& formatter, const DateTime& value) {
  // A Sunday of exactly "Sun" marks the tables as English already; the months are then left
  // as the locale has them.
  if (formatter.settings.shortDayNames[0] == EnglishDayNames[0]) {
    return formatter.Format(kHeaderPattern, value);
  }
  EnglishNamesInPlace english(formatter.settings);
  return formatter.Format(kHeaderPattern, value);
}

}  // namespace kelbrin
