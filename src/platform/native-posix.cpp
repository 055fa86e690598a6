#include <signal.h>

#include "platform/native.h"
#include "platform/posix.h"

namespace kelbrin {

namespace {

class PosixPlatform : public NativePlatform {
 public:
  PosixPlatform()
      : console_(posix::NewConsole(1)),
        errorConsole_(posix::NewConsole(2)),
        files_(posix::NewFileSystem()),
        clock_(posix::NewClock()),
        regional_(posix::NewRegional()),
        collator_(posix::NewCollator()),
        ini_(posix::NewIniReader()),
        messageBox_(posix::NewMessageBox()),
        automation_(posix::NewAutomation()),
        process_(posix::NewProcess()) {
    // A closed pipe on standard output is a failed write, reported like any other, as on
    // Windows; the default SIGPIPE would end the process without a word or exit code 1.
    ::signal(SIGPIPE, SIG_IGN);
    seams_.console = console_.get();
    seams_.errorConsole = errorConsole_.get();
    seams_.files = files_.get();
    seams_.clock = clock_.get();
    seams_.regional = regional_.get();
    seams_.collator = collator_.get();
    seams_.ini = ini_.get();
    seams_.messageBox = messageBox_.get();
    seams_.automation = automation_.get();
    seams_.process = process_.get();
  }

  Platform& Seams() override { return seams_; }

 private:
  std::unique_ptr<Console> console_;
  std::unique_ptr<Console> errorConsole_;
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<Regional> regional_;
  std::unique_ptr<Collator> collator_;
  std::unique_ptr<IniReader> ini_;
  std::unique_ptr<MessageBox> messageBox_;
  std::unique_ptr<Automation> automation_;
  std::unique_ptr<Process> process_;
  Platform seams_;
};

}  // namespace

std::unique_ptr<NativePlatform> CreateNativePlatform() {
  return std::make_unique<PosixPlatform>();
}

}  // namespace kelbrin
