#include <gtest/gtest.h>

#include <climits>

#include "app/errors.h"
#include "app/run.h"
#include "fakes.h"
#include "host/server_path.h"
#include "platform/text.h"

namespace kelbrin::test {
namespace {

const std::string kSep(1, kPathSeparator);
// The fake host's program directory, as its ControlGetPath answers it.
const std::string kHostDir = "/news/";
const std::string kSettings = kHostDir + "tolvane.ini";

// A run whose host object is the fake host, as the driver has it once the host is created.
struct HostRun {
  FakeWorld world;
  kelbrin::Run run{world.platform};
  HostRun() { run.hostObject = HostObject::Create(world.automation, "tolvane.app"); }
  void Settings(const std::string& sectionKey, const std::string& value) {
    world.ini.files[kSettings][sectionKey] = value;
  }
};

TEST(TakeVersionNumber, ReadsThePieceBeforeTheFirstDot) {
  struct Case {
    std::string text;
    int32_t value;
    std::string rest;
  };
  for (const Case& c : std::vector<Case>{
           {"1.3.18.0", 1, "3.18.0"},
           {"18.0", 18, "0"},
           {" 12.x", 12, "x"},       // leading blanks are allowed
           {"12 .x", 0, "x"},        // a trailing blank is not
           {"+5.", 5, ""},
           {"-3.1", -3, "1"},
           {"$A.", 10, ""},
           {"x1F.", 31, ""},
           {"X1f.", 31, ""},
           {"0x10.", 16, ""},
           {"0X10.", 16, ""},
           {"$FFFFFFFF.", -1, ""},   // eight hex digits fill the 32 bits
           {"$100000000.", 0, ""},   // nine do not fit
           {"$.", 0, ""},
           {"3a.20", 0, "20"},
           {".5", 0, "5"},
           {"2147483647.", INT_MAX, ""},
           {"2147483648.", 0, ""},
           {"-2147483648.", INT_MIN, ""},
           {"-2147483649.", 0, ""},
           {" -.", 0, ""},
           {"7", 0, "7"},            // no dot: nothing is taken
           {"", 0, ""}}) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    EXPECT_EQ(TakeVersionNumber(text), c.value);
    EXPECT_EQ(text, c.rest);
  }
}

TEST(GetDefaultGroup, VersionDecidesWhetherTheSettingsAreRead) {
  struct Case {
    std::string version;
    bool settingsDecide;
  };
  for (const Case& c : std::vector<Case>{
           {"1.3.18.0", false},             // 10318, the last old version
           {"1.3.19.0", true},              // 10319
           {"1.3.18", false},               // the third number has no dot behind it: 10300
           {"1.3.25", false},
           {"2.0", true},                   // 20000
           {"1.4", false},                  // 10000
           {"", false},
           {"12", false},
           {"1.3a.20.0", false},            // 10020
           {" 1.$A.x3.0", true},            // 10000 + 1000 + 3
           {"99999999.99999999.1.", true},  // wraps in 32 bits to 682675341
           {"300000.0.0.", false},          // 3000000000 wraps below zero
           {"0.103.19.", true}}) {          // 10300 + 19
    SCOPED_TRACE(c.version);
    HostRun r;
    r.world.host.AnswerText("ControlGetVersion", c.version);
    r.Settings("setup/internalgroup.statistics", "local.stats");
    EXPECT_EQ(GetDefaultGroup(r.run), c.settingsDecide ? "local.stats" : "tolvane.misc");
    EXPECT_EQ(r.world.host.Calls("controlgetpath"), c.settingsDecide ? 1 : 0);
    EXPECT_EQ(r.world.ini.reads.empty(), !c.settingsDecide);
  }
}

TEST(GetDefaultGroup, SettingsKeysInTurn) {
  struct Case {
    std::string name;
    std::map<std::string, std::string> settings;  // no entry: no settings file
    std::string group;
  };
  for (const Case& c : std::vector<Case>{
           {"statistics first", {{"setup/internalgroup.statistics", "Local.Stats"},
                                 {"setup/internalgroup.default", "local.default"}}, "Local.Stats"},
           {"empty statistics", {{"setup/internalgroup.statistics", ""},
                                 {"setup/internalgroup.default", "local.stats"}}, "local.stats"},
           {"neither key", {{"setup/other", "x"}}, "internal.misc"},
           {"blanks kept", {{"setup/internalgroup.default", " odd "}}, " odd "}}) {
    SCOPED_TRACE(c.name);
    HostRun r;
    r.world.host.AnswerText("ControlGetVersion", "1.3.19.0");
    for (const auto& [key, value] : c.settings) r.Settings(key, value);
    EXPECT_EQ(GetDefaultGroup(r.run), c.group);
  }
  HostRun none;
  none.world.host.AnswerText("ControlGetVersion", "2.0");
  EXPECT_EQ(GetDefaultGroup(none.run), "internal.misc");
  EXPECT_EQ(none.world.ini.reads,
            (std::vector<std::string>{kSettings + "|Setup|internalgroup.statistics",
                                      kSettings + "|Setup|internalgroup.default"}));
}

TEST(GetServerPath, HostAnswerTrimmedAndEndedBySeparator) {
  struct Case {
    std::string answer, path;
  };
  for (const Case& c : std::vector<Case>{
           {"  /news/srv  ", "/news/srv" + kSep},
           {"\t/news/srv" + kSep + "\r\n", "/news/srv" + kSep},
           {"/news/srv" + kSep, "/news/srv" + kSep}}) {
    SCOPED_TRACE(c.answer);
    HostRun r;
    r.world.host.AnswerText("ControlGetServerPath", c.answer);
    EXPECT_EQ(GetServerPath(r.run), c.path);
    EXPECT_EQ(r.world.host.Calls("controlgetpath"), 0);
  }
}

TEST(GetServerPath, FallsBackOnTheSettingsFile) {
  struct Case {
    std::string name;
    std::function<void(HostRun&)> fail;
    std::optional<std::string> server;  // the settings file's "Server" value, if any
    std::string path;
  };
  const std::string fallback = kHostDir + "server" + kSep;
  for (const Case& c : std::vector<Case>{
           {"failing call, no key",
            [](HostRun& r) { r.world.host.Fail("ControlGetServerPath", kStatusFail); },
            std::nullopt, fallback},
           {"failing call, Server set",
            [](HostRun& r) { r.world.host.Fail("ControlGetServerPath", kStatusFail); },
            "/spool", "/spool" + kSep},
           {"host exception",
            [](HostRun& r) { r.world.host.Throw("ControlGetServerPath", "busy"); },
            "  /spool" + kSep + "  ", "/spool" + kSep},
           {"unknown method", [](HostRun& r) { r.world.host.Unknown("ControlGetServerPath"); },
            std::nullopt, fallback},
           {"null answer",
            [](HostRun& r) {
              Variant null;
              null.type = Variant::Type::Null;
              r.world.host.Answer("ControlGetServerPath", null);
            },
            std::nullopt, fallback},
           // No directory at all is no answer: the settings file decides as after a failure,
           // and a blank value there leaves the default.
           {"blank answer",
            [](HostRun& r) { r.world.host.AnswerText("ControlGetServerPath", "   "); },
            "/spool", "/spool" + kSep},
           {"blank Server value",
            [](HostRun& r) { r.world.host.AnswerText("ControlGetServerPath", ""); }, "  ",
            fallback}}) {
    SCOPED_TRACE(c.name);
    HostRun r;
    c.fail(r);
    if (c.server) r.Settings("directories/server", *c.server);
    EXPECT_EQ(GetServerPath(r.run), c.path);
    // The settings file's name and the default each ask the host afresh.
    EXPECT_EQ(r.world.host.Calls("controlgetpath"), 2);
    EXPECT_EQ(r.world.ini.reads, std::vector<std::string>{kSettings + "|Directories|Server"});
  }
}

TEST(GetServerPath, FailureInsideTheFallbackEndsTheRun) {
  HostRun r;
  r.world.host.Fail("ControlGetServerPath", kStatusFail);
  r.world.host.Throw("controlgetpath", "gone");
  try {
    GetServerPath(r.run);
    FAIL() << "no failure";
  } catch (const kelbrin::Failure& failure) {
    EXPECT_EQ(failure.Kind(), "EOleException");
    EXPECT_EQ(failure.Message(), "gone");
  }
}

}  // namespace
}  // namespace kelbrin::test
