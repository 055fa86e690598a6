// Hostile input through the readers and through whole runs on the fakes: a line of 100 MB,
// binary garbage, NUL, 0x1A and lone CR bytes in every file, ten thousand servers, group names
// with bytes above 0x7F, and very long and non-ASCII paths. Each run either works or ends with
// its error, and nothing read is lost on the way to the list file and the article.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "app/date_format.h"
#include "app/run_driver.h"
#include "fakes.h"
#include "line_rule.h"
#include "groups/line_reader.h"
#include "platform/text.h"

namespace kelbrin::test {
namespace {

constexpr size_t kHundredMegabytes = 100u << 20;
const std::string kServerList = "/news/server.hst";
const std::string kServerDir = std::string("/news/server") + kPathSeparator;
const std::string kLog = "/opt/tools/kelbrin.log";
const std::string kList = "/opt/tools/kelbrin.lst";

std::string GroupFile(const std::string& dir, const std::string& server, const std::string& name) {
  return dir + server + kPathSeparator + name;
}

// The group names of a group file: non-empty lines, the first field dropped for newgrps.txt,
// then the text before the first space.
std::vector<std::string> GroupNames(const std::string& content, bool skipFirstField) {
  std::vector<std::string> names;
  for (std::string line : LinesByTheRule(content)) {
    if (line.empty()) continue;
    size_t space = line.find(' ');
    if (skipFirstField && space != std::string::npos) line.erase(0, space + 1);
    names.push_back(line.substr(0, line.find(' ')));
  }
  return names;
}

// The list file for names read in this order: ASCII case folded for order and duplicates, the
// first spelling kept, as the fake collator compares.
std::string ListText(const std::vector<std::string>& names) {
  std::map<std::string, std::string> unique;
  for (const std::string& name : names) {
    std::string key = name;
    for (char& c : key) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    unique.emplace(key, name);
  }
  std::string text;
  for (const auto& [key, name] : unique) text += name + "\r\n";
  return text;
}

// A whole run on the fakes with a news server below /news.
struct HostileRun {
  FakeWorld world;
  std::string serverDir = kServerDir;
  std::string logFile = kLog;
  std::string listFile = kList;

  HostileRun() {
    world.host.AnswerText("ControlGetServerPath", kServerDir);
    world.files.directories.insert(kServerDir.substr(0, kServerDir.size() - 1));
  }
  // The file and its directory; the tool's paths join "/" and the platform's separator.
  void AddFile(const std::string& path, std::string content) {
    world.files.directories.insert(path.substr(0, path.find_last_of("/\\")));
    world.files.Content(path) = std::move(content);
  }
  int Run(std::vector<std::string> arguments = {}) {
    world.process.arguments = std::move(arguments);
    return RunProgram(world.platform);
  }
  const std::string& List() { return world.files.Content(listFile); }
  // The posted article's body: what follows the "Generiert am " line and its empty line.
  std::string_view Body() {
    if (world.host.importArgs.size() != 1) return "(not posted)";
    std::string_view article = world.host.importArgs[0].at(0).text;
    size_t head = article.find("\r\n\r\nGeneriert am ");
    size_t body = article.find("\r\n\r\n", head + 4);
    return body == std::string::npos ? "(no body)" : article.substr(body + 4);
  }
  // Every log line carries the time stamp and ends with CR LF.
  bool LogIsWhole() {
    const std::string stamp = DateFormatter{}.TimeStamp(world.clock.local) + " ";
    const std::string& log = world.files.Content(logFile);
    for (size_t start = 0; start < log.size();) {
      size_t end = log.find("\r\n", start);
      if (end == std::string::npos || log.compare(start, stamp.size(), stamp) != 0 ||
          log.find('\r', start) != end) {
        return false;
      }
      start = end + 2;
    }
    return !log.empty();
  }
  size_t LogLines(const std::string& message) {
    size_t n = 0;
    for (const std::string& line : world.LogMessages(logFile)) n += line == message;
    return n;
  }
};

TEST(HostileInput, HundredMegabyteLineThroughTheLineReader) {
  for (const std::string& end : {std::string(), std::string("\r\nnext\r\n")}) {
    SCOPED_TRACE(end.empty() ? "alone" : "followed by a line");
    FakeFileSystem files;
    std::string content(kHundredMegabytes, 'x');
    content[kHundredMegabytes / 2] = '\n';  // a lone LF is part of the line
    content += end;
    files.Content("/news/big.txt") = content;
    LineReader reader(OpenForReading(files, "/news/big.txt"));
    std::string_view line;
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line.size(), kHundredMegabytes);
    EXPECT_TRUE(line == std::string_view(content).substr(0, kHundredMegabytes));
    if (!end.empty()) {
      ASSERT_TRUE(reader.Next(&line));
      EXPECT_EQ(line, "next");
    }
    EXPECT_FALSE(reader.Next(&line));
    reader.Close();
  }
}

// One line of 100 MB as a description and one as a group name: the short name is taken, and
// the long one reaches the list file and the article whole.
TEST(HostileInput, HundredMegabyteLinesInAWholeRun) {
  HostileRun r;
  r.AddFile(kServerList, "alpha,news.example\r\n");
  r.AddFile(GroupFile(kServerDir, "alpha", "groups.txt"),
            "de.big " + std::string(kHundredMegabytes, 'd') + "\r\nde.small\r\n");
  r.AddFile(GroupFile(kServerDir, "alpha", "newgrps.txt"),
            "1 z" + std::string(kHundredMegabytes - 1, 'n'));
  ASSERT_EQ(r.Run(), 0);
  // Checked piece by piece, so that the test holds no further copies of 100 MB.
  const std::string head = "de.big\r\nde.small\r\nz";
  const std::string& list = r.List();
  ASSERT_EQ(list.size(), head.size() + kHundredMegabytes + 1);
  EXPECT_EQ(list.compare(0, head.size(), head), 0);
  EXPECT_EQ(list.find_first_not_of('n', head.size()), list.size() - 2);
  EXPECT_EQ(list.compare(list.size() - 2, 2, "\r\n"), 0);
  EXPECT_TRUE(r.Body() == list);
  // The body is read back in blocks of 10000 bytes, each with its log line.
  EXPECT_EQ(r.LogLines("Block aus Gruppenliste lesen (10000 Bytes)"), list.size() / 10000);
  EXPECT_TRUE(r.LogIsWhole());
}

// Random bytes, with NUL, 0x1A, CR and LF among them, in the server list, the group files and
// the description list; some server lines name real servers.
TEST(HostileInput, BinaryGarbageInEveryFile) {
  std::mt19937 random(20241209);
  auto garbage = [&](size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
  };
  for (bool descList : {false, true}) {
    SCOPED_TRACE(descList ? "description list" : "server list");
    HostileRun r;
    std::string servers = garbage(3000);
    servers += "\r\nalpha,x\r\n" + garbage(500) + "\rbeta\r\n";
    // An 0x1A would end the server list before the real servers.
    for (char& c : servers) {
      if (c == '\x1A') c = 'Z';
    }
    r.AddFile(kServerList, servers);
    std::vector<std::string> names;
    for (const std::string& line : LinesByTheRule(servers)) {
      const std::string server = line.substr(0, line.find(','));
      if (server != "alpha" && server != "beta") continue;
      for (bool skip : {false, true}) {
        const std::string content = garbage(20000);
        r.AddFile(GroupFile(kServerDir, server, skip ? "newgrps.txt" : "groups.txt"), content);
        for (const std::string& name : GroupNames(content, skip)) names.push_back(name);
      }
    }
    ASSERT_FALSE(names.empty());
    const std::string descs = garbage(50000);
    if (descList) {
      r.AddFile(kServerDir + "alldescs.txt", descs);
      names = LinesByTheRule(descs);
    }
    r.world.host.AnswerText("ControlGetVersion", garbage(40));
    ASSERT_EQ(r.Run(descList ? std::vector<std::string>{"/desclist"} : std::vector<std::string>{}),
              0);
    EXPECT_TRUE(r.List() == ListText(names));
    EXPECT_TRUE(r.Body() == r.List());
    EXPECT_TRUE(r.LogIsWhole());
  }
}

// NUL, 0x1A and lone CR bytes, each where it does the most harm: inside server names and group
// names, ending a file early, and ending lines without an LF.
TEST(HostileInput, NulCtrlZAndLoneCrInEveryFile) {
  HostileRun r;
  using namespace std::string_literals;
  const std::string nulServer = "al\0pha"s;
  r.AddFile(kServerList, nulServer +
                             ",x\rbeta,y\r\n\x1A"
                             "gamma,z\r\n");
  r.AddFile(GroupFile(kServerDir, nulServer, "groups.txt"),
            "de.a\0b x\rde.c\r\r\n\0\r\nde.d\x1A"
            "de.e\r\n"s);
  r.AddFile(GroupFile(kServerDir, "beta", "newgrps.txt"), "1 de.\0f\r2 de.g"s);
  r.AddFile(GroupFile(kServerDir, "gamma", "groups.txt"), "de.after.eof\r\n");
  ASSERT_EQ(r.Run(), 0);
  const std::string list = "\0\r\nde.\0f\r\nde.a\0b\r\nde.c\r\nde.d\r\nde.g\r\n"s;
  EXPECT_EQ(r.List(), list);
  EXPECT_EQ(r.Body(), list);
  EXPECT_EQ(r.LogLines("aktueller Server: " + nulServer + ",x"), 1u);
  EXPECT_EQ(r.LogLines("aktueller Server: beta,y"), 1u);
  EXPECT_EQ(r.LogLines("aktueller Server: gamma,z"), 0u);
  EXPECT_TRUE(r.LogIsWhole());
}

TEST(HostileInput, TenThousandServers) {
  HostileRun r;
  std::string servers;
  std::vector<std::string> names;
  for (int i = 0; i < 10000; ++i) {
    const std::string server = "srv" + std::to_string(i);
    servers += server + ",news" + std::to_string(i) + ".example\r\n";
    // Every third server has no group files; every one that has them carries a shared group.
    if (i % 3 == 0) continue;
    r.AddFile(GroupFile(kServerDir, server, "groups.txt"),
              server + ".own Own group\r\nshared.all Shared\r\n");
    names.push_back(server + ".own");
    names.push_back("shared.all");
  }
  r.AddFile(kServerList, servers);
  ASSERT_EQ(r.Run(), 0);
  EXPECT_TRUE(r.List() == ListText(names));
  EXPECT_TRUE(r.Body() == r.List());
  EXPECT_EQ(r.world.files.existsQueries.size(), 1u + 2 * 10000);
  EXPECT_EQ(r.LogLines(Ansi("  Schließen")), 6666u);
  EXPECT_TRUE(r.LogIsWhole());
  // Every server list line is logged, and the list is closed after the last one.
  std::vector<std::string> log = r.world.LogMessages();
  EXPECT_EQ(
      std::count_if(log.begin(), log.end(),
                    [](const std::string& l) { return l.rfind("aktueller Server: ", 0) == 0; }),
      10000);
  EXPECT_EQ(r.LogLines(Ansi("Serverliste schließen")), 1u);
}

TEST(HostileInput, TenThousandServersWithoutGroupFiles) {
  HostileRun r;
  std::string servers;
  for (int i = 0; i < 10000; ++i) servers += "srv" + std::to_string(i) + ",x\r\n";
  r.AddFile(kServerList, servers);
  r.world.files.Content(kList) = "earlier list\r\n";
  ASSERT_EQ(r.Run(), 0);
  EXPECT_EQ(r.List(), "earlier list\r\n");
  EXPECT_EQ(r.world.host.importArgs.size(), 0u);
  EXPECT_EQ(r.LogLines("Keine Gruppen gefunden"), 1u);
}

// Every byte from 0x80 to 0xFF in group names: they keep their bytes, sort by them, and reach
// the list file and the article unchanged.
TEST(HostileInput, GroupNamesWithBytesAboveAscii) {
  HostileRun r;
  std::string groups, newGroups;
  std::vector<std::string> names;
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string name = "de." + std::string(1, static_cast<char>(b)) + "\xE4\xF6\xFC";
    (b % 2 ? groups : newGroups) += (b % 2 ? "" : "1 ") + name + " Beschreibung \xDF\r\n";
    names.push_back(name);
  }
  r.AddFile(kServerList, "\xC4rger,news.example\r\n");
  r.AddFile(GroupFile(kServerDir, "\xC4rger", "groups.txt"), groups);
  r.AddFile(GroupFile(kServerDir, "\xC4rger", "newgrps.txt"), newGroups);
  ASSERT_EQ(r.Run({"/g=De.\xC4\xD6\xDC"}), 0);
  EXPECT_EQ(r.List(), ListText(names));
  EXPECT_EQ(r.Body(), r.List());
  // Only ASCII letters are lowered in the target group.
  EXPECT_EQ(r.world.host.importArgs.at(0).at(1).text, "de.\xC4\xD6\xDC");
  EXPECT_EQ(r.LogLines("aktueller Server: \xC4rger,news.example"), 1u);
}

// A program directory and a news server directory with thousands of bytes in their paths,
// many of them above 0x7F and UTF-8 alike: the log and the list file are named after the
// program, and every file below the news server is found.
TEST(HostileInput, VeryLongAndNonAsciiPaths) {
  std::string deep = "/";
  while (deep.size() < 5000)
    deep += std::string("Verzeichnis \xE4\xF6\xFC \xC3\xA4") + kPathSeparator;
  HostileRun r;
  r.world.process.executablePath = deep + "kelbrin.\xE9xe";
  r.logFile = deep + "kelbrin.log";
  r.listFile = deep + "kelbrin.lst";
  r.world.files.directories.insert(deep.substr(0, deep.size() - 1));
  const std::string hostDir = deep + "Nachrichten\xDF" + kPathSeparator;
  const std::string serverDir = hostDir + "Server \xC3\xBC" + kPathSeparator;
  r.world.host.AnswerText("ControlGetPath", hostDir);
  r.world.host.AnswerText("ControlGetServerPath", serverDir);
  r.AddFile(hostDir + "server.hst",
            "\xFC"
            "bel,x\r\n");
  r.AddFile(GroupFile(serverDir,
                      "\xFC"
                      "bel",
                      "groups.txt"),
            "de.lang\r\n");
  ASSERT_EQ(r.Run(), 0);
  EXPECT_EQ(r.List(), "de.lang\r\n");
  EXPECT_EQ(r.Body(), "de.lang\r\n");
  EXPECT_EQ(r.LogLines("Liste in " + r.listFile + " speichern"), 1u);
  EXPECT_EQ(r.LogLines(" Serverpfad: " + serverDir), 1u);
  EXPECT_TRUE(r.LogIsWhole());
  EXPECT_NE(r.world.console.output.find("Gruppenliste in " + r.listFile + " speichern\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kelbrin::test
