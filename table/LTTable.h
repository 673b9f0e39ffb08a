#pragma once
// Tables: an item that holds a grid of rows and columns whose cells are
// documents of their own. A cell may span several rows and columns; the
// slots it covers hold no cell. Every walk over a document recurses into
// the cells.

#include "edit/LTEdit.h"
#include "layout/CLTFData.h"
#include "layout/LTPaintContext.h"
#include "model/CLTData.h"
#include "model/LTItem.h"
#include "style/LTProps.h"
#include "style/LTStyle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lectern {

class TLTTableItemInfo;
class TLTTableRows;
class TLTTableRow;
class TLTTableInplaceEdit;
class TLTUndoCellModify;
class TLTUndoMultiCellsModify;
class TLTUndoTableOp;

enum TLTTableOption : uint8_t {
  lttoEditing,
  lttoRowSizing,
  lttoColSizing,
  lttoRowSelect,
  lttoColSelect,
  lttoNoCellSelect,
  lttoRTFSaveCellPixelBestWidth,
  lttoRTFAllowAutofit,
  lttoHideGridLines,
  lttoOverlappingCorners,
  lttoCellBelowBorders,
  lttoIgnoreContentWidth,
  lttoIgnoreContentHeight,
};
using TLTTableOptions = TLTSet<TLTTableOption, uint16_t>;
enum TLTTablePrintOption : uint8_t { lttoHalftoneBorders, lttoRowsSplit, lttoWhiteBackground };
using TLTTablePrintOptions = TLTSet<TLTTablePrintOption, uint8_t>;
enum TLTTableBorderStyle : uint8_t { lttbRaised, lttbLowered, lttbColor, lttbRaisedColor, lttbLoweredColor };
enum TLTCellVAlign : uint8_t { ltcTop, ltcMiddle, ltcBottom, ltcVDefault };
enum TLTItemBackgroundStyle : uint8_t { ltbsColor, ltbsStretched, ltbsTiled, ltbsCentered };

/// A rectangle of a table's grid: first row and column, row and column count.
struct TLTCellRect {
  int Row = 0;
  int Col = 0;
  int Rows = 0;
  int Cols = 0;
};

/// Stored table nesting deeper than this is refused as damage; a table
/// built deeper than this in memory lays out and paints as its border only.
constexpr int LTMaxTableNesting = 64;

/// What an OnDrawBorder handler receives: one border rectangle (the table's
/// outer border with Row = Col = -1, or a cell's) and how it would be drawn.
/// Clearing DoDefault leaves the rectangle without border and grid.
struct TLTDrawBorderParams {
  const TLTTableItemInfo* Sender = nullptr;  // not owned
  TLTCanvas* Canvas = nullptr;               // not owned
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  /// As stored in the table (screen pixels).
  int Width = 0;
  TColor LightColor = clNone;
  TColor Color = clNone;
  TColor BackgroundColor = clNone;
  TLTTableBorderStyle Style = lttbColor;
  bool Printing = false;
  /// Null: every side is visible.
  const TLTBooleanRect* VisibleBorders = nullptr;
  int Row = -1, Col = -1;
  bool DoDefault = true;
};
using TLTDrawBorderEvent = std::function<void(TLTDrawBorderParams& params)>;

/// Asked before a cell is opened for editing (Automatic when the table
/// itself opens it to apply a change to several cells); AllowEdit starts
/// true.
using TLTCellEditingEvent =
    std::function<void(TLTTableItemInfo& sender, int row, int col, bool automatic, bool& allowEdit)>;
/// A cell editor closed; clearing when the table or the document is going.
using TLTCellEndEditEvent = std::function<void(TLTTableItemInfo& sender, int row, int col, bool clearing)>;

/// How EditCell opens a cell.
struct TLTEditCellOptions {
  /// Without asking OnCellEditing (taking back a change made in the cell).
  bool SkipEvent = false;
  bool FromMouse = false;
  bool CaretAtEnd = false;
  bool CaretAtStart = false;
  /// Hyperlinks react to plain clicks (Ctrl was held).
  bool CtrlJumpMode = false;
};

/// Where a cell editor's caret asks to go (a key at the cell's edge, Tab).
enum TLTCellMove : uint8_t {
  ltcmLeft,
  ltcmUp,
  ltcmRight,
  ltcmDown,
  ltcmTop,
  ltcmBottom,
  ltcmNext,
  ltcmPrevious
};

/// Whether Tab in the last cell of a table appends a row (on by default).
extern bool TableTabAppendsRow;

/// A cell: a document with its own background, borders and sizes.
class TLTTableCellData : public TCustomLTFormattedData, public TLTPersistent {
 public:
  /// A new cell holds one empty text item.
  explicit TLTTableCellData(TLTTableRow* row);
  const TLTClassInfo& ClassInfo() const override;

  TColor Color = clNone;
  TColor BorderColor = clNone;
  TColor BorderLightColor = clNone;
  /// > 0 pixels, < 0 percent of the table's width, 0 none.
  int32_t BestWidth = 0;
  int32_t BestHeight = 0;
  TLTBooleanRect VisibleBorders;
  TLTCellVAlign VAlign = ltcVDefault;
  std::unique_ptr<TGraphic> BackgroundImage;
  TLTItemBackgroundStyle BackgroundStyle = ltbsColor;
  TLTString BackgroundImageFileName;
  TLTString Hint;

  /// At least 1; the slots the span covers hold no cell.
  int32_t RowsSpanned = 1;
  int32_t ColumnsSpanned = 1;
  /// Layout rectangle inside the table.
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;

  // A cell is formatted by its table: at its content width, on the canvas
  // the table is laid out with, without margins.
  int GetClientWidth() const override { return LayoutClientWidth; }
  /// The table's piece in its container, plus the cell's place in the table.
  TLTPointI GetOriginInControl() const override;
  int GetClientHeight() const override { return LayoutClientHeight; }
  TLTCanvas* GetFormatCanvas() const override;
  /// While its table lays out, its container's (see LayoutFontCache).
  TLTFontInfoCache& GetFontCache() override;
  /// A cell can be changed exactly when the document its table lies in can.
  bool IsEditable() const override;
  int LayoutClientWidth = 0, LayoutClientHeight = 0;

  TLTTableRow* Row() const { return row_; }
  TLTTableItemInfo* Table() const;
  /// No items, or one text item with empty text that carries nothing else
  /// (style 0, paragraph 0, no tag, hint or checkpoint).
  bool IsEmpty() const;
  /// Copies the look: colours, borders, alignment, background, hint.
  void AssignAttributes(const TLTTableCellData& source);
  /// Replaces the content by copies of source's items.
  void AssignContent(const TLTTableCellData& source);

 private:
  friend class TLTTableRow;
  friend class TLTTableItemInfo;
  TLTTableRow* row_;  // not owned
};

/// One row: a slot per column (a cell, or none where a span covers it).
class TLTTableRow {
 public:
  explicit TLTTableRow(TLTTableRows* rows) : rows_(rows) {}
  std::vector<std::unique_ptr<TLTTableCellData>> Cells;
  TLTCellVAlign VAlign = ltcTop;
  /// When printing, a page break comes before this row.
  bool PageBreakBefore = false;
  TLTTableRows* Rows() const { return rows_; }
  int Count() const { return static_cast<int>(Cells.size()); }

 private:
  TLTTableRows* rows_;  // not owned
};

/// The rows of a table.
class TLTTableRows {
 public:
  explicit TLTTableRows(TLTTableItemInfo* table) : table_(table) {}
  std::vector<std::unique_ptr<TLTTableRow>> Items;
  TLTTableItemInfo* Table() const { return table_; }
  int Count() const { return static_cast<int>(Items.size()); }
  TLTTableRow& operator[](int r) const { return *Items[static_cast<size_t>(r)]; }

 private:
  TLTTableItemInfo* table_;  // not owned
};

/// The table item. In an editor it edits its cells in place (a nested
/// cell editor holds the items of the cell being edited) and keeps a
/// selection of a rectangle of cells.
class TLTTableItemInfo : public TLTFullLineItemInfo, public TLTPersistent, public ILTNestedEditing {
 public:
  /// A table of 1 x 1 cells, as reading creates it before its data.
  TLTTableItemInfo();
  TLTTableItemInfo(int rows, int cols);
  ~TLTTableItemInfo() override;
  const TLTClassInfo& ClassInfo() const override;

  TLTTableOptions Options{lttoEditing, lttoRowSizing, lttoColSizing, lttoRowSelect, lttoColSelect};
  TLTTablePrintOptions PrintOptions{lttoHalftoneBorders, lttoRowsSplit};
  /// > 0 pixels, < 0 percent of the available width, 0 automatic.
  int32_t BestWidth = 0;
  TColor Color = clWindow;
  std::unique_ptr<TGraphic> BackgroundImage;
  TLTItemBackgroundStyle BackgroundStyle = ltbsColor;
  TLTString BackgroundImageFileName;
  int32_t HeadingRowCount = 0;
  TLTString TextRowSeparator = u"\r\n";
  TLTString TextColSeparator = u"\r\n";
  int32_t BorderWidth = 0;
  TColor BorderColor = clWindowText;
  TColor BorderLightColor = clBtnHighlight;
  TLTTableBorderStyle BorderStyle = lttbRaised;
  int32_t BorderHSpacing = 2;
  int32_t BorderVSpacing = 2;
  TLTBooleanRect VisibleBorders;
  int32_t CellBorderWidth = 0;
  TColor CellBorderColor = clWindowText;
  TColor CellBorderLightColor = clBtnHighlight;
  TLTTableBorderStyle CellBorderStyle = lttbLowered;
  int32_t CellHPadding = 1;
  int32_t CellVPadding = 1;
  int32_t CellHSpacing = 2;
  int32_t CellVSpacing = 2;
  int32_t HRuleWidth = 0;
  int32_t VRuleWidth = 0;
  TColor HRuleColor = clWindowText;
  TColor VRuleColor = clWindowText;
  bool HOutermostRule = false;
  bool VOutermostRule = false;

  TLTTableRows Rows{this};

  /// Both paddings at once; reads the horizontal one.
  int32_t CellPadding() const { return CellHPadding; }
  void SetCellPadding(int32_t v) { CellHPadding = CellVPadding = v; }

  int NumRows() const { return Rows.Count(); }
  int NumColumns() const { return Rows.Count() == 0 ? 0 : Rows[0].Count(); }
  /// The slot's cell, or null when it is covered or outside the grid.
  TLTTableCellData* Cells(int row, int col) const;
  TLTPersistent* GetPropertyPart(int row, int col) override { return Cells(row, col); }
  /// The cell that covers a position, with its own row and column; null
  /// outside the grid.
  TLTTableCellData* GetMainCell(int row, int col, int& mainRow, int& mainCol) const;
  /// Whether the rectangle may become one cell (see the merge rules).
  bool CanMerge(int row, int col, int rowCount, int colCount) const;
  /// Replaces the grid by rows x cols new cells (0 rows empties it).
  void ResetGrid(int rows, int cols);
  /// Makes the cell at (row, col) span rowCount x colCount slots. Every slot
  /// of the rectangle must hold a cell that lies wholly inside it; their
  /// contents are appended to the main cell when moveContent, else dropped.
  /// False (and nothing changes) when the rectangle does not allow it.
  bool MergeRect(int row, int col, int rowCount, int colCount, bool moveContent);
  /// Raises ELecternError "Invalid row or column index" outside the grid.
  void CheckIndex(int row, int col) const;

  /// Layout queries: the row's best height; a column's best pixel width (0
  /// when any one-column cell has a percent width); its percent width in
  /// pixels for a table width; whether it has a percent cell.
  int32_t RowBestHeight(int row) const;
  int32_t ColumnBestPixelWidth(int col) const;
  int32_t ColumnPercentWidth(int col, int32_t tableWidth) const;
  bool ColumnHasPercentCell(int col) const;

  /// Sets the container that holds the table: the cells' parent.
  void SetContainer(TCustomLTData* container);
  TCustomLTData* Container() const { return container_; }

  // Item behaviour.
  // ---- Layout and painting -------------------------------------------------------------
  /// Lays the table out for the available width: columns, cells, rows.
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;
  int GetWidth() const override { return TableWidth; }
  int GetHeight() const override { return TableHeight; }
  /// The table at its narrowest, the cells' pixel best widths counting.
  int GetMinWidth(TLTItemLayoutContext& ctx) override { return CalcMinTableWidth(ctx, true); }
  /// Paints the table at its piece, as far as it meets the clip, with the
  /// cells' documents in the document's paint context.
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  std::string DumpHead() const override { return "table"; }
  void DumpFields(std::string& out) const override;
  void CollectJumps(std::vector<TLTJumpInfo>& out) const override;
  /// The hyperlink numbers the cells took in the last layout.
  int JumpNoFrom = -1, JumpNoTo = 0;

  /// The results of the last layout (device pixels).
  std::vector<int32_t> ColumnWidths, ColumnLefts, RowContentHeights, RowTops;
  int32_t TableWidth = 0, TableHeight = 0;
  /// Set by changes of the grid or of properties: the next layout runs
  /// even when the width did not change.
  bool LayoutInvalid = true;
  /// The cell found by the last point query, tried first by the next.
  mutable int LastCellRow = -1, LastCellCol = -1;
  /// The canvas the cells are formatted with during a layout (not owned).
  TLTCanvas* LayoutCanvas = nullptr;
  /// The font cache of the table's container during a layout (not owned):
  /// the cells measure with its fonts on its canvas, and one cache serves
  /// them all instead of one filled again in every cell.
  TLTFontInfoCache* LayoutFontCache = nullptr;
  /// The vertical offset of a cell's document inside its padding box.
  int ContentOffset(const TLTTableCellData& cell) const;
  /// The cell whose padding box, shrunk by a pixel on every side, holds
  /// the table-relative point; false between cells and outside.
  bool CellAt(int x, int y, int& row, int& col) const;

  /// Every column has a cell starting in it and ends a cell of a pixel
  /// width, and no cell has a percent width.
  bool AllColumnsFixed() const;
  /// The smallest width the table can take (device pixels of ctx); with
  /// useBestWidths the pixel best widths count as minimums too.
  int CalcMinTableWidth(TLTItemLayoutContext& ctx, bool useBestWidths);

  /// Called for every border rectangle before it is drawn.
  TLTDrawBorderEvent OnDrawBorder;
  /// Paints the table with its top-left corner at (x, y): the part that
  /// meets clip (canvas coordinates), colours converted by mode. state is
  /// the drawing state of the item (selected as a whole, focus, printing);
  /// the cells' documents are painted in the context (null: a context of
  /// the state alone).
  void PaintTable(TLTCanvas& canvas, int x, int y, const TLTRectI& clip, TLTItemDrawState state,
                  TLTOutputColorMode mode, const TLTStyle& style, const TLTPaintContext* context = nullptr) const;
  /// The rules between columns and rows, for a table at (x, y), limited to
  /// clip (null: the whole table).
  void PaintRules(TLTCanvas& canvas, int x, int y, TLTOutputColorMode mode, const TLTRectI* clip = nullptr) const;
  /// Draws one border rectangle, or the grid where it has no border, after
  /// OnDrawBorder let it; nothing when it lies wholly outside clip. The
  /// grid takes the editable style when editable. Leaves the pen solid.
  void DrawBorder(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip, bool editable,
                  TLTOutputColorMode mode) const;
  /// How many tables this one lies in (0 for a table in a document).
  int NestingLevel() const;
  /// Whether the document the table lies in can be changed by its editor.
  bool IsInEditableDocument() const;

  // ---- Pages (LTTablePages.cpp) ------------------------------------------------------
  /// Rows that start a page come first; then the last row border that fits
  /// and no cell spans; then, when PrintOptions allow rows to split, the
  /// last place in the row that cuts no line of any cell.
  int PageCut(int from, int limit, int height) const override;
  /// The heading rows with the border above them, when rows follow them.
  int PageRepeatHeight() const override;
  /// The table y between row r - 1 and row r (0 < r < rows), halfway
  /// through the spacing and borders between them.
  int RowBoundary(int r) const;
  /// The largest table y at or above y that cuts no line of any cell.
  int LineSafeCut(int y) const;

  bool GetBoolValue(TLTItemBoolQuery q) const override;
  void Assign(const TCustomLTItemInfo& source) override;
  TLTString AsText(int lineWidth, const TCustomLTData& owner, bool unicode) const override;
  void MarkStylesInUse(TLTStyleUsage& usage) const override;
  void UpdateStyles(const TLTStyleUsage& usage) override;
  TCustomLTData* GetSubDocument(std::unique_ptr<TLTSubDocCursor>& cursor, TLTSubDocPosition pos) override;
  void VisitSubDocumentsBefore(const TCustomLTData& doc, const std::function<bool(TCustomLTData&)>& visit) override;
  /// The document of the cell under a table-relative point.
  TCustomLTData* GetSubDocumentAt(int x, int y) override;
  void AttachToDocument(TCustomLTData& owner, int itemNo) override;
  void Removing(TCustomLTData& owner) override;

  // Storage.
  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;
  /// Rows with their cell definitions, cells whose documents are written at
  /// one nesting level deeper; nested tables in the nested form.
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void CollectRTFColors(TLTRTFWriter& w) const override;
  /// Writes the record of a rectangle of the table, as a copy of part of
  /// it does.
  void SaveLTFPart(TLTFWriter& w, const TLTCellRect& area) const;
  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;
  /// Passes AfterLoading on to the items of every cell.
  void AfterLoading(TLTSaveFormat format) override;

  // ---- Editing cells (LTTableEdit.cpp) ------------------------------------------------
  // Item indices of -1 mean the table's own index in its container.
  TLTCellEditingEvent OnCellEditing;
  TLTCellEndEditEvent OnCellEndEdit;
  /// The editor of the cell being edited, or null.
  TLTTableInplaceEdit* InplaceEditor() const;
  int EditedRow() const { return editRow_; }
  int EditedCol() const { return editCol_; }
  /// The document of a cell as it stands: the cell editor's while the cell
  /// is being edited (its items live there then), else the cell itself.
  TCustomLTFormattedData& CellContent(TLTTableCellData& cell);
  const TCustomLTFormattedData& CellContent(const TLTTableCellData& cell) const;
  /// The editor the table lies in (the document's or a cell editor's), or null.
  TCustomLecternEdit* Editor() const;
  /// Opens the editor over a cell; false when the table cannot be edited
  /// there or OnCellEditing refused.
  bool EditCell(int itemNo, int row, int col, const TLTEditCellOptions& options = {});
  /// Keeps the cell editor's place and selection, then closes it. Raises
  /// ELecternError "Cannot destroy cell inplace editor at this time" while
  /// a selection of cells started by the mouse inside it is under way.
  void DestroyCellEditor();
  /// Opens the editor again where DestroyCellEditor (or a cell selection)
  /// left it, without asking OnCellEditing.
  void ReopenCellEditor();
  /// Moves from the edited cell as a key at its edge or Tab asks.
  void MoveFromCell(TLTCellMove move);
  /// The multi-cell selection: an anchor cell and the offsets of the
  /// opposite corner (negative: above or left of it).
  void StartCellSelection(int row, int col, bool fromKeyboard);
  void SelectCells(int startRow, int startCol, int colOffs, int rowOffs);
  void SelectRows(int first, int count);
  void SelectCols(int first, int count);
  void DeselectCells();
  /// Whether several cells are selected.
  bool HasMultiCellSelection() const { return multiCell_; }
  /// The rectangle between the anchor and the opposite corner; false
  /// without a multi-cell selection.
  bool GetSelectedCellsRect(TLTCellRect& rect) const;
  /// Whether the cell whose top-left slot is (row, col) is selected: its
  /// span meets the selected rectangle.
  bool IsCellSelected(int row, int col) const;
  /// The cell last clicked (-1 when none).
  int ChosenRow = -1, ChosenCol = -1;
  /// Appends count rows copying the last row's look and spans, as one undo
  /// step of the editor the table lies in; false when it refuses.
  bool AppendRowsEd(int count);
  /// Takes back the cell edits a folded record holds (undo records call it).
  void UndoCellModify(TLTUndoCellModify& record);
  void UndoMultiCells(TLTUndoMultiCellsModify& record, TLTEditLTData& outer);
  /// Removes rows and returns them, and puts rows back. No undo: the undo
  /// records are built on them.
  std::vector<std::unique_ptr<TLTTableRow>> TakeRows(int index, int count);
  void PutRows(int index, std::vector<std::unique_ptr<TLTTableRow>> rows);

  // ---- Structure operations (LTTableOps.cpp) ------------------------------------------
  // Each one closes the cell editor first and, in an editor, is one undo
  // step of that editor. Indices outside the grid raise ELecternError
  // "Invalid row or column index".
  /// Rows inserted before index (0 .. row count), copying the look of row
  /// copyIndex (-1: none); select selects them.
  void InsertRows(int index, int count, int copyIndex, bool select);
  void InsertCols(int index, int count, int copyIndex, bool select);
  /// A count reaching past the last row (column) is cut to the grid.
  void DeleteRows(int index, int count);
  void DeleteCols(int index, int count);
  /// Every row in which no slot holds a cell.
  void DeleteEmptyRows();
  /// Merges a rectangle into its top-left cell, its best width derived
  /// from the merged cells'. Raises ELecternError "Parameters for cell
  /// merging are not correct" for an empty rectangle; a rectangle that
  /// cuts through a cell, or holds no other cell, beeps and changes nothing.
  /// False when nothing was merged.
  bool MergeCells(int row, int col, int rowCount, int colCount, bool recomputeWidth = true);
  /// Gives the slots a cell spans back to cells of their own (empty ones).
  bool UnmergeCell(int row, int col);
  /// Empties the cells of the multi-cell selection (OnCellEditing may keep
  /// some out).
  bool ClearSelectedCells();
  /// Undoable property changes of a cell and of the table, by published
  /// name; false for a value the property cannot hold. A covered or
  /// missing cell raises "Invalid row or column index", a name that is not
  /// published raises ELecternError.
  bool SetCellIntProperty(int itemNo, std::string_view name, int row, int col, int64_t value);
  bool SetCellStrProperty(int itemNo, std::string_view name, int row, int col, const TLTString& value);
  /// Copies a cell's look; best sizes divided by the divisors.
  void AssignCellProperties(int itemNo, int row, int col, const TLTTableCellData& source, int rowDivisor,
                            int colDivisor);
  bool SetTableIntProperty(std::string_view name, int64_t value);
  /// Does an elementary change of the grid and records it when the table
  /// lies in an editor that records (the operations and the records use it).
  void ApplyOp(std::unique_ptr<TLTUndoTableOp> op);
  /// A new empty cell for row r (its parent set).
  std::unique_ptr<TLTTableCellData> NewCellFor(int row);

  // ---- Resizing columns and rows (LTTableResize.cpp) --------------------------------------
  /// A border under a table-relative coordinate: Index 0 for the left (top)
  /// edge, the column (row) count for the right (bottom) edge, k for the
  /// border before column (row) k, -1 for none; Start is where the column
  /// (row) before it starts, Position the line a drag moves.
  struct TBorderHit {
    int Index = -1;
    int Start = 0;
    int Position = 0;
  };
  TBorderHit ColumnBorderAt(int x) const;
  TBorderHit RowBorderAt(int y) const;
  /// The best widths a column border dragged to make column col width
  /// pixels wide give (keep: the next column stays as it is), and the best
  /// heights of a row dragged to height; one undo step each.
  void ResizeColumn(int col, int width, bool keep);
  void ResizeRow(int row, int height);
  TLTCursorId CursorAt(int x, int y) const override;
  void PaintOverlay(TLTCanvas& canvas, TLTPointI offset) const override;

  // Item behaviour in an editor.
  bool EditorMouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  bool TakeCaret(TLTCaretEntry from, int x) override;

  // ILTNestedEditing.
  TCustomLecternEdit* NestedEditor() const override;
  TLTRectI NestedBounds() const override;
  void EndNestedEditing(bool clearing) override;
  void FoldNestedUndo() override;
  bool HasPartSelection() const override { return multiCell_; }
  bool PartSelectionKey(int key, TLTShiftState shift) override;
  bool ApplyToSelectedParts(const std::function<void(TCustomLecternEdit&)>& change) override;
  bool ClearSelectedParts() override;
  bool TracksMouse() const override { return mouseCellSel_ || resizing_ != TResizing::None; }
  void TrackMouseMove(TLTShiftState shift, int x, int y) override;
  void TrackMouseUp(TLTMouseButton button, TLTShiftState shift, int x, int y) override;
  /// A left press inside the cell editor may start selecting cells.
  void StartMouseCellSelection();

 protected:
  const TLTItemStrProperty* FindStrProperty(TLTExtraItemStrProperty p) const override;

 private:
  /// What painting one cell needs of the table's painting.
  struct TCellPainting {
    int X = 0, Y = 0;  // the table's top-left corner
    TLTRectI Clip;
    TLTPaintContext Inner;  // the cells' documents' context
    bool Editable = false;
    bool Selected = false;
    TColor SelColor = clNone;
  };
  /// One cell: its background, its document and its border.
  void PaintCell(TLTCanvas& canvas, int r, int c, const TCellPainting& p) const;
  /// The grid where the rectangle shows no border of its own.
  void DrawGridLines(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip,
                     const TLTPen& pen) const;
  /// The border bands of a one-colour or a raised or lowered border.
  void DrawColorBorder(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip, int width,
                       TLTOutputColorMode mode) const;
  void Draw3DBorder(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip, int width,
                    TLTOutputColorMode mode) const;
  std::unique_ptr<TLTTableCellData> NewCell(TLTTableRow* row);
  void WriteRecord(TLTFWriter& w, bool forceJoin, const TLTCellRect& area) const;
  TCustomLTData* container_ = nullptr;  // not owned

  // ---- Editing state (LTTableEdit.cpp) ----
  struct TInplace;
  /// The cell editor and its window; shared so that one being closed from
  /// inside its own handling lives until that handling is over.
  std::shared_ptr<TInplace> inplace_;
  int editRow_ = -1, editCol_ = -1;
  int searchRowHint_ = 0;  // where VisitSubDocumentsBefore last found its cell
  /// The editor the table registered with while editing or selecting.
  TCustomLecternEdit* host_ = nullptr;  // not owned
  int selRow_ = -1, selCol_ = -1, selRowOffs_ = 0, selColOffs_ = 0;
  bool multiCell_ = false;
  bool mouseCellSel_ = false;
  /// Where a cell editor was when a cell selection or a resize closed it.
  struct TStoredEditor {
    bool Stored = false;
    int Row = -1, Col = -1;
    TLTItemRange Selection;
  } stored_;
  int busy_ = 0;
  /// A border being dragged: which, the start of the column (row) before
  /// it, the line minus the mouse at the press, the press, Shift then, and
  /// where the line stands now (table coordinates).
  enum class TResizing : uint8_t { None, Column, Row };
  TResizing resizing_ = TResizing::None;
  int resizeIndex_ = 0, resizeStart_ = 0, resizeOffset_ = 0, resizePress_ = 0, trackPos_ = 0;
  bool resizeKeep_ = false;
  bool BorderMouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y);
  void TrackResize(int x, int y, bool finish);
  /// The table's top-left corner in its editor's client area.
  TLTPointI ClientOrigin() const;
  /// Device pixels of a length in the table's own (screen) pixels.
  int Scaled(int v) const;
  int Unscaled(int v) const;
  /// An integer cell property set, recorded, without laying out (the
  /// resize operations lay out once at their end).
  void SetCellIntRaw(int row, int col, std::string_view name, int64_t value);
  /// Expires with the table: work queued for after an event checks it.
  std::shared_ptr<char> life_ = std::make_shared<char>();

  int OwnIndex(int itemNo) const;
  void Register(TCustomLecternEdit& editor);
  void Unregister();
  void CloseEditor(bool clearing);
  void FoldUndo();
  void StoreEditorState();
  /// The cell editor's place before an operation, and reopening it after,
  /// its cell moved by (rows, cols) or moved to (row, col).
  TStoredEditor KeepEditor();
  void ReopenKept(TStoredEditor kept, int rows, int cols);
  /// Lays the table out again in its editor, after its cells changed size.
  void Relayout();
  /// The next or previous existing cell in reading order; false at an end.
  bool StepCell(int& row, int& col, bool forward) const;
  /// The main cells of the selected rectangle, in reading order.
  std::vector<std::pair<int, int>> SelectedMainCells() const;
  class TOperationScope;
  /// The text style of the first untagged text item and the paragraph
  /// style of the first item: the styles a cell copying this one starts in.
  static void FirstStyles(const TLTTableCellData& cell, int32_t& style, int32_t& para);
  friend class TLTTableInplaceEdit;
};

/// Adds tables to the item kinds that documents and stored files may hold.
void RegisterTableItemKind();

// The grid drawn where a table's borders are invisible, one setting for the
// whole process: the pen style in a document an editor can change, the style
// everywhere else (viewers, read-only editors), and the colour.
extern TLTPenStyle TableGridStyle;
extern TLTPenStyle TableGridReadOnlyStyle;
extern TColor TableGridColor;

}  // namespace lectern
