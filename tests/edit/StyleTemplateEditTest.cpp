// Style templates applied in the editor: the selection's styles derived
// from a template, found again when they exist, protected ones kept, one
// step to undo.

#include "LTEditFixture.h"

#include "style/LTStyleTemplates.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

struct Editor : testing::TEditorFixture<Editor> {};

TEST(StyleTemplateEdit, TheSelectionTakesADerivedStyleFoundAgainTheSecondTime) {
  Editor e;
  TLTStyleTemplate& heading = e.Style.StyleTemplates().Add();
  heading.SetName(u"Heading");
  heading.TextStyle.Size = 20;
  heading.ValidTextProperties = {ltfiSize};
  TFontInfo& locked = e.Style.TextStyles().Add();
  locked.Protection = {ltprStyleProtect};
  const int lockedNo = e.Style.TextStyles().Count() - 1;
  e.Para(u"plain ").More(u"kept", lockedNo).Ready();
  const int styles = e.Style.TextStyles().Count();
  e.E.SetSelectionBounds(0, 1, 1, 5);
  e.E.ApplyTextStyleTemplate(0, false);
  const int derived = e.E.LTData().GetItem(0).StyleNo;
  EXPECT_EQ(derived, styles);
  EXPECT_EQ(e.Style.TextStyles()[derived].Size, 20);
  EXPECT_EQ(e.Style.TextStyles()[derived].StyleTemplateId, heading.Id());
  EXPECT_EQ(e.E.LTData().GetItem(1).StyleNo, lockedNo) << "a protected style stays";
  // Again: the same style, nothing added and no step; Undo gives the old
  // style back.
  e.E.ApplyTextStyleTemplate(0, false);
  EXPECT_EQ(e.E.LTData().GetItem(0).StyleNo, derived);
  EXPECT_EQ(e.Style.TextStyles().Count(), styles + 1);
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.E.LTData().GetItem(0).StyleNo, 0);
}

TEST(StyleTemplateEdit, AParagraphTemplateAndTheNormalDefinition) {
  Editor e;
  TLTStyleTemplate& quote = e.Style.StyleTemplates().Add();
  quote.ParaStyle.LeftIndent = 30;
  quote.ValidParaProperties = {ltpiLeftIndent};
  e.Para(u"one").Para(u"two").Ready();
  e.E.SetSelectionBounds(0, 2, 1, 2);
  e.E.ApplyParaStyleTemplate(0);
  const int p = e.E.LTData().GetItem(1).ParaNo;
  EXPECT_EQ(e.E.LTData().GetItem(0).ParaNo, p);
  EXPECT_EQ(e.Style.ParaStyles()[p].LeftIndent, 30);
  // Back to the normal definition: without a Normal template, style 0.
  e.E.ApplyParaStyleTemplate(-1);
  EXPECT_EQ(e.Style.ParaStyles()[e.E.LTData().GetItem(0).ParaNo].LeftIndent, 0);
}

TEST(StyleTemplateEdit, AStyleListTemplateSetsWholeParagraphsKeepsHandFormattingAndUndoesInOneStep) {
  Editor e;
  TLTStyleTemplate& heading = e.Style.StyleTemplates().Add();
  heading.ParaStyle.SpaceBefore = 12;
  heading.ValidParaProperties = {ltpiSpaceBefore};
  TLTStyleTemplate& child = e.Style.StyleTemplates().Add();  // paragraph properties only through its parent
  child.TextStyle.Size = 18;
  child.ValidTextProperties = {ltfiSize};
  child.SetParentId(heading.Id());
  TFontInfo& red = e.Style.TextStyles().Add();
  red.Color = clRed;
  red.ModifiedProperties = {ltfiColor};
  const int redNo = e.Style.TextStyles().Count() - 1;
  e.Para(u"one ").More(u"red", redNo).Para(u"next").Ready();
  e.E.SetSelectionBounds(0, 2, 0, 2);  // a caret, no selection
  e.E.ApplyStyleTemplate(1);
  const TCustomLTData& d = e.E.LTData();
  const TParaInfo& para = e.Style.ParaStyles()[d.GetItem(0).ParaNo];
  EXPECT_EQ(para.SpaceBefore, 12);
  EXPECT_EQ(para.StyleTemplateId, child.Id());
  EXPECT_EQ(e.Style.TextStyles()[d.GetItem(0).StyleNo].Size, 18) << "the whole paragraph's text";
  const TFontInfo& stillRed = e.Style.TextStyles()[d.GetItem(1).StyleNo];
  EXPECT_EQ(stillRed.Size, 18);
  EXPECT_EQ(stillRed.Color, clRed) << "formatting by hand stays";
  EXPECT_EQ(d.GetItem(2).ParaNo, 0) << "the next paragraph is not touched";
  EXPECT_EQ(e.E.CurrentItemNo(), 0);
  EXPECT_EQ(e.E.CurrentItemOffset(), 2);
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(d.GetItem(0).ParaNo, 0);
  EXPECT_EQ(d.GetItem(0).StyleNo, 0);
  EXPECT_EQ(d.GetItem(1).StyleNo, redNo);
}

}  // namespace
}  // namespace lectern
