// The table model: rows, cells, spans, the main cell of a position, the
// queries layout asks, text output and the walks into cells.

#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include "platform/LTSysUtils.h"

#include <algorithm>
#include <array>

namespace lectern {

namespace {

constexpr std::array<std::string_view, 4> kVAlignNames{"ltcTop", "ltcMiddle", "ltcBottom", "ltcVDefault"};
constexpr std::array<std::string_view, 4> kBackStyleNames{"ltbsColor", "ltbsStretched", "ltbsTiled", "ltbsCentered"};
constexpr std::array<std::string_view, 5> kBorderStyleNames{"lttbRaised", "lttbLowered", "lttbColor", "lttbRaisedColor",
                                                            "lttbLoweredColor"};
constexpr std::array<std::string_view, 13> kOptionNames{"lttoEditing",
                                                        "lttoRowSizing",
                                                        "lttoColSizing",
                                                        "lttoRowSelect",
                                                        "lttoColSelect",
                                                        "lttoNoCellSelect",
                                                        "lttoRTFSaveCellPixelBestWidth",
                                                        "lttoRTFAllowAutofit",
                                                        "lttoHideGridLines",
                                                        "lttoOverlappingCorners",
                                                        "lttoCellBelowBorders",
                                                        "lttoIgnoreContentWidth",
                                                        "lttoIgnoreContentHeight"};
constexpr std::array<std::string_view, 3> kPrintOptionNames{"lttoHalftoneBorders", "lttoRowsSplit",
                                                            "lttoWhiteBackground"};
const TLTEnumInfo kVAlignInfo{kVAlignNames};
const TLTEnumInfo kBackStyleInfo{kBackStyleNames};
const TLTEnumInfo kBorderStyleInfo{kBorderStyleNames};
const TLTEnumInfo kOptionInfo{kOptionNames};
const TLTEnumInfo kPrintOptionInfo{kPrintOptionNames};

// A border flag object is stored only when some side is hidden.
template <auto M>
TLTPropInfo BordersProp() {
  TLTPropInfo p = Prop::Object<M>("VisibleBorders");
  p.IsStored = [](const TLTPersistent& o) {
    return !AllDefault(static_cast<const TLTBooleanRect&>(static_cast<const typename detail::Member<M>::Class&>(o).*M));
  };
  return p;
}

using Cell = TLTTableCellData;
const TLTPropInfo kCellProps[] = {
    Prop::Color<&Cell::Color>("Color", clNone),
    Prop::Color<&Cell::BorderColor>("BorderColor", clNone),
    Prop::Color<&Cell::BorderLightColor>("BorderLightColor", clNone),
    Prop::Int<&Cell::BestWidth>("BestWidth", 0),
    Prop::Int<&Cell::BestHeight>("BestHeight", 0),
    BordersProp<&Cell::VisibleBorders>(),
    Prop::Enum<&Cell::VAlign>("VAlign", kVAlignInfo, ltcVDefault),
    Prop::Enum<&Cell::BackgroundStyle>("BackgroundStyle", kBackStyleInfo, ltbsColor),
    Prop::String<&Cell::Hint>("Hint"),
};

bool EqualPaddings(const TLTPersistent& o) {
  const auto& t = static_cast<const TLTTableItemInfo&>(o);
  return t.CellHPadding == t.CellVPadding;
}

TLTPropInfo PaddingProp() {
  TLTPropInfo p;
  p.Name = "CellPadding";
  p.Kind = TLTPropKind::Integer;
  p.Default = 1;
  p.GetOrd = [](const TLTPersistent& o) -> int64_t { return static_cast<const TLTTableItemInfo&>(o).CellPadding(); };
  p.SetOrd = [](TLTPersistent& o, int64_t v) {
    static_cast<TLTTableItemInfo&>(o).SetCellPadding(static_cast<int32_t>(v));
  };
  p.IsStored = &EqualPaddings;
  return p;
}

// The single paddings are stored only when they differ from each other.
template <auto M>
TLTPropInfo SinglePaddingProp(std::string_view name) {
  TLTPropInfo p = Prop::Int<M>(name, 1);
  p.IsStored = [](const TLTPersistent& o) { return !EqualPaddings(o); };
  return p;
}

using T = TLTTableItemInfo;
const TLTPropInfo kTableProps[] = {
    Prop::Set<&T::Options>(
        "Options", kOptionInfo,
        TLTTableOptions{lttoEditing, lttoRowSizing, lttoColSizing, lttoRowSelect, lttoColSelect}.ToBits()),
    Prop::Set<&T::PrintOptions>("PrintOptions", kPrintOptionInfo,
                                TLTTablePrintOptions{lttoHalftoneBorders, lttoRowsSplit}.ToBits()),
    Prop::Int<&T::BestWidth>("BestWidth", 0),
    Prop::Color<&T::Color>("Color", clWindow),
    Prop::Enum<&T::BackgroundStyle>("BackgroundStyle", kBackStyleInfo, ltbsColor),
    Prop::Int<&T::HeadingRowCount>("HeadingRowCount", 0),
    WithStrDefault(Prop::String<&T::TextRowSeparator>("TextRowSeparator"),
                   [](const TLTPersistent&) { return TLTString(u"\r\n"); }),
    WithStrDefault(Prop::String<&T::TextColSeparator>("TextColSeparator"),
                   [](const TLTPersistent&) { return TLTString(u"\r\n"); }),
    Prop::Int<&T::BorderWidth>("BorderWidth", 0),
    Prop::Color<&T::BorderColor>("BorderColor", clWindowText),
    Prop::Color<&T::BorderLightColor>("BorderLightColor", clBtnHighlight),
    Prop::Enum<&T::BorderStyle>("BorderStyle", kBorderStyleInfo, lttbRaised),
    Prop::Int<&T::BorderHSpacing>("BorderHSpacing", 2),
    Prop::Int<&T::BorderVSpacing>("BorderVSpacing", 2),
    BordersProp<&T::VisibleBorders>(),
    Prop::Int<&T::CellBorderWidth>("CellBorderWidth", 0),
    Prop::Color<&T::CellBorderColor>("CellBorderColor", clWindowText),
    Prop::Color<&T::CellBorderLightColor>("CellBorderLightColor", clBtnHighlight),
    Prop::Enum<&T::CellBorderStyle>("CellBorderStyle", kBorderStyleInfo, lttbLowered),
    PaddingProp(),
    SinglePaddingProp<&T::CellHPadding>("CellHPadding"),
    SinglePaddingProp<&T::CellVPadding>("CellVPadding"),
    Prop::Int<&T::CellHSpacing>("CellHSpacing", 2),
    Prop::Int<&T::CellVSpacing>("CellVSpacing", 2),
    Prop::Int<&T::HRuleWidth>("HRuleWidth", 0),
    Prop::Int<&T::VRuleWidth>("VRuleWidth", 0),
    Prop::Color<&T::HRuleColor>("HRuleColor", clWindowText),
    Prop::Color<&T::VRuleColor>("VRuleColor", clWindowText),
    Prop::Bool<&T::HOutermostRule>("HOutermostRule", false),
    Prop::Bool<&T::VOutermostRule>("VOutermostRule", false),
};

const TLTItemStrProperty kTableStrs[] = {
    {ltespImageFileName,
     [](const TCustomLTItemInfo& i) -> TLTString {
       return static_cast<const TLTTableItemInfo&>(i).BackgroundImageFileName;
     },
     [](TCustomLTItemInfo& i, const TLTString& v) { static_cast<TLTTableItemInfo&>(i).BackgroundImageFileName = v; }},
};

/// Cells in row-major order, main cells only.
class TCellCursor : public TLTSubDocCursor {
 public:
  int Row = 0;
  int Col = 0;
  const TLTTableItemInfo* Table = nullptr;
  std::string Describe() const override {
    const TLTTableCellData* c = Table->Cells(Row, Col);
    return "cell " + IntToStr(Row) + "," + IntToStr(Col) + " span " + IntToStr(c ? c->RowsSpanned : 1) + "x" +
           IntToStr(c ? c->ColumnsSpanned : 1);
  }
};

}  // namespace

// ---- Cells -----------------------------------------------------------------------

TLTTableCellData::TLTTableCellData(TLTTableRow* row) : row_(row) { AddItemAsIs({}, ItemFactory(0)); }

TLTTableItemInfo* TLTTableCellData::Table() const { return row_ && row_->Rows() ? row_->Rows()->Table() : nullptr; }

bool TLTTableCellData::IsEmpty() const {
  if (ItemCount() == 0) return !PendingCheckpoint();
  if (ItemCount() > 1 || PendingCheckpoint()) return false;
  const TCustomLTItemInfo& item = GetItem(0);
  // Formatting on an empty paragraph is content too: it must survive storage.
  return item.IsText() && item.Text.empty() && item.StyleNo == 0 && item.ParaNo == 0 && item.Tag.IsEmpty() &&
         item.HintText.empty() && !item.Checkpoint;
}

void TLTTableCellData::AssignAttributes(const TLTTableCellData& s) {
  Color = s.Color;
  BorderColor = s.BorderColor;
  BorderLightColor = s.BorderLightColor;
  VisibleBorders = s.VisibleBorders;
  VAlign = s.VAlign;
  BackgroundImage = s.BackgroundImage ? s.BackgroundImage->Clone() : nullptr;
  BackgroundStyle = s.BackgroundStyle;
  BackgroundImageFileName = s.BackgroundImageFileName;
  Hint = s.Hint;
}

void TLTTableCellData::AssignContent(const TLTTableCellData& source) {
  Clear();
  for (int i = 0; i < source.ItemCount(); ++i) {
    auto copy = CloneItem(source.GetItem(i));
    if (!copy) continue;
    TLTRawByteString text = std::move(copy->Text);
    InsertItemAt(ItemCount(), std::move(text), std::move(copy));
  }
}

const TLTClassInfo& TLTTableCellData::ClassInfo() const {
  static const TLTClassInfo info{"TLTTableCellData", nullptr, kCellProps};
  return info;
}

// ---- The table -------------------------------------------------------------------

TLTTableItemInfo::TLTTableItemInfo() : TLTTableItemInfo(1, 1) {}

TLTTableItemInfo::TLTTableItemInfo(int rows, int cols) {
  StyleNo = ltikTable;
  ResetGrid(rows, cols);
}

TLTTableItemInfo::~TLTTableItemInfo() {
  // A cell editor or a selection of cells ends with the table.
  if (inplace_ || host_) EndNestedEditing(true);
}

const TLTClassInfo& TLTTableItemInfo::ClassInfo() const {
  static const TLTClassInfo info{"TLTTable", nullptr, kTableProps};
  return info;
}

std::unique_ptr<TLTTableCellData> TLTTableItemInfo::NewCell(TLTTableRow* row) {
  auto cell = std::make_unique<TLTTableCellData>(row);
  if (container_) cell->SetParent(container_, this);
  return cell;
}

void TLTTableItemInfo::ResetGrid(int rows, int cols) {
  LayoutInvalid = true;
  Rows.Items.clear();
  if (rows <= 0 || cols <= 0) return;
  for (int r = 0; r < rows; ++r) {
    auto row = std::make_unique<TLTTableRow>(&Rows);
    for (int c = 0; c < cols; ++c) row->Cells.push_back(NewCell(row.get()));
    Rows.Items.push_back(std::move(row));
  }
}

void TLTTableItemInfo::CheckIndex(int row, int col) const {
  if (row < 0 || row >= NumRows() || col < 0 || col >= NumColumns()) throw ELecternError("Invalid row or column index");
}

TLTTableCellData* TLTTableItemInfo::Cells(int row, int col) const {
  if (row < 0 || row >= NumRows() || col < 0 || col >= Rows[row].Count()) return nullptr;
  return Rows[row].Cells[static_cast<size_t>(col)].get();
}

TLTTableCellData* TLTTableItemInfo::GetMainCell(int row, int col, int& mainRow, int& mainCol) const {
  if (row < 0 || row >= NumRows() || col < 0 || col >= NumColumns()) return nullptr;
  for (int r = row; r >= 0; --r) {
    for (int c = col; c >= 0; --c) {
      TLTTableCellData* cell = Rows[r].Cells[static_cast<size_t>(c)].get();
      if (!cell) continue;
      if (c + cell->ColumnsSpanned > col && r + cell->RowsSpanned > row) {
        mainRow = r;
        mainCol = c;
        return cell;
      }
      break;  // the nearest cell to the left does not reach: try the row above
    }
  }
  return nullptr;
}

bool TLTTableItemInfo::CanMerge(int row, int col, int rowCount, int colCount) const {
  rowCount = std::min(rowCount, NumRows() - row);
  colCount = std::min(colCount, NumColumns() - col);
  if (rowCount <= 1 && colCount <= 1) return false;
  if (rowCount <= 0 || colCount <= 0) throw ELecternError("Parameters for cell merging are not correct");
  const TLTTableCellData* main = Cells(row, col);
  if (!main || (main->RowsSpanned >= rowCount && main->ColumnsSpanned >= colCount)) return false;
  int cells = 0;
  for (int r = row; r < row + rowCount; ++r) {
    for (int c = col; c < col + colCount; ++c) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
      if (!cell) return false;
      if (mr < row || mc < col || mr + cell->RowsSpanned > row + rowCount || mc + cell->ColumnsSpanned > col + colCount)
        return false;
      if (mr == r && mc == c) ++cells;
    }
  }
  return cells > 1;
}

bool TLTTableItemInfo::MergeRect(int row, int col, int rowCount, int colCount, bool moveContent) {
  LayoutInvalid = true;
  if (rowCount < 1 || colCount < 1 || row < 0 || col < 0 || row + rowCount > NumRows() || col + colCount > NumColumns())
    return false;
  TLTTableCellData* main = Cells(row, col);
  if (!main) return false;
  // Every cell met must lie wholly inside the rectangle.
  for (int r = row; r < row + rowCount; ++r) {
    for (int c = col; c < col + colCount; ++c) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
      if (!cell || mr < row || mc < col || mr + cell->RowsSpanned > row + rowCount ||
          mc + cell->ColumnsSpanned > col + colCount)
        return false;
    }
  }
  for (int r = row; r < row + rowCount; ++r) {
    for (int c = col; c < col + colCount; ++c) {
      if (r == row && c == col) continue;
      auto& slot = Rows[r].Cells[static_cast<size_t>(c)];
      if (!slot) continue;
      if (moveContent && !slot->IsEmpty()) main->AppendFrom(*slot);
      slot->Clear();
      slot.reset();
    }
  }
  main->RowsSpanned = rowCount;
  main->ColumnsSpanned = colCount;
  return true;
}

int32_t TLTTableItemInfo::RowBestHeight(int row) const {
  int32_t best = 0;
  if (row < 0 || row >= NumRows()) return 0;
  for (const auto& cell : Rows[row].Cells)
    if (cell && cell->RowsSpanned == 1) best = std::max(best, cell->BestHeight);
  return best;
}

int32_t TLTTableItemInfo::ColumnBestPixelWidth(int col) const {
  int32_t best = 0;
  for (int r = 0; r < NumRows(); ++r) {
    const TLTTableCellData* cell = Cells(r, col);
    if (!cell || cell->ColumnsSpanned != 1) continue;
    if (cell->BestWidth < 0) return 0;
    best = std::max(best, cell->BestWidth);
  }
  return best;
}

int32_t TLTTableItemInfo::ColumnPercentWidth(int col, int32_t tableWidth) const {
  int32_t best = 0;
  for (int r = 0; r < NumRows(); ++r) {
    const TLTTableCellData* cell = Cells(r, col);
    if (cell && cell->ColumnsSpanned == 1 && cell->BestWidth < 0)
      best = std::max(best, static_cast<int32_t>(int64_t{tableWidth} * -int64_t{cell->BestWidth} / 100));
  }
  return best;
}

bool TLTTableItemInfo::ColumnHasPercentCell(int col) const {
  // A spanning cell's percent width belongs to the column it ends in: in
  // each row, the nearest cell starting at or left of the column.
  for (int r = 0; r < NumRows(); ++r)
    for (int c = std::min(col, NumColumns() - 1); c >= 0; --c) {
      const TLTTableCellData* cell = Cells(r, c);
      if (!cell) continue;
      if (cell->BestWidth < 0 && std::min(c + std::max(cell->ColumnsSpanned, 1), NumColumns()) - 1 == col) return true;
      break;
    }
  return false;
}

int TLTTableItemInfo::NestingLevel() const {
  int level = 0;
  for (const TCustomLTData* d = container_; d; d = d->GetParentData())
    if (dynamic_cast<const TLTTableCellData*>(d)) ++level;
  return level;
}

bool TLTTableItemInfo::IsInEditableDocument() const {
  const auto* owner = dynamic_cast<const TCustomLTFormattedData*>(container_);
  return owner && owner->IsEditable();
}

bool TLTTableCellData::IsEditable() const {
  const TLTTableItemInfo* table = Table();
  return table && table->IsInEditableDocument();
}

void TLTTableItemInfo::SetContainer(TCustomLTData* container) {
  container_ = container;
  for (const auto& row : Rows.Items)
    for (const auto& cell : row->Cells) {
      if (!cell) continue;
      cell->SetParent(container, this);
      // Empty text made before the cell knew its style sheet takes the
      // encoding its style asks for now.
      for (int i = 0; i < cell->ItemCount(); ++i) {
        TCustomLTItemInfo& item = cell->GetItem(i);
        if (item.IsText() && item.Text.empty()) item.SetFlag(ltifWide, cell->IsUnicodeStyle(cell->GetItemStyle(i)));
      }
    }
}

// ---- Item behaviour ----------------------------------------------------------------

bool TLTTableItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  return q == iqClickInside || q == iqResizeHandles || q == iqHtmlBlock || TLTFullLineItemInfo::GetBoolValue(q);
}

void TLTTableItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTFullLineItemInfo::Assign(source);
  const auto* s = dynamic_cast<const TLTTableItemInfo*>(&source);
  if (!s || s == this) return;
  AssignPublished(*this, *s);
  BackgroundImage = s->BackgroundImage ? s->BackgroundImage->Clone() : nullptr;
  BackgroundImageFileName = s->BackgroundImageFileName;
  ResetGrid(s->NumRows(), s->NumColumns());
  for (int r = 0; r < s->NumRows(); ++r) {
    Rows[r].VAlign = s->Rows[r].VAlign;
    Rows[r].PageBreakBefore = s->Rows[r].PageBreakBefore;
  }
  for (int r = 0; r < s->NumRows(); ++r) {
    for (int c = 0; c < s->NumColumns(); ++c) {
      const TLTTableCellData* from = s->Cells(r, c);
      if (!from) continue;
      MergeRect(r, c, from->RowsSpanned, from->ColumnsSpanned, false);
      TLTTableCellData* to = Cells(r, c);
      AssignPublished(*to, *from);
      to->AssignAttributes(*from);
      to->BestWidth = from->BestWidth;
      to->BestHeight = from->BestHeight;
      to->AssignContent(*from);
    }
  }
}

TLTString TLTTableItemInfo::AsText(int lineWidth, const TCustomLTData&, bool) const {
  TLTString out;
  for (int r = 0; r < NumRows(); ++r) {
    for (int c = 0; c < NumColumns(); ++c) {
      if (c > 0) out += TextColSeparator;
      if (const TLTTableCellData* cell = Cells(r, c)) out += CellContent(*cell).GetPlainText(lineWidth);
    }
    out += TextRowSeparator;
  }
  return out;
}

void TLTTableItemInfo::MarkStylesInUse(TLTStyleUsage& usage) const {
  TLTFullLineItemInfo::MarkStylesInUse(usage);
  for (const auto& row : Rows.Items)
    for (const auto& cell : row->Cells)
      if (cell) cell->MarkStylesInUse(usage);
}

void TLTTableItemInfo::UpdateStyles(const TLTStyleUsage& usage) {
  TLTFullLineItemInfo::UpdateStyles(usage);
  for (const auto& row : Rows.Items)
    for (const auto& cell : row->Cells)
      if (cell) cell->UpdateStyles(usage);
}

TCustomLTData* TLTTableItemInfo::GetSubDocumentAt(int x, int y) {
  int row = 0, col = 0;
  return CellAt(x, y, row, col) ? Cells(row, col) : nullptr;
}

TCustomLTData* TLTTableItemInfo::GetSubDocument(std::unique_ptr<TLTSubDocCursor>& cursor, TLTSubDocPosition pos) {
  // Steps through the main cells in reading order. A cell being edited is
  // its editor's document: its items are there, to be numbered and checked.
  auto step = [this](TCellCursor& c, int dir) -> bool {
    const int cols = NumColumns();
    int index = c.Row * cols + c.Col;
    for (index += dir; index >= 0 && index < NumRows() * cols; index += dir) {
      c.Row = index / cols;
      c.Col = index % cols;
      if (Cells(c.Row, c.Col)) return true;
    }
    return false;
  };
  switch (pos) {
    case ltsdFirst:
    case ltsdLast: {
      auto c = std::make_unique<TCellCursor>();
      c->Table = this;
      if (NumRows() == 0 || NumColumns() == 0) return nullptr;
      c->Row = pos == ltsdFirst ? 0 : NumRows() - 1;
      c->Col = pos == ltsdFirst ? 0 : NumColumns() - 1;
      if (!Cells(c->Row, c->Col) && !step(*c, pos == ltsdFirst ? 1 : -1)) return nullptr;
      TCustomLTData* cell = &CellContent(*Cells(c->Row, c->Col));
      cursor = std::move(c);
      return cell;
    }
    case ltsdNext:
    case ltsdPrev: {
      auto* c = dynamic_cast<TCellCursor*>(cursor.get());
      if (!c || !step(*c, pos == ltsdNext ? 1 : -1)) return nullptr;
      return &CellContent(*Cells(c->Row, c->Col));
    }
    default:
      return nullptr;  // no chosen cell while nothing edits the table
  }
}

void TLTTableItemInfo::VisitSubDocumentsBefore(const TCustomLTData& doc,
                                               const std::function<bool(TCustomLTData&)>& visit) {
  // The place of doc: the cell being edited, or a cell found through its
  // row (the row where the last search ended first: cells are numbered in
  // reading order as a table joins its document).
  int row = -1, col = -1;
  if (InplaceEditor() && &CellContent(*Cells(editRow_, editCol_)) == &doc) {
    row = editRow_;
    col = editCol_;
  } else if (const auto* cell = dynamic_cast<const TLTTableCellData*>(&doc)) {
    const int rows = NumRows();
    auto find = [&](int r) {
      if (r < 0 || r >= rows || Rows.Items[static_cast<size_t>(r)].get() != cell->row_) return false;
      const auto& cells = Rows.Items[static_cast<size_t>(r)]->Cells;
      for (size_t c = 0; c < cells.size(); ++c)
        if (cells[c].get() == cell) {
          row = r;
          col = static_cast<int>(c);
          return true;
        }
      return false;
    };
    if (!find(searchRowHint_) && !find(searchRowHint_ + 1))
      for (int r = 0; r < rows && !find(r); ++r) {
      }
  }
  if (row < 0) {
    TCustomLTItemInfo::VisitSubDocumentsBefore(doc, visit);
    return;
  }
  searchRowHint_ = row;
  const int cols = NumColumns();
  for (int index = row * cols + col - 1; index >= 0; --index)
    if (TLTTableCellData* c = Cells(index / cols, index % cols))
      if (!visit(CellContent(*c))) return;
}

void TLTTableItemInfo::AttachToDocument(TCustomLTData& owner, int) {
  SetContainer(&owner);
  for (const auto& row : Rows.Items)
    for (const auto& cell : row->Cells)
      if (cell) cell->AttachItemsToDocument();
}

void TLTTableItemInfo::Removing(TCustomLTData& owner) {
  // The cell being edited gets its items back before the table leaves.
  if (inplace_ || host_) EndNestedEditing(true);
  TLTFullLineItemInfo::Removing(owner);
  // What the document keeps track of inside the cells goes with the table.
  for (const auto& row : Rows.Items)
    for (const auto& cell : row->Cells)
      if (cell)
        for (int i = 0; i < cell->ItemCount(); ++i) cell->GetItem(i).Removing(*cell);
}

const TLTItemStrProperty* TLTTableItemInfo::FindStrProperty(TLTExtraItemStrProperty p) const {
  for (const auto& prop : kTableStrs)
    if (prop.No == p) return &prop;
  return TLTFullLineItemInfo::FindStrProperty(p);
}

namespace {
const TLTItemClass kTableClass{"TLTTableItemInfo",
                               [] { return std::unique_ptr<TCustomLTItemInfo>(new TLTTableItemInfo); }};
}  // namespace

void RegisterTableItemKind() { RegisterItemKind(ltikTable, kTableClass); }

TLTPenStyle TableGridStyle = psDot;
TLTPenStyle TableGridReadOnlyStyle = psClear;
TColor TableGridColor = clBtnFace;

}  // namespace lectern
