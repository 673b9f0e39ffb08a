// The viewer's selection: the container it lives in, its bounds in item
// and plain-text positions, words, lines and paragraphs around a point, and
// the selection the mouse makes by characters, words, lines or paragraphs.

#include "style/LTStyle.h"
#include "view/CLectern.h"

#include <algorithm>

namespace lectern {

namespace {

/// Nested documents deeper than this are not entered by the mouse.
constexpr int kMaxNesting = 64;

}  // namespace

// ---- Selection -------------------------------------------------------------------------------

TCustomLTFormattedData& TCustomLectern::Sel() const {
  if (sel_ && selLife_.expired()) {
    // The cell went with its table, and the selection in it; nothing of
    // it may be touched.
    sel_ = nullptr;
    selLife_.reset();
    selAnchor_ = selEnd_ = {};
  }
  return sel_ ? *sel_ : *data_;
}

void TCustomLectern::SetSelContainer(TCustomLTFormattedData& c) {
  TCustomLTFormattedData& old = Sel();
  if (&old == &c) return;
  // The selection lives in one container at a time: the old one loses it.
  if (selAnchor_.DrawItem >= 0 || selEnd_.DrawItem >= 0) {
    selAnchor_ = selEnd_ = {};
    SelectionChanged();
  }
  sel_ = &c == data_.get() ? nullptr : &c;
  selLife_ = sel_ ? c.Lifetime() : std::weak_ptr<const void>();
}

TLTPointI TCustomLectern::ToContainer(const TCustomLTFormattedData& c, int x, int y) const {
  const TLTPointI o = &c == data_.get() ? TLTPointI{} : c.GetOriginInControl();
  return {x + ViewLeft() - o.X, y + ViewTop() - o.Y};
}

TCustomLectern::THit TCustomLectern::HitAt(int x, int y) const {
  THit h{data_.get(), -1, ToContainer(*data_, x, y)};
  for (int depth = 0; depth < kMaxNesting; ++depth) {
    int d, o;
    if (!h.Data->HitTest(h.At.X, h.At.Y, true, d, o)) return h;
    h.DrawItem = d;
    const TLTDrawLineInfo& piece = h.Data->DrawItems[d];
    TCustomLTItemInfo& item = h.Data->GetItem(piece.ItemNo);
    if (item.IsText()) return h;
    auto* inner = dynamic_cast<TCustomLTFormattedData*>(item.GetSubDocumentAt(h.At.X - piece.Left, h.At.Y - piece.Top));
    if (!inner) return h;
    h = {inner, -1, ToContainer(*inner, x, y)};
  }
  return h;
}

TCustomLTItemInfo* TCustomLectern::HitItem(const THit& h, TLTPointI& rel) const {
  if (!h.Data || h.DrawItem < 0 || h.DrawItem >= h.Data->DrawItems.Count()) return nullptr;
  const TLTDrawLineInfo& piece = h.Data->DrawItems[h.DrawItem];
  rel = {h.At.X - piece.Left, h.At.Y - piece.Top};
  return &h.Data->GetItem(piece.ItemNo);
}

TCustomLectern::TPos TCustomLectern::PieceStart(int d) const {
  const TCustomLTFormattedData& c = Sel();
  const TLTDrawLineInfo& p = c.DrawItems[d];
  return {d, c.GetItem(p.ItemNo).IsText() ? 1 : 0};
}

TCustomLectern::TPos TCustomLectern::PieceEnd(int d) const {
  const TCustomLTFormattedData& c = Sel();
  const TLTDrawLineInfo& p = c.DrawItems[d];
  return {d, c.GetItem(p.ItemNo).IsText() ? p.Length + 1 : 1};
}

bool TCustomLectern::HasSelection() const { return Anchor().DrawItem >= 0 && End().DrawItem >= 0 && Anchor() != End(); }

bool TCustomLectern::SetSel(TPos anchor, TPos end) {
  if (Anchor() == anchor && End() == end) return false;
  selAnchor_ = anchor;
  selEnd_ = end;
  SelectionChanged();
  Window().AccessibleChanged(TLTAccessibleChange::Selection);
  return true;
}

void TCustomLectern::SelectionChanged() { Window().InvalidateAll(); }

void TCustomLectern::Deselect() { SetSel({}, {}); }

void TCustomLectern::SelectAll() {
  BeforeSelectionReplaced();
  SetSelContainer(*data_);
  const int n = data_->DrawItems.Count();
  if (n == 0) return;
  SetSel(PieceStart(0), PieceEnd(n - 1));
}

void TCustomLectern::BoundsIn(const TCustomLTFormattedData& c, int& startItemNo, int& startItemOffs, int& endItemNo,
                              int& endItemOffs, bool normalize) const {
  startItemNo = endItemNo = -1;
  startItemOffs = endItemOffs = 0;
  // Only the container the selection lives in has one.
  if (&c != &Sel()) return;
  TPos a = Anchor(), e = End();
  if (a.DrawItem < 0 || e.DrawItem < 0) return;
  if (normalize && e < a) std::swap(a, e);
  int si, so, ei, eo;
  if (!c.DrawItemToItem(a.DrawItem, a.Offset, si, so) || !c.DrawItemToItem(e.DrawItem, e.Offset, ei, eo)) return;
  startItemNo = si;
  startItemOffs = so;
  endItemNo = ei;
  endItemOffs = eo;
}

void TCustomLectern::GetSelectionBounds(int& startItemNo, int& startItemOffs, int& endItemNo, int& endItemOffs,
                                        bool normalize) const {
  BoundsIn(*data_, startItemNo, startItemOffs, endItemNo, endItemOffs, normalize);
}

TLTItemRange TCustomLectern::SelectionRange(bool normalize) const {
  TLTItemRange r;
  BoundsIn(Sel(), r.FirstItem, r.FirstOffs, r.LastItem, r.LastOffs, normalize);
  return r;
}

void TCustomLectern::SetSelectionBounds(int startItemNo, int startItemOffs, int endItemNo, int endItemOffs) {
  SetSelectionIn(*data_, startItemNo, startItemOffs, endItemNo, endItemOffs);
}

void TCustomLectern::SetSelectionIn(TCustomLTFormattedData& c, int startItemNo, int startItemOffs, int endItemNo,
                                    int endItemOffs) {
  BeforeSelectionReplaced();
  SetSelContainer(c);
  const int count = c.ItemCount();
  if (startItemNo < 0 || endItemNo < 0 || count == 0 || c.DrawItems.Empty()) {
    Deselect();
    return;
  }
  auto fit = [&](int& itemNo, int& offs) {
    itemNo = std::min(itemNo, count - 1);
    // A list marker is not a place to stand: the text after it is.
    if (c.GetItem(itemNo).GetBoolValue(iqListMarker) && itemNo + 1 < count) {
      ++itemNo;
      offs = c.GetOffsBeforeItem(itemNo);
    }
    offs = std::clamp(offs, c.GetOffsBeforeItem(itemNo), c.GetOffsAfterItem(itemNo));
  };
  fit(startItemNo, startItemOffs);
  fit(endItemNo, endItemOffs);
  TPos a, e;
  if (!c.ItemToDrawItem(startItemNo, startItemOffs, a.DrawItem, a.Offset) ||
      !c.ItemToDrawItem(endItemNo, endItemOffs, e.DrawItem, e.Offset)) {
    Deselect();
    return;
  }
  SetSel(a, e);
}

TGraphic* TCustomLectern::SelectedPicture() const {
  int si, so, ei, eo;
  BoundsIn(Sel(), si, so, ei, eo, true);
  return si < 0 ? nullptr : RangePicture(Sel(), {si, so, ei, eo});
}

TCustomLectern::TTextMap TCustomLectern::BuildTextMap() const {
  TTextMap m;
  const int n = data_->ItemCount();
  m.Start.resize(static_cast<size_t>(n));
  m.Length.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const TCustomLTItemInfo& item = data_->GetItem(i);
    if (i > 0 && !item.HasFlag(ltifJoinPrev)) m.Text += u"\r\n";
    const TLTString t = item.IsText() ? data_->GetItemTextW(i) : item.AsText(0, *data_, true);
    m.Start[static_cast<size_t>(i)] = static_cast<int>(m.Text.size());
    m.Length[static_cast<size_t>(i)] = static_cast<int>(t.size());
    m.Text += t;
  }
  return m;
}

int TCustomLectern::CharPosOf(const TTextMap& map, int itemNo, int offs) const {
  if (itemNo < 0 || itemNo >= static_cast<int>(map.Start.size())) return 0;
  const int start = map.Start[static_cast<size_t>(itemNo)];
  const int len = map.Length[static_cast<size_t>(itemNo)];
  if (data_->GetItem(itemNo).IsText()) return start + std::clamp(offs - 1, 0, len);
  return start + (offs >= 1 ? len : 0);
}

void TCustomLectern::ItemPosOf(const TTextMap& map, int pos, int& itemNo, int& offs) const {
  const int n = static_cast<int>(map.Start.size());
  itemNo = -1;
  offs = 0;
  if (n == 0) return;
  for (int i = 0; i < n; ++i) {
    const int start = map.Start[static_cast<size_t>(i)];
    const int len = map.Length[static_cast<size_t>(i)];
    if (pos > start + len) continue;
    itemNo = i;
    const bool text = data_->GetItem(i).IsText();
    if (pos <= start)
      offs = text ? 1 : 0;
    else
      offs = text ? pos - start + 1 : 1;
    return;
  }
  itemNo = n - 1;
  offs = data_->GetOffsAfterItem(itemNo);
}

void TCustomLectern::GetSelectionCharPositions(int& start, int& length) const {
  start = length = 0;
  int si, so, ei, eo;
  GetSelectionBounds(si, so, ei, eo, true);
  if (si < 0) return;
  const TTextMap map = BuildTextMap();
  start = CharPosOf(map, si, so);
  length = CharPosOf(map, ei, eo) - start;
}

void TCustomLectern::SetSelectionCharPositions(int start, int length) {
  const TTextMap map = BuildTextMap();
  const int total = static_cast<int>(map.Text.size());
  const int64_t from = std::clamp<int64_t>(start, 0, total);
  const int64_t to = std::clamp<int64_t>(from + length, 0, total);
  int si, so, ei, eo;
  ItemPosOf(map, static_cast<int>(from), si, so);
  ItemPosOf(map, static_cast<int>(to), ei, eo);
  SetSelectionBounds(si, so, ei, eo);
}

TLTString TCustomLectern::TextBetween(int start, int end) const {
  const TTextMap map = BuildTextMap();
  const int total = static_cast<int>(map.Text.size());
  start = std::clamp(start, 0, total);
  end = std::clamp(end, start, total);
  return map.Text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

void TCustomLectern::GetSelection(int& start, int& end) const {
  int length;
  GetSelectionCharPositions(start, length);
  end = start + length;
}

void TCustomLectern::SetSelection(int start, int end) {
  if (start == -1)
    Deselect();
  else if (start == 0 && end == -1)
    SelectAll();
  else
    SetSelectionCharPositions(start, end - start);
  Window().InvalidateAll();
}

int TCustomLectern::GetTextRange(int start, int end, char16_t* buffer, int size) const {
  if (!buffer || size <= 0) return 0;
  const TLTString t = TextBetween(start, end);
  const int n = std::min(static_cast<int>(t.size()), size - 1);
  std::copy_n(t.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

// ---- Words, lines, paragraphs --------------------------------------------------------------

TCustomLectern::TPos TCustomLectern::HitPos(int x, int y) const {
  TPos p;
  TCustomLTFormattedData& c = Sel();
  const TLTPointI at = ToContainer(c, x, y);
  if (!c.HitTest(at.X, at.Y, false, p.DrawItem, p.Offset)) return {};
  return p;
}

int TCustomLectern::DrawItemAt(int x, int y) const {
  int d, o;
  return data_->HitTest(x + ViewLeft(), y + ViewTop(), true, d, o) ? d : -1;
}

TCustomLectern::TPos TCustomLectern::WordEdge(TPos p, bool forward) const {
  if (p.DrawItem < 0) return p;
  const TCustomLTFormattedData& c = Sel();
  int itemNo, offs;
  if (!c.DrawItemToItem(p.DrawItem, p.Offset, itemNo, offs) || !c.GetItem(itemNo).IsText()) return p;
  const TLTString t = c.GetItemTextW(itemNo);
  const int len = static_cast<int>(t.size());
  // offs is 1-based: the character after it is t[offs - 1].
  if (forward) {
    while (offs - 1 < len && !IsDelimiter(t[static_cast<size_t>(offs - 1)])) ++offs;
  } else {
    while (offs - 2 >= 0 && offs - 2 < len && !IsDelimiter(t[static_cast<size_t>(offs - 2)])) --offs;
  }
  TPos r;
  return c.ItemToDrawItem(itemNo, offs, r.DrawItem, r.Offset) ? r : p;
}

bool TCustomLectern::WordBounds(TPos p, TPos& start, TPos& end) const {
  if (p.DrawItem < 0) return false;
  const TCustomLTFormattedData& c = Sel();
  int itemNo, offs;
  if (!c.DrawItemToItem(p.DrawItem, p.Offset, itemNo, offs) || !c.GetItem(itemNo).IsText()) return false;
  const TLTString t = c.GetItemTextW(itemNo);
  if (offs < 1 || offs > static_cast<int>(t.size()) || IsDelimiter(t[static_cast<size_t>(offs - 1)])) return false;
  start = WordEdge(p, false);
  end = WordEdge(p, true);
  return true;
}

void TCustomLectern::ParagraphBounds(int d, TPos& start, TPos& end) const {
  const TCustomLTFormattedData& c = Sel();
  const int itemNo = c.DrawItems[d].ItemNo;
  const int first = c.GetFirstParaItem(itemNo);
  int last = itemNo;
  while (last + 1 < c.ItemCount() && !c.GetItem(last + 1).StartsParagraph()) ++last;
  int fd, fo, ld, lo;
  if (c.ItemToDrawItem(first, c.GetOffsBeforeItem(first), fd, fo) &&
      c.ItemToDrawItem(last, c.GetOffsAfterItem(last), ld, lo)) {
    start = {fd, fo};
    end = {ld, lo};
  } else {
    start = PieceStart(d);
    end = PieceEnd(d);
  }
}

void TCustomLectern::LineBounds(int d, TPos& start, TPos& end) const {
  const TLTLineBox line = Sel().LineOf(d);
  start = PieceStart(line.First);
  end = PieceEnd(line.Last);
}

bool TCustomLectern::GetWordAt(int x, int y, TLTString& word, int& itemNo, int& style) const {
  word.clear();
  itemNo = -1;
  style = -1;
  // The word of a table cell's document when the point lies in a cell.
  const THit h = HitAt(x, y);
  TCustomLTFormattedData& c = *h.Data;
  TPos p;
  if (!c.HitTest(h.At.X, h.At.Y, false, p.DrawItem, p.Offset)) return false;
  int offs;
  if (!c.DrawItemToItem(p.DrawItem, p.Offset, itemNo, offs)) return false;
  const TCustomLTItemInfo& item = c.GetItem(itemNo);
  if (!item.IsText()) {
    word = c.GetItemTextW(itemNo);
    style = item.StyleNo;
    return true;
  }
  style = c.GetItemStyle(itemNo);
  const TLTString t = c.GetItemTextW(itemNo);
  const int len = static_cast<int>(t.size());
  // The character after the position; at the item's end there is none.
  const int at = offs - 1;
  if (at < 0 || at >= len || IsDelimiter(t[static_cast<size_t>(at)])) return true;
  int from = at, to = at + 1;
  while (from > 0 && !IsDelimiter(t[static_cast<size_t>(from - 1)])) --from;
  while (to < len && !IsDelimiter(t[static_cast<size_t>(to)])) ++to;
  word = t.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
  return true;
}

bool TCustomLectern::IsInSelection(int x, int y) const {
  if (!HasSelection()) return false;
  int d, o;
  TCustomLTFormattedData& c = Sel();
  const TLTPointI at = ToContainer(c, x, y);
  if (!c.HitTest(at.X, at.Y, true, d, o)) return false;
  TPos a = Anchor(), e = End();
  if (e < a) std::swap(a, e);
  const TPos p{d, o};
  if (!c.GetItem(c.DrawItems[d].ItemNo).IsText()) return a <= PieceStart(d) && PieceEnd(d) <= e;
  return a <= p && p <= e;
}

// ---- Mouse selection ------------------------------------------------------------------------

void TCustomLectern::ExtendMouseSelection(int x, int y, bool shiftAtPress) {
  TPos p = HitPos(x, y);
  if (p.DrawItem < 0) return;
  TPos anchor = Anchor(), end = p;
  switch (mouseSel_) {
    case TMouseSel::None:
    case TMouseSel::Chars:
      break;
    case TMouseSel::Words:
      if (haveAnchorUnit_ && p >= anchorUnitStart_ && p <= anchorUnitEnd_) {
        anchor = pressPos_;
      } else if (haveAnchorUnit_) {
        const bool after = p > anchorUnitEnd_;
        anchor = after ? anchorUnitStart_ : anchorUnitEnd_;
        end = WordEdge(p, after);
      } else if (p != anchor) {
        end = WordEdge(p, p > anchor);
      }
      // A press between words or past a line's end that has not moved
      // selects nothing: the caret stays where the click put it.
      break;
    case TMouseSel::Lines:
    case TMouseSel::Paragraphs: {
      TPos s, e;
      if (mouseSel_ == TMouseSel::Lines)
        LineBounds(p.DrawItem, s, e);
      else
        ParagraphBounds(p.DrawItem, s, e);
      if (!haveAnchorUnit_ || shiftAtPress) {
        end = p > anchor ? e : s;
      } else if (p >= anchorUnitStart_) {
        anchor = anchorUnitStart_;
        end = std::max(e, anchorUnitEnd_);
      } else {
        anchor = anchorUnitEnd_;
        end = s;
      }
      break;
    }
  }
  SetSel(anchor, end);
}

void TCustomLectern::EndMouseSelection() {
  mouseSel_ = TMouseSel::None;
  haveAnchorUnit_ = false;
}

}  // namespace lectern
