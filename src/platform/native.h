#pragma once
#include <memory>

#include "platform/platform.h"

namespace kelbrin {

// Owns this operating system's real seams. Automation support is set up on creation and shut
// down on destruction, so every automation object must be released before it goes.
class NativePlatform {
 public:
  virtual ~NativePlatform() = default;
  virtual Platform& Seams() = 0;
};

std::unique_ptr<NativePlatform> CreateNativePlatform();

}  // namespace kelbrin
