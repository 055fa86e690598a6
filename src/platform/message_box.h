#pragma once
#include <cstdint>
#include <string>

namespace kelbrin {

constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbIconError = 0x10;

class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Shows the box without owner and returns when the user has closed it.
  virtual void Show(const std::string& text, const std::string& caption, uint32_t style) = 0;
};

}  // namespace kelbrin
