#pragma once
// The Terrabook window: a panel with the view list and the grid switch, the
// template's editor, menus and a status line, over the window's logic in
// app/Terrabook.h.

#include "app/Terrabook.h"
#include "style/LTStyle.h"

#include <QMainWindow>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;

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

  /// Loads the files and fills the view list; problems are shown once the
  /// window is up (or returned, for tests, when quiet).
  std::vector<std::string> Start(bool quiet = false);
  /// Picks entry index of the view list as a user would.
  void ChooseView(int index);

  TTerrabook& App() { return *app_; }
  TLecternEdit& Editor() { return *editor_; }
  TLTQtWindow& Area() { return *area_; }
  QComboBox& ViewList() { return *viewList_; }
  QCheckBox& GridBox() { return *gridBox_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void ShowProblems(const std::vector<std::string>& problems, const QString& title);
  void OpenJump(int id);
  void UpdateStatus();

  TLTStyle style_;
  TLTQtWindow* area_ = nullptr;  // owned by the Qt parent
  std::unique_ptr<TLecternEdit> editor_;
  std::unique_ptr<TTerrabook> app_;
  QComboBox* viewList_ = nullptr;
  QCheckBox* gridBox_ = nullptr;
};

}  // namespace lectern
