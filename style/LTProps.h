#pragma once
// Published properties: one table per class names each stored property, its
// kind, its default and how to reach it. The property stream writer and
// reader, the INI storage of styles and Assign all walk these tables, so a
// property and its default are declared exactly once.

#include "platform/LTTypes.h"

#include <cstdint>
#include <climits>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace lectern {

class TLTPersistent;
class TLTCollection;

/// Names of an enumeration's values, or of a set's members, by ordinal.
struct TLTEnumInfo {
  std::span<const std::string_view> Names;
  std::string_view NameOf(int64_t ordinal) const;
  /// Ordinal of a name (exact match, as stored), or nullopt.
  std::optional<int64_t> ValueOf(std::string_view name) const;
};

enum class TLTPropKind : uint8_t {
  Integer,  // 32-bit signed
  Boolean,
  Enum,        // ordinal with names in Names
  Set,         // bits with member names in Names
  String,      // Unicode text
  Color,       // TColor: a name when it has one, else an integer
  Cursor,      // 16-bit cursor number: a name when it has one, else an integer
  Object,      // nested persistent object, stored under "Owner.Inner"
  Collection,  // collection of persistent items
};

/// Flags of a property's INI form.
enum TLTIniFlag : uint8_t {
  ltiniAlways = 1,      // written even when equal to the default
  ltiniOwnDefault = 2,  // IniDefault differs from the stream default
};

/// One boolean INI key that stands for one member of a set property.
struct TLTIniBit {
  int Bit;
  std::string_view Key;
};

/// One published property.
struct TLTPropInfo {
  std::string_view Name;
  TLTPropKind Kind = TLTPropKind::Integer;
  const TLTEnumInfo* Names = nullptr;  // Enum and Set
  int64_t Default = 0;                 // ordinal kinds
  /// Range an Integer property can hold (narrower than 32 bits for small fields).
  int64_t MinValue = INT32_MIN;
  int64_t MaxValue = INT32_MAX;
  bool HasDefault = true;              // false: an ordinal is always written
  bool Stored = true;                  // false: never written
  int64_t (*GetOrd)(const TLTPersistent&) = nullptr;
  void (*SetOrd)(TLTPersistent&, int64_t) = nullptr;
  TLTString (*GetStr)(const TLTPersistent&) = nullptr;
  void (*SetStr)(TLTPersistent&, const TLTString&) = nullptr;
  TLTPersistent* (*GetObj)(TLTPersistent&) = nullptr;   // Object; null when there is none
  TLTPersistent* (*MakeObj)(TLTPersistent&) = nullptr;  // Object created on demand (readers)
  TLTCollection* (*GetColl)(TLTPersistent&) = nullptr;  // Collection
  /// Extra condition for writing, besides the default rules; null = none.
  bool (*IsStored)(const TLTPersistent&) = nullptr;
  /// Default of a String property (null: the empty string). A string equal
  /// to its default is not stored, so an empty string with a non-empty
  /// default is.
  TLTString (*StrDefault)(const TLTPersistent&) = nullptr;
  // INI storage; an empty key keeps the property out of INI files.
  std::string_view IniKey;
  uint8_t IniFlags = 0;
  int64_t IniDefault = 0;
  std::span<const TLTIniBit> IniBits;  // sets stored as one boolean key per member

  bool IsOrdinal() const {
    return Kind != TLTPropKind::String && Kind != TLTPropKind::Object && Kind != TLTPropKind::Collection;
  }
  int64_t IniDefaultValue() const { return (IniFlags & ltiniOwnDefault) ? IniDefault : Default; }
};

class TLTPropWriter;
class TLTPropReader;

/// Custom: any sequence of values, written and read by the class itself.
enum class TLTDefinedKind : uint8_t { String, Integer, Binary, Custom };

/// A value a class stores under a name of its own beside its published
/// properties (encoded forms, references by number). Written after them,
/// only when ShouldWrite says so; read back through Read.
struct TLTDefinedProp {
  std::string_view Name;
  TLTDefinedKind Kind = TLTDefinedKind::String;
  bool (*ShouldWrite)(const TLTPersistent&) = nullptr;
  /// The value: text for String (UTF-16), decimal digits for Integer, bytes for Binary.
  std::u16string (*GetText)(const TLTPersistent&) = nullptr;
  int64_t (*GetInt)(const TLTPersistent&) = nullptr;
  std::string (*GetBytes)(const TLTPersistent&) = nullptr;
  void (*SetText)(TLTPersistent&, const std::u16string&) = nullptr;
  void (*SetInt)(TLTPersistent&, int64_t) = nullptr;
  void (*SetBytes)(TLTPersistent&, const std::string&) = nullptr;
  void (*WriteCustom)(const TLTPersistent&, TLTPropWriter&) = nullptr;
  bool (*ReadCustom)(TLTPersistent&, TLTPropReader&) = nullptr;
};

/// The published properties of one class; the parent's come first.
struct TLTClassInfo {
  std::string_view ClassName;
  const TLTClassInfo* Parent = nullptr;
  std::span<const TLTPropInfo> Props;
  std::span<const TLTDefinedProp> Defined = {};

  /// Calls f for every defined property, inherited ones first.
  void ForEachDefined(const std::function<void(const TLTDefinedProp&)>& f) const;
  /// Calls f for every property, inherited ones first, in declaration order.
  void ForEach(const std::function<void(const TLTPropInfo&)>& f) const;
  /// The property of that name (searching the parents too), or null.
  const TLTPropInfo* Find(std::string_view name) const;
  bool InheritsFrom(const TLTClassInfo& other) const;
};

/// Base of every object with published properties.
class TLTPersistent {
 public:
  virtual ~TLTPersistent() = default;
  virtual const TLTClassInfo& ClassInfo() const = 0;
  /// A reader has read every stored property of the object: values that
  /// depend on several of them, in whatever order they came, are settled.
  virtual void Loaded() {}
};

/// An owned, ordered collection of persistent items of one class.
class TLTCollection : public TLTPersistent {
 public:
  virtual int Count() const = 0;
  virtual TLTPersistent& ItemAt(int index) = 0;
  /// Appends a new item with default properties.
  virtual TLTPersistent& AddItem() = 0;
  virtual void Clear() = 0;
};

/// Copies every published property of src into dst, recursing into nested
/// objects and rebuilding collections. Only properties of the class that
/// both share are copied.
void AssignPublished(TLTPersistent& dst, const TLTPersistent& src);
/// True when every stored published property equals its default (used to
/// decide whether a nested object has anything to store).
bool AllDefault(const TLTPersistent& obj);

/// Cursor names for stored forms ("crDefault", "crHandPoint", ...).
std::optional<std::string> CursorToIdent(int32_t cursor);
std::optional<int32_t> IdentToCursor(std::string_view name);

// ---- Building tables ------------------------------------------------------
// Accessors made from a member pointer: Prop::Int<&TFontInfo::Size>(...).

namespace detail {

template <class T>
int64_t ToOrd(const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return v ? 1 : 0;
  } else if constexpr (std::is_enum_v<T>) {
    return static_cast<int64_t>(v);
  } else if constexpr (std::is_integral_v<T>) {
    return static_cast<int64_t>(v);
  } else {
    return static_cast<int64_t>(v.ToBits());  // TLTSet
  }
}

template <class T>
T FromOrd(int64_t v) {
  if constexpr (std::is_same_v<T, bool>) {
    return v != 0;
  } else if constexpr (std::is_enum_v<T>) {
    return static_cast<T>(v);
  } else if constexpr (std::is_integral_v<T>) {
    return static_cast<T>(v);
  } else {
    return T::FromBits(static_cast<typename T::BitsType>(v));
  }
}

template <auto M>
struct Member;
template <class C, class T, T C::*M>
struct Member<M> {
  using Class = C;
  using Type = T;
  static int64_t GetOrd(const TLTPersistent& o) { return ToOrd(static_cast<const C&>(o).*M); }
  static void SetOrd(TLTPersistent& o, int64_t v) { static_cast<C&>(o).*M = FromOrd<T>(v); }
  static TLTString GetStr(const TLTPersistent& o) { return static_cast<const C&>(o).*M; }
  static void SetStr(TLTPersistent& o, const TLTString& v) { static_cast<C&>(o).*M = v; }
  static TLTPersistent* GetObj(TLTPersistent& o) { return &(static_cast<C&>(o).*M); }
};

}  // namespace detail

struct Prop {
  template <auto M>
  static constexpr TLTPropInfo Ordinal(TLTPropKind kind, std::string_view name, int64_t def,
                                       std::string_view iniKey = {}, const TLTEnumInfo* names = nullptr) {
    TLTPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.Names = names;
    p.Default = def;
    using T = typename detail::Member<M>::Type;
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool> && sizeof(T) < 4) {
      p.MinValue = std::numeric_limits<T>::min();
      p.MaxValue = std::numeric_limits<T>::max();
    }
    p.GetOrd = &detail::Member<M>::GetOrd;
    p.SetOrd = &detail::Member<M>::SetOrd;
    p.IniKey = iniKey;
    return p;
  }
  template <auto M>
  static constexpr TLTPropInfo Int(std::string_view name, int64_t def, std::string_view iniKey = {}) {
    return Ordinal<M>(TLTPropKind::Integer, name, def, iniKey);
  }
  template <auto M>
  static constexpr TLTPropInfo Bool(std::string_view name, bool def, std::string_view iniKey = {}) {
    return Ordinal<M>(TLTPropKind::Boolean, name, def ? 1 : 0, iniKey);
  }
  template <auto M>
  static constexpr TLTPropInfo Enum(std::string_view name, const TLTEnumInfo& names, int64_t def,
                                    std::string_view iniKey = {}) {
    return Ordinal<M>(TLTPropKind::Enum, name, def, iniKey, &names);
  }
  template <auto M>
  static constexpr TLTPropInfo Set(std::string_view name, const TLTEnumInfo& names, int64_t def,
                                   std::span<const TLTIniBit> iniBits = {}) {
    TLTPropInfo p = Ordinal<M>(TLTPropKind::Set, name, def, {}, &names);
    p.IniBits = iniBits;
    return p;
  }
  template <auto M>
  static constexpr TLTPropInfo Color(std::string_view name, TColor def, std::string_view iniKey = {}) {
    return Ordinal<M>(TLTPropKind::Color, name, def, iniKey);
  }
  template <auto M>
  static constexpr TLTPropInfo Cursor(std::string_view name, int def, std::string_view iniKey = {}) {
    return Ordinal<M>(TLTPropKind::Cursor, name, def, iniKey);
  }
  template <auto M>
  static constexpr TLTPropInfo String(std::string_view name, std::string_view iniKey = {}) {
    TLTPropInfo p;
    p.Name = name;
    p.Kind = TLTPropKind::String;
    p.GetStr = &detail::Member<M>::GetStr;
    p.SetStr = &detail::Member<M>::SetStr;
    p.IniKey = iniKey;
    return p;
  }
  template <auto M>
  static constexpr TLTPropInfo Collection(std::string_view name) {
    TLTPropInfo p;
    p.Name = name;
    p.Kind = TLTPropKind::Collection;
    p.GetColl = [](TLTPersistent& o) -> TLTCollection* {
      return &(static_cast<typename detail::Member<M>::Class&>(o).*M);
    };
    return p;
  }
  template <auto M>
  static constexpr TLTPropInfo Object(std::string_view name, std::string_view iniKey = {}) {
    TLTPropInfo p;
    p.Name = name;
    p.Kind = TLTPropKind::Object;
    p.GetObj = &detail::Member<M>::GetObj;
    p.IniKey = iniKey;
    return p;
  }
};

/// Builder tweaks, chainable on a TLTPropInfo value.
constexpr TLTPropInfo WithIni(TLTPropInfo p, uint8_t flags, int64_t iniDefault = 0) {
  p.IniFlags = flags;
  p.IniDefault = iniDefault;
  return p;
}
constexpr TLTPropInfo WithStrDefault(TLTPropInfo p, TLTString (*def)(const TLTPersistent&)) {
  p.StrDefault = def;
  return p;
}
/// The default of a String property for this object ("" without one).
inline TLTString StringDefault(const TLTPropInfo& p, const TLTPersistent& obj) {
  return p.StrDefault ? p.StrDefault(obj) : TLTString();
}
constexpr TLTPropInfo NoDefault(TLTPropInfo p) {
  p.HasDefault = false;
  return p;
}

}  // namespace lectern
