#include "platform/text.h"

namespace kelbrin {

std::string Ansi(std::string_view utf8) { return std::string(utf8); }

const char kPathSeparator = '/';

bool IsPathDelimiter(char c) { return c == '/'; }

}  // namespace kelbrin
