// List styles: marker fonts, levels, their comparison and closeness, list
// identities, INI storage and the values stored beside the published
// properties (encoded format strings, image-list tags, identities).

#include "platform/LTCodePage.h"
#include "platform/LTColors.h"
#include "platform/LTIniFile.h"
#include "platform/LTRandom.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"
#include "style/LTStyleInternal.h"

#include <algorithm>
#include <array>

namespace lectern {

bool StoreListIDs = true;

namespace {

constexpr std::array<std::string_view, 10> kListTypeNames{
    "ltlstBullet",     "ltlstPicture",    "ltlstImageList",  "ltlstDecimal",          "ltlstLowerAlpha",
    "ltlstUpperAlpha", "ltlstLowerRoman", "ltlstUpperRoman", "ltlstImageListCounter", "ltlstUnicodeBullet"};
constexpr std::array<std::u16string_view, 10> kListTypeDisplay{
    u"bullet",   u"pic",      u"image-list",         u"1,2,3",         u"a,b,c", u"A,B,C",
    u"i,ii,iii", u"I,II,III", u"image-list counter", u"unicode bullet"};
constexpr std::array<std::string_view, 3> kAlignNames{"ltmaLeft", "ltmaRight", "ltmaCenter"};
constexpr std::array<std::string_view, 3> kOptionNames{"ltloContinuous", "ltloLevelReset", "ltloLegalStyleNumbering"};
constexpr std::array<std::string_view, 4> kFontStyleNames{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr std::array<std::string_view, 3> kPitchNames{"fpDefault", "fpVariable", "fpFixed"};

const TLTEnumInfo kListTypeInfo{kListTypeNames};
const TLTEnumInfo kAlignInfo{kAlignNames};
const TLTEnumInfo kOptionInfo{kOptionNames};
const TLTEnumInfo kFontStyleInfo{kFontStyleNames};
const TLTEnumInfo kPitchInfo{kPitchNames};

constexpr std::u16string_view kDefaultBullet = u"\u00B7";
// Levels and pictures read from INI files are bounded: a damaged count must
// not make a reader loop or allocate without end.
constexpr int64_t kMaxLevels = 1000;

TLTMarkerFont& MF(TLTPersistent& o) { return static_cast<TLTMarkerFont&>(o); }
const TLTMarkerFont& MF(const TLTPersistent& o) { return static_cast<const TLTMarkerFont&>(o); }
TLTListLevel& LV(TLTPersistent& o) { return static_cast<TLTListLevel&>(o); }
const TLTListLevel& LV(const TLTPersistent& o) { return static_cast<const TLTListLevel&>(o); }

TLTPropInfo FontProp(std::string_view name, TLTPropKind kind, int64_t (*get)(const TLTPersistent&),
                     void (*set)(TLTPersistent&, int64_t), const TLTEnumInfo* names = nullptr) {
  TLTPropInfo p;
  p.Name = name;
  p.Kind = kind;
  p.Names = names;
  p.HasDefault = false;
  p.GetOrd = get;
  p.SetOrd = set;
  return p;
}

std::vector<TLTPropInfo> MakeMarkerFontProps() {
  std::vector<TLTPropInfo> props;
  props.push_back(FontProp(
      "Charset", TLTPropKind::Integer, [](const TLTPersistent& o) -> int64_t { return MF(o).Font.Charset; },
      [](TLTPersistent& o, int64_t v) { MF(o).Font.Charset = static_cast<uint8_t>(v); }));
  props.back().MinValue = 0;
  props.back().MaxValue = 255;
  props.push_back(FontProp(
      "Color", TLTPropKind::Color, [](const TLTPersistent& o) -> int64_t { return MF(o).Font.Color; },
      [](TLTPersistent& o, int64_t v) { MF(o).Font.Color = static_cast<TColor>(v); }));
  TLTPropInfo height = FontProp(
      "Height", TLTPropKind::Integer, [](const TLTPersistent& o) -> int64_t { return MF(o).Font.Height; },
      [](TLTPersistent& o, int64_t v) { MF(o).Font.Height = static_cast<int32_t>(v); });
  // Stored whenever it is not the default height: heights that round to
  // the same point size are still different fonts.
  height.IsStored = [](const TLTPersistent& o) { return MF(o).Font.Height != TLTMarkerFont().Font.Height; };
  props.push_back(height);
  TLTPropInfo name;
  name.Name = "Name";
  name.Kind = TLTPropKind::String;
  name.GetStr = [](const TLTPersistent& o) { return MF(o).Font.Name; };
  name.SetStr = [](TLTPersistent& o, const TLTString& v) { MF(o).Font.Name = v; };
  name.StrDefault = [](const TLTPersistent&) { return TLTString(u"Arial"); };
  props.push_back(name);
  TLTPropInfo pitch = FontProp(
      "Pitch", TLTPropKind::Enum, [](const TLTPersistent& o) -> int64_t { return MF(o).Font.Pitch; },
      [](TLTPersistent& o, int64_t v) { MF(o).Font.Pitch = static_cast<TFontPitch>(v); }, &kPitchInfo);
  pitch.HasDefault = true;
  pitch.Default = fpDefault;
  props.push_back(pitch);
  props.push_back(FontProp(
      "Style", TLTPropKind::Set, [](const TLTPersistent& o) -> int64_t { return MF(o).Font.Style.ToBits(); },
      [](TLTPersistent& o, int64_t v) { MF(o).Font.Style = TFontStyles::FromBits(static_cast<uint8_t>(v)); },
      &kFontStyleInfo));
  return props;
}

const std::vector<TLTPropInfo> kMarkerFontProps = MakeMarkerFontProps();
const TLTClassInfo kMarkerFontClass{"TLTMarkerFont", nullptr, kMarkerFontProps};

TLTPropInfo LevelFontProp() {
  TLTPropInfo p;
  p.Name = "Font";
  p.Kind = TLTPropKind::Object;
  p.GetObj = [](TLTPersistent& o) -> TLTPersistent* { return LV(o).Font(); };
  p.MakeObj = [](TLTPersistent& o) -> TLTPersistent* { return &LV(o).FontForWrite(); };
  return p;
}

using L = TLTListLevel;
const TLTPropInfo kLevelProps[] = {
    Prop::Enum<&L::ListType>("ListType", kListTypeInfo, ltlstBullet),
    Prop::Int<&L::ImageIndex>("ImageIndex", 0),
    Prop::Int<&L::LeftIndent>("LeftIndent", 0),
    Prop::Int<&L::FirstIndent>("FirstIndent", 10),
    Prop::Int<&L::MarkerIndent>("MarkerIndent", 0),
    Prop::Enum<&L::MarkerAlignment>("MarkerAlignment", kAlignInfo, ltmaLeft),
    LevelFontProp(),
    Prop::Set<&L::Options>("Options", kOptionInfo, TLTListLevelOptions{ltloContinuous, ltloLevelReset}.ToBits()),
    Prop::Int<&L::StartFrom>("StartFrom", 1),
};

// A picture stored as its class name (one length byte) and its own bytes.
std::string PictureBytes(const TGraphic& g) {
  TLTMemoryStream m;
  const std::string_view name = g.ClassName().substr(0, 255);
  m.WriteBytes(std::string(1, static_cast<char>(name.size())));
  m.WriteBytes(name);
  g.SaveToStream(m);
  return m.TakeData();
}

std::unique_ptr<TGraphic> PictureFromBytes(std::string_view bytes) {
  if (bytes.empty()) return nullptr;
  const size_t len = static_cast<uint8_t>(bytes[0]);
  if (bytes.size() < 1 + len) return nullptr;
  auto g = CreateGraphic(bytes.substr(1, len));
  if (!g) return nullptr;
  TLTMemoryStream m{std::string(bytes.substr(1 + len))};
  return g->LoadFromStream(m) ? std::move(g) : nullptr;
}

bool HasCustomFormat(const TLTPersistent& o) { return LV(o).FormatString != kDefaultBullet; }

const TLTDefinedProp kLevelDefined[] = {
    {"Picture.Data", TLTDefinedKind::Binary, [](const TLTPersistent& o) { return LV(o).Picture() != nullptr; }, nullptr,
     nullptr, [](const TLTPersistent& o) { return PictureBytes(*LV(o).Picture()); }, nullptr, nullptr,
     [](TLTPersistent& o, const std::string& b) {
       auto g = PictureFromBytes(b);
       LV(o).SetPicture(g.get());
     }},
    {"FormatStringCode", TLTDefinedKind::String, &HasCustomFormat,
     [](const TLTPersistent& o) { return Utf8ToUtf16(BytesToHex(UnicodeToAnsi(LV(o).FormatString, CP_ACP))); }, nullptr,
     nullptr,
     [](TLTPersistent& o, const std::u16string& v) {
       if (auto bytes = HexToBytes(Utf16ToUtf8(v))) LV(o).FormatString = AnsiToUnicode(*bytes, CP_ACP);
     }},
    // Read after the 8-bit form and overriding it: it keeps every character.
    {"FormatStringCodeW", TLTDefinedKind::String, &HasCustomFormat,
     [](const TLTPersistent& o) { return Utf8ToUtf16(BytesToHex(Utf16ToBytes(LV(o).FormatString))); }, nullptr, nullptr,
     [](TLTPersistent& o, const std::u16string& v) {
       if (auto bytes = HexToBytes(Utf16ToUtf8(v))) LV(o).FormatString = BytesToUtf16(*bytes);
     }},
    {"FormatStringWCode", TLTDefinedKind::String, [](const TLTPersistent& o) { return !LV(o).FormatStringW.empty(); },
     [](const TLTPersistent& o) { return Utf8ToUtf16(BytesToHex(Utf16ToBytes(LV(o).FormatStringW))); }, nullptr,
     nullptr,
     [](TLTPersistent& o, const std::u16string& v) {
       if (auto bytes = HexToBytes(Utf16ToUtf8(v))) LV(o).FormatStringW = BytesToUtf16(*bytes);
     }},
    {"ILTag", TLTDefinedKind::Integer,
     [](const TLTPersistent& o) {
       const TLTListInfo* list = LV(o).ListStyle();
       const auto* infos = list ? dynamic_cast<const TLTListInfos*>(list->Collection()) : nullptr;
       return LV(o).ImageList && infos && infos->ImageListResolver;
     },
     nullptr, [](const TLTPersistent& o) -> int64_t { return LV(o).ImageList->Tag; }, nullptr, nullptr,
     [](TLTPersistent& o, int64_t tag) {
       const TLTListInfo* list = LV(o).ListStyle();
       const auto* infos = list ? dynamic_cast<const TLTListInfos*>(list->Collection()) : nullptr;
       if (infos && infos->ImageListResolver) LV(o).ImageList = infos->ImageListResolver(tag);
     }},
};

const TLTClassInfo kLevelClass{"TLTListLevel", nullptr, kLevelProps, kLevelDefined};
const TLTClassInfo kLevelsClass{"TLTListLevelCollection", nullptr, {}};

const TLTPropInfo kListProps[] = {
    Prop::Collection<&TLTListInfo::Levels>("Levels"),
    Prop::Bool<&TLTListInfo::OneLevelPreview>("OneLevelPreview", false),
};
const TLTDefinedProp kListDefined[] = {
    {"LstID", TLTDefinedKind::Integer, [](const TLTPersistent&) { return StoreListIDs; }, nullptr,
     [](const TLTPersistent& o) -> int64_t { return static_cast<const TLTListInfo&>(o).ListID(); }, nullptr, nullptr,
     [](TLTPersistent& o, int64_t v) { static_cast<TLTListInfo&>(o).SetListID(static_cast<int32_t>(v)); }},
};
const TLTClassInfo kListClass{"TLTListInfo", &kCustomLTInfoClass, kListProps, kListDefined};

bool FontsEqual(const TLTMarkerFont* a, const TLTMarkerFont* b) {
  const bool da = !a || a->IsDefault();
  const bool db = !b || b->IsDefault();
  if (da || db) return da && db;
  return a->SameAs(*b);
}

bool PicturesEqual(const TGraphic* a, const TGraphic* b) {
  if (!a || !b) return !a && !b;
  if (a->ClassName() != b->ClassName() || a->Width() != b->Width() || a->Height() != b->Height()) return false;
  TLTMemoryStream ma, mb;
  a->SaveToStream(ma);
  b->SaveToStream(mb);
  return ma.Data() == mb.Data();
}

}  // namespace

// ---- Marker font -----------------------------------------------------------------

const TLTClassInfo& TLTMarkerFont::ClassInfo() const { return kMarkerFontClass; }

bool TLTMarkerFont::IsDefault() const {
  return Font.Size() == 8 && Font.Color == clWindowText && Font.Charset == 1 && Font.Style.Empty() &&
         SameTextFold(Font.Name, u"Arial");
}

bool TLTMarkerFont::SameAs(const TLTMarkerFont& o) const {
  return Font.Height == o.Font.Height && Font.Style == o.Font.Style && Font.Color == o.Font.Color &&
         Font.Charset == o.Font.Charset && SameTextFold(Font.Name, o.Font.Name);
}

// ---- Levels ----------------------------------------------------------------------

const TLTClassInfo& TLTListLevel::ClassInfo() const { return kLevelClass; }
const TLTClassInfo& TLTListLevelCollection::ClassInfo() const { return kLevelsClass; }

void TLTListLevel::SetPicture(const TGraphic* picture) {
  if (!picture || picture->Empty()) {
    picture_.reset();
    return;
  }
  picture_ = picture->Clone();
  picture_->SetTransparent(true);
}

TLTMarkerFont& TLTListLevel::FontForWrite() {
  if (!font_) font_ = std::make_unique<TLTMarkerFont>();
  return *font_;
}

void TLTListLevel::SetFont(const TLTMarkerFont* font) {
  if (!font) {
    font_.reset();
    return;
  }
  FontForWrite().Font = font->Font;
}

TLTString TLTListLevel::DisplayName() const {
  const std::array<TLTFormatArg, 4> args{TLTString(kListTypeDisplay[ListType < kListTypeDisplay.size() ? ListType : 0]),
                                         int64_t{LeftIndent}, int64_t{MarkerIndent}, int64_t{FirstIndent}};
  return LTFormat(u"%s %d/%d/%d", args).value_or(u"");
}

TLTListInfo* TLTListLevel::ListStyle() const { return collection_ ? collection_->Owner() : nullptr; }

void TLTListLevel::Assign(const TLTListLevel& o) {
  if (&o == this) return;
  ListType = o.ListType;
  ImageList = o.ImageList;
  ImageIndex = o.ImageIndex;
  FormatString = o.FormatString;
  FormatStringW = o.FormatStringW;
  LeftIndent = o.LeftIndent;
  FirstIndent = o.FirstIndent;
  MarkerIndent = o.MarkerIndent;
  MarkerAlignment = o.MarkerAlignment;
  Options = o.Options;
  StartFrom = o.StartFrom;
  picture_ = o.picture_ ? o.picture_->Clone() : nullptr;
  SetFont(o.font_.get());
}

bool TLTListLevel::SameAs(const TLTListLevel& o) const {
  return ListType == o.ListType && (!IsNumbered() || StartFrom == o.StartFrom) && ImageList == o.ImageList &&
         ImageIndex == o.ImageIndex && FormatString == o.FormatString && FormatStringW == o.FormatStringW &&
         LeftIndent == o.LeftIndent && FirstIndent == o.FirstIndent && MarkerIndent == o.MarkerIndent &&
         MarkerAlignment == o.MarkerAlignment && Options == o.Options && FontsEqual(Font(), o.Font()) &&
         PicturesEqual(Picture(), o.Picture());
}

int64_t TLTListLevel::Similarity(const TLTListLevel& o) const {
  int64_t s = ListType == o.ListType ? 5000 : 0;
  const bool same[] = {
      StartFrom == o.StartFrom,       ImageList == o.ImageList,         ImageIndex == o.ImageIndex,
      FormatString == o.FormatString, FormatStringW == o.FormatStringW, LeftIndent == o.LeftIndent,
      FirstIndent == o.FirstIndent,   MarkerIndent == o.MarkerIndent,   MarkerAlignment == o.MarkerAlignment,
      Options == o.Options,           FontsEqual(Font(), o.Font()),     PicturesEqual(Picture(), o.Picture())};
  for (bool b : same)
    if (b) s += 100;
  return s;
}

void TLTListLevel::WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const {
  TLTIniWriter w(ini, section, pattern);
  w.Int("ListType", ListType, 0);
  w.Int("ImageIndex", ImageIndex, 0);
  w.Str("FormatString", Utf16ToUtf8(FormatString), true);
  w.Int("LeftIndent", LeftIndent, 0);
  w.Int("FirstIndent", FirstIndent, 10);
  w.Int("MarkerIndent", MarkerIndent, 0);
  w.Int("MarkerAlignment", MarkerAlignment, 0);
  if (picture_) {
    TLTMemoryStream m;
    if (picture_->SaveToStream(m)) {
      w.Str("GraphicClass", picture_->ClassName(), true);
      w.LongStr("Picture", Utf8ToUtf16(BytesToHex(m.Data())));
    }
  }
  if (font_) w.Str("Font", FontToString(font_->Font), true);
  w.Bool("Continuous", Options.Contains(ltloContinuous), true);
  w.Bool("LevelReset", Options.Contains(ltloLevelReset), true);
  if (!FormatStringW.empty()) w.Str("FormatStringW", BytesToHex(Utf16ToBytes(FormatStringW)), true);
  // Beyond the classic keys: without these a round trip would lose the
  // first number and legal-style numbering. Older readers ignore them.
  w.Int("StartFrom", StartFrom, 1);
  w.Bool("LegalStyleNumbering", Options.Contains(ltloLegalStyleNumbering), false);
}

void TLTListLevel::ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) {
  TLTIniReader r(ini, section, pattern);
  const int64_t type = r.Int("ListType", 0);
  ListType =
      type >= 0 && type < static_cast<int64_t>(kListTypeNames.size()) ? static_cast<TLTListType>(type) : ltlstBullet;
  ImageIndex = static_cast<int32_t>(r.Int("ImageIndex", 0));
  FormatString = Utf8ToUtf16(r.Str("FormatString", Utf16ToUtf8(kDefaultBullet)));
  LeftIndent = static_cast<int32_t>(r.Int("LeftIndent", 0));
  FirstIndent = static_cast<int32_t>(r.Int("FirstIndent", 10));
  MarkerIndent = static_cast<int32_t>(r.Int("MarkerIndent", 0));
  const int64_t align = r.Int("MarkerAlignment", 0);
  MarkerAlignment = align >= 0 && align <= ltmaCenter ? static_cast<TLTMarkerAlignment>(align) : ltmaLeft;
  picture_.reset();
  if (r.Has("GraphicClass")) {
    if (auto g = CreateGraphic(r.Str("GraphicClass", ""))) {
      if (auto bytes = HexToBytes(Utf16ToUtf8(r.LongStr("Picture")))) {
        TLTMemoryStream m(std::move(*bytes));
        if (g->LoadFromStream(m)) SetPicture(g.get());
      }
    }
  }
  font_.reset();
  if (r.Has("Font")) StringToFont(r.Str("Font", ""), FontForWrite().Font);
  Options = {};
  Options.Set(ltloContinuous, r.Bool("Continuous", true));
  Options.Set(ltloLevelReset, r.Bool("LevelReset", true));
  Options.Set(ltloLegalStyleNumbering, r.Bool("LegalStyleNumbering", false));
  FormatStringW.clear();
  if (auto bytes = HexToBytes(r.Str("FormatStringW", ""))) FormatStringW = BytesToUtf16(*bytes);
  StartFrom = static_cast<int32_t>(r.Int("StartFrom", 1));
}

TLTListLevel& TLTListLevelCollection::Add() {
  auto level = std::make_unique<TLTListLevel>();
  level->collection_ = this;
  items_.push_back(std::move(level));
  return *items_.back();
}

void TLTListLevelCollection::Delete(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TLTListLevelCollection::Assign(const TLTListLevelCollection& other) {
  if (&other == this) return;
  items_.clear();
  for (const auto& l : other.items_) Add().Assign(*l);
}

// ---- List styles -------------------------------------------------------------------

TLTListInfo::TLTListInfo() { StyleName = u"List Style"; }

const TLTClassInfo& TLTListInfo::ClassInfo() const { return kListClass; }

int32_t TLTListInfo::ListID() const {
  while (listID_ == 0) listID_ = static_cast<int32_t>(LTRandom(0x7FFFFFFF));
  return listID_;
}

bool TLTListInfo::HasNumberedLevels() const {
  for (int i = 0; i < Levels.Count(); ++i)
    if (Levels[i].IsNumbered()) return true;
  return false;
}

void TLTListInfo::Assign(const TCustomLTInfo& other) {
  if (&other == this) return;
  const auto* o = dynamic_cast<const TLTListInfo*>(&other);
  if (!o) {
    TCustomLTInfo::Assign(other);  // raises for an unrelated kind
    return;
  }
  BaseStyleNo = o->BaseStyleNo;
  StyleName = o->StyleName;
  Standard = o->Standard;
  StyleTemplateId = o->StyleTemplateId;
  Levels.Assign(o->Levels);
  OneLevelPreview = o->OneLevelPreview;
  const auto* infos = dynamic_cast<const TLTListInfos*>(Collection());
  if (infos && infos->CopyListIDs) listID_ = o->listID_;
}

bool TLTListInfo::SameAs(const TCustomLTInfo& other, bool ignoreReferences) const {
  const auto* o = dynamic_cast<const TLTListInfo*>(&other);
  if (!o || OneLevelPreview != o->OneLevelPreview || Levels.Count() != o->Levels.Count()) return false;
  if (!ignoreReferences && ListID() != o->ListID()) return false;
  for (int i = 0; i < Levels.Count(); ++i)
    if (!Levels[i].SameAs(o->Levels[i])) return false;
  return !CompareStyleNames || StyleName == o->StyleName;
}

bool TLTListInfo::SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& /*mapping*/) const {
  return SameAs(incoming, true);
}

int64_t TLTListInfo::Similarity(const TCustomLTInfo& other) const {
  const auto* o = dynamic_cast<const TLTListInfo*>(&other);
  if (!o) return 0;
  int64_t s = (ListID() == o->ListID() ? 50 : 0) + (OneLevelPreview == o->OneLevelPreview ? 100 : 0);
  const int n = Levels.Count();
  const int m = o->Levels.Count();
  for (int i = 0; i < std::min(n, m); ++i) s += Levels[i].Similarity(o->Levels[i]);
  return s - int64_t{100} * std::abs(n - m);
}

void TLTListInfo::WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const {
  TCustomLTInfo::WriteToIni(ini, section, pattern);
  TLTIniWriter w(ini, section, pattern);
  w.Int("LevelsCount", Levels.Count(), 0);
  // These two keys stand as they are, outside the pattern.
  TLTIniWriter plain(ini, section, "%s");
  plain.Bool("OneLevelPreview", OneLevelPreview, false);
  plain.Int("ListId", ListID(), 0);
  const std::string base = w.Key("");
  for (int i = 0; i < Levels.Count(); ++i) Levels[i].WriteToIni(ini, section, base + "Lvl%s" + IntToStr(i));
}

void TLTListInfo::ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) {
  TCustomLTInfo::ReadFromIni(ini, section, pattern);
  TLTIniReader r(ini, section, pattern);
  TLTIniReader plain(ini, section, "%s");
  OneLevelPreview = plain.Bool("OneLevelPreview", false);
  if (const int64_t id = plain.Int("ListId", 0); id != 0) listID_ = static_cast<int32_t>(id);
  Levels.Clear();
  const int64_t count = std::clamp<int64_t>(r.Int("LevelsCount", 0), 0, kMaxLevels);
  const std::string base = r.Key("");
  for (int64_t i = 0; i < count; ++i) Levels.Add().ReadFromIni(ini, section, base + "Lvl%s" + IntToStr(i));
}

// ---- Collection --------------------------------------------------------------------

const TLTClassInfo& TLTListInfos::ClassInfo() const {
  static const TLTClassInfo info{"TLTListInfos", nullptr, {}};
  return info;
}

std::unique_ptr<TCustomLTInfo> TLTListInfos::CreateStyle() const { return std::make_unique<TLTListInfo>(); }

bool TLTListInfos::TakesIndex(const TCustomLTInfo& s) const {
  return static_cast<const TLTListInfo&>(s).HasNumberedLevels();
}

uint64_t TLTListInfos::EqualityKey(const TCustomLTInfo& s) const {
  const auto* list = dynamic_cast<const TLTListInfo*>(&s);
  if (!list) return 0;
  TKeyBuilder k;
  k << list->OneLevelPreview << KeyOf(list->Levels.Count());
  for (int i = 0; i < list->Levels.Count(); ++i) {
    const TLTListLevel& l = list->Levels[i];
    k << l.ListType << KeyOf(l.IsNumbered() ? l.StartFrom : 0) << KeyOf(l.ImageIndex) << l.FormatString
      << l.FormatStringW << KeyOf(l.LeftIndent) << KeyOf(l.FirstIndent) << KeyOf(l.MarkerIndent) << l.MarkerAlignment
      << l.Options.ToBits();
    // Fonts and pictures compare by more than the key holds: whether there
    // is one (beyond the defaults) is enough to keep different lists apart.
    k << (l.Font() && !l.Font()->IsDefault()) << (l.Picture() != nullptr);
  }
  if (CompareStyleNames) k << list->StyleName;
  return k.Key();
}

}  // namespace lectern
