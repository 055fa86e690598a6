#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kelbrin {

// The value of `key` in `section` of a settings file's text, by the rules of the Windows
// profile reader; nullopt when the section or the key is missing. See ini_text.cpp.
std::optional<std::string> FindIniValue(std::string_view fileContent, std::string_view section,
                                        std::string_view key);

}  // namespace kelbrin
