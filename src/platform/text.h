#pragma once
#include <string>
#include <string_view>

namespace kelbrin {

// The tool's own texts are written in UTF-8 in the source; this gives the platform's bytes
// (code page 1252 on Windows, UTF-8 unchanged elsewhere). Bytes from files never pass here.
std::string Ansi(std::string_view utf8);

// The directory separator: "\" on Windows, "/" elsewhere.
extern const char kPathSeparator;

// True for characters after which a file name starts ("\" and ":" on Windows, "/" elsewhere).
bool IsPathDelimiter(char c);

}  // namespace kelbrin
