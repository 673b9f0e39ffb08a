#pragma once
// The pieces of the LTF format that the container and the items share: the
// options, the layout and background records' data, and the record writer
// with its line forms (text lines, binary blocks, wide lines) and field
// encodings (numbers or style names, tags, quoted strings).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LTGraphic.h"
#include "platform/LTTypes.h"
#include "style/LTPropStream.h"

namespace lectern {

class TLTStream;
class TLTStyle;
class TCustomLTInfos;
class TCustomLTData;
class TLTTag;

enum TLTFOption : uint8_t {
  ltfoSavePicturesBody,
  ltfoSaveControlsBody,
  ltfoIgnoreUnknownPicFmt,
  ltfoIgnoreUnknownCtrls,
  ltfoConvUnknownStylesToZero,
  ltfoConvLargeImageIdxToZero,
  ltfoSaveBinary,
  ltfoUseStyleNames,
  ltfoSaveBack,
  ltfoLoadBack,
  ltfoSaveTextStyles,
  ltfoSaveParaStyles,
  ltfoSaveLayout,
  ltfoLoadLayout,
  ltfoSaveDocProperties,
  ltfoLoadDocProperties,
};
using TLTFOptions = TLTSet<TLTFOption, uint16_t>;
/// What a control starts with.
constexpr TLTFOptions LTDefaultLTFOptions{ltfoSavePicturesBody, ltfoSaveControlsBody, ltfoSaveBinary,
                                          ltfoSaveDocProperties, ltfoLoadDocProperties};
/// What the application's editor uses: also the styles.
constexpr TLTFOptions LTEditorLTFOptions = LTDefaultLTFOptions | TLTFOptions{ltfoSaveTextStyles, ltfoSaveParaStyles};

/// Stored documents nested deeper than this (tables in cells of tables ...)
/// are refused as damage rather than read by ever deeper recursion.
constexpr int LTFMaxNesting = 64;

/// Record codes that are not item kinds.
constexpr int32_t ltfrVersion = -8;
constexpr int32_t ltfrDocData = -9;
constexpr int32_t ltfrBackground = -7;
constexpr int32_t ltfrCheckpoint = -2;

/// Subtypes of document data records.
enum TLTFDocData : uint8_t {
  ltfdTextStyles = 1,
  ltfdParaStyles = 2,
  ltfdLayout = 3,
  ltfdListStyles = 4,
  ltfdDocProperties = 5,
  ltfdListNumbering = 6,
  ltfdDocParameters = 7,
  ltfdStyleTemplates = 8,
};

/// How a record's data lines are stored.
enum TLTFDataKind : uint8_t { ltfdkText = 0, ltfdkNoContent = 1, ltfdkBinary = 2, ltfdkWideHex = 3 };

/// Layout of the control a document is shown in, stored with it.
struct TLTLayoutInfo {
  int32_t LeftMargin = 5;
  int32_t RightMargin = 5;
  int32_t TopMargin = 5;
  int32_t BottomMargin = 5;
  int32_t MinTextWidth = 0;
  int32_t MaxTextWidth = 0;
  uint8_t BiDiMode = 0;
  /// Whether the saved part starts or ends inside a paragraph, and the list
  /// number and level of a marker that starts its first paragraph.
  bool FirstParaCut = false;
  bool LastParaCut = false;
  int32_t FirstMarkerListNo = -1;
  int32_t FirstMarkerLevel = -1;
  /// The saved container is a sub-document (a table cell).
  bool SubDocument = false;
};

/// The control's background, stored with a whole document.
struct TLTBackgroundInfo {
  /// 0 none, 1 stretched, 2 tiled, 3 tiled and scrolled, 4 centred, 5..8 corners.
  int32_t Style = 0;
  TColor Color = clWindow;
  const TGraphic* Image = nullptr;  // not owned; what is written
  /// What a read found: the picture, owned here.
  std::unique_ptr<TGraphic> LoadedImage;
};

/// Warnings a read collects (kept by the document's settings afterwards).
enum TLTFWarning : uint8_t {
  ltfwBadPictureClass,
  ltfwBadControl,
  ltfwBadStyle,
  ltfwBadImageIndex,
  ltfwMadeWide,
  ltfwMadeNarrow,
  ltfwBrokenPicture,
  ltfwBadProperty,
  /// A record header gave a paragraph number below -1; read as 0.
  ltfwBadParaNo,
  /// A record header gave item flags above 15; only the four stored bits were kept.
  ltfwBadFlags,
};
using TLTFWarnings = TLTSet<TLTFWarning, uint16_t>;

/// When set, stored text style numbers are used as they are, without the
/// map that a merge of stored styles builds.
extern bool LTFKeepStoredStyleNumbers;

/// '"' + text with inner quotes doubled + '"', as an LTF string.
std::string LTFQuote(std::u16string_view text);

/// Splits header fields at single spaces; a field that starts with '"'
/// runs to its closing quote (doubled quotes stay inside). False when a
/// quoted field is not closed.
bool SplitLTFFields(std::string_view line, std::vector<std::string_view>& fields);
/// The text of a quoted field ('"' ... '"', inner quotes doubled), decoded
/// as an LTF string; nullopt when the field is not quoted.
std::optional<TLTString> LTFUnquote(std::string_view field, bool utf8);

/// The lines of a stored document, read from a stream in the forms the
/// records ask for, through a window that holds only what is being read.
/// A view returned by a read stays valid until the next read. Every read
/// checks the bytes that remain.
class TLTFLineSource {
 public:
  /// Over a stream; what arrives from it is added to the budget's input.
  explicit TLTFLineSource(TLTStream& stream, TLTReadBudget* budget = nullptr) : stream_(&stream), budget_(budget) {}
  /// Over bytes in memory (a part of an input already counted).
  explicit TLTFLineSource(std::string_view data) : win_(data), eof_(true) {}
  bool AtEnd();
  /// Bytes consumed since the source began.
  size_t Offset() const { return dropped_ + pos_; }
  /// Up to LF; a CR before it is dropped.
  bool TextLine(std::string_view& line);
  /// A 4-byte little-endian length and that many bytes.
  bool Block(std::string_view& bytes);
  /// UTF-16LE code units up to U+2029.
  bool WideLine(std::string_view& utf16le);
  /// The data of a record: a block for the binary kind, else a line of
  /// hexadecimal digits.
  bool DataLine(TLTFDataKind kind, std::string& bytes);
  /// The same without a copy of a block: bytes views the block where it
  /// lies (valid until the next read), or the decoded digits in storage.
  bool DataLine(TLTFDataKind kind, std::string& storage, std::string_view& bytes);

 private:
  /// Makes at least `need` bytes available from the read position; false
  /// when the stream ends first.
  bool Have(size_t need);
  /// Reads more of the stream; false at its end.
  bool More();
  TLTStream* stream_ = nullptr;
  TLTReadBudget* budget_ = nullptr;  // not owned
  std::string buf_;       // what was read from the stream and not yet consumed
  std::string_view win_;  // the bytes in reach: buf_, or data given whole
  size_t pos_ = 0;        // read position in win_
  size_t dropped_ = 0;    // consumed bytes no longer in buf_
  bool eof_ = false;
};

/// Style names of the sheet's collections, indexed for the lookups of one
/// read and of the sub-documents it reads (the first style of a name wins).
struct TLTFStyleNames {
  /// The index of name among the styles of coll, or -1; built on first use.
  int32_t Find(const TCustomLTInfos& coll, const TLTString& name);
  /// The sheet changed: indexes are built again when next asked.
  void Forget() { indexes_.clear(); }

 private:
  struct Index;
  std::vector<std::pair<const TCustomLTInfos*, std::shared_ptr<Index>>> indexes_;
};

/// What items need while reading their records.
struct TLTFReadContext {
  TCustomLTData& Data;
  const TLTStyle* Style;
  TLTFOptions Options;
  bool Utf8 = false;
  TLTFWarnings Warnings;
  /// Set by items whose header names their associated style by name, which
  /// is then not mapped through the style maps.
  bool AssociatedStyleByName = false;
  /// Reads a stored sub-document (a table cell's content) into an empty
  /// container, with this read's style maps and options; false when it is
  /// damaged or nested too deeply.
  std::function<bool(TCustomLTData& target, std::string_view bytes)> ReadSubDocument;
  /// What the read may still build; shared with the sub-documents and
  /// property streams it reads. Never null during a read.
  TLTReadBudget* Budget = nullptr;
  /// Why the read failed, for messages; the first reason is kept.
  std::string Error;
  /// Style names looked up by this read (shared with its sub-documents);
  /// never null during a read.
  std::shared_ptr<TLTFStyleNames> StyleNames;

  /// Takes bytes of the budget; when they are not there, records why.
  bool Take(size_t bytes);
  /// Loads a picture within what the budget has left and takes its pixels
  /// from it. False when the data is damaged or the budget ran out (which
  /// Budget->Exhausted() then tells).
  bool LoadPicture(TGraphic& picture, TLTStream& data);
  void Fail(std::string reason) {
    if (Error.empty()) Error = std::move(reason);
  }
  TLTString DecodeString(std::string_view bytes) const;
  /// A number field, or a quoted name looked up among the styles of a kind
  /// (first match; 0 when none matches). byName tells which it was.
  bool TextStyleField(std::string_view field, int32_t& value, bool* byName = nullptr) const;
  bool ParaStyleField(std::string_view field, int32_t& value, bool* byName = nullptr) const;
  bool ListStyleField(std::string_view field, int32_t& value, bool* byName = nullptr) const;
};

/// Writes LTF records to a stream, buffered. Write failures are remembered
/// (Failed) rather than thrown.
class TLTFWriter {
 public:
  TLTFWriter(TLTStream& stream, const TCustomLTData& data, TLTFOptions options);
  /// Appends to sink instead of a stream (a sub-document inside a value
  /// being built): nothing is copied on the way.
  TLTFWriter(std::string& sink, const TCustomLTData& data, TLTFOptions options);
  ~TLTFWriter();
  TLTFWriter(const TLTFWriter&) = delete;
  TLTFWriter& operator=(const TLTFWriter&) = delete;

  TLTFOptions Options() const { return options_; }
  bool BinaryMode() const { return options_.Contains(ltfoSaveBinary); }
  /// A page's part of a document is written: list markers are stored as
  /// restarting their list at their current number.
  bool PagePart = false;
  const TLTStyle* Style() const { return style_; }
  const TCustomLTData& Data() const { return data_; }

  /// A text line: the bytes, then CR LF. The bytes must hold no CR or LF.
  void Line(std::string_view bytes);
  /// A binary block: 4-byte little-endian length, then the bytes.
  void Block(std::string_view bytes);
  /// A line of two upper-case hexadecimal digits per byte.
  void HexLine(std::string_view bytes);
  /// A wide text line: UTF-16LE bytes, then U+2029.
  void WideLine(std::string_view utf16le);
  /// Data of a record whose data kind is binary or hexadecimal: a block in
  /// binary mode, else a line of hexadecimal digits.
  void DataLine(std::string_view bytes);
  /// The data kind that DataLine uses.
  TLTFDataKind DataKind() const { return BinaryMode() ? ltfdkBinary : ltfdkText; }
  /// Starts a binary block whose bytes the caller appends to Out(), so that
  /// a large value is built where it is written; EndBlock writes its length.
  /// Nothing is sent to the stream while a block is open.
  size_t BeginBlock();
  void EndBlock(size_t at);
  std::string& Out() { return *out_; }

  /// Fields: a text style as a number or, with ltfoUseStyleNames, its
  /// quoted name; a paragraph style likewise; a list style likewise; a tag.
  std::string TextStyleField(int32_t styleNo) const;
  std::string ParaStyleField(int32_t paraNo) const;
  std::string ListStyleField(int32_t listNo) const;
  std::string TagField(const TLTTag& tag) const;

  /// A record header: StyleNo LineCount ParaNo Flags DataKind Tag, then
  /// " " + tail when there is a tail (items always have one, maybe empty).
  void Header(std::string_view styleField, int lineCount, std::string_view paraField, uint8_t flags,
              TLTFDataKind kind, std::string_view tagField, const std::string* tail);

  /// Sends the buffer to the stream; false when anything could not be written.
  bool Flush();
  bool Failed() const { return failed_; }

 private:
  void Put(std::string_view bytes);
  void FlushIfFull();
  TLTStream* stream_;  // null when writing into a sink
  const TCustomLTData& data_;
  const TLTStyle* style_;
  TLTFOptions options_;
  bool stringTags_;
  std::string buffer_;
  std::string* out_;  // buffer_, or the sink
  int openBlocks_ = 0;
  bool failed_ = false;
};

}  // namespace lectern
