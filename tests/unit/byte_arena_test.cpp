#include "groups/byte_arena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelbrin::test {
namespace {

TEST(ByteArena, GivesBackEveryStringAsPutAcrossLengthSizesAndChunks) {
  // Lengths where the stored length grows by a byte, and strings past a chunk's size.
  std::vector<std::string> strings;
  for (size_t length : {0, 1, 127, 128, 16383, 16384, 300000, 2100000}) {
    std::string text(length, 'x');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
    strings.push_back(text);
  }
  strings.push_back(std::string("a\0b\xFF", 4));
  ByteArena arena;
  std::vector<const char*> handles;
  // Enough small strings to fill several chunks between the large ones.
  for (int round = 0; round < 200; ++round) {
    for (const std::string& text : strings) {
      if (text.size() < 100000 || round == 0) handles.push_back(arena.Put(text));
    }
  }
  size_t at = 0;
  for (int round = 0; round < 200; ++round) {
    for (const std::string& text : strings) {
      if (text.size() < 100000 || round == 0) {
        ASSERT_EQ(ByteArena::Get(handles[at++]), text) << "length " << text.size();
      }
    }
  }
}

}  // namespace
}  // namespace kelbrin::test
