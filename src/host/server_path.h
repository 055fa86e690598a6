#pragma once
#include <cstdint>
#include <string>

#include "app/run.h"

namespace kelbrin {

// The host's server directory, ending in the path separator.
std::string GetServerPath(Run& run);
// The newsgroup the list goes to when the command line names none; never empty.
std::string GetDefaultGroup(Run& run);
// The number in front of the first "." of `text`, which loses it and the "."; 0 when none.
int32_t TakeVersionNumber(std::string& text);

}  // namespace kelbrin
