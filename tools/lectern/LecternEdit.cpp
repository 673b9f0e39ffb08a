// The edit command of `lectern`: an editing script played on the editor
// control in a headless window, against a document read from a file, whose
// result is written to another. This is how users automate edits and how
// tests drive the editor from outside.
//
// A script is UTF-8, one command a line; # starts a comment. The whole
// script is read and checked before anything runs, so that a malformed line
// writes nothing.

#include "app/FieldCodes.h"
#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "platform/LTDataTable.h"
#include "edit/LTEdit.h"
#include "interchange/LTFormats.h"
#include "items/LTNote.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "style/LTStyleTemplates.h"
#include "table/LTTable.h"
#include "tools/lectern/LecternEditScript.h"
#include "tools/lectern/LecternFormats.h"
#include "tools/lectern/LecternTool.h"

#include <cctype>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <ostream>
#include <sstream>

namespace lectern {

namespace {

/// The height of the window a script plays in, pixels.
constexpr int kScriptWindowHeight = 600;

const std::pair<const char*, int> kKeyNames[] = {
    {"Left", vkLeft},      {"Right", vkRight},   {"Up", vkUp},         {"Down", vkDown},     {"Home", vkHome},
    {"End", vkEnd},        {"PageUp", vkPrior},  {"PageDown", vkNext}, {"Tab", vkTab},       {"Enter", vkReturn},
    {"Backspace", vkBack}, {"Delete", vkDelete}, {"Escape", vkEscape}, {"Insert", vkInsert},
};

/// The key of a name: a letter, a digit, one of the names above, or F1 to F12.
std::optional<int> KeyByName(const std::string& name) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return std::toupper(static_cast<unsigned char>(name[0]));
  for (const auto& [n, k] : kKeyNames)
    if (name == n) return k;
  if (name.size() >= 2 && name[0] == 'F') {
    const std::optional<int32_t> f = TryStrToInt(name.substr(1));
    if (f && *f >= 1 && *f <= 12 && name.substr(1) == IntToStr(*f)) return vkF1 + *f - 1;
  }
  return std::nullopt;
}

/// Splits "ctrl+shift+X" into the keys held and the rest.
TLTShiftState TakeModifiers(std::string& word) {
  TLTShiftState keys;
  for (;;) {
    if (word.rfind("ctrl+", 0) == 0) {
      keys.Include(ssCtrl);
      word.erase(0, 5);
    } else if (word.rfind("shift+", 0) == 0) {
      keys.Include(ssShift);
      word.erase(0, 6);
    } else if (word.rfind("alt+", 0) == 0) {
      keys.Include(ssAlt);
      word.erase(0, 4);
    } else {
      return keys;
    }
  }
}

/// The text of a type command: \t, \n and \\ as escapes.
bool Unescape(std::string_view in, std::string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out += in[i];
      continue;
    }
    if (++i >= in.size()) return false;
    switch (in[i]) {
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        return false;
    }
  }
  return true;
}

// ---- Special items: labels, sequence fields and notes ----------------------------------

const std::pair<const char*, TLTSeqType> kSeqTypeNames[] = {
    {"decimal", ltseqDecimal},         {"lower-alpha", ltseqLowerAlpha}, {"upper-alpha", ltseqUpperAlpha},
    {"lower-roman", ltseqLowerRoman}, {"upper-roman", ltseqUpperRoman},
};

bool IsSpecialItemCommand(const std::string& name) {
  return name == "insert-label" || name == "insert-sequence" || name == "insert-footnote" ||
         name == "insert-endnote";
}

/// insert-label TEXT, insert-footnote TEXT, insert-endnote TEXT (the text
/// after one space, with the escapes of type), insert-sequence NAME [TYPE]
/// (the type's number goes in Numbers).
std::optional<TScriptLine> ParseSpecialItem(const std::string& line, size_t start, const std::string& name,
                                            int number, TScriptError& error) {
  TScriptLine cmd;
  cmd.Number = number;
  cmd.Name = name;
  if (name == "insert-sequence") {
    std::istringstream words(line.substr(start + name.size()));
    std::vector<std::string> args;
    for (std::string w; words >> w;) args.push_back(w);
    std::optional<TLTSeqType> type = args.size() == 1 ? std::optional(ltseqDecimal) : std::nullopt;
    if (args.size() == 2)
      for (const auto& [n, t] : kSeqTypeNames)
        if (args[1] == n) type = t;
    if (!type) {
      error = {number,
               "insert-sequence takes a name and optionally a type (decimal, lower-alpha, upper-alpha, "
               "lower-roman, upper-roman)",
               true};
      return std::nullopt;
    }
    cmd.Text = Utf8ToUtf16(args[0]);
    cmd.Numbers.push_back(*type);
    return cmd;
  }
  const size_t at = start + name.size();
  std::string text;
  if (at < line.size() && (line[at] != ' ' || !Unescape(std::string_view(line).substr(at + 1), text))) {
    error = {number, name + " takes the text after one space (escapes \\t, \\n, \\\\)", true};
    return std::nullopt;
  }
  cmd.Text = Utf8ToUtf16(text);
  return cmd;
}

/// The item a special item command inserts, in the caret's text style.
std::unique_ptr<TCustomLTItemInfo> MakeSpecialItem(const TScriptLine& cmd, TCustomLecternEdit& editor) {
  const int32_t style = editor.CurrentTextStyle();
  if (cmd.Name == "insert-sequence") {
    auto seq = std::make_unique<TLTSeqItemInfo>(cmd.Text, static_cast<TLTSeqType>(cmd.Numbers[0]));
    seq->TextStyleNo = style;
    return seq;
  }
  if (cmd.Name == "insert-label") {
    auto label = std::make_unique<TLTLabelItemInfo>();
    label->LabelText = cmd.Text;
    label->TextStyleNo = style;
    return label;
  }
  std::unique_ptr<TCustomLTNoteItemInfo> note;
  if (cmd.Name == "insert-footnote")
    note = std::make_unique<TLTFootnoteItemInfo>();
  else
    note = std::make_unique<TLTEndnoteItemInfo>();
  note->TextStyleNo = style;
  note->SetNoteText(cmd.Text, 0, editor.LTData());
  return note;
}

/// Checks one line; nothing for blank lines and comments.
std::optional<TScriptLine> ParseLine(const std::string& raw, int number, TScriptError& error) {
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos || line[start] == '#') return std::nullopt;
  TScriptLine cmd;
  cmd.Number = number;
  std::istringstream words(line.substr(start));
  std::string name;
  words >> name;
  if (IsSpecialItemCommand(name)) return ParseSpecialItem(line, start, name, number, error);
  if (name == "view") {
    // A record number (0: the field codes) or a country's name, the rest
    // of the line after one space.
    const size_t at = start + name.size();
    TScriptLine cmd;
    cmd.Number = number;
    cmd.Name = name;
    if (at >= line.size() || line[at] != ' ' || line.find_first_not_of(' ', at) == std::string::npos) {
      error = {number, "view takes a record number (0 for the field codes) or a country's name", true};
      return std::nullopt;
    }
    cmd.Text = Utf8ToUtf16(line.substr(at + 1));
    return cmd;
  }
  if (name == "type" || name == "tag" || name == "expect-text" || name == "insert-file" ||
      name == "insert-picture") {
    // The text is the rest after the one space that follows the command.
    const size_t at = start + name.size();
    std::string text;
    const bool path = name == "insert-file" || name == "insert-picture";
    const bool bad = at < line.size() && (line[at] != ' ' || !Unescape(std::string_view(line).substr(at + 1), text));
    if (bad || (path && text.empty())) {
      error = {number,
               name + (path ? " takes a file name after one space" : " takes the text after one space") +
                   " (escapes \\t, \\n, \\\\)",
               true};
      return std::nullopt;
    }
    cmd.Name = name;
    cmd.Text = Utf8ToUtf16(text);
    return cmd;
  }
  if (name == "text-style" || name == "para-style" || name == "template") {
    // A number, or a style's name in double quotes; a template by its name.
    std::string rest = line.substr(start + name.size());
    const size_t a = rest.find_first_not_of(" \t");
    rest = a == std::string::npos ? std::string{} : rest.substr(a);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    cmd.Name = name;
    if (name == "template") {
      if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
      if (rest.empty()) {
        error = {number, "template takes a style template's name", true};
        return std::nullopt;
      }
      cmd.Text = Utf8ToUtf16(rest);
      return cmd;
    }
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
      cmd.Text = Utf8ToUtf16(rest.substr(1, rest.size() - 2));
      return cmd;
    }
    if (const std::optional<int32_t> v = TryStrToInt(rest)) {
      cmd.Numbers.push_back(*v);
      return cmd;
    }
    error = {number, name + " takes a style number or a quoted style name", true};
    return std::nullopt;
  }
  if (name == "drop-file") {
    // The path may hold blanks: the point is the last two words.
    std::string rest = line.substr(start + name.size());
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    std::vector<std::string> tail;
    std::string head = rest;
    for (int k = 0; k < 2; ++k) {
      const size_t cut = head.find_last_of(" \t");
      if (cut == std::string::npos) break;
      tail.insert(tail.begin(), head.substr(cut + 1));
      head.resize(cut);
      while (!head.empty() && (head.back() == ' ' || head.back() == '\t')) head.pop_back();
    }
    const size_t a = head.find_first_not_of(" \t");
    const std::optional<int32_t> x = tail.size() == 2 ? TryStrToInt(tail[0]) : std::nullopt;
    const std::optional<int32_t> y = tail.size() == 2 ? TryStrToInt(tail[1]) : std::nullopt;
    if (a == std::string::npos || !x || !y) {
      error = {number, "drop-file takes a file name and a point X Y", true};
      return std::nullopt;
    }
    cmd.Name = name;
    cmd.Text = Utf8ToUtf16(head.substr(a));
    cmd.Numbers = {*x, *y};
    return cmd;
  }
  if (name == "paste-file" || name == "clipboard-add") {
    // The path may hold blanks: the flavour is the last word.
    std::string rest = line.substr(start + name.size());
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    const size_t a = rest.find_first_not_of(" \t"), cut = rest.find_last_of(" \t");
    if (a == std::string::npos || cut == std::string::npos || cut < a) {
      error = {number, name + " takes a file name and a MIME type", true};
      return std::nullopt;
    }
    cmd.Name = name;
    cmd.Text = Utf8ToUtf16(rest.substr(a, cut - a));
    cmd.Sub = rest.substr(cut + 1);
    return cmd;
  }
  std::vector<std::string> args;
  for (std::string w; words >> w;) args.push_back(w);
  if (IsTableCommand(name)) return ParseTableCommand(args, name, number, error);
  auto numbers = [&](size_t n) {
    if (args.size() != n) return false;
    for (const std::string& a : args) {
      const std::optional<int32_t> v = TryStrToInt(a);
      if (!v) return false;
      cmd.Numbers.push_back(*v);
    }
    return true;
  };
  std::string bare = name;
  cmd.Keys = TakeModifiers(bare);
  cmd.Name = bare;
  if (name == "key" && args.size() == 1) {
    std::string k = args[0];
    cmd.Keys = TakeModifiers(k);
    if (const std::optional<int> key = KeyByName(k)) {
      cmd.Key = *key;
      return cmd;
    }
    error = {number, "unknown key " + args[0], true};
    return std::nullopt;
  }
  const bool mouse = bare == "click" || bare == "dblclick" || bare == "drag";
  const bool onlyShift = cmd.Keys.Empty() || cmd.Keys == TLTShiftState{ssShift};
  // Ctrl with a drag of the selection copies it instead of moving it.
  const bool ctrlDrag = bare == "drag" && cmd.Keys == TLTShiftState{ssCtrl};
  if (mouse && (onlyShift || ctrlDrag) && numbers(bare == "drag" ? 4 : 2)) return cmd;
  if (cmd.Keys.Empty()) {
    if ((name == "caret" || name == "expect-caret") && numbers(2)) return cmd;
    if (name == "cell" && (numbers(2) || numbers(4))) return cmd;
    if (name == "select" && numbers(4)) return cmd;
    if ((name == "resize" || name == "resize-item") && numbers(3)) return cmd;
    if (name == "paste" && args.size() == 1) {
      cmd.Sub = args[0];
      return cmd;
    }
    if (name == "insert-field" && args.size() == 1) {
      cmd.Text = Utf8ToUtf16(args[0]);
      return cmd;
    }
    if (name == "print" && args.empty()) return cmd;
    const bool plain = name == "delete" || name == "undo" || name == "redo" || name == "insert-rule" ||
                       name == "insert-tab" || name == "clear-codes" || name == "copy" || name == "cut" ||
                       name == "paste";
    if (plain && args.empty()) return cmd;
    auto choice = [&](const char* yes, const char* no) {
      if (args.size() != 1 || (args[0] != yes && args[0] != no)) return false;
      cmd.Numbers.push_back(args[0] == yes ? 1 : 0);
      return true;
    };
    if ((name == "page-break" || name == "readonly" || name == "typing-by-word") && choice("on", "off")) return cmd;
    if (name == "expect-modified" && choice("yes", "no")) return cmd;
  }
  error = {number, "not a command: " + line.substr(start), true};
  return std::nullopt;
}

/// The cell path of a container inside tables, outermost first: " cell R C"
/// for each level.
std::string CellPath(const TCustomLTData& container) {
  std::vector<std::string> levels;
  for (const TCustomLTData* c = &container; c->GetParentData(); c = c->GetParentData()) {
    const auto* table = dynamic_cast<const TLTTableItemInfo*>(c->GetOwnerItem());
    if (!table) break;
    for (int r = 0; r < table->NumRows(); ++r)
      for (int col = 0; col < table->NumColumns(); ++col)
        if (table->Cells(r, col) == c) levels.push_back(" cell " + IntToStr(r) + " " + IntToStr(col));
  }
  std::string out;
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) out += *it;
  return out;
}

/// The cells being edited from the root editor down (" cell R C" each),
/// and a selection of cells at the end (" cells R C R2 C2").
std::string EditorCellPath(TCustomLecternEdit& root) {
  std::string out;
  for (TCustomLecternEdit* e = &root; e; e = e->NestedEditor()) {
    const auto* table = dynamic_cast<const TLTTableItemInfo*>(e->NestedEditing());
    if (!table) break;
    if (table->InplaceEditor()) {
      out += " cell " + IntToStr(table->EditedRow()) + " " + IntToStr(table->EditedCol());
    } else if (TLTCellRect r; table->GetSelectedCellsRect(r)) {
      out += " cells " + IntToStr(r.Row) + " " + IntToStr(r.Col) + " " + IntToStr(r.Row + r.Rows - 1) + " " +
             IntToStr(r.Col + r.Cols - 1);
    }
  }
  return out;
}

/// Plays the script on the editor; the error of a failed command.
class TScriptPlayer {
 public:
  TScriptPlayer(TLTHeadlessWindow& win, TLecternEdit& editor, std::ostream& out, std::ostream& err,
                const std::string& scriptName, std::string dbPath)
      : win_(win), e_(editor), out_(out), err_(err), name_(scriptName), dbPath_(std::move(dbPath)) {
    e_.OnRefused = [this](TCustomLecternEdit&) { ++refusals_; };
    // As in the program: what is typed beside a merged value is the user's.
    KeepFieldValuesWhole(e_);
  }

  bool Play(const TScriptLine& cmd, TScriptError& error) {
    const int before = refusals_;
    const bool ok = Run(cmd, error);
    if (refusals_ != before) err_ << "lectern: " << name_ << ":" << cmd.Number << ": beep\n";
    return ok;
  }

 private:
  bool Run(const TScriptLine& cmd, TScriptError& error) {
    const std::vector<int>& n = cmd.Numbers;
    win_.SetKeys(cmd.Keys);
    if (IsTableCommand(cmd.Name)) {
      if (!PlayTableCommand(cmd, win_, e_, error)) return false;
    } else if (IsSpecialItemCommand(cmd.Name)) {
      e_.InsertItem(MakeSpecialItem(cmd, e_));
    } else if (cmd.Name == "key") {
      if (!win_.Key(cmd.Key) && cmd.Keys - TLTShiftState{ssShift} == TLTShiftState{} && cmd.Key >= '0' &&
          cmd.Key <= 'Z') {
        // A letter or digit the editor has no command for types itself.
        const char16_t c = cmd.Keys.Contains(ssShift) ? cmd.Key : static_cast<char16_t>(std::tolower(cmd.Key));
        win_.Type(std::u16string_view(&c, 1));
      }
    } else if (cmd.Name == "type") {
      Type(cmd.Text);
    } else if (cmd.Name == "click") {
      win_.Click(n[0], n[1]);
    } else if (cmd.Name == "dblclick") {
      win_.DoubleClick(n[0], n[1]);
    } else if (cmd.Name == "drag") {
      win_.Press(n[0], n[1]);
      win_.Move(n[2], n[3]);
      win_.Release(n[2], n[3]);
    } else if (cmd.Name == "cell") {
      return Cell(cmd, error);
    } else if (cmd.Name == "caret" || cmd.Name == "select") {
      // Item numbers of the document the caret is in (a cell's inside one).
      TCustomLecternEdit& in = e_.InnermostEditor();
      const int count = in.LTData().ItemCount();
      for (size_t k = 0; k < n.size(); k += 2)
        if (n[k] < 0 || n[k] >= count) {
          error = {cmd.Number, "item " + IntToStr(n[k]) + " is not in the document (it has " + IntToStr(count) + ")"};
          return false;
        }
      if (cmd.Name == "caret")
        in.SetSelectionBounds(n[0], n[1], n[0], n[1]);
      else
        in.SetSelectionBounds(n[0], n[1], n[2], n[3]);
    } else if (cmd.Name == "resize") {
      if (n[0] < 0 || n[0] >= e_.InnermostEditor().LTData().ItemCount() || n[1] < 1 || n[2] < 1) {
        error = {cmd.Number, "resize takes an item of the document and a width and height of at least 1"};
        return false;
      }
      if (!e_.ResizeItem(n[0], n[1], n[2]) && !e_.ReadOnly() &&
          !dynamic_cast<const TLTRectItemInfo*>(&e_.InnermostEditor().LTData().GetItem(n[0]))) {
        error = {cmd.Number, "item " + IntToStr(n[0]) + " is not a picture or a control"};
        return false;
      }
    } else if (cmd.Name == "view") {
      return View(cmd, error);
    } else if (cmd.Name == "insert-field") {
      if (!IsFieldName(cmd.Text)) {
        error = {cmd.Number, "there is no field " + Utf16ToUtf8(cmd.Text) +
                                 " (Country, Capital, CallingCode, Description, Cities, Demographics)"};
        return false;
      }
      if (!e_.LTData().TagsArePChars()) {
        error = {cmd.Number, "the tags of this document are numbers, which cannot name a field"};
        return false;
      }
      InsertFieldCode(e_, cmd.Text);
    } else if (cmd.Name == "clear-codes") {
      ClearCodes(e_);
    } else if (cmd.Name == "print") {
      out_ << Where() << '\n';
    } else if (cmd.Name == "delete") {
      e_.DeleteSelection();
    } else if (cmd.Name == "undo") {
      e_.Undo();
    } else if (cmd.Name == "redo") {
      e_.Redo();
    } else if (cmd.Name == "insert-rule") {
      e_.InsertRule();
    } else if (cmd.Name == "insert-tab") {
      e_.InsertTab();
    } else if (cmd.Name == "page-break") {
      e_.SetPageBreak(n[0] != 0);
    } else if (cmd.Name == "readonly") {
      e_.SetReadOnly(n[0] != 0);
    } else if (cmd.Name == "typing-by-word") {
      // A script has no pauses: its words end at spaces and caret moves.
      e_.TypingByWord = n[0] != 0;
      e_.TypingClock = [] { return int64_t{0}; };
    } else if (cmd.Name == "text-style" || cmd.Name == "para-style") {
      return ApplyStyle(cmd, error);
    } else if (cmd.Name == "template") {
      return ApplyTemplate(cmd, error);
    } else if (cmd.Name == "tag") {
      return Tag(cmd, error);
    } else if (cmd.Name == "copy") {
      e_.InnermostEditor().CopyDefault();
    } else if (cmd.Name == "cut") {
      e_.CutCommand();
    } else if (cmd.Name == "paste") {
      if (cmd.Sub.empty()) {
        e_.PasteCommand();
      } else if (!e_.PasteFormat(cmd.Sub)) {
        error = {cmd.Number, "the clipboard holds nothing that can be pasted as " + cmd.Sub};
        return false;
      }
    } else if (cmd.Name == "drop-file") {
      DropFile(cmd);
    } else if (cmd.Name == "resize-item") {
      return ResizeThroughHandles(cmd, error);
    } else if (cmd.Name == "paste-file" || cmd.Name == "clipboard-add") {
      return PasteFile(cmd, error);
    } else if (cmd.Name == "insert-file") {
      return InsertFile(cmd, error);
    } else if (cmd.Name == "insert-picture") {
      return InsertPicture(cmd, error);
    } else if (cmd.Name == "expect-text") {
      TLTString text = e_.LTData().GetPlainText(0);
      // Paragraphs and lines as the script writes them: one \n each.
      for (size_t at = text.find(u"\r\n"); at != TLTString::npos; at = text.find(u"\r\n", at)) text.erase(at, 1);
      if (text != cmd.Text) {
        error = {cmd.Number, "expected the text \"" + Escape(cmd.Text) + "\", found \"" + Escape(text) + "\""};
        return false;
      }
    } else if (cmd.Name == "expect-modified") {
      if (e_.Modified != (n[0] != 0)) {
        error = {cmd.Number, std::string("expected the document ") + (n[0] ? "modified" : "unmodified") +
                                 ", found it " + (e_.Modified ? "modified" : "unmodified")};
        return false;
      }
    } else if (cmd.Name == "expect-caret") {
      TCustomLecternEdit& in = e_.InnermostEditor();
      const int item = in.CurrentItemNo(), offset = in.CurrentItemOffset();
      if (item != n[0] || offset != n[1]) {
        error = {cmd.Number, "expected the caret at " + IntToStr(n[0]) + " " + IntToStr(n[1]) + ", found " + Where()};
        return false;
      }
    }
    win_.SetKeys({});
    return true;
  }

  /// Typed text, character by character; a tab and a line end are their keys.
  void Type(const TLTString& text) {
    win_.SetKeys({});
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\t' || text[i] == u'\n') {
        win_.Key(text[i] == u'\t' ? vkTab : vkReturn);
        continue;
      }
      // A surrogate pair is one character.
      const size_t len = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF ? 2 : 1;
      win_.Type(std::u16string_view(text).substr(i, len));
      i += len - 1;
    }
  }

  static std::string Escape(const TLTString& text) {
    std::string out;
    for (const char c : Utf16ToUtf8(text)) {
      if (c == '\n')
        out += "\\n";
      else if (c == '\t')
        out += "\\t";
      else if (c == '\\')
        out += "\\\\";
      else
        out += c;
    }
    return out;
  }

  /// A style by its number or its name.
  bool ApplyStyle(const TScriptLine& cmd, TScriptError& error) {
    const bool text = cmd.Name == "text-style";
    const TLTStyle* style = e_.Style();
    const TCustomLTInfos& infos = text ? static_cast<const TCustomLTInfos&>(style->TextStyles())
                                       : static_cast<const TCustomLTInfos&>(style->ParaStyles());
    int no = -1;
    if (!cmd.Numbers.empty()) {
      no = cmd.Numbers[0];
    } else {
      for (int i = 0; i < infos.Count(); ++i)
        if (infos.Items(i).StyleName == cmd.Text) no = i;
    }
    if (!infos.IsValidIndex(no)) {
      error = {cmd.Number, std::string("no ") + (text ? "text" : "paragraph") + " style " +
                               (cmd.Numbers.empty() ? "named \"" + Utf16ToUtf8(cmd.Text) + "\"" : IntToStr(no)) +
                               " (the document has " + IntToStr(infos.Count()) + ")"};
      return false;
    }
    if (text)
      e_.ApplyTextStyle(no);
    else
      e_.ApplyParaStyle(no);
    return true;
  }

  /// A style template of the sheet by its name.
  bool ApplyTemplate(const TScriptLine& cmd, TScriptError& error) {
    const TLTStyleTemplateCollection& templates = e_.Style()->StyleTemplates();
    for (int i = 0; i < templates.Count(); ++i) {
      if (templates[i].Name() != cmd.Text) continue;
      e_.ApplyStyleTemplate(i);
      return true;
    }
    error = {cmd.Number, "no style template named \"" + Utf16ToUtf8(cmd.Text) + "\" (the document has " +
                             IntToStr(templates.Count()) + ")"};
    return false;
  }

  /// The tag of every item the selection touches (or the caret's), as one
  /// step to undo.
  bool Tag(const TScriptLine& cmd, TScriptError& error) {
    TLTTag tag;
    if (e_.LTData().TagsArePChars()) {
      tag = TLTTag::FromString(cmd.Text);
    } else if (const std::optional<int32_t> v = TryStrToInt(Utf16ToUtf8(cmd.Text))) {
      tag = TLTTag::FromInt(*v);
    } else if (!cmd.Text.empty()) {
      error = {cmd.Number, "the tags of this document are numbers"};
      return false;
    }
    int si = 0, so = 0, ei = 0, eo = 0;
    TCustomLecternEdit& in = e_.InnermostEditor();
    in.GetSelectionBounds(si, so, ei, eo, true);
    if (si < 0) si = ei = in.CurrentItemNo();
    e_.BeginUndoGroup(ltukTagChange);
    e_.SetUndoGroupMode(true);
    for (int i = si; i <= ei && i >= 0; ++i) e_.SetItemTagUndoable(i, tag);
    e_.SetUndoGroupMode(false);
    return true;
  }

  bool InsertFile(const TScriptLine& cmd, TScriptError& error) {
    const std::string path = Utf16ToUtf8(cmd.Text);
    const TLTDocumentFormat* format = FindFormatForFile(path);
    std::string bytes, why;
    if (!format || !format->Read) {
      error = {cmd.Number, path + ": cannot read this file type"};
      return false;
    }
    if (!ReadFileBytes(path, bytes, &why)) {
      error = {cmd.Number, path + ": " + why};
      return false;
    }
    std::vector<std::string> warnings;
    const bool read = e_.InsertFormatAtCaret(*format, bytes, &why, &warnings);
    for (const std::string& w : warnings) err_ << "lectern: " << path << ": warning: " << w << '\n';
    if (!read) error = {cmd.Number, path + ": " + why};
    return read;
  }

  /// The file's bytes on the clipboard as the one flavour named, then
  /// pasted as a paste from another program would be.
  /// Another program drops a file at a client point; a refused drop is
  /// reported and changes nothing.
  void DropFile(const TScriptLine& cmd) {
    std::string path = Utf16ToUtf8(cmd.Text);
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (!ec) path = absolute.string();
    std::string uri = "file://";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const unsigned char c : path) {
      if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
        uri.push_back(static_cast<char>(c));
      } else {
        uri.push_back('%');
        uri.push_back(kHex[c >> 4]);
        uri.push_back(kHex[c & 15]);
      }
    }
    TLTClipboardData data;
    data.Set("text/uri-list", uri + "\r\n");
    if (win_.DropData(data, cmd.Numbers[0], cmd.Numbers[1]).Empty())
      err_ << "lectern: " << name_ << ":" << cmd.Number << ": nothing was dropped\n";
  }

  /// Selects a picture or control alone and drags its bottom-right handle
  /// until the item has the size asked for, as a user does (the corner
  /// keeping no proportions).
  bool ResizeThroughHandles(const TScriptLine& cmd, TScriptError& error) {
    const std::vector<int>& n = cmd.Numbers;
    TCustomLecternEdit& in = e_.InnermostEditor();
    const TCustomLTData& data = in.LTData();
    if (n[0] < 0 || n[0] >= data.ItemCount() || n[1] < 1 || n[2] < 1) {
      error = {cmd.Number, "resize-item takes an item of the document and a width and height of at least 1"};
      return false;
    }
    in.SetSelectionBounds(n[0], data.GetOffsBeforeItem(n[0]), n[0], data.GetOffsAfterItem(n[0]));
    const TLTItemResizer* resizer = in.Resizer();
    if (!resizer) {
      error = {cmd.Number, "item " + IntToStr(n[0]) + " shows no handles (it is no picture or control, or the " +
                               "document cannot change)"};
      return false;
    }
    const TLTRectI frame = resizer->Frame();
    const TLTPointI handle = in.ToRootClient(resizer->HandlePoint(2));
    const int dx = n[1] - frame.Width(), dy = n[2] - frame.Height();
    const bool proportional = TCustomLecternEdit::ProportionalResize;
    TCustomLecternEdit::ProportionalResize = false;
    win_.Press(handle.X, handle.Y);
    win_.Move(handle.X + dx, handle.Y + dy);
    win_.Release(handle.X + dx, handle.Y + dy);
    TCustomLecternEdit::ProportionalResize = proportional;
    return true;
  }

  bool PasteFile(const TScriptLine& cmd, TScriptError& error) {
    const std::string path = Utf16ToUtf8(cmd.Text);
    std::string bytes, why;
    if (!ReadFileBytes(path, bytes, &why)) {
      error = {cmd.Number, path + ": " + why};
      return false;
    }
    // clipboard-add builds a clipboard of several flavours, as another
    // program offers it, for the paste that follows.
    TLTClipboardData clip = cmd.Name == "clipboard-add" ? win_.Clipboard() : TLTClipboardData{};
    clip.Set(cmd.Sub, std::move(bytes));
    win_.SetClipboard(clip);
    if (cmd.Name == "clipboard-add") return true;
    if (!e_.PasteCommand()) {
      error = {cmd.Number, path + ": nothing could be pasted as " + cmd.Sub};
      return false;
    }
    return true;
  }

  bool InsertPicture(const TScriptLine& cmd, TScriptError& error) {
    const std::string path = Utf16ToUtf8(cmd.Text);
    std::string bytes, why;
    if (!ReadFileBytes(path, bytes, &why)) {
      error = {cmd.Number, path + ": " + why};
      return false;
    }
    std::unique_ptr<TGraphic> picture = LoadGraphicFromBytes(bytes);
    if (!picture) {
      error = {cmd.Number, path + ": not a picture this program can read"};
      return false;
    }
    const size_t slash = path.find_last_of('/');
    e_.InsertPicture(path.substr(slash == std::string::npos ? 0 : slash + 1), std::move(picture), 0);
    return true;
  }

  /// The cell R C of the table at the caret (the one a cell of which is
  /// being edited) or of the first table after it; a rectangle of cells
  /// with four numbers.
  bool Cell(const TScriptLine& cmd, TScriptError& error) {
    const std::vector<int>& n = cmd.Numbers;
    TCustomLecternEdit& in = e_.InnermostEditor();
    TLTTableItemInfo* table = nullptr;
    const TCustomLTData& d = in.LTData();
    for (int i = std::max(0, in.CurrentItemNo()); i < d.ItemCount() && !table; ++i)
      table = dynamic_cast<TLTTableItemInfo*>(&in.LTData().GetItem(i));
    if (!table && in.ParentEditor()) table = dynamic_cast<TLTTableItemInfo*>(in.ParentEditor()->NestedEditing());
    if (!table) {
      error = {cmd.Number, "there is no table at or after the caret"};
      return false;
    }
    for (size_t k = 0; k < n.size(); k += 2)
      if (n[k] < 0 || n[k] >= table->NumRows() || n[k + 1] < 0 || n[k + 1] >= table->NumColumns()) {
        error = {cmd.Number, "cell " + IntToStr(n[k]) + " " + IntToStr(n[k + 1]) + " is not in the table (it has " +
                                 IntToStr(table->NumRows()) + " rows and " + IntToStr(table->NumColumns()) +
                                 " columns)"};
        return false;
      }
    if (n.size() == 4) {
      table->SelectCells(n[0], n[1], n[3] - n[1], n[2] - n[0]);
      if (!table->HasMultiCellSelection() && (n[0] != n[2] || n[1] != n[3])) {
        error = {cmd.Number, "the cells of this table cannot be selected"};
        return false;
      }
      return true;
    }
    if (!table->EditCell(-1, n[0], n[1], {.CaretAtStart = true})) {
      error = {cmd.Number, "the cells of this table cannot be edited"};
      return false;
    }
    return true;
  }

  std::string Where() {
    TCustomLecternEdit& in = e_.InnermostEditor();
    const TLTItemRange s = in.SelectionRange(false);
    return "caret " + IntToStr(in.CurrentItemNo()) + " " + IntToStr(in.CurrentItemOffset()) + " selection " +
           IntToStr(s.FirstItem) + " " + IntToStr(s.FirstOffs) + " " + IntToStr(s.LastItem) + " " +
           IntToStr(s.LastOffs) + EditorCellPath(e_) + CellPath(in.CaretContainer());
  }

  /// view N | view COUNTRY: the view switch of the program's View list on
  /// the table of --db.
  bool View(const TScriptLine& cmd, TScriptError& error) {
    if (dbPath_.empty()) {
      error = {cmd.Number, "view needs the table file, given with --db TABLE"};
      return false;
    }
    try {
      if (!table_.Active()) {
        table_.SetFileName(dbPath_);
        table_.Open();
      }
      int recNo = -1;
      const std::string arg = Utf16ToUtf8(cmd.Text);
      if (const std::optional<int32_t> n = TryStrToInt(arg); n && IntToStr(*n) == arg) {
        recNo = *n;
      } else {
        for (int r = 1; r <= table_.RecordCount() && recNo < 0; ++r) {
          table_.SetRecNo(r);
          if (TLTDataField* f = table_.FindField("Country"); f && f->IsString() && SameTextFold(Utf8ToUtf16(f->AsString()), cmd.Text))
            recNo = r;
        }
      }
      if (recNo < 0 || recNo > table_.RecordCount()) {
        error = {cmd.Number, "there is no view " + arg + " (0 is the field codes, 1 to " +
                                 IntToStr(table_.RecordCount()) + " the records, or a country's name)"};
        return false;
      }
      if (recNo > 0) table_.SetRecNo(recNo);
      e_.EndNestedEditing();
      if (!merge_) merge_ = std::make_unique<TLTReportMerge>(*e_.Style(), &table_);
      merge_->CodesView = recNo == 0;
      merge_->MergeRecord(e_.LTData());
      NormalizeDocument(e_.LTData());
      // Undo never reaches back over a view switch: the document was replaced.
      e_.ClearUndo();
      e_.Format();
      e_.Modified = true;
      for (const std::string& p : merge_->Problems) err_ << "lectern: " << name_ << ":" << cmd.Number << ": " << p << '\n';
    } catch (const std::exception& e) {
      error = {cmd.Number, dbPath_ + ": " + e.what()};
      return false;
    }
    return true;
  }

  TLTHeadlessWindow& win_;
  TLecternEdit& e_;
  std::ostream& out_;
  std::ostream& err_;
  std::string name_;
  int refusals_ = 0;
  std::string dbPath_;
  TLTSQLiteTable table_;
  std::unique_ptr<TLTReportMerge> merge_;
};

}  // namespace

int PlayEditScript(std::string_view text, const std::string& scriptName, TLTDocument& doc, int width,
                   const std::function<int(TLTDocument&)>& load, std::ostream& out, std::ostream& err,
                   const std::function<void(TCustomLecternEdit&, bool finished)>& around, const std::string& dbPath) {
  // The whole script is read and checked first.
  std::vector<TScriptLine> script;
  std::istringstream lines{std::string(text)};
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    TScriptError bad;
    if (std::optional<TScriptLine> cmd = ParseLine(line, ++number, bad)) {
      script.push_back(*cmd);
    } else if (bad.Usage) {
      return UsageError(err, scriptName + ":" + IntToStr(bad.Line) + ": " + bad.Message);
    }
  }

  if (load)
    if (const int status = load(doc); status != lteOk) return status;
  TLTHeadlessWindow win(width > 0 ? width : kDefaultPictureWidth, kScriptWindowHeight);
  // A drag of the selection is dropped where the pointer is.
  win.DropOnSelf = true;
  TLecternEdit editor(win);
  editor.Context().Options = doc.Context.Options;
  editor.Context().DocProperties = doc.Context.DocProperties;
  editor.Context().DocParameters = doc.Context.DocParameters;
  editor.SetStyle(&doc.Style);
  editor.LTData().AppendFrom(doc.Data);
  editor.Format();
  win.SetFocused(true);

  TScriptPlayer player(win, editor, out, err, scriptName, dbPath);
  if (around) around(editor, false);
  int status = lteOk;
  for (const TScriptLine& cmd : script) {
    TScriptError failed;
    if (!player.Play(cmd, failed)) {
      status = Fail(err, {scriptName + ":" + IntToStr(failed.Line), failed.Message});
      break;
    }
  }
  // A cell still being edited gives its items back first.
  editor.EndNestedEditing();
  if (around) around(editor, true);
  // The document gets its items back whatever happened, so that the caller
  // decides what to keep.
  doc.Data.AppendFrom(editor.LTData());
  doc.Context.DocProperties = editor.Context().DocProperties;
  return status;
}

int EditCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& out,
                std::ostream& err) {
  if (files.size() != 2) return UsageError(err, "edit takes an input and an output file, and --script SCRIPT");
  if (options.Script.empty()) return UsageError(err, "edit needs --script SCRIPT");
  const TLTDocumentFormat* format = OutputFormat(files[1], options.To);
  if (!format) return UsageError(err, files[1] + ": cannot write this file type");

  std::string text, error;
  if (options.Script == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else if (!ReadFileBytes(options.Script, text, &error)) {
    return Fail(err, {options.Script, error});
  }
  TLTDocument doc;
  const int status = PlayEditScript(
      text, options.Script, doc, options.Width,
      [&](TLTDocument& d) { return Load(files[0], d, err); }, out, err, {}, options.Db);
  if (status != lteOk) return status;
  TFailure failure;
  if (!WriteDocument(doc, *format, files[1], options, failure)) return Fail(err, failure);
  return lteOk;
}

}  // namespace lectern
