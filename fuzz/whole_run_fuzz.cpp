// Whole runs against a fake news server built from the input: its server list, version,
// settings file, description list and group files, the switches, the host's answers, and
// sometimes one failing operation. Every run must end with exit code 0 or with the report and
// exit code 1, leave a log of whole lines, and, when it saved a list, a sorted one that the
// article carries byte for byte; without a failure, the list must hold what the files give.
#include <cstdint>
#include <map>

#include "app/date_format.h"
#include "app/run_driver.h"
#include "fakes.h"
#include "fuzz_support.h"
#include "platform/ini_text.h"
#include "platform/text.h"

namespace kelbrin::fuzz {
namespace {

const std::string kLog = "/opt/tools/kelbrin.log";
const std::string kList = "/opt/tools/kelbrin.lst";
// Without a final line end, so that no list the tool writes can look like it.
const std::string kOldList = "old.group";
const std::string kServerDir = std::string("/news/server") + kPathSeparator;
const std::vector<std::string> kServers = {"a", "b", "c"};

// The settings file read with the tool's own text rules, from the fake file system.
class FileBackedIni : public IniReader {
 public:
  explicit FileBackedIni(test::FakeFileSystem& files) : files_(files) {}
  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& fallback) override {
    auto it = files_.files.find(file);
    std::optional<std::string> value;
    if (it != files_.files.end()) value = FindIniValue(it->second.content, section, key);
    return (value ? *value : fallback).substr(0, 2047);
  }

 private:
  test::FakeFileSystem& files_;
};

enum Flags : uint8_t {
  kDescListSwitch = 1,
  kNoLog = 2,
  kNoPost = 4,
  kServerPathFails = 8,
  kRefuse = 16,
  kGroupGiven = 32,
  kInjectFault = 64,
};

// The group names that the files give, by the line rule and the field cuts, in reading order.
std::vector<std::string> ExpectedGroups(const std::map<std::string, std::string>& files,
                                        bool descList) {
  std::vector<std::string> groups;
  auto lines = [&](const std::string& path) {
    auto it = files.find(path);
    return it == files.end() ? std::vector<std::string>{} : LinesByTheRule(it->second);
  };
  if (descList && files.count(kServerDir + "alldescs.txt"))
    return lines(kServerDir + "alldescs.txt");
  for (const std::string& server : lines("/news/server.hst")) {
    const std::string name = server.substr(0, server.find(','));
    for (bool skip : {false, true}) {
      for (std::string line :
           lines(kServerDir + name + kPathSeparator + (skip ? "newgrps.txt" : "groups.txt"))) {
        if (line.empty()) continue;
        if (skip && line.find(' ') != std::string::npos) line = line.substr(line.find(' ') + 1);
        groups.push_back(line.substr(0, line.find(' ')));
      }
    }
  }
  return groups;
}

std::string ListOf(const std::vector<std::string>& groups) {
  std::map<std::string, std::string> unique;  // folded name -> first spelling
  for (const std::string& g : groups) unique.emplace(FoldAscii(g), g);
  std::string text;
  for (const auto& [key, name] : unique) text += name + "\r\n";
  return text;
}

}  // namespace
}  // namespace kelbrin::fuzz

// Input: a flags byte, a fault byte, then the pieces, separated by "@@\n": the server list,
// the version, the settings file, the description list, and the group files of the servers
// a, b and c (groups.txt, then newgrps.txt of each). A piece that is not there is a missing
// file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelbrin;
  using namespace kelbrin::fuzz;
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const uint8_t fault = data[1];
  std::vector<std::string> pieces =
      Split(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2), "@@\n", 10);

  test::FakeWorld world;
  FileBackedIni ini(world.files);
  world.platform.ini = &ini;
  std::map<std::string, std::string> files;
  std::vector<std::string> paths = {"/news/server.hst", "", "/news/tolvane.ini",
                                    kServerDir + "alldescs.txt"};
  for (const std::string& server : kServers) {
    paths.push_back(kServerDir + server + kPathSeparator + "groups.txt");
    paths.push_back(kServerDir + server + kPathSeparator + "newgrps.txt");
    world.files.directories.insert(kServerDir + server);
  }
  for (size_t i = 0; i < pieces.size() && i < paths.size(); ++i) {
    if (!paths[i].empty()) files[paths[i]] = pieces[i];
  }
  for (const auto& [path, content] : files) world.files.Content(path) = content;
  world.files.Content(kList) = kOldList;
  world.host.AnswerText("ControlGetServerPath", kServerDir);
  world.host.AnswerText("ControlGetVersion", pieces.size() > 1 ? pieces[1] : "");
  if (flags & kServerPathFails) world.host.Throw("ControlGetServerPath", "no directory");
  if (flags & kRefuse) world.host.Answer("NewsImport", Variant::Bool(false));
  if (flags & kDescListSwitch) world.process.arguments.push_back("/desclist");
  if (flags & kNoLog) world.process.arguments.push_back("/nolog");
  if (flags & kNoPost) world.process.arguments.push_back("/nopost");
  if (flags & kGroupGiven) world.process.arguments.push_back("/g=Fuzz.Group");
  if (flags & kInjectFault) {
    test::FaultPlan* plans[] = {&world.console.faults, &world.files.faults,
                                &world.files.existsFaults, &world.host.faults};
    test::FaultPlan* plan = plans[fault % 4];
    plan->failAt = 1 + fault / 4;
    plan->code = plan == &world.host.faults ? static_cast<uint32_t>(kStatusFail) : 5;
  }

  const int exitCode = RunProgram(world.platform);
  const std::string& console = world.console.output;
  FUZZ_CHECK(exitCode == 0 || exitCode == 1);
  if (exitCode == 1) {
    FUZZ_CHECK(console.find("Exception E") != std::string::npos);
    FUZZ_CHECK(console.size() >= 3 && console.compare(console.size() - 3, 3, ".\r\n") == 0);
  } else {
    FUZZ_CHECK(console.find("Exception") == std::string::npos);
  }
  // Without an injected failure nothing in the files can make the run fail.
  if (!(flags & kInjectFault)) FUZZ_CHECK(exitCode == 0);

  // Every log line carries its time stamp and ends with CR LF.
  const std::string stamp = DateFormatter{}.TimeStamp(world.clock.local) + " ";
  if (world.files.files.count(kLog)) {
    const std::string& log = world.files.Content(kLog);
    for (size_t start = 0; start < log.size();) {
      size_t end = log.find("\r\n", start);
      FUZZ_CHECK(end != std::string::npos);
      FUZZ_CHECK(log.compare(start, stamp.size(), stamp) == 0);
      FUZZ_CHECK(log.find('\r', start) == end);
      start = end + 2;
    }
  } else {
    FUZZ_CHECK((flags & kNoLog) || exitCode == 1);
  }

  // The list file: the earlier one, one cut short by the failure, or a whole sorted list.
  const std::string& list = world.files.Content(kList);
  const bool saved = list != kOldList && !list.empty();
  if (saved) {
    FUZZ_CHECK(list.size() >= 2 && list.compare(list.size() - 2, 2, "\r\n") == 0);
    FUZZ_CHECK(list == ListOf(LinesByTheRule(list)));
  }
  if (exitCode == 0 && !(flags & kInjectFault) && !(flags & kServerPathFails)) {
    const std::string expected = ListOf(ExpectedGroups(files, flags & kDescListSwitch));
    FUZZ_CHECK(list == (expected.empty() ? kOldList : expected));
  }
  // What was posted is the list file, byte for byte, behind the head.
  if (!world.host.importArgs.empty()) {
    const std::string& article = world.host.importArgs[0].at(0).text;
    FUZZ_CHECK(saved);
    FUZZ_CHECK(article.size() >= list.size() &&
               article.compare(article.size() - list.size(), list.size(), list) == 0);
  }
  return 0;
}
