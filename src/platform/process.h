#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kelbrin {

class Process {
 public:
  virtual ~Process() = default;
  // The command-line arguments after the program name, split by the platform's rule.
  virtual std::vector<std::string> Arguments() = 0;
  // The full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // The file name of the module that holds `code`, without its directory.
  virtual std::string ModuleName(const void* code) = 0;
  // `code` counted from the start of the module that holds it.
  virtual uintptr_t ModuleOffset(const void* code) = 0;
};

}  // namespace kelbrin
