// Short random walks of the editor against the plain model of its text
// (tests/edit/LTEditModelWalk.h), and the walks that once found a fault,
// kept. The fuzz target edit_model_fuzzer plays long ones.

#include "tests/edit/LTEditModelWalk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace lectern {
namespace {

using testing::TEditModelWalk;

/// A program from hexadecimal digits.
std::string Hex(std::string_view hex) {
  std::string out;
  for (size_t k = 0; k + 1 < hex.size(); k += 2)
    out += static_cast<char>(std::stoi(std::string(hex.substr(k, 2)), nullptr, 16));
  return out;
}

TEST(LTEditModelWalk, RandomWalksPutTextAndCaretWhereThePlainModelDoes) {
  // 80 walks of about 100 steps each: a few seconds under the sanitizers.
  for (unsigned seed = 1; seed <= 80; ++seed) {
    std::mt19937 rng(seed);
    std::string program(300, '\0');
    for (char& c : program) c = static_cast<char>(rng() & 0xFF);
    TEditModelWalk walk;
    if (std::getenv("LECTERN_WALK_TRACE"))
      walk.trace_ = [](const std::string& s) { std::fprintf(stderr, "%s\n", s.c_str()); };
    const std::string failure = walk.Run(program);
    ASSERT_EQ(failure, "") << "seed " << seed;
  }
}

TEST(LTEditModelWalk, WalksThatFoundFaultsStayMended) {
  // Each: the program as the fuzz target took it, and what it found.
  const std::pair<const char*, const char*> kept[] = {
      // Select all of "first item" and type over it: the character went
      // into the next list item.
      {"0e0200020a01", "typing over an emptied list item"},
      // Cut "two" out of "one two" and paste it back: three items.
      {"0d00040007"
       "0b0004"
       "0f",
       "a pasted word joins its neighbours"},
      // Ctrl+End, Enter, type, Backspace in the last list item.
      {"0a00"
       "06"
       "0000"
       "04",
       "emptying the last list item"},
      // From an empty paragraph into a list item, deleted: the rest of
      // the item stayed a paragraph apart, and the empty one stayed too.
      {"0e0100020700", "a deletion from an empty paragraph into a list item"},
      {"0e0100030000", "a deletion that ends where a list item's text starts"},
      // A copied paragraph break from a list item's end, pasted inside a
      // paragraph and at one's start: its marker split the paragraph.
      {"0c03060400"
       "0b0003"
       "0f"
       "0b0400"
       "0f",
       "a pasted break from a list item"},
      // A copy that starts at the end of a tagged word brings an empty
      // tagged piece, which kept the pasted text from its neighbours.
      {"13"
       "0c00030005"
       "0b0402"
       "0f",
       "an empty tagged piece pasted"},
  };
  for (const auto& [hex, what] : kept) {
    TEditModelWalk walk;
    EXPECT_EQ(walk.Run(Hex(hex)), "") << what;
  }
}

TEST(LTEditModelWalk, TheWalksOfTheFuzzCorpusAgree) {
  // The seeds and every program the fuzz target found a fault with.
  const std::filesystem::path dir = std::filesystem::path(LECTERN_TEST_DATA) / "../../fuzz/corpus/edit_model";
  int walks = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TEditModelWalk walk;
    if (std::getenv("LECTERN_WALK_TRACE"))
      walk.trace_ = [](const std::string& s) { std::fprintf(stderr, "%s\n", s.c_str()); };
    EXPECT_EQ(walk.Run(program), "") << entry.path().filename();
    ++walks;
  }
  EXPECT_GE(walks, 10);
}

}  // namespace
}  // namespace lectern
