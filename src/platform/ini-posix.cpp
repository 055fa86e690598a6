#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ini.h"
#include "platform/ini_text.h"
#include "platform/posix.h"

namespace kelbrin::posix {

namespace {

// The Windows reader answers in a buffer of 2048 bytes, terminator included.
constexpr size_t kMaxValue = 2047;

// The whole file, or nullopt when it cannot be read; a settings file is small.
std::optional<std::string> ReadWhole(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      if (n < 0) return std::nullopt;
      return content;
    }
    content.append(buffer, static_cast<size_t>(n));
  }
}

class FileIniReader : public IniReader {
 public:
  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& fallback) override {
    std::optional<std::string> content = ReadWhole(file);
    std::optional<std::string> value;
    if (content) value = FindIniValue(*content, section, key);
    std::string result;
    if (value) {
      result = std::move(*value);
    } else {
      // The Windows reader drops trailing spaces from the default it hands back.
      result = fallback.substr(0, fallback.find_last_not_of(' ') + 1);
    }
    if (result.size() > kMaxValue) result.resize(kMaxValue);
    return result;
  }
};

}  // namespace

std::unique_ptr<IniReader> NewIniReader() {
  return std::make_unique<FileIniReader>();
}

}  // namespace kelbrin::posix
