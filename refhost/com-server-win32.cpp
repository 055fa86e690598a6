// The stand-in host as a Windows COM in-process server: the class factory, the DLL's exports
// and its self-registration under the ProgID "tolvane.app".
#include <cstdio>
#include <string>
#include <tuple>

#include "dispatch-win32.h"
#include "host_config.h"
#include "win32.h"

namespace tolvanehost {

namespace {

// {26C6C760-2ECA-487C-A6C4-D1E5C1C1CA92}
const CLSID kHostClassId = {
    0x26c6c760, 0x2eca, 0x487c, {0xa6, 0xc4, 0xd1, 0xe5, 0xc1, 0xc1, 0xca, 0x92}};
const char kHostClassIdText[] = "{26C6C760-2ECA-487C-A6C4-D1E5C1C1CA92}";
const char kProgId[] = "tolvane.app";
const char kDescription[] = "Tolvane automation object (stand-in)";

HMODULE g_module = nullptr;

// The settings file named by the environment of the process as it is now.
std::string ConfigPath() {
  DWORD size = GetEnvironmentVariableA(kConfigVariable, nullptr, 0);
  if (size == 0) return std::string();
  std::string path(size, '\0');
  size = GetEnvironmentVariableA(kConfigVariable, path.data(), size);
  path.resize(size);
  return path;
}

class ClassFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static; its references only keep the DLL loaded.
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&g_serverReferences); }
  ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&g_serverReferences); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    HostConfig config;
    std::string error;
    if (!LoadHostConfig(ConfigPath(), &config, &error)) {
      std::fprintf(stderr, "tolvanehost: %s\n", error.c_str());
      return E_INVALIDARG;
    }
    IDispatch* object = CreateDispatchObject(std::move(config));
    if (!object) return E_OUTOFMEMORY;
    HRESULT status = object->QueryInterface(iid, out);
    object->Release();
    return status;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&g_serverReferences);
    else
      InterlockedDecrement(&g_serverReferences);
    return S_OK;
  }
};

ClassFactory g_factory;

// Sets the value `name` (null: the key's default value) of HKEY_CLASSES_ROOT\`key`.
LONG SetClassesValue(const std::string& key, const char* name, const std::string& value) {
  HKEY handle;
  LONG error = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                               nullptr, &handle, nullptr);
  if (error != ERROR_SUCCESS) return error;
  error = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return error;
}

// This DLL's own full path, whichever process loaded it.
std::string ModulePath() {
  std::string path(32768, '\0');
  DWORD length = GetModuleFileNameA(g_module, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path;
}

LONG DeleteClassesTree(const std::string& key) {
  LONG error = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
  return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

}  // namespace

}  // namespace tolvanehost

using namespace tolvanehost;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(classId, kHostClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() {
  return g_serverReferences == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  std::string path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  std::string classKey = std::string("CLSID\\") + kHostClassIdText;
  LONG error = ERROR_SUCCESS;
  for (auto [key, name, value] :
       {std::tuple<std::string, const char*, std::string>{kProgId, nullptr, kDescription},
        {std::string(kProgId) + "\\CLSID", nullptr, kHostClassIdText},
        {classKey, nullptr, kDescription},
        {classKey + "\\InprocServer32", nullptr, path},
        {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {classKey + "\\ProgID", nullptr, kProgId}}) {
    if (error == ERROR_SUCCESS) error = SetClassesValue(key, name, value);
  }
  return HRESULT_FROM_WIN32(error);
}

STDAPI DllUnregisterServer() {
  LONG error = DeleteClassesTree(kProgId);
  LONG classError = DeleteClassesTree(std::string("CLSID\\") + kHostClassIdText);
  return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : classError);
}
