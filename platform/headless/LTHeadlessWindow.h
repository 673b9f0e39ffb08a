#pragma once
// A window without a toolkit, for tests and tools: it records what its
// control asks for (repaints, pixel moves, scroll bars, cursors, hints),
// keeps timers that fire only when a test says so, holds the clipboard in
// memory, and lets a test play the user: size, focus, pointer, buttons,
// keys and the wheel.
//
// The outer size is what a test sets; the client area is that size less the
// thickness of each scroll bar that shows (ScrollBarThickness, 0 by default,
// so that bars take no room unless a test wants them to).

#include "platform/LTWindow.h"
#include "platform/headless/LTHeadlessCanvas.h"

#include <deque>
#include <map>

namespace lectern {

class TLTHeadlessWindow final : public ILTWindow {
 public:
  explicit TLTHeadlessWindow(int width = 200, int height = 100);
  ~TLTHeadlessWindow() override;
  TLTHeadlessWindow(const TLTHeadlessWindow&) = delete;
  TLTHeadlessWindow& operator=(const TLTHeadlessWindow&) = delete;

  // ---- ILTWindow ------------------------------------------------------------------
  void SetClient(ILTWindowClient* client) override { client_ = client; }
  TLTSizeI ClientSize() const override;
  void Invalidate(const TLTRectI& r) override;
  void InvalidateAll() override;
  void UpdateNow() override { ++UpdateCount; }
  void ScrollClient(int dx, int dy) override;
  TLTCanvas& FormatCanvas() override { return formatCanvas_; }
  void SetScrollBar(TLTScrollBarKind bar, const TLTScrollBarInfo& info) override;
  TLTScrollBarInfo ScrollBar(TLTScrollBarKind bar) const override { return bars_[Index(bar)]; }
  void SetScrollBarOnLeft(bool left) override { ScrollBarOnLeft = left; }
  void StartTimer(int id, int intervalMs) override;
  void StopTimer(int id) override { timers_.erase(id); }
  void SetCapture() override { capture_ = true; }
  void ReleaseCapture() override { capture_ = false; }
  bool HasCapture() const override { return capture_; }
  void SetCursor(TLTCursorId cursor) override { Cursor = cursor; }
  TLTPointI PointerPos() const override { return pointer_; }
  bool IsButtonDown(TLTMouseButton button) const override;
  TLTShiftState KeyboardState() const override { return keys_; }
  TLTPointI ClientToScreen(TLTPointI p) const override { return {p.X + ScreenOrigin.X, p.Y + ScreenOrigin.Y}; }
  int WheelScrollLines() const override { return WheelLines; }
  bool IsFocused() const override { return focused_; }
  void SetFocus() override { SetFocused(true); }
  int CaretBlinkTime() const override { return BlinkTime; }
  void InputMethodChanged() override { ++InputMethodUpdates; }
  void Beep() override { ++Beeps; }
  void SetClipboard(const TLTClipboardData& data) override {
    clipboard_ = data;
    ++ClipboardWrites;
  }
  TLTClipboardData Clipboard() const override { return clipboard_; }
  void SetPrimarySelection(const TLTString& text) override { Primary = text; }
  TLTString PrimarySelection() const override { return Primary; }
  /// The mouse's last selection, as X11 keeps it.
  TLTString Primary;
  int DragThreshold() const override { return DragDistance; }
  /// Records the drag with every flavour rendered, and answers DropResult
  /// at once, as if the pointer had been released over another program;
  /// with DropOnSelf it is released over the client where the pointer is.
  TLTDropEffects StartDrag(const TLTDragSource& source, TLTDropEffects allowed) override;
  void ShowHint(const TLTString& text, TLTPointI at) override;
  void CancelHint() override;
  void PostDeferred(std::function<void()> call) override { deferred_.push_back(std::move(call)); }
  void PlaceControl(TLTControl& control, TLTPointI topLeft, bool visible) override;

  // ---- What the control asked for --------------------------------------------------
  std::vector<TLTRectI> Invalidated;
  int InvalidatedAll = 0;
  int UpdateCount = 0;
  /// Every pixel move, as (dx, dy).
  std::vector<TLTPointI> Scrolls;
  TLTCursorId Cursor = crDefault;
  bool ScrollBarOnLeft = false;
  int ClipboardWrites = 0;
  /// Drags started, with their data, what they allowed, and what the next
  /// drop answers.
  std::vector<TLTClipboardData> Dragged;
  TLTDropEffects DragAllowed;
  TLTDropEffects DropResult{ltdeCopy};
  bool DropOnSelf = false;
  /// When set, runs while a drag is under way (the test drops what it
  /// likes) and its answer ends the drag.
  std::function<TLTDropEffects(const TLTClipboardData& rendered)> DuringDrag;
  /// The drop target's answers to the last drag over the client (enter,
  /// then each move).
  std::vector<TLTDropEffects> DragAnswers;
  int DragDistance = 4;
  /// The hint on show (empty when none) and how often one was shown.
  TLTString HintText;
  TLTPointI HintAt;
  int HintsShown = 0;
  /// Where the control last placed each embedded control (compared by
  /// address only: a control may be gone since).
  struct TPlacedControl {
    const TLTControl* Control = nullptr;
    TLTPointI At;
    bool Visible = false;
  };
  std::vector<TPlacedControl> Controls;
  /// The last place of a control, or null when it was never placed.
  const TPlacedControl* PlacedControl(const TLTControl* control) const;
  /// Forgets the recorded repaints and pixel moves.
  void ClearRecord();
  bool IsTimerRunning(int id) const { return timers_.count(id) != 0; }
  int TimerInterval(int id) const;

  /// Refusal sounds, and how often the input method was told of a change.
  int Beeps = 0;
  int InputMethodUpdates = 0;

  // ---- Settings a test may change --------------------------------------------------
  int ScrollBarThickness = 0;
  int BlinkTime = 1000;
  int WheelLines = 3;
  TLTPointI ScreenOrigin{1000, 500};

  // ---- Playing the user -------------------------------------------------------------
  /// Changes the outer size; the client hears of it when its area changed.
  void SetSize(int width, int height);
  /// Gives or takes the focus, telling the client.
  void SetFocused(bool focused, TLTFocusReason reason = TLTFocusReason::Other);
  /// Takes the mouse capture away, telling the client.
  void LoseCapture();
  /// Sets the keys held (ssShift, ssCtrl, ssAlt) for what follows.
  void SetKeys(TLTShiftState keys) { keys_ = keys; }
  /// Mouse input at client points: the pointer moves there first and the
  /// buttons and keys held are tracked.
  void Press(int x, int y, TLTMouseButton button = TLTMouseButton::Left);
  void Move(int x, int y);
  void Release(int x, int y, TLTMouseButton button = TLTMouseButton::Left);
  /// Press and release.
  void Click(int x, int y, TLTMouseButton button = TLTMouseButton::Left);
  /// A whole double click: press, release, second press (as a double
  /// click), release.
  void DoubleClick(int x, int y);
  /// A double click and a third press at the same place.
  void TripleClick(int x, int y);
  void Leave();
  /// Sets a button as held or not without telling the client, as when it
  /// is released outside every window.
  void SetButtonState(TLTMouseButton button, bool down);
  bool Wheel(int delta);
  bool Key(int key);
  bool WantsKey(int key);
  /// Typed text, as the keyboard delivers it after a key.
  bool Type(std::u16string_view text);
  /// The input method composing (preedit) or committing text.
  void Compose(std::u16string_view preedit, int cursor, std::u16string_view commit = {});
  void ScrollBarCommand(TLTScrollBarKind bar, TLTScrollCode code, int position = 0);
  /// Fires timer id once when it runs; false when it does not.
  bool FireTimer(int id);
  /// Runs the deferred calls (and the ones they post); returns how many ran.
  int RunDeferred();
  /// Another program's drag over the client: it enters at a point (the
  /// client's answer), moves to others, and leaves or drops there.
  TLTDropEffects DragEnter(const TLTClipboardData& data, int x, int y,
                           TLTDropEffects allowed = {ltdeCopy, ltdeMove, ltdeLink});
  TLTDropEffects DragMove(int x, int y);
  void DragLeave();
  TLTDropEffects Drop(int x, int y);
  /// The whole drag: enter, then drop at the same point when the client
  /// accepted (else it leaves); the drop's effect.
  TLTDropEffects DropData(const TLTClipboardData& data, int x, int y,
                          TLTDropEffects allowed = {ltdeCopy, ltdeMove, ltdeLink});
  /// Paints the whole client area on a fresh canvas and returns it.
  TLTHeadlessCanvas Paint();

 private:
  static size_t Index(TLTScrollBarKind bar) { return bar == TLTScrollBarKind::Vertical ? 1 : 0; }
  TLTShiftState MouseShift() const;
  void ClientSizeMayHaveChanged(TLTSizeI before);

  ILTWindowClient* client_ = nullptr;  // not owned
  TLTHeadlessCanvas formatCanvas_;
  int width_, height_;
  TLTScrollBarInfo bars_[2];
  std::map<int, int> timers_;
  bool capture_ = false;
  bool focused_ = false;
  TLTPointI pointer_;
  TLTShiftState keys_;
  bool buttons_[3] = {false, false, false};
  TLTClipboardData clipboard_;
  std::deque<std::function<void()>> deferred_;
  // The drag over the client under way.
  TLTClipboardData dragData_;
  TLTDropEffects dragAllowed_;
};

}  // namespace lectern
