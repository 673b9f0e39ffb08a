// List styles: levels, fonts, identities, comparison, merging and storage.

#include "platform/LTIniFile.h"
#include "platform/LTRandom.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TLTListInfo& NumberedList(TLTStyle& sheet) {
  TLTListInfo& l = sheet.ListStyles().Add();
  TLTListLevel& level = l.Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  return l;
}

TEST(LTListLevel, DefaultsAndDisplayName) {
  TLTListLevel l;
  EXPECT_EQ(l.ListType, ltlstBullet);
  EXPECT_EQ(l.FormatString, u"\u00B7");
  EXPECT_EQ(l.FirstIndent, 10);
  EXPECT_EQ(l.StartFrom, 1);
  EXPECT_EQ(l.Options, (TLTListLevelOptions{ltloContinuous, ltloLevelReset}));
  EXPECT_EQ(l.Font(), nullptr);
  EXPECT_EQ(l.Picture(), nullptr);
  l.ListType = ltlstUpperRoman;
  l.LeftIndent = 24;
  l.MarkerIndent = 6;
  EXPECT_EQ(l.DisplayName(), u"I,II,III 24/6/10");
}

TEST(LTListLevel, PicturesAreCopiedAndEmptyOnesClear) {
  TLTListLevel l;
  TBitmap bmp;
  TLTPixels px;
  px.Width = px.Height = 2;
  px.Data.assign(4, 0xFF00FF00u);
  bmp.SetPixels(px);
  l.SetPicture(&bmp);
  ASSERT_NE(l.Picture(), nullptr);
  EXPECT_NE(l.Picture(), &bmp);
  EXPECT_TRUE(l.Picture()->Transparent());
  TBitmap empty;
  l.SetPicture(&empty);
  EXPECT_EQ(l.Picture(), nullptr);
}

TEST(LTListLevel, AMissingFontEqualsADefaultOne) {
  TLTListLevel a, b;
  b.FontForWrite();
  EXPECT_TRUE(a.SameAs(b));
  b.FontForWrite().Font.Name = u"ARIAL";
  EXPECT_TRUE(a.SameAs(b));
  b.FontForWrite().Font.Style.Include(fsBold);
  EXPECT_FALSE(a.SameAs(b));
  a.FontForWrite().Font.Style.Include(fsBold);
  a.Font()->Font.Name = u"arial";
  EXPECT_TRUE(a.SameAs(b));
  EXPECT_EQ(a.Similarity(b), 5000 + 12 * 100);
}

TEST(LTListLevel, StartFromMattersOnlyForNumberedKinds) {
  TLTListLevel a, b;
  b.StartFrom = 4;
  EXPECT_TRUE(a.SameAs(b));
  a.ListType = b.ListType = ltlstLowerAlpha;
  EXPECT_FALSE(a.SameAs(b));
}

TEST(LTListInfo, IdentityIsChosenOnceAndNotCopied) {
  LTRandomize(7);
  TLTStyle sheet;
  TLTListInfo& a = NumberedList(sheet);
  const int32_t id = a.ListID();
  EXPECT_NE(id, 0);
  EXPECT_GE(id, 0);
  EXPECT_EQ(a.ListID(), id);
  TLTListInfo& b = sheet.ListStyles().Add();
  b.Assign(a);
  EXPECT_NE(b.ListID(), id);
  EXPECT_TRUE(b.SameAs(a, true));
  EXPECT_FALSE(b.SameAs(a, false));
  sheet.ListStyles().CopyListIDs = true;
  TLTListInfo& c = sheet.ListStyles().Add();
  c.Assign(a);
  EXPECT_EQ(c.ListID(), id);
  EXPECT_TRUE(c.SameAs(a, false));
}

TEST(LTListInfo, SimilarityCountsIdentityPreviewAndLevels) {
  TLTStyle sheet;
  TLTListInfo& a = NumberedList(sheet);
  TLTListInfo& b = NumberedList(sheet);
  b.Levels.Add();
  const int64_t levels = a.Levels[0].Similarity(b.Levels[0]);
  EXPECT_EQ(b.Similarity(a), 100 + levels - 100);
  b.SetListID(a.ListID());
  EXPECT_EQ(b.Similarity(a), 50 + 100 + levels - 100);
}

TEST(LTListInfo, MergingNeverFoldsTwoNumberedListsIntoOne) {
  TLTStyle sheet, incoming;
  NumberedList(sheet);
  NumberedList(incoming);
  NumberedList(incoming);
  TLTListInfo& bullets1 = incoming.ListStyles().Add();
  bullets1.Levels.Add();
  TLTListInfo& bullets2 = incoming.ListStyles().Add();
  bullets2.Levels.Add();
  std::vector<int> map;
  sheet.ListStyles().MergeStyles(incoming.ListStyles(), ltf_sInsertMerge, map);
  ASSERT_EQ(map.size(), 4u);
  EXPECT_EQ(map[0], 0);
  EXPECT_EQ(map[1], 1);       // equal to sheet list 0, which the first one took
  EXPECT_EQ(map[2], map[3]);  // bullets may share
  EXPECT_EQ(sheet.ListStyles().Count(), 3);
  EXPECT_FALSE(sheet.ListStyles()[1].Standard);
  EXPECT_NE(sheet.ListStyles()[1].ListID(), incoming.ListStyles()[1].ListID());
}

TEST(LTListInfo, IniRoundTripKeepsLevelsPicturesFontsAndNumbering) {
  TLTStyle sheet;
  TLTListInfo& l = NumberedList(sheet);
  l.StyleName = u"Outline";
  l.OneLevelPreview = true;
  TLTListLevel& first = l.Levels[0];
  first.StartFrom = 3;
  first.Options.Include(ltloLegalStyleNumbering);
  first.FontForWrite().Font.Name = u"Times New Roman";
  first.FontForWrite().Font.Style = {fsBold, fsItalic};
  first.FontForWrite().Font.Color = clMaroon;
  TLTListLevel& second = l.Levels.Add();
  second.ListType = ltlstUnicodeBullet;
  second.FormatStringW = u"\u2192";
  second.MarkerAlignment = ltmaRight;
  TPNGImage png;
  TLTPixels px;
  px.Width = 40;
  px.Height = 30;
  px.Data.assign(1200, 0xFF336699u);
  ASSERT_TRUE(png.SetPixels(px));
  second.SetPicture(&png);

  TLTIniFile ini;
  l.WriteToIni(ini, "Lists", "List0%s");
  EXPECT_EQ(ini.ReadString("Lists", "List0LevelsCount", ""), "2");
  EXPECT_TRUE(ini.ValueExists("Lists", "OneLevelPreview"));
  EXPECT_TRUE(ini.ValueExists("Lists", "ListId"));
  EXPECT_EQ(ini.ReadString("Lists", "List0LvlListType0", ""), "3");
  EXPECT_EQ(ini.ReadString("Lists", "List0LvlFont0", ""), "Times New Roman,-11,BI,0,clMaroon,1");
  EXPECT_EQ(ini.ReadString("Lists", "List0LvlGraphicClass1", ""), "TPNGImage");
  EXPECT_TRUE(ini.ValueExists("Lists", "List0LvlPicture1_0"));

  TLTStyle other;
  TLTListInfo& r = other.ListStyles().Add();
  r.ReadFromIni(ini, "Lists", "List0%s");
  EXPECT_EQ(r.StyleName, u"Outline");
  EXPECT_EQ(r.ListID(), l.ListID());
  EXPECT_TRUE(r.SameAs(l, false));
  EXPECT_EQ(r.Levels[0].StartFrom, 3);
  EXPECT_TRUE(r.Levels[0].Options.Contains(ltloLegalStyleNumbering));
  ASSERT_NE(r.Levels[1].Picture(), nullptr);
  EXPECT_EQ(r.Levels[1].Picture()->Width(), 40);
}

TEST(LTListInfo, DamagedIniKeysAreNotTrusted) {
  TLTIniFile ini;
  ini.WriteString("L", "LevelsCount", "999999999");
  ini.WriteString("L", "LvlListType0", "250");
  ini.WriteString("L", "LvlGraphicClass0", "TNoSuchPicture");
  ini.WriteString("L", "LvlPicture0_0", "00FF");
  ini.WriteString("L", "LvlFont0", "Courier,abc");
  TLTListInfo l;
  l.ReadFromIni(ini, "L", "%s");
  EXPECT_LE(l.Levels.Count(), 1000);
  EXPECT_EQ(l.Levels[0].ListType, ltlstBullet);
  EXPECT_EQ(l.Levels[0].Picture(), nullptr);
  ASSERT_NE(l.Levels[0].Font(), nullptr);
  EXPECT_EQ(l.Levels[0].Font()->Font.Name, u"Courier");
  EXPECT_EQ(l.Levels[0].Font()->Font.Size(), 8);
}

TEST(LTListInfo, StoredFormsCarryEncodedFormatStringsAndIdentity) {
  TLTStyle sheet;
  TLTListInfo& l = NumberedList(sheet);
  std::vector<std::string> level, list;
  l.Levels[0].ClassInfo().ForEachDefined([&](const TLTDefinedProp& p) {
    if (p.ShouldWrite(l.Levels[0])) level.emplace_back(p.Name);
  });
  l.ClassInfo().ForEachDefined([&](const TLTDefinedProp& p) {
    if (p.ShouldWrite(l)) list.emplace_back(p.Name);
  });
  EXPECT_EQ(level, (std::vector<std::string>{"FormatStringCode", "FormatStringCodeW"}));
  EXPECT_EQ(list, (std::vector<std::string>{"LstID"}));
  const TLTDefinedProp* w = nullptr;
  l.Levels[0].ClassInfo().ForEachDefined([&](const TLTDefinedProp& p) {
    if (p.Name == "FormatStringCodeW") w = &p;
  });
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->GetText(l.Levels[0]), u"250030003A0073002E00");
  TLTListLevel copy;
  w->SetText(copy, u"25003000200B");
  EXPECT_EQ(copy.FormatString, u"%0\u0B20");
}

TEST(LTMarkerFont, StoresNameAndHeightOnlyWhenChanged) {
  TLTMarkerFont f;
  EXPECT_TRUE(f.IsDefault());
  EXPECT_EQ(f.Font.Size(), 8);
  std::vector<std::string> stored;
  auto collect = [&] {
    stored.clear();
    f.ClassInfo().ForEach([&](const TLTPropInfo& p) {
      const bool atDefault = p.Kind == TLTPropKind::String && p.GetStr(f) == StringDefault(p, f);
      if ((!p.IsStored || p.IsStored(f)) && !atDefault) stored.emplace_back(p.Name);
    });
  };
  collect();
  EXPECT_EQ(stored, (std::vector<std::string>{"Charset", "Color", "Pitch", "Style"}));
  f.Font.Name = u"Wingdings";
  f.Font.SetSize(12);
  collect();
  EXPECT_EQ(stored, (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch", "Style"}));
  EXPECT_FALSE(f.IsDefault());
}

TEST(LTStyleSheet, ForgettingAnImageListClearsLevelReferences) {
  TLTStyle sheet;
  TLTImageList images;
  TLTListInfo& l = sheet.ListStyles().Add();
  l.Levels.Add().ImageList = &images;
  sheet.ImageListFreed(&images);
  EXPECT_EQ(l.Levels[0].ImageList, nullptr);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LTMarkerFont, AnyHeightOtherThanTheDefaultIsStored) {
  TLTMarkerFont f;
  const TLTPropInfo* height = f.ClassInfo().Find("Height");
  ASSERT_NE(height, nullptr);
  EXPECT_FALSE(height->IsStored(f));
  f.Font.Height = -10;  // still 8 points when rounded, but another font
  EXPECT_TRUE(height->IsStored(f));
  const TLTPropInfo* charset = f.ClassInfo().Find("Charset");
  EXPECT_EQ(charset->MaxValue, 255);
}

}  // namespace
}  // namespace lectern
