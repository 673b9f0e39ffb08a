// `lectern check`: the misspelt words with where they stand, its exit
// statuses and its messages, against the test dictionary.

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tests/tools/ToolFixture.h"
#include "tools/lectern/LecternTool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct CheckTest : testing::TToolFixture {
  const std::string Dict = LECTERN_TEST_DATA "/spell";
};

TEST_F(CheckTest, ListsEachMisspeltWordWithItsItemAndOffsetAndExitsOne) {
  std::ofstream(Path("in.txt"), std::ios::binary) << "the cat sat\nteh mat, a wrod\n";
  EXPECT_EQ(Run({"check", Path("in.txt"), "--lang", "en_TEST", "--dict", Dict}), 1) << Err.str();
  EXPECT_EQ(Out.str(), "1:1: teh\n1:12: wrod\n");
  std::ofstream(Path("good.txt"), std::ios::binary) << "the cat sat on a mat\n";
  EXPECT_EQ(Run({"check", Path("good.txt"), "--lang=en_TEST", "--dict=" + Dict}), 0) << Err.str();
  EXPECT_EQ(Out.str(), "");
}

TEST_F(CheckTest, WordsInTableCellsCarryTheCellInTheirPlace) {
  RegisterTableItemKind();
  TLTDocument doc;
  doc.Data.AddTextW(u"a table", 0, 0);
  auto table = std::make_unique<TLTTableItemInfo>(1, 2);
  table->Cells(0, 1)->Clear();
  table->Cells(0, 1)->AddTextW(u"the cel", 0, 0);
  doc.Data.AddItem({}, std::move(table));
  TLTMemoryStream out;
  doc.Data.SaveLTFToStream(out);
  std::ofstream(Path("t.ltf"), std::ios::binary) << out.Data();
  EXPECT_EQ(Run({"check", Path("t.ltf"), "--lang", "en_TEST", "--dict", Dict}), 1) << Err.str();
  EXPECT_EQ(Out.str(), "1/cell 0,1/0:5: cel\n");
}

TEST_F(CheckTest, AMissingDictionaryOrInputOrAWrongOptionIsAUsageError) {
  std::ofstream(Path("in.txt"), std::ios::binary) << "teh\n";
  EXPECT_EQ(Run({"check", Path("in.txt"), "--lang", "zz_ZZ", "--dict", Dict}), 2);
  EXPECT_NE(Err.str().find("No dictionary for \"zz_ZZ\""), std::string::npos) << Err.str();
  EXPECT_EQ(Run({"check", Path("in.txt"), "--lang", "xx_XX", "--dict", Dict + "/malformed"}), 2);
  EXPECT_NE(Err.str().find("malformed"), std::string::npos) << Err.str();
  EXPECT_EQ(Run({"check", Path("missing.txt"), "--lang", "en_TEST", "--dict", Dict}), 2);
  EXPECT_EQ(Run({"check", "--lang", "en_TEST"}), 2);
  EXPECT_EQ(Run({"dump", Path("in.txt"), "--lang", "en_TEST"}), 2);
  EXPECT_NE(Err.str().find("--lang and --dict belong to check"), std::string::npos);
}

}  // namespace
}  // namespace lectern
