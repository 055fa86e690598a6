#include "post/post_group_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/errors.h"
#include "app/run_driver.h"
#include "fakes.h"
#include "platform/text.h"

namespace kelbrin::test {
namespace {

const std::string kLog = "/opt/tools/kelbrin.log";
const std::string kList = "/opt/tools/kelbrin.lst";

// A run that has just saved its list file, ready for the posting step: German settings, a
// UTC time on the day before the local one.
struct Posting {
  FakeWorld world;
  Run run{world.platform};

  Posting() {
    world.regional.settings = FakeRegional::German();
    world.clock.utc = {2000, 3, 7, 9, 7, 3, 640};
    world.clock.local = {2000, 3, 8, 1, 7, 3, 640};
    run.formatter.settings = world.regional.Read();
    run.hostObject = HostObject::Create(world.automation, "tolvane.app");
    run.logFileName = kLog;
    world.files.Content(kLog) = "";
    run.listFileName = kList;
    world.files.Content(kList) = "alt.test\r\nde.test\r\n";
    run.targetGroup = "tolvane.misc";
  }
  // The article the host received.
  const std::string& Posted() const { return world.host.importArgs.at(0).at(0).text; }
  std::vector<std::string> BlockLines() {
    std::vector<std::string> out;
    for (const std::string& line : world.LogMessages()) {
      if (line.rfind("Block aus", 0) == 0) out.push_back(line);
    }
    return out;
  }
};

const std::string kHead =
    "From: Tolvane-Listengenerator\r\n"
    "Subject: Gesamtgruppenliste\r\n"
    "Date: Tue, 7 Mar 2000 09:07:03 GMT\r\n"
    "Newsgroups: tolvane.misc\r\n"
    "\r\n"
    "Generiert am 08.03.2000 01:07:03\r\n"
    "\r\n";

TEST(PostGroupList, ComposesLogsAndHandsOverTheArticle) {
  Posting p;
  PostGroupList(p.run);
  EXPECT_EQ(p.run.dateHeaderValue, "Tue, 7 Mar 2000 09:07:03 GMT");
  EXPECT_EQ(p.run.utcTime, (DateTime{2000, 3, 7, 9, 7, 3, 640}));
  EXPECT_EQ(p.run.articleText, kHead + "alt.test\r\nde.test\r\n");
  EXPECT_EQ(p.world.console.output, "Gruppenliste nach tolvane.misc posten\r\n");
  EXPECT_EQ(p.world.LogMessages(),
            (std::vector<std::string>{"GMT-Zeit ermitteln", "Header erzeugen",
                                      Ansi("Gruppenliste öffnen"),
                                      "Block aus Gruppenliste lesen (19 Bytes)",
                                      Ansi("Gruppenliste schließen"), "Gruppenliste posten"}));
  ASSERT_EQ(p.world.host.importArgs.size(), 1u);
  const std::vector<Variant>& args = p.world.host.importArgs[0];
  ASSERT_EQ(args.size(), 4u);
  EXPECT_EQ(args[0].type, Variant::Type::Text);
  EXPECT_TRUE(args[0].byRef);
  EXPECT_EQ(args[0].text, p.run.articleText);
  EXPECT_EQ(args[1].type, Variant::Type::Text);
  EXPECT_TRUE(args[1].byRef);
  EXPECT_EQ(args[1].text, "tolvane.misc");
  for (size_t i : {2u, 3u}) {
    EXPECT_EQ(args[i].type, Variant::Type::Bool);
    EXPECT_FALSE(args[i].boolean);
    EXPECT_FALSE(args[i].byRef);
  }
  EXPECT_EQ(p.world.host.Calls("NewsImport"), 1);
}

TEST(PostGroupList, ListFileOpenedSharedForReadingAndWriting) {
  Posting p;
  PostGroupList(p.run);
  std::vector<FakeFileSystem::OpenRecord> listOpens;
  for (const auto& open : p.world.files.opens) {
    if (open.path == kList) listOpens.push_back(open);
  }
  ASSERT_EQ(listOpens.size(), 1u);
  EXPECT_EQ(listOpens[0].access, FileAccess::ReadWrite);
  EXPECT_EQ(listOpens[0].share, FileShare::ReadWrite);
  EXPECT_EQ(listOpens[0].creation, FileCreation::OpenExisting);
  EXPECT_EQ(p.world.files.files[kList].heldShare, -1) << "list file left open";
  EXPECT_EQ(p.world.files.Content(kList), "alt.test\r\nde.test\r\n");
}

// Bytes 0..255 over and over, so every block holds NUL bytes at known places.
std::string AllBytes(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i * 7 % 256);
  return s;
}

TEST(PostGroupList, ReadsTheListFileInBlocksWithEveryByte) {
  struct Case {
    size_t size;
    std::vector<std::string> counts;
  };
  for (const Case& c : std::vector<Case>{{1, {"1"}},
                                         {9999, {"9999"}},
                                         {10000, {"10000"}},
                                         {10001, {"10000", "1"}},
                                         {20000, {"10000", "10000"}},
                                         {25000, {"10000", "10000", "5000"}}}) {
    SCOPED_TRACE(c.size);
    Posting p;
    const std::string content = AllBytes(c.size);
    p.world.files.Content(kList) = content;
    PostGroupList(p.run);
    std::vector<std::string> expected;
    for (const std::string& n : c.counts) {
      expected.push_back("Block aus Gruppenliste lesen (" + n + " Bytes)");
    }
    EXPECT_EQ(p.BlockLines(), expected);
    ASSERT_EQ(p.world.host.importArgs.size(), 1u);
    // The body is the file, NUL bytes included, and ends with its last byte.
    EXPECT_EQ(p.Posted().size(), kHead.size() + content.size());
    EXPECT_TRUE(p.Posted() == kHead + content);
  }
}

TEST(PostGroupList, NulInsideAGroupLineReachesTheHost) {
  Posting p;
  const std::string content = std::string("alt.a\0b\r\nde.c\r\n", 15);
  p.world.files.Content(kList) = content;
  PostGroupList(p.run);
  EXPECT_EQ(p.BlockLines(), std::vector<std::string>{"Block aus Gruppenliste lesen (15 Bytes)"});
  EXPECT_EQ(p.Posted(), kHead + content);
  EXPECT_EQ(p.run.articleText, kHead + content);
}

TEST(PostGroupList, TargetGroupGoesOutExactlyAsSetAndStaysUnchanged) {
  Posting p;
  p.run.targetGroup = "de.alt.t\xE4st grp";
  PostGroupList(p.run);
  EXPECT_NE(p.Posted().find("\r\nNewsgroups: de.alt.t\xE4st grp\r\n\r\n"), std::string::npos);
  EXPECT_EQ(p.world.host.importArgs.at(0).at(1).text, "de.alt.t\xE4st grp");
  EXPECT_EQ(p.run.targetGroup, "de.alt.t\xE4st grp");
  EXPECT_EQ(p.world.console.output, "Gruppenliste nach de.alt.t\xE4st grp posten\r\n");
}

TEST(PostGroupList, WithoutLogOnlyTheConsoleLineShows) {
  Posting p;
  p.run.options.writeLogFile = false;
  p.world.files.files.erase(kLog);
  p.world.host.Answer("NewsImport", Variant::Bool(false));
  PostGroupList(p.run);
  EXPECT_FALSE(p.world.files.files.count(kLog));
  EXPECT_EQ(p.world.console.output, "Gruppenliste nach tolvane.misc posten\r\n");
  EXPECT_EQ(p.world.host.importArgs.size(), 1u);
}

Variant Number(double d) {
  Variant v;
  v.type = Variant::Type::Double;
  v.real = d;
  return v;
}

Variant Integer(int64_t i) {
  Variant v;
  v.type = Variant::Type::Int;
  v.integer = i;
  return v;
}

Variant OfType(Variant::Type type) {
  Variant v;
  v.type = type;
  return v;
}

TEST(PostGroupList, HostAnswers) {
  enum Outcome { kTaken, kRefused, kError };
  struct Case {
    std::string name;
    Variant answer;
    Outcome outcome;
    std::string error;  // the EVariantError message
  };
  const std::string refusal = "Posten fehlgeschlagen, Grund unklar";
  const std::vector<Case> cases = {
      {"true", Variant::Bool(true), kTaken, ""},
      {"false", Variant::Bool(false), kRefused, ""},
      {"-1", Integer(-1), kTaken, ""},
      {"0", Integer(0), kRefused, ""},
      {"1", Integer(1), kRefused, ""},
      {"5", Integer(5), kRefused, ""},
      {"-1.0", Number(-1.0), kTaken, ""},
      {"-1.4", Number(-1.4), kTaken, ""},
      {"-0.6", Number(-0.6), kTaken, ""},
      {"-0.5 rounds to 0", Number(-0.5), kRefused, ""},
      {"-1.5 rounds to -2", Number(-1.5), kRefused, ""},
      {"0.4", Number(0.4), kRefused, ""},
      {"text -1", Variant::Text("-1"), kTaken, ""},
      {"text 7", Variant::Text("7"), kRefused, ""},
      {"text abc", Variant::Text("abc"), kError, Ansi("Ungültige Variant-Typumwandlung")},
      {"empty", OfType(Variant::Type::Empty), kError, Ansi("Ungültige Variant-Operation")},
      {"null", OfType(Variant::Type::Null), kError, Ansi("Ungültige Variant-Typumwandlung")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Posting p;
    p.world.host.Answer("NewsImport", c.answer);
    std::string kind, message;
    try {
      PostGroupList(p.run);
    } catch (const Failure& failure) {
      kind = failure.Kind();
      message = failure.Message();
    }
    EXPECT_EQ(p.world.host.Calls("NewsImport"), 1);
    const std::vector<std::string> log = p.world.LogMessages();
    ASSERT_FALSE(log.empty());
    if (c.outcome == kRefused) {
      EXPECT_EQ(log.back(), refusal);
      EXPECT_EQ(log[log.size() - 2], "Gruppenliste posten");
    } else {
      EXPECT_EQ(log.back(), "Gruppenliste posten");
    }
    EXPECT_EQ(kind, c.outcome == kError ? "EVariantError" : "");
    EXPECT_EQ(message, c.error);
  }
}

TEST(PostGroupList, HostExceptionEndsThePostingWithoutTheRefusalLine) {
  Posting p;
  p.world.host.Throw("NewsImport", "Host refuses. . ");
  try {
    PostGroupList(p.run);
    ADD_FAILURE() << "no error raised";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Kind(), "EOleException");
    EXPECT_EQ(failure.Message(), "Host refuses");
  }
  EXPECT_EQ(p.world.LogMessages().back(), "Gruppenliste posten");
}

TEST(PostGroupList, ListFileThatCannotBeOpenedOrReadEndsTheRun) {
  struct Case {
    std::string name;
    std::function<void(Posting&)> arrange;
    std::string message;
    std::string lastLog;
  };
  const std::vector<Case> cases = {
      {"missing", [](Posting& p) { p.world.files.files.erase(kList); }, "Datei nicht gefunden",
       Ansi("Gruppenliste öffnen")},
      {"read-only", [](Posting& p) { p.world.files.files[kList].readOnly = true; },
       "Dateizugriff verweigert", Ansi("Gruppenliste öffnen")},
      {"held without sharing",
       [](Posting& p) {
         p.world.files.files[kList].heldShare = static_cast<int>(FileShare::None);
         p.world.files.files[kList].heldAccess = FileAccess::Read;
       },
       "E/A-Fehler 32", Ansi("Gruppenliste öffnen")},
      {"held open for reading only",
       [](Posting& p) {
         p.world.files.files[kList].heldShare = static_cast<int>(FileShare::Read);
         p.world.files.files[kList].heldAccess = FileAccess::Read;
       },
       "E/A-Fehler 32", Ansi("Gruppenliste öffnen")},
      // Without the log, the list file's open, size and read are operations 1, 2 and 3.
      {"read fails",
       [](Posting& p) {
         p.run.options.writeLogFile = false;
         p.world.files.faults = {3, 23};
       },
       "E/A-Fehler 23", ""},
      {"close fails",
       [](Posting& p) {
         p.run.options.writeLogFile = false;
         p.world.files.faults = {4, 5};
       },
       "Dateizugriff verweigert", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Posting p;
    c.arrange(p);
    try {
      PostGroupList(p.run);
      ADD_FAILURE() << "no error raised";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Kind(), "EInOutError");
      EXPECT_EQ(failure.Message(), c.message);
    }
    EXPECT_EQ(p.world.host.Calls("NewsImport"), 0);
    if (!c.lastLog.empty()) {
      EXPECT_EQ(p.world.LogMessages().back(), c.lastLog);
    }
  }
}

// A list file that another program cuts short while it is read must not stall the run.
TEST(PostGroupList, ListFileShortenedWhileReadEndsTheBody) {
  Posting p;
  p.world.files.Content(kList) = AllBytes(25000);
  // The log's fourth open writes the first block's line: the file is cut right then.
  int logOpens = 0;
  p.world.files.beforeOpen = [&](const std::string& path) {
    if (path == kLog && ++logOpens == 4) p.world.files.Content(kList).resize(15000);
  };
  PostGroupList(p.run);
  EXPECT_EQ(p.BlockLines(),
            (std::vector<std::string>{"Block aus Gruppenliste lesen (10000 Bytes)",
                                      "Block aus Gruppenliste lesen (5000 Bytes)"}));
  EXPECT_EQ(p.Posted().size(), kHead.size() + 15000);
  EXPECT_TRUE(p.Posted() == kHead + AllBytes(15000));
}

// Whole runs: a news server with one upstream server whose groups end up in the list file.
struct PostingRun {
  FakeWorld world;

  PostingRun() {
    world.regional.settings = FakeRegional::German();
    world.clock.utc = {2000, 3, 7, 9, 7, 3, 640};
    world.clock.local = {2000, 3, 7, 10, 7, 3, 640};
    world.files.directories.insert(std::string("/news/server") + kPathSeparator + "alpha");
    world.files.Content("/news/server.hst") = "alpha,news.example.net\r\n";
    world.files.Content(std::string("/news/server") + kPathSeparator + "alpha" + kPathSeparator +
                        "groups.txt") = "de.test Test group\r\nalt.b\r\n";
  }
  int Run(std::vector<std::string> arguments = {}) {
    world.process.arguments = std::move(arguments);
    return RunProgram(world.platform);
  }
  // The console output from `from` on, with the report's code address masked.
  std::string ConsoleFrom(const std::string& from) {
    std::string out = world.console.output;
    size_t at = out.find(from);
    if (at == std::string::npos) return "(not found: " + from + ") " + out;
    out = out.substr(at);
    size_t address = out.find(" bei ");
    if (address != std::string::npos) out.replace(address + 5, 8, "XXXXXXXX");
    return out;
  }
  size_t ListFileOpens() {
    size_t n = 0;
    for (const auto& open : world.files.opens) n += open.path == kList;
    return n;
  }
};

TEST(PostingRun, PostsTheSavedListIntoTheGivenGroup) {
  PostingRun r;
  ASSERT_EQ(r.Run({"/g=Alt.Test"}), 0);
  EXPECT_EQ(r.ConsoleFrom("Gruppenliste in"),
            "Gruppenliste in /opt/tools/kelbrin.lst speichern\r\n"
            "Gruppenliste nach alt.test posten\r\n");
  ASSERT_EQ(r.world.host.importArgs.size(), 1u);
  EXPECT_EQ(r.world.host.importArgs[0].at(0).text,
            "From: Tolvane-Listengenerator\r\n"
            "Subject: Gesamtgruppenliste\r\n"
            "Date: Tue, 7 Mar 2000 09:07:03 GMT\r\n"
            "Newsgroups: alt.test\r\n"
            "\r\n"
            "Generiert am 07.03.2000 10:07:03\r\n"
            "\r\n"
            "alt.b\r\n"
            "de.test\r\n");
  EXPECT_EQ(r.world.host.importArgs[0].at(1).text, "alt.test");
  std::vector<std::string> log = r.world.LogMessages();
  auto saved = std::find(log.begin(), log.end(), "Liste in /opt/tools/kelbrin.lst speichern");
  ASSERT_NE(saved, log.end());
  EXPECT_EQ(std::vector<std::string>(saved + 1, log.end()),
            (std::vector<std::string>{
                "GMT-Zeit ermitteln", "Header erzeugen", Ansi("Gruppenliste öffnen"),
                "Block aus Gruppenliste lesen (16 Bytes)", Ansi("Gruppenliste schließen"),
                "Gruppenliste posten", "Speicher der Gruppenliste freigeben", "Programmende"}));
}

TEST(PostingRun, RefusedArticleIsLoggedAndTheRunEndsNormally) {
  PostingRun r;
  r.world.host.Answer("NewsImport", Variant::Bool(false));
  ASSERT_EQ(r.Run(), 0);
  std::vector<std::string> log = r.world.LogMessages();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
            (std::vector<std::string>{"Gruppenliste posten", "Posten fehlgeschlagen, Grund unklar",
                                      "Speicher der Gruppenliste freigeben", "Programmende"}));
  EXPECT_EQ(r.ConsoleFrom("Gruppenliste nach"), "Gruppenliste nach tolvane.misc posten\r\n");
}

TEST(PostingRun, FailuresEndTheRunWithTheReport) {
  struct Case {
    std::string name;
    std::function<void(PostingRun&)> arrange;
    std::string report;
    bool imported;
  };
  const std::string head = "Gruppenliste nach tolvane.misc posten\r\nException ";
  const std::vector<Case> cases = {
      {"host exception",
       [](PostingRun& r) { r.world.host.Throw("NewsImport", "Host refuses. . "); },
       head + "EOleException in Modul kelbrin bei XXXXXXXX.\nHost refuses.\r\n", true},
      {"text answer", [](PostingRun& r) { r.world.host.AnswerText("NewsImport", "abc"); },
       head + "EVariantError in Modul kelbrin bei XXXXXXXX.\n" +
           Ansi("Ungültige Variant-Typumwandlung.\r\n"),
       true},
      {"empty answer", [](PostingRun& r) { r.world.host.Answer("NewsImport", Variant{}); },
       head + "EVariantError in Modul kelbrin bei XXXXXXXX.\n" +
           Ansi("Ungültige Variant-Operation.\r\n"),
       true},
      {"list file gone after saving",
       [](PostingRun& r) {
         r.world.files.beforeOpen = [&r, opens = 0](const std::string& path) mutable {
           if (path == kList && ++opens == 2) r.world.files.files.erase(kList);
         };
       },
       head + "EInOutError in Modul kelbrin bei XXXXXXXX.\nDatei nicht gefunden.\r\n", false},
      {"list file held without sharing",
       [](PostingRun& r) {
         r.world.files.beforeOpen = [&r, opens = 0](const std::string& path) mutable {
           if (path == kList && ++opens == 2) {
             r.world.files.files[kList].heldShare = static_cast<int>(FileShare::None);
           }
         };
       },
       head + "EInOutError in Modul kelbrin bei XXXXXXXX.\nE/A-Fehler 32.\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PostingRun r;
    c.arrange(r);
    EXPECT_EQ(r.Run(), 1);
    EXPECT_EQ(r.ConsoleFrom("Gruppenliste nach"), c.report);
    EXPECT_EQ(r.world.host.Calls("NewsImport"), c.imported ? 1 : 0);
    std::vector<std::string> log = r.world.LogMessages();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), c.imported ? "Gruppenliste posten" : Ansi("Gruppenliste öffnen"));
  }
}

TEST(PostingRun, NothingIsPostedWithoutPostingOrWithoutGroups) {
  struct Case {
    std::string name;
    std::vector<std::string> arguments;
    bool serverList;
    size_t listFileOpens;
  };
  for (const Case& c : std::vector<Case>{{"/nopost", {"/nopost"}, true, 1},
                                         {"/NOPOST with a group", {"/g=x", "/NOPOST"}, true, 1},
                                         {"no groups", {}, false, 0}}) {
    SCOPED_TRACE(c.name);
    PostingRun r;
    if (!c.serverList) r.world.files.files.erase("/news/server.hst");
    ASSERT_EQ(r.Run(c.arguments), 0);
    std::vector<std::string> log = r.world.LogMessages();
    EXPECT_EQ(std::find(log.begin(), log.end(), "GMT-Zeit ermitteln"), log.end());
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Speicher der Gruppenliste freigeben");
    EXPECT_EQ(r.world.console.output.find("Gruppenliste nach"), std::string::npos);
    EXPECT_EQ(r.ListFileOpens(), c.listFileOpens);
    EXPECT_EQ(r.world.host.Calls("NewsImport"), 0);
  }
}

}  // namespace
}  // namespace kelbrin::test
