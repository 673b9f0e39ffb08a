// RTF import: small RTF written by hand, one feature each, imported into a
// document and checked through its items, styles and text.

#include "rtf/LTRTFImport.h"

#include "items/LTNote.h"
#include "items/LTSeqItem.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "model/LTRTFWriter.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct TImport {
  TLTDocument Doc;
  TLTRTFReaderProperties Settings;
  TImport() {
    RegisterTableItemKind();
    RegisterSpecialItemKinds();
  }
  bool Read(std::string_view rtf, TLTReaderStyleMode mode = ltrsAddIfNeeded) {
    Settings.TextStyleMode = Settings.ParaStyleMode = mode;
    int index = Doc.Data.ItemCount();
    return Settings.ImportRTFBytes(rtf, Doc.Data, index);
  }
  std::string Text() const {
    std::string t = Utf16ToUtf8(Doc.Data.GetPlainText(0));
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') {
        out += '|';
        ++i;
      } else {
        out += t[i];
      }
    }
    return out;
  }
  const TFontInfo& TextStyleOf(int item) const { return Doc.Style.TextStyles()[Doc.Data.GetItemStyle(item)]; }
};

TEST(LTRTFImport, ParagraphsAndLinesBecomeItems) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 one\\par two\\line three\\par\\par four}"));
  EXPECT_EQ(t.Text(), "one|two|three||four");
  ASSERT_EQ(t.Doc.Data.ItemCount(), 5);
  EXPECT_TRUE(t.Doc.Data.IsParaStart(1));
  EXPECT_TRUE(t.Doc.Data.GetItem(2).HasFlag(ltifNewLine));
}

TEST(LTRTFImport, RightToLeftParagraphsKeepTheirReadingOrder) {
  for (TLTReaderStyleMode mode : {ltrsAddIfNeeded, ltrsUseClosest}) {
    TImport t;
    t.Doc.Style.ParaStyles().Add().BiDiMode = ltbdRightToLeft;
    ASSERT_TRUE(t.Read("{\\rtf1\\uc1 {\\rtlpar\\u1513?\\u1500?\\par}{\\ltrpar left\\par}}", mode));
    const TParaInfos& paras = t.Doc.Style.ParaStyles();
    EXPECT_EQ(paras[t.Doc.Data.GetItem(0).ParaNo].BiDiMode, ltbdRightToLeft) << mode;
    EXPECT_EQ(paras[t.Doc.Data.GetItem(1).ParaNo].BiDiMode, ltbdUnspecified) << mode;
  }
}

TEST(LTRTFImport, AddingStylesTwiceAddsThemOnce) {
  TImport t;
  const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs28 plain {\\b bold}{\\caps caps}\\par}";
  const int before = t.Doc.Style.TextStyles().Count();
  ASSERT_TRUE(t.Read(rtf));
  const int after = t.Doc.Style.TextStyles().Count();
  EXPECT_EQ(after, before + 3);
  ASSERT_TRUE(t.Read(rtf));
  EXPECT_EQ(t.Doc.Style.TextStyles().Count(), after);
  EXPECT_EQ(t.TextStyleOf(0).FontName, u"Times New Roman");
  EXPECT_EQ(t.TextStyleOf(0).Size, 14);
  EXPECT_TRUE(t.TextStyleOf(1).Style.Contains(fsBold));
  EXPECT_TRUE(t.TextStyleOf(2).StyleEx.Contains(ltfsAllCaps));
}

TEST(LTRTFImport, TheClosestStyleModeNeverAddsStyles) {
  TImport t;
  const int text = t.Doc.Style.TextStyles().Count(), para = t.Doc.Style.ParaStyles().Count();
  ASSERT_TRUE(t.Read("{\\rtf1{\\fonttbl{\\f0 Courier;}}\\f0\\fs50\\qc\\li2000 big {\\i it}\\par}", ltrsUseClosest));
  EXPECT_EQ(t.Doc.Style.TextStyles().Count(), text);
  EXPECT_EQ(t.Doc.Style.ParaStyles().Count(), para);
  EXPECT_EQ(t.Text(), "big it");
}

TEST(LTRTFImport, CodeStylesAreNeverChosen) {
  TImport t;
  for (int i = 0; i < t.Doc.Style.TextStyles().Count(); ++i) t.Doc.Style.TextStyles()[i].Options.Include(ltteoRTFCode);
  TFontInfo& plain = t.Doc.Style.TextStyles().Add();
  plain.Unicode = true;
  const int plainNo = t.Doc.Style.TextStyles().Count() - 1;
  ASSERT_TRUE(t.Read("{\\rtf1 {\\b text}}", ltrsUseClosest));
  EXPECT_EQ(t.Doc.Data.GetItemStyle(0), plainNo);
  TImport u;
  for (int i = 0; i < u.Doc.Style.TextStyles().Count(); ++i) u.Doc.Style.TextStyles()[i].Options.Include(ltteoHTMLCode);
  ASSERT_TRUE(u.Read("{\\rtf1{\\fonttbl{\\f0 Arial;}} text}"));
  EXPECT_TRUE(u.TextStyleOf(0).Options.Empty());
}

TEST(LTRTFImport, ALoneTabIsATabItemOrSpaces) {
  TImport t;
  t.Doc.Style.SpacesInTab = 0;
  ASSERT_TRUE(t.Read("{\\rtf1 a\\tab b}"));
  ASSERT_EQ(t.Doc.Data.ItemCount(), 3);
  EXPECT_EQ(t.Doc.Data.GetItem(1).StyleNo, ltikTabulator);
  TImport u;
  u.Doc.Style.SpacesInTab = 4;
  ASSERT_TRUE(u.Read("{\\rtf1 a\\tab b}"));
  EXPECT_EQ(u.Text(), "a    b");
}

TEST(LTRTFImport, HyperlinksAreTaggedTextInAHypertextStyle) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://example.org/a%20b\" \\\\o \"tip\"}"
                     "{\\fldrslt here}} now}"));
  ASSERT_EQ(t.Doc.Data.ItemCount(), 3);
  const TCustomLTItemInfo& link = t.Doc.Data.GetItem(1);
  ASSERT_TRUE(link.Tag.IsString());
  EXPECT_EQ(*link.Tag.String(), u"http://example.org/a b");
  EXPECT_TRUE(t.TextStyleOf(1).Jump);
  EXPECT_FALSE(t.TextStyleOf(2).Jump);
  TImport b;
  ASSERT_TRUE(b.Read("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \\\\l \"part2\"}{\\fldrslt go}}}"));
  EXPECT_EQ(*b.Doc.Data.GetItem(0).Tag.String(), u"#part2");
}

TEST(LTRTFImport, RelativeLinksFollowTheBasePath) {
  TImport t;
  t.Settings.BasePath = "http://host/dir/";
  ASSERT_TRUE(t.Read("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"page.html\"}{\\fldrslt a}}"
                     "{\\field{\\*\\fldinst HYPERLINK \"/root.html\"}{\\fldrslt b}}"
                     "{\\field{\\*\\fldinst HYPERLINK \"www.x.org\"}{\\fldrslt c}}}"));
  EXPECT_EQ(*t.Doc.Data.GetItem(0).Tag.String(), u"http://host/dir/page.html");
  EXPECT_EQ(*t.Doc.Data.GetItem(1).Tag.String(), u"http://host/root.html");
  EXPECT_EQ(*t.Doc.Data.GetItem(2).Tag.String(), u"www.x.org");
}

TEST(LTRTFImport, BookmarksBecomeCheckpoints) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 a\\par{\\*\\bkmkstart mark}b{\\*\\bkmkend mark}}"));
  ASSERT_NE(t.Doc.Data.GetItemCheckpoint(1), nullptr);
  EXPECT_EQ(t.Doc.Data.GetItemCheckpoint(1)->CheckpointName, u"mark");
}

TEST(LTRTFImport, HiddenTextIsSkippedButKeepsItsBreak) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 a\\par{\\v hidden}b\\par{\\v gone}\\par c}"));
  EXPECT_EQ(t.Text(), "a|b|c");
}

TEST(LTRTFImport, TablesAreBuiltWithTheirCells) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 before\\par\\trowd\\cellx1440\\cellx2880\\pard\\intbl a\\cell b\\cell\\row"
                     "\\trowd\\cellx1440\\cellx2880\\pard\\intbl c\\cell\\cell\\row\\pard after\\par}"));
  ASSERT_EQ(t.Doc.Data.ItemCount(), 3);
  auto& table = t.Doc.Data.CheckItemClass<TLTTableItemInfo>(1);
  ASSERT_EQ(table.NumRows(), 2);
  ASSERT_EQ(table.NumColumns(), 2);
  EXPECT_EQ(Utf16ToUtf8(table.Cells(0, 1)->GetPlainText(0)), "b");
  EXPECT_EQ(Utf16ToUtf8(table.Cells(1, 0)->GetPlainText(0)), "c");
  EXPECT_EQ(table.Cells(1, 1)->ItemCount(), 1);  // an empty cell holds an empty paragraph
  // Without spacing neighbouring cells share their borders.
  EXPECT_EQ(table.CellHSpacing, -1);
  EXPECT_EQ(table.CellVSpacing, -1);
  // A paragraph mark before the cell mark makes no empty paragraph.
  TImport u;
  ASSERT_TRUE(u.Read("{\\rtf1\\trowd\\cellx1440\\pard\\intbl one\\par two\\par\\cell\\row}"));
  EXPECT_EQ(u.Doc.Data.CheckItemClass<TLTTableItemInfo>(0).Cells(0, 0)->ItemCount(), 2);
  EXPECT_EQ(table.Cells(0, 0)->BestWidth, 96 - 2 * table.CellHPadding);
}

TEST(LTRTFImport, BoundariesOneTwipApartAreOneColumn) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
                     "\\trowd\\cellx1001\\cellx2000\\pard\\intbl c\\cell d\\cell\\row}"));
  EXPECT_EQ(t.Doc.Data.CheckItemClass<TLTTableItemInfo>(0).NumColumns(), 2);
  TImport u;
  ASSERT_TRUE(u.Read("{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
                     "\\trowd\\cellx1002\\cellx2000\\pard\\intbl c\\cell d\\cell\\row}"));
  auto& table = u.Doc.Data.CheckItemClass<TLTTableItemInfo>(0);
  EXPECT_EQ(table.NumColumns(), 3);
  EXPECT_EQ(table.Cells(0, 1)->ColumnsSpanned, 2);
  EXPECT_EQ(table.Cells(1, 0)->ColumnsSpanned, 2);
}

TEST(LTRTFImport, CellsNarrowerThanATwipStillMakeATable) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1\\trowd\\trleft0\\cellx1\\pard\\intbl kept\\cell\\row}"));
  auto& table = t.Doc.Data.CheckItemClass<TLTTableItemInfo>(0);
  EXPECT_EQ(Utf16ToUtf8(table.Cells(0, 0)->GetPlainText(0)), "kept");
}

TEST(LTRTFImport, MergedCellsSpan) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\clvmgf\\cellx3000\\pard\\intbl a\\cell\\cell b\\cell\\row"
                     "\\trowd\\cellx1000\\cellx2000\\clvmrg\\cellx3000\\pard\\intbl c\\cell d\\cell\\cell\\row}"));
  auto& table = t.Doc.Data.CheckItemClass<TLTTableItemInfo>(0);
  ASSERT_EQ(table.NumColumns(), 3);
  EXPECT_EQ(table.Cells(0, 0)->ColumnsSpanned, 2);
  EXPECT_EQ(table.Cells(0, 2)->RowsSpanned, 2);
}

TEST(LTRTFImport, ACellAfterTheLastRowStartsAnotherTable) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1\\trowd\\lastrow\\cellx1000\\pard\\intbl a\\cell\\row"
                     "\\trowd\\cellx1000\\pard\\intbl b\\cell\\row}"));
  ASSERT_EQ(t.Doc.Data.ItemCount(), 2);
  EXPECT_EQ(t.Doc.Data.GetItem(0).StyleNo, ltikTable);
  EXPECT_EQ(t.Doc.Data.GetItem(1).StyleNo, ltikTable);
}

TEST(LTRTFImport, NestedTablesAreCellsOfCells) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1\\trowd\\cellx3000\\pard\\intbl outer\\par"
                     "\\pard\\intbl\\itap2 inner\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\nestrow}"
                     "{\\nonesttables\\par}\\pard\\intbl\\itap1\\cell\\row}"));
  auto& outer = t.Doc.Data.CheckItemClass<TLTTableItemInfo>(0);
  TLTTableCellData* cell = outer.Cells(0, 0);
  ASSERT_NE(cell, nullptr);
  bool nested = false;
  for (int i = 0; i < cell->ItemCount(); ++i) nested = nested || cell->GetItem(i).StyleNo == ltikTable;
  EXPECT_TRUE(nested);
}

TEST(LTRTFImport, ARowThatNeverEndedKeepsItsText) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1\\trowd\\cellx1000\\pard\\intbl lost?\\cell}"));
  EXPECT_EQ(t.Text(), "lost?");
}

TEST(LTRTFImport, ListTableParagraphsGetMarkers) {
  TImport t;
  const int lists = t.Doc.Style.ListStyles().Count();
  const std::string rtf =
      "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc0\\levelstartat1"
      "{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}}}"
      "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}"
      "\\pard\\ls1\\ilvl0 one\\par\\pard\\ls1\\ilvl0 two\\par}";
  ASSERT_TRUE(t.Read(rtf));
  EXPECT_EQ(t.Doc.Style.ListStyles().Count(), lists + 1);
  ASSERT_EQ(t.Doc.Data.ItemCount(), 4);
  const auto& marker = t.Doc.Data.CheckItemClass<TLTMarkerItemInfo>(2);
  EXPECT_EQ(marker.ListNo, lists);
  EXPECT_EQ(Utf16ToUtf8(marker.DisplayString), "2.");
  EXPECT_EQ(t.Doc.Style.ListStyles()[lists].Levels[0].FormatString, u"%s.");
  ASSERT_TRUE(t.Read(rtf));
  EXPECT_EQ(t.Doc.Style.ListStyles().Count(), lists + 1);
}

TEST(LTRTFImport, AListLevelWithoutIndentsTakesThemFromItsFirstParagraph) {
  TImport t;
  const int lists = t.Doc.Style.ListStyles().Count();
  ASSERT_TRUE(t.Read("{\\rtf1{\\fonttbl{\\f0 Arial;}}"
                     "{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}}}"
                     "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}"
                     "\\pard\\ls1\\li1440\\fi-720\\jclisttab\\tx1440 one\\par"
                     "\\pard\\plain\\ls1\\li2880\\fi-360 two\\par}"));
  const TLTListLevel& level = t.Doc.Style.ListStyles()[lists].Levels[0];
  EXPECT_EQ(level.LeftIndent, 96);
  EXPECT_EQ(level.MarkerIndent, 48);
  EXPECT_EQ(level.FirstIndent, 0);
}

TEST(LTRTFImport, OldStyleBulletsShareOneListStyle) {
  TImport t;
  const int lists = t.Doc.Style.ListStyles().Count();
  ASSERT_TRUE(t.Read("{\\rtf1{\\pard{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}a\\par}"
                     "{\\pard{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}b\\par}}"));
  EXPECT_EQ(t.Doc.Style.ListStyles().Count(), lists + 1);
  EXPECT_EQ(t.Doc.Data.GetItem(0).StyleNo, ltikMarker);
  EXPECT_EQ(t.Doc.Data.GetItem(2).StyleNo, ltikMarker);
}

TEST(LTRTFImport, ListsAreLeftOutWhenStylesAreNotAdded) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1{\\pard{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}a\\par}}", ltrsUseClosest));
  EXPECT_EQ(t.Doc.Data.ItemCount(), 1);
}

TEST(LTRTFImport, FootnotesAndEndnotesKeepTheirText) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 a{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} foot}b"
                     "{\\super\\chftn}{\\footnote\\ftnalt\\pard{\\super\\chftn} end}}"));
  ASSERT_EQ(t.Doc.Data.ItemCount(), 4);
  auto& foot = t.Doc.Data.CheckItemClass<TLTFootnoteItemInfo>(1);
  EXPECT_NE(Utf16ToUtf8(foot.Document().GetPlainText(0)).find("foot"), std::string::npos);
  auto& end = t.Doc.Data.CheckItemClass<TLTEndnoteItemInfo>(3);
  EXPECT_NE(Utf16ToUtf8(end.Document().GetPlainText(0)).find("end"), std::string::npos);
}

TEST(LTRTFImport, SequenceFieldsBecomeNumberedItems) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 Figure {\\field{\\*\\fldinst SEQ fig \\\\* roman}{\\fldrslt i}}"
                     " and {\\field{\\*\\fldinst SEQ @footnote@}{\\fldrslt 1}}}"));
  auto& seq = t.Doc.Data.CheckItemClass<TLTSeqItemInfo>(1);
  EXPECT_EQ(seq.SeqName, u"fig");
  EXPECT_EQ(seq.NumberType, ltseqLowerRoman);
  EXPECT_EQ(t.Doc.Data.CheckItemClass<TLTSeqItemInfo>(3).SeqName, u"_@footnote@");
}

std::string Hex(std::string_view bytes) {
  static const char* d = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

TEST(LTRTFImport, PicturesAreDecodedAndBadOnesStandIn) {
  TPNGImage png;
  TLTPixels px;
  px.Width = 3;
  px.Height = 2;
  px.Data.assign(6, 0xFF336699u);
  ASSERT_TRUE(png.SetPixels(px));
  TLTMemoryStream m;
  ASSERT_TRUE(png.SaveToStream(m));
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1{\\pict\\pngblip\\picw3\\pich2 " + Hex(m.Data()) + "}{\\pict\\pngblip 0102}}"));
  ASSERT_EQ(t.Doc.Data.ItemCount(), 2);
  const TGraphic* first = t.Doc.Data.GetItem(0).GetImage();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 3);
  ASSERT_NE(t.Doc.Data.GetItem(1).GetImage(), nullptr);  // the invalid picture stands in
}

TEST(LTRTFImport, APageBreakGoesToTheNextParagraph) {
  TImport t;
  ASSERT_TRUE(t.Read("{\\rtf1 a\\par\\page b\\par}"));
  EXPECT_TRUE(t.Doc.Data.PageBreakBefore(1));
}

TEST(LTRTFImport, NegativeStyleNumbersAreRefused) {
  TLTRTFReaderProperties s;
  EXPECT_THROW(s.SetTextStyleNo(-1), ELecternError);
  EXPECT_THROW(s.SetParaStyleNo(-3), ELecternError);
  EXPECT_EQ(s.TextStyleNo(), 0);
}

TEST(LTRTFImport, TheSpecifiedStylesAreUsed) {
  TImport t;
  t.Settings.SetTextStyleNo(1);
  t.Settings.SetParaStyleNo(1);
  ASSERT_TRUE(t.Read("{\\rtf1 {\\b x}\\par y}", ltrsUseSpecified));
  EXPECT_EQ(t.Doc.Data.GetItem(0).StyleNo, 1);
  EXPECT_EQ(t.Doc.Data.GetItem(1).ParaNo, 1);
}

TEST(LTRTFImport, InsertsAtTheIndexAndReportsTheLastItem) {
  TImport t;
  t.Doc.Data.AddTextW(u"first", 0, 0);
  t.Doc.Data.AddTextW(u"last", 0, 0);
  int index = 1;
  ASSERT_TRUE(t.Settings.ImportRTFBytes("{\\rtf1 middle\\par}", t.Doc.Data, index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(t.Text(), "first|middle|last");
}

TEST(LTRTFImport, WhatTheWriterWritesReadsBack) {
  TImport src;
  src.Doc.Data.AddTextW(u"Heading", 0, 0);
  src.Doc.Data.AddTextW(u"bold words", 1, 0);
  auto table = std::make_unique<TLTTableItemInfo>(2, 2);
  table->SetContainer(&src.Doc.Data);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) table->Cells(r, c)->AddTextW(u"cell" + Utf8ToUtf16(std::to_string(r * 2 + c)), 0, 0);
  src.Doc.Data.AddItem({}, std::move(table));
  src.Doc.Data.AddTextW(u"after \u00e9\u4e2d", 0, 0);
  TLTMemoryStream out;
  ASSERT_TRUE(WriteRTF(src.Doc.Data, nullptr, out));
  TImport back;
  ASSERT_TRUE(back.Read(out.Data()));
  EXPECT_EQ(back.Text(), src.Text());
}

// ---- Files from other programs -----------------------------------------------------------

TEST(LTRTFImportCorpus, EveryCorpusFileImportsQuickly) {
  const fs::path corpus = fs::path(LECTERN_CORPUS) / "rtf";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus << "; nothing to check";
  int files = 0;
  for (const auto& e : fs::recursive_directory_iterator(corpus)) {
    if (!e.is_regular_file()) continue;
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(e.path().string(), bytes));
    for (TLTReaderStyleMode mode : {ltrsAddIfNeeded, ltrsUseClosest}) {
      TImport t;
      const auto t0 = std::chrono::steady_clock::now();
      t.Read(bytes, mode);
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      EXPECT_LT(s, 20.0) << e.path();
      // Whatever was read writes out again.
      TLTMemoryStream out;
      EXPECT_TRUE(WriteRTF(t.Doc.Data, nullptr, out)) << e.path();
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

// Inputs that once failed, reduced, kept as files.
TEST(LTRTFImportCorpus, CrashInputsStayFixed) {
  const fs::path dir = fs::path(LECTERN_TEST_DATA) / "crash" / "rtf";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no crash inputs";
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(e.path().string(), bytes));
    TImport t;
    t.Read(bytes);
    TImport u;
    u.Read(bytes, ltrsUseClosest);
  }
}

}  // namespace
}  // namespace lectern
