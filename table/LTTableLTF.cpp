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
// A stored grid cannot claim more cells than this, whatever its bytes say.
constexpr int64_t kMaxCells = int64_t{1} << 22;

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

std::unique_ptr<TGraphic> PictureFromRecord(std::string_view b) {
  if (b.size() < 4) return nullptr;
  uint32_t n = 0;
  for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<uint8_t>(b[static_cast<size_t>(k)]);
  if (n > b.size() - 4) return nullptr;
  auto g = CreateGraphic(b.substr(4, n));
  if (!g) return nullptr;
  TLTMemoryStream m{std::string(b.substr(4 + n))};
  return g->LoadFromStream(m) ? std::move(g) : nullptr;
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
       pw.WriteBinary(w.Cell->SaveLTFSubDocument(w.Writer->Options()));
     },
     [](TLTPersistent& o, TLTPropReader& r) {
       auto& w = static_cast<TCellWrapper&>(o);
       const auto bytes = r.ReadBinary();
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
       static_cast<TCellWrapper&>(o).Cell->BackgroundImage = PictureFromRecord(b);
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
  pw.WriteInteger(a.Rows);
  if (a.Rows <= 0) return;
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

bool ReadCells(TLTPersistent& o, TLTPropReader& r) {
  TTableWrapper& w = TW(o);
  TLTTableItemInfo& t = *w.Table;
  const auto rows = r.ReadInteger();
  if (!rows) return false;
  if (*rows == 0) {
    t.ResetGrid(0, 0);
    return true;
  }
  const auto cols = r.ReadInteger();
  if (!cols) return false;
  // Every cell takes a few bytes: a grid larger than what remains cannot be
  // described by it, and is refused before anything is built.
  if (*rows < 0 || *cols < 1 || *rows * *cols > kMaxCells || static_cast<uint64_t>(*rows * *cols) > r.Remaining()) {
    r.Fail(kWrongEnd);
    return false;
  }
  t.ResetGrid(static_cast<int>(*rows), static_cast<int>(*cols));
  if (!r.ReadListBegin()) return false;
  for (int row = 0; row < t.NumRows(); ++row) {
    for (int col = 0; col < t.NumColumns(); ++col) {
      TLTTableCellData* cell = t.Cells(row, col);
      if (!cell) continue;  // covered by a span read before
      if (r.AtListEnd()) {
        if (r.Ok()) r.Fail(kWrongEnd);
        return false;
      }
      const auto cs = r.ReadInteger();
      const auto rs = r.ReadInteger();
      if (!cs || !rs) return false;
      if (*cs < 1 || *rs < 1 || *cs > t.NumColumns() || *rs > t.NumRows() ||
          !t.MergeRect(row, col, static_cast<int>(*rs), static_cast<int>(*cs), false)) {
        r.Fail(kWrongEnd);
        return false;
      }
      TCellWrapper cw;
      cw.Cell = cell;
      cw.Ctx = w.Ctx;
      if (!r.ReadComponent(cw)) return false;
    }
  }
  if (!r.AtListEnd()) {
    if (r.Ok()) r.Fail(kWrongEnd);
    return false;
  }
  return true;
}

const TLTDefinedProp kTableWrapperDefined[] = {
    {"T.BackgroundImg", TLTDefinedKind::Binary,
     [](const TLTPersistent& o) { return TW(o).Table->BackgroundImage != nullptr; }, nullptr, nullptr,
     [](const TLTPersistent& o) { return PictureRecord(*TW(o).Table->BackgroundImage); }, nullptr, nullptr,
     [](TLTPersistent& o, const std::string& b) { TW(o).Table->BackgroundImage = PictureFromRecord(b); }},
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
  std::string stream(LTComponentSignature);
  TTableWrapper wrapper;
  wrapper.Table = const_cast<TLTTableItemInfo*>(this);
  wrapper.Writer = &w;
  wrapper.Area = area;
  TLTPropWriter(stream).WriteComponent("TLTTableSW", "", wrapper);
  const std::string tail;
  w.Header(IntToStr(StyleNo), 3 + static_cast<int>(props.size()), LTFParaField(w, forceJoin), LTFFlags(forceJoin),
           w.DataKind(), w.TagField(Tag), &tail);
  w.Line(LTFName(w));
  for (const std::string& line : props) w.Line(line);
  w.Line("1");
  w.DataLine(stream);
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
  std::string data;
  if (!src.DataLine(static_cast<TLTFDataKind>(dataKind), data)) return false;
  if (data.compare(0, LTComponentSignature.size(), LTComponentSignature) != 0) return false;
  // The cells read with the container's settings before the table is placed.
  SetContainer(&ctx.Data);
  TLTPropReader reader(std::string_view(data).substr(LTComponentSignature.size()));
  reader.OnUnknownProperty = [&ctx](const std::string&) {
    ctx.Warnings.Include(ltfwBadProperty);
    return true;
  };
  TTableWrapper wrapper;
  wrapper.Table = this;
  wrapper.Ctx = &ctx;
  return reader.ReadComponent(wrapper);
}

}  // namespace lectern
