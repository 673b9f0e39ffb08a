// The LTF record writer: buffered line forms and header fields.

#include "model/LTFMisc.h"

#include <charconv>

#include "model/CLTData.h"
#include "model/LTFuncs.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

namespace lectern {

namespace {
// Records go to the stream in pieces of about this size.
constexpr size_t kFlushSize = 1 << 16;
}  // namespace

std::string LTFQuote(std::u16string_view text) {
  std::u16string q = u"\"";
  for (char16_t c : text) {
    q += c;
    if (c == u'"') q += u'"';
  }
  q += u'"';
  return LTFEncodeString(q);
}

TLTFWriter::TLTFWriter(TLTStream& stream, const TCustomLTData& data, TLTFOptions options)
    : stream_(stream),
      data_(data),
      style_(data.GetStyle()),
      options_(options),
      stringTags_(data.TagsArePChars()) {}

TLTFWriter::~TLTFWriter() { Flush(); }

void TLTFWriter::Put(std::string_view bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= kFlushSize) Flush();
}

bool TLTFWriter::Flush() {
  if (!buffer_.empty()) {
    if (!failed_ && !stream_.WriteBytes(buffer_)) failed_ = true;
    buffer_.clear();
  }
  return !failed_;
}

void TLTFWriter::Line(std::string_view bytes) {
  Put(bytes);
  Put("\r\n");
}

void TLTFWriter::Block(std::string_view bytes) {
  const auto n = static_cast<uint32_t>(bytes.size());
  const char len[4] = {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                       static_cast<char>((n >> 16) & 0xFF), static_cast<char>((n >> 24) & 0xFF)};
  Put(std::string_view(len, 4));
  Put(bytes);
}

void TLTFWriter::WideLine(std::string_view utf16le) {
  Put(utf16le);
  Put("\x29\x20");
}

void TLTFWriter::HexLine(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const size_t start = buffer_.size();
  buffer_.resize(start + 2 * bytes.size() + 2);
  char* out = buffer_.data() + start;
  for (char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    *out++ = kDigits[u >> 4];
    *out++ = kDigits[u & 0xF];
  }
  *out++ = '\r';
  *out = '\n';
  if (buffer_.size() >= kFlushSize) Flush();
}

void TLTFWriter::DataLine(std::string_view bytes) {
  if (BinaryMode())
    Block(bytes);
  else
    HexLine(bytes);
}

std::string TLTFWriter::TextStyleField(int32_t styleNo) const {
  if (options_.Contains(ltfoUseStyleNames) && style_ && styleNo >= 0 && styleNo != MaxInt &&
      style_->TextStyles().IsValidIndex(styleNo))
    return LTFQuote(style_->TextStyles()[styleNo].StyleName);
  return IntToStr(styleNo);
}

std::string TLTFWriter::ParaStyleField(int32_t paraNo) const {
  if (options_.Contains(ltfoUseStyleNames) && style_ && paraNo >= 0 && style_->ParaStyles().IsValidIndex(paraNo))
    return LTFQuote(style_->ParaStyles()[paraNo].StyleName);
  return IntToStr(paraNo);
}

std::string TLTFWriter::ListStyleField(int32_t listNo) const {
  if (options_.Contains(ltfoUseStyleNames) && style_ && listNo >= 0 && style_->ListStyles().IsValidIndex(listNo))
    return LTFQuote(style_->ListStyles()[listNo].StyleName);
  return IntToStr(listNo);
}

std::string TLTFWriter::TagField(const TLTTag& tag) const {
  if (stringTags_) {
    const TLTString* s = tag.String();
    return s ? LTFQuote(*s) : "0";
  }
  return IntToStr(tag.Int());
}

void TLTFWriter::Header(std::string_view styleField, int lineCount, std::string_view paraField, uint8_t flags,
                        TLTFDataKind kind, std::string_view tagField, const std::string* tail) {
  // Written straight into the buffer: headers are the most frequent lines.
  char count[16];
  const auto end = std::to_chars(count, count + sizeof count, lineCount).ptr;
  Put(styleField);
  Put(" ");
  Put(std::string_view(count, static_cast<size_t>(end - count)));
  Put(" ");
  Put(paraField);
  // Flags are 0..15 and the data kind one digit.
  const int f = flags & ltifAllStored;
  char mid[8];
  size_t n = 0;
  mid[n++] = ' ';
  if (f >= 10) mid[n++] = '1';
  mid[n++] = static_cast<char>('0' + f % 10);
  mid[n++] = ' ';
  mid[n++] = static_cast<char>('0' + kind);
  mid[n++] = ' ';
  Put(std::string_view(mid, n));
  Put(tagField);
  if (tail) {
    Put(" ");
    Put(*tail);
  }
  Put("\r\n");
}

}  // namespace lectern
