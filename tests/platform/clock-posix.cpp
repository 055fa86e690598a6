#include <gtest/gtest.h>
#include <time.h>

#include "platform/posix.h"
#include "posix_test_support.h"

namespace kelbrin::test {
namespace {

// Seconds since the epoch of a calendar value read as if it were UTC.
long long Seconds(const DateTime& v) {
  struct tm parts = {};
  parts.tm_year = v.year - 1900;
  parts.tm_mon = v.month - 1;
  parts.tm_mday = v.day;
  parts.tm_hour = v.hour;
  parts.tm_min = v.minute;
  parts.tm_sec = v.second;
  return static_cast<long long>(::timegm(&parts));
}

TEST(PosixClock, LocalTimeFollowsTzAndUtcDoesNot) {
  auto clock = posix::NewClock();
  const std::pair<const char*, long long> zones[] = {
      {"UTC0", 0}, {"<+0530>-5:30", 5 * 3600 + 30 * 60}, {"<-10>10", -10 * 3600}};
  for (const auto& [zone, offset] : zones) {
    ScopedEnv env;
    env.Set("TZ", zone);
    DateTime utc = clock->Utc();
    DateTime local = clock->Local();
    long long difference = Seconds(local) - Seconds(utc) - offset;
    // The two readings may straddle a second.
    EXPECT_TRUE(difference == 0 || difference == 1) << zone << ": off by " << difference;
  }
  ::tzset();
}

TEST(PosixClock, GivesAValidDateWithMilliseconds) {
  DateTime now = posix::NewClock()->Utc();
  EXPECT_GE(now.year, 2024);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.day >= 1 && now.day <= 31);
  EXPECT_TRUE(now.millisecond >= 0 && now.millisecond <= 999);
  // Ten readings do not all fall on a whole second if milliseconds are really taken.
  bool sawFraction = false;
  for (int i = 0; i < 10 && !sawFraction; ++i) {
    sawFraction = posix::NewClock()->Utc().millisecond != 0;
    struct timespec pause = {0, 7000000};
    ::nanosleep(&pause, nullptr);
  }
  EXPECT_TRUE(sawFraction);
}

}  // namespace
}  // namespace kelbrin::test
