#include <gtest/gtest.h>

#include <fstream>

#include "platform/console.h"
#include "platform/win32.h"
#include "temp_dir-win32.h"

namespace kelbrin::test {
namespace {

// Points standard output elsewhere for one test and puts it back afterwards.
class StdoutRedirect {
 public:
  explicit StdoutRedirect(HANDLE handle) : saved_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    SetStdHandle(STD_OUTPUT_HANDLE, handle);
  }
  ~StdoutRedirect() { SetStdHandle(STD_OUTPUT_HANDLE, saved_); }

 private:
  HANDLE saved_;
};

TEST(Win32Console, WritesRawBytesWithoutLineEndTranslation) {
  TempDir dir;
  const std::string path = dir / "out.txt";
  const std::string bytes("a\nb\r\n\xF6\xDF\0z", 9);
  {
    win32::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.Valid());
    StdoutRedirect redirect(file.Get());
    auto console = win32::NewConsole(STD_OUTPUT_HANDLE);
    EXPECT_EQ(console->Write(bytes.substr(0, 4)), 0u);
    EXPECT_EQ(console->Write(bytes.substr(4)), 0u);
  }
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

TEST(Win32Console, FailedWriteGivesTheSystemCode) {
  TempDir dir;
  const std::string path = dir / "read-only-handle.txt";
  win32::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.Valid());
  StdoutRedirect redirect(file.Get());
  EXPECT_EQ(win32::NewConsole(STD_OUTPUT_HANDLE)->Write("x"), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
}

}  // namespace
}  // namespace kelbrin::test
