#pragma once
#include "app/run.h"

namespace kelbrin {

// Reports an empty list and returns false, or writes the list file and returns true.
bool SaveGroupList(Run& run);

}  // namespace kelbrin
