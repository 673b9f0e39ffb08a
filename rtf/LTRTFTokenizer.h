#pragma once
// The first half of reading RTF: bytes into tokens. Groups, control words
// with their parameters, control symbols, escaped bytes (\'hh), runs of
// text and, on request after \bin, raw bytes. The tokenizer knows no
// keyword: what a control word means is the reader's business. It works
// over bytes already in memory, hands out views into them and allocates
// nothing, so that a hostile length or number never reserves memory.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lectern {

enum class TLTRTFTokenKind : uint8_t {
  End,            ///< the data is used up
  GroupStart,     ///< "{"
  GroupEnd,       ///< "}"
  ControlWord,    ///< "\" letters [-digits] (Name, Param, HasParam)
  ControlSymbol,  ///< "\" and one other character (Byte); a line end stands for a paragraph
  HexByte,        ///< "\'" and two hex digits (Byte)
  BadHex,         ///< "\'" not followed by two hex digits
  Text,           ///< bytes other than "\", "{", "}" and line ends (Name holds them)
  EndInControl,   ///< the data ended right after a "\"
};

/// One token; the views point into the tokenizer's data.
struct TLTRTFToken {
  TLTRTFTokenKind Kind = TLTRTFTokenKind::End;
  /// The control word without its backslash, or the text run.
  std::string_view Name;
  int32_t Param = 0;
  bool HasParam = false;
  /// The control word had more letters than a keyword may have; it is
  /// never a known keyword.
  bool TooLong = false;
  uint8_t Byte = 0;
};

/// Control words have at most this many letters.
constexpr size_t LTRTFMaxKeywordLength = 32;

class TLTRTFTokenizer {
 public:
  /// data must outlive the tokenizer.
  explicit TLTRTFTokenizer(std::string_view data) : data_(data) {}

  /// The next token. Parameters saturate to the 32-bit range however many
  /// digits they have; a space after a control word is its delimiter and
  /// is consumed.
  TLTRTFToken Next();
  /// After \binN: the next n raw bytes (fewer when the data ends first;
  /// nothing for n <= 0).
  std::string_view TakeBinary(int64_t n);
  size_t Position() const { return pos_; }
  size_t Size() const { return data_.size(); }

 private:
  TLTRTFToken ReadControl();
  std::string_view data_;
  size_t pos_ = 0;
};

/// The value of a hex digit, or -1.
constexpr int LTRTFHexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace lectern
