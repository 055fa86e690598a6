#pragma once
#include <string>

#include "app/run.h"

namespace kelbrin {

// The whole run, from the banner to the closing log line; returns the exit code.
// Failures travel up as kelbrin::Failure.
int RunDriver(Run& run);

// RunDriver plus the top-level error report; what main() calls.
int RunProgram(Platform& platform);

// label + ": " + "Ja" or "Nein".
std::string FlagText(const std::string& label, bool flag);

// Reads the arguments into the run options and the target group.
void ReadCommandLine(Run& run, const std::vector<std::string>& arguments);

}  // namespace kelbrin
