// PDF files read back with poppler's tools: the text comes out as the
// document's text in order, the pages are as many as pagination made,
// links and properties arrive, and a file the completion step does not
// understand is left alone.

#include "layout/LTPages.h"
#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "print/LTPdfFile.h"
#include "platform/qt/LTQtCanvas.h"
#include "print/LTPrint.h"
#include "table/LTTable.h"

#include <QImage>
#include "tests/support/PdfTools.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace lectern {
namespace {

using lectern::testing::RunOutput;


/// The words of a text, white space of any kind between them.
std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

struct PdfFile {
  std::filesystem::path Path;
  PdfFile() {
    Path = std::filesystem::temp_directory_path() /
           ("lectern-pdf-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".pdf");
  }
  ~PdfFile() { std::filesystem::remove(Path); }
  bool Write(const TCustomLTData& data, std::string& error, const TLTWriteSettings& settings = {}) {
    TLTPdfWriter writer(settings);
    TLTMemoryStream m;
    if (!writer.AddDocument(data, error) || !writer.Finish(m, error)) return false;
    std::ofstream(Path, std::ios::binary) << m.TakeData();
    return true;
  }
  /// The text line by line as it stands on the pages (cells of a row side
  /// by side, as the document's plain text has them).
  std::string Text() const { return RunOutput("pdftotext -layout -enc UTF-8 '" + Path.string() + "' -"); }
  std::string Info(const char* options = "") const {
    return RunOutput(std::string("pdfinfo ") + options + " '" + Path.string() + "' 2>&1");
  }
  int Pages() const {
    std::smatch m;
    const std::string info = Info();
    return std::regex_search(info, m, std::regex("Pages: +([0-9]+)")) ? std::stoi(m[1]) : -1;
  }
};

/// Text without the footers.
std::string WithoutFooters(const std::string& text) {
  return std::regex_replace(text, std::regex("Page [0-9]+ of [0-9]+"), " ");
}

struct ReportDoc {
  TLTDocument D;
  ReportDoc() {
    RegisterTableItemKind();
    TFontInfo& link = D.Style.TextStyles().Add();
    link.Jump = true;
    Link = D.Style.TextStyles().Count() - 1;
  }
  int Link = 0;
};

TEST(LTPdf, TextComesBackInOrderOnAsManyPagesAsPaginationMade) {
  SKIP_WITHOUT_POPPLER();
  ReportDoc r;
  for (int i = 0; i < 150; ++i)
    r.D.Data.AddTextW(u"Paragraph " + Utf8ToUtf16(IntToStr(i)) + u" says caf\u00E9 and more words", 0, 0);
  auto table = std::make_unique<TLTTableItemInfo>(40, 2);
  for (int row = 0; row < 40; ++row)
    for (int c = 0; c < 2; ++c) {
      table->Cells(row, c)->Clear();
      table->Cells(row, c)->AddTextW(u"cell" + Utf8ToUtf16(IntToStr(row * 2 + c)), 0, 0);
    }
  table->HeadingRowCount = 0;
  table->ParaNo = 0;
  r.D.Data.AddItem({}, std::move(table));
  r.D.Data.AddTextW(u"The end.", 0, 0);

  PdfFile pdf;
  std::string error;
  ASSERT_TRUE(pdf.Write(r.D.Data, error)) << error;
  // The pages pagination makes on the same canvas.
  TLTPageFormat format;
  ASSERT_TRUE(PageFormatFor(r.D.Data, {}, format, error));
  QImage probe(1, 1, QImage::Format_RGB32);
  TLTQtCanvas measure(probe, LTPdfPixelsPerInch);
  TLTPagedDocument paged;
  ASSERT_TRUE(paged.Build(r.D.Data, TLTPageSetup::For(format, LTPdfPixelsPerInch), measure, error));
  const int pages = paged.PageCount();
  ASSERT_GE(pages, 4) << "150 paragraphs and a table of 40 rows on A4";
  EXPECT_EQ(pdf.Pages(), pages) << pdf.Info();
  EXPECT_NE(pdf.Info().find("595 x 842 pts (A4)"), std::string::npos);
  const std::string text = pdf.Text();
  EXPECT_EQ(Words(WithoutFooters(text)), Words(Utf16ToUtf8(r.D.Data.GetPlainText(0))));
  for (int p = 1; p <= pages; ++p)
    EXPECT_NE(text.find("Page " + std::to_string(p) + " of " + std::to_string(pages)), std::string::npos) << p;
}

TEST(LTPdf, LinksAreClickableAndPropertiesBecomeTheFilesInformation) {
  SKIP_WITHOUT_POPPLER();
  ReportDoc r;
  r.D.Context.DocProperties = {u"Title=R\u00E9sum\u00E9 of things", u"Author=Ann Example", u"Subject=Maps"};
  r.D.Data.AddTextW(u"Read ", 0, 0);
  r.D.Data.AddTextW(u"the atlas", r.Link, 0, TLTTag::FromString(u"https://example.org/atlas?a=(1)"));
  r.D.Data.GetItem(1).SetJoinPrev(true);
  r.D.Data.AddTextW(u"Never ", 0, 0);
  r.D.Data.AddTextW(u"run", r.Link, 0, TLTTag::FromString(u"javascript:alert(1)"));
  r.D.Data.GetItem(3).SetJoinPrev(true);
  PdfFile pdf;
  std::string error;
  ASSERT_TRUE(pdf.Write(r.D.Data, error)) << error;
  const std::string urls = pdf.Info("-url");
  EXPECT_NE(urls.find("https://example.org/atlas?a=(1)"), std::string::npos) << urls;
  EXPECT_EQ(urls.find("javascript"), std::string::npos) << "a script never becomes a link";
  const std::string info = pdf.Info();
  EXPECT_NE(info.find("Title:           R\u00E9sum\u00E9 of things"), std::string::npos) << info;
  EXPECT_NE(info.find("Author:          Ann Example"), std::string::npos);
  EXPECT_NE(info.find("Subject:         Maps"), std::string::npos);
  EXPECT_EQ(info.find("Syntax Error"), std::string::npos) << info;
}

TEST(LTPdf, SeveralDocumentsEachStartAPageAndNumberTheirOwn) {
  SKIP_WITHOUT_POPPLER();
  ReportDoc a, b;
  a.D.Data.AddTextW(u"First", 0, 0);
  b.D.Data.AddTextW(u"Second", 0, 0);
  TLTPdfWriter writer({});
  std::string error;
  ASSERT_TRUE(writer.AddDocument(a.D.Data, error)) << error;
  ASSERT_TRUE(writer.AddDocument(b.D.Data, error)) << error;
  TLTMemoryStream m;
  ASSERT_TRUE(writer.Finish(m, error)) << error;
  PdfFile pdf;
  std::ofstream(pdf.Path, std::ios::binary) << m.TakeData();
  EXPECT_EQ(pdf.Pages(), 2);
  const std::string text = pdf.Text();
  const size_t ff = text.find('\f');
  ASSERT_NE(ff, std::string::npos);
  EXPECT_NE(text.substr(0, ff).find("First"), std::string::npos);
  EXPECT_NE(text.substr(ff).find("Second"), std::string::npos);
  EXPECT_NE(text.substr(ff).find("Page 1 of 1"), std::string::npos);
}

TEST(LTPdf, APageWithoutRoomOrAnUnknownPaperWritesNothing) {
  ReportDoc r;
  r.D.Data.AddTextW(u"text", 0, 0);
  TLTWriteSettings settings;
  settings.MarginsMm = 120;
  TLTPdfWriter writer(settings);
  std::string error;
  EXPECT_FALSE(writer.AddDocument(r.D.Data, error));
  EXPECT_NE(error.find("no room for text"), std::string::npos) << error;
  TLTMemoryStream m;
  EXPECT_FALSE(writer.Finish(m, error));
  EXPECT_EQ(m.Size(), 0);

  settings.MarginsMm = -1;
  settings.Paper = "B7";
  TLTPdfWriter other(settings);
  EXPECT_FALSE(other.AddDocument(r.D.Data, error));
  EXPECT_EQ(error, "unknown paper size \"B7\"");
}

TEST(LTPdfFile, AFileWithoutAPlainCrossReferenceIsLeftAlone) {
  std::string error;
  for (std::string bad : {std::string(), std::string("%PDF-1.4\nstartxref\n9999\n%%EOF"),
                          std::string("%PDF-1.4\n1 0 obj\n<<>>\nendobj\nstartxref\n9\n%%EOF"),
                          std::string("%PDF-1.4\nxref\n0 2\n0000000000 65535 f \n0000000009 00000 n \ntrailer\n<< "
                                      "/Size 2 /Root 1 0 R >>\nstartxref\n9\n%%EOF")}) {
    const std::string before = bad;
    EXPECT_FALSE(AddPdfLinksAndInfo(bad, {{0, 1, 1, 2, 2, "https://x"}}, {"T", "", "", "", ""}, error));
    EXPECT_EQ(bad, before);
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace lectern
