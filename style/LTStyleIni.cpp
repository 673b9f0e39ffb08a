// INI storage of single styles: keys are a property key substituted into a
// caller's pattern, values equal to their defaults are left out, booleans
// are "Yes"/"No".

#include "platform/LTIniFile.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"
#include "style/LTStyleInternal.h"

#include <algorithm>

namespace lectern {

std::string TLTIniWriter::Key(std::string_view name) const { return LTFormatStr(pattern_, name); }

std::string TLTIniWriter::Nested(std::string_view name) const {
  return LTFormatStr(pattern_, std::string(name) + "%s");
}

void TLTIniWriter::Int(std::string_view name, int64_t value, std::optional<int64_t> def) {
  if (def && value == *def) return;
  ini_.WriteString(section_, Key(name), IntToStr(value));
}

void TLTIniWriter::Bool(std::string_view name, bool value, std::optional<bool> def) {
  if (def && value == *def) return;
  ini_.WriteString(section_, Key(name), value ? "Yes" : "No");
}

void TLTIniWriter::Str(std::string_view name, std::string_view utf8, bool always) {
  if (utf8.empty() && !always) return;
  ini_.WriteString(section_, Key(name), utf8);
}

namespace {
// Long values are cut so that no INI line grows without bound.
constexpr size_t kLongPiece = 500;
// A damaged file must not make a reader walk an endless chain of keys.
constexpr int kMaxLongPieces = 100000;
}  // namespace

void TLTIniWriter::LongStr(std::string_view name, std::u16string_view value) {
  const std::string key = Key(name);
  size_t i = 0;
  for (int64_t n = 0; i < value.size(); ++n) {
    size_t len = std::min(kLongPiece, value.size() - i);
    // Never part a surrogate pair: each piece must stand alone as UTF-8.
    if (len == kLongPiece && value[i + len - 1] >= 0xD800 && value[i + len - 1] <= 0xDBFF) --len;
    ini_.WriteString(section_, key + "_" + IntToStr(n), Utf16ToUtf8(value.substr(i, len)));
    i += len;
  }
}

void TLTIniWriter::Published(const TLTPersistent& obj) {
  auto& o = const_cast<TLTPersistent&>(obj);  // accessors take the object as is
  obj.ClassInfo().ForEach([&](const TLTPropInfo& p) {
    const bool always = (p.IniFlags & ltiniAlways) != 0;
    switch (p.Kind) {
      case TLTPropKind::String:
        if (!p.IniKey.empty()) Str(p.IniKey, Utf16ToUtf8(p.GetStr(obj)), always);
        return;
      case TLTPropKind::Object:
        if (!p.IniKey.empty())
          if (TLTPersistent* inner = p.GetObj(o)) TLTIniWriter(ini_, section_, Nested(p.IniKey)).Published(*inner);
        return;
      case TLTPropKind::Collection:
        return;
      case TLTPropKind::Set: {
        const int64_t bits = p.GetOrd(obj);
        const int64_t defBits = p.IniDefaultValue();
        for (const TLTIniBit& b : p.IniBits) {
          const bool on = (bits >> b.Bit) & 1;
          Bool(b.Key, on, always ? std::nullopt : std::optional<bool>(((defBits >> b.Bit) & 1) != 0));
        }
        return;
      }
      case TLTPropKind::Boolean:
        if (!p.IniKey.empty())
          Bool(p.IniKey, p.GetOrd(obj) != 0, always ? std::nullopt : std::optional<bool>(p.IniDefaultValue() != 0));
        return;
      default:
        if (!p.IniKey.empty())
          Int(p.IniKey, p.GetOrd(obj), always ? std::nullopt : std::optional<int64_t>(p.IniDefaultValue()));
        return;
    }
  });
}

std::string TLTIniReader::Key(std::string_view name) const { return LTFormatStr(pattern_, name); }

std::string TLTIniReader::Nested(std::string_view name) const {
  return LTFormatStr(pattern_, std::string(name) + "%s");
}

bool TLTIniReader::Has(std::string_view name) const { return ini_.ValueExists(section_, Key(name)); }

int64_t TLTIniReader::Int(std::string_view name, int64_t def) const {
  return ini_.ReadInteger(section_, Key(name), static_cast<int32_t>(def));
}

bool TLTIniReader::Bool(std::string_view name, bool def) const {
  const std::string key = Key(name);
  if (!ini_.ValueExists(section_, key)) return def;
  return UpperCaseW(Utf8ToUtf16(ini_.ReadString(section_, key, ""))) == u"YES";
}

std::string TLTIniReader::Str(std::string_view name, std::string_view def) const {
  return ini_.ReadString(section_, Key(name), def);
}

std::u16string TLTIniReader::LongStr(std::string_view name) const {
  std::u16string value;
  for (int n = 0; n < kMaxLongPieces; ++n) {
    const std::string piece = ini_.ReadString(section_, Key(name) + "_" + IntToStr(n), "");
    if (piece.empty()) break;
    value += Utf8ToUtf16(piece);
  }
  return value;
}

void TLTIniReader::Published(TLTPersistent& obj) const {
  obj.ClassInfo().ForEach([&](const TLTPropInfo& p) {
    switch (p.Kind) {
      case TLTPropKind::String:
        if (!p.IniKey.empty()) p.SetStr(obj, Utf8ToUtf16(Str(p.IniKey, "")));
        return;
      case TLTPropKind::Object:
        if (!p.IniKey.empty()) {
          TLTPersistent* inner = p.MakeObj ? p.MakeObj(obj) : p.GetObj(obj);
          if (inner) TLTIniReader(ini_, section_, Nested(p.IniKey)).Published(*inner);
        }
        return;
      case TLTPropKind::Collection:
        return;
      case TLTPropKind::Set: {
        if (p.IniBits.empty()) return;
        int64_t bits = p.GetOrd(obj);
        const int64_t defBits = p.IniDefaultValue();
        for (const TLTIniBit& b : p.IniBits) {
          const bool on = Bool(b.Key, ((defBits >> b.Bit) & 1) != 0);
          bits = on ? (bits | (int64_t{1} << b.Bit)) : (bits & ~(int64_t{1} << b.Bit));
        }
        p.SetOrd(obj, bits);
        return;
      }
      case TLTPropKind::Boolean:
        if (!p.IniKey.empty()) p.SetOrd(obj, Bool(p.IniKey, p.IniDefaultValue() != 0) ? 1 : 0);
        return;
      case TLTPropKind::Enum: {
        if (p.IniKey.empty()) return;
        // A stored ordinal outside the enumeration would later index tables.
        const int64_t v = Int(p.IniKey, p.IniDefaultValue());
        const bool valid = v >= 0 && v < static_cast<int64_t>(p.Names->Names.size());
        p.SetOrd(obj, valid ? v : p.IniDefaultValue());
        return;
      }
      default:
        if (!p.IniKey.empty()) p.SetOrd(obj, Int(p.IniKey, p.IniDefaultValue()));
        return;
    }
  });
}

bool MappedReferenceMatches(int32_t incomingRef, int32_t sheetRef, const std::vector<int>& mapping) {
  if (incomingRef < 0) return true;
  if (static_cast<size_t>(incomingRef) < mapping.size()) return mapping[static_cast<size_t>(incomingRef)] == sheetRef;
  // The reference points at an incoming style not placed yet: it cannot
  // decide the match. The incoming style is left as it is; MergeStyles maps
  // its references once every index is known.
  return true;
}

int32_t MapReference(int32_t ref, const std::vector<int>& mapping) {
  if (ref < 0 || static_cast<size_t>(ref) >= mapping.size()) return -1;
  return mapping[static_cast<size_t>(ref)];
}

void TCustomLTInfo::WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const {
  TLTIniWriter w(ini, section, pattern);
  if (StyleName != DefaultStyleName()) w.Str("StyleName", Utf16ToUtf8(StyleName), true);
  w.Published(*this);
}

void TCustomLTInfo::ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) {
  TLTIniReader r(ini, section, pattern);
  StyleName = Utf8ToUtf16(r.Str("StyleName", Utf16ToUtf8(DefaultStyleName())));
  r.Published(*this);
}

}  // namespace lectern
