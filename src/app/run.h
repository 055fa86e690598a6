#pragma once
#include <memory>
#include <string>

#include "app/date_format.h"
#include "groups/group_list.h"
#include "host/host_object.h"
#include "platform/platform.h"

namespace kelbrin {

struct RunOptions {
  bool showHelp = false;
  bool postList = true;
  bool writeLogFile = true;
  bool useDescList = false;
};

// The program-wide state of one run, handed to every operation.
struct Run {
  explicit Run(Platform& platform) : sys(platform) {}

  Platform& sys;
  DateFormatter formatter;
  RunOptions options;
  std::string targetGroup;
  std::unique_ptr<HostObject> hostObject;
  std::string hostPath;
  std::unique_ptr<GroupList> groupList;
  std::string logFileName;
  std::string listFileName;
  // Set by the posting step and kept until the end.
  DateTime utcTime;
  std::string dateHeaderValue;
  std::string articleText;
};

// Console output; a failed write raises EInOutError.
void Out(Run& run, std::string_view bytes);
void OutLine(Run& run, std::string_view bytes);

// The program's own path with its extension replaced by `extension` (".log", ".lst").
std::string ProgramFileWithExtension(Run& run, std::string_view extension);

}  // namespace kelbrin
