// Paragraph styles with their borders, backgrounds and tab stops: published
// properties, equality under masks, closeness scores, selective copying and
// INI storage.

#include "platform/LTIniFile.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"
#include "style/LTStyleInternal.h"

#include <algorithm>
#include <array>

namespace lectern {

namespace {

constexpr std::array<std::string_view, 4> kAlignNames{"ltaLeft", "ltaRight", "ltaCenter", "ltaJustify"};
constexpr std::array<std::string_view, 4> kLineSpacingNames{"ltlsPercent", "ltlsSpaceBetween", "ltlsLineHeightAtLeast",
                                                            "ltlsLineHeightExact"};
constexpr std::array<std::string_view, 7> kParaOptionNames{"ltpaoNoWrap",
                                                           "ltpaoReadOnly",
                                                           "ltpaoStyleProtect",
                                                           "ltpaoDoNotWantReturns",
                                                           "ltpaoKeepLinesTogether",
                                                           "ltpaoKeepWithNext",
                                                           "ltpaoWidowOrphanControl"};
constexpr std::array<std::string_view, 6> kBorderStyleNames{"ltbNone",   "ltbSingle",      "ltbDouble",
                                                            "ltbTriple", "ltbThickInside", "ltbThickOutside"};
constexpr std::array<std::string_view, 3> kTabAlignNames{"lttaLeft", "lttaRight", "lttaCenter"};
constexpr std::array<std::string_view, 36> kParaPropertyNames{"ltpiFirstIndent",
                                                              "ltpiLeftIndent",
                                                              "ltpiRightIndent",
                                                              "ltpiSpaceBefore",
                                                              "ltpiSpaceAfter",
                                                              "ltpiAlignment",
                                                              "ltpiNextParaNo",
                                                              "ltpiDefStyleNo",
                                                              "ltpiLineSpacing",
                                                              "ltpiLineSpacingType",
                                                              "ltpiBackground_Color",
                                                              "ltpiBackground_BO_Left",
                                                              "ltpiBackground_BO_Top",
                                                              "ltpiBackground_BO_Right",
                                                              "ltpiBackground_BO_Bottom",
                                                              "ltpiBorder_Color",
                                                              "ltpiBorder_Style",
                                                              "ltpiBorder_Width",
                                                              "ltpiBorder_InternalWidth",
                                                              "ltpiBorder_BO_Left",
                                                              "ltpiBorder_BO_Top",
                                                              "ltpiBorder_BO_Right",
                                                              "ltpiBorder_BO_Bottom",
                                                              "ltpiBorder_Vis_Left",
                                                              "ltpiBorder_Vis_Top",
                                                              "ltpiBorder_Vis_Right",
                                                              "ltpiBorder_Vis_Bottom",
                                                              "ltpiNoWrap",
                                                              "ltpiReadOnly",
                                                              "ltpiStyleProtect",
                                                              "ltpiDoNotWantReturns",
                                                              "ltpiKeepLinesTogether",
                                                              "ltpiKeepWithNext",
                                                              "ltpiTabs",
                                                              "ltpiBiDiMode",
                                                              "ltpiCustom"};

// The two modified-property sets are stored apart: members 0..26 and 27..34.
constexpr int kModified2First = ltpiNoWrap;
constexpr uint64_t kModified1Mask = (uint64_t{1} << kModified2First) - 1;
constexpr uint64_t kModified2Mask = 0xFF;

const TLTEnumInfo kAlignInfo{kAlignNames};
const TLTEnumInfo kLineSpacingInfo{kLineSpacingNames};
const TLTEnumInfo kParaOptionInfo{kParaOptionNames};
const TLTEnumInfo kBorderStyleInfo{kBorderStyleNames};
const TLTEnumInfo kTabAlignInfo{kTabAlignNames};
const TLTEnumInfo kModified1Info{std::span(kParaPropertyNames).first(kModified2First)};
const TLTEnumInfo kModified2Info{std::span(kParaPropertyNames).subspan(kModified2First, 8)};

constexpr std::array<TLTIniBit, 6> kParaOptionBits{{{ltpaoNoWrap, "NoWrap"},
                                                    {ltpaoReadOnly, "ReadOnly"},
                                                    {ltpaoStyleProtect, "StyleProtect"},
                                                    {ltpaoDoNotWantReturns, "DoNotWantReturns"},
                                                    {ltpaoKeepLinesTogether, "KeepLinesTogether"},
                                                    {ltpaoKeepWithNext, "KeepWithNext"}}};

const TLTPropInfo kRectProps[] = {
    Prop::Int<&TLTRect::Left>("Left", 0, "Left"),
    Prop::Int<&TLTRect::Right>("Right", 0, "Right"),
    Prop::Int<&TLTRect::Top>("Top", 0, "Top"),
    Prop::Int<&TLTRect::Bottom>("Bottom", 0, "Bottom"),
};
const TLTPropInfo kBoolRectProps[] = {
    Prop::Bool<&TLTBooleanRect::Left>("Left", true, "Left"),
    Prop::Bool<&TLTBooleanRect::Right>("Right", true, "Right"),
    Prop::Bool<&TLTBooleanRect::Top>("Top", true, "Top"),
    Prop::Bool<&TLTBooleanRect::Bottom>("Bottom", true, "Bottom"),
};
const TLTPropInfo kBorderProps[] = {
    Prop::Color<&TLTBorder::Color>("Color", clWindowText, "Color"),
    Prop::Enum<&TLTBorder::Style>("Style", kBorderStyleInfo, ltbNone, "Style"),
    Prop::Int<&TLTBorder::Width>("Width", 1, "Width"),
    Prop::Int<&TLTBorder::InternalWidth>("InternalWidth", 1, "InternalWidth"),
    Prop::Object<&TLTBorder::VisibleBorders>("VisibleBorders", "Visible"),
    Prop::Object<&TLTBorder::BorderOffsets>("BorderOffsets", "Offsets"),
};
const TLTPropInfo kBackgroundProps[] = {
    Prop::Color<&TLTBackgroundRect::Color>("Color", clNone, "Color"),
    Prop::Object<&TLTBackgroundRect::BorderOffsets>("BorderOffsets", "Offsets"),
};

TLTPropInfo TabPositionProp() {
  TLTPropInfo p;
  p.Name = "Position";
  p.Kind = TLTPropKind::Integer;
  p.HasDefault = false;
  p.GetOrd = [](const TLTPersistent& o) -> int64_t { return static_cast<const TLTTabInfo&>(o).Position(); };
  p.SetOrd = [](TLTPersistent& o, int64_t v) { static_cast<TLTTabInfo&>(o).SetPosition(static_cast<int32_t>(v)); };
  return p;
}

const TLTPropInfo kTabProps[] = {
    Prop::Enum<&TLTTabInfo::Align>("Align", kTabAlignInfo, lttaLeft),
    TabPositionProp(),
    Prop::String<&TLTTabInfo::Leader>("Leader"),
};

using P = TCustomLTParaInfo;
using PI = TParaInfo;

const TLTPropInfo kCustomParaProps[] = {
    Prop::Int<&P::FirstIndent>("FirstIndent", 0, "FirstIndent"),
    Prop::Int<&P::LeftIndent>("LeftIndent", 0, "LeftIndent"),
    Prop::Int<&P::RightIndent>("RightIndent", 0, "RightIndent"),
    Prop::Int<&P::SpaceBefore>("SpaceBefore", 0, "SpaceBefore"),
    Prop::Int<&P::SpaceAfter>("SpaceAfter", 0, "SpaceAfter"),
    Prop::Enum<&P::Alignment>("Alignment", kAlignInfo, ltaLeft, "Alignment"),
    Prop::Object<&P::Border>("Border", "Border"),
    Prop::Object<&P::Background>("Background", "Background"),
    Prop::Int<&P::LineSpacing>("LineSpacing", 100, "LineSpacing"),
    Prop::Enum<&P::LineSpacingType>("LineSpacingType", kLineSpacingInfo, ltlsPercent, "LSType"),
    Prop::Set<&P::Options>("Options", kParaOptionInfo, 0, kParaOptionBits),
    Prop::Enum<&P::BiDiMode>("BiDiMode", TLTStyleEnums::BiDiMode, ltbdUnspecified, "BiDiMode"),
    Prop::Collection<&P::Tabs>("Tabs"),
};

TLTPropInfo ModifiedProp(bool second) {
  TLTPropInfo p;
  p.Name = second ? "ModifiedProperties2" : "ModifiedProperties1";
  p.Kind = TLTPropKind::Set;
  p.Names = second ? &kModified2Info : &kModified1Info;
  if (second) {
    p.GetOrd = [](const TLTPersistent& o) -> int64_t {
      return static_cast<int64_t>((static_cast<const PI&>(o).ModifiedProperties.ToBits() >> kModified2First) &
                                  kModified2Mask);
    };
    p.SetOrd = [](TLTPersistent& o, int64_t v) {
      auto& m = static_cast<PI&>(o).ModifiedProperties;
      m = TLTParaInfoProperties::FromBits((m.ToBits() & kModified1Mask) |
                                          ((static_cast<uint64_t>(v) & kModified2Mask) << kModified2First));
    };
  } else {
    p.GetOrd = [](const TLTPersistent& o) -> int64_t {
      return static_cast<int64_t>(static_cast<const PI&>(o).ModifiedProperties.ToBits() & kModified1Mask);
    };
    p.SetOrd = [](TLTPersistent& o, int64_t v) {
      auto& m = static_cast<PI&>(o).ModifiedProperties;
      m = TLTParaInfoProperties::FromBits((m.ToBits() & ~kModified1Mask) | (static_cast<uint64_t>(v) & kModified1Mask));
    };
  }
  return p;
}

const TLTPropInfo kParaInfoProps[] = {
    Prop::Int<&PI::NextParaNo>("NextParaNo", -1, "NextParaNo"),
    Prop::Int<&PI::DefStyleNo>("DefStyleNo", -1, "DefStyleNo"),
    ModifiedProp(false),
    ModifiedProp(true),
};

const TLTClassInfo kRectClass{"TLTRect", nullptr, kRectProps};
const TLTClassInfo kBoolRectClass{"TLTBooleanRect", nullptr, kBoolRectProps};
const TLTClassInfo kBorderClass{"TLTBorder", nullptr, kBorderProps};
const TLTClassInfo kBackgroundClass{"TLTBackgroundRect", nullptr, kBackgroundProps};
const TLTClassInfo kTabClass{"TLTTabInfo", nullptr, kTabProps};
const TLTClassInfo kTabsClass{"TLTTabInfos", nullptr, {}};
const TLTClassInfo kCustomParaClass{"TCustomLTParaInfo", &kCustomLTInfoClass, kCustomParaProps};
const TLTClassInfo kParaInfoClass{"TParaInfo", &kCustomParaClass, kParaInfoProps};

bool Has(TLTParaInfoProperties set, TLTParaInfoProperty p) { return set.Contains(p); }

// Closeness of one side's offset, counted only where both borders show it.
int64_t SideOffsetSimilarity(bool showsA, bool showsB, int32_t a, int32_t b) {
  return showsA && showsB ? ValueSimilarity(a, b, 100) : 0;
}

}  // namespace

const TLTEnumInfo& ParaPropertyNames(bool second) {
  static const TLTEnumInfo first{std::span(kParaPropertyNames).first(kParaSecondSetFirst)};
  static const TLTEnumInfo rest{std::span(kParaPropertyNames).subspan(kParaSecondSetFirst)};
  return second ? rest : first;
}

const TLTClassInfo& TLTRect::ClassInfo() const { return kRectClass; }
const TLTClassInfo& TLTBooleanRect::ClassInfo() const { return kBoolRectClass; }
const TLTClassInfo& TLTBorder::ClassInfo() const { return kBorderClass; }
const TLTClassInfo& TLTBackgroundRect::ClassInfo() const { return kBackgroundClass; }
const TLTClassInfo& TLTTabInfo::ClassInfo() const { return kTabClass; }
const TLTClassInfo& TLTTabInfos::ClassInfo() const { return kTabsClass; }
const TLTClassInfo& TCustomLTParaInfo::ClassInfo() const { return kCustomParaClass; }
const TLTClassInfo& TParaInfo::ClassInfo() const { return kParaInfoClass; }

// ---- Border ------------------------------------------------------------------

bool TLTBorder::operator==(const TLTBorder& o) const {
  return Style == o.Style && Color == o.Color && Width == o.Width && InternalWidth == o.InternalWidth &&
         BorderOffsets == o.BorderOffsets && VisibleBorders == o.VisibleBorders;
}

int32_t TLTBorder::TotalWidth() const {
  switch (Style) {
    case ltbSingle:
      return Width;
    case ltbDouble:
      return 2 * Width + InternalWidth;
    case ltbTriple:
      return 3 * Width + 2 * InternalWidth;
    case ltbThickInside:
    case ltbThickOutside:
      return 3 * Width + InternalWidth;
    case ltbNone:
      break;
  }
  return 0;
}

int64_t TLTBorder::Similarity(const TLTBorder& o) const {
  const bool a[4] = {Style != ltbNone && VisibleBorders.Left, Style != ltbNone && VisibleBorders.Top,
                     Style != ltbNone && VisibleBorders.Right, Style != ltbNone && VisibleBorders.Bottom};
  const bool b[4] = {o.Style != ltbNone && o.VisibleBorders.Left, o.Style != ltbNone && o.VisibleBorders.Top,
                     o.Style != ltbNone && o.VisibleBorders.Right, o.Style != ltbNone && o.VisibleBorders.Bottom};
  int k = 0;
  int64_t s = 0;
  for (int i = 0; i < 4; ++i) {
    if (a[i] && b[i]) ++k;
    if (!a[i] && !b[i]) s += 20000;
    if (a[i] != b[i]) s -= 20000;
  }
  if (k > 0) {
    const int64_t common = ColorSimilarity(Color, o.Color, 3333, 3000) + ValueSimilarity(Width, o.Width, 1000) +
                           ValueSimilarity(InternalWidth, o.InternalWidth, 1000) + (Style == o.Style ? 1000 : 0);
    s += common * k;
  }
  s += SideOffsetSimilarity(a[0], b[0], BorderOffsets.Left, o.BorderOffsets.Left);
  s += SideOffsetSimilarity(a[1], b[1], BorderOffsets.Top, o.BorderOffsets.Top);
  s += SideOffsetSimilarity(a[2], b[2], BorderOffsets.Right, o.BorderOffsets.Right);
  s += SideOffsetSimilarity(a[3], b[3], BorderOffsets.Bottom, o.BorderOffsets.Bottom);
  return s;
}

// ---- Tabs --------------------------------------------------------------------

void TLTTabInfo::SetPosition(int32_t value) {
  if (position_ == value) return;
  position_ = value;
  if (owner_) owner_->Reposition(*this);
}

TLTString TLTTabInfo::DisplayName() const {
  static constexpr std::u16string_view kAlign[] = {u"Left", u"Right", u"Center"};
  TLTString s(kAlign[Align <= lttaCenter ? Align : 0]);
  s += u" at ";
  s += Utf8ToUtf16(IntToStr(position_));
  if (!Leader.empty()) {
    s += u" (";
    for (int i = 0; i < 6; ++i) s += Leader;
    s += u")";
  }
  return s;
}

TLTTabInfo& TLTTabInfos::Add() {
  auto tab = std::make_unique<TLTTabInfo>();
  tab->owner_ = this;
  TLTTabInfo& ref = *tab;
  items_.push_back(std::move(tab));
  Reposition(ref);
  return ref;
}

void TLTTabInfos::Reposition(TLTTabInfo& tab) {
  // A stop that moves goes after the stops already at its position, so that
  // copies and stored lists keep their order.
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == &tab; });
  if (it == items_.end()) return;
  std::unique_ptr<TLTTabInfo> moving = std::move(*it);
  items_.erase(it);
  const auto at = std::upper_bound(items_.begin(), items_.end(), moving->position_,
                                   [](int32_t pos, const auto& p) { return pos < p->position_; });
  items_.insert(at, std::move(moving));
}

TLTTabInfo& TLTTabInfos::Add(int32_t position, TLTTabAlign align, TLTString leader) {
  TLTTabInfo& t = Add();
  t.Align = align;
  t.Leader = std::move(leader);
  t.SetPosition(position);
  return t;
}

void TLTTabInfos::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

void TLTTabInfos::Assign(const TLTTabInfos& other) {
  if (&other == this) return;
  items_.clear();
  for (const auto& t : other.items_) Add(t->position_, t->Align, t->Leader);
}

bool TLTTabInfos::operator==(const TLTTabInfos& other) const {
  if (Count() != other.Count()) return false;
  for (size_t i = 0; i < items_.size(); ++i)
    if (!(*items_[i] == *other.items_[i])) return false;
  return true;
}

// ---- Paragraph styles ----------------------------------------------------------

TParaInfo::TParaInfo() = default;

bool TCustomLTParaInfo::HasNonDefaultLineSpacing() const {
  return LineSpacingType == ltlsPercent ? LineSpacing != 100 : LineSpacing > 0;
}

bool TCustomLTParaInfo::SameAs(const TCustomLTInfo& other, bool /*ignoreReferences*/) const {
  const auto* o = dynamic_cast<const TCustomLTParaInfo*>(&other);
  if (!o) return false;
  return Alignment == o->Alignment && FirstIndent == o->FirstIndent && LeftIndent == o->LeftIndent &&
         RightIndent == o->RightIndent && SpaceBefore == o->SpaceBefore && SpaceAfter == o->SpaceAfter &&
         LineSpacing == o->LineSpacing && LineSpacingType == o->LineSpacingType && Options == o->Options &&
         BiDiMode == o->BiDiMode && Background == o->Background && Tabs == o->Tabs && Border == o->Border &&
         (!CompareStyleNames || StyleName == o->StyleName);
}

bool TParaInfo::SameAs(const TCustomLTInfo& other, bool ignoreReferences) const {
  if (!TCustomLTParaInfo::SameAs(other, ignoreReferences)) return false;
  const auto* o = dynamic_cast<const TParaInfo*>(&other);
  if (!o) return false;
  return ModifiedProperties == o->ModifiedProperties && StyleTemplateId == o->StyleTemplateId &&
         (ignoreReferences || (NextParaNo == o->NextParaNo && DefStyleNo == o->DefStyleNo));
}

bool TCustomLTParaInfo::SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& /*mapping*/) const {
  return SameAs(incoming, true);
}

bool TParaInfo::SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const {
  if (!SameAs(incoming, true)) return false;
  return MappedReferenceMatches(static_cast<const TParaInfo&>(incoming).NextParaNo, NextParaNo, mapping);
}

int64_t TCustomLTParaInfo::Similarity(const TCustomLTInfo& otherInfo) const {
  const auto* po = dynamic_cast<const TCustomLTParaInfo*>(&otherInfo);
  if (!po) return 0;
  const TCustomLTParaInfo& o = *po;
  int64_t s = ValueSimilarity(FirstIndent, o.FirstIndent, 1000) + ValueSimilarity(LeftIndent, o.LeftIndent, 1000) +
              ValueSimilarity(RightIndent, o.RightIndent, 1000) + ValueSimilarity(SpaceBefore, o.SpaceBefore, 1000) +
              ValueSimilarity(SpaceAfter, o.SpaceAfter, 1000);
  s += ColorSimilarity(Background.Color, o.Background.Color, 10000, 50000);
  const TLTRect& ba = Background.BorderOffsets;
  const TLTRect& bb = o.Background.BorderOffsets;
  s += ValueSimilarity(ba.Left, bb.Left, 100) + ValueSimilarity(ba.Top, bb.Top, 100) +
       ValueSimilarity(ba.Right, bb.Right, 100) + ValueSimilarity(ba.Bottom, bb.Bottom, 100);
  const int p = Tabs.Count();
  const int q = o.Tabs.Count();
  const int n = std::min(p, q);
  for (int i = 0; i < n; ++i) {
    const TLTTabInfo& ta = Tabs[i];
    const TLTTabInfo& tb = o.Tabs[i];
    s += ValueSimilarity(ta.Position(), tb.Position(), 200);
    if (ta.Align == tb.Align) s += 100;
    if (ta.Leader == tb.Leader) s += 50;
  }
  s += int64_t{800} * n - int64_t{400} * p - int64_t{400} * q;
  s += Border.Similarity(o.Border);
  if (Alignment == o.Alignment) s += 50000;
  if (BiDiMode == o.BiDiMode) s += 10000;
  static constexpr std::pair<TLTParaOption, int> kOptionWeights[] = {
      {ltpaoNoWrap, 1000},           {ltpaoReadOnly, 100000}, {ltpaoStyleProtect, 1000}, {ltpaoDoNotWantReturns, 10000},
      {ltpaoKeepLinesTogether, 500}, {ltpaoKeepWithNext, 500}};
  for (const auto& [opt, w] : kOptionWeights)
    if (Options.Contains(opt) == o.Options.Contains(opt)) s += w;
  if (LineSpacingType == o.LineSpacingType)
    s += ValueSimilarity(LineSpacing, o.LineSpacing, 5000);
  else if (HasNonDefaultLineSpacing() != o.HasNonDefaultLineSpacing())
    s -= 20000;
  return s;
}

bool TCustomLTParaInfo::SameExcept(const TCustomLTParaInfo& o, TLTParaInfoProperties ignore) const {
  auto cmp = [&](TLTParaInfoProperty p, bool equal) { return Has(ignore, p) || equal; };
  auto opt = [&](TLTParaInfoProperty p, TLTParaOption f) {
    return cmp(p, Options.Contains(f) == o.Options.Contains(f));
  };
  const TLTRect& ga = Background.BorderOffsets;
  const TLTRect& gb = o.Background.BorderOffsets;
  const TLTRect& oa = Border.BorderOffsets;
  const TLTRect& ob = o.Border.BorderOffsets;
  const TLTBooleanRect& va = Border.VisibleBorders;
  const TLTBooleanRect& vb = o.Border.VisibleBorders;
  const bool same =
      cmp(ltpiAlignment, Alignment == o.Alignment) && cmp(ltpiFirstIndent, FirstIndent == o.FirstIndent) &&
      cmp(ltpiLeftIndent, LeftIndent == o.LeftIndent) && cmp(ltpiRightIndent, RightIndent == o.RightIndent) &&
      cmp(ltpiSpaceBefore, SpaceBefore == o.SpaceBefore) && cmp(ltpiSpaceAfter, SpaceAfter == o.SpaceAfter) &&
      cmp(ltpiLineSpacing, LineSpacing == o.LineSpacing) &&
      cmp(ltpiLineSpacingType, LineSpacingType == o.LineSpacingType) && opt(ltpiNoWrap, ltpaoNoWrap) &&
      opt(ltpiReadOnly, ltpaoReadOnly) && opt(ltpiStyleProtect, ltpaoStyleProtect) &&
      opt(ltpiDoNotWantReturns, ltpaoDoNotWantReturns) && opt(ltpiKeepLinesTogether, ltpaoKeepLinesTogether) &&
      opt(ltpiKeepWithNext, ltpaoKeepWithNext) && cmp(ltpiBiDiMode, BiDiMode == o.BiDiMode) &&
      cmp(ltpiTabs, Tabs == o.Tabs) && cmp(ltpiBackground_Color, Background.Color == o.Background.Color) &&
      cmp(ltpiBackground_BO_Left, ga.Left == gb.Left) && cmp(ltpiBackground_BO_Top, ga.Top == gb.Top) &&
      cmp(ltpiBackground_BO_Right, ga.Right == gb.Right) && cmp(ltpiBackground_BO_Bottom, ga.Bottom == gb.Bottom) &&
      cmp(ltpiBorder_Color, Border.Color == o.Border.Color) && cmp(ltpiBorder_Style, Border.Style == o.Border.Style) &&
      cmp(ltpiBorder_Width, Border.Width == o.Border.Width) &&
      cmp(ltpiBorder_InternalWidth, Border.InternalWidth == o.Border.InternalWidth) &&
      cmp(ltpiBorder_BO_Left, oa.Left == ob.Left) && cmp(ltpiBorder_BO_Top, oa.Top == ob.Top) &&
      cmp(ltpiBorder_BO_Right, oa.Right == ob.Right) && cmp(ltpiBorder_BO_Bottom, oa.Bottom == ob.Bottom) &&
      cmp(ltpiBorder_Vis_Left, va.Left == vb.Left) && cmp(ltpiBorder_Vis_Top, va.Top == vb.Top) &&
      cmp(ltpiBorder_Vis_Right, va.Right == vb.Right) && cmp(ltpiBorder_Vis_Bottom, va.Bottom == vb.Bottom);
  if (!same || StyleTemplateId != o.StyleTemplateId) return false;
  return !CompareStyleNames || StyleName == o.StyleName;
}

bool TParaInfo::SameExcept(const TCustomLTParaInfo& other, TLTParaInfoProperties ignore) const {
  if (!TCustomLTParaInfo::SameExcept(other, ignore)) return false;
  const auto* o = dynamic_cast<const TParaInfo*>(&other);
  if (!o) return true;
  if (!Has(ignore, ltpiNextParaNo) && NextParaNo != o->NextParaNo) return false;
  if (!Has(ignore, ltpiDefStyleNo) && DefStyleNo != o->DefStyleNo) return false;
  return ModifiedProperties == o->ModifiedProperties;
}

void TCustomLTParaInfo::AssignSelected(const TCustomLTParaInfo& s, TLTParaInfoProperties props) {
  auto on = [&](TLTParaInfoProperty p) { return props.Contains(p); };
  auto opt = [&](TLTParaInfoProperty p, TLTParaOption f) {
    if (on(p)) Options.Set(f, s.Options.Contains(f));
  };
  if (on(ltpiFirstIndent)) FirstIndent = s.FirstIndent;
  if (on(ltpiLeftIndent)) LeftIndent = s.LeftIndent;
  if (on(ltpiRightIndent)) RightIndent = s.RightIndent;
  if (on(ltpiSpaceBefore)) SpaceBefore = s.SpaceBefore;
  if (on(ltpiSpaceAfter)) SpaceAfter = s.SpaceAfter;
  if (on(ltpiAlignment)) Alignment = s.Alignment;
  if (on(ltpiLineSpacing)) LineSpacing = s.LineSpacing;
  if (on(ltpiLineSpacingType)) LineSpacingType = s.LineSpacingType;
  if (on(ltpiBackground_Color)) Background.Color = s.Background.Color;
  if (on(ltpiBackground_BO_Left)) Background.BorderOffsets.Left = s.Background.BorderOffsets.Left;
  if (on(ltpiBackground_BO_Top)) Background.BorderOffsets.Top = s.Background.BorderOffsets.Top;
  if (on(ltpiBackground_BO_Right)) Background.BorderOffsets.Right = s.Background.BorderOffsets.Right;
  if (on(ltpiBackground_BO_Bottom)) Background.BorderOffsets.Bottom = s.Background.BorderOffsets.Bottom;
  if (on(ltpiBorder_Color)) Border.Color = s.Border.Color;
  if (on(ltpiBorder_Style)) Border.Style = s.Border.Style;
  if (on(ltpiBorder_Width)) Border.Width = s.Border.Width;
  if (on(ltpiBorder_InternalWidth)) Border.InternalWidth = s.Border.InternalWidth;
  if (on(ltpiBorder_BO_Left)) Border.BorderOffsets.Left = s.Border.BorderOffsets.Left;
  if (on(ltpiBorder_BO_Top)) Border.BorderOffsets.Top = s.Border.BorderOffsets.Top;
  if (on(ltpiBorder_BO_Right)) Border.BorderOffsets.Right = s.Border.BorderOffsets.Right;
  if (on(ltpiBorder_BO_Bottom)) Border.BorderOffsets.Bottom = s.Border.BorderOffsets.Bottom;
  if (on(ltpiBorder_Vis_Left)) Border.VisibleBorders.Left = s.Border.VisibleBorders.Left;
  if (on(ltpiBorder_Vis_Top)) Border.VisibleBorders.Top = s.Border.VisibleBorders.Top;
  if (on(ltpiBorder_Vis_Right)) Border.VisibleBorders.Right = s.Border.VisibleBorders.Right;
  if (on(ltpiBorder_Vis_Bottom)) Border.VisibleBorders.Bottom = s.Border.VisibleBorders.Bottom;
  opt(ltpiNoWrap, ltpaoNoWrap);
  opt(ltpiReadOnly, ltpaoReadOnly);
  opt(ltpiStyleProtect, ltpaoStyleProtect);
  opt(ltpiDoNotWantReturns, ltpaoDoNotWantReturns);
  opt(ltpiKeepLinesTogether, ltpaoKeepLinesTogether);
  opt(ltpiKeepWithNext, ltpaoKeepWithNext);
  if (on(ltpiTabs)) Tabs.Assign(s.Tabs);
  if (on(ltpiBiDiMode)) BiDiMode = s.BiDiMode;
}

void TParaInfo::AssignSelected(const TCustomLTParaInfo& source, TLTParaInfoProperties props) {
  TCustomLTParaInfo::AssignSelected(source, props);
  const auto* s = dynamic_cast<const TParaInfo*>(&source);
  if (!s) return;
  if (props.Contains(ltpiNextParaNo)) NextParaNo = s->NextParaNo;
  if (props.Contains(ltpiDefStyleNo)) DefStyleNo = s->DefStyleNo;
}

void TCustomLTParaInfo::WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const {
  TCustomLTInfo::WriteToIni(ini, section, pattern);
  TLTIniWriter w(ini, section, pattern);
  w.Int("TabCount", Tabs.Count(), 0);
  const std::string base = w.Key("");
  for (int i = 0; i < Tabs.Count(); ++i) {
    TLTIniWriter tw(ini, section, base + "Tab%s" + IntToStr(i));
    tw.Int("Pos", Tabs[i].Position(), 0);
    tw.Int("Align", Tabs[i].Align, 0);
    tw.Str("Leader", Utf16ToUtf8(Tabs[i].Leader), false);
  }
}

void TCustomLTParaInfo::ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) {
  TCustomLTInfo::ReadFromIni(ini, section, pattern);
  TLTIniReader r(ini, section, pattern);
  Tabs.Clear();
  // A damaged count must not make us loop for billions of absent keys.
  constexpr int64_t kMaxTabs = 1000;
  const int64_t count = std::clamp<int64_t>(r.Int("TabCount", 0), 0, kMaxTabs);
  const std::string base = r.Key("");
  for (int64_t i = 0; i < count; ++i) {
    TLTIniReader tr(ini, section, base + "Tab%s" + IntToStr(i));
    const int64_t align = tr.Int("Align", 0);
    Tabs.Add(static_cast<int32_t>(tr.Int("Pos", 0)),
             align >= lttaLeft && align <= lttaCenter ? static_cast<TLTTabAlign>(align) : lttaLeft,
             Utf8ToUtf16(tr.Str("Leader", "")));
  }
}

void TParaInfo::ForEachStyleReference(const std::function<void(int32_t& ref)>& f) {
  TCustomLTInfo::ForEachStyleReference(f);
  f(NextParaNo);
}

}  // namespace lectern
