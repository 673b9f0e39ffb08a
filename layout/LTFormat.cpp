// Line layout: places the items of a formatted container on lines of a width,
// text by measured runs broken at line-break opportunities, other items as
// rectangles or whole lines, then aligns, justifies and spaces each line,
// and puts the pieces of a line with text of both directions in the order
// they are read.
//
// Design notes on direction. Lines are filled in logical order from their
// left, as if every paragraph read left to right; finishing a line moves
// its pieces (each as wide as it was measured) to their visual places:
// the bidirectional algorithm resolves the levels of the line's text
// within the paragraph's direction and orders its characters by them. A
// piece is drawn as one run, which the canvas orders by the same
// algorithm as if the run were all there is. That is what the line shows
// when every stretch read against the paragraph's direction starts and
// ends inside the piece, which is then drawn in the paragraph's reading
// order. A piece such a stretch crosses into or out of (the words of a
// justified paragraph, each with its leading space, or a text item that
// ends inside a phrase of the other direction) is cut where its level
// changes, and each part, of one level, is drawn in that level's
// direction. Every piece is then one stretch of the line's visual order
// and stands where its first character is shown; a leading space, with
// the gap justification adds in front of it, lands where the algorithm
// shows that space, so that words at a change of direction are neither
// glued nor doubly spaced and punctuation keeps its side.

#include "layout/CLTFData.h"
#include "layout/LTFormatter.h"
#include "layout/LTLineBreak.h"
#include "platform/LTBiDi.h"
#include "platform/LTCodePage.h"
#include "platform/LTSysUtils.h"

#include <algorithm>
#include <cstdlib>

namespace lectern {

namespace {

constexpr char16_t kSoftHyphen = 0x00AD;

bool IsDoubleByteCodePage(uint32_t cp) { return cp == 932 || cp == 936 || cp == 949 || cp == 950; }

bool IsLeadByte(uint32_t cp, uint8_t b) {
  if (cp == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  return b >= 0x81 && b <= 0xFE;
}

int64_t Clamp64(int64_t v) { return std::clamp<int64_t>(v, -1000000000, 1000000000); }

/// Percent line spacing beyond this is held to it; below the minimum it is
/// ignored, since lines would overlap.
constexpr int kMaxLineSpacingPercent = 1000;
constexpr int kMinLineSpacingPercent = 50;

bool IsLineAligned(TLTVAlign va) { return va == ltvaLineTop || va == ltvaLineBottom || va == ltvaLineMiddle; }

/// The alignment of an item placed when its line is finished, or
/// ltvaBaseline for everything that stands on the baseline.
TLTVAlign LineAlignment(const TCustomLTItemInfo& item) {
  if (item.IsText()) return ltvaBaseline;
  const TLTVAlign va = item.GetVAlign();
  return IsLineAligned(va) ? va : ltvaBaseline;
}

}  // namespace

// ---- Text of an item as layout sees it -------------------------------------------

void TLTLayoutText::Load(const TCustomLTData& data, int itemNo, const TLTStyle& style, bool showSoftHyphens) {
  const TCustomLTItemInfo& item = data.GetItem(itemNo);
  unicode = item.IsWide();
  charOfUnit.clear();
  if (unicode) {
    stored = data.GetItemTextW(itemNo);
  } else {
    const uint32_t cp = data.StyleCodePage(item.StyleNo);
    const std::string_view bytes = item.Text;
    if (IsDoubleByteCodePage(cp)) {
      // Through UTF-16 character by character, so that a wrap can never
      // fall between a lead and a trail byte.
      stored.clear();
      for (size_t i = 0; i < bytes.size();) {
        const size_t len = IsLeadByte(cp, static_cast<uint8_t>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        std::u16string u = AnsiToUnicode(bytes.substr(i, len), cp);
        if (u.empty()) u = u"?";
        for (char16_t c : u) {
          stored.push_back(c);
          charOfUnit.push_back(static_cast<int>(i));
        }
        i += len;
      }
      charOfUnit.push_back(static_cast<int>(bytes.size()));
    } else {
      stored = AnsiToUnicode(bytes, cp);
      if (stored.size() != bytes.size()) stored.resize(bytes.size(), u'?');
    }
  }
  const TFontInfo& fi = style.TextStyles()[item.StyleNo];
  display = DisplayText(stored, fi.StyleEx.Contains(ltfsAllCaps), unicode, showSoftHyphens);
  // Below U+0300 no character is shaped with its neighbours, has no
  // width or reads right to left: most text needs one look at it.
  complex = hasZeroWidth = rtl = false;
  if (std::all_of(display.begin(), display.end(), [](char16_t c) { return c < 0x0300; })) return;
  complex = std::any_of(display.begin(), display.end(), [](char16_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x0590 && c <= 0x1DFF) || (c >= 0xD800 && c <= 0xDFFF) ||
           (c >= 0xFB1D && c <= 0xFEFF);
  });
  hasZeroWidth = std::any_of(display.begin(), display.end(), IsZeroWidthChar);
  rtl = HasRightToLeftText(display);
}

int TLTLayoutText::NextCharStart(int u) const {
  const int units = static_cast<int>(stored.size());
  do ++u;
  while (u < units && !StartsChar(u));
  return std::min(u, units);
}

int TLTLayoutText::UnitOfChar(int c) const {
  if (charOfUnit.empty()) return c;
  const auto it = std::lower_bound(charOfUnit.begin(), charOfUnit.end(), c);
  return static_cast<int>(it - charOfUnit.begin());
}

// ---- The formatter ---------------------------------------------------------------------------

TLTFormatter::TLTFormatter(TCustomLTFormattedData& data, TLTCanvas& canvas, TLTStyle& style,
                           const TLTResolutionScale& scale)
    : d_(data), canvas_(canvas), style_(style), scale_(scale), cache_(data.GetFontCache()) {
  flags_ = data.GetControlFlags();
  maxLength_ = std::max(0, data.GetMaxLength());
  wordWrap_ = data.GetWordWrap();
  docBiDi_ = data.GetBiDiMode();
  paraBiDi_ = docBiDi_;
  showSoftHyphens_ =
      data.GetOptions().Contains(ltoShowSpecialCharacters) && ShownSpecialCharacters.Contains(ltscSoftHyphen);
  leftMargin_ = scale.LeftMargin;
}

const TParaInfo& TLTFormatter::Para(int paraNo) const { return style_.ParaStyles()[paraNo]; }

int TLTFormatter::SpaceAfterOf(int itemNo) const {
  if (itemNo < 0) return 0;
  return std::max(0, scale_.Y(Para(d_.GetItem(itemNo).ParaNo).SpaceAfter));
}

void TLTFormatter::SelectStyle(int styleNo) {
  if (styleNo == curStyle_ && paraBiDi_ == curBiDi_ && canvas_.TextStateStamp() == curStamp_) return;
  const TLTFontInfoCacheItem& it = cache_.Select(style_, styleNo, canvas_, paraBiDi_);
  curStyle_ = styleNo;
  curBiDi_ = paraBiDi_;
  curStamp_ = canvas_.TextStateStamp();
  ascent_ = it.Metrics.Ascent;
  descent_ = it.Metrics.Descent;
  shift_ = it.BaselineShift;
  dashWidth_ = it.DashWidth;
  aveWidth_ = it.Metrics.AveCharWidth;
  emptyHeight_ = it.EmptyHeight;
}

int TLTFormatter::Measure(const TLTLayoutText& t, int from, int len) {
  if (len <= 0) return 0;
  const std::u16string_view s =
      std::u16string_view(t.display).substr(static_cast<size_t>(from), static_cast<size_t>(len));
  int w = canvas_.TextWidth(s);
  if (t.hasZeroWidth) {
    for (char16_t c : s)
      if (IsZeroWidthChar(c)) w -= canvas_.TextWidth(std::u16string_view(&c, 1));
  }
  return w;
}

void TLTFormatter::PieceClusters(const TLTDrawLineInfo& piece, TPieceClusters& out) {
  out.Boxes.clear();
  const TCustomLTItemInfo& item = d_.GetItem(piece.ItemNo);
  const TLTLayoutText& t = TextOf(piece.ItemNo);
  const TLTBiDiMode own = Para(item.ParaNo).BiDiMode;
  paraBiDi_ = own != ltbdUnspecified ? own : docBiDi_;
  SelectStyle(item.StyleNo);
  out.FirstUnit = t.UnitOfChar(piece.Offset - 1);
  out.Units = std::max(0, t.UnitOfChar(piece.Offset - 1 + piece.Length) - out.FirstUnit);
  if (out.Units == 0) return;
  std::vector<int> ext;
  Extents(t, out.FirstUnit, out.Units, ext);
  const std::u16string_view s =
      std::u16string_view(t.display).substr(static_cast<size_t>(out.FirstUnit), static_cast<size_t>(out.Units));
  ArrangeClusters(s, ext, piece.RightToLeft, out.Boxes);
}

void TLTFormatter::Extents(const TLTLayoutText& t, int from, int len, std::vector<int>& out) {
  const std::u16string_view s =
      std::u16string_view(t.display).substr(static_cast<size_t>(from), static_cast<size_t>(len));
  canvas_.PartialExtents(s, out);
  if (!t.hasZeroWidth || out.size() != s.size()) return;
  int removed = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsZeroWidthChar(s[i])) removed += out[i] - (i > 0 ? out[i - 1] + removed : 0);
    out[i] -= removed;
  }
}

int TLTFormatter::Fit(const TLTLayoutText& t, int from, int n, int room, bool noWrap) {
  if (noWrap || !wordWrap_) return n;
  // One measurement gives the widths of every prefix of a probe run about
  // twice the room long (by the average character); the search below reads
  // its guesses from it. A longer run is measured only when the probe fits,
  // so long paragraphs cost a few measures per line, not one of the rest.
  auto widthOf = [&](int c) -> int64_t {
    if (c <= 0) return 0;
    int64_t w = ext_[static_cast<size_t>(c - 1)];
    if (t.unicode && c < n && t.stored[static_cast<size_t>(from + c - 1)] == kSoftHyphen) w += dashWidth_;
    return w;
  };
  int lo = 0, hi = n;
  int64_t wlo = 0, whi = 0;
  int probe = n;
  if (aveWidth_ > 0) {
    const int64_t estimate = static_cast<int64_t>(room) * 2 / aveWidth_ + 16;
    if (estimate < n) probe = static_cast<int>(estimate);
  }
  for (;;) {
    LoadExtents(t, from, probe);
    if (static_cast<int>(ext_.size()) != probe) return std::min(n, 1);  // a canvas that cannot measure
    if (probe >= n) {
      const int64_t all = ext_.back();
      if (all >= 0 && all <= room) return n;
      whi = all;
      break;
    }
    const int64_t w = widthOf(probe);
    if (w > room || w < 0) {
      hi = probe;
      whi = w;
      break;
    }
    lo = probe;
    wlo = w;
    probe = static_cast<int>(std::min<int64_t>(n, static_cast<int64_t>(probe) * 2));
  }
  while (lo + 1 < hi) {
    int64_t span = whi - wlo;
    if (span <= 0) span = 1;
    int64_t c = lo + (static_cast<int64_t>(room) - wlo) * (hi - lo) / span;
    c = std::clamp<int64_t>(c, lo + 1, hi - 1);
    const int ci = static_cast<int>(c);
    const int64_t w = widthOf(ci);
    if (w == room) {
      lo = ci;
      break;
    }
    // A prefix may measure 0 (zero-width spaces, combining marks): it fits.
    if (w >= 0 && w < room) {
      lo = ci;
      wlo = w;
    } else {
      hi = ci;
      whi = w;
    }
  }
  int ans = lo;
  if (!t.unicode) return ans;
  if (ans > 0 && ans < n && t.stored[static_cast<size_t>(from + ans)] == kSoftHyphen) --ans;
  if (ans > 0 && ans < n) {
    const std::u16string_view run =
        std::u16string_view(t.display).substr(static_cast<size_t>(from), static_cast<size_t>(n));
    const int prev = TLTCanvas::PrevClusterBoundary(run, ans);
    const int next = TLTCanvas::NextClusterBoundary(run, prev);
    if (next != ans) {
      // Inside a cluster: take the whole cluster when it still fits.
      const int after = TLTCanvas::NextClusterBoundary(run, ans);
      ans = PrefixWidth(t, from, after) <= room ? after : prev;
    }
  }
  return ans;
}

void TLTFormatter::LoadExtents(const TLTLayoutText& t, int from, int len) {
  Extents(t, from, len, ext_);
  extItem_ = textItem_;
  extStyle_ = curStyle_;
  extFrom_ = from;
}

int TLTFormatter::PrefixWidth(const TLTLayoutText& t, int from, int len) {
  // Prefix widths of the last measurement serve where shaping cannot
  // depend on what follows the prefix.
  if (len > 0 && !t.complex && extItem_ == textItem_ && extStyle_ == curStyle_ && extFrom_ == from &&
      len <= static_cast<int>(ext_.size()))
    return ext_[static_cast<size_t>(len - 1)];
  return Measure(t, from, len);
}

void TLTFormatter::BeginParagraph(int itemNo) {
  const TCustomLTItemInfo& item = d_.GetItem(itemNo);
  paraFirstItem_ = itemNo;
  paraNo_ = item.ParaNo;
  const TLTBiDiMode own = Para(paraNo_).BiDiMode;
  paraBiDi_ = own != ltbdUnspecified ? own : docBiDi_;
  listLevel_ = item.IsText() ? nullptr : item.GetListLevel(style_);
  // A fragment whose first paragraph was cut inside a list paragraph keeps
  // that paragraph's indents: its marker stayed in the part before.
  if (!listLevel_ && itemNo == 0 && d_.FirstParaCut && d_.FirstParaListNo >= 0 && d_.FirstParaLevel >= 0 &&
      d_.FirstParaListNo < style_.ListStyles().Count()) {
    const TLTListInfo& list = style_.ListStyles()[d_.FirstParaListNo];
    if (list.Levels.Count() > 0) listLevel_ = &list.Levels[std::min(d_.FirstParaLevel, list.Levels.Count() - 1)];
  }
}

int TLTFormatter::ExactSplitAbove(int v) const { return RoundHalfEven(0.8 * v); }

void TLTFormatter::BeginLine(int itemNo, bool paraStart, bool fullLine) {
  const TParaInfo& para = Para(paraNo_);
  const bool firstLine = paraStart && !fullLine;
  int left, right = para.RightIndent;
  if (listLevel_) {
    const bool markerLine = firstLine && itemNo == paraFirstItem_ && !(itemNo == 0 && d_.FirstParaCut);
    left = markerLine ? listLevel_->MarkerIndent : listLevel_->LeftIndent;
    // Right to left the list's indents count from the right margin.
    if (paraBiDi_ == ltbdRightToLeft) {
      right = left;
      left = para.LeftIndent;
    }
  } else {
    left = para.LeftIndent + (firstLine ? para.FirstIndent : 0);
  }
  left = scale_.X(left);
  right = scale_.X(right);
  if (paraStart) gap_ += SpaceAfterOf(itemNo - 1) + std::max(0, scale_.Y(para.SpaceBefore));
  const bool noWrap = para.Options.Contains(ltpaoNoWrap) || !wordWrap_;
  const int width = noWrap ? d_.DocumentWidth : d_.TextWidth;
  lineWidth_ = static_cast<int>(Clamp64(static_cast<int64_t>(width) - right - left));
  lineLeft_ = leftMargin_ + left;
  x_ = 0;
  charsOnLine_ = 0;
  lineOpen_ = true;
  lineStart_ = next_;
  lineHasPiece_ = false;
  afterMarker_ = false;
  swallowed_ = false;
  forceNewLine_ = false;
  lineRtl_ = false;
  pendingTab_ = -1;
  spacingType_ = para.LineSpacingType;
  if (spacingType_ == ltlsLineHeightAtLeast || spacingType_ == ltlsLineHeightExact) {
    const int v = std::max(4, scale_.Y(para.LineSpacing));
    exactAbove_ = ExactSplitAbove(v);
    exactBelow_ = v - exactAbove_;
  }
}

int TLTFormatter::EffAbove(int actual) const {
  if (spacingType_ == ltlsLineHeightExact) return exactAbove_;
  if (spacingType_ == ltlsLineHeightAtLeast) return std::max(actual, exactAbove_);
  return actual;
}

int TLTFormatter::EffBelow(int actual) const {
  if (spacingType_ == ltlsLineHeightExact) return exactBelow_;
  if (spacingType_ == ltlsLineHeightAtLeast) return std::max(actual, exactBelow_);
  return actual;
}

void TLTFormatter::Emit(std::unique_ptr<TLTDrawLineInfo> piece, int needAbove, int needBelow) {
  TCustomLTItemInfo& item = d_.GetItem(piece->ItemNo);
  if (item.FirstDrawItem < 0) item.FirstDrawItem = next_;
  if (!lineHasPiece_) {
    piece->StartsLine = true;
    actAbove_ = needAbove;
    actBelow_ = needBelow;
    baseline_ = lineTop_ + gap_ + EffAbove(actAbove_);
    gap_ = 0;
    lineHasPiece_ = true;
  } else {
    piece->StartsLine = false;
    if (needAbove > actAbove_) {
      const int delta = EffAbove(needAbove) - EffAbove(actAbove_);
      actAbove_ = needAbove;
      if (delta > 0) {
        baseline_ += delta;
        for (int i = lineStart_; i < next_; ++i) d_.DrawItems[i].Top += delta;
      }
    }
    actBelow_ = std::max(actBelow_, needBelow);
  }
  piece->Top = baseline_ - needAbove;
  d_.DrawItems.Insert(next_, std::move(piece));
  ++next_;
}

void TLTFormatter::TrimLineEnd() {
  if (next_ <= lineStart_) return;
  TLTDrawLineInfo& last = d_.DrawItems[next_ - 1];
  const TCustomLTItemInfo& item = d_.GetItem(last.ItemNo);
  if (!item.IsText() || last.Length <= 0) return;
  const TLTLayoutText& t = SideTextOf(last.ItemNo);
  const int endUnit = t.UnitOfChar(last.Offset - 1 + last.Length) - 1;
  if (endUnit < 0 || endUnit >= static_cast<int>(t.stored.size())) return;
  if (t.IsSpace(endUnit)) {
    const bool onlyPieceOfOneChar = next_ - 1 == lineStart_ && item.TextLength() == 1;
    if (onlyPieceOfOneChar) return;
    SelectStyle(item.StyleNo);
    if (last.Length == 1) {
      if (item.FirstDrawItem == next_ - 1) {
        // The item's only piece: keep it, unseen, so that the item keeps
        // a drawing item for the caret.
        x_ -= last.Width;
        last.Width = 0;
        return;
      }
      x_ -= last.Width;
      d_.DrawItems.Delete(next_ - 1);
      --next_;
      return;
    }
    const int startUnit = t.UnitOfChar(last.Offset - 1);
    const int w = Measure(t, startUnit, endUnit - startUnit);
    x_ -= last.Width - w;
    last.Width = w;
    last.Length -= 1;
  } else if (t.unicode && t.stored[static_cast<size_t>(endUnit)] == kSoftHyphen) {
    SelectStyle(item.StyleNo);
    last.Width += dashWidth_;
    x_ += dashWidth_;
  }
}

void TLTFormatter::ResolvePendingTab() {
  if (pendingTab_ < 0 || pendingTab_ >= next_) {
    pendingTab_ = -1;
    return;
  }
  TLTDrawLineInfo& tab = d_.DrawItems[pendingTab_];
  const TLTDrawLineInfo& last = d_.DrawItems[next_ - 1];
  const int64_t p = std::min<int64_t>(pendingTabPos_, static_cast<int64_t>(lineLeft_) + lineWidth_);
  int64_t move;
  if (pendingTabAlign_ == lttaRight) {
    move = p - (static_cast<int64_t>(last.Left) + last.Width);
  } else {
    move = (2 * p - tab.Left - tab.Width - static_cast<int64_t>(last.Left) - last.Width) / 2;
  }
  move = std::max<int64_t>(0, Clamp64(move));
  const int m = static_cast<int>(move);
  for (int i = pendingTab_ + 1; i < next_; ++i) d_.DrawItems[i].Left += m;
  tab.Width += m;
  x_ += m;
  pendingTab_ = -1;
}

void TLTFormatter::EndLine(bool lastOfParagraph, bool wrap) {
  if (!lineOpen_) return;
  lineOpen_ = false;
  if (!lineHasPiece_) return;
  if (wrap && !swallowed_) TrimLineEnd();
  ResolvePendingTab();
  if (next_ <= lineStart_) {
    // Every piece of the line went: nothing to finish but its height.
    lineTop_ = baseline_ + EffBelow(actBelow_);
    return;
  }
  FinishLine(lastOfParagraph);
}

void TLTFormatter::FinishLine(bool lastOfParagraph) {
  const TLineSpan line{lineStart_, next_ - 1};
  const bool rightToLeft = paraBiDi_ == ltbdRightToLeft;
  TLTAlignment align = Para(paraNo_).Alignment;
  // The last line of a justified paragraph stands where its reading starts.
  if (align == ltaJustify && lastOfParagraph) align = rightToLeft ? ltaRight : ltaLeft;
  const int64_t free = FreeSpace(line);
  int extra = AlignToLine(line);
  extra += SpacingExtra(line);
  SetLineSpaces(line, extra);
  if (align == ltaJustify) {
    Justify(line, free);
  } else {
    int64_t shiftX = 0;
    if (align == ltaRight)
      shiftX = free;
    else if (align == ltaCenter)
      shiftX = free / 2;
    if (shiftX > 0)
      for (int i = line.First; i <= line.Last; ++i) d_.DrawItems[i].Left += static_cast<int>(shiftX);
  }
  if (rightToLeft || lineRtl_) OrderLine(line, rightToLeft);
}

int64_t TLTFormatter::FreeSpace(const TLineSpan& line) const {
  // An overflowing line is never pulled left of its margin.
  const TLTDrawLineInfo& lp = d_.DrawItems[line.Last];
  const int64_t free = static_cast<int64_t>(lineLeft_) + lineWidth_ - (static_cast<int64_t>(lp.Left) + lp.Width);
  return std::max<int64_t>(0, free);
}

int TLTFormatter::AlignToLine(const TLineSpan& line) {
  // Items aligned to the line rather than to the baseline: placed between
  // the line's top and bottom as the other pieces make them. Returns how
  // far they reach below the bottom.
  bool any = false;
  int top = INT32_MAX, bottom = INT32_MIN;
  for (int i = line.First; i <= line.Last; ++i) {
    const TLTDrawLineInfo& p = d_.DrawItems[i];
    if (LineAlignment(d_.GetItem(p.ItemNo))) {
      any = true;
      continue;
    }
    top = std::min(top, p.Top);
    bottom = std::max(bottom, p.Top + p.Height);
  }
  if (!any) return 0;
  const bool exact = spacingType_ == ltlsLineHeightExact;
  if (exact || top == INT32_MAX) {
    top = baseline_ - EffAbove(actAbove_);
    bottom = baseline_ + EffBelow(actBelow_);
  }
  int reachAbove = 0, reachBelow = 0;
  for (int i = line.First; i <= line.Last; ++i) {
    TLTDrawLineInfo& p = d_.DrawItems[i];
    const int va = LineAlignment(d_.GetItem(p.ItemNo));
    if (va == ltvaLineTop)
      p.Top = top;
    else if (va == ltvaLineBottom)
      p.Top = bottom - p.Height;
    else if (va == ltvaLineMiddle)
      p.Top = top + (bottom - top - p.Height) / 2;
    else
      continue;
    reachAbove = std::max(reachAbove, top - p.Top);
    reachBelow = std::max(reachBelow, p.Top + p.Height - bottom);
  }
  if (reachAbove > 0 && !exact) {
    for (int i = line.First; i <= line.Last; ++i) d_.DrawItems[i].Top += reachAbove;
    baseline_ += reachAbove;
  }
  return reachBelow;
}

int TLTFormatter::SpacingExtra(const TLineSpan& line) const {
  const TParaInfo& para = Para(paraNo_);
  if (spacingType_ == ltlsSpaceBetween) return std::max(0, scale_.Y(para.LineSpacing));
  if (spacingType_ != ltlsPercent) return 0;
  const int ls = std::min(para.LineSpacing, kMaxLineSpacingPercent);
  // Below half a line the setting is ignored.
  if (ls == 100 || ls < kMinLineSpacingPercent) return 0;
  int tTop = INT32_MAX, tBottom = INT32_MIN;
  for (int i = line.First; i <= line.Last; ++i) {
    const TLTDrawLineInfo& p = d_.DrawItems[i];
    if (!d_.GetItem(p.ItemNo).IsText()) continue;
    tTop = std::min(tTop, p.Top);
    tBottom = std::max(tBottom, p.Top + p.Height);
  }
  if (tTop == INT32_MAX) return 0;
  return static_cast<int>(static_cast<int64_t>(tBottom - tTop) * (ls - 100) / 100);
}

void TLTFormatter::SetLineSpaces(const TLineSpan& line, int extra) {
  const bool exact = spacingType_ == ltlsLineHeightExact;
  const bool exactKind = spacingType_ == ltlsLineHeightAtLeast || exact;
  for (int i = line.First; i <= line.Last; ++i) {
    TLTDrawLineInfo& p = d_.DrawItems[i];
    if (exact) {
      p.SpaceAbove = exactAbove_ - actAbove_;
      p.SpaceBelow = exactBelow_ - actBelow_ + extra;
    } else if (exactKind) {
      p.SpaceAbove = std::max(0, exactAbove_ - actAbove_);
      p.SpaceBelow = std::max(0, exactBelow_ - actBelow_) + extra;
    } else {
      p.SpaceAbove = 0;
      p.SpaceBelow = extra;
    }
  }
  lineTop_ = baseline_ + EffBelow(actBelow_) + extra;
}

void TLTFormatter::Justify(const TLineSpan& line, int64_t free) {
  // Only what follows the last tab is stretched, from the second piece on.
  int startAt = line.First + 1;
  for (int i = line.Last; i > line.First; --i)
    if (d_.GetItem(d_.DrawItems[i].ItemNo).GetBoolValue(iqTabulator)) {
      startAt = i + 1;
      break;
    }
  int count = 0;
  for (int i = startAt; i <= line.Last; ++i)
    if (PieceStartsWithSpace(d_.DrawItems[i])) ++count;
  int64_t remaining = free;
  int64_t moved = 0;
  for (int i = startAt; i <= line.Last; ++i) {
    TLTDrawLineInfo& p = d_.DrawItems[i];
    p.Left += static_cast<int>(moved);
    if (count > 0 && PieceStartsWithSpace(p)) {
      const int64_t add = remaining / count;
      p.JustifyExtra = static_cast<int>(add);
      p.Width += static_cast<int>(add);
      moved += add;
      remaining -= add;
      --count;
    }
  }
}

void TLTFormatter::OrderLine(TLineSpan line, bool rightToLeft) {
  if (line.Last < line.First) return;
  // The line's text: the pieces' display text, another item one object
  // character (a tab as a tab, which the algorithm separates segments at).
  lineText_.clear();
  pieceStart_.clear();
  for (int i = line.First; i <= line.Last; ++i) {
    const TLTDrawLineInfo& p = d_.DrawItems[i];
    pieceStart_.push_back(static_cast<int>(lineText_.size()));
    const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
    if (!item.IsText()) {
      lineText_.push_back(item.GetBoolValue(iqTabulator) ? u'\t' : u'\uFFFC');
      continue;
    }
    const TLTLayoutText& t = SideTextOf(p.ItemNo);
    const int u0 = t.UnitOfChar(p.Offset - 1), u1 = t.UnitOfChar(p.Offset - 1 + p.Length);
    if (u1 > u0) lineText_.append(t.display, static_cast<size_t>(u0), static_cast<size_t>(u1 - u0));
  }
  pieceStart_.push_back(static_cast<int>(lineText_.size()));
  ResolveBiDiLevels(lineText_, rightToLeft, levels_);
  SplitAtLevels(line, rightToLeft);
  VisualOrder(levels_, order_);
  visualOfUnit_.resize(order_.size());
  for (size_t v = 0; v < order_.size(); ++v) visualOfUnit_[static_cast<size_t>(order_[v])] = static_cast<int>(v);
  // Every piece now shows as one stretch of the line: it stands where its
  // first character is shown. An empty piece goes with what follows it.
  anchors_.clear();
  const int count = line.Last - line.First + 1;
  const int units = static_cast<int>(lineText_.size());
  for (int k = 0; k < count; ++k) {
    const int anchor = std::min(pieceStart_[static_cast<size_t>(k)], units - 1);
    anchors_.push_back({anchor >= 0 ? visualOfUnit_[static_cast<size_t>(anchor)] : 0, k});
  }
  std::stable_sort(anchors_.begin(), anchors_.end());

  // The pieces stand side by side from where the line's leftmost one
  // stood; a marker that hangs out before the line's start hangs out after
  // its end when the line reads from the right.
  int spanLeft = INT32_MAX;
  for (int i = line.First; i <= line.Last; ++i) spanLeft = std::min(spanLeft, d_.DrawItems[i].Left);
  if (rightToLeft && spanLeft < lineLeft_) spanLeft += lineLeft_ - spanLeft;
  int64_t x = spanLeft;
  for (const auto& [place, k] : anchors_) {
    TLTDrawLineInfo& p = d_.DrawItems[line.First + k];
    const int a = pieceStart_[static_cast<size_t>(k)];
    // A piece of one level reads in that level's direction (which puts a
    // leading space, and the gap justification added to it, on the side
    // the algorithm shows it); a whole piece in the paragraph's, the
    // canvas ordering its mixed text as the line does.
    if (a < pieceStart_[static_cast<size_t>(k) + 1] && d_.GetItem(p.ItemNo).IsText())
      p.RightToLeft = oneLevel_[static_cast<size_t>(k)] ? (levels_[static_cast<size_t>(a)] & 1) != 0 : rightToLeft;
    p.Left = static_cast<int>(Clamp64(x));
    x += p.Width;
  }
}

void TLTFormatter::SplitAtLevels(TLineSpan& line, bool rightToLeft) {
  // A piece drawn whole is ordered by the canvas as if it were all there
  // is: right when every stretch read against the paragraph's direction
  // begins and ends inside it. One that such a stretch crosses into or out
  // of (a word of a justified paragraph, a text item ending inside a
  // sentence of the other direction) does not show as one block: it is cut
  // where the level changes, so that each part has one level and is drawn
  // in its direction where the algorithm puts it.
  const uint8_t base = rightToLeft ? 1 : 0;
  const int units = static_cast<int>(lineText_.size());
  auto against = [&](int u) { return levels_[static_cast<size_t>(u)] > base; };
  const int count = line.Last - line.First + 1;
  oneLevel_.assign(static_cast<size_t>(count), 0);
  for (int k = count - 1; k >= 0; --k) {
    const int a = pieceStart_[static_cast<size_t>(k)], b = pieceStart_[static_cast<size_t>(k) + 1];
    if (b <= a) continue;
    const bool crossed = (a > 0 && against(a - 1) && against(a)) || (b < units && against(b - 1) && against(b));
    if (!crossed) continue;
    oneLevel_[static_cast<size_t>(k)] = 1;
    const int index = line.First + k;
    const TLTDrawLineInfo& p = d_.DrawItems[index];
    if (!d_.GetItem(p.ItemNo).IsText()) continue;
    const TLTLayoutText& t = SideTextOf(p.ItemNo);
    const int u0 = t.UnitOfChar(p.Offset - 1);
    const std::u16string_view s =
        std::u16string_view(t.display).substr(static_cast<size_t>(u0), static_cast<size_t>(b - a));
    cuts_.clear();
    for (int j = 1; j < b - a; ++j) {
      if (levels_[static_cast<size_t>(a + j)] == levels_[static_cast<size_t>(a + j - 1)]) continue;
      // Never inside a character (8-bit text may give one two units) or a cluster.
      if (t.CharOfUnit(u0 + j) == t.CharOfUnit(u0 + j - 1)) continue;
      if (t.unicode && TLTCanvas::NextClusterBoundary(s, TLTCanvas::PrevClusterBoundary(s, j)) != j) continue;
      cuts_.push_back(j);
    }
    if (cuts_.empty() || !SplitPiece(index, t, u0, b - a)) continue;
    const auto at = static_cast<std::ptrdiff_t>(k) + 1;
    for (size_t c = cuts_.size(); c-- > 0;) pieceStart_.insert(pieceStart_.begin() + at, a + cuts_[c]);
    oneLevel_.insert(oneLevel_.begin() + at, cuts_.size(), 1);
    line.Last += static_cast<int>(cuts_.size());
  }
}

bool TLTFormatter::SplitPiece(int index, const TLTLayoutText& t, int u0, int n) {
  TLTDrawLineInfo& p = d_.DrawItems[index];
  SelectStyle(d_.GetItem(p.ItemNo).StyleNo);
  Extents(t, u0, n, partExt_);
  if (static_cast<int>(partExt_.size()) != n) return false;
  auto widthTo = [&](int j) { return j > 0 ? partExt_[static_cast<size_t>(j - 1)] : 0; };
  const int m = static_cast<int>(cuts_.size());
  // Each part as wide as it measures; the last takes what is left, so that
  // the line keeps its width (and a hyphen added at its end stays there).
  std::vector<int> widths(static_cast<size_t>(m) + 1);
  widths[0] = widthTo(cuts_[0]) + p.JustifyExtra;
  for (int c = 1; c < m; ++c)
    widths[static_cast<size_t>(c)] =
        widthTo(cuts_[static_cast<size_t>(c)]) - widthTo(cuts_[static_cast<size_t>(c) - 1]);
  widths[static_cast<size_t>(m)] = std::max(0, p.Width - p.JustifyExtra - widthTo(cuts_.back()));
  for (int c = 0; c < m; ++c) {
    const int from = cuts_[static_cast<size_t>(c)], to = c + 1 < m ? cuts_[static_cast<size_t>(c) + 1] : n;
    auto part = std::make_unique<TLTDrawLineInfo>(p);
    part->Offset = t.CharOfUnit(u0 + from) + 1;
    part->Length = t.CharOfUnit(u0 + to) - t.CharOfUnit(u0 + from);
    part->Width = widths[static_cast<size_t>(c) + 1];
    part->JustifyExtra = 0;
    part->StartsLine = false;
    d_.DrawItems.Insert(next_, std::move(part));
    d_.DrawItems.MoveBack(next_, index + 1 + c);
    ++next_;
  }
  p.Length = t.CharOfUnit(u0 + cuts_[0]) - t.CharOfUnit(u0);
  p.Width = widths[0];

  // What refers to the pieces after it moves with them: the first pieces
  // of later items and the hyperlink rectangles, of which the parts of a
  // hyperlink get one each.
  for (int d = index + m + 1; d < next_; ++d) {
    TCustomLTItemInfo& item = d_.GetItem(d_.DrawItems[d].ItemNo);
    if (item.FirstDrawItem == d - m) item.FirstDrawItem = d;
  }
  for (size_t j = 0; j < jumps_.size(); ++j) {
    TLTJumpInfo& jump = jumps_[j];
    const bool own = jump.LTData == &d_;
    if (own && jump.DrawItemIndex > index) jump.DrawItemIndex += m;
    if (jump.OwnerDrawItemIndex > index) jump.OwnerDrawItemIndex += m;
    if (!own || jump.DrawItemIndex != index) continue;
    jump.Width = widths[0];
    TLTJumpInfo part = jump;
    for (int c = 1; c <= m; ++c) {
      part.DrawItemIndex = part.OwnerDrawItemIndex = index + c;
      part.Width = widths[static_cast<size_t>(c)];
      jumps_.insert(jumps_.begin() + static_cast<std::ptrdiff_t>(j) + c, part);
    }
    j += static_cast<size_t>(m);
  }
  return true;
}

bool TLTFormatter::PieceStartsWithSpace(const TLTDrawLineInfo& p) {
  const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
  if (!item.IsText() || p.Length <= 0) return false;
  const TLTLayoutText& t = SideTextOf(p.ItemNo);
  const int u = t.UnitOfChar(p.Offset - 1);
  return u < static_cast<int>(t.stored.size()) && t.stored[static_cast<size_t>(u)] == u' ';
}

const TLTLayoutText& TLTFormatter::SideTextOf(int itemNo) {
  if (itemNo == textItem_) return text_;
  if (sideItem_ != itemNo) {
    side_.Load(d_, itemNo, style_, showSoftHyphens_);
    sideItem_ = itemNo;
  }
  return side_;
}

TLTLayoutText& TLTFormatter::TextOf(int itemNo) {
  if (textItem_ != itemNo) {
    text_.Load(d_, itemNo, style_, showSoftHyphens_);
    textItem_ = itemNo;
  }
  return text_;
}

// ---- Text ------------------------------------------------------------------------------------

void TLTFormatter::NewLineForItem(int itemNo, bool wrap) {
  EndLine(false, wrap);
  BeginLine(itemNo, false, false);
}

void TLTFormatter::PlaceTextRun(int itemNo, int from, int n, bool itemStart) {
  const TCustomLTItemInfo& item = d_.GetItem(itemNo);
  const TFontInfo& fi = style_.TextStyles()[item.StyleNo];
  TRun run;
  run.ItemNo = itemNo;
  run.Pos = from;
  run.Remaining = n;
  run.ItemStart = itemStart;
  run.ParaStart = itemStart && item.StartsParagraph();
  run.NeedLine = (itemStart && !item.HasFlag(ltifJoinPrev)) || !lineOpen_ || forceNewLine_;
  run.NoWrap = Para(paraNo_).Options.Contains(ltpaoNoWrap);
  run.Wrapping = wordWrap_ && !run.NoWrap;
  run.Swallow = (flags_ & ltcfSwallowSpaces) != 0;
  run.Jump = fi.Jump && (flags_ & ltcfRegisterJumps);
  run.JumpCursor = fi.JumpCursor;
  if (n == 0 && TextOf(itemNo).stored.empty()) {
    PlaceEmptyText(run);
    return;
  }
  while (run.Remaining > 0) {
    if (run.NeedLine) OpenRunLine(run);
    run.FirstLine = false;
    const TCut cut = NextCut(run);
    if (cut.NewLine) {
      run.NeedLine = true;
      continue;
    }
    if (cut.Length > 0) EmitTextPiece(run, run.Pos, cut.Length, PrefixWidth(TextOf(itemNo), run.Pos, cut.Length));
    run.Pos += cut.Length;
    run.Remaining -= cut.Length;
    if (cut.SwallowNext) {
      ++run.Pos;
      --run.Remaining;
      swallowed_ = true;
      if (run.Remaining == 0) forceNewLine_ = true;
    }
    if (run.Remaining > 0) run.NeedLine = true;
  }
}

void TLTFormatter::PlaceEmptyText(const TRun& run) {
  if (run.NeedLine) {
    if (run.ParaStart)
      BeginParagraphLine(run.ItemNo);
    else
      NewLineForItem(run.ItemNo, false);
  }
  SelectStyle(d_.GetItem(run.ItemNo).StyleNo);
  EmitTextPiece(run, 0, 0, 0);
  d_.DrawItems[next_ - 1].Height = emptyHeight_;
}

void TLTFormatter::OpenRunLine(TRun& run) {
  const TCustomLTItemInfo& item = d_.GetItem(run.ItemNo);
  const bool ownLine = run.FirstLine && run.ItemStart && !item.HasFlag(ltifJoinPrev);
  const bool wrapLine = !ownLine && !forceNewLine_;
  if (ownLine && run.ParaStart)
    BeginParagraphLine(run.ItemNo);
  else
    NewLineForItem(run.ItemNo, wrapLine);
  run.NeedLine = false;
  // A wrapped line does not start with the space the wrap fell on.
  const TLTLayoutText& t = TextOf(run.ItemNo);
  if (wrapLine && run.Swallow && !swallowed_ && run.Remaining > 1 && t.IsSpace(run.Pos)) {
    ++run.Pos;
    --run.Remaining;
  }
  swallowed_ = false;
}

int TLTFormatter::FittingCount(const TRun& run) {
  const TLTLayoutText& t = TextOf(run.ItemNo);
  const int room = std::max(0, lineWidth_ - x_);
  if (maxLength_ > 0 && run.Wrapping) {
    if (charsOnLine_ >= maxLength_) return 0;
    return std::min(Fit(t, run.Pos, run.Remaining, room, run.NoWrap), maxLength_ - charsOnLine_);
  }
  return Fit(t, run.Pos, run.Remaining, room, run.NoWrap);
}

TLTFormatter::TCut TLTFormatter::NextCut(const TRun& run) {
  const TLTLayoutText& t = TextOf(run.ItemNo);
  // Ending a line may have measured its pieces in their own fonts.
  SelectStyle(d_.GetItem(run.ItemNo).StyleNo);
  // Only at a line's start (or right after a list marker) may a word that
  // does not fit be cut inside: elsewhere it moves to the next line whole.
  const bool mayCut = next_ == lineStart_ || afterMarker_;
  int count = FittingCount(run);
  // 8-bit text ends a piece only where a character starts.
  if (!t.unicode && count < run.Remaining) count = t.CharStart(run.Pos + count) - run.Pos;
  if (count == 0) {
    if (!mayCut) return {0, false, true};
    const int first = t.unicode ? TLTCanvas::NextClusterBoundary(
                                      std::u16string_view(t.display).substr(static_cast<size_t>(run.Pos)), 0)
                                : t.NextCharStart(run.Pos) - run.Pos;
    count = std::min(std::max(1, first), run.Remaining);
  }
  if (count >= run.Remaining) return {count};
  const std::u16string_view rest =
      std::u16string_view(t.stored).substr(static_cast<size_t>(run.Pos), static_cast<size_t>(run.Remaining));
  int brk = -1;
  if (t.unicode) {
    brk = FindUnicodeBreak(rest, count);
  } else {
    // 8-bit text breaks at its last space, one just after the part that fits included.
    for (int i = std::min(count + 1, run.Remaining) - 1; i >= 0; --i)
      if (t.IsSpace(run.Pos + i)) {
        brk = i;
        break;
      }
  }
  if (brk >= 0) {
    if (run.Swallow && t.IsSpace(run.Pos + brk) && brk > 0) return {brk, true};
    return {brk + 1};
  }
  if (run.Swallow && t.IsSpace(run.Pos + count) && (count + 1 < run.Remaining || NextContinuesParagraph(run.ItemNo)))
    return {count, true};
  if (!mayCut) return {0, false, true};
  return {count};
}

void TLTFormatter::EmitTextPiece(const TRun& run, int unit, int length, int width) {
  const TLTLayoutText& t = TextOf(run.ItemNo);
  auto piece = std::make_unique<TLTDrawLineInfo>();
  piece->ItemNo = run.ItemNo;
  const int c0 = t.CharOfUnit(unit);
  piece->Offset = c0 + 1;
  piece->Length = t.CharOfUnit(unit + length) - c0;
  piece->Left = lineLeft_ + x_;
  piece->Width = width;
  piece->Height = ascent_ + descent_;
  piece->RightToLeft = canvas_.ReadingOrder() == TLTReadingOrder::RightToLeft;
  if (t.rtl) lineRtl_ = true;
  const int left = piece->Left, h = piece->Height;
  const int index = next_;
  Emit(std::move(piece), ascent_ + shift_, descent_ - shift_);
  x_ += width;
  charsOnLine_ += length;
  afterMarker_ = false;
  if (run.Jump) AddJump(index, left, width, h, run.JumpCursor);
}

bool TLTFormatter::NextContinuesParagraph(int itemNo) const {
  return itemNo + 1 < d_.ItemCount() && !d_.GetItem(itemNo + 1).StartsParagraph();
}

void TLTFormatter::BeginParagraphLine(int itemNo) {
  EndLine(true, false);
  BeginParagraph(itemNo);
  BeginLine(itemNo, true, false);
}

void TLTFormatter::AddJump(int drawIndex, int left, int width, int height, TCursor cursor) {
  TLTJumpInfo j;
  j.LTData = &d_;
  j.Left = left;
  j.Width = width;
  j.Height = height;
  j.Id = jumpNo_;
  j.DrawItemIndex = drawIndex;
  j.OwnerDrawItemIndex = drawIndex;
  j.Cursor = cursor;
  jumps_.push_back(j);
  itemIsJump_ = true;
}

void TLTFormatter::PlaceText(int itemNo) {
  const TCustomLTItemInfo& item = d_.GetItem(itemNo);
  TLTLayoutText& t = TextOf(itemNo);
  const int n = static_cast<int>(t.stored.size());
  if (Para(item.ParaNo).Alignment == ltaJustify && n > 0) {
    // Word by word, so that justification can widen the gaps: each word
    // but the first keeps its one leading space.
    int start = 0;
    while (start < n) {
      int end = start + 1;
      while (end < n && !t.IsSpace(end)) ++end;
      PlaceTextRun(itemNo, start, end - start, start == 0);
      start = end;
    }
  } else {
    PlaceTextRun(itemNo, 0, n, true);
  }
}

// ---- Other items ------------------------------------------------------------------------------

TLTItemLayoutContext TLTFormatter::ItemContext() {
  TLTItemLayoutContext ctx{canvas_, style_, scale_};
  ctx.Owner = &d_;
  return ctx;
}

int TLTFormatter::AvailableWidth(int paraNo) const {
  const TParaInfo& para = Para(paraNo);
  const int indents = scale_.X(ClampStyleLength(int64_t{para.LeftIndent} + para.FirstIndent + para.RightIndent));
  return std::max(0, d_.TextWidth - indents);
}

TLTStyle::TTabStop TLTFormatter::NextTabStop() {
  if (pendingTab_ >= 0) ResolvePendingTab();
  const int indentStop = scale_.X(listLevel_ ? listLevel_->LeftIndent : Para(paraNo_).LeftIndent);
  return style_.FindNextTabStop(paraNo_, PenX(), leftMargin_, indentStop, indentStop, ltbdUnspecified, scale_);
}

TLTLineFont TLTFormatter::SelectTextStyle(int styleNo) {
  SelectStyle(styleNo);
  return {ascent_, descent_, shift_};
}

void TLTFormatter::PlaceBox(int itemNo) {
  TCustomLTItemInfo& item = d_.GetItem(itemNo);
  const bool noWrap = !wordWrap_ || Para(item.ParaNo).Options.Contains(ltpaoNoWrap);
  if (item.StartsParagraph()) {
    BeginParagraphLine(itemNo);
  } else if (!lineOpen_ || item.HasFlag(ltifNewLine) || forceNewLine_) {
    NewLineForItem(itemNo, forceNewLine_);
  }

  TLTItemLayoutContext ctx = ItemContext();
  item.OnDocWidthChange(ctx, AvailableWidth(item.ParaNo));
  TLTLinePlacement placement = item.PlaceOnLine(ctx, *this);
  const bool maxReached = maxLength_ > 0 && !noWrap && charsOnLine_ >= maxLength_;
  const bool fits = next_ == lineStart_ || noWrap || afterMarker_ ||
                    (static_cast<int64_t>(x_) + item.GetWidth() <= lineWidth_ && !maxReached);
  if (!fits) {
    NewLineForItem(itemNo, true);
    placement = item.PlaceOnLine(ctx, *this);
  }

  // Vertical needs, by the item's alignment against the baseline; items
  // aligned to the line are placed when it is finished.
  const int h = item.GetHeight();
  const TLTVAlign va = item.GetVAlign();
  const int vshift = item.GetVShift(scale_);
  int needAbove = 0, needBelow = 0;
  if (va == ltvaBaseline || va == ltvaMiddle) {
    const int a = va == ltvaBaseline ? h - item.GetDescent() : h / 2;
    needAbove = a + vshift;
    needBelow = h - a - vshift;
  }

  auto piece = std::make_unique<TLTDrawLineInfo>();
  piece->ItemNo = itemNo;
  piece->Left = lineLeft_ + x_ + item.GetPenOffset();
  piece->Width = item.GetWidth();
  piece->Height = h;
  const int index = next_;
  const int left = piece->Left, width = piece->Width;
  Emit(std::move(piece), needAbove, needBelow);
  if (IsLineAligned(va)) d_.DrawItems[index].Top = baseline_;
  x_ += width + item.GetPenOffset();
  charsOnLine_ += 1;
  afterMarker_ = item.GetBoolValue(iqListMarker);
  if (placement.Pending != lttaLeft) {
    pendingTab_ = index;
    pendingTabAlign_ = placement.Pending;
    pendingTabPos_ = placement.Stop;
  }
  if ((flags_ & ltcfRegisterJumps) && item.GetBoolValueEx(iqxHyperlink, &style_))
    AddJump(index, left, width, h, style_.JumpCursor);
}

void TLTFormatter::PlaceFullLine(int itemNo) {
  TCustomLTItemInfo& item = d_.GetItem(itemNo);
  EndLine(true, false);
  BeginParagraph(itemNo);
  listLevel_ = nullptr;
  const int gap = gap_ + SpaceAfterOf(itemNo - 1) + SpaceBeforeOf(itemNo);
  gap_ = 0;

  TLTItemLayoutContext ctx = ItemContext();
  ctx.Force = ForceItems;
  ctx.NextJumpNo = &jumpNo_;
  const TParaInfo& para = Para(item.ParaNo);
  TLTFullLineArea area;
  area.TextWidth = d_.TextWidth;
  area.Left = scale_.X(std::max(0, para.LeftIndent));
  area.Available = std::max(0, d_.TextWidth - scale_.X(std::max(0, para.LeftIndent) + std::max(0, para.RightIndent)));
  area.Alignment = para.Alignment;
  const TLTFullLineBox box = item.LayOutFullLine(ctx, area);

  auto piece = std::make_unique<TLTDrawLineInfo>();
  piece->ItemNo = itemNo;
  piece->StartsLine = true;
  piece->Left = leftMargin_ + box.Left;
  piece->Width = box.Width;
  piece->Height = box.Height;
  piece->Top = lineTop_ + gap;
  lineTop_ = piece->Top + box.Height;
  if (item.FirstDrawItem < 0) item.FirstDrawItem = next_;
  const int index = next_;
  const TLTDrawLineInfo p = *piece;
  d_.DrawItems.Insert(next_, std::move(piece));
  ++next_;
  baseline_ = lineTop_;
  if ((flags_ & ltcfRegisterJumps) && item.GetBoolValueEx(iqxHyperlink, &style_))
    AddJump(index, p.Left, p.Width, p.Height, style_.JumpCursor);
  if (flags_ & ltcfRegisterJumps) {
    // A table registers the hyperlinks of its cells in its own turn.
    const size_t before = jumps_.size();
    item.CollectJumps(jumps_);
    for (size_t k = before; k < jumps_.size(); ++k) jumps_[k].OwnerDrawItemIndex = index;
  }
}

// ---- Minimal width -----------------------------------------------------------------------------

TLTFormatter::TTextWidths TLTFormatter::TextMinWidths(int itemNo) {
  TTextWidths w;
  TLTLayoutText& t = TextOf(itemNo);
  SelectStyle(d_.GetItem(itemNo).StyleNo);
  const std::u16string_view s = t.display;
  if (s.empty()) return w;
  Extents(t, 0, static_cast<int>(s.size()), ext_);
  extItem_ = -1;  // these widths are not the last prefix measurement
  if (ext_.size() != s.size()) return w;
  w.Whole = ext_.back();
  // The unbreakable runs, from one measurement: runs end at break
  // opportunities; spaces belong to no run.
  const int n = static_cast<int>(s.size());
  const std::u16string_view st = t.stored;
  // A formatter lives for one container (a table cell): the runs' list is
  // kept between them instead of grown again in every one.
  thread_local std::vector<TRunSpan> runs;
  runs.clear();
  int start = 0;
  for (int k = 0; k < n; ++k) {
    if (st[static_cast<size_t>(k)] == u' ' && t.IsSpace(k)) {
      start = k + 1;
      continue;
    }
    // A run also ends before a space: with Unicode breaking the
    // opportunity lies after the space, which no run includes.
    const bool ends = k + 1 == n || (st[static_cast<size_t>(k) + 1] == u' ' && t.IsSpace(k + 1)) ||
                      (t.unicode && BreakAllowedAfter(st, k));
    if (!ends) continue;
    const int share = ext_[static_cast<size_t>(k)] - (start > 0 ? ext_[static_cast<size_t>(start - 1)] : 0);
    runs.push_back({start, k + 1, share});
    start = k + 1;
  }
  // A run's share of the whole may be a pixel narrower than the run
  // measured alone (rounding), or more (shaping, characters of no width);
  // placing measures it alone, so the widest candidates are measured as
  // placing does, and a document widened for them always fits them.
  // Unshaped, the widest share is measured first, and after it only the
  // runs whose share (and its rounding) could still be wider.
  const bool shaped = t.complex || t.hasZeroWidth;
  constexpr int kRoundingSlack = 2;
  auto measure = [&](const TRunSpan& r) {
    int64_t width = Measure(t, r.Start, r.End - r.Start);
    if (t.unicode && st[static_cast<size_t>(r.End - 1)] == kSoftHyphen) width += dashWidth_;
    w.Widest = std::max(w.Widest, width);
  };
  const auto first =
      shaped || runs.empty()
          ? runs.end()
          : std::max_element(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.Share < b.Share; });
  if (first != runs.end()) measure(*first);
  for (auto r = runs.begin(); r != runs.end(); ++r)
    if (r != first && (shaped || r->Share + kRoundingSlack > w.Widest)) measure(*r);
  return w;
}

int TLTFormatter::MinWidth(int fromItem) {
  const int count = d_.ItemCount();
  int64_t result = 0;
  int i = fromItem;
  while (i < count) {
    const TParaInfo& para = Para(d_.GetItem(i).ParaNo);
    BeginParagraph(i);
    int64_t indents;
    if (listLevel_) {
      const int other = paraBiDi_ == ltbdRightToLeft ? para.LeftIndent : para.RightIndent;
      indents = scale_.X(std::max(listLevel_->LeftIndent, listLevel_->MarkerIndent)) + scale_.X(std::max(0, other));
    } else {
      indents = scale_.X(std::max(0, para.LeftIndent) + std::max(0, para.FirstIndent) + std::max(0, para.RightIndent));
    }
    // A paragraph that wraps needs its widest word, one that does not all of it.
    const bool noWrap = para.Options.Contains(ltpaoNoWrap) || !wordWrap_;
    int64_t sum = 0, widest = 0;
    int j = i;
    do {
      TCustomLTItemInfo& item = d_.GetItem(j);
      if (item.IsText()) {
        const TTextWidths w = TextMinWidths(j);
        sum += w.Whole;
        widest = std::max(widest, w.Widest);
      } else {
        TLTItemLayoutContext ctx = ItemContext();
        const int w = std::max(0, item.GetMinWidth(ctx));
        widest = std::max<int64_t>(widest, w);
        sum += w;
      }
      ++j;
    } while (j < count && !d_.GetItem(j).StartsParagraph());
    result = std::max(result, indents + (noWrap ? sum : widest));
    i = j;
  }
  return static_cast<int>(std::min<int64_t>(result, 1000000000));
}

// ---- The pass ----------------------------------------------------------------------------------

void TLTFormatter::Run(int firstItem, int lastItem, int startDrawIndex, int lineTop, int firstJumpNo) {
  next_ = startDrawIndex;
  lineTop_ = lineTop;
  jumpNo_ = firstJumpNo;
  gap_ = 0;
  for (int i = firstItem; i <= lastItem; ++i) {
    TCustomLTItemInfo& item = d_.GetItem(i);
    item.FirstDrawItem = -1;
    itemIsJump_ = false;
    if (i == firstItem && !item.StartsParagraph()) {
      // A range always starts at a paragraph; this guards odd documents.
      BeginParagraph(i);
    }
    if (item.IsText()) {
      PlaceText(i);
    } else if (item.GetBoolValue(iqFullLine)) {
      PlaceFullLine(i);
    } else {
      PlaceBox(i);
    }
    if (item.IsText() && style_.TextStyles()[item.StyleNo].Jump)
      itemIsJump_ = true;
    else if (!item.IsText() && item.GetBoolValueEx(iqxHyperlink, &style_))
      itemIsJump_ = true;
    if (itemIsJump_) {
      item.LinkIndex = jumpNo_;
      ++jumpNo_;
    }
  }
  EndLine(true, false);
}

int TLTFormatter::SpaceBeforeOf(int itemNo) const {
  if (itemNo < 0 || itemNo >= d_.ItemCount()) return 0;
  const TCustomLTItemInfo& item = d_.GetItem(itemNo);
  return std::max(0, scale_.Y(Para(item.ParaNo).SpaceBefore)) + item.GetExtraSpaceBefore(style_, scale_);
}

}  // namespace lectern
