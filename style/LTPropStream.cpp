// The property stream: writing objects by their published-property tables
// and reading them back from untrusted bytes, one bounds-checked value at a
// time.

#include "style/LTPropStream.h"

#include "platform/LTCodePage.h"
#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"

#include <algorithm>
#include <limits>

namespace lectern {

namespace {

const std::string kInvalidValue = "Invalid property value";
const std::string kReadError = "Stream read error";
const std::string kTooDeep = "Property stream nested too deeply";

// Lists, collections and nested collections inside items: deeper input is
// rejected rather than followed, so a reader's stack stays bounded.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxShortString = 255;

bool FitsInt32(int64_t v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// 32-bit properties may sit on unsigned fields (code page numbers); their
// upper half is stored as the negative 32-bit value it has in the stream,
// so that a reader limited to 32 bits takes it back unchanged.
int64_t As32Bit(int64_t v) {
  if (!FitsInt32(v) && v > 0 && v <= int64_t{std::numeric_limits<uint32_t>::max()})
    return static_cast<int32_t>(static_cast<uint32_t>(v));
  return v;
}

bool HasReader(const TLTPropInfo& p) {
  switch (p.Kind) {
    case TLTPropKind::String:
      return p.GetStr && p.SetStr;
    case TLTPropKind::Object:
      return p.GetObj != nullptr;
    case TLTPropKind::Collection:
      return p.GetColl != nullptr;
    default:
      return p.GetOrd && p.SetOrd;
  }
}

const TLTDefinedProp* FindDefined(const TLTPersistent& obj, std::string_view name) {
  const TLTDefinedProp* found = nullptr;
  // Inherited ones come first, so the last match is the most derived.
  obj.ClassInfo().ForEachDefined([&](const TLTDefinedProp& d) {
    if (d.Name == name) found = &d;
  });
  return found;
}

}  // namespace

const char* const LTOutOfBudgetMessage = "the document would need more memory than its size allows";

bool TLTReadBudget::Take(size_t bytes) {
  if (exhausted_) return false;
  if (bytes > Left()) {
    exhausted_ = true;
    return false;
  }
  used_ += bytes;
  return true;
}

size_t TLTReadBudget::Left() const {
  // Saturating: an input near the size limits must not wrap the sum.
  constexpr size_t kMax = std::numeric_limits<size_t>::max();
  const size_t perInput = input_ > (kMax - kAllowance) / kPerInputByte ? kMax - kAllowance : input_ * kPerInputByte;
  const size_t total = perInput + kAllowance;
  return exhausted_ || used_ >= total ? 0 : total - used_;
}

// ---- Writer ------------------------------------------------------------------

namespace {

void PutLE(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Every long length is 32 bits; a larger value cannot be stored faithfully.
void PutLength32(std::string& out, size_t n) {
  if (n > std::numeric_limits<uint32_t>::max()) throw ELecternError("Stream write error");
  PutLE(out, n, 4);
}

}  // namespace

void TLTPropWriter::WriteInteger(int64_t v) {
  if (v >= -128 && v <= 127) {
    WriteTag(vaInt8);
    PutLE(out_, static_cast<uint64_t>(v), 1);
  } else if (v >= -32768 && v <= 32767) {
    WriteTag(vaInt16);
    PutLE(out_, static_cast<uint64_t>(v), 2);
  } else if (FitsInt32(v)) {
    WriteTag(vaInt32);
    PutLE(out_, static_cast<uint64_t>(v), 4);
  } else {
    WriteTag(vaInt64);
    PutLE(out_, static_cast<uint64_t>(v), 8);
  }
}

void TLTPropWriter::WriteString(std::u16string_view s) {
  const std::string u = Utf16ToUtf8(s);
  // Unpaired surrogates do not survive UTF-8; UTF-16 keeps them.
  if (u.size() >= 2 * s.size() || Utf8ToUtf16(u) != s) {
    WriteTag(vaWString);
    PutLength32(out_, s.size());
    for (char16_t c : s) PutLE(out_, c, 2);
    return;
  }
  if (!IsAscii(u) && SystemCodePage() != CP_UTF8) {
    const std::string a = UnicodeToAnsi(s, CP_ACP);
    if (AnsiToUnicode(a, CP_ACP) == s) {
      if (a.size() <= kMaxShortString) {
        WriteTag(vaString);
        out_.push_back(static_cast<char>(a.size()));
      } else {
        WriteTag(vaLString);
        PutLength32(out_, a.size());
      }
      out_ += a;
      return;
    }
  }
  WriteTag(vaUTF8String);
  PutLength32(out_, u.size());
  out_ += u;
}

void TLTPropWriter::WriteIdent(std::string_view ident) {
  if (EqualsNoCase(ident, "False")) {
    WriteTag(vaFalse);
  } else if (EqualsNoCase(ident, "True")) {
    WriteTag(vaTrue);
  } else if (ident == "Null") {
    WriteTag(vaNull);
  } else if (ident == "nil") {
    WriteTag(vaNil);
  } else {
    WriteTag(vaIdent);
    WriteShortString(ident);
  }
}

void TLTPropWriter::WriteBoolean(bool v) { WriteTag(v ? vaTrue : vaFalse); }

void TLTPropWriter::WriteSet(uint64_t bits, const TLTEnumInfo& members) {
  WriteTag(vaSet);
  const size_t n = std::min<size_t>(members.Names.size(), 64);
  for (size_t i = 0; i < n; ++i)
    if ((bits >> i) & 1) WriteShortString(members.Names[i]);
  out_.push_back(0);
}

void TLTPropWriter::WriteBinary(std::string_view bytes) {
  WriteTag(vaBinary);
  PutLength32(out_, bytes.size());
  out_ += bytes;
}

void TLTPropWriter::WriteShortString(std::string_view s) {
  size_t n = std::min(s.size(), kMaxShortString);
  // Cut before a character rather than inside one, so the name stays UTF-8.
  if (n < s.size())
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  out_.push_back(static_cast<char>(n));
  out_.append(s.substr(0, n));
}

void TLTPropWriter::WriteProperties(const TLTPersistent& obj) { WriteObject(obj, std::string()); }

void TLTPropWriter::WriteObject(const TLTPersistent& obj, const std::string& path) {
  obj.ClassInfo().ForEach([&](const TLTPropInfo& p) { WritePropertyValue(p, obj, path); });
  obj.ClassInfo().ForEachDefined([&](const TLTDefinedProp& d) {
    if (!d.ShouldWrite || !d.ShouldWrite(obj)) return;
    switch (d.Kind) {
      case TLTDefinedKind::String:
        if (!d.GetText) return;
        WriteShortString(path + std::string(d.Name));
        WriteString(d.GetText(obj));
        break;
      case TLTDefinedKind::Integer:
        if (!d.GetInt) return;
        WriteShortString(path + std::string(d.Name));
        WriteInteger(d.GetInt(obj));
        break;
      case TLTDefinedKind::Binary:
        if (!d.GetBytes) return;
        WriteShortString(path + std::string(d.Name));
        WriteBinary(d.GetBytes(obj));
        break;
      case TLTDefinedKind::Custom:
        if (!d.WriteCustom) return;
        WriteShortString(path + std::string(d.Name));
        d.WriteCustom(obj, *this);
        break;
    }
  });
}

void TLTPropWriter::WritePropertyValue(const TLTPropInfo& p, const TLTPersistent& obj, const std::string& path) {
  if (!p.Stored || (p.IsStored && !p.IsStored(obj)) || !HasReader(p)) return;
  // The accessors take a mutable object; writing only reads through them.
  auto& o = const_cast<TLTPersistent&>(obj);
  const std::string name = path + std::string(p.Name);
  switch (p.Kind) {
    case TLTPropKind::String: {
      const TLTString s = p.GetStr(obj);
      if (s == StringDefault(p, obj)) return;
      WriteShortString(name);
      WriteString(s);
      return;
    }
    case TLTPropKind::Object:
      if (const TLTPersistent* inner = p.GetObj(o)) WriteObject(*inner, name + ".");
      return;
    case TLTPropKind::Collection:
      if (const TLTCollection* coll = p.GetColl(o)) {
        WriteShortString(name);
        WriteCollection(*coll);
      }
      return;
    default:
      break;
  }
  const int64_t v = p.GetOrd(obj);
  if (p.HasDefault && v == p.Default) return;
  switch (p.Kind) {
    case TLTPropKind::Boolean:
      WriteShortString(name);
      WriteBoolean(v != 0);
      break;
    case TLTPropKind::Enum: {
      // A value without a name could not be read back; leaving it out lets
      // the reader keep the default instead of rejecting the whole object.
      const std::string_view ident = p.Names ? p.Names->NameOf(v) : std::string_view();
      if (ident.empty()) return;
      WriteShortString(name);
      WriteTag(vaIdent);
      WriteShortString(ident);
      break;
    }
    case TLTPropKind::Set:
      if (!p.Names) return;
      WriteShortString(name);
      WriteSet(static_cast<uint64_t>(v), *p.Names);
      break;
    case TLTPropKind::Color: {
      const int64_t c = As32Bit(v);
      WriteShortString(name);
      if (auto ident = FitsInt32(c) ? ColorToIdent(static_cast<TColor>(c)) : std::nullopt)
        WriteIdent(*ident);
      else
        WriteInteger(c);
      break;
    }
    case TLTPropKind::Cursor: {
      WriteShortString(name);
      if (auto ident = FitsInt32(v) ? CursorToIdent(static_cast<int32_t>(v)) : std::nullopt)
        WriteIdent(*ident);
      else
        WriteInteger(v);
      break;
    }
    default:
      WriteShortString(name);
      WriteInteger(As32Bit(v));
      break;
  }
}

void TLTPropWriter::WriteCollection(const TLTCollection& coll) {
  auto& c = const_cast<TLTCollection&>(coll);
  WriteTag(vaCollection);
  for (int i = 0; i < c.Count(); ++i) {
    WriteTag(vaList);
    WriteProperties(c.ItemAt(i));
    WriteTag(vaNull);
  }
  WriteTag(vaNull);
}

void TLTPropWriter::WriteComponent(std::string_view className, std::string_view name, const TLTPersistent& obj) {
  WriteShortString(className);
  WriteShortString(name);
  WriteProperties(obj);
  WriteTag(vaNull);
  WriteTag(vaNull);
}

void TLTPropWriter::WriteComponent(const TLTComponentTree& tree) {
  WriteShortString(tree.ClassName);
  WriteShortString(tree.Name);
  if (tree.Object) WriteProperties(*tree.Object);
  WriteTag(vaNull);
  for (const TLTComponentTree& child : tree.Children) WriteComponent(child);
  WriteTag(vaNull);
}

size_t TLTPropWriter::BeginBinary() {
  WriteTag(vaBinary);
  const size_t at = out_.size();
  out_.append(4, '\0');
  return at;
}

void TLTPropWriter::EndBinary(size_t at) {
  const size_t n = out_.size() - at - 4;
  if (n > std::numeric_limits<uint32_t>::max()) throw ELecternError("Stream write error");
  for (int i = 0; i < 4; ++i) out_[at + static_cast<size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xFF);
}

// ---- Reader ------------------------------------------------------------------

void TLTPropReader::Fail(const std::string& message) {
  if (error_.empty()) error_ = message.empty() ? kInvalidValue : message;
}

bool TLTPropReader::Need(size_t n) {
  if (!Ok()) return false;
  if (data_.size() - pos_ < n) {
    Fail(kReadError);
    return false;
  }
  return true;
}

namespace {

uint64_t GetLE(std::string_view data, size_t pos, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t{static_cast<unsigned char>(data[pos + i])} << (8 * i);
  return v;
}

}  // namespace

std::optional<TLTValueTag> TLTPropReader::PeekTag() const {
  if (!Ok() || AtEnd()) return std::nullopt;
  const auto b = static_cast<unsigned char>(data_[pos_]);
  if (b > vaUTF8String) return std::nullopt;
  return static_cast<TLTValueTag>(b);
}

std::optional<TLTValueTag> TLTPropReader::ReadTag() {
  if (!Need(1)) return std::nullopt;
  const auto b = static_cast<unsigned char>(data_[pos_]);
  if (b > vaUTF8String) {
    Fail(kInvalidValue);
    return std::nullopt;
  }
  ++pos_;
  return static_cast<TLTValueTag>(b);
}

std::optional<int64_t> TLTPropReader::ReadInteger() {
  const auto tag = ReadTag();
  if (!tag) return std::nullopt;
  int bytes = 0;
  switch (*tag) {
    case vaInt8:
      bytes = 1;
      break;
    case vaInt16:
      bytes = 2;
      break;
    case vaInt32:
      bytes = 4;
      break;
    case vaInt64:
      bytes = 8;
      break;
    default:
      Fail(kInvalidValue);
      return std::nullopt;
  }
  if (!Need(static_cast<size_t>(bytes))) return std::nullopt;
  const uint64_t raw = GetLE(data_, pos_, bytes);
  pos_ += static_cast<size_t>(bytes);
  switch (bytes) {
    case 1:
      return static_cast<int8_t>(raw);
    case 2:
      return static_cast<int16_t>(raw);
    case 4:
      return static_cast<int32_t>(raw);
    default:
      return static_cast<int64_t>(raw);
  }
}

std::optional<std::u16string> TLTPropReader::ReadString() {
  const auto tag = ReadTag();
  if (!tag) return std::nullopt;
  size_t n = 0;
  switch (*tag) {
    case vaString:
      if (!Need(1)) return std::nullopt;
      n = static_cast<unsigned char>(data_[pos_++]);
      break;
    case vaLString:
    case vaWString:
    case vaUTF8String:
      if (!Need(4)) return std::nullopt;
      n = static_cast<size_t>(GetLE(data_, pos_, 4));
      pos_ += 4;
      break;
    default:
      Fail(kInvalidValue);
      return std::nullopt;
  }
  if (*tag == vaWString) {
    // The count is in UTF-16 code units; compare before multiplying.
    if (n > (data_.size() - pos_) / 2) {
      Fail(kReadError);
      return std::nullopt;
    }
    std::u16string s(n, u'\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char16_t>(GetLE(data_, pos_ + 2 * i, 2));
    pos_ += 2 * n;
    return s;
  }
  if (!Need(n)) return std::nullopt;
  const std::string_view bytes = data_.substr(pos_, n);
  pos_ += n;
  return *tag == vaUTF8String ? Utf8ToUtf16(bytes) : AnsiToUnicode(bytes, CP_ACP);
}

std::optional<std::string> TLTPropReader::ReadIdent() {
  const auto tag = ReadTag();
  if (!tag) return std::nullopt;
  switch (*tag) {
    case vaIdent:
      return ReadShortString();
    case vaFalse:
      return std::string("False");
    case vaTrue:
      return std::string("True");
    case vaNil:
      return std::string("nil");
    default:
      Fail(kInvalidValue);
      return std::nullopt;
  }
}

std::optional<bool> TLTPropReader::ReadBoolean() {
  const auto tag = ReadTag();
  if (!tag) return std::nullopt;
  if (*tag == vaFalse || *tag == vaTrue) return *tag == vaTrue;
  Fail(kInvalidValue);
  return std::nullopt;
}

std::optional<uint64_t> TLTPropReader::ReadSet(const TLTEnumInfo& members) {
  const auto tag = ReadTag();
  if (!tag) return std::nullopt;
  if (*tag != vaSet) {
    Fail(kInvalidValue);
    return std::nullopt;
  }
  uint64_t bits = 0;
  for (;;) {
    const auto name = ReadShortString();
    if (!name) return std::nullopt;
    if (name->empty()) return bits;
    const auto ordinal = members.ValueOf(*name);
    if (!ordinal || *ordinal >= 64) {
      Fail(kInvalidValue);
      return std::nullopt;
    }
    bits |= uint64_t{1} << *ordinal;
  }
}

std::optional<std::string> TLTPropReader::ReadBinary() {
  const auto view = ReadBinaryView();
  if (!view) return std::nullopt;
  return std::string(*view);
}

std::optional<std::string_view> TLTPropReader::ReadBinaryView() {
  const auto tag = ReadTag();
  if (!tag) return std::nullopt;
  if (*tag != vaBinary) {
    Fail(kInvalidValue);
    return std::nullopt;
  }
  if (!Need(4)) return std::nullopt;
  const auto n = static_cast<size_t>(GetLE(data_, pos_, 4));
  pos_ += 4;
  if (!Need(n)) return std::nullopt;
  const std::string_view bytes = data_.substr(pos_, n);
  pos_ += n;
  return bytes;
}

std::optional<std::string> TLTPropReader::ReadShortString() {
  if (!Need(1)) return std::nullopt;
  const size_t n = static_cast<unsigned char>(data_[pos_]);
  if (!Need(1 + n)) return std::nullopt;
  std::string s(data_.substr(pos_ + 1, n));
  pos_ += 1 + n;
  return s;
}

bool TLTPropReader::SkipValue() { return SkipValueAtDepth(0); }

bool TLTPropReader::SkipValueAtDepth(int depth) {
  if (depth > kMaxDepth) {
    Fail(kTooDeep);
    return false;
  }
  const auto tag = ReadTag();
  if (!tag) return false;
  auto skip = [this](size_t n) {
    if (!Need(n)) return false;
    pos_ += n;
    return true;
  };
  auto skipLong = [&](size_t unit) {
    if (!Need(4)) return false;
    const auto n = static_cast<size_t>(GetLE(data_, pos_, 4));
    pos_ += 4;
    if (n > (data_.size() - pos_) / unit) {
      Fail(kReadError);
      return false;
    }
    pos_ += n * unit;
    return true;
  };
  auto skipShort = [&]() {
    if (!Need(1)) return false;
    return skip(1 + static_cast<unsigned char>(data_[pos_]));
  };
  switch (*tag) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      return true;
    case vaList:
      for (;;) {
        if (!Need(1)) return false;
        if (data_[pos_] == vaNull) return skip(1);
        if (!SkipValueAtDepth(depth + 1)) return false;
      }
    case vaInt8:
      return skip(1);
    case vaInt16:
      return skip(2);
    case vaInt32:
    case vaSingle:
      return skip(4);
    case vaExtended:
      return skip(10);
    case vaCurrency:
    case vaDate:
    case vaInt64:
      return skip(8);
    case vaString:
    case vaIdent:
      return skipShort();
    case vaBinary:
    case vaLString:
    case vaUTF8String:
      return skipLong(1);
    case vaWString:
      return skipLong(2);
    case vaSet:
      for (;;) {
        if (!Need(1)) return false;
        if (data_[pos_] == 0) return skip(1);
        if (!skipShort()) return false;
      }
    case vaCollection:
      for (;;) {
        if (!Need(1)) return false;
        const auto b = static_cast<unsigned char>(data_[pos_]);
        if (b == vaNull) return skip(1);
        if (b == vaInt8 || b == vaInt16 || b == vaInt32) {
          if (!ReadInteger()) return false;
        }
        const auto item = ReadTag();
        if (!item) return false;
        if (*item != vaList) {
          Fail(kInvalidValue);
          return false;
        }
        // The item's "name value" pairs, up to the 0 that an empty name reads as.
        for (;;) {
          if (!Need(1)) return false;
          if (data_[pos_] == 0) {
            ++pos_;
            break;
          }
          if (!skipShort() || !SkipValueAtDepth(depth + 1)) return false;
        }
      }
  }
  Fail(kInvalidValue);
  return false;
}

namespace {

// One published property's value, by the kinds of value the property takes.
bool ReadPublished(TLTPropReader& r, TLTPersistent& obj, const TLTPropInfo& p) {
  if (!HasReader(p)) {
    r.Fail(kInvalidValue);
    return false;
  }
  switch (p.Kind) {
    case TLTPropKind::Integer: {
      const auto v = r.ReadInteger();
      if (!v) return false;
      // A value the field cannot hold is refused, not wrapped.
      if (!FitsInt32(*v) || *v < p.MinValue || *v > p.MaxValue) {
        r.Fail(kInvalidValue);
        return false;
      }
      p.SetOrd(obj, *v);
      return true;
    }
    case TLTPropKind::Boolean: {
      const auto v = r.ReadBoolean();
      if (!v) return false;
      p.SetOrd(obj, *v ? 1 : 0);
      return true;
    }
    case TLTPropKind::Enum: {
      const auto ident = r.ReadIdent();
      if (!ident) return false;
      const auto v = p.Names ? p.Names->ValueOf(*ident) : std::nullopt;
      if (!v) {
        r.Fail(kInvalidValue);
        return false;
      }
      p.SetOrd(obj, *v);
      return true;
    }
    case TLTPropKind::Set: {
      if (!p.Names) {
        r.Fail(kInvalidValue);
        return false;
      }
      const auto v = r.ReadSet(*p.Names);
      if (!v) return false;
      p.SetOrd(obj, static_cast<int64_t>(*v));
      return true;
    }
    case TLTPropKind::Color:
    case TLTPropKind::Cursor: {
      const bool color = p.Kind == TLTPropKind::Color;
      std::optional<int64_t> v;
      if (r.PeekTag() == vaIdent) {
        if (const auto ident = r.ReadIdent()) {
          if (color) {
            if (const auto c = IdentToColor(*ident)) v = *c;
          } else if (const auto c = IdentToCursor(*ident)) {
            v = *c;
          }
        }
      } else if (const auto i = r.ReadInteger()) {
        v = *i;
      }
      if (!r.Ok()) return false;
      const bool inRange =
          v && (color ? FitsInt32(*v)
                      : *v >= std::numeric_limits<int16_t>::min() && *v <= std::numeric_limits<int16_t>::max());
      if (!inRange) {
        r.Fail(kInvalidValue);
        return false;
      }
      p.SetOrd(obj, *v);
      return true;
    }
    case TLTPropKind::String: {
      const auto s = r.ReadString();
      if (!s) return false;
      p.SetStr(obj, *s);
      return true;
    }
    case TLTPropKind::Collection:
      if (TLTCollection* coll = p.GetColl(obj)) return r.ReadCollection(*coll);
      break;
    case TLTPropKind::Object:
      break;
  }
  r.Fail(kInvalidValue);
  return false;
}

}  // namespace

bool TLTPropReader::ReadProperties(TLTPersistent& obj) {
  for (;;) {
    if (!Need(1)) return false;
    if (data_[pos_] == vaNull) {
      ++pos_;
      obj.Loaded();
      return true;
    }
    const auto name = ReadShortString();
    if (!name || !ReadPropertyValue(obj, *name)) return false;
  }
}

bool TLTPropReader::ReadPropertyValue(TLTPersistent& obj, const std::string& name) {
  // Walk "Owner.Inner" down the nested objects as far as the names lead.
  TLTPersistent* target = &obj;
  std::string_view rest = name;
  bool missing = false;
  for (size_t dot = rest.find('.'); dot != std::string_view::npos; dot = rest.find('.')) {
    const TLTPropInfo* p = target->ClassInfo().Find(rest.substr(0, dot));
    if (!p || p->Kind != TLTPropKind::Object) break;
    TLTPersistent* inner = p->MakeObj ? p->MakeObj(*target) : p->GetObj ? p->GetObj(*target) : nullptr;
    if (!inner) {
      missing = true;
      break;
    }
    target = inner;
    rest.remove_prefix(dot + 1);
  }
  if (!missing && rest.find('.') == std::string_view::npos) {
    if (const TLTPropInfo* p = target->ClassInfo().Find(rest)) return ReadPublished(*this, *target, *p);
  }
  if (const TLTDefinedProp* d = FindDefined(obj, name)) return ReadDefinedValue(obj, *d);
  if (!missing && target != &obj)
    if (const TLTDefinedProp* d = FindDefined(*target, rest)) return ReadDefinedValue(*target, *d);
  if (OnUnknownProperty && OnUnknownProperty(name)) return SkipValue();
  Fail("Property " + name + " does not exist");
  return false;
}

bool TLTPropReader::ReadDefinedValue(TLTPersistent& obj, const TLTDefinedProp& p) {
  switch (p.Kind) {
    case TLTDefinedKind::String: {
      const auto s = ReadString();
      if (!s) return false;
      if (p.SetText) p.SetText(obj, *s);
      return true;
    }
    case TLTDefinedKind::Integer: {
      const auto v = ReadInteger();
      if (!v) return false;
      if (p.SetInt) p.SetInt(obj, *v);
      return true;
    }
    case TLTDefinedKind::Binary: {
      const auto b = ReadBinary();
      if (!b) return false;
      if (p.SetBytes) p.SetBytes(obj, *b);
      return true;
    }
    case TLTDefinedKind::Custom: {
      if (p.ReadCustom && p.ReadCustom(obj, *this)) return Ok();
      if (Ok()) Fail(kInvalidValue);
      return false;
    }
  }
  Fail(kInvalidValue);
  return false;
}

bool TLTPropReader::ReadCollection(TLTCollection& coll) {
  const auto tag = ReadTag();
  if (!tag) return false;
  if (*tag != vaCollection) {
    Fail(kInvalidValue);
    return false;
  }
  if (!Need(1)) return false;
  if (data_[pos_] == vaNull) {
    ++pos_;
    return true;
  }
  if (collectionDepth_ >= kMaxDepth) {
    Fail(kTooDeep);
    return false;
  }
  ++collectionDepth_;
  coll.Clear();
  bool ok = true;
  for (;;) {
    if (!Need(1)) {
      ok = false;
      break;
    }
    const auto b = static_cast<unsigned char>(data_[pos_]);
    if (b == vaNull) {
      ++pos_;
      break;
    }
    // An order number may stand in front of an item; it carries nothing.
    if ((b == vaInt8 || b == vaInt16 || b == vaInt32) && !ReadInteger()) {
      ok = false;
      break;
    }
    const auto item = ReadTag();
    if (!item || *item != vaList) {
      Fail(kInvalidValue);
      ok = false;
      break;
    }
    if (!Take(LTCollectionItemCost) || !ReadProperties(coll.AddItem())) {
      ok = false;
      break;
    }
  }
  --collectionDepth_;
  return ok;
}

bool TLTPropReader::ReadListBegin() {
  const auto tag = ReadTag();
  if (!tag) return false;
  if (*tag != vaList) {
    Fail(kInvalidValue);
    return false;
  }
  return true;
}

bool TLTPropReader::AtListEnd() {
  if (!Need(1)) return false;
  if (data_[pos_] != vaNull) return false;
  ++pos_;
  return true;
}

bool TLTPropReader::Take(size_t bytes) {
  if (!Ok()) return false;
  if (budget_->Take(bytes)) return true;
  Fail(LTOutOfBudgetMessage);
  return false;
}

bool TLTPropReader::ReadComponent(TLTPersistent& obj, std::string* className, const TChildTarget& onChild) {
  std::string cls, name;
  if (!ReadComponentHeader(cls, name) || !ReadProperties(obj) || !ReadChildren(onChild, 1)) return false;
  if (className) *className = std::move(cls);
  return true;
}

bool TLTPropReader::ReadChildren(const TChildTarget& onChild, int depth) {
  for (;;) {
    if (!Need(1)) return false;
    if (data_[pos_] == vaNull) {
      ++pos_;
      return true;
    }
    if (depth > kMaxDepth) {
      Fail(kTooDeep);
      return false;
    }
    std::string cls, name;
    if (!ReadComponentHeader(cls, name)) return false;
    TLTPersistent* target = onChild ? onChild(cls, name) : nullptr;
    if (!(target ? ReadProperties(*target) : SkipProperties()) || !ReadChildren(onChild, depth + 1)) return false;
  }
}

bool TLTPropReader::SkipProperties() {
  for (;;) {
    if (!Need(1)) return false;
    if (data_[pos_] == vaNull) {
      ++pos_;
      return true;
    }
    if (!ReadShortString() || !SkipValue()) return false;
  }
}

bool TLTPropReader::ReadComponentHeader(std::string& className, std::string& name) {
  if (!Need(1)) return false;
  const auto prefix = static_cast<unsigned char>(data_[pos_]);
  if ((prefix & 0xF0) == 0xF0) {
    ++pos_;
    // Flag 2: the child's position follows; it does not affect the object.
    if ((prefix & 0x02) && !ReadInteger()) return false;
  }
  auto cls = ReadShortString();
  if (!cls) return false;
  auto nm = ReadShortString();
  if (!nm) return false;
  className = std::move(*cls);
  name = std::move(*nm);
  return true;
}

}  // namespace lectern
