#include "platform/ini_text.h"

namespace kelbrin {

// The rules, as the Windows profile reader applies them:
// - lines end at CR LF, LF or CR; a UTF-8 byte-order mark at the start is skipped;
// - "[name]" starts a section; blanks (spaces and tabs) around the line and the name are
//   dropped, and the name runs to the last "]" of the line;
// - "key=value" sets a key of the current section; blanks around key and value are dropped,
//   and a value wholly enclosed in matching single or double quotes loses them;
// - lines that start with ";" are comments, lines without "=" and lines before the first
//   section are ignored;
// - section and key names match without regard to ASCII case;
// - only the first section of the asked name is searched, and the first matching key in it
//   wins: later sections of the same name are not looked at.

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Cuts the next line off `text`, its line end (CR LF, LF or CR) dropped.
std::string_view NextLine(std::string_view* text) {
  size_t end = text->find_first_of("\r\n");
  std::string_view line = text->substr(0, end);
  if (end == std::string_view::npos) {
    text->remove_prefix(text->size());
  } else {
    bool crlf = (*text)[end] == '\r' && end + 1 < text->size() && (*text)[end + 1] == '\n';
    text->remove_prefix(end + (crlf ? 2 : 1));
  }
  return line;
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view fileContent, std::string_view section,
                                        std::string_view key) {
  std::string_view text = fileContent;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const std::string_view wantedSection = Trim(section);
  const std::string_view wantedKey = Trim(key);
  enum { kBefore, kInside, kPassed } state = kBefore;
  while (!text.empty() && state != kPassed) {
    std::string_view line = Trim(NextLine(&text));
    if (line.empty() || line.front() == ';') continue;
    size_t close = line.rfind(']');
    if (line.front() == '[' && close != std::string_view::npos) {
      bool match = SameName(Trim(line.substr(1, close - 1)), wantedSection);
      if (state == kInside)
        state = kPassed;
      else if (match)
        state = kInside;
      continue;
    }
    size_t equals = line.find('=');
    if (state != kInside || equals == std::string_view::npos) continue;
    if (SameName(Trim(line.substr(0, equals)), wantedKey)) {
      return std::string(Unquote(Trim(line.substr(equals + 1))));
    }
  }
  return std::nullopt;
}

}  // namespace kelbrin
