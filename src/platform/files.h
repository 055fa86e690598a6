#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kelbrin {

// Windows system error codes; the POSIX layer maps errno onto these so messages stay identical.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorTooManyOpenFiles = 4;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorDiskFull = 112;

enum class FileAccess { Read, Write, ReadWrite };
// What other openers may do while the file is open.
enum class FileShare { None, Read, ReadWrite };
enum class FileCreation { CreateAlways, OpenExisting };

// An open file. Every operation returns 0 or a system error code.
class File {
 public:
  virtual ~File() = default;  // closes without reporting if Close() was not called
  // Reads up to `want` bytes; `*got` is 0 only at the end of the file.
  virtual uint32_t Read(char* buffer, size_t want, size_t* got) = 0;
  // Writes `size` bytes; on a full disk `*written` may fall short with a 0 or an error result.
  virtual uint32_t Write(const char* data, size_t size, size_t* written) = 0;
  virtual uint32_t SeekToEnd() = 0;
  virtual uint32_t Size(uint64_t* size) = 0;
  virtual uint32_t Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens with the given access and sharing; CreateAlways creates or truncates the file.
  virtual uint32_t Open(const std::string& path, FileAccess access, FileShare share,
                        FileCreation creation, std::unique_ptr<File>* file) = 0;
  // True when an entry of that name exists and is not a directory.
  virtual bool Exists(const std::string& path) = 0;
};

}  // namespace kelbrin
