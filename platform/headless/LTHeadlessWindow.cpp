// The in-memory window: a record of requests and a hand-driven user.

#include "platform/headless/LTHeadlessWindow.h"

#include <algorithm>

namespace lectern {

TLTHeadlessWindow::TLTHeadlessWindow(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)) {}

TLTHeadlessWindow::~TLTHeadlessWindow() = default;

TLTSizeI TLTHeadlessWindow::ClientSize() const {
  int w = width_, h = height_;
  if (bars_[Index(TLTScrollBarKind::Vertical)].IsShown()) w -= ScrollBarThickness;
  if (bars_[Index(TLTScrollBarKind::Horizontal)].IsShown()) h -= ScrollBarThickness;
  return {std::max(0, w), std::max(0, h)};
}

void TLTHeadlessWindow::Invalidate(const TLTRectI& r) {
  if (!r.IsEmpty()) Invalidated.push_back(r);
}

void TLTHeadlessWindow::InvalidateAll() { ++InvalidatedAll; }

void TLTHeadlessWindow::ScrollClient(int dx, int dy) {
  Scrolls.push_back({dx, dy});
  // The band the move uncovers is what needs painting.
  const TLTSizeI s = ClientSize();
  if (dy > 0) Invalidate({0, 0, s.Width, std::min(dy, s.Height)});
  if (dy < 0) Invalidate({0, std::max(0, s.Height + dy), s.Width, s.Height});
  if (dx > 0) Invalidate({0, 0, std::min(dx, s.Width), s.Height});
  if (dx < 0) Invalidate({std::max(0, s.Width + dx), 0, s.Width, s.Height});
}

void TLTHeadlessWindow::SetScrollBar(TLTScrollBarKind bar, const TLTScrollBarInfo& info) {
  const TLTSizeI before = ClientSize();
  TLTScrollBarInfo& b = bars_[Index(bar)];
  b = info;
  b.Range = std::max(0, b.Range);
  b.Page = std::max(0, b.Page);
  b.Position = std::clamp(b.Position, 0, b.MaxPosition());
  ClientSizeMayHaveChanged(before);
}

void TLTHeadlessWindow::StartTimer(int id, int intervalMs) { timers_[id] = intervalMs; }

int TLTHeadlessWindow::TimerInterval(int id) const {
  auto it = timers_.find(id);
  return it == timers_.end() ? 0 : it->second;
}

bool TLTHeadlessWindow::IsButtonDown(TLTMouseButton button) const { return buttons_[static_cast<int>(button)]; }

void TLTHeadlessWindow::ShowHint(const TLTString& text, TLTPointI at) {
  HintText = text;
  HintAt = at;
  ++HintsShown;
}

void TLTHeadlessWindow::CancelHint() { HintText.clear(); }

void TLTHeadlessWindow::PlaceControl(TLTControl& control, TLTPointI topLeft, bool visible) {
  for (TPlacedControl& c : Controls)
    if (c.Control == &control) {
      c.At = topLeft;
      c.Visible = visible;
      return;
    }
  Controls.push_back({&control, topLeft, visible});
}

const TLTHeadlessWindow::TPlacedControl* TLTHeadlessWindow::PlacedControl(const TLTControl* control) const {
  for (const TPlacedControl& c : Controls)
    if (c.Control == control) return &c;
  return nullptr;
}

void TLTHeadlessWindow::ClearRecord() {
  Invalidated.clear();
  InvalidatedAll = 0;
  UpdateCount = 0;
  Scrolls.clear();
}

void TLTHeadlessWindow::ClientSizeMayHaveChanged(TLTSizeI before) {
  if (client_ && ClientSize() != before) client_->Resized();
}

void TLTHeadlessWindow::SetSize(int width, int height) {
  const TLTSizeI before = ClientSize();
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  ClientSizeMayHaveChanged(before);
}

void TLTHeadlessWindow::SetFocused(bool focused, TLTFocusReason reason) {
  if (focused_ == focused) return;
  focused_ = focused;
  if (client_) client_->FocusChanged(focused, reason);
}

void TLTHeadlessWindow::LoseCapture() {
  if (!capture_) return;
  capture_ = false;
  if (client_) client_->CaptureLost();
}

TLTShiftState TLTHeadlessWindow::MouseShift() const {
  TLTShiftState s = keys_;
  if (buttons_[0]) s.Include(ssLeft);
  if (buttons_[1]) s.Include(ssRight);
  if (buttons_[2]) s.Include(ssMiddle);
  return s;
}

void TLTHeadlessWindow::Press(int x, int y, TLTMouseButton button) {
  pointer_ = {x, y};
  buttons_[static_cast<int>(button)] = true;
  if (client_) client_->MouseDown(button, MouseShift(), x, y);
}

void TLTHeadlessWindow::Move(int x, int y) {
  pointer_ = {x, y};
  if (client_) client_->MouseMove(MouseShift(), x, y);
}

void TLTHeadlessWindow::Release(int x, int y, TLTMouseButton button) {
  pointer_ = {x, y};
  buttons_[static_cast<int>(button)] = false;
  if (client_) client_->MouseUp(button, MouseShift(), x, y);
}

void TLTHeadlessWindow::Click(int x, int y, TLTMouseButton button) {
  Press(x, y, button);
  Release(x, y, button);
}

void TLTHeadlessWindow::DoubleClick(int x, int y) {
  Click(x, y);
  pointer_ = {x, y};
  buttons_[0] = true;
  if (client_) client_->DoubleClick(TLTMouseButton::Left, MouseShift() | TLTShiftState{ssDouble}, x, y);
  Release(x, y);
}

void TLTHeadlessWindow::TripleClick(int x, int y) {
  DoubleClick(x, y);
  if (client_) client_->TripleClick(TLTMouseButton::Left, MouseShift(), x, y);
}

void TLTHeadlessWindow::Leave() {
  if (client_) client_->MouseLeave();
}

void TLTHeadlessWindow::SetButtonState(TLTMouseButton button, bool down) { buttons_[static_cast<int>(button)] = down; }

bool TLTHeadlessWindow::Wheel(int delta) {
  return client_ && client_->MouseWheel(MouseShift(), delta, pointer_.X, pointer_.Y);
}

namespace {

/// A drag's data rendered only when the target asks, as a platform's drag
/// does: a target that changes the document before it asks gets what the
/// source renders then.
class TLazyDragData final : public ILTDropData {
 public:
  explicit TLazyDragData(const TLTDragSource& source) : source_(source) {}
  std::vector<std::string> Types() const override { return source_.Types; }
  bool Has(std::string_view mime) const override {
    return std::find(source_.Types.begin(), source_.Types.end(), mime) != source_.Types.end();
  }
  std::optional<std::string> Get(std::string_view mime) const override {
    return Has(mime) && source_.Render ? source_.Render(mime) : std::nullopt;
  }

 private:
  const TLTDragSource& source_;
};

}  // namespace

TLTDropEffects TLTHeadlessWindow::StartDrag(const TLTDragSource& source, TLTDropEffects allowed) {
  Dragged.push_back(source.RenderAll());
  DragAllowed = allowed;
  if (DuringDrag) return DuringDrag(Dragged.back());
  if (!DropOnSelf || !client_) return DropResult;
  // A drop inside the client reads the data while the drag still runs, as
  // a platform's nested drag loop does.
  const TLazyDragData data(source);
  DragAnswers.clear();
  DragAnswers.push_back(client_->DragEnter(data, allowed, keys_, pointer_.X, pointer_.Y));
  if (!DragAnswers.back().Empty()) DragAnswers.push_back(client_->DragOver(allowed, keys_, pointer_.X, pointer_.Y));
  if (DragAnswers.back().Empty()) {
    client_->DragLeave();
    return {};
  }
  return client_->Drop(data, allowed, keys_, pointer_.X, pointer_.Y);
}

TLTDropEffects TLTHeadlessWindow::DragEnter(const TLTClipboardData& data, int x, int y, TLTDropEffects allowed) {
  pointer_ = {x, y};
  dragData_ = data;
  dragAllowed_ = allowed;
  DragAnswers.clear();
  if (!client_) return {};
  DragAnswers.push_back(client_->DragEnter(TLTClipboardDropData(dragData_), allowed, keys_, x, y));
  return DragAnswers.back();
}

TLTDropEffects TLTHeadlessWindow::DragMove(int x, int y) {
  pointer_ = {x, y};
  if (!client_) return {};
  DragAnswers.push_back(client_->DragOver(dragAllowed_, keys_, x, y));
  return DragAnswers.back();
}

void TLTHeadlessWindow::DragLeave() {
  if (client_) client_->DragLeave();
}

TLTDropEffects TLTHeadlessWindow::Drop(int x, int y) {
  pointer_ = {x, y};
  if (!client_) return {};
  // A platform sends the last move before the drop.
  if (DragMove(x, y).Empty()) {
    DragLeave();
    return {};
  }
  return client_->Drop(TLTClipboardDropData(dragData_), dragAllowed_, keys_, x, y);
}

TLTDropEffects TLTHeadlessWindow::DropData(const TLTClipboardData& data, int x, int y, TLTDropEffects allowed) {
  if (DragEnter(data, x, y, allowed).Empty()) {
    DragLeave();
    return {};
  }
  return Drop(x, y);
}

bool TLTHeadlessWindow::Key(int key) { return client_ && client_->KeyDown(key, keys_); }

bool TLTHeadlessWindow::WantsKey(int key) { return client_ && client_->WantsKey(key, keys_); }

bool TLTHeadlessWindow::Type(std::u16string_view text) { return client_ && client_->KeyPress(text); }

void TLTHeadlessWindow::Compose(std::u16string_view preedit, int cursor, std::u16string_view commit) {
  if (client_) client_->InputMethod(preedit, cursor, commit);
}

void TLTHeadlessWindow::ScrollBarCommand(TLTScrollBarKind bar, TLTScrollCode code, int position) {
  if (client_) client_->ScrollBarCommand(bar, code, position);
}

bool TLTHeadlessWindow::FireTimer(int id) {
  if (!IsTimerRunning(id)) return false;
  if (client_) client_->Timer(id);
  return true;
}

int TLTHeadlessWindow::RunDeferred() {
  int n = 0;
  while (!deferred_.empty()) {
    std::function<void()> call = std::move(deferred_.front());
    deferred_.pop_front();
    if (call) call();
    ++n;
  }
  return n;
}

TLTHeadlessCanvas TLTHeadlessWindow::Paint() {
  TLTHeadlessCanvas canvas;
  const TLTSizeI s = ClientSize();
  if (client_) client_->Paint(canvas, {0, 0, s.Width, s.Height});
  return canvas;
}

}  // namespace lectern
