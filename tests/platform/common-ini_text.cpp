#include <gtest/gtest.h>

#include "platform/ini_text.h"

namespace kelbrin::test {
namespace {

struct IniCase {
  const char* name;
  std::string content;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

TEST(FindIniValue, FollowsTheProfileReaderRules) {
  const IniCase cases[] = {
      {"plain", "[Directories]\r\nServer=E:\\Spool\r\n", "Directories", "Server", "E:\\Spool"},
      {"section case", "[DIRECTORIES]\r\nServer=x\r\n", "Directories", "Server", "x"},
      {"key case", "[Setup]\r\nInternalGroup.Default=x\r\n", "Setup", "internalgroup.default", "x"},
      {"blanks around the section", "  [ \tSetup\t ]  \r\nk=v\r\n", "Setup", "k", "v"},
      {"blanks around key and value", "[s]\r\n \t k \t= \t a b \t\r\n", "s", "k", "a b"},
      {"double quotes", "[s]\r\nk=\"a b \"\r\n", "s", "k", "a b "},
      {"single quotes", "[s]\r\nk= 'x' \r\n", "s", "k", "x"},
      {"unmatched quotes stay", "[s]\r\nk=\"x'\r\n", "s", "k", "\"x'"},
      {"a lone quote stays", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"quotes inside stay", "[s]\r\nk=a\"b\"\r\n", "s", "k", "a\"b\""},
      {"empty quotes", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
      {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
      {"value holds =", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"value holds ;", "[s]\r\nk=a;b\r\n", "s", "k", "a;b"},
      {"first key wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
      {"first section only", "[s]\r\na=1\r\n[t]\r\nk=0\r\n[S]\r\nk=2\r\n", "s", "k", std::nullopt},
      {"key of another section", "[t]\r\nk=1\r\n[s]\r\nj=2\r\n", "s", "k", std::nullopt},
      {"key before any section", "k=1\r\n[s]\r\n", "s", "k", std::nullopt},
      {"comment", "[s]\r\n;k=1\r\n  ;k=2\r\nk=3\r\n", "s", "k", "3"},
      {"line without =", "[s]\r\nk\r\nk=4\r\n", "s", "k", "4"},
      {"only a line without =", "[s]\r\nk\r\n", "s", "k", std::nullopt},
      {"missing section", "[t]\r\nk=1\r\n", "s", "k", std::nullopt},
      {"LF line ends", "[s]\nj=1\nk=2\n", "s", "k", "2"},
      {"CR line ends", "[s]\rj=1\rk=2\r", "s", "k", "2"},
      {"no line end at the end", "[s]\r\nk=last", "s", "k", "last"},
      {"byte-order mark", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1"},
      {"bytes pass unchanged", "[s]\r\nk=\xF6\xDF\r\n", "s", "k", "\xF6\xDF"},
      {"empty file", "", "s", "k", std::nullopt},
  };
  for (const IniCase& c : cases) {
    EXPECT_EQ(FindIniValue(c.content, c.section, c.key), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace kelbrin::test
