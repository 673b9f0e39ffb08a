// The viewer control.
//
// Design notes. The selection lives in the container as drawing positions
// (anchor and end); everything here works on those and converts to item
// positions only at the edges (bounds, character positions, copying). A
// mouse selection grows from a unit remembered at the press: a word, a
// line or a paragraph; by characters the unit is the press point. Hover and
// keyboard focus keep hyperlink numbers, not rectangle indices, because a
// re-format rebuilds the rectangles. The focus frame is an overlay drawn
// after the document on every paint, never painted into the window apart
// from a paint, so that moving pixels on scrolling cannot leave stale
// frames behind.

#include "view/CLectern.h"

#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>

namespace lectern {

namespace {

/// Room around a hyperlink repainted when its hover look changes, for
/// underlines and italic overhangs drawn outside its rectangle.
constexpr int kHoverMargin = 5;
/// Distance beyond the client area from which automatic scrolling speeds up.
constexpr int kFastScrollDistance = 20;
constexpr int kFastScrollStep = 10;

/// Sets a pointer for a scope and clears it at the end.
class TPointerScope {
 public:
  TPointerScope(TLTClipboardData*& slot, TLTClipboardData* value) : slot_(slot) { slot_ = value; }
  ~TPointerScope() { slot_ = nullptr; }
  TPointerScope(const TPointerScope&) = delete;
  TPointerScope& operator=(const TPointerScope&) = delete;

 private:
  TLTClipboardData*& slot_;
};

int AutoScrollStep(int v, int size) {
  if (v < -kFastScrollDistance) return -kFastScrollStep;
  if (v < 0) return -1;
  if (v >= size + kFastScrollDistance) return kFastScrollStep;
  if (v >= size) return 1;
  return 0;
}

TLTRectI Grown(const TLTRectI& r, int by) { return {r.Left - by, r.Top - by, r.Right + by, r.Bottom + by}; }

/// Nested documents deeper than this are not entered by the mouse.
constexpr int kMaxNesting = 64;

}  // namespace

std::string PackLTFFlavour(std::string_view ltf) {
  const auto n = static_cast<uint32_t>(ltf.size());
  std::string out;
  out.reserve(ltf.size() + 4);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  out.append(ltf);
  return out;
}

bool UnpackLTFFlavour(std::string_view bytes, std::string& ltf) {
  ltf.clear();
  if (bytes.size() < 4) return false;
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i)
    n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[static_cast<size_t>(i)])) << (8 * i);
  if (n > bytes.size() - 4) return false;
  ltf.assign(bytes.substr(4, n));
  return true;
}

// ---- The container's answers -----------------------------------------------------------------

int TLecternLTData::GetLeftMargin() const { return owner_.LeftMargin; }
int TLecternLTData::GetRightMargin() const { return owner_.RightMargin; }
int TLecternLTData::GetTopMargin() const { return owner_.TopMargin; }
int TLecternLTData::GetBottomMargin() const { return owner_.BottomMargin; }
int TLecternLTData::GetMinTextWidth() const { return owner_.MinTextWidth; }
int TLecternLTData::GetMaxTextWidth() const { return owner_.MaxTextWidth; }
int TLecternLTData::GetClientWidth() const { return owner_.Window().ClientSize().Width; }
int TLecternLTData::GetClientHeight() const { return owner_.Window().ClientSize().Height; }
uint16_t TLecternLTData::GetControlFlags() const { return owner_.ControlFlags; }
int TLecternLTData::GetMaxLength() const { return owner_.MaxLength; }
bool TLecternLTData::GetWordWrap() const { return owner_.WordWrap; }
TLTBiDiMode TLecternLTData::GetBiDiMode() const { return owner_.BiDiMode(); }
TLTCanvas* TLecternLTData::GetFormatCanvas() const { return &owner_.Window().FormatCanvas(); }
bool TLecternLTData::DocumentSizeChanged(int width, int height) { return owner_.DocumentSizeChanged(width, height); }
int TLecternLTData::GetViewTop() const { return owner_.ViewTop(); }
void TLecternLTData::ScrollToY(int y) { owner_.ScrollTo(std::max(y, 0)); }
int TLecternLTData::GetViewLeft() const { return owner_.ViewLeft(); }

// ---- Construction ----------------------------------------------------------------------------

TCustomLectern::TCustomLectern(ILTWindow& window)
    : TLTScroller(window), data_(std::make_unique<TLecternLTData>(*this)) {
  data_->SetContext(&context_);
  data_->ClearDrawItems();
  SetDocumentSize(LeftMargin + RightMargin, data_->DocumentHeight);
}

TCustomLectern::~TCustomLectern() {
  // Nothing the window does from here on may reach a half-destroyed control.
  Window().SetClient(nullptr);
  if (autoScrolling_) Window().StopTimer(LTAutoScrollTimer);
  if (Window().HasCapture()) Window().ReleaseCapture();
}

// ---- Formatting ------------------------------------------------------------------------------

void TCustomLectern::SaveSelection(int& si, int& so, int& ei, int& eo) const { BoundsIn(Sel(), si, so, ei, eo, false); }

void TCustomLectern::RestoreSelection(int si, int so, int ei, int eo) {
  // Drawing positions do not survive a re-format; item positions do.
  TCustomLTFormattedData& c = Sel();
  selAnchor_ = selEnd_ = {};
  if (si < 0 || ei < 0 || si >= c.ItemCount() || ei >= c.ItemCount()) return;
  TPos a, e;
  if (c.ItemToDrawItem(si, so, a.DrawItem, a.Offset) && c.ItemToDrawItem(ei, eo, e.DrawItem, e.Offset)) {
    selAnchor_ = a;
    selEnd_ = e;
  }
}

void TCustomLectern::AfterFormat() {
  lastFormatWidth_ = Window().ClientSize().Width;
  hintDrawItem_ = -1;
  if (focusItem_ >= data_->ItemCount()) focusItem_ = -1;
  CheckCheckpoints();
}

void TCustomLectern::Format() {
  if (!Style()) return;
  int si, so, ei, eo;
  SaveSelection(si, so, ei, eo);
  data_->FormatAll({.Force = true, .ForceTables = true});
  RestoreSelection(si, so, ei, eo);
  AfterFormat();
  if (Options().Contains(ltoFormatInvalidate)) Window().InvalidateAll();
  if (AnimationMode == ltaniOnFormat) StartAnimation();
}

void TCustomLectern::Reformat() {
  if (!Style()) return;
  int si, so, ei, eo;
  SaveSelection(si, so, ei, eo);
  data_->FormatAll({.KeepPosition = true, .Force = true, .ReformatEditors = true, .ForceTables = true});
  RestoreSelection(si, so, ei, eo);
  AfterFormat();
  if (Options().Contains(ltoFormatInvalidate)) Window().InvalidateAll();
  if (AnimationMode == ltaniOnFormat) StartAnimation();
}

void TCustomLectern::FormatAppended() {
  if (!Style()) return;
  data_->FormatAll({.AppendedOnly = true});
  AfterFormat();
  Window().InvalidateAll();
}

void TCustomLectern::Clear() {
  StopAutoScroll();
  mouseSel_ = TMouseSel::None;
  dragCandidate_ = false;
  pressedJump_ = -1;
  focusJump_ = focusItem_ = -1;
  hintDrawItem_ = -1;
  lastCheckpoint_ = nullptr;
  hoverJump_ = -1;
  hoverShown_ = false;
  sel_ = nullptr;
  selLife_.reset();
  selAnchor_ = selEnd_ = {};
  data_->Clear();
  data_->ClearDrawItems();
  SetDocumentSize(LeftMargin + RightMargin, data_->DocumentHeight);
  Window().InvalidateAll();
}

bool TCustomLectern::DocumentSizeChanged(int width, int height) {
  const int before = Window().ClientSize().Width;
  SetDocumentSize(width, height);
  return Window().ClientSize().Width != before;
}

// ---- Settings --------------------------------------------------------------------------------

void TCustomLectern::SetStyle(TLTStyle* style) {
  if (context_.Style == style) return;
  context_.Style = style;
  Window().InvalidateAll();
}

void TCustomLectern::SetBiDiMode(TLTBiDiMode mode) {
  biDiMode_ = mode;
  Window().SetScrollBarOnLeft(mode == ltbdRightToLeft);
}

void TCustomLectern::SetVAlign(TTextLayout align) {
  if (vAlign_ == align) return;
  vAlign_ = align;
  Window().InvalidateAll();
}

void TCustomLectern::SetColor(TColor color) {
  background_.Color = color;
  Window().InvalidateAll();
}

void TCustomLectern::SetBackgroundBitmap(const TGraphic* picture) {
  background_.Image = picture ? picture->Clone() : nullptr;
  Window().InvalidateAll();
}

void TCustomLectern::SetBackgroundStyle(TBackgroundStyle style) {
  background_.Style = style;
  Window().InvalidateAll();
}

int TCustomLectern::VAlignOffset() const {
  const int free = Window().ClientSize().Height - data_->DocumentHeight;
  if (free <= 0) return 0;
  switch (vAlign_) {
    case tlCenter:
      return free / 2;
    case tlBottom:
      return free;
    case tlTop:
      break;
  }
  return 0;
}

// A document shorter than the window is placed by moving the view above
// the document's top: painting and hit testing then agree without knowing
// about VAlign.
int TCustomLectern::ViewTop() const { return VScrollPosition() * ScrollUnit() - VAlignOffset(); }

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

bool TCustomLectern::HasSelection() const {
  return Anchor().DrawItem >= 0 && End().DrawItem >= 0 && Anchor() != End();
}

bool TCustomLectern::SetSel(TPos anchor, TPos end) {
  if (Anchor() == anchor && End() == end) return false;
  selAnchor_ = anchor;
  selEnd_ = end;
  SelectionChanged();
  return true;
}

void TCustomLectern::SelectionChanged() { Window().InvalidateAll(); }

void TCustomLectern::Deselect() { SetSel({}, {}); }

void TCustomLectern::SelectAll() {
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

void TCustomLectern::SetSelectionBounds(int startItemNo, int startItemOffs, int endItemNo, int endItemOffs) {
  SetSelContainer(*data_);
  const int count = data_->ItemCount();
  if (startItemNo < 0 || endItemNo < 0 || count == 0 || data_->DrawItems.Empty()) {
    Deselect();
    return;
  }
  auto fit = [&](int& itemNo, int& offs) {
    itemNo = std::min(itemNo, count - 1);
    // A list marker is not a place to stand: the text after it is.
    if (data_->GetItem(itemNo).GetBoolValue(iqListMarker) && itemNo + 1 < count) {
      ++itemNo;
      offs = data_->GetOffsBeforeItem(itemNo);
    }
    offs = std::clamp(offs, data_->GetOffsBeforeItem(itemNo), data_->GetOffsAfterItem(itemNo));
  };
  fit(startItemNo, startItemOffs);
  fit(endItemNo, endItemOffs);
  TPos a, e;
  if (!data_->ItemToDrawItem(startItemNo, startItemOffs, a.DrawItem, a.Offset) ||
      !data_->ItemToDrawItem(endItemNo, endItemOffs, e.DrawItem, e.Offset)) {
    Deselect();
    return;
  }
  SetSel(a, e);
}

TGraphic* TCustomLectern::SelectedPicture() const {
  int si, so, ei, eo;
  BoundsIn(Sel(), si, so, ei, eo, true);
  if (si < 0 || si != ei || so != 0 || eo != 1) return nullptr;
  const TCustomLTItemInfo& item = Sel().GetItem(si);
  return item.IsText() ? nullptr : item.GetImage();
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
  int first, last;
  Sel().LineRange(d, first, last);
  start = PieceStart(first);
  end = PieceEnd(last);
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
      } else {
        end = WordEdge(p, p > anchor);
      }
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

// ---- Hyperlinks, hover, cursor, hints ---------------------------------------------------------

int TCustomLectern::JumpIndexAt(int x, int y) const {
  if ((ControlFlags & ltcfRegisterJumps) == 0) return -1;
  const int dx = x + ViewLeft(), dy = y + ViewTop();
  for (size_t i = 0; i < data_->Jumps.size(); ++i) {
    const TLTJumpInfo& j = data_->Jumps[i];
    if (dx >= j.Left && dx < j.Left + j.Width && dy >= j.Top && dy < j.Top + j.Height) return static_cast<int>(i);
  }
  return -1;
}

bool TCustomLectern::IsJumpHoverSensitive(const TLTJumpInfo& j) const {
  const TLTStyle* style = Style();
  const TCustomLTFormattedData* data = nullptr;
  int itemNo = -1;
  if (!style || !JumpItem(j, *data_, data, itemNo)) return false;
  const TCustomLTItemInfo& item = data->GetItem(itemNo);
  if (item.IsText()) {
    const int s = data->GetItemStyle(itemNo);
    return s >= 0 && s < style->TextStyles().Count() && style->IsHoverSensitive(s);
  }
  return item.GetBoolValueEx(iqxHover, style);
}

void TCustomLectern::InvalidateJump(int id) {
  if (id < 0) return;
  if (Style() && Style()->FullRedraw) {
    Window().InvalidateAll();
    return;
  }
  const int dx = ViewLeft(), dy = ViewTop();
  for (const TLTJumpInfo& j : data_->Jumps) {
    if (j.Id != id) continue;
    Window().Invalidate(Grown({j.Left - dx, j.Top - dy, j.Left - dx + j.Width, j.Top - dy + j.Height}, kHoverMargin));
  }
}

void TCustomLectern::SetHover(int jumpIndex) {
  const TLTJumpInfo& j = data_->Jumps[static_cast<size_t>(jumpIndex)];
  if (j.Id == hoverJump_) return;
  const int id = j.Id;
  const bool sensitive = IsJumpHoverSensitive(j);
  if (hoverJump_ >= 0) {
    const bool wasShown = hoverShown_;
    const int old = hoverJump_;
    hoverShown_ = false;
    if (wasShown) InvalidateJump(old);
  }
  hoverJump_ = id;
  if (OnLTMouseMove) OnLTMouseMove(*this, FirstJumpNo() + id);
  if (sensitive) {
    hoverShown_ = true;
    InvalidateJump(id);
  }
}

void TCustomLectern::ClearHover(bool raiseEvent) {
  if (hoverJump_ < 0) return;
  const int old = hoverJump_;
  const bool wasShown = hoverShown_;
  hoverJump_ = -1;
  hoverShown_ = false;
  if (wasShown) InvalidateJump(old);
  if (raiseEvent && OnLTMouseMove) OnLTMouseMove(*this, -1);
}

void TCustomLectern::UpdateCursor(int x, int y) {
  const TLTStyle* style = Style();
  const bool inMargin = x + ViewLeft() < LeftMargin;
  if (inMargin && style && style->LineSelectCursor != -1 && biDiMode_ != ltbdRightToLeft && AllowSelection() &&
      mouseSel_ == TMouseSel::None) {
    Window().SetCursor(style->LineSelectCursor);
    return;
  }
  const int j = JumpIndexAt(x, y);
  if (j >= 0) {
    const TLTJumpInfo& info = data_->Jumps[static_cast<size_t>(j)];
    Window().SetCursor(info.Cursor != 0 ? info.Cursor : (style ? style->JumpCursor : crJump));
    SetHover(j);
    return;
  }
  ClearHover(true);
  TLTPointI rel;
  const TCustomLTItemInfo* item = HitItem(HitAt(x, y), rel);
  const TLTCursorId own = item ? item->CursorAt(rel.X, rel.Y) : crDefault;
  if (own != crDefault)
    Window().SetCursor(own);
  else if (!Options().Contains(ltoDisallowDrag) && IsInSelection(x, y))
    Window().SetCursor(crArrow);
  else
    Window().SetCursor(Cursor);
}

void TCustomLectern::UpdateItemHint(int x, int y) {
  if (!Options().Contains(ltoShowItemHints)) return;
  // Items inside table cells have hints of their own.
  const THit h = HitAt(x, y);
  if (h.DrawItem == hintDrawItem_ && h.Data == hintData_) return;
  hintDrawItem_ = h.DrawItem;
  hintData_ = h.Data;
  TLTString text;
  if (h.DrawItem >= 0) {
    const int itemNo = h.Data->DrawItems[h.DrawItem].ItemNo;
    text = h.Data->GetItem(itemNo).HintText.str();
    if (OnItemHint) OnItemHint(*this, *h.Data, itemNo, text);
  }
  if (text.empty()) text = Hint;
  if (text.empty())
    Window().CancelHint();
  else if (text != lastHint_)
    Window().ShowHint(text, {x, y});
  lastHint_ = text;
}

// ---- Automatic scrolling ----------------------------------------------------------------------

void TCustomLectern::StartAutoScroll() {
  if (autoScrolling_) return;
  autoScrolling_ = true;
  autoScrollDX_ = autoScrollDY_ = 0;
  Window().StartTimer(LTAutoScrollTimer, LTAutoScrollInterval);
}

void TCustomLectern::StopAutoScroll() {
  autoScrollDX_ = autoScrollDY_ = 0;
  if (!autoScrolling_) return;
  autoScrolling_ = false;
  Window().StopTimer(LTAutoScrollTimer);
}

void TCustomLectern::Timer(int id) {
  if (id != LTAutoScrollTimer) return;
  if (!Window().IsButtonDown(TLTMouseButton::Left)) {
    // The release went elsewhere (another window, a lost capture).
    StopAutoScroll();
    EndMouseSelection();
    return;
  }
  if (autoScrollDX_ == 0 && autoScrollDY_ == 0) return;
  SetVScrollPosition(VScrollPosition() + autoScrollDY_);
  SetHScrollPosition(HScrollPosition() + autoScrollDX_);
  // The selection follows the pointer into what scrolled in; the move
  // handler clamps a pointer outside the client area to its edge.
  const TLTPointI p = Window().PointerPos();
  MouseMove(Window().KeyboardState() | TLTShiftState{ssLeft}, p.X, p.Y);
}

// ---- Mouse ------------------------------------------------------------------------------------

void TCustomLectern::MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  const bool left = button == TLTMouseButton::Left;
  if (left) StartAutoScroll();
  const int d = DrawItemAt(x, y);
  if (!secondPress_) Window().SetFocus();
  const THit hit = HitAt(x, y);
  TLTPointI rel;
  if (TCustomLTItemInfo* item = HitItem(hit, rel)) item->MouseDown(button, shift, rel.X, rel.Y);
  if (OnLTMouseDown) OnLTMouseDown(*this, button, shift, d >= 0 ? data_->DrawItems[d].ItemNo : -1, x, y);
  if (!left) return;
  Window().SetCapture();
  pressClient_ = {x, y};
  const int j = JumpIndexAt(x, y);
  pressedJump_ = j >= 0 ? data_->Jumps[static_cast<size_t>(j)].Id : -1;

  if (SingleClick() && OnLTDblClick) {
    TLTString word;
    int itemNo, style;
    if (GetWordAt(x, y, word, itemNo, style)) OnLTDblClick(*this, word, style);
  }
  if (!AllowSelection()) return;
  const bool shifted = shift.Contains(ssShift);
  const bool inMargin = x + ViewLeft() < LeftMargin;
  if (!shifted && !inMargin && !Options().Contains(ltoDisallowDrag) && IsInSelection(x, y)) {
    dragCandidate_ = true;
    return;
  }
  // A press inside a table cell selects in the cell's document; Shift
  // extends the selection where it already is.
  if (!shifted || !HasSelection()) SetSelContainer(*hit.Data);
  const TPos p = HitPos(x, y);
  if (p.DrawItem < 0) return;
  pressPos_ = p;
  haveAnchorUnit_ = false;
  const TLTStyle* style = Style();
  const bool noSelection = Anchor().DrawItem < 0 || End().DrawItem < 0;
  const TPos anchor = shifted && !noSelection ? Anchor() : p;

  if (inMargin && !shifted && style && style->LineSelectCursor != -1 && biDiMode_ != ltbdRightToLeft &&
      &Sel() == data_.get()) {
    mouseSel_ = TMouseSel::Lines;
    LineBounds(p.DrawItem, anchorUnitStart_, anchorUnitEnd_);
    haveAnchorUnit_ = true;
    SetSel(anchorUnitStart_, anchorUnitEnd_);
    return;
  }
  const TLTSelectionMode mode = style ? style->SelectionMode : ltsmChar;
  if (mode == ltsmWord) {
    mouseSel_ = TMouseSel::Words;
    if (!shifted) haveAnchorUnit_ = WordBounds(p, anchorUnitStart_, anchorUnitEnd_);
    SetSel(anchor, p);
  } else if (mode == ltsmParagraph) {
    mouseSel_ = TMouseSel::Paragraphs;
    if (shifted && !noSelection) {
      ExtendMouseSelection(x, y, true);
    } else {
      ParagraphBounds(p.DrawItem, anchorUnitStart_, anchorUnitEnd_);
      haveAnchorUnit_ = true;
      SetSel(anchorUnitStart_, anchorUnitEnd_);
    }
  } else {
    mouseSel_ = TMouseSel::Chars;
    SetSel(anchor, p);
  }
}

void TCustomLectern::MouseMove(TLTShiftState shift, int x, int y) {
  const bool leftDown = shift.Contains(ssLeft) || Window().IsButtonDown(TLTMouseButton::Left);
  if (mouseSel_ != TMouseSel::None && !leftDown) EndMouseSelection();
  if (dragCandidate_ && leftDown &&
      std::max(std::abs(x - pressClient_.X), std::abs(y - pressClient_.Y)) >= Window().DragThreshold()) {
    StartDragging();
    return;
  }
  {
    TLTPointI rel;
    if (TCustomLTItemInfo* item = HitItem(HitAt(x, y), rel)) item->MouseMove(shift, rel.X, rel.Y);
  }
  if (leftDown) {
    const TLTSizeI client = Window().ClientSize();
    autoScrollDX_ = AutoScrollStep(x, client.Width);
    autoScrollDY_ = AutoScrollStep(y, client.Height);
  }
  if (mouseSel_ != TMouseSel::None) {
    const TLTSizeI client = Window().ClientSize();
    const int cx = std::clamp(x, 0, std::max(0, client.Width - 1));
    const int cy = std::clamp(y, 0, std::max(0, client.Height - 1));
    ExtendMouseSelection(cx, cy, false);
  }
  UpdateCursor(x, y);
  UpdateItemHint(x, y);
}

void TCustomLectern::MouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  const int d = DrawItemAt(x, y);
  const int itemNo = d >= 0 ? data_->DrawItems[d].ItemNo : -1;
  const THit hit = HitAt(x, y);
  if (button == TLTMouseButton::Left) {
    if (dragCandidate_) {
      dragCandidate_ = false;
      const TPos p = HitPos(x, y);
      if (p.DrawItem >= 0) SetSel(p, p);
    }
    StopAutoScroll();
    if (mouseSel_ != TMouseSel::None) {
      const TLTSizeI client = Window().ClientSize();
      ExtendMouseSelection(std::clamp(x, 0, std::max(0, client.Width - 1)),
                           std::clamp(y, 0, std::max(0, client.Height - 1)), false);
      EndMouseSelection();
      if (OnSelect) OnSelect(*this);
    }
    if (Window().HasCapture()) Window().ReleaseCapture();
  } else if (button == TLTMouseButton::Right) {
    if (Options().Contains(ltoRClickDeselects) && HasSelection() && !IsInSelection(x, y)) {
      SetSelContainer(*hit.Data);
      const TPos p = HitPos(x, y);
      SetSel(p, p);
      if (OnSelect) OnSelect(*this);
    }
  }
  {
    TLTPointI rel;
    if (TCustomLTItemInfo* item = HitItem(hit, rel)) item->MouseUp(button, shift, rel.X, rel.Y);
  }

  if (TabNavigation != lttnNone && button != TLTMouseButton::Middle && !HasSelection()) {
    const int j = JumpIndexAt(x, y);
    if (j >= 0)
      SetKeyboardFocus(data_->Jumps[static_cast<size_t>(j)].Id, -1);
    else if (itemNo >= 0 && data_->GetItem(itemNo).GetBoolValue(iqTabStop))
      SetKeyboardFocus(-1, itemNo);
  }
  if (OnLTMouseUp) OnLTMouseUp(*this, button, shift, itemNo, x, y);

  if (button == TLTMouseButton::Left) {
    const int pressed = pressedJump_;
    pressedJump_ = -1;
    if (pressed >= 0 && OnJump && !HasSelection()) {
      const int j = JumpIndexAt(x, y);
      // Rectangles of one hyperlink may overlap others'; any of its own counts.
      bool hit = j >= 0 && data_->Jumps[static_cast<size_t>(j)].Id == pressed;
      const int dx = x + ViewLeft(), dy = y + ViewTop();
      for (const TLTJumpInfo& info : data_->Jumps)
        if (!hit && info.Id == pressed && dx >= info.Left && dx < info.Left + info.Width && dy >= info.Top &&
            dy < info.Top + info.Height)
          hit = true;
      if (hit) OnJump(*this, FirstJumpNo() + pressed);
    }
  } else if (button == TLTMouseButton::Right) {
    if (OnLTRightClick) {
      TLTString word;
      int wordItem, style;
      GetWordAt(x, y, word, wordItem, style);
      const TLTPointI s = Window().ClientToScreen({x, y});
      OnLTRightClick(*this, word, style, s.X, s.Y);
    }
    bool handled = false;
    if (OnContextPopup) OnContextPopup(*this, x, y, handled);
  }
}

void TCustomLectern::DoubleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  secondPress_ = true;
  MouseDown(button, shift | TLTShiftState{ssDouble}, x, y);
  secondPress_ = false;
  if (button != TLTMouseButton::Left) return;
  if (OnDblClick) OnDblClick(*this);
  if (SingleClick()) return;
  TLTString word;
  int itemNo, style;
  const bool found = GetWordAt(x, y, word, itemNo, style);
  if (Options().Contains(ltoDblClickSelectsWord) && AllowSelection()) {
    if (found) {
      // The press started a selection; the word replaces it and the
      // release that follows leaves it alone.
      EndMouseSelection();
      // The word's container: a table cell's document when it lies in one.
      SetSelContainer(*HitAt(x, y).Data);
      const TCustomLTItemInfo& item = Sel().GetItem(itemNo);
      if (!item.IsText()) {
        TPos s, e;
        if (Sel().ItemToDrawItem(itemNo, 0, s.DrawItem, s.Offset) && Sel().ItemToDrawItem(itemNo, 1, e.DrawItem, e.Offset))
          SetSel(s, e);
      } else if (!word.empty()) {
        const TPos p = HitPos(x, y);
        TPos s, e;
        if (WordBounds(p, s, e)) SetSel(s, e);
      }
      if (OnSelect) OnSelect(*this);
    }
    if (OnLTDblClick && found) OnLTDblClick(*this, word, style);
  } else if (OnLTDblClick && found && !word.empty()) {
    OnLTDblClick(*this, word, style);
  }
}

void TCustomLectern::MouseLeave() {
  ClearHover(true);
  if (hintDrawItem_ != -1 || !lastHint_.empty()) Window().CancelHint();
  hintDrawItem_ = -1;
  lastHint_.clear();
}

void TCustomLectern::StartDragging() {
  dragCandidate_ = false;
  StopAutoScroll();
  EndMouseSelection();
  pressedJump_ = -1;
  if (Window().HasCapture()) Window().ReleaseCapture();
  TLTClipboardData data;
  if (!SelectionFlavours(data, true, false, true, true)) return;
  // The drag runs until the drop; the release it ends with never reaches us.
  DragFinished(Window().StartDrag(data, DragEffects()));
}

void TCustomLectern::CaptureLost() {
  StopAutoScroll();
  EndMouseSelection();
  dragCandidate_ = false;
}

void TCustomLectern::FocusChanged(bool focused, TLTFocusReason reason) {
  if (!focused) {
    StopAutoScroll();
    EndMouseSelection();
    dragCandidate_ = false;
  }
  const TLTStyle* style = Style();
  if (style && (style->SelColor != style->InactiveSelColor || style->SelTextColor != style->InactiveSelTextColor))
    Window().InvalidateAll();
  if (focused && TabNavigation != lttnNone && (reason == TLTFocusReason::Tab || reason == TLTFocusReason::Backtab)) {
    const std::vector<TTarget> targets = NavigationTargets();
    if (!targets.empty()) {
      const TTarget& t = reason == TLTFocusReason::Tab ? targets.front() : targets.back();
      SetKeyboardFocus(t.JumpId, t.JumpId >= 0 ? -1 : t.ItemNo);
    }
  }
}

// ---- Keyboard ---------------------------------------------------------------------------------

bool TCustomLectern::IsTabNavigationKey(TLTShiftState shift) const {
  switch (TabNavigation) {
    case lttnNone:
      return false;
    case lttnTab:
      return !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
    case lttnCtrlTab:
      return shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
  }
  return false;
}

std::vector<TCustomLectern::TTarget> TCustomLectern::NavigationTargets() const {
  std::vector<TTarget> targets;
  int lastId = -1;
  for (const TLTJumpInfo& j : data_->Jumps) {
    if (j.Id == lastId) continue;
    lastId = j.Id;
    const TCustomLTFormattedData* data = nullptr;
    int itemNo = -1;
    if (!JumpItem(j, *data_, data, itemNo) || data != data_.get()) itemNo = -1;
    targets.push_back({j.OwnerDrawItemIndex, j.Id, itemNo});
  }
  for (int i = 0; i < data_->ItemCount(); ++i) {
    const TCustomLTItemInfo& item = data_->GetItem(i);
    // Controls that can take the focus are stops of their own.
    if (item.IsText() || !item.GetBoolValue(iqTabStop) || item.FirstDrawItem < 0) continue;
    if (item.GetBoolValueEx(iqxActive, Style())) targets.push_back({item.FirstDrawItem, -1, i});
  }
  std::stable_sort(targets.begin(), targets.end(),
                   [](const TTarget& a, const TTarget& b) { return a.DrawItem < b.DrawItem; });
  return targets;
}

std::vector<TLTRectI> TCustomLectern::FocusRects() const {
  std::vector<TLTRectI> rects;
  const int dx = ViewLeft(), dy = ViewTop();
  if (focusJump_ >= 0) {
    for (const TLTJumpInfo& j : data_->Jumps)
      if (j.Id == focusJump_) rects.push_back({j.Left - dx, j.Top - dy, j.Left - dx + j.Width, j.Top - dy + j.Height});
  } else if (focusItem_ >= 0 && focusItem_ < data_->ItemCount()) {
    const int d = data_->GetItem(focusItem_).FirstDrawItem;
    if (d >= 0 && d < data_->DrawItems.Count()) {
      const TLTDrawLineInfo& p = data_->DrawItems[d];
      rects.push_back({p.Left - dx, p.Top - dy, p.Left - dx + p.Width, p.Top - dy + p.Height});
    }
  }
  return rects;
}

void TCustomLectern::InvalidateFocusOverlay() {
  for (const TLTRectI& r : FocusRects()) Window().Invalidate(Grown(r, 1));
}

void TCustomLectern::SetKeyboardFocus(int jumpId, int itemNo) {
  if (focusJump_ == jumpId && focusItem_ == itemNo) return;
  InvalidateFocusOverlay();
  focusJump_ = jumpId;
  focusItem_ = itemNo;
  InvalidateFocusOverlay();
  // Bring what took the focus into view.
  const std::vector<TLTRectI> rects = FocusRects();
  if (rects.empty()) return;
  const int height = Window().ClientSize().Height;
  const TLTRectI& r = rects.front();
  if (r.Top < 0 || r.Bottom > height) ScrollTo(std::max(0, r.Top + ViewTop()));
}

bool TCustomLectern::MoveKeyboardFocus(bool forward) {
  const std::vector<TTarget> targets = NavigationTargets();
  int current = -1;
  for (size_t i = 0; i < targets.size(); ++i) {
    const TTarget& t = targets[i];
    if ((focusJump_ >= 0 && t.JumpId == focusJump_) ||
        (focusJump_ < 0 && focusItem_ >= 0 && t.JumpId < 0 && t.ItemNo == focusItem_))
      current = static_cast<int>(i);
  }
  const int n = static_cast<int>(targets.size());
  const int next = current < 0 ? (forward ? 0 : n - 1) : current + (forward ? 1 : -1);
  if (next < 0 || next >= n) {
    // Past the last one the focus leaves the control.
    SetKeyboardFocus(-1, -1);
    return false;
  }
  const TTarget& t = targets[static_cast<size_t>(next)];
  SetKeyboardFocus(t.JumpId, t.JumpId >= 0 ? -1 : t.ItemNo);
  return true;
}

bool TCustomLectern::KeyDown(int key, TLTShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl), shifted = shift.Contains(ssShift);
  if (ctrl && (key == 'C' || key == vkInsert)) {
    CopyDefault();
    return true;
  }
  if ((ctrl && key == 'X') || (shifted && key == vkDelete)) return CutCommand();
  if ((ctrl && key == 'V') || (shifted && key == vkInsert)) return PasteCommand();
  if (key == vkTab && IsTabNavigationKey(shift)) return MoveKeyboardFocus(!shifted);
  if (key == vkReturn && focusJump_ >= 0) {
    if (OnJump) OnJump(*this, FirstJumpNo() + focusJump_);
    return true;
  }
  if (ctrl || shift.Contains(ssAlt)) return false;
  return ScrollKey(key);
}

bool TCustomLectern::WantsKey(int key, TLTShiftState shift) {
  if (focusItem_ >= 0) return true;
  if (key == vkLeft || key == vkRight || key == vkUp || key == vkDown) return true;
  return key == vkTab && IsTabNavigationKey(shift);
}

// ---- Copy -------------------------------------------------------------------------------------

bool TCustomLectern::CopyDefault() {
  const TLTOptions o = Options();
  const bool any = o.Contains(ltoAutoCopyText) || o.Contains(ltoAutoCopyUnicodeText) || o.Contains(ltoAutoCopyLTF) ||
                   o.Contains(ltoAutoCopyImage) || o.Contains(ltoAutoCopyRTF) || OnCopy;
  if (!any || !HasSelection()) return false;
  TLTClipboardData clip;
  {
    TPointerScope scope(copying_, &clip);
    if (OnCopy) OnCopy(*this);
  }
  if (!SelectionFlavours(clip, o.Contains(ltoAutoCopyLTF),
                         o.Contains(ltoAutoCopyText) && !o.Contains(ltoAutoCopyUnicodeText),
                         o.Contains(ltoAutoCopyImage), o.Contains(ltoAutoCopyUnicodeText)))
    return false;
  Window().SetClipboard(clip);
  return true;
}

bool TCustomLectern::SelectionFlavours(TLTClipboardData& clip, bool ltf, bool text8, bool image, bool unicode) const {
  // A selection inside a table cell is copied from the cell's document.
  const TCustomLTFormattedData& c = Sel();
  int si, so, ei, eo;
  BoundsIn(c, si, so, ei, eo, true);
  if (si < 0) return false;
  const TLTItemRange range{si, so, ei, eo};
  if (ltf) {
    TLTMemoryStream s;
    if (c.SaveLTFToStream(s, &range) && s.Size() > 0) clip.Set(LTMimeLTF, PackLTFFlavour(s.TakeData()));
  }
  // The platform's plain text is UTF-8, so 8-bit and Unicode text are one
  // flavour; nothing is lost to a code page.
  const std::string utf8 = text8 || unicode ? Utf16ToUtf8(c.GetPlainText(0, &range)) : std::string();
  if (text8) clip.Set(LTMimeText, utf8);
  if (image) {
    if (const TGraphic* picture = SelectedPicture()) {
      TLTMemoryStream s;
      bool ok = false;
      if (picture->ClassName() == "TPNGImage") {
        ok = picture->SaveToStream(s);
      } else if (const TLTPixels* pixels = picture->Pixels()) {
        TPNGImage png;
        ok = png.SetPixels(*pixels) && png.SaveToStream(s);
      }
      if (ok) clip.Set(LTMimePNG, s.TakeData());
    }
  }
  if (unicode) clip.Set(LTMimeText, utf8);
  return true;
}

bool TCustomLectern::GetJumpLocation(int id, TCustomLTData*& data, int& itemNo) const {
  data = nullptr;
  itemNo = -1;
  const int want = id - FirstJumpNo();
  for (const TLTJumpInfo& j : data_->Jumps) {
    const TCustomLTFormattedData* owner = nullptr;
    if (j.Id != want || !JumpItem(j, *data_, owner, itemNo)) continue;
    data = const_cast<TCustomLTFormattedData*>(owner);
    return true;
  }
  data = nullptr;
  itemNo = -1;
  return false;
}

// ---- Checkpoints ------------------------------------------------------------------------------

void TCustomLectern::Scrolled(bool vertical) {
  if (vertical) CheckCheckpoints();
}

void TCustomLectern::CheckCheckpoints() {
  if (CPEventKind == cpeNone || !OnCheckpointVisible || !data_) return;
  const int top = ViewTop(), bottom = top + Window().ClientSize().Height;
  TLTCPInfo* found = nullptr;
  for (TLTCPInfo* cp = data_->FirstCheckpoint(); cp; cp = cp->Next) {
    if (!cp->RaiseEvent || !cp->ItemInfo) continue;
    int itemNo = cp->ItemNo;
    if (itemNo < 0 || itemNo >= data_->ItemCount() || &data_->GetItem(itemNo) != cp->ItemInfo)
      itemNo = data_->FindItemIndex(cp->ItemInfo);
    if (itemNo < 0) continue;
    const int d = data_->GetItem(itemNo).FirstDrawItem;
    if (d < 0 || d >= data_->DrawItems.Count()) continue;
    const int y = data_->DrawItems[d].Top;
    if (CPEventKind == cpeWhenVisible) {
      if (y >= top && y < bottom) {
        found = cp;
        break;
      }
    } else if (y <= top) {
      found = cp;  // the last one starting above the view's top
    } else {
      break;
    }
  }
  if (found == lastCheckpoint_) return;
  lastCheckpoint_ = found;
  if (found || CPEventKind == cpeAsSectionStart) OnCheckpointVisible(*this, found);
}

// ---- Painting and size ------------------------------------------------------------------------

void TCustomLectern::PaintOverlays(TLTCanvas& canvas) {
  const std::vector<TLTRectI> rects = FocusRects();
  if (rects.empty()) return;
  canvas.Save();
  canvas.SetPen({clWindowText, 1, psDot});
  canvas.SetBrush({clWindowText, bsClear});
  for (const TLTRectI& r : rects) canvas.Rectangle(r);
  canvas.Restore();
}

TLTPaintContext TCustomLectern::PaintContext() const {
  TLTPaintContext ctx;
  ctx.Origin = {-ViewLeft(), -ViewTop()};
  ctx.Selection = {&Sel(), Anchor(), End()};
  ctx.HoverJumpId = hoverShown_ ? hoverJump_ : -1;
  ctx.State.Set(ltidsFocused, Window().IsFocused());
  return ctx;
}

void TCustomLectern::Paint(TLTCanvas& canvas, const TLTRectI& r) {
  if (OnPaint) OnPaint(*this, canvas, true);
  PaintControl(*data_, canvas, r, background_, Name, PaintContext());
  PaintOverlays(canvas);
  if (OnPaint) OnPaint(*this, canvas, false);
}

void TCustomLectern::Resized() {
  // A scroll bar that comes or goes during formatting is the formatting's
  // own business: it repeats the layout itself.
  if (data_->IsFormatting() || InScrollBarUpdate()) return;
  if (Style() && Window().ClientSize().Width != lastFormatWidth_) {
    Reformat();
    Window().InvalidateAll();
    return;
  }
  UpdateScrollBars();
  if (OnResize) OnResize(*this);
  Window().InvalidateAll();
}

}  // namespace lectern
