// The report merge: field runs, the codes view, contents from large
// objects, paragraph takeover, and merges repeated and undone.

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "table/LTTable.h"
#include "tests/support/DocShape.h"
#include "tests/support/TestTable.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using testing::Shape;
using testing::TTestValue;

constexpr testing::TShapeOptions kFull{true, true};

/// A stored document made by fill, as a large-object value.
template <class F>
TTestValue Stored(F fill) {
  RegisterTableItemKind();
  TLTDocument d;
  fill(d);
  d.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream m;
  d.Data.SaveLTFToStream(m);
  return TTestValue::B(m.Data());
}

struct MergeTest : ::testing::Test {
  testing::TTempDir Dir{"merge"};
  TLTSQLiteTable Table;
  TLTDocument Doc;
  TCustomLTData& D = Doc.Data;
  TLTReportMerge Merge{Doc.Style, &Table};

  void SetUp() override {
    const TTestValue description = Stored([](TLTDocument& d) {
      d.Data.AddTextW(u"Long and thin, see ", 0, 0);
      d.Data.AddTextW(u"the portal", 4, -1, TLTTag::FromString(u"https://www.gob.cl/"));
      d.Data.AddTextW(u"Second paragraph.", 0, 0);
    });
    const TTestValue cities = Stored([](TLTDocument& d) {
      auto t = std::make_unique<TLTTableItemInfo>(1, 2);
      d.Data.AddItem({}, std::move(t));
    });
    testing::MakeTable(
        Dir / "t.db", "Countries",
        {"Country TEXT", "Capital TEXT", "Description BLOB", "Cities BLOB", "Demographics BLOB", "Number INTEGER"},
        {{TTestValue::T("Chile"), TTestValue::T("Santiago"), description, cities,
          TTestValue::B("not a document at all"), TTestValue::I(1)},
         {TTestValue::T("Norway"), TTestValue::T("Oslo"), TTestValue::B(""), {}, {}, {}}});
    Table.SetFileName(Dir / "t.db");
    Table.Open();
  }
  void Field(const char16_t* name, int32_t paraNo = -1) {
    D.AddTextW(name, FindOrAddCodeStyle(ltcsFieldCode, Doc.Style), paraNo, TLTTag::FromString(TLTString(name) + u"|"));
  }
  /// Replaces the table by one record of a country and its description.
  void UseDescription(const TTestValue& description) {
    Table.Close();
    testing::MakeTable(Dir / "d.db", "Countries", {"Country TEXT", "Description BLOB"},
                       {{TTestValue::T("Chile"), description}});
    Table.SetFileName(Dir / "d.db");
    Table.Open();
  }
  void MergeAndNormalize(int recNo) {
    Merge.CodesView = recNo == 0;
    if (recNo > 0) Table.SetRecNo(recNo);
    Merge.MergeRecord(D);
    NormalizeDocument(D);
  }
};

TEST_F(MergeTest, ARunOfOneFieldBecomesOneValueInItsPlace) {
  D.AddTextW(u"Name: ", 0, 1);
  for (const char16_t* piece : {u"Ch", u"i", u"le"}) D.AddTextW(piece, 0, -1, TLTTag::FromString(u"Country|"));
  D.AddTextW(u".", 0, -1);
  const int styles = Doc.Style.TextStyles().Count();

  MergeAndNormalize(1);
  const int country = FindOrAddCodeStyle(ltcsCountry, Doc.Style);
  EXPECT_EQ(Shape(D, kFull), "Name: /1//s0 Chile/1/J/s" + IntToStr(country) + "/Country| ./1/J/s0");
  EXPECT_TRUE(Merge.Problems.empty());
  // The style was added by the merge and found by every later lookup.
  EXPECT_EQ(Doc.Style.TextStyles().Count(), styles + 1);
  EXPECT_FALSE(Doc.Style.TextStyles()[country].Standard);
  EXPECT_EQ(FindOrAddCodeStyle(ltcsCountry, Doc.Style), country);
  EXPECT_EQ(Doc.Style.TextStyles().Count(), styles + 1);
}

TEST_F(MergeTest, CodesViewAndMissingValuesShowTheFieldName) {
  Field(u"Capital", 0);
  Field(u"Description", 0);
  Field(u"Cities", 0);
  Field(u"Demographics", 0);
  const std::string codes = Shape(D, kFull);

  MergeAndNormalize(2);
  // An empty large object and a missing one show the name, as codes do.
  EXPECT_EQ(Shape(D), "Oslo/0/ Description/0/ Cities/0/ Demographics/0/");
  EXPECT_TRUE(Merge.Problems.empty());

  MergeAndNormalize(1);
  // Bytes that are no document are reported and leave the name showing.
  ASSERT_EQ(Merge.Problems.size(), 1u);
  EXPECT_NE(Merge.Problems[0].find("\"Demographics\""), std::string::npos);
  EXPECT_EQ(Utf16ToUtf8(D.GetItemTextW(D.ItemCount() - 1)), "Demographics");

  MergeAndNormalize(0);
  EXPECT_EQ(Shape(D, kFull), codes);
}

TEST_F(MergeTest, FieldsThatCannotBeFilledKeepTheirContent) {
  Field(u"Number", 0);
  Field(u"Population", 0);
  const std::string before = Shape(D, kFull);
  MergeAndNormalize(1);
  EXPECT_EQ(Shape(D, kFull), before);
  // A name the table does not have is no field: its tag is the item's own.
  ASSERT_EQ(Merge.Problems.size(), 1u);
  EXPECT_NE(Merge.Problems[0].find("Unsupported field type"), std::string::npos);
  // Without a table only the codes view works.
  TLTReportMerge noTable(Doc.Style, nullptr);
  noTable.CodesView = false;
  EXPECT_EQ(noTable.BuildFieldContent(u"Capital"), nullptr);
}

TEST_F(MergeTest, RichContentTakesOverTheRunsParagraph) {
  D.AddTextW(u"Intro", 0, 1);
  Field(u"Description");
  D.AddTextW(u" tail", 0, -1);
  D.AddTextW(u"Next", 0, 0);
  Field(u"Country");
  D.GetItem(D.ItemCount() - 1).SetNewPage(true);
  Field(u"Capital");
  D.GetItem(D.ItemCount() - 1).SetNewLine(true);

  MergeAndNormalize(1);
  const int country = FindOrAddCodeStyle(ltcsCountry, Doc.Style);
  const int value = FindOrAddCodeStyle(ltcsValue, Doc.Style);
  // The first paragraph of the content continues the run's paragraph and
  // takes its style; hyperlink targets stay behind the field name.
  EXPECT_EQ(Shape(D, kFull),
            "Intro/1//s0 Long and thin, see /1/J/s0/Description| the portal/1/J/s4/Description|https://www.gob.cl/ "
            "Second paragraph./0//s0/Description|  tail/0/J/s0 Next/0//s0 Chile/0/P/s" +
                IntToStr(country) + "/Country| Santiago/0/L/s" + IntToStr(value) + "/Capital|");
}

TEST_F(MergeTest, ATableInAParagraphLeavesTheFieldsPlaceForTheCodes) {
  Doc.Style.ListStyles().Add().Levels.Add().ListType = ltlstDecimal;
  Doc.Style.ParaStyles().Add();
  Doc.Style.ParaStyles().Add();
  D.AddTextW(u"List", 0, 0);
  D.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
  Field(u"Cities");
  // Alone in a paragraph of its own style, inside one, and followed by text.
  Field(u"Cities", 2);
  D.AddTextW(u"Cities: ", 0, 1);
  Field(u"Cities");
  D.AddTextW(u" and more", 0, -1);
  NormalizeDocument(D);
  const std::string codes = Shape(D, kFull);

  MergeAndNormalize(1);
  // The marker keeps the list item (an empty item of the field stands in
  // it), the table alone in its paragraph takes the paragraph's style, and
  // empty items of the field hold the paragraph around the other table.
  EXPECT_EQ(Shape(D), "List/0/ #/0/ /0/J T/0/ T/2/ Cities: /1/ /1/J T/0/ /1/  and more/1/J");
  EXPECT_NE(D.GetMarkers(), nullptr);
  MergeAndNormalize(2);
  MergeAndNormalize(0);
  EXPECT_EQ(Shape(D, kFull), codes);
}

TEST_F(MergeTest, CodesOfOneFieldSideBySideOrInNeighbouringParagraphsStayApart) {
  D.AddTextW(u"Report on ", 0, 0);
  Field(u"Country");
  Field(u"Country", 0);
  D.AddTextW(u" is a country: ", 0, -1);
  Field(u"Country");
  Field(u"Country");
  NormalizeDocument(D);
  const std::string codes = Shape(D, kFull);
  MergeAndNormalize(1);
  EXPECT_EQ(Shape(D), "Report on /0/ Chile/0/J Chile/0/  is a country: /0/J Chile/0/J Chile/0/J");
  MergeAndNormalize(2);
  EXPECT_EQ(Shape(D), "Report on /0/ Norway/0/J Norway/0/  is a country: /0/J Norway/0/J Norway/0/J");
  MergeAndNormalize(0);
  EXPECT_EQ(Shape(D, kFull), codes);
}

TEST_F(MergeTest, ACodeIsAValueByItselfBesideAnUnmarkedValueOfItsField) {
  // As a report saved before values were marked has them: a record's
  // missing value (its code) and the next value right after it.
  Field(u"Capital", 0);
  D.AddTextW(u"Santiago", 0, -1, TLTTag::FromString(u"Capital|"));
  MergeAndNormalize(2);
  EXPECT_EQ(Shape(D), "Oslo/0/ Oslo/0/J");
}

TEST_F(MergeTest, MergesRepeatAndReturnToTheTemplate) {
  D.AddTextW(u"Report on ", 0, 1);
  Field(u"Country");
  auto table = std::make_unique<TLTTableItemInfo>(1, 2);
  TLTTableItemInfo& t = *table;
  D.AddItem({}, std::move(table));
  t.Cells(0, 1)->Clear();
  t.Cells(0, 1)->AddTextW(u"Capital", FindOrAddCodeStyle(ltcsFieldCode, Doc.Style), 0, TLTTag::FromString(u"Capital|"));
  Field(u"Description", 0);
  Field(u"Cities", 0);
  D.AddTextW(u"End", 0, 0);
  const std::string codes = Shape(D, kFull);

  MergeAndNormalize(1);
  EXPECT_EQ(Utf16ToUtf8(t.Cells(0, 1)->GetItemTextW(0)), "Santiago");
  const std::string chile = Shape(D, kFull);
  MergeAndNormalize(1);
  EXPECT_EQ(Shape(D, kFull), chile);
  MergeAndNormalize(2);
  EXPECT_EQ(Utf16ToUtf8(t.Cells(0, 1)->GetItemTextW(0)), "Oslo");
  MergeAndNormalize(1);
  EXPECT_EQ(Shape(D, kFull), chile);
  MergeAndNormalize(0);
  EXPECT_EQ(Shape(D, kFull), codes);
  EXPECT_EQ(Shape(*t.Cells(0, 1), kFull), "Capital/0//s6/Capital|");
}

TEST_F(MergeTest, AFieldStartingItsOwnParagraphGivesTheContentItsParagraphStyle) {
  D.AddTextW(u"Intro", 0, 0);
  Field(u"Description", 1);
  D.AddTextW(u" tail", 0, -1);
  Field(u"Capital", 1);
  MergeAndNormalize(1);
  // The first paragraph of the content takes style 1 and starts a
  // paragraph as the run did; its second paragraph keeps its own style.
  EXPECT_EQ(Shape(D), "Intro/0/ Long and thin, see /1/ the portal/1/J Second paragraph./0/  tail/0/J Santiago/1/");
}

TEST_F(MergeTest, ValuesGetAStyleOfTheirOwnWhenStyleZeroHasItsOwnCharset) {
  ASSERT_EQ(FindOrAddCodeStyle(ltcsValue, Doc.Style), 0) << "the default style 0 is Arial 10";
  Doc.Style.TextStyles()[0].Charset = 161;  // Greek
  const int count = Doc.Style.TextStyles().Count();
  const int value = FindOrAddCodeStyle(ltcsValue, Doc.Style);
  EXPECT_EQ(value, count);
  EXPECT_EQ(Doc.Style.TextStyles()[value].Charset, 1);
  Field(u"Capital", 0);
  MergeAndNormalize(1);
  EXPECT_EQ(Shape(D, kFull), "Santiago/0//s" + IntToStr(value) + "/Capital|");
  EXPECT_EQ(Doc.Style.TextStyles()[0].Charset, 161);
}

TEST_F(MergeTest, ContentStartingWithAMarkerAfterATemplateMarkerKeepsOnlyTheTemplates) {
  Doc.Style.ListStyles().Add().Levels.Add().ListType = ltlstDecimal;
  UseDescription(Stored([](TLTDocument& d) {
    d.Style.ListStyles().Add().Levels.Add().ListType = ltlstDecimal;
    d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 5, true));
    d.Data.AddTextW(u"First point", 0, -1);
    d.Data.AddTextW(u"After the list", 0, 0);
  }));
  D.AddTextW(u"List", 0, 0);
  D.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
  Field(u"Description");
  MergeAndNormalize(1);
  EXPECT_EQ(Shape(D), "List/0/ #/0/ First point/0/J After the list/0/");
  // The marker left is the template's, which does not restart at 5.
  const auto& marker = static_cast<const TLTMarkerItemInfo&>(D.GetItem(1));
  EXPECT_FALSE(marker.Reset);
  EXPECT_EQ(marker.StartFrom, 1);
}

TEST_F(MergeTest, EachRecordReportsOnlyItsOwnProblems) {
  Field(u"Demographics", 0);
  MergeAndNormalize(1);
  EXPECT_EQ(Merge.Problems.size(), 1u);
  MergeAndNormalize(2);
  EXPECT_TRUE(Merge.Problems.empty());
}

TEST_F(MergeTest, ContentStartingWithAnEmptyParagraphIsKept) {
  UseDescription(Stored([](TLTDocument& d) {
    d.Data.AddTextW(u"", 0, 0);
    d.Data.AddTextW(u"Second", 0, 0);
  }));
  Field(u"Description", 0);
  MergeAndNormalize(1);
  EXPECT_EQ(Shape(D), "/0/ Second/0/");
}

}  // namespace
}  // namespace lectern
