#include <unistd.h>

#include <cerrno>

#include "platform/console.h"
#include "platform/posix.h"

namespace kelbrin::posix {

namespace {

// Unbuffered: each Write is on its way to the terminal or file when it returns, so a line
// started before a long step shows at once and nothing is lost when the run ends early.
class FdConsole : public Console {
 public:
  explicit FdConsole(int fd) : fd_(fd) {}

  uint32_t Write(std::string_view bytes) override {
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
      ssize_t n = ::write(fd_, data, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        return WindowsError(errno);
      }
      data += n;
      left -= static_cast<size_t>(n);
    }
    return 0;
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<Console> NewConsole(int fd) {
  return std::make_unique<FdConsole>(fd);
}

}  // namespace kelbrin::posix
