// The LTF writer: exact byte layouts of records, grouping, escapes, item
// records, ranges and the rules for failures.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"

namespace lectern {
namespace {

/// A document whose LTF options are set per test; no document properties
/// unless a test asks, so the records under test stand alone.
struct LtfDoc : TLTDocument {
  explicit LtfDoc(TLTFOptions options = {}) { Context.LTFOptions = options; }
  std::string Save(const TLTItemRange* range = nullptr) {
    TLTMemoryStream m;
    EXPECT_TRUE(Data.SaveLTFToStream(m, range));
    return m.Data();
  }
  void Text(const char16_t* s, int style = 0, int para = 0, TLTTag tag = {}) { Data.AddTextW(s, style, para, tag); }
};

constexpr const char* kVersion = "-8 1 3 1\r\n";

TEST(LTFWriter, HelloInAnEightBitStyleIsThreeLines) {
  LtfDoc d;
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"Hello");
  EXPECT_EQ(d.Save(), std::string(kVersion) + "0 1 0 0 0 0\r\nHello\r\n");
}

TEST(LTFWriter, WideTextIsHexadecimalInTextFormAndAWideLineInBinaryForm) {
  LtfDoc text;
  text.Text(u"Hello");
  EXPECT_EQ(text.Save(), std::string(kVersion) + "0 1 0 8 3 0\r\n480065006C006C006F00\r\n");
  LtfDoc binary({ltfoSaveBinary});
  binary.Text(u"Hello");
  EXPECT_EQ(binary.Save(), std::string(kVersion) + "0 1 0 8 0 0\r\n" + std::string("H\0e\0l\0l\0o\0\x29\x20", 12));
}

TEST(LTFWriter, TextThatWouldBreakItsLineIsStoredInHexadecimal) {
  LtfDoc wide({ltfoSaveBinary});
  wide.Text(u"a\u2029b");
  EXPECT_EQ(wide.Save(), std::string(kVersion) + "0 1 0 8 3 0\r\n610029206200\r\n");
  LtfDoc narrow({ltfoSaveBinary});
  narrow.Style.TextStyles()[0].Unicode = false;
  narrow.Data.AddTextA(std::string_view("a\r\nb\0c", 6), 0, 0);
  EXPECT_EQ(narrow.Save(), std::string(kVersion) + "0 1 0 0 3 0\r\n610D0A620063\r\n");
}

TEST(LTFWriter, ParagraphsInOneStyleShareARecordAndContinuationsStartOne) {
  LtfDoc d;
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"one");
  d.Text(u"two");
  d.Text(u"three");
  d.Text(u" more", 0, -1);
  d.Text(u"four", 1);
  EXPECT_EQ(d.Save(), std::string(kVersion) +
                          "0 3 0 0 0 0\r\none\r\ntwo\r\nthree\r\n"
                          "0 1 -1 1 0 0\r\n more\r\n"
                          "1 1 0 8 3 0\r\n66006F0075007200\r\n");
}

TEST(LTFWriter, StringTagsAreQuotedWithDoubledQuotesAndHintsEscapeLineBreaks) {
  LtfDoc d;
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"x", 0, 0, TLTTag::FromString(u"say \"hi\""));
  d.Data.GetItem(0).HintText = u"two\r\nlines";
  d.Text(u"y", 0, 0, TLTTag());
  EXPECT_EQ(d.Save(), std::string(kVersion) + "0 1 0 0 0 \"say \"\"hi\"\"\" \"two\x01\x02lines\"\r\nx\r\n" +
                          "0 1 0 0 0 0\r\ny\r\n");
}

TEST(LTFWriter, IntegerTagsAreNumbers) {
  LtfDoc d;
  d.Context.Options.Exclude(ltoTagsArePChars);
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"x", 0, 0, TLTTag::FromInt(42));
  EXPECT_EQ(d.Save(), std::string(kVersion) + "0 1 0 0 0 42\r\nx\r\n");
}

TEST(LTFWriter, StyleNamesReplaceNumbersWhenAsked) {
  LtfDoc d({ltfoUseStyleNames});
  d.Style.TextStyles()[1].Unicode = false;
  d.Text(u"t", 1, 1);
  d.Text(u"u", -1, -1);  // MaxInt stays a number
  EXPECT_EQ(d.Save(), std::string(kVersion) + "\"Heading\" 1 \"Centered\" 0 0 0\r\nt\r\n" +
                          "2147483647 1 -1 9 3 0\r\n7500\r\n");
}

TEST(LTFWriter, ItemRecordsCountTheirPropertyLines) {
  LtfDoc d;
  auto bullet = std::make_unique<TLTBulletItemInfo>();
  bullet->Alt = u"star";
  bullet->ImageIndex = 3;
  bullet->SetSpacing(0);
  d.Data.AddItem("b", std::move(bullet));
  auto rule = std::make_unique<TLTBreakItemInfo>();
  rule->Color = clRed;
  rule->Style = ltbsDots;
  rule->LineWidth = 2;
  rule->Unremovable = true;
  d.Data.AddItem({}, std::move(rule));
  auto tab = std::make_unique<TLTTabItemInfo>();
  tab->TextStyleNo = 3;
  tab->ParaNo = -1;
  d.Data.AddItem({}, std::move(tab));
  EXPECT_EQ(d.Save(), std::string(kVersion) +
                          "-6 3 0 0 0 0 0 3\r\nb\r\nspacing=0\r\nalt=star\r\n"
                          "-1 1 0 0 0 0 255 3 2\r\nunremovable=1\r\n"
                          "-12 0 0 0 0 0 3\r\n");
}

TEST(LTFWriter, MarkersCarryTheirListInTheTail) {
  LtfDoc d({ltfoUseStyleNames});
  TLTListInfo& list = d.Style.ListStyles().Add();
  list.StyleName = u"Steps";
  list.Levels.Add().ListType = ltlstDecimal;
  auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 7, true);
  marker->ParaNo = 1;
  d.Data.AddItem({}, std::move(marker));
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"go", 0, -1);
  EXPECT_EQ(d.Save(), std::string(kVersion) + "-11 0 \"Centered\" 0 0 0 \"Steps\" 0 7 1\r\n" +
                          "\"Normal text\" 1 -1 1 0 0\r\ngo\r\n");
}

/// A picture whose data cannot be written.
class TBrokenGraphic : public TBitmap {
 public:
  bool SaveToStream(TLTStream&) const override { return false; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBrokenGraphic>(); }
};

TEST(LTFWriter, PicturesCarryTheirBodyOrTheInvalidPicture) {
  LtfDoc d({ltfoSavePicturesBody});
  auto png = std::make_unique<TPNGImage>();
  TLTPixels px;
  px.Width = px.Height = 1;
  px.Data = {0xFFFF0000u};
  ASSERT_TRUE(png->SetPixels(px));
  TLTMemoryStream pngBytes;
  png->SaveToStream(pngBytes);
  auto pic = std::make_unique<TLTGraphicItemInfo>(std::move(png), 2);
  pic->Alt = u"dot";
  d.Data.AddItem("logo", std::move(pic));
  d.Data.AddItem({}, std::make_unique<TLTGraphicItemInfo>(std::make_unique<TBrokenGraphic>(), 0));
  TLTMemoryStream invalid;
  d.Style.InvalidPicture()->SaveToStream(invalid);
  EXPECT_EQ(d.Save(), std::string(kVersion) + "-3 4 0 0 0 0 2\r\nlogo\r\nTPNGImage\r\nalt=dot\r\n" +
                          BytesToHex(pngBytes.Data()) + "\r\n-3 3 0 0 0 0 0\r\n\r\nTBitmap\r\n" +
                          BytesToHex(invalid.Data()) + "\r\n");
  d.Context.LTFOptions = {};
  EXPECT_EQ(d.Save(), std::string(kVersion) + "-3 2 0 0 1 0 2\r\nlogo\r\nalt=dot\r\n-3 1 0 0 1 0 0\r\n\r\n");
}

TEST(LTFWriter, CheckpointsPrecedeTheirItemAndAPendingOneComesLast) {
  LtfDoc d;
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"a");
  d.Data.AddNamedCheckpoint(u"mid", true, TLTTag::FromString(u"t"));
  d.Text(u"b");
  d.Data.AddNamedCheckpoint(u"end", false);
  EXPECT_EQ(d.Save(), std::string(kVersion) + "0 1 0 0 0 0\r\na\r\n-2 1 0 0 0 \"t\" 1 0\r\nmid\r\n" +
                          "0 1 0 0 0 0\r\nb\r\n-2 1 0 0 0 0 0 0\r\nend\r\n");
}

TEST(LTFWriter, DocumentDataRecordsFollowTheOptions) {
  LtfDoc d({ltfoSaveDocProperties, ltfoSaveTextStyles, ltfoSaveParaStyles});
  d.Context.DocProperties = {u"Author=Me"};
  d.Context.DocParameters.Orientation = poLandscape;
  d.Context.DocParameters.LeftMargin = 0.75;
  d.Text(u"x");
  const std::string out = d.Save();
  EXPECT_NE(out.find("\r\n-9 2 0 0 0 0 1\r\n\r\n0E"), std::string::npos);
  EXPECT_NE(out.find("\r\n-9 2 0 0 0 0 2\r\n\r\n0E"), std::string::npos);
  EXPECT_NE(out.find("\r\n-9 2 0 0 0 0 4\r\n\r\n0E"), std::string::npos);
  EXPECT_NE(out.find("\r\n-9 1 0 0 0 0 5\r\nAuthor=Me\r\n"), std::string::npos);
  EXPECT_NE(out.find("\r\n-9 2 0 0 0 0 7\r\nOrientation=1\r\nLeftMargin=0.75\r\n"), std::string::npos);
  d.Context.DocParameters.Reset();
  d.Context.DocProperties.clear();
  EXPECT_NE(d.Save().find("\r\n-9 0 0 0 0 0 7\r\n"), std::string::npos);
}

TEST(LTFWriter, LayoutAndBackgroundGoWithWholeDocuments) {
  LtfDoc d({ltfoSaveLayout, ltfoSaveBack, ltfoSaveBinary});
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"x");
  TLTLayoutInfo layout;
  layout.MaxTextWidth = 600;
  TLTBackgroundInfo back;
  back.Color = clYellow;
  TLTMemoryStream m;
  ASSERT_TRUE(d.Data.SaveLTFToStream(m, nullptr, &layout, &back));
  const std::string expectedLayout = std::string("\0\0\0\0\x19\0\0\0\5\0\0\0\5\0\0\0\5\0\0\0\5\0\0\0\0\0\0\0\x58\x02\0\0\0", 33);
  EXPECT_EQ(m.Data(), std::string(kVersion) + "-7 0 -1 0 0 0 0 65535\r\n-9 2 0 0 2 0 3\r\n\r\n" +
                          std::string("\x21\0\0\0", 4) + expectedLayout + "0 1 0 0 0 0\r\nx\r\n");
  const TLTItemRange all{0, 1, 0, 2};
  TLTMemoryStream part;
  ASSERT_TRUE(d.Data.SaveLTFToStream(part, &all, &layout, &back));
  EXPECT_EQ(part.Data(), std::string(kVersion) + "0 1 0 0 0 0\r\nx\r\n");
}

TEST(LTFWriter, RangesCutTextAndTakeTheMarkerAlong) {
  LtfDoc d;
  d.Style.TextStyles()[0].Unicode = false;
  TLTListInfo& list = d.Style.ListStyles().Add();
  list.Levels.Add().ListType = ltlstDecimal;
  d.Text(u"intro");
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  d.Text(u"first ", 0, -1);
  d.Text(u"second", 1, -1);
  const TLTItemRange inside{0, 2, 0, 4};
  EXPECT_EQ(d.Save(&inside), std::string(kVersion) + "0 1 0 0 0 0\r\nnt\r\n");
  const TLTItemRange across{2, 3, 3, 4};
  EXPECT_EQ(d.Save(&across), std::string(kVersion) + "-11 0 0 0 0 0 0 0 0 0\r\n0 1 -1 1 0 0\r\nrst \r\n" +
                                 "1 1 -1 9 3 0\r\n730065006300\r\n");
  const TLTItemRange bad{3, 1, 2, 1};
  TLTMemoryStream m;
  EXPECT_FALSE(d.Data.SaveLTFToStream(m, &bad));
}

TEST(LTFWriter, EmptyDocumentsWriteNothing) {
  LtfDoc d({ltfoSaveTextStyles, ltfoSaveDocProperties});
  EXPECT_EQ(d.Save(), "");
}

/// A stream that refuses writes after a number of bytes.
class TFullStream : public TLTMemoryStream {
 public:
  explicit TFullStream(size_t room) : room_(room) {}
  size_t Write(const void* buffer, size_t count) override {
    const size_t n = std::min(count, room_);
    room_ -= n;
    return TLTMemoryStream::Write(buffer, n);
  }

 private:
  size_t room_;
};

TEST(LTFWriter, WriteFailuresAreReportedNotThrown) {
  LtfDoc d;
  d.Text(u"some text");
  TFullStream full(5);
  EXPECT_FALSE(d.Data.SaveLTFToStream(full));
  EXPECT_EQ(full.Data(), "-8 1 ");
}

TEST(LTFWriter, SavingToAFileReplacesItOnlyWhenComplete) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "lectern-ltf-writer-test";
  fs::create_directories(dir);
  const std::string path = (dir / "doc.ltf").string();
  std::ofstream(path) << "old";
  LtfDoc d;
  d.Style.TextStyles()[0].Unicode = false;
  d.Text(u"new");
  ASSERT_TRUE(d.Data.SaveLTF(path));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes, std::string(kVersion) + "0 1 0 0 0 0\r\nnew\r\n");
  EXPECT_FALSE(d.Data.SaveLTF((dir / "missing" / "doc.ltf").string()));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lectern
