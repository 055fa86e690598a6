#include "host_behaviour.h"

#include <gtest/gtest.h>

#include "refhost_test_util.h"

namespace tolvanehost::test {
namespace {

class HostBehaviourTest : public ::testing::Test {
 protected:
  // A host set up from `ini` after a [Host] section that puts journal and spool in `dir`.
  HostBehaviour Host(const std::string& ini = "") {
    HostConfig config;
    std::string error;
    std::string text = "[Host]\nJournal=" + Journal() + "\nSpool=" + dir.Path() + "\n" + ini;
    EXPECT_TRUE(ParseHostConfig(text, &config, &error)) << error;
    return HostBehaviour(config);
  }
  std::string Journal() const { return dir.File("journal.txt"); }

  // Looks `name` up and calls it.
  static Outcome Call(HostBehaviour& host, const std::string& name, std::vector<Value> args = {}) {
    int32_t id = 0;
    EXPECT_EQ(host.GetIdOfName(name, &id), kStatusOk) << name;
    return host.Invoke(id, args);
  }
  static std::vector<Value> ImportArgs(const std::string& article, const std::string& group) {
    return {Value::Text(article, true), Value::Text(group, true), Value::Bool(false),
            Value::Bool(false)};
  }

  TempDir dir;
};

TEST_F(HostBehaviourTest, LooksNamesUpRegardlessOfCase) {
  HostBehaviour host = Host("[Failures]\nControlGetServerPath=unknown\n");
  struct Case {
    const char* name;
    int32_t status;
    int32_t id;
  } cases[] = {{"ControlGetPath", kStatusOk, 1},
               {"controlgetpath", kStatusOk, 1},
               {"CONTROLGETVERSION", kStatusOk, 3},
               {"newsImport", kStatusOk, 4},
               {"ControlGetServerPath", kStatusUnknownName, 0},
               {"ControlGetPaths", kStatusUnknownName, 0},
               {"", kStatusUnknownName, 0}};
  for (const Case& c : cases) {
    int32_t id = 0;
    EXPECT_EQ(host.GetIdOfName(c.name, &id), c.status) << c.name;
    EXPECT_EQ(id, c.id) << c.name;
  }
}

TEST_F(HostBehaviourTest, AnswersTheConfiguredTextsAsBytes) {
  HostBehaviour host = Host(
      "Path=C:\\T\xF6lvane\\\nServerPath=\" D:\\News\\ \"\n"
      "[Answers]\nControlGetServerPath=text:a\x01z\n");
  Outcome path = Call(host, "ControlGetPath");
  EXPECT_EQ(path.status, kStatusOk);
  EXPECT_EQ(path.result.type, Value::Type::Text);
  EXPECT_EQ(path.result.text, "C:\\T\xF6lvane\\");
  EXPECT_EQ(Call(host, "ControlGetServerPath").result.text, "a\x01z");
  EXPECT_EQ(Call(host, "ControlGetVersion").result.text, "1.3.18.0");
  Outcome import = Call(host, "NewsImport", ImportArgs("x", "y"));
  EXPECT_EQ(import.result.type, Value::Type::Bool);
  EXPECT_TRUE(import.result.boolean);
}

TEST_F(HostBehaviourTest, AnyAnswerTypeAppliesToAnyMethod) {
  HostBehaviour host = Host(
      "[Answers]\nNewsImport=double:-1.4\nControlGetPath=null\ncontrolgetversion=int:-1\n"
      "ControlGetServerPath=empty\n");
  Outcome import = Call(host, "NewsImport", ImportArgs("x", "y"));
  EXPECT_EQ(import.result.type, Value::Type::Double);
  EXPECT_EQ(import.result.real, -1.4);
  EXPECT_EQ(Call(host, "ControlGetPath").result.type, Value::Type::Null);
  Outcome version = Call(host, "ControlGetVersion");
  EXPECT_EQ(version.result.type, Value::Type::Int);
  EXPECT_EQ(version.result.integer, -1);
  EXPECT_EQ(Call(host, "ControlGetServerPath").result.type, Value::Type::Empty);
}

TEST_F(HostBehaviourTest, FailsAsConfiguredWithoutStoringTheArticle) {
  HostBehaviour host = Host(
      "[Failures]\nControlGetServerPath=status:80004005\n"
      "ControlGetPath=exception:Host refuses. . .\n"
      "NewsImport=exception-code:8000FFFF\n");
  Outcome server = Call(host, "ControlGetServerPath");
  EXPECT_EQ(server.status, kStatusFail);
  EXPECT_EQ(server.result.type, Value::Type::Empty);
  Outcome path = Call(host, "ControlGetPath");
  EXPECT_EQ(path.status, kStatusException);
  EXPECT_EQ(path.exceptionDescription, "Host refuses. . .");
  EXPECT_EQ(path.exceptionCode, kStatusFail);
  Outcome import = Call(host, "NewsImport", ImportArgs("article", "group"));
  EXPECT_EQ(import.status, kStatusException);
  EXPECT_EQ(import.exceptionDescription, "");
  EXPECT_EQ(import.exceptionCode, static_cast<int32_t>(0x8000FFFF));
  EXPECT_FALSE(FileExists(dir.File("article-1.txt")));
  EXPECT_FALSE(FileExists(dir.File("article-1.group")));
}

TEST_F(HostBehaviourTest, JournalsEveryCallAsSpelled) {
  HostBehaviour host = Host("[Failures]\nControlGetVersion=unknown\n");
  int32_t id = 0;
  host.GetIdOfName("controlgetpath", &id);
  host.Invoke(id, {});
  host.GetIdOfName("ControlGetVersion", &id);
  host.GetIdOfName("NEWSIMPORT", &id);
  host.Invoke(id, ImportArgs("a", "g"));
  host.Invoke(id, {Value::Text("a"), Value::Text("g", true), Value::Bool(true), Value::Int(-5),
                   Value::Double(-1.4), Value(), Value::Null(), Value::Unsupported(17)});
  host.Invoke(9, {});
  EXPECT_EQ(ReadBytes(Journal()),
            "lookup controlgetpath\n"
            "invoke controlgetpath\n"
            "lookup ControlGetVersion\n"
            "lookup NEWSIMPORT\n"
            "invoke NEWSIMPORT text& text& bool:false bool:false\n"
            "invoke NEWSIMPORT text text& bool:true int:-5 double:-1.4 empty null vt:17\n"
            "invoke #9\n");
}

TEST_F(HostBehaviourTest, SpoolsEachArticleExactlyUnderTheFirstFreeNumber) {
  HostBehaviour host = Host();
  WriteBytes(dir.File("article-2.group"), "taken");
  const std::string article("Newsgroups: alt.test\r\n\r\nA\0B\r\n\x1A\xF6", 30);
  EXPECT_EQ(Call(host, "NewsImport", ImportArgs(article, "alt.test")).status, kStatusOk);
  EXPECT_EQ(Call(host, "NewsImport", ImportArgs("second", "de.test")).status, kStatusOk);
  EXPECT_EQ(ReadBytes(dir.File("article-1.txt")), article);
  EXPECT_EQ(ReadBytes(dir.File("article-1.group")), "alt.test");
  EXPECT_EQ(ReadBytes(dir.File("article-2.group")), "taken");
  EXPECT_EQ(ReadBytes(dir.File("article-3.txt")), "second");
  EXPECT_EQ(ReadBytes(dir.File("article-3.group")), "de.test");
}

TEST_F(HostBehaviourTest, RefusesCallsItCannotServe) {
  HostBehaviour host = Host();
  EXPECT_EQ(host.Invoke(0, {}).status, kStatusMemberNotFound);
  EXPECT_EQ(host.Invoke(5, {}).status, kStatusMemberNotFound);
  EXPECT_EQ(Call(host, "ControlGetPath", {Value()}).status, kStatusBadParamCount);
  std::vector<Value> three = ImportArgs("a", "g");
  three.pop_back();
  EXPECT_EQ(Call(host, "NewsImport", three).status, kStatusBadParamCount);
  EXPECT_EQ(Call(host, "NewsImport",
                 {Value::Int(1), Value::Text("g"), Value::Bool(false), Value::Bool(false)})
                .status,
            kStatusTypeMismatch);
  EXPECT_EQ(Call(host, "NewsImport",
                 {Value::Text("a"), Value::Text("g"), Value::Unsupported(2), Value::Bool(false)})
                .status,
            kStatusTypeMismatch);
  EXPECT_FALSE(FileExists(dir.File("article-1.txt")));
}

// Lost articles or journal lines would let a test pass on a call that never happened.
TEST_F(HostBehaviourTest, ReportsWhatItCannotWrite) {
  HostConfig config;
  config.spool = dir.File("no-such-directory");
  HostBehaviour host(config);
  Outcome import = Call(host, "NewsImport", ImportArgs("a", "g"));
  EXPECT_EQ(import.status, kStatusException);
  EXPECT_NE(import.exceptionDescription.find("no-such-directory"), std::string::npos);

  config.journal = dir.File("no-such-directory/journal.txt");
  HostBehaviour journalless(config);
  int32_t id = 0;
  EXPECT_EQ(journalless.GetIdOfName("ControlGetPath", &id), kStatusWriteFault);
  EXPECT_EQ(journalless.Invoke(1, {}).status, kStatusWriteFault);
}

}  // namespace
}  // namespace tolvanehost::test
