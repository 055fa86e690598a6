#pragma once
#include <string>

#include "app/run.h"

namespace kelbrin {

// Fills the group list from the description list or from the server list's group files.
void CollectGroups(Run& run);
// Reads one group file into the group list; a missing file is skipped without a word.
void ReadGroupFile(Run& run, const std::string& fileName, bool skipFirstField);

}  // namespace kelbrin
