#include "app/run_log.h"

#include "app/errors.h"

namespace kelbrin {

namespace {

void Check(uint32_t code) {
  if (code != 0) RaiseInOutError(code);
}

}  // namespace

void StartLog(Run& run) {
  run.logFileName = ProgramFileWithExtension(run, ".log");
  std::unique_ptr<File> file;
  Check(run.sys.files->Open(run.logFileName, FileAccess::Write, FileShare::Read,
                            FileCreation::CreateAlways, &file));
  Check(file->Close());
}

void WriteLog(Run& run, std::string_view message) {
  if (!run.options.writeLogFile) return;
  // Opened per line and never created here: a log deleted mid-run is an error, not a restart.
  std::unique_ptr<File> file;
  Check(run.sys.files->Open(run.logFileName, FileAccess::ReadWrite, FileShare::Read,
                            FileCreation::OpenExisting, &file));
  Check(file->SeekToEnd());
  std::string line = run.formatter.TimeStamp(run.sys.clock->Local());
  line += ' ';
  line += message;
  line += "\r\n";
  size_t written = 0;
  uint32_t code = file->Write(line.data(), line.size(), &written);
  if (code == 0 && written < line.size()) code = 101;
  Check(code);
  Check(file->Close());
}

}  // namespace kelbrin
