// Colour resolution and the text forms of colours.

#include "platform/LTColors.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

TEST(Colors, SystemColoursResolveThroughTheFixedTable) {
  EXPECT_EQ(ColorToRGB(clWindow), MakeColor(0xFFFFFF));
  EXPECT_EQ(ColorToRGB(clWindowText), MakeColor(0x000000));
  EXPECT_EQ(ColorToRGB(clBtnFace), MakeColor(0xF0F0F0));
  EXPECT_EQ(ColorToRGB(clHighlight), MakeColor(0xFF9933));
  EXPECT_EQ(ColorToRGB(clActiveCaption), MakeColor(0xD1B499));
  EXPECT_EQ(ColorToRGB(clInfoBk), MakeColor(0xE1FFFF));
  EXPECT_EQ(ColorToRGB(clGrayText), MakeColor(0x6D6D6D));
  EXPECT_EQ(ColorToRGB(clHotLight), MakeColor(0xCC6600));
  EXPECT_EQ(ColorToRGB(clMenuBar), MakeColor(0xF0F0F0));
  EXPECT_EQ(ColorToRGB(MakeColor(0xFF000019)), clBlack);  // unused number
  EXPECT_EQ(ColorToRGB(MakeColor(0xFF00001F)), clBlack);  // past the table
  EXPECT_EQ(ColorToRGB(MakeColor(0xFF123456)), clBlack);
}

TEST(Colors, RgbValuesLoseOnlyTheHighByte) {
  EXPECT_EQ(ColorToRGB(MakeColor(0x00123456)), MakeColor(0x123456));
  EXPECT_EQ(ColorToRGB(MakeColor(0x02123456)), MakeColor(0x123456));
  EXPECT_EQ(ColorToRGB(clNone), clBlack);
  EXPECT_EQ(ColorToRGB(clDefault), clBlack);
}

TEST(Colors, EveryNameRoundTrips) {
  const TColor named[] = {clBlack,
                          clMaroon,
                          clGreen,
                          clOlive,
                          clNavy,
                          clPurple,
                          clTeal,
                          clGray,
                          clSilver,
                          clRed,
                          clLime,
                          clYellow,
                          clBlue,
                          clFuchsia,
                          clAqua,
                          clWhite,
                          clMoneyGreen,
                          clSkyBlue,
                          clCream,
                          clMedGray,
                          clNone,
                          clDefault,
                          clScrollBar,
                          clWindowText,
                          clInfoBk,
                          clHotLight,
                          clGradientActiveCaption,
                          clGradientInactiveCaption,
                          clMenuHighlight,
                          clMenuBar};
  for (TColor c : named) {
    auto name = ColorToIdent(c);
    ASSERT_TRUE(name) << std::hex << c;
    EXPECT_EQ(IdentToColor(*name), c) << *name;
    EXPECT_EQ(StringToColor(ColorToString(c)), c) << *name;
  }
  EXPECT_EQ(ColorToIdent(clBlue), "clBlue");
  EXPECT_EQ(ColorToIdent(clBtnFace), "clBtnFace");
  EXPECT_EQ(IdentToColor("CLWINDOWTEXT"), clWindowText);
  EXPECT_EQ(IdentToColor("clUnknown"), std::nullopt);
}

TEST(Colors, UnnamedColoursUseHexadecimalText) {
  EXPECT_EQ(ColorToString(MakeColor(0x00123456)), "$00123456");
  EXPECT_EQ(ColorToString(MakeColor(0xFF000019)), "$FF000019");
  EXPECT_EQ(StringToColor("$00abcdef"), MakeColor(0xABCDEF));
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_EQ(StringToColor("-16777211"), clWindow);
  EXPECT_EQ(StringToColor("4278190085"), clWindow);
}

TEST(Colors, MalformedTextIsRejected) {
  for (const char* bad : {"", "$", "$123456789", "$12G", "12a", "-", "4294967296", "-2147483649", " 12"}) {
    EXPECT_EQ(StringToColor(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace lectern
