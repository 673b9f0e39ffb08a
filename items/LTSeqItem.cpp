// Sequence fields and their numbering: number texts, the format around
// them, the root's list of fields in document order, and the field's LTF
// record.
//
// Design notes. The list holds every sequence field of a document (notes
// too) in document order; a field finds its place by comparing document
// positions, from the end first, since fields read from a file arrive in
// order. Renumbering walks the list from a position for one name. The list
// also keeps the last counter of every name, so that a field appended at
// the end is numbered at once: a document of many differently named fields
// costs no walk back per field. Counters saturate at the integer limit.

#include "items/LTSeqItem.h"

#include "model/LTFMisc.h"
#include "model/LTFuncs.h"
#include "platform/LTSysUtils.h"

#include <algorithm>
#include <array>
#include <limits>

namespace lectern {

namespace {

/// The largest number Roman numerals write.
constexpr int32_t kMaxRoman = 3999;
constexpr int kLetters = 26;

struct TRomanStep {
  int32_t Value;
  std::u16string_view Digits;
};
constexpr std::array<TRomanStep, 13> kRoman{{{1000, u"M"},
                                              {900, u"CM"},
                                              {500, u"D"},
                                              {400, u"CD"},
                                              {100, u"C"},
                                              {90, u"XC"},
                                              {50, u"L"},
                                              {40, u"XL"},
                                              {10, u"X"},
                                              {9, u"IX"},
                                              {5, u"V"},
                                              {4, u"IV"},
                                              {1, u"I"}}};

TLTString Decimal(int32_t n) {
  const std::string s = IntToStr(n);
  return TLTString(s.begin(), s.end());
}

TLTString Letters(int32_t n) {
  TLTString out;
  for (int64_t v = n; v > 0; v = (v - 1) / kLetters) out.insert(out.begin(), static_cast<char16_t>(u'A' + (v - 1) % kLetters));
  return out;
}

TLTString Roman(int32_t n) {
  if (n <= 0) return u"?";
  if (n > kMaxRoman) return Decimal(n);
  TLTString out;
  for (const TRomanStep& step : kRoman)
    for (; n >= step.Value; n -= step.Value) out += step.Digits;
  return out;
}

TLTString Lower(TLTString s) {
  for (char16_t& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return s;
}

const TLTItemClass kSeqClass{"TLTSeqItemInfo", [] { return std::unique_ptr<TCustomLTItemInfo>(new TLTSeqItemInfo); }};

}  // namespace

// ---- Number texts ----------------------------------------------------------------------

TLTString SeqNumberText(int32_t n, TLTSeqType type) {
  switch (type) {
    case ltseqLowerAlpha:
      return Lower(Letters(n));
    case ltseqUpperAlpha:
      return Letters(n);
    case ltseqLowerRoman:
      return Lower(Roman(n));
    case ltseqUpperRoman:
      return Roman(n);
    default:
      return Decimal(n);
  }
}

TLTString FormatSeqText(std::u16string_view format, std::u16string_view number) {
  if (format.empty()) return TLTString(number);
  TLTString out;
  bool placed = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const char16_t next = i + 1 < format.size() ? format[i + 1] : u'\0';
    if (format[i] == u'%' && next == u'%') {
      out += u'%';
      ++i;
    } else if (format[i] == u'%' && next == u's' && !placed) {
      out += number;
      placed = true;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

// ---- The list ------------------------------------------------------------------------------

int TLTSeqList::IndexOf(const TLTSeqItemInfo& item) const {
  const int hint = item.listIndex_;
  if (hint >= 0 && hint < Count() && items_[static_cast<size_t>(hint)] == &item) return hint;
  const auto it = std::find(items_.begin(), items_.end(), &item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TLTSeqList::InsertionPoint(const TCustomLTData& owner, int itemNo) const {
  auto before = [&](int i) {
    const TLTSeqItemInfo& f = Item(i);
    return f.Container()->ComparePositions(f.ItemNo(), owner, itemNo) < 0;
  };
  if (items_.empty() || before(Count() - 1)) return Count();
  int lo = 0, hi = Count() - 1;  // the answer lies in lo..hi
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (before(mid))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void TLTSeqList::Insert(TLTSeqItemInfo& item, const TCustomLTData& owner, int itemNo) {
  const int at = InsertionPoint(owner, itemNo);
  items_.insert(items_.begin() + at, &item);
  item.listIndex_ = at;
  RenumberFrom(at, at == Count() - 1);
}

int TLTSeqList::Remove(const TLTSeqItemInfo& item, bool renumber) {
  const int at = IndexOf(item);
  if (at < 0) return -1;
  items_.erase(items_.begin() + at);
  if (!renumber) {
    countersKnown_ = false;
    return at;
  }
  // Both sequences that met at the position: the one that lost a field,
  // and the one whose field moved up to it.
  const std::u16string_view gone = item.GetSeqName();
  bool goneRenumbered = false;
  if (at < Count()) {
    goneRenumbered = SameTextFold(Item(at).GetSeqName(), gone);
    Renumber(at);
  }
  if (!goneRenumbered) {
    const auto next = std::find_if(items_.begin() + at, items_.end(),
                                   [&](const TLTSeqItemInfo* f) { return SameTextFold(f->GetSeqName(), gone); });
    if (next != items_.end()) {
      Renumber(static_cast<int>(next - items_.begin()));
    } else {
      // Nothing after it counts on from it: the last counter of its name
      // is now that of the nearest earlier field, if any.
      const std::u16string key = FoldCaseW(gone);
      lastCounters_.erase(key);
      for (int i = at - 1; i >= 0; --i)
        if (SameTextFold(Item(i).GetSeqName(), gone)) {
          lastCounters_[key] = Item(i).Counter;
          break;
        }
    }
  }
  return at;
}

void TLTSeqList::Renumber(int index) { RenumberFrom(index, false); }

void TLTSeqList::RenumberFrom(int index, bool appended) {
  if (index < 0 || index >= Count()) return;
  const std::u16string_view name = Item(index).GetSeqName();
  const std::u16string key = FoldCaseW(name);
  const TCustomLTData* where = Item(index).Container();
  const TLTStyle* style = where ? where->GetStyle() : nullptr;
  bool hasPrev = false;
  int32_t prev = 0;
  if (appended && !countersKnown_) {
    lastCounters_.clear();
    for (int i = 0; i < index; ++i) lastCounters_[FoldCaseW(Item(i).GetSeqName())] = Item(i).Counter;
    countersKnown_ = true;
  }
  if (appended) {
    if (const auto it = lastCounters_.find(key); it != lastCounters_.end()) {
      hasPrev = true;
      prev = it->second;
    }
  } else {
    for (int i = index - 1; i >= 0 && !hasPrev; --i)
      if (SameTextFold(Item(i).GetSeqName(), name)) {
        hasPrev = true;
        prev = Item(i).Counter;
      }
  }
  for (int i = index; i < Count(); ++i) {
    TLTSeqItemInfo& f = Item(i);
    f.listIndex_ = i;
    if (!SameTextFold(f.GetSeqName(), name)) continue;
    int32_t value = 1;
    if (f.Reset)
      value = f.StartFrom;
    else if (hasPrev)
      value = prev == std::numeric_limits<int32_t>::max() ? prev : prev + 1;
    f.SetCounter(value, style);
    hasPrev = true;
    prev = value;
  }
  lastCounters_[key] = prev;
}

void TLTSeqList::RenumberAll() {
  lastCounters_.clear();
  countersKnown_ = true;
  std::vector<std::u16string> done;
  for (int i = 0; i < Count(); ++i) {
    std::u16string key = FoldCaseW(Item(i).GetSeqName());
    if (std::find(done.begin(), done.end(), key) != done.end()) continue;
    done.push_back(std::move(key));
    Renumber(i);
  }
}

// ---- The field -------------------------------------------------------------------------------

TLTSeqItemInfo::TLTSeqItemInfo(std::u16string_view seqName, TLTSeqType numberType)
    : SeqName(seqName.empty() ? LTDefaultSeqName : seqName), NumberType(numberType) {
  StyleNo = ltikNumbering;
}

TLTSeqType TLTSeqItemInfo::ShownNumberType(const TLTStyle* /*style*/) const { return NumberType; }

void TLTSeqItemInfo::SetCounter(int32_t value, const TLTStyle* style) {
  Counter = value;
  TLTString text = FormatSeqText(FormatString, SeqNumberText(value, ShownNumberType(style)));
  if (text == LabelText) return;
  LabelText = std::move(text);
  // Fields renumbered far from an edit change their width there too.
  if (container_) container_->RequestFullFormat();
}

int TLTSeqItemInfo::ItemNo() const {
  if (!container_) return -1;
  if (itemNo_ < 0 || itemNo_ >= container_->ItemCount() || &container_->GetItem(itemNo_) != this)
    itemNo_ = container_->FindItemIndex(this);
  return itemNo_;
}

TLTSeqList* TLTSeqItemInfo::SeqList() const {
  return container_ ? dynamic_cast<TLTSeqList*>(container_->GetSeqList()) : nullptr;
}

void TLTSeqItemInfo::Renumber() {
  TLTSeqList* list = SeqList();
  const int at = list ? list->IndexOf(*this) : -1;
  if (at >= 0) {
    list->Renumber(at);
    return;
  }
  // Outside a document the field shows its own value.
  SetCounter(Reset ? StartFrom : 1, container_ ? container_->GetStyle() : nullptr);
}

void TLTSeqItemInfo::AttachToDocument(TCustomLTData& owner, int itemNo) {
  TLTLabelItemInfo::AttachToDocument(owner, itemNo);
  container_ = &owner;
  itemNo_ = itemNo;
  // A sub-document that is not part of its document yet (a note or cell
  // being read) registers its fields when it becomes part of it.
  if (!owner.IsAttached()) return;
  auto* list = dynamic_cast<TLTSeqList*>(owner.GetSeqList());
  if (!list) {
    auto made = std::make_unique<TLTSeqList>();
    list = made.get();
    owner.SetSeqList(std::move(made));
  }
  if (list->IndexOf(*this) >= 0) list->Remove(*this, true);
  list->Insert(*this, owner, itemNo);
}

void TLTSeqItemInfo::Removing(TCustomLTData& owner) {
  TLTLabelItemInfo::Removing(owner);
  if (auto* list = dynamic_cast<TLTSeqList*>(owner.GetSeqList())) {
    // A document cleared as a whole does not renumber what goes away.
    list->Remove(*this, !owner.GetRootData().IsClearing());
    if (list->Count() == 0) owner.SetSeqList(nullptr);
  }
  container_ = nullptr;
  itemNo_ = -1;
}

void TLTSeqItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTLabelItemInfo::Assign(source);
  const auto* s = dynamic_cast<const TLTSeqItemInfo*>(&source);
  if (!s) return;
  SeqName = s->SeqName;
  NumberType = s->NumberType;
  Reset = s->Reset;
  StartFrom = s->StartFrom;
  FormatString = s->FormatString;
  Counter = s->Counter;
}

void TLTSeqItemInfo::DumpFields(std::string& out) const {
  TLTLabelItemInfo::DumpFields(out);
  out += " seq=" + QuoteForDump(GetSeqName()) + " type=" + IntToStr(NumberType) + " counter=" + IntToStr(Counter);
  if (Reset) out += " restart=" + IntToStr(StartFrom);
  if (!FormatString.empty()) out += " format=" + QuoteForDump(FormatString);
}

void TLTSeqItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  std::vector<std::string> lines{LTFEncodeString(SeqName), IntToStr(NumberType), Reset ? "1" : "0",
                                 IntToStr(StartFrom)};
  AppendStyleLines(w, lines);
  lines.push_back(LTFName(w));
  lines.push_back(LTFEncodeString(FormatString));
  SaveLTFRecord(w, forceJoin, ltfdkText, 0, lines);
}

bool TLTSeqItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t /*dataKind*/, TLTFReadContext& ctx) {
  constexpr int kFixedLines = 10;
  std::string_view line;
  if (lineCount < kFixedLines || !src.TextLine(line)) return false;
  SeqName = ctx.DecodeString(line);
  if (!src.TextLine(line)) return false;
  const int32_t type = TryStrToInt(line).value_or(ltseqDecimal);
  NumberType = type >= ltseqDecimal && type <= ltseqUpperRoman ? static_cast<TLTSeqType>(type) : ltseqDecimal;
  if (!src.TextLine(line)) return false;
  Reset = line != "0";
  if (!src.TextLine(line)) return false;
  StartFrom = TryStrToInt(line).value_or(1);
  if (!ReadStyleLines(src, ctx) || !ReadNameLine(src, ctx) || !src.TextLine(line)) return false;
  FormatString = ctx.DecodeString(line);
  return TCustomLTItemInfo::ReadLTFLines(src, lineCount - kFixedLines, ltfdkText, ctx);
}

void RegisterSeqItemKind() { RegisterItemKind(ltikNumbering, kSeqClass); }

}  // namespace lectern
