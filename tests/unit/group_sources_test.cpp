#include "groups/group_sources.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/errors.h"
#include "app/run_driver.h"
#include "fakes.h"
#include "platform/text.h"

namespace kelbrin::test {
namespace {

const std::string kServerList = "/news/server.hst";
// Built with the platform's separator, as the tool builds its paths.
const std::string kServerDir = std::string("/news/server") + kPathSeparator;
const std::string kDescList = kServerDir + "alldescs.txt";
const std::string kLog = "/opt/tools/kelbrin.log";
const std::string kListFile = "/opt/tools/kelbrin.lst";

std::string GroupFile(const std::string& server, const std::string& name) {
  return kServerDir + server + kPathSeparator + name;
}

// A world whose host names the server directory with the platform's separator.
void UseServerDir(FakeWorld& world) {
  world.host.AnswerText("ControlGetServerPath", kServerDir);
}

// A run that has reached the collection step, with logging on, as the run driver leaves it.
struct Sources {
  FakeWorld world;
  Run run{world.platform};

  Sources() {
    UseServerDir(world);
    run.formatter.settings = world.regional.Read();
    run.hostObject = HostObject::Create(world.automation, "tolvane.app");
    run.groupList = std::make_unique<GroupList>(world.collator);
    run.hostPath = "/news/";
    run.logFileName = kLog;
    world.files.Content(kLog);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string_view> sorted = run.groupList->Sorted();
    return {sorted.begin(), sorted.end()};
  }
};

std::string Repeat(const std::string& line, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += line;
  return out;
}

// Numbered lines "prefix0 text", "prefix1 text", ... so that no two are duplicates.
std::string Numbered(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "g" + std::to_string(i) + " text\r\n";
  return out;
}

struct CutCase {
  std::string name;
  bool skipFirstField;
  std::string content;
  std::vector<std::string> entries;
};

class GroupFileCuts : public ::testing::TestWithParam<CutCase> {};

TEST_P(GroupFileCuts, TakeTheGroupName) {
  const CutCase& c = GetParam();
  Sources s;
  const std::string file = GroupFile("alpha", "groups.txt");
  s.world.files.Content(file) = c.content;
  ReadGroupFile(s.run, file, c.skipFirstField);
  EXPECT_EQ(s.Entries(), c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GroupFileCuts,
    ::testing::Values(
        CutCase{"GroupsDescription", false, "de.test Test group\r\n", {"de.test"}},
        CutCase{"GroupsNoSpace", false, "de.test\r\n", {"de.test"}},
        CutCase{"GroupsLeadingSpace", false, " de.test\r\n", {""}},
        CutCase{"GroupsTabIsOrdinary", false, "de.test\tTest group\r\n", {"de.test\tTest"}},
        CutCase{"EmptyLinesAddNothing", false, "\r\n\r\n\r\n", {}},
        CutCase{"LfOnlyFileIsOneLine", false, "b.one x\na.two y\n", {"b.one"}},
        CutCase{"LfOnlyWithoutSpace", false, "b.one\na.two\n", {"b.one\na.two\n"}},
        CutCase{
            "CtrlZStopsReading", false, "b.one\r\na.two\x1A\r\nc.three\r\n", {"a.two", "b.one"}},
        CutCase{"NewgrpsThreeFields", true, "x de.test more\r\n", {"de.test"}},
        CutCase{"NewgrpsTwoFields", true, "x de.test\r\n", {"de.test"}},
        CutCase{"NewgrpsNoSpace", true, "de.test\r\n", {"de.test"}},
        CutCase{"NewgrpsDoubleSpace", true, "x  de.test\r\n", {""}},
        CutCase{"NewgrpsSpaceLast", true, "x \r\n", {""}},
        CutCase{"SortedCaseFolded",
                false,
                "de.Test a\r\nb.x\r\nDE.test\r\na.y\r\n",
                {"a.y", "b.x", "de.Test"}}),
    [](const auto& info) { return info.param.name; });

TEST(ReadGroupFile, MissingFileIsSkippedSilently) {
  Sources s;
  ReadGroupFile(s.run, GroupFile("alpha", "groups.txt"), false);
  EXPECT_EQ(s.world.console.output, "");
  EXPECT_TRUE(s.world.LogMessages().empty());
  EXPECT_TRUE(s.world.files.opens.empty());
}

TEST(ReadGroupFile, DirectoryOfThatNameCountsAsMissing) {
  Sources s;
  const std::string file = GroupFile("alpha", "groups.txt");
  s.world.files.Content(file);
  s.world.files.directories.insert(file);
  ReadGroupFile(s.run, file, false);
  EXPECT_EQ(s.world.console.output, "");
  EXPECT_TRUE(s.world.LogMessages().empty());
}

TEST(ReadGroupFile, LogsAndConsole) {
  Sources s;
  const std::string file = GroupFile("alpha", "newgrps.txt");
  s.world.files.Content(file) = "1 a.b x\r\n";
  ReadGroupFile(s.run, file, true);
  EXPECT_EQ(s.world.LogMessages(), (std::vector<std::string>{"Lesen von " + file, Ansi("  Öffnen"),
                                                             "  Lesen", Ansi("  Schließen")}));
  // Each piece is its own write, so the user sees it at once.
  EXPECT_EQ(s.world.console.writes, (std::vector<std::string>{"Lesen von " + file, ".", "\r\n"}));
}

TEST(ReadGroupFile, DotBeforeEachThousandNonEmptyLines) {
  struct Case {
    std::string content;
    int dots;
  };
  for (const Case& c : std::vector<Case>{{Repeat("\r\n", 5), 0},
                                         {"a\r\n", 1},
                                         {Numbered(999), 1},
                                         {Numbered(1000), 1},
                                         {Numbered(1001), 2},
                                         {"\r\n" + Numbered(1000) + Repeat("\r\n", 700), 1},
                                         {Numbered(2001), 3}}) {
    Sources s;
    const std::string file = GroupFile("alpha", "groups.txt");
    s.world.files.Content(file) = c.content;
    ReadGroupFile(s.run, file, false);
    EXPECT_EQ(s.world.console.output, "Lesen von " + file + std::string(c.dots, '.') + "\r\n");
  }
}

TEST(DescList, DotAfterEachThousandLinesAndLinesTakenWhole) {
  struct Case {
    std::string content;
    int dots;
    size_t entries;
  };
  for (const Case& c : std::vector<Case>{{"", 0, 0},
                                         {Numbered(999), 0, 999},
                                         {Numbered(1000), 1, 1000},
                                         {Numbered(1001), 1, 1001},
                                         // Empty lines count for the dots and add one entry.
                                         {Numbered(998) + Repeat("\r\n", 2), 1, 999},
                                         {Numbered(1999) + "\r\n", 2, 2000}}) {
    Sources s;
    s.run.options.useDescList = true;
    s.world.files.Content(kDescList) = c.content;
    CollectGroups(s.run);
    EXPECT_EQ(s.world.console.output,
              "alldescs.txt wird gelesen" + std::string(c.dots, '.') + "\r\n");
    EXPECT_EQ(s.Entries().size(), c.entries);
  }
  Sources s;
  s.run.options.useDescList = true;
  s.world.files.Content(kDescList) = "de.test\tA group for tests\r\n b  c \r\n\r\n\r\n";
  CollectGroups(s.run);
  EXPECT_EQ(s.Entries(), (std::vector<std::string>{"", " b  c ", "de.test\tA group for tests"}));
}

TEST(DescList, PresentMeansNoServerListIsLookedAt) {
  Sources s;
  s.run.options.useDescList = true;
  s.world.files.Content(kDescList) = "a.b\r\n";
  s.world.files.Content(kServerList) = "alpha,119\r\n";
  s.world.files.Content(GroupFile("alpha", "groups.txt")) = "x.y\r\n";
  CollectGroups(s.run);
  EXPECT_EQ(s.world.files.existsQueries, std::vector<std::string>{kDescList});
  for (const auto& open : s.world.files.opens) {
    EXPECT_TRUE(open.path == kDescList || open.path == kLog) << open.path;
  }
  EXPECT_EQ(s.Entries(), std::vector<std::string>{"a.b"});
  EXPECT_EQ(s.world.LogMessages(),
            (std::vector<std::string>{"alldescs.txt vorhanden", kDescList + " einlesen"}));
  EXPECT_EQ(s.world.host.Calls("ControlGetServerPath"), 3);
  EXPECT_TRUE(s.run.options.useDescList);
}

TEST(DescList, MissingFallsBackOnServerList) {
  Sources s;
  s.run.options.useDescList = true;
  s.world.files.Content(kServerList) = "alpha,119\r\n";
  s.world.files.Content(GroupFile("alpha", "groups.txt")) = "x.y\r\n";
  CollectGroups(s.run);
  EXPECT_FALSE(s.run.options.useDescList);
  EXPECT_EQ(s.Entries(), std::vector<std::string>{"x.y"});
  std::vector<std::string> log = s.world.LogMessages();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "alldescs.txt nicht gefunden");
  EXPECT_EQ(log[1], "Serverliste suchen");
  const std::string first =
      "alldescs.txt nicht gefunden, die einzelnen Server werden verarbeitet\r\n";
  EXPECT_EQ(s.world.console.output.substr(0, first.size()), first);
  // One for the existence test, then two for the one server.
  EXPECT_EQ(s.world.host.Calls("ControlGetServerPath"), 3);
}

TEST(ServerList, MissingShowsMessageBoxAndCollectsNothing) {
  FakeWorld world;
  UseServerDir(world);
  EXPECT_EQ(RunProgram(world.platform), 0);
  ASSERT_EQ(world.messageBox.shown.size(), 1u);
  EXPECT_EQ(world.messageBox.shown[0].text,
            "Datei /news/server.hst nicht gefunden.\n\r\n\r"
            "Vermutlich noch keine Newsserver im Tolvane eingetragen.");
  EXPECT_EQ(world.messageBox.shown[0].caption, "Fehler");
  EXPECT_EQ(world.messageBox.shown[0].style, kMbIconError | kMbOk);
  std::vector<std::string> log = world.LogMessages();
  auto at = std::find(log.begin(), log.end(), "Serverliste suchen");
  ASSERT_NE(at, log.end());
  EXPECT_EQ(*(at + 1), "Keine Gruppen gefunden");
  EXPECT_FALSE(world.files.files.count(kListFile));
  EXPECT_NE(world.console.output.find("\r\n\r\nKeine Gruppen gefunden\r\n"), std::string::npos);
}

TEST(ServerList, EmptyListOpensAndClosesOnly) {
  Sources s;
  s.world.files.Content(kServerList) = "";
  CollectGroups(s.run);
  EXPECT_EQ(s.world.LogMessages(),
            (std::vector<std::string>{"Serverliste suchen", Ansi("Serverliste öffnen"),
                                      Ansi("Serverliste schließen")}));
  EXPECT_TRUE(s.Entries().empty());
  EXPECT_EQ(s.world.console.output, "");
  EXPECT_TRUE(s.world.messageBox.shown.empty());
  EXPECT_EQ(s.world.host.Calls("ControlGetServerPath"), 0);
}

TEST(ServerList, ServerNameIsTheTextBeforeTheFirstComma) {
  Sources s;
  // A name without a comma is taken whole; an empty line names the server directory itself.
  s.world.files.Content(kServerList) = "alpha,beta,gamma\r\nsolo\r\n\r\n,x\r\n";
  CollectGroups(s.run);
  EXPECT_EQ(s.world.files.existsQueries,
            (std::vector<std::string>{
                kServerList, GroupFile("alpha", "groups.txt"), GroupFile("alpha", "newgrps.txt"),
                GroupFile("solo", "groups.txt"), GroupFile("solo", "newgrps.txt"),
                GroupFile("", "groups.txt"), GroupFile("", "newgrps.txt"),
                GroupFile("", "groups.txt"), GroupFile("", "newgrps.txt")}));
  EXPECT_EQ(s.world.host.Calls("ControlGetServerPath"), 8);
  std::vector<std::string> log = s.world.LogMessages();
  EXPECT_EQ(std::count(log.begin(), log.end(), "aktueller Server: "), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "aktueller Server: ,x"), 1);
}

// Two servers that share a group, read through a whole run.
TEST(ServerList, TypicalRun) {
  FakeWorld world;
  UseServerDir(world);
  world.process.arguments = {"/nopost"};
  world.files.Content(kServerList) = "alpha,news.alpha.example,119\r\nbeta,news.beta.example\r\n";
  world.files.Content(GroupFile("alpha", "groups.txt")) = "de.test Tests\r\nexample.misc\r\n";
  world.files.Content(GroupFile("alpha", "newgrps.txt")) = "1733750000 example.new x\r\n";
  world.files.Content(GroupFile("beta", "groups.txt")) = "DE.TEST Tests\r\nb.only\r\n";
  ASSERT_EQ(RunProgram(world.platform), 0);

  const std::string alphaGroups = GroupFile("alpha", "groups.txt");
  const std::string alphaNew = GroupFile("alpha", "newgrps.txt");
  const std::string betaGroups = GroupFile("beta", "groups.txt");
  std::vector<std::string> log = world.LogMessages();
  std::vector<std::string> expected = {"Serverliste suchen",
                                       Ansi("Serverliste öffnen"),
                                       "aktueller Server: alpha,news.alpha.example,119",
                                       "Lesen von " + alphaGroups,
                                       Ansi("  Öffnen"),
                                       "  Lesen",
                                       Ansi("  Schließen"),
                                       "Lesen von " + alphaNew,
                                       Ansi("  Öffnen"),
                                       "  Lesen",
                                       Ansi("  Schließen"),
                                       "aktueller Server: beta,news.beta.example",
                                       "Lesen von " + betaGroups,
                                       Ansi("  Öffnen"),
                                       "  Lesen",
                                       Ansi("  Schließen"),
                                       Ansi("Serverliste schließen")};
  auto start = std::find(log.begin(), log.end(), "Serverliste suchen");
  ASSERT_GE(log.end() - start, static_cast<long>(expected.size()));
  EXPECT_EQ(std::vector<std::string>(start, start + static_cast<long>(expected.size())), expected);

  const std::string summary = "Log: Ja, alldescs.txt: Nein, Posten: Nein\r\n\r\n";
  size_t at = world.console.output.find(summary);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(world.console.output.substr(at + summary.size()),
            "Lesen von " + alphaGroups + ".\r\n" + "Lesen von " + alphaNew + ".\r\n" +
                "Lesen von " + betaGroups + ".\r\n" + "Gruppenliste in " + kListFile +
                " speichern\r\n");
  EXPECT_EQ(world.files.Content(kListFile), "b.only\r\nde.test\r\nexample.misc\r\nexample.new\r\n");
  // Once for the driver's log line, then twice per server.
  EXPECT_EQ(world.host.Calls("ControlGetServerPath"), 5);
  for (const auto& open : world.files.opens) {
    if (open.path == kLog || open.path == kListFile) continue;
    EXPECT_EQ(open.access, FileAccess::Read) << open.path;
    EXPECT_EQ(open.share, FileShare::Read) << open.path;
    EXPECT_EQ(open.creation, FileCreation::OpenExisting) << open.path;
  }
}

TEST(ServerList, GroupFileThatCannotBeOpenedEndsTheRun) {
  FakeWorld world;
  UseServerDir(world);
  const std::string file = GroupFile("alpha", "groups.txt");
  world.files.Content(kServerList) = "alpha,119\r\n";
  world.files.Content(file) = "de.test\r\n";
  // The news server is writing the file.
  world.files.files[file].heldShare = static_cast<int>(FileShare::Read);
  world.files.files[file].heldAccess = FileAccess::ReadWrite;
  EXPECT_EQ(RunProgram(world.platform), 1);
  const std::string& out = world.console.output;
  EXPECT_NE(out.find("\r\n\r\nLesen von " + file + "Exception EInOutError in Modul kelbrin bei "),
            std::string::npos)
      << out;
  EXPECT_EQ(out.substr(out.size() - 17), "\nE/A-Fehler 32.\r\n");
  EXPECT_FALSE(world.files.files.count(kListFile));
  EXPECT_EQ(world.LogMessages().back(), Ansi("  Öffnen"));
}

TEST(ServerList, ReadFailureEndsTheRunMidLine) {
  Sources s;
  const std::string file = GroupFile("alpha", "groups.txt");
  s.world.files.Content(kServerList) = "alpha,119\r\n";
  s.world.files.Content(file) = "de.test\r\n";
  // Fails the group file's first read: after its open come the four operations of the
  // "  Lesen" log line (open, seek, write, close), then the read.
  s.world.files.faults.code = 23;
  s.world.files.beforeOpen = [&](const std::string& path) {
    if (path == file) s.world.files.faults.failAt = s.world.files.faults.count + 6;
  };
  try {
    CollectGroups(s.run);
    ADD_FAILURE() << "no error raised";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Kind(), "EInOutError");
    EXPECT_EQ(failure.Message(), "E/A-Fehler 23");
  }
  EXPECT_EQ(s.world.console.output, "Lesen von " + file);
  EXPECT_EQ(s.world.LogMessages().back(), "  Lesen");
  EXPECT_TRUE(s.Entries().empty());
}

}  // namespace
}  // namespace kelbrin::test
