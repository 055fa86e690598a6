#include "post/header_date.h"

namespace kelbrin {

std::string FormatHeaderDate(DateFormatter& formatter, const DateTime& value) {
  return formatter.Format("ddd, d mmm yyyy hh:mm:ss", value);
}

}  // namespace kelbrin
