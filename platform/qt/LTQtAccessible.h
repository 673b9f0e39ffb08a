#pragma once
// The control's window as Qt's accessibility sees it: an editable text
// (read-only for a viewer) whose text, caret, selection and changes come
// from the client's ILTAccessibleDocument, with the document's tables,
// cells, links and pictures as its children. Qt hands it on to the
// desktop's accessibility bus (AT-SPI on Linux).

#include "platform/LTAccessible.h"

#include <QAccessibleWidget>

#include <functional>
#include <map>
#include <vector>

namespace lectern {

class TLTQtWindow;

/// What the window last told assistive technologies, to tell them only
/// what changed since.
struct TLTQtAccessibleReport {
  bool Known = false;
  TLTString Text;
  int Caret = -1;
  std::vector<TLTTextRange> Selections;
};

/// Hears every accessibility event the windows send, even while no
/// assistive technology listens and Qt drops them (a recorder, a test);
/// an empty hook removes it.
void SetAccessibleEventHook(std::function<void(QAccessibleEvent&)> hook);

/// Whether anything takes accessibility events: an assistive technology
/// through the bus, or the hook.
bool IsAccessibilityListening();

/// Has Qt make TLTQtAccessibleWindow for every TLTQtWindow (once per
/// process; the window's constructor calls it).
void InstallAccessibleFactory();

/// Sends the events for what changed in doc since report (text removed,
/// inserted or replaced, then the selection, then the caret) and updates
/// report. Nothing while no assistive technology listens.
void ReportAccessibleChanges(TLTQtWindow& window, ILTAccessibleDocument* doc, TLTQtAccessibleReport& report);

/// The window's accessible interface. Qt owns it; it owns the interfaces
/// of the document's objects, made when asked for and dropped when the
/// document changes.
class TLTQtAccessibleWindow final : public QAccessibleWidget,
                                    public QAccessibleTextInterface,
                                    public QAccessibleEditableTextInterface {
 public:
  explicit TLTQtAccessibleWindow(TLTQtWindow* window);
  ~TLTQtAccessibleWindow() override;

  /// The client's document, null without one.
  ILTAccessibleDocument* Document() const;
  TLTQtWindow* Window() const;
  /// The object's interface under the document's current numbering.
  QAccessibleInterface* ObjectInterface(int index) const;
  /// The children of object parent (-1: of the document).
  std::vector<int> ChildrenOf(int parent) const;
  /// The document's current objects, its numbering renewed first when
  /// the document changed.
  const std::vector<TLTAccessibleObject>& Objects() const;
  /// The numbering the objects are under now.
  uint64_t Generation() const;
  /// A client rectangle on the screen.
  QRect ToScreen(const TLTRectI& r) const;
  /// Frees the interfaces of objects the document no longer has. Not from
  /// inside an interface's own call: a reader may be asking one of them.
  void DropRetired();

  // QAccessibleInterface
  QAccessible::Role role() const override;
  QAccessible::State state() const override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  void* interface_cast(QAccessible::InterfaceType t) override;

  // QAccessibleTextInterface
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }
  QString text(int startOffset, int endOffset) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                           int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                          int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                       int* endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

  // QAccessibleEditableTextInterface
  void deleteText(int startOffset, int endOffset) override;
  void insertText(int offset, const QString& text) override;
  void replaceText(int startOffset, int endOffset, const QString& text) override;

 private:
  /// The unit around offset for a boundary type, {-1, -1} for none.
  TLTTextRange Unit(int offset, QAccessible::TextBoundaryType type) const;
  /// Drops the objects' interfaces when the document's numbering changed.
  void Refresh() const;

  mutable uint64_t generation_ = 0;
  mutable std::vector<TLTAccessibleObject> objects_;
  mutable std::map<int, QAccessible::Id> interfaces_;
  mutable std::vector<QAccessible::Id> retired_;
};

}  // namespace lectern
