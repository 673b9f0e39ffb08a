#include "app/ReportMerge.h"

#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"
#include "items/LTNote.h"
#include "table/LTTable.h"

#include <algorithm>
#include <exception>
#include <set>

namespace lectern {

const char16_t* const LTFieldNames[6] = {u"Country",     u"Capital", u"CallingCode",
                                         u"Description", u"Cities",  u"Demographics"};

namespace {

constexpr char16_t kFieldSeparator = u'|';
/// Stands after the field's name on the first item of a value that follows
/// another value of the same field.
constexpr char16_t kValueStartMark = u'+';

/// The text of a tag for building a new string tag from it.
TLTString TagText(const TLTTag& tag) {
  if (const TLTString* s = tag.String()) return *s;
  return tag.Int() != 0 ? Utf8ToUtf16(IntToStr(tag.Int())) : TLTString();
}

bool IsMarker(const TCustomLTItemInfo& item) { return item.StyleNo == ltikMarker; }
/// Items that always start a paragraph of their own.
bool StartsItsParagraph(const TCustomLTItemInfo& item) { return IsMarker(item) || item.GetBoolValue(iqFullLine); }

/// Field names the data sources opened so far brought.
std::set<TLTString>& RegisteredFieldNames() {
  static std::set<TLTString> names;
  return names;
}

/// Where a run stood in its paragraph: what its first item carried.
struct TRunPlace {
  int32_t ParaNo = 0;
  bool JoinPrev = false;
  bool NewLine = false;
  bool NewPage = false;
  bool AfterMarker = false;
  bool StartsParagraph() const { return !JoinPrev && !NewLine && !AfterMarker; }
};

TRunPlace PlaceOf(const TCustomLTData& data, int first) {
  const TCustomLTItemInfo& item = data.GetItem(first);
  TRunPlace place;
  place.ParaNo = item.ParaNo;
  place.JoinPrev = item.HasFlag(ltifJoinPrev);
  place.NewLine = item.HasFlag(ltifNewLine);
  place.NewPage = item.HasFlag(ltifNewPage);
  place.AfterMarker = first > 0 && IsMarker(data.GetItem(first - 1));
  return place;
}

/// Puts the first item of a content where the run stood.
void TakePlace(TCustomLTItemInfo& head, const TRunPlace& place) {
  head.ParaNo = place.ParaNo;
  head.SetFlag(ltifNewPage, place.NewPage);
  if (StartsItsParagraph(head)) return;
  head.SetFlag(ltifJoinPrev, place.JoinPrev);
  head.SetFlag(ltifNewLine, place.NewLine);
}

}  // namespace

void MakeCodeStyle(TLTCodeStyleKind kind, TFontInfo& wanted) {
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
}

int FindOrAddCodeStyle(TLTCodeStyleKind kind, TLTStyle& sheet) {
  TFontInfo wanted;
  MakeCodeStyle(kind, wanted);
  TFontInfos& styles = sheet.TextStyles();
  const int found = styles.FindEqualStyle(0, wanted, LTAllFontInfoProperties);
  if (found >= 0) return found;
  TFontInfo& added = styles.Add();
  added.Assign(wanted);
  added.Standard = false;
  return styles.Count() - 1;
}

bool IsFieldName(std::u16string_view name) {
  if (name.empty()) return false;
  for (const char16_t* f : LTFieldNames)
    if (name == f) return true;
  const std::set<TLTString>& more = RegisteredFieldNames();
  return more.find(TLTString(name)) != more.end();
}

void RegisterFieldNames(TLTDataTable& table) {
  if (!table.Active()) return;
  for (int i = 0; i < table.FieldCount(); ++i) {
    const std::string& name = table.Field(i).FieldName();
    // A name holding the separator could never be told from a tag's own part.
    if (!name.empty() && name.find('|') == std::string::npos) RegisteredFieldNames().insert(Utf8ToUtf16(name));
  }
}

bool ParseFieldTag(const TLTTag& tag, TLTFieldTag& out) {
  const TLTString* s = tag.String();
  if (!s) return false;
  const size_t p = s->find(kFieldSeparator);
  if (p == TLTString::npos || p == 0) return false;
  std::u16string_view name(s->data(), p);
  bool startsValue = false;
  // A field may itself end in the mark; its exact name wins.
  if (!IsFieldName(name) && name.back() == kValueStartMark) {
    name.remove_suffix(1);
    startsValue = true;
  }
  if (!IsFieldName(name)) return false;
  out.Name.assign(name);
  out.Own = s->substr(p + 1);
  out.StartsValue = startsValue;
  return true;
}

TLTTag FieldTag(const TLTString& name, const TLTString& own, bool startsValue) {
  TLTString s = name;
  if (startsValue) s += kValueStartMark;
  s += kFieldSeparator;
  s += own;
  return TLTTag::FromString(std::move(s));
}

bool GetFieldName(const TLTTag& tag, TLTString& name) {
  TLTFieldTag parsed;
  if (!ParseFieldTag(tag, parsed)) return false;
  name = std::move(parsed.Name);
  return true;
}

TLTString OwnTag(const TLTTag& tag) {
  TLTFieldTag parsed;
  if (ParseFieldTag(tag, parsed)) return parsed.Own;
  const TLTString* s = tag.String();
  return s ? *s : TLTString();
}

void TagContent(const TLTString& name, TCustomLTData& data) {
  for (int i = 0; i < data.ItemCount(); ++i) data.SetItemTag(i, FieldTag(name, TagText(data.GetItemTag(i))));
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
      if (!CodesView && std::find(EmptyFields.begin(), EmptyFields.end(), name) == EmptyFields.end())
        EmptyFields.push_back(name);
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
  EmptyFields.clear();
  if (table_) RegisterFieldNames(*table_);
  TFontInfo code;
  MakeCodeStyle(ltcsFieldCode, code);
  codeStyle_ = sheet_.TextStyles().FindEqualStyle(0, code, LTAllFontInfoProperties);
  MergeContainer(data);
}

bool TLTReportMerge::IsBareCode(const TCustomLTData& data, int i, const TLTString& name) const {
  const TCustomLTItemInfo& item = data.GetItem(i);
  if (codeStyle_ < 0 || item.StyleNo != codeStyle_) return false;
  const TLTString* tag = item.Tag.String();
  return tag && tag->size() == name.size() + 1 && tag->back() == kFieldSeparator &&
         tag->compare(0, name.size(), name) == 0 && data.GetItemTextW(i) == name;
}

bool TLTReportMerge::ContinuesValue(const TCustomLTData& data, int i, const TLTString& name) const {
  TLTFieldTag here, before;
  if (!ParseFieldTag(data.GetItemTag(i), here) || here.StartsValue) return false;
  if (!ParseFieldTag(data.GetItemTag(i - 1), before) || before.Name != name) return false;
  // In the codes view every code is a value by itself: two codes of one
  // field side by side, or at the end of one paragraph and the start of
  // the next, are two values.
  return !IsBareCode(data, i, name) && !IsBareCode(data, i - 1, name);
}

void TLTReportMerge::MergeContainer(TCustomLTData& data) {
  TLTString name;
  TValueEnds ends;
  for (int i = data.ItemCount() - 1; i >= 0; --i) {
    if (GetFieldName(data.GetItemTag(i), name)) {
      // A value is every neighbouring item of the field, whatever its own
      // tag: a content with a hyperlink in it must come out whole, or the
      // next merge would insert the field once per stretch of equal tags.
      const int last = i;
      while (i > 0 && ContinuesValue(data, i, name)) --i;
      // The walk goes on below whatever now stands where the run began.
      i = ReplaceRun(data, i, last, name, ends);
      continue;
    }
    std::unique_ptr<TLTSubDocCursor> cursor;
    TCustomLTItemInfo& item = data.GetItem(i);
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext))
      MergeContainer(*d);
  }
  StyleValueEnds(data, ends);
}

void TLTReportMerge::StyleValueEnds(TCustomLTData& data, TValueEnds& ends) {
  if (ends.empty()) return;
  // The walk found them from the end; the paragraphs are read from the start.
  std::reverse(ends.begin(), ends.end());
  size_t k = 0;
  bool inValue = false;
  int32_t para = 0, valuePara = 0;
  for (int i = 0; i < data.ItemCount() && k < ends.size(); ++i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    if (&item == ends[k].second && inValue) {
      item.ParaNo = valuePara;
      inValue = false;
      ++k;
    }
    if (item.StartsParagraph()) para = item.ParaNo;
    if (k < ends.size() && &item == ends[k].first) {
      valuePara = para;
      inValue = true;
    }
  }
}

void TLTReportMerge::InsertAnchor(TCustomLTData& data, int index, const TLTString& name, int32_t paraNo,
                                  uint8_t flags) {
  const int styleNo = FindOrAddCodeStyle(ltcsValue, sheet_);
  auto item = ItemFactory(0);
  item->StyleNo = styleNo;
  item->ParaNo = paraNo;
  item->ItemFlags = flags;
  item->SetFlag(ltifWide, data.IsUnicodeStyle(styleNo));
  item->Tag = FieldTag(name);
  data.InsertItemAt(index, {}, std::move(item));
}

int TLTReportMerge::ReplaceRun(TCustomLTData& data, int first, int last, const TLTString& name, TValueEnds& ends) {
  const TRunPlace place = PlaceOf(data, first);
  // Whether the template's paragraph goes on after the run: a content that
  // ends in a table must not take that away.
  const bool tailJoins = last + 1 < data.ItemCount() && !data.GetItem(last + 1).StartsParagraph();

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
  int end = first + inserted;

  // A list item whose text is the field keeps the template's marker, not
  // the content's.
  if (place.AfterMarker && IsMarker(data.GetItem(first))) {
    data.DeleteItems(first, 1);
    --end;
  }
  // Where the content cannot stand in the run's place (it is gone, or it
  // starts with a table or a list item inside a paragraph), an empty item
  // of the field keeps that place, so that the codes come back where they
  // were: the template's paragraph, its style and its list marker stay.
  if (end == first || (StartsItsParagraph(data.GetItem(first)) && !place.StartsParagraph())) {
    uint8_t flags = 0;
    if (place.JoinPrev || place.AfterMarker) flags |= ltifJoinPrev;
    if (place.NewLine) flags |= ltifNewLine;
    if (place.NewPage && !(flags & ltifJoinPrev)) flags |= ltifNewPage;
    InsertAnchor(data, first, name, place.ParaNo, flags);
    ++end;
  } else {
    TCustomLTItemInfo& head = data.GetItem(first);
    TakePlace(head, place);
    // The content's first paragraph takes the run's paragraph style (what
    // follows the run in that paragraph takes it from the normalization).
    if (!StartsItsParagraph(head))
      for (int k = first + 1; k < end && !data.GetItem(k).StartsParagraph(); ++k) data.GetItem(k).ParaNo = place.ParaNo;
  }
  // Likewise at the end: what followed the run in its paragraph keeps
  // following something of the field rather than start a paragraph.
  // Its paragraph style is that of the paragraph the value starts in, once
  // every value is in (StyleValueEnds): a value before it may change it.
  if (tailJoins && data.GetItem(end - 1).GetBoolValue(iqFullLine)) {
    InsertAnchor(data, end, name, 0, 0);
    ends.emplace_back(&data.GetItem(first), &data.GetItem(end));
    ++end;
  }
  // A value right after another value of the field is marked as a value of
  // its own (a code is one by itself).
  if (first > 0 && !IsBareCode(data, first, name)) {
    TLTFieldTag prev;
    if (ParseFieldTag(data.GetItemTag(first - 1), prev) && prev.Name == name)
      data.SetItemTag(first, FieldTag(name, OwnTag(data.GetItemTag(first)), true));
  }
  return first;
}

}  // namespace lectern
