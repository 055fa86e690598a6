#pragma once
// What the stand-in host does on each call, shared by the Linux library and the Windows DLL.
#include <string>
#include <vector>

#include "host_config.h"
#include "host_value.h"

namespace tolvanehost {

class HostBehaviour {
 public:
  explicit HostBehaviour(HostConfig config) : config_(std::move(config)) {}

  // Looks `name` up regardless of letter case and journals it; kStatusUnknownName when the
  // host has no such method or is set to deny it.
  int32_t GetIdOfName(const std::string& name, int32_t* id);

  // Calls the method `id` with its arguments, first argument first, and journals the call.
  Outcome Invoke(int32_t id, const std::vector<Value>& args);

 private:
  // Appends one line to the journal; false when it cannot be written.
  bool Journal(const std::string& line);
  Outcome NewsImport(const std::vector<Value>& args);
  // The call as the journal shows it: the name as looked up, then a token per argument.
  std::string CallLine(int32_t id, const std::vector<Value>& args) const;

  HostConfig config_;
  std::string lookedUpAs_[kMethodCount];
};

// The journal token of an argument: text, text&, bool:true, int:5, double:-1.4, empty, null.
std::string JournalToken(const Value& value);

}  // namespace tolvanehost
