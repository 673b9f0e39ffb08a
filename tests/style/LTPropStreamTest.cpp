// The property stream: byte layouts other readers depend on, which
// properties are stored, round trips of the sheet's style collections, and
// a reader that stays safe and precise on damaged input.

#include "platform/LTCodePage.h"
#include "platform/LTGraphic.h"
#include "style/LTPropStream.h"
#include "style/LTStyle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

namespace lectern {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

template <class F>
std::string Written(F&& write) {
  std::string out;
  TLTPropWriter w(out);
  write(w);
  return out;
}

// The system code page is process-wide; every test leaves it at 1252.
class CodePageScope {
 public:
  explicit CodePageScope(TLTCodePage cp) { SetSystemCodePage(cp); }
  ~CodePageScope() { SetSystemCodePage(1252); }
};

std::u16string RoundTripString(std::u16string_view s) {
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteString(s); });
  TLTPropReader r(bytes);
  auto back = r.ReadString();
  EXPECT_TRUE(r.AtEnd());
  return back.value_or(u"<failed>");
}

TLTCollection& Chosen(TLTStyle& sheet, int kind) {
  if (kind == 0) return sheet.TextStyles();
  if (kind == 1) return sheet.ParaStyles();
  return sheet.ListStyles();
}

constexpr int kText = 0, kPara = 1, kList = 2;

// Writes one of the sheet's collections and reads it into read's, where
// every style must come back equal, names included.
void ExpectRoundTrip(TLTStyle& sheet, TLTStyle& read, int kind) {
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteCollection(Chosen(sheet, kind)); });
  TLTPropReader r(bytes);
  ASSERT_TRUE(r.ReadCollection(Chosen(read, kind))) << r.Error();
  EXPECT_TRUE(r.AtEnd());
  ASSERT_EQ(Chosen(read, kind).Count(), Chosen(sheet, kind).Count());
  for (int i = 0; i < Chosen(sheet, kind).Count(); ++i) {
    const auto& a = static_cast<TCustomLTInfo&>(Chosen(sheet, kind).ItemAt(i));
    const auto& b = static_cast<TCustomLTInfo&>(Chosen(read, kind).ItemAt(i));
    EXPECT_TRUE(b.SameAs(a, false)) << "style " << i;
    EXPECT_EQ(b.StyleName, a.StyleName) << "style " << i;
  }
}

// ---- Byte layouts -------------------------------------------------------------

TEST(LTPropStreamLayout, IntegersTakeTheSmallestWidth) {
  auto integer = [](int64_t v) { return Written([&](TLTPropWriter& w) { w.WriteInteger(v); }); };
  EXPECT_EQ(integer(127), Bytes({0x02, 0x7F}));
  EXPECT_EQ(integer(-128), Bytes({0x02, 0x80}));
  EXPECT_EQ(integer(128), Bytes({0x03, 0x80, 0x00}));
  EXPECT_EQ(integer(-32768), Bytes({0x03, 0x00, 0x80}));
  EXPECT_EQ(integer(-32769), Bytes({0x04, 0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(integer(INT32_MIN), Bytes({0x04, 0x00, 0x00, 0x00, 0x80}));
  EXPECT_EQ(integer(int64_t{1} << 32), Bytes({0x13, 0, 0, 0, 0, 1, 0, 0, 0}));
  for (int64_t v : {int64_t{-1}, int64_t{300}, int64_t{-70000}, INT64_MIN}) {
    const std::string bytes = integer(v);
    TLTPropReader r(bytes);
    EXPECT_EQ(r.ReadInteger(), v);
  }
}

TEST(LTPropStreamLayout, AsciiTextIsUtf8AndWideTextUtf16) {
  EXPECT_EQ(Written([](TLTPropWriter& w) { w.WriteString(u"Arial"); }), Bytes({0x14, 5, 0, 0, 0}) + "Arial");
  const std::string cjk = Written([](TLTPropWriter& w) { w.WriteString(u"\u4E2D\u6587"); });
  EXPECT_EQ(cjk, Bytes({0x12, 2, 0, 0, 0, 0x2D, 0x4E, 0x87, 0x65}));
  EXPECT_EQ(RoundTripString(u"\u4E2D\u6587"), u"\u4E2D\u6587");
}

TEST(LTPropStreamLayout, EightBitTextOnlyWhenTheCodePageKeepsIt) {
  {
    CodePageScope cyrillic(1251);
    const std::u16string text = u"\u0422\u0435\u043A\u0441\u0442 1";  // "Текст 1"
    const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteString(text); });
    EXPECT_EQ(bytes, Bytes({0x06, 7, 0xD2, 0xE5, 0xEA, 0xF1, 0xF2, 0x20, 0x31}));
    EXPECT_EQ(RoundTripString(text), text);
  }
  // Omega has no place in 1252: the text goes out as UTF-8, not as "?a".
  EXPECT_EQ(Written([](TLTPropWriter& w) { w.WriteString(u"\u03A9a"); }), Bytes({0x14, 3, 0, 0, 0, 0xCE, 0xA9, 0x61}));
  EXPECT_EQ(RoundTripString(u"\u03A9a"), u"\u03A9a");
  // Beyond 255 bytes the 8-bit form takes a 4-byte length.
  const std::u16string longText(300, u'\u00E9');
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteString(longText + u"abcdefgh"); });
  EXPECT_EQ(bytes.substr(0, 5), Bytes({0x0C, 0x34, 0x01, 0, 0}));
  EXPECT_EQ(RoundTripString(longText), longText);
}

TEST(LTPropStreamLayout, TextThatUtf8CannotCarryStaysIntact) {
  const std::u16string lone = u"abcdef\xD800";
  EXPECT_EQ(RoundTripString(lone), lone);
  EXPECT_EQ(RoundTripString(u""), u"");
}

TEST(LTPropStreamLayout, SetsIdentifiersAndShortStrings) {
  static constexpr std::string_view names[] = {"a", "b", "c"};
  const TLTEnumInfo info{names};
  EXPECT_EQ(Written([&](TLTPropWriter& w) { w.WriteSet(0, info); }), Bytes({0x0B, 0x00}));
  EXPECT_EQ(Written([&](TLTPropWriter& w) { w.WriteSet(0b101, info); }), Bytes({0x0B, 1, 'a', 1, 'c', 0}));
  EXPECT_EQ(Written([](TLTPropWriter& w) { w.WriteIdent("tRuE"); }), Bytes({0x09}));
  EXPECT_EQ(Written([](TLTPropWriter& w) { w.WriteIdent("nil"); }), Bytes({0x0D}));
  EXPECT_EQ(Written([](TLTPropWriter& w) { w.WriteIdent("clRed"); }), Bytes({0x07, 5}) + "clRed");
  // A long name is cut to 255 bytes, never inside a character.
  std::string name(254, 'x');
  name += "\xC3\xA9";
  const std::string shortString = Written([&](TLTPropWriter& w) { w.WriteShortString(name); });
  EXPECT_EQ(shortString, Bytes({254}) + std::string(254, 'x'));
}

TEST(LTPropStreamLayout, EmptyCollectionLeavesTheTargetAlone) {
  TLTStyle sheet;
  EXPECT_EQ(Written([&](TLTPropWriter& w) { w.WriteCollection(sheet.ListStyles()); }), Bytes({0x0E, 0x00}));
  while (sheet.TextStyles().Count() > 3) sheet.TextStyles().Delete(sheet.TextStyles().Count() - 1);
  const std::string empty = Bytes({0x0E, 0x00});
  TLTPropReader r(empty);
  ASSERT_TRUE(r.ReadCollection(sheet.TextStyles()));
  ASSERT_EQ(sheet.TextStyles().Count(), 3);
  EXPECT_EQ(sheet.TextStyles()[1].StyleName, u"Heading");
}

TEST(LTPropStreamLayout, DefaultTextStyleStoresOnlyWhatHasNoDefault) {
  TLTStyle sheet;
  sheet.TextStyles().Clear();
  sheet.TextStyles().Add();
  EXPECT_EQ(Written([&](TLTPropWriter& w) { w.WriteCollection(sheet.TextStyles()); }),
            Bytes({0x0E, 0x01, 7}) + "Unicode" + Bytes({0x09, 0x00, 0x00}));
}

// ---- What is stored -----------------------------------------------------------

TEST(LTPropStreamWrite, EmptyTextWithANonEmptyDefaultSurvives) {
  TLTStyle sheet;
  sheet.TextStyles()[0].FontName.clear();
  sheet.TextStyles()[0].StyleName.clear();
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteCollection(sheet.TextStyles()); });
  TLTStyle read;
  TLTPropReader r(bytes);
  ASSERT_TRUE(r.ReadCollection(read.TextStyles())) << r.Error();
  EXPECT_EQ(read.TextStyles()[0].FontName, u"");
  EXPECT_EQ(read.TextStyles()[0].StyleName, u"");
  EXPECT_EQ(read.TextStyles()[1].FontName, u"Arial");
}

TEST(LTPropStreamWrite, NestedObjectsUseDottedNames) {
  TLTStyle sheet;
  sheet.ParaStyles().Clear();
  TParaInfo& p = sheet.ParaStyles().Add();
  p.Border.BorderOffsets.Left = 3;
  p.Border.VisibleBorders.Top = false;
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteProperties(p); });
  EXPECT_NE(bytes.find(Bytes({25}) + "Border.BorderOffsets.Left" + Bytes({2, 3})), std::string::npos);
  EXPECT_NE(bytes.find(Bytes({25}) + "Border.VisibleBorders.Top" + Bytes({8})), std::string::npos);
  EXPECT_EQ(bytes.find("Background"), std::string::npos);
}

TEST(LTPropStreamWrite, AnEnumerationValueWithoutANameIsLeftOut) {
  TLTStyle sheet;
  sheet.TextStyles()[0].BiDiMode = static_cast<TLTBiDiMode>(9);
  sheet.TextStyles()[1].Size = 20;
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteCollection(sheet.TextStyles()); });
  TLTStyle read;
  TLTPropReader r(bytes);
  ASSERT_TRUE(r.ReadCollection(read.TextStyles())) << r.Error();
  EXPECT_EQ(read.TextStyles()[0].BiDiMode, ltbdUnspecified);
  EXPECT_EQ(read.TextStyles()[1].Size, 20);
}

TEST(LTPropStreamWrite, SheetComponentRoundTripsWithUnsignedCodePage) {
  TLTStyle sheet;
  sheet.DefCodePage = 0x80000001u;
  sheet.JumpCursor = -21;  // named
  sheet.LineSelectCursor = 777;
  sheet.Color = MakeColor(0x123456);
  sheet.SelectionMode = ltsmParagraph;
  sheet.TextStyles()[2].Size = 31;
  std::string bytes = Written([&](TLTPropWriter& w) { w.WriteComponent("TLTStyle", "Sheet1", sheet); });

  TLTPropReader r(bytes);
  std::string cls, name;
  ASSERT_TRUE(r.ReadComponentHeader(cls, name));
  EXPECT_EQ(cls, "TLTStyle");
  EXPECT_EQ(name, "Sheet1");
  TLTStyle read;
  ASSERT_TRUE(r.ReadProperties(read)) << r.Error();
  EXPECT_EQ(r.ReadTag(), vaNull);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(read.DefCodePage, 0x80000001u);
  EXPECT_EQ(read.JumpCursor, -21);
  EXPECT_EQ(read.LineSelectCursor, 777);
  EXPECT_EQ(read.Color, MakeColor(0x123456));
  EXPECT_EQ(read.SelectionMode, ltsmParagraph);
  EXPECT_EQ(read.TextStyles()[2].Size, 31);

  // A prefix byte with a position announces an integer before the names.
  const std::string prefixed = Bytes({0xF2, 0x03, 0x10, 0x00, 1, 'T', 0, 0, 0});
  TLTPropReader p(prefixed);
  ASSERT_TRUE(p.ReadComponentHeader(cls, name));
  EXPECT_EQ(cls, "T");
  EXPECT_EQ(name, "");
}

// ---- Round trips of the style collections -------------------------------------

TEST(LTPropStreamRoundTrip, TextStyles) {
  TLTStyle sheet;
  TFontInfo& f = sheet.TextStyles().Add();
  f.StyleName = u"\u041E\u0441\u043D\u043E\u0432\u043D\u043E\u0439 \u00E9";
  f.FontName = u"Courier New";
  f.Size = 300;
  f.Style = {fsBold, fsStrikeOut};
  f.StyleEx = {ltfsAllCaps};
  f.Color = MakeColor(0x102030);
  f.BackColor = clYellow;
  f.Jump = true;
  f.JumpCursor = 5;
  f.HoverEffects = {ltheUnderline};
  f.Protection = {ltprStickToBottom, ltprModifyProtect};
  f.UnderlineType = ltutThickDashDotDotted;
  f.BiDiMode = ltbdRightToLeft;
  f.VShift = -40000;
  f.NextStyleNo = 2;
  f.Unicode = false;
  f.ModifiedProperties = TLTFontInfoProperties::FromBits(0x40000001u);
  TLTStyle read;
  ExpectRoundTrip(sheet, read, kText);
}

TEST(LTPropStreamRoundTrip, ParagraphStylesWithBordersBackgroundsAndTabs) {
  TLTStyle sheet;
  TParaInfo& p = sheet.ParaStyles().Add();
  p.StyleName = u"Boxed";
  p.FirstIndent = -20;
  p.SpaceAfter = 1000;
  p.Alignment = ltaJustify;
  p.LineSpacingType = ltlsLineHeightExact;
  p.LineSpacing = 14;
  p.Border.Style = ltbTriple;
  p.Border.Color = clRed;
  p.Border.Width = 2;
  p.Border.BorderOffsets.Bottom = -4;
  p.Border.VisibleBorders.Left = false;
  p.Background.Color = MakeColor(0xABCDEF);
  p.Background.BorderOffsets.Right = 7;
  p.Options = {ltpaoKeepWithNext, ltpaoWidowOrphanControl};
  p.Tabs.Add(96, lttaRight, u".");
  p.Tabs.Add(20, lttaCenter);
  p.Tabs.Add(300, lttaLeft, u"\u2014");
  p.NextParaNo = 0;
  p.DefStyleNo = 3;
  p.ModifiedProperties = TLTParaInfoProperties::FromBits((uint64_t{1} << ltpiTabs) | (uint64_t{1} << ltpiSpaceAfter));
  TLTStyle read;
  read.ParaStyles().Add().Tabs.Add(5);
  ExpectRoundTrip(sheet, read, kPara);
}

TEST(LTPropStreamRoundTrip, ListStylesWithFontsPicturesAndIdentities) {
  TLTStyle sheet;
  TLTListInfo& list = sheet.ListStyles().Add();
  list.StyleName = u"Outline";
  list.OneLevelPreview = true;
  list.SetListID(123456789);
  TLTListLevel& l0 = list.Levels.Add();
  l0.ListType = ltlstUpperRoman;
  l0.FormatString = u"\u00A7 %0:s \u2192";
  l0.FormatStringW = u"\u2460%0:s";
  l0.StartFrom = 4;
  l0.Options = {ltloLegalStyleNumbering};
  l0.FontForWrite().Font.Name = u"Times";
  l0.FontForWrite().Font.SetSize(12);
  l0.FontForWrite().Font.Style = {fsItalic};
  l0.FontForWrite().Font.Color = MakeColor(0x00FF00);
  TLTListLevel& l1 = list.Levels.Add();  // no font at all
  l1.ListType = ltlstPicture;
  l1.MarkerAlignment = ltmaCenter;
  TBitmap bmp;
  TLTPixels px;
  px.Width = 2;
  px.Height = 3;
  px.Data = {0xFF000000u, 0xFFFFFFFFu, 0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u};
  bmp.SetPixels(px);
  l1.SetPicture(&bmp);
  sheet.ListStyles().Add().Levels.Add().FontForWrite();  // a default font
  TLTStyle read;
  ExpectRoundTrip(sheet, read, kList);
  const TLTListInfo& back = read.ListStyles()[0];
  EXPECT_EQ(back.ListID(), 123456789);
  ASSERT_NE(back.Levels[0].Font(), nullptr);
  EXPECT_EQ(back.Levels[0].Font()->Font.Size(), 12);
  EXPECT_EQ(back.Levels[1].Font(), nullptr);
  ASSERT_NE(back.Levels[1].Picture(), nullptr);
  ASSERT_NE(read.ListStyles()[1].Levels[0].Font(), nullptr);
}

// ---- Reading damaged or unexpected input --------------------------------------

// One text style: Size 12, the property "Xyz" with the given value, then FontName.
std::string WithValue(const std::string& value) {
  return Bytes({0x0E, 0x01, 4}) + "Size" + Bytes({0x02, 12, 3}) + "Xyz" + value + Bytes({8}) + "FontName" +
         Bytes({0x14, 6, 0, 0, 0}) + "Tahoma" + Bytes({0x00, 0x00});
}

TEST(LTPropStreamRead, OlderSingleSymbolsGivesItsProtectionInAnyOrder) {
  // SingleSymbols before and after a stored Protection, and set to False.
  const std::string protection = Bytes({10}) + "Protection" + Bytes({0x0B, 17}) + "ltprModifyProtect" + Bytes({0});
  const std::string single = Bytes({13}) + "SingleSymbols" + Bytes({0x09});
  const std::string bytes = Bytes({0x0E, 0x01}) + single + protection + Bytes({0x00, 0x01}) + protection + single +
                            Bytes({0x00, 0x01, 13}) + "SingleSymbols" + Bytes({0x08, 0x00, 0x00});
  TLTStyle sheet;
  TLTPropReader r(bytes);
  ASSERT_TRUE(r.ReadCollection(sheet.TextStyles())) << r.Error();
  ASSERT_EQ(sheet.TextStyles().Count(), 3);
  for (int i = 0; i < 2; ++i) {
    const TLTProtectOptions p = sheet.TextStyles()[i].Protection;
    EXPECT_TRUE(p.Contains(ltprStyleProtect)) << i;
    EXPECT_TRUE(p.Contains(ltprDoNotAutoSwitch)) << i;
    EXPECT_TRUE(p.Contains(ltprModifyProtect)) << i;
  }
  EXPECT_TRUE(sheet.TextStyles()[2].Protection.Empty());
  // It is never written back.
  std::string out;
  TLTPropWriter(out).WriteCollection(sheet.TextStyles());
  EXPECT_EQ(out.find("SingleSymbols"), std::string::npos);
}

TEST(LTPropStreamRead, HandledUnknownPropertySkipsExactlyItsValue) {
  const std::string values[] = {
      Bytes({0x05, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
      Bytes({0x0B, 1, 'a', 2, 'b', 'c', 0}),
      Bytes({0x01, 0x02, 0x07, 0x06, 0x01, 'q', 0x01, 0x09, 0x00, 0x00}),
      Bytes({0x0E, 0x02, 0x01, 0x01, 0x03, 'A', 'b', 'c', 0x09, 0x00, 0x01, 0x00, 0x00}),
      Bytes({0x12, 2, 0, 0, 0, 'a', 0, 'b', 0}),
      Bytes({0x0A, 3, 0, 0, 0, 0, 0, 0}),
  };
  for (const std::string& v : values) {
    SCOPED_TRACE(testing::PrintToString(v));
    const std::string bytes = WithValue(v);
    TLTStyle sheet;
    std::vector<std::string> unknown;
    TLTPropReader r(bytes);
    r.OnUnknownProperty = [&](const std::string& name) {
      unknown.push_back(name);
      return true;
    };
    ASSERT_TRUE(r.ReadCollection(sheet.TextStyles())) << r.Error();
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(unknown, std::vector<std::string>{"Xyz"});
    ASSERT_EQ(sheet.TextStyles().Count(), 1);
    EXPECT_EQ(sheet.TextStyles()[0].Size, 12);
    EXPECT_EQ(sheet.TextStyles()[0].FontName, u"Tahoma");
  }
}

TEST(LTPropStreamRead, UnhandledUnknownPropertyIsNamed) {
  const std::string bytes = WithValue(Bytes({0x02, 0x05}));
  TLTStyle sheet;
  TLTPropReader r(bytes);
  EXPECT_FALSE(r.ReadCollection(sheet.TextStyles()));
  EXPECT_EQ(r.Error(), "Property Xyz does not exist");

  TLTPropReader declined(bytes);
  declined.OnUnknownProperty = [](const std::string&) { return false; };
  EXPECT_FALSE(declined.ReadCollection(sheet.TextStyles()));
  EXPECT_EQ(declined.Error(), "Property Xyz does not exist");

  // A dotted name is reported whole, not by its last part.
  TLTListInfo list;
  const std::string font = Bytes({7}) + "Font.Zz" + Bytes({0x02, 1, 0x00});
  TLTPropReader n(font);
  TLTListLevel& level = list.Levels.Add();
  EXPECT_FALSE(n.ReadProperties(level));
  EXPECT_EQ(n.Error(), "Property Font.Zz does not exist");
}

TEST(LTPropStreamRead, ValuesOfTheWrongKindAreInvalid) {
  auto readBad = [](const std::string& name, const std::string& value) {
    TFontInfo f;
    const std::string bytes = Bytes({static_cast<int>(name.size())}) + name + value + Bytes({0x00});
    TLTPropReader r(bytes);
    EXPECT_FALSE(r.ReadProperties(f)) << name;
    return r.Error();
  };
  const std::pair<std::string, std::string> cases[] = {
      {"Size", Bytes({0x15})},
      {"Size", Bytes({0x14, 1, 0, 0, 0, '1'})},
      {"Size", Bytes({0x13, 0, 0, 0, 0, 1, 0, 0, 0})},  // beyond 32 bits
      {"FontName", Bytes({0x02, 0x01})},
      {"Jump", Bytes({0x02, 0x01})},
      {"BiDiMode", Bytes({0x07, 3}) + "abc"},
      {"Style", Bytes({0x0B, 4}) + "fsXY" + Bytes({0})},
      {"Color", Bytes({0x07, 5}) + "clFoo"},
      {"JumpCursor", Bytes({0x04, 0, 0, 1, 0})},  // beyond 16 bits
  };
  for (const auto& [name, value] : cases) EXPECT_EQ(readBad(name, value), "Invalid property value") << name;

  TFontInfo f;
  const std::string good = Bytes({5}) + "Color" + Bytes({0x07, 5}) + "clRed" + Bytes({10}) + "JumpCursor" +
                           Bytes({0x07, 11}) + "crHandPoint" + Bytes({8}) + "BiDiMode" + Bytes({0x07, 15}) +
                           "ltbdLeftToRight" + Bytes({0x00});
  TLTPropReader r(good);
  ASSERT_TRUE(r.ReadProperties(f)) << r.Error();
  EXPECT_EQ(f.Color, clRed);
  EXPECT_EQ(f.JumpCursor, -21);
  EXPECT_EQ(f.BiDiMode, ltbdLeftToRight);
}

TEST(LTPropStreamRead, ItemsMayCarryOrderNumbers) {
  const std::string bytes = Bytes({0x0E, 0x02, 0x00, 0x01, 4}) + "Size" + Bytes({0x02, 9, 0x00, 0x03, 0x01, 0x00}) +
                            Bytes({0x01, 0x00, 0x00});
  TLTStyle sheet;
  TLTPropReader r(bytes);
  ASSERT_TRUE(r.ReadCollection(sheet.TextStyles())) << r.Error();
  ASSERT_EQ(sheet.TextStyles().Count(), 2);
  EXPECT_EQ(sheet.TextStyles()[0].Size, 9);
}

TEST(LTPropStreamRead, EveryTruncationFailsCleanly) {
  TLTStyle sheet;
  TLTListLevel& level = sheet.ListStyles().Add().Levels.Add();
  level.FormatString = u"\u2192";
  level.FontForWrite().Font.SetSize(20);
  TBitmap bmp;
  bmp.SetPixels(TLTPixels{1, 1, {0xFF00FF00u}});
  level.SetPicture(&bmp);
  sheet.ParaStyles()[0].Tabs.Add(10, lttaRight, u"-");
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteComponent("TLTStyle", "S", sheet); });
  for (size_t n = 0; n < bytes.size(); ++n) {
    TLTPropReader r(std::string_view(bytes).substr(0, n));
    TLTStyle read;
    std::string cls, name;
    const bool ok = r.ReadComponentHeader(cls, name) && r.ReadProperties(read) && r.ReadTag() == vaNull;
    EXPECT_FALSE(ok) << n;
    EXPECT_FALSE(r.Ok()) << n;
    EXPECT_FALSE(r.Error().empty()) << n;
  }
  TLTPropReader whole(bytes);
  TLTStyle read;
  std::string cls, name;
  EXPECT_TRUE(whole.ReadComponentHeader(cls, name) && whole.ReadProperties(read));
}

TEST(LTPropStreamRead, ClaimedLengthsAndDepthsAreBounded) {
  TFontInfo f;
  const std::string huge = Bytes({8}) + "FontName" + Bytes({0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0x00});
  TLTPropReader r(huge);
  EXPECT_FALSE(r.ReadProperties(f));
  EXPECT_EQ(r.Error(), "Stream read error");

  const std::string wide = Bytes({0x12, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0});
  TLTPropReader w(wide);
  EXPECT_FALSE(w.SkipValue());

  std::string deep(100000, '\x01');
  deep += std::string(100000, '\x00');
  TLTPropReader d(deep);
  EXPECT_FALSE(d.SkipValue());
  EXPECT_FALSE(d.Ok());

  std::string nested = Bytes({0x0E});
  for (int i = 0; i < 1000; ++i) nested += Bytes({0x01, 1, 'x', 0x0E});
  TLTPropReader c(nested);
  EXPECT_FALSE(c.SkipValue());
}

TEST(LTPropStreamRead, AFailedReaderStaysFailed) {
  const std::string bytes = Bytes({0x02, 0x05, 0x09});
  TLTPropReader r(bytes);
  r.Fail("first");
  r.Fail("second");
  EXPECT_EQ(r.Error(), "first");
  EXPECT_EQ(r.ReadInteger(), std::nullopt);
  EXPECT_EQ(r.PeekTag(), std::nullopt);
  EXPECT_FALSE(r.SkipValue());
  EXPECT_EQ(r.Position(), 0u);

  const std::string bad = Bytes({0x30, 0x02, 0x05});
  TLTPropReader b(bad);
  EXPECT_FALSE(b.SkipValue());
  EXPECT_EQ(b.Error(), "Invalid property value");
  EXPECT_EQ(b.ReadInteger(), std::nullopt);
}

// Inputs the fuzzer found or that were built to hurt: each is read the way
// the fuzzer reads it and must fail or succeed without harm.
TEST(LTPropStreamRead, StoredHostileInputs) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(LECTERN_TEST_DATA) / "crash" / "prop_stream";
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    ++files;
    SCOPED_TRACE(e.path().filename().string());
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string data = s.str();
    if (data.empty()) continue;
    for (int kind = 0; kind < 3; ++kind) {
      TLTStyle sheet, other;
      TLTPropReader r(std::string_view(data).substr(1));
      r.OnUnknownProperty = [](const std::string&) { return true; };
      if (!r.ReadCollection(Chosen(sheet, kind))) continue;
      const std::string again = Written([&](TLTPropWriter& w) { w.WriteCollection(Chosen(sheet, kind)); });
      TLTPropReader r2(again);
      EXPECT_TRUE(r2.ReadCollection(Chosen(other, kind))) << r2.Error();
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

// ---- Components that own components, and what reading may build ---------------

/// A component with two integer properties, as a control's data holds.
struct TBox : TLTPersistent {
  int32_t Width = 0;
  int32_t Height = 0;
  const TLTClassInfo& ClassInfo() const override;
};
const TLTPropInfo kBoxProps[] = {Prop::Int<&TBox::Width>("Width", 0), Prop::Int<&TBox::Height>("Height", 0)};
const TLTClassInfo& TBox::ClassInfo() const {
  static const TLTClassInfo info{"TBox", nullptr, kBoxProps};
  return info;
}

TEST(LTPropStreamComponents, OwnedChildrenAreWrittenAndReadInOrder) {
  TBox panel, button, label, icon;
  panel.Width = 300;
  button.Width = 80;
  label.Height = 20;
  icon.Width = icon.Height = 16;
  TLTComponentTree tree{"TPanel", "Panel1", &panel, {}};
  tree.Children.push_back({"TButton", "OK", &button, {{"TIcon", "Icon", &icon, {}}}});
  tree.Children.push_back({"TLabel", "Caption", &label, {}});
  const std::string bytes = Written([&](TLTPropWriter& w) { w.WriteComponent(tree); });

  // The layout of one child: class, name, properties, 0, its children, 0.
  EXPECT_NE(bytes.find(Bytes({6}) + "TLabel" + Bytes({7}) + "Caption" + Bytes({6}) + "Height" + Bytes({2, 20, 0, 0})),
            std::string::npos);

  TBox readPanel;
  std::vector<std::pair<std::string, std::unique_ptr<TBox>>> children;
  TLTPropReader r(bytes);
  std::string cls;
  ASSERT_TRUE(r.ReadComponent(readPanel, &cls, [&](const std::string& c, const std::string& n) {
    children.emplace_back(c + "/" + n, std::make_unique<TBox>());
    return children.back().second.get();
  })) << r.Error();
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(cls, "TPanel");
  EXPECT_EQ(readPanel.Width, 300);
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[0].first, "TButton/OK");
  EXPECT_EQ(children[0].second->Width, 80);
  EXPECT_EQ(children[1].first, "TIcon/Icon");
  EXPECT_EQ(children[1].second->Height, 16);
  EXPECT_EQ(children[2].first, "TLabel/Caption");
  EXPECT_EQ(children[2].second->Height, 20);

  // Without a place for them, children are skipped whole.
  TBox alone;
  const std::string followed = bytes + Bytes({2, 7});
  TLTPropReader skip(followed);
  ASSERT_TRUE(skip.ReadComponent(alone)) << skip.Error();
  EXPECT_EQ(alone.Width, 300);
  EXPECT_EQ(skip.ReadInteger(), 7);
}

TEST(LTPropStreamComponents, ChildrenNestedWithoutEndAreRefused) {
  // Every child owns the next one, deeper than any stored form goes.
  std::string bytes = Bytes({1, 'T', 0, 0});
  for (int i = 0; i < 1000; ++i) bytes += Bytes({1, 'T', 0, 0});
  bytes += std::string(1001, '\0');
  TBox box;
  TLTPropReader r(bytes);
  EXPECT_FALSE(r.ReadComponent(box));
  EXPECT_EQ(r.Error(), "Property stream nested too deeply");
  // A child that is cut off fails as a short stream does.
  const std::string cutOff = Bytes({1, 'T', 0, 0, 1, 'U', 0});
  TLTPropReader cut(cutOff);
  EXPECT_FALSE(cut.ReadComponent(box));
  EXPECT_EQ(cut.Error(), "Stream read error");
}

TEST(LTPropStreamComponents, BinaryValuesBuiltInPlaceCarryTheirLength) {
  std::string out;
  TLTPropWriter w(out);
  const size_t at = w.BeginBinary();
  w.Out() += "inner bytes";
  w.EndBinary(at);
  EXPECT_EQ(out, Bytes({0x0A, 11, 0, 0, 0}) + "inner bytes");
  TLTPropReader r(out);
  const auto view = r.ReadBinaryView();
  ASSERT_TRUE(view);
  EXPECT_EQ(*view, "inner bytes");
  EXPECT_EQ(view->data(), out.data() + 5);  // where it lies, not a copy
}

TEST(LTPropStreamBudget, ManyTinyStylesRunOutOfTheBudgetNotOfMemory) {
  // Two bytes an item: 600 kB describe 300,000 styles, about twice what
  // the budget of the input allows.
  std::string bytes = Bytes({0x0E});
  for (int i = 0; i < 300'000; ++i) bytes += Bytes({0x01, 0x00});
  bytes += Bytes({0x00});
  TLTStyle sheet;
  TLTPropReader r(bytes);
  EXPECT_FALSE(r.ReadCollection(sheet.TextStyles()));
  EXPECT_EQ(r.Error(), LTOutOfBudgetMessage);
  const size_t allowed = TLTReadBudget(bytes.size()).Left() / LTCollectionItemCost;
  EXPECT_EQ(static_cast<size_t>(sheet.TextStyles().Count()), allowed);
  EXPECT_TRUE(r.Budget().Exhausted());

  // The same number of styles fits in a budget that grew with a larger input.
  TLTReadBudget large(bytes.size() * 400);
  TLTPropReader ok(bytes, &large);
  EXPECT_TRUE(ok.ReadCollection(sheet.TextStyles())) << ok.Error();
  EXPECT_EQ(sheet.TextStyles().Count(), 300'000);
}

TEST(LTPropStreamBudget, ABudgetTakesUpToItsLimitAndThenNothing) {
  TLTReadBudget b(1000);
  EXPECT_EQ(b.Left(), TLTReadBudget::kAllowance + 1000 * TLTReadBudget::kPerInputByte);
  EXPECT_TRUE(b.Take(b.Left()));
  EXPECT_EQ(b.Left(), 0u);
  EXPECT_FALSE(b.Exhausted());
  EXPECT_FALSE(b.Take(1));
  EXPECT_TRUE(b.Exhausted());
  b.AddInput(1 << 20);
  EXPECT_FALSE(b.Take(1));  // an exhausted read stays exhausted
  TLTReadBudget huge(~size_t{0});
  EXPECT_TRUE(huge.Take(size_t{1} << 62));
}

}  // namespace
}  // namespace lectern
