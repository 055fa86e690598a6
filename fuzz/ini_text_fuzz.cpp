// The settings-file reader over any text, section and key: no crash, no line end in a value,
// and names that match without regard to ASCII case.
#include <cstdint>

#include "fuzz_support.h"
#include "platform/ini_text.h"

namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

// Input: section, NUL, key, NUL, the file's text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelbrin::fuzz;
  std::vector<std::string> parts = Split(
      std::string_view(reinterpret_cast<const char*>(data), size), std::string_view("\0", 1), 3);
  if (parts.size() < 3) return 0;
  const std::string& section = parts[0];
  const std::string& key = parts[1];
  const std::string& content = parts[2];
  std::optional<std::string> value = kelbrin::FindIniValue(content, section, key);
  if (value) {
    FUZZ_CHECK(value->size() <= content.size());
    FUZZ_CHECK(value->find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(content.find(*value) != std::string::npos);
  }
  FUZZ_CHECK(kelbrin::FindIniValue(content, UpperAscii(section), FoldAscii(key)) == value);
  return 0;
}
