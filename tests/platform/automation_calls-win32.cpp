#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "platform/win32.h"

// What goes over IDispatch, seen from the callee: a scripted object registered in-process
// under a ProgID of its own records every call and answers as each test tells it.
namespace kelbrin::test {
namespace {

constexpr const char* kProgId = "kelbrin.test.scripted";
// {01669548-A01C-46D2-8AA0-A8841DD9FADA}
constexpr CLSID kClsid = {
    0x01669548, 0xa01c, 0x46d2, {0x8a, 0xa0, 0xa8, 0x84, 0x1d, 0xd9, 0xfa, 0xda}};

enum Member : DISPID { kAnswer = 1, kRewrite = 2, kThrow = 3, kThrowLater = 4 };

// One argument as the callee received it.
struct Received {
  VARTYPE type;
  std::wstring text;  // VT_BSTR content, by value or by reference
  LONGLONG number = 0;
};

HRESULT STDAPICALLTYPE FillInLater(EXCEPINFO* info) {
  info->bstrDescription = SysAllocString(L"Nachgereicht");
  info->wCode = 1001;
  return S_OK;
}

// Lives as long as the test; reference counts are kept only to honour the protocol.
class ScriptedObject : public IDispatch, public IClassFactory {
 public:
  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
    } else if (iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }

  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    return QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    lookedUp.push_back(names[0]);
    std::wstring name = Lower(names[0]);
    for (auto [known, id] : {std::pair{L"answer", kAnswer}, {L"rewrite", kRewrite},
                             {L"throw", kThrow}, {L"throwlater", kThrowLater}}) {
      if (name == known) {
        ids[0] = id;
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    this->flags = flags;
    namedArgs = params->cNamedArgs;
    received.clear();
    for (UINT i = 0; i < params->cArgs; ++i) received.push_back(Record(params->rgvarg[i]));
    switch (id) {
      case kAnswer: return result ? VariantCopy(result, answer.Get()) : S_OK;
      case kRewrite:
        for (UINT i = 0; i < params->cArgs; ++i) {
          VARIANTARG& arg = params->rgvarg[i];
          if (V_VT(&arg) != (VT_BSTR | VT_BYREF)) continue;
          SysFreeString(*V_BSTRREF(&arg));
          *V_BSTRREF(&arg) = SysAllocStringLen(L"neu\0!", 5);
        }
        return S_OK;
      case kThrow:
        exception->bstrDescription = SysAllocString(L"Kaputt. \r\n");
        exception->bstrSource = SysAllocString(L"scripted");
        exception->wCode = 0;
        exception->scode = static_cast<SCODE>(0x80040201);
        return DISP_E_EXCEPTION;
      case kThrowLater:
        exception->pfnDeferredFillIn = FillInLater;
        return DISP_E_EXCEPTION;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  ULONG references = 0;
  std::vector<std::wstring> lookedUp;
  WORD flags = 0;
  UINT namedArgs = 0;
  std::vector<Received> received;  // in the order of the argument array
  win32::UniqueVariant answer;

 private:
  static std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
  }
  static Received Record(const VARIANTARG& arg) {
    Received r{V_VT(&arg), {}};
    switch (V_VT(&arg)) {
      case VT_BSTR: r.text.assign(V_BSTR(&arg), SysStringLen(V_BSTR(&arg))); break;
      case VT_BSTR | VT_BYREF:
        r.text.assign(*V_BSTRREF(&arg), SysStringLen(*V_BSTRREF(&arg)));
        break;
      case VT_BOOL: r.number = V_BOOL(&arg); break;
      case VT_I4: r.number = V_I4(&arg); break;
      case VT_I8: r.number = V_I8(&arg); break;
    }
    return r;
  }
};

class Win32AutomationCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    // The machine's classes: Wine does not look up ProgIDs among the user's own.
    std::string key = std::string(kProgId) + "\\CLSID";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ,
                              "{01669548-A01C-46D2-8AA0-A8841DD9FADA}", 39),
              ERROR_SUCCESS);
    ASSERT_HRESULT_SUCCEEDED(CoRegisterClassObject(kClsid, static_cast<IClassFactory*>(&object_),
                                                   CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                                   &cookie_));
    ASSERT_EQ(automation_->Create(kProgId, &proxy_), kStatusOk);
  }
  void TearDown() override {
    proxy_.reset();
    CoRevokeClassObject(cookie_);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId);
  }

  CallOutcome Call(const std::string& name, std::vector<Variant>& args) {
    int32_t id = 0;
    EXPECT_EQ(proxy_->GetIdOfName(name, &id), kStatusOk);
    return proxy_->Invoke(id, args);
  }
  CallOutcome Call(const std::string& name) {
    std::vector<Variant> none;
    return Call(name, none);
  }

  ScriptedObject object_;
  std::unique_ptr<Automation> automation_ = win32::NewAutomation();
  DWORD cookie_ = 0;
  std::unique_ptr<AutomationObject> proxy_;
};

TEST_F(Win32AutomationCalls, ArgumentsGoOutLastFirstWithTheirTypes) {
  Variant big;
  big.type = Variant::Type::Int;
  big.integer = 1LL << 40;
  Variant small = big;
  small.integer = -1;
  std::vector<Variant> args{Variant::Text(std::string("Gr\xF6\xDF" "e\0x", 7), true),
                            Variant::Text("alt.test", true), Variant::Bool(true),
                            Variant::Bool(false), small, big};
  ASSERT_EQ(Call("Answer", args).status, kStatusOk);
  EXPECT_EQ(object_.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_EQ(object_.namedArgs, 0u);
  const std::vector<Received>& r = object_.received;
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[5].type, VT_BSTR | VT_BYREF);
  EXPECT_EQ(r[5].text, std::wstring(L"Gr\u00f6\u00df" L"e\0x", 7));
  EXPECT_EQ(r[4].type, VT_BSTR | VT_BYREF);
  EXPECT_EQ(r[4].text, L"alt.test");
  EXPECT_EQ(r[3].type, VT_BOOL);
  EXPECT_EQ(r[3].number, VARIANT_TRUE);
  EXPECT_EQ(r[2].type, VT_BOOL);
  EXPECT_EQ(r[2].number, VARIANT_FALSE);
  EXPECT_EQ(r[1].type, VT_I4);
  EXPECT_EQ(r[1].number, -1);
  EXPECT_EQ(r[0].type, VT_I8);
  EXPECT_EQ(r[0].number, 1LL << 40);
}

TEST_F(Win32AutomationCalls, ByReferenceTextsComeBackChanged) {
  std::vector<Variant> args{Variant::Text("article", true), Variant::Text("by value"),
                            Variant::Text("group", true)};
  ASSERT_EQ(Call("rewrite", args).status, kStatusOk);
  EXPECT_EQ(args[0].text, std::string("neu\0!", 5));
  EXPECT_EQ(args[1].text, "by value");
  EXPECT_EQ(args[2].text, std::string("neu\0!", 5));
}

TEST_F(Win32AutomationCalls, NamesGoOutAsWritten) {
  Call("ANSWER");
  Call("answer");
  EXPECT_EQ(object_.lookedUp, (std::vector<std::wstring>{L"ANSWER", L"answer"}));
  int32_t id = 0;
  EXPECT_EQ(proxy_->GetIdOfName("NoSuchMethod", &id), kStatusUnknownName);
}

TEST_F(Win32AutomationCalls, ExceptionTextAndCode) {
  CallOutcome thrown = Call("Throw");
  EXPECT_EQ(thrown.status, kStatusException);
  EXPECT_EQ(thrown.exceptionDescription, "Kaputt. \r\n");
  EXPECT_EQ(static_cast<uint32_t>(thrown.exceptionCode), 0x80040201u);

  // Filled in only on request; the code is then the small one.
  CallOutcome later = Call("ThrowLater");
  EXPECT_EQ(later.status, kStatusException);
  EXPECT_EQ(later.exceptionDescription, "Nachgereicht");
  EXPECT_EQ(later.exceptionCode, 1001);
}

struct ResultCase {
  const char* name;
  void (*set)(VARIANT*);
  Variant::Type type;
  int64_t integer;
  double real;
  std::string text;
};

class Win32AutomationResults : public Win32AutomationCalls,
                               public ::testing::WithParamInterface<ResultCase> {};

TEST_P(Win32AutomationResults, Converted) {
  const ResultCase& c = GetParam();
  c.set(object_.answer.Get());
  CallOutcome outcome = Call("Answer");
  ASSERT_EQ(outcome.status, kStatusOk);
  EXPECT_EQ(outcome.result.type, c.type);
  EXPECT_EQ(outcome.result.integer, c.integer);
  EXPECT_DOUBLE_EQ(outcome.result.real, c.real);
  EXPECT_EQ(outcome.result.text, c.text);
}

using T = Variant::Type;

INSTANTIATE_TEST_SUITE_P(
    Table, Win32AutomationResults,
    ::testing::Values(
        ResultCase{"Empty", [](VARIANT*) {}, T::Empty, 0, 0, ""},
        ResultCase{"Null", [](VARIANT* v) { V_VT(v) = VT_NULL; }, T::Null, 0, 0, ""},
        ResultCase{"Short", [](VARIANT* v) { V_VT(v) = VT_I2; V_I2(v) = -1; }, T::Int, -1, 0, ""},
        ResultCase{"Byte", [](VARIANT* v) { V_VT(v) = VT_UI1; V_UI1(v) = 200; }, T::Int, 200, 0,
                   ""},
        ResultCase{"Long", [](VARIANT* v) { V_VT(v) = VT_I4; V_I4(v) = 70000; }, T::Int, 70000,
                   0, ""},
        ResultCase{"Float", [](VARIANT* v) { V_VT(v) = VT_R4; V_R4(v) = 0.5f; }, T::Double, 0,
                   0.5, ""},
        ResultCase{"Currency",
                   [](VARIANT* v) { V_VT(v) = VT_CY; V_CY(v).int64 = 25000; }, T::Double, 0,
                   2.5, ""},
        ResultCase{"Date", [](VARIANT* v) { V_VT(v) = VT_DATE; V_DATE(v) = 45000.25; },
                   T::Double, 0, 45000.25, ""},
        ResultCase{"Text",
                   [](VARIANT* v) {
                     V_VT(v) = VT_BSTR;
                     V_BSTR(v) = SysAllocStringLen(L"C:\\Tolvane\\\u00e4\0z", 14);
                   },
                   T::Text, 0, 0, std::string("C:\\Tolvane\\\xE4\0z", 14)},
        ResultCase{"NullText", [](VARIANT* v) { V_VT(v) = VT_BSTR; V_BSTR(v) = nullptr; },
                   T::Text, 0, 0, ""},
        ResultCase{"NoInterface", [](VARIANT* v) { V_VT(v) = VT_DISPATCH; V_DISPATCH(v) = nullptr; },
                   T::Text, 0, 0, ""}),
    [](const ::testing::TestParamInfo<ResultCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kelbrin::test
