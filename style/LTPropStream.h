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
#include <vector>

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

/// What reading outside input may build: a fixed allowance plus a multiple
/// of the input that arrived. The readers of one input (a document, the
/// property streams and sub-documents inside it) share one budget, so that
/// nested readers cannot each claim the whole allowance. A reader takes from
/// it before it builds anything whose size the input does not pay for byte
/// by byte (styles, items, table cells, pixels).
class TLTReadBudget {
 public:
  static constexpr size_t kAllowance = size_t{48} << 20;
  static constexpr size_t kPerInputByte = 2;

  TLTReadBudget() = default;
  explicit TLTReadBudget(size_t inputBytes) { AddInput(inputBytes); }
  /// More input arrived.
  void AddInput(size_t bytes) { input_ += bytes; }
  /// Takes bytes of the budget; false, for good, once they are not there.
  bool Take(size_t bytes);
  bool Exhausted() const { return exhausted_; }
  /// What is left before the budget is exhausted.
  size_t Left() const;

 private:
  size_t input_ = 0;
  size_t used_ = 0;
  bool exhausted_ = false;
};

/// What one item of a collection (a style, a list level, a tab stop) costs
/// at least in memory, however few bytes describe it.
constexpr size_t LTCollectionItemCost = 320;

/// The message of a read that ran out of its budget.
extern const char* const LTOutOfBudgetMessage;

/// A stored component and the components it owns, for writing.
struct TLTComponentTree {
  std::string_view ClassName;
  std::string_view Name;
  const TLTPersistent* Object = nullptr;  // null: no properties
  std::vector<TLTComponentTree> Children;
};

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
  /// A component with the components it owns, each encoded the same way.
  void WriteComponent(const TLTComponentTree& tree);
  /// Starts a binary value (tag 10) whose bytes the caller appends to Out();
  /// EndBinary writes their count, so that large values are built in place.
  size_t BeginBinary();
  void EndBinary(size_t at);
  std::string& Out() { return out_; }

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

  /// Where the properties of a component's owned child go: an object, or
  /// null to skip the child with everything it owns.
  using TChildTarget = std::function<TLTPersistent*(const std::string& className, const std::string& name)>;

  /// Reads data; without a budget of its own the reader takes from one
  /// sized by data.
  explicit TLTPropReader(std::string_view data, TLTReadBudget* budget = nullptr)
      : data_(data), ownBudget_(data.size()), budget_(budget ? budget : &ownBudget_) {}
  TLTPropReader(const TLTPropReader&) = delete;
  TLTPropReader& operator=(const TLTPropReader&) = delete;

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
  /// The bytes of a binary value where they lie, valid while the data is.
  std::optional<std::string_view> ReadBinaryView();
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
  /// A whole component into obj: header, properties and the components it
  /// owns, whose properties go where onChild says (all are skipped without
  /// it); className receives its class name.
  bool ReadComponent(TLTPersistent& obj, std::string* className = nullptr, const TChildTarget& onChild = {});
  /// Takes bytes of the reader's budget; fails the reader when they are not there.
  bool Take(size_t bytes);
  TLTReadBudget& Budget() { return *budget_; }
  /// Tag 1 must come next.
  bool ReadListBegin();
  /// True (and consumed) when the end-of-list tag comes next; false when
  /// another value follows or the data ended (Ok() tells which).
  bool AtListEnd();

  /// Marks the reader failed with a message (the first one is kept).
  void Fail(const std::string& message);

 private:
  bool ReadPropertyValue(TLTPersistent& obj, const std::string& name);
  bool SkipProperties();
  bool ReadChildren(const TChildTarget& onChild, int depth);
  bool ReadDefinedValue(TLTPersistent& obj, const TLTDefinedProp& p);
  bool SkipValueAtDepth(int depth);
  bool Need(size_t n);
  std::string_view data_;
  size_t pos_ = 0;
  std::string error_;
  int collectionDepth_ = 0;  // collections being read inside one another
  TLTReadBudget ownBudget_;
  TLTReadBudget* budget_;  // not owned, or ownBudget_
};

}  // namespace lectern
