#pragma once
// The Terrabook window: a panel with the view list and the grid switch, the
// template's editor, menus and a status line, over the window's logic in
// app/Terrabook.h.

#include "app/Terrabook.h"
#include "spell/LTSpeller.h"
#include "style/LTStyle.h"

#include <QMainWindow>

#include <map>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;

namespace lectern {

class TLTQtWindow;
class TLecternEdit;

class TTerrabookWindow : public QMainWindow {
 public:
  /// programDir: where "terrabook.ltf" and "Terra.db" are.
  explicit TTerrabookWindow(const std::string& programDir, QWidget* parent = nullptr)
      : TTerrabookWindow(TTerrabookFiles::In(programDir), parent) {}
  explicit TTerrabookWindow(TTerrabookFiles files, QWidget* parent = nullptr);
  ~TTerrabookWindow() override;

  /// Loads the files and fills the view list. Problems are shown once the
  /// window is up; quiet (tests) shows every message in the status line
  /// instead of a message box, and returns the problems.
  std::vector<std::string> Start(bool quiet = false);
  /// Picks entry index of the view list as a user would.
  void ChooseView(int index);
  /// File > Save: false when nothing was saved (the user was told why).
  bool Save();
  /// File > Save As… and File > Open… with the file chosen already (an
  /// empty path asks for one).
  bool SaveAs(QString path = {});
  bool Open(QString path = {});
  /// File > Print… and File > Print Preview: the report on screen on the
  /// printer's paper with the document's margins.
  void Print();
  void PrintPreview();
  /// File > Export PDF…: the report on screen as a PDF file (an empty path
  /// asks for one); false when nothing was written (the user was told why).
  bool ExportPdf(QString path = {});
  /// File > Export All Reports…: every record of the table merged into the
  /// template and written to folder in format (a name of the format
  /// registry: pdf, rtf, html, ltf, txt), with a progress dialog that can
  /// stop between records; empty arguments ask. Returns the records that
  /// failed, one line each; the others are written.
  std::vector<std::string> ExportAllReports(QString folder = {}, QString format = {});

  TTerrabook& App() { return *app_; }
  TLecternEdit& Editor() { return *editor_; }
  TLTQtWindow& Area() { return *area_; }
  QComboBox& ViewList() { return *viewList_; }
  QCheckBox& GridBox() { return *gridBox_; }
  QComboBox& StyleList() { return *styleList_; }
  /// Picks entry index of the style list as a user would: the template
  /// goes to the selection, as one step to undo.
  void ApplyTemplate(int index);
  /// A menu command by its text without the accelerator ("Clear Codes").
  QAction* Command(const QString& text) const;
  /// Shows the document at percent of its size (25 to 400), as View >
  /// Zoom and Ctrl with the wheel do; kept in the document parameters.
  void SetZoom(int percent);
  int Zoom() const { return zoom_; }
  /// Edit > Check Spelling While Typing: the words are checked in the
  /// background against the dictionary of the user's language and the
  /// personal word list; false (the user told why) when no dictionary
  /// could be opened.
  bool SetLiveChecking(bool on);
  bool LiveChecking() const { return liveChecking_; }
  /// The menu a right click on a marked word shows at a client point of
  /// the editor: its suggestions and "Add to dictionary"; null elsewhere.
  /// The caller shows it.
  std::unique_ptr<QMenu> SuggestionMenu(int x, int y);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  /// Asks for the rows and columns and inserts an empty table at the caret.
  void InsertTable();
  /// Edit > Paste Special: the user picks one flavour of the clipboard.
  void PasteSpecial();
  /// Insert > Picture and Insert > File: a file chosen by the user goes in
  /// at the caret as a drop of it would.
  void InsertFromFile(bool picture);
  void Tell(const QString& title, const QString& text, bool problem);
  void OpenJump(int id);
  void ShowLinkTarget(int id);
  void UpdateStatus();
  void UpdateTitle();
  /// Enables what the caret, the selection and the undo lists allow.
  void UpdateCommands();
  /// After a change of the document from outside the editor (a view, a
  /// file, a save that renumbered styles): undo starts afresh.
  void DocumentReplaced();
  /// Asks whether to save a modified template; false: the user cancelled
  /// (or saving failed).
  bool MaySetAside(const QString& caption);
  /// After a save: the user told of a failure or a note, undo started afresh.
  bool Saved(bool ok, const std::string& error, const std::string& note);
  void FitViewList();
  /// The view list's keys: arrows choose an entry, Enter applies it and
  /// the list keeps the focus. True when the key was used.
  bool ViewListKey(QObject* watched, const QKeyEvent& key);
  /// The document's templates into the style list.
  void FillStyleList();
  void ShowCaretTemplate();

  /// Restarts checking after the document was replaced from outside.
  void RecheckWords();

  TLTStyle style_;
  std::unique_ptr<TLTSpeller> speller_;
  bool liveChecking_ = false;
  TLTQtWindow* area_ = nullptr;  // owned by the Qt parent
  std::unique_ptr<TLecternEdit> editor_;
  std::unique_ptr<TTerrabook> app_;
  QComboBox* viewList_ = nullptr;
  /// The view being applied was chosen from the keyboard.
  bool viewListKeeps_ = false;
  QCheckBox* gridBox_ = nullptr;
  QComboBox* styleList_ = nullptr;
  std::map<QString, QAction*> commands_;
  bool quiet_ = false;
  bool clipboardHasPaste_ = false;
  int zoom_ = 100;
};

}  // namespace lectern
