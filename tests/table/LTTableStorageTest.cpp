// A table's stored form at its limits: nested tables written once per level,
// the older form with every level in hexadecimal, grids that claim more than
// their bytes describe, and the cell properties that travel with it.

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "table/LTTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace lectern {
namespace {

const TLTFOptions kText = LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary};

std::string Save(TLTDocument& d, TLTFOptions options) {
  d.Context.LTFOptions = options;
  TLTMemoryStream m;
  EXPECT_TRUE(d.Data.SaveLTFToStream(m));
  return m.Data();
}

bool Load(TLTDocument& d, const std::string& bytes) {
  RegisterTableItemKind();
  d.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream m(bytes);
  return d.Data.LoadLTFFromStream(m);
}

/// Tables nested depth deep, one cell each, the innermost holding text.
void Nest(TLTDocument& d, int depth) {
  RegisterTableItemKind();
  TCustomLTData* into = &d.Data;
  for (int level = 0; level < depth; ++level) {
    auto t = std::make_unique<TLTTableItemInfo>(1, 1);
    TLTTableCellData* cell = t->Cells(0, 0);
    into->AddItem({}, std::move(t));
    cell->Clear();
    into = cell;
  }
  into->AddTextW(u"core", 0, 0);
}

TEST(LTTableStorage, NestedTablesGrowByTheSameBytesPerLevelInBothForms) {
  for (TLTFOptions options : {LTEditorLTFOptions, kText}) {
    std::vector<size_t> sizes;
    for (int depth : {1, 2, 24}) {
      TLTDocument d;
      Nest(d, depth);
      sizes.push_back(Save(d, options).size());
    }
    const size_t perLevel = sizes[1] - sizes[0];
    // The text form encodes the outer table's stream once: every level
    // inside adds the same, whatever the depth.
    EXPECT_EQ(sizes[2], sizes[0] + 23 * perLevel) << "text form: " << !options.Contains(ltfoSaveBinary);
    EXPECT_LT(perLevel, 400u);
  }
}

TEST(LTTableStorage, SixtyFourLevelsWriteAndReadBackAtOnce) {
  TLTDocument d;
  Nest(d, LTFMaxNesting);
  const auto start = std::chrono::steady_clock::now();
  const std::string text = Save(d, kText);
  TLTDocument copy;
  ASSERT_TRUE(Load(copy, text)) << copy.Context.LTFError;
  EXPECT_EQ(Save(copy, kText), text);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(copy.Data.GetPlainText(0), d.Data.GetPlainText(0));
}

// A table record whose cell document is stored as the writer gave it: the
// older form wrote cells in the form of the whole document.
std::string TableRecordWithCell(const std::string& cellDocument) {
  std::string stream(LTComponentSignature);
  TLTPropWriter w(stream);
  w.WriteShortString("TLTTableSW");
  w.WriteShortString("");
  w.WriteShortString("C");
  w.WriteInteger(1);
  w.WriteInteger(1);
  w.WriteListBegin();
  w.WriteInteger(1);
  w.WriteInteger(1);
  w.WriteShortString("TD");
  w.WriteShortString("");
  w.WriteShortString("C.Data");
  w.WriteBinary(cellDocument);
  w.WriteListEnd();  // the cell's properties
  w.WriteListEnd();  // its children
  w.WriteListEnd();  // the cell list
  w.WriteListEnd();  // the wrapper's properties
  w.WriteListEnd();  // its children
  std::string hex;
  for (unsigned char c : stream) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
  return "-60 3 0 0 0 0 \r\n\r\n1\r\n" + hex + "\r\n";
}

TEST(LTTableStorage, CellsStoredInTheTextFormAreStillRead) {
  TLTDocument inner;
  inner.Data.AddTextW(u"old", 0, 0);
  const std::string cell = Save(inner, TLTFOptions{});  // hexadecimal wide text
  ASSERT_NE(cell.find("0 1 0 8 3 0"), std::string::npos);
  TLTDocument d;
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n" + TableRecordWithCell(cell))) << d.Context.LTFError;
  EXPECT_EQ(d.Data.CheckItemClass<TLTTableItemInfo>(0).Cells(0, 0)->GetPlainText(0), u"old");
  // Written again, the cell is in the compact form inside the text form.
  const std::string again = Save(d, kText);
  EXPECT_EQ(again.find("7E004F"), std::string::npos);
  TLTDocument back;
  ASSERT_TRUE(Load(back, again));
  EXPECT_EQ(back.Data.CheckItemClass<TLTTableItemInfo>(0).Cells(0, 0)->GetPlainText(0), u"old");
}

TEST(LTTableStorage, AGridLargerThanItsCellsFailsWithoutBuildingIt) {
  // 2048 x 2048 slots and one cell: the list ends while cells are expected.
  std::string stream(LTComponentSignature);
  TLTPropWriter w(stream);
  w.WriteShortString("TLTTableSW");
  w.WriteShortString("");
  w.WriteShortString("C");
  w.WriteInteger(2048);
  w.WriteInteger(2048);
  w.WriteListBegin();
  w.WriteInteger(1);
  w.WriteInteger(1);
  w.WriteShortString("TD");
  w.WriteShortString("");
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();
  std::string hex;
  for (unsigned char c : stream) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
  TLTDocument d;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Load(d, "-8 1 3 1\r\n-60 3 0 0 0 0 \r\n\r\n1\r\n" + hex + "\r\n"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(d.Context.LTFError, "a table could not be read: Wrong end of cells list (record at byte 10)");

  // The same single cell spanning the whole grid is a table.
  std::string spanning = stream;
  const std::string one = std::string("\x02\x01\x02\x01", 4);
  const std::string whole = std::string("\x03\x00\x08\x03\x00\x08", 6);
  spanning.replace(spanning.find(one), one.size(), whole);
  hex.clear();
  for (unsigned char c : spanning) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
  ASSERT_TRUE(Load(d, "-8 1 3 1\r\n-60 3 0 0 0 0 \r\n\r\n1\r\n" + hex + "\r\n")) << d.Context.LTFError;
  const auto& t = d.Data.CheckItemClass<TLTTableItemInfo>(0);
  EXPECT_EQ(t.NumRows(), 2048);
  EXPECT_EQ(t.Cells(0, 0)->RowsSpanned, 2048);
  EXPECT_EQ(t.Cells(2047, 2047), nullptr);
  int mr = -1, mc = -1;
  EXPECT_EQ(t.GetMainCell(2047, 2047, mr, mc), t.Cells(0, 0));
}

TEST(LTTableStorage, SpansMayNotOverlapOrLeaveTheGrid) {
  TLTDocument d;
  RegisterTableItemKind();
  auto t = std::make_unique<TLTTableItemInfo>(2, 3);
  t->MergeRect(0, 1, 2, 2, false);  // a 2 x 2 cell at (0, 1)
  d.Data.AddItem({}, std::move(t));
  const std::string hexForm = Save(d, kText);
  TLTDocument copy;
  ASSERT_TRUE(Load(copy, hexForm));
  EXPECT_EQ(copy.Data.CheckItemClass<TLTTableItemInfo>(0).Cells(1, 1), nullptr);
  // The first cell's spans, then its class name: columns 1 (02 01), rows 1, "TD".
  const size_t at = hexForm.find("02010201025444");
  ASSERT_NE(at, std::string::npos);
  for (const char* bad : {"02030201025444",     // three columns: the cell at (0,1) no longer fits
                          "02010203025444",     // three rows in a grid of two
                          "02000201025444"}) {  // no columns
    std::string damaged = hexForm;
    damaged.replace(at, 14, bad);
    EXPECT_FALSE(Load(copy, damaged)) << bad;
  }
}

TEST(LTTableStorage, ACellsBackgroundFileNameTravelsWithIt) {
  TLTDocument d;
  RegisterTableItemKind();
  auto t = std::make_unique<TLTTableItemInfo>(1, 2);
  t->Cells(0, 1)->BackgroundImageFileName = u"Zürich.png";
  d.Data.AddItem({}, std::move(t));
  for (TLTFOptions options : {LTEditorLTFOptions, kText}) {
    const std::string saved = Save(d, options);
    TLTDocument copy;
    ASSERT_TRUE(Load(copy, saved));
    const auto& u = copy.Data.CheckItemClass<TLTTableItemInfo>(0);
    EXPECT_EQ(u.Cells(0, 1)->BackgroundImageFileName, u"Zürich.png");
    EXPECT_EQ(u.Cells(0, 0)->BackgroundImageFileName, u"");
    EXPECT_EQ(Save(copy, options), saved);
  }
}

/// An item that counts what it hears after loading, and checks that it is
/// part of the document by then.
class TCountingItem : public TLTRectItemInfo {
 public:
  static constexpr int32_t kKind = -152;
  static inline int Calls = 0;
  TCountingItem() { StyleNo = kKind; }
  void Inserted(TCustomLTData& owner, int itemNo) override {
    Owner = &owner;
    TLTRectItemInfo::Inserted(owner, itemNo);
  }
  void AfterLoading(TLTSaveFormat format) override {
    EXPECT_EQ(format, ltsfLTF);
    ASSERT_NE(Owner, nullptr);
    EXPECT_TRUE(Owner->IsAttached());
    ++Calls;
  }
  TCustomLTData* Owner = nullptr;
};

TEST(LTTableStorage, ItemsInCellsHearAfterLoadingOnceTheirTableIsPlaced) {
  static const TLTItemClass kCounting{"TCountingItem",
                                      [] { return std::unique_ptr<TCustomLTItemInfo>(new TCountingItem); }};
  RegisterItemKind(TCountingItem::kKind, kCounting);
  TLTDocument d;
  Nest(d, 2);
  auto& outer = d.Data.CheckItemClass<TLTTableItemInfo>(0);
  auto& inner = outer.Cells(0, 0)->CheckItemClass<TLTTableItemInfo>(0);
  inner.Cells(0, 0)->AddItem({}, std::make_unique<TCountingItem>());
  outer.Cells(0, 0)->AddItem({}, std::make_unique<TCountingItem>());
  d.Data.AddItem({}, std::make_unique<TCountingItem>());
  const std::string saved = Save(d, LTEditorLTFOptions);
  TCountingItem::Calls = 0;
  TLTDocument copy;
  ASSERT_TRUE(Load(copy, saved)) << copy.Context.LTFError;
  EXPECT_EQ(TCountingItem::Calls, 3);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

/// The kept crash and hostile inputs, read with tables known (the model's
/// own replay has no tables): each loads or fails cleanly, and what loads
/// writes, loads and writes again to the same bytes.
TEST(LTTableStorage, KeptHostileInputsStayHarmlessWithTables) {
  const std::filesystem::path dir = std::filesystem::path(LECTERN_TEST_DATA) / "crash" / "ltf";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(entry.path().string(), bytes));
    ++files;
    TLTDocument d;
    const bool loaded = Load(d, bytes.substr(1));
    EXPECT_EQ(loaded, d.Context.LTFError.empty()) << d.Context.LTFError;
    const std::string first = Save(d, LTEditorLTFOptions);
    TLTDocument again;
    ASSERT_TRUE(Load(again, first)) << again.Context.LTFError;
    EXPECT_EQ(Save(again, LTEditorLTFOptions), first);
  }
  EXPECT_GE(files, 9);
}

}  // namespace
}  // namespace lectern
