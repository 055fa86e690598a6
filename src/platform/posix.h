#pragma once
// What the POSIX seams share: the errno mapping and the factories that native-posix.cpp uses.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/inproc-abi.h"
#include "platform/platform.h"

namespace kelbrin::posix {

// The Windows system error code that the messages are keyed on for an errno value; values
// without a Windows counterpart pass through as they are.
uint32_t WindowsError(int error);

// The ICU locale name of the user's locale for a category ("LC_TIME", "LC_COLLATE"): the first
// non-empty of LC_ALL, the category and LANG, less encoding and modifier; C and POSIX count as
// en_US.
std::string LocaleFromEnvironment(const char* category);

// The real seams, one each; native-posix.cpp owns them for the process.
std::unique_ptr<Console> NewConsole(int fd);
std::unique_ptr<FileSystem> NewFileSystem();
std::unique_ptr<Clock> NewClock();
std::unique_ptr<Regional> NewRegional();
std::unique_ptr<Collator> NewCollator();
std::unique_ptr<IniReader> NewIniReader();
std::unique_ptr<MessageBox> NewMessageBox();
std::unique_ptr<Automation> NewAutomation();
std::unique_ptr<Process> NewProcess();

// The directory that holds one registration file per ProgID (see automation-posix.cpp).
std::string InprocRegistryDirectory();
// Takes over one reference to a server's object; released when the result is destroyed.
std::unique_ptr<AutomationObject> AdoptInprocObject(InprocObject* object);

}  // namespace kelbrin::posix
