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

#include "platform/LTColors.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "style/LTStyle.h"

#include <algorithm>

namespace lectern {

namespace {

/// Distance beyond the client area from which automatic scrolling speeds up.
constexpr int kFastScrollDistance = 20;
constexpr int kFastScrollStep = 10;

int AutoScrollStep(int v, int size) {
  if (v < -kFastScrollDistance) return -kFastScrollStep;
  if (v < 0) return -1;
  if (v >= size + kFastScrollDistance) return kFastScrollStep;
  if (v >= size) return 1;
  return 0;
}

}  // namespace

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
    : TCustomLectern(window, [](TCustomLectern& c) { return std::make_unique<TLecternLTData>(c); }) {}

TCustomLectern::TCustomLectern(ILTWindow& window, TDataFactory makeData) : TLTScroller(window), data_(makeData(*this)) {
  data_->SetContext(&context_);
  data_->ClearDrawItems();
  SetDocumentSize(LeftMargin + RightMargin, data_->DocumentHeight);
}

TCustomLectern::~TCustomLectern() {
  TerminateWordChecking();
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
  controlItems_.clear();
  for (int i = 0; i < data_->ItemCount(); ++i)
    if (data_->GetItem(i).GetBoolValue(iqWindowControl)) controlItems_.push_back(i);
  PlaceControls();
  CheckCheckpoints();
  Formatted();
  Window().AccessibleChanged(TLTAccessibleChange::Text);
}

void TCustomLectern::PlaceControls() {
  const int dx = ViewLeft(), dy = ViewTop();
  for (int itemNo : controlItems_) {
    if (itemNo >= data_->ItemCount()) continue;
    TCustomLTItemInfo& item = data_->GetItem(itemNo);
    const int d = item.FirstDrawItem;
    if (d < 0 || d >= data_->DrawItems.Count()) continue;
    const TLTDrawLineInfo& p = data_->DrawItems[d];
    item.PlaceControl(Window(), p.Left - dx, p.Top - dy);
  }
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

void TCustomLectern::FormatAs(const TLTFormatParams& params) {
  if (!Style()) return;
  int si, so, ei, eo;
  SaveSelection(si, so, ei, eo);
  data_->FormatAll(params);
  RestoreSelection(si, so, ei, eo);
  AfterFormat();
}

void TCustomLectern::FormatAppended() {
  if (!Style()) return;
  data_->FormatAll({.AppendedOnly = true});
  AfterFormat();
  Window().InvalidateAll();
}

void TCustomLectern::Clear() {
  StopAutoScroll();
  controlItems_.clear();
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
  StopWordChecking();
  data_->Clear();
  data_->ClearDrawItems();
  SetDocumentSize(LeftMargin + RightMargin, data_->DocumentHeight);
  Window().InvalidateAll();
  Cleared();
  Window().AccessibleChanged(TLTAccessibleChange::Text);
}

bool TCustomLectern::GetItemBackground(int itemNo, int width, int height, TBitmap& bitmap) const {
  if (itemNo < 0 || itemNo >= data_->ItemCount() || width < 1 || height < 1) return false;
  const TLTStyle* style = Style();
  TColor color = background_.Color != clNone ? background_.Color : (style ? style->Color : clWindow);
  if (style) {
    const TColor para = style->ParaStyles()[data_->GetItem(itemNo).ParaNo].Background.Color;
    if (para != clNone) color = para;
  }
  const TColor rgb = ColorToRGB(color);
  // 0x00BBGGRR to opaque 0xAARRGGBB.
  const uint32_t argb = 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
  TLTPixels pixels;
  pixels.Width = width;
  pixels.Height = height;
  pixels.Data.assign(static_cast<size_t>(width) * static_cast<size_t>(height), argb);
  bitmap.SetPixels(std::move(pixels));
  return true;
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
      if (HasSelection()) Window().SetPrimarySelection(SelectedText());
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
      bool onLink = j >= 0 && data_->Jumps[static_cast<size_t>(j)].Id == pressed;
      const int dx = x + ViewLeft(), dy = y + ViewTop();
      for (const TLTJumpInfo& info : data_->Jumps)
        if (!onLink && info.Id == pressed && dx >= info.Left && dx < info.Left + info.Width && dy >= info.Top &&
            dy < info.Top + info.Height)
          onLink = true;
      if (onLink) OnJump(*this, FirstJumpNo() + pressed);
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

void TCustomLectern::TripleClick(TLTMouseButton button, TLTShiftState /*shift*/, int x, int y) {
  if (button != TLTMouseButton::Left || !AllowSelection() || SingleClick()) return;
  const THit hit = HitAt(x, y);
  if (!hit.Data || hit.Data->ItemCount() == 0) return;
  EndMouseSelection();
  // The paragraph of the word the double click selected.
  TCustomLTFormattedData& c = *hit.Data;
  const TPos p = HitPos(x, y);
  const int itemNo = p.DrawItem >= 0 && &Sel() == &c ? c.DrawItems[p.DrawItem].ItemNo : -1;
  if (itemNo < 0) return;
  const int first = c.GetFirstParaItem(itemNo);
  int last = itemNo;
  while (last + 1 < c.ItemCount() && !c.GetItem(last + 1).StartsParagraph()) ++last;
  SetSelectionIn(c, first, c.GetOffsBeforeItem(first), last, c.GetOffsAfterItem(last));
  if (HasSelection()) Window().SetPrimarySelection(SelectedText());
  if (OnSelect) OnSelect(*this);
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
        if (Sel().ItemToDrawItem(itemNo, 0, s.DrawItem, s.Offset) &&
            Sel().ItemToDrawItem(itemNo, 1, e.DrawItem, e.Offset))
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

// ---- Checkpoints ------------------------------------------------------------------------------

void TCustomLectern::Scrolled(bool vertical) {
  // Controls move with the document.
  PlaceControls();
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

bool TCustomLectern::SaveHTML(const std::string& path, const TLTString& title, const std::string& imagePrefix,
                              TLTHTMLOptions options, bool css, std::string* error) {
  TLTHTMLWriteSettings settings;
  settings.CSS = css;
  settings.Options = options;
  settings.Title = title;
  settings.ImagePrefix = imagePrefix;
  const size_t slash = path.rfind('/');
  settings.OutputFolder = slash == std::string::npos ? "." : path.substr(0, std::max<size_t>(slash, 1));
  settings.Color = Color();
  settings.LeftMargin = LeftMargin;
  settings.TopMargin = TopMargin;
  settings.RightMargin = RightMargin;
  settings.BottomMargin = BottomMargin;
  if (BackgroundBitmap() && BackgroundStyle() != bsNoBitmap) {
    const TBackgroundStyle bs = BackgroundStyle();
    settings.BackgroundPicture = BackgroundBitmap();
    settings.BackgroundRepeat = bs == bsTiled || bs == bsTiledAndScrolled ? "repeat" : "no-repeat";
    settings.BackgroundAttachment = bs == bsTiledAndScrolled ? "scroll" : "fixed";
    if (bs != bsTiled && bs != bsTiledAndScrolled) {
      const bool top = bs == bsTopLeft || bs == bsTopRight, bottom = bs == bsBottomLeft || bs == bsBottomRight;
      const bool left = bs == bsTopLeft || bs == bsBottomLeft, right = bs == bsTopRight || bs == bsBottomRight;
      settings.BackgroundPosition = std::string(top ? "top" : bottom ? "bottom" : "center") + " " +
                                    (left ? "left" : right ? "right" : "center");
    }
  }
  auto file = TLTSafeFileWriter::Create(path, error);
  if (!file) return false;
  std::string why;
  if (!WriteHTML(*data_, nullptr, *file, settings, nullptr, &why) || !file->Commit()) {
    if (error) *error = why.empty() ? "the page could not be written to " + path : why;
    return false;
  }
  return true;
}

}  // namespace lectern
