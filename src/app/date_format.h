#pragma once
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/regional.h"

namespace kelbrin {

// The one date-time formatter of the run. Its name tables are process-wide state that the
// header-date formatting swaps for English ones for the length of one call.
struct DateFormatter {
  RegionalSettings settings;

  // Renders `picture`: d dd ddd dddd, m mm mmm mmmm (minutes right after an hour token),
  // yy yyyy, h hh, n nn, s ss, am/pm, quoted literals; case does not matter for tokens.
  std::string Format(std::string_view picture, const DateTime& value) const;
  // The run log's time stamp: short date, then the regional time unless it is 00:00:00.
  std::string TimeStamp(const DateTime& value) const;
};

// Day of the week, 0 for Sunday.
int DayOfWeek(const DateTime& value);

}  // namespace kelbrin
