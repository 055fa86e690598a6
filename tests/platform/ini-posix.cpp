#include <gtest/gtest.h>

#include "platform/posix.h"
#include "posix_test_support.h"

namespace kelbrin::test {
namespace {

class PosixIni : public ::testing::Test {
 protected:
  std::string Read(const std::string& key, const std::string& fallback = "default") {
    return ini_->ReadString(file_, "Directories", key, fallback);
  }
  ScratchDir dir_;
  std::string file_ = dir_ / "tolvane.ini";
  std::unique_ptr<IniReader> ini_ = posix::NewIniReader();
};

TEST_F(PosixIni, MissingFileOrKeyGivesTheFallbackAndAnEmptyKeyGivesEmpty) {
  EXPECT_EQ(Read("Server"), "default");
  WriteFile(file_, "[Directories]\r\nServer=\r\n");
  EXPECT_EQ(Read("Server"), "");
  EXPECT_EQ(Read("Other"), "default");
  // As on Windows, trailing blanks of the fallback are dropped.
  EXPECT_EQ(Read("Other", "C:\\x\\server\\  "), "C:\\x\\server\\");
}

TEST_F(PosixIni, ReadsTheFileAfreshAtEveryCall) {
  WriteFile(file_, "[Directories]\r\nServer=E:\\Spool\r\n");
  EXPECT_EQ(Read("Server"), "E:\\Spool");
  WriteFile(file_, "[Directories]\r\nServer=F:\\News\r\n");
  EXPECT_EQ(Read("Server"), "F:\\News");
}

TEST_F(PosixIni, CutsValuesTo2047Bytes) {
  WriteFile(file_, "[Directories]\r\nServer=" + std::string(3000, 'v') + "\r\n");
  EXPECT_EQ(Read("Server"), std::string(2047, 'v'));
  EXPECT_EQ(Read("Other", std::string(2048, 'f')), std::string(2047, 'f'));
}

}  // namespace
}  // namespace kelbrin::test
