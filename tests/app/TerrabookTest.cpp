// The window's logic: start with and without its files, switching views,
// the status text, hyperlink targets and saving the template.

#include "app/ReportMerge.h"
#include "app/Terrabook.h"
#include "model/LTDocument.h"
#include "platform/LTSysUtils.h"
#include "tests/support/TestTable.h"

#include <gtest/gtest.h>

#include <fstream>

namespace lectern {
namespace {

using testing::TTestValue;

struct TerrabookTest : ::testing::Test {
  testing::TTempDir Dir{"terrabook"};
  TLTDocument Doc;

  void MakeFiles() {
    testing::MakeTable(
        Dir / "Terra.db", "Countries", {"Country TEXT", "Capital TEXT"},
        {{TTestValue::T("Chile"), TTestValue::T("Santiago")}, {TTestValue::T("Norway"), TTestValue::T("Oslo")}});
    TLTDocument tpl;
    tpl.Context.LTFOptions = LTEditorLTFOptions;
    tpl.Data.AddTextW(u"Capital: ", 0, 0);
    tpl.Data.AddTextW(u"Capital", FindOrAddCodeStyle(ltcsFieldCode, tpl.Style), -1, TLTTag::FromString(u"Capital|"));
    ASSERT_TRUE(tpl.Data.SaveLTF(Dir / "terrabook.ltf"));
  }
};

TEST_F(TerrabookTest, StartFillsTheViewListAndSwitchingMergesTheRecord) {
  MakeFiles();
  TTerrabook app(Dir.Path, Doc.Data);
  const auto problems = app.Start();
  EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems[0]);
  EXPECT_EQ(app.ViewNames(), (std::vector<TLTString>{u"(Field Codes", u"Chile", u"Norway"}));
  EXPECT_FALSE(app.Modified);
  EXPECT_EQ(Doc.Data.GetPlainText(0), u"Capital: Capital");

  EXPECT_TRUE(app.SwitchView(2).empty());
  EXPECT_EQ(Doc.Data.GetPlainText(0), u"Capital: Oslo");
  EXPECT_TRUE(app.Modified);
  app.SwitchView(0);
  EXPECT_EQ(Doc.Data.GetPlainText(0), u"Capital: Capital");
  EXPECT_FALSE(app.SwitchView(7).empty());  // no such entry: reported, nothing changes
  EXPECT_EQ(app.ViewIndex(), 0);
}

TEST_F(TerrabookTest, MissingOrBrokenFilesAreReportedAndNeverSavedOver) {
  TTerrabook app(Dir.Path, Doc.Data);
  auto problems = app.Start();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("was not found"), std::string::npos);
  EXPECT_NE(problems[1].find("Terra.db"), std::string::npos);
  EXPECT_EQ(problems[1], app.TableProblem());
  EXPECT_EQ(app.ViewNames(), std::vector<TLTString>{u"(Field Codes"}) << "the template can still be edited";

  std::ofstream(Dir / "terrabook.ltf") << "this is not a template";
  problems = app.Start();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("could not be read"), std::string::npos);
  EXPECT_EQ(Doc.Data.ItemCount(), 0);
  EXPECT_FALSE(app.Modified);  // closing will not offer to save the empty document

  // The first save keeps the unreadable file aside, the next ones do not
  // touch the copy.
  Doc.Data.AddTextW(u"new", 0, 0);
  std::string error, note;
  ASSERT_TRUE(app.SaveTemplate(error, &note)) << error;
  EXPECT_NE(note.find("terrabook.ltf.bak"), std::string::npos);
  std::ifstream bak(Dir / "terrabook.ltf.bak");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(bak), {}), "this is not a template");
  note.clear();
  ASSERT_TRUE(app.SaveTemplate(error, &note));
  EXPECT_EQ(note, "");
  std::ifstream again(Dir / "terrabook.ltf.bak");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), "this is not a template");
}

TEST_F(TerrabookTest, AnotherTemplateIsOpenedAndSavedWhereTheUserSays) {
  MakeFiles();
  TTerrabook app(Dir.Path, Doc.Data);
  app.Start();
  app.SwitchView(1);
  std::string error;
  ASSERT_TRUE(app.SaveTemplateAs((Dir / "copy.ltf"), error)) << error;
  EXPECT_EQ(app.TemplatePath(), (Dir / "copy.ltf"));
  EXPECT_FALSE(app.SaveTemplateAs((Dir / "no/such/folder/x.ltf"), error));
  EXPECT_EQ(app.TemplatePath(), (Dir / "copy.ltf")) << "a failed Save As keeps the file that is open";
  // The copy was saved in a country view: its merged value keeps its
  // field tag and merges again.
  EXPECT_EQ(app.OpenTemplate((Dir / "terrabook.ltf")), "");
  EXPECT_EQ(app.ViewIndex(), 0);
  EXPECT_EQ(app.OpenTemplate((Dir / "copy.ltf")), "");
  app.SwitchView(2);
  EXPECT_EQ(Doc.Data.GetPlainText(0), u"Capital: Oslo");
  // What is not a document is refused, and nothing changes: not the
  // document, not the file Save writes, not the view.
  const std::string shown = Utf16ToUtf8(Doc.Data.GetPlainText(0));
  EXPECT_NE(app.OpenTemplate((Dir / "missing.ltf")).find("was not found"), std::string::npos);
  {
    std::ofstream png(Dir / "picture.png", std::ios::binary);
    png << "\x89PNG\r\n\x1a\n not a template";
  }
  const std::string refused = app.OpenTemplate(Dir / "picture.png");
  EXPECT_NE(refused.find("picture.png was not opened"), std::string::npos) << refused;
  EXPECT_EQ(Utf16ToUtf8(Doc.Data.GetPlainText(0)), shown);
  EXPECT_EQ(app.TemplatePath(), (Dir / "copy.ltf"));
  EXPECT_EQ(app.ViewIndex(), 2);
  ASSERT_TRUE(app.SaveTemplate(error)) << error;
  std::ifstream kept(Dir / "picture.png", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "\x89PNG\r\n\x1a\n not a template");
}

TEST_F(TerrabookTest, ATemplateSavedInACountryViewReopensInThatView) {
  MakeFiles();
  TTerrabook app(Dir.Path, Doc.Data);
  app.Start();
  app.SwitchView(2);
  std::string error;
  ASSERT_TRUE(app.SaveTemplateAs(Dir / "norway.ltf", error)) << error;
  EXPECT_EQ(app.OpenTemplate(Dir / "terrabook.ltf"), "");
  EXPECT_EQ(app.ViewIndex(), 0);
  EXPECT_EQ(app.OpenTemplate(Dir / "norway.ltf"), "");
  EXPECT_EQ(app.ViewIndex(), 2);
  TTerrabook again(TTerrabookFiles{Dir / "norway.ltf", Dir / "Terra.db"}, Doc.Data);
  again.Start();
  EXPECT_EQ(again.ViewIndex(), 2);
}

TEST_F(TerrabookTest, SavingDropsUnusedStylesAndReportsFailure) {
  MakeFiles();
  TTerrabook app(Dir.Path, Doc.Data);
  app.Start();
  const int before = Doc.Style.TextStyles().Count();
  app.SwitchView(1);
  std::string error;
  ASSERT_TRUE(app.SaveTemplate(error)) << error;
  EXPECT_LT(Doc.Style.TextStyles().Count(), before);
  EXPECT_FALSE(app.Modified);

  TTerrabook elsewhere((Dir / "no/such/folder"), Doc.Data);
  EXPECT_FALSE(elsewhere.SaveTemplate(error));
  EXPECT_NE(error.find("could not be saved"), std::string::npos);
}

TEST(TerrabookText, CaretStatusAndJumpTargets) {
  TLTTextItemInfo field;
  field.Tag = TLTTag::FromString(u"Description|https://example.org/x");
  EXPECT_EQ(TTerrabook::CaretStatus(&field), u"The caret is in field: Description");
  TLTTextItemInfo plain;
  EXPECT_EQ(TTerrabook::CaretStatus(&plain), u"The caret is not in any field");
  EXPECT_EQ(TTerrabook::CaretStatus(nullptr), u"");
  TLTDocument empty;
  EXPECT_EQ(TTerrabook::CaretStatus(empty.Data, -1), u"");
  EXPECT_EQ(TTerrabook::JumpTarget(field.Tag), u"https://example.org/x");
  EXPECT_EQ(TTerrabook::JumpTarget(TLTTag::FromString(u"https://a.b/")), u"https://a.b/");
  EXPECT_EQ(TTerrabook::JumpTarget(TLTTag::FromString(u"Country|")), u"");

  std::string why;
  EXPECT_TRUE(TTerrabook::MayOpen("https://www.gob.cl/", why));
  EXPECT_TRUE(TTerrabook::MayOpen("mailto:someone@example.org", why));
  EXPECT_FALSE(TTerrabook::MayOpen("", why));
  EXPECT_FALSE(TTerrabook::MayOpen("/bin/sh", why));
  EXPECT_NE(why.find("program"), std::string::npos);
  EXPECT_FALSE(TTerrabook::MayOpen("file:///bin/ls", why));
  EXPECT_FALSE(TTerrabook::MayOpen("javascript:alert(1)", why));
  const std::string doc = ::testing::TempDir() + "terrabook-note.txt";
  std::ofstream(doc) << "a document";
  EXPECT_TRUE(TTerrabook::MayOpen(doc, why)) << why;
}

}  // namespace
}  // namespace lectern
