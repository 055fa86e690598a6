#pragma once
// The line rule of the news server's text files, stated byte by byte, for tests and fuzz
// targets to check the tool's line reader against.
#include <string>
#include <string_view>
#include <vector>

namespace kelbrin::test {

// The lines of a news server text file, byte by byte: CR ends a line, an LF right after a CR
// belongs to it, any other LF is an ordinary byte, 0x1A ends the file, and a final line end
// makes no empty line.
inline std::vector<std::string> LinesByTheRule(std::string_view content) {
  std::vector<std::string> lines;
  std::string line;
  bool pending = false;
  bool afterCr = false;
  for (char c : content) {
    if (c == '\x1A') break;
    if (afterCr && c == '\n') {
      afterCr = false;
      continue;
    }
    afterCr = c == '\r';
    if (afterCr) {
      lines.push_back(line);
      line.clear();
      pending = false;
    } else {
      line += c;
      pending = true;
    }
  }
  if (pending) lines.push_back(line);
  return lines;
}

}  // namespace kelbrin::test
