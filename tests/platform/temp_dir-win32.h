#pragma once
#include <filesystem>
#include <string>

#include "platform/win32.h"

namespace kelbrin::test {

// A fresh directory under the system's temporary directory, removed with its content.
class TempDir {
 public:
  TempDir() {
    char base[MAX_PATH + 1];
    GetTempPathA(sizeof base, base);
    path_ = std::string(base) + "kelbrin-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter_++);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  // The full ANSI path of `name` inside the directory.
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& Path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

}  // namespace kelbrin::test
