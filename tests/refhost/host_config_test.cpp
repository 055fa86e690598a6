#include "host_config.h"

#include <gtest/gtest.h>

#include "refhost_test_util.h"

namespace tolvanehost::test {
namespace {

TEST(ParseIni, ReadsEntriesByTheUsualRules) {
  std::vector<IniEntry> entries = ParseIni(
      "Orphan=before any section\r\n"
      "; comment\r\n"
      "  [ Host ]  \r\n"
      "  Path  =  C:\\Tolvane\\  \r\n"
      "# another comment\n"
      "no equals sign here\n"
      "ServerPath=\"  quoted blanks kept  \"\n"
      "Lone=\"\n"
      "Inner=a \"b\" c\n"
      "Equals=a=b\n"
      "Bytes=\xF6\xE4 ; not a comment\n"
      "Empty=\n"
      "[Answers]\n"
      "NewsImport=bool:false");
  struct Expected {
    const char* section;
    const char* key;
    const char* value;
    int line;
  };
  std::vector<Expected> expected = {{"Host", "Path", "C:\\Tolvane\\", 4},
                                    {"Host", "ServerPath", "  quoted blanks kept  ", 7},
                                    {"Host", "Lone", "\"", 8},
                                    {"Host", "Inner", "a \"b\" c", 9},
                                    {"Host", "Equals", "a=b", 10},
                                    {"Host", "Bytes", "\xF6\xE4 ; not a comment", 11},
                                    {"Host", "Empty", "", 12},
                                    {"Answers", "NewsImport", "bool:false", 14}};
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(entries[i].section, expected[i].section) << i;
    EXPECT_EQ(entries[i].key, expected[i].key) << i;
    EXPECT_EQ(entries[i].value, expected[i].value) << i;
    EXPECT_EQ(entries[i].line, expected[i].line) << i;
  }
}

TEST(ParseHostConfig, DefaultsWithoutSettings) {
  HostConfig config;
  std::string error;
  ASSERT_TRUE(ParseHostConfig("", &config, &error));
  EXPECT_EQ(config.path, "");
  EXPECT_EQ(config.serverPath, "");
  EXPECT_EQ(config.version, "1.3.18.0");
  EXPECT_EQ(config.journal, "");
  EXPECT_EQ(config.spool, "");
  for (const MethodSetup& setup : config.methods) {
    EXPECT_FALSE(setup.hasAnswer);
    EXPECT_EQ(setup.failure.kind, FailureSetup::Kind::None);
  }
}

TEST(ParseHostConfig, ReadsSectionsAndKeysInAnyCaseFirstKeyWins) {
  HostConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseHostConfig("[other]\nPath=ignored\n"
                      "[HOST]\npath=first\nPATH=second\nserverpath=\" S \"\nVERSION=2.0\n"
                      "journal=j.txt\nSpool=spool\n"
                      "[answers]\ncontrolgetversion=int:7\n"
                      "[Failures]\nnewsimport=exception:No. \ncontrolgetpath=unknown\n"
                      "CONTROLGETSERVERPATH=status:0x80004005\n",
                      &config, &error))
      << error;
  EXPECT_EQ(config.path, "first");
  EXPECT_EQ(config.serverPath, " S ");
  EXPECT_EQ(config.version, "2.0");
  EXPECT_EQ(config.journal, "j.txt");
  EXPECT_EQ(config.spool, "spool");
  const MethodSetup& version = config.Setup(Method::ControlGetVersion);
  ASSERT_TRUE(version.hasAnswer);
  EXPECT_EQ(version.answer.type, Value::Type::Int);
  EXPECT_EQ(version.answer.integer, 7);
  const FailureSetup& import = config.Setup(Method::NewsImport).failure;
  EXPECT_EQ(import.kind, FailureSetup::Kind::Exception);
  EXPECT_EQ(import.description, "No.");
  EXPECT_EQ(import.code, kStatusFail);
  EXPECT_EQ(config.Setup(Method::ControlGetPath).failure.kind, FailureSetup::Kind::UnknownName);
  const FailureSetup& server = config.Setup(Method::ControlGetServerPath).failure;
  EXPECT_EQ(server.kind, FailureSetup::Kind::Status);
  EXPECT_EQ(server.code, kStatusFail);
}

struct AnswerCase {
  const char* setting;
  Value::Type type;
  bool boolean;
  int64_t integer;
  double real;
  const char* text;
};

class Answers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(Answers, ParsesEachType) {
  const AnswerCase& c = GetParam();
  HostConfig config;
  std::string error;
  ASSERT_TRUE(ParseHostConfig(std::string("[Answers]\nNewsImport=") + c.setting, &config, &error))
      << error;
  const MethodSetup& setup = config.Setup(Method::NewsImport);
  ASSERT_TRUE(setup.hasAnswer);
  EXPECT_EQ(setup.answer.type, c.type);
  EXPECT_EQ(setup.answer.boolean, c.boolean);
  EXPECT_EQ(setup.answer.integer, c.integer);
  EXPECT_EQ(setup.answer.real, c.real);
  EXPECT_EQ(setup.answer.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Answers,
    ::testing::Values(AnswerCase{"bool:true", Value::Type::Bool, true, 0, 0, ""},
                      AnswerCase{"BOOL:False", Value::Type::Bool, false, 0, 0, ""},
                      AnswerCase{"int:-1", Value::Type::Int, false, -1, 0, ""},
                      AnswerCase{"int:2147483647", Value::Type::Int, false, 2147483647, 0, ""},
                      AnswerCase{"int:-2147483648", Value::Type::Int, false, -2147483648LL, 0, ""},
                      AnswerCase{"double:-1.4", Value::Type::Double, false, 0, -1.4, ""},
                      AnswerCase{"double:5", Value::Type::Double, false, 0, 5.0, ""},
                      AnswerCase{"text:abc", Value::Type::Text, false, 0, 0, "abc"},
                      AnswerCase{"text:", Value::Type::Text, false, 0, 0, ""},
                      AnswerCase{"\"text: a b \"", Value::Type::Text, false, 0, 0, " a b "},
                      AnswerCase{"empty", Value::Type::Empty, false, 0, 0, ""},
                      AnswerCase{"NULL", Value::Type::Null, false, 0, 0, ""}));

// A mistyped setting must stop the host, not silently leave a test running with defaults.
TEST(ParseHostConfig, RejectsWhatItCannotUseNamingTheLine) {
  for (const char* line :
       {"[Answers]\nNewsImport=bool:yes", "[Answers]\nNewsImport=int:5x",
        "[Answers]\nNewsImport=int:2147483648",
        "[Answers]\nNewsImport=int:", "[Answers]\nNewsImport=double:1,5",
        "[Answers]\nNewsImport=true", "[Answers]\nNewsImprt=bool:true",
        "[Failures]\nNewsImport=status:", "[Failures]\nNewsImport=status:123456789",
        "[Failures]\nNewsImport=status:xyz", "[Failures]\nNewsImport=exception-code:",
        "[Failures]\nNewsImport=fail", "[Host]\nPaht=C:\\"}) {
    HostConfig config;
    std::string error;
    EXPECT_FALSE(ParseHostConfig(line, &config, &error)) << line;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
  }
}

TEST(LoadHostConfig, MissingFileGivesDefaultsAndAFileIsRead) {
  TempDir dir;
  HostConfig config;
  std::string error;
  EXPECT_TRUE(LoadHostConfig("", &config, &error));
  EXPECT_TRUE(LoadHostConfig(dir.File("absent.ini"), &config, &error));
  EXPECT_EQ(config.path, "");
  WriteBytes(dir.File("host.ini"), "[Host]\r\nPath=C:\\x\\\r\n");
  EXPECT_TRUE(LoadHostConfig(dir.File("host.ini"), &config, &error)) << error;
  EXPECT_EQ(config.path, "C:\\x\\");
  WriteBytes(dir.File("bad.ini"), "[Host]\nVersion=1\nJunk=1\n");
  EXPECT_FALSE(LoadHostConfig(dir.File("bad.ini"), &config, &error));
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
}

}  // namespace
}  // namespace tolvanehost::test
