#include "app/date_format.h"

#include <cctype>
#include <cstdio>

namespace kelbrin {

namespace {

std::string Number(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Lower(text[at + i]) != word[i]) return false;
  }
  return true;
}

int Hour12(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

}  // namespace

int DayOfWeek(const DateTime& value) {
  // Days since 1970-01-01 (a Thursday) by the civil-from-days inverse.
  int y = value.year - (value.month <= 2 ? 1 : 0);
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int mp = (value.month + 9) % 12;
  int doy = (153 * mp + 2) / 5 + value.day - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  long long days = static_cast<long long>(era) * 146097 + doe - 719468;
  return static_cast<int>(((days % 7) + 11) % 7);
}

std::string DateFormatter::Format(std::string_view picture, const DateTime& value) const {
  const bool twelveHour = [&] {
    for (size_t i = 0; i < picture.size(); ++i) {
      if (StartsWithNoCase(picture, i, "am/pm")) return true;
    }
    return false;
  }();
  std::string out;
  bool afterHour = false;
  size_t i = 0;
  while (i < picture.size()) {
    char c = picture[i];
    if (c == '\'' || c == '"') {
      size_t end = picture.find(c, i + 1);
      if (end == std::string_view::npos) end = picture.size();
      out.append(picture.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (StartsWithNoCase(picture, i, "am/pm")) {
      out += value.hour < 12 ? "am" : "pm";
      i += 5;
      continue;
    }
    char t = Lower(c);
    size_t run = 1;
    if (t == 'd' || t == 'm' || t == 'y' || t == 'h' || t == 'n' || t == 's' || t == 'z') {
      while (i + run < picture.size() && Lower(picture[i + run]) == t) ++run;
    }
    switch (t) {
      case 'd':
        if (run == 1) out += std::to_string(value.day);
        else if (run == 2) out += Number(value.day, 2);
        else out += settings.shortDayNames[static_cast<size_t>(DayOfWeek(value))];
        afterHour = false;
        break;
      case 'm':
        if (afterHour && run <= 2) {
          out += run == 1 ? std::to_string(value.minute) : Number(value.minute, 2);
        } else if (run == 1) {
          out += std::to_string(value.month);
        } else if (run == 2) {
          out += Number(value.month, 2);
        } else {
          out += settings.shortMonthNames[static_cast<size_t>(value.month - 1)];
        }
        afterHour = false;
        break;
      case 'y':
        out += run <= 2 ? Number(value.year % 100, 2) : Number(value.year, 4);
        afterHour = false;
        break;
      case 'h': {
        int h = twelveHour ? Hour12(value.hour) : value.hour;
        out += run == 1 ? std::to_string(h) : Number(h, 2);
        afterHour = true;
        break;
      }
      case 'n':
        out += run == 1 ? std::to_string(value.minute) : Number(value.minute, 2);
        afterHour = false;
        break;
      case 's':
        out += run == 1 ? std::to_string(value.second) : Number(value.second, 2);
        afterHour = false;
        break;
      case 'z':
        out += run == 1 ? std::to_string(value.millisecond) : Number(value.millisecond, 3);
        afterHour = false;
        break;
      default:
        out += c;
        break;
    }
    i += run;
  }
  return out;
}

std::string DateFormatter::TimeStamp(const DateTime& value) const {
  std::string stamp = Format(settings.shortDateFormat, value);
  if (value.hour == 0 && value.minute == 0 && value.second == 0) return stamp;
  int hour = settings.clock24 ? value.hour : Hour12(value.hour);
  std::string time = settings.hourLeadingZero ? Number(hour, 2) : std::to_string(hour);
  time += settings.timeSeparator + Number(value.minute, 2) + settings.timeSeparator +
          Number(value.second, 2);
  if (!settings.clock24) {
    const std::string& marker = value.hour < 12 ? settings.amText : settings.pmText;
    if (!marker.empty()) time = settings.ampmFirst ? marker + " " + time : time + " " + marker;
  }
  return stamp + " " + time;
}

}  // namespace kelbrin
