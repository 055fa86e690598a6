#include "groups/line_reader.h"

#include <cstring>

#include "app/errors.h"

namespace kelbrin {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEndOfFile = '\x1A';

}  // namespace

std::unique_ptr<File> OpenForReading(FileSystem& files, const std::string& path) {
  std::unique_ptr<File> file;
  if (uint32_t code =
          files.Open(path, FileAccess::Read, FileShare::Read, FileCreation::OpenExisting, &file)) {
    RaiseInOutError(code);
  }
  return file;
}

LineReader::LineReader(std::unique_ptr<File> file, size_t blockSize)
    : file_(std::move(file)), buffer_(blockSize == 0 ? 1 : blockSize) {}

bool LineReader::Fill() {
  pos_ = end_ = 0;
  if (atEnd_) return false;
  size_t got = 0;
  if (uint32_t code = file_->Read(buffer_.data(), buffer_.size(), &got)) RaiseInOutError(code);
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  // Nothing behind a 0x1A counts, so the block is cut there and no further block is read.
  if (const void* eof = std::memchr(buffer_.data(), kEndOfFile, got)) {
    got = static_cast<size_t>(static_cast<const char*>(eof) - buffer_.data());
    atEnd_ = true;
  }
  end_ = got;
  return end_ > 0;
}

bool LineReader::Next(std::string_view* line) {
  assembled_.clear();
  for (;;) {
    if (pos_ == end_ && !Fill()) {
      // The last line needs no line end, but a final line end makes no empty line.
      if (assembled_.empty()) return false;
      *line = assembled_;
      return true;
    }
    if (afterCr_) {
      afterCr_ = false;
      if (buffer_[pos_] == kLf) {
        ++pos_;
        continue;
      }
    }
    const char* start = buffer_.data() + pos_;
    const size_t available = end_ - pos_;
    const void* cr = std::memchr(start, kCr, available);
    if (cr == nullptr) {
      assembled_.append(start, available);
      pos_ = end_;
      continue;
    }
    const size_t length = static_cast<size_t>(static_cast<const char*>(cr) - start);
    pos_ += length + 1;
    afterCr_ = true;
    if (assembled_.empty()) {
      *line = std::string_view(start, length);
    } else {
      assembled_.append(start, length);
      *line = assembled_;
    }
    return true;
  }
}

void LineReader::Close() {
  uint32_t code = file_->Close();
  if (code != 0) RaiseInOutError(code);
}

}  // namespace kelbrin
