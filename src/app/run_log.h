#pragma once
#include <string_view>

#include "app/run.h"

namespace kelbrin {

// Names the log file after the program and creates it empty.
void StartLog(Run& run);
// Appends one time-stamped line; does nothing while logging is off.
void WriteLog(Run& run, std::string_view message);

}  // namespace kelbrin
