// The dump format: one line per item, sub-documents indented under their
// item. Tests and users diff it, so it changes only by adding fields. Each
// item names its kind and adds its own fields.

#include "model/CLTData.h"
#include "model/LTFuncs.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleTemplates.h"
#include "tools/lectern/LecternTool.h"

#include <ostream>
#include <string>

namespace lectern {

namespace {

std::string Flags(uint8_t f) {
  std::string s;
  if (f & ltifJoinPrev) s += 'J';
  if (f & ltifNewPage) s += 'P';
  if (f & ltifNewLine) s += 'L';
  if (f & ltifWide) s += 'W';
  return s.empty() ? "-" : s;
}

std::string TagText(const TLTTag& tag) {
  if (const TLTString* s = tag.String()) return QuoteForDump(*s);
  return tag.IsEmpty() ? "-" : IntToStr(tag.Int());
}

}  // namespace

void DumpDocument(const TCustomLTData& data, std::ostream& out, int depth) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  for (int i = 0; i < data.ItemCount(); ++i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    out << indent << i << ' ' << item.DumpHead();
    out << " para=" << item.ParaNo << " flags=" << Flags(item.ItemFlags) << " tag=" << TagText(item.Tag)
        << " text=" << QuoteForDump(data.GetItemTextW(i));
    std::string fields;
    item.DumpFields(fields);
    out << fields;
    if (item.Checkpoint) out << " cp=" << QuoteForDump(item.Checkpoint->CheckpointName);
    if (!item.HintText.empty()) out << " hint=" << QuoteForDump(item.HintText.str());
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

void DumpStyleTemplates(TLTStyle& style, std::ostream& out) {
  TLTStyleTemplateCollection& templates = style.StyleTemplates();
  if (templates.Count() == 0) return;
  for (int i = 0; i < templates.Count(); ++i)
    out << "template " << templates[i].Id() << ' ' << QuoteForDump(templates[i].Name())
        << " parent=" << templates[i].ParentId() << '\n';
  auto dumpStyles = [&](const char* kind, const TCustomLTInfos& styles) {
    for (int i = 0; i < styles.Count(); ++i) {
      const TCustomLTInfo& s = styles.Items(i);
      if (s.StyleTemplateId <= 0) continue;
      const int at = templates.FindTemplateById(s.StyleTemplateId);
      out << kind << ' ' << i << ' ' << QuoteForDump(s.StyleName) << " template="
          << (at < 0 ? "-" : QuoteForDump(templates[at].Name())) << '\n';
    }
  };
  dumpStyles("text-style", style.TextStyles());
  dumpStyles("para-style", style.ParaStyles());
}

}  // namespace lectern
