// The caret's moves: by stops and words along a line, by lines at the
// current stop's x, by paragraphs, to the ends of lines and of the
// document, and by pages; and what happens at the document's edges.

#include "edit/LTEdit.h"
#include "edit/LTEditFlag.h"

#include <algorithm>

namespace lectern {

namespace {

constexpr int kExtend = ltecCharLeftExtend - ltecCharLeft;

}  // namespace

bool TCustomLecternEdit::MoveCaret(TLTCommand command) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->MoveCaret(command);
  try {
    return MoveCaretBy(command);
  } catch (const ELecternError&) {
    // A caret that lost its place is back at the start; the key did nothing.
    Refuse();
    return true;
  }
}

bool TCustomLecternEdit::MoveCaretBy(TLTCommand command) {
  EndTypedWord();
  EnsureNotEmpty();
  if (!Stop()) return true;
  const bool extend = command >= ltecCharLeftExtend && command <= ltecPageDownExtend;
  TLTCommand move = extend ? command - kExtend : command;
  // Where the caret's paragraph reads right to left, Left goes forward and
  // Right backward.
  if (IsRightToLeftAtCaret()) {
    if (move == ltecCharLeft || move == ltecCharRight) move = move == ltecCharLeft ? ltecCharRight : ltecCharLeft;
    if (move == ltecWordLeft || move == ltecWordRight) move = move == ltecWordLeft ? ltecWordRight : ltecWordLeft;
  }
  // With Shift the anchor stays where the caret was; without it the
  // selection goes.
  const TLTDrawPos anchor = HasSelection() ? Anchor() : CaretPos();
  {
    TFlagScope moving(movingCaret_);
    struct TExtending {
      bool& flag;
      ~TExtending() { flag = false; }
    } extending{extendingMove_};
    extendingMove_ = extend;
    switch (move) {
      case ltecCharLeft:
        CharLeft(extend);
        break;
      case ltecCharRight:
        CharRight(extend);
        break;
      case ltecWordLeft:
        WordLeft();
        break;
      case ltecWordRight:
        WordRight();
        break;
      case ltecLineUp:
      case ltecLineDown:
        LineUpDown(move == ltecLineDown, extend);
        break;
      case ltecParaUp:
      case ltecParaDown:
        ParaUpDown(move == ltecParaDown);
        break;
      case ltecLineStart:
      case ltecLineEnd:
        LineStartEnd(move == ltecLineEnd);
        break;
      case ltecDocStart:
      case ltecDocEnd:
        DocStartEnd(move == ltecDocEnd);
        break;
      case ltecPageUp:
      case ltecPageDown:
        PageUpDown(move == ltecPageDown);
        break;
      default:
        return false;
    }
    const TLTDrawPos caret = CaretPos();
    SetSel(extend ? anchor : caret, caret);
  }
  return true;
}

void TCustomLecternEdit::GetOut(TLTGetOutDirection direction) {
  CaretGotOut(direction);
  if (OnCaretGetOut) OnCaretGetOut(*this, direction);
}

TLTDrawPos TCustomLecternEdit::LineStart(int d) const {
  const TCustomLTFormattedData& c = CaretContainer();
  const TLTLineBox line = c.LineOf(d);
  int first = line.First;
  if (IsMarkerPiece(first) && first < line.Last) ++first;
  return {first, c.GetItem(c.DrawItems[first].ItemNo).IsText() ? 1 : 0};
}

TLTDrawPos TCustomLecternEdit::LineEnd(int d) const {
  const TCustomLTFormattedData& c = CaretContainer();
  const int last = c.LineOf(d).Last;
  const TLTDrawLineInfo& p = c.DrawItems[last];
  return {last, c.GetItem(p.ItemNo).IsText() ? p.Length + 1 : 1};
}

// ---- Along a line -------------------------------------------------------------------------------

bool TCustomLecternEdit::OfferCaret(int d, TLTCaretEntry from, int x) {
  TCustomLTFormattedData& c = CaretContainer();
  if (d < 0 || d >= c.DrawItems.Count() || &c != &LTData()) return false;
  TCustomLTItemInfo& item = c.GetItem(c.DrawItems[d].ItemNo);
  return !item.IsText() && item.TakeCaret(from, x);
}

bool TCustomLecternEdit::CharLeft(bool extend) {
  const TCustomLTFormattedData& c = CaretContainer();
  // Passing back over an item that takes the caret (a table: into its last
  // cell).
  if (const TLTCharPos* s = Stop(); !extend && s && s->DrawItemOffset == 1 &&
                                    !c.GetItem(c.DrawItems[s->DrawItemIndex].ItemNo).IsText() &&
                                    OfferCaret(s->DrawItemIndex, ltceFromAfter, 0))
    return true;
  if (caretStop_ > 0) {
    --caretStop_;
    UpdateCaret(false, true, false);
    return true;
  }
  // From a line's start to the end of the line before.
  const int prev = c.LineOf(caretStops_.front().DrawItemIndex).First - 1;
  if (prev < 0 || (prev == 0 && IsMarkerPiece(0))) {
    GetOut(ltdLeft);
    return false;
  }
  PlaceCaret(LineEnd(prev), true);
  return true;
}

bool TCustomLecternEdit::CharRight(bool extend) {
  const TCustomLTFormattedData& c = CaretContainer();
  if (const TLTCharPos* s = Stop(); !extend && s && s->DrawItemOffset == 0 &&
                                    OfferCaret(s->DrawItemIndex, ltceFromBefore, 0))
    return true;
  if (caretStop_ + 1 < static_cast<int>(caretStops_.size())) {
    ++caretStop_;
    UpdateCaret(false, true, false);
    return true;
  }
  // From a line's end to the start of the next.
  const int next = c.LineOf(caretStops_.back().DrawItemIndex).Last + 1;
  if (next >= c.DrawItems.Count()) {
    GetOut(ltdRight);
    return false;
  }
  PlaceCaret(LineStart(next), true);
  return true;
}

// A word starts where a delimiter is followed by something else, or where
// something else is followed by a delimiter other than a space (so that
// "end." stops before the full stop). Moving right also stops after spaces.

bool TCustomLecternEdit::WordLeft() {
  TCustomLTFormattedData& c = CaretContainer();
  const int itemNo = CurrentItemNo();
  const int p = itemNo >= 0 && c.GetItem(itemNo).IsText() ? CurrentItemOffset() - 1 : 0;
  if (p <= 0) return CharLeft(false);
  const TLTString t = c.GetItemTextW(itemNo);
  auto wordStart = [&](int k) {
    const char16_t a = t[static_cast<size_t>(k - 1)], b = t[static_cast<size_t>(k)];
    return (IsDelimiter(a) && !IsDelimiter(b)) || (!IsDelimiter(a) && IsDelimiter(b) && b != u' ');
  };
  int k = std::min(p, static_cast<int>(t.size())) - 1;
  while (k > 0 && !wordStart(k)) --k;
  int d = 0, o = 0;
  if (!c.ItemToDrawItem(itemNo, k + 1, d, o)) return false;
  PlaceCaret({d, o}, true);
  return true;
}

bool TCustomLecternEdit::WordRight() {
  if (!CharRight(false)) return false;
  TCustomLTFormattedData& c = CaretContainer();
  const int itemNo = CurrentItemNo();
  if (itemNo < 0 || !c.GetItem(itemNo).IsText()) return true;
  const TLTString t = c.GetItemTextW(itemNo);
  const int len = static_cast<int>(t.size());
  auto wordStart = [&](int k) {
    const char16_t a = t[static_cast<size_t>(k - 1)], b = t[static_cast<size_t>(k)];
    return (a == u' ' && b != u' ') || (IsDelimiter(a) && !IsDelimiter(b)) ||
           (!IsDelimiter(a) && IsDelimiter(b) && b != u' ');
  };
  int k = CurrentItemOffset() - 1;
  while (k > 0 && k < len && !wordStart(k)) ++k;
  int d = 0, o = 0;
  if (!c.ItemToDrawItem(itemNo, k + 1, d, o)) return false;
  PlaceCaret({d, o}, true);
  return true;
}

bool TCustomLecternEdit::LineStartEnd(bool end) {
  PlaceCaret(end ? LineEnd(caretDrawItem_) : LineStart(caretDrawItem_), true);
  return true;
}

bool TCustomLecternEdit::DocStartEnd(bool end) {
  const TCustomLTFormattedData& c = CaretContainer();
  const int n = c.DrawItems.Count();
  PlaceCaret(end ? LineEnd(n - 1) : LineStart(0), true);
  GetOut(end ? ltdBottom : ltdTop);
  return true;
}

// ---- Between lines ----------------------------------------------------------------------------------

bool TCustomLecternEdit::LineUpDown(bool down, bool extend) {
  TCustomLTFormattedData& c = CaretContainer();
  const int x = Stop()->StopX;
  const TLTLineBox line = c.LineOf(caretDrawItem_);
  int target = down ? line.Last + 1 : line.First - 1;
  // A list marker ending the line above is passed over.
  if (!down && target >= 0 && IsMarkerPiece(target)) target = target == 0 ? -1 : target - 1;
  if (target < 0 || target >= c.DrawItems.Count()) {
    GetOut(down ? ltdDown : ltdUp);
    // With Shift the caret first goes to the line's end; then, as without
    // Shift, the view goes to the document's end.
    const TLTDrawPos edge = down ? LineEnd(caretDrawItem_) : LineStart(caretDrawItem_);
    if (extend && CaretPos() != edge)
      PlaceCaret(edge, true);
    else
      ScrollBarCommand(TLTScrollBarKind::Vertical, down ? TLTScrollCode::Bottom : TLTScrollCode::Top, 0);
    return false;
  }
  const TLTDrawLineInfo& p = c.DrawItems[target];
  const int y = down ? p.Top - p.SpaceAbove + 1 : p.Top + 1;
  TLTDrawPos hit;
  if (!c.HitTest(x, y, false, hit.DrawItem, hit.Offset)) return false;
  if (!extend && OfferCaret(hit.DrawItem, down ? ltceFromAbove : ltceFromBelow, x - c.DrawItems[hit.DrawItem].Left))
    return true;
  PlaceCaret(hit, true);
  return true;
}

bool TCustomLecternEdit::ParaUpDown(bool down) {
  TCustomLTFormattedData& c = CaretContainer();
  const TLTLineBox line = c.LineOf(caretDrawItem_);
  const bool edge = down ? line.Last + 1 >= c.DrawItems.Count() : line.First == 0;
  if (edge) {
    // On the first or last line the key gets out; first the caret goes to
    // the line's end.
    GetOut(down ? ltdDown : ltdUp);
    const TLTDrawPos to = down ? LineEnd(caretDrawItem_) : LineStart(caretDrawItem_);
    if (CaretPos() != to) {
      PlaceCaret(to, true);
      return true;
    }
  }
  int itemNo = CurrentItemNo();
  if (down) {
    int next = itemNo + 1;
    while (next < c.ItemCount() && !c.GetItem(next).StartsParagraph()) ++next;
    if (next >= c.ItemCount()) {
      PlaceCaret(LineEnd(c.DrawItems.Count() - 1), true);
      return true;
    }
    itemNo = next;
  } else {
    // From a line's first stop the search starts before it, so that a
    // paragraph's start reaches the start of the paragraph before.
    if (caretStop_ == 0 && line.First > 0) itemNo = c.DrawItems[line.First - 1].ItemNo;
    itemNo = c.GetFirstParaItem(itemNo);
  }
  if (c.GetItem(itemNo).GetBoolValue(iqListMarker) && itemNo + 1 < c.ItemCount()) ++itemNo;
  TLTDrawPos p;
  if (!c.ItemToDrawItem(itemNo, c.GetOffsBeforeItem(itemNo), p.DrawItem, p.Offset)) return false;
  PlaceCaret(p, true);
  return true;
}

bool TCustomLecternEdit::PageUpDown(bool down) {
  TCustomLTFormattedData& c = CaretContainer();
  const int x = Stop()->StopX;
  const int clientHeight = Window().ClientSize().Height;
  // At least a line per step, whatever the client's height.
  const int lineHeight = std::max(1, c.DrawItems[caretDrawItem_].Height);
  const int first = std::max(clientHeight * 3 / 4, lineHeight);
  const int step = std::max(clientHeight / 2, lineHeight);
  const int viewTop = ToContainer(c, 0, 0).Y;
  for (int y = viewTop + (down ? first : -first); down ? y < c.DocumentHeight : y > 0; y += down ? step : -step) {
    TLTDrawPos hit;
    if (!c.HitTest(x, y, false, hit.DrawItem, hit.Offset)) break;
    if (down ? hit.DrawItem <= caretDrawItem_ : hit.DrawItem >= caretDrawItem_) continue;
    PlaceCaret(hit, !down);
    if (down) {
      // The line found goes to the top of the view.
      const int top = c.LineOf(hit.DrawItem).Top;
      ScrollTo(std::max(0, ViewTop() + (top - viewTop)));
    }
    return true;
  }
  return DocStartEnd(down);
}

}  // namespace lectern
