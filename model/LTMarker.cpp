// List markers and their numbering: number texts, counters, display texts
// with the level arguments, plain text, and the bookkeeping that keeps a
// root document's marker list in document order.

#include "model/LTMarker.h"

#include "model/CLTData.h"
#include "model/LTFuncs.h"
#include "platform/LTCodePage.h"
#include "platform/LTSysUtils.h"

#include <algorithm>
#include <array>
#include <limits>

namespace lectern {

namespace {

// Numerals beyond this would be long runs of "M": they are written in decimal.
constexpr int64_t kMaxRoman = 100000;
// Levels a display text can refer to ("%0:s" .. "%255:s").
constexpr int kLevelArgs = 256;
// Bullet texts are formatted with this many empty arguments.
constexpr int kBulletArgs = 20;
// How far a chain of linked marker lists is followed.
constexpr int kMaxLinkedLists = 64;

int32_t SaturatingInc(int32_t v) { return v == std::numeric_limits<int32_t>::max() ? v : v + 1; }

TLTString Roman(int64_t n, bool upper) {
  if (n <= 0) return u"?";
  if (n > kMaxRoman) return Utf8ToUtf16(IntToStr(n));
  static constexpr std::pair<int, std::u16string_view> kSteps[] = {
      {1000, u"M"}, {900, u"CM"}, {500, u"D"}, {400, u"CD"}, {100, u"C"}, {90, u"XC"}, {50, u"L"},
      {40, u"XL"},  {10, u"X"},   {9, u"IX"},  {5, u"V"},    {4, u"IV"},  {1, u"I"}};
  TLTString out;
  for (const auto& [value, text] : kSteps) {
    while (n >= value) {
      out += text;
      n -= value;
    }
  }
  if (!upper)
    for (char16_t& c : out) c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

TLTString Letters(int64_t n, bool upper) {
  TLTString out;
  while (n > 0) {
    --n;
    out.insert(out.begin(), static_cast<char16_t>((upper ? u'A' : u'a') + n % 26));
    n /= 26;
  }
  return out;
}

bool IsLetterOrRoman(TLTListType t) { return t >= ltlstLowerAlpha && t <= ltlstUpperRoman; }

// Marker text simplified for a symbol font, whose characters mean pictures.
TLTString SimplifySymbolText(const TLTString& s) {
  TLTString out;
  for (char16_t c : s) {
    switch (c) {
      case 0x00AB:
        out += u"<->";
        break;
      case 0x00AC:
        out += u"<-";
        break;
      case 0x00AE:
        out += u"->";
        break;
      case 0x042B:
        out += u"<=>";
        break;
      case 0x042C:
        out += u"<=";
        break;
      case 0x042E:
        out += u"=>";
        break;
      default:
        if ((c >= 0x00A7 && c <= 0x0404) || c == 0x0427 || c == 0x0430)
          out += u'*';
        else
          out += c;
    }
  }
  return out;
}

std::optional<TLTString> FormatWithEmptyArgs(const TLTString& format, int count) {
  const std::vector<TLTFormatArg> args(static_cast<size_t>(count), TLTFormatArg(TLTString()));
  return LTFormat(format, args);
}

}  // namespace

TLTString ListNumberText(int64_t n, TLTListType kind) {
  switch (kind) {
    case ltlstDecimal:
    case ltlstImageListCounter:
      return Utf8ToUtf16(IntToStr(n));
    case ltlstUpperAlpha:
      return Letters(n, true);
    case ltlstLowerAlpha:
      return Letters(n, false);
    case ltlstUpperRoman:
      return Roman(n, true);
    case ltlstLowerRoman:
      return Roman(n, false);
    default:
      return {};
  }
}

// ---- The marker item ---------------------------------------------------------------

namespace {
const TLTItemIntProperty kMarkerInts[] = {
    {ltepNoHTMLImageSize,
     [](const TCustomLTItemInfo& i, int32_t& v) {
       v = static_cast<const TLTMarkerItemInfo&>(i).NoHTMLImageSize ? 1 : 0;
       return true;
     },
     [](TCustomLTItemInfo& i, int32_t v) {
       static_cast<TLTMarkerItemInfo&>(i).NoHTMLImageSize = v != 0;
       return true;
     }},
};
}  // namespace

TLTMarkerItemInfo::TLTMarkerItemInfo(int32_t listNo, int32_t level, int32_t startFrom, bool reset)
    : TLTMarkerItemInfo() {
  ListNo = listNo;
  Level = level;
  StartFrom = startFrom;
  Reset = reset;
}

int32_t TLTMarkerItemInfo::EffectiveLevel(const TLTStyle* style) const {
  if (!style || !IsActive()) return -1;
  const TLTListInfo& list = style->ListStyles()[ListNo];
  const int count = list.Levels.Count();
  return count == 0 ? -1 : std::min(Level, count - 1);
}

const TLTListLevel* TLTMarkerItemInfo::GetLevelInfo(const TLTStyle* style) const {
  const int32_t level = EffectiveLevel(style);
  return level < 0 ? nullptr : &style->ListStyles()[ListNo].Levels[level];
}

bool TLTMarkerItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  return q == iqOwnBaseline || q == iqOwnTextEncoding || q == iqListMarker || TLTRectItemInfo::GetBoolValue(q);
}

void TLTMarkerItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int /*availableWidth*/) {
  penOffset_ = 0;
  SetBox(0, 0);
  const TLTListLevel* level = GetLevelInfo(&ctx.Style);
  if (!level) return;
  const TLTDeviceScale& scale = ctx.Scale;
  int w = 0, h = 0, descent = 0;
  switch (level->ListType) {
    case ltlstPicture:
      if (const TGraphic* g = level->Picture()) {
        w = scale.X(g->Width());
        h = scale.Y(g->Height());
      }
      break;
    case ltlstImageList:
    case ltlstImageListCounter:
      if (level->ImageList) {
        w = scale.X(level->ImageList->Width);
        h = scale.Y(level->ImageList->Height);
      }
      break;
    default: {
      TLTCanvasSaver keep(ctx.Canvas);
      ctx.Canvas.SetFont(MarkerCanvasFont(*level, ctx.Style.TextStyles().PixelsPerInch, scale));
      ctx.Canvas.SetCharacterExtra(0);
      const TLTSizeI ext = ctx.Canvas.TextExtent(MarkerText(*level));
      const TLTTextMetrics tm = ctx.Canvas.TextMetrics();
      w = ext.Width;
      h = tm.Height;
      descent = tm.Descent;
      break;
    }
  }
  // o: how far the marker hangs left of the pen; v: how far the pen moves.
  int o = 0, v = w;
  if (level->MarkerAlignment == ltmaRight) {
    o = w;
    v = 0;
  } else if (level->MarkerAlignment == ltmaCenter) {
    v = w / 2;
    o = w - v;
  }
  v = std::max(v, scale.X(level->FirstIndent + level->LeftIndent - level->MarkerIndent));
  penOffset_ = -o;
  SetBox(o + v, h, descent);
}

void TLTMarkerItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  const TLTListLevel* level = GetLevelInfo(info.Style);
  if (!level) return;
  const TLTRectI& b = info.Box;
  const TLTDeviceScale& scale = *info.Scale;
  // Right to left the marker reads from its box's right edge, and the gap
  // to the text lies on its left.
  const bool rtl = info.State.Contains(ltidsRightToLeft);
  auto leftFor = [&](int width) { return rtl ? b.Right - width : b.Left; };
  switch (level->ListType) {
    case ltlstPicture:
      if (const TGraphic* g = level->Picture(); g && g->Pixels()) {
        const int w = scale.X(g->Width());
        canvas.DrawPixels({leftFor(w), b.Top, leftFor(w) + w, b.Top + scale.Y(g->Height())}, *g->Pixels());
      }
      return;
    case ltlstImageList:
    case ltlstImageListCounter: {
      const TLTImageList* list = level->ImageList;
      if (!list) return;
      const int64_t index = int64_t{level->ImageIndex} + (level->ListType == ltlstImageListCounter ? Counter - 1 : 0);
      if (index < 0 || index >= list->Count()) return;
      const int w = scale.X(list->Width);
      canvas.DrawPixels({leftFor(w), b.Top, leftFor(w) + w, b.Top + scale.Y(list->Height)},
                        list->Images[static_cast<size_t>(index)]);
      return;
    }
    default:
      break;
  }
  const TLTCanvasFont f = MarkerCanvasFont(*level, info.Style->TextStyles().PixelsPerInch, scale);
  TLTCanvasSaver keep(canvas);
  canvas.SetFont(f);
  canvas.SetFontColor(OutputColor(f.Color, info.ColorMode));
  canvas.SetCharacterExtra(0);
  canvas.SetReadingOrder(rtl ? TLTReadingOrder::RightToLeft : TLTReadingOrder::LeftToRight);
  canvas.SetBrushStyle(bsClear);
  const std::u16string_view text = MarkerText(*level);
  // On the line's baseline like text: its cell ends its descent below it.
  canvas.TextOut(leftFor(canvas.TextWidth(text)), b.Bottom - canvas.TextMetrics().Height, text);
}

std::u16string_view TLTMarkerItemInfo::MarkerText(const TLTListLevel& level) const {
  return level.ListType == ltlstUnicodeBullet ? std::u16string_view(level.FormatStringW)
                                              : std::u16string_view(DisplayString);
}

void TLTMarkerItemInfo::DumpFields(std::string& out) const {
  out += " list=" + IntToStr(ListNo) + " level=" + IntToStr(Level);
  if (Reset) out += " restart=" + IntToStr(StartFrom);
  out += " display=" + QuoteForDump(DisplayString);
}

bool TLTMarkerItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  if (q == iqxLayoutWidth) return true;
  if (q == iqxSliceable) {
    const TLTListLevel* level = GetLevelInfo(style);
    if (!level) return false;
    if (level->ListType == ltlstImageList || level->ListType == ltlstImageListCounter) return true;
    return level->ListType == ltlstPicture && level->Picture() && level->Picture()->ClassName() != "TMetafile";
  }
  return TLTRectItemInfo::GetBoolValueEx(q, style);
}

void TLTMarkerItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTRectItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTMarkerItemInfo*>(&source)) {
    ListNo = s->ListNo;
    Level = s->Level;
    StartFrom = s->StartFrom;
    Reset = s->Reset;
    NoHTMLImageSize = s->NoHTMLImageSize;
  }
}

const TLTItemIntProperty* TLTMarkerItemInfo::FindIntProperty(TLTExtraItemProperty p) const {
  for (const auto& prop : kMarkerInts)
    if (prop.No == p) return &prop;
  return TLTRectItemInfo::FindIntProperty(p);
}

void TLTMarkerItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  TLTRectItemInfo::GetExtraPropertyLines(lines);
  if (NoHTMLImageSize) lines.push_back("nohtmlsize=1");
}

TLTString TLTMarkerItemInfo::AsText(int, const TCustomLTData& owner, bool unicode) const {
  const TLTListLevel* level = GetLevelInfo(owner.GetStyle());
  if (!level) return {};
  TLTString text;
  switch (level->ListType) {
    case ltlstPicture:
    case ltlstImageList:
    case ltlstImageListCounter:
      return u"* ";
    case ltlstUnicodeBullet:
      text = level->FormatStringW + u" ";
      break;
    default:
      text = DisplayString;
      if (level->Font() && SameTextFold(level->Font()->Font.Name, u"Symbol")) text = SimplifySymbolText(text);
      text += u" ";
      break;
  }
  if (!unicode) {
    // What the 8-bit code page cannot show becomes a plain star.
    for (char16_t& c : text)
      if (c != u'?' && UnicodeToAnsi(std::u16string_view(&c, 1), CP_ACP) == "?") c = u'*';
  }
  return text;
}

void TLTMarkerItemInfo::MarkStylesInUse(TLTStyleUsage& usage) const {
  TLTRectItemInfo::MarkStylesInUse(usage);
  usage.MarkList(ListNo);
}

void TLTMarkerItemInfo::UpdateStyles(const TLTStyleUsage& usage) {
  TLTRectItemInfo::UpdateStyles(usage);
  ListNo = usage.NewList(ListNo);
}

void TLTMarkerItemInfo::AttachToDocument(TCustomLTData& owner, int itemNo) { owner.RegisterMarker(*this, itemNo); }

void TLTMarkerItemInfo::Removing(TCustomLTData& owner) {
  TLTRectItemInfo::Removing(owner);
  owner.UnregisterMarker(*this);
}

// ---- The marker list ---------------------------------------------------------------

int TLTMarkerList::IndexOf(const TLTMarkerItemInfo& marker) const {
  const int cached = marker.cachedIndex_;
  if (cached >= 0 && cached < Count() && items_[static_cast<size_t>(cached)] == &marker) return cached;
  const auto it = std::find(items_.begin(), items_.end(), &marker);
  if (it == items_.end()) return -1;
  marker.cachedIndex_ = static_cast<int>(it - items_.begin());
  return marker.cachedIndex_;
}

void TLTMarkerList::Insert(int index, TLTMarkerItemInfo& marker) {
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, &marker);
  marker.cachedIndex_ = index;
}

int TLTMarkerList::Remove(const TLTMarkerItemInfo& marker) {
  const int index = IndexOf(marker);
  if (index >= 0) items_.erase(items_.begin() + index);
  marker.cachedIndex_ = -1;
  return index;
}

bool TLTMarkerList::Cursor::Prev() {
  while (List) {
    if (Index > 0) {
      --Index;
      return true;
    }
    // Linked lists cannot loop back for ever, whatever a caller links.
    if (++Hops > kMaxLinkedLists) break;
    List = List->PrevMarkerList;
    if (List) Index = List->Count();
  }
  List = nullptr;
  return false;
}

const TLTMarkerItemInfo* TLTMarkerList::PreviousInList(int index, int32_t listNo) const {
  for (int i = std::min(index, Count()) - 1; i >= 0; --i) {
    const TLTMarkerItemInfo& q = *items_[static_cast<size_t>(i)];
    if (q.ListNo == listNo && q.Level >= 0) return &q;
  }
  return nullptr;
}

int32_t TLTMarkerList::ComputeCounter(int index, const TLTStyle* style) const {
  const TLTMarkerItemInfo& m = *items_[static_cast<size_t>(index)];
  if (m.Reset) return m.StartFrom;
  const TLTListLevel* level = m.GetLevelInfo(style);
  if (!level) return 0;
  int32_t counter = level->StartFrom;
  const bool levelReset = level->Options.Contains(ltloLevelReset);
  // In this list the links jump over runs of deeper markers at once: a list
  // whose levels only fall would otherwise walk back to its start for every
  // marker.
  for (const TLTMarkerItemInfo* q = m.prevInList_; q;) {
    if (q->Level == m.Level) return SaturatingInc(q->Counter);
    if (q->Level < m.Level) {
      if (levelReset) return level->StartFrom;
      q = q->prevInList_;
      continue;
    }
    counter = SaturatingInc(level->StartFrom);
    q = q->lower_;
  }
  // Then the documents this one continues, marker by marker.
  for (Cursor c{this, 0}; c.Prev();) {
    const TLTMarkerItemInfo& q = c.Marker();
    if (q.ListNo != m.ListNo || q.Level < 0) continue;
    if (q.Level == m.Level) return SaturatingInc(q.Counter);
    if (q.Level < m.Level) {
      if (levelReset) return level->StartFrom;
      continue;
    }
    // After deeper items only: this one is the next of its own level.
    counter = SaturatingInc(level->StartFrom);
  }
  return counter;
}

TLTString TLTMarkerList::ComputeDisplayString(int index, const TLTStyle* style) const {
  const TLTMarkerItemInfo& m = *items_[static_cast<size_t>(index)];
  const TLTListLevel* level = m.GetLevelInfo(style);
  if (!level) return {};
  const TLTListType kind = level->ListType;
  if (kind == ltlstBullet) return FormatWithEmptyArgs(level->FormatString, kBulletArgs).value_or(level->FormatString);
  if (!HasTextNumber(kind)) return {};

  // Every argument index below stays inside the list style's levels, which
  // are clamped to the argument count.
  const TLTListInfo& list = style->ListStyles()[m.ListNo];
  const int levels = std::min(list.Levels.Count(), kLevelArgs);
  const int top = std::min(m.EffectiveLevel(style), levels - 1);
  const bool legal = level->Options.Contains(ltloLegalStyleNumbering);
  std::vector<TLTFormatArg> args(kLevelArgs, TLTFormatArg(TLTString()));
  const TLTMarkerItemInfo* c = &m;
  int k = top;
  // The links of this list first, then the documents this one continues.
  bool inThisList = true;
  Cursor at{this, 0};
  while (true) {
    const TLTListType ck = list.Levels[k].ListType;
    const TLTListType shown = (k < top && legal && IsLetterOrRoman(ck)) ? ltlstDecimal : ck;
    args[static_cast<size_t>(k)] = ListNumberText(c->Counter, shown);
    if (k == 0) break;
    // The nearest earlier marker of the same list at a lower level.
    const TLTMarkerItemInfo* parent = nullptr;
    int parentLevel = -1;
    if (inThisList) {
      const TLTMarkerItemInfo* q = c->prevInList_;
      while (q && q->Level >= k) q = q->lower_;
      parent = q;
      parentLevel = q ? q->Level : -1;
      inThisList = q != nullptr;
    }
    while (!parent && at.Prev()) {
      const TLTMarkerItemInfo& q = at.Marker();
      if (q.ListNo != m.ListNo || q.Level < 0) continue;
      const int ql = std::min<int>(q.Level, levels - 1);
      if (ql < k) {
        parent = &q;
        parentLevel = ql;
        break;
      }
    }
    for (int j = parentLevel + 1; j < k; ++j)
      args[static_cast<size_t>(j)] = ListNumberText(list.Levels[j].StartFrom, list.Levels[j].ListType);
    if (!parent) break;
    c = parent;
    k = parentLevel;
  }
  return LTFormat(level->FormatString, args).value_or(level->FormatString);
}

void TLTMarkerList::Renumber(int from, int32_t listNo, const TLTStyle* style) {
  if (listNo < 0) return;
  from = std::max(from, 0);
  const TLTMarkerItemInfo* prev = PreviousInList(from, listNo);
  for (int i = from; i < Count(); ++i) {
    TLTMarkerItemInfo& m = *items_[static_cast<size_t>(i)];
    if (m.ListNo != listNo) continue;
    m.cachedIndex_ = i;
    m.prevInList_ = prev;
    const TLTMarkerItemInfo* lower = prev;
    while (lower && lower->Level >= m.Level) lower = lower->lower_;
    m.lower_ = lower;
    m.Counter = ComputeCounter(i, style);
    m.DisplayString = ComputeDisplayString(i, style);
    if (m.Level >= 0) prev = &m;
  }
}

void TLTMarkerList::RenumberAll(const TLTStyle* style) {
  std::vector<int32_t> lists;
  for (const TLTMarkerItemInfo* m : items_)
    if (m->ListNo >= 0 && std::find(lists.begin(), lists.end(), m->ListNo) == lists.end()) lists.push_back(m->ListNo);
  for (int32_t l : lists) Renumber(0, l, style);
}

}  // namespace lectern
