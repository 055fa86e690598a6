#pragma once
#include <string>

#include "app/date_format.h"

namespace kelbrin {

// `value` as "ddd, d mmm yyyy hh:mm:ss" with English day and month names, whatever the
// formatter's tables hold; the tables are as before when it returns.
std::string FormatHeaderDate(DateFormatter& formatter, const DateTime& value);

}  // namespace kelbrin
