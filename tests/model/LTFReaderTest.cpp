// The LTF reader: round trips of everything the writer produces, loading
// against inserting, style maps, the rules for damaged input.

#include <gtest/gtest.h>

#include <filesystem>

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleTemplates.h"
#include "tests/model/LTFTestIO.h"

namespace lectern {
namespace {

using namespace lectern::testing;

/// A document with a bit of everything the writer knows.
struct RichDoc : TLTDocument {
  TLTImageList Images;
  RichDoc() {
    Images.Tag = 7;
    Images.Images.resize(3);
    Context.OnLTFImageListNeeded = [this](int64_t tag) { return tag == 7 ? &Images : nullptr; };
    TFontInfo& narrow = Style.TextStyles().Add();
    narrow.StyleName = u"Narrow \"quoted\"";
    narrow.Unicode = false;
    narrow.Charset = 204;
    TLTStyleTemplateCollection& templates = Style.StyleTemplates();
    templates.DefStyleName = u"Custom %d";
    TLTStyleTemplate& normal = templates.Add();
    normal.SetName(u"Normal");
    normal.TextStyle.FontName = u"Serif";
    normal.ValidTextProperties = {ltfiFontName};
    TLTStyleTemplate& heading = templates.Add();
    heading.TextStyle.Size = 18;
    heading.ValidTextProperties = {ltfiSize};
    heading.SetParentId(normal.Id());
    narrow.StyleTemplateId = heading.Id();
    TParaInfo& para = Style.ParaStyles().Add();
    para.LeftIndent = 20;
    para.Tabs.Add(100, lttaRight, u".");
    para.Border.Style = ltbDouble;
    TLTListInfo& list = Style.ListStyles().Add();
    list.Levels.Add().ListType = ltlstDecimal;
    list.Levels[0].FormatString = u"%0:s.";
    list.Levels.Add().FormatStringW = u"\u2192";
    Context.DocProperties = {u"Title=Rich", u"Line\r\nbreak"};
    Context.DocParameters.Orientation = poLandscape;

    Data.AddNamedCheckpoint(u"start", true, TLTTag::FromString(u"cp tag"));
    Data.AddTextW(u"Plain paragraph", 0, 0);
    Data.AddTextW(u" continued", 1, -1, TLTTag::FromString(u"Country"));
    Data.GetItem(1).HintText = u"a hint\r\nwith a break";
    Data.AddTextW(u"Москва", 6, 2);
    Data.AddTextA(std::string_view("cr\rlf\nnul\0end", 13), 6, 2);
    Data.AddTextW(u"wide\u2029separator and 東京", 0, 1);
    Data.AddTextW(u"", 0, 0);
    auto nl = ItemFactory(0);
    nl->ItemFlags = ltifNewLine | ltifWide;
    Data.AddItem(Utf16ToBytes(u"new line"), std::move(nl));
    auto page = ItemFactory(2);
    page->ItemFlags = ltifNewPage | ltifWide;
    Data.AddItem(Utf16ToBytes(u"new page"), std::move(page));
    Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
    Data.AddTextW(u"first\tsecond", 0, -1);
    Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 1, 3, true));
    Data.AddTextW(u"nested", 0, -1);
    auto rule = std::make_unique<TLTBreakItemInfo>();
    rule->Color = clRed;
    rule->Style = ltbs3D;
    Data.AddItem({}, std::move(rule));
    auto bullet = std::make_unique<TLTBulletItemInfo>();
    bullet->ImageList = &Images;
    bullet->ImageIndex = 2;
    bullet->Alt = u"dot";
    Data.AddItem("bullet name", std::move(bullet));
    auto hot = std::make_unique<TLTHotspotItemInfo>();
    hot->ImageList = &Images;
    hot->HotImageIndex = 1;
    hot->ParaNo = -1;
    Data.AddItem({}, std::move(hot));
    auto png = std::make_unique<TPNGImage>();
    TLTPixels px;
    px.Width = 3;
    px.Height = 2;
    px.Data = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80FFFFFFu, 0xFF000000u, 0xFF123456u};
    png->SetPixels(px);
    auto pic = std::make_unique<TLTGraphicItemInfo>(std::move(png), 3);
    pic->ImageWidth = 30;
    pic->ParaNo = -1;
    Data.AddItem("picture", std::move(pic));
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixels(px);
    bmp->SetTransparent(true);
    bmp->SetTransparentMode(TLTTransparentMode::tmFixed);
    bmp->SetTransparentColor(clLime);
    Data.AddItem({}, std::make_unique<TLTHotGraphicItemInfo>(std::move(bmp), 0));
    Data.AddNamedCheckpoint(u"pending", false);
  }
};

TEST(LTFReader, EverythingTheWriterWritesReadsBackAndWritesAgainAlike) {
  for (TLTFOptions options : {LTEditorLTFOptions, LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary},
                              LTEditorLTFOptions | TLTFOptions{ltfoUseStyleNames}}) {
    RichDoc original;
    const std::string first = Save(original, options);
    TLTDocument copy;
    copy.Context.OnLTFImageListNeeded = original.Context.OnLTFImageListNeeded;
    ASSERT_TRUE(Load(copy, first, options)) << "options " << options.ToBits();
    EXPECT_EQ(copy.Context.LTFWarnings, TLTFWarnings());
    EXPECT_EQ(Save(copy, options), first) << "options " << options.ToBits();
    EXPECT_EQ(copy.Data.GetPlainText(0), original.Data.GetPlainText(0));
    EXPECT_EQ(copy.Context.DocProperties, original.Context.DocProperties);
    EXPECT_EQ(copy.Context.DocParameters, original.Context.DocParameters);
    ASSERT_NE(copy.Data.PendingCheckpoint(), nullptr);
    EXPECT_EQ(copy.Data.PendingCheckpoint()->CheckpointName, u"pending");
    EXPECT_EQ(copy.Data.CheckpointCount(), 2);
    const TLTStyleTemplateCollection& templates = copy.Style.StyleTemplates();
    ASSERT_EQ(templates.Count(), 2);
    EXPECT_EQ(templates.DefStyleName, u"Custom %d");
    EXPECT_EQ(templates.NormalTemplate(), &templates[0]);
    EXPECT_EQ(templates[1].Parent(), &templates[0]);
    EXPECT_EQ(copy.Style.TextStyles()[6].StyleTemplateId, templates[1].AssignedId());
  }
}

TEST(LTFReader, InsertedStylesNameTheTemplatesThatStandForTheirsHere) {
  RichDoc source;
  const std::string stream = Save(source);
  TLTDocument target;
  TLTStyleTemplate& own = target.Style.StyleTemplates().Add();
  own.SetName(u"Custom 2");  // the source's heading, under the same name
  own.SetStoredId(7);
  int index = 0;
  ASSERT_TRUE(Insert(target, stream, index));
  const TLTStyleTemplateCollection& templates = target.Style.StyleTemplates();
  ASSERT_EQ(templates.Count(), 2);
  EXPECT_EQ(templates[1].Name(), u"Normal");
  EXPECT_EQ(target.Data.GetItem(2).StyleNo, 6);
  EXPECT_EQ(target.Style.TextStyles()[6].StyleTemplateId, 7);

  // Without the templates, a stored link names nothing here.
  TLTDocument bare;
  bare.Style.TextStyles().Add().StyleTemplateId = 7;
  bare.Data.AddTextW(u"x", 6, 0);
  TLTDocument into;
  into.Style.StyleTemplates().Add().SetStoredId(7);
  index = 0;
  ASSERT_TRUE(Insert(into, Save(bare), index));
  EXPECT_EQ(into.Style.TextStyles()[into.Data.GetItem(0).StyleNo].StyleTemplateId, -1);
  // Loading a document whose styles came without templates leaves none of
  // the sheet's old ones to be saved with it.
  ASSERT_TRUE(Load(into, Save(bare)));
  EXPECT_EQ(into.Style.StyleTemplates().Count(), 0);
}

TEST(LTFReader, TextAndBinaryFormsCarryTheSameContent) {
  RichDoc original;
  TLTDocument fromText, fromBinary;
  fromText.Context.OnLTFImageListNeeded = fromBinary.Context.OnLTFImageListNeeded =
      original.Context.OnLTFImageListNeeded;
  ASSERT_TRUE(Load(fromText, Save(original, LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary})));
  ASSERT_TRUE(Load(fromBinary, Save(original, LTEditorLTFOptions)));
  EXPECT_EQ(Save(fromText, LTEditorLTFOptions), Save(fromBinary, LTEditorLTFOptions));
}

TEST(LTFReader, InsertingPutsTheStoredItemsAtTheIndex) {
  TLTDocument d;
  for (const char16_t* s : {u"0", u"1", u"2", u"3", u"4"}) d.Data.AddTextW(s, 0, 0);
  const std::string stream = "-8 1 3 1\r\n0 3 0 8 3 0\r\n6100\r\n6200\r\n6300\r\n";
  int index = 2;
  ASSERT_TRUE(Insert(d, stream, index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(d.Data.GetPlainText(0), u"0\r\n1\r\na\r\nb\r\nc\r\n2\r\n3\r\n4");
  index = 99;
  ASSERT_TRUE(Insert(d, stream, index));
  EXPECT_EQ(index, 8);
  EXPECT_EQ(d.Data.ItemCount(), 11);
}

TEST(LTFReader, StreamsWithoutAVersionHaveNoFlagsField) {
  TLTDocument d;
  d.Style.TextStyles()[0].Unicode = false;
  ASSERT_TRUE(Load(d, "0 1 0 0 0\r\nold text\r\n"));
  ASSERT_EQ(d.Data.ItemCount(), 1);
  EXPECT_EQ(d.Data.GetItemTextRaw(0), "old text");
  // Later major versions keep the fields of 1.3.
  ASSERT_TRUE(Load(d, "-8 2 0\r\n0 1 0 0 0 \"quoted tag\"\r\nx\r\n"));
  EXPECT_EQ(d.Data.GetItemTag(0), TLTTag::FromString(u"quoted tag"));
}

TEST(LTFReader, LoadingReplacesStylesAndInsertingMergesThem) {
  TLTDocument source;
  TFontInfo& big = source.Style.TextStyles().Add();
  big.Size = 40;
  big.StyleName = u"Big";
  source.Data.AddTextW(u"big", 6, 0);
  const std::string stream = Save(source, LTEditorLTFOptions);

  TLTDocument loaded;
  loaded.Style.TextStyles().Clear();
  loaded.Style.TextStyles().Add().Size = 11;
  ASSERT_TRUE(Load(loaded, stream));
  EXPECT_EQ(loaded.Style.TextStyles().Count(), 7);
  EXPECT_EQ(loaded.Data.GetItem(0).StyleNo, 6);

  TLTDocument target;
  target.Style.TextStyles().Add().Size = 12;  // index 6, so the stored 6 must move
  int index = 0;
  ASSERT_TRUE(Insert(target, stream, index));
  EXPECT_EQ(target.Style.TextStyles().Count(), 8);
  EXPECT_EQ(target.Data.GetItem(0).StyleNo, 7);
  EXPECT_EQ(target.Style.TextStyles()[7].StyleName, u"Big");
  EXPECT_FALSE(target.Style.TextStyles()[7].Standard);
}

TEST(LTFReader, UnknownStylesFailUnlessTurnedIntoZero) {
  TLTDocument d;
  d.Style.TextStyles().Clear();
  d.Style.TextStyles().Add();
  d.Style.TextStyles().Add();
  const std::string stream = "-8 1 3 1\r\n3 1 0 8 3 0\r\n7800\r\n";
  EXPECT_FALSE(Load(d, stream));
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBadStyle));
  ASSERT_TRUE(Load(d, stream, LTEditorLTFOptions | TLTFOptions{ltfoConvUnknownStylesToZero}));
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, 0);
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBadStyle));
  // The paragraph's default style is not a stored number: it is never mapped.
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n2147483647 1 0 8 3 0\r\n7800\r\n"));
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, MaxInt);
}

TEST(LTFReader, AMarkerAtTheEndGetsItsEmptyText) {
  TLTDocument d;
  d.Style.ListStyles().Add().Levels.Add();
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-11 0 0 0 0 0 0 0 1 0\r\n"));
  ASSERT_EQ(d.Data.ItemCount(), 2);
  EXPECT_TRUE(d.Data.GetItem(1).IsText());
  EXPECT_FALSE(d.Data.IsParaStart(1));
  EXPECT_EQ(d.Data.GetMarkers()->Count(), 1);
  // An inert marker stays inert; a list past the sheet falls back to 0.
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-11 0 0 0 0 0 -1 0 1 0\r\n0 1 -1 9 3 0\r\n7800\r\n-11 0 0 0 0 0 9 0 1 0\r\n"));
  EXPECT_EQ(d.Data.CheckItemClass<TLTMarkerItemInfo>(0).ListNo, -1);
  EXPECT_EQ(d.Data.CheckItemClass<TLTMarkerItemInfo>(2).ListNo, 0);
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBadStyle));
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n-11 0 0 0 0 0 0 0\r\n"));  // tail too short
}

TEST(LTFReader, ATrailingCheckpointBecomesThePendingOneOnlyAtTheEnd) {
  const std::string stream = "-8 1 3 1\r\n0 1 0 8 3 0\r\n7800\r\n-2 1 0 0 0 0 1 1\r\nafter\r\n";
  TLTDocument d;
  d.Data.AddTextW(u"existing", 0, 0);
  int index = 1;
  ASSERT_TRUE(Insert(d, stream, index));
  ASSERT_NE(d.Data.PendingCheckpoint(), nullptr);
  EXPECT_TRUE(d.Data.PendingCheckpoint()->Pinned);
  EXPECT_EQ(d.Data.CheckpointCount(), 1);
  TLTDocument e;
  e.Data.AddTextW(u"existing", 0, 0);
  index = 0;
  ASSERT_TRUE(Insert(e, stream, index));
  EXPECT_EQ(e.Data.PendingCheckpoint(), nullptr);
  EXPECT_EQ(e.Data.CheckpointCount(), 0);
}

TEST(LTFReader, EncodingsFollowTheTargetStyles) {
  TLTDocument d;
  d.Style.TextStyles()[1].Unicode = false;
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n0 1 0 0 0 0\r\ncaf\xE9\r\n1 1 0 8 3 0\r\n4100\r\n"));
  EXPECT_TRUE(d.Data.GetItem(0).IsWide());
  EXPECT_EQ(d.Data.GetItemTextW(0), u"café");
  EXPECT_FALSE(d.Data.GetItem(1).IsWide());
  EXPECT_EQ(d.Data.GetItemTextRaw(1), "A");
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwMadeWide));
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwMadeNarrow));
}

TEST(LTFReader, AnEmptyStoredCollectionLeavesTheSheet) {
  TLTDocument d;
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-9 2 0 0 0 0 1\r\n\r\n0E00\r\n-9 2 0 0 0 0 2\r\n\r\n0E00\r\n"));
  EXPECT_EQ(d.Style.TextStyles().Count(), 6);
  EXPECT_EQ(d.Style.ParaStyles().Count(), 2);
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n-9 2 0 0 0 0 1\r\n\r\n0F00\r\n"));  // not a collection
}

TEST(LTFReader, WideLinesNeverSwallowTheNextHeader) {
  TLTDocument d;
  d.Data.AddTextW(u"one", 0, 0);
  d.Data.AddTextW(u"two", 0, 0);
  d.Data.AddTextW(u"3", 1, 0);
  const std::string binary = Save(d, {ltfoSaveBinary});
  TLTDocument copy;
  ASSERT_TRUE(Load(copy, binary, {}));
  EXPECT_EQ(copy.Data.GetPlainText(0), u"one\r\ntwo\r\n3");
}

TEST(LTFReader, DamagedInputFailsCleanly) {
  RichDoc original;
  for (TLTFOptions options : {LTEditorLTFOptions, LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary}}) {
    const std::string full = Save(original, options);
    for (size_t n = 0; n < full.size(); n += 3) {
      TLTDocument d;
      Load(d, std::string_view(full).substr(0, n));  // may fail; must not crash
      std::string flipped = full;
      flipped[n] = static_cast<char>(flipped[n] ^ 0x5A);
      Load(d, flipped);
    }
  }
  TLTDocument d;
  // A block length beyond the data, an unknown kind, an unterminated quote.
  EXPECT_FALSE(Load(d, std::string("-8 1 3 1\r\n-9 2 0 0 2 0 1\r\n\r\n\xFF\xFF\xFF\x7F\x0E\0", 31)));
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n-77 0 0 0 0 0 \r\n"));
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 0 0 \"open\r\nx\r\n"));
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 8 0 0\r\n\x41"));  // wide line without its end
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n4G00\r\n"));
}

TEST(LTFReader, APictureThatCannotBeReadShowsTheInvalidPicture) {
  TLTDocument d;
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-3 3 0 0 0 0 0\r\nname\r\nTPNGImage\r\n00112233\r\n"));
  ASSERT_EQ(d.Data.ItemCount(), 1);
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBrokenPicture));
  EXPECT_EQ(d.Data.GetItem(0).GetImage()->ClassName(), "TBitmap");
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n-3 3 0 0 0 0 0\r\nname\r\nTNoSuchClass\r\n00\r\n"));
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBadPictureClass));
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-3 3 0 0 0 0 0\r\nname\r\nTNoSuchClass\r\n00\r\n",
                   LTEditorLTFOptions | TLTFOptions{ltfoIgnoreUnknownPicFmt}));
  EXPECT_EQ(d.Data.ItemCount(), 0);
}

TEST(LTFReader, FilesThatCannotBeOpenedReportFalse) {
  TLTDocument d;
  EXPECT_FALSE(d.Data.LoadLTF("/nonexistent/dir/doc.ltf"));
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LTFReader, StylesAfterItemsAreDamage) {
  TLTDocument source;
  source.Data.AddTextW(u"x", 0, 0);
  std::string styles = Save(source, {ltfoSaveTextStyles});
  styles = styles.substr(styles.find("-9"));
  styles = styles.substr(0, styles.find("\r\n0 1 0"));
  TLTDocument d;
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n7800\r\n" + styles + "\r\n"));
  EXPECT_EQ(d.Data.ItemCount(), 1);
}

/// What the reader once accepted and then could not read back: every file
/// here must load or fail cleanly, and what loads must save and load again
/// to the same bytes.
TEST(LTFReader, KeptCrashInputsStayHarmless) {
  const std::filesystem::path dir = std::filesystem::path(LECTERN_TEST_DATA) / "crash" / "ltf";
  ASSERT_TRUE(std::filesystem::exists(dir));
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(entry.path().string(), bytes));
    TLTDocument d;
    Load(d, std::string_view(bytes).substr(1));
    const std::string first = Save(d, LTEditorLTFOptions);
    TLTDocument again;
    ASSERT_TRUE(Load(again, first));
    EXPECT_EQ(Save(again, LTEditorLTFOptions), first);
  }
}

}  // namespace
}  // namespace lectern
