// The caret: the stops of its line, where it stands in item coordinates,
// showing it, the styles it makes current, and keeping it in view.

#include "edit/LTEdit.h"
#include "edit/LTEditFlag.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>

namespace lectern {

namespace {

/// A caret never grows taller than this, however tall its line.
constexpr int kMaxCaretHeight = 1000;

}  // namespace

// ---- Stops -----------------------------------------------------------------------------------

const TLTCharPos* TCustomLecternEdit::Stop() const {
  if (caretStop_ < 0 || caretStop_ >= static_cast<int>(caretStops_.size())) return nullptr;
  return &caretStops_[static_cast<size_t>(caretStop_)];
}

TLTDrawPos TCustomLecternEdit::CaretPos() const {
  const TLTCharPos* s = Stop();
  return s ? TLTDrawPos{s->DrawItemIndex, s->DrawItemOffset} : TLTDrawPos{};
}

bool TCustomLecternEdit::IsMarkerPiece(int d) const {
  const TCustomLTFormattedData& c = CaretContainer();
  return d >= 0 && d < c.DrawItems.Count() && c.GetItem(c.DrawItems[d].ItemNo).GetBoolValue(iqListMarker);
}

bool TCustomLecternEdit::IsRightToLeftAtCaret() const {
  const TCustomLTFormattedData& c = CaretContainer();
  const TLTStyle* style = c.GetStyle();
  TLTBiDiMode dir = ltbdUnspecified;
  if (style && caretDrawItem_ >= 0 && caretDrawItem_ < c.DrawItems.Count())
    dir = style->ParaStyles()[c.GetItem(c.DrawItems[caretDrawItem_].ItemNo).ParaNo].BiDiMode;
  return (dir != ltbdUnspecified ? dir : BiDiMode()) == ltbdRightToLeft;
}

void TCustomLecternEdit::RebuildCaretStops(int targetOffset) {
  caretStops_.clear();
  caretStop_ = -1;
  TCustomLTFormattedData& c = CaretContainer();
  if (caretDrawItem_ < 0 || caretDrawItem_ >= c.DrawItems.Count()) {
    caretDrawItem_ = -1;
    return;
  }
  const TLTLineBox line = c.LineOf(caretDrawItem_);
  int first = line.First;
  // No caret stands on a list marker: the line starts after it.
  if (IsMarkerPiece(first) && first < line.Last) {
    if (caretDrawItem_ == first) {
      caretDrawItem_ = first + 1;
      targetOffset = -1;
    }
    ++first;
  }
  const TLTStyle* style = c.GetStyle();
  for (int d = first; d <= line.Last; ++d) {
    const TLTDrawLineInfo& p = c.DrawItems[d];
    const TCustomLTItemInfo& item = c.GetItem(p.ItemNo);
    if (item.IsText() && p.Length > 0) {
      const std::vector<TLTPieceStop> stops = c.PieceStops(d);
      // A later piece's first boundary is the last one of the piece before.
      for (size_t k = d == first ? 0 : 1; k < stops.size(); ++k)
        caretStops_.push_back({stops[k].X, d, stops[k].Offset, 1});
      continue;
    }
    // Empty text is one place, the line's first when it starts it and the
    // end of the piece before it otherwise.
    if (item.IsText()) {
      if (d == first) caretStops_.push_back({p.Left, d, 1, 1});
      continue;
    }
    const TLTBiDiMode dir = style ? style->ParaStyles()[item.ParaNo].BiDiMode : ltbdUnspecified;
    const bool rtl = (dir != ltbdUnspecified ? dir : BiDiMode()) == ltbdRightToLeft;
    const int left = p.Left, right = p.Left + p.Width;
    if (d == first) caretStops_.push_back({rtl ? right : left, d, 0, static_cast<uint8_t>(rtl ? 2 : 1)});
    caretStops_.push_back({rtl ? left : right, d, 1, 1});
  }
  // The stop of the target: the last one at or before it, so that an
  // offset inside a character cluster goes to the cluster's start and the
  // start of a piece to the end of the piece before it on the line.
  const TLTDrawLineInfo& p = c.DrawItems[caretDrawItem_];
  const bool text = c.GetItem(p.ItemNo).IsText();
  const int base = text ? 1 : 0, end = text ? p.Length + 1 : 1;
  const TLTDrawPos target{caretDrawItem_, targetOffset < 0 ? base : std::min(targetOffset, end)};
  caretStop_ = 0;
  for (size_t k = 0; k < caretStops_.size(); ++k) {
    const TLTCharPos& s = caretStops_[k];
    if (TLTDrawPos{s.DrawItemIndex, s.DrawItemOffset} <= target) caretStop_ = static_cast<int>(k);
  }
  if (caretStops_.empty()) caretStop_ = -1;
}

// ---- Item coordinates ---------------------------------------------------------------------------

int TCustomLecternEdit::CurrentItemNo() {
  EnsureNotEmpty();
  const TCustomLTFormattedData& c = CaretContainer();
  if (caretDrawItem_ < 0 || caretDrawItem_ >= c.DrawItems.Count()) return -1;
  return c.DrawItems[caretDrawItem_].ItemNo;
}

int TCustomLecternEdit::CurrentItemOffset() {
  EnsureNotEmpty();
  const TCustomLTFormattedData& c = CaretContainer();
  const TLTCharPos* s = Stop();
  int itemNo = 0, offset = 0;
  if (!s || !c.DrawItemToItem(s->DrawItemIndex, s->DrawItemOffset, itemNo, offset)) return 0;
  return offset;
}

bool TCustomLecternEdit::SetCaretAt(int itemNo, int offset, bool scrollToCaret) {
  TCustomLTFormattedData& c = CaretContainer();
  if (itemNo < 0 || itemNo >= c.ItemCount()) return false;
  TLTDrawPos p;
  if (!c.ItemToDrawItem(itemNo, offset, p.DrawItem, p.Offset)) return false;
  PlaceCaret(p, scrollToCaret);
  TFlagScope moving(movingCaret_);
  SetSel(CaretPos(), CaretPos());
  return true;
}

void TCustomLecternEdit::PlaceCaret(TLTDrawPos p, bool scrollToCaret, bool keepStyles) {
  caretDrawItem_ = p.DrawItem;
  RebuildCaretStops(p.Offset);
  UpdateCaret(false, scrollToCaret, keepStyles);
}

void TCustomLecternEdit::CaretToSelectionEnd() {
  const TLTDrawPos e = End();
  if (e.DrawItem < 0) {
    InvalidateCaret();
    caretDrawItem_ = caretStop_ = -1;
    caretStops_.clear();
    caretHeight_ = 0;
    return;
  }
  PlaceCaret(e, false);
  // A selection end inside a character cluster goes to the cluster's start
  // with the caret.
  const TLTDrawPos c = CaretPos();
  if (c != e && c.DrawItem >= 0) {
    TFlagScope moving(movingCaret_);
    SetSel(HasSelection() ? Anchor() : c, c);
  }
}

void TCustomLecternEdit::EnsureNotEmpty() {
  TLecternLTData& d = LTData();
  if (!Style() || d.IsFormatting()) return;
  if (d.ItemCount() == 0) {
    d.AddTextW(u"", currentTextStyle_, currentParaStyle_);
    Format();
  }
  // The keys find the caret at the start of a document they meet first.
  if (caretDrawItem_ < 0 && !CaretContainer().DrawItems.Empty()) {
    PlaceCaret({0, -1}, false, true);
    TFlagScope moving(movingCaret_);
    SetSel(CaretPos(), CaretPos());
  }
}

void TCustomLecternEdit::Formatted() {
  CaretToSelectionEnd();
  // The drawing items were built again: the handles follow their item.
  UpdateResizer();
}

void TCustomLecternEdit::Cleared() {
  resizer_.reset();
  EndDropTracking();
  caretDrawItem_ = caretStop_ = -1;
  caretStops_.clear();
  caretHeight_ = 0;
  caretRect_ = {};
  caretJump_ = -1;
  caretItem_ = nullptr;
  // What was done to the old document cannot be taken back in the new one:
  // its records name items that are gone.
  EditData().UndoList().Clear();
  EditData().RedoList().Clear();
  wordStep_ = {};
  Modified = false;
  lastSwitchableTextStyle_ = 0;
  SetCurrentTextStyle(0);
  SetCurrentParaStyle(0);
}

// ---- Showing the caret -----------------------------------------------------------------------------

TLTRectI TCustomLecternEdit::CaretRect() const {
  if (caretHeight_ <= 0) return {};
  const TCustomLTFormattedData& c = CaretContainer();
  const TLTPointI o = ToContainer(c, 0, 0);
  return {caretRect_.Left - o.X, caretRect_.Top - o.Y, caretRect_.Right - o.X, caretRect_.Bottom - o.Y};
}

void TCustomLecternEdit::InvalidateCaret() {
  const TLTRectI r = CaretRect();
  if (!r.IsEmpty()) Window().Invalidate(r.Inflated(1));
}

void TCustomLecternEdit::UpdateCaret(bool /*refreshBefore*/, bool scrollToCaret, bool keepStyles) {
  TCustomLTFormattedData& c = CaretContainer();
  InvalidateCaret();
  caretHeight_ = 0;
  caretRect_ = {};
  if (caretDrawItem_ >= 0 && !c.DrawItems.Empty()) {
    if (!Stop()) {
      caretDrawItem_ = IsMarkerPiece(0) && c.DrawItems.Count() > 1 ? 1 : 0;
      RebuildCaretStops(-1);
      throw ELecternError("Invalid caret position. Please contact the developer, if you can reproduce this problem");
    }
    const TLTCharPos& s = *Stop();
    caretDrawItem_ = s.DrawItemIndex;
    const TLTDrawLineInfo& p = c.DrawItems[caretDrawItem_];
    const int h = std::min(p.Height + 2, kMaxCaretHeight);
    const int x = s.StopX + s.StopSide - 1;
    const int top = p.Top - 1 + p.Height - h + 1;
    caretRect_ = {x, top, x + 1, top + h};
    caretHeight_ = h;
    // A caret that moved shows at once, whatever the blink was doing.
    if (blinking_) StartBlinking();
    InvalidateCaret();
    UpdateCurrentStyles(keepStyles);
    UpdateCaretJump();
    if (scrollToCaret) ScrollToCaret();
  }
  Window().InputMethodChanged();
  CheckLeftTypedWord();
  Window().AccessibleChanged(TLTAccessibleChange::Caret);
  if (OnCaretMove) OnCaretMove(*this);
}

void TCustomLecternEdit::CheckLeftTypedWord() {
  ILTWordEnumThread* w = WordThread();
  if (!w || typedItem_ < 0 || !w->ModifiedWord()) return;
  TCustomLTData& d = *typedData_;
  bool inside = false;
  if (&CaretContainer() == &d && CurrentItemNo() == typedItem_ && typedItem_ < d.ItemCount()) {
    const TLTString text = d.GetItemTextW(typedItem_);
    const size_t at = static_cast<size_t>(std::clamp(typedOffs_ - 1, 0, static_cast<int>(text.size())));
    size_t start = at, end = at;
    while (start > 0 && !IsDelimiter(text[start - 1])) --start;
    while (end < text.size() && !IsDelimiter(text[end])) ++end;
    const int caret = CurrentItemOffset();
    inside = caret >= static_cast<int>(start) + 1 && caret <= static_cast<int>(end) + 1;
  }
  if (inside) return;
  const int item = typedItem_;
  typedItem_ = -1;
  if (item < d.ItemCount()) WordModifiedAt(d, item);
}

void TCustomLecternEdit::ScrollToCaret() {
  const TLTRectI r = CaretRect();
  if (!r.IsEmpty()) ScrollIntoView(r);
}

// ---- Current styles and the hyperlink under the caret ------------------------------------------------

void TCustomLecternEdit::SetCurrentTextStyle(int styleNo) {
  if (styleNo == currentTextStyle_) return;
  EndTypedWord();
  currentTextStyle_ = styleNo;
  if (Style() && OnCurTextStyleChanged) OnCurTextStyleChanged(*this);
}

void TCustomLecternEdit::SetCurrentParaStyle(int paraNo) {
  if (paraNo == currentParaStyle_) return;
  currentParaStyle_ = paraNo;
  if (Style() && OnCurParaStyleChanged) OnCurParaStyleChanged(*this);
}

int TCustomLecternEdit::ActualCurrentTextStyle() const {
  if (currentTextStyle_ != MaxInt) return currentTextStyle_;
  const TLTStyle* style = Style();
  if (!style) return 0;
  const int def = style->ParaStyles()[currentParaStyle_].DefStyleNo;
  return def < 0 ? 0 : def;
}

void TCustomLecternEdit::UpdateCurrentStyles(bool keepStyles) {
  const TLTStyle* style = Style();
  TCustomLTFormattedData& c = CaretContainer();
  int n = CurrentItemNo();
  if (!style || n < 0) return;
  // Typing at an item boundary continues the item on the left.
  if (n > 0 && !c.GetItem(n).StartsParagraph() && !c.GetItem(n - 1).GetBoolValue(iqListMarker) &&
      CurrentItemOffset() == c.GetOffsBeforeItem(n))
    --n;
  if (!keepStyles) SetCurrentParaStyle(c.GetItem(n).ParaNo);
  // A selection made backwards takes its style from the text it starts with.
  if (HasSelection() && End() < Anchor()) {
    int d = End().DrawItem;
    if (End().Offset >= (c.GetItem(c.DrawItems[d].ItemNo).IsText() ? c.DrawItems[d].Length + 1 : 1) &&
        d + 1 < c.DrawItems.Count())
      ++d;
    if (c.GetItem(c.DrawItems[d].ItemNo).IsText()) n = c.DrawItems[d].ItemNo;
  }
  const TCustomLTItemInfo& item = c.GetItem(n);
  const int32_t next = item.IsText() ? item.StyleNo : item.GetAssociatedTextStyleNo();
  if (!item.IsText() && next < 0) return;  // only items that have a text style switch it
  auto protectedStyle = [&](int32_t s) {
    return style->TextStyles()[c.ResolveTextStyle(s, item.ParaNo)].Protection.Contains(ltprDoNotAutoSwitch);
  };
  if (protectedStyle(next)) {
    if (!protectedStyle(currentTextStyle_)) SetCurrentTextStyle(lastSwitchableTextStyle_);
  } else {
    SetCurrentTextStyle(next);
    lastSwitchableTextStyle_ = next;
  }
}

void TCustomLecternEdit::UpdateCaretJump() {
  const TLTStyle* style = Style();
  TCustomLTFormattedData& c = CaretContainer();
  const int n = CurrentItemNo();
  const TCustomLTItemInfo* item = n >= 0 ? &c.GetItem(n) : nullptr;
  int jump = -1;
  if (item && style) {
    const bool link =
        item->IsText() ? style->TextStyles()[c.GetItemStyle(n)].Jump : item->GetBoolValueEx(iqxHyperlink, style);
    if (link) jump = item->LinkIndex;
  }
  if (jump == caretJump_ && item == caretItem_) return;
  caretJump_ = jump;
  caretItem_ = item;
  Window().InvalidateAll();
}

}  // namespace lectern
