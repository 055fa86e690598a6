#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/posix.h"
#include "posix_test_support.h"

namespace kelbrin::test {
namespace {

class PosixFiles : public ::testing::Test {
 protected:
  uint32_t Open(const std::string& path, FileAccess access, FileShare share, FileCreation creation,
                std::unique_ptr<File>* file) {
    return files_->Open(path, access, share, creation, file);
  }
  uint32_t OpenExisting(const std::string& path, FileAccess access, FileShare share,
                        std::unique_ptr<File>* file) {
    return Open(path, access, share, FileCreation::OpenExisting, file);
  }
  static size_t OpenDescriptors() {
    size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
         it != std::filesystem::directory_iterator(); ++it) {
      ++count;
    }
    return count;
  }

  std::unique_ptr<FileSystem> files_ = posix::NewFileSystem();
  ScratchDir dir_;
};

TEST(PosixWindowsError, MapsErrnoOntoTheCodesTheMessagesUse) {
  const std::pair<int, uint32_t> cases[] = {
      {ENOENT, 2},
      {ENOTDIR, 3},
      {ENAMETOOLONG, 3},
      {EMFILE, 4},
      {ENFILE, 4},
      {EACCES, 5},
      {EPERM, 5},
      {EROFS, 5},
      {EISDIR, 5},
      {ETXTBSY, 32},
      {ENOSPC, 112},
      {EDQUOT, 112},
      // errno values that equal unrelated Windows codes must not pass through as they are.
      {EPIPE, 232},
      {EIO, 1117},
      // Anything else keeps its errno value.
      {ELOOP, static_cast<uint32_t>(ELOOP)}};
  for (const auto& [error, code] : cases) {
    EXPECT_EQ(posix::WindowsError(error), code) << "errno " << error;
  }
}

TEST_F(PosixFiles, OpenFailuresCarryTheWindowsCodes) {
  WriteFile(dir_ / "plain", "x");
  std::filesystem::create_directory(dir_ / "sub");
  struct Case {
    std::string path;
    FileAccess access;
    FileCreation creation;
    uint32_t code;
  };
  const Case cases[] = {
      {dir_ / "missing", FileAccess::Read, FileCreation::OpenExisting, kErrorFileNotFound},
      {dir_ / "nodir/file", FileAccess::Read, FileCreation::OpenExisting, kErrorPathNotFound},
      {dir_ / "nodir/file", FileAccess::Write, FileCreation::CreateAlways, kErrorPathNotFound},
      {dir_ / "plain/file", FileAccess::Read, FileCreation::OpenExisting, kErrorPathNotFound},
      {dir_ / "sub", FileAccess::Read, FileCreation::OpenExisting, kErrorAccessDenied},
      {dir_ / "sub", FileAccess::ReadWrite, FileCreation::OpenExisting, kErrorAccessDenied},
      {dir_ / "sub", FileAccess::Write, FileCreation::CreateAlways, kErrorAccessDenied},
      {"", FileAccess::Read, FileCreation::OpenExisting, kErrorPathNotFound},
  };
  for (const Case& c : cases) {
    std::unique_ptr<File> file;
    EXPECT_EQ(Open(c.path, c.access, FileShare::Read, c.creation, &file), c.code) << c.path;
    EXPECT_EQ(file, nullptr) << c.path;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "nodir"));
}

TEST_F(PosixFiles, ReadOnlyFileRefusesWriteAccess) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens read-only files for writing";
  WriteFile(dir_ / "ro", "keep");
  ::chmod((dir_ / "ro").c_str(), 0444);
  std::unique_ptr<File> file;
  EXPECT_EQ(OpenExisting(dir_ / "ro", FileAccess::ReadWrite, FileShare::ReadWrite, &file),
            kErrorAccessDenied);
  EXPECT_EQ(
      Open(dir_ / "ro", FileAccess::Write, FileShare::None, FileCreation::CreateAlways, &file),
      kErrorAccessDenied);
  EXPECT_EQ(ReadFile(dir_ / "ro"), "keep");
}

TEST_F(PosixFiles, ExistsOnlyForEntriesThatAreNotDirectories) {
  WriteFile(dir_ / "plain", "");
  std::filesystem::create_directory(dir_ / "sub");
  EXPECT_TRUE(files_->Exists(dir_ / "plain"));
  EXPECT_FALSE(files_->Exists(dir_ / "sub"));
  EXPECT_FALSE(files_->Exists(dir_ / "missing"));
  EXPECT_FALSE(files_->Exists(""));
}

struct SharingCase {
  FileAccess firstAccess;
  FileShare firstShare;
  FileAccess secondAccess;
  FileShare secondShare;
  uint32_t code;
};

TEST_F(PosixFiles, SharingConflictsBetweenTwoOpensFailWith32) {
  const std::string path = dir_ / "shared";
  WriteFile(path, "data");
  const SharingCase cases[] = {
      // The list file (no sharing) against the reader of a text file (read sharing).
      {FileAccess::ReadWrite, FileShare::None, FileAccess::Read, FileShare::Read, 32},
      {FileAccess::Read, FileShare::Read, FileAccess::ReadWrite, FileShare::None, 32},
      {FileAccess::ReadWrite, FileShare::None, FileAccess::ReadWrite, FileShare::None, 32},
      // The log (read sharing) against a reader that shares reading too.
      {FileAccess::ReadWrite, FileShare::Read, FileAccess::Read, FileShare::Read, 0},
      {FileAccess::Read, FileShare::Read, FileAccess::Read, FileShare::Read, 0},
      {FileAccess::ReadWrite, FileShare::ReadWrite, FileAccess::ReadWrite, FileShare::ReadWrite, 0},
  };
  for (const SharingCase& c : cases) {
    std::unique_ptr<File> first, second;
    ASSERT_EQ(OpenExisting(path, c.firstAccess, c.firstShare, &first), 0u);
    const size_t descriptors = OpenDescriptors();
    EXPECT_EQ(OpenExisting(path, c.secondAccess, c.secondShare, &second), c.code)
        << static_cast<int>(c.firstShare) << " then " << static_cast<int>(c.secondShare);
    EXPECT_EQ(second != nullptr, c.code == 0);
    // A refused open leaves no descriptor behind.
    if (c.code != 0) {
      EXPECT_EQ(OpenDescriptors(), descriptors);
    }
  }
}

TEST_F(PosixFiles, LockEndsWithCloseOrDestruction) {
  const std::string path = dir_ / "held";
  WriteFile(path, "");
  std::unique_ptr<File> first, second;
  ASSERT_EQ(OpenExisting(path, FileAccess::ReadWrite, FileShare::None, &first), 0u);
  ASSERT_EQ(first->Close(), 0u);
  ASSERT_EQ(OpenExisting(path, FileAccess::ReadWrite, FileShare::None, &second), 0u);
  second.reset();  // without Close
  EXPECT_EQ(OpenExisting(path, FileAccess::Read, FileShare::Read, &first), 0u);
}

TEST_F(PosixFiles, CreateAlwaysNeverCutsAFileThatAnotherOpenHolds) {
  const std::string path = dir_ / "list.lst";
  WriteFile(path, "held content");
  std::unique_ptr<File> holder, creator;
  for (FileShare held : {FileShare::None, FileShare::Read}) {
    ASSERT_EQ(OpenExisting(path, FileAccess::Read, held, &holder), 0u);
    EXPECT_EQ(
        Open(path, FileAccess::ReadWrite, FileShare::None, FileCreation::CreateAlways, &creator),
        kErrorSharingViolation);
    EXPECT_EQ(ReadFile(path), "held content");
    holder.reset();
  }
  // Once it is free, CreateAlways empties it.
  ASSERT_EQ(
      Open(path, FileAccess::ReadWrite, FileShare::None, FileCreation::CreateAlways, &creator), 0u);
  uint64_t size = 99;
  EXPECT_EQ(creator->Size(&size), 0u);
  EXPECT_EQ(size, 0u);
}

TEST_F(PosixFiles, CreateAlwaysCreatesAMissingFile) {
  const std::string path = dir_ / "new.log";
  std::unique_ptr<File> file;
  ASSERT_EQ(Open(path, FileAccess::Write, FileShare::Read, FileCreation::CreateAlways, &file), 0u);
  size_t written = 0;
  ASSERT_EQ(file->Write("abc", 3, &written), 0u);
  EXPECT_EQ(written, 3u);
  ASSERT_EQ(file->Close(), 0u);
  EXPECT_EQ(ReadFile(path), "abc");
}

TEST_F(PosixFiles, WriteAfterSeekToEndAppendsAndSizeCountsIt) {
  const std::string path = dir_ / "run.log";
  WriteFile(path, "line1\r\n");
  std::unique_ptr<File> file;
  ASSERT_EQ(OpenExisting(path, FileAccess::ReadWrite, FileShare::Read, &file), 0u);
  ASSERT_EQ(file->SeekToEnd(), 0u);
  size_t written = 0;
  ASSERT_EQ(file->Write("line2\r\n", 7, &written), 0u);
  uint64_t size = 0;
  ASSERT_EQ(file->Size(&size), 0u);
  EXPECT_EQ(size, 14u);
  ASSERT_EQ(file->Close(), 0u);
  EXPECT_EQ(ReadFile(path), "line1\r\nline2\r\n");
}

TEST_F(PosixFiles, ReadFillsTheBlockAcrossShortReadsAndGivesZeroOnlyAtTheEnd) {
  // A pipe delivers what has been written so far; a block read must wait for the rest.
  const std::string path = dir_ / "fifo";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  std::thread writer([&] {
    int fd = ::open(path.c_str(), O_WRONLY);
    for (const char* piece : {"abc", "defg", "hi"}) {
      ASSERT_EQ(::write(fd, piece, std::strlen(piece)), static_cast<ssize_t>(std::strlen(piece)));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd);
  });
  std::unique_ptr<File> file;
  ASSERT_EQ(OpenExisting(path, FileAccess::Read, FileShare::ReadWrite, &file), 0u);
  char buffer[16] = {};
  size_t got = 0;
  EXPECT_EQ(file->Read(buffer, 8, &got), 0u);
  EXPECT_EQ(std::string(buffer, got), "abcdefgh");
  EXPECT_EQ(file->Read(buffer, 8, &got), 0u);
  EXPECT_EQ(std::string(buffer, got), "i");
  EXPECT_EQ(file->Read(buffer, 8, &got), 0u);
  EXPECT_EQ(got, 0u);
  writer.join();
}

TEST_F(PosixFiles, AFullDiskGives112) {
  std::unique_ptr<File> file;
  ASSERT_EQ(OpenExisting("/dev/full", FileAccess::Write, FileShare::ReadWrite, &file), 0u);
  size_t written = 99;
  EXPECT_EQ(file->Write("data", 4, &written), kErrorDiskFull);
  EXPECT_EQ(written, 0u);
}

}  // namespace
}  // namespace kelbrin::test
