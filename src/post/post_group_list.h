#pragma once
#include "app/run.h"

namespace kelbrin {

// Reads the list file back into an article and hands it to the host's NewsImport.
void PostGroupList(Run& run);

}  // namespace kelbrin
