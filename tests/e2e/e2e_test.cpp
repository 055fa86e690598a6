// End-to-end scenarios: the tool, built natively or for Windows (run under Wine), against the
// reference host and a news server directory made per scenario.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "sandbox.h"

namespace kelbrin::e2e {
namespace {

const std::string kBanner =
    "Tolvane-Gesamtgruppenliste generieren - Version 1.04 von Weltrapp\r\n\r\n";
const std::string kSummary = "Log: Ja, alldescs.txt: Nein, Posten: Ja";
const std::string kStart = "Start Tolvane-Gesamtgruppenliste generieren - Version 1.04 von Weltrapp";

// Two upstream servers; de.test is carried by both, in two spellings.
std::map<std::string, std::string> TwoServers() {
  return {
      {"news/server.hst", "alpha,119,x\r\nbeta,119,y\r\n"},
      {"news/server/alpha/groups.txt", "de.test Test group\r\nalt.misc Misc\r\n"},
      {"news/server/alpha/newgrps.txt", "x de.new more\r\n"},
      {"news/server/beta/groups.txt", "DE.Test other\r\nbeta.only\r\n"},
  };
}
const std::string kTwoServersList = "alt.misc\r\nbeta.only\r\nde.new\r\nde.test\r\n";

std::vector<std::string> ReadServer(const std::string& name, const std::string& file) {
  return {"Lesen von {NEWS}server{SEP}" + name + "{SEP}" + file, "  Öffnen", "  Lesen",
          "  Schließen"};
}

std::vector<std::string> TwoServersLog() {
  std::vector<std::string> log = {"Serverliste suchen", "Serverliste öffnen",
                                  "aktueller Server: alpha,119,x"};
  for (auto part : {ReadServer("alpha", "groups.txt"), ReadServer("alpha", "newgrps.txt")}) {
    log.insert(log.end(), part.begin(), part.end());
  }
  log.push_back("aktueller Server: beta,119,y");
  auto beta = ReadServer("beta", "groups.txt");
  log.insert(log.end(), beta.begin(), beta.end());
  log.push_back("Serverliste schließen");
  return log;
}

std::string TwoServersOut() {
  return "Lesen von {NEWS}server{SEP}alpha{SEP}groups.txt.\r\n"
         "Lesen von {NEWS}server{SEP}alpha{SEP}newgrps.txt.\r\n"
         "Lesen von {NEWS}server{SEP}beta{SEP}groups.txt.\r\n";
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<std::string> PostingLog(const std::vector<size_t>& blocks) {
  std::vector<std::string> log = {"GMT-Zeit ermitteln", "Header erzeugen", "Gruppenliste öffnen"};
  for (size_t b : blocks) log.push_back("Block aus Gruppenliste lesen (" + std::to_string(b) + " Bytes)");
  log.push_back("Gruppenliste schließen");
  log.push_back("Gruppenliste posten");
  return log;
}

const std::vector<std::string> kClosing = {"Speicher der Gruppenliste freigeben", "Programmende"};

std::vector<std::string> HeadLog() {
  return {kStart, "Tolvanepfad ermitteln", " Serverpfad: {NEWS}server{SEP}"};
}

// The typical run's whole log around a given middle part.
std::vector<std::string> FullLog(std::vector<std::string> middle) {
  return Concat({HeadLog(), std::move(middle), kClosing});
}

struct Scenario {
  std::string name;
  std::vector<std::string> args;
  std::map<std::string, std::string> files = TwoServers();
  std::map<std::string, std::string> host;  // [Host] entries of the reference host
  std::string hostSections;                 // further sections of its configuration
  std::function<void(Sandbox&)> arrange;
  bool unprivileged = false;
  bool unregistered = false;

  int exitCode = 0;
  std::string out;                                // after the banner
  std::optional<std::vector<std::string>> log;    // messages; nullopt: log must not exist
  std::optional<std::string> oldLogKept;          // a log written before must keep this
  std::optional<std::string> list;                // list file bytes; nullopt: no list file
  std::optional<std::string> article;             // the body after the header; nullopt: none
  std::string group = "tolvane.misc";
  std::function<void(Sandbox&, const RunResult&)> check;
};

void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

std::string Usage() {
  return "Aufruf: kelbrin [/nopost] [/nolog] | /?\r\n"
         "        /nopost   : Liste wird nur erstellt, aber nicht gepostet\r\n"
         "        /nolog    : Log wird nicht erstellt\r\n"
         "        /desclist : falls vorhanden, wird alldescs.txt verarbeitet\r\n"
         "        /?        : Hilfe anzeigen\r\n";
}

std::string TypicalOut(const std::string& summaryTail = " (Defaultgruppe: tolvane.misc)",
                       const std::string& group = "tolvane.misc") {
  return kSummary + summaryTail + "\r\n\r\n" + TwoServersOut() +
         "Gruppenliste in {LST} speichern\r\nGruppenliste nach " + group + " posten\r\n";
}

std::vector<std::string> TypicalLog(size_t listBytes = kTwoServersList.size()) {
  return FullLog(Concat({TwoServersLog(), {"Liste in {LST} speichern"}, PostingLog({listBytes})}));
}

std::string ManyLines(int count, const std::function<std::string(int)>& line) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line(i) + "\r\n";
  return text;
}

std::string Numbered(int i) {
  char b[32];
  std::snprintf(b, sizeof b, "g.%06d", i);
  return b;
}

// The reference host's registration comes and goes through regsvr32 under Wine.
void WineRegistration(bool on) {
  const Target& target = Target::Get();
  std::string command = "WINEDEBUG=-all WINEPREFIX='" + target.winePrefix + "' wine64 regsvr32 /s " +
                        (on ? "" : "/u ") + "'" + target.hostDll + "' >/dev/null 2>&1 </dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> s;
  // --- the run spine -------------------------------------------------------------------
  s.push_back({.name = "TypicalRun", .out = TypicalOut(), .log = TypicalLog(),
               .list = kTwoServersList, .article = kTwoServersList,
               .check = [](Sandbox& box, const RunResult&) {
                 std::vector<std::string> journal = Lines(box.Read("journal.txt"));
                 std::vector<std::string> expected = {
                     "lookup ControlGetVersion", "invoke ControlGetVersion",
                     "lookup ControlGetPath", "invoke ControlGetPath"};
                 for (int i = 0; i < 5; ++i) {
                   expected.push_back("lookup ControlGetServerPath");
                   expected.push_back("invoke ControlGetServerPath");
                 }
                 expected.push_back("lookup NewsImport");
                 expected.push_back("invoke NewsImport text& text& bool:false bool:false");
                 EXPECT_EQ(journal, expected);
               }});
  for (auto args : {std::vector<std::string>{"/?"}, {"-?"}, {"/nolog", "/?"}, {"/?", "/nolog"}}) {
    s.push_back({.name = "Help" + std::to_string(s.size()), .args = args,
                 .arrange = [](Sandbox& box) { box.Write("kelbrin.log", "old\r\n"); },
                 .exitCode = 1, .out = Usage(), .oldLogKept = "old\r\n",
                 .check = [](Sandbox& box, const RunResult&) {
                   EXPECT_FALSE(box.Exists("journal.txt")) << "the host was called";
                 }});
  }
  s.push_back({.name = "HostNotRegistered",
               .arrange = [](Sandbox& box) { box.Write("kelbrin.log", "old\r\n"); },
               .unregistered = true, .exitCode = 1, .oldLogKept = "old\r\n",
               .check = [](Sandbox& box, const RunResult& r) {
                 std::string out = MaskAddress(r.out.substr(kBanner.size()));
                 EXPECT_EQ(out.rfind(box.Expand("Exception EOleSysError in Modul {EXE} bei XXXXXXXX.\n"), 0), 0u)
                     << out;
                 EXPECT_EQ(out.substr(out.size() - 3), ".\r\n");
               }});
  s.push_back({.name = "NoPostNoLog", .args = {"/nopost", "/nolog"},
               .out = "Log: Nein, alldescs.txt: Nein, Posten: Nein\r\n\r\n" + TwoServersOut() +
                      "Gruppenliste in {LST} speichern\r\n",
               .list = kTwoServersList,
               .check = [](Sandbox& box, const RunResult&) {
                 EXPECT_EQ(box.Read("journal.txt").find("ControlGetVersion"), std::string::npos);
               }});
  s.push_back({.name = "NoLogKeepsOldLog", .args = {"/NOLOG"},
               .arrange = [](Sandbox& box) { box.Write("kelbrin.log", "old\r\n"); },
               .out = "Log: Nein, alldescs.txt: Nein, Posten: Ja (Defaultgruppe: tolvane.misc)\r\n\r\n" +
                      TwoServersOut() + "Gruppenliste in {LST} speichern\r\n" +
                      "Gruppenliste nach tolvane.misc posten\r\n",
               .oldLogKept = "old\r\n", .list = kTwoServersList, .article = kTwoServersList});
  s.push_back({.name = "OldLogEmptied",
               .arrange = [](Sandbox& box) { box.Write("kelbrin.log", "lines of an earlier run\r\n"); },
               .out = TypicalOut(), .log = TypicalLog(), .list = kTwoServersList,
               .article = kTwoServersList});
  s.push_back({.name = "DashNopostIgnored", .args = {"-nopost", "/G="},
               .out = TypicalOut(), .log = TypicalLog(), .list = kTwoServersList,
               .article = kTwoServersList});
  s.push_back({.name = "GroupFromCommandLine", .args = {"/g=Alt.Test"},
               .out = TypicalOut(" (Gruppe: alt.test)", "alt.test"), .log = TypicalLog(),
               .list = kTwoServersList, .article = kTwoServersList, .group = "alt.test"});
  s.push_back({.name = "LaterGroupWins", .args = {"/G=first", "/g=Second.One"},
               .out = TypicalOut(" (Gruppe: second.one)", "second.one"), .log = TypicalLog(),
               .list = kTwoServersList, .article = kTwoServersList, .group = "second.one"});
  s.push_back({.name = "GroupWithNoPost", .args = {"/g=x.y", "/nopost"},
               .out = "Log: Ja, alldescs.txt: Nein, Posten: Nein\r\n\r\n" + TwoServersOut() +
                      "Gruppenliste in {LST} speichern\r\n",
               .log = FullLog(Concat({TwoServersLog(), {"Liste in {LST} speichern"}})),
               .list = kTwoServersList});
  s.push_back({.name = "ReadOnlyLog",
               .arrange = [](Sandbox& box) { box.Write("kelbrin.log", "old\r\n"); },
               .unprivileged = true,
               .exitCode = 1,
               .out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\n" +
                      "Exception EInOutError in Modul {EXE} bei XXXXXXXX.\nDateizugriff verweigert.\r\n",
               .oldLogKept = "old\r\n"});
  s.push_back({.name = "EmptyGroupList", .files = {{"news/server.hst", ""}},
               .out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\nKeine Gruppen gefunden\r\n",
               .log = FullLog({"Serverliste suchen", "Serverliste öffnen", "Serverliste schließen",
                               "Keine Gruppen gefunden"})});
  // --- server directory and default group -----------------------------------------------
  struct GroupCase {
    std::string name, version, ini, group;
  };
  for (const GroupCase& g : std::vector<GroupCase>{
           {"OldHostVersion", "1.3.18.0", "[Setup]\r\ninternalgroup.statistics=local.stats\r\n", "tolvane.misc"},
           {"NewHostStatistics", "1.3.19.0",
            "[Setup]\r\ninternalgroup.statistics=Local.Stats\r\ninternalgroup.default=local.default\r\n",
            "Local.Stats"},
           {"NewHostDefaultOnly", "2.0.0.0",
            "[Setup]\r\ninternalgroup.statistics=\r\ninternalgroup.default=local.default\r\n", "local.default"},
           {"NewHostNeither", "1.4.0.1", "[Setup]\r\nother=1\r\n", "internal.misc"},
           {"NewHostNoSettings", "1.3.19.0", "", "internal.misc"}}) {
    Scenario c{.name = "DefaultGroup" + g.name, .host = {{"Version", g.version}},
               .out = TypicalOut(" (Defaultgruppe: " + g.group + ")", g.group), .log = TypicalLog(),
               .list = kTwoServersList, .article = kTwoServersList, .group = g.group};
    if (!g.ini.empty()) c.files["news/tolvane.ini"] = g.ini;
    s.push_back(c);
  }
  {
    Scenario c{.name = "ServerPathFallback",
               .host = {{"ServerPath", "{DIR}elsewhere"}},
               .hostSections = "[Failures]\r\nControlGetServerPath=status:80004005\r\n",
               .out = TypicalOut(), .log = TypicalLog(), .list = kTwoServersList,
               .article = kTwoServersList};
    c.files["news/tolvane.ini"] = "[Directories]\r\nServer={NEWS}server\r\n";
    c.check = [](Sandbox& box, const RunResult&) {
      std::string journal = box.Read("journal.txt");
      // Per use: the failing call, then controlgetpath for the settings file and the default.
      EXPECT_NE(journal.find("invoke ControlGetServerPath\nlookup controlgetpath\n"
                             "invoke controlgetpath\nlookup controlgetpath\ninvoke controlgetpath\n"),
                std::string::npos)
          << journal;
    };
    s.push_back(c);
  }
  s.push_back({.name = "ServerPathTrimmed", .host = {{"ServerPath", "\"  {NEWS}server  \""}},
               .out = TypicalOut(), .log = TypicalLog(), .list = kTwoServersList,
               .article = kTwoServersList});
  {
    // Without the settings file the fallback is the program directory's "server" folder.
    Scenario c{.name = "ServerPathFallbackNoSettings", .host = {{"ServerPath", "{DIR}nowhere"}},
               .hostSections = "[Failures]\r\nControlGetServerPath=status:80004005\r\n",
               .out = TypicalOut(), .log = TypicalLog(), .list = kTwoServersList,
               .article = kTwoServersList};
    s.push_back(c);
  }
  s.push_back({.name = "ReadOnlyListFile",
               .arrange = [](Sandbox& box) { box.Write("kelbrin.lst", "old list\r\n"); },
               .unprivileged = true,
               .exitCode = 1,
               .out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\n" + TwoServersOut() +
                      "Gruppenliste in {LST} speichern\r\n"
                      "Exception EFCreateError in Modul {EXE} bei XXXXXXXX.\n"
                      "Datei {LST} kann nicht erstellt werden.\r\n",
               .log = Concat({HeadLog(), TwoServersLog(), {"Liste in {LST} speichern"}}),
               .list = "old list\r\n"});
  return s;
}

class EndToEnd : public ::testing::TestWithParam<Scenario> {};

TEST_P(EndToEnd, Run) {
  const Scenario& sc = GetParam();
  const Target& target = Target::Get();
  if (sc.unprivileged && target.wine && target.unprivilegedPrefix.empty()) {
    FAIL() << "no Wine prefix for the unprivileged user";
  }
  Sandbox box(target);
  for (const auto& [path, content] : sc.files) box.Write(path, box.Expand(content));
  box.ConfigureHost(sc.host, sc.hostSections);
  if (sc.arrange) sc.arrange(box);
  if (sc.unregistered) {
    if (target.wine) WineRegistration(false);
    else box.UnregisterHost();
  }
  if (sc.unprivileged) {
    box.OpenToEveryone();
    // Read-only files are those the scenario wrote before the run.
    for (const char* name : {"kelbrin.log", "kelbrin.lst"}) {
      if (box.Exists(name)) chmod(box.Local(name).c_str(), 0444);
    }
  }
  RunResult r = box.RunTool(sc.args, sc.unprivileged);
  if (sc.unregistered && target.wine) WineRegistration(true);

  EXPECT_EQ(r.exitCode, sc.exitCode) << r.out << r.err;
  ASSERT_EQ(r.out.compare(0, kBanner.size(), kBanner), 0) << r.out;
  if (!sc.out.empty()) {
    EXPECT_EQ(MaskAddress(r.out.substr(kBanner.size())), box.Expand(ToolText(target, sc.out)));
  }
  if (sc.oldLogKept) {
    EXPECT_EQ(box.Read("kelbrin.log"), *sc.oldLogKept);
  } else if (sc.log) {
    std::vector<std::string> expected;
    for (const std::string& line : *sc.log) expected.push_back(box.Expand(ToolText(target, line)));
    EXPECT_EQ(LogMessages(box.Read("kelbrin.log")), expected);
  } else {
    EXPECT_FALSE(box.Exists("kelbrin.log"));
  }
  if (sc.list) {
    EXPECT_EQ(box.Read("kelbrin.lst"), *sc.list);
  } else {
    EXPECT_FALSE(box.Exists("kelbrin.lst"));
  }
  if (sc.article) {
    ASSERT_TRUE(box.Exists("spool/article-1.txt"));
    std::string article = box.Read("spool/article-1.txt");
    const std::string head = "From: Tolvane-Listengenerator\r\nSubject: Gesamtgruppenliste\r\nDate: ";
    ASSERT_EQ(article.compare(0, head.size(), head), 0) << article;
    size_t dateEnd = article.find("\r\n", head.size());
    ASSERT_NE(dateEnd, std::string::npos);
    std::string rest = article.substr(dateEnd);
    const std::string middle = "\r\nNewsgroups: " + sc.group + "\r\n\r\nGeneriert am ";
    ASSERT_EQ(rest.compare(0, middle.size(), middle), 0) << rest;
    size_t stampEnd = rest.find("\r\n\r\n", middle.size());
    ASSERT_NE(stampEnd, std::string::npos);
    EXPECT_EQ(rest.substr(stampEnd + 4), *sc.article);
    EXPECT_EQ(box.Read("spool/article-1.group"), sc.group);
    EXPECT_FALSE(box.Exists("spool/article-2.txt"));
  } else {
    EXPECT_FALSE(box.Exists("spool/article-1.txt"));
  }
  if (sc.check) sc.check(box, r);
}

INSTANTIATE_TEST_SUITE_P(Table, EndToEnd, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace kelbrin::e2e

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kelbrin::e2e::Target::Configure(argc, argv);
  return RUN_ALL_TESTS();
}
