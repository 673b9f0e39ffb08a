// What a view switch and the file commands keep: the View list names what
// the document shows, text typed beside a value is the user's, a file that
// is no template is refused and never saved over.

#include "edit/LTEdit.h"
#include "platform/LTSysUtils.h"
#include "platform/qt/LTQtApplication.h"
#include "platform/qt/LTQtWindow.h"
#include "terrabook/TerrabookWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct ViewWindow : ::testing::Test {
  fs::path Dir = fs::path(::testing::TempDir()) /
                 ("terrabook-view-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::unique_ptr<TTerrabookWindow> Window;

  void SetUp() override {
    const std::string bin = LECTERN_BIN_DIR;
    if (!fs::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    for (const char* f : {"Terra.db", "terrabook.ltf"}) fs::copy_file(bin + "/" + f, Dir / f);
    EnsureQtApplication();
    Window = std::make_unique<TTerrabookWindow>(Dir.string() + "/");
    Window->show();
    ASSERT_TRUE(Window->Start(true).empty());
    Window->activateWindow();
    QApplication::processEvents();
  }
  void TearDown() override {
    Window.reset();
    fs::remove_all(Dir);
  }
  std::string Text() { return Utf16ToUtf8(Window->Editor().LTData().GetPlainText(0)); }
  static std::string Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
};

TEST_F(ViewWindow, TheViewListAlwaysNamesWhatTheDocumentShows) {
  QComboBox& list = Window->ViewList();
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_Down);
  QTest::keyClick(&list, Qt::Key_Down);
  EXPECT_EQ(list.currentIndex(), 2);
  QTest::keyClick(&list, Qt::Key_Escape);
  EXPECT_EQ(list.currentIndex(), 0) << "Escape gives up the choice";
  QTest::keyClick(&list, Qt::Key_Down);
  Window->Area().setFocus();
  QApplication::processEvents();
  EXPECT_EQ(list.currentIndex(), 0) << "leaving the list gives up the choice";

  // Saved in a country view, the template reopens in it.
  const int chile = list.findText("Chile");
  Window->ChooseView(chile);
  ASSERT_TRUE(Window->SaveAs(QString::fromStdString((Dir / "chile.ltf").string())));
  Window.reset();
  Window = std::make_unique<TTerrabookWindow>(Dir.string() + "/");
  ASSERT_TRUE(Window->Start(true).empty());
  ASSERT_TRUE(Window->Open(QString::fromStdString((Dir / "chile.ltf").string())));
  EXPECT_EQ(Window->ViewList().currentIndex(), chile);
  EXPECT_EQ(Window->windowTitle(), "chile.ltf[*] — Chile — Terrabook");
  EXPECT_NE(Text().find("Santiago"), std::string::npos);
}

TEST_F(ViewWindow, TextTypedBesideAValueSurvivesEverySwitch) {
  Window->ChooseView(Window->ViewList().findText("Chile"));
  TLecternEdit& e = Window->Editor();
  const TLecternLTData& doc = e.LTData();
  int santiago = -1;
  for (int i = 0; i < doc.ItemCount() && santiago < 0; ++i)
    if (doc.GetItem(i).IsText() && doc.GetItemTextW(i) == u"Santiago") santiago = i;
  ASSERT_GE(santiago, 0);
  e.SetCaretAt(santiago, doc.GetOffsAfterItem(santiago));
  Window->Area().setFocus();
  QTest::keyClicks(&Window->Area(), " (the capital)");
  EXPECT_NE(Text().find("Santiago (the capital)"), std::string::npos) << Text();
  Window->ChooseView(Window->ViewList().findText("Japan"));
  EXPECT_NE(Text().find("Tokyo (the capital)"), std::string::npos) << Text();
  Window->ChooseView(0);
  EXPECT_NE(Text().find("Capital (the capital)"), std::string::npos) << Text();
}

TEST_F(ViewWindow, AFileThatIsNoTemplateIsRefusedAndNeverSavedOver) {
  const std::string before = Text();
  const std::string png = "\x89PNG\r\n\x1a\n IHDR not really";
  std::ofstream(Dir / "picture.png", std::ios::binary) << png;
  EXPECT_FALSE(Window->Open(QString::fromStdString((Dir / "picture.png").string())));
  EXPECT_NE(Window->statusBar()->currentMessage().toStdString().find("picture.png was not opened"), std::string::npos)
      << Window->statusBar()->currentMessage().toStdString();
  EXPECT_EQ(Text(), before) << "the window keeps what it had";
  EXPECT_EQ(Window->windowTitle(), "terrabook.ltf[*] — Field Codes — Terrabook");
  QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Read(Dir / "picture.png"), png);
  EXPECT_FALSE(fs::exists(Dir / "picture.png.bak"));
}

}  // namespace
}  // namespace lectern
