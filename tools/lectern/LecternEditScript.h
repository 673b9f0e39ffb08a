#pragma once
// What the parts of `lectern edit` share: a checked script line and the
// failure of one.

#include "platform/LTWindow.h"

#include <optional>
#include <string>
#include <vector>

namespace lectern {

class TLecternEdit;
class TLTHeadlessWindow;

/// One command of a script, checked.
struct TScriptLine {
  int Number = 0;
  std::string Name;
  /// A second word that names what the command does (table insert-row).
  std::string Sub;
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

/// The table commands: insert-table, table ..., cell-set, drag-border.
bool IsTableCommand(const std::string& name);
std::optional<TScriptLine> ParseTableCommand(const std::vector<std::string>& args, const std::string& name,
                                             int number, TScriptError& error);
/// Runs one; false with error set when the script must stop.
bool PlayTableCommand(const TScriptLine& cmd, TLTHeadlessWindow& win, TLecternEdit& editor, TScriptError& error);

}  // namespace lectern
