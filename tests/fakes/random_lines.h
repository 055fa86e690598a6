#pragma once
// Random group lines for differential tests of the group list and the collators.
#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace kelbrin::test {

// Up to `maxPieces - 1` random `pieces` per line, with many repeats and ASCII case variants of
// earlier lines and, now and then, empty lines and long shared beginnings, which make the
// keys' first bytes tie.
inline std::vector<std::string> RandomLines(const std::vector<std::string>& pieces, unsigned seed,
                                            size_t count, size_t maxPieces) {
  std::mt19937 random(seed);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  std::vector<std::string> lines;
  for (size_t i = 0; i < count; ++i) {
    std::string line;
    if (!lines.empty() && pick(3) == 0) {
      line = lines[pick(lines.size())];
      for (char& c : line) {
        if (pick(2) == 0 && std::isalpha(static_cast<unsigned char>(c))) c ^= 0x20;
      }
    } else {
      if (pick(4) == 0) line = "de.comp.lang.";
      for (size_t n = pick(maxPieces); n > 0; --n) line += pieces[pick(pieces.size())];
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace kelbrin::test
