// Merges arbitrary bytes, as the stored document of a large-object field,
// into a template with every kind of field place (running text, a list, a
// table cell), normalizes, and checks the paragraph rules, that merging
// the record again changes nothing and that going back to the codes gives
// the template back byte for byte.

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "items/LTNote.h"
#include "table/LTTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace lectern;

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

void Field(TCustomLTData& d, TLTStyle& sheet, const char16_t* name, int32_t paraNo) {
  d.AddTextW(name, FindOrAddCodeStyle(ltcsFieldCode, sheet), paraNo, TLTTag::FromString(TLTString(name) + u"|"));
}

/// The rules the pass promises, in data and every cell.
void CheckParagraphs(TCustomLTData& d) {
  for (int i = 0; i < d.ItemCount(); ++i) {
    TCustomLTItemInfo& it = d.GetItem(i);
    const bool marker = it.StyleNo == ltikMarker;
    if ((i == 0 || it.GetBoolValue(iqFullLine) || marker || d.GetItem(i - 1).GetBoolValue(iqFullLine)) &&
        !it.StartsParagraph())
      std::abort();
    if (marker && (i + 1 >= d.ItemCount() || d.GetItem(i + 1).StartsParagraph())) std::abort();
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* sub = it.GetSubDocument(cursor, ltsdFirst); sub; sub = it.GetSubDocument(cursor, ltsdNext))
      CheckParagraphs(*sub);
  }
}

std::string Save(TLTDocument& d) {
  TLTMemoryStream m;
  if (!d.Data.SaveLTFToStream(m)) std::abort();
  return m.Data();
}

/// The items alone: a merge only appends styles, so their numbers compare.
std::string Items(TLTDocument& d) {
  const TLTFOptions kept = d.Context.LTFOptions;
  d.Context.LTFOptions = {ltfoSavePicturesBody, ltfoSaveControlsBody, ltfoSaveBinary};
  std::string bytes = Save(d);
  d.Context.LTFOptions = kept;
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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

  TOneRecord record(std::string(reinterpret_cast<const char*>(data), size));
  TLTReportMerge merge(doc.Style, &record);
  merge.CodesView = false;
  merge.MergeRecord(d);
  NormalizeDocument(d);
  CheckParagraphs(d);
  (void)d.GetPlainText(0);
  Save(doc);
  // The same record again changes nothing.
  const std::string report = Items(doc);
  merge.MergeRecord(d);
  NormalizeDocument(d);
  if (Items(doc) != report) std::abort();

  // Back to the codes: every field place shows its name again.
  merge.CodesView = true;
  merge.MergeRecord(d);
  NormalizeDocument(d);
  CheckParagraphs(d);
  const std::string codes = Save(doc);
  // Whatever the value held, the template is back byte for byte.
  if (Items(doc) != template0) std::abort();
  TLTDocument again;
  again.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream in(codes);
  if (!again.Data.LoadLTFFromStream(in)) std::abort();
  return 0;
}
