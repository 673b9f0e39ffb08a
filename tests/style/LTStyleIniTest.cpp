// INI storage of single styles and the published-property tables behind it.

#include "platform/LTIniFile.h"
#include "platform/LTSysUtils.h"
#include "style/LTProps.h"
#include "style/LTStyle.h"
#include "style/LTStyleInternal.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(LTStyleIni, DefaultTextStyleWritesOnlyTheKeysThatDifferOrAreAlwaysWritten) {
  TLTIniFile ini;
  TFontInfo f;
  f.WriteToIni(ini, "S", "%s");
  EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"Name", "Unicode", "Jump"}));
  EXPECT_EQ(ini.ReadString("S", "Name", ""), "Arial");
  EXPECT_EQ(ini.ReadString("S", "Jump", ""), "No");
}

TEST(LTStyleIni, TextStyleRoundTripsThroughItsKeys) {
  TFontInfo f;
  f.StyleName = u"Überschrift";
  f.FontName = u"Courier New";
  f.Size = 14;
  f.Style = {fsBold, fsStrikeOut};
  f.StyleEx = {ltfsAllCaps};
  f.Color = clNavy;
  f.Jump = true;
  f.JumpCursor = -21;
  f.HoverEffects = {ltheUnderline};
  f.Protection = {ltprModifyProtect, ltprStickToTop};  // the second lies beyond the classic key
  f.Options = {ltteoRTFCode};
  f.SubSuperScriptType = ltsssSuperScript;
  f.UnderlineType = ltutDashDotted;
  f.NextStyleNo = 2;
  f.BaseStyleNo = 1;
  f.Standard = false;
  TLTIniFile ini;
  f.WriteToIni(ini, "Styles", "Text0%s");
  EXPECT_EQ(ini.ReadString("Styles", "Text0Bold", ""), "Yes");
  EXPECT_EQ(ini.ReadString("Styles", "Text0Caps", ""), "Yes");
  EXPECT_EQ(ini.ReadString("Styles", "Text0Script", ""), "2");
  EXPECT_EQ(ini.ReadString("Styles", "Text0Unicode", ""), "Yes");
  EXPECT_FALSE(ini.ValueExists("Styles", "Text0Italic"));

  TFontInfo g;
  g.Unicode = false;
  g.ReadFromIni(ini, "Styles", "Text0%s");
  EXPECT_EQ(ini.ReadString("Styles", "Text0Protection", ""), "4");
  EXPECT_TRUE(g.SameAs(f, false));
  EXPECT_EQ(g.StyleName, f.StyleName);
  EXPECT_EQ(g.BaseStyleNo, 1);
  EXPECT_FALSE(g.Standard);
}

TEST(LTStyleIni, MissingJumpTakesTheCallersDefaults) {
  TLTIniFile ini;
  ini.WriteString("S", "Name", "Arial");
  ini.WriteString("S", "JumpCursor", "7");
  TFontInfo f;
  f.ReadFromIniEx(ini, "S", "%s", true, 55);
  EXPECT_TRUE(f.Jump);
  EXPECT_EQ(f.JumpCursor, 55);
}

TEST(LTStyleIni, OldSingleSymbolsSwitchBecomesTwoProtections) {
  TLTIniFile ini;
  ini.WriteString("S", "SingleSymbols", "yes");
  ini.WriteString("S", "Bold", "YeS");
  TFontInfo f;
  f.ReadFromIni(ini, "S", "%s");
  EXPECT_TRUE(f.Protection.Contains(ltprStyleProtect));
  EXPECT_TRUE(f.Protection.Contains(ltprDoNotAutoSwitch));
  EXPECT_TRUE(f.Style.Contains(fsBold));
}

TEST(LTStyleIni, ParagraphStyleNestsBorderBackgroundAndTabKeys) {
  TParaInfo p;
  p.LeftIndent = 24;
  p.LineSpacing = 150;
  p.LineSpacingType = ltlsPercent;
  p.Options = {ltpaoKeepWithNext, ltpaoReadOnly};
  p.Border.Style = ltbDouble;
  p.Border.Width = 3;
  p.Border.VisibleBorders.Left = false;
  p.Border.BorderOffsets.Top = 5;
  p.Background.Color = clYellow;
  p.Background.BorderOffsets.Right = 2;
  p.Tabs.Add(96, lttaRight, u"·");
  p.Tabs.Add(48);
  p.NextParaNo = 1;
  p.DefStyleNo = 3;
  TLTIniFile ini;
  p.WriteToIni(ini, "P", "%s");
  EXPECT_EQ(ini.ReadString("P", "BorderStyle", ""), "2");
  EXPECT_EQ(ini.ReadString("P", "BorderVisibleLeft", ""), "No");
  EXPECT_EQ(ini.ReadString("P", "BorderOffsetsTop", ""), "5");
  EXPECT_EQ(ini.ReadString("P", "BackgroundOffsetsRight", ""), "2");
  EXPECT_EQ(ini.ReadString("P", "TabCount", ""), "2");
  EXPECT_EQ(ini.ReadString("P", "TabPos1", ""), "96");
  EXPECT_EQ(ini.ReadString("P", "KeepWithNext", ""), "Yes");
  EXPECT_EQ(ini.ReadString("P", "LineSpacing", ""), "150");
  EXPECT_FALSE(ini.ValueExists("P", "LSType"));

  TParaInfo q;
  q.Tabs.Add(5);  // reading replaces the list
  q.ReadFromIni(ini, "P", "%s");
  EXPECT_TRUE(q.SameAs(p, false));
}

TEST(LTStyleIni, OutOfRangeEnumerationsAndCountsAreNotTrusted) {
  TLTIniFile ini;
  ini.WriteString("P", "Alignment", "77");
  ini.WriteString("P", "TabCount", "2000000000");
  TParaInfo p;
  p.ReadFromIni(ini, "P", "%s");
  EXPECT_EQ(p.Alignment, ltaLeft);
  EXPECT_LE(p.Tabs.Count(), 1000);
}

TEST(LTProps, TablesListPropertiesInDeclarationOrderWithParentsFirst) {
  std::vector<std::string> names;
  TFontInfo().ClassInfo().ForEach([&](const TLTPropInfo& p) { names.emplace_back(p.Name); });
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names[0], "BaseStyleNo");
  EXPECT_EQ(names[1], "StyleName");
  EXPECT_EQ(names[4], "Charset");
  EXPECT_EQ(names.back(), "ModifiedProperties");
  const TLTPropInfo* size = TFontInfo().ClassInfo().Find("Size");
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->Default, 10);
  EXPECT_EQ(TParaInfo().ClassInfo().Find("Size"), nullptr);
}

TEST(LTProps, ModifiedParagraphPropertiesSplitIntoTwoStoredSets) {
  TParaInfo p;
  p.ModifiedProperties = {ltpiLeftIndent, ltpiTabs};
  const TLTPropInfo* first = p.ClassInfo().Find("ModifiedProperties1");
  const TLTPropInfo* second = p.ClassInfo().Find("ModifiedProperties2");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->GetOrd(p), 1 << ltpiLeftIndent);
  EXPECT_EQ(second->GetOrd(p), 1 << (ltpiTabs - ltpiNoWrap));
  EXPECT_EQ(second->Names->NameOf(ltpiTabs - ltpiNoWrap), "ltpiTabs");
  second->SetOrd(p, 0);
  EXPECT_EQ(p.ModifiedProperties, (TLTParaInfoProperties{ltpiLeftIndent}));
}

TEST(LTProps, AllDefaultSeesNestedChangesAndAlwaysStoredProperties) {
  TLTBorder b;
  EXPECT_TRUE(AllDefault(b));
  b.BorderOffsets.Left = 1;
  EXPECT_FALSE(AllDefault(b));
  // Unicode has no default: a text style always has something to store.
  EXPECT_FALSE(AllDefault(TFontInfo()));
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LTStyleIni, LongValuesAreStoredInPiecesOfFiveHundred) {
  TLTIniFile ini;
  std::u16string value(1234, u'x');
  value[500] = u'é';
  TLTIniWriter(ini, "S", "Lvl%s0").LongStr("Picture", value);
  EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"LvlPicture0_0", "LvlPicture0_1", "LvlPicture0_2"}));
  EXPECT_EQ(Utf8ToUtf16(ini.ReadString("S", "LvlPicture0_2", "")).size(), 234u);
  EXPECT_EQ(TLTIniReader(ini, "S", "Lvl%s0").LongStr("Picture"), value);
  TLTIniWriter(ini, "T", "%s").LongStr("Empty", u"");
  EXPECT_TRUE(ini.ReadSection("T").empty());
}

}  // namespace
}  // namespace lectern
