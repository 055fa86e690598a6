// The stand-in host as a Linux in-process automation server: the C factory and object of the
// in-process interface around the shared behaviour.
#include <strings.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "host_behaviour.h"
#include "platform/inproc-abi.h"

namespace tolvanehost {

namespace {

struct HostInprocObject : InprocObject {
  explicit HostInprocObject(HostConfig config) : behaviour(std::move(config)) {}
  HostBehaviour behaviour;
};

HostBehaviour& BehaviourOf(InprocObject* self) {
  return static_cast<HostInprocObject*>(self)->behaviour;
}

// Advice for large pages under the whole 2 MiB pages of a text, as the tool asks for under its
// own big buffers: an article of megabytes is then written with few page faults.
void PreferLargePages(char* text, size_t size) {
  constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
  const auto start = reinterpret_cast<uintptr_t>(text);
  const uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (start + size) & ~(kLargePage - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

char* AllocText(size_t length) {
  // One byte more for a terminating NUL, so a careless reader still stops in the buffer.
  char* text = static_cast<char*>(std::malloc(length + 1));
  if (text) {
    text[length] = '\0';
    PreferLargePages(text, length + 1);
  }
  return text;
}

void FreeText(char* text) {
  std::free(text);
}

char* CopyText(std::string_view text) {
  char* copy = AllocText(text.size());
  if (copy) std::memcpy(copy, text.data(), text.size());
  return copy;
}

Value FromInproc(const InprocVariant& arg) {
  switch (arg.type) {
    case INPROC_EMPTY:
      return Value();
    case INPROC_NULL:
      return Value::Null();
    case INPROC_BOOL:
      return Value::Bool(arg.boolean != 0);
    case INPROC_INT:
      return Value::Int(arg.integer);
    case INPROC_DOUBLE:
      return Value::Double(arg.real);
    case INPROC_TEXT:
      return Value::BorrowedText(
          arg.text ? std::string_view(arg.text, arg.text_length) : std::string_view(),
          arg.by_ref != 0);
  }
  return Value::Unsupported(arg.type);
}

// Fills `out`; false when a text buffer cannot be had.
bool ToInproc(const Value& value, InprocVariant* out) {
  *out = InprocVariant();
  switch (value.type) {
    case Value::Type::Empty:
    case Value::Type::Unsupported:
      out->type = INPROC_EMPTY;
      return true;
    case Value::Type::Null:
      out->type = INPROC_NULL;
      return true;
    case Value::Type::Bool:
      out->type = INPROC_BOOL;
      out->boolean = value.boolean ? 1 : 0;
      return true;
    case Value::Type::Int:
      out->type = INPROC_INT;
      out->integer = value.integer;
      return true;
    case Value::Type::Double:
      out->type = INPROC_DOUBLE;
      out->real = value.real;
      return true;
    case Value::Type::Text:
      out->type = INPROC_TEXT;
      out->text = CopyText(value.TextView());
      out->text_length = value.TextView().size();
      return out->text != nullptr;
  }
  return true;
}

int32_t GetIdOfName(InprocObject* self, const char* name, int32_t* id) {
  return BehaviourOf(self).GetIdOfName(name ? name : "", id);
}

int32_t Invoke(InprocObject* self, int32_t id, InprocVariant* args, int32_t argCount,
               InprocVariant* result, char** exceptionDescription, int32_t* exceptionCode) {
  if (exceptionDescription) *exceptionDescription = nullptr;
  if (exceptionCode) *exceptionCode = 0;
  std::vector<Value> values;
  for (int32_t i = 0; i < argCount; ++i) values.push_back(FromInproc(args[i]));
  Outcome outcome = BehaviourOf(self).Invoke(id, values);
  if (outcome.status == kStatusException) {
    if (exceptionDescription) *exceptionDescription = CopyText(outcome.exceptionDescription);
    if (exceptionCode) *exceptionCode = outcome.exceptionCode;
  }
  if (result && !ToInproc(outcome.result, result)) return kStatusOutOfMemory;
  return outcome.status;
}

void Release(InprocObject* self) {
  delete static_cast<HostInprocObject*>(self);
}

const InprocObjectVtbl kVtbl = {GetIdOfName, Invoke, Release, AllocText, FreeText};

bool IsOurProgId(const char* progId) {
  return progId && strcasecmp(progId, "tolvane.app") == 0;
}

}  // namespace

}  // namespace tolvanehost

extern "C" __attribute__((visibility("default"))) int32_t InprocCreateObject(
    const char* progId, InprocObject** object) {
  using namespace tolvanehost;
  *object = nullptr;
  if (!IsOurProgId(progId)) return kStatusClassNotRegistered;
  const char* configPath = std::getenv(kConfigVariable);
  HostConfig config;
  std::string error;
  if (!LoadHostConfig(configPath ? configPath : "", &config, &error)) {
    std::fprintf(stderr, "tolvanehost: %s\n", error.c_str());
    return kStatusInvalidArgument;
  }
  auto* host = new (std::nothrow) HostInprocObject(std::move(config));
  if (!host) return kStatusOutOfMemory;
  host->vtbl = &kVtbl;
  *object = host;
  return kStatusOk;
}

static_assert(std::is_same_v<decltype(&InprocCreateObject), InprocCreateObjectFn>,
              "the factory must match the in-process interface");
