#pragma once

namespace kelbrin {

// A calendar date and time of day to the millisecond; month 1-12, day 1-31.
struct DateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  bool operator==(const DateTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Local() = 0;  // wall-clock time in the user's zone
  virtual DateTime Utc() = 0;
};

}  // namespace kelbrin
