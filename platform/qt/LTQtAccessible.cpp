// The control's window and its document's objects as Qt accessibility
// interfaces.
//
// Design notes. Qt keeps the interfaces it is given in a cache and hands
// their numbers to the accessibility bus, which may ask about them long
// after the document changed. An object's interface therefore holds only
// its number in the document's object list and the generation of that
// list; once the document has changed, the window drops the old
// interfaces from Qt's cache and an interface a reader still holds answers
// that it is no longer valid instead of reaching into freed items.

#include "platform/qt/LTQtAccessible.h"

#include "platform/qt/LTQtWindow.h"

#include <QAccessible>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace lectern {

namespace {

constexpr uint64_t kNoGeneration = std::numeric_limits<uint64_t>::max();

QString ToQ(const TLTString& s) { return QString::fromStdU16String(s); }

std::function<void(QAccessibleEvent&)>& EventHook() {
  static std::function<void(QAccessibleEvent&)> hook;
  return hook;
}

/// Qt drops events while no bus listens; the hook hears them all the same.
void Send(QAccessibleEvent& e) {
  if (EventHook()) EventHook()(e);
  QAccessible::updateAccessibility(&e);
}

/// A table, a cell, a link or a picture of the document.
class TLTQtAccessibleObject final : public QAccessibleInterface,
                                    public QAccessibleTableInterface,
                                    public QAccessibleTableCellInterface,
                                    public QAccessibleHyperlinkInterface,
                                    public QAccessibleImageInterface,
                                    public QAccessibleActionInterface {
 public:
  TLTQtAccessibleObject(const TLTQtAccessibleWindow* root, int index, uint64_t generation)
      : root_(root), index_(index), generation_(generation) {}

  int Index() const { return index_; }

  /// The object, null once the document has changed under it.
  const TLTAccessibleObject* Object() const {
    const std::vector<TLTAccessibleObject>& objects = root_->Objects();
    if (root_->Generation() != generation_ || index_ >= static_cast<int>(objects.size())) return nullptr;
    return &objects[static_cast<size_t>(index_)];
  }

  // QAccessibleInterface
  bool isValid() const override { return Object() != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return root_->window(); }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int k : root_->ChildrenOf(index_))
      if (QAccessibleInterface* c = root_->ObjectInterface(k); c && c->rect().contains(x, y)) return c;
    return nullptr;
  }
  QAccessibleInterface* parent() const override {
    const TLTAccessibleObject* o = Object();
    if (!o) return nullptr;
    return o->Parent < 0 ? QAccessible::queryAccessibleInterface(root_->Window()) : root_->ObjectInterface(o->Parent);
  }
  QAccessibleInterface* child(int index) const override {
    const std::vector<int> kids = root_->ChildrenOf(index_);
    return index >= 0 && index < static_cast<int>(kids.size()) ? root_->ObjectInterface(kids[static_cast<size_t>(index)])
                                                              : nullptr;
  }
  int childCount() const override { return static_cast<int>(root_->ChildrenOf(index_).size()); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* c = dynamic_cast<const TLTQtAccessibleObject*>(child);
    if (!c) return -1;
    const std::vector<int> kids = root_->ChildrenOf(index_);
    const auto it = std::find(kids.begin(), kids.end(), c->Index());
    return it == kids.end() ? -1 : static_cast<int>(it - kids.begin());
  }
  QString text(QAccessible::Text t) const override {
    const TLTAccessibleObject* o = Object();
    if (!o) return {};
    switch (t) {
      case QAccessible::Name:
        if (o->Role == TLTAccessibleRole::Cell) return CellText(*o);
        return ToQ(o->Name);
      case QAccessible::Value:
        return ToQ(o->Target);
      case QAccessible::Description:
        return o->Role == TLTAccessibleRole::Link ? ToQ(o->Target) : QString();
      default:
        return {};
    }
  }
  void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}
  QRect rect() const override {
    ILTAccessibleDocument* doc = root_->Document();
    return doc && Object() ? root_->ToScreen(doc->ObjectBounds(index_)) : QRect();
  }
  QAccessible::Role role() const override {
    const TLTAccessibleObject* o = Object();
    if (!o) return QAccessible::NoRole;
    switch (o->Role) {
      case TLTAccessibleRole::Table:
        return QAccessible::Table;
      case TLTAccessibleRole::Cell:
        return QAccessible::Cell;
      case TLTAccessibleRole::Link:
        return QAccessible::Link;
      case TLTAccessibleRole::Picture:
        return QAccessible::Graphic;
    }
    return QAccessible::NoRole;
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    const TLTAccessibleObject* o = Object();
    if (!o) {
      s.invalid = true;
      return s;
    }
    s.readOnly = !root_->Document() || !root_->Document()->IsEditable();
    s.linked = o->Role == TLTAccessibleRole::Link;
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    const TLTAccessibleObject* o = Object();
    if (!o) return nullptr;
    if (t == QAccessible::TableInterface && o->Role == TLTAccessibleRole::Table)
      return static_cast<QAccessibleTableInterface*>(this);
    if (t == QAccessible::TableCellInterface && o->Role == TLTAccessibleRole::Cell)
      return static_cast<QAccessibleTableCellInterface*>(this);
    if (t == QAccessible::HyperlinkInterface && o->Role == TLTAccessibleRole::Link)
      return static_cast<QAccessibleHyperlinkInterface*>(this);
    if (t == QAccessible::ImageInterface && o->Role == TLTAccessibleRole::Picture)
      return static_cast<QAccessibleImageInterface*>(this);
    if (t == QAccessible::ActionInterface && o->Role == TLTAccessibleRole::Link)
      return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  // QAccessibleTableInterface
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    const std::vector<TLTAccessibleObject>& objects = root_->Objects();
    for (int k : root_->ChildrenOf(index_)) {
      const TLTAccessibleObject& c = objects[static_cast<size_t>(k)];
      if (row >= c.Row && row < c.Row + c.RowSpan && column >= c.Column && column < c.Column + c.ColumnSpan)
        return root_->ObjectInterface(k);
    }
    return nullptr;
  }
  int selectedCellCount() const override { return 0; }
  QList<QAccessibleInterface*> selectedCells() const override { return {}; }
  QString columnDescription(int /*column*/) const override { return {}; }
  QString rowDescription(int /*row*/) const override { return {}; }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return 0; }
  int columnCount() const override { return Object() ? Object()->Columns : 0; }
  int rowCount() const override { return Object() ? Object()->Rows : 0; }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override { return {}; }
  bool isColumnSelected(int /*column*/) const override { return false; }
  bool isRowSelected(int /*row*/) const override { return false; }
  bool selectRow(int /*row*/) override { return false; }
  bool selectColumn(int /*column*/) override { return false; }
  bool unselectRow(int /*row*/) override { return false; }
  bool unselectColumn(int /*column*/) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent* /*event*/) override {}

  // QAccessibleTableCellInterface
  bool isSelected() const override { return false; }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return Object() ? Object()->Column : -1; }
  int rowIndex() const override { return Object() ? Object()->Row : -1; }
  int columnExtent() const override { return Object() ? Object()->ColumnSpan : 0; }
  int rowExtent() const override { return Object() ? Object()->RowSpan : 0; }
  QAccessibleInterface* table() const override { return parent(); }

  // QAccessibleHyperlinkInterface
  QString anchor() const override { return Object() ? ToQ(Object()->Name) : QString(); }
  QString anchorTarget() const override { return Object() ? ToQ(Object()->Target) : QString(); }
  int startIndex() const override { return Object() ? Object()->Text.Start : -1; }
  int endIndex() const override { return Object() ? Object()->Text.End : -1; }

  // QAccessibleActionInterface: a link is followed as a click follows it.
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& actionName) override {
    ILTAccessibleDocument* doc = root_->Document();
    if (doc && Object() && actionName == pressAction()) doc->ActivateObject(index_);
  }
  QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }

  // QAccessibleImageInterface
  QString imageDescription() const override { return Object() ? ToQ(Object()->Name) : QString(); }
  QSize imageSize() const override { return rect().size(); }
  QPoint imagePosition() const override { return rect().topLeft(); }

 private:
  /// A cell is named by its text, as a reader says it when it enters.
  QString CellText(const TLTAccessibleObject& o) const {
    ILTAccessibleDocument* doc = root_->Document();
    if (!doc) return {};
    const TLTString t = doc->Text();
    const size_t start = static_cast<size_t>(std::clamp(o.Text.Start, 0, static_cast<int>(t.size())));
    const size_t end = static_cast<size_t>(std::clamp(o.Text.End, static_cast<int>(start), static_cast<int>(t.size())));
    return ToQ(t.substr(start, end - start)).trimmed();
  }

  const TLTQtAccessibleWindow* root_;  // not owned: it owns this interface
  int index_;
  uint64_t generation_;
};

QAccessibleInterface* MakeAccessible(const QString& /*className*/, QObject* object) {
  if (auto* w = dynamic_cast<TLTQtWindow*>(object)) return new TLTQtAccessibleWindow(w);
  return nullptr;
}

TLTTextUnit UnitOf(QAccessible::TextBoundaryType type) {
  switch (type) {
    case QAccessible::CharBoundary:
      return TLTTextUnit::Character;
    case QAccessible::WordBoundary:
      return TLTTextUnit::Word;
    case QAccessible::LineBoundary:
      return TLTTextUnit::Line;
    default:
      return TLTTextUnit::Paragraph;
  }
}

}  // namespace

void SetAccessibleEventHook(std::function<void(QAccessibleEvent&)> hook) { EventHook() = std::move(hook); }

bool IsAccessibilityListening() { return QAccessible::isActive() || EventHook(); }

void InstallAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(&MakeAccessible);
    return true;
  }();
  (void)installed;
}

void ReportAccessibleChanges(TLTQtWindow& window, ILTAccessibleDocument* doc, TLTQtAccessibleReport& report) {
  if (!doc || !IsAccessibilityListening()) {
    report = {};
    return;
  }
  if (auto* root = dynamic_cast<TLTQtAccessibleWindow*>(QAccessible::queryAccessibleInterface(&window))) {
    root->Generation();
    root->DropRetired();
  }
  const TLTString text = doc->Text();
  const int caret = doc->CaretOffset();
  const std::vector<TLTTextRange> selections = doc->Selections();
  if (report.Known) {
    const TLTTextChange c = DiffText(report.Text, text);
    if (!c.Removed.empty() && !c.Inserted.empty()) {
      QAccessibleTextUpdateEvent e(&window, c.Start, ToQ(c.Removed), ToQ(c.Inserted));
      Send(e);
    } else if (!c.Removed.empty()) {
      QAccessibleTextRemoveEvent e(&window, c.Start, ToQ(c.Removed));
      Send(e);
    } else if (!c.Inserted.empty()) {
      QAccessibleTextInsertEvent e(&window, c.Start, ToQ(c.Inserted));
      Send(e);
    }
  }
  if (report.Known ? selections != report.Selections : !selections.empty()) {
    const TLTTextRange s = selections.empty() ? TLTTextRange{-1, -1} : selections.front();
    QAccessibleTextSelectionEvent e(&window, s.Start, s.End);
    e.setCursorPosition(caret);
    Send(e);
  }
  if (!report.Known || caret != report.Caret || text != report.Text) {
    QAccessibleTextCursorEvent e(&window, caret);
    Send(e);
  }
  report = {true, text, caret, selections};
}

// ---- The window -------------------------------------------------------------------------------

TLTQtAccessibleWindow::TLTQtAccessibleWindow(TLTQtWindow* window)
    : QAccessibleWidget(window, QAccessible::EditableText), generation_(kNoGeneration) {}

TLTQtAccessibleWindow::~TLTQtAccessibleWindow() {
  for (const auto& [index, id] : interfaces_) QAccessible::deleteAccessibleInterface(id);
  DropRetired();
}

TLTQtWindow* TLTQtAccessibleWindow::Window() const { return static_cast<TLTQtWindow*>(widget()); }

ILTAccessibleDocument* TLTQtAccessibleWindow::Document() const {
  ILTWindowClient* client = Window()->Client();
  return client ? client->AccessibleDocument() : nullptr;
}

void TLTQtAccessibleWindow::Refresh() const {
  ILTAccessibleDocument* doc = Document();
  const uint64_t generation = doc ? doc->Generation() : kNoGeneration - 1;
  if (generation == generation_) return;
  // The old interfaces answer that they are gone until DropRetired frees
  // them: this may run inside a call on one of them.
  for (const auto& [index, id] : interfaces_) retired_.push_back(id);
  interfaces_.clear();
  objects_ = doc ? doc->Objects() : std::vector<TLTAccessibleObject>();
  generation_ = generation;
}

uint64_t TLTQtAccessibleWindow::Generation() const {
  Refresh();
  return generation_;
}

void TLTQtAccessibleWindow::DropRetired() {
  const std::vector<QAccessible::Id> ids = std::move(retired_);
  retired_.clear();
  for (QAccessible::Id id : ids) QAccessible::deleteAccessibleInterface(id);
}

const std::vector<TLTAccessibleObject>& TLTQtAccessibleWindow::Objects() const {
  Refresh();
  return objects_;
}

QAccessibleInterface* TLTQtAccessibleWindow::ObjectInterface(int index) const {
  Refresh();
  if (index < 0 || index >= static_cast<int>(objects_.size())) return nullptr;
  if (const auto it = interfaces_.find(index); it != interfaces_.end())
    return QAccessible::accessibleInterface(it->second);
  auto* iface = new TLTQtAccessibleObject(this, index, generation_);
  interfaces_[index] = QAccessible::registerAccessibleInterface(iface);
  return iface;
}

std::vector<int> TLTQtAccessibleWindow::ChildrenOf(int parent) const {
  std::vector<int> kids;
  const std::vector<TLTAccessibleObject>& objects = Objects();
  for (size_t k = 0; k < objects.size(); ++k)
    if (objects[k].Parent == parent) kids.push_back(static_cast<int>(k));
  return kids;
}

QRect TLTQtAccessibleWindow::ToScreen(const TLTRectI& r) const {
  if (r.IsEmpty()) return {};
  const QPoint g = Window()->viewport()->mapToGlobal(QPoint(r.Left, r.Top));
  return {g, QSize(r.Width(), r.Height())};
}

QAccessible::Role TLTQtAccessibleWindow::role() const { return QAccessible::EditableText; }

QAccessible::State TLTQtAccessibleWindow::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  ILTAccessibleDocument* doc = Document();
  s.editable = doc && doc->IsEditable();
  s.readOnly = !s.editable;
  s.multiLine = true;
  s.selectableText = true;
  s.focusable = true;
  return s;
}

int TLTQtAccessibleWindow::childCount() const { return static_cast<int>(ChildrenOf(-1).size()); }

QAccessibleInterface* TLTQtAccessibleWindow::child(int index) const {
  const std::vector<int> kids = ChildrenOf(-1);
  return index >= 0 && index < static_cast<int>(kids.size()) ? ObjectInterface(kids[static_cast<size_t>(index)])
                                                            : nullptr;
}

int TLTQtAccessibleWindow::indexOfChild(const QAccessibleInterface* child) const {
  const auto* c = dynamic_cast<const TLTQtAccessibleObject*>(child);
  if (!c) return -1;
  const std::vector<int> kids = ChildrenOf(-1);
  const auto it = std::find(kids.begin(), kids.end(), c->Index());
  return it == kids.end() ? -1 : static_cast<int>(it - kids.begin());
}

QAccessibleInterface* TLTQtAccessibleWindow::childAt(int x, int y) const {
  for (int k : ChildrenOf(-1))
    if (QAccessibleInterface* c = ObjectInterface(k); c && c->rect().contains(x, y)) return c;
  return nullptr;
}

void* TLTQtAccessibleWindow::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  if (t == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
  return QAccessibleWidget::interface_cast(t);
}

// ---- Text ---------------------------------------------------------------------------------------

void TLTQtAccessibleWindow::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = 0;
  ILTAccessibleDocument* doc = Document();
  if (!doc) return;
  const std::vector<TLTTextRange> s = doc->Selections();
  if (selectionIndex < 0 || selectionIndex >= static_cast<int>(s.size())) return;
  *startOffset = s[static_cast<size_t>(selectionIndex)].Start;
  *endOffset = s[static_cast<size_t>(selectionIndex)].End;
}

int TLTQtAccessibleWindow::selectionCount() const {
  ILTAccessibleDocument* doc = Document();
  return doc ? static_cast<int>(doc->Selections().size()) : 0;
}

void TLTQtAccessibleWindow::addSelection(int startOffset, int endOffset) {
  // The document has one selection: a new one replaces it.
  setSelection(0, startOffset, endOffset);
}

void TLTQtAccessibleWindow::removeSelection(int selectionIndex) {
  ILTAccessibleDocument* doc = Document();
  if (doc && selectionIndex == 0) doc->SetCaretOffset(doc->CaretOffset());
}

void TLTQtAccessibleWindow::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (ILTAccessibleDocument* doc = Document(); doc && selectionIndex == 0) doc->SetSelection(startOffset, endOffset);
}

int TLTQtAccessibleWindow::cursorPosition() const {
  ILTAccessibleDocument* doc = Document();
  return doc ? doc->CaretOffset() : 0;
}

void TLTQtAccessibleWindow::setCursorPosition(int position) {
  if (ILTAccessibleDocument* doc = Document()) doc->SetCaretOffset(position);
}

QString TLTQtAccessibleWindow::text(int startOffset, int endOffset) const {
  ILTAccessibleDocument* doc = Document();
  if (!doc) return {};
  const TLTString t = doc->Text();
  const int n = static_cast<int>(t.size());
  // The bus asks up to -1 for "to the end".
  if (endOffset < 0 || endOffset > n) endOffset = n;
  startOffset = std::clamp(startOffset, 0, n);
  if (startOffset >= endOffset) return {};
  return ToQ(t.substr(static_cast<size_t>(startOffset), static_cast<size_t>(endOffset - startOffset)));
}

TLTTextRange TLTQtAccessibleWindow::Unit(int offset, QAccessible::TextBoundaryType type) const {
  ILTAccessibleDocument* doc = Document();
  if (!doc) return {-1, -1};
  const int n = characterCount();
  if (offset < 0 || offset > n) return {-1, -1};
  if (type == QAccessible::NoBoundary) return {0, n};
  return doc->UnitAt(offset, UnitOf(type));
}

QString TLTQtAccessibleWindow::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                            int* endOffset) const {
  const int n = characterCount();
  // The caret after the last character still stands on the last line and
  // word; only a character is not there.
  if (offset == n && n > 0 && boundaryType != QAccessible::CharBoundary && text(n - 1, n) != QLatin1String("\n"))
    --offset;
  const TLTTextRange r = Unit(offset, boundaryType);
  *startOffset = r.Start;
  *endOffset = r.End;
  return r.Start < 0 ? QString() : text(r.Start, r.End);
}

QString TLTQtAccessibleWindow::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                                int* startOffset, int* endOffset) const {
  const int n = characterCount();
  *startOffset = *endOffset = -1;
  if (offset < 0 || offset > n) return {};
  const TLTTextRange at = offset < n ? Unit(offset, boundaryType) : TLTTextRange{n, n};
  if (at.Start <= 0) return {};
  const TLTTextRange r = Unit(at.Start - 1, boundaryType);
  *startOffset = r.Start;
  *endOffset = r.End;
  return r.Start < 0 ? QString() : text(r.Start, r.End);
}

QString TLTQtAccessibleWindow::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                               int* startOffset, int* endOffset) const {
  const int n = characterCount();
  *startOffset = *endOffset = -1;
  if (offset < 0 || offset >= n) return {};
  const TLTTextRange at = Unit(offset, boundaryType);
  if (at.Start < 0 || at.End >= n) return {};
  const TLTTextRange r = Unit(at.End, boundaryType);
  *startOffset = r.Start;
  *endOffset = r.End;
  return r.Start < 0 ? QString() : text(r.Start, r.End);
}

int TLTQtAccessibleWindow::characterCount() const {
  ILTAccessibleDocument* doc = Document();
  return doc ? static_cast<int>(doc->Text().size()) : 0;
}

QRect TLTQtAccessibleWindow::characterRect(int offset) const {
  ILTAccessibleDocument* doc = Document();
  return doc ? ToScreen(doc->CharacterRect(offset)) : QRect();
}

int TLTQtAccessibleWindow::offsetAtPoint(const QPoint& point) const {
  ILTAccessibleDocument* doc = Document();
  if (!doc) return -1;
  const QPoint p = Window()->viewport()->mapFromGlobal(point);
  return doc->OffsetAt({p.x(), p.y()});
}

void TLTQtAccessibleWindow::scrollToSubstring(int /*startIndex*/, int /*endIndex*/) {
  // The view follows the caret; moving it for a reader would move the
  // user's caret too.
}

QString TLTQtAccessibleWindow::attributes(int /*offset*/, int* startOffset, int* endOffset) const {
  // No text attributes are reported: the whole text is one run.
  *startOffset = 0;
  *endOffset = characterCount();
  return {};
}

// ---- Editable text -------------------------------------------------------------------------------

void TLTQtAccessibleWindow::deleteText(int startOffset, int endOffset) {
  if (ILTAccessibleDocument* doc = Document()) doc->DeleteText(startOffset, endOffset);
}

void TLTQtAccessibleWindow::insertText(int offset, const QString& text) {
  if (ILTAccessibleDocument* doc = Document()) doc->InsertText(offset, text.toStdU16String());
}

void TLTQtAccessibleWindow::replaceText(int startOffset, int endOffset, const QString& text) {
  if (ILTAccessibleDocument* doc = Document()) doc->ReplaceText(startOffset, endOffset, text.toStdU16String());
}

}  // namespace lectern
