#pragma once
// A model-based walk over documents with tables: cells holding several
// styled runs, list items, sequence fields, footnotes and nested tables;
// random cell edits, structure operations, styles, undo and redo, played on
// an editor on the headless platform. After every step it compares
//  (a) the number every marker, sequence field and note shows with a fresh
//      numbering of a saved and reloaded copy, and the document's lists of
//      them with the items in document order (a cell open or not);
//  (b) the grid: every slot a cell or covered by exactly one cell;
//  (c) save, load, save: the same bytes;
// after a step that changed the document, Undo gives back the bytes before
// it and Redo the bytes after it, with right numbers both ways; at the end
// undoing everything gives the starting bytes and redoing it the final
// ones. Byte comparisons alone cannot see numbers (they are not stored),
// nor can a walk with one run per cell see text landing in another
// paragraph: this one can.
//
// The choices come from an interface, so that the test suite plays seeded
// walks and the fuzz target plays its input (fuzz/table_walk_fuzzer.cpp).

#include "edit/LTEdit.h"
#include "items/LTNote.h"
#include "items/LTSeqItem.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "style/LTStyle.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace lectern::testing {

/// Where a walk takes its choices from.
class TWalkChoices {
 public:
  virtual ~TWalkChoices() = default;
  /// A number from 0 to n - 1 (0 when n < 2).
  virtual int Pick(int n) = 0;
  /// Whether the walk should end.
  virtual bool Done() const = 0;
};

/// A seeded generator for a number of steps.
class TSeededChoices : public TWalkChoices {
 public:
  TSeededChoices(unsigned seed, int steps) : rng_(seed), left_(steps) {}
  int Pick(int n) override { return n < 2 ? 0 : static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  bool Done() const override { return left_ <= 0; }
  void Step() { --left_; }

 private:
  std::mt19937 rng_;
  int left_;
};

/// The bytes of an input, one or two per choice; done when they run out.
class TByteChoices : public TWalkChoices {
 public:
  explicit TByteChoices(std::string_view bytes) : bytes_(bytes) {}
  int Pick(int n) override {
    if (n < 2) return 0;
    unsigned v = Next();
    if (n > 256) v = v << 8 | Next();
    return static_cast<int>(v % static_cast<unsigned>(n));
  }
  bool Done() const override { return at_ >= bytes_.size(); }

 private:
  unsigned Next() { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : 0u; }
  std::string_view bytes_;
  size_t at_ = 0;
};

class TTableWalk {
 public:
  /// The first failed check, with the steps that led to it; empty while
  /// every check held.
  std::string Failure;
  int Steps = 0;
  int Changes = 0;

  explicit TTableWalk(TWalkChoices& choices) : c_(choices) {
    RegisterTableItemKind();
    RegisterSpecialItemKinds();
    BuildStyles();
    BuildListFragments();
    E.LeftMargin = E.RightMargin = E.TopMargin = E.BottomMargin = 0;
    E.SetStyle(&Style);
    E.Context().LTFOptions = LTEditorLTFOptions;
    BuildDocument();
    E.Format();
    Win.SetFocused(true);
    start_ = Save();
    Check("start");
  }

  /// Plays steps until the choices are done, a check fails, or max steps.
  void Run(int maxSteps) {
    while (Failure.empty() && !c_.Done() && Steps < maxSteps) {
      try {
        Step();
      } catch (const std::exception& e) {
        Fail(std::string("an exception: ") + e.what());
      }
      ++Steps;
      if (auto* seeded = dynamic_cast<TSeededChoices*>(&c_)) seeded->Step();
    }
    if (!Failure.empty()) return;
    try {
      Finish();
    } catch (const std::exception& e) {
      Fail(std::string("an exception at the end: ") + e.what());
    }
  }

  TLTStyle Style;
  TLTHeadlessWindow Win{56 * 7, 24 * 13};
  TLecternEdit E{Win};

 private:
  // ---- The document ----------------------------------------------------------------------------

  void BuildStyles() {
    Style.SelectionMode = ltsmChar;
    while (Style.TextStyles().Count() < 3) Style.TextStyles().Add();
    Style.TextStyles()[1].Style.Include(fsBold);
    Style.TextStyles()[2].Style.Include(fsItalic);
    while (Style.ParaStyles().Count() < 2) Style.ParaStyles().Add();
    // Two lists: decimal with a second level under it, and roman.
    TLTListInfo& decimal = Style.ListStyles().Add();
    for (int k = 0; k < 2; ++k) {
      TLTListLevel& level = decimal.Levels.Add();
      level.ListType = ltlstDecimal;
      level.FormatString = k == 0 ? u"%s." : u"%0:s.%1:s";
    }
    TLTListLevel& roman = Style.ListStyles().Add().Levels.Add();
    roman.ListType = ltlstUpperRoman;
    roman.FormatString = u"(%s)";
  }

  /// List paragraphs as the clipboard holds them, in this sheet: a new
  /// list item comes in as a user pastes one (the editor has no command
  /// that makes a marker, and a marker alone is no paragraph).
  void BuildListFragments() {
    TLTDocumentContext context;
    context.Style = &Style;
    context.LTFOptions = LTEditorLTFOptions;
    for (int k = 0; k < 4; ++k) {
      TCustomLTData d;
      d.SetContext(&context);
      auto marker = std::make_unique<TLTMarkerItemInfo>(k == 3 ? 1 : 0, k == 1 ? 1 : 0, k == 2 ? 5 : 0, k == 2);
      marker->ParaNo = 0;
      d.AddItem({}, std::move(marker));
      d.AddTextW(u"li", 0, -1);
      TLTMemoryStream out;
      d.SaveLTFToStream(out);
      listFragments_.push_back(out.Data());
    }
  }

  bool PasteListItem(TCustomLecternEdit& e) {
    TLTMemoryStream in(listFragments_[static_cast<size_t>(c_.Pick(static_cast<int>(listFragments_.size())))]);
    return e.InsertLTFAtCaret(in);
  }

  std::unique_ptr<TLTMarkerItemInfo> NewMarker() {
    const int list = c_.Pick(4) == 0 ? 1 : 0;
    const int level = list == 0 && c_.Pick(3) == 0 ? 1 : 0;
    const bool reset = c_.Pick(8) == 0;
    return std::make_unique<TLTMarkerItemInfo>(list, level, reset ? 5 : 0, reset);
  }

  std::unique_ptr<TCustomLTItemInfo> NewField(TCustomLTData& context) {
    if (c_.Pick(2) == 0) {
      auto seq = std::make_unique<TLTSeqItemInfo>(c_.Pick(3) == 0 ? u"table" : u"Figure", ltseqDecimal);
      seq->Reset = c_.Pick(8) == 0;
      seq->StartFrom = 3;
      return seq;
    }
    auto note = std::make_unique<TLTFootnoteItemInfo>();
    note->SetNoteText(u"note", 0, context);
    return note;
  }

  /// One paragraph at the end of d: styled runs, a list item, fields.
  void AddParagraph(TCustomLTData& d, int depth) {
    switch (c_.Pick(depth == 1 ? 5 : 4)) {
      case 0:
        d.AddTextW(u"plain ", 0, c_.Pick(2));
        d.AddTextW(u"bold", 1, -1);
        d.AddTextW(u" tail", 2, -1);
        break;
      case 1: {
        auto marker = NewMarker();
        marker->ParaNo = 0;
        d.AddItem({}, std::move(marker));
        d.AddTextW(u"item ", 0, -1);
        if (c_.Pick(2)) d.AddTextW(u"b", 1, -1);
        break;
      }
      case 2: {
        d.AddTextW(u"see ", 0, 0);
        auto field = NewField(d);
        field->ParaNo = -1;
        d.AddItem({}, std::move(field));
        break;
      }
      case 3: {
        auto marker = NewMarker();
        marker->ParaNo = 0;
        d.AddItem({}, std::move(marker));
        auto field = NewField(d);
        field->ParaNo = -1;
        d.AddItem({}, std::move(field));
        d.AddTextW(u" x", 2, -1);
        break;
      }
      default:
        AddTable(d, depth + 1);
        break;
    }
  }

  void AddTable(TCustomLTData& d, int depth) {
    const int rows = 1 + c_.Pick(3), cols = 1 + c_.Pick(3);
    auto table = std::make_unique<TLTTableItemInfo>(rows, cols);
    table->ParaNo = 0;
    for (int r = 0; r < rows; ++r)
      for (int col = 0; col < cols; ++col) {
        TLTTableCellData& cell = *table->Cells(r, col);
        cell.Clear();
        const int paras = 1 + c_.Pick(2);
        for (int p = 0; p < paras; ++p) AddParagraph(cell, depth);
      }
    d.AddItem({}, std::move(table));
  }

  void BuildDocument() {
    TCustomLTData& d = E.LTData();
    const int blocks = 2 + c_.Pick(3);
    for (int b = 0; b < blocks; ++b) {
      if (c_.Pick(2)) AddParagraph(d, 1);
      AddTable(d, 1);
    }
    AddParagraph(d, 2);
  }

  // ---- What is checked -------------------------------------------------------------------------

  /// The numbers shown in document order, and the items whose lists they
  /// are in, walking every sub-document (a cell being edited included).
  struct TNumbers {
    std::vector<std::string> Shown;
    std::vector<const TLTMarkerItemInfo*> Markers;
    std::vector<const TLTSeqItemInfo*> Fields;
  };

  static void Collect(TCustomLTData& d, TNumbers& out) {
    for (int i = 0; i < d.ItemCount(); ++i) {
      TCustomLTItemInfo& item = d.GetItem(i);
      if (item.StyleNo == ltikMarker) {
        const auto& m = static_cast<const TLTMarkerItemInfo&>(item);
        out.Shown.push_back("list" + std::to_string(m.ListNo) + ":" + Utf16ToUtf8(m.DisplayString));
        out.Markers.push_back(&m);
      } else if (const auto* f = dynamic_cast<const TLTSeqItemInfo*>(&item)) {
        out.Shown.push_back(Utf16ToUtf8(f->GetSeqName()) + ":" + Utf16ToUtf8(f->LabelText));
        out.Fields.push_back(f);
      }
      std::unique_ptr<TLTSubDocCursor> cursor;
      for (TCustomLTData* sub = item.GetSubDocument(cursor, ltsdFirst); sub;
           sub = item.GetSubDocument(cursor, ltsdNext))
        Collect(*sub, out);
    }
  }

  static std::string Joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += x + " ";
    return s;
  }

  void Fail(const std::string& what) {
    if (!Failure.empty()) return;
    Failure = what + "\nsteps:" + log_;
  }

  /// The lists the document keeps hold exactly its items, in their order.
  void CheckLists(const TNumbers& n, const std::string& when) {
    const TLTMarkerList* markers = E.LTData().GetMarkers();
    const int count = markers ? markers->Count() : 0;
    bool same = count == static_cast<int>(n.Markers.size());
    for (int i = 0; same && i < count; ++i) same = &(*markers)[i] == n.Markers[static_cast<size_t>(i)];
    if (!same)
      Fail(when + ": the marker list holds " + std::to_string(count) + " markers, the document " +
           std::to_string(n.Markers.size()) + " (or in another order)");
    const auto* fields = dynamic_cast<const TLTSeqList*>(E.LTData().GetSeqList());
    const int fcount = fields ? fields->Count() : 0;
    same = fcount == static_cast<int>(n.Fields.size());
    for (int i = 0; same && i < fcount; ++i) same = &fields->Item(i) == n.Fields[static_cast<size_t>(i)];
    if (!same)
      Fail(when + ": the field list holds " + std::to_string(fcount) + " fields, the document " +
           std::to_string(n.Fields.size()) + " (or in another order)");
  }

  void CheckGrid(TCustomLTData& d, const std::string& when) {
    for (int i = 0; i < d.ItemCount(); ++i) {
      auto* t = dynamic_cast<TLTTableItemInfo*>(&d.GetItem(i));
      if (!t) continue;
      std::vector<int> cover(static_cast<size_t>(t->NumRows() * t->NumColumns()));
      for (int r = 0; r < t->NumRows(); ++r) {
        if (t->Rows[r].Count() != t->NumColumns()) return Fail(when + ": a row of the wrong length");
        for (int col = 0; col < t->NumColumns(); ++col) {
          TLTTableCellData* cell = t->Cells(r, col);
          if (!cell) continue;
          for (int a = r; a < r + cell->RowsSpanned; ++a)
            for (int b = col; b < col + cell->ColumnsSpanned; ++b) {
              if (a >= t->NumRows() || b >= t->NumColumns()) return Fail(when + ": a span past the grid");
              ++cover[static_cast<size_t>(a * t->NumColumns() + b)];
            }
          CheckGrid(t->CellContent(*cell), when);
        }
      }
      for (int k : cover)
        if (k != 1) return Fail(when + ": a slot covered " + std::to_string(k) + " times");
    }
  }

  std::string Save() {
    TLTMemoryStream out;
    E.LTData().SaveLTFToStream(out);
    return out.Data();
  }

  /// Numbers as a fresh reading of bytes numbers them; save-load-save.
  std::vector<std::string> FreshNumbers(const std::string& bytes, const std::string& when) {
    TLTDocument copy;
    copy.Context.LTFOptions = LTEditorLTFOptions;
    TLTMemoryStream in(bytes);
    if (!copy.Data.LoadLTFFromStream(in)) {
      Fail(when + ": the saved document does not load: " + copy.Context.LTFError);
      return {};
    }
    copy.Data.RenumberMarkers();
    if (auto* fields = dynamic_cast<TLTSeqList*>(copy.Data.GetSeqList())) fields->RenumberAll();
    TLTMemoryStream again;
    copy.Data.SaveLTFToStream(again);
    if (again.Data() != bytes) {
      const std::string& b = again.Data();
      size_t at = 0;
      while (at < bytes.size() && at < b.size() && bytes[at] == b[at]) ++at;
      auto around = [at](const std::string& x) {
        const size_t from = at < 40 ? 0 : at - 40;
        return x.substr(std::min(from, x.size()), 100);
      };
      Fail(when + ": save, load and save give other bytes, from byte " + std::to_string(at) + ":\n[" + around(bytes) +
           "]\n[" + around(b) + "]");
    }
    TNumbers n;
    Collect(copy.Data, n);
    return n.Shown;
  }

  /// The whole check; a cell open stays open.
  std::string Check(const std::string& when) {
    TNumbers live;
    Collect(E.LTData(), live);
    CheckLists(live, when + " (cell open)");
    // The cell goes back to its table for saving, and is opened again.
    TLTTableItemInfo* open = OpenTable();
    const int row = open ? open->EditedRow() : -1, col = open ? open->EditedCol() : -1;
    E.EndNestedEditing();
    TNumbers closed;
    Collect(E.LTData(), closed);
    CheckLists(closed, when);
    CheckGrid(E.LTData(), when);
    const std::string bytes = Save();
    const std::vector<std::string> fresh = FreshNumbers(bytes, when);
    if (Failure.empty() && live.Shown != fresh)
      Fail(when + ": numbers shown with the cell open\n  " + Joined(live.Shown) + "\nafter reloading\n  " +
           Joined(fresh));
    if (Failure.empty() && closed.Shown != fresh)
      Fail(when + ": numbers shown\n  " + Joined(closed.Shown) + "\nafter reloading\n  " + Joined(fresh));
    if (open && row >= 0) open->EditCell(-1, row, col);
    return bytes;
  }

  // ---- Steps -------------------------------------------------------------------------------------

  std::vector<TLTTableItemInfo*> Tables() {
    std::vector<TLTTableItemInfo*> out;
    TCustomLTData& d = E.LTData();
    for (int i = 0; i < d.ItemCount(); ++i)
      if (auto* t = dynamic_cast<TLTTableItemInfo*>(&d.GetItem(i))) out.push_back(t);
    return out;
  }

  /// The top-level table with a cell open, if any.
  TLTTableItemInfo* OpenTable() {
    for (TLTTableItemInfo* t : Tables())
      if (t->InplaceEditor()) return t;
    return nullptr;
  }

  TCustomLecternEdit* Cell() {
    TCustomLecternEdit& in = E.InnermostEditor();
    return &in == &E ? nullptr : &in;
  }

  /// Opens a cell of a top-level table (and maybe of a table inside it).
  bool OpenCell() {
    const std::vector<TLTTableItemInfo*> tables = Tables();
    if (tables.empty()) return false;
    TLTTableItemInfo& t = *tables[static_cast<size_t>(c_.Pick(static_cast<int>(tables.size())))];
    if (t.NumRows() == 0 || t.NumColumns() == 0) return false;
    const int r = c_.Pick(t.NumRows()), col = c_.Pick(t.NumColumns());
    if (!t.EditCell(-1, r, col, {.CaretAtEnd = c_.Pick(2) == 0})) return false;
    log_ += " open(" + std::to_string(r) + "," + std::to_string(col) + ")";
    TCustomLecternEdit* in = Cell();
    if (!in || c_.Pick(3) != 0) return true;
    TCustomLTData& d = in->LTData();
    for (int i = 0; i < d.ItemCount(); ++i)
      if (auto* inner = dynamic_cast<TLTTableItemInfo*>(&d.GetItem(i))) {
        const int a = c_.Pick(inner->NumRows()), b = c_.Pick(inner->NumColumns());
        if (inner->EditCell(-1, a, b)) log_ += " inner(" + std::to_string(a) + "," + std::to_string(b) + ")";
        break;
      }
    return true;
  }

  /// Puts the cell's caret at the edge of a random item.
  void PlaceCaret(TCustomLecternEdit& in) {
    const int n = in.LTData().ItemCount();
    if (n > 0) in.SetCaretAtItemEdge(c_.Pick(n), c_.Pick(2) == 0);
  }

  void Key(int key, TLTShiftState shift = {}) {
    Win.SetKeys(shift);
    Win.Key(key);
    Win.SetKeys({});
  }

  void CellEdit(TCustomLecternEdit& in) {
    switch (c_.Pick(7)) {
      case 0:
        PlaceCaret(in);
        in.TypeText(u"ab");
        log_ += " type";
        break;
      case 1:
        PlaceCaret(in);
        Key(vkReturn);
        log_ += " enter";
        break;
      case 2:
        // A new list item at the end of the cell.
        in.SetCaretAtItemEdge(in.LTData().ItemCount() - 1, true);
        Key(vkReturn);
        PasteListItem(in);
        log_ += " list-item";
        break;
      case 3:
        PlaceCaret(in);
        in.InsertItem(NewField(in.LTData()));
        log_ += " field";
        break;
      case 4:
        PlaceCaret(in);
        for (int k = 1 + c_.Pick(3); k > 0; --k) Key(c_.Pick(2) ? vkBack : vkDelete);
        log_ += " delete";
        break;
      case 5:
        in.SelectAll();
        in.ApplyTextStyle(c_.Pick(3));
        log_ += " text-style";
        break;
      default:
        PlaceCaret(in);
        in.ApplyParaStyle(c_.Pick(2));
        log_ += " para-style";
        break;
    }
  }

  void TableOperation() {
    const std::vector<TLTTableItemInfo*> tables = Tables();
    if (tables.empty()) return;
    TLTTableItemInfo& t = *tables[static_cast<size_t>(c_.Pick(static_cast<int>(tables.size())))];
    E.EndNestedEditing();
    // A table whose last column went has no cell to stand in.
    if (t.NumRows() == 0 || t.NumColumns() == 0) return;
    const int r = c_.Pick(t.NumRows()), col = c_.Pick(t.NumColumns());
    // A cell open, or a rectangle of cells selected.
    if (c_.Pick(2)) {
      t.EditCell(-1, r, col);
    } else {
      const int ro = c_.Pick(std::min(3, t.NumRows() - r)), co = c_.Pick(std::min(3, t.NumColumns() - col));
      t.SelectCells(r, col, co, ro);
    }
    static constexpr TLTTableCommand kCommands[] = {
        TLTTableCommand::InsertRowAbove,
        TLTTableCommand::InsertRowBelow,
        TLTTableCommand::InsertColumnLeft,
        TLTTableCommand::InsertColumnRight,
        TLTTableCommand::DeleteRows,
        TLTTableCommand::DeleteColumns,
        TLTTableCommand::Merge,
        TLTTableCommand::Merge,
        TLTTableCommand::Split,
        TLTTableCommand::DeleteTable,
    };
    const int k = c_.Pick(static_cast<int>(std::size(kCommands)));
    log_ += " table-op" + std::to_string(k) + "(" + std::to_string(r) + "," + std::to_string(col) + ")";
    try {
      RunTableCommand(E, kCommands[k]);
    } catch (const ELecternError&) {
      // Refused arguments change nothing.
    }
  }

  void BodyEdit() {
    E.EndNestedEditing();
    E.SetCaretAtItemEdge(E.LTData().ItemCount() - 1, true);
    Key(vkReturn);
    if (c_.Pick(2)) {
      PasteListItem(E);
      E.TypeText(u"body");
      log_ += " body-list";
    } else {
      E.InsertItem(NewField(E.LTData()));
      log_ += " body-field";
    }
  }

  void Step() {
    const std::string before = last_.empty() ? start_ : last_;
    bool undoable = true;
    const int kind = c_.Pick(20);
    TCustomLecternEdit* in = Cell();
    if (kind < 3 || (!in && kind < 10)) {
      OpenCell();
      undoable = false;
    } else if (kind < 10) {
      CellEdit(*in);
    } else if (kind < 14) {
      TableOperation();
    } else if (kind < 16) {
      log_ += " undo";
      if (c_.Pick(2))
        E.Undo();
      else
        Key('Z', {ssCtrl});
      undoable = false;
    } else if (kind < 17) {
      log_ += " redo";
      if (c_.Pick(2))
        E.Redo();
      else
        Key('Y', {ssCtrl});
      undoable = false;
    } else if (kind < 18) {
      log_ += " tab";
      Key(vkTab);
      undoable = false;
    } else {
      BodyEdit();
    }
    const std::string after = Check("after" + log_.substr(std::min(log_.size(), log_.rfind(' '))));
    last_ = after;
    if (!Failure.empty() || after == before || !undoable) return;
    ++Changes;
    // Undo gives back the bytes before the step, Redo those after it.
    int undos = 0;
    E.EndNestedEditing();
    while (Save() != before && undos < 8 && E.UndoAction() != ltukNone) {
      E.Undo();
      E.EndNestedEditing();
      ++undos;
    }
    if (Check("undo of the step") != before) return Fail("undo does not give back the document before the step");
    E.EndNestedEditing();
    for (int k = 0; k < undos; ++k) {
      E.Redo();
      E.EndNestedEditing();
    }
    if (Check("redo of the step") != after) Fail("redo does not give back the document after the step");
  }

  void Finish() {
    E.EndNestedEditing();
    const std::string end = Save();
    // Steps undone by the walk itself may wait in the redo list: redoing
    // goes as far as undoing went.
    int undone = 0;
    for (; undone < 100000 && E.UndoAction() != ltukNone; ++undone) {
      E.Undo();
      E.EndNestedEditing();
    }
    if (Check("undo to the start") != start_) return Fail("undoing everything does not give the starting document");
    for (int k = 0; k < undone; ++k) {
      E.Redo();
      E.EndNestedEditing();
    }
    if (Check("redo to the end") != end) Fail("redoing everything does not give the final document");
  }

  TWalkChoices& c_;
  std::vector<std::string> listFragments_;
  std::string start_, last_, log_;
};

}  // namespace lectern::testing
