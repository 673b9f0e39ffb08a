// The command-line tool: commands, exit statuses, messages and safe output.

#include "model/LTDocument.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleTemplates.h"
#include "table/LTTable.h"
#include "tests/tools/ToolFixture.h"
#include "tools/lectern/LecternTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct ToolTest : testing::TToolFixture {};

TEST_F(ToolTest, ConvertTextKeepsParagraphsTabsAndEmptyLines) {
  Write("in.txt", "\xEF\xBB\xBFOne\r\n\ttwo\n\nfour \xE2\x82\xAC\n");
  ASSERT_EQ(Run({"convert", Path("in.txt"), Path("out.txt")}), 0) << Err.str();
  EXPECT_EQ(Read("out.txt"), "One\r\n\ttwo\r\n\r\nfour \xE2\x82\xAC");
  // And the output reads back to the same document.
  ASSERT_EQ(Run({"convert", Path("out.txt"), Path("again.txt")}), 0);
  EXPECT_EQ(Read("again.txt"), Read("out.txt"));
}

TEST_F(ToolTest, DumpShowsOneLinePerItem) {
  Write("in.txt", "Hello \"you\"\na\tb\n");
  ASSERT_EQ(Run({"dump", Path("in.txt")}), 0) << Err.str();
  EXPECT_EQ(Out.str(),
            "0 text style=0 para=0 flags=W tag=- text=\"Hello \\\"you\\\"\"\n"
            "1 text style=0 para=0 flags=W tag=- text=\"a\"\n"
            "2 tab para=0 flags=J tag=- text=\"\"\n"
            "3 text style=0 para=0 flags=JW tag=- text=\"b\"\n");
}

TEST_F(ToolTest, OptionsMayFollowTheFileNames) {
  Write("in.txt", "x\n");
  EXPECT_EQ(Run({"dump", Path("in.txt"), "--help"}), 0);
  EXPECT_NE(Out.str().find("usage: lectern"), std::string::npos);
  EXPECT_EQ(Run({"dump", Path("in.txt"), "--frobnicate"}), 2);
  EXPECT_NE(Err.str().find("unknown option --frobnicate"), std::string::npos);
}

TEST_F(ToolTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"shred", "a.txt"}), 2);
  EXPECT_EQ(Run({"convert", Path("only.txt")}), 2);
  EXPECT_EQ(Run({"dump", Path("a.txt"), Path("b.txt")}), 2);
  Write("in.txt", "x");
  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("out.xyz")}), 2);
}

TEST_F(ToolTest, UnreadableInputExitsWithOneAndNamesTheFile) {
  const std::string missing = Path("missing.txt");
  EXPECT_EQ(Run({"dump", missing}), 1);
  EXPECT_EQ(Err.str().rfind("lectern: " + missing + ": ", 0), 0u) << Err.str();
  const std::string message = Err.str();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);

  Write("bad.txt", "fine\nnot \xC3\x28 utf-8\n");
  EXPECT_EQ(Run({"dump", Path("bad.txt")}), 1);
  EXPECT_NE(Err.str().find("not valid UTF-8 text (line 2)"), std::string::npos) << Err.str();
}

TEST_F(ToolTest, AFailedRunLeavesAnExistingOutputAlone) {
  Write("out.txt", "precious");
  Write("bad.txt", "\xFF");
  EXPECT_EQ(Run({"convert", Path("bad.txt"), Path("out.txt")}), 1);
  EXPECT_EQ(Read("out.txt"), "precious");
  // An output that cannot be created fails cleanly too.
  Write("in.txt", "x");
  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("no/such/dir/out.txt")}), 1);
  EXPECT_EQ(Err.str().rfind("lectern: " + Path("no/such/dir/out.txt") + ": ", 0), 0u);
  for (const auto& entry : fs::directory_iterator(Dir))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(ToolTest, EmptyInputGivesAnEmptyDocument) {
  Write("empty.txt", "");
  ASSERT_EQ(Run({"dump", Path("empty.txt")}), 0);
  EXPECT_EQ(Out.str(), "");
  ASSERT_EQ(Run({"convert", Path("empty.txt"), Path("out.txt")}), 0);
  EXPECT_EQ(Read("out.txt"), "");
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LecternDump, MarkersShowTheirListLevelAndText) {
  TLTDocument d;
  TLTListInfo& list = d.Style.ListStyles().Add();
  TLTListLevel& level = list.Levels.Add();
  level.ListType = ltlstUpperAlpha;
  level.FormatString = u"(%s)";
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  d.Data.AddTextW(u"first", 0, -1);
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 4, true));
  d.Data.AddTextW(u"fourth", 0, -1);
  std::ostringstream out;
  DumpDocument(d.Data, out);
  EXPECT_EQ(out.str(),
            "0 marker para=0 flags=- tag=- text=\"\" list=0 level=0 display=\"(A)\"\n"
            "1 text style=0 para=0 flags=JW tag=- text=\"first\"\n"
            "2 marker para=0 flags=- tag=- text=\"\" list=0 level=0 restart=4 display=\"(D)\"\n"
            "3 text style=0 para=0 flags=JW tag=- text=\"fourth\"\n");
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST_F(ToolTest, LtfRoundTripsInBothForms) {
  Write("in.txt", "first\n\tsecond\nZ\xC3\xBCrich\n");
  ASSERT_EQ(Run({"convert", Path("in.txt"), Path("doc.ltf")}), 0) << Err.str();
  ASSERT_EQ(Run({"convert", "--ltf-text", Path("doc.ltf"), Path("text.ltf")}), 0) << Err.str();
  EXPECT_EQ(Read("text.ltf").find('\0'), std::string::npos);  // no binary blocks
  ASSERT_EQ(Run({"convert", Path("text.ltf"), Path("again.ltf")}), 0) << Err.str();
  EXPECT_EQ(Read("again.ltf"), Read("doc.ltf"));
  ASSERT_EQ(Run({"convert", Path("again.ltf"), Path("out.txt")}), 0);
  EXPECT_EQ(Read("out.txt"), "first\r\n\tsecond\r\nZ\xC3\xBCrich");
  ASSERT_EQ(Run({"dump", Path("doc.ltf")}), 0);
  EXPECT_NE(Out.str().find("1 tab para=0 flags=- tag=- text=\"\""), std::string::npos) << Out.str();
}

TEST_F(ToolTest, LtfWithoutStylesHasNoStyleRecords) {
  Write("in.txt", "x\n");
  ASSERT_EQ(Run({"convert", Path("in.txt"), Path("doc.ltf"), "--no-styles", "--ltf-text"}), 0);
  EXPECT_EQ(Read("doc.ltf").find("-9 2 0 0 0 0 1"), std::string::npos);
  EXPECT_NE(Read("doc.ltf").find("-9 0 0 0 0 0 7"), std::string::npos);
}

TEST_F(ToolTest, DamagedLtfSaysWhatAndWhereAndCorrectedFieldsAreWarned) {
  Write("bad.ltf", "-8 1 3 1\r\n0 1 0 8 3 0\r\n7800\r\n-77 0 0 0 0 0 \r\n");
  EXPECT_EQ(Run({"dump", Path("bad.ltf")}), 1);
  EXPECT_NE(Err.str().find(Path("bad.ltf") + ": not a valid LTF document: damaged record at byte 29\n"),
            std::string::npos)
      << Err.str();
  Write("odd.ltf", "-8 1 3 1\r\n0 1 -3 28 3 0\r\n7800\r\n");
  EXPECT_EQ(Run({"dump", Path("odd.ltf")}), 0);
  EXPECT_NE(Err.str().find("warning: a paragraph number below -1 was read as paragraph style 0"), std::string::npos);
  EXPECT_NE(Err.str().find("warning: item flags above 15 were cut to their four stored bits"), std::string::npos);
  EXPECT_EQ(Out.str(), "0 text style=0 para=0 flags=W tag=- text=\"x\"\n");
}

TEST_F(ToolTest, DamagedLtfExitsWithOneAndReportsWarnings) {
  Write("bad.ltf", "-8 1 3 1\r\n-77 0 0 0 0 0 \r\n");
  EXPECT_EQ(Run({"dump", Path("bad.ltf")}), 1);
  EXPECT_NE(Err.str().find(Path("bad.ltf") + ": not a valid LTF document"), std::string::npos) << Err.str();
  Write("warn.ltf", "-8 1 3 1\r\n0 1 0 0 0 0\r\ncaf\xE9\r\n");
  EXPECT_EQ(Run({"dump", Path("warn.ltf")}), 0);
  EXPECT_NE(Err.str().find("warning: 8-bit text was converted to Unicode"), std::string::npos) << Err.str();
  EXPECT_NE(Out.str().find("text=\"caf\xC3\xA9\""), std::string::npos);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST_F(ToolTest, TablesShowTheirGridAndTravelThroughLtfAndText) {
  RegisterTableItemKind();
  TLTDocument d;
  auto table = std::make_unique<TLTTableItemInfo>(2, 2);
  TLTTableItemInfo& t = *table;
  d.Data.AddItem({}, std::move(table));
  t.MergeRect(0, 0, 1, 2, false);
  t.Cells(0, 0)->Clear();
  t.Cells(0, 0)->AddTextW(u"Head", 1, 0);
  t.Cells(1, 1)->Clear();
  t.Cells(1, 1)->AddTextW(u"x", 0, 0);
  ASSERT_TRUE(d.Data.SaveLTF(Path("t.ltf")));
  ASSERT_EQ(Run({"dump", Path("t.ltf")}), 0) << Err.str();
  EXPECT_EQ(Out.str(),
            "0 table para=0 flags=- tag=- text=\"\" rows=2 cols=2\n"
            "  cell 0,0 span 1x2\n"
            "    0 text style=1 para=0 flags=W tag=- text=\"Head\"\n"
            "  cell 1,0 span 1x1\n"
            "    0 text style=0 para=0 flags=W tag=- text=\"\"\n"
            "  cell 1,1 span 1x1\n"
            "    0 text style=0 para=0 flags=W tag=- text=\"x\"\n");
  ASSERT_EQ(Run({"convert", Path("t.ltf"), Path("t.txt")}), 0);
  // Separators stand between all columns, covered ones too, and after rows.
  EXPECT_EQ(Read("t.txt"), "Head\r\n\r\n\r\nx\r\n");
}

TEST_F(ToolTest, TableCommandsInsertChangeMergeAndDeleteTables) {
  Write("in.txt", "top\nend\n");
  Write("s.txt",
        "caret 0 4\n"
        "insert-table 2 2\n"
        "cell 0 0\n"
        "type a\n"
        "table insert-row below\n"
        "print\n"  // the caret stays in its cell
        "type b\n"
        "table insert-column right\n"
        "cell 0 0 1 1\n"
        "table merge\n"
        "print\n"
        "expect-text top\\nab\\n\\n\\n\\n\\n\\n\\n\\n\\n\\nend\n"
        "undo\n"
        "cell 2 2\n"
        "table set CellHPadding 4\n"
        "cell-set BestWidth 50\n"
        "table delete-rows\n"
        "print\n"
        "table delete\n"  // an empty paragraph takes its place
        "expect-text top\\n\\nend\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.txt")}), 0) << Err.str();
  EXPECT_EQ(Out.str(),
            "caret 0 2 selection 0 2 0 2 cell 0 0\n"
            "caret 1 0 selection 1 0 1 0\n"
            "caret 0 1 selection 0 1 0 1 cell 1 2\n");
  // Outside a table, a wrong property, a point off any border.
  for (const char* bad : {"table merge\n", "insert-table 2 2\ncell 0 0\ntable set NoSuch 1\n",
                          "drag-border 1 1 5 5\n", "insert-table 0 3\n"}) {
    Write("s.txt", bad);
    EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("bad.txt")}), 1) << bad;
    EXPECT_FALSE(fs::exists(Path("bad.txt")));
  }
  Write("s.txt", "table shuffle\n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("bad.txt")}), 2);
}

TEST_F(ToolTest, AnEditScriptTypesInCellsMovesWithTabAndSelectsCells) {
  RegisterTableItemKind();
  TLTDocument d;
  d.Data.AddTextW(u"top", 0, 0);
  auto table = std::make_unique<TLTTableItemInfo>(2, 2);
  table->ParaNo = 0;
  d.Data.AddItem({}, std::move(table));
  d.Data.AddTextW(u"end", 0, 0);
  ASSERT_TRUE(d.Data.SaveLTF(Path("t.ltf")));
  Write("s.txt",
        "cell 0 1\n"
        "type A\n"
        "print\n"
        "key Tab\n"
        "key Tab\n"
        "type B\n"
        "key Tab\n"  // the last cell: a new row
        "type C\n"
        "print\n"
        "key shift+Tab\n"
        "expect-caret 0 2\n"
        "cell 0 0 1 1\n"
        "print\n"
        "delete\n"
        "expect-text top\\n\\n\\n\\n\\nC\\n\\n\\nend\n"
        "undo\n"
        "key ctrl+End\n"
        "print\n");
  ASSERT_EQ(Run({"edit", Path("t.ltf"), "--script", Path("s.txt"), Path("out.txt")}), 0) << Err.str();
  EXPECT_EQ(Out.str(),
            "caret 0 2 selection 0 2 0 2 cell 0 1\n"
            "caret 0 2 selection 0 2 0 2 cell 2 0\n"
            "caret 1 0 selection 1 0 1 0 cells 0 0 1 1\n"
            "caret 2 4 selection 2 4 2 4\n");
  EXPECT_EQ(Err.str(), "");
  // A B in the second column, C in the appended row, the cleared cells back.
  EXPECT_EQ(Read("out.txt"), "top\r\n\r\nA\r\n\r\nB\r\nC\r\n\r\n\r\nend");
  // A cell that is not there stops the script and writes nothing.
  Write("s.txt", "cell 5 0\n");
  EXPECT_EQ(Run({"edit", Path("t.ltf"), "--script", Path("s.txt"), Path("bad.txt")}), 1);
  EXPECT_NE(Err.str().find("cell 5 0 is not in the table (it has 2 rows and 2 columns)"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("bad.txt")));
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

uint32_t BigEndian32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(s[at + k]);
  return v;
}

TEST_F(ToolTest, PngRendersTheLaidOutDocumentAtTheWidthAsked) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "The capital of the country lies on the coast of a long bay. ";
  Write("in.txt", "Heading\n" + text + "\n");
  ASSERT_EQ(Run({"convert", Path("in.txt"), Path("wide.png"), "--width", "600"}), 0) << Err.str();
  ASSERT_EQ(Run({"convert", Path("in.txt"), Path("narrow.png"), "--width=250"}), 0) << Err.str();
  const std::string wide = Read("wide.png"), narrow = Read("narrow.png");
  ASSERT_GT(wide.size(), 24u);
  EXPECT_EQ(wide.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(BigEndian32(wide, 16), 600u);
  EXPECT_EQ(BigEndian32(narrow, 16), 250u);
  // The same text wraps into more lines at the smaller width.
  EXPECT_GT(BigEndian32(narrow, 20), 2 * BigEndian32(wide, 20));

  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("x.png"), "--width", "0"}), 2);
  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("x.png"), "--width", "wide"}), 2);
  EXPECT_EQ(Run({"dump", Path("in.txt"), "--width", "300"}), 2);
  EXPECT_EQ(Run({"convert", Path("wide.png"), Path("back.txt")}), 2);  // output only
  EXPECT_FALSE(fs::exists(Path("x.png")));
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

bool WriteShouting(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings&,
                   TLTFormatReport&) {
  std::string s = Utf16ToUtf8(from.GetPlainText(0, range));
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out.WriteAll(s.data(), s.size());
}

TEST_F(ToolTest, AFormatAddedToTheRegistryIsListedAndWritten) {
  RegisterDocumentFormat({"shout", ".shout", "text in capitals", {}, {}, nullptr, &WriteShouting});
  Write("in.txt", "quiet words\n");
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(Out.str().find(".shout  text in capitals (output only)"), std::string::npos) << Out.str();
  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("out.shout")}), 0) << Err.str();
  EXPECT_EQ(Read("out.shout"), "QUIET WORDS");
  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("out.bin"), "--to", "SHOUT"}), 0) << Err.str();
  EXPECT_EQ(Read("out.bin"), "QUIET WORDS");
  // Read it cannot, and says so as for any other unknown input.
  EXPECT_EQ(Run({"dump", Path("out.shout")}), 2);
  UnregisterDocumentFormat("shout");
  // A clipboard-only flavour is no file format.
  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("out.bin"), "--to", "picture"}), 2);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST_F(ToolTest, AnEditScriptMovesTheCaretAndPrintsWhereItIs) {
  Write("in.txt", "First paragraph of text\nSecond one\n");
  Write("s.txt",
        "# comments and blank lines are skipped\n"
        "\n"
        "print\n"
        "key ctrl+Right\n"
        "key shift+End\n"
        "print\n"
        "expect-caret 0 24\n"
        "key Down\n"
        "type typed \\\\ text\n"
        "shift+click 12 12\n"  // the sheet selects by words: to the word's start
        "print\n"
        "select 1 2 1 5\n"
        "print\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.txt")}), 0) << Err.str();
  EXPECT_EQ(Out.str(),
            "caret 0 1 selection 0 1 0 1\n"
            "caret 0 24 selection 0 7 0 24\n"
            "caret 0 1 selection 1 23 0 1\n"
            "caret 1 5 selection 1 2 1 5\n");
  EXPECT_EQ(Err.str(), "");
  EXPECT_EQ(Read("out.txt"), "First paragraph of text\r\nSecond onetyped \\ text");
}

TEST_F(ToolTest, AFailedExpectationOrABadItemWritesNothing) {
  Write("in.txt", "one\n");
  Write("s.txt", "key End\nexpect-caret 0 1\n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.txt")}), 1);
  EXPECT_NE(Err.str().find(Path("s.txt") + ":2: expected the caret at 0 1, found caret 0 4"), std::string::npos)
      << Err.str();
  EXPECT_FALSE(fs::exists(Path("out.txt")));
  Write("s.txt", "caret 3 1\n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.txt")}), 1);
  EXPECT_NE(Err.str().find("item 3 is not in the document"), std::string::npos) << Err.str();
  EXPECT_FALSE(fs::exists(Path("out.txt")));
}

TEST_F(ToolTest, AnEditScriptEditsInsertsStylesUndoesAndChecks) {
  Write("in.txt", "one\ntwo\n");
  Write("more.txt", "inserted\n");
  Write("s.txt",
        "expect-modified no\n"
        "caret 0 4\n"
        "type !\n"
        "select 1 1 1 4\n"
        "delete\n"
        "type 2\n"
        "expect-text one!\\n2\n"
        "caret 0 1\n"
        "insert-file " + Path("more.txt") + "\n"
        "expect-text insertedone!\\n2\n"
        "undo\n"
        "select 0 1 0 4\n"
        "text-style \"Heading\"\n"
        "para-style 1\n"
        "readonly on\n"
        "key Delete\n"
        "readonly off\n"
        "redo\n"  // nothing to redo after the style changes: a beep
        "expect-modified yes\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.ltf")}), 0) << Err.str();
  EXPECT_EQ(Err.str(), "lectern: " + Path("s.txt") + ":16: beep\nlectern: " + Path("s.txt") + ":18: beep\n");
  ASSERT_EQ(Run({"dump", Path("out.ltf")}), 0);
  EXPECT_NE(Out.str().find("0 text style=1 para=1 flags=W tag=- text=\"one\""), std::string::npos) << Out.str();

  // A picture resized as a handle would: the frame less the spacing.
  ASSERT_EQ(Run({"convert", Path("more.txt"), Path("pic.png"), "--width", "60"}), 0) << Err.str();
  Write("s.txt", "caret 0 1\ninsert-picture " + Path("pic.png") + "\nresize 0 32 22\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("pic.ltf")}), 0) << Err.str();
  const std::string ltf = Read("pic.ltf");
  EXPECT_NE(ltf.find("width=30\r\nheight=20"), std::string::npos) << ltf;

  // What cannot be done stops the script, and nothing is written.
  for (const char* bad : {"text-style 99\n", "para-style \"Nowhere\"\n", "insert-file /nowhere/at/all.txt\n",
                          "insert-picture " __FILE__ "\n", "expect-text two\n", "expect-modified yes\n",
                          "resize 0 5 5\n", "resize 7 5 5\n"}) {
    Write("s.txt", bad);
    EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("bad.ltf")}), 1) << bad;
    EXPECT_NE(Err.str().find(Path("s.txt") + ":1: "), std::string::npos) << Err.str();
    EXPECT_FALSE(fs::exists(Path("bad.ltf"))) << bad;
  }
}

TEST_F(ToolTest, AMalformedScriptLineIsAUsageErrorAndNothingRuns) {
  Write("in.txt", "one\n");
  for (const char* bad : {"key ctrl+Nowhere\n", "click 1\n", "ctrl+click 1 2\n", "print now\n", "type\tx\n",
                          "type \\q\n", "caret a b\n", "frobnicate\n", "undo twice\n", "readonly maybe\n",
                          "text-style\n", "insert-file\n", "expect-modified\n", "resize 0 5\n"}) {
    Write("s.txt", std::string("print\n") + bad);
    EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.txt")}), 2) << bad;
    EXPECT_TRUE(Out.str().empty()) << "the first line did not run: " << bad;
    EXPECT_NE(Err.str().find(Path("s.txt") + ":2: "), std::string::npos) << Err.str();
    EXPECT_FALSE(fs::exists(Path("out.txt")));
  }
  EXPECT_EQ(Run({"edit", Path("in.txt"), Path("out.txt")}), 2);
  EXPECT_EQ(Run({"convert", Path("in.txt"), Path("out.txt"), "--script", Path("s.txt")}), 2);
}

TEST_F(ToolTest, AnEditScriptInsertsNumberedItemsAndRenumbersOnUndoAndDelete) {
  Write("in.txt", "x\n");
  Write("s.txt",
        "key End\n"
        "insert-sequence Fig\n"
        "insert-sequence fig upper-roman\n"
        "key Home\n"
        "insert-sequence FIG lower-alpha\n"
        "expect-text ax2III\n"
        "undo\n"
        "expect-text x1II\n"
        "redo\n"
        "caret 0 1\n"
        "key Backspace\n"
        "expect-text x1II\n"
        "undo\n"
        "key End\n"
        "insert-footnote first\\tnote\n"
        "insert-endnote last\n"
        "insert-label [see]\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.ltf")}), 0) << Err.str();
  ASSERT_EQ(Run({"convert", Path("out.ltf"), Path("out.txt")}), 0) << Err.str();
  EXPECT_EQ(Read("out.txt"), "ax2III1i[see]\r\n1 first\tnote\r\ni last");
  Write("s.txt", "insert-sequence Fig greek\n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("x.txt")}), 2);
  EXPECT_NE(Err.str().find("insert-sequence takes a name"), std::string::npos) << Err.str();
}

// ---- RTF ------------------------------------------------------------------------------------

TEST_F(ToolTest, ConvertToRTFWarnsOfWhatRTFCannotCarryAndSucceeds) {
  RegisterTableItemKind();
  TLTDocument doc;
  doc.Data.AddTextW(u"before", 0, 0);
  doc.Data.AddItem({}, std::make_unique<TLTControlItemInfo>());
  ASSERT_TRUE(doc.Data.SaveLTF(Path("in.ltf")));
  ASSERT_EQ(Run({"convert", Path("in.ltf"), Path("out.rtf")}), 0) << Err.str();
  EXPECT_NE(Err.str().find("lectern: " + Path("out.rtf") + ": warning: item 1: a control has no RTF form and was left out\n"),
            std::string::npos)
      << Err.str();
  EXPECT_EQ(Read("out.rtf").rfind("{\\rtf1", 0), 0u);
}

/// Runs the word processor's converter, when there is one, into dir.
bool ConvertWithWordProcessor(const fs::path& file, const std::string& to, const fs::path& dir) {
  const std::string command = "HOME='" + dir.string() + "' soffice --headless --convert-to " + to + " --outdir '" +
                              dir.string() + "' '" + file.string() + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

/// The words of a text, without a byte-order mark and with no-break spaces
/// as spaces.
std::vector<std::string> Words(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  for (size_t at; (at = text.find("\xC2\xA0")) != std::string::npos;) text.replace(at, 2, " ");
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), {}};
}

size_t Count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

// The RTF of the sample reports opens in a word processor with the same
// text (list numbers included) and the same tables and cells.
TEST_F(ToolTest, SampleReportsReadTheSameInAWordProcessor) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice is not installed (scripts/setup.sh --interop installs it)";
  const std::string bin = LECTERN_BIN_DIR;
  for (const std::string record : {"1", "5", "codes"}) {
    SCOPED_TRACE(record);
    std::vector<std::string> how = record == "codes" ? std::vector<std::string>{"--codes"}
                                                     : std::vector<std::string>{"--record", record};
    for (const std::string ext : {"rtf", "txt"}) {
      std::vector<std::string> args{"merge", bin + "/terrabook.ltf", bin + "/Terra.db"};
      args.insert(args.end(), how.begin(), how.end());
      args.push_back(Path("r." + ext));
      ASSERT_EQ(Run(args), 0) << Err.str();
    }
    const fs::path out = Dir / "converted";
    ASSERT_TRUE(ConvertWithWordProcessor(Path("r.rtf"), "txt:Text", out));
    ASSERT_TRUE(ConvertWithWordProcessor(Path("r.rtf"), "html", out));
    std::ifstream txt(out / "r.txt", std::ios::binary), html(out / "r.html", std::ios::binary);
    const std::string theirs(std::istreambuf_iterator<char>(txt), {});
    const std::string page(std::istreambuf_iterator<char>(html), {});
    EXPECT_EQ(Words(theirs), Words(Read("r.txt")));
    const std::string rtf = Read("r.rtf");
    EXPECT_EQ(Count(page, "<table"), Count(rtf, "\\lastrow"));
    EXPECT_EQ(Count(page, "<td"), Count(rtf, "\\cell}") + Count(rtf, "\\nestcell}"));
  }
}

TEST_F(ToolTest, TemplatesApplyByNameAndTheDumpNamesEachStylesTemplate) {
  TLTDocument d;
  TLTStyleTemplate& heading = d.Style.StyleTemplates().Add();
  heading.SetName(u"Heading");
  heading.ParaStyle.SpaceBefore = 20;
  heading.ValidParaProperties = {ltpiSpaceBefore};
  TLTStyleTemplate& strong = d.Style.StyleTemplates().Add();
  strong.SetName(u"Strong emphasis");
  strong.TextStyle.Style.Include(fsBold);
  strong.ValidTextProperties = {ltfiBold};
  d.Data.AddTextW(u"one", 0, 0);
  d.Data.AddTextW(u"three", 0, 0);
  d.Context.LTFOptions = LTEditorLTFOptions;
  ASSERT_TRUE(d.Data.SaveLTF(Path("in.ltf")));
  Write("s.txt", "caret 0 2\ntemplate Heading\nselect 1 1 1 3\ntemplate \"Strong emphasis\"\n");
  ASSERT_EQ(Run({"edit", Path("in.ltf"), "--script", Path("s.txt"), Path("out.ltf")}), 0) << Err.str();
  ASSERT_EQ(Run({"dump", Path("out.ltf")}), 0);
  const std::string dump = Out.str();
  EXPECT_NE(dump.find("template 1 \"Heading\" parent=-1\ntemplate 2 \"Strong emphasis\" parent=-1\n"),
            std::string::npos)
      << dump;
  // The paragraph takes the paragraph template; a text template splits
  // the text it is applied to.
  EXPECT_NE(dump.find("0 text style=6 para=2 flags=W tag=- text=\"one\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("1 text style=7 para=0 flags=W tag=- text=\"th\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("2 text style=0 para=0 flags=JW tag=- text=\"ree\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("para-style 2 \"Paragraph Style\" template=\"Heading\"\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("text-style 7 \"Normal text\" template=\"Strong emphasis\"\n"), std::string::npos) << dump;
  EXPECT_EQ(Count(dump, "template=\"Heading\""), 2u) << dump;  // the paragraph and its text

  Write("s.txt", "template Nowhere\n");
  EXPECT_EQ(Run({"edit", Path("in.ltf"), "--script", Path("s.txt"), Path("bad.ltf")}), 1);
  EXPECT_NE(Err.str().find("no style template named \"Nowhere\" (the document has 2)"), std::string::npos)
      << Err.str();
}

TEST_F(ToolTest, AnEditScriptTypesByWordWhenAskedAndByCharacterOtherwise) {
  Write("in.txt", "one\n");
  Write("s.txt",
        "key ctrl+End\n"
        "type  two\n"
        "undo\n"
        "expect-text one tw\n"
        "typing-by-word on\n"
        "type o three\n"
        "undo\n"
        "expect-text one two \n"
        "key Left\n"
        "type X\n"
        "typing-by-word off\n"
        "type YZ\n"
        "undo\n"
        "expect-text one twoXY \n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.txt")}), 0) << Err.str();
  Write("s.txt", "typing-by-word maybe\n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.txt")}), 2);
}

}  // namespace
}  // namespace lectern
