#include <gtest/gtest.h>

#include "platform/command_line.h"

namespace kelbrin {
namespace {

struct SplitCase {
  std::string line;
  std::vector<std::string> words;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, Words) {
  EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().words);
}

using Words = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Table, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"kelbrin.exe /nolog /nopost", Words{"kelbrin.exe", "/nolog", "/nopost"}},
        SplitCase{"", Words{}},
        SplitCase{"   ", Words{}},
        SplitCase{"  kelbrin   /nolog  ", Words{"kelbrin", "/nolog"}},
        // The program name may be quoted and hold blanks, like any other word.
        SplitCase{"\"C:\\Program Files\\kelbrin.exe\" /?",
                  Words{"C:\\Program Files\\kelbrin.exe", "/?"}},
        SplitCase{"k \"/g=a b\"", Words{"k", "/g=a b"}},
        SplitCase{"k /g=\"a b\"c", Words{"k", "/g=a bc"}},
        SplitCase{"k /No\"Log\"", Words{"k", "/NoLog"}},
        // Tabs and every other control character separate words as blanks do.
        SplitCase{"k\t/nolog\x01/nopost\r\n/?", Words{"k", "/nolog", "/nopost", "/?"}},
        SplitCase{"k \"a\tb\"", Words{"k", "a\tb"}},
        // Empty quotes give no word of their own, but vanish inside one.
        SplitCase{"k \"\" /nolog", Words{"k", "/nolog"}},
        SplitCase{"k /no\"\"log", Words{"k", "/nolog"}},
        SplitCase{"k \" \"", Words{"k", " "}},
        // No escapes: a backslash is an ordinary byte and cannot protect a quote.
        SplitCase{"k a\\\"b c\\\"", Words{"k", "a\\b c\\"}},
        // An unclosed quote runs to the end of the line.
        SplitCase{"k \"/g=x y", Words{"k", "/g=x y"}},
        // ANSI letters from 0x80 up are word bytes, not separators.
        SplitCase{"k /g=gr\xF6\xDF" "e\xA0x", Words{"k", "/g=gr\xF6\xDF" "e\xA0x"}}));

}  // namespace
}  // namespace kelbrin
