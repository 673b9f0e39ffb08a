// lectern and pages: convert to .pdf with its paper and margins, merge
// --one-file and --all --to pdf over the shipped table, and info. PDF
// files are read back with poppler's pdftotext and pdfinfo.

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tests/support/TestTable.h"
#include "tools/lectern/LecternTool.h"

#include "tests/support/PdfTools.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

namespace lectern {
namespace {

using lectern::testing::RunOutput;

namespace fs = std::filesystem;

std::string PdfText(const std::string& path) { return RunOutput("pdftotext -layout -enc UTF-8 '" + path + "' -"); }
std::string PdfInfo(const std::string& path) { return RunOutput("pdfinfo '" + path + "' 2>&1"); }
int PdfPages(const std::string& path) {
  std::smatch m;
  const std::string info = PdfInfo(path);
  return std::regex_search(info, m, std::regex("Pages: +([0-9]+)")) ? std::stoi(m[1]) : -1;
}
std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(std::regex_replace(text, std::regex("Page [0-9]+ of [0-9]+"), " "));
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

struct PdfToolTest : ::testing::Test {
  testing::TTempDir Dir{"pdftool"};
  std::ostringstream Out, Err;
  TLTDocument Doc;

  void SetUp() override { RegisterTableItemKind(); }
  /// Ten paragraphs, the sixth starting a new page.
  void WriteTwoPages(const std::string& name) {
    for (int i = 0; i < 10; ++i)
      Doc.Data.AddTextW(u"Paragraph " + Utf8ToUtf16(IntToStr(i)) + u" of the two-page d\u00F6cument", 0, 0);
    Doc.Data.GetItem(5).SetFlag(ltifNewPage, true);
    Doc.Context.LTFOptions = LTEditorLTFOptions;
    ASSERT_TRUE(Doc.Data.SaveLTF(Dir / name));
  }
  int Run(std::vector<std::string> args) {
    Out.str({});
    Err.str({});
    return LecternMain(args, Out, Err);
  }
};

TEST_F(PdfToolTest, ConvertWritesTheDocumentsTextOnItsPages) {
  SKIP_WITHOUT_POPPLER();
  WriteTwoPages("d.ltf");
  ASSERT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.pdf"}), 0) << Err.str();
  EXPECT_EQ(PdfPages(Dir / "d.pdf"), 2);
  const std::string text = PdfText(Dir / "d.pdf");
  EXPECT_EQ(Words(text), Words(Utf16ToUtf8(Doc.Data.GetPlainText(0))));
  // The break stands between the fifth and the sixth paragraph.
  const size_t ff = text.find('\f');
  ASSERT_NE(ff, std::string::npos);
  EXPECT_NE(text.substr(0, ff).find("Paragraph 4 "), std::string::npos);
  EXPECT_NE(text.substr(ff).find("Paragraph 5 "), std::string::npos);
  EXPECT_NE(text.substr(ff).find("Page 2 of 2"), std::string::npos);
  // --to pdf chooses the format whatever the name.
  ASSERT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.out", "--to", "pdf"}), 0) << Err.str();
  EXPECT_EQ(PdfPages(Dir / "d.out"), 2);
}

TEST_F(PdfToolTest, PaperAndMarginsComeFromTheOptions) {
  SKIP_WITHOUT_POPPLER();
  WriteTwoPages("d.ltf");
  ASSERT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.pdf", "--page", "Letter"}), 0) << Err.str();
  EXPECT_NE(PdfInfo(Dir / "d.pdf").find("612 x 792 pts (letter)"), std::string::npos) << PdfInfo(Dir / "d.pdf");
  ASSERT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.pdf", "--page=100x60mm", "--margins", "20"}), 0) << Err.str();
  // The writer gives the paper whole points.
  EXPECT_NE(PdfInfo(Dir / "d.pdf").find("283 x 170 pts"), std::string::npos) << PdfInfo(Dir / "d.pdf");
  EXPECT_GT(PdfPages(Dir / "d.pdf"), 2) << "a small page takes more of them";
}

TEST_F(PdfToolTest, APageWithoutRoomForTextIsRefusedAndTheOldFileKept) {
  WriteTwoPages("d.ltf");
  ASSERT_TRUE(WriteFileAtomic(Dir / "d.pdf", "the old file"));
  EXPECT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.pdf", "--page", "100x60mm", "--margins", "26"}), 1);
  EXPECT_NE(Err.str().find("the margins leave no room for text"), std::string::npos) << Err.str();
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(Dir / "d.pdf", bytes));
  EXPECT_EQ(bytes, "the old file");
  EXPECT_EQ(Run({"info", Dir / "d.ltf", "--margins", "200"}), 1);
  EXPECT_EQ(Out.str(), "") << "nothing is printed for a page that cannot be";
}

TEST_F(PdfToolTest, BadPageOptionsAreUsageErrors) {
  WriteTwoPages("d.ltf");
  EXPECT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.pdf", "--page", "B7"}), 2);
  EXPECT_NE(Err.str().find("--page takes A4, Letter"), std::string::npos);
  EXPECT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.pdf", "--margins", "-3"}), 2);
  EXPECT_EQ(Run({"convert", Dir / "d.ltf", Dir / "d.pdf", "--margins", "2cm"}), 2);
  EXPECT_EQ(Run({"dump", Dir / "d.ltf", "--page", "A4"}), 2);
  EXPECT_EQ(Run({"info", Dir / "d.ltf", "--page", "A4", "--width", "300"}), 2);
  EXPECT_EQ(Run({"info", Dir / "d.ltf", Dir / "e.ltf"}), 2);
  EXPECT_FALSE(fs::exists(Dir / "d.pdf"));
}

TEST_F(PdfToolTest, InfoCountsTheDocumentAndMeasuresIt) {
  Doc.Data.AddTextW(u"Two words", 0, 0);
  auto t = std::make_unique<TLTTableItemInfo>(1, 2);
  t->Cells(0, 0)->Clear();
  t->Cells(0, 0)->AddTextW(u"caf\u00E9 \U0001F600", 0, 0);
  t->ParaNo = 0;
  Doc.Data.AddItem({}, std::move(t));
  Doc.Context.LTFOptions = LTEditorLTFOptions;
  ASSERT_TRUE(Doc.Data.SaveLTF(Dir / "i.ltf"));
  ASSERT_EQ(Run({"info", Dir / "i.ltf"}), 0) << Err.str();
  const std::string out = Out.str();
  // The text, the table and its two cells' items; a cell starts a
  // paragraph of its own; the emoji is one character but not a word.
  for (const char* line : {"items: 4\n", "paragraphs: 4\n", "tables: 1\n", "pictures: 0\n", "words: 3\n",
                           "characters: 15\n", "page: 210 x 297 mm\n", "pages: 1\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
  ASSERT_EQ(Run({"info", Dir / "i.ltf", "--width", "300"}), 0) << Err.str();
  std::smatch m;
  const std::string sized = Out.str();
  ASSERT_TRUE(std::regex_search(sized, m, std::regex("\nheight: ([0-9]+)\n"))) << sized;
  EXPECT_GT(std::stoi(m[1]), 20);
  ASSERT_EQ(Run({"info", Dir / "i.ltf", "--page", "a5"}), 0) << Err.str();
  EXPECT_NE(Out.str().find("page: 148 x 210 mm\n"), std::string::npos);
}

TEST_F(PdfToolTest, EveryShippedReportOnItsOwnPagesInOneFileOrInFilesOfTheirOwn) {
  SKIP_WITHOUT_POPPLER();
  const std::string bin = LECTERN_BIN_DIR;
  ASSERT_EQ(Run({"merge", bin + "/terrabook.ltf", bin + "/Terra.db", "--one-file", Dir / "all.pdf"}), 0) << Err.str();
  const std::string text = PdfText(Dir / "all.pdf");
  // Every report starts a page with its heading.
  int reports = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\f', start);
    if (end == std::string::npos) end = text.size();
    const std::string page = text.substr(start, end - start);
    if (page.find("Country report:") != std::string::npos) {
      ++reports;
      EXPECT_LT(page.find("Country report:"), page.find("The capital")) << page.substr(0, 200);
    }
    start = end + 1;
  }
  EXPECT_EQ(reports, 56);
  EXPECT_GE(PdfPages(Dir / "all.pdf"), 56);
  EXPECT_NE(text.find("Country report: Japan"), std::string::npos);

  ASSERT_EQ(Run({"merge", bin + "/terrabook.ltf", bin + "/Terra.db", "--all", Dir / "out", "--to", "pdf"}), 0)
      << Err.str();
  int files = 0;
  for (const auto& e : fs::directory_iterator(Dir / "out")) {
    ++files;
    EXPECT_EQ(e.path().extension(), ".pdf");
  }
  EXPECT_EQ(files, 56);
  EXPECT_NE(PdfText(Dir / "out/Japan.pdf").find("Tokyo"), std::string::npos);

  EXPECT_EQ(Run({"merge", bin + "/terrabook.ltf", bin + "/Terra.db", "--one-file", Dir / "all.txt"}), 2);
  EXPECT_NE(Err.str().find("--one-file writes one PDF file"), std::string::npos);
}

}  // namespace
}  // namespace lectern
