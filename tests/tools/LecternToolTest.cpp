// The command-line tool: commands, exit statuses, messages and safe output.

#include "model/LTDocument.h"
#include "tools/lectern/LecternTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct ToolTest : ::testing::Test {
  fs::path Dir;
  std::ostringstream Out, Err;

  void SetUp() override {
    Dir = fs::temp_directory_path() /
          ("lectern-tool-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }

  std::string Path(const std::string& name) const { return (Dir / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream f(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  int Run(std::vector<std::string> args) {
    Out.str({});
    Err.str({});
    return LecternMain(args, Out, Err);
  }
};

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
