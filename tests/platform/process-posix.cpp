#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/posix.h"

namespace kelbrin::test {
namespace {

void FunctionInThisProgram() {}
void AnotherFunctionInThisProgram() {}

TEST(PosixProcess, ArgumentsAreArgvAfterTheProgramName) {
  std::vector<std::string> argv = ::testing::internal::GetArgvs();
  ASSERT_FALSE(argv.empty());
  argv.erase(argv.begin());
  EXPECT_EQ(posix::NewProcess()->Arguments(), argv);
}

TEST(PosixProcess, ExecutablePathIsTheRunningFile) {
  std::string path = posix::NewProcess()->ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "kelbrin_platform_unit");
  EXPECT_EQ(::access(path.c_str(), X_OK), 0);
}

TEST(PosixProcess, ModuleNameAndOffsetOfCodeInTheProgramAndInALibrary) {
  auto process = posix::NewProcess();
  const void* own = reinterpret_cast<const void*>(&FunctionInThisProgram);
  EXPECT_EQ(process->ModuleName(own), "kelbrin_platform_unit");
  // getpid, which the sanitizers leave alone: under them strlen is their own interceptor.
  const void* libc = reinterpret_cast<const void*>(&::getpid);
  EXPECT_EQ(process->ModuleName(libc).rfind("libc.so", 0), 0u) << process->ModuleName(libc);
  // Counted from the module's start: small, and the same distance apart as the addresses.
  const void* other = reinterpret_cast<const void*>(&AnotherFunctionInThisProgram);
  uintptr_t offset = process->ModuleOffset(own);
  EXPECT_LT(offset, uintptr_t{64} << 20);
  EXPECT_NE(offset, reinterpret_cast<uintptr_t>(own));
  EXPECT_EQ(process->ModuleOffset(other) - offset,
            reinterpret_cast<uintptr_t>(other) - reinterpret_cast<uintptr_t>(own));
  EXPECT_LT(process->ModuleOffset(libc), uintptr_t{64} << 20);
}

}  // namespace
}  // namespace kelbrin::test
