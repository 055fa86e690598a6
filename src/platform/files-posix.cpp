#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/posix.h"

namespace kelbrin::posix {

uint32_t WindowsError(int error) {
  switch (error) {
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kErrorAccessDenied;
    // A running program's file, or one in use: Windows refuses these as held by another.
    case ETXTBSY:
    case EBUSY:
      return kErrorSharingViolation;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    // errno values that would otherwise pass as a different, misleading Windows code
    // (EPIPE is 32, the sharing violation; EIO is 5, access denied).
    case EPIPE:
      return 232;  // ERROR_NO_DATA: the pipe is being closed
    case EIO:
      return 1117;  // ERROR_IO_DEVICE
    case EBADF:
      return 6;  // ERROR_INVALID_HANDLE
    case EINVAL:
      return 87;  // ERROR_INVALID_PARAMETER
    case EEXIST:
      return 80;  // ERROR_FILE_EXISTS
    default:
      return static_cast<uint32_t>(error);
  }
}

namespace {

// ENOENT means a missing file only when its directory is there; otherwise Windows reports
// the path as bad (3), and the messages tell the two apart.
uint32_t NotFoundError(const std::string& path) {
  if (path.empty()) return kErrorPathNotFound;
  size_t slash = path.find_last_of('/');
  std::string parent = slash == std::string::npos ? std::string(".")
                       : slash == 0               ? std::string("/")
                                                  : path.substr(0, slash);
  struct stat info;
  if (::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return kErrorFileNotFound;
  return kErrorPathNotFound;
}

// Whole-file open file description lock, taken without waiting. The lock belongs to this
// open, not to the process, so two opens in one process exclude each other as on Windows.
uint32_t Lock(int fd, FileShare share, FileAccess access) {
  if (share == FileShare::ReadWrite) return 0;
  struct flock lock = {};
  // A read-only descriptor cannot hold a write lock; the shared lock is the nearest it gets.
  lock.l_type = share == FileShare::None && access != FileAccess::Read ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
  int error = errno;
  if (error == EAGAIN || error == EACCES) return kErrorSharingViolation;
  // File systems without such locks still open the file; only cooperating programs see the
  // locks anyway.
  if (error == EINVAL || error == ENOLCK || error == EOPNOTSUPP) return 0;
  return WindowsError(error);
}

class FdFile : public File {
 public:
  explicit FdFile(int fd) : fd_(fd) {}
  ~FdFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  uint32_t Read(char* buffer, size_t want, size_t* got) override {
    *got = 0;
    while (*got < want) {
      ssize_t n = ::read(fd_, buffer + *got, want - *got);
      if (n < 0) {
        if (errno == EINTR) continue;
        return WindowsError(errno);
      }
      if (n == 0) break;
      *got += static_cast<size_t>(n);
    }
    return 0;
  }

  uint32_t Write(const char* data, size_t size, size_t* written) override {
    *written = 0;
    while (*written < size) {
      ssize_t n = ::write(fd_, data + *written, size - *written);
      if (n < 0) {
        if (errno == EINTR) continue;
        return WindowsError(errno);
      }
      *written += static_cast<size_t>(n);
    }
    return 0;
  }

  uint32_t SeekToEnd() override { return ::lseek(fd_, 0, SEEK_END) < 0 ? WindowsError(errno) : 0; }

  uint32_t Size(uint64_t* size) override {
    struct stat info;
    if (::fstat(fd_, &info) != 0) return WindowsError(errno);
    *size = static_cast<uint64_t>(info.st_size);
    return 0;
  }

  uint32_t Close() override {
    int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close reports an error; never retry it.
    return ::close(fd) == 0 ? 0 : WindowsError(errno);
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  uint32_t Open(const std::string& path, FileAccess access, FileShare share, FileCreation creation,
                std::unique_ptr<File>* file) override {
    file->reset();
    // Write-only opens read too: the shared lock of read sharing needs a readable descriptor.
    int flags = (access == FileAccess::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    // Never O_TRUNC: the file is cut only after its lock is held, so a file that another
    // program holds keeps its content.
    if (creation == FileCreation::CreateAlways) flags |= O_CREAT;
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return errno == ENOENT ? NotFoundError(path) : WindowsError(errno);
    auto owner = std::make_unique<FdFile>(fd);
    struct stat info;
    if (::fstat(fd, &info) != 0) return WindowsError(errno);
    if (S_ISDIR(info.st_mode)) return kErrorAccessDenied;
    if (uint32_t code = Lock(fd, share, access)) return code;
    if (creation == FileCreation::CreateAlways && S_ISREG(info.st_mode) &&
        ::ftruncate(fd, 0) != 0) {
      return WindowsError(errno);
    }
    *file = std::move(owner);
    return 0;
  }

  bool Exists(const std::string& path) override {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewFileSystem() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace kelbrin::posix
