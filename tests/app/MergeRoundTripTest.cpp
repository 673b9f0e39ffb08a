// The merge as a round trip, over templates a generator builds and every
// record of the generated country table: a view switch never changes the
// template. For each template,
//  - merging a record and going back to the codes gives the template back
//    byte for byte;
//  - merging record A and then B gives what merging B directly gives, and
//    merging B once more changes nothing;
//  - the report's text is the template's with each code replaced by its
//    value's text: nothing lost, doubled or out of order (compared without
//    white space, which paragraph and cell breaks add).

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "items/LTLabelItem.h"
#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tests/support/DocShape.h"
#include "tests/support/MergeRoundTrip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

namespace lectern {
namespace {

constexpr int kTemplates = 300;

/// Items of a template as the editor leaves them, built at random.
class TTemplateMaker {
 public:
  /// Words take text styles 0 to jump - 1, links the style jump.
  TTemplateMaker(TLTStyle& sheet, int32_t jump, uint32_t seed) : sheet_(sheet), jump_(jump), rng_(seed) {}

  void Fill(TCustomLTData& d, int depth = 0) {
    const int paragraphs = Pick(1, 6);
    for (int p = 0; p < paragraphs; ++p) {
      const int kind = Pick(0, 9);
      if (kind == 0 && depth < 2) {
        AddTable(d, depth);
      } else if (kind <= 2) {
        auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false);
        marker->ParaNo = Pick(0, 2);
        d.AddItemAsIs({}, std::move(marker));
        Pieces(d, true);
      } else {
        Pieces(d, false);
      }
    }
  }

 private:
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  void Add(TCustomLTData& d, const std::u16string& text, int32_t style, int32_t para, uint8_t flags,
           const TLTString& tag = {}) {
    auto item = ItemFactory(style);
    item->ParaNo = para;
    item->ItemFlags = flags;
    item->SetFlag(ltifWide, d.IsUnicodeStyle(style));
    if (!tag.empty()) item->Tag = TLTTag::FromString(tag);
    d.AddItemAsIs(d.IsUnicodeStyle(style) ? Utf16ToBytes(text) : Utf16ToUtf8(text), std::move(item));
  }

  /// One paragraph of words, links, labels and codes; joined is true after
  /// a list marker.
  void Pieces(TCustomLTData& d, bool joined) {
    static const char16_t* const kWords[] = {u"alpha ", u"beta", u", gamma ", u"delta", u" epsilon."};
    const int para = Pick(0, 2);
    const int pieces = Pick(1, 5);
    for (int k = 0; k < pieces; ++k) {
      uint8_t flags = (k > 0 || joined) ? ltifJoinPrev : 0;
      if (k == 0 && !joined && Pick(0, 9) == 0) flags |= ltifNewPage;
      if (k > 0 && Pick(0, 9) == 0) flags = ltifNewLine;
      switch (Pick(0, 7)) {
        case 0:
          // A link whose address holds the field separator is still a link.
          Add(d, u"link", jump_, para, flags,
              Pick(0, 1) ? u"https://fonts.example.org/css?family=Roboto|Open+Sans" : u"https://example.org/");
          break;
        case 1: {
          auto label = std::make_unique<TLTLabelItemInfo>();
          label->LabelText = u"label";
          label->ParaNo = para;
          label->ItemFlags = flags;
          d.AddItemAsIs({}, std::move(label));
          break;
        }
        case 2:
        case 3:
        case 4: {
          const TLTString name = LTFieldNames[Pick(0, 5)];
          Add(d, name, FindOrAddCodeStyle(ltcsFieldCode, sheet_), para, flags, name + u"|");
          // Twice in a row, with nothing between.
          if (Pick(0, 3) == 0)
            Add(d, name, FindOrAddCodeStyle(ltcsFieldCode, sheet_), para, ltifJoinPrev, name + u"|");
          break;
        }
        default:
          Add(d, kWords[Pick(0, 4)], Pick(0, jump_ - 1), para, flags);
      }
    }
  }

  void AddTable(TCustomLTData& d, int depth) {
    auto table = std::make_unique<TLTTableItemInfo>(Pick(1, 3), Pick(1, 3));
    TLTTableItemInfo& t = *table;
    d.AddItemAsIs({}, std::move(table));
    for (int r = 0; r < t.NumRows(); ++r)
      for (int c = 0; c < t.NumColumns(); ++c) {
        TLTTableCellData* cell = t.Cells(r, c);
        if (!cell) continue;
        cell->Clear();
        Fill(*cell, depth + 1);
      }
  }

  TLTStyle& sheet_;
  int32_t jump_;
  std::mt19937 rng_;
};

/// The document's items without style records: a merge only appends
/// styles, so the items' numbers can be compared as they are.
std::string Bytes(TLTDocument& doc) {
  doc.Context.LTFOptions = {ltfoSavePicturesBody, ltfoSaveControlsBody, ltfoSaveBinary};
  TLTMemoryStream m;
  EXPECT_TRUE(doc.Data.SaveLTFToStream(m));
  return m.TakeData();
}

void Load(TLTDocument& doc, const std::string& bytes) {
  doc.Data.Clear();
  doc.Context.LTFOptions = {ltfoSavePicturesBody, ltfoSaveControlsBody, ltfoSaveBinary};
  TLTMemoryStream m(bytes);
  ASSERT_TRUE(doc.Data.LoadLTFFromStream(m));
}

/// Every text item's text in document order, cells included, without white
/// space; a field code stands for its value (values: the field's text).
template <class F>
void Text(const TCustomLTData& d, std::u16string& out, F valueOf) {
  for (int i = 0; i < d.ItemCount(); ++i) {
    const TCustomLTItemInfo& item = d.GetItem(i);
    TLTString field;
    if (item.IsText()) {
      const TLTString text = d.GetItemTextW(i);
      const std::u16string piece = GetFieldName(item.Tag, field) && text == field ? valueOf(field) : text;
      for (char16_t c : piece)
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') out += c;
    }
    std::unique_ptr<TLTSubDocCursor> cursor;
    auto& it = const_cast<TCustomLTItemInfo&>(item);
    for (TCustomLTData* sub = it.GetSubDocument(cursor, ltsdFirst); sub; sub = it.GetSubDocument(cursor, ltsdNext))
      Text(*sub, out, valueOf);
  }
}

struct MergeRoundTripTest : ::testing::Test {
  TLTDocument Doc;
  TLTSQLiteTable Table;
  TLTReportMerge Merge{Doc.Style, &Table};
  int32_t Jump = 0;

  void SetUp() override {
    RegisterTableItemKind();
    RegisterSpecialItemKinds();
    const std::string db = std::string(LECTERN_BIN_DIR) + "/Terra.db";
    if (!std::filesystem::exists(db)) GTEST_SKIP() << "the generated table " << db << " is not built";
    Table.SetFileName(db);
    Table.Open();
    Doc.Style.ListStyles().Add().Levels.Add().ListType = ltlstDecimal;
    for (int p = 1; p <= 2; ++p) Doc.Style.ParaStyles().Add().SpaceBefore = p * 3;
    Doc.Style.TextStyles().Add().Style.Include(fsBold);
    TFontInfo& jump = Doc.Style.TextStyles().Add();
    jump.Jump = true;
    jump.Style.Include(fsUnderline);
    Jump = Doc.Style.TextStyles().Count() - 1;
  }
  void Show(int recNo) {
    Merge.CodesView = recNo == 0;
    if (recNo > 0) Table.SetRecNo(recNo);
    Merge.MergeRecord(Doc.Data);
    NormalizeDocument(Doc.Data);
  }
  /// The field's value for the current record, as text without the merge.
  std::u16string ValueText(const TLTString& name) {
    Merge.CodesView = false;
    std::unique_ptr<TLTMemoryStream> s = Merge.BuildFieldContent(name);
    if (!s) return u"?";
    TLTDocument value;
    value.Context.Style = &Doc.Style;
    value.Context.LTFOptions = {ltfoSavePicturesBody, ltfoSaveControlsBody, ltfoSaveBinary};
    if (!value.Data.LoadLTFFromStream(*s)) return u"?";
    std::u16string out;
    Text(value.Data, out, [](const TLTString& n) { return n; });
    return out;
  }
};

TEST_F(MergeRoundTripTest, EveryViewSwitchGivesTheTemplateBackAndReportsReadAsTheirValues) {
  const int records = Table.RecordCount();
  ASSERT_GT(records, 1);
  for (int k = 0; k < kTemplates; ++k) {
    SCOPED_TRACE("template " + std::to_string(k));
    Doc.Data.Clear();
    TTemplateMaker(Doc.Style, Jump, 1000u + static_cast<uint32_t>(k)).Fill(Doc.Data);
    NormalizeDocument(Doc.Data);
    const std::string codes = Bytes(Doc);
    const std::string shape = testing::Shape(Doc.Data, {true, true});
    NormalizeDocument(Doc.Data);
    ASSERT_EQ(Bytes(Doc), codes) << "the generated template is not as a view switch leaves one";

    // Every record is A for some template and B for another.
    const int a = k % records + 1, b = (k * 7 + 3) % records + 1;
    Show(a);
    Show(0);
    ASSERT_EQ(Bytes(Doc), codes) << "record " << a << " and back:\n"
                                 << shape << "\nbecame\n"
                                 << testing::Shape(Doc.Data, {true, true});

    Show(a);
    const std::string shapeA = testing::Shape(Doc.Data, {true, true});
    Show(b);
    const std::string viaA = Bytes(Doc), shapeB = testing::Shape(Doc.Data, {true, true});
    Show(b);
    ASSERT_EQ(Bytes(Doc), viaA) << "merging record " << b << " again changed the report";
    Load(Doc, codes);
    Show(b);
    ASSERT_EQ(Bytes(Doc), viaA) << "record " << a << " then " << b << " differs from " << b << " alone:\n"
                                << shape << "\nwith " << a << ":\n" << shapeA << "\nthen " << b << ":\n" << shapeB
                                << "\ndirectly:\n" << testing::Shape(Doc.Data, {true, true});

    std::u16string report, expected;
    Text(Doc.Data, report, [](const TLTString& n) { return n; });
    Load(Doc, codes);
    Table.SetRecNo(b);
    std::map<TLTString, std::u16string> values;
    Text(Doc.Data, expected, [&](const TLTString& n) {
      auto [at, added] = values.try_emplace(n);
      if (added) at->second = ValueText(n);
      return at->second;
    });
    ASSERT_EQ(Utf16ToUtf8(report), Utf16ToUtf8(expected)) << "record " << b;
  }
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

// What the merge fuzzer found, replayed: any stored value round-trips.
TEST(MergeRoundTripCrashes, EveryValueTheFuzzerFoundRoundTrips) {
  const std::filesystem::path dir = std::filesystem::path(LECTERN_TEST_DATA) / "crash" / "merge";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(entry.path().string(), bytes));
    EXPECT_EQ(testing::MergeRoundTripProblem(bytes), "") << entry.path().filename();
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace lectern
