// Text styles: their published properties, equality under masks, closeness
// scores, selective copying and INI storage.

#include "platform/LTIniFile.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "style/LTStyle.h"
#include "style/LTStyleInternal.h"

#include <array>

namespace lectern {

namespace {

constexpr std::array<std::string_view, 4> kFontStyleNames{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr std::array<std::string_view, 3> kBiDiNames{"ltbdUnspecified", "ltbdLeftToRight", "ltbdRightToLeft"};
constexpr std::array<std::string_view, 1> kHoverNames{"ltheUnderline"};
constexpr std::array<std::string_view, 2> kStyleExNames{"ltfsOverline", "ltfsAllCaps"};
constexpr std::array<std::string_view, 3> kScriptNames{"ltsssNormal", "ltsssSubscript", "ltsssSuperScript"};
constexpr std::array<std::string_view, 2> kTextOptionNames{"ltteoHTMLCode", "ltteoRTFCode"};
constexpr std::array<std::string_view, 13> kProtectNames{
    "ltprStyleProtect",     "ltprStyleSplitProtect", "ltprModifyProtect",    "ltprDeleteProtect", "ltprConcateProtect",
    "ltprLTFInsertProtect", "ltprDoNotAutoSwitch",   "ltprParaStartProtect", "ltprSticking",      "ltprSticking2",
    "ltprSticking3",        "ltprStickToTop",        "ltprStickToBottom"};
constexpr std::array<std::string_view, 13> kUnderlineNames{"ltutNormal",
                                                           "ltutThick",
                                                           "ltutDouble",
                                                           "ltutDotted",
                                                           "ltutThickDotted",
                                                           "ltutDashed",
                                                           "ltutThickDashed",
                                                           "ltutLongDashed",
                                                           "ltutThickLongDashed",
                                                           "ltutDashDotted",
                                                           "ltutThickDashDotted",
                                                           "ltutDashDotDotted",
                                                           "ltutThickDashDotDotted"};
constexpr std::array<std::string_view, 31> kFontInfoPropertyNames{"ltfiFontName",
                                                                  "ltfiSize",
                                                                  "ltfiCharset",
                                                                  "ltfiUnicode",
                                                                  "ltfiBold",
                                                                  "ltfiItalic",
                                                                  "ltfiUnderline",
                                                                  "ltfiStrikeout",
                                                                  "ltfiOverline",
                                                                  "ltfiAllCaps",
                                                                  "ltfiSubSuperScriptType",
                                                                  "ltfiVShift",
                                                                  "ltfiColor",
                                                                  "ltfiBackColor",
                                                                  "ltfiJump",
                                                                  "ltfiHoverBackColor",
                                                                  "ltfiHoverColor",
                                                                  "ltfiHoverUnderline",
                                                                  "ltfiJumpCursor",
                                                                  "ltfiNextStyleNo",
                                                                  "ltfiProtection",
                                                                  "ltfiCharScale",
                                                                  "ltfiBaseStyleNo",
                                                                  "ltfiBiDiMode",
                                                                  "ltfiCharSpacing",
                                                                  "ltfiHTMLCode",
                                                                  "ltfiRTFCode",
                                                                  "ltfiUnderlineType",
                                                                  "ltfiUnderlineColor",
                                                                  "ltfiHoverUnderlineColor",
                                                                  "ltfiCustom"};

const TLTEnumInfo kFontStyleInfo{kFontStyleNames};
const TLTEnumInfo kHoverInfo{kHoverNames};
const TLTEnumInfo kStyleExInfo{kStyleExNames};
const TLTEnumInfo kScriptInfo{kScriptNames};
const TLTEnumInfo kTextOptionInfo{kTextOptionNames};
const TLTEnumInfo kProtectInfo{kProtectNames};
const TLTEnumInfo kUnderlineInfo{kUnderlineNames};
const TLTEnumInfo kFontInfoPropertyInfo{kFontInfoPropertyNames};

constexpr std::array<TLTIniBit, 4> kStyleBits{
    {{fsBold, "Bold"}, {fsUnderline, "Underline"}, {fsStrikeOut, "StrikeOut"}, {fsItalic, "Italic"}}};
constexpr std::array<TLTIniBit, 1> kHoverBits{{{ltheUnderline, "HoverUnderline"}}};
constexpr std::array<TLTIniBit, 2> kStyleExBits{{{ltfsOverline, "Overline"}, {ltfsAllCaps, "Caps"}}};
constexpr std::array<TLTIniBit, 2> kOptionBits{{{ltteoRTFCode, "RTFCode"}, {ltteoHTMLCode, "HTMLCode"}}};

// "Protection" holds the first ten options, as older files do; the rest go
// to "Protection2" so that a round trip keeps them.
constexpr uint16_t kIniProtectionMask = 0x3FF;
constexpr int kIniProtectionShift = 10;

using F = TCustomLTFontInfo;
using FI = TFontInfo;
using B = TCustomLTInfo;

const TLTPropInfo kBaseProps[] = {
    Prop::Int<&B::BaseStyleNo>("BaseStyleNo", -1, "BaseStyleNo"),
    WithStrDefault(Prop::String<&B::StyleName>("StyleName"),
                   [](const TLTPersistent& o) { return static_cast<const TCustomLTInfo&>(o).DefaultStyleName(); }),
    Prop::Bool<&B::Standard>("Standard", true, "Standard"),
    Prop::Int<&B::StyleTemplateId>("StyleTemplateId", -1),
};

const TLTPropInfo kCustomFontProps[] = {
    Prop::Int<&F::Charset>("Charset", 1, "Charset"),
    WithStrDefault(WithIni(Prop::String<&F::FontName>("FontName", "Name"), ltiniAlways),
                   [](const TLTPersistent&) { return TLTString(u"Arial"); }),
    Prop::Int<&F::Size>("Size", 10, "Size"),
    Prop::Set<&F::Style>("Style", kFontStyleInfo, 0, kStyleBits),
    Prop::Int<&F::VShift>("VShift", 0, "VShift"),
    Prop::Color<&F::Color>("Color", clWindowText, "Color"),
    Prop::Color<&F::BackColor>("BackColor", clNone, "BackColor"),
    Prop::Color<&F::HoverBackColor>("HoverBackColor", clNone, "HoverBackColor"),
    Prop::Color<&F::HoverColor>("HoverColor", clNone, "HoverColor"),
    Prop::Set<&F::HoverEffects>("HoverEffects", kHoverInfo, 0, kHoverBits),
    Prop::Set<&F::StyleEx>("StyleEx", kStyleExInfo, 0, kStyleExBits),
    Prop::Bool<&F::Jump>("Jump", false),
    Prop::Cursor<&F::JumpCursor>("JumpCursor", crJump),
    Prop::Int<&F::CharScale>("CharScale", 100, "CharScale"),
    Prop::Int<&F::CharSpacing>("CharSpacing", 0, "CharSpacing"),
    Prop::Enum<&F::BiDiMode>("BiDiMode", TLTStyleEnums::BiDiMode, ltbdUnspecified, "BiDiMode"),
    Prop::Enum<&F::SubSuperScriptType>("SubSuperScriptType", kScriptInfo, ltsssNormal, "Script"),
    Prop::Set<&F::Protection>("Protection", kProtectInfo, 0),
    Prop::Set<&F::Options>("Options", kTextOptionInfo, 0, kOptionBits),
    Prop::Enum<&F::UnderlineType>("UnderlineType", kUnderlineInfo, ltutNormal, "UnderlineType"),
    Prop::Color<&F::UnderlineColor>("UnderlineColor", clNone, "UnderlineColor"),
    Prop::Color<&F::HoverUnderlineColor>("HoverUnderlineColor", clNone, "HoverUnderlineColor"),
};

const TLTPropInfo kFontInfoProps[] = {
    Prop::Int<&FI::NextStyleNo>("NextStyleNo", -1, "NextStyleNo"),
    // Always stored: a reader must not guess the encoding of a style's text.
    WithIni(NoDefault(Prop::Bool<&FI::Unicode>("Unicode", true, "Unicode")), ltiniOwnDefault, 0),
    Prop::Set<&FI::ModifiedProperties>("ModifiedProperties", kFontInfoPropertyInfo, 0),
};

// Older sheets stored one switch for what are now two protection options;
// it is read, never written.
const TLTDefinedProp kCustomFontDefined[] = {
    {.Name = "SingleSymbols",
     .Kind = TLTDefinedKind::Custom,
     .ShouldWrite = [](const TLTPersistent&) { return false; },
     .ReadCustom = [](TLTPersistent& o, TLTPropReader& r) {
       const std::optional<bool> on = r.ReadBoolean();
       if (on) static_cast<F&>(o).SetStoredSingleSymbols(*on);
       return on.has_value();
     }},
};

const TLTClassInfo kCustomFontClass{"TCustomLTFontInfo", &kCustomLTInfoClass, kCustomFontProps, kCustomFontDefined};
const TLTClassInfo kFontInfoClass{"TFontInfo", &kCustomFontClass, kFontInfoProps};

bool Has(TLTFontInfoProperties set, TLTFontInfoProperty p) { return set.Contains(p); }

}  // namespace

const TLTEnumInfo& FontInfoPropertyNames() { return kFontInfoPropertyInfo; }

const TLTEnumInfo TLTStyleEnums::BiDiMode{kBiDiNames};
const TLTClassInfo kCustomLTInfoClass{"TCustomLTInfo", nullptr, kBaseProps};

const TLTClassInfo& TCustomLTInfo::ClassInfo() const { return kCustomLTInfoClass; }
const TLTClassInfo& TCustomLTFontInfo::ClassInfo() const { return kCustomFontClass; }
const TLTClassInfo& TFontInfo::ClassInfo() const { return kFontInfoClass; }

TCustomLTFontInfo::TCustomLTFontInfo() { StyleName = u"Font Style"; }

// Unicode starts true: a style made outside a sheet, or inside a sheet in its
// default state (always the case after construction), stores UTF-16 text.
TFontInfo::TFontInfo() = default;

bool TCustomLTFontInfo::SameAs(const TCustomLTInfo& other, bool /*ignoreReferences*/) const {
  const auto* o = dynamic_cast<const TCustomLTFontInfo*>(&other);
  if (!o) return false;
  if (Size != o->Size || Charset != o->Charset || Style != o->Style || StyleEx != o->StyleEx) return false;
  if (!SameTextFold(FontName, o->FontName)) return false;
  if (VShift != o->VShift || Color != o->Color || BackColor != o->BackColor || Jump != o->Jump) return false;
  if (Jump && (HoverColor != o->HoverColor || HoverEffects != o->HoverEffects || HoverBackColor != o->HoverBackColor ||
               HoverUnderlineColor != o->HoverUnderlineColor || JumpCursor != o->JumpCursor))
    return false;
  if (Protection != o->Protection || Options != o->Options || CharScale != o->CharScale ||
      CharSpacing != o->CharSpacing || BiDiMode != o->BiDiMode || SubSuperScriptType != o->SubSuperScriptType ||
      UnderlineType != o->UnderlineType || UnderlineColor != o->UnderlineColor)
    return false;
  return !CompareStyleNames || StyleName == o->StyleName;
}

bool TFontInfo::SameAs(const TCustomLTInfo& other, bool ignoreReferences) const {
  if (!TCustomLTFontInfo::SameAs(other, ignoreReferences)) return false;
  const auto* o = dynamic_cast<const TFontInfo*>(&other);
  if (!o) return false;
  return Unicode == o->Unicode && ModifiedProperties == o->ModifiedProperties &&
         StyleTemplateId == o->StyleTemplateId && (ignoreReferences || NextStyleNo == o->NextStyleNo);
}

bool TCustomLTFontInfo::SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& /*mapping*/) const {
  return SameAs(incoming, true);
}

bool TFontInfo::SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const {
  if (!SameAs(incoming, true)) return false;
  const auto& in = static_cast<const TFontInfo&>(incoming);
  return MappedReferenceMatches(in.NextStyleNo, NextStyleNo, mapping);
}

int64_t TCustomLTFontInfo::Similarity(const TCustomLTInfo& otherInfo) const {
  const auto* po = dynamic_cast<const TCustomLTFontInfo*>(&otherInfo);
  if (!po) return 0;
  const TCustomLTFontInfo& o = *po;
  int64_t s = ValueSimilarity(o.Size, Size, 10000) + ValueSimilarity(o.VShift, VShift, 1000) +
              ValueSimilarity(o.CharScale, CharScale, 300) + ValueSimilarity(o.CharSpacing, CharSpacing, 1000) +
              ColorSimilarity(o.Color, Color, 3333, 3000) + ColorSimilarity(o.BackColor, BackColor, 10000, 50000);
  if (BiDiMode == o.BiDiMode) s += 1000;
  if (SubSuperScriptType == o.SubSuperScriptType) s += 50000;
  if (SameTextFold(FontName, o.FontName)) s += 10000;
  for (TFontStyle f : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
    if (Style.Contains(f) == o.Style.Contains(f)) s += 50000;
  for (TLTFontStyle f : {ltfsOverline, ltfsAllCaps})
    if (StyleEx.Contains(f) == o.StyleEx.Contains(f)) s += 50000;
  if ((Style.Empty() && StyleEx.Empty()) == (o.Style.Empty() && o.StyleEx.Empty())) s += 50000;
  if (Jump && o.Jump) {
    if (HoverEffects.Contains(ltheUnderline) == o.HoverEffects.Contains(ltheUnderline)) s += 10000;
    if (JumpCursor == o.JumpCursor) s += 5000;
    s += ColorSimilarity(o.HoverColor, HoverColor, 3333, 3000) / 2;
    s += ColorSimilarity(o.HoverBackColor, HoverBackColor, 10000, 50000) / 2;
  }
  if (Protection != o.Protection) s -= 100000;
  for (TLTTextOption f : {ltteoHTMLCode, ltteoRTFCode})
    if (Options.Contains(f) == o.Options.Contains(f)) s += 50000;
  if (Charset == o.Charset)
    s += 50000;
  else if (Charset == 1 || o.Charset == 1)
    s += 12500;
  return s;
}

bool TCustomLTFontInfo::SameExcept(const TCustomLTFontInfo& o, TLTFontInfoProperties ignore) const {
  auto cmp = [&](TLTFontInfoProperty p, bool equal) { return Has(ignore, p) || equal; };
  if (!cmp(ltfiSize, Size == o.Size) || !cmp(ltfiCharset, Charset == o.Charset) ||
      !cmp(ltfiBold, Style.Contains(fsBold) == o.Style.Contains(fsBold)) ||
      !cmp(ltfiItalic, Style.Contains(fsItalic) == o.Style.Contains(fsItalic)) ||
      !cmp(ltfiUnderline, Style.Contains(fsUnderline) == o.Style.Contains(fsUnderline)) ||
      !cmp(ltfiStrikeout, Style.Contains(fsStrikeOut) == o.Style.Contains(fsStrikeOut)) ||
      !cmp(ltfiOverline, StyleEx.Contains(ltfsOverline) == o.StyleEx.Contains(ltfsOverline)) ||
      !cmp(ltfiAllCaps, StyleEx.Contains(ltfsAllCaps) == o.StyleEx.Contains(ltfsAllCaps)) ||
      !cmp(ltfiFontName, SameTextFold(FontName, o.FontName)) || !cmp(ltfiVShift, VShift == o.VShift) ||
      !cmp(ltfiColor, Color == o.Color) || !cmp(ltfiBackColor, BackColor == o.BackColor) ||
      !cmp(ltfiJump, Jump == o.Jump))
    return false;
  if (Jump &&
      (!cmp(ltfiHoverColor, HoverColor == o.HoverColor) ||
       !cmp(ltfiHoverBackColor, HoverBackColor == o.HoverBackColor) ||
       !cmp(ltfiHoverUnderline, HoverEffects.Contains(ltheUnderline) == o.HoverEffects.Contains(ltheUnderline)) ||
       !cmp(ltfiJumpCursor, JumpCursor == o.JumpCursor)))
    return false;
  if (!cmp(ltfiProtection, Protection == o.Protection) ||
      !cmp(ltfiRTFCode, Options.Contains(ltteoRTFCode) == o.Options.Contains(ltteoRTFCode)) ||
      !cmp(ltfiHTMLCode, Options.Contains(ltteoHTMLCode) == o.Options.Contains(ltteoHTMLCode)) ||
      !cmp(ltfiCharScale, CharScale == o.CharScale) || !cmp(ltfiCharSpacing, CharSpacing == o.CharSpacing) ||
      !cmp(ltfiBiDiMode, BiDiMode == o.BiDiMode) ||
      !cmp(ltfiSubSuperScriptType, SubSuperScriptType == o.SubSuperScriptType) ||
      !cmp(ltfiUnderlineType, UnderlineType == o.UnderlineType) ||
      !cmp(ltfiUnderlineColor, UnderlineColor == o.UnderlineColor) ||
      !cmp(ltfiHoverUnderlineColor, HoverUnderlineColor == o.HoverUnderlineColor) ||
      !cmp(ltfiBaseStyleNo, BaseStyleNo == o.BaseStyleNo))
    return false;
  if (StyleTemplateId != o.StyleTemplateId) return false;
  return !CompareStyleNames || StyleName == o.StyleName;
}

bool TFontInfo::SameExcept(const TCustomLTFontInfo& other, TLTFontInfoProperties ignore) const {
  if (!TCustomLTFontInfo::SameExcept(other, ignore)) return false;
  const auto* o = dynamic_cast<const TFontInfo*>(&other);
  if (!o) return true;
  if (!Has(ignore, ltfiUnicode) && Unicode != o->Unicode) return false;
  if (!Has(ignore, ltfiNextStyleNo) && NextStyleNo != o->NextStyleNo) return false;
  return ModifiedProperties == o->ModifiedProperties;
}

void TCustomLTFontInfo::AssignSelected(const TCustomLTFontInfo& s, TLTFontInfoProperties props) {
  auto on = [&](TLTFontInfoProperty p) { return props.Contains(p); };
  if (on(ltfiFontName)) FontName = s.FontName;
  if (on(ltfiSize)) Size = s.Size;
  if (on(ltfiCharset)) Charset = s.Charset;
  if (on(ltfiBold)) Style.Set(fsBold, s.Style.Contains(fsBold));
  if (on(ltfiItalic)) Style.Set(fsItalic, s.Style.Contains(fsItalic));
  if (on(ltfiUnderline)) Style.Set(fsUnderline, s.Style.Contains(fsUnderline));
  if (on(ltfiStrikeout)) Style.Set(fsStrikeOut, s.Style.Contains(fsStrikeOut));
  if (on(ltfiOverline)) StyleEx.Set(ltfsOverline, s.StyleEx.Contains(ltfsOverline));
  if (on(ltfiAllCaps)) StyleEx.Set(ltfsAllCaps, s.StyleEx.Contains(ltfsAllCaps));
  if (on(ltfiSubSuperScriptType)) SubSuperScriptType = s.SubSuperScriptType;
  if (on(ltfiVShift)) VShift = s.VShift;
  if (on(ltfiColor)) Color = s.Color;
  if (on(ltfiBackColor)) BackColor = s.BackColor;
  if (on(ltfiJump)) Jump = s.Jump;
  if (on(ltfiHoverBackColor)) HoverBackColor = s.HoverBackColor;
  if (on(ltfiHoverColor)) HoverColor = s.HoverColor;
  if (on(ltfiHoverUnderline)) HoverEffects.Set(ltheUnderline, s.HoverEffects.Contains(ltheUnderline));
  if (on(ltfiJumpCursor)) JumpCursor = s.JumpCursor;
  if (on(ltfiProtection)) Protection = s.Protection;
  if (on(ltfiCharScale)) CharScale = s.CharScale;
  if (on(ltfiBiDiMode)) BiDiMode = s.BiDiMode;
  if (on(ltfiCharSpacing)) CharSpacing = s.CharSpacing;
  if (on(ltfiHTMLCode)) Options.Set(ltteoHTMLCode, s.Options.Contains(ltteoHTMLCode));
  if (on(ltfiRTFCode)) Options.Set(ltteoRTFCode, s.Options.Contains(ltteoRTFCode));
  if (on(ltfiUnderlineType)) UnderlineType = s.UnderlineType;
  if (on(ltfiUnderlineColor)) UnderlineColor = s.UnderlineColor;
  if (on(ltfiHoverUnderlineColor)) HoverUnderlineColor = s.HoverUnderlineColor;
}

void TCustomLTFontInfo::WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const {
  TCustomLTInfo::WriteToIni(ini, section, pattern);
  TLTIniWriter w(ini, section, pattern);
  // Both are written even at their defaults: a reader tells an old style
  // without hypertext settings from a plain one by the presence of "Jump".
  w.Bool("Jump", Jump, std::nullopt);
  w.Int("JumpCursor", JumpCursor, crJump);
  w.Int("Protection", Protection.ToBits() & kIniProtectionMask, 0);
  w.Int("Protection2", Protection.ToBits() >> kIniProtectionShift, 0);
}

void TCustomLTFontInfo::ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) {
  ReadFromIniEx(ini, section, pattern, false, crJump);
}

void TCustomLTFontInfo::ReadFromIniEx(const TLTIniFile& ini, std::string_view section, std::string_view pattern,
                                      bool defJump, TCursor defJumpCursor) {
  TCustomLTInfo::ReadFromIni(ini, section, pattern);
  TLTIniReader r(ini, section, pattern);
  if (r.Has("Jump")) {
    Jump = r.Bool("Jump", false);
    JumpCursor = static_cast<TCursor>(r.Int("JumpCursor", crJump));
  } else {
    Jump = defJump;
    JumpCursor = defJumpCursor;
  }
  const int64_t low = r.Int("Protection", 0) & kIniProtectionMask;
  const int64_t high = (r.Int("Protection2", 0) << kIniProtectionShift) & ~int64_t{kIniProtectionMask};
  Protection = TLTProtectOptions::FromBits(static_cast<uint16_t>((low | high) & ((1 << (ltprStickToBottom + 1)) - 1)));
  // Older sheets stored one switch for what are now two protection options.
  if (r.Bool("SingleSymbols", false)) Protection.Include(ltprStyleProtect).Include(ltprDoNotAutoSwitch);
}

void TCustomLTFontInfo::Loaded() {
  if (storedSingleSymbols_) Protection.Include(ltprStyleProtect).Include(ltprDoNotAutoSwitch);
  storedSingleSymbols_ = false;
}

void TFontInfo::ForEachStyleReference(const std::function<void(int32_t& ref)>& f) {
  TCustomLTInfo::ForEachStyleReference(f);
  f(NextStyleNo);
}

}  // namespace lectern
