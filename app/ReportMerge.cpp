#include "app/ReportMerge.h"

#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"
#include "items/LTNote.h"
#include "table/LTTable.h"

#include <exception>

namespace lectern {

const char16_t* const LTFieldNames[6] = {u"Country",     u"Capital", u"CallingCode",
                                         u"Description", u"Cities",  u"Demographics"};

namespace {

constexpr char16_t kFieldSeparator = u'|';

/// The text of a tag for building a new string tag from it.
TLTString TagText(const TLTTag& tag) {
  if (const TLTString* s = tag.String()) return *s;
  return tag.Int() != 0 ? Utf8ToUtf16(IntToStr(tag.Int())) : TLTString();
}

bool IsMarker(const TCustomLTItemInfo& item) { return item.StyleNo == ltikMarker; }

}  // namespace

int FindOrAddCodeStyle(TLTCodeStyleKind kind, TLTStyle& sheet) {
  TFontInfo wanted;
  wanted.FontName = u"Arial";
  wanted.Size = 10;
  switch (kind) {
    case ltcsValue:
      break;
    case ltcsCountry:
      wanted.Size = 12;
      wanted.Style.Include(fsBold);
      break;
    case ltcsFieldCode:
      wanted.Color = 0x0000FFFF;  // yellow
      wanted.BackColor = 0;       // black
      wanted.Protection = {ltprStyleProtect, ltprModifyProtect, ltprConcateProtect, ltprDoNotAutoSwitch};
      break;
  }
  TFontInfos& styles = sheet.TextStyles();
  const int found = styles.FindEqualStyle(0, wanted, LTAllFontInfoProperties);
  if (found >= 0) return found;
  TFontInfo& added = styles.Add();
  added.Assign(wanted);
  added.Standard = false;
  return styles.Count() - 1;
}

bool GetFieldName(const TLTTag& tag, TLTString& name) {
  const TLTString* s = tag.String();
  if (!s) return false;
  const size_t p = s->find(kFieldSeparator);
  if (p == TLTString::npos) return false;
  name = s->substr(0, p);
  return true;
}

void TagContent(const TLTString& name, TCustomLTData& data) {
  const TLTString prefix = name + kFieldSeparator;
  for (int i = 0; i < data.ItemCount(); ++i)
    data.SetItemTag(i, TLTTag::FromString(prefix + TagText(data.GetItemTag(i))));
}

// ---- TLTReportMerge ---------------------------------------------------------------------

TLTReportMerge::TLTReportMerge(TLTStyle& sheet, TLTDataTable* table) : sheet_(sheet), table_(table) {
  // Field contents hold tables, notes, labels and numbered fields.
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  scratchContext_.Style = &sheet_;
  scratchContext_.Options.Include(ltoTagsArePChars);
  // Without style records the stream's style numbers are the sheet's own,
  // which is what the template it goes into uses too.
  scratchContext_.LTFOptions = {ltfoSavePicturesBody, ltfoSaveControlsBody, ltfoSaveBinary};
  scratch_.SetContext(&scratchContext_);
}

TLTReportMerge::~TLTReportMerge() = default;

void TLTReportMerge::AddProblem(const TLTString& name, const std::string& what) {
  Problems.push_back("field \"" + Utf16ToUtf8(name) + "\": " + what);
}

std::unique_ptr<TLTMemoryStream> TLTReportMerge::BuildFieldContent(const TLTString& name) {
  try {
    scratch_.Clear();
    auto stream = std::make_unique<TLTMemoryStream>();
    if (!CodesView) {
      if (!table_) throw EDatabaseError("Data table is not open");
      TLTDataField& field = table_->FieldByName(Utf16ToUtf8(name));
      if (field.IsString()) {
        const auto kind = name == u"Country" ? ltcsCountry : ltcsValue;
        scratch_.AddTextW(field.AsWideString(), FindOrAddCodeStyle(kind, sheet_), 0);
      } else if (field.IsBlob()) {
        field.SaveToStream(*stream);
        stream->SetPosition(0);
        int index = 0;
        // A stored document that cannot be read leaves what was read, or
        // nothing; either way the field still shows something below.
        if (!scratch_.InsertLTFAt(*stream, index) && stream->Size() > 0)
          AddProblem(name, "the stored document could not be read (" + scratchContext_.LTFError + ")");
      } else {
        throw ELecternError("Unsupported field type");
      }
    }
    if (scratch_.ItemCount() == 0 ||
        (scratch_.ItemCount() == 1 && scratch_.GetItem(0).IsText() && scratch_.GetItem(0).Text.empty())) {
      scratch_.Clear();
      scratch_.AddTextW(name, FindOrAddCodeStyle(ltcsFieldCode, sheet_), 0);
    }
    TagContent(name, scratch_);
    stream->Clear();
    if (!scratch_.SaveLTFToStream(*stream)) throw ELecternError("the content could not be stored");
    stream->SetPosition(0);
    return stream;
  } catch (const std::exception& e) {
    AddProblem(name, e.what());
    return nullptr;
  }
}

void TLTReportMerge::MergeRecord(TCustomLTData& data) {
  Problems.clear();
  MergeContainer(data);
}

void TLTReportMerge::MergeContainer(TCustomLTData& data) {
  TLTString name;
  for (int i = data.ItemCount() - 1; i >= 0; --i) {
    if (GetFieldName(data.GetItemTag(i), name)) {
      // A run is every neighbouring item of the same field, whatever its own
      // tag: a content with a hyperlink in it must come out whole, or the
      // next merge would insert the field once per stretch of equal tags.
      const int last = i;
      TLTString other;
      while (i > 0 && GetFieldName(data.GetItemTag(i - 1), other) && other == name) --i;
      // The walk goes on below whatever now stands where the run began.
      i = ReplaceRun(data, i, last, name);
      continue;
    }
    std::unique_ptr<TLTSubDocCursor> cursor;
    TCustomLTItemInfo& item = data.GetItem(i);
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext))
      MergeContainer(*d);
  }
}

int TLTReportMerge::ReplaceRun(TCustomLTData& data, int first, int last, const TLTString& name) {
  const TCustomLTItemInfo& runStart = data.GetItem(first);
  const int32_t paraNo = runStart.ParaNo;
  const bool joinPrev = runStart.HasFlag(ltifJoinPrev);
  const bool newLine = runStart.HasFlag(ltifNewLine);
  const bool newPage = runStart.HasFlag(ltifNewPage);

  std::unique_ptr<TLTMemoryStream> stream = BuildFieldContent(name);
  if (!stream) return first;

  // The content goes in before the run, and the run goes only once the
  // content is in: a failed read must not cost the template its field.
  const int before = data.ItemCount();
  int index = first;
  const bool ok = data.InsertLTFAt(*stream, index);
  const int inserted = data.ItemCount() - before;
  if (!ok || inserted <= 0) {
    data.DeleteItems(first, inserted);
    AddProblem(name, "the content could not be inserted");
    return first;
  }
  data.DeleteItems(first + inserted, last - first + 1);

  const int prev = first - 1;
  if (prev >= 0 && IsMarker(data.GetItem(prev)) && IsMarker(data.GetItem(first))) data.DeleteItems(first, 1);
  if (first >= data.ItemCount()) return first;

  // The content's first paragraph takes the place of the run's: its
  // paragraph style, and how it joined what stood before it.
  for (int k = first; k < data.ItemCount(); ++k) {
    TCustomLTItemInfo& item = data.GetItem(k);
    if (k == first) {
      if (item.GetBoolValue(iqFullLine)) {
        if (prev >= 0 && IsMarker(data.GetItem(prev))) {
          data.DeleteItems(prev, 1);
          first = prev;
        }
        break;
      }
      item.SetFlag(ltifNewLine, false);
      item.SetJoinPrev(joinPrev);
      if (!joinPrev) {
        if (newPage) item.SetNewPage(true);
        if (newLine && !newPage) item.SetNewLine(true);
      }
    } else if (item.StartsParagraph()) {
      break;
    }
    item.ParaNo = paraNo;
  }
  return first;
}

}  // namespace lectern
