// The style sheet and its style collections: invalid-index substitutes,
// searching, merging of incoming collections and the closeness helpers.

#include "style/LTStyle.h"
#include "style/LTStyleTemplates.h"

#include "platform/LTCodePage.h"
#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleInternal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

namespace lectern {

bool CompareStyleNames = false;

namespace {

// Scores are sums of a few dozen terms; bounding each term keeps any sum of
// them far from the 64-bit limits whatever values a stored style holds.
constexpr double kScoreBound = 1e15;

int64_t ClampScore(double v) { return static_cast<int64_t>(std::clamp(v, -kScoreBound, kScoreBound)); }

int Component(TColor rgb, int shift) { return (static_cast<uint32_t>(rgb) >> shift) & 0xFF; }

}  // namespace

int64_t ValueSimilarity(int64_t a, int64_t b, int64_t w) {
  const double da = static_cast<double>(a);
  const double db = static_cast<double>(b);
  const double dw = static_cast<double>(w);
  // nearbyint rounds halves to even under the default rounding mode.
  if (a != 0) return ClampScore(std::nearbyint((1.0 - std::fabs(da - db) / std::fabs(da)) * dw));
  return ClampScore(std::nearbyint((1.0 - std::fabs(db)) * dw));
}

int64_t ColorSimilarity(TColor c1, TColor c2, int64_t wc, int64_t wb) {
  const bool none1 = c1 == clNone;
  const bool none2 = c2 == clNone;
  if (none1 && none2) return 3 * wc + wb;
  if (none1 || none2) return 0;
  const TColor a = ColorToRGB(c1);
  const TColor b = ColorToRGB(c2);
  int64_t s = 0;
  int brightA = 0;
  int brightB = 0;
  for (int shift : {0, 8, 16}) {
    const int ca = Component(a, shift);
    const int cb = Component(b, shift);
    s -= std::abs(ca - cb) * wc / 255;
    if (ca > 64) ++brightA;
    if (cb > 64) ++brightB;
  }
  if ((brightA == 0) == (brightB == 0)) s += wb;
  return s;
}

// ---- TCustomLTInfo -------------------------------------------------------------

TLTStyle* TCustomLTInfo::StyleSheet() const { return collection_ ? collection_->Owner() : nullptr; }

int TCustomLTInfo::Index() const {
  if (!collection_) return -1;
  for (int i = 0; i < collection_->Count(); ++i)
    if (&collection_->Items(i) == this) return i;
  return -1;
}

void TCustomLTInfo::Assign(const TCustomLTInfo& other) {
  if (&other == this) return;
  const TLTClassInfo& mine = ClassInfo();
  const TLTClassInfo& theirs = other.ClassInfo();
  if (!mine.InheritsFrom(theirs) && !theirs.InheritsFrom(mine))
    throw ELecternError("Cannot assign a " + std::string(theirs.ClassName) + " to a " + std::string(mine.ClassName));
  AssignPublished(*this, other);
}

void TCustomLTInfo::ForEachStyleReference(const std::function<void(int32_t& ref)>& f) { f(BaseStyleNo); }

// ---- TCustomLTInfos ------------------------------------------------------------

TCustomLTInfos::~TCustomLTInfos() = default;

void TCustomLTInfos::Clear() { items_.clear(); }

TCustomLTInfo& TCustomLTInfos::Items(int index) const {
  if (IsValidIndex(index)) return *items_[static_cast<size_t>(index)];
  return InvalidStyle();
}

TCustomLTInfo& TCustomLTInfos::Add() {
  auto style = CreateStyle();
  style->collection_ = const_cast<TCustomLTInfos*>(this);
  items_.push_back(std::move(style));
  return *items_.back();
}

void TCustomLTInfos::Delete(int index) {
  if (!IsValidIndex(index)) return;
  items_.erase(items_.begin() + index);
}

void TCustomLTInfos::Assign(const TCustomLTInfos& other) {
  if (&other == this) return;
  items_.clear();
  for (const auto& s : other.items_) Add().Assign(*s);
}

TCustomLTInfo& TCustomLTInfos::InvalidStyle() const {
  if (!invalid_) {
    invalid_ = CreateStyle();
    if (!items_.empty()) invalid_->Assign(*items_.front());
    MarkInvalid(*invalid_);
    // Not one of the items, yet of this sheet: it draws with the sheet's
    // colours and resolution.
    invalid_->collection_ = const_cast<TCustomLTInfos*>(this);
  }
  return *invalid_;
}

std::vector<TLTString> TCustomLTInfos::StyleNames() const {
  std::vector<TLTString> names;
  names.reserve(items_.size());
  for (const auto& s : items_) names.push_back(s->StyleName);
  return names;
}

std::vector<int> TCustomLTInfos::MapCandidates(const TCustomLTInfo& /*s*/) const {
  std::vector<int> all(items_.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  return all;
}

bool TCustomLTInfos::TakesIndex(const TCustomLTInfo& /*s*/) const { return false; }

void TCustomLTInfos::MapAddedReferences(TCustomLTInfo& added, const std::vector<int>& mapping,
                                        const std::vector<int>* /*textMapping*/) const {
  if (added.BaseStyleNo >= 0) added.BaseStyleNo = MapReference(added.BaseStyleNo, mapping);
}

uint64_t TCustomLTInfos::EqualityKey(const TCustomLTInfo& /*s*/) const { return 0; }

int32_t TCustomLTInfos::MappedReference(const TCustomLTInfo& /*s*/) const { return kNoMappedReference; }

namespace {

/// Sheet indices in ascending order, with the front that is taken already
/// (list styles that an incoming numbered list claimed) skipped once.
struct TStyleBucket {
  std::vector<int> Indices;
  size_t Start = 0;
};

/// The sheet's styles by equality key, and by key and mapped reference, so
/// that a merge finds the lowest matching style among the few that can
/// match instead of comparing with every style.
class TStyleIndex {
 public:
  void Add(uint64_t key, int32_t reference, int index) {
    byKey_[key].Indices.push_back(index);
    if (reference != TStyleIndexNoReference) byReference_[Mix(key, reference)].Indices.push_back(index);
  }
  TStyleBucket* WithKey(uint64_t key) { return Find(byKey_, key); }
  TStyleBucket* WithReference(uint64_t key, int32_t reference) { return Find(byReference_, Mix(key, reference)); }

  static constexpr int32_t TStyleIndexNoReference = INT32_MIN;

 private:
  static uint64_t Mix(uint64_t key, int32_t reference) {
    return key ^ (static_cast<uint64_t>(static_cast<uint32_t>(reference)) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull);
  }
  static TStyleBucket* Find(std::unordered_map<uint64_t, TStyleBucket>& map, uint64_t key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
  }
  std::unordered_map<uint64_t, TStyleBucket> byKey_, byReference_;
};

}  // namespace

void TCustomLTInfos::MergeStyles(const TCustomLTInfos& source, TLTFReaderStyleMode mode, std::vector<int>& mapping,
                                 const std::vector<int>* textMapping, const TLTStyleAddedEvent& onAdded) {
  static_assert(TStyleIndex::TStyleIndexNoReference == kNoMappedReference);
  mapping.clear();
  if (mode == ltf_sIgnore) return;
  mapping.reserve(source.items_.size());
  const int start = Count();
  std::vector<bool> taken(items_.size(), false);
  TStyleIndex index;
  for (int j = 0; j < Count(); ++j) index.Add(EqualityKey(Items(j)), MappedReference(Items(j)), j);

  // The lowest index in a bucket that passes test; taken styles at the
  // bucket's front are passed over for good.
  auto lowest = [&](TStyleBucket* bucket, const auto& test) {
    if (!bucket) return -1;
    while (bucket->Start < bucket->Indices.size() && taken[static_cast<size_t>(bucket->Indices[bucket->Start])])
      ++bucket->Start;
    for (size_t k = bucket->Start; k < bucket->Indices.size(); ++k)
      if (test(bucket->Indices[k])) return bucket->Indices[k];
    return -1;
  };

  for (int i = 0; i < source.Count(); ++i) {
    const TCustomLTInfo& s = *source.items_[static_cast<size_t>(i)];
    const uint64_t key = EqualityKey(s);
    int use = -1;
    if (mode == ltf_sInsertMerge) {
      auto fits = [&](int j) { return !taken[static_cast<size_t>(j)] && Items(j).SameAsMapped(s, mapping); };
      if (i < Count() && fits(i)) {
        use = i;
      } else {
        // A reference to an incoming style already placed decides among the
        // equal ones: only those with the mapped reference can match.
        const int32_t ref = MappedReference(s);
        const bool decides = ref >= 0 && static_cast<size_t>(ref) < mapping.size();
        use = lowest(decides ? index.WithReference(key, mapping[static_cast<size_t>(ref)]) : index.WithKey(key), fits);
      }
      if (use < 0) {
        Add().Assign(s);
        use = Count() - 1;
        taken.push_back(false);
        index.Add(EqualityKey(Items(use)), MappedReference(Items(use)), use);
        if (onAdded) onAdded(*this, use);
      }
      // Two incoming numbered lists must never collapse into one sheet list.
      if (TakesIndex(s)) taken[static_cast<size_t>(use)] = true;
    } else {
      // An equal style is as close as a style gets; among equal ones the
      // score still decides (list identities), then the lowest index.
      int64_t best = 0;
      auto closer = [&](int j) {
        const int64_t score = s.Similarity(Items(j));
        if (use < 0 || score > best) {
          use = j;
          best = score;
        }
      };
      if (TStyleBucket* equal = index.WithKey(key))
        for (int j : equal->Indices)
          if (Items(j).SameAs(s, true)) closer(j);
      if (use < 0)
        for (int j : MapCandidates(s)) closer(j);
    }
    mapping.push_back(use);
  }

  for (int k = start; k < Count(); ++k) {
    TCustomLTInfo& added = Items(k);
    added.Standard = false;
    MapAddedReferences(added, mapping, textMapping);
  }
}

// ---- TFontInfos ----------------------------------------------------------------

const TLTClassInfo& TFontInfos::ClassInfo() const {
  static const TLTClassInfo info{"TFontInfos", nullptr, {}};
  return info;
}

std::unique_ptr<TCustomLTInfo> TFontInfos::CreateStyle() const { return std::make_unique<TFontInfo>(); }

void TFontInfos::MarkInvalid(TCustomLTInfo& style) const {
  auto& f = static_cast<TFontInfo&>(style);
  f.Color = MakeColor(0xFFFFFF);
  f.BackColor = MakeColor(0x0000FF);
}

std::vector<int> TFontInfos::MapCandidates(const TCustomLTInfo& s) const {
  const auto& in = static_cast<const TFontInfo&>(s);
  // Hypertext should map onto hypertext and Unicode onto Unicode where the
  // sheet offers such styles; only then is everything considered.
  const std::array<std::function<bool(const TFontInfo&)>, 3> filters{
      [&](const TFontInfo& f) { return f.Jump == in.Jump && f.Unicode == in.Unicode; },
      [&](const TFontInfo& f) { return f.Jump == in.Jump; },
      [&](const TFontInfo& f) { return f.Unicode == in.Unicode; },
  };
  for (const auto& keep : filters) {
    std::vector<int> picked;
    for (int i = 0; i < Count(); ++i)
      if (keep((*this)[i])) picked.push_back(i);
    if (!picked.empty()) return picked;
  }
  return TCustomLTInfos::MapCandidates(s);
}

void TFontInfos::MapAddedReferences(TCustomLTInfo& added, const std::vector<int>& mapping,
                                    const std::vector<int>* textMapping) const {
  TCustomLTInfos::MapAddedReferences(added, mapping, textMapping);
  auto& f = static_cast<TFontInfo&>(added);
  if (f.NextStyleNo >= 0) f.NextStyleNo = MapReference(f.NextStyleNo, mapping);
}

uint64_t TFontInfos::EqualityKey(const TCustomLTInfo& s) const {
  const auto* f = dynamic_cast<const TCustomLTFontInfo*>(&s);
  if (!f) return 0;
  TKeyBuilder k;
  k << KeyOf(f->Size) << f->Charset << f->Style.ToBits() << f->StyleEx.ToBits() << FoldCaseW(f->FontName);
  k << KeyOf(f->VShift) << KeyOf(f->Color) << KeyOf(f->BackColor) << f->Jump;
  if (f->Jump)
    k << KeyOf(f->HoverColor) << f->HoverEffects.ToBits() << KeyOf(f->HoverBackColor) << KeyOf(f->HoverUnderlineColor)
      << KeyOf(f->JumpCursor);
  k << f->Protection.ToBits() << f->Options.ToBits() << KeyOf(f->CharScale) << KeyOf(f->CharSpacing) << f->BiDiMode;
  k << f->SubSuperScriptType << f->UnderlineType << KeyOf(f->UnderlineColor);
  if (const auto* full = dynamic_cast<const TFontInfo*>(f))
    k << full->Unicode << full->ModifiedProperties.ToBits() << KeyOf(full->StyleTemplateId);
  if (CompareStyleNames) k << f->StyleName;
  return k.Key();
}

int32_t TFontInfos::MappedReference(const TCustomLTInfo& s) const {
  const auto* f = dynamic_cast<const TFontInfo*>(&s);
  return f ? f->NextStyleNo : kNoMappedReference;
}

int TFontInfos::FindEqualStyle(int base, const TFontInfo& style, TLTFontInfoProperties mask) const {
  const TLTFontInfoProperties ignore = LTAllFontInfoProperties - mask;
  if (IsValidIndex(base) && style.SameExcept((*this)[base], ignore)) return base;
  for (int i = 0; i < Count(); ++i)
    if (i != base && style.SameExcept((*this)[i], ignore)) return i;
  return -1;
}

int TFontInfos::FindCharsetVariant(int base, TFontCharset charset) const {
  if (!IsValidIndex(base)) return -1;
  const TFontInfo& b = (*this)[base];
  if (b.Charset == charset && !b.Unicode) return base;
  const TLTFontInfoProperties ignore{ltfiCharset, ltfiUnicode};
  for (int i = 0; i < Count(); ++i) {
    if (i == base) continue;
    const TFontInfo& f = (*this)[i];
    if (f.Charset == charset && !f.Unicode && b.SameExcept(f, ignore)) return i;
  }
  return -1;
}

// ---- TParaInfos ----------------------------------------------------------------

const TLTClassInfo& TParaInfos::ClassInfo() const {
  static const TLTClassInfo info{"TParaInfos", nullptr, {}};
  return info;
}

std::unique_ptr<TCustomLTInfo> TParaInfos::CreateStyle() const { return std::make_unique<TParaInfo>(); }

void TParaInfos::MarkInvalid(TCustomLTInfo& style) const {
  auto& p = static_cast<TParaInfo&>(style);
  p.LeftIndent = p.RightIndent = p.SpaceBefore = p.SpaceAfter = 1;
  p.Border.Style = ltbSingle;
  p.Border.Color = MakeColor(0x0000FF);
  p.Border.Width = 2;
  p.Border.BorderOffsets = TLTRect{};
  p.Border.BorderOffsets.Left = p.Border.BorderOffsets.Right = 1;
  p.Border.BorderOffsets.Top = p.Border.BorderOffsets.Bottom = 1;
}

void TParaInfos::MapAddedReferences(TCustomLTInfo& added, const std::vector<int>& mapping,
                                    const std::vector<int>* textMapping) const {
  TCustomLTInfos::MapAddedReferences(added, mapping, textMapping);
  auto& p = static_cast<TParaInfo&>(added);
  if (p.NextParaNo >= 0) p.NextParaNo = MapReference(p.NextParaNo, mapping);
  if (textMapping && p.DefStyleNo >= 0) p.DefStyleNo = MapReference(p.DefStyleNo, *textMapping);
}

uint64_t TParaInfos::EqualityKey(const TCustomLTInfo& s) const {
  const auto* p = dynamic_cast<const TCustomLTParaInfo*>(&s);
  if (!p) return 0;
  TKeyBuilder k;
  k << p->Alignment << KeyOf(p->FirstIndent) << KeyOf(p->LeftIndent) << KeyOf(p->RightIndent) << KeyOf(p->SpaceBefore)
    << KeyOf(p->SpaceAfter) << KeyOf(p->LineSpacing) << p->LineSpacingType << p->Options.ToBits() << p->BiDiMode;
  auto rect = [&](const TLTRect& r) { k << KeyOf(r.Left) << KeyOf(r.Top) << KeyOf(r.Right) << KeyOf(r.Bottom); };
  k << KeyOf(p->Background.Color);
  rect(p->Background.BorderOffsets);
  const TLTBorder& b = p->Border;
  k << KeyOf(b.Color) << b.Style << KeyOf(b.Width) << KeyOf(b.InternalWidth);
  k << b.VisibleBorders.Left << b.VisibleBorders.Top << b.VisibleBorders.Right << b.VisibleBorders.Bottom;
  rect(b.BorderOffsets);
  k << KeyOf(p->Tabs.Count());
  for (int i = 0; i < p->Tabs.Count(); ++i) k << KeyOf(p->Tabs[i].Position()) << p->Tabs[i].Align << p->Tabs[i].Leader;
  if (const auto* full = dynamic_cast<const TParaInfo*>(p))
    k << full->ModifiedProperties.ToBits() << KeyOf(full->StyleTemplateId);
  if (CompareStyleNames) k << p->StyleName;
  return k.Key();
}

int32_t TParaInfos::MappedReference(const TCustomLTInfo& s) const {
  const auto* p = dynamic_cast<const TParaInfo*>(&s);
  return p ? p->NextParaNo : kNoMappedReference;
}

int TParaInfos::FindEqualStyle(int base, const TParaInfo& style, TLTParaInfoProperties mask) const {
  const TLTParaInfoProperties ignore = LTAllParaInfoProperties - mask;
  if (IsValidIndex(base) && style.SameExcept((*this)[base], ignore)) return base;
  for (int i = 0; i < Count(); ++i)
    if (i != base && style.SameExcept((*this)[i], ignore)) return i;
  return -1;
}

// ---- TLTStyle ------------------------------------------------------------------

namespace {

constexpr std::array<std::string_view, 3> kSelModeNames{"ltsmChar", "ltsmWord", "ltsmParagraph"};
constexpr std::array<std::string_view, 2> kSelStyleNames{"ltssItems", "ltssLines"};
constexpr std::array<std::string_view, 3> kFieldHighlightNames{"ltfhNever", "ltfhCurrent", "ltfhAlways"};
constexpr std::array<std::string_view, 5> kSeqNames{"ltseqDecimal", "ltseqLowerAlpha", "ltseqUpperAlpha",
                                                    "ltseqLowerRoman", "ltseqUpperRoman"};
const TLTEnumInfo kSelModeInfo{kSelModeNames};
const TLTEnumInfo kSelStyleInfo{kSelStyleNames};
const TLTEnumInfo kFieldHighlightInfo{kFieldHighlightNames};
const TLTEnumInfo kSeqInfo{kSeqNames};

template <TCustomLTInfos& (*Get)(TLTStyle&)>
TLTPropInfo SheetCollection(std::string_view name) {
  TLTPropInfo p;
  p.Name = name;
  p.Kind = TLTPropKind::Collection;
  p.GetColl = [](TLTPersistent& o) -> TLTCollection* { return &Get(static_cast<TLTStyle&>(o)); };
  return p;
}

TCustomLTInfos& GetTextStyles(TLTStyle& s) { return s.TextStyles(); }
TCustomLTInfos& GetParaStyles(TLTStyle& s) { return s.ParaStyles(); }
TCustomLTInfos& GetListStyles(TLTStyle& s) { return s.ListStyles(); }

TLTPropInfo TemplatesProp() {
  TLTPropInfo p;
  p.Name = "StyleTemplates";
  p.Kind = TLTPropKind::Collection;
  p.GetColl = [](TLTPersistent& o) -> TLTCollection* { return &static_cast<TLTStyle&>(o).StyleTemplates(); };
  // Sheets without templates are stored as they always were.
  p.IsStored = [](const TLTPersistent& o) { return static_cast<const TLTStyle&>(o).StyleTemplates().Count() > 0; };
  return p;
}

using S = TLTStyle;
const TLTPropInfo kSheetProps[] = {
    SheetCollection<&GetTextStyles>("TextStyles"),
    SheetCollection<&GetParaStyles>("ParaStyles"),
    SheetCollection<&GetListStyles>("ListStyles"),
    TemplatesProp(),
    Prop::Int<&S::SpacesInTab>("SpacesInTab", 0),
    Prop::Int<&S::DefTabWidth>("DefTabWidth", 48),
    Prop::Cursor<&S::JumpCursor>("JumpCursor", crJump),
    Prop::Cursor<&S::LineSelectCursor>("LineSelectCursor", crFlipArrow),
    Prop::Bool<&S::FullRedraw>("FullRedraw", false),
    Prop::Bool<&S::UseSound>("UseSound", true),
    Prop::Color<&S::Color>("Color", clWindow),
    Prop::Color<&S::HoverColor>("HoverColor", clNone),
    Prop::Color<&S::CurrentItemColor>("CurrentItemColor", clNone),
    Prop::Color<&S::SelColor>("SelColor", clHighlight),
    Prop::Color<&S::SelTextColor>("SelTextColor", clHighlightText),
    Prop::Color<&S::InactiveSelColor>("InactiveSelColor", clHighlight),
    Prop::Color<&S::InactiveSelTextColor>("InactiveSelTextColor", clHighlightText),
    Prop::Color<&S::CheckpointColor>("CheckpointColor", MakeColor(0x008000)),
    Prop::Color<&S::CheckpointEvColor>("CheckpointEvColor", MakeColor(0x00FF00)),
    Prop::Color<&S::PageBreakColor>("PageBreakColor", clBtnShadow),
    Prop::Color<&S::SoftPageBreakColor>("SoftPageBreakColor", clBtnFace),
    Prop::Color<&S::LiveSpellingColor>("LiveSpellingColor", MakeColor(0x0000FF)),
    Prop::Enum<&S::SelectionMode>("SelectionMode", kSelModeInfo, ltsmWord),
    Prop::Enum<&S::SelectionStyle>("SelectionStyle", kSelStyleInfo, ltssItems),
    Prop::Color<&S::FieldHighlightColor>("FieldHighlightColor", clBtnFace),
    Prop::Enum<&S::FieldHighlightType>("FieldHighlightType", kFieldHighlightInfo, ltfhCurrent),
    Prop::Enum<&S::FootnoteNumbering>("FootnoteNumbering", kSeqInfo, ltseqDecimal),
    Prop::Enum<&S::EndnoteNumbering>("EndnoteNumbering", kSeqInfo, ltseqLowerRoman),
    Prop::Bool<&S::FootnotePageReset>("FootnotePageReset", true),
    Prop::Int<&S::DefUnicodeStyle>("DefUnicodeStyle", -1),
    Prop::Int<&S::DefCodePage>("DefCodePage", 0),
};
// A collection stores only its items in the stream: the templates' name
// pattern goes beside them under the name a nested property would have.
const TLTDefinedProp kSheetDefined[] = {{
    .Name = "StyleTemplates.DefStyleName",
    .Kind = TLTDefinedKind::String,
    .ShouldWrite =
        [](const TLTPersistent& o) {
          return static_cast<const S&>(o).StyleTemplates().DefStyleName != LTDefaultTemplateNamePattern;
        },
    .GetText = [](const TLTPersistent& o) { return static_cast<const S&>(o).StyleTemplates().DefStyleName; },
    .SetText = [](TLTPersistent& o, const std::u16string& v) { static_cast<S&>(o).StyleTemplates().DefStyleName = v; },
}};

const TLTClassInfo kSheetClass{"TLTStyle", nullptr, kSheetProps, kSheetDefined};

// The picture shown where a picture cannot be drawn: a framed page with a
// red cross, in the sixteen standard colours.
std::unique_ptr<TGraphic> MakeInvalidPicture() {
  constexpr int kSize = 32;
  TLTPixels px;
  px.Width = px.Height = kSize;
  px.Data.assign(kSize * kSize, 0xFFFFFFFFu);
  auto put = [&](int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < kSize && y < kSize) px.Data[static_cast<size_t>(y * kSize + x)] = c;
  };
  for (int i = 0; i < kSize; ++i) {
    put(i, 0, 0xFF808080u);
    put(i, kSize - 1, 0xFF808080u);
    put(0, i, 0xFF808080u);
    put(kSize - 1, i, 0xFF808080u);
  }
  for (int i = 6; i < kSize - 6; ++i)
    for (int d = 0; d < 2; ++d) {
      put(i + d, i, 0xFFFF0000u);
      put(kSize - 1 - i - d, i, 0xFFFF0000u);
    }
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixels(std::move(px));
  return bmp;
}

}  // namespace

TLTStyle::TLTStyle()
    : textStyles_(std::make_unique<TFontInfos>(this)),
      paraStyles_(std::make_unique<TParaInfos>(this)),
      listStyles_(std::make_unique<TLTListInfos>(this)),
      styleTemplates_(std::make_unique<TLTStyleTemplateCollection>(this)) {
  ResetParaStyles();
  ResetTextStyles();
}

TLTStyle::~TLTStyle() = default;

const TLTClassInfo& TLTStyle::ClassInfo() const { return kSheetClass; }

void TLTStyle::Loaded() { styleTemplates_->UpdateParentReferences(); }

void TLTStyle::ResetTextStyles() {
  struct Def {
    std::u16string_view Name;
    TFontStyles Style;
    TColor Color;
    bool Jump;
  };
  const Def defs[] = {
      {u"Normal text", {}, clWindowText, false},
      {u"Heading", {fsBold}, MakeColor(0xFF0000), false},
      {u"Subheading", {fsBold}, MakeColor(0x800000), false},
      {u"Keywords", {fsItalic}, MakeColor(0x000080), false},
      {u"Jump 1", {fsUnderline}, MakeColor(0x008000), true},
      {u"Jump 2", {fsUnderline}, MakeColor(0x008000), true},
  };
  textStyles_->Clear();
  for (const Def& d : defs) {
    TFontInfo& f = textStyles_->Add();
    f.StyleName = TLTString(d.Name);
    f.Style = d.Style;
    f.Color = d.Color;
    if (d.Jump) {
      f.Jump = true;
      f.JumpCursor = JumpCursor;
    }
  }
}

void TLTStyle::ResetParaStyles() {
  paraStyles_->Clear();
  paraStyles_->Add();
  TParaInfo& centered = paraStyles_->Add();
  centered.StyleName = u"Centered";
  centered.Alignment = ltaCenter;
}

TGraphic* TLTStyle::InvalidPicture() const {
  if (!invalidPicture_ && !invalidPictureMade_) {
    invalidPicture_ = MakeInvalidPicture();
    invalidPictureMade_ = true;
  }
  return invalidPicture_.get();
}

void TLTStyle::SetInvalidPicture(const TGraphic* picture) {
  invalidPicture_ = picture ? picture->Clone() : nullptr;
  invalidPictureMade_ = true;
}

void TLTStyle::ImageListFreed(const TLTImageList* list) {
  for (int i = 0; i < listStyles_->Count(); ++i) {
    TLTListInfo& l = (*listStyles_)[i];
    for (int k = 0; k < l.Levels.Count(); ++k)
      if (l.Levels[k].ImageList == list) l.Levels[k].ImageList = nullptr;
  }
}

TColor TLTStyle::GetHoverColor(int textStyleNo) const {
  const TColor own = (*textStyles_)[textStyleNo].HoverColor;
  return own != clNone ? own : HoverColor;
}

bool TLTStyle::IsHoverSensitive(int textStyleNo) const {
  const TFontInfo& f = (*textStyles_)[textStyleNo];
  bool sensitive = GetHoverColor(textStyleNo) != clNone || f.HoverBackColor != f.BackColor ||
                   f.HoverUnderlineColor != clNone || !f.HoverEffects.Empty();
  if (OnStyleHoverSensitive) OnStyleHoverSensitive(*this, textStyleNo, sensitive);
  return sensitive;
}

uint32_t TLTStyle::StyleCodePage(int textStyleNo) const {
  if (textStyleNo < 0) return DefCodePage;
  const int charset = (*textStyles_)[textStyleNo].Charset;
  if (charset == DEFAULT_CHARSET) return DefCodePage;
  const TLTCodePage cp = CharsetToCodePage(charset);
  return cp == CP_ACP ? DefCodePage : cp;
}

}  // namespace lectern
