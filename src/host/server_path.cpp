#include "host/server_path.h"

#include <climits>

#include "app/errors.h"
#include "platform/text.h"

namespace kelbrin {

namespace {

constexpr int32_t kLastOldVersion = 10318;

std::string Trim(const std::string& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') --end;
  return s.substr(begin, end - begin);
}

std::string ControlPath(Run& run) {
  return VariantToString(run.hostObject->Call("controlgetpath"));
}

std::string SettingsFile(Run& run) { return ControlPath(run) + "tolvane.ini"; }

// The host's own answer, or empty when the call fails in any way.
std::string AskServerPath(Run& run) {
  try {
    return Trim(VariantToString(run.hostObject->Call("ControlGetServerPath")));
  } catch (const Failure&) {
    return "";
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The piece as a whole number, or 0 when it is none.
int32_t PieceValue(const std::string& piece) {
  size_t i = 0;
  while (i < piece.size() && piece[i] == ' ') ++i;
  std::string rest = piece.substr(i);
  size_t prefix = 0;
  if (rest.compare(0, 2, "0x") == 0 || rest.compare(0, 2, "0X") == 0) prefix = 2;
  else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) prefix = 1;
  if (prefix > 0) {
    if (rest.size() == prefix) return 0;
    uint32_t value = 0;
    for (size_t k = prefix; k < rest.size(); ++k) {
      int d = HexDigit(rest[k]);
      if (d < 0 || value > 0x0FFFFFFFu) return 0;
      value = value * 16 + static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(value);  // eight hex digits cover the full 32 bits
  }
  bool negative = false;
  size_t k = 0;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    k = 1;
  }
  if (k == rest.size()) return 0;
  long long value = 0;
  for (; k < rest.size(); ++k) {
    if (rest[k] < '0' || rest[k] > '9') return 0;
    value = value * 10 + (rest[k] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return 0;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return 0;
  return static_cast<int32_t>(value);
}

int32_t Wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

std::string GetServerPath(Run& run) {
  std::string path = AskServerPath(run);
  if (path.empty()) {
    // No usable answer from the host: its settings file names the directory.
    const std::string settings = SettingsFile(run);
    const std::string fallback = ControlPath(run) + "server" + kPathSeparator;
    path = Trim(run.sys.ini->ReadString(settings, "Directories", "Server", fallback));
    if (path.empty()) path = fallback;
  }
  if (path.back() != kPathSeparator) path += kPathSeparator;
  return path;
}

int32_t TakeVersionNumber(std::string& text) {
  size_t dot = text.find('.');
  if (dot == std::string::npos) return 0;
  std::string piece = text.substr(0, dot);
  text.erase(0, dot + 1);
  return PieceValue(piece);
}

std::string GetDefaultGroup(Run& run) {
  std::string version = VariantToString(run.hostObject->Call("ControlGetVersion"));
  int32_t first = TakeVersionNumber(version);
  int32_t second = TakeVersionNumber(version);
  int32_t third = TakeVersionNumber(version);
  int32_t value = Wrap(static_cast<int64_t>(Wrap(static_cast<int64_t>(first) * 10000)) +
                       Wrap(static_cast<int64_t>(second) * 100));
  value = Wrap(static_cast<int64_t>(value) + third);
  if (value <= kLastOldVersion) return "tolvane.misc";
  const std::string settings = SettingsFile(run);
  std::string group = run.sys.ini->ReadString(settings, "Setup", "internalgroup.statistics", "");
  if (group.empty()) group = run.sys.ini->ReadString(settings, "Setup", "internalgroup.default", "");
  if (group.empty()) group = "internal.misc";
  return group;
}

}  // namespace kelbrin
