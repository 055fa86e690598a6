#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kelbrin {

// Large enough that a group file of some megabytes costs a few dozen reads.
constexpr size_t kLineBlockSize = 64 * 1024;

// Opens a news server text file for reading while others may read it too; raises EInOutError
// with the system code when that fails.
std::unique_ptr<File> OpenForReading(FileSystem& files, const std::string& path);

// Splits a file into lines the way the news server writes them: CR ends a line, an LF right
// after it belongs to that end, a lone LF is an ordinary byte, and 0x1A ends the file.
class LineReader {
 public:
  explicit LineReader(std::unique_ptr<File> file, size_t blockSize = kLineBlockSize);

  // The next line, valid until the next call; false at the end of the file.
  // A failed read raises EInOutError.
  bool Next(std::string_view* line);
  // Closes the file; a failed close raises EInOutError.
  void Close();

 private:
  // Reads the next block; false once the file, or its 0x1A, has been reached.
  bool Fill();

  std::unique_ptr<File> file_;
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool atEnd_ = false;
  // A CR closed the previous line; an LF that follows it, in this block or the next, is skipped.
  bool afterCr_ = false;
  // The start of a line that runs across blocks.
  std::string assembled_;
};

}  // namespace kelbrin
