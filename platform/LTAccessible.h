#pragma once
// What assistive technologies (screen readers, magnifiers) read of a
// control's document and may change in it, in toolkit-free terms. A layer
// above the controls builds the document's side (it knows tables); the
// toolkit back end turns it into the toolkit's accessibility objects and
// events.
//
// Everything is said in offsets into one plain text of the whole document:
// UTF-16 units, paragraphs and table cells separated by "\n", pictures and
// other objects without text as U+FFFC. Coordinates are the client pixels
// of the window the control lives in.

#include "platform/LTCanvas.h"
#include "platform/LTTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lectern {

/// The character that stands for an object without text (a picture).
constexpr char16_t LTObjectReplacementChar = 0xFFFC;

/// A range of the plain text, End not included.
struct TLTTextRange {
  int Start = 0;
  int End = 0;
  bool operator==(const TLTTextRange&) const = default;
  bool IsEmpty() const { return End <= Start; }
};

/// The units text is read by.
enum class TLTTextUnit : uint8_t { Character, Word, Line, Paragraph };

/// What changed that an assistive technology should hear of.
enum class TLTAccessibleChange : uint8_t { Caret, Selection, Text };

/// What an object of the document is.
enum class TLTAccessibleRole : uint8_t { Table, Cell, Link, Picture };

/// An object inside the document: a table and its cells, a hyperlink, a
/// picture. Parent is the index of the object it lies in (a cell's table,
/// a link's cell), -1 for the document itself.
struct TLTAccessibleObject {
  TLTAccessibleRole Role = TLTAccessibleRole::Picture;
  int Parent = -1;
  /// What it is called: a link's text, a picture's alternative text.
  TLTString Name;
  /// A link's target.
  TLTString Target;
  /// The part of the document's text it covers.
  TLTTextRange Text;
  /// Tables: the grid; cells: their slot and span.
  int Rows = 0, Columns = 0;
  int Row = -1, Column = -1, RowSpan = 1, ColumnSpan = 1;
  bool operator==(const TLTAccessibleObject&) const = default;
};

/// A text change: at Start, Removed went and Inserted came.
struct TLTTextChange {
  int Start = 0;
  TLTString Removed;
  TLTString Inserted;
  bool IsEmpty() const { return Removed.empty() && Inserted.empty(); }
};

/// The smallest change that turns before into after (one run replaced).
TLTTextChange DiffText(const TLTString& before, const TLTString& after);

/// A control's document as assistive technologies see it. Offsets out of
/// the text are answered with empty results and refused changes, never a
/// fault: they come from another process.
class ILTAccessibleDocument {
 public:
  virtual ~ILTAccessibleDocument() = default;
  /// Grows with every change of the document's content; objects numbered
  /// under one value keep their numbers.
  virtual uint64_t Generation() = 0;
  virtual TLTString Text() = 0;
  /// Whether the user can change the document (an editor, not read-only).
  virtual bool IsEditable() = 0;
  virtual int CaretOffset() = 0;
  /// Puts the caret there (in a table cell, the cell is opened for
  /// editing); false when the offset is outside the text.
  virtual bool SetCaretOffset(int offset) = 0;
  /// The selected ranges; none when nothing is selected.
  virtual std::vector<TLTTextRange> Selections() = 0;
  /// Selects start..end (the caret at end); false when either lies outside
  /// the text or the two lie in different cells.
  virtual bool SetSelection(int start, int end) = 0;
  /// The unit of text that holds offset (for Line, the laid-out line);
  /// empty at an offset outside the text.
  virtual TLTTextRange UnitAt(int offset, TLTTextUnit unit) = 0;
  /// The character's box in client pixels; empty when it has none.
  virtual TLTRectI CharacterRect(int offset) = 0;
  /// The offset of the character at a client point, -1 when none is there.
  virtual int OffsetAt(TLTPointI client) = 0;
  /// Changes through the editor's undoable operations, each one step of
  /// Undo; false (nothing changed) when the editor refuses or an offset
  /// lies outside the text.
  virtual bool InsertText(int offset, const TLTString& text) = 0;
  virtual bool DeleteText(int start, int end) = 0;
  virtual bool ReplaceText(int start, int end, const TLTString& text) = 0;
  /// The objects of the document under the current Generation, parents
  /// before their children.
  virtual std::vector<TLTAccessibleObject> Objects() = 0;
  /// Where object index lies now, in client pixels.
  virtual TLTRectI ObjectBounds(int index) = 0;
  /// Follows a link as the user's click does; false for an object that is
  /// no link or a link nobody follows.
  virtual bool ActivateObject(int /*index*/) { return false; }
};

}  // namespace lectern
