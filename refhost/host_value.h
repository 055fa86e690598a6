#pragma once
// The values and outcomes of the stand-in host's late-bound calls, free of any platform type.
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvanehost {

// Status codes as the automation layers pass them (HRESULT values).
constexpr int32_t kStatusOk = 0;
constexpr int32_t kStatusFail = static_cast<int32_t>(0x80004005);
constexpr int32_t kStatusOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr int32_t kStatusInvalidArgument = static_cast<int32_t>(0x80070057);
constexpr int32_t kStatusClassNotRegistered = static_cast<int32_t>(0x80040154);
constexpr int32_t kStatusMemberNotFound = static_cast<int32_t>(0x80020003);
constexpr int32_t kStatusTypeMismatch = static_cast<int32_t>(0x80020005);
constexpr int32_t kStatusUnknownName = static_cast<int32_t>(0x80020006);
constexpr int32_t kStatusNoNamedArgs = static_cast<int32_t>(0x80020007);
constexpr int32_t kStatusException = static_cast<int32_t>(0x80020009);
constexpr int32_t kStatusBadParamCount = static_cast<int32_t>(0x8002000E);
constexpr int32_t kStatusWriteFault = static_cast<int32_t>(0x8003001D);

// An argument or a result. `Unsupported` stands for an argument type the host cannot take;
// `integer` then holds the caller's type tag so the journal can show it.
struct Value {
  enum class Type { Empty, Null, Bool, Int, Double, Text, Unsupported };
  Type type = Type::Empty;
  bool byRef = false;  // a text passed by reference
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  std::string text;
  // A caller's text that the call only reads, in place of `text`: an article of megabytes
  // need not be copied to be stored. Set for the duration of one call.
  std::string_view borrowed;
  bool isBorrowed = false;

  std::string_view TextView() const { return isBorrowed ? borrowed : std::string_view(text); }

  static Value Bool(bool b) {
    Value v;
    v.type = Type::Bool;
    v.boolean = b;
    return v;
  }
  static Value Int(int64_t i) {
    Value v;
    v.type = Type::Int;
    v.integer = i;
    return v;
  }
  static Value Double(double d) {
    Value v;
    v.type = Type::Double;
    v.real = d;
    return v;
  }
  static Value Text(std::string s, bool byRef = false) {
    Value v;
    v.type = Type::Text;
    v.text = std::move(s);
    v.byRef = byRef;
    return v;
  }
  static Value BorrowedText(std::string_view s, bool byRef) {
    Value v;
    v.type = Type::Text;
    v.borrowed = s;
    v.isBorrowed = true;
    v.byRef = byRef;
    return v;
  }
  static Value Null() {
    Value v;
    v.type = Type::Null;
    return v;
  }
  static Value Unsupported(int64_t tag) {
    Value v;
    v.type = Type::Unsupported;
    v.integer = tag;
    return v;
  }
};

// What a call gives back: a status, and with kStatusException the description and code.
struct Outcome {
  int32_t status = kStatusOk;
  std::string exceptionDescription;
  int32_t exceptionCode = 0;
  Value result;
};

}  // namespace tolvanehost
