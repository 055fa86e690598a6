#pragma once
#include <string>

namespace kelbrin {

// Reads one value of a settings (INI) file afresh at every call.
class IniReader {
 public:
  virtual ~IniReader() = default;
  // The value, or `fallback` when the file, section or key is missing; cut to 2047 bytes.
  virtual std::string ReadString(const std::string& file, const std::string& section,
                                 const std::string& key, const std::string& fallback) = 0;
};

}  // namespace kelbrin
