#include "app/run.h"

#include "app/errors.h"
#include "platform/text.h"

namespace kelbrin {

void Out(Run& run, std::string_view bytes) {
  if (uint32_t code = run.sys.console->Write(bytes)) RaiseInOutError(code);
}

void OutLine(Run& run, std::string_view bytes) {
  std::string line(bytes);
  line += "\r\n";
  Out(run, line);
}

std::string ProgramFileWithExtension(Run& run, std::string_view extension) {
  std::string path = run.sys.process->ExecutablePath();
  // The extension starts at the last "." that stands after every directory delimiter.
  for (size_t i = path.size(); i > 0; --i) {
    char c = path[i - 1];
    if (IsPathDelimiter(c)) break;
    if (c == '.') return path.substr(0, i - 1) + std::string(extension);
  }
  return path + std::string(extension);
}

}  // namespace kelbrin
