// The command-line splitter and the switches over any command line: words are never empty and
// hold no quote, quoting them again gives them back, and the target group is in lower case.
#include <cstdint>

#include "app/run_driver.h"
#include "fakes.h"
#include "fuzz_support.h"
#include "platform/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelbrin;
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = SplitCommandLine(line);
  size_t bytes = 0;
  std::string quoted;
  for (const std::string& word : words) {
    FUZZ_CHECK(!word.empty());
    FUZZ_CHECK(word.find('"') == std::string::npos);
    bytes += word.size();
    quoted += " \"" + word + "\"";
  }
  FUZZ_CHECK(bytes <= line.size());
  FUZZ_CHECK(SplitCommandLine(quoted) == words);

  test::FakeWorld world;
  Run run(world.platform);
  std::vector<std::string> arguments(words.begin() + (words.empty() ? 0 : 1), words.end());
  ReadCommandLine(run, arguments);
  for (char c : run.targetGroup) FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
  return 0;
}
