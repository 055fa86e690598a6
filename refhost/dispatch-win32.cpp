#include "dispatch-win32.h"

#include <cwchar>
#include <new>
#include <vector>

#include "host_behaviour.h"

namespace tolvanehost {

LONG g_serverReferences = 0;

namespace {

Value FromVariant(const VARIANT& arg) {
  switch (arg.vt) {
    case VT_EMPTY:
      return Value();
    case VT_NULL:
      return Value::Null();
    case VT_BOOL:
      return Value::Bool(arg.boolVal != VARIANT_FALSE);
    case VT_I4:
      return Value::Int(arg.lVal);
    case VT_R8:
      return Value::Double(arg.dblVal);
    case VT_BSTR:
      return Value::Text(NarrowText(arg.bstrVal, SysStringLen(arg.bstrVal)));
    case VT_BSTR | VT_BYREF: {
      BSTR text = arg.pbstrVal ? *arg.pbstrVal : nullptr;
      return Value::Text(NarrowText(text, SysStringLen(text)), true);
    }
  }
  return Value::Unsupported(arg.vt);
}

// Fills `out`, which holds nothing yet; false when a text cannot be allocated.
bool ToVariant(const Value& value, VARIANT* out) {
  VariantInit(out);
  switch (value.type) {
    case Value::Type::Empty:
    case Value::Type::Unsupported:
      return true;
    case Value::Type::Null:
      out->vt = VT_NULL;
      return true;
    case Value::Type::Bool:
      out->vt = VT_BOOL;
      out->boolVal = value.boolean ? VARIANT_TRUE : VARIANT_FALSE;
      return true;
    case Value::Type::Int:
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(value.integer);
      return true;
    case Value::Type::Double:
      out->vt = VT_R8;
      out->dblVal = value.real;
      return true;
    case Value::Type::Text:
      out->bstrVal = WideText(value.text);
      if (!out->bstrVal) return false;
      out->vt = VT_BSTR;
      return true;
  }
  return true;
}

void FillException(const Outcome& outcome, EXCEPINFO* info) {
  if (!info) return;
  ZeroMemory(info, sizeof *info);
  info->scode = outcome.exceptionCode;
  // A null description is how servers usually say "none"; callers must take it as empty.
  if (!outcome.exceptionDescription.empty()) {
    info->bstrDescription = WideText(outcome.exceptionDescription);
  }
}

class DispatchObject : public IDispatch {
 public:
  explicit DispatchObject(HostConfig config) : behaviour_(std::move(config)) {
    InterlockedIncrement(&g_serverReferences);
  }
  virtual ~DispatchObject() { InterlockedDecrement(&g_serverReferences); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;  // late-bound only: no type library
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override;

 private:
  LONG references_ = 1;
  HostBehaviour behaviour_;
};

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  int32_t id = DISPID_UNKNOWN;
  HRESULT status = behaviour_.GetIdOfName(NarrowText(names[0], std::wcslen(names[0])), &id);
  ids[0] = status == S_OK ? id : DISPID_UNKNOWN;
  // The methods take no named arguments, so no parameter name is known.
  for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return status == S_OK && count > 1 ? DISP_E_UNKNOWNNAME : status;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  if (params && params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
  std::vector<Value> args;
  UINT argCount = params ? params->cArgs : 0;
  // rgvarg holds the arguments last first.
  for (UINT i = 0; i < argCount; ++i) args.push_back(FromVariant(params->rgvarg[argCount - 1 - i]));
  Outcome outcome = behaviour_.Invoke(id, args);
  if (outcome.status == kStatusTypeMismatch && argumentError) *argumentError = 0;
  if (outcome.status == kStatusException) {
    FillException(outcome, exception);
    return DISP_E_EXCEPTION;
  }
  if (outcome.status != S_OK) return outcome.status;
  if (result && !ToVariant(outcome.result, result)) return E_OUTOFMEMORY;
  return S_OK;
}

}  // namespace

IDispatch* CreateDispatchObject(HostConfig config) {
  return new (std::nothrow) DispatchObject(std::move(config));
}

std::string NarrowText(const wchar_t* text, UINT length) {
  if (!text || length == 0) return std::string();
  int size =
      WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), bytes.data(), size, nullptr,
                        nullptr);
  }
  return bytes;
}

BSTR WideText(const std::string& bytes) {
  if (bytes.empty()) return SysAllocStringLen(L"", 0);
  int size =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  BSTR text = SysAllocStringLen(nullptr, size > 0 ? size : 0);
  if (text && size > 0) {
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text, size);
  }
  return text;
}

}  // namespace tolvanehost
