// A table's LTF record: the item framing, then the table as a stored
// component of a wrapper whose property "T" is the table and whose own
// values "C", "RowVAlign" and "RowPageBreakBefore" hold the grid, the
// cells (each through a cell wrapper whose property "C" is the cell) and
// the rows.

#include "model/LTFMisc.h"
#include "model/LTFuncs.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "table/LTTable.h"

#include <algorithm>

namespace lectern {

namespace {

const char* const kWrongEnd = "Wrong end of cells list";
// A stored grid cannot claim more slots than this, whatever its bytes say.
constexpr int64_t kMaxCells = int64_t{1} << 22;
// Memory of the grid: a slot per position, a row object per row, and a
// cell (its document and empty text item) per cell read; the slots of
// spanned positions stay empty and cost only their pointer.
constexpr size_t kSlotCost = sizeof(std::unique_ptr<TLTTableCellData>);
constexpr size_t kRowCost = sizeof(TLTTableRow) + 64;
constexpr size_t kCellCost = sizeof(TLTTableCellData) + 256;

// A picture as "4-byte length, class name, picture data".
std::string PictureRecord(const TGraphic& g) {
  TLTMemoryStream data;
  if (!g.SaveToStream(data)) return {};
  std::string out;
  const auto n = static_cast<uint32_t>(g.ClassName().size());
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((n >> shift) & 0xFF));
  out.append(g.ClassName());
  return out + data.Data();
}

std::unique_ptr<TGraphic> PictureFromRecord(std::string_view b, TLTFReadContext* ctx) {
  if (b.size() < 4) return nullptr;
  uint32_t n = 0;
  for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<uint8_t>(b[static_cast<size_t>(k)]);
  if (n > b.size() - 4) return nullptr;
  auto g = CreateGraphic(b.substr(4, n));
  if (!g) return nullptr;
  TLTMemoryStream m{std::string(b.substr(4 + n))};
  const bool loaded = ctx ? ctx->LoadPicture(*g, m) : g->LoadFromStream(m);
  return loaded ? std::move(g) : nullptr;
}

/// The stored form of one cell: its property "C" is the cell.
class TCellWrapper : public TLTPersistent {
 public:
  TLTTableCellData* Cell = nullptr;
  const TLTFWriter* Writer = nullptr;  // writing
  TLTFReadContext* Ctx = nullptr;      // reading
  bool WithData = true;
  const TLTClassInfo& ClassInfo() const override;
};

const TLTPropInfo kCellWrapperProps[] = {[] {
  TLTPropInfo p;
  p.Name = "C";
  p.Kind = TLTPropKind::Object;
  p.GetObj = [](TLTPersistent& o) -> TLTPersistent* { return static_cast<TCellWrapper&>(o).Cell; };
  return p;
}()};

const TLTDefinedProp kCellWrapperDefined[] = {
    {"C.Data", TLTDefinedKind::Custom,
     [](const TLTPersistent& o) {
       const auto& w = static_cast<const TCellWrapper&>(o);
       return w.WithData && !w.Cell->IsEmpty();
     },
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     [](const TLTPersistent& o, TLTPropWriter& pw) {
       const auto& w = static_cast<const TCellWrapper&>(o);
       // Always the compact form, built in place: the table's own record
       // already encodes this stream once in the text form, so encoding
       // every level again would double the size per nested table.
       TLTFOptions options = w.Writer->Options();
       options.Include(ltfoSaveBinary);
       const size_t at = pw.BeginBinary();
       w.Cell->AppendLTFSubDocument(pw.Out(), options);
       pw.EndBinary(at);
     },
     [](TLTPersistent& o, TLTPropReader& r) {
       auto& w = static_cast<TCellWrapper&>(o);
       const auto bytes = r.ReadBinaryView();
       if (!bytes || !w.Ctx || !w.Ctx->ReadSubDocument) return false;
       w.Cell->Clear();
       return w.Ctx->ReadSubDocument(*w.Cell, *bytes);
     }},
    {"C.BackgroundImg", TLTDefinedKind::Binary,
     [](const TLTPersistent& o) { return static_cast<const TCellWrapper&>(o).Cell->BackgroundImage != nullptr; },
     nullptr, nullptr,
     [](const TLTPersistent& o) { return PictureRecord(*static_cast<const TCellWrapper&>(o).Cell->BackgroundImage); },
     nullptr, nullptr,
     [](TLTPersistent& o, const std::string& b) {
       auto& w = static_cast<TCellWrapper&>(o);
       w.Cell->BackgroundImage = PictureFromRecord(b, w.Ctx);
     }},
    {"C.BackgroundImageFileName", TLTDefinedKind::String,
     [](const TLTPersistent& o) { return !static_cast<const TCellWrapper&>(o).Cell->BackgroundImageFileName.empty(); },
     [](const TLTPersistent& o) { return static_cast<const TCellWrapper&>(o).Cell->BackgroundImageFileName; }, nullptr,
     nullptr,
     [](TLTPersistent& o, const std::u16string& v) {
       static_cast<TCellWrapper&>(o).Cell->BackgroundImageFileName = v;
     }},
};

const TLTClassInfo& TCellWrapper::ClassInfo() const {
  static const TLTClassInfo info{"TD", nullptr, kCellWrapperProps, kCellWrapperDefined};
  return info;
}

/// The stored form of a table: its property "T" is the table.
class TTableWrapper : public TLTPersistent {
 public:
  TLTTableItemInfo* Table = nullptr;
  const TLTFWriter* Writer = nullptr;
  TLTFReadContext* Ctx = nullptr;
  TLTCellRect Area;
  const TLTClassInfo& ClassInfo() const override;
};

TTableWrapper& TW(TLTPersistent& o) { return static_cast<TTableWrapper&>(o); }
const TTableWrapper& TW(const TLTPersistent& o) { return static_cast<const TTableWrapper&>(o); }

// Writes the saved area's cells. A cell whose main position lies before the
// area but reaches into it stands in its first covered slot; spans are cut
// to the area; such outside cells keep their look but not their content.
void WriteCells(const TLTPersistent& o, TLTPropWriter& pw) {
  const TTableWrapper& w = TW(o);
  const TLTTableItemInfo& t = *w.Table;
  const TLTCellRect& a = w.Area;
  // Rows without columns hold no cell: stored as no rows, which the reader
  // takes (it refuses a grid without columns).
  const bool cells = a.Rows > 0 && a.Cols > 0;
  pw.WriteInteger(cells ? a.Rows : 0);
  if (!cells) return;
  pw.WriteInteger(a.Cols);
  pw.WriteListBegin();
  for (int r = a.Row; r < a.Row + a.Rows; ++r) {
    for (int c = a.Col; c < a.Col + a.Cols; ++c) {
      int mr = 0, mc = 0;
      TLTTableCellData* cell = t.GetMainCell(r, c, mr, mc);
      if (!cell || r != std::max(mr, a.Row) || c != std::max(mc, a.Col)) continue;
      const int lastCol = std::min(mc + cell->ColumnsSpanned, a.Col + a.Cols);
      const int lastRow = std::min(mr + cell->RowsSpanned, a.Row + a.Rows);
      pw.WriteInteger(lastCol - c);
      pw.WriteInteger(lastRow - r);
      TCellWrapper cw;
      cw.Cell = cell;
      cw.Writer = w.Writer;
      cw.WithData = mr >= a.Row && mc >= a.Col;
      pw.WriteComponent("TD", "", cw);
    }
  }
  pw.WriteListEnd();
}

// The smallest stored cell: two one-byte integers (spans), an empty class
// and component name, and the two end tags of its properties and children.
constexpr int64_t kMinStoredCell = 2 * 2 + 1 + 1 + 1 + 1;

// Reads the cells into an empty grid of rows x cols slots. Cells are made
// only as they are read, and a slot is known to be covered by the spans read
// before it (kept per column: the first row not yet covered), so a grid of
// many slots and few cells costs its slots, not a document per slot.
bool ReadGrid(TLTTableItemInfo& t, TLTPropReader& r, TLTFReadContext* ctx, int rows, int cols) {
  if (!r.Take(static_cast<size_t>(rows) * (kRowCost + static_cast<size_t>(cols) * kSlotCost))) return false;
  for (int row = 0; row < rows; ++row) {
    auto& added = t.Rows.Items.emplace_back(std::make_unique<TLTTableRow>(&t.Rows));
    added->Cells.resize(static_cast<size_t>(cols));
  }
  std::vector<int> freeFrom(static_cast<size_t>(cols), 0);
  if (!r.ReadListBegin()) return false;
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      if (freeFrom[static_cast<size_t>(col)] > row) continue;  // covered by a span read before
      if (r.AtListEnd()) {
        if (r.Ok()) r.Fail(kWrongEnd);
        return false;
      }
      const auto cs = r.ReadInteger();
      const auto rs = r.ReadInteger();
      if (!cs || !rs) return false;
      // The span must stay inside the grid and cover only free slots.
      bool fits = *cs >= 1 && *rs >= 1 && *cs <= cols - col && *rs <= rows - row;
      for (int c = col; fits && c < col + *cs; ++c) fits = freeFrom[static_cast<size_t>(c)] <= row;
      if (!fits) {
        r.Fail(kWrongEnd);
        return false;
      }
      for (int c = col; c < col + *cs; ++c) freeFrom[static_cast<size_t>(c)] = row + static_cast<int>(*rs);
      if (!r.Take(kCellCost)) return false;
      TLTTableRow& slots = t.Rows[row];
      auto& cell = slots.Cells[static_cast<size_t>(col)];
      cell = std::make_unique<TLTTableCellData>(&slots);
      if (t.Container()) cell->SetParent(t.Container(), &t);
      cell->RowsSpanned = static_cast<int32_t>(*rs);
      cell->ColumnsSpanned = static_cast<int32_t>(*cs);
      TCellWrapper cw;
      cw.Cell = cell.get();
      cw.Ctx = ctx;
      if (!r.ReadComponent(cw)) return false;
    }
  }
  if (!r.AtListEnd()) {
    if (r.Ok()) r.Fail(kWrongEnd);
    return false;
  }
  return true;
}

bool ReadCells(TLTPersistent& o, TLTPropReader& r) {
  TTableWrapper& w = TW(o);
  TLTTableItemInfo& t = *w.Table;
  const auto rows = r.ReadInteger();
  if (!rows) return false;
  t.ResetGrid(0, 0);
  if (*rows == 0) return true;
  const auto cols = r.ReadInteger();
  if (!cols) return false;
  // At least one cell is stored (a grid is never all spans), inside the
  // list's begin and end tags.
  if (*rows < 0 || *cols < 1 || *rows > kMaxCells || *cols > kMaxCells || *rows * *cols > kMaxCells ||
      kMinStoredCell + 2 > static_cast<int64_t>(r.Remaining())) {
    r.Fail(kWrongEnd);
    return false;
  }
  if (ReadGrid(t, r, w.Ctx, static_cast<int>(*rows), static_cast<int>(*cols))) return true;
  // A grid read in part has slots that no cell covers: none of it stays.
  t.ResetGrid(0, 0);
  return false;
}

const TLTDefinedProp kTableWrapperDefined[] = {
    {"T.BackgroundImg", TLTDefinedKind::Binary,
     [](const TLTPersistent& o) { return TW(o).Table->BackgroundImage != nullptr; }, nullptr, nullptr,
     [](const TLTPersistent& o) { return PictureRecord(*TW(o).Table->BackgroundImage); }, nullptr, nullptr,
     [](TLTPersistent& o, const std::string& b) { TW(o).Table->BackgroundImage = PictureFromRecord(b, TW(o).Ctx); }},
    {"C", TLTDefinedKind::Custom, [](const TLTPersistent&) { return true; }, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, &WriteCells, &ReadCells},
    {"RowVAlign", TLTDefinedKind::Custom,
     [](const TLTPersistent& o) {
       const TTableWrapper& w = TW(o);
       for (int r = w.Area.Row; r < w.Area.Row + w.Area.Rows; ++r)
         if (w.Table->Rows[r].VAlign != ltcTop) return true;
       return false;
     },
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     [](const TLTPersistent& o, TLTPropWriter& pw) {
       const TTableWrapper& w = TW(o);
       pw.WriteListBegin();
       for (int r = w.Area.Row; r < w.Area.Row + w.Area.Rows; ++r) pw.WriteInteger(w.Table->Rows[r].VAlign);
       pw.WriteListEnd();
     },
     [](TLTPersistent& o, TLTPropReader& r) {
       TLTTableItemInfo& t = *TW(o).Table;
       if (!r.ReadListBegin()) return false;
       for (int row = 0; !r.AtListEnd(); ++row) {
         const auto v = r.ReadInteger();
         if (!v) return false;
         if (row < t.NumRows() && *v >= ltcTop && *v <= ltcVDefault)
           t.Rows[row].VAlign = static_cast<TLTCellVAlign>(*v);
       }
       return r.Ok();
     }},
    {"RowPageBreakBefore", TLTDefinedKind::Custom,
     [](const TLTPersistent& o) {
       const TTableWrapper& w = TW(o);
       for (int r = w.Area.Row; r < w.Area.Row + w.Area.Rows; ++r)
         if (w.Table->Rows[r].PageBreakBefore) return true;
       return false;
     },
     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     [](const TLTPersistent& o, TLTPropWriter& pw) {
       const TTableWrapper& w = TW(o);
       pw.WriteListBegin();
       for (int r = w.Area.Row; r < w.Area.Row + w.Area.Rows; ++r) pw.WriteBoolean(w.Table->Rows[r].PageBreakBefore);
       pw.WriteListEnd();
     },
     [](TLTPersistent& o, TLTPropReader& r) {
       TLTTableItemInfo& t = *TW(o).Table;
       if (!r.ReadListBegin()) return false;
       for (int row = 0; !r.AtListEnd(); ++row) {
         const auto v = r.ReadBoolean();
         if (!v) return false;
         if (row < t.NumRows()) t.Rows[row].PageBreakBefore = *v;
       }
       return r.Ok();
     }},
};

const TLTPropInfo kTableWrapperProps[] = {[] {
  TLTPropInfo p;
  p.Name = "T";
  p.Kind = TLTPropKind::Object;
  p.GetObj = [](TLTPersistent& o) -> TLTPersistent* { return TW(o).Table; };
  return p;
}()};

const TLTClassInfo& TTableWrapper::ClassInfo() const {
  static const TLTClassInfo info{"TLTTableSW", nullptr, kTableWrapperProps, kTableWrapperDefined};
  return info;
}

}  // namespace

void TLTTableItemInfo::WriteRecord(TLTFWriter& w, bool forceJoin, const TLTCellRect& area) const {
  std::vector<std::string> props;
  GetExtraPropertyLines(props);
  if (!BackgroundImageFileName.empty()) props.push_back("filename=" + LTFEncodeString(BackgroundImageFileName));
  TTableWrapper wrapper;
  wrapper.Table = const_cast<TLTTableItemInfo*>(this);
  wrapper.Writer = &w;
  wrapper.Area = area;
  const std::string tail;
  w.Header(IntToStr(StyleNo), 3 + static_cast<int>(props.size()), LTFParaField(w, forceJoin), LTFFlags(forceJoin),
           w.DataKind(), w.TagField(Tag), &tail);
  w.Line(LTFName(w));
  for (const std::string& line : props) w.Line(line);
  w.Line("1");
  // The stream is built where it is written: in a block of the output, or
  // once before its hexadecimal form. Cells inside it write their documents
  // into it in turn, so every byte is produced once whatever the nesting.
  auto writeStream = [&](std::string& out) {
    out.append(LTComponentSignature);
    TLTPropWriter(out).WriteComponent("TLTTableSW", "", wrapper);
  };
  if (w.BinaryMode()) {
    const size_t at = w.BeginBlock();
    writeStream(w.Out());
    w.EndBlock(at);
  } else {
    std::string stream;
    writeStream(stream);
    w.HexLine(stream);
  }
}

void TLTTableItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  WriteRecord(w, forceJoin, TLTCellRect{0, 0, NumRows(), NumColumns()});
}

void TLTTableItemInfo::SaveLTFPart(TLTFWriter& w, const TLTCellRect& area) const {
  TLTCellRect a = area;
  a.Row = std::clamp(a.Row, 0, NumRows());
  a.Col = std::clamp(a.Col, 0, NumColumns());
  a.Rows = std::clamp(a.Rows, 0, NumRows() - a.Row);
  a.Cols = std::clamp(a.Cols, 0, NumColumns() - a.Col);
  if (a.Cols == 0) a.Rows = 0;
  WriteRecord(w, false, a);
}

bool TLTTableItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) {
  if (lineCount < 3) return false;
  std::string_view line;
  if (!src.TextLine(line)) return false;
  Text = UnicodeToAnsi(ctx.DecodeString(line), ctx.Data.StyleCodePage(-1));
  for (int i = 0; i < lineCount - 3; ++i) {
    if (!src.TextLine(line)) return false;
    ApplyPropertyLine(line, ctx.Utf8);
  }
  if (!src.TextLine(line)) return false;
  std::string storage;
  std::string_view data;
  if (!src.DataLine(static_cast<TLTFDataKind>(dataKind), storage, data)) return false;
  if (data.substr(0, LTComponentSignature.size()) != LTComponentSignature) return false;
  // The table's own object, beyond what every item costs.
  if (!ctx.Take(sizeof(TLTTableItemInfo))) return false;
  // The cells read with the container's settings before the table is placed.
  SetContainer(&ctx.Data);
  TLTPropReader reader(data.substr(LTComponentSignature.size()), ctx.Budget);
  reader.OnUnknownProperty = [&ctx](const std::string&) {
    ctx.Warnings.Include(ltfwBadProperty);
    return true;
  };
  TTableWrapper wrapper;
  wrapper.Table = this;
  wrapper.Ctx = &ctx;
  if (reader.ReadComponent(wrapper)) return true;
  const bool outOfBudget = ctx.Budget && ctx.Budget->Exhausted();
  ctx.Fail(outOfBudget ? std::string(LTOutOfBudgetMessage) : "a table could not be read: " + reader.Error());
  return false;
}

void TLTTableItemInfo::AfterLoading(TLTSaveFormat format) {
  LayoutInvalid = true;
  for (const auto& row : Rows.Items)
    for (const auto& cell : row->Cells)
      if (cell)
        for (int i = 0; i < cell->ItemCount(); ++i) cell->GetItem(i).AfterLoading(format);
}

}  // namespace lectern
