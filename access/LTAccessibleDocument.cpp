// The document as assistive technologies read it.
//
// Design notes. Screen readers speak in offsets of one text, so the whole
// document is laid out as plain text: paragraphs and line breaks become
// "\n", a table becomes its cells' text one cell after the other (row by
// row), each cell ended by "\n" like a paragraph, and a picture or another
// object without text U+FFFC. Every answer builds that text afresh from
// the document as it stands (a template is small, and a reader asks a few
// questions per keystroke), so no cache can disagree with the document.
// The one subtlety is a cell being edited: its items live in the cell
// editor then, and the table's CellContent names that editor's document,
// which is where the caret and the selection are too. Changes go through
// the editor's own operations, so they land in its undo history like
// typing does.

#include "access/LTAccessibleDocument.h"

#include "style/LTStyle.h"
#include "table/LTTable.h"

#include <algorithm>

namespace lectern {

namespace {

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

/// What a picture is called: its alternative text, else its hint, else
/// its name.
TLTString PictureName(const TCustomLTFormattedData& data, int itemNo) {
  const TCustomLTItemInfo& item = data.GetItem(itemNo);
  TLTString s;
  if (item.GetExtraStrProperty(ltespAlt, s) && !s.empty()) return s;
  if (item.GetExtraStrProperty(ltespHint, s) && !s.empty()) return s;
  return data.GetItemTextW(itemNo);
}

std::unique_ptr<ILTAccessibleDocument> MakeAccessibleDocument(TCustomLectern& control) {
  return std::make_unique<TLTAccessibleDocument>(control);
}

}  // namespace

void RegisterAccessibility() { SetAccessibleDocumentFactory(&MakeAccessibleDocument); }

TLTAccessibleDocument::TLTAccessibleDocument(TCustomLectern& control)
    : control_(control), editor_(dynamic_cast<TCustomLecternEdit*>(&control)) {}

// ---- The text and its map --------------------------------------------------------------------

TLTAccessibleDocument::TMap TLTAccessibleDocument::BuildMap() const {
  TMap map;
  Walk(map, control_.LTData(), -1, 0);
  return map;
}

void TLTAccessibleDocument::Walk(TMap& map, TCustomLTFormattedData& data, int parent, int depth) const {
  for (int i = 0; i < data.ItemCount(); ++i) {
    if (i > 0 && !data.GetItem(i).HasFlag(ltifJoinPrev)) map.Text += u'\n';
    AddItem(map, data, i, parent, depth);
  }
}

void TLTAccessibleDocument::AddItem(TMap& map, TCustomLTFormattedData& data, int itemNo, int parent,
                                    int depth) const {
  TCustomLTItemInfo& item = data.GetItem(itemNo);
  const TLTStyle* style = data.GetStyle();
  const int start = static_cast<int>(map.Text.size());
  auto target = [&] {
    if (LinkTarget) return LinkTarget(data, itemNo);
    const TLTString* s = item.Tag.String();
    return s ? *s : TLTString();
  };
  auto addObject = [&](TLTAccessibleRole role, TLTString name, int end) {
    TLTAccessibleObject o;
    o.Role = role;
    o.Parent = parent;
    o.Name = std::move(name);
    o.Text = {start, end};
    map.Objects.push_back(std::move(o));
    map.Sites.push_back({&data, itemNo});
  };

  if (item.IsText()) {
    const TLTString t = data.GetItemTextW(itemNo);
    map.Text += t;
    map.Spans.push_back({&data, itemNo, start, static_cast<int>(t.size()), true, parent});
    if (!style || !style->TextStyles()[data.GetItemStyle(itemNo)].Jump) return;
    // A hyperlink split over several items (a word in bold inside it) is
    // one link to a reader.
    if (!map.Objects.empty()) {
      TLTAccessibleObject& last = map.Objects.back();
      const TSite& site = map.Sites.back();
      if (last.Role == TLTAccessibleRole::Link && site.Data == &data && last.Text.End == start &&
          site.ItemNo < itemNo && data.GetItem(site.ItemNo).Tag == item.Tag) {
        last.Name += t;
        last.Text.End = start + static_cast<int>(t.size());
        return;
      }
    }
    addObject(TLTAccessibleRole::Link, t, start + static_cast<int>(t.size()));
    map.Objects.back().Target = target();
    return;
  }

  auto* table = dynamic_cast<TLTTableItemInfo*>(&item);
  if (table && depth < LTMaxTableNesting) {
    const int tableIndex = static_cast<int>(map.Objects.size());
    addObject(TLTAccessibleRole::Table, {}, start);
    map.Objects.back().Rows = table->NumRows();
    map.Objects.back().Columns = table->NumColumns();
    const size_t span = map.Spans.size();
    map.Spans.push_back({&data, itemNo, start, 0, false, parent});
    bool first = true;
    for (int r = 0; r < table->NumRows(); ++r) {
      for (int c = 0; c < table->NumColumns(); ++c) {
        TLTTableCellData* cell = table->Cells(r, c);
        if (!cell) continue;
        if (!first) map.Text += u'\n';
        first = false;
        const int cellIndex = static_cast<int>(map.Objects.size());
        const int cellStart = static_cast<int>(map.Text.size());
        TLTAccessibleObject o;
        o.Role = TLTAccessibleRole::Cell;
        o.Parent = tableIndex;
        o.Row = r;
        o.Column = c;
        o.RowSpan = cell->RowsSpanned;
        o.ColumnSpan = cell->ColumnsSpanned;
        map.Objects.push_back(std::move(o));
        map.Sites.push_back({&data, itemNo, table, r, c});
        Walk(map, table->CellContent(*cell), cellIndex, depth + 1);
        map.Objects[static_cast<size_t>(cellIndex)].Text = {cellStart, static_cast<int>(map.Text.size())};
      }
    }
    const int end = static_cast<int>(map.Text.size());
    map.Objects[static_cast<size_t>(tableIndex)].Text.End = end;
    map.Spans[span].Length = end - start;
    return;
  }

  TLTString t = item.AsText(0, data, true);
  const bool link = style && item.GetBoolValueEx(iqxHyperlink, style);
  const bool picture = item.GetImage() != nullptr && !item.GetBoolValue(iqListMarker);
  if (t.empty() && (link || picture || table)) t = TLTString(1, LTObjectReplacementChar);
  map.Text += t;
  const int end = start + static_cast<int>(t.size());
  map.Spans.push_back({&data, itemNo, start, end - start, false, parent});
  if (link) {
    addObject(TLTAccessibleRole::Link, PictureName(data, itemNo), end);
    map.Objects.back().Target = target();
  } else if (picture) {
    addObject(TLTAccessibleRole::Picture, PictureName(data, itemNo), end);
  }
}

int TLTAccessibleDocument::ToText(const TMap& map, const TCustomLTFormattedData& data, int itemNo, int offs) {
  for (const TSpan& s : map.Spans) {
    if (s.Data != &data || s.ItemNo != itemNo) continue;
    if (s.Text) return s.Start + std::clamp(offs - 1, 0, s.Length);
    return s.Start + (offs >= 1 ? s.Length : 0);
  }
  return -1;
}

TLTAccessibleDocument::TPlace TLTAccessibleDocument::ToPlace(const TMap& map, int offset) {
  if (offset < 0 || offset > static_cast<int>(map.Text.size())) return {};
  // Text wins over the objects around it (a table holds its cells' text);
  // of two objects, the innermost.
  const TSpan* best = nullptr;
  for (const TSpan& s : map.Spans) {
    if (offset < s.Start || offset > s.Start + s.Length) continue;
    if (s.Text) return {&s, offset - s.Start + 1};
    if (!best || s.Length < best->Length) best = &s;
  }
  if (!best) return {};
  return {best, offset > best->Start ? 1 : 0};
}

uint64_t TLTAccessibleDocument::Generation() {
  const TMap map = BuildMap();
  // A link that changed its address is a new object too: a reader must
  // not keep the old one.
  if (map.Text != lastText_ || map.Objects != lastObjects_) {
    ++generation_;
    lastText_ = map.Text;
    lastObjects_ = map.Objects;
  }
  return generation_;
}

TLTString TLTAccessibleDocument::Text() { return BuildMap().Text; }

bool TLTAccessibleDocument::IsEditable() { return editor_ && !editor_->ReadOnly() && editor_->Style(); }

// ---- Caret and selection ---------------------------------------------------------------------

int TLTAccessibleDocument::CaretOffset() {
  const TMap map = BuildMap();
  if (editor_) {
    // Read from the caret's stop, not through CurrentItemNo, which would
    // add an item to an empty document: a question must change nothing.
    TCustomLecternEdit& inner = editor_->InnermostEditor();
    const std::vector<TLTCharPos>& stops = inner.CaretStops();
    const int k = inner.CaretStop();
    if (k < 0 || k >= static_cast<int>(stops.size())) return 0;
    TCustomLTFormattedData& c = inner.CaretContainer();
    int itemNo = 0, offs = 0;
    if (!c.DrawItemToItem(stops[static_cast<size_t>(k)].DrawItemIndex, stops[static_cast<size_t>(k)].DrawItemOffset,
                          itemNo, offs))
      return 0;
    return std::max(0, ToText(map, c, itemNo, offs));
  }
  const TLTItemRange r = control_.SelectionRange(false);
  if (r.LastItem < 0) return 0;
  return std::max(0, ToText(map, control_.SelectionContainer(), r.LastItem, r.LastOffs));
}

std::vector<TLTTextRange> TLTAccessibleDocument::Selections() {
  TCustomLectern& sel = editor_ ? editor_->InnermostEditor() : control_;
  if (!sel.HasSelection()) return {};
  const TMap map = BuildMap();
  const TLTItemRange r = sel.SelectionRange(true);
  int a = ToText(map, sel.SelectionContainer(), r.FirstItem, r.FirstOffs);
  int e = ToText(map, sel.SelectionContainer(), r.LastItem, r.LastOffs);
  if (a < 0 || e < 0) return {};
  if (e < a) std::swap(a, e);
  if (a == e) return {};
  return {{a, e}};
}

TCustomLecternEdit* TLTAccessibleDocument::EditorOf(const TCustomLTFormattedData& data) const {
  for (TCustomLecternEdit* e = editor_; e; e = e->NestedEditor())
    if (&e->LTData() == &data) return e;
  return nullptr;
}

bool TLTAccessibleDocument::Select(int anchor, int caret) {
  // Each round opens one cell on the way (its items move into a cell
  // editor), so the offsets are looked up again after it.
  for (int round = 0; round <= LTMaxTableNesting; ++round) {
    const TMap map = BuildMap();
    const TPlace a = ToPlace(map, anchor), c = ToPlace(map, caret);
    if (!a.Span || !c.Span || a.Span->Data != c.Span->Data) return false;
    TCustomLTFormattedData& data = *a.Span->Data;
    if (!editor_) {
      control_.SetSelectionIn(data, a.Span->ItemNo, a.Offs, c.Span->ItemNo, c.Offs);
      return true;
    }
    if (TCustomLecternEdit* e = EditorOf(data)) {
      e->SetSelectionBounds(a.Span->ItemNo, a.Offs, c.Span->ItemNo, c.Offs);
      return true;
    }
    // A cell nobody edits: open the innermost cell on the way whose table
    // lies in an editor's document.
    int open = -1;
    for (int k = a.Span->Cell; k >= 0 && open < 0;) {
      if (EditorOf(*map.Sites[static_cast<size_t>(k)].Data)) open = k;
      const int table = map.Objects[static_cast<size_t>(k)].Parent;
      k = table >= 0 ? map.Objects[static_cast<size_t>(table)].Parent : -1;
    }
    if (open < 0) return false;
    const TSite& s = map.Sites[static_cast<size_t>(open)];
    if (!s.Table->EditCell(-1, s.Row, s.Col)) return false;
  }
  return false;
}

bool TLTAccessibleDocument::SetCaretOffset(int offset) { return Select(offset, offset); }

bool TLTAccessibleDocument::SetSelection(int start, int end) { return Select(start, end); }

// ---- Units of text -----------------------------------------------------------------------------

TLTTextRange TLTAccessibleDocument::UnitAt(int offset, TLTTextUnit unit) {
  const TMap map = BuildMap();
  const TLTString& t = map.Text;
  const int n = static_cast<int>(t.size());
  if (offset < 0 || offset >= n) return {-1, -1};
  auto at = [&](int i) { return t[static_cast<size_t>(i)]; };
  switch (unit) {
    case TLTTextUnit::Character: {
      int s = offset, e = offset + 1;
      if (IsLowSurrogate(at(s)) && s > 0 && IsHighSurrogate(at(s - 1))) --s;
      if (IsHighSurrogate(at(s)) && s + 1 < n && IsLowSurrogate(at(s + 1))) e = s + 2;
      return {s, e};
    }
    case TLTTextUnit::Word: {
      // A word with the delimiters after it, up to the paragraph's end;
      // the end of a paragraph is a unit of its own.
      auto isWord = [&](int i) {
        const char16_t c = at(i);
        return c != u'\n' && c != u'\t' && control_.Delimiters.find(c) == TLTString::npos;
      };
      if (at(offset) == u'\n') return {offset, offset + 1};
      int s = offset;
      if (!isWord(s))
        while (s > 0 && !isWord(s - 1) && at(s - 1) != u'\n') --s;
      while (s > 0 && isWord(s - 1)) --s;
      int e = s;
      while (e < n && isWord(e)) ++e;
      while (e < n && !isWord(e) && at(e) != u'\n') ++e;
      return {s, std::max(e, offset + 1)};
    }
    case TLTTextUnit::Paragraph:
      break;
    case TLTTextUnit::Line: {
      // The line as laid out, with the "\n" that may end it.
      const TPlace p = ToPlace(map, offset);
      if (!p.Span || !p.Span->Text) break;
      TCustomLTFormattedData& data = *p.Span->Data;
      int d = 0, o = 0;
      if (!data.ItemToDrawItem(p.Span->ItemNo, p.Offs, d, o)) break;
      const TLTLineBox line = data.LineOf(d);
      if (line.First < 0) break;
      auto edge = [&](int piece, bool end) {
        const bool text = data.GetItem(data.DrawItems[piece].ItemNo).IsText();
        const int off = end ? (text ? data.DrawItems[piece].Length + 1 : 1) : (text ? 1 : 0);
        int itemNo = 0, offs = 0;
        return data.DrawItemToItem(piece, off, itemNo, offs) ? ToText(map, data, itemNo, offs) : -1;
      };
      const int s = edge(line.First, false);
      int e = edge(line.Last, true);
      if (s < 0 || e < s) break;
      if (e < n && at(e) == u'\n') ++e;
      if (offset < s || offset >= std::max(e, s + 1)) break;
      return {s, std::max(e, s + 1)};
    }
  }
  int s = offset;
  while (s > 0 && at(s - 1) != u'\n') --s;
  int e = offset;
  while (e < n && at(e) != u'\n') ++e;
  return {s, std::min(n, e + 1)};
}

// ---- Geometry --------------------------------------------------------------------------------

TLTPointI TLTAccessibleDocument::OriginOf(const TCustomLTFormattedData& data) const {
  if (&data == &control_.LTData()) return control_.DocumentToClient({0, 0});
  if (TCustomLecternEdit* e = EditorOf(data)) return e->ToRootClient(e->DocumentToClient({0, 0}));
  // A cell: its place relative to the document it lies in, which may be a
  // cell editor's with an origin of its own.
  const auto* owner = dynamic_cast<const TCustomLTFormattedData*>(data.GetParentData());
  if (!owner) return control_.DocumentToClient(data.GetOriginInControl());
  const TLTPointI o = OriginOf(*owner);
  const TLTPointI cell = data.GetOriginInControl(), around = owner->GetOriginInControl();
  return {o.X + cell.X - around.X, o.Y + cell.Y - around.Y};
}

TLTRectI TLTAccessibleDocument::CharacterRect(int offset) {
  const TMap map = BuildMap();
  if (offset < 0 || offset >= static_cast<int>(map.Text.size())) return {};
  const TPlace p = ToPlace(map, offset);
  if (!p.Span) return {};
  TCustomLTFormattedData& data = *p.Span->Data;
  int d = 0, o = 0;
  if (!data.ItemToDrawItem(p.Span->ItemNo, p.Offs, d, o)) return {};
  const TLTDrawLineInfo& piece = data.DrawItems[d];
  TLTRectI r{piece.Left, piece.Top, piece.Left + piece.Width, piece.Top + piece.Height};
  if (p.Span->Text) {
    int x1 = data.CaretX(d, o);
    int x2 = o <= piece.Length ? data.CaretX(d, o + 1) : x1;
    if (x2 < x1) std::swap(x1, x2);
    r.Left = x1;
    r.Right = std::max(x2, x1 + 1);
  }
  const TLTPointI origin = OriginOf(data);
  return r.Moved(origin.X, origin.Y);
}

int TLTAccessibleDocument::OffsetAt(TLTPointI client) {
  const TMap map = BuildMap();
  std::vector<TCustomLTFormattedData*> containers;
  for (const TSpan& s : map.Spans)
    if (std::find(containers.begin(), containers.end(), s.Data) == containers.end()) containers.push_back(s.Data);
  for (TCustomLTFormattedData* data : containers) {
    const TLTPointI o = OriginOf(*data);
    const int x = client.X - o.X, y = client.Y - o.Y;
    int d = 0, off = 0;
    if (!data->HitTest(x, y, true, d, off)) continue;
    const TLTDrawLineInfo& piece = data->DrawItems[d];
    // A table's piece holds its cells, which are containers of their own.
    if (dynamic_cast<const TLTTableItemInfo*>(&data->GetItem(piece.ItemNo))) continue;
    if (data->GetItem(piece.ItemNo).IsText() && piece.Length > 0) {
      // The character under the point: the last boundary left of it.
      const std::vector<TLTPieceStop> stops = data->PieceStops(d);
      for (const TLTPieceStop& s : stops)
        if (s.X <= x && s.Offset <= piece.Length) off = s.Offset;
    } else {
      off = 0;
    }
    int itemNo = 0, offs = 0;
    if (!data->DrawItemToItem(d, off, itemNo, offs)) continue;
    return ToText(map, *data, itemNo, offs);
  }
  return -1;
}

std::vector<TLTAccessibleObject> TLTAccessibleDocument::Objects() { return BuildMap().Objects; }

TLTRectI TLTAccessibleDocument::ObjectBounds(int index) {
  const TMap map = BuildMap();
  if (index < 0 || index >= static_cast<int>(map.Objects.size())) return {};
  const TLTAccessibleObject& obj = map.Objects[static_cast<size_t>(index)];
  const TSite& site = map.Sites[static_cast<size_t>(index)];
  if (obj.Role == TLTAccessibleRole::Cell) {
    TLTTableCellData* cell = site.Table->Cells(site.Row, site.Col);
    if (!cell) return {};
    const TLTPointI o = OriginOf(site.Table->CellContent(*cell));
    return {o.X, o.Y, o.X + std::max(1, cell->LayoutClientWidth), o.Y + std::max(1, cell->LayoutClientHeight)};
  }
  if (obj.Role == TLTAccessibleRole::Link) {
    // A link may wrap: the box of its first and last characters.
    const TLTRectI a = CharacterRect(obj.Text.Start);
    const TLTRectI b = CharacterRect(std::max(obj.Text.Start, obj.Text.End - 1));
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
  }
  TCustomLTFormattedData& data = *site.Data;
  int d = 0, o = 0;
  if (!data.ItemToDrawItem(site.ItemNo, data.GetOffsBeforeItem(site.ItemNo), d, o)) return {};
  const TLTDrawLineInfo& piece = data.DrawItems[d];
  const TLTPointI origin = OriginOf(data);
  return TLTRectI{piece.Left, piece.Top, piece.Left + piece.Width, piece.Top + piece.Height}.Moved(origin.X,
                                                                                                   origin.Y);
}

bool TLTAccessibleDocument::ActivateObject(int index) {
  const TMap map = BuildMap();
  if (index < 0 || index >= static_cast<int>(map.Objects.size())) return false;
  if (map.Objects[static_cast<size_t>(index)].Role != TLTAccessibleRole::Link || !control_.OnJump) return false;
  const TSite& site = map.Sites[static_cast<size_t>(index)];
  // The link's number is the one the control reports it under, and only
  // when the control finds that very item under it.
  const int id = site.Data->GetItem(site.ItemNo).LinkIndex;
  TCustomLTData* data = nullptr;
  int itemNo = -1;
  if (id < 0 || !control_.GetJumpLocation(id, data, itemNo) || data != site.Data || itemNo != site.ItemNo) return false;
  control_.OnJump(control_, control_.FirstJumpNo() + id);
  return true;
}

// ---- Changes -----------------------------------------------------------------------------------

TCustomLecternEdit* TLTAccessibleDocument::ChangingEditor() const {
  if (!editor_ || !editor_->CanChange()) return nullptr;
  return &editor_->InnermostEditor();
}

bool TLTAccessibleDocument::InsertText(int offset, const TLTString& text) {
  if (!editor_ || text.empty() || !Select(offset, offset)) return false;
  TCustomLecternEdit* e = ChangingEditor();
  if (!e) return false;
  const TLTString before = Text();
  e->InsertText(text);
  return Text() != before;
}

bool TLTAccessibleDocument::DeleteText(int start, int end) {
  if (!editor_ || start >= end || !Select(start, end)) return false;
  TCustomLecternEdit* e = ChangingEditor();
  if (!e) return false;
  const TLTString before = Text();
  e->DeleteSelection();
  return Text() != before;
}

bool TLTAccessibleDocument::ReplaceText(int start, int end, const TLTString& text) {
  if (text.empty()) return DeleteText(start, end);
  if (!editor_ || start > end || !Select(start, end)) return false;
  TCustomLecternEdit* e = ChangingEditor();
  if (!e) return false;
  const TLTString before = Text();
  // Typing over a selection replaces it as one step of Undo.
  e->InsertText(text);
  return Text() != before;
}

}  // namespace lectern
