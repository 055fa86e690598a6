// The Windows host DLL as COM reaches it: loaded from the test's directory, its class object
// taken from DllGetClassObject, the object driven through IDispatch.
#include <gtest/gtest.h>

#include "refhost_test_util.h"
#include "win32.h"

namespace tolvanehost::test {
namespace {

const CLSID kHostClassId = {
    0x26c6c760, 0x2eca, 0x487c, {0xa6, 0xc4, 0xd1, 0xe5, 0xc1, 0xc1, 0xca, 0x92}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// An export of `module`; through void(*)() because FARPROC has no real signature.
template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

BSTR Wide(const std::wstring& text) {
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::wstring WideOf(BSTR text) {
  return std::wstring(text, SysStringLen(text));
}

class ComServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryA("tolvanehost.dll");
    ASSERT_NE(library_, nullptr);
    getClassObject_ = Export<GetClassObjectFn>(library_, "DllGetClassObject");
    canUnloadNow_ = Export<CanUnloadNowFn>(library_, "DllCanUnloadNow");
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnloadNow_, nullptr);
  }
  void TearDown() override {
    if (host_) host_->Release();
    SetEnvironmentVariableA("TOLVANE_HOST_CONFIG", nullptr);
    if (library_) FreeLibrary(library_);
  }

  // Creates the host with `ini` after a [Host] section that puts journal and spool in `dir`.
  void Create(const std::string& ini = "") {
    WriteBytes(dir.File("host.ini"), "[Host]\r\nJournal=" + dir.File("journal.txt") +
                                         "\r\nSpool=" + dir.Path() + "\r\n" + ini);
    SetEnvironmentVariableA("TOLVANE_HOST_CONFIG", dir.File("host.ini").c_str());
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject_(kHostClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    HRESULT status =
        factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&host_));
    factory->Release();
    ASSERT_EQ(status, S_OK);
  }

  HRESULT Lookup(const wchar_t* name, DISPID* id) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return host_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
  }

  // Looks `name` up and calls it with `lastFirst`, the arguments as COM passes them.
  HRESULT Call(const wchar_t* name, std::vector<VARIANT> lastFirst, VARIANT* result,
               EXCEPINFO* exception = nullptr) {
    DISPID id = 0;
    EXPECT_EQ(Lookup(name, &id), S_OK);
    DISPPARAMS params = {lastFirst.data(), nullptr, static_cast<UINT>(lastFirst.size()), 0};
    VariantInit(result);
    return host_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                         &params, result, exception, nullptr);
  }

  TempDir dir;
  HMODULE library_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
  IDispatch* host_ = nullptr;
};

VARIANT Bool(bool b) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT TextByRef(BSTR* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR | VT_BYREF;
  v.pbstrVal = text;
  return v;
}

TEST_F(ComServerTest, ServesOnlyItsClassAndUnloadsWhenObjectsAreGone) {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(getClassObject_(IID_IDispatch, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            CLASS_E_CLASSNOTAVAILABLE);
  Create();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(host_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  unknown->Release();
  host_->Release();
  host_ = nullptr;
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ComServerTest, LooksUpRegardlessOfCase) {
  Create("[Failures]\r\nControlGetVersion=unknown\r\n");
  DISPID id = 0;
  EXPECT_EQ(Lookup(L"controlgetpath", &id), S_OK);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(Lookup(L"NewsIMPORT", &id), S_OK);
  EXPECT_EQ(id, 4);
  EXPECT_EQ(Lookup(L"ControlGetVersion", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  EXPECT_EQ(Lookup(L"Unknown", &id), DISP_E_UNKNOWNNAME);
}

// The arguments come last first; texts cross as ANSI bytes with NUL bytes intact.
TEST_F(ComServerTest, ImportsArticlesInArgumentOrder) {
  Create();
  BSTR article = Wide(std::wstring(L"Newsgroups: alt.test\r\n\r\nA\0B \u00e4\r\n", 30));
  BSTR group = Wide(L"alt.test");
  VARIANT result;
  ASSERT_EQ(Call(L"newsimport", {Bool(true), Bool(false), TextByRef(&group), TextByRef(&article)},
                 &result),
            S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);
  EXPECT_EQ(ReadBytes(dir.File("article-1.txt")),
            std::string("Newsgroups: alt.test\r\n\r\nA\0B \xE4\r\n", 30));
  EXPECT_EQ(ReadBytes(dir.File("article-1.group")), "alt.test");
  EXPECT_EQ(ReadBytes(dir.File("journal.txt")),
            "lookup newsimport\ninvoke newsimport text& text& bool:false bool:true\n");
  SysFreeString(article);
  SysFreeString(group);
}

TEST_F(ComServerTest, TakesEachArgumentTypeAndRejectsOthers) {
  Create();
  std::vector<VARIANT> args(6);
  for (VARIANT& v : args) VariantInit(&v);
  args[5].vt = VT_BSTR;
  args[5].bstrVal = Wide(L"x");
  args[4].vt = VT_I4;
  args[4].lVal = -7;
  args[3].vt = VT_R8;
  args[3].dblVal = 2.5;
  args[2].vt = VT_NULL;  // args[1] stays VT_EMPTY
  args[0].vt = VT_I2;
  VARIANT result;
  EXPECT_EQ(Call(L"ControlGetPath", args, &result), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(
      ReadBytes(dir.File("journal.txt")),
      "lookup ControlGetPath\ninvoke ControlGetPath text int:-7 double:2.5 null empty vt:2\n");
  VariantClear(&args[5]);

  DISPPARAMS named = {nullptr, nullptr, 0, 1};
  EXPECT_EQ(host_->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &named, &result, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
}

TEST_F(ComServerTest, HandsBackEachAnswerType) {
  Create(
      "Path=C:\\T\xF6lvane\\\r\n[Answers]\r\nNewsImport=int:-1\r\nControlGetVersion=double:-1.4\r\n"
      "ControlGetServerPath=bool:false\r\n");
  VARIANT result;
  ASSERT_EQ(Call(L"ControlGetPath", {}, &result), S_OK);
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(WideOf(result.bstrVal), L"C:\\T\u00f6lvane\\");
  VariantClear(&result);
  BSTR article = Wide(L"a");
  BSTR group = Wide(L"g");
  ASSERT_EQ(Call(L"NewsImport", {Bool(false), Bool(false), TextByRef(&group), TextByRef(&article)},
                 &result),
            S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, -1);
  SysFreeString(article);
  SysFreeString(group);
  ASSERT_EQ(Call(L"ControlGetVersion", {}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_R8);
  EXPECT_EQ(result.dblVal, -1.4);
  ASSERT_EQ(Call(L"ControlGetServerPath", {}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_FALSE);
}

TEST_F(ComServerTest, HandsBackEmptyNullAndTextsWithNulBytes) {
  Create("ServerPath=" + std::string("a\0b", 3) +
         "\r\n[Answers]\r\nNewsImport=null\r\nControlGetVersion=empty\r\n");
  VARIANT result;
  ASSERT_EQ(Call(L"ControlGetServerPath", {}, &result), S_OK);
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(WideOf(result.bstrVal), std::wstring(L"a\0b", 3));
  VariantClear(&result);
  ASSERT_EQ(Call(L"ControlGetVersion", {}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_EMPTY);
  BSTR article = Wide(L"a");
  BSTR group = Wide(L"g");
  ASSERT_EQ(Call(L"NewsImport", {Bool(false), Bool(false), TextByRef(&group), TextByRef(&article)},
                 &result),
            S_OK);
  EXPECT_EQ(result.vt, VT_NULL);
  SysFreeString(article);
  SysFreeString(group);
}

TEST_F(ComServerTest, RaisesConfiguredExceptionsAndStatuses) {
  Create(
      "[Failures]\r\nControlGetPath=exception:Host refuses. . .\r\n"
      "ControlGetVersion=exception-code:80004005\r\nControlGetServerPath=status:80070005\r\n");
  VARIANT result;
  EXCEPINFO exception = {};
  ASSERT_EQ(Call(L"ControlGetPath", {}, &result, &exception), DISP_E_EXCEPTION);
  EXPECT_EQ(WideOf(exception.bstrDescription), L"Host refuses. . .");
  EXPECT_EQ(exception.scode, E_FAIL);
  EXPECT_EQ(exception.wCode, 0);
  SysFreeString(exception.bstrDescription);
  exception = {};
  ASSERT_EQ(Call(L"ControlGetVersion", {}, &result, &exception), DISP_E_EXCEPTION);
  EXPECT_EQ(SysStringLen(exception.bstrDescription), 0u);
  EXPECT_EQ(exception.scode, E_FAIL);
  EXPECT_EQ(Call(L"ControlGetServerPath", {}, &result), E_ACCESSDENIED);
  EXPECT_EQ(result.vt, VT_EMPTY);
}

}  // namespace
}  // namespace tolvanehost::test
