#pragma once
// The only place that includes the Windows headers; every Win32 seam goes through here.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

// The macro would rename the MessageBox seam in every file that sees it.
#undef MessageBox

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/platform.h"

namespace kelbrin::win32 {

// Owns a kernel handle and closes it once; INVALID_HANDLE_VALUE and null both mean none.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Owns a BSTR. Address() hands out the slot for a callee that fills or replaces it.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR bstr) : bstr_(bstr) {}
  UniqueBstr(UniqueBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.bstr_, nullptr));
    return *this;
  }
  ~UniqueBstr() { Reset(); }

  BSTR Get() const { return bstr_; }
  BSTR* Address() { return &bstr_; }
  BSTR Release() { return std::exchange(bstr_, nullptr); }
  void Reset(BSTR bstr = nullptr) {
    if (bstr_) SysFreeString(bstr_);
    bstr_ = bstr;
  }

 private:
  BSTR bstr_ = nullptr;
};

// Owns a VARIANT and clears it (freeing what it holds) once.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&value_); }

  VARIANT* Get() { return &value_; }

 private:
  VARIANT value_;
};

// Owns one reference to a COM interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  T* Get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // The slot for a creating call's out parameter; any reference held before is released.
  void** Receive() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void Reset(T* pointer = nullptr) {
    if (pointer_) pointer_->Release();
    pointer_ = pointer;
  }

 private:
  T* pointer_ = nullptr;
};

// ANSI (CP_ACP) bytes to UTF-16, every byte kept, NUL bytes included.
std::wstring Widen(std::string_view ansi);
// A new BSTR holding `ansi` converted to UTF-16, with its explicit length.
BSTR AllocBstr(std::string_view ansi);
// UTF-16 of explicit length to ANSI (CP_ACP); characters without an ANSI form become '?'.
std::string Narrow(const wchar_t* wide, size_t length);
// A BSTR's whole content (by its stored length) to ANSI; null gives the empty string.
std::string NarrowBstr(BSTR bstr);

// The real seams, one each; native-win32.cpp owns them for the process.
std::unique_ptr<Console> NewConsole(DWORD standardHandle);
std::unique_ptr<FileSystem> NewFileSystem();
std::unique_ptr<Clock> NewClock();
std::unique_ptr<Regional> NewRegional();
std::unique_ptr<Collator> NewCollator();
std::unique_ptr<IniReader> NewIniReader();
std::unique_ptr<MessageBox> NewMessageBox();
// Initializes OLE for the calling thread until the returned object is destroyed.
std::unique_ptr<Automation> NewAutomation();
std::unique_ptr<Process> NewProcess();

}  // namespace kelbrin::win32
