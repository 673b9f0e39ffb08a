// Painting decisions on the recording canvas: what is drawn, where and in
// which state.

#include "platform/headless/LTHeadlessCanvas.h"
#include "view/LTPaint.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(LTPaintBackground, ColourComesFromTheControlElseTheSheetElseNothing) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  TLTBackground back;
  PaintBackground(c, {0, 0, 50, 40}, back, &style, 0, 0, 50, 40);
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Brush.Color, style.Color);
  c.ClearCalls();
  back.Color = MakeColor(0x112233);
  PaintBackground(c, {0, 0, 50, 40}, back, &style, 0, 0, 50, 40);
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Brush.Color, MakeColor(0x112233));
  c.ClearCalls();
  back.Color = clNone;
  style.Color = clNone;
  PaintBackground(c, {0, 0, 50, 40}, back, &style, 0, 0, 50, 40);
  EXPECT_TRUE(c.Calls().empty());
}

}  // namespace
}  // namespace lectern
