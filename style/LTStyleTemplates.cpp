// Style templates: identities, names, parent links, derivation of styles
// and copying.
//
// Design notes. Identities are drawn from 1 upward as the largest assigned
// one plus one (the smallest free one after a wrap), compared only with
// identities already assigned, so that assigning one never assigns others
// and the same document gives the same numbers. Every walk up the parent
// chain remembers where it has been: a chain that loops, whatever stored
// data made it, ends instead of running forever.

#include "style/LTStyleTemplates.h"

#include "style/LTStyleInternal.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <unordered_set>

namespace lectern {

namespace {

constexpr char16_t kNormalName[] = u"Normal";

/// The default name for counter n: the pattern with its one "%d" replaced
/// literally (never through a formatter).
TLTString NameFor(TLTString pattern, int32_t n) {
  size_t at = pattern.find(u"%d");
  if (at == TLTString::npos || pattern.find(u"%d", at + 2) != TLTString::npos) {
    pattern += u" %d";
    at = pattern.size() - 2;
  }
  const std::string digits = std::to_string(n);
  return pattern.substr(0, at) + TLTString(digits.begin(), digits.end()) + pattern.substr(at + 2);
}

/// Calls f for t and each of its ancestors, once each.
template <class F>
void ForChain(TLTStyleTemplate* t, F&& f) {
  std::unordered_set<const TLTStyleTemplate*> seen;
  for (; t && seen.insert(t).second; t = t->Parent()) f(*t);
}

TLTFontInfoProperties ApplyTextChain(TLTStyleTemplate* t, TCustomLTFontInfo& s, TLTFontInfoProperties mask) {
  TLTFontInfoProperties done;
  ForChain(t, [&](TLTStyleTemplate& x) {
    const TLTFontInfoProperties take = (x.ValidTextProperties & mask) - done;
    if (take.Empty()) return;
    s.AssignSelected(x.TextStyle, take);
    done = done | take;
  });
  return done;
}

TLTParaInfoProperties ApplyParaChain(TLTStyleTemplate* t, TCustomLTParaInfo& s, TLTParaInfoProperties mask) {
  TLTParaInfoProperties done;
  ForChain(t, [&](TLTStyleTemplate& x) {
    const TLTParaInfoProperties take = (x.ValidParaProperties & mask) - done;
    if (take.Empty()) return;
    s.AssignSelected(x.ParaStyle, take);
    done = done | take;
  });
  return done;
}

}  // namespace

// ---- Holders ---------------------------------------------------------------------------------------

const TLTClassInfo& TLTSTFontInfo::ClassInfo() const {
  // The text properties without the sheet's bookkeeping of the base.
  static const TLTClassInfo info{"TLTSTFontInfo", nullptr, TCustomLTFontInfo::ClassInfo().Props,
                                 TCustomLTFontInfo::ClassInfo().Defined};
  return info;
}

const TLTClassInfo& TLTSTParaInfo::ClassInfo() const {
  static const TLTClassInfo info{"TLTSTParaInfo", nullptr, TCustomLTParaInfo::ClassInfo().Props,
                                 TCustomLTParaInfo::ClassInfo().Defined};
  return info;
}

// ---- A template ------------------------------------------------------------------------------------

TLTStyleTemplate::TLTStyleTemplate(TLTStyleTemplateCollection* collection) : collection_(collection) {}

TLTStyleTemplate::~TLTStyleTemplate() { Unlink(); }

namespace {

using T = TLTStyleTemplate;

/// A paragraph property set stored as two sets, numbers 0..26 and 27 on.
TLTPropInfo ValidParaSet(bool second) {
  TLTPropInfo p;
  p.Name = second ? "ValidParaProperties2" : "ValidParaProperties1";
  p.Kind = TLTPropKind::Set;
  p.Names = &ParaPropertyNames(second);
  constexpr uint64_t low = (uint64_t{1} << kParaSecondSetFirst) - 1;
  if (second) {
    p.GetOrd = [](const TLTPersistent& o) -> int64_t {
      return static_cast<int64_t>(static_cast<const T&>(o).ValidParaProperties.ToBits() >> kParaSecondSetFirst);
    };
    p.SetOrd = [](TLTPersistent& o, int64_t v) {
      auto& m = static_cast<T&>(o).ValidParaProperties;
      m = TLTParaInfoProperties::FromBits((m.ToBits() & low) | (static_cast<uint64_t>(v) << kParaSecondSetFirst)) &
          LTAllParaInfoProperties;
    };
  } else {
    p.GetOrd = [](const TLTPersistent& o) -> int64_t {
      return static_cast<int64_t>(static_cast<const T&>(o).ValidParaProperties.ToBits() & low);
    };
    p.SetOrd = [](TLTPersistent& o, int64_t v) {
      auto& m = static_cast<T&>(o).ValidParaProperties;
      m = TLTParaInfoProperties::FromBits((m.ToBits() & ~low) | (static_cast<uint64_t>(v) & low));
    };
  }
  return p;
}

TLTPropInfo NameProp() {
  TLTPropInfo p;
  p.Name = "Name";
  p.Kind = TLTPropKind::String;
  p.GetStr = [](const TLTPersistent& o) { return static_cast<const T&>(o).Name(); };
  p.SetStr = [](TLTPersistent& o, const TLTString& v) { static_cast<T&>(o).SetName(v); };
  return p;
}

TLTPropInfo ParentProp() {
  // Stored as a number; the links are made once every template is read.
  TLTPropInfo p;
  p.Name = "ParentId";
  p.Kind = TLTPropKind::Integer;
  p.Default = -1;
  p.GetOrd = [](const TLTPersistent& o) -> int64_t { return static_cast<const T&>(o).ParentId(); };
  p.SetOrd = [](TLTPersistent& o, int64_t v) {
    static_cast<T&>(o).SetStoredParentId(static_cast<TLTStyleTemplateId>(v));
  };
  return p;
}

const TLTPropInfo kTemplateProps[] = {
    Prop::Object<&T::TextStyle>("TextStyle"),
    Prop::Object<&T::ParaStyle>("ParaStyle"),
    Prop::Set<&T::ValidTextProperties>("ValidTextProperties", FontInfoPropertyNames(), 0),
    ValidParaSet(false),
    ValidParaSet(true),
    NameProp(),
    ParentProp(),
};

const TLTDefinedProp kTemplateDefined[] = {{
    .Name = "IDProp",
    .Kind = TLTDefinedKind::Integer,
    .ShouldWrite = [](const TLTPersistent&) { return true; },
    // Writing assigns an identity that is still missing.
    .GetInt = [](const TLTPersistent& o) -> int64_t { return const_cast<T&>(static_cast<const T&>(o)).Id(); },
    .SetInt = [](TLTPersistent& o, int64_t v) {
      static_cast<T&>(o).SetStoredId(static_cast<TLTStyleTemplateId>(std::clamp<int64_t>(v, 0, INT32_MAX)));
    },
}};

}  // namespace

const TLTClassInfo& TLTStyleTemplate::ClassInfo() const {
  static const TLTClassInfo info{"TLTStyleTemplate", nullptr, kTemplateProps, kTemplateDefined};
  return info;
}

void TLTStyleTemplate::Unlink() {
  if (parent_) std::erase(parent_->children_, this);
  parent_ = nullptr;
  // The children lose their parent.
  for (TLTStyleTemplate* child : children_) {
    child->parent_ = nullptr;
    child->parentId_ = -1;
  }
  children_.clear();
  if (collection_ && collection_->normal_ == this) collection_->normal_ = nullptr;
}

void TLTStyleTemplate::SetName(const TLTString& name) {
  if (name == name_) return;
  const bool wasNormal = collection_ && collection_->normal_ == this && name_ == kNormalName;
  name_ = name;
  if (wasNormal) {
    // Another template of that name, if any, is the normal one now.
    collection_->normal_ = nullptr;
    for (const auto& t : collection_->items_)
      if (t.get() != this && t->name_ == kNormalName) {
        collection_->normal_ = t.get();
        break;
      }
  }
  if (collection_ && name_ == kNormalName) collection_->normal_ = this;
}

TLTStyleTemplateId TLTStyleTemplate::Id() {
  if (id_ <= 0) id_ = collection_ ? collection_->NewId() : 1;
  return id_;
}

void TLTStyleTemplate::SetParentId(TLTStyleTemplateId id) {
  if (id == parentId_) return;
  if (parent_) std::erase(parent_->children_, this);
  parent_ = nullptr;
  parentId_ = id;
  if (id <= 0 || !collection_) return;
  const int at = collection_->FindTemplateById(id);
  if (at < 0) return;  // a parent that is not there stays a number
  TLTStyleTemplate* candidate = &(*collection_)[at];
  bool loops = false;
  ForChain(candidate, [&](TLTStyleTemplate& x) { loops = loops || &x == this; });
  if (loops) {
    parentId_ = -1;
    throw ELecternError("Circular references are not allowed");
  }
  parent_ = candidate;
  parent_->children_.push_back(this);
}

void TLTStyleTemplate::Assign(const TLTStyleTemplate& source) {
  if (&source == this) return;
  TextStyle.AssignSelected(source.TextStyle, LTAllFontInfoProperties);
  ParaStyle.AssignSelected(source.ParaStyle, LTAllParaInfoProperties);
  SetName(source.name_);
  ValidTextProperties = source.ValidTextProperties;
  ValidParaProperties = source.ValidParaProperties;
  if (collection_ && collection_ == source.collection_) parentId_ = source.parentId_;
}

// ---- The collection --------------------------------------------------------------------------------

TLTStyleTemplateCollection::~TLTStyleTemplateCollection() { Clear(); }

namespace {

TLTPropInfo DefStyleNameProp() {
  auto p = Prop::String<&TLTStyleTemplateCollection::DefStyleName>("DefStyleName");
  p.StrDefault = [](const TLTPersistent&) { return TLTString(LTDefaultTemplateNamePattern); };
  return p;
}

const TLTPropInfo kCollectionProps[] = {DefStyleNameProp()};

}  // namespace

const TLTClassInfo& TLTStyleTemplateCollection::ClassInfo() const {
  static const TLTClassInfo info{"TLTStyleTemplateCollection", nullptr, kCollectionProps};
  return info;
}

TLTPersistent& TLTStyleTemplateCollection::AddItem() {
  items_.push_back(std::make_unique<TLTStyleTemplate>(this));
  return *items_.back();
}

TLTStyleTemplate& TLTStyleTemplateCollection::Add() {
  auto& t = static_cast<TLTStyleTemplate&>(AddItem());
  MakeDefaultName(t);
  return t;
}

void TLTStyleTemplateCollection::Clear() {
  // Unlinking one template touches the others: unlink all first.
  for (auto& t : items_) t->Unlink();
  items_.clear();
  normal_ = nullptr;
}

void TLTStyleTemplateCollection::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

TLTStyleTemplateId TLTStyleTemplateCollection::NewId() const {
  TLTStyleTemplateId top = 0;
  for (const auto& t : items_) top = std::max(top, t->id_);
  if (top < INT32_MAX - 1) return top + 1;
  // Past the top: the smallest identity no template has.
  std::vector<TLTStyleTemplateId> used;
  for (const auto& t : items_)
    if (t->id_ > 0) used.push_back(t->id_);
  std::sort(used.begin(), used.end());
  TLTStyleTemplateId next = 1;
  for (TLTStyleTemplateId u : used) {
    if (u > next) break;
    if (u == next) ++next;
  }
  return next;
}

void TLTStyleTemplateCollection::MakeDefaultName(TLTStyleTemplate& t) {
  if (items_.size() == 1) nameCounter_ = 0;
  // One full turn of the counter at most: naming never loops forever.
  for (int64_t tries = 0; tries <= INT32_MAX; ++tries) {
    nameCounter_ = nameCounter_ == INT32_MAX ? 1 : nameCounter_ + 1;
    const TLTString name = NameFor(DefStyleName, nameCounter_);
    const bool taken = std::any_of(items_.begin(), items_.end(), [&](const auto& o) {
      return o.get() != &t && o->name_ == name;
    });
    if (!taken) {
      t.SetName(name);
      return;
    }
  }
}

int TLTStyleTemplateCollection::FindTemplateById(TLTStyleTemplateId id) {
  if (id <= 0) return -1;
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)]->id_ == id) return i;
  return -1;
}

void TLTStyleTemplateCollection::UpdateParentReferences() {
  // Stored data may hold any number of templates: every step here is
  // linear, so that a hostile sheet cannot make loading quadratic.
  const size_t n = items_.size();
  // A stored identity met twice: the later template gets a new one.
  std::unordered_map<TLTStyleTemplateId, size_t> byId;
  TLTStyleTemplateId top = 0;
  for (size_t i = 0; i < n; ++i) {
    TLTStyleTemplate& t = *items_[i];
    if (t.id_ > 0 && !byId.emplace(t.id_, i).second) t.id_ = 0;
    top = std::max(top, t.id_);
  }
  for (size_t i = 0; i < n; ++i) {
    TLTStyleTemplate& t = *items_[i];
    if (t.id_ > 0) continue;
    t.id_ = top < INT32_MAX - 1 ? ++top : NewId();
    byId.emplace(t.id_, i);
  }
  constexpr size_t kNone = SIZE_MAX;
  std::vector<size_t> parent(n, kNone);
  for (size_t i = 0; i < n; ++i) {
    items_[i]->parent_ = nullptr;
    items_[i]->children_.clear();
    const auto at = items_[i]->parentId_ > 0 ? byId.find(items_[i]->parentId_) : byId.end();
    if (at != byId.end()) parent[i] = at->second;
  }
  // A stored cycle loses the link of its last template, the one whose link
  // would have closed it had the links been made in order.
  enum : uint8_t { kUnseen, kOnPath, kDone };
  std::vector<uint8_t> state(n, kUnseen);
  std::vector<size_t> path;
  for (size_t i = 0; i < n; ++i) {
    path.clear();
    size_t x = i;
    while (x != kNone && state[x] == kUnseen) {
      state[x] = kOnPath;
      path.push_back(x);
      x = parent[x];
    }
    if (x != kNone && state[x] == kOnPath) {
      const auto from = std::find(path.begin(), path.end(), x);
      const size_t last = *std::max_element(from, path.end());
      parent[last] = kNone;
      items_[last]->parentId_ = -1;
    }
    for (size_t k : path) state[k] = kDone;
  }
  for (size_t i = 0; i < n; ++i) {
    if (parent[i] == kNone) continue;
    items_[i]->parent_ = items_[parent[i]].get();
    items_[parent[i]]->children_.push_back(items_[i].get());
  }
  normal_ = nullptr;
  for (auto& t : items_)
    if (!normal_ && t->name_ == kNormalName) normal_ = t.get();
}

void TLTStyleTemplateCollection::Assign(const TLTStyleTemplateCollection& source) {
  if (&source == this) return;
  Clear();
  DefStyleName = source.DefStyleName;
  // The copies keep the source's identities, so that styles copied with
  // the templates still name theirs, and so the parents too.
  for (const auto& s : source.items_) {
    auto& t = static_cast<TLTStyleTemplate&>(AddItem());
    t.Assign(*s);
    t.id_ = s->id_;
    t.parentId_ = s->parentId_;
  }
  UpdateParentReferences();
}

TLTStyleTemplateIdMap TLTStyleTemplateCollection::Merge(const TLTStyleTemplateCollection& source, bool addMissing) {
  TLTStyleTemplateIdMap ids;
  std::unordered_map<TLTString, TLTStyleTemplate*> byName;
  std::unordered_set<TLTStyleTemplateId> used;
  for (auto& t : items_) {
    byName.emplace(t->name_, t.get());
    used.insert(t->Id());
  }
  // A template of the same name stands for the incoming one: the
  // document's own definitions win, as when pasting between documents.
  std::vector<std::pair<TLTStyleTemplate*, const TLTStyleTemplate*>> added;
  for (const auto& s : source.items_) {
    if (s->id_ <= 0) continue;  // nothing can name it
    if (const auto same = byName.find(s->name_); same != byName.end()) {
      ids[s->id_] = same->second->Id();
      continue;
    }
    if (!addMissing) continue;
    auto& t = static_cast<TLTStyleTemplate&>(AddItem());
    t.Assign(*s);
    t.id_ = used.count(s->id_) ? 0 : s->id_;
    if (t.id_ == 0) t.id_ = NewId();
    used.insert(t.id_);
    byName.emplace(t.name_, &t);
    ids[s->id_] = t.id_;
    added.emplace_back(&t, s.get());
  }
  for (auto [t, s] : added) {
    const auto p = s->parent_ ? ids.find(s->parent_->id_) : ids.end();
    t->parentId_ = p != ids.end() ? p->second : -1;
  }
  if (!added.empty()) UpdateParentReferences();
  return ids;
}

// ---- Deriving styles -------------------------------------------------------------------------------

void TLTStyleTemplateCollection::ApplyTextTemplate(TLTStyleTemplate& t, TCustomLTFontInfo& f,
                                                   const TCustomLTParaInfo* para, bool reset) {
  auto* sheetStyle = dynamic_cast<TFontInfo*>(&f);
  TLTFontInfoProperties mask = LTAllFontInfoProperties;
  if (!reset && sheetStyle) mask = mask - sheetStyle->ModifiedProperties;
  TLTFontInfoProperties done = ApplyTextChain(&t, f, mask);
  // Then the template of the text's paragraph.
  if (para && para->StyleTemplateId > 0) {
    const int at = FindTemplateById(para->StyleTemplateId);
    if (at >= 0) {
      TLTStyleTemplate& q = (*this)[at];
      TLTFontInfoProperties more = LTAllFontInfoProperties - done;
      if (sheetStyle && q.Id() != sheetStyle->StyleTemplateId) more = more - sheetStyle->ModifiedProperties;
      done = done | ApplyTextChain(&q, f, more);
    }
  }
  if (!sheetStyle) return;
  if (reset) {
    sheetStyle->ModifiedProperties = sheetStyle->ModifiedProperties - done;
    sheetStyle->StyleTemplateId = t.Id();
  }
  const TLTFontInfoProperties rest = LTAllFontInfoProperties - done - sheetStyle->ModifiedProperties;
  if (rest.Empty()) return;
  if (normal_)
    ApplyTextChain(normal_, f, rest);
  else if (owner_)
    f.AssignSelected(owner_->TextStyles()[0], rest);
}

void TLTStyleTemplateCollection::ApplyParaTemplate(TLTStyleTemplate& t, TCustomLTParaInfo& p, bool reset) {
  auto* sheetStyle = dynamic_cast<TParaInfo*>(&p);
  TLTParaInfoProperties mask = LTAllParaInfoProperties;
  if (!reset && sheetStyle) mask = mask - sheetStyle->ModifiedProperties;
  const TLTParaInfoProperties done = ApplyParaChain(&t, p, mask);
  if (!sheetStyle) return;
  if (reset) {
    sheetStyle->ModifiedProperties = sheetStyle->ModifiedProperties - done;
    sheetStyle->StyleTemplateId = t.Id();
  }
  const TLTParaInfoProperties rest = LTAllParaInfoProperties - done - sheetStyle->ModifiedProperties;
  if (rest.Empty()) return;
  if (normal_)
    ApplyParaChain(normal_, p, rest);
  else if (owner_)
    p.AssignSelected(owner_->ParaStyles()[0], rest);
}

void TLTStyleTemplateCollection::ResetTextStyle(TCustomLTFontInfo& f, const TCustomLTParaInfo* para) {
  if (normal_) {
    ApplyTextTemplate(*normal_, f, para, true);
    return;
  }
  if (!owner_) return;
  f.Assign(owner_->TextStyles()[0]);
  if (auto* s = dynamic_cast<TFontInfo*>(&f)) {
    s->ModifiedProperties = {};
    s->StyleTemplateId = -1;
  }
}

void TLTStyleTemplateCollection::ResetParaStyle(TCustomLTParaInfo& p) {
  if (normal_) {
    ApplyParaTemplate(*normal_, p, true);
    return;
  }
  if (!owner_) return;
  p.Assign(owner_->ParaStyles()[0]);
  if (auto* s = dynamic_cast<TParaInfo*>(&p)) {
    s->ModifiedProperties = {};
    s->StyleTemplateId = -1;
  }
}

}  // namespace lectern
