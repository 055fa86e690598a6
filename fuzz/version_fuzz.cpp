// Reading the host's version: TakeVersionNumber against a plain statement of which pieces
// count as numbers, and GetDefaultGroup's choice of group from the wrapped version value.
#include <algorithm>
#include <charconv>
#include <cstdint>

#include "fakes.h"
#include "fuzz_support.h"
#include "host/server_path.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Leading blanks; then a sign and decimal digits within the signed 32-bit range, or
// hexadecimal digits behind "$", "x", "X", "0x" or "0X" within 32 bits; anything else is 0.
int32_t ExpectedPiece(std::string_view piece) {
  while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
  size_t prefix = 0;
  if (piece.substr(0, 2) == "0x" || piece.substr(0, 2) == "0X") {
    prefix = 2;
  } else if (!piece.empty() && (piece[0] == '$' || piece[0] == 'x' || piece[0] == 'X')) {
    prefix = 1;
  }
  if (prefix > 0) {
    std::string_view digits = piece.substr(prefix);
    uint64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        value > 0xFFFFFFFFu) {
      return 0;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  bool negative = !piece.empty() && piece[0] == '-';
  if (!piece.empty() && (piece[0] == '-' || piece[0] == '+')) piece.remove_prefix(1);
  if (piece.empty() || !std::all_of(piece.begin(), piece.end(), IsDigit)) return 0;
  int64_t value = 0;
  auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (error != std::errc()) return 0;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return 0;
  return static_cast<int32_t>(value);
}

}  // namespace

// Input: the version text, NUL, the settings file's statistics group.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelbrin;
  std::vector<std::string> parts = fuzz::Split(
      std::string_view(reinterpret_cast<const char*>(data), size), std::string_view("\0", 1), 2);
  const std::string& version = parts[0];
  const std::string group = parts.size() > 1 ? parts[1] : "";

  std::string text = version;
  int64_t sum = 0;
  for (int64_t weight : {10000, 100, 1}) {
    const std::string before = text;
    const size_t dot = before.find('.');
    const int32_t number = TakeVersionNumber(text);
    if (dot == std::string::npos) {
      FUZZ_CHECK(number == 0);
      FUZZ_CHECK(text == before);
    } else {
      FUZZ_CHECK(number == ExpectedPiece(std::string_view(before).substr(0, dot)));
      FUZZ_CHECK(text == before.substr(dot + 1));
    }
    sum += weight * number;
  }
  // Signed 32-bit arithmetic that wraps: the exact sum modulo 2^32.
  const auto value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(sum)));

  test::FakeWorld world;
  world.host.AnswerText("ControlGetVersion", version);
  world.ini.files["/news/tolvane.ini"]["setup/internalgroup.statistics"] = group;
  Run run(world.platform);
  run.hostObject = HostObject::Create(world.automation, "tolvane.app");
  const std::string chosen = GetDefaultGroup(run);
  if (value <= 10318) {
    FUZZ_CHECK(chosen == "tolvane.misc");
  } else {
    FUZZ_CHECK(chosen == (group.empty() ? "internal.misc" : group.substr(0, 2047)));
  }
  return 0;
}
