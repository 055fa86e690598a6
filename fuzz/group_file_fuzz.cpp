// A group file of any bytes read into the group list: the list must hold exactly the group
// names that the line rule and the field cuts give, sorted and free of duplicates, and the
// console must show one dot per started thousand of non-empty lines.
#include <cstdint>
#include <map>

#include "fakes.h"
#include "fuzz_support.h"
#include "groups/group_sources.h"

namespace {

// The group name of a line: with `skipFirstField`, the text after the first space (the whole
// line without one); then the text before the first space.
std::string Cut(std::string line, bool skipFirstField) {
  if (skipFirstField) {
    size_t space = line.find(' ');
    if (space != std::string::npos) line = line.substr(space + 1);
  }
  return line.substr(0, line.find(' '));
}

}  // namespace

// Input: one byte whose lowest bit chooses the new-groups cut, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelbrin;
  if (size < 1) return 0;
  const bool skipFirstField = data[0] & 1;
  const std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string file = "/news/server/alpha/groups.txt";

  test::FakeWorld world;
  world.files.Content(file) = content;
  world.files.Content("/opt/tools/kelbrin.log");
  Run run(world.platform);
  run.logFileName = "/opt/tools/kelbrin.log";
  run.groupList = std::make_unique<GroupList>(world.collator);
  ReadGroupFile(run, file, skipFirstField);

  // Of names equal but for ASCII case, the first spelling read stays.
  std::map<std::string, std::string> expected;
  size_t taken = 0;
  for (const std::string& line : fuzz::LinesByTheRule(content)) {
    if (line.empty()) continue;
    ++taken;
    std::string name = Cut(line, skipFirstField);
    expected.emplace(fuzz::FoldAscii(name), name);
  }
  const std::vector<std::string_view> entries = run.groupList->Sorted();
  FUZZ_CHECK(entries.size() == expected.size());
  size_t i = 0;
  for (const auto& [key, name] : expected) FUZZ_CHECK(entries[i++] == name);
  for (size_t k = 1; k < entries.size(); ++k) {
    FUZZ_CHECK(world.collator.Compare(entries[k - 1], entries[k]) < 0);
  }
  FUZZ_CHECK(world.console.output ==
             "Lesen von " + file + std::string((taken + 999) / 1000, '.') + "\r\n");
  return 0;
}
