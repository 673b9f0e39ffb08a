#pragma once
// Pieces shared by the style units but not part of the public interface:
// INI key writers and readers, the reference rule of merging and the keys
// merging looks styles up by.

#include "platform/LTTypes.h"
#include "style/LTProps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

class TLTIniFile;

struct TLTStyleEnums {
  static const TLTEnumInfo BiDiMode;
};

/// The published properties every style shares.
extern const TLTClassInfo kCustomLTInfoClass;

/// The names of the text property numbers, and of the paragraph property
/// numbers in their two stored sets (0..26 and 27 on).
const TLTEnumInfo& FontInfoPropertyNames();
const TLTEnumInfo& ParaPropertyNames(bool second);
/// The first paragraph property number of the second stored set.
constexpr int kParaSecondSetFirst = 27;

/// Writes keys made by substituting names into a pattern; a value equal to
/// its default (when one is given) is not written.
class TLTIniWriter {
 public:
  TLTIniWriter(TLTIniFile& ini, std::string_view section, std::string_view pattern)
      : ini_(ini), section_(section), pattern_(pattern) {}
  std::string Key(std::string_view name) const;
  /// The pattern for a nested object stored under name ("Border" -> "...Border%s").
  std::string Nested(std::string_view name) const;
  void Int(std::string_view name, int64_t value, std::optional<int64_t> def);
  void Bool(std::string_view name, bool value, std::optional<bool> def);
  void Str(std::string_view name, std::string_view utf8, bool always);
  /// A value of any length in pieces of 500 characters under name + "_0",
  /// "_1", ...; an empty value writes nothing.
  void LongStr(std::string_view name, std::u16string_view value);
  /// Every published property of obj that has an INI key.
  void Published(const TLTPersistent& obj);

 private:
  TLTIniFile& ini_;
  std::string section_;
  std::string pattern_;
};

/// The reading side of TLTIniWriter: missing keys give the defaults.
class TLTIniReader {
 public:
  TLTIniReader(const TLTIniFile& ini, std::string_view section, std::string_view pattern)
      : ini_(ini), section_(section), pattern_(pattern) {}
  std::string Key(std::string_view name) const;
  std::string Nested(std::string_view name) const;
  bool Has(std::string_view name) const;
  int64_t Int(std::string_view name, int64_t def) const;
  bool Bool(std::string_view name, bool def) const;
  std::string Str(std::string_view name, std::string_view def) const;
  /// Concatenates the pieces up to the first missing or empty one.
  std::u16string LongStr(std::string_view name) const;
  void Published(TLTPersistent& obj) const;

 private:
  const TLTIniFile& ini_;
  std::string section_;
  std::string pattern_;
};

/// Whether a sheet style's reference matches an incoming reference, given the
/// mapping of the incoming indices handled so far. An incoming reference that
/// is negative, or points at an incoming style not mapped yet, matches.
bool MappedReferenceMatches(int32_t incomingRef, int32_t sheetRef, const std::vector<int>& mapping);
/// An incoming reference translated through the mapping; -1 when it is
/// negative or outside the mapping.
int32_t MapReference(int32_t ref, const std::vector<int>& mapping);

/// Accumulates values into a 64-bit key.
class TKeyBuilder {
 public:
  TKeyBuilder& operator<<(uint64_t v) {
    h_ ^= v + 0x9E3779B97F4A7C15ull + (h_ << 6) + (h_ >> 2);
    h_ *= 0xFF51AFD7ED558CCDull;
    return *this;
  }
  TKeyBuilder& operator<<(std::u16string_view s) {
    for (char16_t c : s) *this << static_cast<uint64_t>(c);
    return *this << s.size();
  }
  uint64_t Key() const { return h_ ^ (h_ >> 33); }

 private:
  uint64_t h_ = 0xCBF29CE484222325ull;
};

/// A signed value as key material.
inline uint64_t KeyOf(int64_t v) { return static_cast<uint64_t>(v); }

}  // namespace lectern
