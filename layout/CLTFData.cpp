// The formatted container: formatting passes, partial re-formatting after
// edits, the minimal width, and conversions between items, drawing items and
// document points.

#include "layout/CLTFData.h"

#include "layout/LTFormatter.h"
#include "platform/LTSysUtils.h"

#include <algorithm>
#include <climits>

namespace lectern {

namespace {

/// Marks a container as being formatted for a scope.
class TFormattingScope {
 public:
  explicit TFormattingScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFormattingScope() { flag_ = false; }
  TFormattingScope(const TFormattingScope&) = delete;
  TFormattingScope& operator=(const TFormattingScope&) = delete;

 private:
  bool& flag_;
};

/// Room above and below re-laid paragraphs that is painted again, for
/// descenders, underlines and italic overhangs outside the lines.
constexpr int kRepaintMargin = 10;

bool IsHyperlinkItem(const TCustomLTItemInfo& item, const TLTStyle& style) {
  if (item.IsText()) return style.TextStyles()[item.StyleNo].Jump;
  return item.GetBoolValueEx(iqxHyperlink, &style);
}

}  // namespace

TCustomLTFormattedData::TCustomLTFormattedData() = default;
TCustomLTFormattedData::~TCustomLTFormattedData() = default;

void TCustomLTFormattedData::ClearDrawItems() {
  DrawItems.Clear();
  Jumps.clear();
  NextJumpNo = 0;
  LastFormattedItem = -1;
  DocumentHeight = GetTopMargin() + GetBottomMargin();
  for (int i = 0; i < ItemCount(); ++i) GetItem(i).FirstDrawItem = -1;
}

int TextOrigin(const TLTDrawLineInfo& piece) { return piece.Left + (piece.RightToLeft ? 0 : piece.JustifyExtra); }

bool JumpItem(const TLTJumpInfo& j, const TCustomLTFormattedData& owner, const TCustomLTFormattedData*& data,
              int& itemNo) {
  data = j.LTData && j.LTData != &owner ? dynamic_cast<const TCustomLTFormattedData*>(j.LTData) : &owner;
  if (!data || j.DrawItemIndex < 0 || j.DrawItemIndex >= data->DrawItems.Count()) return false;
  itemNo = data->DrawItems[j.DrawItemIndex].ItemNo;
  return itemNo >= 0 && itemNo < data->ItemCount();
}

void TCustomLTFormattedData::UpdateJumpPositions() {
  for (TLTJumpInfo& j : Jumps) {
    const TCustomLTFormattedData* data = nullptr;
    int itemNo = 0;
    if (!JumpItem(j, *this, data, itemNo)) continue;
    const TLTDrawLineInfo& p = data->DrawItems[j.DrawItemIndex];
    const TLTPointI origin = data->GetOriginInControl();
    j.Left = p.Left + origin.X;
    j.Top = p.Top + origin.Y;
    j.Width = p.Width;
    j.Height = p.Height;
  }
}

int TCustomLTFormattedData::CalcMinWidth(int fromItem, TLTCanvas& canvas) {
  TLTStyle* style = GetStyle();
  if (!style) return 0;
  TLTResolutionScale scale = TLTResolutionScale::ForCanvas(canvas);
  TLTFormatter f(*this, canvas, *style, scale);
  return f.MinWidth(std::max(fromItem, 0));
}

void TCustomLTFormattedData::FormatAll(const TLTFormatParams& params) {
  if (formatting_) return;
  TLTCanvas* canvas = PassCanvas(params.Canvas);
  TLTStyle* style = GetStyle();
  if (!canvas || !style) return;
  TFormattingScope scope(formatting_);
  const int count = ItemCount();

  for (int pass = 0; pass < 3; ++pass) {
    TLTResolutionScale scale = TLTResolutionScale::ForCanvas(*canvas);
    scale.LeftMargin = GetLeftMargin();
    scale.RightMargin = GetRightMargin();
    const int client = GetClientWidth() - scale.LeftMargin - scale.RightMargin;
    int docWidth = std::max(client, CalcMinWidth(0, *canvas));
    docWidth = std::max(docWidth, GetMinTextWidth());
    int textWidth;
    if (GetOptions().Contains(ltoClientTextWidth)) {
      textWidth = std::max(client, GetMinTextWidth());
    } else {
      const int maxText = GetMaxTextWidth();
      textWidth = maxText >= 1 && maxText < docWidth ? maxText : docWidth;
    }
    const bool sameWidths = docWidth == DocumentWidth && textWidth == TextWidth;
    if (pass == 0 && sameWidths && params.KeepPosition && !params.Force && !params.AppendedOnly &&
        LastFormattedItem == count - 1 && LastFormattedItem >= 0)
      return;

    // What the view shows at its top, to show it there again afterwards.
    int keepItem = -1, keepOffset = 0, keepDistance = 0;
    if (params.KeepPosition && !params.NoScroll && !DrawItems.Empty()) {
      const int d = DrawItemAtY(GetViewTop());
      if (d >= 0) {
        const TLTLineBox line = LineOf(d);
        DrawItemToItem(line.First, 0, keepItem, keepOffset);
        keepDistance = GetViewTop() - line.Top;
      }
    }

    const bool append = params.AppendedOnly && sameWidths && LastFormattedItem >= 0 && LastFormattedItem < count - 1 &&
                        GetItem(LastFormattedItem + 1).StartsParagraph();
    if (params.AppendedOnly && sameWidths && LastFormattedItem == count - 1 && count > 0) return;
    DocumentWidth = docWidth;
    TextWidth = textWidth;
    scale_ = scale;
    TLTFormatter f(*this, *canvas, *style, scale);
    f.ForceItems = params.Force || params.ForceTables;
    if (append) {
      const int top = DocumentHeight - GetBottomMargin() - f.SpaceAfterOf(LastFormattedItem);
      f.Run(LastFormattedItem + 1, count - 1, DrawItems.Count(), top, NextJumpNo);
      for (TLTJumpInfo& j : f.NewJumps()) Jumps.push_back(j);
    } else {
      DrawItems.Clear();
      Jumps.clear();
      if (count > 0) f.Run(0, count - 1, 0, GetTopMargin(), params.FirstJumpNo);
      Jumps = std::move(f.NewJumps());
    }
    NextJumpNo = count > 0 ? f.NextJumpNo() : 0;
    LastFormattedItem = count - 1;
    DocumentHeight =
        count > 0 ? f.Bottom() + f.SpaceAfterOf(count - 1) + GetBottomMargin() : GetTopMargin() + GetBottomMargin();
    // An item that chose a width of its own (a table of more than the whole
    // width) widens the document instead of being cut off.
    for (int i = 0; i < DrawItems.Count(); ++i)
      DocumentWidth = std::max(DocumentWidth, DrawItems[i].Left + DrawItems[i].Width - scale.LeftMargin);
    UpdateJumpPositions();
    const bool widthChanged = DocumentSizeChanged(scale.LeftMargin + DocumentWidth + scale.RightMargin, DocumentHeight);

    if (!params.NoScroll) {
      if (params.AppendedOnly && GetOptions().Contains(ltoScrollToEnd)) {
        ScrollToY(DocumentHeight);
      } else if (keepItem >= 0) {
        int d, off;
        if (ItemToDrawItem(keepItem, keepOffset, d, off)) {
          ScrollToY(LineOf(d).Top + keepDistance);
        } else {
          ScrollToY(0);
        }
      }
    }
    if (!widthChanged) break;
  }
}

/// What ReformatRange re-lays out: old drawing items oldFirst..oldLast,
/// which become the paragraphs of items paraItem..newLastItem, with what
/// lies around them.
struct TCustomLTFormattedData::TReformatSpan {
  int OldFirst = 0, OldLast = 0;
  int ParaItem = 0, NewLastItem = 0;
  /// The bottom of the line above, and the old top of the line below.
  int AboveBottom = 0;
  bool HasNext = false;
  int OldNextTop = 0;
  /// The first hyperlink number of the range, and the old number of the
  /// first link after it (-1 when none).
  int FirstJumpNo = 0;
  int OldNextJump = -1;
};

bool TCustomLTFormattedData::WidenToParagraphs(TReformatSpan& span, int itemsDelta) const {
  const int count = DrawItems.Count();
  const int lastItemOld = DrawItems[span.OldLast].ItemNo;
  // Back to the first piece of the first item's paragraph, forward to the
  // last piece before the next paragraph (old numbering beyond the edited
  // items is shifted by itemsDelta).
  span.ParaItem = GetFirstParaItem(std::clamp(DrawItems[span.OldFirst].ItemNo, 0, ItemCount() - 1));
  while (span.OldFirst > 0 && DrawItems[span.OldFirst - 1].ItemNo >= span.ParaItem) --span.OldFirst;
  while (span.OldLast + 1 < count) {
    const int oldNo = DrawItems[span.OldLast + 1].ItemNo;
    if (oldNo > lastItemOld) {
      const int newNo = oldNo + itemsDelta;
      if (newNo >= 0 && newNo < ItemCount() && GetItem(newNo).StartsParagraph() &&
          DrawItems[span.OldLast + 1].StartsLine)
        break;
    }
    ++span.OldLast;
  }
  span.HasNext = span.OldLast + 1 < count;
  span.NewLastItem = span.HasNext ? DrawItems[span.OldLast + 1].ItemNo + itemsDelta - 1 : ItemCount() - 1;
  if (span.NewLastItem < span.ParaItem || span.NewLastItem >= ItemCount()) return false;
  span.AboveBottom = span.OldFirst > 0 ? LineOf(span.OldFirst - 1).Bottom : GetTopMargin();
  if (span.HasNext) span.OldNextTop = LineOf(span.OldLast + 1).Top;
  return true;
}

void TCustomLTFormattedData::NumberJumpsAround(TReformatSpan& span, const TLTStyle& style) const {
  // Hyperlink numbers continue from the last link before the range.
  for (int i = span.ParaItem - 1; i >= 0; --i) {
    const TCustomLTItemInfo& it = GetItem(i);
    if (it.LinkIndex >= 0 && IsHyperlinkItem(it, style)) {
      span.FirstJumpNo = it.LinkIndex + 1;
      break;
    }
  }
  for (int i = span.NewLastItem + 1; i < ItemCount(); ++i) {
    const TCustomLTItemInfo& it = GetItem(i);
    if (it.LinkIndex >= 0 && IsHyperlinkItem(it, style)) {
      span.OldNextJump = it.LinkIndex;
      break;
    }
  }
}

void TCustomLTFormattedData::ShiftFollowing(const TReformatSpan& span, int restStart, int moveY, int itemsDelta,
                                            int pieceDiff) {
  if (moveY != 0 || itemsDelta != 0) {
    for (int i = restStart; i < DrawItems.Count(); ++i) {
      TLTDrawLineInfo& p = DrawItems[i];
      p.Top += moveY;
      p.ItemNo += itemsDelta;
    }
  }
  if (pieceDiff != 0) {
    for (int i = span.NewLastItem + 1; i < ItemCount(); ++i) {
      TCustomLTItemInfo& it = GetItem(i);
      if (it.FirstDrawItem >= 0) it.FirstDrawItem += pieceDiff;
    }
  }
}

void TCustomLTFormattedData::SpliceJumps(const TReformatSpan& span, TLTFormatter& f, size_t at, int moveY,
                                         int pieceDiff) {
  // Later rectangles only moved, and their links shift by the difference
  // the range made in the numbering.
  const int linkShift = span.OldNextJump >= 0 ? f.NextJumpNo() - span.OldNextJump : 0;
  for (size_t k = at; k < Jumps.size(); ++k) {
    if (!Jumps[k].LTData || Jumps[k].LTData == this) Jumps[k].DrawItemIndex += pieceDiff;
    Jumps[k].OwnerDrawItemIndex += pieceDiff;
    Jumps[k].Id += linkShift;
    Jumps[k].Top += moveY;
  }
  if (linkShift != 0) {
    for (int i = span.NewLastItem + 1; i < ItemCount(); ++i) {
      TCustomLTItemInfo& it = GetItem(i);
      if (it.LinkIndex >= 0) it.LinkIndex += linkShift;
    }
  }
  // The new rectangles take their pieces' places.
  const TLTPointI origin = GetOriginInControl();
  for (TLTJumpInfo& j : f.NewJumps()) {
    const TCustomLTFormattedData* data = nullptr;
    int itemNo = 0;
    if (!JumpItem(j, *this, data, itemNo)) continue;
    const TLTDrawLineInfo& p = data->DrawItems[j.DrawItemIndex];
    const TLTPointI o = data == this ? origin : data->GetOriginInControl();
    j.Left = p.Left + o.X;
    j.Top = p.Top + o.Y;
  }
  Jumps.insert(Jumps.begin() + static_cast<std::ptrdiff_t>(at), f.NewJumps().begin(), f.NewJumps().end());
  NextJumpNo = span.OldNextJump >= 0 ? NextJumpNo + linkShift : f.NextJumpNo();
}

TLTRectI TCustomLTFormattedData::ReformatRange(int firstDrawItem, int lastDrawItem, int itemsDelta) {
  const TLTRectI whole{0, 0, GetClientWidth(), GetClientHeight()};
  TLTCanvas* canvas = PassCanvas(nullptr);
  TLTStyle* style = GetStyle();
  const int count = DrawItems.Count();
  if (!canvas || !style || formatting_) return whole;
  if (count == 0 || ItemCount() == 0) {
    FormatAll({.Force = true});
    return whole;
  }
  TFormattingScope scope(formatting_);

  // 1. The whole paragraphs around the edit, and what lies around them.
  TReformatSpan span;
  span.OldFirst = std::clamp(std::min(firstDrawItem, lastDrawItem), 0, count - 1);
  span.OldLast = std::clamp(std::max(firstDrawItem, lastDrawItem), 0, count - 1);
  if (!WidenToParagraphs(span, itemsDelta)) {
    FormatAll({.Force = true});
    return whole;
  }
  NumberJumpsAround(span, *style);

  // 2. Their old rectangles go; the paragraphs are laid out anew in their
  // pieces' place.
  const auto jBegin = std::lower_bound(Jumps.begin(), Jumps.end(), span.OldFirst,
                                       [](const TLTJumpInfo& j, int v) { return j.OwnerDrawItemIndex < v; });
  const auto jEnd = std::upper_bound(jBegin, Jumps.end(), span.OldLast,
                                     [](int v, const TLTJumpInfo& j) { return v < j.OwnerDrawItemIndex; });
  const size_t jumpPos = static_cast<size_t>(jBegin - Jumps.begin());
  Jumps.erase(jBegin, jEnd);
  TLTFormatter f(*this, *canvas, *style, scale_);
  f.ForceItems = true;  // an edit inside a table's cell changes its layout
  DrawItems.MarkDeleted(span.OldFirst, span.OldLast);
  f.Run(span.ParaItem, span.NewLastItem, span.OldFirst, span.AboveBottom, span.FirstJumpNo);
  DrawItems.ClearDeleted();
  const int pieceDiff = f.NextDrawIndex() - span.OldFirst - (span.OldLast - span.OldFirst + 1);
  const int newBottom = f.Bottom();

  // 3. What follows moves by the difference in height and numbering.
  int moveY = 0;
  if (span.HasNext)
    moveY = newBottom + f.SpaceAfterOf(span.NewLastItem) + f.SpaceBeforeOf(span.NewLastItem + 1) - span.OldNextTop;
  ShiftFollowing(span, f.NextDrawIndex(), moveY, itemsDelta, pieceDiff);
  SpliceJumps(span, f, jumpPos, moveY, pieceDiff);
  LastFormattedItem = ItemCount() - 1;

  // 4. The document's height, and what must be painted again.
  const int oldHeight = DocumentHeight;
  if (span.HasNext)
    DocumentHeight += moveY;
  else
    DocumentHeight = newBottom + f.SpaceAfterOf(ItemCount() - 1) + GetBottomMargin();
  if (DocumentHeight != oldHeight &&
      DocumentSizeChanged(scale_.LeftMargin + DocumentWidth + scale_.RightMargin, DocumentHeight))
    return whole;
  const int viewTop = GetViewTop();
  TLTRectI r{0, span.AboveBottom - kRepaintMargin - viewTop, GetClientWidth(), newBottom + kRepaintMargin - viewTop};
  if (moveY != 0 || pieceDiff != 0) r.Bottom = GetClientHeight();
  r.Top = std::max(r.Top, 0);
  r.Bottom = std::min(r.Bottom, GetClientHeight());
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

// ---- Coordinates ----------------------------------------------------------------------------

bool TCustomLTFormattedData::DrawItemToItem(int drawItemNo, int drawOffset, int& itemNo, int& offset) const {
  if (drawItemNo < 0 || drawItemNo >= DrawItems.Count()) return false;
  const TLTDrawLineInfo& p = DrawItems[drawItemNo];
  itemNo = p.ItemNo;
  if (itemNo < 0 || itemNo >= ItemCount()) return false;
  offset = GetItem(itemNo).IsText() ? p.Offset + drawOffset - 1 : drawOffset;
  return true;
}

bool TCustomLTFormattedData::ItemToDrawItem(int itemNo, int offset, int& drawItemNo, int& drawOffset) const {
  if (itemNo < 0 || itemNo >= ItemCount()) return false;
  const TCustomLTItemInfo& item = GetItem(itemNo);
  int d = item.FirstDrawItem;
  if (d < 0 || d >= DrawItems.Count() || DrawItems[d].ItemNo != itemNo) return false;
  if (!item.IsText()) {
    drawItemNo = d;
    drawOffset = offset;
    return true;
  }
  for (; d < DrawItems.Count() && DrawItems[d].ItemNo == itemNo; ++d) {
    const TLTDrawLineInfo& p = DrawItems[d];
    if (offset < p.Offset && d > item.FirstDrawItem) {
      // Inside a swallowed space between two pieces: the end of the earlier.
      const TLTDrawLineInfo& prev = DrawItems[d - 1];
      drawItemNo = d - 1;
      drawOffset = prev.Length + 1;
      return true;
    }
    if (offset <= p.Offset + p.Length) {
      drawItemNo = d;
      drawOffset = std::max(1, offset - p.Offset + 1);
      return true;
    }
  }
  drawItemNo = d - 1;
  drawOffset = DrawItems[d - 1].Length + 1;
  return true;
}

void TCustomLTFormattedData::LineRange(int drawItemNo, int& first, int& last) const {
  const int n = DrawItems.Count();
  if (n == 0) {
    first = last = -1;
    return;
  }
  drawItemNo = std::clamp(drawItemNo, 0, n - 1);
  first = drawItemNo;
  while (first > 0 && !DrawItems[first].StartsLine) --first;
  last = drawItemNo;
  while (last + 1 < n && !DrawItems[last + 1].StartsLine) ++last;
}

void TCustomLTFormattedData::LineExtent(int first, int last, int& top, int& bottom) const {
  top = INT_MAX;
  bottom = INT_MIN;
  for (int i = first; i <= last; ++i) {
    const TLTDrawLineInfo& p = DrawItems[i];
    top = std::min(top, p.LineTop());
    bottom = std::max(bottom, p.LineBottom());
  }
  if (top == INT_MAX) top = bottom = 0;
}

TLTLineBox TCustomLTFormattedData::LineOf(int drawItemNo) const {
  TLTLineBox line;
  LineRange(drawItemNo, line.First, line.Last);
  if (line.First >= 0) LineExtent(line.First, line.Last, line.Top, line.Bottom);
  return line;
}

std::vector<TLTPieceStop> TCustomLTFormattedData::PieceStops(int drawItemNo) {
  std::vector<TLTPieceStop> stops;
  if (drawItemNo < 0 || drawItemNo >= DrawItems.Count()) return stops;
  const TLTDrawLineInfo& p = DrawItems[drawItemNo];
  const TCustomLTItemInfo& item = GetItem(p.ItemNo);
  TLTCanvas* canvas = PassCanvas(nullptr);
  TLTStyle* style = GetStyle();
  if (!item.IsText() || p.Length <= 0 || !canvas || !style) {
    const int base = item.IsText() ? 1 : 0;
    stops.push_back({base, p.Left});
    stops.push_back({item.IsText() ? p.Length + 1 : 1, p.Left + p.Width});
    return stops;
  }
  TLTFormatter f(*this, *canvas, *style, scale_);
  TLTFormatter::TPieceClusters pc;
  f.PieceClusters(p, pc);
  const TLTLayoutText& t = f.TextOf(p.ItemNo);
  const int u0 = pc.FirstUnit;
  const int n = pc.Units;
  if (pc.Boxes.empty()) {
    stops.push_back({1, p.Left});
    stops.push_back({p.Length + 1, p.Left + p.Width});
    return stops;
  }
  const std::u16string_view s = std::u16string_view(t.display).substr(static_cast<size_t>(u0), static_cast<size_t>(n));
  // Stops run in reading order; each stands where its boundary is drawn,
  // which in right-to-left and mixed text is not left to right.
  // 8-bit text steps by its characters (a double-byte one may have become
  // two units); Unicode text by clusters.
  auto next = [&](int k) {
    if (t.unicode) return TLTCanvas::NextClusterBoundary(s, k);
    const int c = t.CharOfUnit(u0 + k);
    do ++k;
    while (k < n && t.CharOfUnit(u0 + k) == c);
    return k;
  };
  for (int k = 0; k <= n; k = next(k)) {
    stops.push_back({t.CharOfUnit(u0 + k) - t.CharOfUnit(u0) + 1, TextOrigin(p) + CaretXInRun(pc.Boxes, k)});
    if (k == n) break;
  }
  return stops;
}

int TCustomLTFormattedData::DrawItemAtY(int y) const {
  const int n = DrawItems.Count();
  if (n == 0) return -1;
  // Binary search over lines by each line's top: pieces inside a line need
  // not have increasing tops, lines do.
  int lo = 0, hi = n - 1, found = -1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const TLTLineBox line = LineOf(mid);
    if (line.Top <= y) {
      found = line.First;
      lo = line.Last + 1;
    } else {
      hi = line.First - 1;
    }
  }
  return found < 0 ? 0 : found;
}

bool TCustomLTFormattedData::HitTest(int x, int y, bool strict, int& drawItemNo, int& drawOffset) {
  const int start = DrawItemAtY(y);
  if (start < 0) return false;
  int first, last;
  LineRange(start, first, last);
  int hit = -1;
  if (strict) {
    for (int i = first; i <= last; ++i) {
      const TLTDrawLineInfo& p = DrawItems[i];
      if (x >= p.Left && x < p.Left + p.Width && y >= p.Top - p.SpaceAbove && y < p.Top + p.Height) {
        hit = i;
        break;
      }
    }
    if (hit < 0) return false;
  } else {
    int leftmost = first, rightmost = first;
    for (int i = first; i <= last; ++i) {
      const TLTDrawLineInfo& p = DrawItems[i];
      if (p.Left < DrawItems[leftmost].Left) leftmost = i;
      if (p.Left + p.Width > DrawItems[rightmost].Left + DrawItems[rightmost].Width) rightmost = i;
      if (hit < 0 && x >= p.Left && x < p.Left + p.Width) hit = i;
    }
    if (hit < 0) hit = x < DrawItems[leftmost].Left ? leftmost : rightmost;
  }
  drawItemNo = hit;
  const TLTDrawLineInfo& p = DrawItems[hit];
  const TCustomLTItemInfo& item = GetItem(p.ItemNo);
  TLTStyle* style = GetStyle();
  const TLTBiDiMode paraDir = style ? style->ParaStyles()[item.ParaNo].BiDiMode : ltbdUnspecified;
  const bool rtl = (paraDir != ltbdUnspecified ? paraDir : GetBiDiMode()) == ltbdRightToLeft;
  if (!item.IsText()) {
    const bool rightHalf = x >= p.Left + p.Width / 2;
    drawOffset = rightHalf != rtl ? 1 : 0;
    return true;
  }
  TLTCanvas* canvas = PassCanvas(nullptr);
  if (!canvas || !style || p.Length <= 0) {
    drawOffset = 1;
    return true;
  }
  TLTFormatter f(*this, *canvas, *style, scale_);
  TLTFormatter::TPieceClusters pc;
  f.PieceClusters(p, pc);
  const TLTLayoutText& t = f.TextOf(p.ItemNo);
  const int best = OffsetAtXInRun(pc.Boxes, x - TextOrigin(p), !rtl);
  drawOffset = t.CharOfUnit(pc.FirstUnit + best) - t.CharOfUnit(pc.FirstUnit) + 1;
  return true;
}

int TCustomLTFormattedData::CaretX(int drawItemNo, int drawOffset) {
  if (drawItemNo < 0 || drawItemNo >= DrawItems.Count()) return 0;
  const TLTDrawLineInfo& p = DrawItems[drawItemNo];
  const TCustomLTItemInfo& item = GetItem(p.ItemNo);
  TLTStyle* style = GetStyle();
  if (!item.IsText()) {
    const TLTBiDiMode paraDir = style ? style->ParaStyles()[item.ParaNo].BiDiMode : ltbdUnspecified;
    const bool rtl = (paraDir != ltbdUnspecified ? paraDir : GetBiDiMode()) == ltbdRightToLeft;
    return (drawOffset > 0) != rtl ? p.Left + p.Width : p.Left;
  }
  TLTCanvas* canvas = PassCanvas(nullptr);
  if (!canvas || !style || p.Length <= 0) return TextOrigin(p);
  TLTFormatter f(*this, *canvas, *style, scale_);
  TLTFormatter::TPieceClusters pc;
  f.PieceClusters(p, pc);
  const TLTLayoutText& t = f.TextOf(p.ItemNo);
  const int offset = std::clamp(drawOffset, 1, p.Length + 1);
  const int unit = t.UnitOfChar(p.Offset - 1 + offset - 1) - pc.FirstUnit;
  return TextOrigin(p) + CaretXInRun(pc.Boxes, unit);
}

}  // namespace lectern
