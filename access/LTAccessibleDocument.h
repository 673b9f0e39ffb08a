#pragma once
// What assistive technologies read of a viewer's or an editor's document:
// its plain text with the tables' cells in it, the caret and the
// selection in that text wherever they are (a cell being edited included),
// the objects in it (tables and cells, hyperlinks, pictures), and changes
// made through the editor's own operations.

#include "edit/LTEdit.h"
#include "platform/LTAccessible.h"

#include <functional>
#include <memory>
#include <vector>

namespace lectern {

class TLTTableItemInfo;

/// The accessible side of one control. Every answer is computed from the
/// document as it stands, so nothing it hands out goes stale.
class TLTAccessibleDocument final : public ILTAccessibleDocument {
 public:
  /// The control must outlive this object (it owns it).
  explicit TLTAccessibleDocument(TCustomLectern& control);

  /// The address a hyperlink item opens; without it, the item's string tag.
  std::function<TLTString(const TCustomLTData& data, int itemNo)> LinkTarget;

  uint64_t Generation() override;
  TLTString Text() override;
  bool IsEditable() override;
  int CaretOffset() override;
  bool SetCaretOffset(int offset) override;
  std::vector<TLTTextRange> Selections() override;
  bool SetSelection(int start, int end) override;
  TLTTextRange UnitAt(int offset, TLTTextUnit unit) override;
  TLTRectI CharacterRect(int offset) override;
  int OffsetAt(TLTPointI client) override;
  bool InsertText(int offset, const TLTString& text) override;
  bool DeleteText(int start, int end) override;
  bool ReplaceText(int start, int end, const TLTString& text) override;
  std::vector<TLTAccessibleObject> Objects() override;
  TLTRectI ObjectBounds(int index) override;
  bool ActivateObject(int index) override;

 private:
  /// One item of one container in the text.
  struct TSpan {
    TCustomLTFormattedData* Data = nullptr;  // not owned
    int ItemNo = 0;
    int Start = 0;
    int Length = 0;
    bool Text = false;
    /// The cell object the item lies in, -1 in the document itself.
    int Cell = -1;
  };
  /// Where an object lies: its item in a container, and a cell's slot.
  struct TSite {
    TCustomLTFormattedData* Data = nullptr;  // not owned
    int ItemNo = 0;
    TLTTableItemInfo* Table = nullptr;  // not owned; cells only
    int Row = -1, Col = -1;
  };
  struct TMap {
    TLTString Text;
    std::vector<TSpan> Spans;
    std::vector<TLTAccessibleObject> Objects;
    std::vector<TSite> Sites;
  };
  /// A place in the document: a container, an item and an offset in it.
  struct TPlace {
    const TSpan* Span = nullptr;
    int Offs = 0;
  };

  TMap BuildMap() const;
  void Walk(TMap& map, TCustomLTFormattedData& data, int parent, int depth) const;
  void AddItem(TMap& map, TCustomLTFormattedData& data, int itemNo, int parent, int depth) const;
  static int ToText(const TMap& map, const TCustomLTFormattedData& data, int itemNo, int offs);
  static TPlace ToPlace(const TMap& map, int offset);
  /// The client point of a container's (0, 0).
  TLTPointI OriginOf(const TCustomLTFormattedData& data) const;
  /// The editor whose own document data is (the control or a cell editor
  /// nested in it), null for any other container.
  TCustomLecternEdit* EditorOf(const TCustomLTFormattedData& data) const;
  /// Puts the selection (anchor, caret) at two offsets of one container,
  /// opening the cells on the way in an editor.
  bool Select(int anchor, int caret);
  /// The editor that takes the next change (the innermost), null in a
  /// viewer or a read-only editor.
  TCustomLecternEdit* ChangingEditor() const;

  TCustomLectern& control_;            // not owned
  TCustomLecternEdit* editor_ = nullptr;  // the control, when it is an editor
  uint64_t generation_ = 0;
  TLTString lastText_;
  std::vector<TLTAccessibleObject> lastObjects_;
};

/// Lets every viewer and editor made from now on answer assistive
/// technologies.
void RegisterAccessibility();

}  // namespace lectern
