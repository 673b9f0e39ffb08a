// The table commands of `lectern edit`: inserting a table, the structure
// operations on the table at the caret, table and cell properties by name,
// and dragging a table's border with the mouse.

#include "edit/LTEdit.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"
#include "tools/lectern/LecternEditScript.h"

#include <algorithm>

namespace lectern {

namespace {

/// A script's tables stay of a size a window can show.
constexpr int kMaxScriptRows = 1000;
constexpr int kMaxScriptCols = 64;

const char kTableUsage[] =
    "table takes insert-row above|below, insert-column left|right, delete-rows, delete-columns, merge, "
    "split ROW COL, delete or set PROPERTY VALUE";

}  // namespace

bool IsTableCommand(const std::string& name) {
  return name == "insert-table" || name == "table" || name == "cell-set" || name == "drag-border";
}

std::optional<TScriptLine> ParseTableCommand(const std::vector<std::string>& args, const std::string& name,
                                             int number, TScriptError& error) {
  TScriptLine cmd;
  cmd.Number = number;
  cmd.Name = name;
  auto numbers = [&](size_t from, size_t n) {
    if (args.size() != from + n) return false;
    for (size_t k = from; k < args.size(); ++k) {
      const std::optional<int32_t> v = TryStrToInt(args[k]);
      if (!v) return false;
      cmd.Numbers.push_back(*v);
    }
    return true;
  };
  if (name == "insert-table" && numbers(0, 2)) return cmd;
  if (name == "drag-border" && numbers(0, 4)) return cmd;
  if (name == "cell-set" && args.size() == 2) {
    cmd.Sub = args[0];
    if (numbers(1, 1)) return cmd;
  }
  if (name == "table" && !args.empty()) {
    cmd.Sub = args[0];
    const std::string& s = cmd.Sub;
    if ((s == "insert-row" && args.size() == 2 && (args[1] == "above" || args[1] == "below")) ||
        (s == "insert-column" && args.size() == 2 && (args[1] == "left" || args[1] == "right"))) {
      cmd.Numbers.push_back(args[1] == "below" || args[1] == "right" ? 1 : 0);
      return cmd;
    }
    if ((s == "delete-rows" || s == "delete-columns" || s == "merge" || s == "delete") && args.size() == 1) return cmd;
    if (s == "split" && numbers(1, 2)) return cmd;
    if (s == "set" && args.size() == 3) {
      cmd.Text = Utf8ToUtf16(args[1]);
      if (numbers(2, 1)) return cmd;
    }
    error = {number, kTableUsage, true};
    return std::nullopt;
  }
  error = {number,
           name == "insert-table"  ? "insert-table takes a number of rows and of columns"
           : name == "drag-border" ? "drag-border takes the point pressed and the point released (X1 Y1 X2 Y2)"
           : name == "cell-set"    ? "cell-set takes a property's name and a number"
                                   : kTableUsage,
           true};
  return std::nullopt;
}

bool PlayTableCommand(const TScriptLine& cmd, TLTHeadlessWindow& win, TLecternEdit& editor, TScriptError& error) {
  const std::vector<int>& n = cmd.Numbers;
  auto fail = [&](std::string why) {
    error = {cmd.Number, std::move(why)};
    return false;
  };
  if (cmd.Name == "insert-table") {
    if (n[0] < 1 || n[1] < 1 || n[0] > kMaxScriptRows || n[1] > kMaxScriptCols)
      return fail("insert-table takes 1 to " + IntToStr(kMaxScriptRows) + " rows and 1 to " +
                  IntToStr(kMaxScriptCols) + " columns");
    RegisterTableItemKind();
    editor.InsertItem(std::make_unique<TLTTableItemInfo>(n[0], n[1]));
    return true;
  }
  if (cmd.Name == "drag-border") {
    // The press must fall on a border: a table shows a sizing cursor there.
    win.Move(n[0], n[1]);
    const TLTCursorId cursor = win.Cursor;
    if (cursor != crHSplit && cursor != crVSplit)
      return fail("there is no table border at " + IntToStr(n[0]) + " " + IntToStr(n[1]));
    win.Press(n[0], n[1]);
    win.Move(n[2], n[3]);
    win.Release(n[2], n[3]);
    return true;
  }
  TLTCellRect r;
  TLTTableItemInfo* table = TableAtCaret(editor, r);
  if (!table) return fail("the caret is not in a table (cell R C goes into one)");
  TLTTableItemInfo& t = *table;
  try {
    if (cmd.Name == "cell-set") {
      // Every cell's change in one step, the group left whatever happens.
      struct TGroup {
        TCustomLecternEdit& e;
        explicit TGroup(TCustomLecternEdit& editor) : e(editor) {
          e.BeginOwnUndoGroup(ltukItemChange);
          e.SetOwnUndoGroupMode(true);
        }
        ~TGroup() { e.SetOwnUndoGroupMode(false); }
      } group(*t.Editor());
      bool ok = true;
      for (int row = r.Row; row < r.Row + r.Rows; ++row)
        for (int col = r.Col; col < r.Col + r.Cols; ++col)
          if (t.Cells(row, col)) ok = t.SetCellIntProperty(-1, cmd.Sub, row, col, n[0]) && ok;
      if (!ok) return fail("the cells' " + cmd.Sub + " cannot hold " + IntToStr(n[0]));
      return true;
    }
    const std::string& s = cmd.Sub;
    if (s == "split") {
      t.UnmergeCell(n[0], n[1]);
    } else if (s == "set") {
      if (!t.SetTableIntProperty(Utf16ToUtf8(cmd.Text), n[0]))
        return fail("the table's " + Utf16ToUtf8(cmd.Text) + " cannot hold " + IntToStr(n[0]));
    } else {
      const std::pair<const char*, TLTTableCommand> commands[] = {
          {"delete-rows", TLTTableCommand::DeleteRows}, {"delete-columns", TLTTableCommand::DeleteColumns},
          {"merge", TLTTableCommand::Merge},            {"delete", TLTTableCommand::DeleteTable},
      };
      TLTTableCommand c = TLTTableCommand::Merge;
      if (s == "insert-row")
        c = n[0] ? TLTTableCommand::InsertRowBelow : TLTTableCommand::InsertRowAbove;
      else if (s == "insert-column")
        c = n[0] ? TLTTableCommand::InsertColumnRight : TLTTableCommand::InsertColumnLeft;
      for (const auto& [name, command] : commands)
        if (s == name) c = command;
      RunTableCommand(editor, c);
    }
  } catch (const ELecternError& e) {
    return fail(e.what());
  }
  return true;
}

}  // namespace lectern
