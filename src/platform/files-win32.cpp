#include <algorithm>

#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

// Read and write in pieces a DWORD can count.
constexpr size_t kMaxChunk = 1u << 30;

class Win32File : public File {
 public:
  explicit Win32File(UniqueHandle handle) : handle_(std::move(handle)) {}

  uint32_t Read(char* buffer, size_t want, size_t* got) override {
    DWORD read = 0;
    DWORD chunk = static_cast<DWORD>(std::min(want, kMaxChunk));
    BOOL ok = ReadFile(handle_.Get(), buffer, chunk, &read, nullptr);
    *got = read;
    return ok ? 0 : GetLastError();
  }

  uint32_t Write(const char* data, size_t size, size_t* written) override {
    *written = 0;
    while (*written < size) {
      DWORD chunk = static_cast<DWORD>(std::min(size - *written, kMaxChunk));
      DWORD done = 0;
      if (!WriteFile(handle_.Get(), data + *written, chunk, &done, nullptr)) return GetLastError();
      *written += done;
      // A short write without an error is the caller's to report (a full disk).
      if (done < chunk) return 0;
    }
    return 0;
  }

  uint32_t SeekToEnd() override {
    LARGE_INTEGER zero{};
    return SetFilePointerEx(handle_.Get(), zero, nullptr, FILE_END) ? 0 : GetLastError();
  }

  uint32_t Size(uint64_t* size) override {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(handle_.Get(), &value)) return GetLastError();
    *size = static_cast<uint64_t>(value.QuadPart);
    return 0;
  }

  uint32_t Close() override {
    if (!handle_.Valid()) return 0;
    return CloseHandle(handle_.Release()) ? 0 : GetLastError();
  }

 private:
  UniqueHandle handle_;
};

DWORD AccessFlags(FileAccess access) {
  switch (access) {
    case FileAccess::Read: return GENERIC_READ;
    case FileAccess::Write: return GENERIC_WRITE;
    case FileAccess::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
  }
  return 0;
}

DWORD ShareFlags(FileShare share) {
  switch (share) {
    case FileShare::None: return 0;
    case FileShare::Read: return FILE_SHARE_READ;
    case FileShare::ReadWrite: return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
  return 0;
}

class Win32FileSystem : public FileSystem {
 public:
  uint32_t Open(const std::string& path, FileAccess access, FileShare share,
                FileCreation creation, std::unique_ptr<File>* file) override {
    DWORD disposition = creation == FileCreation::CreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
    UniqueHandle handle(CreateFileA(path.c_str(), AccessFlags(access), ShareFlags(share), nullptr,
                                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid()) return GetLastError();
    *file = std::make_unique<Win32File>(std::move(handle));
    return 0;
  }

  bool Exists(const std::string& path) override {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace kelbrin::win32
