#include "host/host_object.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/errors.h"
#include "platform/text.h"

namespace kelbrin {

namespace {

[[noreturn]] void RaiseVariantError(const char* utf8Message) {
  RaiseFailure("EVariantError", Ansi(utf8Message));
}

// The exception text less trailing blanks, control characters and full stops.
std::string TrimExceptionText(std::string text) {
  while (!text.empty() &&
         (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

// A text read as a number the way a variant conversion would: blanks around it allowed.
bool ParseNumber(const std::string& text, double* value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE) return false;
  while (*end == ' ') ++end;
  if (static_cast<size_t>(end - begin) != text.size()) return false;
  *value = v;
  return true;
}

}  // namespace

std::string OleStatusMessage(Automation& automation, int32_t status) {
  std::string text = automation.StatusText(status);
  if (!text.empty()) return text;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE-Fehler %08X", static_cast<uint32_t>(status));
  return buffer;
}

std::unique_ptr<HostObject> HostObject::Create(Automation& automation,
                                               const std::string& progId) {
  std::unique_ptr<AutomationObject> object;
  int32_t status = automation.Create(progId, &object);
  if (status < 0 || !object) RaiseFailure("EOleSysError", OleStatusMessage(automation, status));
  return std::make_unique<HostObject>(automation, std::move(object));
}

Variant HostObject::Call(const std::string& name) {
  std::vector<Variant> none;
  return Call(name, none);
}

Variant HostObject::Call(const std::string& name, std::vector<Variant>& args) {
  int32_t id = 0;
  int32_t status = object_->GetIdOfName(name, &id);
  if (status == kStatusUnknownName) {
    RaiseFailure("EOleError", Ansi("Die Methode '") + name +
                                  Ansi("' wird vom Automatisierungsobjekt nicht unterstützt"));
  }
  if (status < 0) RaiseFailure("EOleSysError", OleStatusMessage(automation_, status));
  CallOutcome outcome = object_->Invoke(id, args);
  if (outcome.status == kStatusException) {
    std::string text = TrimExceptionText(outcome.exceptionDescription);
    if (text.empty()) text = OleStatusMessage(automation_, outcome.exceptionCode);
    RaiseFailure("EOleException", text);
  }
  if (outcome.status < 0) RaiseFailure("EOleSysError", OleStatusMessage(automation_, outcome.status));
  return outcome.result;
}

std::string VariantToString(const Variant& value) {
  switch (value.type) {
    case Variant::Type::Empty: return "";
    case Variant::Type::Null: RaiseVariantError("Ungültige Variant-Typumwandlung");
    case Variant::Type::Bool: return value.boolean ? "True" : "False";
    case Variant::Type::Int: return std::to_string(value.integer);
    case Variant::Type::Double: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.15g", value.real);
      return buffer;
    }
    case Variant::Type::Text: return value.text;
  }
  RaiseVariantError("Ungültige Variant-Typumwandlung");
}

bool ImportRefused(const Variant& answer) {
  double number = 0;
  switch (answer.type) {
    case Variant::Type::Bool: return !answer.boolean;
    case Variant::Type::Empty: RaiseVariantError("Ungültige Variant-Operation");
    case Variant::Type::Null: RaiseVariantError("Ungültige Variant-Typumwandlung");
    case Variant::Type::Int: return answer.integer != -1;
    case Variant::Type::Double: number = answer.real; break;
    case Variant::Type::Text:
      if (!ParseNumber(answer.text, &number)) RaiseVariantError("Ungültige Variant-Typumwandlung");
      break;
  }
  // Variant conversion rounds to the nearest whole number, ties to even; the complement of
  // that number is non-zero (a refusal) for everything but -1.
  return std::nearbyint(number) != -1.0;
}

}  // namespace kelbrin
