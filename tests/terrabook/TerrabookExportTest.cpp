// The window's pages: Export PDF of the report on screen, and Export All
// Reports in every format, with a record that cannot be written while the
// others are.

#include "platform/qt/LTQtApplication.h"
#include "terrabook/TerrabookWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct ExportWindow : ::testing::Test {
  fs::path Dir = fs::path(::testing::TempDir()) /
                 ("terrabook-export-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::unique_ptr<TTerrabookWindow> Window;

  void SetUp() override {
    const std::string bin = LECTERN_BIN_DIR;
    if (!fs::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
    fs::remove_all(Dir);
    fs::create_directories(Dir / "out");
    EnsureQtApplication();
    Window = std::make_unique<TTerrabookWindow>(bin + "/");
    ASSERT_TRUE(Window->Start(true).empty());
  }
  void TearDown() override { fs::remove_all(Dir); }
  std::vector<std::string> Names(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ExportWindow, TheFileMenuOffersPagesAndExports) {
  for (const char* name : {"Print…", "Print Preview", "Export PDF…", "Export All Reports…"})
    EXPECT_NE(Window->Command(name), nullptr) << name;
}

TEST_F(ExportWindow, ExportPdfWritesTheReportOnScreen) {
  Window->ChooseView(Window->ViewList().findText("Japan"));
  ASSERT_TRUE(Window->ExportPdf(QString::fromStdString((Dir / "japan.pdf").string())));
  std::ifstream f(Dir / "japan.pdf", std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(f), {});
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  if (std::system("command -v pdftotext > /dev/null 2>&1") == 0) {
    const std::string cmd = "pdftotext '" + (Dir / "japan.pdf").string() + "' -";
    std::string text;
    if (FILE* p = popen(cmd.c_str(), "r")) {
      char buf[4096];
      for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
      pclose(p);
    }
    EXPECT_NE(text.find("Tokyo"), std::string::npos) << text;
  }
  EXPECT_EQ(Names(Dir), (std::vector<std::string>{"japan.pdf", "out"})) << "no temporary file is left";
}

TEST_F(ExportWindow, EveryReportIsWrittenInEachFormatAndAFailureDoesNotStopTheOthers) {
  for (const char* format : {"pdf", "txt", "ltf"}) {
    const fs::path out = Dir / format;
    fs::create_directories(out);
    // A folder where one report's file would go: that report cannot be written.
    fs::create_directories(out / (std::string("Japan.") + format));
    const std::vector<std::string> failed =
        Window->ExportAllReports(QString::fromStdString(out.string()), QString::fromLatin1(format));
    ASSERT_EQ(failed.size(), 1u) << format;
    // Records without some value are named, with the fields they lack.
    const std::string summary = Window->statusBar()->currentMessage().toStdString();
    EXPECT_NE(summary.find("These show a field's name where the record has no value:\n"), std::string::npos) << summary;
    EXPECT_EQ(failed.front().rfind(std::string("Japan.") + format + ":", 0), 0u) << failed.front();
    const std::vector<std::string> names = Names(out);
    EXPECT_EQ(names.size(), 56u) << format << ": 55 reports and the folder in the way";
    for (const std::string& n : names) EXPECT_EQ(fs::path(n).extension(), std::string(".") + format) << n;
  }
  std::ifstream t(Dir / "txt" / "Chile.txt");
  const std::string text(std::istreambuf_iterator<char>(t), {});
  EXPECT_NE(text.find("Country report: Chile"), std::string::npos);
}

TEST_F(ExportWindow, StoppingLeavesTheReportsWrittenSoFarEachWhole) {
  const fs::path out = Dir / "out";
  // Stop once three reports are there, as a user pressing Stop would.
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (std::distance(fs::directory_iterator(out), fs::directory_iterator()) < 3) return;
    for (QProgressDialog* p : Window->findChildren<QProgressDialog*>()) p->cancel();
    stopper.stop();
  });
  stopper.start(0);
  EXPECT_TRUE(Window->ExportAllReports(QString::fromStdString(out.string()), "txt").empty());
  const std::vector<std::string> names = Names(out);
  EXPECT_GE(names.size(), 3u);
  EXPECT_LT(names.size(), 10u) << "the run stopped";
  for (const std::string& n : names) {
    EXPECT_EQ(fs::path(n).extension(), ".txt") << "no temporary file is left: " << n;
    std::ifstream f(out / n);
    const std::string text(std::istreambuf_iterator<char>(f), {});
    EXPECT_EQ(text.rfind("Country report: ", 0), 0u) << n << " is whole";
    EXPECT_NE(text.find("Using this template"), std::string::npos) << n << " is whole";
  }
}

TEST_F(ExportWindow, AnUnknownFormatWritesNothing) {
  EXPECT_FALSE(Window->ExportAllReports(QString::fromStdString((Dir / "out").string()), "doc").empty());
  EXPECT_TRUE(Names(Dir / "out").empty());
}

}  // namespace
}  // namespace lectern
