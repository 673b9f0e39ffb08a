// lectern merge: choosing records, the codes view, one file per record,
// failures that do not stop the others, and every country of the shipped
// table coming out with its own values.

#include "model/LTDocument.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tests/support/TestTable.h"
#include "tools/lectern/LecternTool.h"

#include "tests/support/DocShape.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;
using testing::TTestValue;

std::string ReadAll(const std::string& path) {
  std::string bytes;
  ReadFileBytes(path, bytes);
  return bytes;
}

struct MergeToolTest : ::testing::Test {
  testing::TTempDir Dir{"mergetool"};
  std::ostringstream Out, Err;

  void SetUp() override {
    RegisterTableItemKind();
    // A template with two fields, and a table of three records: one name
    // that no file system likes, one twice, one with a broken document.
    TLTDocument t;
    t.Data.AddTextW(u"Country: ", 0, 0);
    t.Data.AddTextW(u"Country", 0, -1, TLTTag::FromString(u"Country|"));
    t.Data.AddTextW(u"Notes", 0, 0, TLTTag::FromString(u"Notes|"));
    t.Context.LTFOptions = LTEditorLTFOptions;
    ASSERT_TRUE(t.Data.SaveLTF(Dir / "t.ltf"));
    testing::MakeTable(Dir / "t.db", "Countries", {"Country TEXT", "Notes BLOB"},
                       {{TTestValue::T("Trinidad/Tobago"), {}},
                        {TTestValue::T("Chad"), {}},
                        {TTestValue::T(".Chad"), TTestValue::B("junk")},
                        {TTestValue::T("Chad"), {}}});
  }
  int Run(std::vector<std::string> args) {
    Out.str({});
    Err.str({});
    return LecternMain(args, Out, Err);
  }
};

TEST_F(MergeToolTest, OneReportByNumberByNameOrAsCodes) {
  ASSERT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--record", "2", Dir / "r.txt"}), 0) << Err.str();
  EXPECT_EQ(ReadAll(Dir / "r.txt"), "Country: Chad\r\nNotes");
  ASSERT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--country=trinidad/tobago", Dir / "r.ltf"}), 0);
  TLTDocument d;
  ASSERT_TRUE(d.Data.LoadLTF(Dir / "r.ltf"));
  EXPECT_EQ(d.Data.GetItemTextW(1), u"Trinidad/Tobago");
  ASSERT_EQ(Run({"merge", Dir / "r.ltf", "whatever.db", "--codes", Dir / "c.txt"}), 0) << Err.str();
  EXPECT_EQ(ReadAll(Dir / "c.txt"), "Country: Country\r\nNotes");
}

TEST_F(MergeToolTest, BadChoicesAndMissingRecordsFail) {
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", Dir / "r.txt"}), 2);
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--codes", "--record", "1", Dir / "r.txt"}), 2);
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--record", "two", Dir / "r.txt"}), 2);
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--all", Dir / "out"}), 2);
  EXPECT_EQ(Run({"convert", Dir / "t.ltf", Dir / "x.txt", "--codes"}), 2);
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--record", "5", Dir / "r.txt"}), 1);
  EXPECT_NE(Err.str().find("there is no record 5 (the table has 4 records)"), std::string::npos);
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--country", "Mali", Dir / "r.txt"}), 1);
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "none.db", "--record", "1", Dir / "r.txt"}), 1);
  EXPECT_NE(Err.str().find("does not exist"), std::string::npos);
  // A record whose field cannot be filled writes nothing.
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--record", "3", Dir / "r.txt"}), 1);
  EXPECT_NE(Err.str().find("record 3 (.Chad): field \"Notes\""), std::string::npos);
  EXPECT_FALSE(fs::exists(Dir / "r.txt"));
}

TEST_F(MergeToolTest, AllRecordsGetSafeNamesAndOneFailureDoesNotStopTheRest) {
  EXPECT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--all", Dir / "out", "--to", "txt"}), 1);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(Dir / "out")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Chad-4.txt", "Chad.txt", "Trinidad_Tobago.txt"}));
  EXPECT_NE(Err.str().find("record 3 (.Chad)"), std::string::npos);
}

TEST_F(MergeToolTest, ATemplateEditedByScriptMergesItsNewFieldsAndNotItsClearedOnes) {
  std::ofstream(Dir / "s.txt") << "caret 0 10\n"
                                  "insert-field Country\n"
                                  "select 4 1 4 6\n"
                                  "clear-codes\n"
                                  "expect-text Country: Country Country\\nNotes\n";
  ASSERT_EQ(Run({"edit", Dir / "t.ltf", "--script", Dir / "s.txt", Dir / "e.ltf"}), 0) << Err.str();
  ASSERT_EQ(Run({"merge", Dir / "e.ltf", Dir / "t.db", "--record", "2", Dir / "r.txt"}), 0) << Err.str();
  EXPECT_EQ(ReadAll(Dir / "r.txt"), "Country: Chad Chad\r\nNotes") << "a new code beside a field keeps apart from it";
  std::ofstream(Dir / "bad.txt") << "insert-field Population\n";
  EXPECT_EQ(Run({"edit", Dir / "t.ltf", "--script", Dir / "bad.txt", Dir / "x.ltf"}), 1);
  EXPECT_NE(Err.str().find("there is no field Population"), std::string::npos) << Err.str();
}

TEST_F(MergeToolTest, AnEditScriptSwitchesViewsAsTheWindowDoes) {
  std::ofstream(Dir / "s.txt") << "view chad\n"
                                  "expect-text Country: Chad\\nNotes\n"
                                  "view 1\n"
                                  "expect-text Country: Trinidad/Tobago\\nNotes\n"
                                  "view 0\n"
                                  "expect-modified yes\n";
  // The template as the codes view shows it, its codes in their style.
  ASSERT_EQ(Run({"merge", Dir / "t.ltf", Dir / "t.db", "--codes", Dir / "c.ltf"}), 0) << Err.str();
  ASSERT_EQ(Run({"edit", Dir / "c.ltf", "--script", Dir / "s.txt", "--db", Dir / "t.db", Dir / "e.ltf"}), 0)
      << Err.str();
  TLTDocument before, after;
  ASSERT_TRUE(before.Data.LoadLTF(Dir / "c.ltf"));
  ASSERT_TRUE(after.Data.LoadLTF(Dir / "e.ltf"));
  EXPECT_EQ(testing::Shape(after.Data, {true, true}), testing::Shape(before.Data, {true, true}));

  EXPECT_EQ(Run({"edit", Dir / "t.ltf", "--script", Dir / "s.txt", Dir / "x.ltf"}), 1);
  EXPECT_NE(Err.str().find("s.txt:1: view needs the table file, given with --db TABLE"), std::string::npos)
      << Err.str();
  std::ofstream(Dir / "far.txt") << "view 9\n";
  EXPECT_EQ(Run({"edit", Dir / "t.ltf", "--script", Dir / "far.txt", "--db", Dir / "t.db", Dir / "x.ltf"}), 1);
  EXPECT_NE(Err.str().find("there is no view 9"), std::string::npos) << Err.str();
  std::ofstream(Dir / "bare.txt") << "view\n";
  EXPECT_EQ(Run({"edit", Dir / "t.ltf", "--script", Dir / "bare.txt", "--db", Dir / "t.db", Dir / "x.ltf"}), 2);
  EXPECT_EQ(Run({"convert", Dir / "t.ltf", Dir / "x.txt", "--db", Dir / "t.db"}), 2);
}

// The shipped table and template, as the build generates them.
TEST(ShippedData, EveryCountryComesOutWithItsOwnValues) {
  const std::string bin = LECTERN_BIN_DIR;
  if (!fs::exists(bin + "/Terra.db")) GTEST_SKIP() << "Terra.db has not been generated in " << bin;
  testing::TTempDir dir("shipped");
  std::ostringstream out, err;
  ASSERT_EQ(
      LecternMain({"merge", bin + "/terrabook.ltf", bin + "/Terra.db", "--all", dir / "txt", "--to", "txt"}, out, err),
      0)
      << err.str();
  ASSERT_EQ(
      LecternMain({"merge", bin + "/terrabook.ltf", bin + "/Terra.db", "--all", dir / "ltf", "--to", "ltf"}, out, err),
      0)
      << err.str();

  TLTSQLiteTable table;
  table.SetFileName(bin + "/Terra.db");
  table.Open();
  EXPECT_GE(table.RecordCount(), 50);
  int gaps = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    const std::string country = table.FieldByName("Country").AsString();
    const std::string& file = country;
    const std::string text = ReadAll(dir / ("txt/" + file + ".txt"));
    SCOPED_TRACE(country);
    EXPECT_EQ(text.rfind("Country report: " + country + "\r\n", 0), 0u);
    EXPECT_NE(text.find("The capital of the country is " + table.FieldByName("Capital").AsString() +
                        "; calls to it are "
                        "dialled with the prefix " +
                        table.FieldByName("CallingCode").AsString() + "."),
              std::string::npos);
    // A rich field shows its name only where the table has nothing for it.
    for (const char* field : {"Description", "Cities", "Demographics"}) {
      const bool missing = table.FieldByName(field).AsString().empty();
      gaps += missing;
      EXPECT_EQ(text.find(std::string("\r\n") + field + "\r\n") != std::string::npos, missing) << field;
    }
    TLTDocument d;
    ASSERT_TRUE(d.Data.LoadLTF(dir / ("ltf/" + file + ".ltf")));
    EXPECT_EQ(Utf16ToUtf8(d.Data.GetPlainText(0)), text);
  }
  EXPECT_GE(gaps, 3);
}

}  // namespace
}  // namespace lectern
