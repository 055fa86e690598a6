#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelbrin {

// Status codes of the automation layer (HRESULT values on Windows).
constexpr int32_t kStatusOk = 0;
constexpr int32_t kStatusFail = static_cast<int32_t>(0x80004005);
constexpr int32_t kStatusClassNotRegistered = static_cast<int32_t>(0x80040154);
constexpr int32_t kStatusUnknownName = static_cast<int32_t>(0x80020006);
constexpr int32_t kStatusException = static_cast<int32_t>(0x80020009);

// A late-bound argument or result. Texts are narrow (ANSI) byte strings of any content.
struct Variant {
  enum class Type { Empty, Null, Bool, Int, Double, Text };
  Type type = Type::Empty;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  std::string text;
  bool byRef = false;  // a text passed by reference; the callee's change is copied back

  static Variant Bool(bool b) { Variant v; v.type = Type::Bool; v.boolean = b; return v; }
  static Variant Text(std::string s, bool byRef = false) {
    Variant v; v.type = Type::Text; v.text = std::move(s); v.byRef = byRef; return v;
  }
};

struct CallOutcome {
  int32_t status = kStatusOk;
  // Filled when status is kStatusException.
  std::string exceptionDescription;
  int32_t exceptionCode = 0;
  Variant result;
};

// One object reached through late-bound calls.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  virtual int32_t GetIdOfName(const std::string& name, int32_t* id) = 0;
  // Calls as method or property get with positional arguments, first argument first.
  virtual CallOutcome Invoke(int32_t id, std::vector<Variant>& args) = 0;
};

// Process-wide automation support; set up by the constructor, shut down by the destructor.
class Automation {
 public:
  virtual ~Automation() = default;
  virtual int32_t Create(const std::string& progId, std::unique_ptr<AutomationObject>* object) = 0;
  // The system's text for a status, without trailing line ends; empty when none is known.
  virtual std::string StatusText(int32_t status) = 0;
};

}  // namespace kelbrin
