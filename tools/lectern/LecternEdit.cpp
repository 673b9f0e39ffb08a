// The edit command of `lectern`: an editing script played on the editor
// control in a headless window, against a document read from a file, whose
// result is written to another. This is how users automate edits and how
// tests drive the editor from outside.
//
// A script is UTF-8, one command a line; # starts a comment. The whole
// script is read and checked before anything runs, so that a malformed line
// writes nothing.

#include "edit/LTEdit.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "table/LTTable.h"
#include "tools/lectern/LecternFormats.h"
#include "tools/lectern/LecternTool.h"

#include <cctype>
#include <functional>
#include <iostream>
#include <optional>
#include <ostream>
#include <sstream>

namespace lectern {

namespace {

/// The height of the window a script plays in, pixels.
constexpr int kScriptWindowHeight = 600;

/// One command of a script, checked.
struct TScriptLine {
  int Number = 0;
  std::string Name;
  std::vector<int> Numbers;
  TLTShiftState Keys;
  int Key = 0;
  TLTString Text;
};

/// The failure of a script: its line and what is wrong; Usage for lines
/// that are not commands at all.
struct TScriptError {
  int Line = 0;
  std::string Message;
  bool Usage = false;
};

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
  if (name == "type") {
    // The text is the rest after the one space that follows the command.
    const size_t at = start + 4;
    std::string text;
    if (at < line.size() && (line[at] != ' ' || !Unescape(std::string_view(line).substr(at + 1), text))) {
      error = {number, "type takes the text after one space (escapes \\t, \\n, \\\\)", true};
      return std::nullopt;
    }
    cmd.Name = name;
    cmd.Text = Utf8ToUtf16(text);
    return cmd;
  }
  std::vector<std::string> args;
  for (std::string w; words >> w;) args.push_back(w);
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
  if (mouse && onlyShift && numbers(bare == "drag" ? 4 : 2)) return cmd;
  if (cmd.Keys.Empty()) {
    if ((name == "caret" || name == "expect-caret") && numbers(2)) return cmd;
    if (name == "select" && numbers(4)) return cmd;
    if (name == "print" && args.empty()) return cmd;
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

/// Plays the script on the editor; the error of a failed command.
class TScriptPlayer {
 public:
  TScriptPlayer(TLTHeadlessWindow& win, TLecternEdit& editor, std::ostream& out, std::ostream& err,
                const std::string& scriptName)
      : win_(win), e_(editor), out_(out), err_(err), name_(scriptName) {
    e_.OnRefused = [this](TCustomLecternEdit&) { ++refusals_; };
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
    if (cmd.Name == "key") {
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
    } else if (cmd.Name == "caret" || cmd.Name == "select") {
      const int count = e_.LTData().ItemCount();
      for (size_t k = 0; k < n.size(); k += 2)
        if (n[k] < 0 || n[k] >= count) {
          error = {cmd.Number, "item " + IntToStr(n[k]) + " is not in the document (it has " + IntToStr(count) + ")"};
          return false;
        }
      if (cmd.Name == "caret")
        e_.SetSelectionBounds(n[0], n[1], n[0], n[1]);
      else
        e_.SetSelectionBounds(n[0], n[1], n[2], n[3]);
    } else if (cmd.Name == "print") {
      out_ << Where() << '\n';
    } else if (cmd.Name == "expect-caret") {
      const int item = e_.CurrentItemNo(), offset = e_.CurrentItemOffset();
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

  std::string Where() {
    const TLTItemRange s = e_.SelectionRange(false);
    return "caret " + IntToStr(e_.CurrentItemNo()) + " " + IntToStr(e_.CurrentItemOffset()) + " selection " +
           IntToStr(s.FirstItem) + " " + IntToStr(s.FirstOffs) + " " + IntToStr(s.LastItem) + " " +
           IntToStr(s.LastOffs) + CellPath(e_.CaretContainer());
  }

  TLTHeadlessWindow& win_;
  TLecternEdit& e_;
  std::ostream& out_;
  std::ostream& err_;
  std::string name_;
  int refusals_ = 0;
};

}  // namespace

int PlayEditScript(std::string_view text, const std::string& scriptName, TLTDocument& doc, int width,
                   const std::function<int(TLTDocument&)>& load, std::ostream& out, std::ostream& err) {
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
  TLecternEdit editor(win);
  editor.Context().Options = doc.Context.Options;
  editor.Context().DocProperties = doc.Context.DocProperties;
  editor.Context().DocParameters = doc.Context.DocParameters;
  editor.SetStyle(&doc.Style);
  editor.LTData().AppendFrom(doc.Data);
  editor.Format();
  win.SetFocused(true);

  TScriptPlayer player(win, editor, out, err, scriptName);
  int status = lteOk;
  for (const TScriptLine& cmd : script) {
    TScriptError failed;
    if (!player.Play(cmd, failed)) {
      status = Fail(err, {scriptName + ":" + IntToStr(failed.Line), failed.Message});
      break;
    }
  }
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
      [&](TLTDocument& d) { return Load(files[0], d, err); }, out, err);
  if (status != lteOk) return status;
  TFailure failure;
  if (!WriteDocument(doc, *format, files[1], options, failure)) return Fail(err, failure);
  return lteOk;
}

}  // namespace lectern
