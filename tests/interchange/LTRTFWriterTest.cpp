// The RTF writer: small documents, one feature each, against expected
// files in tests/data/interchange/rtf (UPDATE_GOLDEN=1 rewrites them for
// review), and the faults a reader of our output would meet.

#include "model/LTRTFWriter.h"

#include "interchange/LTFormats.h"
#include "items/LTLabelItem.h"
#include "items/LTNote.h"
#include "items/LTSeqItem.h"
#include "model/LTDocument.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "table/LTTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;

std::string Rtf(const TCustomLTData& data, const TLTItemRange* range = nullptr) {
  TLTMemoryStream out;
  EXPECT_TRUE(WriteRTF(data, range, out));
  return out.TakeData();
}

/// Braces balance and the output is one group.
bool IsOneGroup(const std::string& rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
      continue;
    }
    if (rtf[i] == '{') ++depth;
    if (rtf[i] == '}' && --depth == 0 && i + 1 != rtf.size()) return false;
    if (depth < 0) return false;
  }
  return depth == 0 && rtf.rfind("{\\rtf1", 0) == 0;
}

void ExpectGolden(const std::string& name, const std::string& rtf) {
  EXPECT_TRUE(IsOneGroup(rtf)) << name;
  const fs::path path = fs::path(LECTERN_TEST_DATA) / "interchange" / "rtf" / (name + ".rtf");
  if (std::getenv("UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << rtf;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path << " is missing; run with UPDATE_GOLDEN=1";
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(expected.str(), rtf) << name;
}

struct Doc : TLTDocument {
  Doc() {
    RegisterTableItemKind();
    RegisterSpecialItemKinds();
    // Fixed identities: the output of a list depends on them.
    Style.ListStyles().Clear();
  }
  TLTListInfo& AddList(std::initializer_list<TLTListType> types, int32_t id) {
    TLTListInfo& list = Style.ListStyles().Add();
    list.SetListID(id);
    for (TLTListType t : types) {
      TLTListLevel& level = list.Levels.Add();
      level.ListType = t;
      level.FormatString = t == ltlstBullet ? u"\u2022" : u"%0:s.";
    }
    return list;
  }
};

TEST(RTFWriter, TextStylesEscapesAndUnicode) {
  Doc d;
  TFontInfo& bold = d.Style.TextStyles()[1];
  bold.Style.Include(fsBold);
  bold.Color = RGBColor(200, 0, 0);
  d.Data.AddTextW(u"a{b}\\c ", 0, 0);
  d.Data.AddTextW(u"\u20AC \uFEFF \u2014 caf\u00E9", 1, -1);
  d.Data.AddTextA("8-bit \xA0\x95 end", 0, 0);
  ExpectGolden("text_styles", Rtf(d.Data));
}

TEST(RTFWriter, UnicodeWithoutEightBitCopiesSkipsNothing) {
  Doc d;
  d.Context.RTFOptions.Exclude(ltrtfDuplicateUnicode);
  d.Data.AddTextW(u"\u20AC\uFEFF", 0, 0);
  const std::string rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find("\\uc0"), std::string::npos);
  EXPECT_NE(rtf.find("\\u8364 \\u-257 "), std::string::npos);
  EXPECT_EQ(rtf.find("\\'80"), std::string::npos);
}

TEST(RTFWriter, ListsWithRestartsAndNineLevels) {
  Doc d;
  d.AddList({ltlstDecimal}, 1001);
  d.AddList({ltlstDecimal, ltlstLowerAlpha, ltlstBullet}, 2002);
  auto marker = [&](int list, int level, bool reset, int start) {
    d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(list, level, start, reset));
    d.Data.AddTextW(u"item", 0, -1);
  };
  marker(0, 0, false, 1);
  marker(0, 0, true, 5);
  marker(0, 0, true, 9);
  marker(1, 0, false, 1);
  marker(1, 2, false, 1);
  d.Data.AddTextW(u"after the list", 0, 0);
  ExpectGolden("lists", Rtf(d.Data));
}

TEST(RTFWriter, ListIdentitiesAreUniqueAndRepeatable) {
  Doc d;
  d.AddList({ltlstDecimal}, 7);
  d.AddList({ltlstDecimal}, 7);
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(1, 0, 1, false));
  d.Data.AddTextW(u"x", 0, -1);
  const std::string rtf = Rtf(d.Data);
  EXPECT_EQ(rtf, Rtf(d.Data));
  EXPECT_NE(rtf.find("\\listid7}"), std::string::npos);
  EXPECT_NE(rtf.find("\\listid8}"), std::string::npos);
}

TEST(RTFWriter, LongLevelTextIsCutToWhatItsLengthByteHolds) {
  Doc d;
  d.AddList({ltlstBullet}, 5).Levels[0].FormatString = std::u16string(300, u'x');
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
  const std::string rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find("{\\leveltext\\'ff" + std::string(255, 'x') + ";}"), std::string::npos);
}

TEST(RTFWriter, EightBitTextIsEscapedAndRawRTFStaysAsItIs) {
  Doc d;
  TFontInfo& narrow = d.Style.TextStyles()[1];
  narrow.Unicode = false;
  narrow.Charset = 0;
  TFontInfo& code = d.Style.TextStyles()[2];
  code.Unicode = false;
  code.Options.Include(ltteoRTFCode);
  d.Data.AddTextA("a{b}\\ \xA0\x95\xE9 end", 1, 0);
  d.Data.AddTextA("{\\b raw}", 2, -1);
  const std::string rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find("a\\{b\\}\\\\ \\~\\bullet \\'e9 end"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find(" {\\b raw}"), std::string::npos) << rtf;
}

TEST(RTFWriter, DoubleByteTextKeepsBytesThatAreHalvesOfCharacters) {
  for (int charset : {128, 129, 134, 136}) {
    Doc d;
    TFontInfo& wide = d.Style.TextStyles()[1];
    wide.Charset = static_cast<TFontCharset>(charset);
    wide.Unicode = false;
    d.Data.AddTextA("\x82\xA0\x81\x95", 1, 0);
    const std::string rtf = Rtf(d.Data);
    EXPECT_NE(rtf.find("\\'82\\'a0\\'81\\'95"), std::string::npos) << charset;
    EXPECT_EQ(rtf.find("\\~"), std::string::npos) << charset;
  }
}

TEST(RTFWriter, CharacterAndParagraphPropertiesReachTheOutput) {
  Doc d;
  TFontInfo& under = d.Style.TextStyles()[1];
  under.Style.Include(fsUnderline);
  under.UnderlineType = ltutDouble;
  under.UnderlineColor = RGBColor(9, 9, 9);
  under.Charset = 204;
  TFontInfo& plainUnder = d.Style.TextStyles()[2];
  plainUnder.Style.Include(fsUnderline);
  plainUnder.Charset = 0;
  TParaInfo& boxed = d.Style.ParaStyles()[1];
  boxed.Border.Style = ltbThickInside;
  boxed.Border.Width = 2;
  boxed.Tabs.Add(100, lttaCenter, u"-");
  boxed.Tabs.Add(200, lttaRight);
  boxed.Tabs.Add(300);
  d.Data.AddTextW(u"x", 1, 1);
  d.Data.AddTextW(u"y", 2, -1);
  const std::string rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find("\\uldb\\ulc17\\ltrch\\lang1049\\fs20"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\b\\ul\\ltrch\\fs20\\cf9 y"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\brdrbtw\\brdrthtnmg\\brdrcf0\\brdrw60\\brdrl\\brsp0\\brdrthtnmg"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\brdrr\\brsp0\\brdrtnthmg"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\tqc\\tlhyph\\tx1500\\tqr\\tx3000\\tx4500\\qc"), std::string::npos) << rtf;
}

TEST(RTFWriter, CheckpointsAreBookmarks) {
  Doc d;
  d.Data.AddNamedCheckpoint(u"Top of page", false);
  d.Data.AddTextW(u"x", 0, 0);
  d.Data.AddNamedCheckpoint(u"", false);
  d.Data.AddTextW(u"y", 0, 0);
  const std::string rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find("{\\*\\bkmkstart Top_of_page}{\\*\\bkmkend Top_of_page}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("{\\*\\bkmkstart LecternCheckpoint1}"), std::string::npos) << rtf;
}

TEST(RTFWriter, EmptyDocumentIsStillAWholeDocument) {
  Doc d;
  EXPECT_TRUE(IsOneGroup(Rtf(d.Data)));
}

TEST(RTFWriter, ColoursOutsideTheTableAreTheAutomaticColour) {
  Doc d;
  d.Style.TextStyles()[0].BackColor = clNone;
  d.Style.TextStyles()[0].Color = RGBColor(1, 2, 3);
  auto rule = std::make_unique<TLTBreakItemInfo>();
  rule->Color = clNone;
  d.Data.AddTextW(u"x", 0, 0);
  d.Data.AddItem({}, std::move(rule));
  const std::string rtf = Rtf(d.Data);
  EXPECT_EQ(rtf.find("-1"), std::string::npos);
  EXPECT_NE(rtf.find("\\brdrcf0"), std::string::npos);
  EXPECT_NE(rtf.find("\\cf17"), std::string::npos);
}

TEST(RTFWriter, HyperlinkTargetsAreFieldArguments) {
  Doc d;
  d.Style.TextStyles()[2].Jump = true;
  d.Data.AddTextW(u"file", 2, 0, TLTTag::FromString(u"C:\\a \"b\""));
  d.Data.AddTextW(u"there", 2, -1, TLTTag::FromString(u"#my mark"));
  std::string rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find(R"(HYPERLINK "C:\\\\a \\"b\\"")"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find(R"(HYPERLINK \\l "my_mark")"), std::string::npos) << rtf;
  // Switches of the application: those before the target, a zero, those after.
  d.Context.OnWriteHyperlink = [](const TCustomLTData&, int, TLTSaveFormat, TLTString& target, TLTString& extras) {
    target = u"http://x";
    extras = std::u16string(u"\\m") + u'\0' + u"\\o tip";
  };
  rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find(R"(HYPERLINK \\m "http://x" \\o tip})"), std::string::npos) << rtf;
}

TEST(RTFWriter, SpecialItems) {
  Doc d;
  d.Data.AddTextW(u"Figure ", 0, 0);
  auto seq = std::make_unique<TLTSeqItemInfo>(u"My figures", ltseqUpperRoman);
  seq->ParaNo = -1;
  d.Data.AddItem({}, std::move(seq));
  auto label = std::make_unique<TLTLabelItemInfo>();
  label->LabelText = u"label";
  label->ParaNo = -1;
  d.Data.AddItem({}, std::move(label));
  auto note = std::make_unique<TLTFootnoteItemInfo>();
  note->SetNoteText(u"note text", 0, d.Data);
  note->ParaNo = -1;
  d.Data.AddItem({}, std::move(note));
  ExpectGolden("special_items", Rtf(d.Data));
}

std::unique_ptr<TLTTableItemInfo> Table(int rows, int cols, const char16_t* text) {
  auto t = std::make_unique<TLTTableItemInfo>(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      t->Cells(r, c)->Clear();
      t->Cells(r, c)->AddTextW(text, 0, 0);
    }
  return t;
}

TEST(RTFWriter, TableWithSpansLaidOutAtThePageWidth) {
  Doc d;
  auto t = Table(3, 3, u"c");
  t->MergeRect(0, 0, 1, 2, false);  // across two columns
  t->MergeRect(1, 2, 2, 1, false);  // down two rows
  d.Data.AddItem({}, std::move(t));
  const std::string rtf = Rtf(d.Data);
  ExpectGolden("table_spans", rtf);
  EXPECT_EQ(rtf.find("\\cellx0"), std::string::npos);
}

TEST(RTFWriter, ATableLaidOutAtTheWindowsWidthIsWrittenAtThePagesUnlessItsWidthIsFixed) {
  auto widest = [](const std::string& rtf) {
    int most = 0;
    for (size_t at = rtf.find("\\cellx"); at != std::string::npos; at = rtf.find("\\cellx", at + 1))
      most = std::max(most, std::atoi(rtf.c_str() + at + 6));
    return most;
  };
  // Laid out in a window of 1200 pixels, as a report's tables are.
  auto laidOut = [](int32_t bestWidth) {
    auto t = Table(1, 2, u"c");
    t->BestWidth = bestWidth;
    t->ColumnLefts = {1, 601};
    t->ColumnWidths = {590, 590};
    t->TableWidth = 1200;
    t->LayoutInvalid = false;
    return t;
  };
  Doc page;
  page.Data.AddItem({}, laidOut(0));
  TLTMemoryStream sink;
  const TLTRTFWriter probe(page.Data, sink, {}, nullptr);
  const int text = probe.Twips(probe.DefaultTextWidth());
  const int full = widest(Rtf(page.Data));
  EXPECT_LE(full, text) << "a table as wide as the text stays on the page";
  EXPECT_GT(full, text * 95 / 100);
  Doc half;
  half.Data.AddItem({}, laidOut(-50));
  EXPECT_NEAR(widest(Rtf(half.Data)), full / 2, 30);
  Doc fixed;
  fixed.Data.AddItem({}, laidOut(1200));
  EXPECT_GT(widest(Rtf(fixed.Data)), probe.Twips(1180)) << "a fixed width is kept, page or not";
}

TEST(RTFWriter, NestedTablesInTheNestedFormAndAdjacentTablesKeptApart) {
  Doc d;
  auto outer = Table(1, 2, u"out");
  outer->Cells(0, 1)->AddItem({}, Table(1, 1, u"in"));
  d.Data.AddItem({}, std::move(outer));
  d.Data.AddItem({}, Table(1, 1, u"next"));
  const std::string rtf = Rtf(d.Data);
  ExpectGolden("table_nested", rtf);
  // A reader that knows only top-level tables still finds every cell's text.
  EXPECT_NE(rtf.find("\\nestcell}{\\*\\nesttableprops "), std::string::npos);
  EXPECT_NE(rtf.find("\\lastrow\\lecterntbw0\\clftsWidth1\\lecterncbw0\\lecterncbh0\\cellx"), std::string::npos);
  EXPECT_NE(rtf.find("\\nestrow}{\\nonesttables\\par}"), std::string::npos);
  EXPECT_NE(rtf.find("\\row}\r\n\\pard \r\n\\pard\\plain\\par "), std::string::npos);
}

TEST(RTFWriter, PictureSizesAreInTwipsForEveryKind) {
  Doc d;
  TLTPixels px;
  px.Width = 4;
  px.Height = 2;
  px.Data.assign(8, 0xFF102030u);
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixels(px);
  auto item = std::make_unique<TLTGraphicItemInfo>(std::move(bmp), 0);
  item->ImageWidth = 8;
  d.Data.AddItem({}, std::move(item));
  const std::string rtf = Rtf(d.Data);
  EXPECT_NE(rtf.find("{\\pict\\picscalex200\\picscaley100\\pngblip\\picw4\\pich2\\picwgoal60\\pichgoal30 89504E47"),
            std::string::npos);
}

TEST(RTFWriter, WhatRTFCannotCarryIsAWarningWithTheItemNumber) {
  Doc d;
  d.Data.AddTextW(u"x", 0, 0);
  d.Data.AddItem({}, std::make_unique<TLTControlItemInfo>());
  TLTMemoryStream out;
  std::vector<std::string> warnings;
  EXPECT_TRUE(WriteRTF(d.Data, nullptr, out, {}, &warnings));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "item 1: a control has no RTF form and was left out");
}

/// A stream that takes nothing.
class TFullStream : public TLTMemoryStream {
 public:
  size_t Write(const void*, size_t) override { return 0; }
};

TEST(RTFWriter, AStreamThatRefusesBytesFailsTheWrite) {
  Doc d;
  d.Data.AddTextW(u"x", 0, 0);
  TFullStream out;
  EXPECT_FALSE(WriteRTF(d.Data, nullptr, out));
}

TEST(RTFWriter, ASelectionInsideAListParagraphTakesItsMarker) {
  Doc d;
  d.AddList({ltlstDecimal}, 3);
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
  d.Data.AddTextW(u"hello world", 0, -1);
  const TLTItemRange range{1, 7, 1, 12};
  const std::string rtf = Rtf(d.Data, &range);
  EXPECT_NE(rtf.find("{\\listtext\\pard\\plain 1.\\tab}\\ls1\\ilvl0 \\plain\\f0\\ltrch\\fs20 world\\par"),
            std::string::npos)
      << rtf;
}

TEST(RTFWriter, ASelectionThatStartsAtTheEndOfAnItemLeavesItOut) {
  Doc d;
  d.Data.AddTextW(u"abc", 0, 0);
  d.Data.AddTextW(u"def", 1, -1);
  const TLTItemRange range{0, 4, 1, 3};
  const std::string rtf = Rtf(d.Data, &range);
  EXPECT_EQ(rtf.find("\\plain"), rtf.rfind("\\plain")) << rtf;
  EXPECT_NE(rtf.find(" de\\par"), std::string::npos) << rtf;
}

TEST(RTFWriter, TheFormatRegistryWritesRTFForTheClipboard) {
  const TLTDocumentFormat* f = FindFormatByName("rtf");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->MimeType, "text/rtf");
  EXPECT_EQ(f->AltMimeType, "application/rtf");
  EXPECT_TRUE(f->CopyOptions.Contains(ltoAutoCopyRTF));
  EXPECT_EQ(FindFormatForFile("x.RTF"), f);
}

}  // namespace
}  // namespace lectern
