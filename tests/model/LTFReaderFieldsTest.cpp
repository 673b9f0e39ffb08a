// The LTF reader field by field: header fields that are not numbers, tags
// of both kinds, paragraphs continued or started, style maps of an
// insertion, the background and document records, and what a failed or
// empty read leaves behind.

#include "model/LTDocument.h"
#include "platform/LTCodePage.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "tests/model/LTFTestIO.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using namespace lectern::testing;

const TLTFOptions kHex = LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary};

// "x" in a wide record of text style s and paragraph p.
std::string X(const std::string& style = "0", const std::string& para = "0", const std::string& flags = "8") {
  return style + " 1 " + para + " " + flags + " 3 0\r\n7800\r\n";
}

const std::string V = "-8 1 3 1\r\n";

TEST(LTFReaderFields, HeaderFieldsThatAreNotNumbersAreDamage) {
  TLTDocument d;
  ASSERT_TRUE(Load(d, V + X()));
  for (const char* bad : {"0 x 0 8 3 0\r\n7800\r\n", "0 1 0 x 3 0\r\n7800\r\n", "0 1 0 8 -1 0\r\n7800\r\n",
                          "0 1 0 8 3 0 \"open\r\n7800\r\n", "\r\n0 1 0 8 3 0\r\n7800\r\n"}) {
    EXPECT_FALSE(Load(d, V + bad)) << bad;
  }
  // Data kinds outside 0..3, and records that end before their lines do.
  for (const char* bad : {"0 1 0 0 4 0\r\nabc\r\n", "0 1 0 0 -1 0\r\nabc\r\n",
                          "0 1 0 8 0 0\r\n-2 0 0 0 0 0\r\n", "-9 2 0 0 0 0 1\r\n\r\n"}) {
    EXPECT_FALSE(Load(d, V + bad)) << bad;
  }
  ASSERT_TRUE(Load(d, V + "0 1 0 0 0 0\r\nabc\r\n"));
  // A version record needs its two numbers.
  for (const char* bad : {"-8 1\r\n", "-8 x 3\r\n", "-8 1 x\r\n"}) EXPECT_FALSE(Load(d, bad + X())) << bad;
  // An empty line ends the stream only at its very end.
  EXPECT_TRUE(Load(d, V + X() + "\r\n"));
  EXPECT_EQ(d.Data.ItemCount(), 1);
  // An empty stream is an empty document.
  EXPECT_TRUE(Load(d, ""));
  EXPECT_EQ(d.Data.ItemCount(), 0);
}

TEST(LTFReaderFields, IntegerTagsAreDecimalNumbers) {
  TLTDocument d;
  d.Context.Options.Exclude(ltoTagsArePChars);
  ASSERT_TRUE(Load(d, V + "0 1 0 8 3 9\r\n7800\r\n0 1 0 8 3 -5\r\n7800\r\n0 1 0 8 3 -5\r\n7900\r\n"));
  EXPECT_EQ(d.Data.GetItemTag(0).Int(), 9);
  EXPECT_EQ(d.Data.GetItemTag(1).Int(), -5);
  EXPECT_EQ(d.Data.GetItemTag(2).Int(), -5);
  for (const char* bad : {"+5", "x", "5x", "\"5\""})
    EXPECT_FALSE(Load(d, V + "0 1 0 8 3 " + bad + "\r\n7800\r\n")) << bad;
}

TEST(LTFReaderFields, NeighbouringRecordsShareTheirTagAndHint) {
  TLTDocument d;
  d.Context.Options.Include(ltoTagsArePChars);
  const std::string rec = "0 1 0 8 3 \"Country|\" \"a hint\"\r\n7800\r\n";
  ASSERT_TRUE(Load(d, V + rec + rec + "0 1 0 8 3 \"City|\" \"other\"\r\n7800\r\n" + rec));
  EXPECT_EQ(d.Data.GetItemTag(1), TLTTag::FromString(u"Country|"));
  EXPECT_EQ(d.Data.GetItemTag(0).String(), d.Data.GetItemTag(1).String());
  EXPECT_EQ(d.Data.GetItem(1).HintText, u"a hint");
  EXPECT_EQ(&d.Data.GetItem(0).HintText.str(), &d.Data.GetItem(1).HintText.str());
  EXPECT_EQ(d.Data.GetItemTag(2), TLTTag::FromString(u"City|"));
  EXPECT_EQ(d.Data.GetItem(2).HintText, u"other");
  EXPECT_EQ(d.Data.GetItemTag(3), TLTTag::FromString(u"Country|"));
  EXPECT_EQ(d.Data.GetItemTag(3).String(), d.Data.GetItemTag(0).String());  // tags taken in turn share too
  EXPECT_EQ(d.Data.GetItem(3).HintText, u"a hint");
}

TEST(LTFReaderFields, TagsAndHintsAreReadAgainAfterAVersionRecord) {
  TLTDocument d;
  d.Context.Options.Include(ltoTagsArePChars);
  const std::string hint = "\"\xC3\xA9\"";
  const std::string stream =
      "-8 1 2 0\r\n0 1 0 0 0 \"t\" " + hint + "\r\nx\r\n" + "-8 1 3 1\r\n0 1 0 0 0 \"t\" " + hint + "\r\ny\r\n";
  ASSERT_TRUE(Load(d, stream));
  EXPECT_EQ(d.Data.GetItemTag(0), TLTTag::FromString(u"\"t\""));
  EXPECT_EQ(d.Data.GetItemTag(1), TLTTag::FromString(u"t"));
  EXPECT_EQ(d.Data.GetItem(0).HintText.str(), AnsiToUnicode("\xC3\xA9", CP_ACP));
  EXPECT_EQ(d.Data.GetItem(1).HintText.str(), u"\u00E9");
  // A version whose third number is 0 keeps 8-bit strings.
  ASSERT_TRUE(Load(d, "-8 1 3 0\r\n-2 1 0 0 0 0\r\n\xC3\xA9\r\n" + X()));
  EXPECT_EQ(d.Data.GetItemCheckpoint(0)->CheckpointName, AnsiToUnicode("\xC3\xA9", CP_ACP));
}

TEST(LTFReaderFields, ParagraphsContinueOnlyAfterItemsThatShareALine) {
  TLTDocument d;
  // A stored join flag with a paragraph of its own starts a paragraph; a
  // first item never starts a new line; text after a rule starts one.
  ASSERT_TRUE(Load(d, V + X("0", "0", "12") + X("0", "1", "9") + "-1 0 0 0 0 0 \r\n" + X("0", "-1", "8")));
  ASSERT_EQ(d.Data.ItemCount(), 4);
  EXPECT_EQ(d.Data.GetItem(0).ItemFlags, ltifWide);
  EXPECT_TRUE(d.Data.IsParaStart(1));
  EXPECT_EQ(d.Data.GetItemPara(1), 1);
  EXPECT_TRUE(d.Data.IsParaStart(3));
  EXPECT_EQ(d.Data.GetItemPara(3), 0);
  // Continuing text takes the paragraph of the item before.
  ASSERT_TRUE(Load(d, V + X() + X("0", "1") + X("0", "-1", "9")));
  EXPECT_FALSE(d.Data.IsParaStart(2));
  EXPECT_EQ(d.Data.GetItemPara(2), 1);
  // Flags, paragraph and tag of other items stay as stored.
  d.Context.Options.Exclude(ltoTagsArePChars);
  ASSERT_TRUE(Load(d, V + X() + "-1 0 1 2 0 5 \r\n"));
  EXPECT_TRUE(d.Data.PageBreakBefore(1));
  EXPECT_EQ(d.Data.GetItemPara(1), 1);
  EXPECT_EQ(d.Data.GetItemTag(1).Int(), 5);
}

/// A stream whose stored text styles put a new style at 6 and whose
/// paragraph style 0 is new to the sheet (a left indent of 33, its default
/// text style the new 6).
std::string StyledStream(const std::string& items) {
  TLTDocument source;
  TFontInfo& big = source.Style.TextStyles().Add();
  big.Size = 40;
  TParaInfo& para = source.Style.ParaStyles()[0];
  para.LeftIndent = 33;
  para.DefStyleNo = 6;
  source.Data.AddTextW(u"s", 0, 0);
  const std::string s = Save(source, kHex);
  return s.substr(0, s.rfind("0 1 0 8 3 0\r\n")) + items;  // the style records alone
}

TEST(LTFReaderFields, AnInsertionMapsStoredNumbersButNotNames) {
  TLTDocument d;
  d.Style.TextStyles().Add().Size = 12;  // 6 is taken: the stored 6 goes to 7
  int index = 0;
  ASSERT_TRUE(Insert(d, StyledStream(X("6", "0") + X("\"Heading\"", "0") + X("2147483647", "0")), index));
  EXPECT_EQ(d.Style.TextStyles()[7].Size, 40);
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, 7);
  EXPECT_EQ(d.Data.GetItem(1).StyleNo, 1);  // a name is the sheet's already
  EXPECT_EQ(d.Data.GetItem(2).StyleNo, MaxInt);
  // The stored paragraph style 0 was merged as 2, with its default text
  // style taken through the text map.
  EXPECT_EQ(d.Data.GetItemPara(0), 2);
  EXPECT_EQ(d.Style.ParaStyles()[2].LeftIndent, 33);
  EXPECT_EQ(d.Style.ParaStyles()[2].DefStyleNo, 7);
  EXPECT_EQ(d.Context.LTFWarnings, TLTFWarnings());

  // Numbers past what the stream stored: a text style may become 0, a
  // paragraph style never.
  TLTDocument e;
  index = 0;
  EXPECT_FALSE(Insert(e, StyledStream(X("7", "0")), index));
  EXPECT_TRUE(e.Context.LTFWarnings.Contains(ltfwBadStyle));
  e.Context.LTFOptions.Include(ltfoConvUnknownStylesToZero);
  index = 0;
  ASSERT_TRUE(Insert(e, StyledStream(X("7", "0")), index));
  EXPECT_EQ(e.Data.GetItem(0).StyleNo, 0);
  EXPECT_TRUE(e.Context.LTFWarnings.Contains(ltfwBadStyle));
  index = 0;
  EXPECT_FALSE(Insert(e, StyledStream(X("0", "2")), index));

  // With the switch that keeps stored numbers, text styles are not mapped.
  TLTDocument f;
  f.Style.TextStyles().Add().Size = 12;
  LTFKeepStoredStyleNumbers = true;
  index = 0;
  const bool kept = Insert(f, StyledStream(X("6", "0")), index);
  LTFKeepStoredStyleNumbers = false;
  ASSERT_TRUE(kept);
  EXPECT_EQ(f.Data.GetItem(0).StyleNo, 6);
}

TEST(LTFReaderFields, ReadModesDecideWhatStoredStylesDo) {
  TLTDocument d;
  d.Context.LTFTextStylesReadMode = ltf_sIgnore;
  ASSERT_TRUE(Load(d, StyledStream(X("5", "0"))));
  EXPECT_EQ(d.Style.TextStyles().Count(), 6);         // the stored text styles were dropped
  EXPECT_EQ(d.Style.ParaStyles()[0].LeftIndent, 33);  // the paragraph styles replaced the sheet's
  // A second record of a kind already merged is not merged again.
  TLTDocument e;
  std::string twice = StyledStream("");
  const size_t at = twice.find("-9 2 0 0 0 0 1");
  const size_t end = twice.find("-9 2 0 0 0 0 2");
  twice += twice.substr(at, end - at) + X("6", "0");
  int index = 0;
  ASSERT_TRUE(Insert(e, twice, index));
  EXPECT_EQ(e.Style.TextStyles().Count(), 7);
  // A property a style does not have is skipped with a warning.
  TLTDocument g;
  ASSERT_TRUE(Load(g, V + "-9 2 0 0 0 0 1\r\n\r\n0E0107556E6B6E6F776E02050000\r\n" + X()));
  EXPECT_EQ(g.Context.LTFWarnings, TLTFWarnings{ltfwBadProperty});
  EXPECT_EQ(g.Style.TextStyles().Count(), 1);
  // A stored collection that cannot be read is left out with a warning.
  TLTDocument f;
  ASSERT_TRUE(Load(f, V + "-9 2 0 0 0 0 1\r\n\r\n0E01040100\r\n" + X()));
  EXPECT_EQ(f.Context.LTFWarnings, TLTFWarnings{ltfwBadProperty});
  EXPECT_EQ(f.Style.TextStyles().Count(), 6);
  EXPECT_FALSE(Load(f, V + "-9 2 0 0 0 0 1\r\n\r\n\r\n" + X()));  // an empty block is not a collection
}

TEST(LTFReaderFields, AWholeLoadKeepsTheListIdentitiesItStored) {
  TLTDocument source;
  TLTListInfo& list = source.Style.ListStyles().Add();
  list.Levels.Add().ListType = ltlstDecimal;
  list.SetListID(4242);
  source.Data.AddTextW(u"x", 0, 0);
  const std::string stored = Save(source);
  TLTDocument d;
  ASSERT_TRUE(Load(d, stored));
  EXPECT_EQ(d.Style.ListStyles()[0].ListID(), 4242);
}

TEST(LTFReaderFields, DocumentRecordsApplyToAWholeLoadWithTheirOption) {
  TLTDocument source;
  source.Context.DocProperties = {u"Title=T"};
  source.Context.DocParameters.ZoomPercent = 150;
  source.Data.AddTextW(u"x", 0, 0);
  const std::string stored = Save(source);

  TLTDocument d;
  ASSERT_TRUE(Load(d, stored));
  EXPECT_EQ(d.Context.DocProperties, std::vector<TLTString>{u"Title=T"});
  EXPECT_EQ(d.Context.DocParameters.ZoomPercent, 150);
  // A document without parameters resets them.
  ASSERT_TRUE(Load(d, V + X()));
  EXPECT_EQ(d.Context.DocParameters.ZoomPercent, 100);
  // Not without the option, and never on an insertion.
  d.Context.DocParameters.ZoomPercent = 150;
  ASSERT_TRUE(Load(d, V + X(), LTEditorLTFOptions - TLTFOptions{ltfoLoadDocProperties}));
  EXPECT_EQ(d.Context.DocParameters.ZoomPercent, 150);
  TLTDocument e;
  ASSERT_TRUE(Load(e, stored, LTEditorLTFOptions - TLTFOptions{ltfoLoadDocProperties}));
  EXPECT_TRUE(e.Context.DocProperties.empty());
  EXPECT_EQ(e.Context.DocParameters.ZoomPercent, 100);
  int index = 0;
  ASSERT_TRUE(Insert(e, stored, index));
  EXPECT_TRUE(e.Context.DocProperties.empty());
  EXPECT_EQ(e.Context.DocParameters.ZoomPercent, 100);
  // Records with lines beyond the ones read, a numbering state, and
  // subtypes without a number or not known are read past.
  ASSERT_TRUE(Load(d, V +
                          "-9 3 0 0 0 0 1\r\n\r\n0E00\r\nmore\r\n-9 2 0 0 0 0 6\r\n\r\n0000000000000000\r\n"
                          "-9 1 0 0 0 0 99\r\nwhatever\r\n" +
                          X()));
  EXPECT_EQ(d.Data.ItemCount(), 1);
  EXPECT_FALSE(Load(d, V + "-9 0 0 0 0 0\r\n" + X()));
  EXPECT_FALSE(Load(d, V + "-9 0 0 0 0 0 x\r\n" + X()));
}

TEST(LTFReaderFields, AStyleRecordWhoseBlockCannotBeReadFailsTheLoad) {
  // Passing over the record would read its remaining lines as records of
  // their own, or end a cut-off file as if it were whole.
  TLTDocument d;
  EXPECT_FALSE(Load(d, V + "-9 2 0 0 0 0 1\r\n\r\n0E0G\r\n" + X()));
  EXPECT_FALSE(Load(d, V + "-9 2 0 0 0 0 2\r\n\r\n"));
  EXPECT_FALSE(Load(d, V + "-9 2 0 0 0 0 3\r\n"));
}

TEST(LTFReaderFields, ATextRecordCutShortOfItsLinesFailsTheLoad) {
  TLTDocument d;
  EXPECT_FALSE(Load(d, V + "0 2 0 8 3 0\r\n7800\r\n"));  // wide hexadecimal
  EXPECT_FALSE(Load(d, V + "0 2 0 0 0 0\r\nx\r\n"));     // 8-bit
  EXPECT_FALSE(Load(d, V + "0 1 0 8 3 0\r\n"));
}

TEST(LTFReaderFields, TheBackgroundGoesToTheCallerOnAWholeLoadWithItsOption) {
  TBitmap picture;
  TLTPixels px;
  px.Width = px.Height = 2;
  px.Data.assign(4, 0xFF00FF00u);
  picture.SetPixels(px);
  TLTBackgroundInfo back;
  back.Style = 2;
  back.Color = clYellow;
  back.Image = &picture;
  TLTDocument source;
  source.Data.AddTextW(u"x", 0, 0);
  for (TLTFOptions save : {LTEditorLTFOptions, kHex}) {
    source.Context.LTFOptions = save | TLTFOptions{ltfoSaveBack};
    TLTMemoryStream m;
    ASSERT_TRUE(source.Data.SaveLTFToStream(m, nullptr, nullptr, &back));
    const std::string stored = m.Data();

    TLTDocument d;
    d.Context.LTFOptions = LTEditorLTFOptions | TLTFOptions{ltfoLoadBack};
    TLTBackgroundInfo read;
    TLTMemoryStream in(stored);
    ASSERT_TRUE(d.Data.LoadLTFFromStream(in, nullptr, &read));
    EXPECT_EQ(read.Style, 2);
    EXPECT_EQ(read.Color, clYellow);
    ASSERT_NE(read.Image, nullptr);
    EXPECT_EQ(read.Image->Width(), 2);
    EXPECT_EQ(d.Data.ItemCount(), 1);

    TLTBackgroundInfo ignored;
    d.Context.LTFOptions = LTEditorLTFOptions;
    TLTMemoryStream again(stored);
    ASSERT_TRUE(d.Data.LoadLTFFromStream(again, nullptr, &ignored));
    EXPECT_EQ(ignored.Style, 0);
    EXPECT_EQ(ignored.Image, nullptr);
  }
  // Without a picture the record has no lines; a damaged picture is left out.
  TLTDocument d;
  d.Context.LTFOptions = LTEditorLTFOptions | TLTFOptions{ltfoLoadBack};
  TLTBackgroundInfo read;
  TLTMemoryStream plain(V + "-7 0 -1 0 0 0 5 255\r\n" + X());
  ASSERT_TRUE(d.Data.LoadLTFFromStream(plain, nullptr, &read));
  EXPECT_EQ(read.Style, 5);
  EXPECT_EQ(read.Color, 255);
  TLTBackgroundInfo broken;
  TLTMemoryStream damaged(V + "-7 3 0 0 0 0 1 255\r\nTBitmap\r\n0011\r\nextra\r\n" + X());
  ASSERT_TRUE(d.Data.LoadLTFFromStream(damaged, nullptr, &broken));
  EXPECT_EQ(broken.Image, nullptr);
  EXPECT_EQ(d.Data.ItemCount(), 1);
  TLTMemoryStream undecodable(V + "-7 2 0 0 0 0 1 255\r\nTBitmap\r\n0G\r\n" + X());
  EXPECT_FALSE(d.Data.LoadLTFFromStream(undecodable, nullptr, &broken));
}

TEST(LTFReaderFields, ACheckpointRecordMayLackItsSwitches) {
  TLTDocument d;
  ASSERT_TRUE(Load(d, V + X() + "-2 1 0 0 0 0 1\r\ncp\r\n" + X()));
  EXPECT_TRUE(d.Data.GetItemCheckpoint(1)->RaiseEvent);
  EXPECT_FALSE(d.Data.GetItemCheckpoint(1)->Pinned);
  EXPECT_EQ(d.Data.GetItemCheckpoint(1)->ItemNo, 1);
  EXPECT_EQ(d.Data.GetItemCheckpoint(1)->ItemInfo, &d.Data.GetItem(1));
  // A document's pending checkpoint goes to the first item appended to it.
  d.Data.AddNamedCheckpoint(u"waiting", false);
  int index = d.Data.ItemCount();
  ASSERT_TRUE(Insert(d, V + X(), index));
  ASSERT_NE(d.Data.GetItemCheckpoint(2), nullptr);
  EXPECT_EQ(d.Data.GetItemCheckpoint(2)->CheckpointName, u"waiting");
  EXPECT_EQ(d.Data.PendingCheckpoint(), nullptr);
  EXPECT_EQ(d.Data.CheckpointCount(), 2);
  ASSERT_TRUE(Load(d, V + "-2 0 0 0 0 0\r\n" + X()));  // no name line: no checkpoint
  EXPECT_EQ(d.Data.CheckpointCount(), 0);
  // The checkpoint of an item that cannot be placed goes with it.
  ASSERT_TRUE(Load(d, V + "-2 1 0 0 0 0\r\ncp\r\n-6 1 0 0 0 0 0 0\r\nbullet\r\n" + X()));
  EXPECT_EQ(d.Data.ItemCount(), 1);
  EXPECT_EQ(d.Data.CheckpointCount(), 0);
  // A trailing checkpoint of a read that fails is not kept.
  ASSERT_FALSE(Load(d, V + X() + "-2 1 0 0 0 0\r\ncp\r\n-77 0 0 0 0 0 \r\n"));
  EXPECT_EQ(d.Data.PendingCheckpoint(), nullptr);
  EXPECT_EQ(d.Data.CheckpointCount(), 0);
}

TEST(LTFReaderFields, MarkersMapTheirListsAndKeepTheirParagraphs) {
  TLTDocument source;
  TLTListInfo& mine = source.Style.ListStyles().Add();
  mine.Levels.Add().ListType = ltlstUpperRoman;
  mine.Levels[0].FormatString = u"%0:s";
  source.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  source.Data.AddTextW(u"x", 0, -1);
  const std::string stored = Save(source);

  TLTDocument d;
  d.Style.ListStyles().Add().Levels.Add().ListType = ltlstDecimal;  // the stored list goes to 1
  d.Data.AddTextW(u"before", 0, 0);
  d.Data.AddTextW(u"after", 0, 0);
  int index = 1;
  ASSERT_TRUE(Insert(d, stored + "-11 0 0 0 0 0 5 0 1 0\r\n", index));
  ASSERT_EQ(d.Data.ItemCount(), 6);
  EXPECT_EQ(d.Data.CheckItemClass<TLTMarkerItemInfo>(1).ListNo, 1);
  EXPECT_EQ(d.Data.CheckItemClass<TLTMarkerItemInfo>(1).DisplayString, u"I");
  // A list past what the stream stored becomes 0, and a marker before a
  // paragraph that starts gets its empty text.
  EXPECT_EQ(d.Data.CheckItemClass<TLTMarkerItemInfo>(3).ListNo, 0);
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBadStyle));
  EXPECT_TRUE(d.Data.GetItem(4).IsText());
  EXPECT_FALSE(d.Data.IsParaStart(4));
  EXPECT_EQ(d.Data.GetItemTextW(5), u"after");
  // A list past the map becomes 0 even where the sheet has such a list.
  for (int i = 0; i < 5; ++i) d.Style.ListStyles().Add().Levels.Add();
  index = 0;
  ASSERT_TRUE(Insert(d, stored + "-11 0 0 0 0 0 3 0 1 0\r\n", index));
  EXPECT_EQ(d.Data.CheckItemClass<TLTMarkerItemInfo>(2).ListNo, 0);
  // Without list styles a marker is inert.
  TLTDocument bare;
  ASSERT_TRUE(Load(bare, V + "-11 0 0 0 0 0 0 0 1 0\r\n" + X("0", "-1")));
  EXPECT_EQ(bare.Data.CheckItemClass<TLTMarkerItemInfo>(0).ListNo, -1);
}

TEST(LTFReaderFields, TabsMapTheirTextStyleLikeText) {
  TLTDocument d;
  d.Style.TextStyles().Add().Size = 12;  // 6 is taken: the stored 6 goes to 7
  int index = 0;
  // A tab by name, then one by number (which is mapped), then one without
  // a style of its own.
  ASSERT_TRUE(Insert(
      d, StyledStream("-12 0 0 0 0 0 \"Heading\"\r\n-12 0 -1 0 0 0 6\r\n-12 0 -1 0 0 0 \r\n" + X("0", "-1")), index));
  EXPECT_EQ(d.Data.GetItem(0).GetAssociatedTextStyleNo(), 1);
  EXPECT_EQ(d.Data.GetItem(1).GetAssociatedTextStyleNo(), 7);
  TLTDocument e;
  EXPECT_FALSE(Load(e, V + "-12 0 0 0 0 0 99\r\n"));
  EXPECT_TRUE(e.Context.LTFWarnings.Contains(ltfwBadStyle));
}

TEST(LTFReaderFields, ControlsTellTheirHostWhenTheyArrive) {
  TLTDocument d;
  std::vector<int> loaded;
  d.Context.OnControlAction = [&](TLTControlAction action, int itemNo, TLTControl*&) {
    if (action == ltcaAfterLTFLoad) loaded.push_back(itemNo);
  };
  ASSERT_TRUE(Load(d, V + X() + "-5 3 0 0 0 0 0\r\nedit\r\nTEdit\r\n5450463005544564697400000000\r\n"));
  EXPECT_EQ(loaded, std::vector<int>{1});
}

TEST(LTFReaderFields, AContainerWithoutAStyleSheetReadsPastStoredStyles) {
  TCustomLTData bare;
  TLTMemoryStream m(V + "-9 2 0 0 0 0 1\r\n\r\n0E0100\r\n2147483647 1 -1 8 3 0\r\n7800\r\n");
  ASSERT_TRUE(bare.LoadLTFFromStream(m));
  EXPECT_EQ(bare.ItemCount(), 1);
}

TEST(LTFReaderFields, ItemsThatPayTheirWayFillTheBudget) {
  // 300,000 minimal styles are more than the budget of their 600 kB.
  std::string styles = "0E";
  for (int i = 0; i < 300'000; ++i) styles += "0100";
  TLTDocument d;
  EXPECT_FALSE(Load(d, V + "-9 2 0 0 0 0 1\r\n\r\n" + styles + "00\r\n" + X()));
  EXPECT_EQ(d.Context.LTFError, std::string(LTOutOfBudgetMessage) + " (record at byte 10)");
  EXPECT_EQ(d.Style.TextStyles().Count(), 6);
  // 100,000 fit once, but not twice: the sheet's copies cost what the
  // styles read did.
  styles = "0E";
  for (int i = 0; i < 100'000; ++i) styles += "0100";
  EXPECT_FALSE(Load(d, V + "-9 2 0 0 0 0 1\r\n\r\n" + styles + "00\r\n"));
  EXPECT_EQ(d.Context.LTFError, std::string(LTOutOfBudgetMessage) + " (record at byte 10)");
}

}  // namespace
}  // namespace lectern
