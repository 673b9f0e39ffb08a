#pragma once
// The property stream: a self-describing binary encoding of named property
// values, driven by the published-property tables (style/LTProps.h). Stored
// documents keep their style collections, control bodies and table records
// in it.
//
// Every value starts with a one-byte tag (TLTValueTag); integers are written
// in the smallest of 8, 16 or 32 bits; strings as UTF-16, UTF-8 or 8-bit
// text by their content; enumerations as identifiers; sets as member names.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/LTTypes.h"
#include "style/LTProps.h"

namespace lectern {

enum TLTValueTag : uint8_t {
  vaNull = 0,  // end of list
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,  // short 8-bit string
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,  // long 8-bit string
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
};

/// The signature in front of a complete stored component.
constexpr std::string_view LTComponentSignature = "TPF0";

/// Appends property-stream values to a byte string.
class TLTPropWriter {
 public:
  explicit TLTPropWriter(std::string& out) : out_(out) {}

  void WriteInteger(int64_t v);
  /// Tag 18 when UTF-8 would take twice the UTF-16 length or more; tag 20
  /// for ASCII text or a UTF-8 system code page; else the 8-bit tags 6/12
  /// when the text survives the system code page exactly, tag 20 when not.
  void WriteString(std::u16string_view s);
  /// "False"/"True" (any case) as tags 8/9, "Null" as 0, "nil" as 13, else tag 7.
  void WriteIdent(std::string_view ident);
  void WriteBoolean(bool v);
  /// Tag 11 and the names of the set bits, lowest first, then an empty name.
  void WriteSet(uint64_t bits, const TLTEnumInfo& members);
  void WriteBinary(std::string_view bytes);
  /// One length byte (at most 255, longer text is cut) and the bytes.
  void WriteShortString(std::string_view s);
  void WriteTag(TLTValueTag tag) { out_.push_back(static_cast<char>(tag)); }
  void WriteListBegin() { WriteTag(vaList); }
  void WriteListEnd() { WriteTag(vaNull); }

  /// The object's stored published properties in declaration order, then
  /// its defined properties; nested objects under "Owner.Inner" names.
  /// Writes no terminating tag.
  void WriteProperties(const TLTPersistent& obj);
  /// Tag 14, every item's properties between tags 1 and 0, a closing 0.
  void WriteCollection(const TLTCollection& coll);
  /// A component: class name, name, properties, 0, no children, 0.
  void WriteComponent(std::string_view className, std::string_view name, const TLTPersistent& obj);

 private:
  void WritePropertyValue(const TLTPropInfo& p, const TLTPersistent& obj, const std::string& path);
  void WriteObject(const TLTPersistent& obj, const std::string& path);
  std::string& out_;
};

/// Reads property-stream values. Every read checks its bounds; a failure
/// stops the reader with an error message and every later read fails too.
class TLTPropReader {
 public:
  /// Told of a property name the target does not have; returns true when it
  /// handled it (the value is then skipped).
  using TUnknownProperty = std::function<bool(const std::string& name)>;

  explicit TLTPropReader(std::string_view data) : data_(data) {}

  bool Ok() const { return error_.empty(); }
  /// "Invalid property value", "Property X does not exist", or a message
  /// about the stream's end; empty while all is well.
  const std::string& Error() const { return error_; }
  size_t Position() const { return pos_; }
  size_t Remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
  bool AtEnd() const { return pos_ >= data_.size(); }

  TUnknownProperty OnUnknownProperty;

  std::optional<TLTValueTag> PeekTag() const;
  std::optional<TLTValueTag> ReadTag();
  std::optional<int64_t> ReadInteger();  // tags 2, 3, 4, 19
  std::optional<std::u16string> ReadString();  // tags 6, 12, 18, 20
  std::optional<std::string> ReadIdent();  // tag 7 (and 8, 9, 13 as words)
  std::optional<bool> ReadBoolean();
  std::optional<uint64_t> ReadSet(const TLTEnumInfo& members);
  std::optional<std::string> ReadBinary();
  std::optional<std::string> ReadShortString();
  /// Skips one value of any kind, nested lists and collections included.
  bool SkipValue();

  /// Reads "name value" pairs into obj up to and including the closing 0.
  bool ReadProperties(TLTPersistent& obj);
  /// Reads a collection value (tag 14) into coll: cleared first when the
  /// stored collection has at least one item.
  bool ReadCollection(TLTCollection& coll);
  /// Reads a component header (an optional prefix byte, class name, name).
  bool ReadComponentHeader(std::string& className, std::string& name);
  /// A whole component into obj: header, properties, and an empty list of
  /// children; className receives its class name.
  bool ReadComponent(TLTPersistent& obj, std::string* className = nullptr);
  /// Tag 1 must come next.
  bool ReadListBegin();
  /// True (and consumed) when the end-of-list tag comes next; false when
  /// another value follows or the data ended (Ok() tells which).
  bool AtListEnd();

  /// Marks the reader failed with a message (the first one is kept).
  void Fail(const std::string& message);

 private:
  bool ReadPropertyValue(TLTPersistent& obj, const std::string& name);
  bool ReadDefinedValue(TLTPersistent& obj, const TLTDefinedProp& p);
  bool SkipValueAtDepth(int depth);
  bool Need(size_t n);
  std::string_view data_;
  size_t pos_ = 0;
  std::string error_;
  int collectionDepth_ = 0;  // collections being read inside one another
};

}  // namespace lectern
