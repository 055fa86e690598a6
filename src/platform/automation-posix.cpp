// In-process automation servers on Linux.
//
// Registration: the directory $XDG_CONFIG_HOME/inproc-servers/ (when XDG_CONFIG_HOME is unset,
// empty or not absolute: $HOME/.config/inproc-servers/) holds one file per ProgID, named by
// the ProgID in lower case (tolvane.app for "tolvane.app" and "Tolvane.App" alike). Its first
// line is the absolute path of the server's shared library, which exports
// INPROC_CREATE_OBJECT_SYMBOL (see inproc-abi.h). For example:
//
//   mkdir -p ~/.config/inproc-servers
//   echo /opt/tolvane/libtolvanehost.so > ~/.config/inproc-servers/tolvane.app
//
// Texts passed in are allocated with the server's alloc_text. A callee that replaces a by-ref
// text owns the buffer it replaced; whatever an argument or the result holds after the call,
// and the exception description, the caller frees with free_text.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/automation.h"
#include "platform/posix.h"

namespace kelbrin::posix {

namespace {

constexpr int32_t kStatusModuleNotFound = static_cast<int32_t>(0x8007007E);
constexpr int32_t kStatusProcNotFound = static_cast<int32_t>(0x8007007F);
constexpr int32_t kStatusOutOfMemory = static_cast<int32_t>(0x8007000E);

// The text of a server buffer of explicit length; null is the empty text.
std::string TakeText(const char* text, size_t length) {
  return text ? std::string(text, length) : std::string();
}

// True when the server's text in `value` has the bytes of `text`.
bool Holds(const InprocVariant& value, const std::string& text) {
  if (value.text_length != text.size()) return false;
  return text.empty() ||
         (value.text != nullptr && std::memcmp(value.text, text.data(), text.size()) == 0);
}

class InprocAutomationObject : public AutomationObject {
 public:
  explicit InprocAutomationObject(InprocObject* object) : object_(object) {}
  ~InprocAutomationObject() override { object_->vtbl->release(object_); }
  InprocAutomationObject(const InprocAutomationObject&) = delete;
  InprocAutomationObject& operator=(const InprocAutomationObject&) = delete;

  int32_t GetIdOfName(const std::string& name, int32_t* id) override {
    return object_->vtbl->get_id_of_name(object_, name.c_str(), id);
  }

  CallOutcome Invoke(int32_t id, std::vector<Variant>& args) override {
    CallOutcome outcome;
    std::vector<InprocVariant> in(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      if (!ToInproc(args[i], &in[i])) {
        FreeTexts(in);
        outcome.status = kStatusOutOfMemory;
        return outcome;
      }
    }
    InprocVariant result = {};
    result.type = INPROC_EMPTY;
    char* description = nullptr;
    int32_t code = 0;
    outcome.status = object_->vtbl->invoke(object_, id, in.data(), static_cast<int32_t>(in.size()),
                                           &result, &description, &code);
    for (size_t i = 0; i < args.size(); ++i) {
      // A text the callee left as it was stays where it is: an article of megabytes is not
      // copied back for nothing.
      if (args[i].byRef && in[i].type == INPROC_TEXT && !Holds(in[i], args[i].text)) {
        args[i].text = TakeText(in[i].text, in[i].text_length);
      }
      // A slot that no longer holds a text has no buffer of ours left in it.
      if (in[i].type != INPROC_TEXT) in[i].text = nullptr;
    }
    FreeTexts(in);
    if (outcome.status == kStatusException) {
      outcome.exceptionDescription = description ? description : "";
      outcome.exceptionCode = code;
    }
    if (description) object_->vtbl->free_text(description);
    outcome.result = FromInproc(result);
    if (result.type == INPROC_TEXT && result.text) object_->vtbl->free_text(result.text);
    return outcome;
  }

 private:
  bool ToInproc(const Variant& value, InprocVariant* out) {
    *out = InprocVariant{};
    out->by_ref = value.byRef ? 1 : 0;
    switch (value.type) {
      case Variant::Type::Empty:
        out->type = INPROC_EMPTY;
        break;
      case Variant::Type::Null:
        out->type = INPROC_NULL;
        break;
      case Variant::Type::Bool:
        out->type = INPROC_BOOL;
        out->boolean = value.boolean;
        break;
      case Variant::Type::Int:
        out->type = INPROC_INT;
        out->integer = value.integer;
        break;
      case Variant::Type::Double:
        out->type = INPROC_DOUBLE;
        out->real = value.real;
        break;
      case Variant::Type::Text:
        out->type = INPROC_TEXT;
        out->text = object_->vtbl->alloc_text(value.text.size());
        if (out->text == nullptr) return false;
        if (!value.text.empty()) std::memcpy(out->text, value.text.data(), value.text.size());
        out->text_length = value.text.size();
        break;
    }
    return true;
  }

  static Variant FromInproc(const InprocVariant& value) {
    Variant out;
    switch (value.type) {
      case INPROC_NULL:
        out.type = Variant::Type::Null;
        break;
      case INPROC_BOOL:
        out = Variant::Bool(value.boolean != 0);
        break;
      case INPROC_INT:
        out.type = Variant::Type::Int;
        out.integer = value.integer;
        break;
      case INPROC_DOUBLE:
        out.type = Variant::Type::Double;
        out.real = value.real;
        break;
      case INPROC_TEXT:
        out = Variant::Text(TakeText(value.text, value.text_length));
        break;
      default:
        break;  // empty, and anything this side does not know
    }
    return out;
  }

  void FreeTexts(std::vector<InprocVariant>& values) {
    for (InprocVariant& value : values) {
      if (value.text) object_->vtbl->free_text(value.text);
      value.text = nullptr;
    }
  }

  InprocObject* object_;
};

// The registered library path for a ProgID, or empty when there is no registration.
std::string RegisteredLibrary(const std::string& progId) {
  if (progId.empty() || progId.find('/') != std::string::npos || progId == "." || progId == "..") {
    return "";
  }
  std::string name = progId;
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  std::ifstream registration(InprocRegistryDirectory() + name);
  std::string line;
  if (!registration || !std::getline(registration, line)) return "";
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.pop_back();
  }
  return line;
}

class InprocAutomation : public Automation {
 public:
  int32_t Create(const std::string& progId, std::unique_ptr<AutomationObject>* object) override {
    object->reset();
    std::string library = RegisteredLibrary(progId);
    if (library.empty()) return kStatusClassNotRegistered;
    // Never closed: objects and the texts they hand out must stay valid until the process ends.
    void* module = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return kStatusModuleNotFound;
    auto create =
        reinterpret_cast<InprocCreateObjectFn>(::dlsym(module, INPROC_CREATE_OBJECT_SYMBOL));
    if (create == nullptr) return kStatusProcNotFound;
    InprocObject* created = nullptr;
    int32_t status = create(progId.c_str(), &created);
    if (status < 0) {
      if (created) created->vtbl->release(created);
      return status;
    }
    if (created == nullptr || created->vtbl == nullptr) return kStatusFail;
    *object = AdoptInprocObject(created);
    return kStatusOk;
  }

  // Linux has no system texts for these statuses; the caller falls back on the number.
  std::string StatusText(int32_t) override { return ""; }
};

}  // namespace

std::string InprocRegistryDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/inproc-servers/";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.config/inproc-servers/";
}

std::unique_ptr<AutomationObject> AdoptInprocObject(InprocObject* object) {
  return std::make_unique<InprocAutomationObject>(object);
}

std::unique_ptr<Automation> NewAutomation() {
  return std::make_unique<InprocAutomation>();
}

}  // namespace kelbrin::posix
