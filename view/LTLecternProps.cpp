// The viewer's published settings: the table the property stream walks to
// store a viewer and read it back. Properties are listed alphabetically, so
// the byte order of a stored viewer stays put when a property is added.
//
// TLectern reaches TLTPersistent through a second base, so the generic
// member accessors of the property tables (which cast to the member's own
// class) cannot be used; the accessors here cast to TLectern first.

#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "style/LTPropStream.h"
#include "view/CLectern.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace lectern {

namespace {

constexpr std::array<std::string_view, 3> kAnimationNames{"ltaniDisabled", "ltaniManualStart", "ltaniOnFormat"};
constexpr std::array<std::string_view, 9> kBackgroundNames{"bsNoBitmap",         "bsStretched",  "bsTiled",
                                                           "bsTiledAndScrolled", "bsCentered",   "bsTopLeft",
                                                           "bsTopRight",         "bsBottomLeft", "bsBottomRight"};
constexpr std::array<std::string_view, 3> kBiDiNames{"ltbdUnspecified", "ltbdLeftToRight", "ltbdRightToLeft"};
constexpr std::array<std::string_view, 2> kBorderNames{"bsNone", "bsSingle"};
constexpr std::array<std::string_view, 3> kCPEventNames{"cpeNone", "cpeAsSectionStart", "cpeWhenVisible"};
constexpr std::array<std::string_view, 4> kPaletteNames{"ltpaDoNothing", "ltpaAssignPalette", "ltpaCreateCopies",
                                                        "ltpaCreateCopiesEx"};
constexpr std::array<std::string_view, 3> kTabNavigationNames{"lttnNone", "lttnTab", "lttnCtrlTab"};
constexpr std::array<std::string_view, 3> kVAlignNames{"tlTop", "tlCenter", "tlBottom"};
constexpr std::array<std::string_view, 3> kStyleModeNames{"ltf_sIgnore", "ltf_sInsertMap", "ltf_sInsertMerge"};
constexpr std::array<std::string_view, 19> kOptionNames{
    "ltoAllowSelection",  "ltoSingleClick",         "ltoScrollToEnd",           "ltoClientTextWidth",
    "ltoShowCheckpoints", "ltoShowPageBreaks",      "ltoShowSpecialCharacters", "ltoTagsArePChars",
    "ltoAutoCopyText",    "ltoAutoCopyUnicodeText", "ltoAutoCopyLTF",           "ltoAutoCopyImage",
    "ltoAutoCopyRTF",     "ltoFormatInvalidate",    "ltoDblClickSelectsWord",   "ltoRClickDeselects",
    "ltoDisallowDrag",    "ltoShowItemHints",       "ltoFastFormatting"};
constexpr std::array<std::string_view, 16> kLTFOptionNames{"ltfoSavePicturesBody",
                                                           "ltfoSaveControlsBody",
                                                           "ltfoIgnoreUnknownPicFmt",
                                                           "ltfoIgnoreUnknownCtrls",
                                                           "ltfoConvUnknownStylesToZero",
                                                           "ltfoConvLargeImageIdxToZero",
                                                           "ltfoSaveBinary",
                                                           "ltfoUseStyleNames",
                                                           "ltfoSaveBack",
                                                           "ltfoLoadBack",
                                                           "ltfoSaveTextStyles",
                                                           "ltfoSaveParaStyles",
                                                           "ltfoSaveLayout",
                                                           "ltfoLoadLayout",
                                                           "ltfoSaveDocProperties",
                                                           "ltfoLoadDocProperties"};
constexpr std::array<std::string_view, 10> kRTFOptionNames{
    "ltrtfSaveStyleSheet",    "ltrtfDuplicateUnicode",   "ltrtfSaveEMFAsWMF",   "ltrtfSaveJpegAsJpeg",
    "ltrtfSaveBitmapDefault", "ltrtfSaveEMFDefault",     "ltrtfSavePicturesBinary", "ltrtfPNGInsteadOfBitmap",
    "ltrtfSaveDocParameters", "ltrtfSaveHeaderFooter"};

// The names are looked up by ordinal, so each list must cover its enumeration.
static_assert(kOptionNames.size() == ltoFastFormatting + 1);
static_assert(kLTFOptionNames.size() == ltfoLoadDocProperties + 1);
static_assert(kRTFOptionNames.size() == ltrtfSaveHeaderFooter + 1);
static_assert(kBackgroundNames.size() == bsBottomRight + 1);
static_assert(kPaletteNames.size() == ltpaCreateCopiesEx + 1);

const TLTEnumInfo kAnimationInfo{kAnimationNames};
const TLTEnumInfo kBackgroundInfo{kBackgroundNames};
const TLTEnumInfo kBiDiInfo{kBiDiNames};
const TLTEnumInfo kBorderInfo{kBorderNames};
const TLTEnumInfo kCPEventInfo{kCPEventNames};
const TLTEnumInfo kPaletteInfo{kPaletteNames};
const TLTEnumInfo kTabNavigationInfo{kTabNavigationNames};
const TLTEnumInfo kVAlignInfo{kVAlignNames};
const TLTEnumInfo kStyleModeInfo{kStyleModeNames};
const TLTEnumInfo kOptionInfo{kOptionNames};
const TLTEnumInfo kLTFOptionInfo{kLTFOptionNames};
const TLTEnumInfo kRTFOptionInfo{kRTFOptionNames};

TLectern& Viewer(TLTPersistent& o) { return static_cast<TLectern&>(o); }
const TLectern& Viewer(const TLTPersistent& o) { return static_cast<const TLectern&>(o); }

// A public field of the control or of its scroller.
template <auto M>
struct Field {
  using T = typename detail::Member<M>::Type;
  static int64_t Get(const TLTPersistent& o) { return detail::ToOrd(Viewer(o).*M); }
  static void Set(TLTPersistent& o, int64_t v) { Viewer(o).*M = detail::FromOrd<T>(v); }
};

template <class F>
struct SetterArg;
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
  using Type = std::remove_cvref_t<A>;
};

// A setting behind a getter and a setter, which may repaint or move the
// scroll bar.
template <auto Getter, auto Setter>
struct Accessor {
  using T = typename SetterArg<decltype(Setter)>::Type;
  static int64_t Get(const TLTPersistent& o) { return detail::ToOrd((Viewer(o).*Getter)()); }
  static void Set(TLTPersistent& o, int64_t v) { (Viewer(o).*Setter)(detail::FromOrd<T>(v)); }
};

// A setting the control keeps in its document's shared context.
template <auto M>
struct ContextField {
  using T = typename detail::Member<M>::Type;
  static TLTDocumentContext& Ctx(const TLTPersistent& o) { return *Viewer(o).LTData().GetContext(); }
  static int64_t Get(const TLTPersistent& o) { return detail::ToOrd(Ctx(o).*M); }
  static void Set(TLTPersistent& o, int64_t v) { Ctx(o).*M = detail::FromOrd<T>(v); }
};

template <class A>
constexpr TLTPropInfo Ordinal(TLTPropKind kind, std::string_view name, int64_t def,
                              const TLTEnumInfo* names = nullptr) {
  TLTPropInfo p;
  p.Name = name;
  p.Kind = kind;
  p.Names = names;
  p.Default = def;
  p.GetOrd = &A::Get;
  p.SetOrd = &A::Set;
  return p;
}

template <class A>
constexpr TLTPropInfo Int(std::string_view name, int64_t def) {
  return Ordinal<A>(TLTPropKind::Integer, name, def);
}
template <class A>
constexpr TLTPropInfo Bool(std::string_view name, bool def) {
  return Ordinal<A>(TLTPropKind::Boolean, name, def ? 1 : 0);
}
template <class A>
constexpr TLTPropInfo Enum(std::string_view name, const TLTEnumInfo& names, int64_t def) {
  return Ordinal<A>(TLTPropKind::Enum, name, def, &names);
}
template <class A>
constexpr TLTPropInfo Set(std::string_view name, const TLTEnumInfo& names, int64_t def) {
  return Ordinal<A>(TLTPropKind::Set, name, def, &names);
}

// Views of single options: readable from a stream, never written, since
// Options carries them.
template <TLTOption Option>
struct OptionBit {
  static int64_t Get(const TLTPersistent& o) { return Viewer(o).Options().Contains(Option) ? 1 : 0; }
  static void Set(TLTPersistent& o, int64_t v) {
    TLTOptions options = Viewer(o).Options();
    Viewer(o).SetOptions(options.Set(Option, v != 0));
  }
};
template <TLTOption Option>
constexpr TLTPropInfo OptionView(std::string_view name) {
  TLTPropInfo p = Ordinal<OptionBit<Option>>(TLTPropKind::Boolean, name, LTDefaultOptions.Contains(Option) ? 1 : 0);
  p.Stored = false;
  return p;
}

template <TLTString TCustomLectern::*M>
constexpr TLTPropInfo String(std::string_view name, TLTString (*def)(const TLTPersistent&) = nullptr) {
  TLTPropInfo p;
  p.Name = name;
  p.Kind = TLTPropKind::String;
  p.GetStr = [](const TLTPersistent& o) { return Viewer(o).*M; };
  p.SetStr = [](TLTPersistent& o, const TLTString& v) { Viewer(o).*M = v; };
  p.StrDefault = def;
  return p;
}

TLTString DefaultDelimiters(const TLTPersistent&) { return TLTString(LTDefaultDelimiters); }

using V = TCustomLectern;
using S = TLTScroller;
const TLTPropInfo kViewerProps[] = {
    OptionView<ltoAllowSelection>("AllowSelection"),
    Enum<Field<&V::AnimationMode>>("AnimationMode", kAnimationInfo, ltaniManualStart),
    Enum<Accessor<&V::BackgroundStyle, &V::SetBackgroundStyle>>("BackgroundStyle", kBackgroundInfo, bsNoBitmap),
    Enum<Accessor<&V::BiDiMode, &V::SetBiDiMode>>("BiDiMode", kBiDiInfo, ltbdUnspecified),
    Enum<Field<&V::BorderStyle>>("BorderStyle", kBorderInfo, bsSingle),
    Int<Field<&V::BottomMargin>>("BottomMargin", 5),
    Ordinal<Accessor<&V::Color, &V::SetColor>>(TLTPropKind::Color, "Color", clNone),
    Enum<Field<&V::CPEventKind>>("CPEventKind", kCPEventInfo, cpeNone),
    Ordinal<Field<&V::Cursor>>(TLTPropKind::Cursor, "Cursor", crDefault),
    String<&V::Delimiters>("Delimiters", &DefaultDelimiters),
    Enum<Field<&V::DoInPaletteMode>>("DoInPaletteMode", kPaletteInfo, ltpaCreateCopies),
    Int<Accessor<&V::FirstJumpNo, &V::SetFirstJumpNo>>("FirstJumpNo", 0),
    String<&V::Hint>("Hint"),
    Bool<Accessor<&S::HScrollVisible, &S::SetHScrollVisible>>("HScrollVisible", true),
    Int<Field<&V::LeftMargin>>("LeftMargin", 5),
    Set<Accessor<&V::LTFOptions, &V::SetLTFOptions>>("LTFOptions", kLTFOptionInfo, LTDefaultLTFOptions.ToBits()),
    Enum<ContextField<&TLTDocumentContext::LTFParaStylesReadMode>>("LTFParaStylesReadMode", kStyleModeInfo,
                                                                   ltf_sInsertMerge),
    Enum<ContextField<&TLTDocumentContext::LTFTextStylesReadMode>>("LTFTextStylesReadMode", kStyleModeInfo,
                                                                   ltf_sInsertMerge),
    Int<Field<&V::MaxLength>>("MaxLength", 0),
    Int<Field<&V::MaxTextWidth>>("MaxTextWidth", 0),
    Int<Field<&V::MinTextWidth>>("MinTextWidth", 0),
    Set<Accessor<&V::Options, &V::SetOptions>>("Options", kOptionInfo, LTDefaultOptions.ToBits()),
    Int<Field<&V::RightMargin>>("RightMargin", 5),
    Set<ContextField<&TLTDocumentContext::RTFOptions>>("RTFOptions", kRTFOptionInfo, LTDefaultRTFOptions.ToBits()),
    OptionView<ltoSingleClick>("SingleClick"),
    Enum<Field<&V::TabNavigation>>("TabNavigation", kTabNavigationInfo, lttnTab),
    Int<Field<&V::TopMargin>>("TopMargin", 5),
    Bool<Field<&S::Tracking>>("Tracking", true),
    Enum<Accessor<&V::VAlign, &V::SetVAlign>>("VAlign", kVAlignInfo, tlTop),
    Bool<Accessor<&S::VScrollVisible, &S::SetVScrollVisible>>("VScrollVisible", true),
    Int<Field<&S::WheelStep>>("WheelStep", 2),
    Bool<Field<&V::WordWrap>>("WordWrap", true),
};

// ---- The background bitmap ---------------------------------------------------------
// Stored as "BackgroundBitmap.Data": a 4-byte length and the BMP file. The
// setting holds a bitmap; another kind of picture is stored as the bitmap
// of its pixels, and one without pixels (a metafile) cannot be stored.

std::string BitmapBytes(const TGraphic& g) {
  TLTMemoryStream m;
  if (dynamic_cast<const TBitmap*>(&g)) {
    g.SaveToStream(m);
  } else if (const TLTPixels* px = g.Pixels()) {
    TBitmap b;
    b.SetPixels(*px);
    b.SaveToStream(m);
  }
  return m.TakeData();
}

bool HasStorableBitmap(const TLTPersistent& o) {
  const TGraphic* g = Viewer(o).BackgroundBitmap();
  return g && !g->Empty() && (dynamic_cast<const TBitmap*>(g) || g->Pixels());
}

void WriteBitmap(const TLTPersistent& o, TLTPropWriter& w) {
  const std::string bmp = BitmapBytes(*Viewer(o).BackgroundBitmap());
  std::string data;
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((bmp.size() >> (8 * i)) & 0xFF));
  w.WriteBinary(data + bmp);
}

// A length that disagrees with the bytes, or bytes that are no bitmap,
// refuse the stream and keep the current picture.
bool ReadBitmap(TLTPersistent& o, TLTPropReader& r) {
  const auto data = r.ReadBinary();
  if (!data || data->size() < 4) return false;
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= uint32_t{static_cast<unsigned char>((*data)[static_cast<size_t>(i)])} << (8 * i);
  if (n != data->size() - 4) return false;
  if (n == 0) {
    Viewer(o).SetBackgroundBitmap(nullptr);
    return true;
  }
  TBitmap bmp;
  TLTMemoryStream m{data->substr(4)};
  if (!bmp.LoadFromStream(m)) return false;
  Viewer(o).SetBackgroundBitmap(&bmp);
  return true;
}

const TLTDefinedProp kViewerDefined[] = {
    {"BackgroundBitmap.Data", TLTDefinedKind::Custom, &HasStorableBitmap, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, &WriteBitmap, &ReadBitmap},
};

const TLTClassInfo kViewerClass{"TLectern", nullptr, kViewerProps, kViewerDefined};

}  // namespace

const TLTClassInfo& TLectern::ClassInfo() const { return kViewerClass; }

}  // namespace lectern
