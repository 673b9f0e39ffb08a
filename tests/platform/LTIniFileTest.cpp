// INI files: parsing, lookups without letter case, and saving so that a
// reload gives the same data.

#include "TempDir.h"
#include "platform/LTIniFile.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(IniFile, ParsesSectionsKeysAndComments) {
  TLTIniFile ini;
  ini.LoadFromString(
      "\xEF\xBB\xBF"
      "ignored=1\r\n"
      "[Fonts]\r\n"
      "; comment=1\r\n"
      "# another=2\r\n"
      "Face = Arial\r\n"
      "Url=http://x/?a=b\r\n"
      "no equals sign\r\n"
      "[ Sizes ]\n"
      "Normal=12\n"
      "Face=first\n"
      "face=second\n");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Fonts", "Sizes"}));
  EXPECT_EQ(ini.ReadString("fonts", "FACE", "-"), " Arial");
  EXPECT_EQ(ini.ReadString("Fonts", "Url", "-"), "http://x/?a=b");
  EXPECT_EQ(ini.ReadString("Fonts", "comment", "-"), "-");
  EXPECT_FALSE(ini.ValueExists("Fonts", "ignored"));
  EXPECT_EQ(ini.ReadString("Sizes", "face", "-"), "first");
  EXPECT_EQ(ini.ReadSection("Sizes"), (std::vector<std::string>{"Normal", "Face"}));
  EXPECT_TRUE(ini.SectionExists("SIZES"));
}

TEST(IniFile, ReadsIntegersInDecimalAndHexadecimal) {
  TLTIniFile ini;
  ini.LoadFromString("[N]\na=42\nb=-7\nc=$FF\nd=0x10\ne=$FFFFFFFF\nf=12abc\ng=99999999999\nh=\n");
  EXPECT_EQ(ini.ReadInteger("N", "a", 0), 42);
  EXPECT_EQ(ini.ReadInteger("N", "b", 0), -7);
  EXPECT_EQ(ini.ReadInteger("N", "c", 0), 255);
  EXPECT_EQ(ini.ReadInteger("N", "d", 0), 16);
  EXPECT_EQ(ini.ReadInteger("N", "e", 0), -1);
  EXPECT_EQ(ini.ReadInteger("N", "f", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "g", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "h", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "missing", 5), 5);
}

TEST(IniFile, WritesThatCouldNotBeReadBackAreKeptSafe) {
  TLTIniFile ini;
  ini.WriteString("S", "key", "line1\nInjected=1");
  ini.WriteString("S", "a=b", "x");
  ini.WriteString("S", "[T]", "x");
  ini.WriteString("Bad]", "k", "x");
  TLTIniFile back;
  back.LoadFromString(ini.SaveToString());
  EXPECT_EQ(back.ReadString("S", "key", "-"), "line1 Injected=1");
  EXPECT_FALSE(back.ValueExists("S", "Injected"));
  EXPECT_EQ(back.ReadSection("S"), (std::vector<std::string>{"key"}));
  EXPECT_EQ(back.ReadSections(), (std::vector<std::string>{"S"}));
}

TEST(IniFile, EditsKeepOrderAndCase) {
  TLTIniFile ini;
  ini.WriteString("Main", "B", "1");
  ini.WriteInteger("Main", "A", -3);
  ini.WriteString("main", "b", "2");  // same key, other case
  ini.WriteString("Other", "X", "y");
  EXPECT_EQ(ini.SaveToString(), "[Main]\nB=2\nA=-3\n[Other]\nX=y\n");
  ini.DeleteKey("MAIN", "b");
  ini.EraseSection("other");
  EXPECT_EQ(ini.SaveToString(), "[Main]\nA=-3\n");
}

TEST(IniFile, FileRoundTripGoesThroughTheSafeWriter) {
  testing::TempDir dir;
  TLTIniFile ini;
  ini.WriteString("Paths", "Template", "/home/\xC3\xA9t\xC3\xA9/a.rtf");
  ini.WriteInteger("Window", "Left", 100);
  std::string error;
  ASSERT_TRUE(ini.SaveToFile(dir.File("app.ini"), &error)) << error;
  TLTIniFile back;
  ASSERT_TRUE(back.LoadFromFile(dir.File("app.ini")));
  EXPECT_EQ(back.SaveToString(), ini.SaveToString());
  EXPECT_FALSE(back.LoadFromFile(dir.File("missing.ini"), &error));
  EXPECT_TRUE(back.ReadSections().empty());
  EXPECT_FALSE(ini.SaveToFile(dir.File("no/folder.ini")));
}

}  // namespace
}  // namespace lectern
