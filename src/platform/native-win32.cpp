#include "platform/native.h"
#include "platform/win32.h"

namespace kelbrin {

namespace {

class Win32NativePlatform : public NativePlatform {
 public:
  Win32NativePlatform() {
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
  // Declared first so that it is destroyed last: OLE shuts down after everything else.
  std::unique_ptr<Automation> automation_ = win32::NewAutomation();
  std::unique_ptr<Console> console_ = win32::NewConsole(STD_OUTPUT_HANDLE);
  std::unique_ptr<Console> errorConsole_ = win32::NewConsole(STD_ERROR_HANDLE);
  std::unique_ptr<FileSystem> files_ = win32::NewFileSystem();
  std::unique_ptr<Clock> clock_ = win32::NewClock();
  std::unique_ptr<Regional> regional_ = win32::NewRegional();
  std::unique_ptr<Collator> collator_ = win32::NewCollator();
  std::unique_ptr<IniReader> ini_ = win32::NewIniReader();
  std::unique_ptr<MessageBox> messageBox_ = win32::NewMessageBox();
  std::unique_ptr<Process> process_ = win32::NewProcess();
  Platform seams_;
};

}  // namespace

std::unique_ptr<NativePlatform> CreateNativePlatform() {
  return std::make_unique<Win32NativePlatform>();
}

}  // namespace kelbrin
