// End-to-end scenarios: the tool, built natively or for Windows (run under Wine), against the
// reference host and a news server directory made per scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <set>
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

// The block sizes in which a list file of `size` bytes is read back.
std::vector<size_t> Blocks(size_t size) {
  std::vector<size_t> blocks;
  for (; size > 10000; size -= 10000) blocks.push_back(10000);
  if (size > 0) blocks.push_back(size);
  return blocks;
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
  long fileSizeLimit = 0;            // caps every file the tool writes: a full disk
  std::string newsDir = "news";      // the news server directory's name in the sandbox
  bool loose = false;                // the list file and the article are left to `check`

  int exitCode = 0;
  std::string out;                                // after the banner
  std::optional<std::vector<std::string>> log;    // messages; nullopt: not looked at
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
  std::string command = "WINEDEBUG=-all WINEPREFIX='" + target.winePrefix + "' '" + target.wine64 + "' regsvr32 /s " +
                        (on ? "" : "/u ") + "'" + target.hostDll + "' >/dev/null 2>&1 </dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}


// The list a set of distinct, already sorted group names gives.
std::string ListOf(const std::vector<std::string>& names) {
  std::string list;
  for (const auto& n : names) list += n + "\r\n";
  return list;
}

// One server, "solo", with the given group files; the rest of the run as usual.
Scenario OneServer(const std::string& name, const std::string& groups,
                   const std::optional<std::string>& newgrps = std::nullopt) {
  Scenario c{.name = name};
  c.files = {{"news/server.hst", "solo,119\r\n"}, {"news/server/solo/groups.txt", groups}};
  if (newgrps) c.files["news/server/solo/newgrps.txt"] = *newgrps;
  return c;
}

std::string SoloOut(const std::string& groupsDots, const std::optional<std::string>& newDots) {
  std::string out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\n" +
                    "Lesen von {NEWS}server{SEP}solo{SEP}groups.txt" + groupsDots + "\r\n";
  if (newDots) out += "Lesen von {NEWS}server{SEP}solo{SEP}newgrps.txt" + *newDots + "\r\n";
  return out;
}

std::vector<std::string> SoloLog(bool withNew) {
  std::vector<std::string> log = {"Serverliste suchen", "Serverliste öffnen",
                                  "aktueller Server: solo,119"};
  auto g = ReadServer("solo", "groups.txt");
  log.insert(log.end(), g.begin(), g.end());
  if (withNew) {
    auto n = ReadServer("solo", "newgrps.txt");
    log.insert(log.end(), n.begin(), n.end());
  }
  log.push_back("Serverliste schließen");
  return log;
}

void AddSourceScenarios(std::vector<Scenario>& s) {
  {
    Scenario c = OneServer("LineCuts", "de.test Test group\r\nwhole\r\n\r\n",
                           "x de.new more\r\ny de.two\r\nlonely\r\nz  gap\r\n");
    c.out = SoloOut(".", ".") + "Gruppenliste in {LST} speichern\r\n" +
            "Gruppenliste nach tolvane.misc posten\r\n";
    // "z  gap": the first space is followed by another, so the name is empty.
    c.list = ListOf({"", "de.new", "de.test", "de.two", "lonely", "whole"});
    c.article = c.list;
    c.log = FullLog(Concat({SoloLog(true), {"Liste in {LST} speichern"}, PostingLog(Blocks(c.list->size()))}));
    s.push_back(c);
  }
  {
    Scenario c = OneServer("LeadingSpaceAddsEmptyEntry", " starts with a space\r\nb.group\r\n");
    c.list = ListOf({"", "b.group"});
    c.article = c.list;
    s.push_back(c);
  }
  for (int lines : {1000, 1001}) {
    Scenario c = OneServer("Dots" + std::to_string(lines), ManyLines(lines, Numbered) + "\r\n\r\n");
    c.out = SoloOut(lines == 1000 ? "." : "..", std::nullopt) +
            "Gruppenliste in {LST} speichern\r\nGruppenliste nach tolvane.misc posten\r\n";
    c.list = ManyLines(lines, Numbered);
    c.article = c.list;
    s.push_back(c);
  }
  {
    Scenario c = OneServer("AllLinesEmpty", "\r\n\r\n\r\n");
    c.out = SoloOut("", std::nullopt) + "Keine Gruppen gefunden\r\n";
    c.log = FullLog(Concat({SoloLog(false), {"Keine Gruppen gefunden"}}));
    s.push_back(c);
  }
  {
    Scenario c = OneServer("LfOnlyIsOneLine", "one\ntwo three\nfour\n");
    c.list = ListOf({"one\ntwo"});
    c.article = c.list;
    s.push_back(c);
  }
  {
    Scenario c = OneServer("LfOnlyWithoutSpaceWhole", "one\ntwo\n");
    c.list = ListOf({"one\ntwo\n"});
    c.article = c.list;
    s.push_back(c);
  }
  {
    Scenario c = OneServer("CtrlZEndsTheFile", "a.first\r\nb.sec\x1A" "ond\r\nc.never\r\n");
    c.list = ListOf({"a.first", "b.sec"});
    c.article = c.list;
    s.push_back(c);
  }
  {
    Scenario c{.name = "ServerLineWithoutComma"};
    c.files = {{"news/server.hst", "plain\r\n"}, {"news/server/plain/groups.txt", "p.group\r\n"}};
    c.list = ListOf({"p.group"});
    c.article = c.list;
    s.push_back(c);
  }
  {
    Scenario c = OneServer("GroupFileIsADirectory", "");
    c.files.erase("news/server/solo/groups.txt");
    c.arrange = [](Sandbox& box) { box.MakeDirectory("news/server/solo/groups.txt"); };
    c.out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\nKeine Gruppen gefunden\r\n";
    c.log = FullLog({"Serverliste suchen", "Serverliste öffnen", "aktueller Server: solo,119",
                     "Serverliste schließen", "Keine Gruppen gefunden"});
    s.push_back(c);
  }
  for (int lines : {999, 1000}) {
    Scenario c{.name = "DescList" + std::to_string(lines), .args = {"/desclist"}};
    // Lines are taken whole; the empty ones give one empty entry. No server file is read.
    std::string desc = ManyLines(lines - 2, [](int i) { return Numbered(i) + "\tDescription"; });
    c.files["news/server/alldescs.txt"] = desc + "\r\n\r\n";
    c.files["news/server.hst"] = "missing,119\r\n";
    c.out = "Log: Ja, alldescs.txt: Ja, Posten: Ja (Defaultgruppe: tolvane.misc)\r\n\r\n"
            "alldescs.txt wird gelesen" + std::string(lines == 1000 ? "." : "") + "\r\n" +
            "Gruppenliste in {LST} speichern\r\nGruppenliste nach tolvane.misc posten\r\n";
    std::string list = "\r\n" + desc;
    c.log = FullLog(Concat({{"alldescs.txt vorhanden", "{NEWS}server{SEP}alldescs.txt einlesen",
                             "Liste in {LST} speichern"},
                            PostingLog(Blocks(list.size()))}));
    c.list = list;
    c.article = list;
    s.push_back(c);
  }
  {
    Scenario c{.name = "DescListMissing", .args = {"/DESCLIST"},
               .out = "Log: Ja, alldescs.txt: Ja, Posten: Ja (Defaultgruppe: tolvane.misc)\r\n\r\n"
                      "alldescs.txt nicht gefunden, die einzelnen Server werden verarbeitet\r\n" +
                      TwoServersOut() + "Gruppenliste in {LST} speichern\r\n" +
                      "Gruppenliste nach tolvane.misc posten\r\n",
               .log = FullLog(Concat({{"alldescs.txt nicht gefunden"}, TwoServersLog(),
                                      {"Liste in {LST} speichern"}, PostingLog({kTwoServersList.size()})})),
               .list = kTwoServersList, .article = kTwoServersList};
    s.push_back(c);
  }
  {
    Scenario c{.name = "ServerListMissing", .files = {},
               .out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\nKeine Gruppen gefunden\r\n",
               .log = FullLog({"Serverliste suchen", "Keine Gruppen gefunden"})};
    c.check = [](Sandbox& box, const RunResult& r) {
      if (box.target().wine) return;  // without a display the box closes at once, unseen
      // The box's stand-in writes caption and text to standard error.
      EXPECT_NE(r.err.find("Fehler"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(box.Expand("Datei {NEWS}server.hst nicht gefunden.\n\r\n\r"
                                      "Vermutlich noch keine Newsserver im Tolvane eingetragen.")),
                std::string::npos)
          << r.err;
    };
    s.push_back(c);
  }
  {
    Scenario c = OneServer("GroupFileHeldOpen", "a.group\r\n");
    c.arrange = [](Sandbox& box) { box.HoldOpen("news/server/solo/groups.txt"); };
    c.exitCode = 1;
    c.out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\n" +
            "Lesen von {NEWS}server{SEP}solo{SEP}groups.txt"
            "Exception EInOutError in Modul {EXE} bei XXXXXXXX.\nE/A-Fehler 32.\r\n";
    c.log = Concat({HeadLog(), {"Serverliste suchen", "Serverliste öffnen", "aktueller Server: solo,119",
                                "Lesen von {NEWS}server{SEP}solo{SEP}groups.txt", "  Öffnen"}});
    s.push_back(c);
  }
}

std::string AnswerSection(const std::string& answer) {
  return "[Answers]\r\nNewsImport=" + answer + "\r\n";
}

void AddPostingScenarios(std::vector<Scenario>& s) {
  // A list file of exactly 10000 bytes is one block; one more byte makes a second block.
  for (int extra : {0, 1}) {
    std::string groups = ManyLines(999, Numbered) + (extra ? "g.9999999\r\n" : "g.999999\r\n");
    Scenario c = OneServer("ListOf" + std::to_string(10000 + extra) + "Bytes", groups);
    c.list = groups;
    c.article = groups;
    c.log = FullLog(Concat({SoloLog(false), {"Liste in {LST} speichern"},
                            PostingLog(extra ? std::vector<size_t>{10000, 1} : std::vector<size_t>{10000})}));
    s.push_back(c);
  }
  {
    std::string nul = std::string("a.n\0ul", 6) + "\r\nz.after\r\n";
    Scenario c = OneServer("NulReachesTheHost", nul);
    c.list = nul;
    c.article = nul;
    s.push_back(c);
  }
  struct AnswerCase {
    std::string name, answer;
    bool refused;
    std::string error;  // the report's kind and message, when the answer ends the run
  };
  for (const AnswerCase& a : std::vector<AnswerCase>{
           {"True", "bool:true", false, ""},
           {"False", "bool:false", true, ""},
           {"MinusOne", "int:-1", false, ""},
           {"Five", "int:5", true, ""},
           {"MinusOnePointFour", "double:-1.4", false, ""},
           {"MinusZeroPointFive", "double:-0.5", true, ""},
           {"MinusOneText", "text:-1", false, ""},
           {"Abc", "text:abc", false, "EVariantError in Modul {EXE} bei XXXXXXXX.\nUngültige Variant-Typumwandlung."},
           {"Empty", "empty", false, "EVariantError in Modul {EXE} bei XXXXXXXX.\nUngültige Variant-Operation."},
           {"Null", "null", false, "EVariantError in Modul {EXE} bei XXXXXXXX.\nUngültige Variant-Typumwandlung."}}) {
    Scenario c{.name = "Answer" + a.name, .hostSections = AnswerSection(a.answer),
               .list = kTwoServersList, .article = kTwoServersList};
    std::vector<std::string> log = TypicalLog();
    if (a.error.empty()) {
      c.out = TypicalOut();
      if (a.refused) log.insert(log.end() - 2, "Posten fehlgeschlagen, Grund unklar");
    } else {
      c.exitCode = 1;
      c.out = TypicalOut() + "Exception " + a.error + "\r\n";
      log.resize(log.size() - 2);
    }
    c.log = log;
    s.push_back(c);
  }
  {
    Scenario c{.name = "HostRaisesException",
               .hostSections = "[Failures]\r\nNewsImport=\"exception:Spool voll.  . \"\r\n",
               .exitCode = 1,
               .out = TypicalOut() + "Exception EOleException in Modul {EXE} bei XXXXXXXX.\nSpool voll.\r\n",
               .list = kTwoServersList};
    std::vector<std::string> log = TypicalLog();
    log.resize(log.size() - 2);
    c.log = log;
    s.push_back(c);
  }
}


// The console output up to the report, for a run that ends after the summary line.
std::string ReportAfterSummary(const std::string& kind, const std::string& message) {
  return kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\nException " + kind +
         " in Modul {EXE} bei XXXXXXXX.\n" + message + "\r\n";
}

std::string ReportAfterSave(const std::string& kind, const std::string& message) {
  return kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\n" + TwoServersOut() +
         "Gruppenliste in {LST} speichern\r\nException " + kind + " in Modul {EXE} bei XXXXXXXX.\n" +
         message + "\r\n";
}

// Real failures of files the tool writes or reads, each ending as its step says.
void AddFaultScenarios(std::vector<Scenario>& s) {
  s.push_back({.name = "LogDeletedDuringRun",
               .hostSections = "[Deletions]\r\nControlGetServerPath={LOG}\r\n", .exitCode = 1,
               .out = ReportAfterSummary("EInOutError", "Datei nicht gefunden."),
               .check = [](Sandbox& box, const RunResult&) {
                 EXPECT_FALSE(box.Exists("kelbrin.log")) << "the log was created anew";
               }});
  s.push_back({.name = "LogHeldOpen",
               .arrange = [](Sandbox& box) {
                 box.Write("kelbrin.log", "old\r\n");
                 box.HoldOpen("kelbrin.log");
               },
               .exitCode = 1, .out = ReportAfterSummary("EInOutError", "E/A-Fehler 32."),
               .oldLogKept = "old\r\n"});
  s.push_back({.name = "LogIsADirectory",
               .arrange = [](Sandbox& box) { box.MakeDirectory("kelbrin.log"); },
               .exitCode = 1, .out = ReportAfterSummary("EInOutError", "Dateizugriff verweigert.")});
  s.push_back({.name = "ListFileHeldOpen",
               .arrange = [](Sandbox& box) {
                 box.Write("kelbrin.lst", "old list\r\n");
                 box.HoldOpen("kelbrin.lst");
               },
               .exitCode = 1,
               .out = ReportAfterSave("EFCreateError", "Datei {LST} kann nicht erstellt werden."),
               .log = Concat({HeadLog(), TwoServersLog(), {"Liste in {LST} speichern"}}),
               .list = "old list\r\n"});
  s.push_back({.name = "ListFileIsADirectory",
               .arrange = [](Sandbox& box) { box.MakeDirectory("kelbrin.lst"); },
               .loose = true, .exitCode = 1,
               .out = ReportAfterSave("EFCreateError", "Datei {LST} kann nicht erstellt werden."),
               .check = [](Sandbox& box, const RunResult&) {
                 EXPECT_FALSE(box.Exists("spool/article-1.txt"));
               }});
  {
    Scenario c{.name = "ServerListIsADirectory", .files = {},
               .arrange = [](Sandbox& box) { box.MakeDirectory("news/server.hst"); },
               .out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\nKeine Gruppen gefunden\r\n",
               .log = FullLog({"Serverliste suchen", "Keine Gruppen gefunden"})};
    s.push_back(c);
  }
  {
    Scenario c = OneServer("UnreadableGroupFile", "a.group\r\n");
    c.arrange = [](Sandbox& box) { chmod(box.Local("news/server/solo/groups.txt").c_str(), 0); };
    c.unprivileged = true;
    c.exitCode = 1;
    c.out = kSummary + " (Defaultgruppe: tolvane.misc)\r\n\r\n" +
            "Lesen von {NEWS}server{SEP}solo{SEP}groups.txt"
            "Exception EInOutError in Modul {EXE} bei XXXXXXXX.\nDateizugriff verweigert.\r\n";
    s.push_back(c);
  }
  {
    // The list file outgrows what the disk takes; the log's few lines still fit.
    std::string groups = ManyLines(20000, Numbered);
    Scenario c = OneServer("DiskFullForListFile", groups);
    c.fileSizeLimit = 64 * 1024;
    c.loose = true;
    c.exitCode = 1;
    c.out = SoloOut("....................", std::nullopt) +
            "Gruppenliste in {LST} speichern\r\n"
            "Exception EWriteError in Modul {EXE} bei XXXXXXXX.\nStream-Write-Fehler.\r\n";
    c.log = Concat({HeadLog(), SoloLog(false), {"Liste in {LST} speichern"}});
    c.check = [groups](Sandbox& box, const RunResult&) {
      // What was written stays: a prefix of the whole list, no more than the disk took.
      std::string list = box.Read("kelbrin.lst");
      EXPECT_LE(list.size(), 64u * 1024);
      EXPECT_EQ(groups.compare(0, list.size(), list), 0);
      EXPECT_FALSE(box.Exists("spool/article-1.txt"));
    };
    s.push_back(c);
  }
}

// Whether `list` is a list file: CR LF ended lines, each one of `names`, none twice.
void ExpectWellFormedList(const std::string& list, const std::set<std::string>& names) {
  std::set<std::string> seen;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "the last line has no line end";
    std::string line = list.substr(start, end - start);
    EXPECT_TRUE(names.count(line)) << "not an input name: " << line.substr(0, 80);
    EXPECT_TRUE(seen.insert(line).second) << "twice: " << line.substr(0, 80);
    start = end + 2;
  }
}

// Input no news server should hold: each run either works or ends with its step's error.
void AddHostileScenarios(std::vector<Scenario>& s) {
  {
    // One 100 MB group name travels whole into the list and the article.
    Scenario c = OneServer("HundredMegabyteLine", "");
    c.loose = true;
    c.arrange = [](Sandbox& box) {
      box.Write("news/server/solo/groups.txt", std::string(100 << 20, 'x') + " description\r\n");
    };
    c.check = [](Sandbox& box, const RunResult&) {
      std::string list = box.Read("kelbrin.lst");
      EXPECT_EQ(list, std::string(100 << 20, 'x') + "\r\n");
      std::string article = box.Read("spool/article-1.txt");
      ASSERT_GE(article.size(), list.size());
      EXPECT_EQ(article.compare(article.size() - list.size(), list.size(), list), 0);
    };
    s.push_back(c);
  }
  {
    // Random bytes in every file, NUL, Ctrl-Z and lone CR among them.
    std::mt19937 random(7);
    auto garbage = [&random](size_t n) {
      std::string g(n, '\0');
      for (char& ch : g) ch = static_cast<char>(random() & 0xFF);
      return g;
    };
    Scenario c = OneServer("BinaryGarbage", garbage(20000), garbage(20000));
    c.loose = true;
    c.files["news/server.hst"] = "solo,1\r" + garbage(3000);
    c.files["news/tolvane.ini"] = garbage(2000);
    c.host["Version"] = "1.3.19.0";
    c.check = [](Sandbox& box, const RunResult& r) {
      EXPECT_EQ(r.exitCode, 0);
      std::string list = box.Read("kelbrin.lst");
      EXPECT_TRUE(list.empty() || list.substr(list.size() - 2) == "\r\n");
      EXPECT_TRUE(box.Exists("spool/article-1.txt"));
    };
    c.exitCode = 0;
    s.push_back(c);
  }
  {
    using namespace std::string_literals;
    Scenario c = OneServer("ControlBytesInEveryFile",
                           "a.nul\0x rest\rb.lonecr\r\nc.tab\tx\r\nd.end\x1A" "e.gone\r\n"s,
                           "1 n.new\0z\r2 n.cr\x1A" "3 n.gone\r\n"s);
    c.files["news/server.hst"] = "solo,1\rmissing\0x,2\r\n\x1A" "gone,3\r\n"s;
    c.list = ListOf({"a.nul" + std::string(1, '\0') + "x", "b.lonecr", "c.tab\tx", "d.end",
                     "n.cr", "n.new" + std::string(1, '\0') + "z"});
    c.article = c.list;
    s.push_back(c);
  }
  {
    // Ten thousand upstream servers, each with a group of its own and one they all carry.
    Scenario c{.name = "TenThousandServers", .files = {}, .loose = true};
    std::string servers;
    for (int i = 0; i < 10000; ++i) servers += "srv" + std::to_string(i) + ",119\r\n";
    c.files["news/server.hst"] = servers;
    c.arrange = [](Sandbox& box) {
      for (int i = 0; i < 10000; ++i) {
        box.Write("news/server/srv" + std::to_string(i) + "/groups.txt",
                  Numbered(i) + "\r\nall.carry\r\n");
      }
    };
    c.check = [](Sandbox& box, const RunResult&) {
      std::set<std::string> names = {"all.carry"};
      for (int i = 0; i < 10000; ++i) names.insert(Numbered(i));
      std::string list = box.Read("kelbrin.lst");
      ExpectWellFormedList(list, names);
      EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 10001);
    };
    s.push_back(c);
  }
  {
    // Bytes above 0x7F pass unchanged; names that differ in more than case stay apart.
    Scenario c = OneServer("HighBytesInNames",
                           "de.\xE4rger\r\nde.\xC3\xA4rger\r\nde.\xFF\xFE\r\nde.\x80\x81\r\nde.arger\r\n");
    c.loose = true;
    c.check = [](Sandbox& box, const RunResult&) {
      std::string list = box.Read("kelbrin.lst");
      ExpectWellFormedList(list, {"de.\xE4rger", "de.\xC3\xA4rger", "de.\xFF\xFE", "de.\x80\x81",
                                  "de.arger"});
      EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 5);
    };
    s.push_back(c);
  }
  {
    Scenario c{.name = "NonAsciiNewsDirectory", .newsDir = "news-\xC3\xA4\xC3\x9F",
               .out = TypicalOut(), .log = TypicalLog(), .list = kTwoServersList,
               .article = kTwoServersList};
    s.push_back(c);
  }
  {
    // A news directory path of over 300 characters: it works, or reading ends with the error
    // the system gives for such a path.
    Scenario c{.name = "VeryLongNewsDirectory",
               .newsDir = "news-" + std::string(200, 'n') + "/" + std::string(120, 'm'),
               .loose = true};
    c.exitCode = -2;  // either outcome, checked below
    c.check = [](Sandbox& box, const RunResult& r) {
      if (r.exitCode == 0 && box.Exists("kelbrin.lst")) {
        EXPECT_EQ(box.Read("kelbrin.lst"), kTwoServersList);
      } else if (r.exitCode == 0) {
        // Windows' ANSI file functions stop at 260 characters: the server list is not found,
        // which the run reports (the message box) and ends without a list.
        EXPECT_TRUE(box.target().wine);
        EXPECT_NE(r.out.find("Keine Gruppen gefunden"), std::string::npos) << r.out;
      } else {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.out.find("Exception EInOutError"), std::string::npos) << r.out;
      }
    };
    s.push_back(c);
  }
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
  AddSourceScenarios(s);
  AddPostingScenarios(s);
  AddFaultScenarios(s);
  AddHostileScenarios(s);
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
  if (sc.newsDir != "news") box.SetNewsDir(sc.newsDir);
  for (const auto& [name, content] : sc.files) {
    std::string path = name.rfind("news/", 0) == 0 ? sc.newsDir + name.substr(4) : name;
    box.Write(path, box.Expand(content));
  }
  box.ConfigureHost(sc.host, sc.hostSections);
  // An unprivileged run may write what the scenario laid out, but for what `arrange` makes:
  // the log and list file it writes are read-only to that user.
  if (sc.unprivileged) box.OpenToEveryone();
  if (sc.arrange) sc.arrange(box);
  if (sc.unregistered) {
    if (target.wine) WineRegistration(false);
    else box.UnregisterHost();
  }
  if (sc.unprivileged) {
    for (const char* name : {"kelbrin.log", "kelbrin.lst"}) {
      if (box.Exists(name)) chmod(box.Local(name).c_str(), 0444);
    }
  }
  RunResult r = box.RunTool(sc.args, sc.unprivileged, sc.fileSizeLimit);
  if (sc.unregistered && target.wine) WineRegistration(true);

  if (sc.exitCode != -2) {
    EXPECT_EQ(r.exitCode, sc.exitCode) << r.out << r.err;
  }
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
  } else if (std::find(sc.args.begin(), sc.args.end(), "/nolog") != sc.args.end() ||
             std::find(sc.args.begin(), sc.args.end(), "/NOLOG") != sc.args.end()) {
    EXPECT_FALSE(box.Exists("kelbrin.log"));
  }
  if (sc.loose) {
    // The scenario's own check looks at what was written.
  } else if (sc.list) {
    EXPECT_EQ(box.Read("kelbrin.lst"), *sc.list);
  } else {
    EXPECT_FALSE(box.Exists("kelbrin.lst"));
  }
  if (sc.loose) {
  } else if (sc.article) {
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
    // The Date header is English under every locale; the body's stamp is the log's, in the
    // user's format, which the German runs tell apart by its dots.
    static const std::regex date(
        "(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [1-9][0-9]? (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|"
        "Nov|Dec) [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} GMT");
    const std::string dateValue = article.substr(head.size(), dateEnd - head.size());
    EXPECT_TRUE(std::regex_match(dateValue, date)) << dateValue;
    const std::string stamp = rest.substr(middle.size(), stampEnd - middle.size());
    const char* locale = std::getenv("LC_ALL");
    const bool german = locale && std::string(locale).rfind("de", 0) == 0;
    // Under Wine the user's formats come from the prefix's registry, which every process of
    // another locale rewrites; with one prefix for both locales a run now and then sees the
    // other's. The Windows regional settings are checked per locale by the platform tests.
    static const std::regex germanStamp("[0-9]{1,2}\\.[0-9]{1,2}\\.[0-9]{4}( [0-9]{2}:[0-9]{2}:[0-9]{2})?");
    static const std::regex englishStamp("[0-9]{1,2}/[0-9]{1,2}/[0-9]{4}( [0-9]{1,2}:[0-9]{2}:[0-9]{2} [AP]M)?");
    const std::string log = box.Read("kelbrin.log");
    if (!box.target().wine) {
      EXPECT_TRUE(std::regex_match(stamp, german ? germanStamp : englishStamp)) << stamp;
      if (!sc.oldLogKept && !log.empty()) {
        EXPECT_TRUE(std::regex_search(log, german ? germanStamp : englishStamp)) << log.substr(0, 80);
      }
    }
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
