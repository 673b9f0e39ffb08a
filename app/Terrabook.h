#pragma once
// What the Terrabook window does, without the window: finding its two
// files, loading the template, filling the view list from the country
// table, switching views through the merge, the status text for the
// caret, hyperlink targets, and saving the template when it is closed.

#include "app/ReportMerge.h"
#include "model/CLTData.h"
#include "platform/LTDataTable.h"

#include <functional>
#include <string>
#include <vector>

namespace lectern {

class TCustomLecternEdit;

/// The first entry of the view list: the template with its field codes.
inline constexpr char16_t kFieldCodesEntry[] = u"(Field Codes";

/// Where the window's two files are.
struct TTerrabookFiles {
  std::string Template;  // loaded at start, saved on request
  std::string Table;     // the country table, read only
  /// "terrabook.ltf" and "Terra.db" in dir (the program's folder when it
  /// runs from where it was built).
  static TTerrabookFiles In(std::string dir);
};

class TTerrabook {
 public:
  /// document: the editor's container (its context holds the style sheet
  /// the merge uses).
  TTerrabook(TTerrabookFiles files, TCustomLTData& document);
  /// The two files in programDir.
  TTerrabook(std::string programDir, TCustomLTData& document)
      : TTerrabook(TTerrabookFiles::In(std::move(programDir)), document) {}
  TTerrabook(const TTerrabook&) = delete;
  TTerrabook& operator=(const TTerrabook&) = delete;

  const std::string& TemplatePath() const { return files_.Template; }
  const std::string& TablePath() const { return files_.Table; }

  /// Loads the template and opens the table; returns what went wrong, one
  /// message each (the window shows them and stays open). A missing or
  /// unreadable template leaves the editor empty; a table that cannot be
  /// opened leaves only the field codes view (TableProblem says why).
  std::vector<std::string> Start();
  /// Why the table could not be opened at the last Start (empty: it was).
  const std::string& TableProblem() const { return tableProblem_; }
  /// Loads another template in place of the one shown; saving goes to it
  /// from now on. A file that cannot be read as a document is refused:
  /// the message names it and says why, and the document, the file Save
  /// writes and the view stay as they were. Empty when it loaded.
  std::string OpenTemplate(const std::string& path);
  /// "(Field Codes" and one entry per record of the table.
  const std::vector<TLTString>& ViewNames() const { return viewNames_; }
  /// Shows entry index (0 = the field codes); returns the fields that could
  /// not be filled.
  std::vector<std::string> SwitchView(int index);
  int ViewIndex() const { return viewIndex_; }

  /// Set by every view switch and every edit; asked about when closing.
  bool Modified = false;
  /// Called before the document is read whole or replaced (saving,
  /// switching the view, opening a template): the editor finishes editing
  /// a table cell then, so that nothing sees a cell its editor emptied.
  std::function<void()> OnBeforeDocumentUse;

  /// Drops unused styles and writes the template over the old one (through
  /// a temporary file, so a failed write keeps the old file). A file that
  /// could not be read when it was opened is first kept as
  /// "<name>.bak", and note says so. Style numbers change, so the caller
  /// must clear the editor's undo lists.
  bool SaveTemplate(std::string& error, std::string* note = nullptr);
  /// Saves to another file, which becomes the template from then on.
  bool SaveTemplateAs(const std::string& path, std::string& error, std::string* note = nullptr);

  /// The status line for the item the caret is in (null: no item).
  static TLTString CaretStatus(const TCustomLTItemInfo* item);
  /// The status line for item itemNo of container (-1: no item): the field
  /// of the item or of the innermost item around it that has one.
  static TLTString CaretStatus(const TCustomLTData& container, int itemNo);
  /// The same for the caret of an editor, inside table cells too.
  static TLTString CaretStatus(TCustomLecternEdit& editor);
  /// The style template at the caret of an editor, as the window's style
  /// list shows it: the template the paragraph's style was made from (or
  /// the one named as that style), else the text style's; -1 for none.
  static int CaretTemplate(TCustomLecternEdit& editor);
  /// What a hyperlink's tag points to: what follows a field's name and "|"
  /// in a field's item, else the whole tag (an address may hold a "|").
  static TLTString JumpTarget(const TLTTag& tag);
  /// Whether a target may be handed to the desktop: web and mail addresses
  /// and documents; never a program (a local file that can be executed).
  static bool MayOpen(const std::string& target, std::string& why);

  TLTDataTable& Table() { return table_; }

 private:
  TTerrabookFiles files_;
  TCustomLTData& document_;
  TLTSQLiteTable table_;
  TLTReportMerge merge_;
  std::vector<TLTString> viewNames_;
  std::string tableProblem_;
  /// The template file holds something that could not be read: it is kept
  /// aside before anything is saved over it.
  bool unreadable_ = false;
  std::string LoadTemplate();
  /// The view the document shows: the record whose values it holds, else
  /// 0 (its codes). A template saved in a country view reopens in it.
  int ShownView();
  int viewIndex_ = 0;
};

}  // namespace lectern
