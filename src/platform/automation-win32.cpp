#include <cstdint>
#include <limits>

#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

constexpr DWORD kClassContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;  // 5

// The argument array of one call, in the callee's order (last argument first), with the
// BSTRs that by-reference texts point at. Clears every slot once the call is over.
class ArgumentArray {
 public:
  explicit ArgumentArray(std::vector<Variant>& args)
      : slots_(args.size()), references_(args.size()) {
    for (size_t i = 0; i < args.size(); ++i) {
      VariantInit(&slots_[args.size() - 1 - i]);
      Fill(args[i], &slots_[args.size() - 1 - i], &references_[i]);
      // A by-reference text comes back from its BSTR in any case (CopyBack), so the caller's
      // copy need not take up memory during the call: for an article, megabytes.
      if (args[i].type == Variant::Type::Text && args[i].byRef && references_[i].Get()) {
        std::string().swap(args[i].text);
      }
    }
  }
  ArgumentArray(const ArgumentArray&) = delete;
  ArgumentArray& operator=(const ArgumentArray&) = delete;
  ~ArgumentArray() {
    for (VARIANTARG& slot : slots_) VariantClear(&slot);
  }

  VARIANTARG* Data() { return slots_.empty() ? nullptr : slots_.data(); }
  UINT Count() const { return static_cast<UINT>(slots_.size()); }

  // Copies what the callee left in each by-reference text back into the caller's arguments.
  void CopyBack(std::vector<Variant>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i].type == Variant::Type::Text && args[i].byRef) {
        args[i].text = NarrowBstr(references_[i].Get());
      }
    }
  }

 private:
  static void Fill(const Variant& arg, VARIANTARG* slot, UniqueBstr* reference) {
    switch (arg.type) {
      case Variant::Type::Empty: V_VT(slot) = VT_EMPTY; break;
      case Variant::Type::Null: V_VT(slot) = VT_NULL; break;
      case Variant::Type::Bool:
        V_VT(slot) = VT_BOOL;
        V_BOOL(slot) = arg.boolean ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case Variant::Type::Int:
        if (arg.integer >= INT32_MIN && arg.integer <= INT32_MAX) {
          V_VT(slot) = VT_I4;
          V_I4(slot) = static_cast<LONG>(arg.integer);
        } else {
          V_VT(slot) = VT_I8;
          V_I8(slot) = arg.integer;
        }
        break;
      case Variant::Type::Double:
        V_VT(slot) = VT_R8;
        V_R8(slot) = arg.real;
        break;
      case Variant::Type::Text:
        if (arg.byRef) {
          // The callee may free and replace the BSTR; `reference` owns whatever is left.
          reference->Reset(AllocBstr(arg.text));
          V_VT(slot) = VT_BSTR | VT_BYREF;
          V_BSTRREF(slot) = reference->Address();
        } else {
          V_VT(slot) = VT_BSTR;
          V_BSTR(slot) = AllocBstr(arg.text);
        }
        break;
    }
  }

  std::vector<VARIANTARG> slots_;
  std::vector<UniqueBstr> references_;
};

// `value` converted in place to `type`; false when the system cannot convert it.
bool ChangeType(VARIANT* value, VARTYPE type) {
  return SUCCEEDED(VariantChangeType(value, value, 0, type));
}

Variant FromInteger(int64_t value) {
  Variant v;
  v.type = Variant::Type::Int;
  v.integer = value;
  return v;
}

Variant FromDouble(double value) {
  Variant v;
  v.type = Variant::Type::Double;
  v.real = value;
  return v;
}

// The result variant as the tool's Variant; `value` may be changed in the process.
Variant ToVariant(VARIANT* value) {
  if (V_VT(value) & VT_BYREF) {
    if (FAILED(VariantCopyInd(value, value))) return Variant::Text("");
  }
  Variant v;
  switch (V_VT(value)) {
    case VT_EMPTY: return v;
    case VT_NULL: v.type = Variant::Type::Null; return v;
    case VT_BOOL: return Variant::Bool(V_BOOL(value) != VARIANT_FALSE);
    case VT_I1: return FromInteger(V_I1(value));
    case VT_I2: return FromInteger(V_I2(value));
    case VT_I4: return FromInteger(V_I4(value));
    case VT_I8: return FromInteger(V_I8(value));
    case VT_INT: return FromInteger(V_INT(value));
    case VT_UI1: return FromInteger(V_UI1(value));
    case VT_UI2: return FromInteger(V_UI2(value));
    case VT_UI4: return FromInteger(V_UI4(value));
    case VT_UINT: return FromInteger(V_UINT(value));
    case VT_UI8: {
      // Beyond the signed range the value is still a number, only no longer a whole one here.
      ULONGLONG u = V_UI8(value);
      if (u > static_cast<ULONGLONG>(std::numeric_limits<int64_t>::max())) {
        return FromDouble(static_cast<double>(u));
      }
      return FromInteger(static_cast<int64_t>(u));
    }
    case VT_R4: return FromDouble(V_R4(value));
    case VT_R8: return FromDouble(V_R8(value));
    case VT_BSTR: return Variant::Text(NarrowBstr(V_BSTR(value)));
    default: break;
  }
  // Currency, dates and decimals are numbers; everything else is asked for its text.
  VARTYPE type = V_VT(value);
  if ((type == VT_CY || type == VT_DATE || type == VT_DECIMAL) && ChangeType(value, VT_R8)) {
    return FromDouble(V_R8(value));
  }
  if (ChangeType(value, VT_BSTR)) return Variant::Text(NarrowBstr(V_BSTR(value)));
  return Variant::Text("");
}

// Fills the exception fields of `outcome` and frees the texts the callee allocated.
void TakeException(EXCEPINFO& info, CallOutcome* outcome) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  UniqueBstr source(info.bstrSource), description(info.bstrDescription),
      helpFile(info.bstrHelpFile);
  outcome->exceptionDescription = NarrowBstr(description.Get());
  outcome->exceptionCode = info.scode != 0 ? info.scode : info.wCode;
}

class Win32AutomationObject : public AutomationObject {
 public:
  explicit Win32AutomationObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  int32_t GetIdOfName(const std::string& name, int32_t* id) override {
    std::wstring wide = Widen(name);
    LPOLESTR names[1] = {wide.data()};
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT status =
        dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (SUCCEEDED(status)) *id = dispid;
    return status;
  }

  CallOutcome Invoke(int32_t id, std::vector<Variant>& args) override {
    ArgumentArray arguments(args);
    DISPPARAMS params{arguments.Data(), nullptr, arguments.Count(), 0};
    UniqueVariant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    CallOutcome outcome;
    outcome.status = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                       DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                                       result.Get(), &exception, &argumentError);
    arguments.CopyBack(args);
    if (outcome.status == DISP_E_EXCEPTION) TakeException(exception, &outcome);
    if (SUCCEEDED(outcome.status)) outcome.result = ToVariant(result.Get());
    return outcome;
  }

 private:
  ComPtr<IDispatch> dispatch_;
};

class Win32Automation : public Automation {
 public:
  Win32Automation() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~Win32Automation() override {
    if (initialized_) OleUninitialize();
  }

  int32_t Create(const std::string& progId, std::unique_ptr<AutomationObject>* object) override {
    std::wstring wide = Widen(progId);
    CLSID clsid;
    HRESULT status = CLSIDFromProgID(wide.c_str(), &clsid);
    if (FAILED(status)) return status;
    ComPtr<IUnknown> unknown;
    status = CoCreateInstance(clsid, nullptr, kClassContext, IID_IUnknown, unknown.Receive());
    if (FAILED(status)) return status;
    ComPtr<IDispatch> dispatch;
    status = unknown->QueryInterface(IID_IDispatch, dispatch.Receive());
    if (FAILED(status)) return status;
    *object = std::make_unique<Win32AutomationObject>(std::move(dispatch));
    return S_OK;
  }

  std::string StatusText(int32_t status) override {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) return {};
    std::string text(buffer, length);
    LocalFree(buffer);
    // System texts end in a full stop and a line end; the caller adds its own punctuation.
    while (!text.empty() &&
           (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
      text.pop_back();
    }
    return text;
  }

 private:
  bool initialized_;
};

}  // namespace

std::unique_ptr<Automation> NewAutomation() { return std::make_unique<Win32Automation>(); }

}  // namespace kelbrin::win32
