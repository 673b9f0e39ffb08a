// Walks over published-property tables: lookup, generic assignment and the
// default test that stored forms use.

#include "style/LTProps.h"

#include <array>

namespace lectern {

namespace {

struct CursorName {
  int32_t Value;
  std::string_view Name;
};

constexpr std::array<CursorName, 22> kCursorNames{{
    {0, "crDefault"},     {-1, "crNone"},     {-2, "crArrow"},    {-3, "crCross"},     {-4, "crIBeam"},
    {-6, "crSizeNESW"},   {-7, "crSizeNS"},   {-8, "crSizeNWSE"}, {-9, "crSizeWE"},    {-10, "crUpArrow"},
    {-11, "crHourGlass"}, {-12, "crDrag"},    {-13, "crNoDrop"},  {-14, "crHSplit"},   {-15, "crVSplit"},
    {-16, "crMultiDrag"}, {-17, "crSQLWait"}, {-18, "crNo"},      {-19, "crAppStart"}, {-20, "crHelp"},
    {-21, "crHandPoint"}, {-22, "crSizeAll"},
}};

// The class of both objects that is most derived, or null when they share none.
const TLTClassInfo* CommonClass(const TLTPersistent& a, const TLTPersistent& b) {
  for (const TLTClassInfo* c = &a.ClassInfo(); c; c = c->Parent)
    if (b.ClassInfo().InheritsFrom(*c)) return c;
  return nullptr;
}

}  // namespace

std::string_view TLTEnumInfo::NameOf(int64_t ordinal) const {
  if (ordinal < 0 || ordinal >= static_cast<int64_t>(Names.size())) return {};
  return Names[static_cast<size_t>(ordinal)];
}

std::optional<int64_t> TLTEnumInfo::ValueOf(std::string_view name) const {
  for (size_t i = 0; i < Names.size(); ++i)
    if (Names[i] == name) return static_cast<int64_t>(i);
  return std::nullopt;
}

void TLTClassInfo::ForEach(const std::function<void(const TLTPropInfo&)>& f) const {
  if (Parent) Parent->ForEach(f);
  for (const TLTPropInfo& p : Props) f(p);
}

void TLTClassInfo::ForEachDefined(const std::function<void(const TLTDefinedProp&)>& f) const {
  if (Parent) Parent->ForEachDefined(f);
  for (const TLTDefinedProp& p : Defined) f(p);
}

const TLTPropInfo* TLTClassInfo::Find(std::string_view name) const {
  for (const TLTClassInfo* c = this; c; c = c->Parent)
    for (const TLTPropInfo& p : c->Props)
      if (p.Name == name) return &p;
  return nullptr;
}

bool TLTClassInfo::InheritsFrom(const TLTClassInfo& other) const {
  for (const TLTClassInfo* c = this; c; c = c->Parent)
    if (c == &other) return true;
  return false;
}

void AssignPublished(TLTPersistent& dst, const TLTPersistent& src) {
  const TLTClassInfo* common = CommonClass(dst, src);
  if (!common) return;
  auto& from = const_cast<TLTPersistent&>(src);  // read through the same accessors
  common->ForEach([&](const TLTPropInfo& p) {
    switch (p.Kind) {
      case TLTPropKind::String:
        p.SetStr(dst, p.GetStr(src));
        break;
      case TLTPropKind::Object: {
        TLTPersistent* in = p.GetObj(from);
        if (!in) break;
        TLTPersistent* to = p.MakeObj ? p.MakeObj(dst) : p.GetObj(dst);
        if (to) AssignPublished(*to, *in);
        break;
      }
      case TLTPropKind::Collection: {
        TLTCollection& to = *p.GetColl(dst);
        TLTCollection& in = *p.GetColl(from);
        if (&to == &in) break;
        to.Clear();
        for (int i = 0; i < in.Count(); ++i) AssignPublished(to.AddItem(), in.ItemAt(i));
        break;
      }
      default:
        p.SetOrd(dst, p.GetOrd(src));
        break;
    }
  });
}

bool AllDefault(const TLTPersistent& obj) {
  bool result = true;
  auto& o = const_cast<TLTPersistent&>(obj);
  obj.ClassInfo().ForEach([&](const TLTPropInfo& p) {
    if (!result || !p.Stored || (p.IsStored && !p.IsStored(obj))) return;
    switch (p.Kind) {
      case TLTPropKind::String:
        result = p.GetStr(obj) == StringDefault(p, obj);
        break;
      case TLTPropKind::Object: {
        const TLTPersistent* inner = p.GetObj(o);
        result = !inner || AllDefault(*inner);
        break;
      }
      case TLTPropKind::Collection:
        result = p.GetColl(o)->Count() == 0;
        break;
      default:
        result = p.HasDefault && p.GetOrd(obj) == p.Default;
        break;
    }
  });
  return result;
}

std::optional<std::string> CursorToIdent(int32_t cursor) {
  for (const CursorName& c : kCursorNames)
    if (c.Value == cursor) return std::string(c.Name);
  return std::nullopt;
}

std::optional<int32_t> IdentToCursor(std::string_view name) {
  for (const CursorName& c : kCursorNames)
    if (c.Name == name) return c.Value;
  return std::nullopt;
}

}  // namespace lectern
