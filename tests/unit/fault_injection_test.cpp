// Whole runs in which one console, file, existence, settings or host operation fails, each in
// turn: the first, the second, ... the last of a run that would otherwise succeed. What each
// run must end with is worked out from which operation failed, never by asking the tool:
// - a failure that the tool absorbs (the host's server directory, the settings file, a file
//   that cannot be found) lets the run finish with exit code 0 and the output that the
//   missing answer calls for;
// - any other failure ends the run at once with the report of its kind and message and exit
//   code 1; the console keeps what was written before, the log keeps every line written before
//   and gets no further one, and a list file keeps what it held at that moment: an earlier
//   run's list before the save, the whole new list after it.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "app/date_format.h"
#include "app/run_driver.h"
#include "fakes.h"
#include "platform/text.h"

namespace kelbrin::test {
namespace {

const std::string kLog = "/opt/tools/kelbrin.log";
const std::string kList = "/opt/tools/kelbrin.lst";
const std::string kOldLog = "lines of an earlier run\r\n";
const std::string kOldList = "old.group\r\nother.old.group\r\n";
const std::string kServerList = "/news/server.hst";
const std::string kSettings = "/news/tolvane.ini";
const std::string kServerDir = std::string("/news/server") + kPathSeparator;
const std::string kDescList = kServerDir + "alldescs.txt";
const std::string kInjected = "Injected failure";
// A status for which the system has a text of its own.
const int32_t kStatusRpcUnavailable = static_cast<int32_t>(0x800706BA);

std::string GroupFile(const std::string& server, const std::string& name) {
  return kServerDir + server + kPathSeparator + name;
}

// A news server and a command line, with what each source file contributes to the list.
struct Scenario {
  std::string name;
  std::vector<std::string> arguments;
  std::string version = "1.3.18.0";
  std::map<std::string, std::string> files;  // the news server's files by path
  // The group names that each group file, or the description list, gives.
  std::map<std::string, std::set<std::string>> groupsOf;
  bool readsDescList = false;
  bool logs = true;
  bool posts = true;
  std::string givenGroup;  // from "/g="
  // A host new enough (version above 1.3.18) for its settings file to name the target group.
  bool settingsNameTheGroup = false;
  // The settings file: "section|key" -> value.
  std::map<std::string, std::string> settings;
  std::function<void(FakeWorld&)> arrangeHost = [](FakeWorld&) {};
};

// Numbered lines such as "alpha.grp.0007 Alpha group", and the names they give.
void AddNumberedGroups(Scenario& s, const std::string& file, const std::string& prefix, int count,
                       const std::string& tail) {
  std::string& content = s.files[file];
  for (int i = 0; i < count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%04d", prefix.c_str(), i);
    content += name + tail + "\r\n";
    s.groupsOf[file].insert(name);
  }
}

// Two upstream servers with both group files, one without its new-groups file, one without
// any; a group that two files carry; a list long enough for several dots and body blocks.
Scenario Servers() {
  Scenario s;
  s.name = "Servers";
  s.version = "1.3.19.0";
  s.settingsNameTheGroup = true;
  s.settings = {{"Setup|internalgroup.statistics", "local.stats"},
                {"Setup|internalgroup.default", "local.default"}};
  s.files[kServerList] =
      "alpha,news.alpha.example,119\r\nbeta,news.beta.example\r\ngamma,gone.example\r\n";
  AddNumberedGroups(s, GroupFile("alpha", "groups.txt"), "alpha.grp.", 1400, " Alpha group");
  s.files[GroupFile("alpha", "newgrps.txt")] = "1733750000 alpha.new New\r\nx shared.group\r\n";
  s.groupsOf[GroupFile("alpha", "newgrps.txt")] = {"alpha.new", "shared.group"};
  s.files[GroupFile("beta", "groups.txt")] = "shared.group Shared\r\n\r\nbeta.one\r\n";
  s.groupsOf[GroupFile("beta", "groups.txt")] = {"shared.group", "beta.one"};
  return s;
}

// The description list, with the target group from the command line.
Scenario DescList() {
  Scenario s;
  s.name = "DescList";
  s.arguments = {"/desclist", "/g=Alt.Test"};
  s.readsDescList = true;
  s.givenGroup = "alt.test";
  AddNumberedGroups(s, kDescList, "desc.", 2100, "\tA described group");
  // Whole lines are the entries.
  std::set<std::string> whole;
  for (const std::string& name : s.groupsOf[kDescList]) whole.insert(name + "\tA described group");
  s.groupsOf[kDescList] = whole;
  // What the run falls back on when the description list cannot be found.
  s.files[kServerList] = "alpha,news.alpha.example\r\n";
  s.files[GroupFile("alpha", "groups.txt")] = "alpha.one\r\nalpha.two x\r\n";
  s.groupsOf[GroupFile("alpha", "groups.txt")] = {"alpha.one", "alpha.two"};
  return s;
}

// A host that never names its server directory, so that every use of it goes through the
// settings file; and a host that refuses the article.
Scenario Fallback() {
  Scenario s;
  s.name = "Fallback";
  s.settings = {{"Directories|Server", "  /news/server  "}};
  s.files[kServerList] = "alpha,news.alpha.example\r\n";
  AddNumberedGroups(s, GroupFile("alpha", "groups.txt"), "alpha.grp.", 30, "");
  s.arrangeHost = [](FakeWorld& w) {
    w.host.Throw("ControlGetServerPath", "Not configured");
    w.host.Answer("NewsImport", Variant::Bool(false));
  };
  return s;
}

// No log and no server list: a message box, an empty list, nothing saved or posted.
Scenario NoLogNoServers() {
  Scenario s;
  s.name = "NoLogNoServers";
  s.arguments = {"/nolog"};
  s.logs = false;
  return s;
}

void Build(const Scenario& s, FakeWorld& w) {
  w.process.arguments = s.arguments;
  w.host.AnswerText("ControlGetServerPath", kServerDir);
  w.host.AnswerText("ControlGetVersion", s.version);
  w.host.faultDescription = kInjected + ". \r\n";
  w.automation.statusTexts[kStatusRpcUnavailable] = Ansi("Der RPC-Server ist nicht verfügbar.");
  w.files.directories.insert(kServerDir.substr(0, kServerDir.size() - 1));
  // A file's directory: the tool's paths join "/" and the platform's separator.
  for (const auto& [path, content] : s.files) {
    w.files.Content(path) = content;
    w.files.directories.insert(path.substr(0, path.find_last_of("/\\")));
  }
  w.files.Content(kLog) = kOldLog;
  w.files.Content(kList) = kOldList;
  for (const auto& [sectionKey, value] : s.settings) {
    size_t bar = sectionKey.find('|');
    std::string key = sectionKey.substr(0, bar) + "/" + sectionKey.substr(bar + 1);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    w.ini.files[kSettings][key] = value;
  }
  s.arrangeHost(w);
}

// What a finished run left behind.
struct Outcome {
  int exitCode = -1;
  std::string console, log, list, article;
  size_t imports = 0;
  size_t messageBoxes = 0;
  std::vector<std::string> consoleWrites, operations;
  bool filesReleased = true;
};

// A run of the scenario in which operation `ordinal` (1-based) of one seam fails with `code`.
// With `diskSpace` set, the disk takes that many bytes in all and then falls short.
Outcome RunWithFault(const Scenario& s, const std::string& seam, int ordinal, uint32_t code,
                     long long diskSpace = -1) {
  FakeWorld w;
  Build(s, w);
  w.files.diskSpace = diskSpace;
  FaultPlan* plan = seam == "console"  ? &w.console.faults
                    : seam == "file"   ? &w.files.faults
                    : seam == "exists" ? &w.files.existsFaults
                    : seam == "ini"    ? &w.ini.faults
                    : seam == "host"   ? &w.host.faults
                                       : nullptr;
  if (plan != nullptr) {
    plan->failAt = ordinal;
    plan->code = code;
  }
  Outcome o;
  o.exitCode = RunProgram(w.platform);
  o.console = w.console.output;
  o.consoleWrites = w.console.writes;
  o.log = w.files.files.count(kLog) ? w.files.Content(kLog) : "(no log)";
  o.list = w.files.files.count(kList) ? w.files.Content(kList) : "(no list)";
  o.imports = w.host.importArgs.size();
  if (o.imports > 0) o.article = w.host.importArgs[0].at(0).text;
  o.messageBoxes = w.messageBox.shown.size();
  o.operations = w.operations;
  for (const auto& [path, entry] : w.files.files) {
    if (entry.heldShare != -1) o.filesReleased = false;
  }
  return o;
}

std::string Seam(const std::string& operation) {
  return operation.substr(0, operation.find(' '));
}

// The operation's target: the path, the settings key or the method name. Existence tests
// name no verb.
std::string Target(const std::string& operation) {
  size_t at = operation.find(' ');
  if (Seam(operation) != "exists") at = operation.find(' ', at + 1);
  return at == std::string::npos ? "" : operation.substr(at + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Join(const std::vector<std::string>& pieces, size_t count) {
  std::string out;
  for (size_t i = 0; i < count && i < pieces.size(); ++i) out += pieces[i];
  return out;
}

// The list file's text for a set of group names, in the list's order.
std::string ListText(const std::set<std::string>& groups) {
  std::string text;
  for (const std::string& g : groups) text += g + "\r\n";
  return text;
}

// The message table of the text layer, for every code the runs inject.
std::string InOutText(uint32_t code) {
  static const std::map<uint32_t, std::string> table = {
      {2, "Datei nicht gefunden"},
      {3, Ansi("Ungültiger Dateiname")},
      {4, Ansi("Zu viele geöffnete Dateien")},
      {5, "Dateizugriff verweigert"},
      {100, "Versuch hinter dem Dateiende zu lesen"},
      {101, "Zu wenig Speicherplatz"},
      {106, Ansi("Ungültige numerische Eingabe")}};
  auto it = table.find(code);
  return it != table.end() ? it->second : "E/A-Fehler " + std::to_string(code);
}

std::string OleText(int32_t status) {
  if (status == kStatusRpcUnavailable) return Ansi("Der RPC-Server ist nicht verfügbar.");
  char text[32];
  std::snprintf(text, sizeof text, "OLE-Fehler %08X", static_cast<uint32_t>(status));
  return text;
}

// How a run with one failed operation must end.
struct Expectation {
  enum { kReport, kSameAsBaseline, kFileMissing, kSettingMissing } way = kReport;
  std::string kind, message;
};

Expectation Expect(const std::string& operation, uint32_t code) {
  const std::string seam = Seam(operation);
  const std::string verb =
      operation.substr(seam.size() + 1, operation.find(' ', seam.size() + 1) - seam.size() - 1);
  const std::string target = Target(operation);
  const auto status = static_cast<int32_t>(code);
  if (seam == "exists") return {Expectation::kFileMissing, "", ""};
  if (seam == "ini") {
    // The server directory in the settings is the default one, so losing it changes nothing.
    if (target == "Directories|Server") return {Expectation::kSameAsBaseline, "", ""};
    return {Expectation::kSettingMissing, "", ""};
  }
  if (seam == "host") {
    if (Lower(target) == "controlgetserverpath") return {Expectation::kSameAsBaseline, "", ""};
    if (verb == "lookup" && status == kStatusUnknownName) {
      return {
          Expectation::kReport, "EOleError",
          "Die Methode '" + target + Ansi("' wird vom Automatisierungsobjekt nicht unterstützt")};
    }
    if (verb == "invoke" && status == kStatusException) {
      return {Expectation::kReport, "EOleException", kInjected};
    }
    return {Expectation::kReport, "EOleSysError", OleText(status)};
  }
  if (operation == "file create " + kList) {
    return {Expectation::kReport, "EFCreateError",
            "Datei " + kList + " kann nicht erstellt werden"};
  }
  if (operation == "file write " + kList) {
    return {Expectation::kReport, "EWriteError", "Stream-Write-Fehler"};
  }
  return {Expectation::kReport, "EInOutError", InOutText(code)};
}

// The index of the first operation `name` in the trace, or the trace's size.
size_t IndexOf(const std::vector<std::string>& operations, const std::string& name) {
  size_t i = 0;
  while (i < operations.size() && operations[i] != name) ++i;
  return i;
}

size_t CountBefore(const std::vector<std::string>& operations, size_t end,
                   const std::string& name) {
  size_t n = 0;
  for (size_t i = 0; i < end && i < operations.size(); ++i) n += operations[i] == name;
  return n;
}

// The first `count` lines of a log, each with its CR LF.
std::string FirstLines(const std::string& log, size_t count) {
  size_t end = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t at = log.find("\r\n", end);
    if (at == std::string::npos) return log + "(only " + std::to_string(i) + " lines)";
    end = at + 2;
  }
  return log.substr(0, end);
}

// A log is whole when each of its lines carries the time stamp and ends with CR LF.
bool LogIsWhole(const std::string& log, const std::string& stamp) {
  if (log == kOldLog) return true;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find("\r\n", start);
    if (end == std::string::npos) return false;
    if (log.compare(start, stamp.size(), stamp) != 0) return false;
    if (log.find('\r', start) != end) return false;
    start = end + 2;
  }
  return true;
}

// The report with its code address replaced by XXXXXXXX, once the address is seen to be eight
// upper-case hexadecimal digits.
std::string MaskAddress(std::string text, size_t reportAt) {
  const std::string marker = " bei ";
  size_t at = text.find(marker, reportAt);
  if (at == std::string::npos || at + marker.size() + 8 > text.size()) return text;
  for (size_t i = at + marker.size(); i < at + marker.size() + 8; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i])) || std::islower(text[i])) return text;
  }
  return text.replace(at + marker.size(), 8, "XXXXXXXX");
}

std::string Report(const std::string& kind, const std::string& message) {
  std::string text = "Exception " + kind + " in Modul kelbrin bei XXXXXXXX.\n" + message;
  if (!message.empty() && message.back() != '.') text += '.';
  return text + "\r\n";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  if (from.empty() || from == to) return text;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The target group that the host gives when the settings read of `lostKey` fails.
std::string DefaultGroup(const Scenario& s, const std::string& lostKey) {
  if (!s.settingsNameTheGroup) return "tolvane.misc";
  auto read = [&](const std::string& key) -> std::string {
    if (key == lostKey) return "";
    auto it = s.settings.find(key);
    return it == s.settings.end() ? "" : it->second;
  };
  std::string group = read("Setup|internalgroup.statistics");
  if (group.empty()) group = read("Setup|internalgroup.default");
  return group.empty() ? "internal.misc" : group;
}

// The groups that a run finds when the file `missing` counts as not there.
std::set<std::string> GroupsWithout(const Scenario& s, const std::string& missing) {
  if (s.readsDescList && missing != kDescList) return s.groupsOf.at(kDescList);
  if (missing == kServerList || !s.files.count(kServerList)) return {};
  std::set<std::string> groups;
  for (const auto& [file, names] : s.groupsOf) {
    if (file != kDescList && file != missing) groups.insert(names.begin(), names.end());
  }
  return groups;
}

// The injected codes: every message of the text layer, a sharing violation, a full disk and
// one without a message of its own.
const std::vector<uint32_t> kInOutCodes = {2, 3, 4, 5, 32, 100, 101, 106, 112, 23};
const std::vector<uint32_t> kHostStatuses = {
    static_cast<uint32_t>(kStatusFail), static_cast<uint32_t>(kStatusUnknownName),
    static_cast<uint32_t>(kStatusException), static_cast<uint32_t>(kStatusRpcUnavailable)};

void PrintTo(const Scenario& s, std::ostream* os) {
  *os << s.name;
}

class FaultInjection : public ::testing::TestWithParam<Scenario> {};

TEST_P(FaultInjection, EveryFailedOperationEndsTheRunAsItMust) {
  const Scenario& s = GetParam();
  const Outcome baseline = RunWithFault(s, "", 0, 0);
  const std::set<std::string> groups = GroupsWithout(s, "");
  const std::string targetGroup = s.givenGroup.empty() ? DefaultGroup(s, "") : s.givenGroup;
  const std::string stamp = DateFormatter{}.TimeStamp(FakeClock{}.local) + " ";

  // The run without a fault is what the faults are measured against, so check it first.
  ASSERT_EQ(baseline.exitCode, 0);
  ASSERT_TRUE(LogIsWhole(baseline.log, stamp));
  if (groups.empty()) {
    ASSERT_EQ(baseline.list, kOldList);
  } else {
    ASSERT_EQ(baseline.list, ListText(groups));
  }
  ASSERT_EQ(baseline.imports, s.posts && !groups.empty() ? 1u : 0u);
  if (baseline.imports > 0) {
    ASSERT_EQ(baseline.article.substr(baseline.article.size() - baseline.list.size()),
              baseline.list);
    ASSERT_NE(baseline.article.find("Newsgroups: " + targetGroup + "\r\n"), std::string::npos);
  }
  if (!s.logs) {
    ASSERT_EQ(baseline.log, kOldLog);
  }

  const std::vector<std::string>& ops = baseline.operations;
  const size_t logCreated = IndexOf(ops, "file create " + kLog);
  const size_t listCreated = IndexOf(ops, "file create " + kList);
  const size_t listWritten = IndexOf(ops, "file write " + kList);
  const size_t imported = IndexOf(ops, "host invoke NewsImport");
  std::map<std::string, int> ordinals;
  std::map<std::string, int> tally;  // outcomes, for the summary
  int runs = 0;

  for (size_t i = 0; i < ops.size(); ++i) {
    const std::string& op = ops[i];
    const std::string seam = Seam(op);
    const int ordinal = ++ordinals[seam];
    std::vector<uint32_t> codes;
    if (seam == "host") {
      codes = kHostStatuses;
    } else if (seam == "console" || seam == "file") {
      codes = {kInOutCodes[i % kInOutCodes.size()]};
    } else {
      codes = {1};
    }
    for (uint32_t code : codes) {
      SCOPED_TRACE("operation " + std::to_string(i + 1) + " (" + seam + " #" +
                   std::to_string(ordinal) + "): " + op + ", code " + std::to_string(code));
      const Outcome o = RunWithFault(s, seam, ordinal, code);
      const Expectation e = Expect(op, code);
      ++runs;
      EXPECT_TRUE(o.filesReleased) << "a file stays open after the run";
      EXPECT_TRUE(LogIsWhole(o.log, stamp)) << o.log;
      switch (e.way) {
        case Expectation::kSameAsBaseline:
          ++tally["absorbed"];
          EXPECT_EQ(o.exitCode, 0);
          EXPECT_EQ(o.console, baseline.console);
          EXPECT_EQ(o.log, baseline.log);
          EXPECT_EQ(o.list, baseline.list);
          EXPECT_EQ(o.article, baseline.article);
          break;
        case Expectation::kSettingMissing: {
          ++tally["absorbed"];
          const std::string group = DefaultGroup(s, Target(op));
          EXPECT_EQ(o.exitCode, 0);
          EXPECT_EQ(o.console, Replace(baseline.console, targetGroup, group));
          EXPECT_EQ(o.log, baseline.log);
          EXPECT_EQ(o.list, baseline.list);
          EXPECT_EQ(o.article, Replace(baseline.article, targetGroup, group));
          break;
        }
        case Expectation::kFileMissing: {
          ++tally["absorbed"];
          const std::set<std::string> found = GroupsWithout(s, Target(op));
          EXPECT_EQ(o.exitCode, 0);
          EXPECT_EQ(o.console.find("Exception"), std::string::npos) << o.console;
          EXPECT_EQ(o.list, found.empty() ? kOldList : ListText(found));
          EXPECT_EQ(o.imports, s.posts && !found.empty() ? 1u : 0u);
          if (o.imports > 0) {
            EXPECT_EQ(o.article.substr(o.article.size() - o.list.size()), o.list);
          }
          if (s.logs) {
            EXPECT_TRUE(std::string_view(o.log).ends_with("Programmende\r\n"));
          }
          EXPECT_EQ(o.messageBoxes, Target(op) == kServerList || !s.files.count(kServerList));
          break;
        }
        case Expectation::kReport: {
          ++tally[e.kind];
          EXPECT_EQ(o.exitCode, 1);
          // The console as it stood when the operation failed, then the report.
          const std::string before =
              Join(baseline.consoleWrites, CountBefore(ops, i, "console write"));
          EXPECT_EQ(MaskAddress(o.console, before.size()), before + Report(e.kind, e.message));
          // The log: an earlier run's until this run empties it, then the lines written so far.
          const std::string log =
              i <= logCreated ? kOldLog
                              : FirstLines(baseline.log, CountBefore(ops, i, "file write " + kLog));
          EXPECT_EQ(o.log, log);
          // The list file: an earlier run's until it is created, then the whole new list.
          const std::string list = i <= listCreated   ? kOldList
                                   : i <= listWritten ? ""
                                                      : baseline.list;
          EXPECT_EQ(o.list, list);
          EXPECT_EQ(o.imports, i > imported ? 1u : 0u);
          if (o.imports > 0) {
            EXPECT_EQ(o.article, baseline.article);
          }
          break;
        }
      }
    }
  }

  std::string summary;
  for (const auto& [seam, count] : ordinals) summary += " " + seam + "=" + std::to_string(count);
  summary += "; outcomes:";
  for (const auto& [kind, count] : tally) summary += " " + kind + "=" + std::to_string(count);
  const std::string figures = s.name + ": " + std::to_string(ops.size()) + " operations (" +
                              summary.substr(1) + "), " + std::to_string(runs) + " runs";
  std::printf("[ faults   ] %s\n", figures.c_str());
}

// A disk that fills up in the middle of a write: the log or the list file keeps the bytes that
// still fitted, and the run ends with the write's error.
TEST_P(FaultInjection, DiskFullInTheMiddleOfAWrite) {
  const Scenario& s = GetParam();
  const Outcome baseline = RunWithFault(s, "", 0, 0);
  const std::vector<std::string>& ops = baseline.operations;
  const size_t listWritten = IndexOf(ops, "file write " + kList);
  const size_t imported = IndexOf(ops, "host invoke NewsImport");
  int runs = 0;
  for (size_t i = 0; i < ops.size(); ++i) {
    if (Seam(ops[i]) != "file" || ops[i].rfind("file write ", 0) != 0) continue;
    // What the run wrote before this write, and this write's bytes.
    const size_t logLines = CountBefore(ops, i, "file write " + kLog);
    const std::string logBefore = FirstLines(baseline.log, logLines);
    const bool toList = ops[i] == "file write " + kList;
    const std::string piece =
        toList ? baseline.list : FirstLines(baseline.log, logLines + 1).substr(logBefore.size());
    const size_t before = logBefore.size() + (i > listWritten ? baseline.list.size() : 0);
    for (size_t fits : {size_t{0}, piece.size() / 2, piece.size() - 1}) {
      SCOPED_TRACE(ops[i] + " with room for " + std::to_string(fits) + " of " +
                   std::to_string(piece.size()) + " bytes");
      const Outcome o = RunWithFault(s, "", 0, 0, static_cast<long long>(before + fits));
      ++runs;
      EXPECT_EQ(o.exitCode, 1);
      const std::string consoleBefore =
          Join(baseline.consoleWrites, CountBefore(ops, i, "console write"));
      const std::string report = toList ? Report("EWriteError", "Stream-Write-Fehler")
                                        : Report("EInOutError", "E/A-Fehler 112");
      EXPECT_EQ(MaskAddress(o.console, consoleBefore.size()), consoleBefore + report);
      if (toList) {
        EXPECT_EQ(o.log, baseline.log.substr(0, logBefore.size()));
        EXPECT_EQ(o.list, baseline.list.substr(0, fits));
      } else {
        EXPECT_EQ(o.log, logBefore + piece.substr(0, fits));
        EXPECT_EQ(o.list, i > listWritten ? baseline.list : kOldList);
      }
      EXPECT_EQ(o.imports, i > imported ? 1u : 0u);
      EXPECT_TRUE(o.filesReleased);
    }
  }
  std::printf("[ faults   ] %s: %d runs on a disk that fills up\n", s.name.c_str(), runs);
  if (s.logs) {
    EXPECT_GT(runs, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(WholeRuns, FaultInjection,
                         ::testing::Values(Servers(), DescList(), Fallback(), NoLogNoServers()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kelbrin::test
