// The LTF record writer: buffered line forms and header fields.

#include "model/LTFMisc.h"

#include "model/CLTData.h"
#include "model/LTFuncs.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

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
    : stream_(&stream),
      data_(data),
      style_(data.GetStyle()),
      options_(options),
      stringTags_(data.TagsArePChars()),
      out_(&buffer_) {}

TLTFWriter::TLTFWriter(std::string& sink, const TCustomLTData& data, TLTFOptions options)
    : stream_(nullptr),
      data_(data),
      style_(data.GetStyle()),
      options_(options),
      stringTags_(data.TagsArePChars()),
      out_(&sink) {}

TLTFWriter::~TLTFWriter() { Flush(); }

void TLTFWriter::Put(std::string_view bytes) {
  out_->append(bytes);
  FlushIfFull();
}

void TLTFWriter::FlushIfFull() {
  if (out_->size() >= kFlushSize && openBlocks_ == 0) Flush();
}

bool TLTFWriter::Flush() {
  if (stream_ && openBlocks_ == 0 && !buffer_.empty()) {
    if (!failed_ && !stream_->WriteBytes(buffer_)) failed_ = true;
    buffer_.clear();
  }
  return !failed_;
}

size_t TLTFWriter::BeginBlock() {
  ++openBlocks_;
  const size_t at = out_->size();
  out_->append(4, '\0');
  return at;
}

void TLTFWriter::EndBlock(size_t at) {
  const size_t n = out_->size() - at - 4;
  if (n > 0xFFFFFFFFu) throw ELecternError("Stream write error");
  for (int i = 0; i < 4; ++i) (*out_)[at + static_cast<size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xFF);
  --openBlocks_;
  FlushIfFull();
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
  std::string& buffer = *out_;
  const size_t start = buffer.size();
  buffer.resize(start + 2 * bytes.size() + 2);
  char* out = buffer.data() + start;
  for (char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    *out++ = kDigits[u >> 4];
    *out++ = kDigits[u & 0xF];
  }
  *out++ = '\r';
  *out = '\n';
  FlushIfFull();
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

namespace lectern {

bool LTFKeepStoredStyleNumbers = false;

bool SplitLTFFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    const size_t start = i;
    if (line[i] == '"') {
      ++i;
      while (true) {
        if (i >= line.size()) return false;
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
    } else {
      while (i < line.size() && line[i] != ' ') ++i;
    }
    fields.push_back(line.substr(start, i - start));
  }
  return true;
}

std::optional<TLTString> LTFUnquote(std::string_view field, bool utf8) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return std::nullopt;
  const TLTString text = LTFDecodeString(field.substr(1, field.size() - 2), utf8);
  TLTString out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == u'"' && i + 1 < text.size() && text[i + 1] == u'"') ++i;
  }
  return out;
}

namespace {
// The window grows in steps of this size; a block or line larger than it
// grows the window to fit.
constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kMinReadChunk = 4096;
}  // namespace

bool TLTFLineSource::More() {
  if (eof_ || !stream_) return false;
  // Drop what was consumed before growing, so the window stays small.
  if (pos_ > 0) {
    buf_.erase(0, pos_);
    dropped_ += pos_;
    pos_ = 0;
  }
  // Most stored documents are small (a field value, a cell): a stream that
  // knows its size is read in one piece of that size rather than a whole
  // chunk that would be allocated and cleared for nothing.
  size_t chunk = kReadChunk;
  const int64_t size = stream_->Size();
  const int64_t at = stream_->Position();
  if (size >= 0 && at >= 0 && size >= at)
    chunk = std::clamp<size_t>(static_cast<size_t>(size - at), kMinReadChunk, kReadChunk);
  const size_t old = buf_.size();
  buf_.resize(old + chunk);
  const size_t got = stream_->Read(buf_.data() + old, chunk);
  buf_.resize(old + got);
  if (budget_) budget_->AddInput(got);
  win_ = buf_;
  if (got == 0) eof_ = true;
  return got > 0;
}

bool TLTFLineSource::Have(size_t need) {
  while (win_.size() - pos_ < need)
    if (!More()) return false;
  return true;
}

bool TLTFLineSource::AtEnd() { return !Have(1); }

bool TLTFLineSource::TextLine(std::string_view& line) {
  if (!Have(1)) return false;
  size_t scanned = pos_;
  size_t lf;
  while ((lf = win_.find('\n', scanned)) == std::string_view::npos) {
    const size_t offset = win_.size() - pos_;
    if (!More()) break;
    scanned = pos_ + offset;
  }
  const size_t end = lf == std::string_view::npos ? win_.size() : lf;
  line = win_.substr(pos_, end - pos_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos_ = lf == std::string_view::npos ? win_.size() : lf + 1;
  return true;
}

bool TLTFLineSource::Block(std::string_view& bytes) {
  if (!Have(4)) return false;
  uint32_t n = 0;
  for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<uint8_t>(win_[pos_ + static_cast<size_t>(k)]);
  // The length is checked against the stream a chunk at a time before the
  // block is ever held whole: a damaged length is an error, not an
  // allocation.
  if (!Have(4 + static_cast<size_t>(n))) return false;
  bytes = win_.substr(pos_ + 4, n);
  pos_ += 4 + static_cast<size_t>(n);
  return true;
}

bool TLTFLineSource::WideLine(std::string_view& utf16le) {
  size_t i = pos_;
  while (true) {
    for (; i + 1 < win_.size(); i += 2) {
      if (win_[i] == '\x29' && win_[i + 1] == '\x20') {
        utf16le = win_.substr(pos_, i - pos_);
        pos_ = i + 2;
        return true;
      }
    }
    const size_t offset = i - pos_;
    if (!More()) return false;
    i = pos_ + offset;
  }
}

bool TLTFLineSource::DataLine(TLTFDataKind kind, std::string& bytes) {
  std::string_view view;
  if (!DataLine(kind, bytes, view)) return false;
  if (view.data() != bytes.data()) bytes.assign(view);
  return true;
}

bool TLTFLineSource::DataLine(TLTFDataKind kind, std::string& storage, std::string_view& bytes) {
  std::string_view raw;
  if (kind == ltfdkBinary) return Block(bytes);
  if (!TextLine(raw)) return false;
  auto decoded = HexToBytes(raw);
  if (!decoded) return false;
  storage = std::move(*decoded);
  bytes = storage;
  return true;
}

TLTString TLTFReadContext::DecodeString(std::string_view bytes) const { return LTFDecodeString(bytes, Utf8); }

bool TLTFReadContext::Take(size_t bytes) {
  if (Budget && Budget->Take(bytes)) return true;
  Fail(LTOutOfBudgetMessage);
  return false;
}

bool TLTFReadContext::LoadPicture(TGraphic& picture, TLTStream& data) {
  // Four bytes a pixel: a picture the budget cannot hold is refused before
  // its pixels are allocated.
  const size_t left = Budget ? Budget->Left() : 0;
  TLTGraphicPixelScope scope(static_cast<int64_t>(std::min<size_t>(left / 4, size_t{1} << 40)));
  const bool loaded = picture.LoadFromStream(data);
  if (scope.Refused()) Take(~size_t{0});
  return loaded && Take(4 * static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()));
}

struct TLTFStyleNames::Index {
  std::unordered_map<TLTString, int32_t> First;
  int Count = -1;  // the collection's size when the index was built
};

int32_t TLTFStyleNames::Find(const TCustomLTInfos& coll, const TLTString& name) {
  std::shared_ptr<Index>* found = nullptr;
  for (auto& [c, index] : indexes_)
    if (c == &coll) found = &index;
  if (!found) found = &indexes_.emplace_back(&coll, std::make_shared<Index>()).second;
  Index& index = **found;
  if (index.Count != coll.Count()) {
    index.First.clear();
    for (int i = 0; i < coll.Count(); ++i) index.First.emplace(coll.Items(i).StyleName, i);
    index.Count = coll.Count();
  }
  const auto it = index.First.find(name);
  return it == index.First.end() ? -1 : it->second;
}

namespace {

template <class Names>
bool StyleFieldIn(const TLTFReadContext& ctx, std::string_view field, int32_t& value, bool* byName, Names names) {
  if (byName) *byName = false;
  if (field.empty()) return false;
  if (field[0] == '-' || (field[0] >= '0' && field[0] <= '9')) {
    const auto v = TryStrToInt(field);
    if (!v) return false;
    value = *v;
    return true;
  }
  const auto name = LTFUnquote(field, ctx.Utf8);
  if (!name) return false;
  if (byName) *byName = true;
  value = 0;
  if (ctx.Style) value = std::max(ctx.StyleNames->Find(names(*ctx.Style), *name), 0);
  return true;
}

}  // namespace

bool TLTFReadContext::TextStyleField(std::string_view field, int32_t& value, bool* byName) const {
  return StyleFieldIn(*this, field, value, byName,
                      [](const TLTStyle& s) -> const TCustomLTInfos& { return s.TextStyles(); });
}

bool TLTFReadContext::ParaStyleField(std::string_view field, int32_t& value, bool* byName) const {
  return StyleFieldIn(*this, field, value, byName,
                      [](const TLTStyle& s) -> const TCustomLTInfos& { return s.ParaStyles(); });
}

bool TLTFReadContext::ListStyleField(std::string_view field, int32_t& value, bool* byName) const {
  return StyleFieldIn(*this, field, value, byName,
                      [](const TLTStyle& s) -> const TCustomLTInfos& { return s.ListStyles(); });
}

}  // namespace lectern
