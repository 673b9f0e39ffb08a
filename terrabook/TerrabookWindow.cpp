// The Terrabook window.

#include "terrabook/TerrabookWindow.h"

#include "edit/LTEdit.h"
#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtWindow.h"
#include "table/LTTable.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace lectern {

namespace {

QString ToQ(const TLTString& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TTerrabookWindow::TTerrabookWindow(TTerrabookFiles files, QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("Terrabook");
  RegisterTableItemKind();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // The panel keeps the designed places of its three controls.
  auto* panel = new QWidget(central);
  panel->setFixedHeight(45);
  auto* label = new QLabel("View:", panel);
  label->move(15, 15);
  viewList_ = new QComboBox(panel);
  viewList_->setEditable(false);
  viewList_->move(53, 9);
  viewList_->setFixedWidth(145);
  gridBox_ = new QCheckBox("Show table grid", panel);
  gridBox_->move(216, 13);
  gridBox_->setChecked(true);
  layout->addWidget(panel);

  area_ = new TLTQtWindow(central);
  layout->addWidget(area_, 1);
  setCentralWidget(central);
  statusBar()->showMessage(QString());

  editor_ = std::make_unique<TLecternEdit>(*area_);
  editor_->SetStyle(&style_);
  TLTOptions options{ltoAllowSelection,   ltoScrollToEnd,         ltoShowPageBreaks,  ltoTagsArePChars,
                     ltoAutoCopyText,     ltoAutoCopyLTF,         ltoAutoCopyImage,   ltoAutoCopyRTF,
                     ltoFormatInvalidate, ltoDblClickSelectsWord, ltoRClickDeselects, ltoShowItemHints,
                     ltoFastFormatting};
  editor_->SetOptions(options);
  editor_->OnJump = [this](TCustomLectern&, int id) { OpenJump(id); };
  editor_->OnCaretMove = [this](TCustomLecternEdit&) { UpdateStatus(); };
  editor_->OnChange = [this](TCustomLecternEdit&) { app_->Modified = true; };
  app_ = std::make_unique<TTerrabook>(std::move(files), editor_->LTData());

  connect(viewList_, qOverload<int>(&QComboBox::activated), this, [this](int index) { ChooseView(index); });
  connect(gridBox_, &QCheckBox::toggled, this, [this](bool on) {
    TableGridStyle = on ? psDot : psClear;
    editor_->Format();
  });
  BuildMenus();
  resize(811, 695);
}

TTerrabookWindow::~TTerrabookWindow() = default;

void TTerrabookWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("E&xit", this, &QWidget::close);
  QMenu* edit = menuBar()->addMenu("&Edit");
  // The document claims Ctrl+Z and Ctrl+Y while it has the focus; the
  // menu shows them and serves the mouse.
  QAction* undo = edit->addAction("&Undo", this, [this] { editor_->Undo(); });
  undo->setShortcut(QKeySequence::Undo);
  QAction* redo = edit->addAction("&Redo", this, [this] { editor_->Redo(); });
  redo->setShortcut(QKeySequence::Redo);
  edit->addSeparator();
  // Field codes are removed and inserted with the field code commands.
  edit->addAction("&Clear Codes")->setEnabled(false);
  connect(edit, &QMenu::aboutToShow, this, [this, undo, redo] {
    const TLTString u = editor_->UndoName(), r = editor_->RedoName();
    undo->setText(u.empty() ? QString("&Undo") : "&Undo " + ToQ(u));
    undo->setEnabled(!u.empty() && !editor_->ReadOnly());
    redo->setText(r.empty() ? QString("&Redo") : "&Redo " + ToQ(r));
    redo->setEnabled(!r.empty() && !editor_->ReadOnly());
  });
  QMenu* insert = menuBar()->addMenu("&Insert");
  for (const char* entry : {"&Country", "C&apital", "Ca&lling Code", "&Description", "C&ities", "De&mographics"})
    insert->addAction(entry)->setEnabled(false);
}

std::vector<std::string> TTerrabookWindow::Start(bool quiet) {
  std::vector<std::string> problems = app_->Start();
  viewList_->clear();
  for (const TLTString& name : app_->ViewNames()) viewList_->addItem(ToQ(name));
  viewList_->setCurrentIndex(0);
  editor_->ClearUndo();
  editor_->Format();
  UpdateStatus();
  if (!quiet && !problems.empty()) {
    QTimer::singleShot(0, this, [this, problems] { ShowProblems(problems, "Terrabook"); });
  }
  return problems;
}

void TTerrabookWindow::ChooseView(int index) {
  if (viewList_->currentIndex() != index) viewList_->setCurrentIndex(index);
  const std::vector<std::string> problems = app_->SwitchView(index);
  // Undo never reaches back over a view switch: the document was replaced.
  editor_->ClearUndo();
  editor_->Deselect();
  editor_->Format();
  area_->setFocus();
  UpdateStatus();
  if (!problems.empty()) statusBar()->showMessage(QString::fromStdString(problems.front()));
}

void TTerrabookWindow::ShowProblems(const std::vector<std::string>& problems, const QString& title) {
  QString text;
  for (const std::string& p : problems) text += QString::fromStdString(p) + "\n";
  QMessageBox::warning(this, title, text.trimmed());
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
  QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(target)));
}

void TTerrabookWindow::UpdateStatus() {
  // In a table cell the caret stands in the cell's document.
  TCustomLecternEdit& e = editor_->InnermostEditor();
  const int itemNo = e.CurrentItemNo();
  const TCustomLTItemInfo* item = itemNo >= 0 ? &e.CaretContainer().GetItem(itemNo) : nullptr;
  statusBar()->showMessage(ToQ(TTerrabook::CaretStatus(item)));
}

void TTerrabookWindow::closeEvent(QCloseEvent* event) {
  if (!app_->Modified) {
    event->accept();
    return;
  }
  const auto answer = QMessageBox::question(this, "Closing", "Template was modified, save?",
                                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Cancel) {
    event->ignore();
    return;
  }
  if (answer == QMessageBox::Yes) {
    std::string error;
    if (!app_->SaveTemplate(error)) {
      QMessageBox::critical(this, "Closing", QString::fromStdString(error));
      event->ignore();
      return;
    }
  }
  event->accept();
}

}  // namespace lectern
