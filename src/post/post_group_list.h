#pragma once
#include <cstddef>

#include "app/run.h"

namespace kelbrin {

// The list file is read back in blocks of this many bytes, one log line per block.
constexpr size_t BodyBlockSize = 10000;

// Reads the list file back into an article and hands it to the host's NewsImport.
void PostGroupList(Run& run);

}  // namespace kelbrin
