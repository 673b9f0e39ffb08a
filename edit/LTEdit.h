#pragma once
// The editor control: the viewer with a caret. The caret stands at one of
// the caret stops of its line, in the container the selection lives in (the
// document, or a table cell's document after a click in one); the keyboard
// moves it by characters, words, lines, paragraphs and pages, Shift extends
// the selection with it, and the mouse places it. Typing and the other
// changes of the document come with the editing operations.
//
// The caret is drawn by the control (no platform has a caret of its own to
// lend): a bar of one pixel over the piece it stands in, blinking at the
// platform's rate, repainted alone when it blinks.

#include "edit/LTELTData.h"
#include "edit/LTItemResizer.h"
#include "edit/LTNestedWindow.h"
#include "style/LTStyle.h"
#include "view/CLectern.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lectern {

enum TLTEditorOption : uint8_t {
  ltoClearTagOnStyleApp,
  ltoCtrlJumps,
  ltoDoNotWantReturns,
  ltoDoNotWantShiftReturns,
  ltoWantTabs,
  ltoAutoSwitchLang,
  ltoHideReadOnlyCaret,
  ltoNoImageResize,
  ltoNoCaretHighlightJumps,
};
using TLTEditorOptions = TLTSet<TLTEditorOption, uint16_t>;
constexpr TLTEditorOptions LTDefaultEditorOptions{ltoCtrlJumps, ltoWantTabs};

/// The kinds of dragged data an editor takes.
enum TLTDragDropFormat : uint8_t {
  ltddLTF,
  ltddRTF,
  ltddText,
  ltddUnicodeText,
  ltddBitmap,
  ltddMetafile,
  ltddURL,
  ltddFiles,
};
using TLTDragDropFormats = TLTSet<TLTDragDropFormat, uint8_t>;
constexpr TLTDragDropFormats LTDefaultDragDropFormats{ltddLTF,    ltddRTF,      ltddText, ltddUnicodeText,
                                                      ltddBitmap, ltddMetafile, ltddFiles};
/// What the application did with dropped files.
enum TLTDropFileAction : uint8_t { ltdfNone, ltdfInsert, ltdfLink };

/// One flavour of the clipboard that Paste Special offers.
struct TLTPasteChoice {
  /// The MIME type pasted.
  std::string Mime;
  /// What the user reads ("Formatted text (RTF)").
  std::string Caption;
};

/// Where the caret tried to leave the document.
enum TLTGetOutDirection : uint8_t { ltdLeft, ltdUp, ltdRight, ltdDown, ltdTop, ltdBottom };

/// One caret stop: where on its line the caret can stand.
struct TLTCharPos {
  /// x of the stop, document pixels.
  int StopX = 0;
  int DrawItemIndex = -1;
  /// Text: 1 before the drawing item's first character .. Length + 1 after
  /// its last; other items 0 before and 1 after.
  int DrawItemOffset = -1;
  /// 1 normally; 2 at the right edge of a non-text item in right-to-left
  /// text. The caret is drawn at StopX + StopSide - 1.
  uint8_t StopSide = 1;
};

/// The editor's commands, after the viewer's.
enum TLTEditorCommand : TLTCommand {
  ltecCharLeft = ltkcLastViewerCommand + 1,
  ltecCharRight,
  ltecWordLeft,
  ltecWordRight,
  ltecLineUp,
  ltecLineDown,
  ltecParaUp,
  ltecParaDown,
  ltecLineStart,
  ltecLineEnd,
  ltecDocStart,
  ltecDocEnd,
  ltecPageUp,
  ltecPageDown,
  /// The moves above that extend the selection, in the same order.
  ltecCharLeftExtend,
  ltecCharRightExtend,
  ltecWordLeftExtend,
  ltecWordRightExtend,
  ltecLineUpExtend,
  ltecLineDownExtend,
  ltecParaUpExtend,
  ltecParaDownExtend,
  ltecLineStartExtend,
  ltecLineEndExtend,
  ltecDocStartExtend,
  ltecDocEndExtend,
  ltecPageUpExtend,
  ltecPageDownExtend,
  /// The view moves by a line; the caret stays.
  ltecScrollLineUp,
  ltecScrollLineDown,
  // Changes of the document.
  ltecNewParagraph,
  ltecLineBreak,
  ltecTab,
  ltecBackspace,
  ltecDelete,
  ltecWordBackspace,
  ltecWordDelete,
  ltecUndo,
  ltecRedo,
  ltecLastEditorCommand = ltecRedo,
};

class TCustomLecternEdit;

/// What an editor asks of an item of its document that edits a part of
/// itself in an editor nested in this one, or has parts of itself selected
/// (a table: its cell editor, its multi-cell selection). The item registers
/// itself with the editor while either lasts (SetNestedEditing).
class ILTNestedEditing {
 public:
  virtual ~ILTNestedEditing() = default;
  /// The nested editor; null while parts are selected instead.
  virtual TCustomLecternEdit* NestedEditor() const = 0;
  /// Where the nested editor lies in the outer editor's client area.
  virtual TLTRectI NestedBounds() const = 0;
  /// Ends both: the nested editor's history is folded into the outer one,
  /// its items go back and it is freed; with clearing (the document is
  /// going) nothing is laid out again.
  virtual void EndNestedEditing(bool clearing) = 0;
  /// Folds the nested editor's history into the outer one; it stays open.
  virtual void FoldNestedUndo() = 0;
  /// Several parts are selected (cells), which counts as a selection.
  virtual bool HasPartSelection() const = 0;
  /// Shift and an arrow while parts are selected; true when used.
  virtual bool PartSelectionKey(int key, TLTShiftState shift) = 0;
  /// Runs change in an editor over each selected part, as one undo step of
  /// the outer editor; false when no part took it.
  virtual bool ApplyToSelectedParts(const std::function<void(TCustomLecternEdit&)>& change) = 0;
  /// Deleting the selection while parts are selected.
  virtual bool ClearSelectedParts() = 0;
  /// Whether the item follows the mouse until the button is released (a
  /// selection of cells by the mouse), in outer client coordinates.
  virtual bool TracksMouse() const = 0;
  virtual void TrackMouseMove(TLTShiftState shift, int x, int y) = 0;
  virtual void TrackMouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) = 0;
  /// Drawn over everything while it lasts (the line of a border being
  /// dragged), in the outer editor's client coordinates moved by offset.
  virtual void PaintOverlay(TLTCanvas& /*canvas*/, TLTPointI /*offset*/) const {}
};

/// The editor control. Lives in a platform window that must outlive it.
class TCustomLecternEdit : public TCustomLectern {
 public:
  explicit TCustomLecternEdit(ILTWindow& window);
  ~TCustomLecternEdit() override;

  TLTEditLTData& EditData() { return static_cast<TLTEditLTData&>(LTData()); }
  /// The editor of a cell being edited inside this one, and so on down; this
  /// editor while no cell is being edited. Public operations called on an
  /// editor go down this chain first.
  TCustomLecternEdit& InnermostEditor();
  /// The outermost editor, which owns the window; events are raised with it.
  TCustomLecternEdit& RootEditor();
  TCustomLecternEdit* ParentEditor() const { return parentEditor_; }
  /// The editor directly nested in this one, or null.
  TCustomLecternEdit* NestedEditor() const;
  /// The item that edits or selects parts of itself (null when none).
  ILTNestedEditing* NestedEditing() const { return nested_; }
  /// Called by such an item when it starts (null: ends). A nested editor is
  /// told its parent, whose settings it follows (read-only, focus).
  void SetNestedEditing(ILTNestedEditing* nested);
  void SetParentEditor(TCustomLecternEdit* parent) { parentEditor_ = parent; }
  /// Ends editing inside the document's items (a cell editor gives its
  /// cell back, its history folded into this editor's): saving, printing,
  /// merging and copying the whole document call it first, so that nothing
  /// sees a cell emptied by its editor.
  void EndNestedEditing();
  /// Runs call once the input event (or the public operation) under way has
  /// been handled, so that a nested editor can ask to be replaced without
  /// being freed in the middle of its own handler. Posted to the window
  /// when nothing is under way.
  void AfterEvent(std::function<void()> call);
  /// Whether an input event or a public operation is under way.
  bool IsInEvent() { return RootEditor().eventDepth_ > 0; }
  /// Scrolls so that a rectangle of the client area comes into view (a
  /// nested editor passes it on, moved by its place).
  void ScrollIntoView(const TLTRectI& r);
  /// Lays items first..last out again, the caret staying where it is (an
  /// item changed its size from outside, as a table whose cell is edited).
  void RelayoutItems(int first, int last);
  /// The client point of this editor's point p in the root editor.
  TLTPointI ToRootClient(TLTPointI p) const;

  // ---- Settings --------------------------------------------------------------------
  TLTEditorOptions EditorOptions = LTDefaultEditorOptions;
  /// Typed characters are taken back a word at a time instead of one
  /// character a step: a step ends after a space that follows a word, at a
  /// caret move, after a pause of TypingPauseMs, or at a style change. Off
  /// by default; the typing record of characters is then as it always was.
  bool TypingByWord = false;
  static constexpr int64_t TypingPauseMs = 1000;
  /// Milliseconds of a steady clock, for that pause; empty for the
  /// system's. Tests set their own.
  std::function<int64_t()> TypingClock;
  bool ReadOnly() const { return readOnly_; }
  /// Refreshes the caret (hidden when read-only with ltoHideReadOnlyCaret).
  void SetReadOnly(bool on);
  /// With a value above 0, OnDrawCustomCaret draws the caret, blinking at
  /// this interval (milliseconds).
  int CustomCaretInterval = 0;

  // ---- The caret ---------------------------------------------------------------------
  /// The container the caret stands in: the document, or a table cell's.
  TCustomLTFormattedData& CaretContainer() const { return Sel(); }
  int CaretDrawItem() const { return caretDrawItem_; }
  int CaretStop() const { return caretStop_; }
  const std::vector<TLTCharPos>& CaretStops() const { return caretStops_; }
  /// Height of the caret last shown; 0 when none is.
  int CaretHeight() const { return caretHeight_; }
  /// The caret's rectangle in client coordinates (empty when none).
  TLTRectI CaretRect() const;
  /// The item of the caret in its container, -1 when it has no lines.
  int CurrentItemNo();
  /// The caret's offset in that item: text 1 before the first character ..
  /// length + 1 after the last; other items 0 before, 1 after.
  int CurrentItemOffset();
  /// Puts the caret at an offset of an item of its container (an offset
  /// inside a character cluster goes to the cluster's start); the selection
  /// goes. False when the item has no place on a line.
  bool SetCaretAt(int itemNo, int offset, bool scrollToCaret = true);

  /// The text style of typed and inserted text, and the paragraph style of
  /// the caret's paragraph.
  int CurrentTextStyle() const { return currentTextStyle_; }
  void SetCurrentTextStyle(int styleNo);
  /// CurrentTextStyle with MaxInt resolved through the paragraph style.
  int ActualCurrentTextStyle() const;
  int CurrentParaStyle() const { return currentParaStyle_; }
  void SetCurrentParaStyle(int paraNo);

  /// Puts the caret at the end of a drawing item's line when end, else at
  /// its start (a cell left for the document around the table).
  bool SetCaretAtItemEdge(int itemNo, bool after);

  /// Shows the caret where CaretDrawItem and CaretStop say: its place, the
  /// current styles, the hyperlink under it; scrolls to it when asked;
  /// raises OnCaretMove. A stop outside the stops raises ELecternError
  /// "Invalid caret position. Please contact the developer, if you can
  /// reproduce this problem" after putting the caret at the start.
  void UpdateCaret(bool refreshBefore, bool scrollToCaret, bool keepStyles);
  /// The stops of CaretDrawItem's line; the caret goes to the stop of
  /// targetOffset in CaretDrawItem (an offset between stops: the one before;
  /// below 0: the first; past the end: the last).
  void RebuildCaretStops(int targetOffset);
  /// An editor never shows its keys an empty document: one empty text item
  /// in the current styles is added when it has none.
  void EnsureNotEmpty();

  /// Carries out a caret move as its key does (also for scripts).
  bool MoveCaret(TLTCommand command);

  // ---- Editing (LTEditOps.cpp) -----------------------------------------------------
  // Every operation either changes the document and ends with MarkChanged,
  // or changes nothing (a refusal beeps).
  /// Set by every completed change; the application clears it after saving.
  bool Modified = false;
  /// Asked first by every change: false (after a beep) when the editor is
  /// read-only, has no style sheet, the caret is in a table cell, or
  /// OnChanging says no.
  bool BeforeChange();
  /// Cut: the selection goes to the clipboard and out of the document.
  bool CutCommand() override;
  /// Paste: a document fragment in the native format, else plain text,
  /// at the caret (over the selection) as one step.
  bool PasteCommand() override;
  /// Whether the clipboard holds something Paste takes.
  bool CanPaste();
  /// The flavours of the clipboard that can be pasted one by one, the one
  /// Paste takes first.
  std::vector<TLTPasteChoice> PasteChoices();
  /// Pastes one flavour of the clipboard, as Paste would take it (a Paste
  /// Special choice); false, with a beep, when it is not there or cannot
  /// be read.
  bool PasteFormat(std::string_view mime);
  /// Whether a change could be made now, asking no one and without a beep
  /// (for enabling commands).
  bool CanChange() const;
  /// A change the editor cannot make, or may not: a beep (OnRefused).
  void Refuse();
  /// A counter: while on, BeforeChange does not ask OnChanging again, for
  /// a command of several operations that asked once before the first.
  void SetChangeApproved(bool on) { changeApproved_ += on ? 1 : (changeApproved_ > 0 ? -1 : 0); }
  /// Sets Modified, raises OnChange; every change but Undo and Redo clears
  /// the redo list.
  void MarkChanged(bool clearRedo);

  /// Types characters at the caret as keystrokes (the selection goes first).
  bool TypeText(std::u16string_view text);
  /// Inserts text: line ends start paragraphs (vertical tab and U+2028 new
  /// lines), tabs become tab items or SpacesInTab spaces.
  void InsertText(std::u16string_view text, bool caretBefore = false);
  void InsertTextA(std::string_view text, bool caretBefore = false);
  /// One text item in the current style with the tag (field codes).
  bool InsertTextWithTag(std::u16string_view text, TLTTag tag);
  /// The same for 8-bit text in the code page of the current text style,
  /// which stays current (no switch to a Unicode style).
  bool InsertTextWithTagA(std::string_view text, TLTTag tag);
  bool InsertTab();
  bool InsertItem(std::unique_ptr<TCustomLTItemInfo> item);
  bool InsertPicture(TLTRawByteString name, std::unique_ptr<TGraphic> picture, uint8_t vertAlign);
  bool InsertRule(TColor color = clNone, uint8_t width = 1);
  /// A file of 8-bit text at the caret; false when it cannot be read.
  bool InsertTextFileAtCaret(const std::string& path);
  /// A stored document at the caret; false (nothing inserted) when it
  /// cannot be read whole.
  bool InsertLTFAtCaret(TLTStream& stream);
  bool InsertLTFFileAtCaret(const std::string& path);
  /// Inserts the items of a document read apart (which loses them) at the
  /// caret as one action, the first through the paragraph rules of the
  /// caret; the document's styles must already be the editor's.
  bool InsertDocumentAtCaret(TCustomLTData& part);
  /// Reads bytes of a document format apart, with this editor's styles, and
  /// inserts what was read at the caret as one step. Bytes that cannot be
  /// read change nothing: false with the reason in error; what the format
  /// left out goes to warnings.
  /// Relative links start from basePath (a folder, or the address of the
  /// page pasted from) where the format knows links.
  bool InsertFormatAtCaret(const TLTDocumentFormat& format, std::string_view bytes, std::string* error = nullptr,
                           std::vector<std::string>* warnings = nullptr, const std::string& basePath = {});
  void DeleteSelection();
  /// Whether the selection may go (protection, read-only paragraphs).
  bool CanDeleteSelection();
  /// Backspace and Delete, to the word boundary with word.
  bool Backspace(bool word);
  bool DeleteKey(bool word);
  /// Enter (a new paragraph) and Shift+Enter (a new line).
  bool NewParagraph(bool shift);
  void ApplyTextStyle(int styleNo);
  void ApplyStyleConversion(int userData);
  void ApplyParaStyle(int paraNo);
  /// Derives the styles of the selection (or of what is typed next) from
  /// style template templateIndex of the sheet, finding or adding each
  /// derived style; below 0, back to the normal definition. keepModified
  /// keeps what was changed in text styles after their template.
  void ApplyTextStyleTemplate(int templateIndex, bool keepModified);
  void ApplyParaStyleTemplate(int templateIndex);
  /// Template templateIndex applied as a style list does: one that defines
  /// paragraph properties (itself or an ancestor) sets the paragraphs of
  /// the selection and all their text; one that defines only text
  /// properties sets the selected text. The styles are linked to the
  /// template; what was changed by hand stays where the template does not
  /// define it. One step to undo.
  void ApplyStyleTemplate(int templateIndex);
  void ApplyParaStyleConversion(int userData);
  void SetItemTagUndoable(int itemNo, TLTTag tag);
  /// Gives items first..last, and the items of their sub-documents (the
  /// cells of a table), the tags change returns for their tags (nothing:
  /// the tag stays); one undo step of kind ltukTagChange with the caption.
  /// False (with a beep) when the document cannot change or no tag does.
  bool RetagItems(int first, int last, const std::function<std::optional<TLTTag>(const TLTTag&)>& change,
                  const TLTString& caption = {});
  /// A page break before the caret's paragraph, or none.
  void SetPageBreak(bool on);
  void RemoveCurrentPageBreak();
  /// Gives a picture or an embedded control a new outer size (spacing
  /// included), as the end of a resize drag does; one undo step. False when
  /// the item cannot be resized or nothing changed.
  bool ResizeItem(int itemNo, int width, int height);
  /// Numbered and published item properties as one undo step each; false
  /// when the item has no such property, refuses the value, or the
  /// document cannot change.
  bool SetItemExtraIntPropertyEd(int itemNo, TLTExtraItemProperty prop, int32_t value);
  bool SetItemExtraStrPropertyEd(int itemNo, TLTExtraItemStrProperty prop, const TLTString& value);
  bool SetItemIntPropertiesEd(const TLTPropTarget& target, const std::vector<std::pair<std::string, int64_t>>& values);

  // ---- Drag and drop (LTEditDragDrop.cpp) ----------------------------------------------
  /// The kinds of dragged data drops take.
  TLTDragDropFormats AcceptDragDropFormats = LTDefaultDragDropFormats;
  /// Where a drop would insert: the drop caret in client coordinates
  /// (empty while no drag is over the editor or where nothing can go).
  TLTRectI DropCaretRect() const;
  /// Dropped files as a drop inserts them: pictures, then documents by
  /// their extension (.rtf, .ltf, .txt in any case); other files are left
  /// out (with picturesOnly, as a paste of copied files: everything but
  /// pictures). One step to undo; false when nothing was inserted.
  bool InsertDroppedFiles(const std::vector<std::string>& paths, bool picturesOnly = false);

  // ---- Resizing pictures and controls (LTItemResizer.cpp) ---------------------------------
  /// The handles of the picture or control selected alone; null when none
  /// show.
  TLTItemResizer* Resizer() const;
  /// Corner handles keep an item's proportions (Shift does for the others).
  static bool ProportionalResize;

  // ---- Undo --------------------------------------------------------------------------
  bool Undo();
  bool Redo();
  TLTUndoKind UndoAction() const;
  TLTUndoKind RedoAction() const;
  /// What Undo and Redo would take back or repeat, for menus: the group's
  /// caption, else the name of its kind; empty when there is nothing.
  TLTString UndoName() const;
  TLTString RedoName() const;
  void ClearUndo();
  int UndoLimit() const;
  /// Takes effect with the next group (groups beyond it are freed then).
  void SetUndoLimit(int limit);
  void BeginUndoGroup(TLTUndoKind kind, const TLTString& caption = {});
  /// A counter: while on, operations join the group last begun.
  void SetUndoGroupMode(bool on);
  /// The same in this editor's own history, whatever editor is nested in
  /// it (for an item of its document that changes itself, as a table).
  void BeginOwnUndoGroup(TLTUndoKind kind, const TLTString& caption = {});
  void SetOwnUndoGroupMode(bool on);
  /// A counter: while on, Undo and Redo leave the document unformatted
  /// (nothing else may be done then), and it is laid out once when the
  /// last lock ends. For taking back many groups at once.
  void SetReformatLock(bool on);

  // ---- Events -----------------------------------------------------------------------
  std::function<void(TCustomLecternEdit&)> OnCaretMove;
  std::function<void(TCustomLecternEdit&, TLTGetOutDirection)> OnCaretGetOut;
  std::function<void(TCustomLecternEdit&, TLTCanvas&, const TLTRectI&)> OnDrawCustomCaret;
  std::function<void(TCustomLecternEdit&, TLTRectI&)> OnMeasureCustomCaret;
  std::function<void(TCustomLecternEdit&)> OnCurTextStyleChanged;
  std::function<void(TCustomLecternEdit&)> OnCurParaStyleChanged;
  std::function<void(TCustomLecternEdit&, bool& canEdit)> OnChanging;
  std::function<void(TCustomLecternEdit&)> OnChange;
  /// A picture or control was resized (ResizeItem).
  std::function<void(TCustomLecternEdit&, TCustomLTData& data, int itemNo)> OnItemResize;
  std::function<void(TCustomLecternEdit&, int32_t styleNo, int userData, bool appliedToText, int32_t& newStyleNo)>
      OnStyleConversion;
  std::function<void(TCustomLecternEdit&, int32_t styleNo, int userData, bool appliedToText, int32_t& newStyleNo)>
      OnParaStyleConversion;
  std::function<void(TCustomLecternEdit&, const TLTRawByteString& oldText, TCustomLTData& data, int itemNo,
                     TLTTag& newTag, int32_t& newStyleNo)>
      OnItemTextEdit;
  /// Typing at the very start or end of a text item: a handler that clears
  /// canJoin keeps the item whole, and the typed text goes into an item of
  /// its own beside it, as at a protected boundary (an application's merged
  /// value, which its next merge replaces, must not take the user's text).
  std::function<void(TCustomLecternEdit&, const TCustomLTData& data, int itemNo, bool& canJoin)> OnTypeAtItemEdge;
  /// Before a paste; clearing doDefault leaves it to the handler.
  std::function<void(TCustomLecternEdit&, bool& doDefault)> OnPaste;
  /// A drag entered or moved over the editor, at a client point: effect is
  /// the effect chosen from possible, and the handler may change it.
  std::function<void(TCustomLecternEdit&, const ILTDropData* data, TLTShiftState, int x, int y,
                     TLTDropEffects possible, TLTDropEffects& effect)>
      OnOleDragOver;
  /// The drag left the editor without a drop.
  std::function<void(TCustomLecternEdit&)> OnOleDragLeave;
  /// A drop: with doDefault cleared the handler did it, and effect is the
  /// result.
  std::function<void(TCustomLecternEdit&, const ILTDropData& data, TLTShiftState, int x, int y,
                     TLTDropEffects possible, TLTDropEffects& effect, bool& doDefault)>
      OnOleDrop;
  /// Files are dropped: with doDefault cleared, the drop counts as done
  /// when the handler set an action other than ltdfNone.
  std::function<void(TCustomLecternEdit&, const std::vector<std::string>& files, TLTDropFileAction& action,
                     bool& doDefault)>
      OnDropFiles;
  /// A dropped address (URL) with its text: the handler may choose the
  /// style and the tag that make it a hyperlink. Without a handler the
  /// address goes in as plain text.
  std::function<void(TCustomLecternEdit&, const TLTString& url, TLTString& text, int32_t& styleNo, TLTTag& tag)>
      OnReadHyperlink;
  /// A user action changed nothing (typing before the editing operations
  /// exist, a key at a read-only document); the window beeps as well.
  std::function<void(TCustomLecternEdit&)> OnRefused;

  /// The hyperlink in the document of a cell being edited first (its
  /// events carry its own numbers), then in this editor's.
  bool GetJumpLocation(int id, TCustomLTData*& data, int& itemNo) const override;

  // ---- ILTWindowClient -----------------------------------------------------------------
  void Paint(TLTCanvas& canvas, const TLTRectI& r) override;
  void MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void MouseMove(TLTShiftState shift, int x, int y) override;
  void MouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void DoubleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void TripleClick(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  void MouseLeave() override;
  bool KeyDown(int key, TLTShiftState shift) override;
  bool KeyPress(std::u16string_view text) override;
  bool WantsKey(int key, TLTShiftState shift) override;
  void FocusChanged(bool focused, TLTFocusReason reason) override;
  void Timer(int id) override;
  TLTInputMethodState InputMethodState() override;
  void InputMethod(std::u16string_view preedit, int preeditCursor, std::u16string_view commit) override;
  TLTDropEffects DragEnter(const ILTDropData& data, TLTDropEffects allowed, TLTShiftState shift, int x,
                           int y) override;
  TLTDropEffects DragOver(TLTDropEffects allowed, TLTShiftState shift, int x, int y) override;
  void DragLeave() override;
  TLTDropEffects Drop(const ILTDropData& data, TLTDropEffects allowed, TLTShiftState shift, int x, int y) override;

  /// Counts an input event or a public operation under way on the root
  /// editor; what AfterEvent queued runs when the outermost one ends. An
  /// item of the document that changes it from outside the editor's
  /// operations (a table moving a cell's items into its editor) holds one
  /// too.
  class TEventScope {
   public:
    // The word checker keeps away from the document for the whole event:
    // it may change the document anywhere (a cell's items move into its
    // editor and back).
    explicit TEventScope(TCustomLecternEdit& editor) : root_(editor.RootEditor()) {
      if (root_.eventDepth_++ == 0) root_.PauseWordCheckingForEvent();
    }
    ~TEventScope() {
      if (--root_.eventDepth_ == 0) {
        root_.RunAfterEvent();
        root_.WordCheckingAfterEvent();
      }
    }
    TEventScope(const TEventScope&) = delete;
    TEventScope& operator=(const TEventScope&) = delete;

   private:
    TCustomLecternEdit& root_;
  };
  /// The composition the input method shows at the caret (empty: none).
  const TLTString& Preedit() const { return preedit_; }

 protected:
  bool ExecuteCommand(TLTCommand command) override;
  TLTPaintContext PaintContext() const override;
  void SelectionChanged() override;
  void BeforeSelectionReplaced() override;
  /// After every completed change of this editor's document.
  virtual void ContentChanged() {}
  /// A caret move got out of the document (OnCaretGetOut is raised too).
  virtual void CaretGotOut(TLTGetOutDirection /*direction*/) {}
  /// Whether the caret move under way extends the selection (Shift).
  bool IsExtendingMove() const { return extendingMove_; }
  bool LinksActive() const override { return readOnly_ || ctrlJumpMode_; }
  void Formatted() override;
  void Cleared() override;
  TLTDropEffects DragEffects() const override;
  void DragFinished(TLTDropEffects effect) override;

 private:
  friend class TLTItemResizer;
  // ---- Transfers: paste and drop (LTEditDragDrop.cpp) ----
  /// The kinds of transferred data, in no order; each has one inserter.
  enum class TFlavour : uint8_t { LTF, RTF, URL, Text, Picture, Files };
  /// Inserts the first flavour of data that goes in, in the order of a
  /// paste or of a drop; only the flavour given when there is one. True
  /// when something was inserted.
  bool InsertTransfer(const ILTDropData& data, bool drop, std::optional<TFlavour> only = std::nullopt);
  bool InsertFlavour(TFlavour flavour, const ILTDropData& data, bool drop);
  /// Whether the drop inserters would take any flavour of data.
  bool AcceptsDropData(const ILTDropData& data) const;
  /// The effect of a drop here from what the source allows and the keys.
  TLTDropEffects DropEffectFor(TLTDropEffects allowed, TLTShiftState shift) const;
  /// The drop caret follows the pointer; the view scrolls near the edges.
  void TrackDrop(int x, int y);
  void EndDropTracking();
  /// A drop at a client point: into an open cell editor there, a cell
  /// opened for it, or this editor's document.
  TLTDropEffects DropAt(const ILTDropData& data, TLTDropEffects allowed, TLTShiftState shift, int x, int y);
  /// One step of scrolling while a drag stays near an edge.
  void DropScrollStep();
  /// The drop at a client point of this editor's own document.
  TLTDropEffects DropHere(const ILTDropData& data, TLTDropEffects effect, TLTShiftState shift, int x, int y);
  /// The flavours of a drag of this control's own selection that a drop
  /// uses, read now (before the drop changes what the drag renders).
  static TLTClipboardData ReadOwnDrag(const ILTDropData& data);
  /// The editor from the root down whose selection is being dragged, or null.
  TCustomLecternEdit* DragSourceEditor();
  /// The drop caret: where a drop would insert, in this editor's document.
  struct TDropCaret {
    bool Tracking = false;
    bool Accepted = false;
    /// The editor nested in this one that has the drag, when it does.
    TCustomLecternEdit* Inner = nullptr;
    int ItemNo = -1;
    int Offs = 0;
    /// Client rectangle; empty where nothing can go.
    TLTRectI Rect;
    int ScrollStep = 0;
    TLTPointI LastPoint;
  };
  TDropCaret drop_;
  /// A drop of this editor's own drag moved the selection already, so the
  /// end of the drag deletes nothing.
  bool movedBySelfDrop_ = false;
  void PaintDropCaret(TLTCanvas& canvas, TLTPointI offset) const;
  // ---- The resizer (LTItemResizer.cpp) ----
  /// After every selection or caret change: handles for an item selected
  /// alone, none otherwise.
  void UpdateResizer();
  void DiscardResizer();
  /// A press, move or release the resizer takes; false when it does not.
  bool ResizerMouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y);
  bool ResizerMouseMove(TLTShiftState shift, int x, int y);
  bool ResizerMouseUp(TLTMouseButton button, int x, int y);
  /// A press on a resizable item selects it whole when nothing is selected.
  void SelectResizableAt(int x, int y);
  std::unique_ptr<TLTItemResizer> resizer_;
  /// Held while the resizer changes the selection itself.
  bool keepResizer_ = false;

  // ---- The caret (LTEditCaret.cpp) ----
  /// The caret's stop, or null without one.
  const TLTCharPos* Stop() const;
  /// The caret's place as a drawing position of its container.
  TLTDrawPos CaretPos() const;
  /// Puts the caret at a drawing position and shows it.
  void PlaceCaret(TLTDrawPos p, bool scrollToCaret, bool keepStyles = false);
  /// Moves the caret to the selection's end after the mouse moved it.
  void CaretToSelectionEnd();
  void UpdateCurrentStyles(bool keepStyles);
  void UpdateCaretJump();
  void ScrollToCaret();
  /// Repaints the caret's rectangle.
  void InvalidateCaret();
  void StartBlinking();
  void StopBlinking();
  /// Draws the caret moved by offset (a nested editor's caret is drawn by
  /// the root editor, which owns the canvas).
  void DrawCaret(TLTCanvas& canvas, TLTPointI offset = {});
  /// The nested editor that takes input now, null when none does.
  TCustomLecternEdit* ActiveNested() const { return NestedEditor(); }
  /// Whether parts of an item are selected (several cells).
  bool HasPartSelection() const { return nested_ && nested_->HasPartSelection(); }
  void RunAfterEvent();
  // ---- Word checking around changes (LTEditOps.cpp) ----
  void PauseWordCheckingForEvent();
  void WordCheckingAfterEvent();
  /// A completed change: the worker goes on after a pause in typing, or
  /// starts with the first change.
  void NoteWordChange();
  /// Moves the marks of item itemNo of this editor's document after a
  /// keystroke inserted (count > 0, typed the first character) or removed
  /// (count < 0) characters at offs.
  void WordCheckKeystroke(int itemNo, int offs, int count, char16_t typed);
  /// The caret left the word typing changed: it is checked again.
  void CheckLeftTypedWord();
  /// A press that a nested editor or an item of the document takes; false
  /// when the editor handles it itself (any nested editing ends then).
  bool RouteMouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y, bool dbl);

  // ---- Editing (LTEditOps.cpp) ----
  class TActionScope;
  /// Notes the drawing items of the items about to change and forgets the
  /// selection's drawing positions; EndEdit lays those paragraphs out again
  /// and puts the caret at an item offset.
  void BeginEdit(int firstItem, int lastItem);
  void EndEdit(int caretItem, int caretOffs);
  TLTProtectOptions Protection(int itemNo) const;
  bool ParaReadOnly(int itemNo) const;
  bool ParaOption(int itemNo, TLTParaOption option) const;
  /// Whether nothing may come between items a and b (a -1: the top; b past
  /// the end: the bottom).
  bool Sticks(int a, int b) const;
  bool IsMarkerItem(int itemNo) const;
  /// The item is all its paragraph holds (after its list marker, if any).
  bool HoldsParagraph(int itemNo) const;
  bool IsFullLineItem(int itemNo) const;
  /// The last item of itemNo's paragraph.
  int ParaEnd(int itemNo) const;
  TLTRawByteString EncodeFor(int32_t styleNo, std::u16string_view text) const;
  std::unique_ptr<TCustomLTItemInfo> NewTextItem(int32_t styleNo, int32_t paraNo, std::u16string_view text) const;
  void SwitchToUnicodeStyle();
  /// Recorded: the text from pos on becomes an item of its own after itemNo.
  void SplitItem(int itemNo, int pos);
  /// Recorded: items i and i+1 become one when they may.
  bool MergeAt(int i);
  /// Recorded: itemNo's paragraph continues the one before it.
  void JoinParagraph(int itemNo);
  /// insertedAt receives the item's index.
  bool InsertItemAtCaret(std::unique_ptr<TCustomLTItemInfo> item, bool caretBefore, int* insertedAt = nullptr);
  bool InsertItemWrapped(std::unique_ptr<TCustomLTItemInfo> item, bool caretBefore);
  bool InsertPieces(const TLTString& text, bool caretBefore);
  bool InsertContainerAtCaret(TCustomLTData& part);
  /// Merges the first and last inserted items with their neighbours where
  /// styles allow; the caret goes after the last one.
  void JoinInsertedEnds(int first, int last);
  void DeleteSelectionNow();
  /// Takes back what the last group recorded after its first mark records,
  /// without a redo step.
  void RollBackGroup(size_t mark);
  /// Every insertion: the selection goes first (the current style survives
  /// it), then insert runs, all one step to undo; a failed insertion leaves
  /// the document as it was, beeps and answers false.
  bool InsertionAction(const std::function<bool()>& insert);
  bool TypeCharacter(std::u16string_view ch);
  /// A keystroke into item n at o, recorded as part of the word being typed
  /// (TypingByWord).
  void TypeIntoWord(int n, int o, std::string_view raw, char16_t typed);
  /// The word being typed is one step from here on.
  void EndTypedWord() { wordStep_.Open = false; }
  bool NewParagraphPlain(bool shift);
  int WordChars(int itemNo, int offs, bool forward) const;
  int CharsBefore(int itemNo, int offs) const;
  int CharsAfter(int itemNo, int offs) const;
  bool DeleteItemKeepingPara(int itemNo, int& caretItem, int& caretOffs);
  /// What Backspace and Delete do first: a selection just goes (-1), a
  /// refusal beeps (-2); else the caret's item, offs its offset.
  int DeletionKeyStart(int& offs);
  /// A style change goes to the nested editor, or to every selected part
  /// (cells); false when it is this editor's to make.
  bool AppliedElsewhere(const std::function<void(TCustomLecternEdit&)>& change);
  /// Where a text style stands that a conversion is asked about: the
  /// style, whether it is an item's (not the current style), the paragraph
  /// style of its paragraph, and whether it is a tab's or a label's.
  struct TStyleSite {
    int32_t Style = 0;
    bool ToText = false;
    int32_t Para = 0;
    bool Associated = false;
  };
  void ConvertTextStyles(const std::function<int32_t(const TStyleSite&)>& convert);
  void ConvertParaStyles(const std::function<int32_t(int32_t)>& convert);
  bool UndoRedo(bool undo);
  /// Undo or Redo in the active nested editor; false when this editor must
  /// take the step itself.
  bool NestedUndoRedo(bool undo);

  // ---- Moves (LTEditKeys.cpp) ----
  bool MoveCaretBy(TLTCommand command);
  bool CharLeft(bool extend);
  bool CharRight(bool extend);
  bool WordLeft();
  bool WordRight();
  bool LineUpDown(bool down, bool extend);
  bool ParaUpDown(bool down);
  bool LineStartEnd(bool end);
  bool DocStartEnd(bool end);
  bool PageUpDown(bool down);
  void GetOut(TLTGetOutDirection direction);
  /// Offers the caret to drawing item d's item; true when it took it.
  bool OfferCaret(int d, TLTCaretEntry from, int x);
  /// Whether drawing item d is a list marker (no caret stands there).
  bool IsMarkerPiece(int d) const;
  /// Whether the caret's paragraph reads right to left (its own
  /// direction, else the control's).
  bool IsRightToLeftAtCaret() const;
  /// The first stop of drawing item d's line, and the last.
  TLTDrawPos LineStart(int d) const;
  TLTDrawPos LineEnd(int d) const;

  bool readOnly_ = false;
  bool ctrlJumpMode_ = false;
  // Word checking: a change of this event, whether it is typing, the item
  // count when the event began, and the item typing changed last.
  bool wordChanged_ = false;
  bool typing_ = false;
  int wordItemCount_ = 0;
  TCustomLTData* typedData_ = nullptr;  // compared and used only while it is the caret's
  int typedItem_ = -1;
  int typedOffs_ = 0;
  ILTNestedEditing* nested_ = nullptr;       // not owned: an item of the document
  TCustomLecternEdit* parentEditor_ = nullptr;  // not owned
  // Input events and public operations under way (on the root editor), and
  // what waits for them to finish.
  int eventDepth_ = 0;
  std::vector<std::function<void()>> afterEvent_;
  std::shared_ptr<char> life_ = std::make_shared<char>();
  /// The mouse went to the nested editor at the press, or to the item
  /// that tracks it.
  bool mouseNested_ = false;
  bool mouseTracked_ = false;
  bool extendingMove_ = false;
  int caretDrawItem_ = -1;
  int caretStop_ = -1;
  std::vector<TLTCharPos> caretStops_;
  int caretHeight_ = 0;
  /// The caret in its container's document coordinates.
  TLTRectI caretRect_;
  bool caretVisible_ = true;  // the blink phase
  bool blinking_ = false;
  int currentTextStyle_ = 0;
  int currentParaStyle_ = 0;
  int lastSwitchableTextStyle_ = 0;
  /// The undo group of the word being typed (compared, never followed:
  /// it may be gone) and when its last character was typed.
  struct TWordStep {
    const void* Group = nullptr;
    int64_t At = 0;
    bool Open = false;
  } wordStep_;
  /// The hyperlink under the caret, highlighted like one under the mouse.
  int caretJump_ = -1;
  const TCustomLTItemInfo* caretItem_ = nullptr;  // compared only
  /// Set while the editor moves the selection itself, so that the caret
  /// does not follow the selection's end a second time.
  bool movingCaret_ = false;
  TLTString preedit_;
  int preeditCursor_ = 0;
  // The drawing items an edit under way lays out again.
  int editFirstDraw_ = 0;
  int editLastDraw_ = -1;
  bool editFull_ = true;
  int changeApproved_ = 0;
  /// Where the caret goes when the reformat lock ends (-1: nothing pending).
  std::pair<int, int> pendingCaret_{-1, -1};
  void Unformat();
  /// Whether the last selection painted highlighted anything.
  bool shownSelection_ = false;
  /// A keystroke's change of one item's text (units added at Offs; negative
  /// removed), set before BeginEdit so that only the lines it moves are
  /// painted again; Item -1 for any other change.
  struct TTextEdit {
    int Item = -1;
    int Offs = 0;
    int Units = 0;
  };
  TTextEdit textEdit_;
  /// Where the lines of that item's paragraph started before the change.
  struct TLineStart {
    int ItemNo = 0;
    int Offs = 0;
    int Top = 0;
    int Bottom = 0;
  };
  std::vector<TLineStart> editLines_;
  std::vector<TLineStart> ParagraphLines(int itemNo) const;
  /// The document rectangle a keystroke changed, from the lines before and after.
  bool KeystrokeRect(int& top, int& bottom) const;
};

/// The editor control with its published settings.
class TLecternEdit : public TCustomLecternEdit {
 public:
  using TCustomLecternEdit::TCustomLecternEdit;
};

/// The timer that blinks the caret.
constexpr int LTCaretTimer = 3;
/// The timer that scrolls while a drag stays near an edge.
constexpr int LTDropScrollTimer = 4;

/// The folder or address relative links of pasted rich text start from:
/// the page a browser copied from (its private address flavour), or the
/// "SourceURL:" line of an HTML flavour; a file address becomes its
/// folder's path. Empty when the data names no source.
std::string TransferBasePath(const ILTDropData& data);

}  // namespace lectern
