#pragma once
// The stand-in host's automation object on Windows: IDispatch around the shared behaviour.
#include "host_config.h"
#include "win32.h"

namespace tolvanehost {

// Objects and server locks alive; the DLL may unload only at zero.
extern LONG g_serverReferences;

// Makes a new automation object with a reference count of one.
IDispatch* CreateDispatchObject(HostConfig config);

// The bytes of `text` in the ANSI code page, of its full length with any NUL characters.
std::string NarrowText(const wchar_t* text, UINT length);
// A BSTR holding `bytes` in the ANSI code page, NUL bytes included; null when out of memory.
BSTR WideText(const std::string& bytes);

}  // namespace tolvanehost
