#include <gtest/gtest.h>

#include "app/run_driver.h"
#include "fakes.h"
#include "platform/text.h"

namespace kelbrin::test {
namespace {

const std::string kBanner =
    "Tolvane-Gesamtgruppenliste generieren - Version 1.04 von Weltrapp\r\n\r\n";

struct CommandLineCase {
  std::vector<std::string> args;
  bool showHelp, postList, writeLogFile, useDescList;
  std::string group;
};

class CommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, SetsOptions) {
  FakeWorld world;
  kelbrin::Run run(world.platform);
  const CommandLineCase& c = GetParam();
  ReadCommandLine(run, c.args);
  EXPECT_EQ(run.options.showHelp, c.showHelp);
  EXPECT_EQ(run.options.postList, c.postList);
  EXPECT_EQ(run.options.writeLogFile, c.writeLogFile);
  EXPECT_EQ(run.options.useDescList, c.useDescList);
  EXPECT_EQ(run.targetGroup, c.group);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLine,
    ::testing::Values(
        CommandLineCase{{}, false, true, true, false, ""},
        CommandLineCase{{"/nopost", "/nolog"}, false, false, false, false, ""},
        CommandLineCase{{"/NoLog", "/NOLOG", "/nolog"}, false, true, false, false, ""},
        CommandLineCase{{"-?"}, true, true, true, false, ""},
        CommandLineCase{{"-nopost", "-nolog", "/nopost2", "/ nolog"}, false, true, true, false, ""},
        CommandLineCase{{"/desclist"}, false, true, true, true, ""},
        CommandLineCase{{"/G="}, false, true, true, false, ""},
        CommandLineCase{{"/g=Alt.Test"}, false, true, true, false, "alt.test"},
        CommandLineCase{{"/G=one", "/g=Two"}, false, true, true, false, "two"},
        CommandLineCase{{"/g=A b\xC4\xE4"}, false, true, true, false, "a b\xC4\xE4"},
        CommandLineCase{{"/?", "/g=x", "/nolog"}, true, true, false, false, "x"}));

TEST(RunDriver, HelpPrintsUsageWithoutHostOrLog) {
  for (auto args : {std::vector<std::string>{"/?"}, {"/nolog", "/?"}, {"/?", "/nolog"}}) {
    FakeWorld world;
    world.process.arguments = args;
    world.files.Content("/opt/tools/kelbrin.log") = "old";
    EXPECT_EQ(RunProgram(world.platform), 1);
    EXPECT_EQ(world.console.output,
              kBanner +
                  "Aufruf: kelbrin [/nopost] [/nolog] | /?\r\n"
                  "        /nopost   : Liste wird nur erstellt, aber nicht gepostet\r\n"
                  "        /nolog    : Log wird nicht erstellt\r\n"
                  "        /desclist : falls vorhanden, wird alldescs.txt verarbeitet\r\n"
                  "        /?        : Hilfe anzeigen\r\n");
    EXPECT_TRUE(world.automation.created.empty());
    EXPECT_EQ(world.files.Content("/opt/tools/kelbrin.log"), "old");
  }
}

TEST(RunDriver, SummaryLines) {
  struct Case {
    std::vector<std::string> args;
    std::string summary;
    int versionCalls;
  };
  for (const Case& c : std::vector<Case>{
           {{}, "Log: Ja, alldescs.txt: Nein, Posten: Ja (Defaultgruppe: tolvane.misc)", 1},
           {{"/nopost", "/nolog"}, "Log: Nein, alldescs.txt: Nein, Posten: Nein", 0},
           {{"/g=Alt.Test"}, "Log: Ja, alldescs.txt: Nein, Posten: Ja (Gruppe: alt.test)", 0},
           {{"/g=x", "/nopost"}, "Log: Ja, alldescs.txt: Nein, Posten: Nein", 0},
           {{"/desclist", "/G="},
            "Log: Ja, alldescs.txt: Ja, Posten: Ja (Defaultgruppe: tolvane.misc)", 1}}) {
    FakeWorld world;
    world.process.arguments = c.args;
    EXPECT_EQ(RunProgram(world.platform), 0);
    EXPECT_EQ(world.console.output.substr(0, kBanner.size() + c.summary.size() + 4),
              kBanner + c.summary + "\r\n\r\n");
    EXPECT_EQ(world.host.Calls("ControlGetVersion"), c.versionCalls);
  }
}

TEST(RunDriver, LogHoldsTheRunsSteps) {
  FakeWorld world;
  world.files.Content("/opt/tools/kelbrin.log") = "lines of an earlier run\r\n";
  ASSERT_EQ(RunProgram(world.platform), 0);
  std::vector<std::string> log = world.LogMessages();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log.front(), "Start Tolvane-Gesamtgruppenliste generieren - Version 1.04 von Weltrapp");
  EXPECT_EQ(log[1], "Tolvanepfad ermitteln");
  EXPECT_EQ(log[2], std::string(" Serverpfad: /news/server") + kPathSeparator);
  EXPECT_EQ(log.back(), "Programmende");
  EXPECT_EQ(log[log.size() - 2], "Speicher der Gruppenliste freigeben");
  EXPECT_EQ(world.host.Calls("ControlGetPath"), 1);
}

TEST(RunDriver, NoLogLeavesOlderLogUntouched) {
  FakeWorld world;
  world.process.arguments = {"/nolog"};
  world.files.Content("/opt/tools/kelbrin.log") = "old";
  EXPECT_EQ(RunProgram(world.platform), 0);
  EXPECT_EQ(world.files.Content("/opt/tools/kelbrin.log"), "old");
  for (const auto& open : world.files.opens) EXPECT_NE(open.path, "/opt/tools/kelbrin.log");
}

struct ReportCase {
  std::string name;
  std::function<void(FakeWorld&)> arrange;
  std::string expectedTail;  // console output after the banner
};

TEST(RunDriver, TopLevelReport) {
  const std::string summary = "Log: Ja, alldescs.txt: Nein, Posten: Ja";
  std::vector<ReportCase> cases = {
      {"host not registered",
       [](FakeWorld& w) { w.automation.createStatus = kStatusClassNotRegistered; },
       "Exception EOleSysError in Modul kelbrin bei XXXXXXXX.\nOLE-Fehler 80040154.\r\n"},
      {"host text for status",
       [](FakeWorld& w) {
         w.automation.createStatus = kStatusClassNotRegistered;
         w.automation.statusTexts[kStatusClassNotRegistered] = "Klasse nicht registriert";
       },
       "Exception EOleSysError in Modul kelbrin bei XXXXXXXX.\nKlasse nicht registriert.\r\n"},
      {"read-only log",
       [](FakeWorld& w) { w.files.files["/opt/tools/kelbrin.log"].readOnly = true; },
       summary + " (Defaultgruppe: tolvane.misc)\r\n\r\n"
                 "Exception EInOutError in Modul kelbrin bei XXXXXXXX.\nDateizugriff verweigert.\r\n"},
      {"log directory missing",
       [](FakeWorld& w) { w.files.directories.erase("/opt/tools"); },
       summary + " (Defaultgruppe: tolvane.misc)\r\n\r\n"
                 "Exception EInOutError in Modul kelbrin bei XXXXXXXX.\n" + Ansi("Ungültiger Dateiname.\r\n")},
      {"default group fails mid-line",
       [](FakeWorld& w) { w.host.Throw("ControlGetVersion", "Host busy. . \r\n"); },
       summary + "Exception EOleException in Modul kelbrin bei XXXXXXXX.\nHost busy.\r\n"},
      {"unknown method",
       [](FakeWorld& w) { w.host.Unknown("ControlGetPath"); },
       summary + " (Defaultgruppe: tolvane.misc)\r\n\r\n"
                 "Exception EOleError in Modul kelbrin bei XXXXXXXX.\nDie Methode 'ControlGetPath' " +
                 Ansi("wird vom Automatisierungsobjekt nicht unterstützt.\r\n")},
      {"null path",
       [](FakeWorld& w) { Variant null;
         null.type = Variant::Type::Null;
         w.host.Answer("ControlGetPath", null); },
       summary + " (Defaultgruppe: tolvane.misc)\r\n\r\n"
                 "Exception EVariantError in Modul kelbrin bei XXXXXXXX.\n" +
                 Ansi("Ungültige Variant-Typumwandlung.\r\n")},
      {"exception without text uses code",
       [](FakeWorld& w) { w.host.Throw("ControlGetPath", " ...", static_cast<int32_t>(0x80004005)); },
       summary + " (Defaultgruppe: tolvane.misc)\r\n\r\n"
                 "Exception EOleException in Modul kelbrin bei XXXXXXXX.\nOLE-Fehler 80004005.\r\n"},
  };
  for (const ReportCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    c.arrange(world);
    EXPECT_EQ(RunProgram(world.platform), 1);
    std::string out = world.console.output;
    ASSERT_EQ(out.compare(0, kBanner.size(), kBanner), 0);
    out = out.substr(kBanner.size());
    // The address is the raising site's: eight upper-case hex digits, masked here.
    size_t at = out.find(" bei ");
    ASSERT_NE(at, std::string::npos);
    std::string address = out.substr(at + 5, 8);
    EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << address;
    out.replace(at + 5, 8, "XXXXXXXX");
    EXPECT_EQ(out, c.expectedTail);
  }
}

TEST(RunDriver, LogDeletedDuringRunEndsWithFileNotFound) {
  FakeWorld world;
  int opens = 0;
  world.files.beforeOpen = [&](const std::string& path) {
    if (path == "/opt/tools/kelbrin.log" && ++opens == 3) world.files.files.erase(path);
  };
  EXPECT_EQ(RunProgram(world.platform), 1);
  EXPECT_NE(world.console.output.find("EInOutError"), std::string::npos);
  EXPECT_NE(world.console.output.find("\nDatei nicht gefunden.\r\n"), std::string::npos);
  EXPECT_FALSE(world.files.files.count("/opt/tools/kelbrin.log"));
}

TEST(RunDriver, LogSharedForReadingOnly) {
  FakeWorld world;
  ASSERT_EQ(RunProgram(world.platform), 0);
  for (const auto& open : world.files.opens) {
    if (open.path == "/opt/tools/kelbrin.log") {
      EXPECT_EQ(open.share, FileShare::Read);
    }
  }
  // Another program holding the log open for writing blocks the run with the sharing error.
  FakeWorld held;
  held.files.files["/opt/tools/kelbrin.log"].heldShare = static_cast<int>(FileShare::ReadWrite);
  held.files.files["/opt/tools/kelbrin.log"].heldAccess = FileAccess::ReadWrite;
  EXPECT_EQ(RunProgram(held.platform), 1);
  EXPECT_NE(held.console.output.find("\nE/A-Fehler 32.\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kelbrin::test
