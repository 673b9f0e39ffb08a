#pragma once
// The window a control runs in, and what the window reports back to it.
//
// A control is plain C++: it draws through a canvas and asks its window for
// everything else (client size, repainting, moving pixels when it scrolls,
// scroll bars, timers, the mouse cursor and capture, the keyboard focus, the
// clipboard, hints, deferred calls). The window in turn forwards the user's
// input to its client. platform/qt implements the window as a widget;
// platform/headless implements it in memory for tests.
//
// Coordinates are client pixels, (0, 0) at the top-left of the area the
// control paints. Scroll bars follow one rule: a bar shows when it is
// allowed and its range is larger than its page; its position runs from 0
// to range - page.

#include "platform/LTAccessible.h"
#include "platform/LTCanvas.h"
#include "platform/LTControl.h"
#include "platform/LTTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lectern {

// ---- Input -------------------------------------------------------------------------------

enum class TLTMouseButton : uint8_t { Left, Right, Middle };

/// Keys and buttons held during an input event.
enum TLTShiftKey : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TLTShiftState = TLTSet<TLTShiftKey, uint8_t>;

/// Key numbers of the keys controls react to; letters and digits are their
/// upper-case ASCII codes ('C', 'V', ...).
constexpr int vkBack = 8;
constexpr int vkTab = 9;
constexpr int vkReturn = 13;
constexpr int vkEscape = 27;
constexpr int vkSpace = 32;
constexpr int vkPrior = 33;
constexpr int vkNext = 34;
constexpr int vkEnd = 35;
constexpr int vkHome = 36;
constexpr int vkLeft = 37;
constexpr int vkUp = 38;
constexpr int vkRight = 39;
constexpr int vkDown = 40;
constexpr int vkInsert = 45;
constexpr int vkDelete = 46;
/// F1 to F24 are vkF1 .. vkF1 + 23.
constexpr int vkF1 = 112;
constexpr int vkF12 = 123;
constexpr int vkF24 = 135;

/// One notch of a mouse wheel, in the units wheel deltas are counted in.
constexpr int LTWheelDelta = 120;

enum class TLTScrollBarKind : uint8_t { Horizontal, Vertical };

/// What the user did with a scroll bar.
enum class TLTScrollCode : uint8_t {
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  ThumbPosition,  // the thumb was released at a position
  ThumbTrack,     // the thumb is being dragged
  Top,
  Bottom,
  EndScroll,
};

/// How the keyboard focus arrived.
enum class TLTFocusReason : uint8_t { Other, Tab, Backtab, Mouse };

// ---- Cursors -------------------------------------------------------------------------------

/// Mouse cursors by number. Style sheets add their own numbers above 100
/// (101 over hyperlinks, 106 the mirrored arrow of the selection margin,
/// 104 and 105 row and column selection in tables).
using TLTCursorId = int16_t;
constexpr TLTCursorId crDefault = 0;
constexpr TLTCursorId crNone = -1;
constexpr TLTCursorId crArrow = -2;
constexpr TLTCursorId crCross = -3;
constexpr TLTCursorId crIBeam = -4;
constexpr TLTCursorId crSizeNESW = -6;
constexpr TLTCursorId crSizeNS = -7;
constexpr TLTCursorId crSizeNWSE = -8;
constexpr TLTCursorId crSizeWE = -9;
constexpr TLTCursorId crUpArrow = -10;
constexpr TLTCursorId crHourGlass = -11;
constexpr TLTCursorId crDrag = -12;
constexpr TLTCursorId crNoDrop = -13;
constexpr TLTCursorId crHSplit = -14;
constexpr TLTCursorId crVSplit = -15;
constexpr TLTCursorId crMultiDrag = -16;
constexpr TLTCursorId crNo = -18;
constexpr TLTCursorId crAppStart = -19;
constexpr TLTCursorId crHelp = -20;
constexpr TLTCursorId crHandPoint = -21;
constexpr TLTCursorId crSizeAll = -22;
constexpr TLTCursorId crRowSelect = 104;
constexpr TLTCursorId crColumnSelect = 105;

// ---- Clipboard -----------------------------------------------------------------------------

/// Plain text, always UTF-8.
constexpr std::string_view LTMimeText = "text/plain";
/// A document fragment in the native format.
constexpr std::string_view LTMimeLTF = "application/x-lectern-ltf";
constexpr std::string_view LTMimeRTF = "text/rtf";
/// The name some programs look for RTF under instead.
constexpr std::string_view LTMimeRTFAlt = "application/rtf";
constexpr std::string_view LTMimePNG = "image/png";
constexpr std::string_view LTMimeHTML = "text/html";

/// Everything one copy puts on the clipboard: flavours by MIME type, in the
/// order they were added.
struct TLTClipboardData {
  std::vector<std::pair<std::string, std::string>> Formats;

  /// Adds a flavour, replacing an earlier one of the same type in its place.
  void Set(std::string_view mime, std::string bytes);
  /// The bytes of a flavour, or null when there is none.
  const std::string* Find(std::string_view mime) const;
  bool Has(std::string_view mime) const { return Find(mime) != nullptr; }
  bool Empty() const { return Formats.empty(); }
};

/// What a drop did with dragged data.
enum TLTDropEffect : uint8_t { ltdeCopy, ltdeMove, ltdeLink };
using TLTDropEffects = TLTSet<TLTDropEffect, uint8_t>;

/// Dragged data as a drop target reads it: the flavours on offer, each
/// fetched only when asked for (another program renders it then, so a
/// target asks only for what it uses).
class ILTDropData {
 public:
  virtual ~ILTDropData() = default;
  /// The MIME types on offer, in the source's order.
  virtual std::vector<std::string> Types() const = 0;
  virtual bool Has(std::string_view mime) const = 0;
  /// The bytes of a flavour; nothing when it is not offered or the source
  /// could not render it.
  virtual std::optional<std::string> Get(std::string_view mime) const = 0;
};

/// Clipboard content read as drop data (pasting shares the drop's readers).
class TLTClipboardDropData final : public ILTDropData {
 public:
  explicit TLTClipboardDropData(const TLTClipboardData& data) : data_(data) {}
  std::vector<std::string> Types() const override;
  bool Has(std::string_view mime) const override { return data_.Has(mime); }
  std::optional<std::string> Get(std::string_view mime) const override;

 private:
  const TLTClipboardData& data_;  // not owned
};

/// What a drag offers: its flavours, rendered only when a target asks for
/// one. Render must cope with being called after the drag (another program
/// may ask late); it answers nothing then.
struct TLTDragSource {
  std::vector<std::string> Types;
  std::function<std::optional<std::string>(std::string_view mime)> Render;
  /// Every flavour rendered now.
  TLTClipboardData RenderAll() const;
};

// ---- Scroll bars -------------------------------------------------------------------------

/// The state of one scroll bar.
struct TLTScrollBarInfo {
  /// Total extent and the part one page shows, in the bar's units.
  int Range = 0;
  int Page = 0;
  int Position = 0;
  /// False keeps the bar hidden whatever the range.
  bool Allowed = true;
  bool IsShown() const { return Allowed && Range > Page; }
  int MaxPosition() const { return Range > Page ? Range - Page : 0; }
  bool operator==(const TLTScrollBarInfo&) const = default;
};

// ---- The input method ----------------------------------------------------------------------

/// What the platform's input method asks of a client: whether text can be
/// composed there, where the composition window goes (the caret's
/// rectangle, client coordinates), the font to compose in, and the text
/// around the caret with the caret and anchor in it.
struct TLTInputMethodState {
  bool Enabled = false;
  TLTRectI CursorRect;
  TLTCanvasFont Font;
  TLTString Surrounding;
  int CursorPos = 0;
  int AnchorPos = 0;
};

// ---- The window and its client -------------------------------------------------------------

/// What a window reports to the control living in it. Every call arrives on
/// the user-interface thread; a client must not let exceptions out.
class ILTWindowClient {
 public:
  virtual ~ILTWindowClient() = default;
  /// Paints r (client coordinates) of the client area on the canvas.
  virtual void Paint(TLTCanvas& canvas, const TLTRectI& r) = 0;
  /// The client size changed (also when a scroll bar came or went).
  virtual void Resized() = 0;
  virtual void MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) = 0;
  virtual void MouseMove(TLTShiftState shift, int x, int y) = 0;
  virtual void MouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) = 0;
  /// The second press of a double click; it arrives in place of MouseDown.
  virtual void DoubleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) = 0;
  virtual void MouseLeave() = 0;
  /// A third press soon after a double click at the same place.
  virtual void TripleClick(TLTMouseButton /*button*/, TLTShiftState /*shift*/, int /*x*/, int /*y*/) {}
  /// delta: wheel units (LTWheelDelta per notch), positive away from the
  /// user. True when handled.
  virtual bool MouseWheel(TLTShiftState shift, int delta, int x, int y) = 0;
  /// True when the client used the key (a Tab the client does not use
  /// moves the focus on).
  virtual bool KeyDown(int key, TLTShiftState shift) = 0;
  /// Typed text; true when used.
  virtual bool KeyPress(std::u16string_view /*text*/) { return false; }
  /// Whether the client wants this key before the platform's own use of it
  /// (arrows, Tab for focus movement).
  virtual bool WantsKey(int key, TLTShiftState shift) = 0;
  /// Whether the client takes this key although the window's menus bind it
  /// too (the editing shortcuts belong to the document when it has focus).
  virtual bool ClaimsKey(int /*key*/, TLTShiftState /*shift*/) { return false; }
  virtual void ScrollBarCommand(TLTScrollBarKind bar, TLTScrollCode code, int position) = 0;
  virtual void FocusChanged(bool focused, TLTFocusReason reason) = 0;
  /// The mouse capture was taken away.
  virtual void CaptureLost() = 0;
  virtual void Timer(int id) = 0;
  /// The input method's questions and its text: a composition in progress
  /// (shown, not yet typed; empty when it ended) with the cursor in it, and
  /// text it committed, which is typed.
  virtual TLTInputMethodState InputMethodState() { return {}; }
  virtual void InputMethod(std::u16string_view /*preedit*/, int /*preeditCursor*/, std::u16string_view /*commit*/) {}
  /// A drag came over the client area, moved over it, left it, or was
  /// dropped on it. Each answers the one effect the drop has (or would
  /// have) there, chosen from allowed; the empty set refuses the drop.
  /// The data of a drag that moves stays the data given at its entry.
  virtual TLTDropEffects DragEnter(const ILTDropData& /*data*/, TLTDropEffects /*allowed*/, TLTShiftState /*shift*/,
                                   int /*x*/, int /*y*/) {
    return {};
  }
  virtual TLTDropEffects DragOver(TLTDropEffects /*allowed*/, TLTShiftState /*shift*/, int /*x*/, int /*y*/) {
    return {};
  }
  virtual void DragLeave() {}
  virtual TLTDropEffects Drop(const ILTDropData& /*data*/, TLTDropEffects /*allowed*/, TLTShiftState /*shift*/,
                              int /*x*/, int /*y*/) {
    return {};
  }
  /// What assistive technologies read of the client (owned by the client);
  /// null when it offers nothing.
  virtual ILTAccessibleDocument* AccessibleDocument() { return nullptr; }
};

/// The platform window a control runs in. The window does not own its
/// client; the client unregisters itself (SetClient(nullptr)) when it goes.
class ILTWindow {
 public:
  virtual ~ILTWindow() = default;

  /// The control that receives this window's input and paints it (not owned).
  virtual void SetClient(ILTWindowClient* client) = 0;

  // ---- Area and painting ------------------------------------------------------
  virtual TLTSizeI ClientSize() const = 0;
  /// Asks for r (client coordinates) to be painted soon.
  virtual void Invalidate(const TLTRectI& r) = 0;
  virtual void InvalidateAll() = 0;
  /// Paints what is pending now.
  virtual void UpdateNow() = 0;
  /// Moves the client area's pixels by (dx, dy) and asks for the uncovered
  /// band to be painted.
  virtual void ScrollClient(int dx, int dy) = 0;
  /// The canvas layout measures with (the screen's fonts and resolution).
  virtual TLTCanvas& FormatCanvas() = 0;

  // ---- Scroll bars ---------------------------------------------------------------
  /// May change the client size at once (a bar shows or hides); the client
  /// then gets Resized before this returns.
  virtual void SetScrollBar(TLTScrollBarKind bar, const TLTScrollBarInfo& info) = 0;
  virtual TLTScrollBarInfo ScrollBar(TLTScrollBarKind bar) const = 0;
  /// Puts the vertical bar on the left (right-to-left documents).
  virtual void SetScrollBarOnLeft(bool left) = 0;

  // ---- Timers ----------------------------------------------------------------------
  /// Starts (or restarts) timer id firing every intervalMs.
  virtual void StartTimer(int id, int intervalMs) = 0;
  virtual void StopTimer(int id) = 0;

  // ---- Mouse -------------------------------------------------------------------------
  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  virtual bool HasCapture() const = 0;
  virtual void SetCursor(TLTCursorId cursor) = 0;
  /// Where the pointer is now, in client coordinates.
  virtual TLTPointI PointerPos() const = 0;
  virtual bool IsButtonDown(TLTMouseButton button) const = 0;
  /// The keys held now.
  virtual TLTShiftState KeyboardState() const = 0;
  virtual TLTPointI ClientToScreen(TLTPointI p) const = 0;
  /// Lines per wheel notch of the system setting: negative for a page per
  /// notch, 0 when the wheel scrolls nothing.
  virtual int WheelScrollLines() const = 0;

  // ---- Focus, the caret and the input method ------------------------------------------------
  virtual bool IsFocused() const = 0;
  virtual void SetFocus() = 0;
  /// Milliseconds of one on-and-off cycle of a blinking caret; 0 for a
  /// caret that does not blink.
  virtual int CaretBlinkTime() const = 0;
  /// The caret moved, or what the input method asks changed.
  virtual void InputMethodChanged() = 0;
  /// The refusal sound of a user action that changed nothing.
  virtual void Beep() = 0;

  // ---- Embedded controls -----------------------------------------------------------
  /// Shows a control of the document as a child of the window with its
  /// top-left corner at a client point, or hides it there. The window does
  /// not own it; the control leaves the window when it is destroyed.
  virtual void PlaceControl(TLTControl& control, TLTPointI topLeft, bool visible) = 0;

  // ---- Clipboard, hints, deferred calls -------------------------------------------
  /// Replaces the clipboard's content with every flavour of data at once.
  virtual void SetClipboard(const TLTClipboardData& data) = 0;
  virtual TLTClipboardData Clipboard() const = 0;
  /// The text selected last with the mouse, which a middle click pastes
  /// (the X11 PRIMARY selection); nothing where the platform has none.
  virtual void SetPrimarySelection(const TLTString& /*text*/) {}
  virtual TLTString PrimarySelection() const { return {}; }
  /// How far (pixels) the pointer moves with the button down before a press
  /// inside the selection becomes a drag.
  virtual int DragThreshold() const = 0;
  /// Drags data until it is dropped or the drag is cancelled (Escape); the
  /// empty set when nothing was dropped, else the effect the target chose.
  virtual TLTDropEffects StartDrag(const TLTDragSource& source, TLTDropEffects allowed) = 0;
  /// Shows a hint (tool tip) at a client point at once.
  virtual void ShowHint(const TLTString& text, TLTPointI at) = 0;
  virtual void CancelHint() = 0;
  /// Runs call later on the user-interface thread, after the current event
  /// has been handled; dropped when the window goes first.
  virtual void PostDeferred(std::function<void()> call) = 0;
  /// The same from another thread (safe to call from any); a window
  /// without an event loop of its own drops it, and its owner runs the
  /// work itself.
  virtual void PostFromThread(std::function<void()> /*call*/) {}

  // ---- Accessibility ----------------------------------------------------------------
  /// The caret, the selection or the text of the client's document changed;
  /// the window tells assistive technologies once the event under way is
  /// handled.
  virtual void AccessibleChanged(TLTAccessibleChange /*change*/) {}
};

}  // namespace lectern
