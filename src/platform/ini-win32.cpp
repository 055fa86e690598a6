#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

// Room for 2047 bytes and the NUL; longer values come back cut.
constexpr DWORD kValueBufferSize = 2048;

class Win32IniReader : public IniReader {
 public:
  // `file` must be a full path: the system resolves a bare name against the Windows directory.
  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& fallback) override {
    char buffer[kValueBufferSize];
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                            buffer, kValueBufferSize, file.c_str());
    return std::string(buffer, length);
  }
};

}  // namespace

std::unique_ptr<IniReader> NewIniReader() { return std::make_unique<Win32IniReader>(); }

}  // namespace kelbrin::win32
