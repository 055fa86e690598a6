#pragma once
// Helpers shared by the fuzz targets: the plain statement of the line rule to compare the tool's
// readers with, and a check that stops the fuzzer with a message.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "line_rule.h"

namespace kelbrin::fuzz {

// Stops the run as a crash, so that libFuzzer keeps the input that broke the property.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

using test::LinesByTheRule;

// Splits `input` at every `delimiter` into at most `parts` pieces.
inline std::vector<std::string> Split(std::string_view input, std::string_view delimiter,
                                      size_t parts) {
  std::vector<std::string> out;
  while (out.size() + 1 < parts) {
    size_t at = input.find(delimiter);
    if (at == std::string_view::npos) break;
    out.emplace_back(input.substr(0, at));
    input.remove_prefix(at + delimiter.size());
  }
  out.emplace_back(input);
  return out;
}

inline std::string FoldAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace kelbrin::fuzz
