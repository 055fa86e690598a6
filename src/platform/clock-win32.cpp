#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

DateTime FromSystemTime(const SYSTEMTIME& time) {
  return DateTime{time.wYear, time.wMonth,  time.wDay,         time.wHour,
                  time.wMinute, time.wSecond, time.wMilliseconds};
}

class Win32Clock : public Clock {
 public:
  DateTime Local() override {
    SYSTEMTIME time;
    GetLocalTime(&time);
    return FromSystemTime(time);
  }

  DateTime Utc() override {
    SYSTEMTIME time;
    GetSystemTime(&time);
    return FromSystemTime(time);
  }
};

}  // namespace

std::unique_ptr<Clock> NewClock() { return std::make_unique<Win32Clock>(); }

}  // namespace kelbrin::win32
