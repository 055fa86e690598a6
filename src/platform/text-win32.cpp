#include "platform/text.h"

namespace kelbrin {

// The tool's texts only hold Latin-1 letters, which code page 1252 keeps at the same code
// points, so decoding the UTF-8 and narrowing each code point is the whole conversion.
std::string Ansi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      unsigned char next = static_cast<unsigned char>(utf8[i + 1]);
      unsigned code = ((c & 0x1Fu) << 6) | (next & 0x3Fu);
      out += code <= 0xFF ? static_cast<char>(code) : '?';
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

const char kPathSeparator = '\\';

bool IsPathDelimiter(char c) { return c == '\\' || c == ':'; }

}  // namespace kelbrin
