// The viewer's published settings through the property stream: what a
// default viewer stores, round trips of every kind of value, and streams
// the viewer must refuse without being harmed.

#include "platform/LTGraphic.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "style/LTPropStream.h"
#include "style/LTStyle.h"
#include "view/CLectern.h"

#include <gtest/gtest.h>

#include <string>

namespace lectern {
namespace {

struct PropsViewer {
  TLTHeadlessWindow Win{200, 100};
  TLectern V{Win};
};

std::string Stored(const TLectern& v) {
  std::string out;
  TLTPropWriter(out).WriteComponent("TLectern", v.Name, v);
  return out;
}

// Reads a stored viewer into v; the reader's error, empty on success.
std::string Load(const std::string& bytes, TLectern& v) {
  TLTPropReader r(bytes);
  std::string cls, name;
  if (!r.ReadComponentHeader(cls, name)) return r.Error();
  if (cls != "TLectern") return "class " + cls;
  if (!r.ReadProperties(v)) return r.Error();
  return r.AtListEnd() ? std::string() : "no end of children";
}

// A stored viewer holding one property written by put.
template <class F>
std::string WithProperty(std::string_view name, F&& put) {
  std::string out;
  TLTPropWriter w(out);
  w.WriteShortString("TLectern");
  w.WriteShortString("Lectern");
  w.WriteShortString(name);
  put(w);
  w.WriteListEnd();
  w.WriteListEnd();
  return out;
}

TEST(LecternProps, DefaultViewerStoresNothingButItsHeader) {
  PropsViewer p;
  p.V.Delimiters = TLTString(LTDefaultDelimiters);  // equal to the default: still not stored
  EXPECT_EQ(Stored(p.V), std::string("\x08TLectern\x07Lectern\0\0", 19));
  EXPECT_TRUE(AllDefault(p.V));
}

TEST(LecternProps, EveryKindOfValueRoundTrips) {
  PropsViewer a, b;
  a.V.WheelStep = 7;           // integer, on the scroller
  a.V.SetFirstJumpNo(100000);  // integer behind a setter
  a.V.LeftMargin = -3;
  a.V.WordWrap = false;          // boolean
  a.V.SetHScrollVisible(false);  // boolean behind a setter
  a.V.SetVAlign(tlBottom);       // enumerations
  a.V.SetBiDiMode(ltbdRightToLeft);
  a.V.BorderStyle = bsNone;
  a.V.Context().LTFParaStylesReadMode = ltf_sIgnore;
  a.V.SetOptions(TLTOptions{ltoSingleClick, ltoShowItemHints});  // sets
  a.V.SetLTFOptions(TLTFOptions{});
  a.V.Hint = u"H\u00EFnt \u2713";   // string
  a.V.SetColor(RGBColor(1, 2, 3));  // colour
  a.V.Cursor = crHandPoint;

  const std::string bytes = Stored(a.V);
  ASSERT_EQ(Load(bytes, b.V), "");
  // Whatever came back is written again, so equal bytes mean nothing was
  // lost; the checks below catch values landing on the wrong setting.
  EXPECT_EQ(Stored(b.V), bytes);
  EXPECT_EQ(b.V.LeftMargin, -3);
  EXPECT_EQ(b.V.RightMargin, 5);
  EXPECT_EQ(b.V.FirstJumpNo(), 100000);
  EXPECT_FALSE(b.V.HScrollVisible());
  EXPECT_TRUE(b.V.VScrollVisible());
  EXPECT_TRUE(b.Win.ScrollBarOnLeft);  // read through the setter
  EXPECT_EQ(b.V.Context().LTFParaStylesReadMode, ltf_sIgnore);
  EXPECT_EQ(b.V.Context().LTFTextStylesReadMode, ltf_sInsertMerge);
  EXPECT_EQ(b.V.Options(), (TLTOptions{ltoSingleClick, ltoShowItemHints}));
  EXPECT_TRUE(b.V.LTFOptions().Empty());  // an empty set differs from the default
  EXPECT_EQ(b.V.Color(), RGBColor(1, 2, 3));
  EXPECT_EQ(b.V.Cursor, crHandPoint);
}

TEST(LecternProps, DelimitersAreStoredOnlyWhenChanged) {
  PropsViewer a, b;
  for (const TLTString& d : {TLTString(u" ,"), TLTString()}) {
    a.V.Delimiters = d;
    const std::string bytes = Stored(a.V);
    EXPECT_NE(bytes.find("Delimiters"), std::string::npos);
    ASSERT_EQ(Load(bytes, b.V), "");
    EXPECT_EQ(b.V.Delimiters, d);
  }
}

TEST(LecternProps, OptionViewsAreReadButNeverWritten) {
  PropsViewer p;
  p.V.SetSingleClick(true);
  const std::string bytes = Stored(p.V);
  EXPECT_EQ(bytes.find("\x0BSingleClick"), std::string::npos);  // as a name, not a member
  EXPECT_NE(bytes.find("ltoSingleClick"), std::string::npos);

  ASSERT_EQ(Load(WithProperty("AllowSelection", [](TLTPropWriter& w) { w.WriteBoolean(false); }), p.V), "");
  EXPECT_FALSE(p.V.Options().Contains(ltoAllowSelection));
  EXPECT_TRUE(p.V.SingleClick());
}

TEST(LecternProps, BackgroundBitmapIsStoredAsABitmap) {
  PropsViewer a, b;
  const TLTPixels px{2, 1, {0xFF0000FFu, 0xFF00FF00u}};
  TPNGImage png;
  ASSERT_TRUE(png.SetPixels(px));
  a.V.SetBackgroundBitmap(&png);
  a.V.SetBackgroundStyle(bsTiled);
  ASSERT_EQ(Load(Stored(a.V), b.V), "");
  ASSERT_NE(b.V.BackgroundBitmap(), nullptr);
  EXPECT_EQ(b.V.BackgroundBitmap()->ClassName(), "TBitmap");
  ASSERT_NE(b.V.BackgroundBitmap()->Pixels(), nullptr);
  EXPECT_EQ(b.V.BackgroundBitmap()->Pixels()->Data, px.Data);
  EXPECT_EQ(b.V.BackgroundStyle(), bsTiled);
  EXPECT_EQ(Stored(b.V), Stored(a.V));

  // Bytes that are no bitmap are refused and the picture stays.
  const std::string junk("\x03\0\0\0abc", 7);
  EXPECT_EQ(Load(WithProperty("BackgroundBitmap.Data", [&](TLTPropWriter& w) { w.WriteBinary(junk); }), b.V),
            "Invalid property value");
  EXPECT_NE(b.V.BackgroundBitmap(), nullptr);
}

TEST(LecternProps, RefusesUnknownPropertiesAndWrongValuesAndStaysUsable) {
  PropsViewer p;
  EXPECT_EQ(Load(WithProperty("Bogus", [](TLTPropWriter& w) { w.WriteInteger(1); }), p.V),
            "Property Bogus does not exist");
  EXPECT_EQ(Load(WithProperty("WordWrap", [](TLTPropWriter& w) { w.WriteInteger(0); }), p.V), "Invalid property value");
  EXPECT_EQ(Load(WithProperty("VAlign", [](TLTPropWriter& w) { w.WriteIdent("tlMiddle"); }), p.V),
            "Invalid property value");
  EXPECT_EQ(Load(WithProperty("Cursor", [](TLTPropWriter& w) { w.WriteInteger(40000); }), p.V),
            "Invalid property value");
  EXPECT_TRUE(p.V.WordWrap);
  EXPECT_EQ(p.V.VAlign(), tlTop);

  TLTStyle sheet;
  p.V.SetStyle(&sheet);
  p.V.LTData().AddTextW(u"still works", 0, 0);
  p.V.Format();
  p.Win.Paint();
  EXPECT_EQ(p.V.LTData().DrawItems.Count(), 1);
  EXPECT_EQ(Load(WithProperty("WheelStep", [](TLTPropWriter& w) { w.WriteInteger(4); }), p.V), "");
  EXPECT_EQ(p.V.WheelStep, 4);
}

}  // namespace
}  // namespace lectern
