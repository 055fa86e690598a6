#pragma once
#include <array>
#include <string>
#include <string_view>

#include "app/date_format.h"

namespace kelbrin {

// News Date headers are always English, whatever the user's locale: Sunday first.
inline constexpr std::array<std::string_view, 7> EnglishDayNames{"Sun", "Mon", "Tue", "Wed",
                                                                 "Thu", "Fri", "Sat"};
// January first.
inline constexpr std::array<std::string_view, 12> EnglishMonthNames{
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// `value` as "ddd, d mmm yyyy hh:mm:ss" with English day and month names, whatever the
// formatter's tables hold; the tables are as before when it returns.
std::string FormatHeaderDate(DateFormatter& formatter, const DateTime& value);

}  // namespace kelbrin
