#pragma once
// The merge's round trip for any stored value: the value, as the stored
// document of a large-object field, merged into a template with every kind
// of field place (running text, beside another field, a list item, a table
// cell, a paragraph of its own). The report must keep the paragraph rules,
// merging the record again must change nothing, and going back to the
// codes must give the template back byte for byte. The merge fuzzer runs
// it on arbitrary bytes; the tests replay what it found.

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "table/LTTable.h"

#include <string>

namespace lectern::testing {

/// One record in memory: Country is text, Notes holds the bytes.
class TOneRecord : public TLTDataTable {
 public:
  explicit TOneRecord(std::string notes)
      : country_("Country", ltftString, "Chile"), notes_("Notes", ltftBlob, std::move(notes)) {}
  void Open() override {}
  void Close() override {}
  bool Active() const override { return true; }
  int RecordCount() const override { return 1; }
  int RecNo() const override { return 1; }
  void SetRecNo(int) override {}
  void Next() override {}
  bool Eof() const override { return false; }
  int FieldCount() const override { return 2; }
  TLTDataField& Field(int index) override { return index == 0 ? static_cast<TLTDataField&>(country_) : notes_; }
  TLTDataField* FindField(std::string_view name) override {
    return name == "Country" ? &country_ : name == "Notes" ? &notes_ : nullptr;
  }

 private:
  struct TValue : TLTDataField {
    TValue(std::string name, TLTFieldType type, std::string value)
        : name_(std::move(name)), type_(type), value_(std::move(value)) {}
    const std::string& FieldName() const override { return name_; }
    TLTFieldType DataType() const override { return type_; }
    bool IsNull() const override { return false; }
    std::string AsString() const override { return value_; }
    void SaveToStream(TLTStream& s) const override { s.WriteBytes(value_); }
    std::string name_;
    TLTFieldType type_;
    std::string value_;
  };
  TValue country_, notes_;
};

inline void Field(TCustomLTData& d, TLTStyle& sheet, const char16_t* name, int32_t paraNo) {
  d.AddTextW(name, FindOrAddCodeStyle(ltcsFieldCode, sheet), paraNo, TLTTag::FromString(TLTString(name) + u"|"));
}

/// The rules the pass promises, in data and every cell: false when one is
/// broken.
inline bool ParagraphsHold(TCustomLTData& d) {
  for (int i = 0; i < d.ItemCount(); ++i) {
    TCustomLTItemInfo& it = d.GetItem(i);
    const bool marker = it.StyleNo == ltikMarker;
    if ((i == 0 || it.GetBoolValue(iqFullLine) || marker || d.GetItem(i - 1).GetBoolValue(iqFullLine)) &&
        !it.StartsParagraph())
      return false;
    if (marker && (i + 1 >= d.ItemCount() || d.GetItem(i + 1).StartsParagraph())) return false;
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* sub = it.GetSubDocument(cursor, ltsdFirst); sub; sub = it.GetSubDocument(cursor, ltsdNext))
      if (!ParagraphsHold(*sub)) return false;
  }
  return true;
}

inline std::string Save(TLTDocument& d) {
  TLTMemoryStream m;
  d.Data.SaveLTFToStream(m);
  return m.Data();
}

/// The items alone: a merge only appends styles, so their numbers compare.
inline std::string Items(TLTDocument& d) {
  const TLTFOptions kept = d.Context.LTFOptions;
  d.Context.LTFOptions = {ltfoSavePicturesBody, ltfoSaveControlsBody, ltfoSaveBinary};
  std::string bytes = Save(d);
  d.Context.LTFOptions = kept;
  return bytes;
}

/// What is wrong with the round trip of value; empty when nothing is.
inline std::string MergeRoundTripProblem(std::string value) {
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  TLTDocument doc;
  doc.Context.LTFOptions = LTEditorLTFOptions;
  TLTListInfo& list = doc.Style.ListStyles().Add();
  list.Levels.Add().ListType = ltlstDecimal;
  TCustomLTData& d = doc.Data;
  d.AddTextW(u"About ", 0, 1);
  Field(d, doc.Style, u"Country", -1);
  Field(d, doc.Style, u"Notes", -1);
  d.AddTextW(u" and more", 0, -1);
  d.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
  Field(d, doc.Style, u"Notes", -1);
  auto table = std::make_unique<TLTTableItemInfo>(1, 1);
  TLTTableItemInfo& t = *table;
  d.AddItem({}, std::move(table));
  t.Cells(0, 0)->Clear();
  Field(*t.Cells(0, 0), doc.Style, u"Notes", 0);
  Field(d, doc.Style, u"Notes", 0);

  NormalizeDocument(d);
  const std::string template0 = Items(doc);

  TOneRecord record(std::move(value));
  TLTReportMerge merge(doc.Style, &record);
  merge.CodesView = false;
  merge.MergeRecord(d);
  NormalizeDocument(d);
  if (!ParagraphsHold(d)) return "the report breaks a paragraph rule";
  (void)d.GetPlainText(0);
  Save(doc);
  // The same record again changes nothing, when the value could be read:
  // what a damaged one gives may depend on the styles the first read added.
  const std::string report = Items(doc);
  const bool readable = merge.Problems.empty();
  merge.MergeRecord(d);
  NormalizeDocument(d);
  if (readable && Items(doc) != report) return "merging the record again changed the report";

  // Back to the codes: every field place shows its name again.
  merge.CodesView = true;
  merge.MergeRecord(d);
  NormalizeDocument(d);
  if (!ParagraphsHold(d)) return "the codes break a paragraph rule";
  const std::string codes = Save(doc);
  // Whatever the value held, the template is back byte for byte.
  if (Items(doc) != template0) return "the codes are not the template's";
  TLTDocument again;
  again.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream in(codes);
  if (!again.Data.LoadLTFFromStream(in)) return "the codes do not read back";
  return {};
}

}  // namespace lectern::testing
