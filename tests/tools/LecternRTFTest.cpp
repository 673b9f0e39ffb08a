// The tool with RTF input: convert, dump and edit read .rtf files from
// other programs; what cannot be read fails cleanly and writes nothing.

#include "platform/LTSysUtils.h"
#include "tests/tools/ToolFixture.h"
#include "tools/lectern/LecternTool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct RTFToolTest : testing::TToolFixture {};

constexpr const char* kDoc =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Title\\par {\\b bold} text\\par"
    "\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row\\pard end\\par}";

TEST_F(RTFToolTest, ConvertAndDumpReadRTF) {
  Write("in.rtf", kDoc);
  ASSERT_EQ(Run({"convert", Path("in.rtf"), Path("out.txt")}), 0) << Err.str();
  // A table's text ends with its row separator.
  EXPECT_EQ(Read("out.txt"), "Title\r\nbold text\r\na\r\nb\r\n\r\nend");
  ASSERT_EQ(Run({"convert", Path("in.rtf"), Path("out.ltf")}), 0) << Err.str();
  ASSERT_EQ(Run({"convert", Path("out.ltf"), Path("again.rtf")}), 0) << Err.str();
  ASSERT_EQ(Run({"convert", Path("again.rtf"), Path("again.txt")}), 0) << Err.str();
  EXPECT_EQ(Read("again.txt"), Read("out.txt"));
  ASSERT_EQ(Run({"dump", Path("in.rtf")}), 0) << Err.str();
  EXPECT_NE(Out.str().find(" table "), std::string::npos) << Out.str();
  EXPECT_NE(Out.str().find("cell 0,1 span 1x1"), std::string::npos) << Out.str();
}

TEST_F(RTFToolTest, ALinkWhoseAddressHoldsABarKeepsItsWholeAddress) {
  Write("link.rtf",
        "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"https://fonts.example.org/css?family=Roboto|Open+Sans\"}"
        "{\\fldrslt fonts}}\\par}");
  ASSERT_EQ(Run({"convert", Path("link.rtf"), Path("link.html")}), 0) << Err.str();
  EXPECT_NE(Read("link.html").find("href=\"https://fonts.example.org/css?family=Roboto|Open+Sans\""), std::string::npos)
      << Read("link.html");
}

TEST_F(RTFToolTest, EditTakesRTFAsInputAndInInsertFile) {
  Write("in.rtf", "{\\rtf1 first\\par}");
  Write("part.rtf", "{\\rtf1 {\\i inserted}}");
  Write("s.txt", "key ctrl+End\ninsert-file " + Path("part.rtf") + "\n");
  ASSERT_EQ(Run({"edit", Path("in.rtf"), "--script", Path("s.txt"), Path("out.txt")}), 0) << Err.str();
  EXPECT_EQ(Read("out.txt"), "firstinserted");
}

TEST_F(RTFToolTest, PastedRTFIsReadAndCopiedContentPastesBackAlike) {
  Write("in.txt", "first\n");
  Write("pasted.rtf", kDoc);
  Write("s.txt", "caret 0 6\npaste-file " + Path("pasted.rtf") + " text/rtf\nexpect-text firstTitle\\nbold text\\n"
        "a\\nb\\n\\nend\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.ltf")}), 0) << Err.str();
  ASSERT_EQ(Run({"dump", Path("out.ltf")}), 0);
  EXPECT_NE(Out.str().find(" table "), std::string::npos) << Out.str();
  // Copy and paste inside the document: the same items again, styles and all.
  Write("s.txt", "select 0 1 0 6\ncopy\ncaret 0 6\npaste\nexpect-text firstfirst\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("twice.ltf")}), 0) << Err.str();
  // A flavour nothing reads pastes nothing, fails the script and writes nothing.
  Write("s.txt", "paste-file " + Path("in.txt") + " image/x-unknown\n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("bad.ltf")}), 1);
  EXPECT_NE(Err.str().find("nothing could be pasted as image/x-unknown"), std::string::npos) << Err.str();
  EXPECT_FALSE(std::filesystem::exists(Path("bad.ltf")));
}

TEST_F(RTFToolTest, AReportCopiedFromAWordProcessorPastesWithItsTablesListAndLink) {
  // The sample report as a word processor wrote it back (its RTF, as its
  // clipboard offers it).
  Write("in.txt", "");
  Write("s.txt", "paste-file " LECTERN_TEST_DATA "/clipboard/writer-report.rtf text/rtf\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.ltf")}), 0) << Err.str();
  ASSERT_EQ(Run({"dump", Path("out.ltf")}), 0);
  const std::string dump = Out.str();
  size_t tables = 0, markers = 0;
  for (size_t at = 0; (at = dump.find(" table ", at)) != std::string::npos; ++at) ++tables;
  for (size_t at = 0; (at = dump.find(" marker ", at)) != std::string::npos; ++at) ++markers;
  EXPECT_EQ(tables, 3u) << dump;
  EXPECT_EQ(markers, 3u) << dump;
  EXPECT_NE(dump.find("text=\"Country report: Japan\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("tag=\"https://"), std::string::npos) << "the link keeps its target";
}

TEST_F(RTFToolTest, PicturesArePastedThemselvesOrFromCopiedFiles) {
  Write("in.txt", "x\n");
  ASSERT_EQ(Run({"convert", Path("in.txt"), Path("my pic.png"), "--width", "40"}), 0) << Err.str();
  // A file manager's list: a picture (its blank percent-encoded), a file
  // that is no picture, another host's file and a folder.
  std::string encoded = Path("my pic.png");
  encoded.replace(encoded.find(' '), 1, "%20");
  Write("files.txt", "file://" + encoded + "\r\nfile://" + Path("in.txt") + "\r\nfile://host/x.png\r\nfile://" +
                         Dir.string() + "\r\n");
  Write("s.txt", "paste-file " + Path("my pic.png") + " image/png\npaste-file " + Path("files.txt") +
                     " text/uri-list\nundo\nredo\n");
  ASSERT_EQ(Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path("out.ltf")}), 0) << Err.str();
  ASSERT_EQ(Run({"dump", Path("out.ltf")}), 0);
  size_t pictures = 0;
  for (size_t at = 0; (at = Out.str().find(" picture ", at)) != std::string::npos; ++at) ++pictures;
  EXPECT_EQ(pictures, 2u) << Out.str();
}

TEST_F(RTFToolTest, BrokenRTFFailsOrWarnsAndKeepsWhatWasRead) {
  Write("open.rtf", "{\\rtf1 kept {\\b bold");
  ASSERT_EQ(Run({"convert", Path("open.rtf"), Path("open.txt")}), 0);
  EXPECT_EQ(Read("open.txt"), "kept bold");
  EXPECT_NE(Err.str().find("warning: the data ends with groups open"), std::string::npos) << Err.str();
  Write("deep.rtf", "{\\rtf1 " + std::string(300, '{') + "x" + std::string(300, '}') + "}");
  EXPECT_EQ(Run({"convert", Path("deep.rtf"), Path("deep.txt")}), 1);
  EXPECT_NE(Err.str().find("groups are nested too deeply"), std::string::npos) << Err.str();
  EXPECT_FALSE(fs::exists(Path("deep.txt")));
  Write("empty.rtf", "  ");
  EXPECT_EQ(Run({"convert", Path("empty.rtf"), Path("empty.txt")}), 1);
  Write("fragment.rtf", "{\\pard one\\par}{\\pard two\\par}");
  ASSERT_EQ(Run({"convert", Path("fragment.rtf"), Path("fragment.txt")}), 0);
  EXPECT_EQ(Read("fragment.txt"), "one\r\ntwo");
}

}  // namespace
}  // namespace lectern
