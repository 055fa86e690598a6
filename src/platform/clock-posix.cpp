#include <time.h>

#include "platform/clock.h"
#include "platform/posix.h"

namespace kelbrin::posix {

namespace {

DateTime FromParts(const struct tm& parts, long nanoseconds) {
  DateTime value;
  value.year = parts.tm_year + 1900;
  value.month = parts.tm_mon + 1;
  value.day = parts.tm_mday;
  value.hour = parts.tm_hour;
  value.minute = parts.tm_min;
  // A leap second shows as :60; the formats only know 00 to 59.
  value.second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
  value.millisecond = static_cast<int>(nanoseconds / 1000000);
  return value;
}

class SystemClock : public Clock {
 public:
  DateTime Local() override {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    // localtime_r does not promise to read TZ afresh; tzset does, so a changed zone counts.
    ::tzset();
    struct tm parts;
    ::localtime_r(&now.tv_sec, &parts);
    return FromParts(parts, now.tv_nsec);
  }

  DateTime Utc() override {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts;
    ::gmtime_r(&now.tv_sec, &parts);
    return FromParts(parts, now.tv_nsec);
  }
};

}  // namespace

std::unique_ptr<Clock> NewClock() {
  return std::make_unique<SystemClock>();
}

}  // namespace kelbrin::posix
