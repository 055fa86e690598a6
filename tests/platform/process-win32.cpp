#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/process.h"
#include "platform/win32.h"

namespace kelbrin::test {
namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST(Win32Process, ExecutablePathIsFull) {
  std::string path = win32::NewProcess()->ExecutablePath();
  EXPECT_TRUE(EndsWith(path, "\\kelbrin_platform_unit.exe")) << path;
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
}

TEST(Win32Process, ModuleAndOffsetOfCode) {
  auto process = win32::NewProcess();
  const void* code = reinterpret_cast<const void*>(&EndsWith);
  EXPECT_EQ(process->ModuleName(code), "kelbrin_platform_unit.exe");
  uintptr_t base = reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr));
  EXPECT_EQ(process->ModuleOffset(code), reinterpret_cast<uintptr_t>(code) - base);
  // Code in a system library is named by that library.
  const void* systemCode = reinterpret_cast<const void*>(&GetTickCount);
  EXPECT_TRUE(EndsWith(process->ModuleName(systemCode), ".dll"));
}

// Plain words split alike by this tool and by the C runtime; the test command passes some.
TEST(Win32Process, ArgumentsFollowTheProgramName) {
  std::vector<std::string> expected(__argv + 1, __argv + __argc);
  EXPECT_EQ(win32::NewProcess()->Arguments(), expected);
}

}  // namespace
}  // namespace kelbrin::test
