#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kelbrin {

// Splits a whole command line, program name first, into its words: bytes 1 to 32 separate
// words, a stretch in double quotes may hold them, and the quotes are dropped (no escapes).
// A word that comes out empty ("" alone) is no word.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace kelbrin
