#include "platform/command_line.h"
#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

// The file name of `module` (null: the executable), however long the path is.
std::string ModuleFileName(HMODULE module) {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer means the name was cut: try again with more room.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The module whose image holds `code`, or null.
HMODULE ModuleOf(const void* code) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(code), &module)) {
    return nullptr;
  }
  return module;
}

class Win32Process : public Process {
 public:
  std::vector<std::string> Arguments() override {
    std::vector<std::string> words = SplitCommandLine(GetCommandLineA());
    if (!words.empty()) words.erase(words.begin());  // the program name
    return words;
  }

  std::string ExecutablePath() override { return ModuleFileName(nullptr); }

  std::string ModuleName(const void* code) override {
    HMODULE module = ModuleOf(code);
    if (!module) return {};
    std::string path = ModuleFileName(module);
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
  }

  uintptr_t ModuleOffset(const void* code) override {
    uintptr_t address = reinterpret_cast<uintptr_t>(code);
    HMODULE module = ModuleOf(code);
    return module ? address - reinterpret_cast<uintptr_t>(module) : address;
  }
};

}  // namespace

std::unique_ptr<Process> NewProcess() { return std::make_unique<Win32Process>(); }

}  // namespace kelbrin::win32
