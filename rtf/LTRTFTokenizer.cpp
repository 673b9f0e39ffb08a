// RTF bytes into tokens. The loop over text is the hot path of every read:
// a table marks the bytes that end a run, so a run is found in one pass.

#include "rtf/LTRTFTokenizer.h"

#include <array>
#include <limits>

namespace lectern {

namespace {

constexpr std::array<bool, 256> MakeStops() {
  std::array<bool, 256> t{};
  t['\\'] = t['{'] = t['}'] = t['\r'] = t['\n'] = true;
  return t;
}
constexpr std::array<bool, 256> kStops = MakeStops();

constexpr bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

TLTRTFToken TLTRTFTokenizer::Next() {
  TLTRTFToken t;
  const size_t n = data_.size();
  // Line ends between tokens mean nothing.
  while (pos_ < n && (data_[pos_] == '\r' || data_[pos_] == '\n')) ++pos_;
  if (pos_ >= n) return t;
  const auto c = static_cast<unsigned char>(data_[pos_]);
  switch (c) {
    case '{':
      ++pos_;
      t.Kind = TLTRTFTokenKind::GroupStart;
      return t;
    case '}':
      ++pos_;
      t.Kind = TLTRTFTokenKind::GroupEnd;
      return t;
    case '\\':
      ++pos_;
      return ReadControl();
    default:
      break;
  }
  const size_t start = pos_;
  const char* p = data_.data();
  size_t i = pos_ + 1;
  while (i < n && !kStops[static_cast<unsigned char>(p[i])]) ++i;
  pos_ = i;
  t.Kind = TLTRTFTokenKind::Text;
  t.Name = data_.substr(start, i - start);
  return t;
}

TLTRTFToken TLTRTFTokenizer::ReadControl() {
  TLTRTFToken t;
  const size_t n = data_.size();
  if (pos_ >= n) {
    t.Kind = TLTRTFTokenKind::EndInControl;
    return t;
  }
  const auto c = static_cast<unsigned char>(data_[pos_]);
  if (!IsLetter(c)) {
    ++pos_;
    if (c == '\'') {
      const int hi = pos_ < n ? LTRTFHexValue(static_cast<unsigned char>(data_[pos_])) : -1;
      const int lo = pos_ + 1 < n ? LTRTFHexValue(static_cast<unsigned char>(data_[pos_ + 1])) : -1;
      if (hi < 0 || lo < 0) {
        t.Kind = TLTRTFTokenKind::BadHex;
        return t;
      }
      pos_ += 2;
      t.Kind = TLTRTFTokenKind::HexByte;
      t.Byte = static_cast<uint8_t>(hi * 16 + lo);
      return t;
    }
    t.Kind = TLTRTFTokenKind::ControlSymbol;
    t.Byte = c == '\r' ? '\n' : c;
    t.Name = data_.substr(pos_ - 1, 1);
    return t;
  }
  const size_t start = pos_;
  while (pos_ < n && IsLetter(static_cast<unsigned char>(data_[pos_]))) ++pos_;
  t.Kind = TLTRTFTokenKind::ControlWord;
  t.Name = data_.substr(start, pos_ - start);
  t.TooLong = t.Name.size() > LTRTFMaxKeywordLength;
  bool negative = false;
  if (pos_ < n && data_[pos_] == '-' && pos_ + 1 < n && IsDigit(static_cast<unsigned char>(data_[pos_ + 1]))) {
    negative = true;
    ++pos_;
  }
  if (pos_ < n && IsDigit(static_cast<unsigned char>(data_[pos_]))) {
    // Saturates: a number of a thousand digits is the largest number.
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    int64_t v = 0;
    while (pos_ < n && IsDigit(static_cast<unsigned char>(data_[pos_]))) {
      if (v <= kMax) v = v * 10 + (data_[pos_] - '0');
      ++pos_;
    }
    if (negative)
      v = v > kMax + 1 ? -(kMax + 1) : -v;
    else if (v > kMax)
      v = kMax;
    t.Param = static_cast<int32_t>(v);
    t.HasParam = true;
  }
  if (pos_ < n && data_[pos_] == ' ') ++pos_;
  return t;
}

std::string_view TLTRTFTokenizer::TakeBinary(int64_t count) {
  if (count <= 0) return {};
  const size_t left = data_.size() - pos_;
  const size_t take = static_cast<uint64_t>(count) < left ? static_cast<size_t>(count) : left;
  std::string_view out = data_.substr(pos_, take);
  pos_ += take;
  return out;
}

}  // namespace lectern
