// The field code commands on an editor: inserting codes at the caret, over
// a selection, inside and beside field runs; Clear Codes on items and
// table cells as one step; refusals that beep once and record nothing; the
// field the status line names.

#include "app/FieldCodes.h"
#include "app/Terrabook.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tests/edit/LTEditFixture.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using namespace lectern::testing;

struct Template : TEditorFixture<Template> {
  int Asked = 0;
  Template() {
    Style.TextStyles().Add();  // 1: some other style to keep
    TLTOptions options = E.Options();
    E.SetOptions(options.Include(ltoTagsArePChars));
    E.OnChanging = [this](TCustomLecternEdit&, bool&) { ++Asked; };
  }
  static TLTTag Tag(const char16_t* s) { return TLTTag::FromString(s); }
  std::string Tags() {
    std::string out;
    for (int i = 0; i < E.LTData().ItemCount(); ++i) {
      const TCustomLTItemInfo& it = E.LTData().GetItem(i);
      out += Utf16ToUtf8(it.IsText() ? E.LTData().GetItemTextW(i) : TLTString(u"#"));
      if (const TLTString* t = it.Tag.String()) out += "[" + Utf16ToUtf8(*t) + "]";
      out += "/";
    }
    return out;
  }
  int Groups() { return E.EditData().UndoList().Count(); }
  int CodeStyle() { return FindOrAddCodeStyle(ltcsFieldCode, Style); }
};

TEST(FieldCodes, EachFieldGoesInAtTheCaretAsOneStepInTheCodeStyle) {
  Template t;
  t.Para(u"Capital city").Ready();
  t.E.SetCaretAt(0, 5);
  t.E.SetCurrentTextStyle(1);
  const int styles = t.Style.TextStyles().Count();
  ASSERT_TRUE(InsertFieldCode(t.E, u"Capital"));
  EXPECT_EQ(t.Tags(), "Capi/Capital[Capital|]/tal city/");
  EXPECT_EQ(t.E.LTData().GetItem(1).StyleNo, t.CodeStyle());
  EXPECT_EQ(t.E.CurrentTextStyle(), 1) << "the style before the command stays current";
  EXPECT_EQ(t.E.UndoName(), u"Insert Capital");
  EXPECT_EQ(t.Groups(), 1);
  EXPECT_EQ(t.Asked, 1) << "the application is asked once";
  const int withCode = t.Style.TextStyles().Count();
  EXPECT_EQ(withCode, styles + 1);
  // The other five, one after the other at the end: one style for all.
  t.E.SetCaretAt(2, 9);
  for (const char16_t* name : {u"Country", u"CallingCode", u"Description", u"Cities", u"Demographics"})
    ASSERT_TRUE(InsertFieldCode(t.E, name)) << Utf16ToUtf8(name);
  EXPECT_EQ(t.Style.TextStyles().Count(), withCode);
  EXPECT_EQ(t.Groups(), 6);
  EXPECT_EQ(Utf16ToUtf8(t.E.LTData().GetPlainText(0)), "CapiCapitaltal cityCountryCallingCodeDescriptionCitiesDemographics");
  for (int k = 0; k < 6; ++k) t.E.Undo();
  EXPECT_EQ(t.Tags(), "Capital city/");
}

TEST(FieldCodes, ACodeReplacesTheSelectionAndLeavesFieldRunsWhole) {
  Template t;
  t.Para(u"The capital is ").More(u"Vie").More(u"nna", 1);
  t.E.LTData().SetItemTag(1, Template::Tag(u"Capital|"));
  t.E.LTData().SetItemTag(2, Template::Tag(u"Capital|"));
  t.More(u" and ").Para(u"Country");
  t.E.LTData().SetItemTag(4, Template::Tag(u"Country|"));
  t.Ready();
  // Inside a merged value: the code goes after the whole run, a space
  // apart from it, or the next merge would take both for one field.
  t.E.SetCaretAt(1, 2);
  ASSERT_TRUE(InsertFieldCode(t.E, u"Capital"));
  EXPECT_EQ(t.Tags(), "The capital is /Vie[Capital|]/nna[Capital|]/ /Capital[Capital|]/ and /Country[Country|]/");
  EXPECT_EQ(t.Groups(), 1);
  t.E.Undo();
  // At the end of the run's first item the caret is still inside it.
  t.E.SetCaretAt(1, 4);
  ASSERT_TRUE(InsertFieldCode(t.E, u"Country"));
  EXPECT_EQ(t.Tags(), "The capital is /Vie[Capital|]/nna[Capital|]/Country[Country|]/ and /Country[Country|]/");
  t.E.Undo();
  // A run of the same field in the next paragraph is not beside the code.
  t.E.SetCaretAt(3, 6);
  ASSERT_TRUE(InsertFieldCode(t.E, u"Country"));
  EXPECT_EQ(t.Tags(), "The capital is /Vie[Capital|]/nna[Capital|]/ and /Country[Country|]/Country[Country|]/");
  t.E.Undo();
  // Beside a run of another field nothing comes between.
  t.E.SetCaretAt(4, 1);
  ASSERT_TRUE(InsertFieldCode(t.E, u"Capital"));
  EXPECT_EQ(t.Tags(), "The capital is /Vie[Capital|]/nna[Capital|]/ and /Capital[Capital|]/Country[Country|]/");
  t.E.Undo();
  // Before a run of the same field the space goes after the code.
  t.E.SetCaretAt(4, 1);
  ASSERT_TRUE(InsertFieldCode(t.E, u"Country"));
  EXPECT_EQ(t.Tags(), "The capital is /Vie[Capital|]/nna[Capital|]/ and /Country[Country|]/ /Country[Country|]/");
  t.E.Undo();
  // A selection is replaced, in the same step.
  t.E.SetSelectionBounds(0, 5, 0, 12);
  ASSERT_TRUE(InsertFieldCode(t.E, u"Cities"));
  EXPECT_EQ(Utf16ToUtf8(t.E.LTData().GetPlainText(0)), "The Cities is Vienna and \r\nCountry");
  EXPECT_EQ(t.Groups(), 1);
  t.E.Undo();
  EXPECT_EQ(Utf16ToUtf8(t.E.LTData().GetPlainText(0)), "The capital is Vienna and \r\nCountry");
}

TEST(FieldCodes, ClearCodesStripsFieldTagsInItemsAndCellsAsOneStep) {
  Template t;
  t.Para(u"Country").More(u"link").More(u"plain");
  t.E.LTData().SetItemTag(0, Template::Tag(u"Country|"));
  t.E.LTData().SetItemTag(1, Template::Tag(u"Description|https://example.org"));
  auto table = std::make_unique<TLTTableItemInfo>(1, 2);
  table->Cells(0, 1)->Clear();
  table->Cells(0, 1)->AddTextW(u"Oslo", 0, 0, Template::Tag(u"Capital|"));
  table->Tag = Template::Tag(u"Cities|");
  t.Add(std::move(table)).Para(u"after").Ready();
  const int cellItem = 0;
  auto& cell = *static_cast<TLTTableItemInfo&>(t.E.LTData().GetItem(3)).Cells(0, 1);
  EXPECT_EQ(FieldAt(cell, cellItem), u"Capital");
  EXPECT_EQ(FieldAt(*static_cast<TLTTableItemInfo&>(t.E.LTData().GetItem(3)).Cells(0, 0), 0), u"Cities")
      << "an item without a field of its own is in the table's";
  EXPECT_EQ(FieldAt(t.E.LTData(), 2), u"");

  // The caret alone: that one item; a selection inside it: the same.
  t.E.SetCaretAt(0, 3);
  ASSERT_TRUE(ClearCodes(t.E));
  EXPECT_EQ(t.Tags(), "Country/link[Description|https://example.org]/plain/#[Cities|]/after/");
  t.E.Undo();
  t.E.SetSelectionBounds(0, 2, 0, 5);
  ASSERT_TRUE(ClearCodes(t.E));
  EXPECT_EQ(t.Tags(), "Country/link[Description|https://example.org]/plain/#[Cities|]/after/");
  t.E.Undo();
  // A code beside the first item of the document, of the same field.
  t.E.SetCaretAt(0, 1);
  ASSERT_TRUE(InsertFieldCode(t.E, u"Country"));
  EXPECT_EQ(t.Tags(), "Country[Country|]/ /Country[Country|]/link[Description|https://example.org]/plain/#[Cities|]/after/");
  t.E.Undo();
  // A selection from the end of one item to the start of another leaves
  // both out; the rest, cells included, is cleared in one step.
  t.Asked = 0;
  t.E.SetSelectionBounds(0, 8, 4, 1);
  ASSERT_TRUE(HasCodesToClear(t.E));
  ASSERT_TRUE(ClearCodes(t.E));
  EXPECT_EQ(t.Tags(), "Country[Country|]/link[https://example.org]/plain/#/after/");
  EXPECT_EQ(cell.GetItem(0).Tag.String(), nullptr);
  EXPECT_EQ(t.Asked, 1);
  EXPECT_EQ(t.E.UndoName(), u"Clear Codes");
  int si = 0, so = 0, ei = 0, eo = 0;
  t.E.GetSelectionBounds(si, so, ei, eo, true);
  EXPECT_EQ(std::vector<int>({si, so, ei, eo}), std::vector<int>({1, 1, 3, 1})) << "the items looked at stay selected";
  t.E.Undo();
  EXPECT_EQ(t.Tags(), "Country[Country|]/link[Description|https://example.org]/plain/#[Cities|]/after/");
  EXPECT_EQ(*cell.GetItem(0).Tag.String(), u"Capital|");
  t.E.Redo();
  EXPECT_EQ(cell.GetItem(0).Tag.String(), nullptr);
}

TEST(FieldCodes, CommandsThatCannotRunBeepOnceAndRecordNothing) {
  Template t;
  t.Para(u"plain text").Para(u"Capital");
  t.E.LTData().SetItemTag(1, Template::Tag(u"Capital|"));
  t.Ready();
  t.E.SetSelectionBounds(0, 3, 1, 4);
  EXPECT_TRUE(HasCodesToClear(t.E)) << "the code is the range's last item";
  t.E.SetSelectionBounds(0, 1, 0, 6);
  EXPECT_FALSE(HasCodesToClear(t.E));
  EXPECT_FALSE(ClearCodes(t.E));
  EXPECT_EQ(t.Refusals, 1);
  t.E.SetReadOnly(true);
  t.E.SetSelectionBounds(1, 1, 1, 3);
  EXPECT_FALSE(ClearCodes(t.E));
  EXPECT_FALSE(InsertFieldCode(t.E, u"Country"));
  EXPECT_EQ(t.Refusals, 3);
  EXPECT_EQ(t.Groups(), 0);
  EXPECT_FALSE(t.E.Modified);
  EXPECT_EQ(t.Tags(), "plain text/Capital[Capital|]/");
}

TEST(FieldCodes, ACodeGoesIntoTheTableCellBeingEditedAndTheStatusSeesThroughTheCell) {
  RegisterTableItemKind();
  Template t;
  t.Para(u"Cities:");
  auto table = std::make_unique<TLTTableItemInfo>(2, 2);
  TLTTableItemInfo* cities = table.get();
  table->ParaNo = 0;
  table->Tag = Template::Tag(u"Cities|");
  cities->Cells(1, 0)->Clear();
  cities->Cells(1, 0)->AddTextW(u"Town ", 0, 0);
  t.Add(std::move(table));
  t.Ready();
  ASSERT_TRUE(cities->EditCell(-1, 1, 0, {.CaretAtEnd = true}));
  EXPECT_EQ(FieldAtCaret(t.E), u"Cities") << "the table a field brought, around the cell";
  ASSERT_TRUE(InsertFieldCode(t.E, u"Country"));
  TCustomLecternEdit& cell = t.E.InnermostEditor();
  ASSERT_EQ(cell.LTData().ItemCount(), 2);
  EXPECT_EQ(cell.LTData().GetItem(1).Tag, Template::Tag(u"Country|"));
  cell.SetCaretAt(1, 2);
  EXPECT_EQ(FieldAtCaret(t.E), u"Country");
  // Left, the cell's step is the document's; its Undo opens the cell again.
  t.E.EndNestedEditing();
  EXPECT_EQ(t.E.UndoName(), u"Insert Country");
  ASSERT_TRUE(t.E.Undo());
  EXPECT_EQ(t.E.InnermostEditor().LTData().ItemCount(), 1);
  EXPECT_EQ(cities->EditedRow(), 1);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

using namespace lectern::testing;

TEST(FieldValues, TextTypedBesideAValueIsTheUsersAndTextTypedInsideIsTheValues) {
  Template t;
  t.Para(u"Capital: ");
  t.E.LTData().AddTextW(u"Santiago", 0, -1, Template::Tag(u"Capital|"));
  t.More(u".").Ready();
  KeepFieldValuesWhole(t.E);
  // At the value's end: an item of its own, which the next merge keeps.
  t.E.SetCaretAt(1, 9);
  for (char16_t c : std::u16string(u" (the capital)")) ASSERT_TRUE(t.E.KeyPress(std::u16string(1, c)));
  EXPECT_EQ(t.Tags(), "Capital: /Santiago[Capital|]/ (the capital)/./");
  // At its start too.
  t.E.SetCaretAt(1, 1);
  ASSERT_TRUE(t.E.KeyPress(u"~"));
  EXPECT_EQ(t.Tags(), "Capital: ~/Santiago[Capital|]/ (the capital)/./");
  // Inside, the text is the value's: the next merge replaces it with it.
  t.E.SetCaretAt(1, 4);
  ASSERT_TRUE(t.E.KeyPress(u"x"));
  EXPECT_EQ(t.Tags(), "Capital: ~/Sanxtiago[Capital|]/ (the capital)/./");
  // One step undoes a typed character, wherever it went.
  t.E.Undo();
  EXPECT_EQ(t.Tags(), "Capital: ~/Santiago[Capital|]/ (the capital)/./");
}

TEST(FieldValues, OnlyKnownFieldsMakeATagAFieldsAndALinkKeepsItsWholeAddress) {
  const TLTString link = u"https://fonts.example.org/css?family=Roboto|Open+Sans";
  TLTString name;
  EXPECT_FALSE(GetFieldName(TLTTag::FromString(link), name));
  EXPECT_EQ(TTerrabook::JumpTarget(TLTTag::FromString(link)), link);
  EXPECT_EQ(TTerrabook::JumpTarget(TLTTag::FromString(u"Description|" + link)), link);
  EXPECT_EQ(TTerrabook::CaretStatus(nullptr), u"");
  ASSERT_TRUE(GetFieldName(TLTTag::FromString(u"Country+|x"), name));
  EXPECT_EQ(name, u"Country");
  EXPECT_FALSE(GetFieldName(TLTTag::FromString(u"Population|"), name));
  EXPECT_FALSE(GetFieldName(TLTTag::FromString(u"|Country"), name));
  TLTFieldTag parsed;
  ASSERT_TRUE(ParseFieldTag(TLTTag::FromString(u"Capital+|https://a.org/?a|b"), parsed));
  EXPECT_TRUE(parsed.StartsValue);
  EXPECT_EQ(parsed.Own, u"https://a.org/?a|b");
  EXPECT_EQ(OwnTag(FieldTag(u"Capital", u"x", true)), u"x");
}

}  // namespace
}  // namespace lectern
