#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/posix.h"
#include "platform/regional.h"

namespace kelbrin::posix {

std::string LocaleFromEnvironment(const char* category) {
  std::string name;
  for (const char* variable : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  // "de_DE.UTF-8" and "de_DE@euro" name the locale de_DE; the encoding is always UTF-8 here.
  name = name.substr(0, name.find_first_of(".@"));
  // The C library's own locales carry no regional data; they count as US English.
  if (name.empty() || name == "C" || name == "POSIX") return "en_US";
  return name;
}

namespace {

std::string Utf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// One piece of an ICU pattern: a run of one field letter, or literal text (quotes removed).
struct PatternPiece {
  char16_t letter = 0;  // 0 for literal text
  int count = 0;
  icu::UnicodeString literal;
  icu::UnicodeString raw;  // as it stood in the pattern, quotes included
};

std::vector<PatternPiece> SplitPattern(const icu::UnicodeString& pattern) {
  std::vector<PatternPiece> pieces;
  const int32_t n = pattern.length();
  for (int32_t i = 0; i < n;) {
    char16_t c = pattern.charAt(i);
    bool isLetter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (isLetter) {
      PatternPiece piece;
      piece.letter = c;
      for (; i < n && pattern.charAt(i) == c; ++i, ++piece.count) piece.raw += c;
      pieces.push_back(piece);
      continue;
    }
    if (pieces.empty() || pieces.back().letter != 0) pieces.push_back(PatternPiece{});
    PatternPiece& text = pieces.back();
    if (c != u'\'') {
      text.literal += c;
      text.raw += c;
      ++i;
      continue;
    }
    // Quoted text up to the closing quote; '' stands for one apostrophe, inside or outside.
    text.raw += c;
    ++i;
    if (i < n && pattern.charAt(i) == u'\'') {
      text.literal += u'\'';
      text.raw += u'\'';
      ++i;
      continue;
    }
    while (i < n) {
      char16_t q = pattern.charAt(i++);
      text.raw += q;
      if (q != u'\'') {
        text.literal += q;
      } else if (i < n && pattern.charAt(i) == u'\'') {
        text.literal += u'\'';
        text.raw += pattern.charAt(i++);
      } else {
        break;
      }
    }
  }
  return pieces;
}

icu::UnicodeString Pattern(const icu::DateFormat* format) {
  icu::UnicodeString pattern;
  if (auto* simple = dynamic_cast<const icu::SimpleDateFormat*>(format)) simple->toPattern(pattern);
  return pattern;
}

// The short date picture with a four-digit year, since the log shows whole years.
std::string ShortDateFormat(const icu::Locale& locale) {
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
  icu::UnicodeString out;
  for (const PatternPiece& piece : SplitPattern(Pattern(format.get()))) {
    if (piece.letter == u'y' && piece.count <= 2) {
      out += u"yyyy";
    } else if (piece.letter == u'L') {
      for (int i = 0; i < piece.count; ++i) out += u'M';  // stand-alone month, same digits
    } else {
      out += piece.raw;
    }
  }
  return out.isEmpty() ? RegionalSettings{}.shortDateFormat : Utf8(out);
}

// Separator, padding, clock and designator position from the medium time pattern
// (the one with seconds): "HH:mm:ss" or "h:mm:ss a".
void ReadTimePattern(const icu::Locale& locale, RegionalSettings* settings) {
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
  std::vector<PatternPiece> pieces = SplitPattern(Pattern(format.get()));
  bool seenMarker = false;
  for (size_t i = 0; i < pieces.size(); ++i) {
    char16_t letter = pieces[i].letter;
    if (letter == u'a' || letter == u'b' || letter == u'B') seenMarker = true;
    if (letter != u'h' && letter != u'H' && letter != u'k' && letter != u'K') continue;
    settings->hourLeadingZero = pieces[i].count >= 2;
    settings->clock24 = letter == u'H' || letter == u'k';
    settings->ampmFirst = seenMarker;
    if (i + 1 < pieces.size() && pieces[i + 1].letter == 0) {
      settings->timeSeparator = Utf8(pieces[i + 1].literal);
    }
    return;
  }
}

void ReadNames(const icu::Locale& locale, RegionalSettings* settings) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(locale, status);
  if (U_FAILURE(status)) return;
  int32_t count = 0;
  const icu::UnicodeString* am = symbols.getAmPmStrings(count);
  if (count >= 2) {
    settings->amText = Utf8(am[0]);
    settings->pmText = Utf8(am[1]);
  }
  // Stand-alone forms: the names stand alone in the pictures ("So", not "So.").
  const icu::UnicodeString* days = symbols.getWeekdays(count, icu::DateFormatSymbols::STANDALONE,
                                                       icu::DateFormatSymbols::ABBREVIATED);
  // Entry 0 is unused; UCAL_SUNDAY is 1.
  for (int32_t d = 0; d < 7 && d + 1 < count; ++d) settings->shortDayNames[d] = Utf8(days[d + 1]);
  const icu::UnicodeString* months = symbols.getMonths(count, icu::DateFormatSymbols::STANDALONE,
                                                       icu::DateFormatSymbols::ABBREVIATED);
  for (int32_t m = 0; m < 12 && m < count; ++m) settings->shortMonthNames[m] = Utf8(months[m]);
}

// The named locale when ICU has data for its language; otherwise US English, as for C. ICU
// itself would fall back on its default locale, which need not be the one asked for.
icu::Locale KnownLocale(const std::string& name) {
  icu::Locale locale(name.c_str());
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status) && !locale.isBogus() &&
      std::strcmp(symbols.getLocale(ULOC_VALID_LOCALE, status).getLanguage(),
                  locale.getLanguage()) == 0) {
    return locale;
  }
  return icu::Locale("en_US");
}

class IcuRegional : public Regional {
 public:
  RegionalSettings Read() override {
    const icu::Locale locale = KnownLocale(LocaleFromEnvironment("LC_TIME"));
    RegionalSettings settings;
    settings.shortDateFormat = ShortDateFormat(locale);
    ReadTimePattern(locale, &settings);
    ReadNames(locale, &settings);
    return settings;
  }
};

}  // namespace

std::unique_ptr<Regional> NewRegional() {
  return std::make_unique<IcuRegional>();
}

}  // namespace kelbrin::posix
