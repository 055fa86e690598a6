#include <algorithm>

#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

// The text layer's own code for a write that the system accepted but did not complete.
constexpr uint32_t kTextDiskFull = 101;

class Win32Console : public Console {
 public:
  explicit Win32Console(DWORD standardHandle) : standardHandle_(standardHandle) {}

  uint32_t Write(std::string_view bytes) override {
    // Looked up at every write: the handle may be redirected while the process runs.
    HANDLE handle = GetStdHandle(standardHandle_);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    while (!bytes.empty()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr)) return GetLastError();
      if (written == 0) return kTextDiskFull;
      bytes.remove_prefix(written);
    }
    // WriteFile is unbuffered on console and file handles alike: nothing is left to flush.
    return 0;
  }

 private:
  DWORD standardHandle_;
};

}  // namespace

std::unique_ptr<Console> NewConsole(DWORD standardHandle) {
  return std::make_unique<Win32Console>(standardHandle);
}

}  // namespace kelbrin::win32
