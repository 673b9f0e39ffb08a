#pragma once
// Keys to commands. A control looks every key up in its key map and carries
// out the command it finds; the editor adds its own commands and keys, and
// an application or a user may bind, rebind or unbind any key.

#include "platform/LTWindow.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace lectern {

/// What a key asks a control to do. Commands are numbers so that controls
/// built on the viewer add their own after ltkcLastViewerCommand.
using TLTCommand = int;

enum TLTViewerCommand : TLTCommand {
  ltkcNone = 0,
  ltkcCopy,
  ltkcCut,
  ltkcPaste,
  /// The keyboard focus to the next or previous hyperlink or control, when
  /// the control navigates with Tab (lttnTab) ...
  ltkcNextLink,
  ltkcPrevLink,
  /// ... or with Ctrl+Tab (lttnCtrlTab).
  ltkcNextLinkCtrl,
  ltkcPrevLinkCtrl,
  /// Follows the hyperlink that has the keyboard focus.
  ltkcFollowLink,
  ltkcScrollLineUp,
  ltkcScrollLineDown,
  ltkcScrollPageUp,
  ltkcScrollPageDown,
  ltkcScrollTop,
  ltkcScrollBottom,
  ltkcScrollLeft,
  ltkcScrollRight,
  ltkcLastViewerCommand = ltkcScrollRight,
};

/// The modifiers a key is bound with: Shift, Ctrl and Alt; mouse buttons
/// held at the time do not count.
TLTShiftState KeyModifiers(TLTShiftState shift);

class TLTKeyMap {
 public:
  /// The keys of the viewer: copying (Ctrl+C, Ctrl+Insert), cutting and
  /// pasting (Ctrl+X, Shift+Delete, Ctrl+V, Shift+Insert), moving between
  /// hyperlinks (Tab, Shift+Tab, Ctrl+Tab, Ctrl+Shift+Tab), following one
  /// (Enter), and scrolling (arrows, Page Up and Down, Home, End, with or
  /// without Shift).
  static TLTKeyMap ViewerDefaults();

  /// Binds the key with exactly these modifiers to a command, replacing
  /// what it was bound to; ltkcNone unbinds it.
  void Assign(int key, TLTShiftState modifiers, TLTCommand command);
  void Clear(int key, TLTShiftState modifiers) { Assign(key, modifiers, ltkcNone); }
  /// The command bound to the key with these modifiers, ltkcNone if none.
  TLTCommand Find(int key, TLTShiftState modifiers) const;
  /// Every key bound to a command, as (key, modifiers).
  std::vector<std::pair<int, TLTShiftState>> KeysOf(TLTCommand command) const;

 private:
  std::map<std::pair<int, uint8_t>, TLTCommand> keys_;
};

}  // namespace lectern
