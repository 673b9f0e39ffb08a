// Item classes: flags, tags, checkpoints, extra properties, capability
// answers, copying, and the registry of item kinds behind ItemFactory.

#include "model/LTItem.h"

#include "model/CLTData.h"
#include "model/LTFuncs.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <type_traits>

namespace lectern {

namespace {

constexpr std::array<std::string_view, 15> kIntKeys{
    "",           "vshift",    "vshiftabs",       "width",   "height",    "transparent",
    "tmode",      "tcolor",    "minheightonpage", "spacing", "resizable", "unremovable",
    "nohtmlsize", "ainterval", "visible"};
constexpr std::array<std::string_view, 4> kStrKeys{"", "hint", "alt", "filename"};

std::string Line(std::string_view key, int64_t value) { return std::string(key) + "=" + IntToStr(value); }
std::string Line(std::string_view key, const TLTString& value) {
  return std::string(key) + "=" + LTFEncodeString(value);
}

// The text style a text item shows in, with MaxInt resolved through the
// paragraph style's default text style.
int32_t EffectiveTextStyle(const TCustomLTItemInfo& item, const TLTStyle* style) {
  if (item.StyleNo != MaxInt || !style) return item.StyleNo == MaxInt ? 0 : item.StyleNo;
  const int32_t def = style->ParaStyles()[item.ParaNo].DefStyleNo;
  return def < 0 ? 0 : def;
}

bool InPercentRange(int32_t v) { return v >= 1 && v <= 100; }

template <class T>
std::unique_ptr<TCustomLTItemInfo> Make() {
  return std::make_unique<T>();
}

std::unique_ptr<TCustomLTItemInfo> MakeTextItem() { return std::make_unique<TLTTextItemInfo>(); }

struct BuiltIn {
  int32_t StyleNo;
  TLTItemClass Class;
};

const std::array<BuiltIn, 8> kBuiltIns{{
    {ltikMarker, {"TLTMarkerItemInfo", &Make<TLTMarkerItemInfo>}},
    {ltikRule, {"TLTBreakItemInfo", &Make<TLTBreakItemInfo>}},
    {ltikImage, {"TLTGraphicItemInfo", &Make<TLTGraphicItemInfo>}},
    {ltikImageHotspot, {"TLTHotspotItemInfo", &Make<TLTHotspotItemInfo>}},
    {ltikControl, {"TLTControlItemInfo", &Make<TLTControlItemInfo>}},
    {ltikImageBullet, {"TLTBulletItemInfo", &Make<TLTBulletItemInfo>}},
    {ltikHotImage, {"TLTHotGraphicItemInfo", &Make<TLTHotGraphicItemInfo>}},
    {ltikTabulator, {"TLTTabItemInfo", &Make<TLTTabItemInfo>}},
}};

struct Registry {
  std::mutex Lock;
  std::map<int32_t, const TLTItemClass*> Kinds;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

const TLTItemClass* FindBuiltIn(int32_t styleNo) {
  for (const BuiltIn& b : kBuiltIns)
    if (b.StyleNo == styleNo) return &b.Class;
  return nullptr;
}

// Property accessors made from a member pointer: integers as they are,
// Booleans as 0/1.
template <auto M>
struct FieldOf;
template <class C, class T, T C::*M>
struct FieldOf<M> {
  static bool Get(const TCustomLTItemInfo& item, int32_t& value) {
    value = static_cast<int32_t>(static_cast<const C&>(item).*M);
    return true;
  }
  static bool Set(TCustomLTItemInfo& item, int32_t value) {
    if constexpr (std::is_same_v<T, bool>)
      static_cast<C&>(item).*M = value != 0;
    else
      static_cast<C&>(item).*M = static_cast<T>(value);
    return true;
  }
  static TLTString GetStr(const TCustomLTItemInfo& item) { return static_cast<const C&>(item).*M; }
  static void SetStr(TCustomLTItemInfo& item, const TLTString& value) { static_cast<C&>(item).*M = value; }
};

template <auto M>
constexpr TLTItemIntProperty IntField(TLTExtraItemProperty no) {
  return {no, &FieldOf<M>::Get, &FieldOf<M>::Set};
}
template <auto M>
constexpr TLTItemStrProperty StrField(TLTExtraItemStrProperty no) {
  return {no, &FieldOf<M>::GetStr, &FieldOf<M>::SetStr};
}

template <class Table>
auto FindIn(const Table& table, decltype(table[0].No) no) -> decltype(&table[0]) {
  for (const auto& p : table)
    if (p.No == no) return &p;
  return nullptr;
}

// Transparency lives in the bitmap, so it exists only while the picture is one.
TBitmap* BitmapOf(const TCustomLTItemInfo& item) {
  return dynamic_cast<TBitmap*>(static_cast<const TLTGraphicItemInfo&>(item).Image.get());
}

using Rect = TLTRectItemInfo;
using Ctl = TLTControlItemInfo;
using Pic = TLTGraphicItemInfo;
using Bul = TLTBulletItemInfo;

const TLTItemIntProperty kNonTextInts[] = {IntField<&TLTNonTextItemInfo::Unremovable>(ltepUnremovable)};

const TLTItemIntProperty kRectInts[] = {
    IntField<&Rect::VShift>(ltepVShift),
    IntField<&Rect::VShiftAbs>(ltepVShiftAbs),
    {ltepSpacing,
     [](const TCustomLTItemInfo& i, int32_t& v) {
       v = static_cast<const Rect&>(i).Spacing();
       return true;
     },
     [](TCustomLTItemInfo& i, int32_t v) {
       static_cast<Rect&>(i).SetSpacing(v);
       return true;
     }},
};

const TLTItemIntProperty kControlInts[] = {
    IntField<&Ctl::MinHeightOnPage>(ltepMinHeightOnPage),
    IntField<&Ctl::Resizable>(ltepResizable),
    {ltepVisible,
     [](const TCustomLTItemInfo& i, int32_t& v) {
       v = static_cast<const Ctl&>(i).Visible() ? 1 : 0;
       return true;
     },
     [](TCustomLTItemInfo& i, int32_t v) {
       static_cast<Ctl&>(i).SetVisible(v != 0);
       return true;
     }},
};

const TLTItemIntProperty kPictureInts[] = {
    IntField<&Pic::ImageWidth>(ltepImageWidth),
    IntField<&Pic::ImageHeight>(ltepImageHeight),
    IntField<&Pic::MinHeightOnPage>(ltepMinHeightOnPage),
    IntField<&Pic::Resizable>(ltepResizable),
    IntField<&Pic::NoHTMLImageSize>(ltepNoHTMLImageSize),
    IntField<&Pic::Interval>(ltepAnimationInterval),
    {ltepTransparent,
     [](const TCustomLTItemInfo& i, int32_t& v) {
       const TBitmap* b = BitmapOf(i);
       if (b) v = b->Transparent() ? 1 : 0;
       return b != nullptr;
     },
     [](TCustomLTItemInfo& i, int32_t v) {
       TBitmap* b = BitmapOf(i);
       if (b) b->SetTransparent(v != 0);
       return b != nullptr;
     }},
    {ltepTransparentMode,
     [](const TCustomLTItemInfo& i, int32_t& v) {
       const TBitmap* b = BitmapOf(i);
       if (b) v = b->TransparentMode() == TLTTransparentMode::tmFixed ? 1 : 0;
       return b != nullptr;
     },
     [](TCustomLTItemInfo& i, int32_t v) {
       TBitmap* b = BitmapOf(i);
       if (b) b->SetTransparentMode(v == 1 ? TLTTransparentMode::tmFixed : TLTTransparentMode::tmAuto);
       return b != nullptr;
     }},
    {ltepTransparentColor,
     [](const TCustomLTItemInfo& i, int32_t& v) {
       const TBitmap* b = BitmapOf(i);
       if (b) v = b->TransparentColor();
       return b != nullptr;
     },
     [](TCustomLTItemInfo& i, int32_t v) {
       TBitmap* b = BitmapOf(i);
       if (b) b->SetTransparentColor(v);
       return b != nullptr;
     }},
};

const TLTItemIntProperty kBulletInts[] = {IntField<&Bul::NoHTMLImageSize>(ltepNoHTMLImageSize)};

const TLTItemStrProperty kItemStrs[] = {{ltespHint, [](const TCustomLTItemInfo& i) -> TLTString { return i.HintText; },
                                         [](TCustomLTItemInfo& i, const TLTString& v) { i.HintText = v; }}};
const TLTItemStrProperty kPictureStrs[] = {StrField<&Pic::Alt>(ltespAlt),
                                           StrField<&Pic::ImageFileName>(ltespImageFileName)};
const TLTItemStrProperty kBulletStrs[] = {StrField<&Bul::Alt>(ltespAlt)};

}  // namespace

std::string_view ExtraIntPropertyKey(TLTExtraItemProperty p) {
  return p < kIntKeys.size() ? kIntKeys[p] : std::string_view();
}
std::string_view ExtraStrPropertyKey(TLTExtraItemStrProperty p) {
  return p < kStrKeys.size() ? kStrKeys[p] : std::string_view();
}
TLTExtraItemProperty ExtraIntPropertyByKey(std::string_view key) {
  for (size_t i = 1; i < kIntKeys.size(); ++i)
    if (kIntKeys[i] == key) return static_cast<TLTExtraItemProperty>(i);
  return ltepNone;
}
TLTExtraItemStrProperty ExtraStrPropertyByKey(std::string_view key) {
  for (size_t i = 1; i < kStrKeys.size(); ++i)
    if (kStrKeys[i] == key) return static_cast<TLTExtraItemStrProperty>(i);
  return ltespNone;
}

// ---- Tags, checkpoints, style usage ----------------------------------------

TLTTag TLTTag::FromInt(int64_t v) {
  TLTTag t;
  t.int_ = v;
  return t;
}

TLTTag TLTTag::FromString(TLTString s) {
  TLTTag t;
  t.str_ = std::make_shared<const TLTString>(std::move(s));
  return t;
}

std::unique_ptr<TLTCPInfo> TLTCPInfo::Copy() const {
  auto cp = std::make_unique<TLTCPInfo>();
  cp->CheckpointName = CheckpointName;
  cp->RaiseEvent = RaiseEvent;
  cp->Pinned = Pinned;
  cp->Tag = Tag;
  return cp;
}

TLTStyleUsage::TLTStyleUsage(int textCount, int paraCount, int listCount, bool text, bool para, bool list)
    : text_(static_cast<size_t>(std::max(textCount, 0)), text ? 0 : 1),
      para_(static_cast<size_t>(std::max(paraCount, 0)), para ? 0 : 1),
      list_(static_cast<size_t>(std::max(listCount, 0)), list ? 0 : 1) {}

void TLTStyleUsage::Mark(std::vector<int32_t>& used, int32_t n) {
  if (n >= 0 && static_cast<size_t>(n) < used.size()) used[static_cast<size_t>(n)] = 1;
}

bool TLTStyleUsage::Used(const std::vector<int32_t>& used, int32_t n) {
  return n >= 0 && static_cast<size_t>(n) < used.size() && used[static_cast<size_t>(n)] > 0;
}

int32_t TLTStyleUsage::Shift(const std::vector<int32_t>& used, int32_t n) {
  if (!Used(used, n)) return n;
  return n + 1 - used[static_cast<size_t>(n)];
}

void TLTStyleUsage::ToShifts(std::vector<int32_t>& used) {
  int32_t c = 1;
  for (int32_t& u : used) {
    if (u) {
      u = c;
    } else {
      ++c;
      u = 0;
    }
  }
}

void TLTStyleUsage::ConvertToShifts() {
  ToShifts(text_);
  ToShifts(para_);
  ToShifts(list_);
}

// ---- TCustomLTItemInfo ---------------------------------------------------------

TCustomLTItemInfo::~TCustomLTItemInfo() = default;

void TLTWordMisspellPainter::Paint(TLTCanvas& canvas, const TLTRectI& word, const TLTStyle& style) const {
  // Points every 2 pixels, alternately 2 above and on the bottom edge; the
  // last one exactly at the right edge.
  constexpr int kMaxPoints = 1024;
  std::vector<TLTPointI> pts;
  for (int x = word.Left; x < word.Right && static_cast<int>(pts.size()) < kMaxPoints - 1; x += 2)
    pts.push_back({x, pts.size() % 2 == 0 ? word.Bottom - 2 : word.Bottom});
  if (!pts.empty() && pts.back().X != word.Right)
    pts.push_back({word.Right, pts.size() % 2 == 0 ? word.Bottom - 2 : word.Bottom});
  if (pts.size() < 2) return;
  TLTCanvasSaver keep(canvas);
  canvas.SetPen({style.LiveSpellingColor, 1, psSolid});
  for (size_t i = 1; i < pts.size(); ++i) canvas.Line(pts[i - 1].X, pts[i - 1].Y, pts[i].X, pts[i].Y);
}

void TCustomLTItemInfo::ClearWordMarks() {
  RuntimeState &= static_cast<uint8_t>(~1u);
  if (!MarkList) return;
  std::erase_if(*MarkList, [](const std::unique_ptr<TLTWordPainter>& p) { return p->IsMisspelling(); });
  if (MarkList->empty()) MarkList.reset();
}

void TCustomLTItemInfo::ClearWordMarksFrom(int offset) {
  RuntimeState &= static_cast<uint8_t>(~1u);
  if (!MarkList) return;
  if (offset > 1)
    std::erase_if(*MarkList, [offset](const std::unique_ptr<TLTWordPainter>& p) {
      return static_cast<int64_t>(p->StartOffs) + p->Length > offset;
    });
  else
    MarkList->clear();
  if (MarkList->empty()) MarkList.reset();
}

void TCustomLTItemInfo::AddMisspelling(int offset, int length) {
  if (!MarkList) MarkList = std::make_unique<TLTWordPainterList>();
  MarkList->push_back(std::make_unique<TLTWordMisspellPainter>(offset, length));
}

bool TCustomLTItemInfo::IsMisspelledAt(int offset) const {
  if (!MarkList) return false;
  return std::any_of(MarkList->begin(), MarkList->end(), [offset](const std::unique_ptr<TLTWordPainter>& p) {
    return p->IsMisspelling() && p->StartOffs <= offset && offset < static_cast<int64_t>(p->StartOffs) + p->Length;
  });
}

bool TCustomLTItemInfo::MisspellingAt(int offset, int& start, int& length) const {
  if (!MarkList) return false;
  for (auto it = MarkList->rbegin(); it != MarkList->rend(); ++it) {
    const TLTWordPainter& p = **it;
    if (p.IsMisspelling() && p.StartOffs <= offset && offset <= static_cast<int64_t>(p.StartOffs) + p.Length) {
      start = p.StartOffs;
      length = p.Length;
      return true;
    }
  }
  return false;
}

bool TCustomLTItemInfo::ShiftMarksOnInsert(int offset, std::u16string_view text, char16_t typed,
                                           std::u16string_view delimiters) {
  const int grows = delimiters.find(typed) == std::u16string_view::npos ? 1 : 0;
  bool removed = grows == 0;
  // A letter after an apostrophe joins the word before it, so a mark ending
  // just before the apostrophe is reached too.
  int reach = grows;
  if (grows == 1 && offset >= 2 && static_cast<size_t>(offset - 1) <= text.size()) {
    const char16_t before = text[static_cast<size_t>(offset - 2)];
    if (before == u'\'' || before == u'\u2019') reach = 2;
  }
  if (!MarkList) return removed;
  for (int i = static_cast<int>(MarkList->size()) - 1; i >= 0; --i) {
    TLTWordPainter& p = *(*MarkList)[static_cast<size_t>(i)];
    if (!p.IsMisspelling() || static_cast<int64_t>(offset) >= static_cast<int64_t>(p.StartOffs) + p.Length + reach)
      continue;
    if (p.StartOffs < static_cast<int64_t>(offset) + grows) {
      MarkList->erase(MarkList->begin() + i);
      removed = true;
    } else {
      ++p.StartOffs;
    }
  }
  if (MarkList->empty()) MarkList.reset();
  return removed;
}

bool TCustomLTItemInfo::ShiftMarksOnDelete(int offset, int count) {
  if (!MarkList || count <= 0) return false;
  bool removed = false;
  for (int i = static_cast<int>(MarkList->size()) - 1; i >= 0; --i) {
    TLTWordPainter& p = *(*MarkList)[static_cast<size_t>(i)];
    // Removing the delimiter on either side of a word joins it to its
    // neighbour, so only a removal that leaves one character between it
    // and the word keeps the mark.
    if (!p.IsMisspelling() || static_cast<int64_t>(offset) > static_cast<int64_t>(p.StartOffs) + p.Length) continue;
    if (static_cast<int64_t>(offset) + count < p.StartOffs) {
      p.StartOffs -= count;
    } else {
      MarkList->erase(MarkList->begin() + i);
      removed = true;
    }
  }
  if (MarkList->empty()) MarkList.reset();
  return removed;
}

void TCustomLTItemInfo::SetJoinPrev(bool on) {
  // A rule or a table never continues a paragraph.
  if (on && GetBoolValue(iqFullLine)) return;
  if (on)
    ItemFlags = static_cast<uint8_t>((ItemFlags | ltifJoinPrev) & ~(ltifNewPage | ltifNewLine));
  else
    SetFlag(ltifJoinPrev, false);
}

void TCustomLTItemInfo::SetNewLine(bool on) {
  if (!on || GetBoolValue(iqFullLine)) {
    SetFlag(ltifNewLine, false);
    return;
  }
  ItemFlags = static_cast<uint8_t>((ItemFlags & ~ltifJoinPrev) | ltifNewLine);
}

void TCustomLTItemInfo::SetNewPage(bool on) {
  if (on)
    ItemFlags = static_cast<uint8_t>((ItemFlags & ~(ltifJoinPrev | ltifNewLine)) | ltifNewPage);
  else
    SetFlag(ltifNewPage, false);
}

int TCustomLTItemInfo::TextLength() const {
  if (!IsText()) return 0;
  return static_cast<int>(IsWide() ? Text.size() / 2 : Text.size());
}

bool TCustomLTItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  return q == iqHasContent || q == iqTakesDataLines || q == iqFollowsTextStyle;
}

bool TCustomLTItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* /*style*/) const {
  return q == iqxSliceable;
}

int TCustomLTItemInfo::GetImageWidth(const TLTStyle* /*style*/) const { return 0; }
int TCustomLTItemInfo::GetImageHeight(const TLTStyle* /*style*/) const { return 0; }

void TCustomLTItemInfo::Inserting(TCustomLTData& owner, TLTRawByteString& text, bool /*safe*/) {
  owner.ReportItemAction(ltiaInserting, *this, text);
}

void TCustomLTItemInfo::Inserted(TCustomLTData& owner, int itemNo) {
  TLTRawByteString text = Text;
  owner.ReportItemAction(ltiaInserted, *this, text);
  AttachToDocument(owner, itemNo);
}

void TCustomLTItemInfo::Assign(const TCustomLTItemInfo& source) {
  if (typeid(source) == typeid(*this)) StyleNo = source.StyleNo;
  ParaNo = source.ParaNo;
  ItemFlags = source.ItemFlags;
  HintText = source.HintText;
}

bool TCustomLTItemInfo::SetExtraIntProperty(TLTExtraItemProperty p, int32_t value) {
  const TLTItemIntProperty* prop = FindIntProperty(p);
  return prop && prop->Set(*this, value);
}

bool TCustomLTItemInfo::GetExtraIntProperty(TLTExtraItemProperty p, int32_t& value) const {
  const TLTItemIntProperty* prop = FindIntProperty(p);
  return prop && prop->Get(*this, value);
}

bool TCustomLTItemInfo::SetExtraStrProperty(TLTExtraItemStrProperty p, const TLTString& value) {
  const TLTItemStrProperty* prop = FindStrProperty(p);
  if (prop) prop->Set(*this, value);
  return prop != nullptr;
}

bool TCustomLTItemInfo::GetExtraStrProperty(TLTExtraItemStrProperty p, TLTString& value) const {
  const TLTItemStrProperty* prop = FindStrProperty(p);
  if (prop) value = prop->Get(*this);
  return prop != nullptr;
}

const TLTItemIntProperty* TCustomLTItemInfo::FindIntProperty(TLTExtraItemProperty) const { return nullptr; }

const TLTItemStrProperty* TCustomLTItemInfo::FindStrProperty(TLTExtraItemStrProperty p) const {
  return FindIn(kItemStrs, p);
}

bool TCustomLTItemInfo::SetExtraCustomProperty(std::string_view, std::string_view) { return false; }

bool TCustomLTItemInfo::ApplyPropertyLine(std::string_view line, bool utf8) {
  const size_t eq = line.find('=');
  const std::string_view key = line.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
  if (const TLTExtraItemProperty p = ExtraIntPropertyByKey(key); p != ltepNone)
    return SetExtraIntProperty(p, StrToIntDef(value, 0));
  if (const TLTExtraItemStrProperty p = ExtraStrPropertyByKey(key); p != ltespNone)
    return SetExtraStrProperty(p, LTFDecodeString(value, utf8));
  return SetExtraCustomProperty(key, value);
}

void TCustomLTItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  if (!HintText.empty()) lines.push_back(Line("hint", HintText));
}

int TCustomLTItemInfo::GetExtraPropertyCount() const {
  std::vector<std::string> lines;
  GetExtraPropertyLines(lines);
  return static_cast<int>(lines.size());
}

TLTString TCustomLTItemInfo::AsText(int, const TCustomLTData&, bool) const { return {}; }

void TCustomLTItemInfo::MarkStylesInUse(TLTStyleUsage& usage) const { usage.MarkPara(ParaNo); }

void TCustomLTItemInfo::UpdateStyles(const TLTStyleUsage& usage) { ParaNo = usage.NewPara(ParaNo); }

TCustomLTData* TCustomLTItemInfo::GetSubDocument(std::unique_ptr<TLTSubDocCursor>&, TLTSubDocPosition) {
  return nullptr;
}

void TCustomLTItemInfo::VisitSubDocumentsBefore(const TCustomLTData& doc,
                                                const std::function<bool(TCustomLTData&)>& visit) {
  std::unique_ptr<TLTSubDocCursor> cursor;
  std::vector<TCustomLTData*> earlier;
  for (TCustomLTData* d = GetSubDocument(cursor, ltsdFirst); d && d != &doc; d = GetSubDocument(cursor, ltsdNext))
    earlier.push_back(d);
  for (auto it = earlier.rbegin(); it != earlier.rend(); ++it)
    if (!visit(**it)) return;
}

// ---- Text ------------------------------------------------------------------------

bool TLTTextItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  if (!style) return TCustomLTItemInfo::GetBoolValueEx(q, style);
  const int32_t s = EffectiveTextStyle(*this, style);
  switch (q) {
    case iqxHyperlink:
    case iqxActive:
    case iqxJumpCursor:
      return style->TextStyles()[s].Jump;
    case iqxHover:
      return style->TextStyles()[s].Jump && style->IsHoverSensitive(s);
    default:
      return TCustomLTItemInfo::GetBoolValueEx(q, style);
  }
}

void TLTTextItemInfo::MarkStylesInUse(TLTStyleUsage& usage) const {
  TCustomLTItemInfo::MarkStylesInUse(usage);
  if (StyleNo != MaxInt) usage.MarkText(StyleNo);
}

void TLTTextItemInfo::UpdateStyles(const TLTStyleUsage& usage) {
  TCustomLTItemInfo::UpdateStyles(usage);
  if (StyleNo != MaxInt) StyleNo = usage.NewText(StyleNo);
}

// ---- Non-text, full-line, rule -----------------------------------------------

void TLTNonTextItemInfo::Assign(const TCustomLTItemInfo& source) {
  TCustomLTItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTNonTextItemInfo*>(&source)) Unremovable = s->Unremovable;
}

const TLTItemIntProperty* TLTNonTextItemInfo::FindIntProperty(TLTExtraItemProperty p) const {
  const TLTItemIntProperty* own = FindIn(kNonTextInts, p);
  return own ? own : TCustomLTItemInfo::FindIntProperty(p);
}

void TLTNonTextItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  TCustomLTItemInfo::GetExtraPropertyLines(lines);
  if (Unremovable) lines.push_back(Line("unremovable", 1));
}

bool TLTFullLineItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  return q == iqFullLine || TLTNonTextItemInfo::GetBoolValue(q);
}

bool TLTBreakItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  return q == iqxSliceable ? false : TLTFullLineItemInfo::GetBoolValueEx(q, style);
}

void TLTBreakItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTFullLineItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTBreakItemInfo*>(&source)) {
    LineWidth = s->LineWidth;
    Color = s->Color;
    Style = s->Style;
  }
}

// ---- Rect items ----------------------------------------------------------------

void TLTRectItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTNonTextItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTRectItemInfo*>(&source)) {
    MinHeightOnPage = s->MinHeightOnPage;
    VertAlign = s->VertAlign;
    VShift = s->VShift;
    VShiftAbs = s->VShiftAbs;
    spacing_ = s->spacing_;
  }
}

const TLTItemIntProperty* TLTRectItemInfo::FindIntProperty(TLTExtraItemProperty p) const {
  const TLTItemIntProperty* own = FindIn(kRectInts, p);
  return own ? own : TLTNonTextItemInfo::FindIntProperty(p);
}

void TLTRectItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  TLTNonTextItemInfo::GetExtraPropertyLines(lines);
  if (VShift != 0) lines.push_back(Line("vshift", VShift));
  if (VShiftAbs) lines.push_back(Line("vshiftabs", 1));
  if (spacing_ != 1) lines.push_back(Line("spacing", spacing_));
}

// ---- Tab -------------------------------------------------------------------------

bool TLTTabItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  return q == iqOwnBaseline || q == iqTextLike || q == iqFollowsTextStyle || q == iqTabulator ||
         TLTRectItemInfo::GetBoolValue(q);
}

bool TLTTabItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  if (q == iqxSliceable) return false;
  if (q == iqxLayoutWidth) return true;
  return TLTRectItemInfo::GetBoolValueEx(q, style);
}

void TLTTabItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTRectItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTTabItemInfo*>(&source)) TextStyleNo = s->TextStyleNo;
}

TLTString TLTTabItemInfo::AsText(int, const TCustomLTData&, bool) const { return u"\t"; }

void TLTTabItemInfo::MarkStylesInUse(TLTStyleUsage& usage) const {
  TLTRectItemInfo::MarkStylesInUse(usage);
  if (TextStyleNo != MaxInt) usage.MarkText(TextStyleNo);
}

void TLTTabItemInfo::UpdateStyles(const TLTStyleUsage& usage) {
  TLTRectItemInfo::UpdateStyles(usage);
  if (TextStyleNo != MaxInt) TextStyleNo = usage.NewText(TextStyleNo);
}

// ---- Control ---------------------------------------------------------------------

TLTControlItemInfo::~TLTControlItemInfo() = default;

void TLTControlItemInfo::SetVisible(bool v) {
  visible_ = v;
  if (Control) Control->SetVisible(v);
}

bool TLTControlItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  switch (q) {
    case iqHasContent:
      return Control != nullptr || Stored != nullptr;
    case iqOwnTextEncoding:
    case iqTabStop:
    case iqLive:
      return true;
    case iqResizable:
      return Resizable && !InPercentRange(PercentWidth);
    case iqWindowControl:
      return Control != nullptr;
    default:
      return TLTRectItemInfo::GetBoolValue(q);
  }
}

bool TLTControlItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  switch (q) {
    case iqxSelectable:
      return true;
    case iqxActive:
      return Control && visible_ && Control->CanFocus();
    case iqxJumpCursor:
      return false;
    case iqxLayoutWidth:
      return InPercentRange(PercentWidth);
    default:
      return TLTRectItemInfo::GetBoolValueEx(q, style);
  }
}

int TLTControlItemInfo::GetImageWidth(const TLTStyle*) const {
  return Control ? Control->Width() : Stored ? Stored->Width : 0;
}
int TLTControlItemInfo::GetImageHeight(const TLTStyle*) const {
  return Control ? Control->Height() : Stored ? Stored->Height : 0;
}

void TLTControlItemInfo::Inserting(TCustomLTData& owner, TLTRawByteString& text, bool safe) {
  // Hidden until formatting places it.
  if (Control) Control->SetVisible(false);
  TLTRectItemInfo::Inserting(owner, text, safe);
}

void TLTControlItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTRectItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTControlItemInfo*>(&source)) {
    PercentWidth = s->PercentWidth;
    Resizable = s->Resizable;
    visible_ = s->visible_;
    Stored = s->Stored ? std::make_unique<TLTStoredControl>(*s->Stored) : nullptr;
  }
}

const TLTItemIntProperty* TLTControlItemInfo::FindIntProperty(TLTExtraItemProperty p) const {
  const TLTItemIntProperty* own = FindIn(kControlInts, p);
  return own ? own : TLTRectItemInfo::FindIntProperty(p);
}

void TLTControlItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  TLTRectItemInfo::GetExtraPropertyLines(lines);
  if (MinHeightOnPage > 0) lines.push_back(Line("minheightonpage", MinHeightOnPage));
  if (Resizable) lines.push_back(Line("resizable", 1));
  if (!visible_) lines.push_back(Line("visible", 0));
}

TLTString TLTControlItemInfo::AsText(int, const TCustomLTData& owner, bool) const {
  TLTString out;
  const TLTDocumentContext* ctx = owner.GetContext();
  if (Control && ctx && ctx->OnSaveComponentToFile) ctx->OnSaveComponentToFile({}, *Control, ltsfText, out);
  return out;
}

// ---- Pictures --------------------------------------------------------------------

TLTGraphicItemInfo::TLTGraphicItemInfo(std::unique_ptr<TGraphic> image, uint8_t vertAlign) : TLTGraphicItemInfo() {
  Image = std::move(image);
  VertAlign = vertAlign;
}

bool TLTGraphicItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  switch (q) {
    case iqHasContent:
      return Image != nullptr;
    case iqOwnBaseline:
      return true;
    case iqResizable:
      return Image && Image->ClassName() != "TIcon" && Resizable;
    case iqLive:
      return false;  // no animation player yet
    default:
      return TLTRectItemInfo::GetBoolValue(q);
  }
}

bool TLTGraphicItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  switch (q) {
    case iqxSelectable:
      return true;
    case iqxSliceable:
      return !(Image && Image->ClassName() == "TMetafile");
    default:
      return TLTRectItemInfo::GetBoolValueEx(q, style);
  }
}

int TLTGraphicItemInfo::GetImageWidth(const TLTStyle*) const {
  if (ImageWidth > 0) return ImageWidth;
  return Image ? Image->Width() : 0;
}

int TLTGraphicItemInfo::GetImageHeight(const TLTStyle*) const {
  if (ImageHeight > 0) return ImageHeight;
  return Image ? Image->Height() : 0;
}

void TLTGraphicItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTRectItemInfo::Assign(source);
  const auto* s = dynamic_cast<const TLTGraphicItemInfo*>(&source);
  if (!s) return;
  Alt = s->Alt;
  Resizable = s->Resizable;
  ImageFileName = s->ImageFileName;
  ImageWidth = s->ImageWidth;
  ImageHeight = s->ImageHeight;
  NoHTMLImageSize = s->NoHTMLImageSize;
  Image = s->Image ? s->Image->Clone() : nullptr;
  ImageCopy = s->ImageCopy ? s->ImageCopy->Clone() : nullptr;
}

const TLTItemIntProperty* TLTGraphicItemInfo::FindIntProperty(TLTExtraItemProperty p) const {
  const TLTItemIntProperty* own = FindIn(kPictureInts, p);
  return own ? own : TLTRectItemInfo::FindIntProperty(p);
}

const TLTItemStrProperty* TLTGraphicItemInfo::FindStrProperty(TLTExtraItemStrProperty p) const {
  const TLTItemStrProperty* own = FindIn(kPictureStrs, p);
  return own ? own : TLTRectItemInfo::FindStrProperty(p);
}

void TLTGraphicItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  TLTRectItemInfo::GetExtraPropertyLines(lines);
  if (!Resizable) lines.push_back(Line("resizable", 0));
  if (ImageWidth > 0) lines.push_back(Line("width", ImageWidth));
  if (ImageHeight > 0) lines.push_back(Line("height", ImageHeight));
  if (MinHeightOnPage > 0) lines.push_back(Line("minheightonpage", MinHeightOnPage));
  if (NoHTMLImageSize) lines.push_back(Line("nohtmlsize", 1));
  if (Interval > 0) lines.push_back(Line("ainterval", Interval));
  if (const auto* bmp = dynamic_cast<const TBitmap*>(Image.get()); bmp && bmp->Transparent()) {
    lines.push_back(Line("transparent", 1));
    const bool fixed = bmp->TransparentMode() == TLTTransparentMode::tmFixed;
    lines.push_back(Line("tmode", fixed ? 1 : 0));
    if (fixed) lines.push_back(Line("tcolor", bmp->TransparentColor()));
  }
  if (!ImageFileName.empty()) lines.push_back(Line("filename", ImageFileName));
  if (!Alt.empty()) lines.push_back(Line("alt", Alt));
}

bool TLTHotGraphicItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  if (q == iqxHyperlink || q == iqxActive || q == iqxJumpCursor) return true;
  return TLTGraphicItemInfo::GetBoolValueEx(q, style);
}

// ---- Bullets and hotspots ----------------------------------------------------

bool TLTBulletItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  return q == iqHasContent ? ImageList != nullptr : TLTRectItemInfo::GetBoolValue(q);
}

bool TLTBulletItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  return q == iqxSelectable || TLTRectItemInfo::GetBoolValueEx(q, style);
}

int TLTBulletItemInfo::GetImageWidth(const TLTStyle*) const { return ImageList ? ImageList->Width : 0; }
int TLTBulletItemInfo::GetImageHeight(const TLTStyle*) const { return ImageList ? ImageList->Height : 0; }

void TLTBulletItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTRectItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTBulletItemInfo*>(&source)) {
    ImageList = s->ImageList;
    ImageIndex = s->ImageIndex;
    NoHTMLImageSize = s->NoHTMLImageSize;
  }
}

const TLTItemIntProperty* TLTBulletItemInfo::FindIntProperty(TLTExtraItemProperty p) const {
  const TLTItemIntProperty* own = FindIn(kBulletInts, p);
  return own ? own : TLTRectItemInfo::FindIntProperty(p);
}

const TLTItemStrProperty* TLTBulletItemInfo::FindStrProperty(TLTExtraItemStrProperty p) const {
  const TLTItemStrProperty* own = FindIn(kBulletStrs, p);
  return own ? own : TLTRectItemInfo::FindStrProperty(p);
}

void TLTBulletItemInfo::GetExtraPropertyLines(std::vector<std::string>& lines) const {
  TLTRectItemInfo::GetExtraPropertyLines(lines);
  if (NoHTMLImageSize) lines.push_back(Line("nohtmlsize", 1));
  if (!Alt.empty()) lines.push_back(Line("alt", Alt));
}

bool TLTHotspotItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  switch (q) {
    case iqxHyperlink:
    case iqxActive:
    case iqxJumpCursor:
      return true;
    case iqxHover:
      return HotImageIndex != ImageIndex;
    default:
      return TLTBulletItemInfo::GetBoolValueEx(q, style);
  }
}

void TLTHotspotItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTBulletItemInfo::Assign(source);
  if (const auto* s = dynamic_cast<const TLTHotspotItemInfo*>(&source)) HotImageIndex = s->HotImageIndex;
}

// ---- Factory and registry --------------------------------------------------

std::unique_ptr<TCustomLTItemInfo> (*LTTextItemFactory)() = &MakeTextItem;

void RegisterItemKind(int32_t styleNo, const TLTItemClass& itemClass) {
  static const char* const kError = "Can't register Lectern item type - this StyleNo is already registered";
  if (styleNo >= -9) throw ELecternError(kError);
  if (const TLTItemClass* b = FindBuiltIn(styleNo); b && b != &itemClass) throw ELecternError(kError);
  Registry& r = TheRegistry();
  std::lock_guard lock(r.Lock);
  auto it = r.Kinds.find(styleNo);
  if (it != r.Kinds.end()) {
    if (it->second != &itemClass) throw ELecternError(kError);
    return;
  }
  r.Kinds.emplace(styleNo, &itemClass);
}

const TLTItemClass* FindItemKind(int32_t styleNo) {
  if (const TLTItemClass* b = FindBuiltIn(styleNo)) return b;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.Lock);
  auto it = r.Kinds.find(styleNo);
  return it == r.Kinds.end() ? nullptr : it->second;
}

std::unique_ptr<TCustomLTItemInfo> ItemFactory(int32_t styleNo) {
  std::unique_ptr<TCustomLTItemInfo> item;
  if (styleNo >= 0) {
    item = LTTextItemFactory();
  } else if (const TLTItemClass* c = FindItemKind(styleNo)) {
    item = c->Create();
  }
  if (item) item->StyleNo = styleNo;
  return item;
}

std::unique_ptr<TCustomLTItemInfo> CloneItem(const TCustomLTItemInfo& item) {
  auto copy = ItemFactory(item.StyleNo);
  if (!copy) return nullptr;
  copy->Assign(item);
  copy->StyleNo = item.StyleNo;
  copy->Text = item.Text;
  copy->Tag = item.Tag;
  if (item.Checkpoint) copy->Checkpoint = item.Checkpoint->Copy();
  return copy;
}

}  // namespace lectern
