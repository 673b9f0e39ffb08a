// Resizing pictures with their handles on the headless platform: where the
// handles sit, proportional corners, Ctrl around the centre, Escape, and
// when no handles show at all.

#include "edit/LTEdit.h"
#include "edit/LTItemResizer.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "tests/edit/LTEditFixture.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using namespace lectern::testing;

/// A picture of w x h pixels as item 1, after "ab".
struct Pictured : TEditorFixture<Pictured> {
  Pictured(int w, int h) {
    Win.SetSize(600, 400);
    Para(u"ab");
    auto picture = std::make_unique<TLTGraphicItemInfo>(Pixels(w, h), 0);
    picture->SetExtraIntProperty(ltepSpacing, 0);
    Add(std::move(picture));
    More(u"cd");
    Ready();
  }
  void SelectPicture() { E.SetSelectionBounds(1, 0, 1, 1); }
  std::pair<int, int> Size() {
    int32_t w = 0, h = 0;
    E.LTData().GetItem(1).GetExtraIntProperty(ltepImageWidth, w);
    E.LTData().GetItem(1).GetExtraIntProperty(ltepImageHeight, h);
    return {w, h};
  }
  std::string Ltf() {
    TLTMemoryStream out;
    E.LTData().SaveLTFToStream(out);
    return out.Data();
  }
  /// Drags handle h by (dx, dy) with keys held, without releasing.
  void Grab(int h, int dx, int dy, TLTShiftState keys = {}) {
    const TLTPointI p = E.Resizer()->HandlePoint(h);
    Win.Press(p.X, p.Y);
    Win.SetKeys(keys);
    Win.Move(p.X + dx, p.Y + dy);
  }
  void Drop() {
    const TLTPointI at = Win.PointerPos();
    Win.Release(at.X, at.Y);
    Win.SetKeys({});
  }
};

TEST(LTItemResizer, HandlesSitInsideBigItemsAndOutsideSmallOnes) {
  Pictured big(100, 100);
  big.SelectPicture();
  ASSERT_NE(big.E.Resizer(), nullptr);
  const TLTDrawLineInfo& piece = big.E.LTData().DrawItems[big.E.Resizer()->DrawItem()];
  EXPECT_EQ(big.E.Resizer()->HandlePoint(0), (TLTPointI{piece.Left + 3, piece.Top + 3}));
  EXPECT_EQ(big.E.Resizer()->HandlePoint(2), (TLTPointI{piece.Left + 97, piece.Top + 97}));
  EXPECT_EQ(big.E.Resizer()->HandlePoint(5), (TLTPointI{piece.Left + 97, piece.Top + 50}));

  Pictured small(10, 10);
  small.SelectPicture();
  ASSERT_NE(small.E.Resizer(), nullptr);
  const TLTDrawLineInfo& p2 = small.E.LTData().DrawItems[small.E.Resizer()->DrawItem()];
  EXPECT_EQ(small.E.Resizer()->HandlePoint(0), (TLTPointI{p2.Left - 3, p2.Top - 3}));
  EXPECT_EQ(small.E.Resizer()->HandlePoint(6), (TLTPointI{p2.Left + 5, p2.Top + 13}));
  EXPECT_EQ(small.E.Resizer()->HandleAt(p2.Left - 6, p2.Top), 0);
  EXPECT_EQ(small.E.Resizer()->HandleAt(p2.Left - 7, p2.Top), -1);
}

TEST(LTItemResizer, ACornerKeepsTheProportionsAndTheResizeIsOneStep) {
  Pictured e(200, 100);
  e.SelectPicture();
  const std::string before = e.Ltf();
  e.Grab(2, 100, 20);
  EXPECT_EQ(e.E.Resizer()->Frame(), (TLTRectI{0, 0, 300, 150})) << "300 x 120 keeps 2:1 as 300 x 150";
  e.Drop();
  EXPECT_EQ(e.Size(), std::make_pair(300, 150));
  EXPECT_EQ(e.E.UndoAction(), ltukItemChange);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 1);
  ASSERT_NE(e.E.Resizer(), nullptr) << "the picture stays selected with its new handles";
  e.E.Undo();
  EXPECT_EQ(e.Ltf(), before);
}

TEST(LTItemResizer, CtrlResizesAroundTheCentreAndASideDragKeepsTheOtherSide) {
  Pictured e(100, 60);
  e.SelectPicture();
  e.Grab(5, 20, 7, {ssCtrl});
  EXPECT_EQ(e.E.Resizer()->Frame(), (TLTRectI{-20, 0, 120, 60}));
  e.Drop();
  EXPECT_EQ(e.Size(), std::make_pair(140, 60));
  e.SelectPicture();
  e.Grab(6, 5, -100);
  EXPECT_EQ(e.E.Resizer()->Frame(), (TLTRectI{0, 0, 140, 2})) << "a frame never shrinks below 2 pixels";
  e.Drop();
  EXPECT_EQ(e.Size(), std::make_pair(140, 2));
}

TEST(LTItemResizer, EscapeCancelsTheDragAndLeavesNoUndoStep) {
  Pictured e(100, 100);
  e.SelectPicture();
  const std::string before = e.Ltf();
  e.Grab(1, 30, -30);
  EXPECT_EQ(e.Win.Cursor, crSizeNESW);
  EXPECT_TRUE(e.Win.Key(vkEscape));
  e.Drop();
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 0);
  EXPECT_FALSE(e.E.Resizer()->IsDragging());
  EXPECT_TRUE(e.E.Resizer()->Frame() == (TLTRectI{0, 0, 100, 100}));
}

TEST(LTItemResizer, AClickSelectsAPictureAndReadOnlyOrTheOptionShowNoHandles) {
  Pictured e(100, 100);
  const TLTDrawLineInfo& piece = e.E.LTData().DrawItems[1];
  e.Win.Click(piece.Left + 50, piece.Top + 50);
  ASSERT_NE(e.E.Resizer(), nullptr);
  EXPECT_EQ(e.E.Resizer()->ItemNo(), 1);
  e.E.SetSelectionBounds(0, 1, 0, 1);
  EXPECT_EQ(e.E.Resizer(), nullptr) << "the handles go with the selection";

  e.E.SetReadOnly(true);
  e.SelectPicture();
  EXPECT_EQ(e.E.Resizer(), nullptr);
  e.E.SetReadOnly(false);
  e.E.EditorOptions.Include(ltoNoImageResize);
  e.SelectPicture();
  EXPECT_EQ(e.E.Resizer(), nullptr);
  e.E.SetSelectionBounds(0, 1, 1, 1);
  e.E.EditorOptions.Exclude(ltoNoImageResize);
  e.E.SetSelectionBounds(0, 1, 1, 1);
  EXPECT_EQ(e.E.Resizer(), nullptr) << "text and the picture together show none";
  // Ends that stand at the edges of the text around it still select the
  // picture alone.
  e.E.SetSelectionBounds(0, 3, 2, 1);
  ASSERT_NE(e.E.Resizer(), nullptr);
  EXPECT_EQ(e.E.Resizer()->ItemNo(), 1);
  e.E.SetSelectionBounds(0, 3, 2, 2);
  EXPECT_EQ(e.E.Resizer(), nullptr);
}

}  // namespace
}  // namespace lectern
