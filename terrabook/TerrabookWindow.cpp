// The Terrabook window.

#include "terrabook/TerrabookWindow.h"

#include "access/LTAccessibleDocument.h"
#include "app/FieldCodes.h"
#include "app/ReportExport.h"
#include "edit/LTEdit.h"
#include "items/LTNote.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtWindow.h"
#include "print/LTPrint.h"
#include "rtf/LTRTFImport.h"
#include "spell/LTThread.h"
#include "style/LTStyleTemplates.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QSpinBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <filesystem>

#ifndef LECTERN_VERSION
#define LECTERN_VERSION "0.0"
#endif

namespace lectern {

namespace {

QString ToQ(const TLTString& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

/// A menu entry's text without its accelerator mark.
QString Plain(QString text) { return text.remove('&'); }

/// The Insert menu: entry and field name.
constexpr std::pair<const char*, const char16_t*> kInsertEntries[] = {
    {"&Country", u"Country"},         {"C&apital", u"Capital"}, {"Ca&lling Code", u"CallingCode"},
    {"&Description", u"Description"}, {"C&ities", u"Cities"},   {"De&mographics", u"Demographics"},
};

}  // namespace

TTerrabookWindow::TTerrabookWindow(TTerrabookFiles files, QWidget* parent) : QMainWindow(parent) {
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  // Rich text pasted from other programs is read, not just its plain text.
  RegisterRTFReading();
  RegisterPdfFormat();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // The panel keeps the designed places of its three controls.
  auto* panel = new QWidget(central);
  panel->setFixedHeight(45);
  // Every control of the panel has its letter with Alt (the menus take F,
  // E, I, T, V and H).
  auto* label = new QLabel("Vie&w:", panel);
  label->move(15, 15);
  viewList_ = new QComboBox(panel);
  viewList_->setEditable(false);
  viewList_->move(53, 9);
  viewList_->setFixedWidth(145);
  label->setBuddy(viewList_);
  gridBox_ = new QCheckBox("Show table &grid", panel);
  gridBox_->move(216, 13);
  gridBox_->setChecked(true);
  gridBox_->adjustSize();
  // The templates of the document, as word processors list their styles.
  auto* styleLabel = new QLabel("St&yle:", panel);
  styleLabel->move(gridBox_->geometry().right() + 24, 15);
  styleLabel->adjustSize();
  styleList_ = new QComboBox(panel);
  styleList_->setEditable(false);
  styleList_->move(styleLabel->geometry().right() + 8, 9);
  styleList_->setFixedWidth(160);
  styleLabel->setBuddy(styleList_);
  layout->addWidget(panel);
  // The panel's controls stay whole however small the window gets.
  setMinimumSize(std::max(420, styleList_->geometry().right() + 16), 240);

  area_ = new TLTQtWindow(central);
  layout->addWidget(area_, 1);
  // Tab walks the panel from left to right, then enters the document.
  setTabOrder(viewList_, gridBox_);
  setTabOrder(gridBox_, styleList_);
  setTabOrder(styleList_, area_);
  setCentralWidget(central);
  statusBar()->showMessage(QString());

  editor_ = std::make_unique<TLecternEdit>(*area_);
  editor_->SetStyle(&style_);
  TLTOptions options{ltoAllowSelection,   ltoScrollToEnd,         ltoShowPageBreaks,  ltoTagsArePChars,
                     ltoAutoCopyText,     ltoAutoCopyLTF,         ltoAutoCopyImage,   ltoAutoCopyRTF,
                     ltoFormatInvalidate, ltoDblClickSelectsWord, ltoRClickDeselects, ltoShowItemHints,
                     ltoFastFormatting};
  editor_->SetOptions(options);
  // One Undo takes back the last word typed, not its last letter.
  editor_->TypingByWord = true;
  // Text is for writing in: the I-beam, except over links and pictures,
  // which choose their own pointers.
  editor_->Cursor = crIBeam;
  // A notch of the wheel moves three lines of the template's text (five
  // scroll units of ten pixels) when the desktop asks for its usual three;
  // the viewer scales the step by the desktop's setting.
  editor_->WheelStep = 5;
  KeepFieldValuesWhole(*editor_);
  editor_->OnJump = [this](TCustomLectern&, int id) { OpenJump(id); };
  editor_->OnLTMouseMove = [this](TCustomLectern&, int id) { ShowLinkTarget(id); };
  editor_->OnCaretMove = [this](TCustomLecternEdit&) {
    UpdateStatus();
    UpdateCommands();
    ShowCaretTemplate();
  };
  editor_->OnSelect = [this](TCustomLectern&) { UpdateCommands(); };
  // A link dragged from a browser becomes a link of the template in its
  // hypertext style; it opens only as every link does (Ctrl+click, through
  // the allow-list).
  editor_->AcceptDragDropFormats.Include(ltddURL);
  editor_->OnReadHyperlink = [this](TCustomLecternEdit&, const TLTString& url, TLTString&, int32_t& styleNo,
                                    TLTTag& tag) {
    std::string why;
    if (!TTerrabook::MayOpen(Utf16ToUtf8(url), why)) return;
    const TFontInfos& styles = style_.TextStyles();
    for (int i = 0; i < styles.Count(); ++i)
      if (styles[i].Jump) {
        styleNo = i;
        tag = TLTTag::FromString(url);
        return;
      }
  };
  editor_->OnChange = [this](TCustomLecternEdit&) {
    app_->Modified = true;
    UpdateTitle();
    UpdateCommands();
  };
  app_ = std::make_unique<TTerrabook>(std::move(files), editor_->LTData());
  // The checker stays away while the application reads or replaces the
  // document; it starts again when the document is back (DocumentReplaced).
  app_->OnBeforeDocumentUse = [this] {
    editor_->EndNestedEditing();
    editor_->StopWordChecking();
  };
  RegisterWordChecking();
  // Screen readers read the template, its tables and its links; a link
  // names the address Ctrl+click opens.
  RegisterAccessibility();
  if (auto* doc = dynamic_cast<TLTAccessibleDocument*>(editor_->AccessibleDocument()))
    doc->LinkTarget = [](const TCustomLTData& data, int itemNo) {
      return TTerrabook::JumpTarget(data.GetItem(itemNo).Tag);
    };
  area_->setAccessibleName("Template");

  connect(viewList_, qOverload<int>(&QComboBox::activated), this, [this](int index) { ChooseView(index); });
  connect(styleList_, qOverload<int>(&QComboBox::activated), this, [this](int index) { ApplyTemplate(index); });
  connect(gridBox_, &QCheckBox::toggled, this, [this](bool on) {
    TableGridStyle = on ? psDot : psClear;
    editor_->Format();
  });
  area_->viewport()->installEventFilter(this);
  viewList_->installEventFilter(this);
  viewList_->view()->installEventFilter(this);
  auto clipboardChanged = [this] {
    clipboardHasPaste_ = editor_->CanPaste();
    UpdateCommands();
  };
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, clipboardChanged);
  clipboardHasPaste_ = editor_->CanPaste();
  BuildMenus();
  resize(811, 695);
  UpdateTitle();
}

TTerrabookWindow::~TTerrabookWindow() = default;

QAction* TTerrabookWindow::Command(const QString& text) const {
  const auto it = commands_.find(text);
  return it == commands_.end() ? nullptr : it->second;
}

void TTerrabookWindow::BuildMenus() {
  auto add = [this](QMenu* menu, const QString& text, QKeySequence keys, auto&& run) {
    QAction* a = menu->addAction(text, this, std::forward<decltype(run)>(run));
    if (!keys.isEmpty()) a->setShortcut(keys);
    commands_[Plain(text)] = a;
    return a;
  };
  QMenu* file = menuBar()->addMenu("&File");
  add(file, "&Open…", QKeySequence::Open, [this] { Open(); });
  add(file, "&Save", QKeySequence::Save, [this] { Save(); });
  add(file, "Save &As…", QKeySequence::SaveAs, [this] { SaveAs(); });
  file->addSeparator();
  add(file, "&Print…", QKeySequence::Print, [this] { Print(); });
  add(file, "Print Pre&view", QKeySequence(), [this] { PrintPreview(); });
  add(file, "&Export PDF…", QKeySequence(), [this] { ExportPdf(); });
  add(file, "Export A&ll Reports…", QKeySequence(), [this] { ExportAllReports(); });
  file->addSeparator();
  add(file, "E&xit", QKeySequence::Quit, [this] { close(); });

  // The document claims the editing keys while it has the focus; the menu
  // shows them and serves the mouse.
  QMenu* edit = menuBar()->addMenu("&Edit");
  add(edit, "&Undo", QKeySequence::Undo, [this] {
    editor_->Undo();
    UpdateStatus();
  });
  add(edit, "&Redo", QKeySequence::Redo, [this] {
    editor_->Redo();
    UpdateStatus();
  });
  edit->addSeparator();
  add(edit, "Cu&t", QKeySequence::Cut, [this] { editor_->CutCommand(); });
  add(edit, "&Copy", QKeySequence::Copy, [this] { editor_->InnermostEditor().CopyDefault(); });
  add(edit, "&Paste", QKeySequence::Paste, [this] { editor_->PasteCommand(); });
  add(edit, "Paste &Special…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), [this] { PasteSpecial(); });
  edit->addSeparator();
  add(edit, "Select &All", QKeySequence::SelectAll, [this] { editor_->SelectAll(); });
  edit->addSeparator();
  QAction* checking = add(edit, "Check &Spelling While Typing", {}, [this] {
    SetLiveChecking(commands_["Check Spelling While Typing"]->isChecked());
  });
  checking->setCheckable(true);
  edit->addSeparator();
  add(edit, "&Clear Codes", {}, [this] {
    ClearCodes(*editor_);
    UpdateStatus();
  });
  connect(edit, &QMenu::aboutToShow, this, [this] {
    UpdateCommands();
    commands_["Clear Codes"]->setEnabled(editor_->InnermostEditor().CanChange() && HasCodesToClear(*editor_));
  });

  QMenu* insert = menuBar()->addMenu("&Insert");
  for (const auto& [entry, field] : kInsertEntries) {
    const TLTString name = field;
    add(insert, entry, {}, [this, name] {
      InsertFieldCode(*editor_, name);
      UpdateStatus();
    });
  }
  insert->addSeparator();
  add(insert, "&Table…", {}, [this] { InsertTable(); });
  add(insert, "&Picture…", {}, [this] { InsertFromFile(true); });
  add(insert, "&File…", {}, [this] { InsertFromFile(false); });
  connect(insert, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });

  // The commands work on the table the caret is in (a cell being edited,
  // or selected cells).
  QMenu* table = menuBar()->addMenu("&Table");
  const std::pair<const char*, TLTTableCommand> tableEntries[] = {
      {"Insert Row &Above", TLTTableCommand::InsertRowAbove},
      {"Insert Row &Below", TLTTableCommand::InsertRowBelow},
      {"Insert Column &Left", TLTTableCommand::InsertColumnLeft},
      {"Insert Column &Right", TLTTableCommand::InsertColumnRight},
      {"Delete R&ows", TLTTableCommand::DeleteRows},
      {"Delete &Columns", TLTTableCommand::DeleteColumns},
      {"&Merge Cells", TLTTableCommand::Merge},
      {"&Split Cells", TLTTableCommand::Split},
      {"&Delete Table", TLTTableCommand::DeleteTable},
  };
  for (const auto& [entry, command] : tableEntries) {
    if (command == TLTTableCommand::DeleteRows || command == TLTTableCommand::Merge) table->addSeparator();
    const TLTTableCommand c = command;
    add(table, entry, {}, [this, c] {
      try {
        if (!RunTableCommand(*editor_, c)) statusBar()->showMessage("Nothing to do here.");
      } catch (const std::exception& e) {
        statusBar()->showMessage(e.what());
      }
      UpdateStatus();
    });
  }
  connect(table, &QMenu::aboutToShow, this, [this, table] {
    TLTCellRect cells;
    const bool inTable = TableAtCaret(*editor_, cells) != nullptr && editor_->InnermostEditor().CanChange();
    for (QAction* a : table->actions()) a->setEnabled(inTable);
  });

  QMenu* view = menuBar()->addMenu("&View");
  add(view, "Zoom &In", QKeySequence::ZoomIn, [this] { SetZoom(Zoom() + 10); });
  add(view, "Zoom &Out", QKeySequence::ZoomOut, [this] { SetZoom(Zoom() - 10); });
  add(view, "&Actual Size", QKeySequence(Qt::CTRL | Qt::Key_0), [this] { SetZoom(100); });
  view->addSeparator();
  // Paragraph ends and line breaks, through the viewer's own option.
  add(view, "Show &Formatting Marks", {}, [this] {
    TLTOptions options = editor_->Options();
    options.Set(ltoShowSpecialCharacters, commands_["Show Formatting Marks"]->isChecked());
    editor_->SetOptions(options);
    editor_->Window().InvalidateAll();
  })->setCheckable(true);

  QMenu* help = menuBar()->addMenu("&Help");
  add(help, "&About Terrabook", {}, [this] {
    QMessageBox::about(this, "About Terrabook",
                       "<b>Terrabook</b> " LECTERN_VERSION
                       "<p>Edits the report template and shows the report of any country in the "
                       "country table.</p>");
  });
  UpdateCommands();
}

void TTerrabookWindow::PasteSpecial() {
  TCustomLecternEdit& e = editor_->InnermostEditor();
  const std::vector<TLTPasteChoice> choices = e.PasteChoices();
  if (choices.empty()) {
    statusBar()->showMessage("The clipboard holds nothing to paste.");
    return;
  }
  QStringList captions;
  for (const TLTPasteChoice& c : choices) captions << QString::fromStdString(c.Caption);
  bool ok = false;
  const QString chosen = QInputDialog::getItem(this, "Paste Special", "Paste the clipboard as:", captions, 0, false, &ok);
  if (!ok) return;
  const qsizetype k = captions.indexOf(chosen);
  if (k < 0) return;
  if (!e.PasteFormat(choices[static_cast<size_t>(k)].Mime))
    statusBar()->showMessage("The clipboard's " + chosen.toLower() + " could not be pasted.");
  UpdateStatus();
}

void TTerrabookWindow::InsertFromFile(bool picture) {
  const QString filter = picture ? "Pictures (*.png *.jpg *.jpeg *.bmp *.gif);;All files (*)"
                                 : "Documents (*.ltf *.rtf *.txt);;All files (*)";
  const QString path = QFileDialog::getOpenFileName(this, picture ? "Insert Picture" : "Insert File",
                                                    QFileInfo(QString::fromStdString(app_->TemplatePath())).path(),
                                                    filter);
  if (path.isEmpty()) return;
  if (!editor_->InsertDroppedFiles({path.toStdString()}))
    Tell(picture ? "Insert Picture" : "Insert File",
         QFileInfo(path).fileName() + (picture ? " is no picture Terrabook can read." : " could not be read."), true);
  UpdateStatus();
}

void TTerrabookWindow::SetZoom(int percent) {
  percent = std::clamp(percent, 25, 400);
  if (TLTDocumentContext* context = editor_->LTData().GetContext()) context->DocParameters.ZoomPercent = percent;
  if (percent == zoom_) return;
  zoom_ = percent;
  area_->SetPixelsPerInch(LTScreenPixelsPerInch * percent / 100);
  editor_->Format();
  statusBar()->showMessage(QString("Zoom %1 %").arg(percent));
}

void TTerrabookWindow::UpdateCommands() {
  TCustomLecternEdit& e = editor_->InnermostEditor();
  const TLTString undo = editor_->UndoName(), redo = editor_->RedoName();
  const bool writable = e.CanChange();
  QAction* u = commands_["Undo"];
  u->setText(undo.empty() ? QString("&Undo") : "&Undo " + ToQ(undo));
  u->setEnabled(!undo.empty() && !editor_->ReadOnly());
  QAction* r = commands_["Redo"];
  r->setText(redo.empty() ? QString("&Redo") : "&Redo " + ToQ(redo));
  r->setEnabled(!redo.empty() && !editor_->ReadOnly());
  const bool selected = e.HasSelection();
  commands_["Cut"]->setEnabled(selected && writable);
  commands_["Copy"]->setEnabled(selected);
  // The clipboard is asked only when it changes: with X11 that is a round
  // trip to the program that owns it, too slow for every caret move.
  commands_["Paste"]->setEnabled(writable && clipboardHasPaste_);
  commands_["Paste Special…"]->setEnabled(writable && clipboardHasPaste_);
  commands_["Picture…"]->setEnabled(writable);
  commands_["File…"]->setEnabled(writable);
  // Whether the selection holds codes is asked when the Edit menu opens
  // (the command has no key): it walks the selection, too much for every
  // caret move.
  for (const auto& entry : kInsertEntries) commands_[Plain(entry.first)]->setEnabled(writable);
}

std::vector<std::string> TTerrabookWindow::Start(bool quiet) {
  quiet_ = quiet;
  std::vector<std::string> problems = app_->Start();
  viewList_->clear();
  for (const TLTString& name : app_->ViewNames()) viewList_->addItem(ToQ(name));
  viewList_->setCurrentIndex(app_->ViewIndex());
  FitViewList();
  // A template remembers the zoom it was saved at.
  if (const TLTDocumentContext* context = editor_->LTData().GetContext()) SetZoom(context->DocParameters.ZoomPercent);
  DocumentReplaced();
  UpdateStatus();
  // The table's trouble stays in sight in the status line; the template's
  // needs an answer before the user edits.
  if (!app_->TableProblem().empty()) statusBar()->showMessage(QString::fromStdString(app_->TableProblem()));
  QString text;
  for (const std::string& p : problems)
    if (p != app_->TableProblem()) text += QString::fromStdString(p) + "\n";
  if (!text.isEmpty()) {
    if (quiet_)
      statusBar()->showMessage(text.trimmed());
    else
      QTimer::singleShot(0, this, [this, text] { Tell("Terrabook", text.trimmed(), true); });
  }
  return problems;
}

void TTerrabookWindow::FitViewList() {
  // The list opens as wide as its longest country, within the screen.
  const QFontMetrics fm(viewList_->view()->font());
  int widest = 0;
  for (int i = 0; i < viewList_->count(); ++i) widest = std::max(widest, fm.horizontalAdvance(viewList_->itemText(i)));
  const QScreen* screen = this->screen();
  const int limit = screen ? screen->availableGeometry().width() - 40 : 800;
  viewList_->view()->setMinimumWidth(std::min(widest + 40, limit));
}

void TTerrabookWindow::DocumentReplaced() {
  editor_->ClearUndo();
  editor_->Deselect();
  editor_->Format();
  RecheckWords();
  UpdateTitle();
  UpdateCommands();
  FillStyleList();
}

void TTerrabookWindow::FillStyleList() {
  styleList_->clear();
  const TLTStyleTemplateCollection& templates = style_.StyleTemplates();
  for (int i = 0; i < templates.Count(); ++i) styleList_->addItem(ToQ(templates[i].Name()));
  styleList_->setEnabled(templates.Count() > 0);
  ShowCaretTemplate();
}

void TTerrabookWindow::ShowCaretTemplate() {
  const int at = TTerrabook::CaretTemplate(*editor_);
  if (styleList_->currentIndex() != at) styleList_->setCurrentIndex(at);
}

void TTerrabookWindow::ApplyTemplate(int index) {
  if (index < 0 || index >= style_.StyleTemplates().Count()) return;
  editor_->ApplyStyleTemplate(index);
  area_->setFocus();
  UpdateCommands();
  ShowCaretTemplate();
}

bool TTerrabookWindow::SetLiveChecking(bool on) {
  QAction* action = commands_["Check Spelling While Typing"];
  if (!on) {
    liveChecking_ = false;
    editor_->StopWordChecking();
    editor_->OnSpellingCheck = nullptr;
    action->setChecked(false);
    return true;
  }
  if (!speller_) {
    auto speller = std::make_unique<TLTSpeller>();
    std::string error;
    if (!speller->Open(TLTSpeller::LocaleLanguage(), TLTSpeller::DefaultDictionaryDirs(), error)) {
      action->setChecked(false);
      Tell("Check Spelling", QString::fromStdString(error), true);
      return false;
    }
    if (!speller->LoadPersonal(TLTSpeller::DefaultPersonalPath(), error))
      statusBar()->showMessage(QString::fromStdString(error));
    speller_ = std::move(speller);
  }
  liveChecking_ = true;
  action->setChecked(true);
  // Runs on the checker's thread: it asks the speller, which locks itself.
  // The field codes show their names, which are no words to correct.
  TLTSpeller* speller = speller_.get();
  editor_->OnSpellingCheck = [speller](TCustomLectern&, const TLTString& word, int32_t, bool& misspelled) {
    misspelled = !IsFieldName(word) && speller->IsMisspelled(word);
  };
  editor_->StartWordChecking();
  return true;
}

void TTerrabookWindow::RecheckWords() {
  if (liveChecking_) editor_->StartWordChecking();
}

std::unique_ptr<QMenu> TTerrabookWindow::SuggestionMenu(int x, int y) {
  if (!liveChecking_ || !speller_) return nullptr;
  // A word in the cell being edited is the cell editor's to change.
  TCustomLecternEdit* e = editor_.get();
  if (ILTNestedEditing* n = editor_->NestedEditing(); n && n->NestedEditor()) {
    const TLTRectI b = n->NestedBounds();
    if (b.Contains(x, y)) {
      e = n->NestedEditor();
      x -= b.Left;
      y -= b.Top;
    }
  }
  int item = 0, start = 0, length = 0;
  if (!e->MisspellingAt(x, y, item, start, length)) return nullptr;
  const TLTString word =
      e->LTData().GetItemTextW(item).substr(static_cast<size_t>(start - 1), static_cast<size_t>(length));
  auto menu = std::make_unique<QMenu>(this);
  const std::vector<std::u16string> suggestions = speller_->Suggest(word);
  for (const std::u16string& s : suggestions) {
    menu->addAction(ToQ(s), this, [e, item, start, length, s] {
      // The word is replaced as one step to undo.
      e->SetSelectionBounds(item, start, item, start + length);
      e->InsertText(s);
    });
  }
  if (suggestions.empty()) menu->addAction("(no suggestions)")->setEnabled(false);
  menu->addSeparator();
  menu->addAction("&Add to dictionary", this, [this, word] {
    std::string error;
    if (!speller_->AddToPersonal(word, error)) statusBar()->showMessage(QString::fromStdString(error));
    editor_->StartWordChecking();
  });
  return menu;
}

void TTerrabookWindow::ChooseView(int index) {
  if (viewList_->currentIndex() != index) viewList_->setCurrentIndex(index);
  const std::vector<std::string> problems = app_->SwitchView(index);
  // Undo never reaches back over a view switch: the document was replaced.
  DocumentReplaced();
  // Chosen from the keyboard, the list keeps the keys for the next step;
  // chosen with the mouse, the document takes them.
  if (viewListKeeps_)
    viewList_->setFocus();
  else
    area_->setFocus();
  viewListKeeps_ = false;
  UpdateStatus();
  if (!problems.empty()) statusBar()->showMessage(QString::fromStdString(problems.front()));
}

void TTerrabookWindow::InsertTable() {
  QDialog dialog(this);
  dialog.setWindowTitle("Insert Table");
  auto* form = new QFormLayout(&dialog);
  auto* rows = new QSpinBox(&dialog);
  rows->setRange(1, 1000);
  rows->setValue(3);
  auto* cols = new QSpinBox(&dialog);
  cols->setRange(1, 64);
  cols->setValue(2);
  form->addRow("&Rows:", rows);
  form->addRow("&Columns:", cols);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return;
  editor_->InsertItem(std::make_unique<TLTTableItemInfo>(rows->value(), cols->value()));
  UpdateStatus();
}

void TTerrabookWindow::Tell(const QString& title, const QString& text, bool problem) {
  if (quiet_) {
    statusBar()->showMessage(text);
    return;
  }
  if (problem)
    QMessageBox::warning(this, title, text);
  else
    QMessageBox::information(this, title, text);
}

bool TTerrabookWindow::Save() {
  std::string error, note;
  return Saved(app_->SaveTemplate(error, &note), error, note);
}

bool TTerrabookWindow::SaveAs(QString path) {
  if (path.isEmpty())
    path = QFileDialog::getSaveFileName(this, "Save Template As", QString::fromStdString(app_->TemplatePath()),
                                        "Templates (*.ltf)");
  if (path.isEmpty()) return false;
  std::string error, note;
  return Saved(app_->SaveTemplateAs(path.toStdString(), error, &note), error, note);
}

namespace {

/// Hyperlinks of the document lead where the window opens them, while a
/// scope writes it.
class TLinkTargets {
 public:
  explicit TLinkTargets(TCustomLTData& data) : ctx_(data.GetContext()) {
    if (!ctx_) return;
    kept_ = ctx_->OnWriteHyperlink;
    ctx_->OnWriteHyperlink = [](const TCustomLTData& d, int itemNo, TLTSaveFormat, TLTString& target, TLTString&) {
      target = TTerrabook::JumpTarget(d.GetItem(itemNo).Tag);
    };
  }
  ~TLinkTargets() {
    if (ctx_) ctx_->OnWriteHyperlink = kept_;
  }
  TLinkTargets(const TLinkTargets&) = delete;
  TLinkTargets& operator=(const TLinkTargets&) = delete;

 private:
  TLTDocumentContext* ctx_;
  decltype(TLTDocumentContext::OnWriteHyperlink) kept_;
};

/// The formats Export All Reports offers: what the user reads, the
/// registry's name.
constexpr std::pair<const char*, const char*> kExportFormats[] = {
    {"PDF", "pdf"}, {"RTF", "rtf"}, {"HTML", "html"}, {"LTF (Terrabook documents)", "ltf"}, {"Text", "txt"}};

}  // namespace

void TTerrabookWindow::Print() {
  if (app_->OnBeforeDocumentUse) app_->OnBeforeDocumentUse();
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  std::string error;
  if (!PrintDocument(editor_->LTData(), printer, error)) Tell("Printing", QString::fromStdString(error), true);
}

void TTerrabookWindow::PrintPreview() {
  if (app_->OnBeforeDocumentUse) app_->OnBeforeDocumentUse();
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog dialog(&printer, this);
  dialog.setWindowTitle("Print Preview");
  dialog.resize(900, 800);
  std::string problem;
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this, &problem](QPrinter* p) {
    // No exception may leave a Qt signal.
    try {
      if (!PrintDocument(editor_->LTData(), *p, problem)) statusBar()->showMessage(QString::fromStdString(problem));
    } catch (const std::exception& e) {
      problem = e.what();
    }
  });
  dialog.exec();
  if (!problem.empty()) Tell("Print Preview", QString::fromStdString(problem), true);
}

bool TTerrabookWindow::ExportPdf(QString path) {
  if (app_->OnBeforeDocumentUse) app_->OnBeforeDocumentUse();
  const QFileInfo shown(QString::fromStdString(app_->TemplatePath()));
  const int view = app_->ViewIndex();
  const QString name = view > 0 && view < static_cast<int>(app_->ViewNames().size())
                           ? ToQ(app_->ViewNames()[static_cast<size_t>(view)])
                           : shown.completeBaseName();
  if (path.isEmpty())
    path = QFileDialog::getSaveFileName(this, "Export PDF", shown.path() + "/" + name + ".pdf", "PDF files (*.pdf)");
  if (path.isEmpty()) return false;
  TLTWriteSettings settings;
  settings.Title = name.toStdU16String();
  TLinkTargets links(editor_->LTData());
  std::string error;
  try {
    TLTPdfWriter writer(settings);
    auto file = TLTSafeFileWriter::Create(path.toStdString(), &error);
    if (file && writer.AddDocument(editor_->LTData(), error) && writer.Finish(*file, error) && file->Commit(&error)) {
      statusBar()->showMessage("Exported " + path);
      return true;
    }
  } catch (const std::exception& e) {
    error = e.what();
  }
  Tell("Export PDF", "The PDF file could not be written: " + QString::fromStdString(error), true);
  return false;
}

std::vector<std::string> TTerrabookWindow::ExportAllReports(QString folder, QString format) {
  if (app_->OnBeforeDocumentUse) app_->OnBeforeDocumentUse();
  if (!app_->TableProblem().empty()) {
    Tell("Export All Reports", QString::fromStdString(app_->TableProblem()), true);
    return {app_->TableProblem()};
  }
  if (folder.isEmpty())
    folder = QFileDialog::getExistingDirectory(this, "Export All Reports To",
                                               QFileInfo(QString::fromStdString(app_->TemplatePath())).path());
  if (folder.isEmpty()) return {};
  if (format.isEmpty()) {
    QStringList names;
    for (const auto& f : kExportFormats) names << f.first;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, "Export All Reports", "Format:", names, 0, false, &ok);
    if (!ok) return {};
    for (const auto& f : kExportFormats)
      if (chosen == f.first) format = f.second;
  }
  const TLTDocumentFormat* fmt = FindFormatByName(format.toStdString());
  if (!fmt || !fmt->Write || fmt->Extension.empty()) {
    Tell("Export All Reports", "There is no format " + format + " to export to.", true);
    return {"no format " + format.toStdString()};
  }
  TLTReportExport exporter(editor_->LTData(), app_->Table(), *fmt, folder.toStdString());
  const int records = exporter.RecordCount();
  QProgressDialog progress("Exporting reports…", "Stop", 0, records, this);
  progress.setWindowTitle("Export All Reports");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(quiet_ ? INT_MAX : 500);
  std::vector<std::string> failed, bare;
  int written = 0, done = 0;
  for (int recNo = 1; recNo <= records; ++recNo) {
    // A stop comes between records: every file is written whole or not at
    // all. The window repaints meanwhile; its input waits for the dialog.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (progress.wasCanceled()) break;
    progress.setValue(recNo - 1);
    const auto& names = app_->ViewNames();
    progress.setLabelText("Exporting " +
                          (recNo < static_cast<int>(names.size()) ? ToQ(names[static_cast<size_t>(recNo)])
                                                                  : "record " + QString::number(recNo)) +
                          "…");
    std::string path, error;
    if (exporter.WriteRecord(recNo, path, error)) {
      ++written;
      if (!exporter.EmptyFields().empty()) {
        std::string fields;
        for (const TLTString& f : exporter.EmptyFields()) fields += (fields.empty() ? "" : ", ") + Utf16ToUtf8(f);
        bare.push_back(std::filesystem::path(path).filename().string() + ": " + fields);
      }
    } else if (path.empty())
      failed.push_back("record " + IntToStr(recNo) + ": " + error);
    else
      failed.push_back(std::filesystem::path(path).filename().string() + ": " + error);
    done = recNo;
  }
  progress.setValue(records);
  // The table stands on the record the view shows again.
  if (app_->ViewIndex() > 0) {
    try {
      app_->Table().SetRecNo(app_->ViewIndex());
    } catch (const std::exception&) {
    }
  }
  QString summary = QString::number(written) + " of " + QString::number(records) + " reports written to " + folder;
  if (done < records) summary += " (stopped after " + QString::number(done) + ")";
  summary += ".";
  if (!bare.empty()) {
    summary += "\n\nThese show a field's name where the record has no value:";
    for (const std::string& b : bare) summary += "\n" + QString::fromStdString(b);
  }
  if (!failed.empty()) {
    summary += "\n\nThese could not be written:";
    for (const std::string& f : failed) summary += "\n" + QString::fromStdString(f);
  }
  Tell("Export All Reports", summary, !failed.empty());
  return failed;
}

bool TTerrabookWindow::Saved(bool ok, const std::string& error, const std::string& note) {
  if (!ok) {
    RecheckWords();
    Tell("Saving", QString::fromStdString(error), true);
    return false;
  }
  // Saving dropped unused styles and renumbered the rest: undo records
  // that name style numbers would now name the wrong ones.
  editor_->Modified = false;
  DocumentReplaced();
  statusBar()->showMessage("Saved " + QString::fromStdString(app_->TemplatePath()));
  if (!note.empty()) Tell("Saving", QString::fromStdString(note), false);
  return true;
}

bool TTerrabookWindow::Open(QString path) {
  if (!MaySetAside("Opening")) return false;
  if (path.isEmpty())
    path = QFileDialog::getOpenFileName(this, "Open Template", QFileInfo(QString::fromStdString(app_->TemplatePath())).path(),
                                        "Templates (*.ltf)");
  if (path.isEmpty()) return false;
  const std::string problem = app_->OpenTemplate(path.toStdString());
  if (!problem.empty()) {
    // Refused: the window keeps what it shows and where it saves.
    Tell("Opening", QString::fromStdString(problem), true);
    return false;
  }
  viewList_->setCurrentIndex(app_->ViewIndex());
  DocumentReplaced();
  UpdateStatus();
  return true;
}

void TTerrabookWindow::UpdateTitle() {
  // The file and the view, with the mark Qt shows for unsaved changes.
  const QString file = QFileInfo(QString::fromStdString(app_->TemplatePath())).fileName();
  const int view = app_->ViewIndex();
  const QString shown = view <= 0 ? QString("Field Codes") : viewList_->itemText(view);
  setWindowTitle(file + "[*] — " + shown + " — Terrabook");
  setWindowModified(app_->Modified);
}

void TTerrabookWindow::OpenJump(int id) {
  TCustomLTData* data = nullptr;
  int itemNo = -1;
  // A jump whose item cannot be found does nothing.
  if (!editor_->GetJumpLocation(id, data, itemNo) || !data || itemNo < 0 || itemNo >= data->ItemCount()) return;
  const std::string target = Utf16ToUtf8(TTerrabook::JumpTarget(data->GetItem(itemNo).Tag));
  std::string why;
  if (!TTerrabook::MayOpen(target, why)) {
    if (!target.empty()) statusBar()->showMessage(QString::fromStdString("Not opened: " + why));
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(target))))
    statusBar()->showMessage(QString::fromStdString("Not opened: no program on this desktop opens " + target));
}

void TTerrabookWindow::ShowLinkTarget(int id) {
  TCustomLTData* data = nullptr;
  int itemNo = -1;
  if (id < 0 || !editor_->GetJumpLocation(id, data, itemNo) || !data || itemNo < 0 || itemNo >= data->ItemCount()) {
    UpdateStatus();
    return;
  }
  const TLTString target = TTerrabook::JumpTarget(data->GetItem(itemNo).Tag);
  if (!target.empty()) statusBar()->showMessage(ToQ(target));
}

void TTerrabookWindow::UpdateStatus() {
  // In a table cell the caret stands in the cell's document; the field is
  // that of the innermost item around it that has one.
  statusBar()->showMessage(ToQ(TTerrabook::CaretStatus(*editor_)));
}

bool TTerrabookWindow::ViewListKey(QObject* watched, const QKeyEvent& key) {
  const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
  if (watched == viewList_->view()) {
    // Enter in the open list applies the entry there, as a click does.
    if (enter) viewListKeeps_ = true;
    return false;
  }
  // Alt+Down and F4 open the list as usual.
  if (key.modifiers() & Qt::AltModifier) return false;
  const int last = viewList_->count() - 1;
  int to = -1;
  switch (key.key()) {
    case Qt::Key_Up:
      to = viewList_->currentIndex() - 1;
      break;
    case Qt::Key_Down:
      to = viewList_->currentIndex() + 1;
      break;
    case Qt::Key_PageUp:
      to = viewList_->currentIndex() - viewList_->maxVisibleItems();
      break;
    case Qt::Key_PageDown:
      to = viewList_->currentIndex() + viewList_->maxVisibleItems();
      break;
    case Qt::Key_Home:
      to = 0;
      break;
    case Qt::Key_End:
      to = last;
      break;
    default:
      break;
  }
  // The arrows only choose: merging a report for every entry passed over
  // would be slow and would take the keys away.
  if (to != -1 || key.key() == Qt::Key_Up || key.key() == Qt::Key_PageUp) {
    if (last >= 0) viewList_->setCurrentIndex(std::clamp(to, 0, last));
    return true;
  }
  if (enter) {
    viewListKeeps_ = true;
    ChooseView(viewList_->currentIndex());
    return true;
  }
  if (key.key() == Qt::Key_Escape && viewList_->currentIndex() != app_->ViewIndex()) {
    viewList_->setCurrentIndex(app_->ViewIndex());
    return true;
  }
  return false;
}

bool TTerrabookWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == viewList_ || watched == viewList_->view()))
    return ViewListKey(watched, *static_cast<QKeyEvent*>(event));
  // An entry chosen with the arrows but never applied is not what the
  // document shows: leaving the list names the view shown again.
  if (watched == viewList_ && event->type() == QEvent::FocusOut && !viewList_->view()->isVisible() &&
      viewList_->currentIndex() != app_->ViewIndex())
    viewList_->setCurrentIndex(app_->ViewIndex());
  if (watched == area_->viewport() && event->type() == QEvent::Wheel) {
    const auto* w = static_cast<QWheelEvent*>(event);
    if (w->modifiers() & Qt::ControlModifier) {
      if (w->angleDelta().y() != 0) SetZoom(Zoom() + (w->angleDelta().y() > 0 ? 10 : -10));
      return true;
    }
  }
  if (watched == area_->viewport() && event->type() == QEvent::ContextMenu) {
    const auto* c = static_cast<QContextMenuEvent*>(event);
    // On a misspelled word: what it could be instead.
    if (std::unique_ptr<QMenu> suggestions = SuggestionMenu(c->pos().x(), c->pos().y())) {
      suggestions->exec(c->globalPos());
      return true;
    }
    UpdateCommands();
    QMenu menu(this);
    for (const char* name : {"Cut", "Copy", "Paste"}) menu.addAction(commands_[name]);
    menu.addSeparator();
    menu.addAction(commands_["Select All"]);
    // On a link: open it, or copy where it points.
    const int jump = editor_->HoverJumpId();
    TCustomLTData* data = nullptr;
    int itemNo = -1;
    if (jump >= 0 && editor_->GetJumpLocation(jump, data, itemNo) && data && itemNo >= 0) {
      const TLTString target = TTerrabook::JumpTarget(data->GetItem(itemNo).Tag);
      if (!target.empty()) {
        menu.addSeparator();
        menu.addAction("&Open Link", this, [this, jump] { OpenJump(jump); });
        menu.addAction("Copy &Link Address", this, [target] {
          QApplication::clipboard()->setText(ToQ(target));
        });
      }
    }
    menu.exec(c->globalPos());
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TTerrabookWindow::MaySetAside(const QString& caption) {
  if (!app_->Modified) return true;
  const auto answer = QMessageBox::question(this, caption, "Template was modified, save?",
                                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Cancel) return false;
  return answer == QMessageBox::No || Save();
}

void TTerrabookWindow::closeEvent(QCloseEvent* event) {
  if (MaySetAside("Closing"))
    event->accept();
  else
    event->ignore();
}

}  // namespace lectern
