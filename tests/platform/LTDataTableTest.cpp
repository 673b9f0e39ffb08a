// The data table over SQLite: walking, positioning, field kinds and values,
// and a clear error for every kind of bad file.

#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "tests/support/TestTable.h"

#include <gtest/gtest.h>

#include <fstream>

namespace lectern {
namespace {

using testing::MakeTable;
using testing::TTestValue;

struct DataTableTest : ::testing::Test {
  testing::TTempDir Dir{"datatable"};
  std::string Db = Dir / "t.db";
  TLTSQLiteTable Table;

  void MakeCountries() {
    MakeTable(Db, "Countries", {"Country TEXT", "Code INTEGER", "Notes BLOB", "Ratio REAL", "Loose"},
              {{TTestValue::T("Chile"), TTestValue::I(56), TTestValue::B(std::string("\0\1\2", 3)), TTestValue::I(2),
                TTestValue::T("x")},
               {TTestValue::T("Perú"), TTestValue::I(51), {}, {}, TTestValue::B("b")},
               {TTestValue::T("Japan"), TTestValue::I(81), TTestValue::B(""), {}, {}}});
    Table.SetFileName(Db);
  }
  /// The message of the error that f raises, or "" when it raises none.
  template <class F>
  static std::string ErrorOf(F f) {
    try {
      f();
    } catch (const EDatabaseError& e) {
      return e.what();
    }
    return {};
  }
};

TEST_F(DataTableTest, WalksRecordsInTableOrder) {
  MakeCountries();
  Table.Open();
  std::vector<std::string> names;
  for (Table.First(); !Table.Eof(); Table.Next()) names.push_back(Table.FieldByName("country").AsString());
  EXPECT_EQ(names, (std::vector<std::string>{"Chile", "Perú", "Japan"}));
  EXPECT_EQ(Table.RecNo(), 0);
  Table.Next();  // past the end stays there
  EXPECT_TRUE(Table.Eof());
  Table.SetRecNo(2);
  EXPECT_EQ(Table.RecNo(), 2);
  EXPECT_EQ(Table.FieldByName("Country").AsWideString(), u"Perú");
}

TEST_F(DataTableTest, FieldKindsFollowTheDeclarations) {
  MakeCountries();
  Table.Open();
  EXPECT_TRUE(Table.FieldByName("Country").IsString());
  EXPECT_EQ(Table.FieldByName("Code").DataType(), ltftInteger);
  EXPECT_EQ(Table.FieldByName("Code").AsString(), "56");
  EXPECT_TRUE(Table.FieldByName("Notes").IsBlob());
  EXPECT_EQ(Table.FieldByName("Ratio").DataType(), ltftFloat);
  // Without a declared type the value decides.
  EXPECT_EQ(Table.FieldByName("Loose").DataType(), ltftString);
  Table.SetRecNo(2);
  EXPECT_EQ(Table.FieldByName("Loose").DataType(), ltftBlob);

  Table.SetRecNo(1);
  TLTMemoryStream m;
  Table.FieldByName("Notes").SaveToStream(m);
  EXPECT_EQ(m.Data(), std::string("\0\1\2", 3));
  Table.SetRecNo(2);
  EXPECT_TRUE(Table.FieldByName("Notes").IsNull());
  TLTMemoryStream empty;
  Table.FieldByName("Notes").SaveToStream(empty);
  EXPECT_EQ(empty.Size(), 0);
}

TEST_F(DataTableTest, BadFilesAndNamesGiveClearErrors) {
  Table.SetFileName(Dir / "missing.db");
  EXPECT_NE(ErrorOf([&] { Table.Open(); }).find("does not exist"), std::string::npos);
  EXPECT_FALSE(Table.Active());

  std::ofstream(Dir / "junk.db") << "This is not a table file, just some text that goes on for a while.";
  Table.SetFileName(Dir / "junk.db");
  EXPECT_NE(ErrorOf([&] { Table.Open(); }).find("not a readable data table file"), std::string::npos);

  MakeCountries();
  Table.SetTableName("Cities");
  EXPECT_NE(ErrorOf([&] { Table.Open(); }).find("Table \"Cities\" not found"), std::string::npos);
  Table.SetTableName("countries");
  Table.Open();
  EXPECT_NE(ErrorOf([&] { Table.FieldByName("Capital"); }).find("Field \"Capital\" not found"), std::string::npos);
  EXPECT_EQ(Table.FindField("Capital"), nullptr);
  EXPECT_NE(ErrorOf([&] { Table.SetRecNo(4); }).find("out of range"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { Table.SetRecNo(0); }).find("out of range"), std::string::npos);
  Table.Close();
  EXPECT_EQ(ErrorOf([&] { Table.FieldByName("Country"); }), "Data table is not open");
}

TEST_F(DataTableTest, TablesWithoutRowIdsAndEmptyTables) {
  MakeTable(Db, "Keyed", {"Name TEXT PRIMARY KEY", "Value TEXT"},
            {{TTestValue::T("b"), TTestValue::T("2")}, {TTestValue::T("a"), TTestValue::T("1")}}, " WITHOUT ROWID");
  Table.SetFileName(Db);
  Table.Open();
  ASSERT_EQ(Table.RecordCount(), 2);
  Table.SetRecNo(2);
  EXPECT_EQ(Table.FieldByName("Name").AsString(), "b");

  MakeTable(Db, "Empty", {"Name TEXT"}, {});
  Table.Open();
  EXPECT_EQ(Table.RecordCount(), 0);
  EXPECT_TRUE(Table.Eof());
  Table.First();
  EXPECT_TRUE(Table.FieldByName("Name").IsNull());
}

}  // namespace
}  // namespace lectern
