#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "platform/posix.h"
#include "posix_test_support.h"

namespace kelbrin::test {
namespace {

TEST(PosixConsole, WritesEveryByteUnbuffered) {
  ScratchDir dir;
  int fd = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  auto console = posix::NewConsole(fd);
  const std::string bytes("Lesen von x\0\xF6\r\n", 16);
  ASSERT_EQ(console->Write(bytes), 0u);
  // Visible before anything is closed or flushed.
  EXPECT_EQ(ReadFile(dir / "out"), bytes);
  // Larger than a pipe or terminal takes at once; still complete.
  const std::string big(1 << 20, 'x');
  ASSERT_EQ(console->Write(big), 0u);
  EXPECT_EQ(ReadFile(dir / "out").size(), bytes.size() + big.size());
  ::close(fd);
}

TEST(PosixConsole, AClosedReaderIsAnErrorAndNotTheSharingCode) {
  // The platform ignores SIGPIPE so that this shows as a failed write.
  struct sigaction ignore = {}, old = {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  EXPECT_EQ(posix::NewConsole(fds[1])->Write("x"), 232u);  // ERROR_NO_DATA, not EPIPE's 32
  ::close(fds[1]);
  ::sigaction(SIGPIPE, &old, nullptr);
}

TEST(PosixMessageBox, WritesCaptionAndTextToStandardErrorAndReturns) {
  ScratchDir dir;
  int capture = ::open((dir / "err").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(capture, 0);
  int saved = ::dup(2);
  ::dup2(capture, 2);
  posix::NewMessageBox()->Show("Datei x nicht gefunden.\n\r\n\rVermutlich", "Fehler",
                               kMbOk | kMbIconError);
  ::dup2(saved, 2);
  ::close(saved);
  ::close(capture);
  EXPECT_EQ(ReadFile(dir / "err"), "[Fehler] Datei x nicht gefunden.\n\r\n\rVermutlich\n");
}

}  // namespace
}  // namespace kelbrin::test
