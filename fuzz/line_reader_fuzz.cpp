// The line reader over any bytes: whatever the block size, and wherever a line end falls
// across two reads, it must give the lines of the plain rule; a failed read must end in the
// text layer's error, never in a crash.
#include <cstdint>

#include "app/errors.h"
#include "fakes.h"
#include "fuzz_support.h"
#include "groups/line_reader.h"

namespace kelbrin::fuzz {
namespace {

const std::string kPath = "/news/groups.txt";

// The reader's lines, or nothing when a read fails; `failRead` is the read to fail, 0 none.
std::vector<std::string> ReadLines(const std::string& content, size_t blockSize, int failRead,
                                   bool* failed) {
  test::FakeFileSystem files;
  files.Content(kPath) = content;
  *failed = false;
  std::vector<std::string> lines;
  try {
    LineReader reader(OpenForReading(files, kPath), blockSize);
    // The open is operation 1, so read N is operation N + 1.
    if (failRead > 0) files.faults = {failRead + 1, kErrorSharingViolation};
    std::string_view line;
    while (reader.Next(&line)) lines.emplace_back(line);
    reader.Close();
  } catch (const Failure& failure) {
    FUZZ_CHECK(failure.Kind() == "EInOutError");
    FUZZ_CHECK(failure.Message() == "E/A-Fehler 32");
    *failed = true;
  }
  return lines;
}

}  // namespace
}  // namespace kelbrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelbrin::fuzz;
  if (size < 2) return 0;
  // Small blocks put line ends, and CR LF pairs, across reads.
  const size_t blockSize = 1 + data[0] % 16;
  const int failRead = data[1] % 8;  // 0: no failure
  const std::string content(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::vector<std::string> expected = LinesByTheRule(content);
  bool failed = false;
  FUZZ_CHECK(ReadLines(content, kelbrin::kLineBlockSize, 0, &failed) == expected && !failed);
  std::vector<std::string> lines = ReadLines(content, blockSize, failRead, &failed);
  if (!failed) {
    FUZZ_CHECK(lines == expected);
  } else {
    // Whatever came before the failed read is a true beginning of the file's lines.
    FUZZ_CHECK(lines.size() <= expected.size());
    for (size_t i = 0; i + 1 < lines.size(); ++i) FUZZ_CHECK(lines[i] == expected[i]);
  }
  return 0;
}
