#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/automation.h"

namespace kelbrin {

// The host's automation object. Every call looks its name up afresh, then invokes it; each
// failure is raised with the kind and message the top-level error report shows.
class HostObject {
 public:
  // Raises EOleSysError when the object cannot be created.
  static std::unique_ptr<HostObject> Create(Automation& automation, const std::string& progId);

  HostObject(Automation& automation, std::unique_ptr<AutomationObject> object)
      : automation_(automation), object_(std::move(object)) {}

  // Calls `name` (spelled as given) with positional arguments; by-ref texts are copied back.
  Variant Call(const std::string& name, std::vector<Variant>& args);
  Variant Call(const std::string& name);

 private:
  Automation& automation_;
  std::unique_ptr<AutomationObject> object_;
};

// The message of EOleSysError for a status: the system's text, else "OLE-Fehler XXXXXXXX".
std::string OleStatusMessage(Automation& automation, int32_t status);

// A call result as text: empty gives "", null raises EVariantError.
std::string VariantToString(const Variant& value);

// Whether NewsImport's answer means the host refused the article: the answer negated and read
// as a truth value, so false fails, true succeeds, and of numbers only -1 succeeds.
// Empty, null and texts that are no number raise EVariantError.
bool ImportRefused(const Variant& answer);

}  // namespace kelbrin
