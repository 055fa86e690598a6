#pragma once
#include <array>
#include <string>

namespace kelbrin {

// The user's regional date and time settings, as the date formatter consumes them.
struct RegionalSettings {
  std::string shortDateFormat = "M/d/yyyy";  // picture with d, M, y tokens and quoted literals
  std::string timeSeparator = ":";
  bool hourLeadingZero = false;
  bool clock24 = false;
  std::string amText = "AM";
  std::string pmText = "PM";
  bool ampmFirst = false;  // designator stands before the time
  std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};

class Regional {
 public:
  virtual ~Regional() = default;
  // Reads the settings of the user's locale; texts in the platform's narrow encoding.
  virtual RegionalSettings Read() = 0;
};

}  // namespace kelbrin
