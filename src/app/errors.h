#pragma once
#include <cstdint>
#include <exception>
#include <string>

namespace kelbrin {

// An error that ends the run: its kind name (EInOutError, EOleSysError, ...), its message,
// and the code address of the site that raised it, for the top-level error report.
class Failure : public std::exception {
 public:
  Failure(std::string kind, std::string message, const void* site)
      : kind_(std::move(kind)), message_(std::move(message)), site_(site) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Kind() const { return kind_; }
  const std::string& Message() const { return message_; }
  const void* Site() const { return site_; }

 private:
  std::string kind_;
  std::string message_;
  const void* site_;
};

// Raise* record their caller's return address as the raising site.
[[noreturn]] void RaiseFailure(const std::string& kind, const std::string& message);
// EInOutError with the message for a system or text-layer error code.
[[noreturn]] void RaiseInOutError(uint32_t code);

// The message of EInOutError for `code`, in the platform's bytes.
std::string InOutMessage(uint32_t code);

}  // namespace kelbrin
