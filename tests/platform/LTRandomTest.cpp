// The process random generator.

#include "platform/LTRandom.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace lectern {
namespace {

TEST(LTRandom, FixedSeedRepeatsTheSequence) {
  LTRandomize(1234);
  std::vector<uint32_t> first;
  for (int i = 0; i < 20; ++i) first.push_back(LTRandom(1000000));
  LTRandomize(1234);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(LTRandom(1000000), first[i]);
  LTRandomize(1235);
  std::vector<uint32_t> other;
  for (int i = 0; i < 20; ++i) other.push_back(LTRandom(1000000));
  EXPECT_NE(first, other);
}

TEST(LTRandom, StaysInRangeAndCoversIt) {
  EXPECT_EQ(LTRandom(0), 0u);
  EXPECT_EQ(LTRandom(1), 0u);
  std::array<int, 10> counts{};
  for (int i = 0; i < 10000; ++i) {
    uint32_t v = LTRandom(10);
    ASSERT_LT(v, 10u);
    ++counts[v];
  }
  for (int c : counts) EXPECT_GT(c, 800);
  EXPECT_LE(LTRandom(UINT32_MAX), UINT32_MAX - 1);
}

}  // namespace
}  // namespace lectern
