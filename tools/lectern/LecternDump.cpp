// The dump format: one line per item, sub-documents indented under their
// item. Tests and users diff it, so it changes only by adding fields.

#include "model/CLTData.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tools/lectern/LecternTool.h"

#include <ostream>
#include <string>

namespace lectern {

namespace {

std::string KindName(int32_t styleNo) {
  switch (styleNo) {
    case ltikRule:
      return "rule";
    case ltikImage:
      return "picture";
    case ltikImageHotspot:
      return "hotspot";
    case ltikControl:
      return "control";
    case ltikImageBullet:
      return "bullet";
    case ltikHotImage:
      return "hotpicture";
    case ltikMarker:
      return "marker";
    case ltikTabulator:
      return "tab";
    case ltikTable:
      return "table";
    case ltikTextLabel:
      return "label";
    case ltikNumbering:
      return "sequence";
    case ltikFootnoteItem:
      return "footnote";
    case ltikEndnoteItem:
      return "endnote";
    case ltikNoteBackRef:
      return "noteref";
    default:
      return "kind" + IntToStr(styleNo);
  }
}

bool NeedsEscape(char16_t c) { return c == u'"' || c == u'\\' || c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029; }

std::string Escape(char16_t c) {
  switch (c) {
    case u'"':
      return "\\\"";
    case u'\\':
      return "\\\\";
    case u'\r':
      return "\\r";
    case u'\n':
      return "\\n";
    case u'\t':
      return "\\t";
    case u'\f':
      return "\\f";
    default: {
      static const char* hex = "0123456789ABCDEF";
      std::string out = "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 0xF];
      return out;
    }
  }
}

// A double-quoted UTF-8 rendering with the usual escapes, so that every
// item stays on one line whatever its text holds. Runs between escapes are
// converted whole so that surrogate pairs survive.
std::string QuoteText(const TLTString& s) {
  std::string out = "\"";
  size_t i = 0;
  while (i < s.size()) {
    size_t j = i;
    while (j < s.size() && !NeedsEscape(s[j])) ++j;
    out += Utf16ToUtf8(std::u16string_view(s).substr(i, j - i));
    if (j < s.size()) out += Escape(s[j++]);
    i = j;
  }
  return out + "\"";
}

std::string Flags(uint8_t f) {
  std::string s;
  if (f & ltifJoinPrev) s += 'J';
  if (f & ltifNewPage) s += 'P';
  if (f & ltifNewLine) s += 'L';
  if (f & ltifWide) s += 'W';
  return s.empty() ? "-" : s;
}

std::string TagText(const TLTTag& tag) {
  if (const TLTString* s = tag.String()) return QuoteText(*s);
  return tag.IsEmpty() ? "-" : IntToStr(tag.Int());
}

}  // namespace

void DumpDocument(const TCustomLTData& data, std::ostream& out, int depth) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  for (int i = 0; i < data.ItemCount(); ++i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    out << indent << i << ' ';
    if (item.IsText())
      out << "text style=" << item.StyleNo;
    else
      out << KindName(item.StyleNo);
    out << " para=" << item.ParaNo << " flags=" << Flags(item.ItemFlags) << " tag=" << TagText(item.Tag)
        << " text=" << QuoteText(data.GetItemTextW(i));
    if (const auto* marker = dynamic_cast<const TLTMarkerItemInfo*>(&item)) {
      out << " list=" << marker->ListNo << " level=" << marker->Level;
      if (marker->Reset) out << " restart=" << marker->StartFrom;
      out << " display=" << QuoteText(marker->DisplayString);
    }
    if (const auto* table = dynamic_cast<const TLTTableItemInfo*>(&item))
      out << " rows=" << table->NumRows() << " cols=" << table->NumColumns();
    if (item.Checkpoint) out << " cp=" << QuoteText(item.Checkpoint->CheckpointName);
    if (!item.HintText.empty()) out << " hint=" << QuoteText(item.HintText);
    out << '\n';
    std::unique_ptr<TLTSubDocCursor> cursor;
    int n = 0;
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext)) {
      const std::string label = cursor->Describe();
      out << indent << "  " << (label.empty() ? "sub " + IntToStr(n) : label) << '\n';
      ++n;
      DumpDocument(*d, out, depth + 2);
    }
  }
}

}  // namespace lectern
