#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/win32.h"
#include "temp_dir-win32.h"

namespace kelbrin::test {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Win32Files : public ::testing::Test {
 protected:
  uint32_t Open(const std::string& path, FileAccess access, FileShare share,
                FileCreation creation, std::unique_ptr<File>* file) {
    return fs_->Open(path, access, share, creation, file);
  }
  std::unique_ptr<FileSystem> fs_ = win32::NewFileSystem();
  TempDir dir_;
};

TEST_F(Win32Files, WritesReadsAndAppendsBytesUnchanged) {
  const std::string path = dir_ / "list.lst";
  const std::string bytes("one\r\ntwo\n\xF6\xDF\0end", 15);
  std::unique_ptr<File> file;
  ASSERT_EQ(Open(path, FileAccess::Write, FileShare::None, FileCreation::CreateAlways, &file), 0u);
  size_t written = 0;
  ASSERT_EQ(file->Write(bytes.data(), bytes.size(), &written), 0u);
  EXPECT_EQ(written, bytes.size());
  ASSERT_EQ(file->Close(), 0u);
  EXPECT_EQ(Slurp(path), bytes);

  ASSERT_EQ(Open(path, FileAccess::ReadWrite, FileShare::Read, FileCreation::OpenExisting, &file),
            0u);
  ASSERT_EQ(file->SeekToEnd(), 0u);
  ASSERT_EQ(file->Write("+", 1, &written), 0u);
  uint64_t size = 0;
  ASSERT_EQ(file->Size(&size), 0u);
  EXPECT_EQ(size, bytes.size() + 1);
  ASSERT_EQ(file->Close(), 0u);

  ASSERT_EQ(Open(path, FileAccess::Read, FileShare::Read, FileCreation::OpenExisting, &file), 0u);
  std::string back;
  char buffer[4];
  size_t got = 0;
  do {
    ASSERT_EQ(file->Read(buffer, sizeof buffer, &got), 0u);
    back.append(buffer, got);
  } while (got > 0);
  EXPECT_EQ(back, bytes + "+");
}

TEST_F(Win32Files, CreateAlwaysTruncates) {
  const std::string path = dir_ / "kelbrin.log";
  std::ofstream(path, std::ios::binary) << "lines of an earlier run";
  std::unique_ptr<File> file;
  ASSERT_EQ(Open(path, FileAccess::Write, FileShare::Read, FileCreation::CreateAlways, &file), 0u);
  ASSERT_EQ(file->Close(), 0u);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(Win32Files, FailuresCarryTheSystemCode) {
  std::unique_ptr<File> file;
  EXPECT_EQ(Open(dir_ / "missing.txt", FileAccess::Read, FileShare::Read,
                 FileCreation::OpenExisting, &file),
            kErrorFileNotFound);
  EXPECT_EQ(Open(dir_ / "no-such-dir\\x.log", FileAccess::Write, FileShare::Read,
                 FileCreation::CreateAlways, &file),
            kErrorPathNotFound);
  // A directory cannot be opened as a file.
  EXPECT_EQ(Open(dir_.Path(), FileAccess::Write, FileShare::Read, FileCreation::CreateAlways,
                 &file),
            kErrorAccessDenied);
  EXPECT_FALSE(file);
}

struct ShareCase {
  FileAccess heldAccess;
  FileShare heldShare;
  FileAccess access;
  FileShare share;
  uint32_t expected;
};

class Win32Sharing : public Win32Files, public ::testing::WithParamInterface<ShareCase> {};

// A second open must fit the first one's sharing, and the first one's access the second's.
TEST_P(Win32Sharing, SecondOpen) {
  const ShareCase& c = GetParam();
  const std::string path = dir_ / "shared.txt";
  std::ofstream(path, std::ios::binary) << "x";
  std::unique_ptr<File> held, second;
  ASSERT_EQ(Open(path, c.heldAccess, c.heldShare, FileCreation::OpenExisting, &held), 0u);
  EXPECT_EQ(Open(path, c.access, c.share, FileCreation::OpenExisting, &second), c.expected);
}

constexpr FileAccess R = FileAccess::Read, W = FileAccess::Write, RW = FileAccess::ReadWrite;

INSTANTIATE_TEST_SUITE_P(
    Table, Win32Sharing,
    ::testing::Values(
        // The log while a line is written (read sharing only): readers may look in...
        ShareCase{RW, FileShare::Read, R, FileShare::ReadWrite, 0},
        // ...but not a reader that forbids writing, and no second writer.
        ShareCase{RW, FileShare::Read, R, FileShare::Read, kErrorSharingViolation},
        ShareCase{RW, FileShare::Read, RW, FileShare::Read, kErrorSharingViolation},
        ShareCase{R, FileShare::Read, R, FileShare::Read, 0},
        ShareCase{R, FileShare::Read, W, FileShare::ReadWrite, kErrorSharingViolation},
        ShareCase{R, FileShare::None, R, FileShare::ReadWrite, kErrorSharingViolation},
        ShareCase{W, FileShare::ReadWrite, RW, FileShare::ReadWrite, 0}));

TEST_F(Win32Files, ExistsOnlyForFiles) {
  std::ofstream(dir_ / "server.hst") << "x";
  std::filesystem::create_directory(dir_ / "sub");
  EXPECT_TRUE(fs_->Exists(dir_ / "server.hst"));
  EXPECT_TRUE(fs_->Exists(dir_ / "SERVER.HST"));
  EXPECT_FALSE(fs_->Exists(dir_ / "sub"));
  EXPECT_FALSE(fs_->Exists(dir_ / "alldescs.txt"));
  EXPECT_FALSE(fs_->Exists(dir_ / "no-such-dir\\server.hst"));
}

}  // namespace
}  // namespace kelbrin::test
