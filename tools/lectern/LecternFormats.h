#pragma once
// What the commands of `lectern` share: reading and writing files in the
// formats of the registry, the output switches and the way failures are
// reported.

#include "interchange/LTFormats.h"
#include "model/LTDocument.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace lectern {

class TCustomLecternEdit;

/// Switches that shape the output.
struct TToolOptions {
  bool LtfText = false;
  bool NoStyles = false;
  /// Output format by name, instead of the output's extension.
  std::string To;
  // Which records merge writes: exactly one of these.
  std::string Record;
  std::string Country;
  bool Codes = false;
  std::string AllDir;
  bool HasRecord = false, HasCountry = false, HasAll = false;
  /// Every record into one PDF file, each starting a page.
  bool OneFile = false;
  /// The paper of PDF pages (--page) and their margins in millimetres
  /// (--margins); empty and negative keep the document's.
  std::string Paper;
  double MarginsMm = -1;
  /// Width of a rendered picture, or of the window an edit script plays
  /// in, in pixels; 0 = the default.
  int Width = 0;
  /// The editing script of edit ("-" for standard input).
  std::string Script;
  /// The table an edit script's view command merges from (--db).
  std::string Db;
  /// The dictionary check uses (--lang, else the locale's), and the one
  /// folder it is looked for in (--dict, else the usual ones).
  std::string Lang;
  std::string DictDir;
};

/// Width of a rendered picture when --width is not given.
constexpr int kDefaultPictureWidth = 800;

/// A failure with the reason to print after the file name.
struct TFailure {
  std::string File;
  std::string Reason;
};

/// Adds the formats only the tool writes (rendered pictures) to the
/// registry; more calls change nothing.
void RegisterToolFormats();

/// The file format a path or a --to name chooses, when it can be written
/// to a file; null otherwise.
const TLTDocumentFormat* OutputFormat(const std::string& path, const std::string& to);

/// Writes the document to path in the format with the tool's options,
/// through a temporary file that replaces path only when all was written.
/// What the format could not carry goes to warnings when given.
bool WriteDocument(TLTDocument& doc, const TLTDocumentFormat& format, const std::string& path,
                   const TToolOptions& options, TFailure& failure, std::vector<std::string>* warnings = nullptr);

/// Prints the message and the usage; returns the usage exit status.
int UsageError(std::ostream& err, const std::string& message);
/// Prints "lectern: FILE: REASON"; returns the bad-input exit status.
int Fail(std::ostream& err, const TFailure& f);
/// Loads a document by its extension; returns an exit status.
int Load(const std::string& path, TLTDocument& doc, std::ostream& err);

/// The merge command: see the usage text.
int MergeCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& err);
/// The info command: counts and the size laid out, one "key: value" a line.
int InfoCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& out,
                std::ostream& err);
/// The write settings of the tool's options for an output path.
TLTWriteSettings WriteSettingsFor(const std::string& path, const TToolOptions& options);
/// The check command: the misspelt words of a document, one a line.
int CheckCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& out,
                 std::ostream& err);
/// The edit command: an editing script played on the editor.
int EditCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& out,
                std::ostream& err);

/// Plays an editing script (its text; scriptName names it in messages) on
/// an editor in a headless window `width` pixels wide (0 = the default).
/// The script is checked whole first; then `load`, when given, fills doc,
/// whose items the editor holds while the script runs and gives back at the
/// end, also after a failed command. `around`, when given, sees the editor
/// before the first command (false) and after the last (true). dbPath is
/// the table of the view command. Returns an exit status.
int PlayEditScript(std::string_view text, const std::string& scriptName, TLTDocument& doc, int width,
                   const std::function<int(TLTDocument&)>& load, std::ostream& out, std::ostream& err,
                   const std::function<void(TCustomLecternEdit&, bool finished)>& around = {},
                   const std::string& dbPath = {});

}  // namespace lectern
