// Creates the registered "tolvane.app" the way the tool does and calls each method named on the
// command line (default: all four), printing one line per lookup and per call. NewsImport gets
// an article with a NUL byte, a group, and two false flags.
#include <cstdio>
#include <string>
#include <vector>

#include "win32.h"

namespace {

std::string Narrow(BSTR text) {
  UINT length = SysStringLen(text);
  if (length == 0) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

BSTR Wide(const std::string& bytes) {
  int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), bytes.size(), nullptr, 0);
  BSTR text = SysAllocStringLen(nullptr, size);
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), bytes.size(), text, size);
  return text;
}

// The result as type:value, texts with their length since they may hold NUL bytes.
std::string Describe(const VARIANT& v) {
  char buffer[64];
  switch (v.vt) {
    case VT_EMPTY:
      return "empty";
    case VT_NULL:
      return "null";
    case VT_BOOL:
      return v.boolVal == VARIANT_TRUE ? "bool:true" : v.boolVal ? "bool:other" : "bool:false";
    case VT_I4:
      std::snprintf(buffer, sizeof buffer, "int:%ld", static_cast<long>(v.lVal));
      return buffer;
    case VT_R8:
      std::snprintf(buffer, sizeof buffer, "double:%g", v.dblVal);
      return buffer;
    case VT_BSTR: {
      std::string text = Narrow(v.bstrVal);
      std::snprintf(buffer, sizeof buffer, "text(%u):", static_cast<unsigned>(text.size()));
      return buffer + text;
    }
  }
  std::snprintf(buffer, sizeof buffer, "vt:%u", v.vt);
  return buffer;
}

void Call(IDispatch* host, const std::string& name) {
  BSTR wideName = Wide(name);
  DISPID id = 0;
  HRESULT status = host->GetIDsOfNames(IID_NULL, &wideName, 1, LOCALE_USER_DEFAULT, &id);
  SysFreeString(wideName);
  std::printf("lookup %s: %08lX id %ld\n", name.c_str(), static_cast<unsigned long>(status),
              static_cast<long>(id));
  if (FAILED(status)) return;
  BSTR article = Wide(std::string("Newsgroups: alt.test\r\n\r\nA\0B\r\n", 29));
  BSTR group = Wide("alt.test");
  VARIANT args[4];
  for (VARIANT& arg : args) VariantInit(&arg);
  bool import = name.size() == 10 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(),
                                                    -1, "NewsImport", -1) == 2;
  // Last argument first: the two flags, the group, the article.
  args[0].vt = args[1].vt = VT_BOOL;
  args[0].boolVal = args[1].boolVal = VARIANT_FALSE;
  args[2].vt = args[3].vt = VT_BSTR | VT_BYREF;
  args[2].pbstrVal = &group;
  args[3].pbstrVal = &article;
  DISPPARAMS params = {args, nullptr, import ? 4u : 0u, 0};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception = {};
  status = host->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &params, &result, &exception, nullptr);
  std::printf("invoke %s: %08lX", name.c_str(), static_cast<unsigned long>(status));
  if (status == DISP_E_EXCEPTION) {
    std::printf(" scode %08lX description \"%s\"\n", static_cast<unsigned long>(exception.scode),
                Narrow(exception.bstrDescription).c_str());
  } else {
    std::printf(" %s\n", Describe(result).c_str());
  }
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  VariantClear(&result);
  SysFreeString(article);
  SysFreeString(group);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> names(argv + 1, argv + argc);
  if (names.empty()) {
    names = {"ControlGetPath", "ControlGetServerPath", "ControlGetVersion", "NewsImport"};
  }
  OleInitialize(nullptr);
  CLSID classId;
  HRESULT status = CLSIDFromProgID(L"tolvane.app", &classId);
  std::printf("CLSIDFromProgID: %08lX\n", static_cast<unsigned long>(status));
  IUnknown* unknown = nullptr;
  IDispatch* host = nullptr;
  if (SUCCEEDED(status)) {
    status = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IUnknown, reinterpret_cast<void**>(&unknown));
    std::printf("CoCreateInstance: %08lX\n", static_cast<unsigned long>(status));
  }
  if (unknown) {
    status = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&host));
    unknown->Release();
  }
  if (host) {
    for (const std::string& name : names) Call(host, name);
    host->Release();
  }
  std::fflush(stdout);
  OleUninitialize();
  return host ? 0 : 1;
}
