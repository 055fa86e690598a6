#pragma once
#include <cstdint>
#include <string_view>

namespace kelbrin {

// A byte stream to the user: standard output, or standard error for the message-box stand-in.
class Console {
 public:
  virtual ~Console() = default;
  // Writes every byte and flushes at once; returns 0 or the system error code of the failure.
  virtual uint32_t Write(std::string_view bytes) = 0;
};

}  // namespace kelbrin
