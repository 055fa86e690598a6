#pragma once
#include "platform/automation.h"
#include "platform/clock.h"
#include "platform/collation.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/regional.h"

namespace kelbrin {

// Every seam the tool reaches the operating system through; owned elsewhere.
struct Platform {
  Console* console = nullptr;       // standard output
  Console* errorConsole = nullptr;  // standard error
  FileSystem* files = nullptr;
  Clock* clock = nullptr;
  Regional* regional = nullptr;
  Collator* collator = nullptr;
  IniReader* ini = nullptr;
  MessageBox* messageBox = nullptr;
  Automation* automation = nullptr;
  Process* process = nullptr;
};

}  // namespace kelbrin
