// Writing a container, or a range of it, as LTF: the version record, the
// document data records, the background, text records grouped by
// paragraph, item records through the items' own hooks, checkpoints.

#include <algorithm>
#include <cstring>
#include <memory>

#include "model/CLTData.h"
#include "model/LTFMisc.h"
#include "model/LTFuncs.h"
#include "model/LTMarker.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "style/LTStyle.h"
#include "style/LTStyleTemplates.h"

namespace lectern {

namespace {

void PutLE32(std::string& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((u >> shift) & 0xFF));
}

void WriteDocData(TLTFWriter& w, TLTFDocData subtype, TLTFDataKind kind, const std::vector<std::string>& lines) {
  const std::string tail = IntToStr(subtype);
  w.Header(IntToStr(ltfrDocData), static_cast<int>(lines.size()), "0", 0, kind, "0", &tail);
  for (const std::string& line : lines) w.Line(line);
}

// A record whose first line is a name and whose second is binary data.
void WriteDocDataBlock(TLTFWriter& w, TLTFDocData subtype, std::string_view data) {
  const std::string tail = IntToStr(subtype);
  w.Header(IntToStr(ltfrDocData), 2, "0", 0, w.DataKind(), "0", &tail);
  w.Line("");
  w.DataLine(data);
}

void WriteStyles(TLTFWriter& w, TLTFDocData subtype, const TCustomLTInfos& styles) {
  std::string data;
  TLTPropWriter(data).WriteCollection(styles);
  WriteDocDataBlock(w, subtype, data);
}

// The templates' own properties (the name pattern), then the templates, so
// that the record reads like a stored component.
void WriteTemplates(TLTFWriter& w, const TLTStyleTemplateCollection& templates) {
  std::string data;
  TLTPropWriter pw(data);
  pw.WriteProperties(templates);
  pw.WriteListEnd();
  pw.WriteCollection(templates);
  WriteDocDataBlock(w, ltfdStyleTemplates, data);
}

/// The list markers among the first `upto` items and the documents they hold.
int CountMarkers(const TCustomLTData& data, int upto) {
  int n = 0;
  for (int i = 0; i < upto && i < data.ItemCount(); ++i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    if (item.StyleNo == ltikMarker) ++n;
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext))
      n += CountMarkers(*d, d->ItemCount());
  }
  return n;
}

std::string LayoutBlock(const TLTLayoutInfo& l) {
  const bool cut = l.FirstParaCut || l.LastParaCut;
  std::string rest;
  if (!l.SubDocument) {
    for (int32_t v : {l.LeftMargin, l.RightMargin, l.TopMargin, l.BottomMargin, l.MinTextWidth, l.MaxTextWidth})
      PutLE32(rest, v);
    rest.push_back(static_cast<char>(l.BiDiMode));
  }
  if (cut) {
    PutLE32(rest, l.FirstParaCut ? 1 : 0);
    PutLE32(rest, l.LastParaCut ? 1 : 0);
    PutLE32(rest, l.FirstMarkerListNo);
    PutLE32(rest, l.FirstMarkerLevel);
  }
  std::string block;
  PutLE32(block, l.SubDocument ? 1 : 0);
  PutLE32(block, static_cast<int32_t>(rest.size()));
  return block + rest;
}

void WriteBackground(TLTFWriter& w, const TLTBackgroundInfo& b) {
  const std::string tail = IntToStr(b.Style) + " " + IntToStr(b.Color);
  TLTMemoryStream picture;
  if (b.Style == 0 || !b.Image || !b.Image->SaveToStream(picture)) {
    w.Header(IntToStr(ltfrBackground), 0, "-1", 0, ltfdkText, "0", &tail);
    return;
  }
  w.Header(IntToStr(ltfrBackground), 2, "0", 0, w.DataKind(), "0", &tail);
  w.Line(b.Image->ClassName());
  w.DataLine(picture.Data());
}

void WriteCheckpoint(TLTFWriter& w, const TLTCPInfo& cp) {
  const std::string tail = std::string(cp.RaiseEvent ? "1" : "0") + " " + (cp.Pinned ? "1" : "0");
  w.Header(IntToStr(ltfrCheckpoint), 1, "0", 0, ltfdkText, w.TagField(cp.Tag), &tail);
  w.Line(LTFEncodeString(cp.CheckpointName));
}

bool HasLineBreakingByte(std::string_view bytes) {
  for (char c : bytes)
    if (c == '\r' || c == '\n' || c == '\0') return true;
  return false;
}

bool HasParagraphSeparator(std::string_view utf16le) {
  const char* p = utf16le.data();
  const char* end = p + utf16le.size();
  while ((p = static_cast<const char*>(std::memchr(p, 0x29, static_cast<size_t>(end - p)))) != nullptr) {
    const auto at = static_cast<size_t>(p - utf16le.data());
    if (at % 2 == 0 && at + 1 < utf16le.size() && utf16le[at + 1] == '\x20') return true;
    ++p;
  }
  return false;
}

/// A text record being collected: items that share their header. The
/// lines are views into the items' own text, and the header is formatted
/// once per record, not once per item.
struct TextRecord {
  const TCustomLTItemInfo* First = nullptr;
  uint8_t Flags = 0;
  TLTFDataKind Kind = ltfdkText;
  bool WideLines = false;
  std::vector<std::string_view> Lines;

  bool Open() const { return First != nullptr; }
  bool Takes(const TCustomLTItemInfo& item, uint8_t flags, TLTFDataKind kind, bool wideLines) const {
    return Open() && !(flags & ltifJoinPrev) && flags == Flags && kind == Kind && wideLines == WideLines &&
           item.StyleNo == First->StyleNo && item.ParaNo == First->ParaNo && item.Tag == First->Tag &&
           item.HintText == First->HintText;
  }
  void Write(TLTFWriter& w) {
    if (!Open()) return;
    const std::string para = (Flags & ltifJoinPrev) ? "-1" : w.ParaStyleField(First->ParaNo);
    const std::string hint = First->HintText.empty() ? std::string() : LTFQuote(First->HintText.str());
    w.Header(w.TextStyleField(First->StyleNo), static_cast<int>(Lines.size()), para, Flags, Kind,
             w.TagField(First->Tag), hint.empty() ? nullptr : &hint);
    for (std::string_view bytes : Lines) {
      if (Kind == ltfdkWideHex)
        w.HexLine(bytes);
      else if (WideLines)
        w.WideLine(bytes);
      else
        w.Line(bytes);
    }
    Lines.clear();
    First = nullptr;
  }
};

}  // namespace

TLTFOptions TCustomLTData::GetLTFOptions() const {
  const TLTDocumentContext* ctx = GetContext();
  return ctx ? ctx->LTFOptions : LTDefaultLTFOptions;
}

void TCustomLTData::WriteLayout(TLTFWriter& w, TLTLayoutInfo layout, const TLTItemRange* range) const {
  if (range) {
    // A part of the document: whether it cuts its first and last paragraph,
    // and the list of a marker that starts the first one.
    const int first = range->FirstItem, last = range->LastItem;
    layout.FirstParaCut = !IsParaStart(first) || range->FirstOffs > GetOffsBeforeItem(first);
    layout.LastParaCut =
        (last + 1 < ItemCount() && !IsParaStart(last + 1)) || range->LastOffs < GetOffsAfterItem(last);
    layout.FirstMarkerListNo = layout.FirstMarkerLevel = -1;
    const TCustomLTItemInfo& head = GetItem(GetFirstParaItem(first));
    if (layout.FirstParaCut && head.StyleNo == ltikMarker) {
      const auto& marker = static_cast<const TLTMarkerItemInfo&>(head);
      layout.FirstMarkerListNo = marker.ListNo;
      layout.FirstMarkerLevel = marker.Level;
    }
  }
  WriteDocDataBlock(w, ltfdLayout, LayoutBlock(layout));
  // A cell's editor counts in the document's list: its part has no such state.
  if (!range || !IsRoot() || StandInFor() || !GetMarkers()) return;
  // The numbering state of the markers before the part, for it to count
  // on: the marker list is in document order, table cells included.
  const TLTMarkerList& markers = *GetMarkers();
  const int before = std::min(CountMarkers(*this, range->FirstItem), markers.Count());
  std::string entries;
  int n = 0;
  for (int k = 0; k < before; ++k) {
    const TLTMarkerItemInfo& m = markers[k];
    PutLE32(entries, m.ListNo);
    PutLE32(entries, m.Level);
    entries.push_back(m.Reset ? 1 : 0);
    PutLE32(entries, m.StartFrom);
    PutLE32(entries, m.Counter);
    ++n;
  }
  if (n == 0) return;
  std::string block;
  PutLE32(block, 0);
  PutLE32(block, n);
  WriteDocDataBlock(w, ltfdListNumbering, block + entries);
}

bool TCustomLTData::SaveLTFToStream(TLTStream& stream, const TLTItemRange* range, const TLTLayoutInfo* layout,
                                    const TLTBackgroundInfo* background) const {
  return SaveLTFParts(stream, range, layout, background, false);
}

bool TCustomLTData::SavePagePartToStream(TLTStream& stream, const TLTItemRange& range,
                                         const TLTLayoutInfo& layout) const {
  return SaveLTFParts(stream, &range, &layout, nullptr, true);
}

bool TCustomLTData::SaveLTFParts(TLTStream& stream, const TLTItemRange* range, const TLTLayoutInfo* layout,
                                 const TLTBackgroundInfo* background, bool pagePart) const {
  try {
    if (items_.empty()) return true;
    TLTItemRange r{0, GetOffsBeforeItem(0), ItemCount() - 1, GetOffsAfterItem(ItemCount() - 1)};
    if (range) {
      if (range->FirstItem < 0 || range->LastItem >= ItemCount() || range->FirstItem > range->LastItem) return false;
      r = *range;
    }
    const TLTFOptions options = GetLTFOptions();
    const TLTStyle* style = GetStyle();
    const TLTDocumentContext* ctx = GetContext();
    TLTFWriter w(stream, *this, options);
    w.PagePart = pagePart;

    w.Line("-8 1 3 1");
    if (!range && background && options.Contains(ltfoSaveBack)) WriteBackground(w, *background);
    // Templates first: the styles that follow name them. Documents without
    // templates are written as they always were.
    if (style && IsRoot() && style->StyleTemplates().Count() > 0 &&
        (options.Contains(ltfoSaveTextStyles) || options.Contains(ltfoSaveParaStyles)))
      WriteTemplates(w, style->StyleTemplates());
    if (style && options.Contains(ltfoSaveTextStyles)) WriteStyles(w, ltfdTextStyles, style->TextStyles());
    if (style && options.Contains(ltfoSaveParaStyles) && IsRoot()) {
      WriteStyles(w, ltfdParaStyles, style->ParaStyles());
      WriteStyles(w, ltfdListStyles, style->ListStyles());
    }
    if (ctx && options.Contains(ltfoSaveDocProperties)) {
      if (!ctx->DocProperties.empty()) {
        std::vector<std::string> lines;
        for (const TLTString& p : ctx->DocProperties) lines.push_back(LTFEncodeString(p));
        WriteDocData(w, ltfdDocProperties, ltfdkText, lines);
      }
      // Always written, so that loading a document with default page
      // settings resets what an earlier document set.
      WriteDocData(w, ltfdDocParameters, ltfdkText, ctx->DocParameters.ToLines());
    }
    if (layout && (pagePart || (!range && options.Contains(ltfoSaveLayout))))
      WriteLayout(w, *layout, pagePart ? &r : nullptr);

    // A paragraph a page's part cuts keeps its marker on the page before;
    // the layout names its list.
    WriteLTFItems(w, r, range != nullptr, !pagePart);

    // A pending checkpoint sits after the last item: it goes with a range
    // that reaches the document's end.
    if (pendingCP_ && r.LastItem == ItemCount() - 1 && r.LastOffs >= GetOffsAfterItem(r.LastItem))
      WriteCheckpoint(w, *pendingCP_);
    return w.Flush();
  } catch (const std::exception&) {
    return false;
  }
}

void TCustomLTData::WriteLTFItems(TLTFWriter& w, const TLTItemRange& r, bool partial, bool takeMarker) const {
  bool forceJoinFirst = false;
  if (partial && takeMarker) {
    // A range that starts inside a list paragraph takes its marker along.
    const int start = GetFirstParaItem(r.FirstItem);
    const TCustomLTItemInfo& head = *items_[static_cast<size_t>(start)];
    if (start < r.FirstItem && head.StyleNo == ltikMarker) {
      head.SaveLTF(w, start, false);
      forceJoinFirst = true;
    }
  }

  TextRecord rec;
  for (int i = r.FirstItem; i <= r.LastItem; ++i) {
    const TCustomLTItemInfo& item = *items_[static_cast<size_t>(i)];
    const bool forceJoin = i == r.FirstItem && forceJoinFirst;
    if (!item.IsText()) {
      // Partial ends that lie after or before the whole item leave it out.
      if (partial && ((i == r.FirstItem && r.FirstOffs >= 1) || (i == r.LastItem && r.LastOffs <= 0))) continue;
      rec.Write(w);
      if (item.Checkpoint) WriteCheckpoint(w, *item.Checkpoint);
      item.SaveLTF(w, i, forceJoin);
      continue;
    }

    std::string_view bytes = item.Text;
    const int unit = item.IsWide() ? 2 : 1;
    const int length = item.TextLength();
    const int from = i == r.FirstItem ? std::clamp(r.FirstOffs - 1, 0, length) : 0;
    const int to = i == r.LastItem ? std::clamp(r.LastOffs - 1, from, length) : length;
    if (from > 0 || to < length)
      bytes = bytes.substr(static_cast<size_t>(from * unit), static_cast<size_t>((to - from) * unit));
    const bool withCheckpoint = item.Checkpoint && from == 0;

    // Text that would end its line early is stored in hexadecimal instead.
    TLTFDataKind kind = ltfdkText;
    bool wideLines = false;
    if (item.IsWide()) {
      if (!w.BinaryMode() || HasParagraphSeparator(bytes))
        kind = ltfdkWideHex;
      else
        wideLines = true;
    } else if (HasLineBreakingByte(bytes)) {
      kind = ltfdkWideHex;
    }

    const uint8_t flags = forceJoin ? static_cast<uint8_t>((item.ItemFlags | ltifJoinPrev) & ~(ltifNewLine | ltifNewPage))
                                    : item.ItemFlags;
    if (withCheckpoint || !rec.Takes(item, flags, kind, wideLines)) {
      rec.Write(w);
      if (withCheckpoint) WriteCheckpoint(w, *item.Checkpoint);
      rec.First = &item;
      rec.Flags = flags;
      rec.Kind = kind;
      rec.WideLines = wideLines;
    }
    rec.Lines.push_back(bytes);
  }
  rec.Write(w);
}

std::string TCustomLTData::SaveLTFSubDocument(TLTFOptions options) const {
  std::string out;
  AppendLTFSubDocument(out, options);
  return out;
}

void TCustomLTData::AppendLTFSubDocument(std::string& out, TLTFOptions options) const {
  // The document's style and document records cover the sub-document too.
  options.Exclude(ltfoSaveTextStyles).Exclude(ltfoSaveParaStyles).Exclude(ltfoSaveDocProperties);
  options.Exclude(ltfoSaveLayout).Exclude(ltfoSaveBack);
  TLTFWriter w(out, *this, options);
  w.Line("-8 1 3 1");
  if (!items_.empty()) {
    const TLTItemRange all{0, GetOffsBeforeItem(0), ItemCount() - 1, GetOffsAfterItem(ItemCount() - 1)};
    WriteLTFItems(w, all, false);
  }
  if (pendingCP_) WriteCheckpoint(w, *pendingCP_);
}

bool TCustomLTData::SaveLTF(const std::string& path, const TLTItemRange* range, const TLTLayoutInfo* layout,
                            const TLTBackgroundInfo* background) const {
  auto file = TLTSafeFileWriter::Create(path);
  if (!file) return false;
  if (!SaveLTFToStream(*file, range, layout, background)) return false;
  return file->Commit();
}

}  // namespace lectern
