// The document a screen reader reads, on the headless platform (characters
// 7 pixels wide): a viewer's, which can be read and selected but not
// changed, text units at their edges, and the change a reader is told of.

#include "access/LTAccessibleDocument.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "table/LTTable.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(LTAccessibleText, AChangeIsTheRunBetweenWhatStayedAndNeverHalfACharacter) {
  TLTTextChange c = DiffText(u"abc def", u"abXYc def");
  EXPECT_EQ(c.Start, 2);
  EXPECT_EQ(c.Removed, u"");
  EXPECT_EQ(c.Inserted, u"XY");
  c = DiffText(u"abc", u"");
  EXPECT_EQ(c.Start, 0);
  EXPECT_EQ(c.Removed, u"abc");
  EXPECT_TRUE(DiffText(u"same", u"same").IsEmpty());
  // Two characters outside the basic plane that share their first unit:
  // the change takes both units of each.
  c = DiffText(u"a\U0001F600b", u"a\U0001F601b");
  EXPECT_EQ(c.Start, 1);
  EXPECT_EQ(c.Removed, u"\U0001F600");
  EXPECT_EQ(c.Inserted, u"\U0001F601");
  c = DiffText(u"x\U0001F600", u"x\U0001F600\U0001F600");
  EXPECT_EQ(c.Start, 3);
  EXPECT_EQ(c.Inserted, u"\U0001F600");
}

struct ViewerDoc {
  TLTStyle Style;
  TLTHeadlessWindow Win{300, 200};
  TLectern V{Win};
  TLTTableItemInfo* Table = nullptr;

  ViewerDoc() {
    RegisterTableItemKind();
    RegisterAccessibility();
    Style.SelectionMode = ltsmChar;
    V.SetStyle(&Style);
    V.LTData().AddTextW(u"One, two\U0001F600.", 0, 0);
    auto table = std::make_unique<TLTTableItemInfo>(1, 2);
    Table = table.get();
    table->ParaNo = 0;
    Table->Cells(0, 0)->Clear();
    Table->Cells(0, 0)->AddTextW(u"left", 0, 0);
    Table->Cells(0, 1)->Clear();
    Table->Cells(0, 1)->AddTextW(u"right", 0, 0);
    V.LTData().AddItem({}, std::move(table));
    V.Format();
  }
  ILTAccessibleDocument& Doc() { return *V.AccessibleDocument(); }
};

TEST(LTAccessibleDocument, AViewerIsReadAndSelectedButNeverChanged) {
  ViewerDoc v;
  ILTAccessibleDocument& d = v.Doc();
  EXPECT_EQ(d.Text(), u"One, two\U0001F600.\nleft\nright");
  EXPECT_FALSE(d.IsEditable());
  // A selection inside a cell is the viewer's selection in that cell.
  EXPECT_TRUE(d.SetSelection(13, 15));
  EXPECT_EQ(&v.V.SelectionContainer(), &v.Table->CellContent(*v.Table->Cells(0, 0)));
  ASSERT_EQ(d.Selections().size(), 1u);
  EXPECT_EQ(d.Selections()[0], (TLTTextRange{13, 15}));
  EXPECT_EQ(d.CaretOffset(), 15);
  // Across two cells there is no one selection to make.
  EXPECT_FALSE(d.SetSelection(13, 19));
  EXPECT_FALSE(d.InsertText(0, u"x"));
  EXPECT_FALSE(d.DeleteText(0, 3));
  EXPECT_FALSE(d.ReplaceText(0, 3, u"x"));
  EXPECT_EQ(d.Text(), u"One, two\U0001F600.\nleft\nright");
  const std::vector<TLTAccessibleObject> objects = d.Objects();
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].Role, TLTAccessibleRole::Table);
  EXPECT_EQ(objects[0].Text, (TLTTextRange{12, 22}));
  EXPECT_EQ(objects[2].Column, 1);
  EXPECT_EQ(objects[2].Text, (TLTTextRange{17, 22}));
}

TEST(LTAccessibleDocument, UnitsEndAtDelimitersParagraphsAndWholeCharacters) {
  ViewerDoc v;
  ILTAccessibleDocument& d = v.Doc();
  // Words carry the delimiters after them; the paragraph's end is its own.
  EXPECT_EQ(d.UnitAt(1, TLTTextUnit::Word), (TLTTextRange{0, 5}));
  EXPECT_EQ(d.UnitAt(4, TLTTextUnit::Word), (TLTTextRange{0, 5}));
  EXPECT_EQ(d.UnitAt(6, TLTTextUnit::Word), (TLTTextRange{5, 11}));
  EXPECT_EQ(d.UnitAt(11, TLTTextUnit::Word), (TLTTextRange{11, 12}));
  // The emoji is one character of two units, whichever unit is asked.
  EXPECT_EQ(d.UnitAt(8, TLTTextUnit::Character), (TLTTextRange{8, 10}));
  EXPECT_EQ(d.UnitAt(9, TLTTextUnit::Character), (TLTTextRange{8, 10}));
  EXPECT_EQ(d.UnitAt(14, TLTTextUnit::Paragraph), (TLTTextRange{12, 17}));
  EXPECT_EQ(d.UnitAt(19, TLTTextUnit::Line), (TLTTextRange{17, 22}));
  for (int bad : {-1, 22, 1 << 30})
    for (TLTTextUnit u : {TLTTextUnit::Character, TLTTextUnit::Word, TLTTextUnit::Line, TLTTextUnit::Paragraph})
      EXPECT_EQ(d.UnitAt(bad, u), (TLTTextRange{-1, -1}));
  EXPECT_TRUE(d.CharacterRect(-1).IsEmpty());
  EXPECT_FALSE(d.SetCaretOffset(23));
  EXPECT_EQ(d.OffsetAt({-100, -100}), -1);
}

}  // namespace
}  // namespace lectern
