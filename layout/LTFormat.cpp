// Line layout: places the items of a formatted container on lines of a width,
// text by measured runs broken at line-break opportunities, other items as
// rectangles or whole lines, then aligns, justifies and spaces each line.

#include "layout/CLTFData.h"
#include "layout/LTFormatter.h"
#include "layout/LTLineBreak.h"
#include "model/LTMarker.h"
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
  complex = std::any_of(display.begin(), display.end(), [](char16_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x0590 && c <= 0x1DFF) || (c >= 0xD800 && c <= 0xDFFF) ||
           (c >= 0xFB1D && c <= 0xFEFF);
  });
  hasZeroWidth = std::any_of(display.begin(), display.end(), IsZeroWidthChar);
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
  if (styleNo == curStyle_) return;
  const TLTFontInfoCacheItem& it = cache_.Select(style_, styleNo, canvas_, docBiDi_);
  curStyle_ = styleNo;
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
  listLevel_ = nullptr;
  if (item.StyleNo == ltikMarker) {
    const auto& marker = static_cast<const TLTMarkerItemInfo&>(item);
    listLevel_ = marker.GetLevelInfo(&style_);
  }
}

int TLTFormatter::ExactSplitAbove(int v) const { return RoundHalfEven(0.8 * v); }

void TLTFormatter::BeginLine(int itemNo, bool paraStart, bool fullLine) {
  const TParaInfo& para = Para(paraNo_);
  const bool firstLine = paraStart && !fullLine;
  int left;
  if (listLevel_) {
    left = firstLine && itemNo == paraFirstItem_ ? listLevel_->MarkerIndent : listLevel_->LeftIndent;
  } else {
    left = para.LeftIndent + (firstLine ? para.FirstIndent : 0);
  }
  left = scale_.X(left);
  const int right = scale_.X(para.RightIndent);
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
  if (t.stored[static_cast<size_t>(endUnit)] == u' ') {
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
  const int first = lineStart_, last = next_ - 1;
  const TParaInfo& para = Para(paraNo_);
  TLTBiDiMode bidi = para.BiDiMode != ltbdUnspecified ? para.BiDiMode : docBiDi_;
  TLTAlignment align = para.Alignment;
  if (align == ltaJustify && bidi == ltbdLeftToRight) align = ltaLeft;
  if (align == ltaJustify && bidi == ltbdRightToLeft) align = ltaRight;

  // 1. Free space; an overflowing line is never pulled left of its margin.
  const TLTDrawLineInfo& lp = d_.DrawItems[last];
  int64_t free = static_cast<int64_t>(lineLeft_) + lineWidth_ - (static_cast<int64_t>(lp.Left) + lp.Width);
  free = std::max<int64_t>(0, free);
  int64_t shiftX = free;
  if (align == ltaCenter)
    shiftX = free / 2;
  else if (align == ltaLeft || align == ltaJustify)
    shiftX = 0;

  // 2. Items aligned to the line rather than the baseline.
  int extra = 0;
  bool anyLineAligned = false;
  int top = INT32_MAX, bottom = INT32_MIN;
  for (int i = first; i <= last; ++i) {
    const TLTDrawLineInfo& p = d_.DrawItems[i];
    if (LineAlignedItem(p.ItemNo)) {
      anyLineAligned = true;
      continue;
    }
    top = std::min(top, p.Top);
    bottom = std::max(bottom, p.Top + p.Height);
  }
  const bool exact = spacingType_ == ltlsLineHeightExact;
  if (exact || top == INT32_MAX) {
    top = baseline_ - EffAbove(actAbove_);
    bottom = baseline_ + EffBelow(actBelow_);
  }
  if (anyLineAligned) {
    int reachAbove = 0, reachBelow = 0;
    for (int i = first; i <= last; ++i) {
      TLTDrawLineInfo& p = d_.DrawItems[i];
      const int va = LineAlignedItem(p.ItemNo);
      if (!va) continue;
      if (va == 2)
        p.Top = top;
      else if (va == 3)
        p.Top = bottom - p.Height;
      else
        p.Top = top + (bottom - top - p.Height) / 2;
      reachAbove = std::max(reachAbove, top - p.Top);
      reachBelow = std::max(reachBelow, p.Top + p.Height - bottom);
    }
    if (reachAbove > 0 && !exact) {
      for (int i = first; i <= last; ++i) d_.DrawItems[i].Top += reachAbove;
      baseline_ += reachAbove;
    }
    extra += reachBelow;
  }

  // 3. Line spacing.
  const bool exactKind = spacingType_ == ltlsLineHeightAtLeast || exact;
  if (spacingType_ == ltlsPercent) {
    const int ls = std::min(para.LineSpacing, 1000);
    if (ls != 100 && ls >= 50) {
      int tTop = INT32_MAX, tBottom = INT32_MIN;
      for (int i = first; i <= last; ++i) {
        const TLTDrawLineInfo& p = d_.DrawItems[i];
        if (!d_.GetItem(p.ItemNo).IsText()) continue;
        tTop = std::min(tTop, p.Top);
        tBottom = std::max(tBottom, p.Top + p.Height);
      }
      if (tTop != INT32_MAX) extra += static_cast<int>(static_cast<int64_t>(tBottom - tTop) * (ls - 100) / 100);
    }
  } else if (spacingType_ == ltlsSpaceBetween) {
    extra += std::max(0, scale_.Y(para.LineSpacing));
  }
  for (int i = first; i <= last; ++i) {
    TLTDrawLineInfo& p = d_.DrawItems[i];
    if (exactKind) {
      p.SpaceAbove = exactAbove_ - actAbove_;
      p.SpaceBelow = exactBelow_ - actBelow_ + extra;
      if (!exact) {
        p.SpaceAbove = std::max(0, p.SpaceAbove);
        p.SpaceBelow = std::max(0, exactBelow_ - actBelow_) + extra;
      }
    } else {
      p.SpaceAbove = 0;
      p.SpaceBelow = extra;
    }
  }
  lineTop_ = baseline_ + EffBelow(actBelow_) + extra;

  // 4. Horizontal placement.
  if (align == ltaJustify && !lastOfParagraph) {
    int startAt = first + 1;
    for (int i = last; i > first; --i)
      if (d_.GetItem(d_.DrawItems[i].ItemNo).StyleNo == ltikTabulator) {
        startAt = i + 1;
        break;
      }
    int count = 0;
    for (int i = startAt; i <= last; ++i)
      if (PieceStartsWithSpace(d_.DrawItems[i])) ++count;
    int64_t remaining = free;
    int64_t moved = 0;
    for (int i = startAt; i <= last; ++i) {
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
  } else if (shiftX > 0) {
    for (int i = first; i <= last; ++i) d_.DrawItems[i].Left += static_cast<int>(shiftX);
  }

  // 5. A right-to-left line reads from the right: its pieces are laid out
  // in reverse order inside the same span.
  if (bidi == ltbdRightToLeft && last > first) {
    const int spanLeft = d_.DrawItems[first].Left;
    const TLTDrawLineInfo& lastPiece = d_.DrawItems[last];
    const int spanRight = lastPiece.Left + lastPiece.Width;
    for (int i = first; i <= last; ++i) {
      TLTDrawLineInfo& p = d_.DrawItems[i];
      p.Left = spanLeft + spanRight - (p.Left + p.Width);
    }
  }
}

bool TLTFormatter::PieceStartsWithSpace(const TLTDrawLineInfo& p) {
  const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
  if (!item.IsText() || p.Length <= 0) return false;
  const TLTLayoutText& t = SideTextOf(p.ItemNo);
  const int u = t.UnitOfChar(p.Offset - 1);
  return u < static_cast<int>(t.stored.size()) && t.stored[static_cast<size_t>(u)] == u' ';
}

int TLTFormatter::LineAlignedItem(int itemNo) const {
  const auto* rect = dynamic_cast<const TLTRectItemInfo*>(&d_.GetItem(itemNo));
  if (!rect || rect->VertAlign < 2 || rect->VertAlign > 4) return 0;
  return rect->VertAlign;
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
  TLTLayoutText& t = TextOf(itemNo);
  SelectStyle(item.StyleNo);
  const TFontInfo& fi = style_.TextStyles()[item.StyleNo];
  const bool jump = fi.Jump && (flags_ & ltcfRegisterJumps);
  const bool noWrap = Para(paraNo_).Options.Contains(ltpaoNoWrap);
  const bool swallowFlag = (flags_ & ltcfSwallowSpaces) != 0;
  const int unitCount = static_cast<int>(t.stored.size());
  const bool wrapping = wordWrap_ && !noWrap;

  bool needLine = (itemStart && !item.HasFlag(ltifJoinPrev)) || !lineOpen_ || forceNewLine_;
  const bool paraStart = itemStart && item.StartsParagraph();

  auto makePiece = [&](int u, int len, int width) {
    auto piece = std::make_unique<TLTDrawLineInfo>();
    piece->ItemNo = itemNo;
    const int c0 = t.CharOfUnit(u);
    piece->Offset = c0 + 1;
    piece->Length = t.CharOfUnit(u + len) - c0;
    piece->Left = lineLeft_ + x_;
    piece->Width = width;
    piece->Height = ascent_ + descent_;
    const int left = piece->Left, w = piece->Width, h = piece->Height;
    const int index = next_;
    Emit(std::move(piece), ascent_ + shift_, descent_ - shift_);
    x_ += width;
    charsOnLine_ += len;
    afterMarker_ = false;
    if (jump) AddJump(index, left, w, h, fi.JumpCursor);
  };

  if (n == 0 && unitCount == 0) {
    if (needLine) {
      if (paraStart)
        BeginParagraphLine(itemNo);
      else
        NewLineForItem(itemNo, false);
    }
    SelectStyle(item.StyleNo);
    makePiece(0, 0, 0);
    d_.DrawItems[next_ - 1].Height = emptyHeight_;
    return;
  }

  int pos = from;
  int remaining = n;
  bool firstLineOfRun = true;
  while (remaining > 0) {
    if (needLine) {
      const bool ownLine = firstLineOfRun && itemStart && !item.HasFlag(ltifJoinPrev);
      const bool wrapLine = !ownLine && !forceNewLine_;
      if (ownLine && paraStart)
        BeginParagraphLine(itemNo);
      else
        NewLineForItem(itemNo, wrapLine);
      needLine = false;
      if (wrapLine && swallowFlag && !swallowed_ && remaining > 1 && t.stored[static_cast<size_t>(pos)] == u' ') {
        ++pos;
        --remaining;
      }
      swallowed_ = false;
      // Ending the last line may have measured its pieces in their fonts.
      SelectStyle(item.StyleNo);
    }
    firstLineOfRun = false;
    const bool lineEmpty = next_ == lineStart_;
    const int room = std::max(0, lineWidth_ - x_);
    int count;
    const bool maxReached = maxLength_ > 0 && wrapping && charsOnLine_ >= maxLength_;
    if (maxReached) {
      count = 0;
    } else {
      count = Fit(t, pos, remaining, room, noWrap);
      if (maxLength_ > 0 && wrapping) count = std::min(count, maxLength_ - charsOnLine_);
    }
    if (count == 0) {
      if (lineEmpty || afterMarker_) {
        count = t.unicode ? std::max(1, TLTCanvas::NextClusterBoundary(
                                            std::u16string_view(t.display).substr(static_cast<size_t>(pos)), 0))
                          : 1;
        count = std::min(count, remaining);
      } else {
        needLine = true;
        continue;
      }
    }
    int pieceLen = count;
    bool swallowNext = false;
    if (count < remaining) {
      const std::u16string_view rest =
          std::u16string_view(t.stored).substr(static_cast<size_t>(pos), static_cast<size_t>(remaining));
      int brk = t.unicode ? FindUnicodeBreak(rest, count) : -1;
      if (!t.unicode) {
        const int limit = std::min(count + 1, remaining);
        for (int i = limit - 1; i >= 0; --i)
          if (rest[static_cast<size_t>(i)] == u' ') {
            brk = i;
            break;
          }
      }
      if (brk >= 0) {
        pieceLen = brk + 1;
        if (swallowFlag && rest[static_cast<size_t>(brk)] == u' ' && brk > 0) {
          pieceLen = brk;
          swallowNext = true;
        }
      } else if (swallowFlag && rest[static_cast<size_t>(count)] == u' ' &&
                 (count + 1 < remaining || NextContinuesParagraph(itemNo))) {
        pieceLen = count;
        swallowNext = true;
      } else if (!lineEmpty && !afterMarker_) {
        needLine = true;
        continue;
      }
    }
    if (pieceLen > 0) makePiece(pos, pieceLen, PrefixWidth(t, pos, pieceLen));
    pos += pieceLen;
    remaining -= pieceLen;
    if (swallowNext) {
      ++pos;
      --remaining;
      swallowed_ = true;
      if (remaining == 0) forceNewLine_ = true;
    }
    if (remaining > 0) needLine = true;
  }
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
      while (end < n && t.stored[static_cast<size_t>(end)] != u' ') ++end;
      PlaceTextRun(itemNo, start, end - start, start == 0);
      start = end;
    }
  } else {
    PlaceTextRun(itemNo, 0, n, true);
  }
}

// ---- Other items ------------------------------------------------------------------------------

TLTFormatter::TRectSize TLTFormatter::MeasureRect(int itemNo) {
  TCustomLTItemInfo& item = d_.GetItem(itemNo);
  TRectSize s;
  if (item.StyleNo == ltikMarker) {
    auto& m = static_cast<TLTMarkerItemInfo&>(item);
    const TLTListLevel* level = m.GetLevelInfo(&style_);
    if (!level) return s;
    int w = 0, h = 0, descent = 0;
    switch (level->ListType) {
      case ltlstPicture:
        if (const TGraphic* g = level->Picture()) {
          w = scale_.X(g->Width());
          h = scale_.Y(g->Height());
        }
        break;
      case ltlstImageList:
      case ltlstImageListCounter:
        if (level->ImageList) {
          w = scale_.X(level->ImageList->Width);
          h = scale_.Y(level->ImageList->Height);
        }
        break;
      default: {
        SelectMarkerFont(*level);
        const std::u16string_view text =
            level->ListType == ltlstUnicodeBullet ? std::u16string_view(level->FormatStringW) : m.DisplayString;
        const TLTSizeI ext = canvas_.TextExtent(text);
        const TLTTextMetrics tm = canvas_.TextMetrics();
        w = ext.Width;
        h = tm.Height;
        descent = tm.Descent;
        curStyle_ = -1;  // the marker font replaced the text style's
        break;
      }
    }
    int o = 0, v = w;
    if (level->MarkerAlignment == ltmaRight)
      o = w, v = 0;
    else if (level->MarkerAlignment == ltmaCenter)
      v = w / 2, o = w - v;
    const int g = scale_.X(level->FirstIndent + level->LeftIndent - level->MarkerIndent);
    v = std::max(v, g);
    s.Width = o + v;
    s.Height = h;
    s.Descent = descent;
    s.Margin = -o;
    m.CachedWidth = s.Width;
    m.CachedHeight = h;
    m.CachedDescent = descent;
    return s;
  }
  const int spacing = std::max(0, item.GetBorderWidth());
  s.Width = scale_.X(std::max(0, item.GetImageWidth(&style_)) + 2 * spacing);
  s.Height = scale_.Y(std::max(0, item.GetImageHeight(&style_)) + 2 * spacing);
  if (s.Width == 0 && s.Height == 0 && item.StyleNo != ltikTabulator) {
    // Kinds without a picture of their own still take a visible place.
    s.Width = scale_.X(20);
    s.Height = scale_.Y(20);
  }
  return s;
}

void TLTFormatter::SelectMarkerFont(const TLTListLevel& level) {
  canvas_.SetFont(MarkerCanvasFont(level, style_.TextStyles().PixelsPerInch, scale_));
  canvas_.SetCharacterExtra(0);
}

void TLTFormatter::PlaceRect(int itemNo) {
  TCustomLTItemInfo& item = d_.GetItem(itemNo);
  const bool paraStart = item.StartsParagraph();
  const bool isMarker = item.StyleNo == ltikMarker;
  const bool isTab = item.StyleNo == ltikTabulator;
  const bool noWrap = !wordWrap_ || Para(item.ParaNo).Options.Contains(ltpaoNoWrap);

  if (paraStart) {
    BeginParagraphLine(itemNo);
  } else if (!lineOpen_ || item.HasFlag(ltifNewLine) || forceNewLine_) {
    NewLineForItem(itemNo, forceNewLine_);
  }

  TRectSize s;
  TLTStyle::TTabStop stop;
  int tabStyle = -1;
  if (isTab) {
    auto& tab = static_cast<TLTTabItemInfo&>(item);
    tabStyle = d_.ResolveTextStyle(tab.TextStyleNo, item.ParaNo);
    SelectStyle(tabStyle);
    const int indentStop = scale_.X(listLevel_ ? listLevel_->LeftIndent : Para(paraNo_).LeftIndent);
    if (pendingTab_ >= 0) ResolvePendingTab();
    const int pos = lineLeft_ + x_;
    stop = style_.FindNextTabStop(paraNo_, pos, leftMargin_, indentStop, indentStop, ltbdUnspecified, scale_);
    tab.Leader = stop.Leader;
    s.Width = stop.Align == lttaLeft ? std::max(0, stop.Position - pos) : 0;
    s.Height = ascent_ + descent_;
    s.Descent = descent_;
  } else {
    s = MeasureRect(itemNo);
  }

  const bool maxReached = maxLength_ > 0 && !noWrap && charsOnLine_ >= maxLength_;
  const bool fits = next_ == lineStart_ || noWrap || afterMarker_ ||
                    (static_cast<int64_t>(x_) + s.Width <= lineWidth_ && !maxReached);
  if (!fits) {
    NewLineForItem(itemNo, true);
    if (isTab) {
      SelectStyle(tabStyle);
      const int pos = lineLeft_ + x_;
      stop = style_.FindNextTabStop(
          paraNo_, pos, leftMargin_, scale_.X(listLevel_ ? listLevel_->LeftIndent : Para(paraNo_).LeftIndent),
          scale_.X(listLevel_ ? listLevel_->LeftIndent : Para(paraNo_).LeftIndent), ltbdUnspecified, scale_);
      static_cast<TLTTabItemInfo&>(item).Leader = stop.Leader;
      s.Width = stop.Align == lttaLeft ? std::max(0, stop.Position - pos) : 0;
    }
  }

  // Vertical needs: by the item's alignment against the baseline.
  int needAbove = 0, needBelow = 0;
  const auto* rect = dynamic_cast<const TLTRectItemInfo*>(&item);
  const int va = rect ? rect->VertAlign : 0;
  int vshift = 0;
  if (isTab) {
    vshift = shift_;
  } else if (rect && !isMarker) {
    vshift = rect->VShiftAbs
                 ? scale_.Y(rect->VShift)
                 : static_cast<int>(static_cast<int64_t>(s.Height) * std::clamp(rect->VShift, -1000, 1000) / 100);
  }
  if (va == 0) {
    const int a = s.Height - s.Descent;
    needAbove = a + vshift;
    needBelow = s.Height - a - vshift;
  } else if (va == 1) {
    const int a = s.Height / 2;
    needAbove = a + vshift;
    needBelow = s.Height - a - vshift;
  }

  auto piece = std::make_unique<TLTDrawLineInfo>();
  piece->ItemNo = itemNo;
  piece->Left = lineLeft_ + x_ + s.Margin;
  piece->Width = s.Width;
  piece->Height = s.Height;
  const int index = next_;
  const int left = piece->Left;
  Emit(std::move(piece), needAbove, needBelow);
  if (va >= 2 && va <= 4) d_.DrawItems[index].Top = baseline_;  // settled when the line is finished
  x_ += s.Width + s.Margin;
  charsOnLine_ += 1;
  afterMarker_ = isMarker;
  if (isTab && stop.Align != lttaLeft) {
    pendingTab_ = index;
    pendingTabAlign_ = stop.Align;
    pendingTabPos_ = stop.Position;
  }
  if ((flags_ & ltcfRegisterJumps) && item.GetBoolValueEx(iqxHyperlink, &style_)) {
    TCursor cursor = style_.JumpCursor;
    AddJump(index, left, s.Width, s.Height, cursor);
  }
}

void TLTFormatter::PlaceFullLine(int itemNo) {
  TCustomLTItemInfo& item = d_.GetItem(itemNo);
  EndLine(true, false);
  BeginParagraph(itemNo);
  listLevel_ = nullptr;
  int gap = gap_ + SpaceAfterOf(itemNo - 1) + std::max(0, scale_.Y(Para(item.ParaNo).SpaceBefore));
  gap_ = 0;
  auto piece = std::make_unique<TLTDrawLineInfo>();
  piece->ItemNo = itemNo;
  piece->StartsLine = true;
  if (item.StyleNo == ltikRule) {
    gap += std::max(0, scale_.Y(Para(0).SpaceBefore));
    const int f = scale_.Y(5);
    piece->Left = leftMargin_;
    piece->Width = d_.TextWidth;
    piece->Height = 2 * f + 1;
    piece->Top = lineTop_ + gap;
    lineTop_ = piece->Top + 2 * f + 1;
  } else {
    const TParaInfo& para = Para(item.ParaNo);
    const int available =
        std::max(0, d_.TextWidth - scale_.X(std::max(0, para.LeftIndent) + std::max(0, para.RightIndent)));
    int own = 0;
    const TLTSizeI size = FullLineSize(item, available, own);
    int64_t left = scale_.X(std::max(0, para.LeftIndent));
    if (para.Alignment == ltaRight)
      left += std::max(0, available - size.Width);
    else if (para.Alignment == ltaCenter)
      left += std::max(0, available - size.Width) / 2;
    left += own;
    piece->Left = leftMargin_ + static_cast<int>(left);
    piece->Width = size.Width;
    piece->Height = size.Height;
    piece->Top = lineTop_ + gap;
    lineTop_ = piece->Top + size.Height;
  }
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

TLTSizeI TLTFormatter::FullLineSize(TCustomLTItemInfo& item, int available, int& offset) {
  offset = 0;
  TLTItemLayoutContext ctx{canvas_, style_, scale_};
  ctx.Force = ForceItems;
  ctx.NextJumpNo = &jumpNo_;
  TLTSizeI size;
  const bool own = item.LayOutForWidth(ctx, available, size, offset);
  // Whatever the item measured with, the next text selects its font again.
  curStyle_ = -1;
  if (own) return {std::clamp(size.Width, 0, 1000000), std::clamp(size.Height, 0, 1000000)};
  return {std::max(available, 1), scale_.Y(20)};
}

// ---- Minimal width -----------------------------------------------------------------------------

int TLTFormatter::MinWidth(int fromItem) {
  const int count = d_.ItemCount();
  int64_t result = 0;
  int i = fromItem;
  std::vector<int> ext;
  while (i < count) {
    const TCustomLTItemInfo& first = d_.GetItem(i);
    const TParaInfo& para = Para(first.ParaNo);
    BeginParagraph(i);
    int64_t indents;
    if (listLevel_) {
      indents = scale_.X(std::max(listLevel_->LeftIndent, listLevel_->MarkerIndent)) +
                scale_.X(std::max(0, para.RightIndent));
    } else {
      indents = scale_.X(std::max(0, para.LeftIndent) + std::max(0, para.FirstIndent) + std::max(0, para.RightIndent));
    }
    const bool noWrap = para.Options.Contains(ltpaoNoWrap) || !wordWrap_;
    int64_t sum = 0, widest = 0;
    int j = i;
    do {
      const TCustomLTItemInfo& item = d_.GetItem(j);
      if (item.IsText()) {
        TLTLayoutText& t = TextOf(j);
        SelectStyle(item.StyleNo);
        const std::u16string_view s = t.display;
        if (!s.empty()) {
          Extents(t, 0, static_cast<int>(s.size()), ext);
          if (ext.size() == s.size()) {
            sum += ext.back();
            // Widest unbreakable run, from one measurement: runs end at
            // break opportunities; spaces belong to no run.
            const int n = static_cast<int>(s.size());
            const std::u16string_view st = t.stored;
            int start = 0;
            for (int k = 0; k < n; ++k) {
              if (st[static_cast<size_t>(k)] == u' ') {
                start = k + 1;
                continue;
              }
              // A run also ends before a space: with Unicode breaking the
              // opportunity lies after the space, which no run includes.
              const bool ends =
                  k + 1 == n || st[static_cast<size_t>(k + 1)] == u' ' || (t.unicode && BreakAllowedAfter(st, k));
              if (ends) {
                int w = ext[static_cast<size_t>(k)] - (start > 0 ? ext[static_cast<size_t>(start - 1)] : 0);
                if (t.unicode && st[static_cast<size_t>(k)] == kSoftHyphen) w += dashWidth_;
                widest = std::max<int64_t>(widest, w);
                start = k + 1;
              }
            }
          }
        }
      } else if (item.GetBoolValue(iqFullLine)) {
        TLTItemLayoutContext ctx{canvas_, style_, scale_};
        const int own = item.StyleNo == ltikRule ? 0 : d_.GetItem(j).MinLayoutWidth(ctx);
        curStyle_ = -1;
        const int w = std::max(own, 0);
        widest = std::max<int64_t>(widest, w);
        sum += w;
      } else if (item.StyleNo == ltikTabulator) {
        // A tab can shrink to nothing.
      } else {
        const TRectSize rs = MeasureRect(j);
        const int w = item.StyleNo == ltikMarker ? rs.Width + rs.Margin : rs.Width;
        widest = std::max<int64_t>(widest, w);
        sum += w;
      }
      ++j;
    } while (j < count && !d_.GetItem(j).StartsParagraph());
    result = std::max(result, indents + (noWrap ? sum : widest));
    i = j;
  }
  curStyle_ = -1;
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
      PlaceRect(i);
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
  int v = std::max(0, scale_.Y(Para(item.ParaNo).SpaceBefore));
  if (item.StyleNo == ltikRule) v += std::max(0, scale_.Y(Para(0).SpaceBefore));
  return v;
}

}  // namespace lectern
