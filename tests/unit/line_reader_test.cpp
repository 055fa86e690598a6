#include "groups/line_reader.h"

#include <gtest/gtest.h>

#include "app/errors.h"
#include "fakes.h"

namespace kelbrin::test {
namespace {

const std::string kPath = "/news/file.txt";

std::vector<std::string> ReadAll(FakeFileSystem& files, size_t blockSize = kLineBlockSize) {
  LineReader reader(OpenForReading(files, kPath), blockSize);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(&line)) lines.emplace_back(line);
  reader.Close();
  return lines;
}

struct LineCase {
  std::string name;
  std::string content;
  std::vector<std::string> lines;
};

class LineRule : public ::testing::TestWithParam<LineCase> {};

// Every case runs with tiny blocks too, so that each line end also falls on a block boundary:
// block size 1 puts every CR LF pair across two reads.
TEST_P(LineRule, SplitsAtEveryBlockSize) {
  const LineCase& c = GetParam();
  for (size_t blockSize : {size_t{1}, size_t{2}, size_t{3}, size_t{5}, kLineBlockSize}) {
    SCOPED_TRACE("block size " + std::to_string(blockSize));
    FakeFileSystem files;
    files.Content(kPath) = c.content;
    EXPECT_EQ(ReadAll(files, blockSize), c.lines);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineRule,
    ::testing::Values(LineCase{"Empty", "", {}}, LineCase{"CrLf", "a\r\nbc\r\n", {"a", "bc"}},
                      LineCase{"LoneCr", "a\rb\r", {"a", "b"}},
                      LineCase{"NoFinalEnd", "a\r\nlast", {"a", "last"}},
                      LineCase{"OnlyLineEnd", "\r\n", {""}},
                      LineCase{"TwoEndsGiveEmptyLine", "a\r\n\r\nb", {"a", "", "b"}},
                      LineCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
                      LineCase{"LoneLfIsOrdinary", "a\nb\nc d\r\ne", {"a\nb\nc d", "e"}},
                      LineCase{"LfCrIsLfThenEnd", "a\n\r\nb", {"a\n", "b"}},
                      LineCase{"CrLfLf", "a\r\n\nb", {"a", "\nb"}},
                      LineCase{"NulIsOrdinary",
                               std::string("a\0b\r\n\0", 6),
                               {std::string("a\0b", 3), std::string(1, '\0')}},
                      LineCase{"CtrlZEndsFile", "a\r\nb\x1A\r\nc\r\n", {"a", "b"}},
                      LineCase{"CtrlZAfterLineEnd", "a\r\n\032b", {"a"}},
                      LineCase{"CtrlZAfterCr", "a\r\x1A\nb", {"a"}},
                      LineCase{"CtrlZFirst", "\032abc\r\n", {}},
                      LineCase{"HighBytesUnchanged", "\xE4\xF6\xFC\xDF\r\n", {"\xE4\xF6\xFC\xDF"}}),
    [](const auto& info) { return info.param.name; });

TEST(LineReader, LinesLongerThanABlock) {
  FakeFileSystem files;
  const std::string longLine(3 * kLineBlockSize + 17, 'x');
  // The CR of the first line lands at the end of a block and its LF at the start of the next.
  const std::string edge(kLineBlockSize - 1, 'y');
  files.Content(kPath) = edge + "\r\n" + longLine + "\r\n" + longLine;
  std::vector<std::string> lines = ReadAll(files);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], edge);
  EXPECT_EQ(lines[1], longLine);
  EXPECT_EQ(lines[2], longLine);
}

TEST(LineReader, ReadsInBlocksNotPerLine) {
  FakeFileSystem files;
  std::string content;
  for (int i = 0; i < 100000; ++i) content += "group.number" + std::to_string(i) + " text\r\n";
  files.Content(kPath) = content;
  EXPECT_EQ(ReadAll(files).size(), 100000u);
  // One open, one read per block, one read that finds the end, one close.
  const int blocks = static_cast<int>((content.size() + kLineBlockSize - 1) / kLineBlockSize);
  EXPECT_EQ(files.faults.count, blocks + 3);
}

TEST(LineReader, OpensSharedForReadingOnly) {
  FakeFileSystem files;
  files.Content(kPath) = "x";
  ReadAll(files);
  ASSERT_EQ(files.opens.size(), 1u);
  EXPECT_EQ(files.opens[0].access, FileAccess::Read);
  EXPECT_EQ(files.opens[0].share, FileShare::Read);
  EXPECT_EQ(files.opens[0].creation, FileCreation::OpenExisting);
}

TEST(LineReader, FailuresRaiseInOutError) {
  struct Case {
    std::string name;
    std::function<void(FakeFileSystem&)> arrange;
    std::string message;
  };
  std::vector<Case> cases = {
      {"missing", [](FakeFileSystem& f) { f.files.erase(kPath); }, "Datei nicht gefunden"},
      {"held for writing",
       [](FakeFileSystem& f) {
         f.files[kPath].heldShare = static_cast<int>(FileShare::Read);
         f.files[kPath].heldAccess = FileAccess::Write;
       },
       "E/A-Fehler 32"},
      {"open fails",
       [](FakeFileSystem& f) {
         f.faults = {1, kErrorAccessDenied};
       },
       "Dateizugriff verweigert"},
      // Operation 3 is the second block's read.
      {"read fails mid-file",
       [](FakeFileSystem& f) {
         f.faults = {3, 23};
       },
       "E/A-Fehler 23"},
      {"close fails",
       [](FakeFileSystem& f) {
         f.faults = {6, 6};
       },
       "E/A-Fehler 6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem files;
    files.Content(kPath) = std::string(2 * kLineBlockSize + 10, 'a');
    c.arrange(files);
    try {
      ReadAll(files);
      ADD_FAILURE() << "no error raised";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Kind(), "EInOutError");
      EXPECT_EQ(failure.Message(), c.message);
    }
  }
}

}  // namespace
}  // namespace kelbrin::test
