// The tool driving the clipboard, drags and handles: a move and a copy of
// the selection by drag, a file dropped from another program, a browser's
// clipboard pasted whole or one flavour of it, and a picture resized
// through its handles.

#include "tests/tools/ToolFixture.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

struct DragDropToolTest : testing::TToolFixture {
  /// Runs a script on in.txt and writes out.ltf; the tool's exit code.
  int Edit(const std::string& script, const std::string& out = "out.ltf") {
    Write("s.txt", script);
    return Run({"edit", Path("in.txt"), "--script", Path("s.txt"), Path(out)});
  }
};

// In the tool's window text starts at (5, 5); the sheet's first style is
// 13 pixels high, so characters are 7 wide and the first line's middle is
// at y 11.
constexpr int Col(int k) { return 5 + 7 * k; }

TEST_F(DragDropToolTest, DraggingTheSelectionMovesOrCopiesItAndDropsFromOtherProgramsGoIn) {
  Write("in.txt", "one two three\n");
  // Move "one " before "three", take it back, then copy it to the end.
  const std::string drag = "select 0 1 0 5\ndrag " + std::to_string(Col(1) + 2) + " 11 " + std::to_string(Col(8)) +
                           " 11\nexpect-text two one three\nundo\nexpect-text one two three\n";
  const std::string copy = "select 0 1 0 4\nctrl+drag " + std::to_string(Col(1) + 2) + " 11 " +
                           std::to_string(Col(13)) + " 11\nexpect-text one two threeone\n";
  ASSERT_EQ(Edit(drag + copy), 0) << Err.str();

  Write("note.TXT", "dropped");
  Write("other.dat", "?");
  const std::string drops = "drop-file " + Path("other.dat") + " " + std::to_string(Col(3)) + " 11\n" + "drop-file " +
                            Path("note.TXT") + " " + std::to_string(Col(3)) + " 11\nexpect-text onedropped two three\n";
  ASSERT_EQ(Edit(drops), 0) << Err.str();
  EXPECT_NE(Err.str().find("s.txt:1: nothing was dropped"), std::string::npos) << Err.str();
  EXPECT_EQ(Err.str().find("s.txt:2:"), std::string::npos) << Err.str();
}

TEST_F(DragDropToolTest, ABrowsersClipboardPastesItsTextAndPasteSpecialTakesOneFlavour) {
  Write("in.txt", "");
  const std::string dir = LECTERN_TEST_DATA "/clipboard/browser/";
  const std::string script = "clipboard-add " + dir + "text-html.html text/html\nclipboard-add " + dir +
                             "text-plain.txt text/plain\nclipboard-add " + dir +
                             "chromium-x-source-url.txt chromium/x-source-url\npaste\n"
                             "expect-text Cities of Norway\\nOslo is the capital; see the city statistics for "
                             "more.\\n\\nBergen – on the west coast\\nTrondheim\\nTromsø\n";
  ASSERT_EQ(Edit(script), 0) << Err.str();

  Write("in.txt", "x\n");
  ASSERT_EQ(Edit("select 0 1 0 2\ncopy\ncaret 0 2\npaste text/plain\nexpect-text xx\npaste text/html\n"), 1);
  EXPECT_NE(Err.str().find("nothing that can be pasted as text/html"), std::string::npos) << Err.str();
}

TEST_F(DragDropToolTest, APictureIsResizedThroughItsHandlesInOneStep) {
  Write("in.txt", "x\n");
  ASSERT_EQ(Run({"convert", Path("in.txt"), Path("pic.png"), "--width", "40"}), 0) << Err.str();
  ASSERT_EQ(Edit("caret 0 2\ninsert-picture " + Path("pic.png") + "\nresize-item 1 90 30\n"), 0) << Err.str();
  ASSERT_EQ(Run({"convert", Path("out.ltf"), Path("out.html")}), 0) << Err.str();
  const std::string html = Read("out.html");
  EXPECT_NE(html.find("width=\"88\" height=\"28\""), std::string::npos) << "the outer size less the spacing\n"
                                                                          << html;
  EXPECT_EQ(Edit("resize-item 0 90 30\n"), 1);
  EXPECT_NE(Err.str().find("item 0 shows no handles"), std::string::npos) << Err.str();
}

}  // namespace
}  // namespace lectern
