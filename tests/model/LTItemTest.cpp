// Item classes: flags, tags, extra properties, copying and the kind registry.

#include "model/LTItem.h"
#include "style/LTStyle.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(LTItemFlags, JoinPrevClearsPageAndLineBreaks) {
  TLTTextItemInfo t;
  t.ItemFlags = ltifNewPage | ltifNewLine | ltifWide;
  t.SetJoinPrev(true);
  EXPECT_EQ(t.ItemFlags, ltifJoinPrev | ltifWide);
  t.SetNewPage(true);
  EXPECT_EQ(t.ItemFlags, ltifNewPage | ltifWide);
  EXPECT_TRUE(t.StartsParagraph());
  t.SetNewLine(true);
  EXPECT_EQ(t.ItemFlags, ltifNewPage | ltifNewLine | ltifWide);
  EXPECT_FALSE(t.StartsParagraph());
}

TEST(LTItemFlags, FullLineItemsNeverTakeANewLine) {
  TLTBreakItemInfo rule;
  rule.SetNewLine(true);
  EXPECT_FALSE(rule.HasFlag(ltifNewLine));
  EXPECT_TRUE(rule.GetBoolValue(iqFullLine));
  TLTTabItemInfo tab;
  tab.SetNewLine(true);
  EXPECT_TRUE(tab.HasFlag(ltifNewLine));
}

TEST(LTItemTags, StringAndIntegerEquality) {
  EXPECT_EQ(TLTTag(), TLTTag::FromInt(0));
  EXPECT_NE(TLTTag(), TLTTag::FromString(u""));
  EXPECT_EQ(TLTTag::FromString(u"Country"), TLTTag::FromString(u"Country"));
  EXPECT_NE(TLTTag::FromString(u"Country"), TLTTag::FromString(u"country"));
  EXPECT_EQ(TLTTag::FromInt(7).Int(), 7);
  EXPECT_TRUE(TLTTag::FromString(u"x").IsString());
}

TEST(LTItemExtraProperties, SpacingIsNeverNegative) {
  TLTGraphicItemInfo pic;
  EXPECT_TRUE(pic.ApplyPropertyLine("spacing=-3", true));
  EXPECT_EQ(pic.Spacing(), 0);
  int32_t v = 5;
  EXPECT_TRUE(pic.GetExtraIntProperty(ltepSpacing, v));
  EXPECT_EQ(v, 0);
}

TEST(LTItemExtraProperties, PictureSizeOverridesOneSideAndAddsSpacing) {
  auto bmp = std::make_unique<TBitmap>();
  TLTPixels px;
  px.Width = 40;
  px.Height = 20;
  px.Data.assign(800, 0xFF000000u);
  bmp->SetPixels(std::move(px));
  TLTGraphicItemInfo pic(std::move(bmp), 0);
  pic.ApplyPropertyLine("height=50", true);
  pic.ApplyPropertyLine("spacing=2", true);
  EXPECT_EQ(pic.GetImageWidth(nullptr), 40);
  EXPECT_EQ(pic.GetImageHeight(nullptr), 50);
  EXPECT_EQ(pic.GetImageWidth(nullptr) + 2 * pic.GetBorderWidth(), 44);
}

TEST(LTItemExtraProperties, LinesDecodeStringsAndReportUnknownKeys) {
  TLTBulletItemInfo b;
  EXPECT_TRUE(b.ApplyPropertyLine("alt=two\x01\x02lines \xC3\xA9", true));
  EXPECT_EQ(b.Alt, u"two\r\nlines é");
  EXPECT_TRUE(b.ApplyPropertyLine("hint=Tip", true));
  EXPECT_EQ(b.HintText, u"Tip");
  EXPECT_FALSE(b.ApplyPropertyLine("filename=x.png", true));  // pictures only
  EXPECT_FALSE(b.ApplyPropertyLine("colour=red", true));
  EXPECT_TRUE(b.ApplyPropertyLine("nohtmlsize=junk", true));  // unparsable numbers read as 0
  EXPECT_FALSE(b.NoHTMLImageSize);
}

TEST(LTItemExtraProperties, BitmapTransparencyExistsOnlyOnBitmaps) {
  TLTGraphicItemInfo jpeg(std::make_unique<TJPEGImage>(), 0);
  EXPECT_FALSE(jpeg.SetExtraIntProperty(ltepTransparent, 1));
  int32_t v = 0;
  EXPECT_FALSE(jpeg.GetExtraIntProperty(ltepTransparentColor, v));
  TLTGraphicItemInfo bmp(std::make_unique<TBitmap>(), 0);
  EXPECT_TRUE(bmp.SetExtraIntProperty(ltepTransparent, 1));
  EXPECT_TRUE(bmp.SetExtraIntProperty(ltepTransparentMode, 1));
  EXPECT_TRUE(bmp.SetExtraIntProperty(ltepTransparentColor, 0x00FF00));
  std::vector<std::string> lines;
  bmp.GetExtraPropertyLines(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"transparent=1", "tmode=1", "tcolor=65280"}));
}

TEST(LTItemExtraProperties, LinesComeInTheirFixedOrderAndOnlyWhenNotDefault) {
  TLTGraphicItemInfo pic;
  std::vector<std::string> lines;
  pic.GetExtraPropertyLines(lines);
  EXPECT_TRUE(lines.empty());
  pic.HintText = u"h";
  pic.Unremovable = true;
  pic.VShift = -10;
  pic.SetSpacing(4);
  pic.Resizable = false;
  pic.ImageWidth = 64;
  pic.Alt = u"alt text";
  pic.ImageFileName = u"a.png";
  pic.GetExtraPropertyLines(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"hint=h", "unremovable=1", "vshift=-10", "spacing=4", "resizable=0",
                                             "width=64", "filename=a.png", "alt=alt text"}));
  EXPECT_EQ(pic.GetExtraPropertyCount(), 8);

  TLTControlItemInfo ctl;
  ctl.Resizable = true;
  ctl.SetVisible(false);
  lines.clear();
  ctl.GetExtraPropertyLines(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"resizable=1", "visible=0"}));
}

TEST(LTItemAssign, CopiesOnlyWhatBothClassesHave) {
  TLTBulletItemInfo bullet;
  bullet.ParaNo = 3;
  bullet.ItemFlags = ltifJoinPrev;
  bullet.HintText = u"hint";
  bullet.Unremovable = true;
  bullet.SetSpacing(7);
  bullet.ImageIndex = 4;
  bullet.NoHTMLImageSize = true;
  bullet.Text = "name";
  TLTGraphicItemInfo pic;
  pic.Assign(bullet);
  EXPECT_EQ(pic.StyleNo, ltikImage);  // classes differ: the kind stays
  EXPECT_EQ(pic.ParaNo, 3);
  EXPECT_EQ(pic.ItemFlags, ltifJoinPrev);
  EXPECT_EQ(pic.HintText, u"hint");
  EXPECT_TRUE(pic.Unremovable);
  EXPECT_EQ(pic.Spacing(), 7);
  EXPECT_FALSE(pic.NoHTMLImageSize);
  EXPECT_TRUE(pic.Text.empty());
}

TEST(LTItemAssign, PictureGetsItsOwnCopyOfTheImage) {
  TLTGraphicItemInfo a(std::make_unique<TPNGImage>(), 0);
  TLTGraphicItemInfo b;
  b.Assign(a);
  ASSERT_NE(b.Image, nullptr);
  EXPECT_NE(b.Image.get(), a.Image.get());
  EXPECT_EQ(b.Image->ClassName(), "TPNGImage");
}

TEST(LTItemAssign, CloneCopiesTextTagAndCheckpoint) {
  TLTTextItemInfo t;
  t.StyleNo = 3;
  t.Text = "abc";
  t.Tag = TLTTag::FromString(u"Capital");
  t.Checkpoint = std::make_unique<TLTCPInfo>();
  t.Checkpoint->CheckpointName = u"here";
  t.Checkpoint->Pinned = true;
  auto copy = CloneItem(t);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->StyleNo, 3);
  EXPECT_EQ(copy->Text, "abc");
  EXPECT_EQ(copy->Tag, t.Tag);
  ASSERT_NE(copy->Checkpoint, nullptr);
  EXPECT_NE(copy->Checkpoint.get(), t.Checkpoint.get());
  EXPECT_EQ(copy->Checkpoint->CheckpointName, u"here");
  EXPECT_TRUE(copy->Checkpoint->Pinned);
}

class TTestKindItem : public TLTRectItemInfo {};
class TOtherKindItem : public TLTRectItemInfo {};
const TLTItemClass kTestKind{"TTestKindItem", [] { return std::unique_ptr<TCustomLTItemInfo>(new TTestKindItem); }};
const TLTItemClass kOtherKind{"TOtherKindItem", [] { return std::unique_ptr<TCustomLTItemInfo>(new TOtherKindItem); }};

TEST(LTItemRegistry, RegistersNewKindsBelowMinusNineOnce) {
  RegisterItemKind(-150, kTestKind);
  EXPECT_NO_THROW(RegisterItemKind(-150, kTestKind));
  try {
    RegisterItemKind(-150, kOtherKind);
    FAIL() << "a second class for one kind was accepted";
  } catch (const ELecternError& e) {
    EXPECT_STREQ(e.what(), "Can't register Lectern item type - this StyleNo is already registered");
  }
  EXPECT_THROW(RegisterItemKind(-8, kTestKind), ELecternError);
  EXPECT_THROW(RegisterItemKind(-9, kTestKind), ELecternError);
  EXPECT_THROW(RegisterItemKind(-12, kTestKind), ELecternError);  // built in
  auto item = ItemFactory(-150);
  ASSERT_NE(item, nullptr);
  EXPECT_NE(dynamic_cast<TTestKindItem*>(item.get()), nullptr);
  EXPECT_EQ(item->StyleNo, -150);
}

TEST(LTItemRegistry, FactoryBuildsTextAndBuiltInKindsAndRefusesUnknownOnes) {
  EXPECT_NE(dynamic_cast<TLTTextItemInfo*>(ItemFactory(5).get()), nullptr);
  EXPECT_NE(dynamic_cast<TLTBreakItemInfo*>(ItemFactory(ltikRule).get()), nullptr);
  EXPECT_NE(dynamic_cast<TLTHotspotItemInfo*>(ItemFactory(ltikImageHotspot).get()), nullptr);
  EXPECT_NE(dynamic_cast<TLTHotGraphicItemInfo*>(ItemFactory(ltikHotImage).get()), nullptr);
  EXPECT_NE(dynamic_cast<TLTTabItemInfo*>(ItemFactory(ltikTabulator).get()), nullptr);
  EXPECT_EQ(ItemFactory(ltikRule)->StyleNo, ltikRule);
  EXPECT_EQ(ItemFactory(-2), nullptr);
  EXPECT_EQ(ItemFactory(-77), nullptr);
}

TEST(LTItemQueries, AnswersDependOnKindAndContent) {
  TLTStyle sheet;
  TLTTextItemInfo link;
  link.StyleNo = 4;  // "Jump 1"
  EXPECT_TRUE(link.GetBoolValueEx(iqxHyperlink, &sheet));
  EXPECT_FALSE(link.GetBoolValueEx(iqxHover, &sheet));  // looks the same under the mouse
  sheet.HoverColor = clRed;
  EXPECT_TRUE(link.GetBoolValueEx(iqxHover, &sheet));
  TLTTextItemInfo plain;
  EXPECT_FALSE(plain.GetBoolValueEx(iqxHyperlink, &sheet));

  TLTGraphicItemInfo empty;
  EXPECT_FALSE(empty.GetBoolValue(iqHasContent));
  TLTGraphicItemInfo meta(std::make_unique<TMetafile>(), 0);
  EXPECT_FALSE(meta.GetBoolValueEx(iqxSliceable, &sheet));
  EXPECT_TRUE(meta.GetBoolValue(iqResizable));
  TLTGraphicItemInfo icon(std::make_unique<TIcon>(), 0);
  EXPECT_FALSE(icon.GetBoolValue(iqResizable));

  TLTHotspotItemInfo hot;
  EXPECT_FALSE(hot.GetBoolValueEx(iqxHover, &sheet));
  hot.HotImageIndex = 2;
  EXPECT_TRUE(hot.GetBoolValueEx(iqxHover, &sheet));

  TLTControlItemInfo ctl;
  ctl.Resizable = true;
  EXPECT_TRUE(ctl.GetBoolValue(iqResizable));
  ctl.PercentWidth = 50;
  EXPECT_FALSE(ctl.GetBoolValue(iqResizable));
  EXPECT_TRUE(ctl.GetBoolValueEx(iqxLayoutWidth, &sheet));
}

}  // namespace
}  // namespace lectern
