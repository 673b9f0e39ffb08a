// The LTF reader at its boundaries: format versions, style numbers, record
// fields out of range, checkpoints, the layout block, nesting, the budget
// of what a read may build, and what is kept of controls that cannot be made.

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "tests/model/LTFTestIO.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

using namespace lectern::testing;

/// An item that holds a stored sub-document, as a table cell does, and
/// counts what it hears after loading.
class TBoxItem : public TLTNonTextItemInfo {
 public:
  static constexpr int32_t kKind = -151;
  TBoxItem() { StyleNo = kKind; }
  TCustomLTData Inner;
  int AfterLoadingCalls = 0;

  bool GetBoolValue(TLTItemBoolQuery q) const override {
    return q == iqTakesDataLines || q == iqHasContent || TLTNonTextItemInfo::GetBoolValue(q);
  }
  void SaveLTF(TLTFWriter& w, int, bool forceJoin) const override {
    SaveLTFRecord(w, forceJoin, w.DataKind(), 1, {});
    w.DataLine(Inner.SaveLTFSubDocument(w.Options()));
  }
  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override {
    std::string storage;
    std::string_view bytes;
    if (lineCount != 1 || !src.DataLine(static_cast<TLTFDataKind>(dataKind), storage, bytes)) return false;
    Inner.SetParent(&ctx.Data, this);
    return ctx.ReadSubDocument(Inner, bytes);
  }
  void AfterLoading(TLTSaveFormat format) override {
    ++AfterLoadingCalls;
    for (int i = 0; i < Inner.ItemCount(); ++i) Inner.GetItem(i).AfterLoading(format);
  }
};

void RegisterBox() {
  static const TLTItemClass kBox{"TBoxItem", [] { return std::unique_ptr<TCustomLTItemInfo>(new TBoxItem); }};
  RegisterItemKind(TBoxItem::kKind, kBox);
}

/// A document of boxes nested depth deep, the innermost holding text.
std::string NestedBoxes(int depth) {
  RegisterBox();
  TLTDocument d;
  TCustomLTData* into = &d.Data;
  for (int level = 0; level < depth; ++level) {
    auto box = std::make_unique<TBoxItem>();
    TCustomLTData* inner = &box->Inner;
    into->AddItem({}, std::move(box));
    into = inner;
  }
  into->AddTextW(u"core", 0, 0);
  return Save(d);
}

TEST(LTFReaderBounds, AVersionOneTwoStreamHasTheFlagsFieldAndOneOneHasNot) {
  TLTDocument d;
  ASSERT_TRUE(Load(d, "-8 1 2\r\n0 1 0 8 3 0\r\n4100\r\n"));
  EXPECT_EQ(d.Data.GetItemTextW(0), u"A");
  // Version 1.1: the fourth field is already the data kind.
  d.Style.TextStyles()[0].Unicode = false;
  ASSERT_TRUE(Load(d, "-8 1 1\r\n0 1 0 0 0\r\nplain\r\n"));
  EXPECT_EQ(d.Data.GetItemTextRaw(0), "plain");
  EXPECT_FALSE(Load(d, "-8 1 1\r\n0 1 0 8 3 0\r\n4100\r\n"));  // a data kind of 8
  // Quoted tags come with 1.3; a 1.2 stream reads the quotes as the tag's text.
  d.Context.Options.Include(ltoTagsArePChars);
  ASSERT_TRUE(Load(d, "-8 1 2 1\r\n0 1 0 0 0 \"t\"\r\nx\r\n"));
  EXPECT_EQ(d.Data.GetItemTag(0), TLTTag::FromString(u"\"t\""));
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n0 1 0 0 0 \"t\"\r\nx\r\n"));
  EXPECT_EQ(d.Data.GetItemTag(0), TLTTag::FromString(u"t"));
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n0 1 0 0 0 0\r\nx\r\n"));
  EXPECT_EQ(d.Data.GetItemTag(0), TLTTag());
}

TEST(LTFReaderBounds, AStyleNumberEqualToTheCountIsNotInTheSheet) {
  TLTDocument d;
  const int texts = d.Style.TextStyles().Count();
  const int paras = d.Style.ParaStyles().Count();
  auto record = [](int style, int para) {
    return "-8 1 3 1\r\n" + IntToStr(style) + " 1 " + IntToStr(para) + " 8 3 0\r\n7800\r\n";
  };
  EXPECT_TRUE(Load(d, record(texts - 1, paras - 1)));
  EXPECT_EQ(d.Context.LTFWarnings, TLTFWarnings());
  EXPECT_FALSE(Load(d, record(texts, 0)));
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBadStyle));
  EXPECT_FALSE(Load(d, record(0, paras)));
  EXPECT_TRUE(d.Context.LTFWarnings.Contains(ltfwBadStyle));
  // With the switch, both become 0.
  ASSERT_TRUE(Load(d, record(texts, paras), LTEditorLTFOptions | TLTFOptions{ltfoConvUnknownStylesToZero}));
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, 0);
  EXPECT_EQ(d.Data.GetItem(0).ParaNo, 0);
}

TEST(LTFReaderBounds, WideTextOfOddLengthIsDamage) {
  TLTDocument d;
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n410042\r\n"));
  EXPECT_TRUE(Load(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n41004200\r\n"));
  const std::string head = "-8 1 3 1\r\n0 1 0 8 0 0\r\n";
  EXPECT_FALSE(Load(d, head + std::string("A\x29\x20", 3)));
  EXPECT_TRUE(Load(d, head + std::string("A\0\x29\x20", 4)));
  EXPECT_EQ(d.Data.GetItemTextW(0), u"A");
}

TEST(LTFReaderBounds, TheFirstOfTwoCheckpointsBeforeAnItemIsKept) {
  TLTDocument d;
  ASSERT_TRUE(
      Load(d, "-8 1 3 1\r\n-2 1 0 0 0 0 1 0\r\nfirst\r\n-2 1 0 0 0 0 0 1\r\nsecond\r\n0 1 0 8 3 0\r\n7800\r\n"));
  ASSERT_NE(d.Data.GetItemCheckpoint(0), nullptr);
  EXPECT_EQ(d.Data.GetItemCheckpoint(0)->CheckpointName, u"first");
  EXPECT_TRUE(d.Data.GetItemCheckpoint(0)->RaiseEvent);
  EXPECT_FALSE(d.Data.GetItemCheckpoint(0)->Pinned);
  EXPECT_EQ(d.Data.CheckpointCount(), 1);
  // Lines after the name belong to the record, whichever checkpoint it is.
  ASSERT_TRUE(
      Load(d, "-8 1 3 1\r\n-2 2 0 0 0 0\r\na\r\nextra\r\n-2 2 0 0 0 0\r\nb\r\nextra\r\n0 1 0 8 3 0\r\n7800\r\n"));
  EXPECT_EQ(d.Data.GetItemCheckpoint(0)->CheckpointName, u"a");
  EXPECT_EQ(d.Data.ItemCount(), 1);
}

TEST(LTFReaderBounds, CheckpointsOfAnInsertionJoinTheListInDocumentOrder) {
  TLTDocument d;
  for (const char16_t* name : {u"a", u"b", u"c"}) {
    d.Data.AddNamedCheckpoint(name, false);
    d.Data.AddTextW(name, 0, 0);
  }
  const std::string stream =
      "-8 1 3 1\r\n-2 1 0 0 0 0\r\nx\r\n0 1 0 8 3 0\r\n7800\r\n0 1 0 8 3 0\r\n7900\r\n-2 1 0 0 0 0\r\nz\r\n0 1 0 8 3 "
      "0\r\n"
      "7A00\r\n";
  int index = 2;
  ASSERT_TRUE(Insert(d, stream, index));
  std::u16string order;
  int count = 0;
  for (TLTCPInfo* cp = d.Data.FirstCheckpoint(); cp; cp = cp->Next) {
    order += cp->CheckpointName;
    EXPECT_EQ(cp->Next ? cp->Next->Prev : d.Data.LastCheckpoint(), cp);
    ++count;
  }
  EXPECT_EQ(order, u"abxzc");
  EXPECT_EQ(count, d.Data.CheckpointCount());
  EXPECT_EQ(d.Data.FindCheckpointBefore(5)->CheckpointName, u"z");
  // At the front, before every checkpoint there is.
  index = 0;
  ASSERT_TRUE(Insert(d, stream, index));
  EXPECT_EQ(d.Data.FirstCheckpoint()->CheckpointName, u"x");
  EXPECT_EQ(d.Data.FirstCheckpoint()->Prev, nullptr);
  EXPECT_EQ(d.Data.CheckpointCount(), 7);
}

TEST(LTFReaderBounds, TheLayoutBlockNeedsExactlyItsFields) {
  // The rest of the block holds the bytes 1, 2, 3, ... and at the
  // direction's offset (24, after six numbers) the value 2.
  auto block = [](int sub, int rest, int bytes) {
    std::string b;
    for (int v : {sub, rest}) b += std::string{static_cast<char>(v), 0, 0, 0};
    for (int i = 0; i < bytes; ++i) b += static_cast<char>(i == 24 ? 2 : i + 1);
    std::string hex;
    for (unsigned char c : b) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
    return "-8 1 3 1\r\n-9 2 0 0 0 0 3\r\n\r\n" + hex + "\r\n0 1 0 8 3 0\r\n7800\r\n";
  };
  TLTDocument d;
  const TLTFOptions layout = LTEditorLTFOptions | TLTFOptions{ltfoLoadLayout};
  auto load = [&](const std::string& bytes, TLTLayoutInfo& info) {
    d.Context.LTFOptions = layout;
    TLTMemoryStream m(bytes);
    return d.Data.LoadLTFFromStream(m, &info);
  };
  TLTLayoutInfo info;
  ASSERT_TRUE(load(block(0, 25, 25), info));
  EXPECT_EQ(info.LeftMargin, 0x04030201);
  EXPECT_EQ(info.RightMargin, 0x08070605);
  EXPECT_EQ(info.MaxTextWidth, 0x18171615);
  EXPECT_EQ(info.BiDiMode, 2);
  EXPECT_FALSE(info.FirstParaCut);
  TLTLayoutInfo shorter;
  EXPECT_FALSE(load(block(0, 24, 24), shorter));
  EXPECT_NE(d.Context.LTFError.find("Invalid LTF format"), std::string::npos) << d.Context.LTFError;
  EXPECT_FALSE(load(block(0, 25, 4), shorter));  // the rest claims more than the block holds
  // The four cut fields are read only when all sixteen bytes are there.
  TLTLayoutInfo cut;
  ASSERT_TRUE(load(block(0, 41, 41), cut));
  EXPECT_TRUE(cut.FirstParaCut);
  EXPECT_TRUE(cut.LastParaCut);
  EXPECT_EQ(cut.FirstMarkerListNo, 0x25242322);
  EXPECT_EQ(cut.FirstMarkerLevel, 0x29282726);
  EXPECT_TRUE(d.Data.FirstParaCut);
  EXPECT_TRUE(d.Data.LastParaCut);
  EXPECT_EQ(d.Data.FirstParaListNo, 0x25242322);
  EXPECT_EQ(d.Data.FirstParaLevel, 0x29282726);
  TLTLayoutInfo almost;
  ASSERT_TRUE(load(block(0, 40, 40), almost));
  EXPECT_FALSE(almost.FirstParaCut);
  TLTLayoutInfo cell;
  ASSERT_TRUE(load(block(1, 16, 16), cell));  // a cell's block has only the cut fields
  EXPECT_TRUE(cell.SubDocument);
  EXPECT_TRUE(cell.FirstParaCut);
  TLTLayoutInfo bare;
  ASSERT_TRUE(load(block(1, 0, 0), bare));  // a cell's block without cut fields is its head alone
  EXPECT_TRUE(bare.SubDocument);
  EXPECT_FALSE(bare.FirstParaCut);
  std::string headless = block(1, 0, 0);
  headless.replace(headless.find("0100000000000000"), 16, "01000000000000");  // seven bytes
  EXPECT_FALSE(load(headless, bare));
  // Without the option the block is not looked at, however short.
  d.Context.LTFOptions = LTEditorLTFOptions;
  TLTLayoutInfo untouched;
  untouched.LeftMargin = 77;
  TLTMemoryStream m(block(0, 3, 3));
  ASSERT_TRUE(d.Data.LoadLTFFromStream(m, &untouched));
  EXPECT_EQ(untouched.LeftMargin, 77);
}

TEST(LTFReaderBounds, SubDocumentsNestUpToTheLimit) {
  TLTDocument d;
  ASSERT_TRUE(Load(d, NestedBoxes(LTFMaxNesting))) << d.Context.LTFError;
  const TCustomLTData* inner = &d.Data;
  for (int level = 0; level < LTFMaxNesting; ++level) inner = &static_cast<TBoxItem&>(inner->GetItem(0)).Inner;
  EXPECT_EQ(inner->GetItemTextW(0), u"core");

  TLTDocument deeper;
  EXPECT_FALSE(Load(deeper, NestedBoxes(LTFMaxNesting + 1)));
  EXPECT_EQ(deeper.Context.LTFError.rfind("stored documents nested more than 64 deep (record at byte ", 0), 0u)
      << deeper.Context.LTFError;
}

TEST(LTFReaderBounds, ItemsHearAfterLoadingOnceTheyAreInPlace) {
  const std::string stream = NestedBoxes(3);
  TLTDocument d;
  ASSERT_TRUE(Load(d, stream));
  auto& outer = static_cast<TBoxItem&>(d.Data.GetItem(0));
  auto& middle = static_cast<TBoxItem&>(outer.Inner.GetItem(0));
  auto& inner = static_cast<TBoxItem&>(middle.Inner.GetItem(0));
  EXPECT_EQ(outer.AfterLoadingCalls, 1);
  EXPECT_EQ(middle.AfterLoadingCalls, 1);
  EXPECT_EQ(inner.AfterLoadingCalls, 1);
  // Inserted items hear it too.
  int index = 0;
  TLTMemoryStream m(stream);
  ASSERT_TRUE(d.Data.InsertLTFAt(m, index));
  EXPECT_EQ(static_cast<TBoxItem&>(d.Data.GetItem(0)).AfterLoadingCalls, 1);
  EXPECT_EQ(outer.AfterLoadingCalls, 1);
}

TEST(LTFReaderBounds, AMarkersEmptyTextIsInItsParagraphAndEncoding) {
  TLTDocument d;
  d.Style.ListStyles().Add().Levels.Add();
  d.Style.TextStyles()[0].Unicode = false;
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-11 0 1 0 0 0 0 0 1 0\r\n"));
  ASSERT_EQ(d.Data.ItemCount(), 2);
  EXPECT_EQ(d.Data.GetItemPara(1), 1);
  EXPECT_FALSE(d.Data.GetItem(1).IsWide());
  d.Style.TextStyles()[0].Unicode = true;
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-11 0 1 0 0 0 0 0 1 0\r\n"));
  EXPECT_TRUE(d.Data.GetItem(1).IsWide());
}

TEST(LTFReaderBounds, SubDocumentsReadWithTheDocumentsMapsAndNames) {
  // Stored text styles that move the stored 6 to 7 and paragraph styles
  // that move the stored 2 to 3, then a box whose document uses 6 in a
  // paragraph of 2, a tab by name and a style past the sheet.
  TLTDocument source;
  source.Style.TextStyles().Add().Size = 40;
  source.Style.ParaStyles().Add().LeftIndent = 20;
  source.Data.AddTextW(u"s", 0, 0);
  std::string stream = Save(source, LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary});
  stream = stream.substr(0, stream.rfind("0 1 0 8 3 0\r\n"));
  const std::string inner = "-8 1 3 1\r\n6 1 2 8 3 0\r\n7800\r\n-12 0 -1 0 0 0 \"Heading\"\r\n99 1 0 8 3 0\r\n7800\r\n";
  std::string hex;
  for (unsigned char c : inner) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
  stream += "-151 1 0 0 0 0 \r\n" + hex + "\r\n";
  RegisterBox();
  TLTDocument d;
  d.Style.TextStyles().Add().Size = 12;
  d.Style.ParaStyles().Add().LineSpacing = 150;
  d.Context.LTFOptions = LTEditorLTFOptions | TLTFOptions{ltfoConvUnknownStylesToZero};
  int index = 0;
  ASSERT_TRUE(Insert(d, stream, index)) << d.Context.LTFError;
  const TCustomLTData& cell = static_cast<TBoxItem&>(d.Data.GetItem(0)).Inner;
  ASSERT_EQ(cell.ItemCount(), 3);
  EXPECT_EQ(cell.GetItem(0).StyleNo, 7);
  EXPECT_EQ(cell.GetItemPara(0), 3);
  EXPECT_EQ(cell.GetItem(1).GetAssociatedTextStyleNo(), 1);
  EXPECT_EQ(cell.GetItem(2).StyleNo, 0);
  EXPECT_EQ(d.Context.LTFWarnings, TLTFWarnings{ltfwBadStyle});  // heard from inside
}

TEST(LTFReaderBounds, AnInsertionEvensOutTheParagraphItLandsIn) {
  TLTDocument d;
  d.Data.AddTextW(u"ab", 0, 1);
  d.Data.AddTextW(u"cd", 0, -1);
  // "X" starts a paragraph in style 0 between "ab" and "cd", which now
  // continues X's paragraph and takes its style.
  int index = 1;
  ASSERT_TRUE(Insert(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n5800\r\n", index));
  ASSERT_EQ(d.Data.ItemCount(), 3);
  EXPECT_TRUE(d.Data.IsParaStart(1));
  EXPECT_FALSE(d.Data.IsParaStart(2));
  EXPECT_EQ(d.Data.GetItemPara(1), 0);
  EXPECT_EQ(d.Data.GetItemPara(2), 0);
  EXPECT_EQ(d.Data.GetItemPara(0), 1);
}

TEST(LTFReaderBounds, OutOfRangeHeaderFieldsAreCorrectedWithAWarning) {
  TLTDocument d;
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n6100\r\n0 1 -5 8 3 0\r\n6200\r\n"));
  EXPECT_EQ(d.Data.GetItemPara(1), 0);
  EXPECT_TRUE(d.Data.IsParaStart(1));
  EXPECT_EQ(d.Context.LTFWarnings, TLTFWarnings{ltfwBadParaNo});
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n6100\r\n0 1 0 28 3 0\r\n6200\r\n"));
  EXPECT_EQ(d.Data.GetItem(1).ItemFlags, ltifWide | ltifNewLine);  // 28 is 16 + 8 + 4
  EXPECT_EQ(d.Context.LTFWarnings, TLTFWarnings{ltfwBadFlags});
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n0 1 0 8 3 0\r\n6100\r\n0 1 -1 15 3 0\r\n6200\r\n"));
  EXPECT_EQ(d.Context.LTFWarnings, TLTFWarnings());
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n0 1 -1 8 3 0\r\n6100\r\n"));  // -1 is a paragraph's continuation
  EXPECT_EQ(d.Context.LTFWarnings, TLTFWarnings());
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 -1 3 0\r\n6100\r\n"));
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 8 4 0\r\n6100\r\n"));
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 -1 0 8 3 0\r\n6100\r\n"));
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n0 1 0 8 3\r\n6100\r\n"));  // a field short
}

/// A host's control: a class name and a size.
class TTestControl : public TLTControl {
 public:
  std::string_view ClassName() const override { return "TTestEdit"; }
  int Width() const override { return 120; }
  int Height() const override { return 30; }
  void SetWidth(int) override {}
  void SetSize(int, int) override {}
  bool Visible() const override { return visible_; }
  void SetVisible(bool v) override { visible_ = v; }
  bool CanFocus() const override { return true; }

 private:
  bool visible_ = true;
};

TEST(LTFReaderBounds, AControlTheHostCannotSupplyIsKeptAndWrittenBackUnchanged) {
  for (TLTFOptions options : {LTEditorLTFOptions, LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary}}) {
    TLTDocument host;
    host.Context.OnLTFControlNeeded = [](const TLTString&, const TLTTag&) { return std::make_unique<TTestControl>(); };
    host.Data.AddTextW(u"before", 0, 0);
    auto item = std::make_unique<TLTControlItemInfo>();
    item->Control = std::make_unique<TTestControl>();
    item->Resizable = true;
    host.Data.AddItem("edit", std::move(item));
    host.Data.AddTextW(u"after", 0, -1);
    const std::string stored = Save(host, options);

    TLTDocument viewer;  // supplies no control
    ASSERT_TRUE(Load(viewer, stored, options)) << viewer.Context.LTFError;
    EXPECT_EQ(viewer.Context.LTFWarnings, TLTFWarnings{ltfwBadControl});
    ASSERT_EQ(viewer.Data.ItemCount(), 3);
    const auto& kept = viewer.Data.CheckItemClass<TLTControlItemInfo>(1);
    EXPECT_EQ(kept.Control, nullptr);
    EXPECT_EQ(kept.GetImageWidth(nullptr), 120);
    EXPECT_EQ(kept.GetImageHeight(nullptr), 30);
    EXPECT_EQ(Save(viewer, options), stored);
    // A copy keeps it too, as copying and undo do.
    auto copy = CloneItem(kept);
    EXPECT_TRUE(copy->GetBoolValue(iqHasContent));
    EXPECT_EQ(copy->GetImageWidth(nullptr), 120);

    // The host reads the same bytes into its own control.
    TLTDocument again;
    again.Context.OnLTFControlNeeded = host.Context.OnLTFControlNeeded;
    ASSERT_TRUE(Load(again, Save(viewer, options), options));
    EXPECT_NE(again.Data.CheckItemClass<TLTControlItemInfo>(1).Control, nullptr);
    EXPECT_EQ(again.Context.LTFWarnings, TLTFWarnings());

    // Left out when asked to ignore what cannot be made.
    TLTDocument ignoring;
    ASSERT_TRUE(Load(ignoring, stored, options | TLTFOptions{ltfoIgnoreUnknownCtrls}));
    EXPECT_EQ(ignoring.Data.ItemCount(), 2);
  }
}

TEST(LTFReaderBounds, AKeptControlWithoutItsSizeTakesAPlaceholderBox) {
  // A stored component with no properties, and one whose data is not a
  // component at all past its signature: both are kept byte for byte.
  const TLTFOptions options{ltfoSaveControlsBody};
  for (const std::string& hex : {std::string("5450463009545465737445646974000000"), std::string("54504630FF")}) {
    const std::string stream = "-8 1 3 1\r\n-5 3 0 0 0 0 0\r\nedit\r\nTTestEdit\r\n" + hex + "\r\n";
    TLTDocument d;
    ASSERT_TRUE(Load(d, stream, options));
    const auto& kept = d.Data.CheckItemClass<TLTControlItemInfo>(0);
    EXPECT_EQ(kept.GetImageWidth(nullptr), 100);
    EXPECT_EQ(kept.GetImageHeight(nullptr), 24);
    EXPECT_EQ(Save(d, options), stream);
  }
  TLTDocument d;
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n-5 3 0 0 0 0 0\r\nedit\r\nTTestEdit\r\n58585858\r\n"));  // no signature
}

TEST(LTFReaderBounds, ReadsThatWouldOutgrowTheirInputStopWithAReason) {
  // Empty paragraphs cost an item each for two bytes of input.
  std::string empty = "-8 1 3 1\r\n0 2000000 0 8 3 0\r\n";
  empty += std::string(2 * 2000000, '\n');
  TLTDocument d;
  EXPECT_FALSE(Load(d, empty));
  EXPECT_EQ(d.Context.LTFError, std::string(LTOutOfBudgetMessage) + " (record at byte 10)");
  EXPECT_LT(d.Data.ItemCount(), 400000);
  // The same paragraphs in a larger input are read.
  TLTDocument fewer;
  ASSERT_TRUE(Load(fewer, "-8 1 3 1\r\n0 3 0 8 3 0\r\n\n\n\n")) << fewer.Context.LTFError;
  EXPECT_EQ(fewer.Data.ItemCount(), 3);
  EXPECT_EQ(fewer.Context.LTFError, "");
}

TEST(LTFReaderBounds, DamageIsReportedWithTheRecordWhereItIs) {
  TLTDocument d;
  const std::string good = "-8 1 3 1\r\n0 1 0 8 3 0\r\n7800\r\n";
  EXPECT_FALSE(Load(d, good + "-77 0 0 0 0 0 \r\n"));
  EXPECT_EQ(d.Context.LTFError, "damaged record at byte " + IntToStr(static_cast<int64_t>(good.size())));
  ASSERT_TRUE(Load(d, good));
  EXPECT_EQ(d.Context.LTFError, "");
  int index = 0;
  EXPECT_FALSE(Insert(d, "0 1 0 0 0\r\nx\r\n0 5 0", index));
  EXPECT_EQ(d.Context.LTFError, "damaged record at byte 14");
}

TEST(LTFReaderBounds, StyleNamesFindTheFirstStyleOfThatName) {
  TLTDocument d;
  d.Style.TextStyles()[2].StyleName = u"Twin";
  d.Style.TextStyles()[4].StyleName = u"Twin";
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n\"Twin\" 1 0 8 3 0\r\n7800\r\n\"None\" 1 \"Centered\" 8 3 0\r\n7800\r\n"));
  EXPECT_EQ(d.Data.GetItem(0).StyleNo, 2);
  EXPECT_EQ(d.Data.GetItem(1).StyleNo, 0);
  EXPECT_EQ(d.Data.GetItem(1).ParaNo, 1);
  // Names looked up before stored styles replace the sheet's are looked up
  // again after: a checkpoint names a paragraph style, the stored styles
  // rename another one, and an item uses the new name.
  TLTDocument source;
  source.Style.ParaStyles()[1].StyleName = u"Middle";
  source.Data.AddTextW(u"x", 0, 0);
  std::string saved = Save(source, TLTFOptions{ltfoSaveParaStyles});
  saved = saved.substr(saved.find("\r\n") + 2);
  const std::string stream =
      "-8 1 3 1\r\n-2 1 \"Centered\" 0 0 0\r\ncp\r\n" + saved + "0 1 \"Middle\" 8 3 0\r\n7800\r\n";
  ASSERT_TRUE(Load(d, stream)) << d.Context.LTFError;
  EXPECT_EQ(d.Style.ParaStyles()[1].StyleName, u"Middle");
  EXPECT_EQ(d.Data.GetItemPara(d.Data.ItemCount() - 1), 1);
}

}  // namespace
}  // namespace lectern
