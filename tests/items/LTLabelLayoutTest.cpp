// Labels on a line of the headless canvas (characters 7 pixels wide, text
// 13 high): their width, their place against the text, and where they
// paint their text within a MinWidth.

#include "edit/LTEdit.h"
#include "items/LTNote.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "tests/support/TableDoc.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

struct LabelLine : testing::TableDocOf<> {
  TLTLabelItemInfo* Label = nullptr;
  LabelLine() : TableDocOf(1, 1) {
    RegisterSpecialItemKinds();
    Doc.Clear();
    Doc.AddTextW(u"ab", 0, 0);
    auto label = std::make_unique<TLTLabelItemInfo>();
    label->LabelText = u"xyz";
    label->ParaNo = -1;
    Label = label.get();
    Doc.AddItem({}, std::move(label));
    Doc.AddTextW(u"c", 0, -1);
  }
  const TLTDrawLineInfo& Piece(int itemNo) const {
    return Doc.DrawItems[Doc.GetItem(itemNo).FirstDrawItem];
  }
  /// Where the label's text was painted.
  int PaintedLabelLeft() {
    for (const TLTDrawCall& c : Paint())
      if (c.Kind == TLTDrawKind::Text && c.Text == u"xyz") return c.Rect.Left;
    return -1;
  }
};

TEST(LTLabelLayout, ALabelStandsOnTheLineLikeItsTextAndMinWidthWidensIt) {
  LabelLine l;
  l.Format();
  // "ab" is 14 pixels, the label's three characters 21, as text would be.
  EXPECT_EQ(l.Piece(1).Left, l.Piece(0).Left + 14);
  EXPECT_EQ(l.Piece(1).Width, 21);
  EXPECT_EQ(l.Piece(1).Top, l.Piece(0).Top);
  EXPECT_EQ(l.Piece(1).Height, l.Piece(0).Height);
  EXPECT_EQ(l.PaintedLabelLeft(), l.Piece(1).Left);
  l.Label->MinWidth = 61;
  l.Label->LabelAlignment = ltaRight;
  l.Format();
  EXPECT_EQ(l.Piece(1).Width, 61);
  EXPECT_EQ(l.Piece(2).Left, l.Piece(1).Left + 61);
  EXPECT_EQ(l.PaintedLabelLeft(), l.Piece(1).Left + 40);
  l.Label->LabelAlignment = ltaCenter;
  l.Format();
  EXPECT_EQ(l.PaintedLabelLeft(), l.Piece(1).Left + 20);
}

TEST(LTLabelLayout, SequenceWidthsFollowRenumbering) {
  LabelLine l;
  auto seq = std::make_unique<TLTSeqItemInfo>(u"n", ltseqDecimal);
  seq->Reset = true;
  seq->StartFrom = 9;
  seq->ParaNo = -1;
  l.Doc.AddItem({}, std::move(seq));
  l.Format();
  EXPECT_EQ(l.Piece(3).Width, 7);
  auto first = std::make_unique<TLTSeqItemInfo>(u"N", ltseqDecimal);
  first->Reset = true;
  first->StartFrom = 10;
  first->ParaNo = -1;
  l.Doc.InsertItemAt(1, {}, std::move(first));
  dynamic_cast<TLTSeqItemInfo&>(l.Doc.GetItem(4)).Reset = false;
  dynamic_cast<TLTSeqItemInfo&>(l.Doc.GetItem(4)).Renumber();
  l.Format();
  EXPECT_EQ(l.Piece(4).Width, 14);  // "11"
}

TEST(LTLabelLayout, AnInsertInTheEditorRemeasuresFieldsRenumberedElsewhere) {
  RegisterSpecialItemKinds();
  TLTStyle style;
  TLTHeadlessWindow win(400, 300);
  TLecternEdit editor(win);
  editor.SetStyle(&style);
  TCustomLTData& d = editor.LTData();
  d.AddTextW(u"first", 0, 0);
  d.AddTextW(u"second", 0, 0);
  d.AddItem({}, std::make_unique<TLTSeqItemInfo>(u"n", ltseqDecimal));
  d.AddTextW(u"third", 0, 0);
  editor.Format();
  const TLTDrawLines& lines = editor.LTData().DrawItems;
  EXPECT_EQ(lines[d.GetItem(2).FirstDrawItem].Width, 7);  // "1"
  // A field restarting at 9 in the first paragraph takes the later one to
  // 10, in a paragraph the edit itself does not touch.
  auto restart = std::make_unique<TLTSeqItemInfo>(u"n", ltseqDecimal);
  restart->Reset = true;
  restart->StartFrom = 9;
  editor.SetSelectionBounds(0, 6, 0, 6);
  ASSERT_TRUE(editor.InsertItem(std::move(restart)));
  ASSERT_EQ(d.ItemCount(), 5);
  EXPECT_EQ(dynamic_cast<TLTLabelItemInfo&>(d.GetItem(3)).LabelText, u"10");
  EXPECT_EQ(lines[d.GetItem(3).FirstDrawItem].Width, 14);
}

}  // namespace
}  // namespace lectern
