#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/posix.h"
#include "platform/process.h"

namespace kelbrin::posix {

namespace {

std::string BaseName(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

class PosixProcess : public Process {
 public:
  // The kernel keeps argv as the shell split it, NUL-separated; reading it here spares main()
  // from handing argv through every platform's constructor.
  std::vector<std::string> Arguments() override {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> words;
    size_t start = 0;
    while (start < all.size()) {
      size_t end = all.find('\0', start);
      if (end == std::string::npos) end = all.size();
      words.push_back(all.substr(start, end - start));
      start = end + 1;
    }
    if (!words.empty()) words.erase(words.begin());  // the program name
    return words;
  }

  std::string ExecutablePath() override {
    std::string path(256, '\0');
    for (;;) {
      ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
      if (n < 0) return "";
      if (static_cast<size_t>(n) < path.size()) {
        path.resize(static_cast<size_t>(n));
        return path;
      }
      path.resize(path.size() * 2);
    }
  }

  std::string ModuleName(const void* code) override {
    Dl_info info;
    struct link_map* map = nullptr;
    if (::dladdr1(code, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 &&
        map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
      return BaseName(map->l_name);
    }
    // The main program has no name of its own in the link map; its file is the executable.
    return BaseName(ExecutablePath());
  }

  uintptr_t ModuleOffset(const void* code) override {
    Dl_info info;
    uintptr_t address = reinterpret_cast<uintptr_t>(code);
    if (::dladdr(code, &info) == 0 || info.dli_fbase == nullptr) return address;
    return address - reinterpret_cast<uintptr_t>(info.dli_fbase);
  }
};

}  // namespace

std::unique_ptr<Process> NewProcess() {
  return std::make_unique<PosixProcess>();
}

}  // namespace kelbrin::posix
