#include <climits>

#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

// The conversion calls take int lengths. No text of the tool comes near 2 GB; should one, it is
// cut rather than passed as a wrapped, negative length.
int ClampLength(size_t length) {
  return length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

}  // namespace

std::wstring Widen(std::string_view ansi) {
  if (ansi.empty()) return {};
  int length = ClampLength(ansi.size());
  int needed = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), needed);
  return wide;
}

BSTR AllocBstr(std::string_view ansi) {
  // Converted straight into the BSTR: an article of megabytes is not widened twice.
  if (ansi.empty()) return SysAllocStringLen(nullptr, 0);
  int length = ClampLength(ansi.size());
  int needed = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(needed));
  if (text != nullptr) MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, text, needed);
  return text;
}

std::string Narrow(const wchar_t* wide, size_t length) {
  if (length == 0) return {};
  int count = ClampLength(length);
  int needed = WideCharToMultiByte(CP_ACP, 0, wide, count, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, count, ansi.data(), needed, nullptr, nullptr);
  return ansi;
}

std::string NarrowBstr(BSTR bstr) { return bstr ? Narrow(bstr, SysStringLen(bstr)) : std::string(); }

}  // namespace kelbrin::win32
