// The RTF reader's destinations: what a destination keyword changes, and
// what happens when the group of a destination closes (fonts, styles,
// lists, pictures, fields, bookmarks, notes).

#include "rtf/LTRTFReader.h"

#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "rtf/LTRTFKeywords.h"
#include "rtf/LTRTFTokenizer.h"

#include <filesystem>
#include <system_error>

namespace lectern {

namespace {

/// The suffix a font name carries for its charset ("Arial Cyr"), or empty.
std::u16string_view CharsetSuffix(int32_t charset) {
  switch (charset) {
    case 161: return u"greek";
    case 162: return u"tur";
    case 186: return u"baltic";
    case 204: return u"cyr";
    case 238: return u"ce";
    default: return {};
  }
}

bool IsSpace16(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace16(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace16(s.back())) s.remove_suffix(1);
  return s;
}

/// Whether s starts with the upper-case ASCII word, in any case.
bool StartsWithWord(std::u16string_view s, std::u16string_view word) {
  if (s.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char16_t c = s[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c != word[i]) return false;
  }
  return s.size() == word.size() || IsSpace16(s[word.size()]) || s[word.size()] == u'"';
}

/// The first argument of a field instruction: quoted, or up to a blank.
std::u16string FirstArgument(std::u16string_view args, size_t* end = nullptr) {
  args = Trim(args);
  std::u16string out;
  size_t i = 0;
  if (!args.empty() && args[0] == u'"') {
    for (i = 1; i < args.size() && args[i] != u'"'; ++i) out.push_back(args[i]);
    if (i < args.size()) ++i;
  } else {
    for (; i < args.size() && !IsSpace16(args[i]); ++i) out.push_back(args[i]);
  }
  if (end) *end = i;
  return out;
}

/// The value after a switch ("\f"), quoted or up to a blank; empty when absent.
std::u16string SwitchValue(std::u16string_view s, std::u16string_view sw) {
  const size_t at = s.find(sw);
  if (at == std::u16string_view::npos) return {};
  return FirstArgument(s.substr(at + sw.size()));
}

int32_t ParseInt(std::u16string_view s, int32_t fallback) {
  s = Trim(s);
  int64_t v = 0;
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) neg = s[i++] == u'-';
  if (i >= s.size() || s[i] < u'0' || s[i] > u'9') return fallback;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
    if (v < 1'000'000'000) v = v * 10 + (s[i] - u'0');
  return static_cast<int32_t>(neg ? -v : v);
}

void PutLE16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void PutLE32(std::string& s, uint32_t v) {
  PutLE16(s, v & 0xFFFF);
  PutLE16(s, v >> 16);
}
uint32_t GetLE32(std::string_view d, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(d[at + i])) << (8 * i);
  return v;
}
uint32_t GetLE16(std::string_view d, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(d[at])) |
         (static_cast<uint32_t>(static_cast<unsigned char>(d[at + 1])) << 8);
}

/// A BMP file from a device-independent bitmap (header, palette, bits).
bool DibToBmp(const std::string& dib, std::string& bmp) {
  if (dib.size() < 40) return false;
  const uint32_t headerSize = GetLE32(dib, 0);
  if (headerSize < 12 || headerSize > dib.size()) return false;
  uint32_t colors = 0;
  if (headerSize >= 40) {
    const uint32_t bits = GetLE16(dib, 14);
    const uint32_t used = GetLE32(dib, 32);
    const uint32_t compression = GetLE32(dib, 16);
    colors = used != 0 ? used : bits <= 8 ? (1u << bits) : 0;
    if (colors > 256) return false;
    colors *= 4;
    if (compression == 3 && headerSize == 40) colors += 12;
  } else {
    const uint32_t bits = GetLE16(dib, 10);
    colors = bits <= 8 ? (1u << bits) * 3 : 0;
  }
  const uint64_t offset = 14ull + headerSize + colors;
  if (offset > 14ull + dib.size()) return false;
  bmp.clear();
  bmp.reserve(dib.size() + 14);
  bmp += "BM";
  PutLE32(bmp, static_cast<uint32_t>(dib.size() + 14));
  PutLE32(bmp, 0);
  PutLE32(bmp, static_cast<uint32_t>(offset));
  bmp += dib;
  return true;
}

/// A BMP file from the bits of a device-dependent bitmap: rows of
/// widthBytes bytes, top first, in 1, 24 or 32 bits per pixel.
bool DdbToBmp(const TLTRTFPicture& pic, std::string& bmp) {
  const int64_t w = pic.PicW, h = pic.PicH, bpp = pic.BitsPerPixel;
  if (w <= 0 || h <= 0 || pic.Planes != 1 || (bpp != 1 && bpp != 24 && bpp != 32)) return false;
  const int64_t minStride = (w * bpp + 7) / 8;
  const int64_t stride = pic.WidthBytes > 0 ? pic.WidthBytes : ((w * bpp + 15) / 16) * 2;
  if (stride < minStride || stride * h > static_cast<int64_t>(pic.Data.size())) return false;
  const int64_t outStride = ((w * bpp + 31) / 32) * 4;
  const uint32_t palette = bpp == 1 ? 8 : 0;
  const uint32_t offset = 14 + 40 + palette;
  bmp.clear();
  bmp += "BM";
  PutLE32(bmp, static_cast<uint32_t>(offset + outStride * h));
  PutLE32(bmp, 0);
  PutLE32(bmp, offset);
  PutLE32(bmp, 40);
  PutLE32(bmp, static_cast<uint32_t>(w));
  PutLE32(bmp, static_cast<uint32_t>(-h));  // top-down
  PutLE16(bmp, 1);
  PutLE16(bmp, static_cast<uint32_t>(bpp));
  for (int i = 0; i < 6; ++i) PutLE32(bmp, 0);
  if (bpp == 1) {
    PutLE32(bmp, 0x000000);
    PutLE32(bmp, 0xFFFFFF);
  }
  for (int64_t y = 0; y < h; ++y) {
    bmp.append(pic.Data, static_cast<size_t>(y * stride), static_cast<size_t>(minStride));
    bmp.append(static_cast<size_t>(outStride - minStride), '\0');
  }
  return true;
}

/// A placeable metafile: the 22-byte header before the metafile's bytes.
std::string PlaceableWmf(const std::string& wmf, int32_t widthTwips, int32_t heightTwips) {
  std::string out;
  out.reserve(wmf.size() + 22);
  PutLE32(out, 0x9AC6CDD7u);
  PutLE16(out, 0);
  const uint32_t words[] = {0, 0, static_cast<uint32_t>(widthTwips) & 0xFFFF,
                            static_cast<uint32_t>(heightTwips) & 0xFFFF, 1440};
  for (uint32_t w : words) PutLE16(out, w);
  PutLE32(out, 0);
  uint32_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= GetLE16(out, i);
  PutLE16(out, sum);
  out += wmf;
  return out;
}

int32_t Clamp16(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, 32767)); }

}  // namespace

// ---- Changing the destination ---------------------------------------------------------------

void TLTRTFReader::ChangeDest(int dest) {
  TLTRTFReaderState& s = Top();
  if (s.Dest == rdSkip) return;
  if (s.Dest == rdUpr) {
    // Only the Unicode alternative of a \upr group is read.
    if (dest == rdkUd) s.Dest = rdDocText;
    return;
  }
  const uint8_t cur = s.Dest;
  auto skip = [&] { s.Dest = rdSkip; };
  // A destination that collects text, valid only inside its parent.
  auto collectIn = [&](uint8_t parent) {
    if (cur != parent) {
      skip();
      return;
    }
    collect8_.clear();
    collect16_.clear();
    s.Dest = static_cast<uint8_t>(dest);
  };
  switch (dest) {
    case rdShpPict:
      s.Dest = rdShpPict;
      s.InShpPict = true;
      return;
    case rdkNonShpPict:
      if (shpPictAccepted_)
        skip();
      else
        s.Dest = rdDocText;
      return;
    case rdPicture:
      if (picture_) {
        // A picture inside a picture.
        Fail(rtfInvalidPicture);
        return;
      }
      if (!OnNewPicture) {
        skip();
        return;
      }
      FlushText(rtf_ts_ContinuePara);
      picture_ = std::make_unique<TLTRTFPicture>();
      picture_->Preferred = s.InShpPict;
      pictureEnded_ = false;
      pictureNibble_ = -1;
      s.Dest = rdPicture;
      return;
    case rdFontTable:
      fonts_.clear();
      fontByNumber_.clear();
      collect8_.clear();
      collect16_.clear();
      s.Dest = rdFontTable;
      return;
    case rdStyleSheet:
      styles_.clear();
      s.Dest = rdStyleSheet;
      return;
    case rdColorTable:
      colors_.clear();
      color_ = clWindowText;
      s.Dest = rdColorTable;
      return;
    case rdBookmark:
      FlushText(rtf_ts_ContinuePara);
      collect8_.clear();
      collect16_.clear();
      s.Dest = rdBookmark;
      return;
    case rdField:
      FlushText(rtf_ts_ContinuePara);
      if (fields_.size() >= static_cast<size_t>(LTRTFMaxGroupDepth)) {
        skip();
        return;
      }
      fields_.emplace_back();
      s.FieldIndex = static_cast<int32_t>(fields_.size()) - 1;
      s.Dest = rdField;
      return;
    case rdFieldInst:
      if (cur != rdField || s.FieldIndex < 0) {
        skip();
        return;
      }
      fields_[static_cast<size_t>(s.FieldIndex)] = {};
      collect8_.clear();
      collect16_.clear();
      s.Dest = rdFieldInst;
      return;
    case rdkFieldResult:
      if (s.FieldIndex >= 0 && fields_[static_cast<size_t>(s.FieldIndex)].Handled)
        skip();
      else
        s.Dest = rdDocText;
      return;
    case rdkNestTableProps:
      s.Dest = rdDocText;
      s.NestProps = true;
      return;
    case rdkHeader:
    case rdkFooter: {
      bool& seen = dest == rdkHeader ? headerSeen_ : footerSeen_;
      const TLTRTFHeaderFooterType type = dest == rdkHeader ? rtf_hf_Header : rtf_hf_Footer;
      if (seen || s.HeaderFooter != 0 || s.InNote || !OnHeaderFooter) {
        seen = true;
        skip();
        return;
      }
      seen = true;
      FlushText(rtf_ts_ContinuePara);
      if (!OnHeaderFooter(type, true)) {
        skip();
        return;
      }
      s.HeaderFooter = dest == rdkHeader ? 1 : 2;
      s.Dest = rdDocText;
      return;
    }
    case rdkFootnote:
      if (!OnNote || s.InNote || s.HeaderFooter != 0 || notes_.size() >= 64) {
        skip();
        return;
      }
      FlushText(rtf_ts_ContinuePara);
      OnNote(rtf_ne_Start, TakePosition());
      notes_.push_back({tableLevel_, nextPosition_, sinceBreak_});
      tableLevel_ = 0;
      nextPosition_ = rtf_ts_NewPara;
      sinceBreak_ = false;
      s.InNote = true;
      s.Dest = rdDocText;
      s.Para = {};
      return;
    case rdPn:
      s.Para.HasMarker = true;
      s.Para.Marker = {};
      s.Dest = rdPn;
      return;
    case rdPnTextAfter:
    case rdPnTextBefore:
      collectIn(rdPn);
      return;
    case rdListTable:
      lists_.clear();
      s.Dest = rdListTable;
      return;
    case rdList:
      if (cur != rdListTable || lists_.size() >= static_cast<size_t>(LTRTFMaxTableEntries)) {
        skip();
        return;
      }
      lists_.emplace_back();
      s.Dest = rdList;
      return;
    case rdListName:
      collectIn(rdList);
      return;
    case rdListLevel:
      if (cur != rdList || lists_.empty() ||
          lists_.back().Levels.size() >= static_cast<size_t>(LTRTFMaxListLevels)) {
        skip();
        return;
      }
      lists_.back().Levels.emplace_back();
      s.Char = DefaultCharProps();
      s.Para = {};
      s.Dest = rdListLevel;
      return;
    case rdLevelText:
    case rdLevelNumbers:
      collectIn(rdListLevel);
      return;
    case rdListOverrideTable:
      overrides_.clear();
      s.Dest = rdListOverrideTable;
      return;
    case rdListOverride:
      if (cur != rdListOverrideTable || overrides_.size() >= static_cast<size_t>(LTRTFMaxTableEntries)) {
        skip();
        return;
      }
      overrides_.emplace_back();
      s.Dest = rdListOverride;
      return;
    case rdOverrideLevel:
      if (cur != rdListOverride || overrides_.empty() ||
          overrides_.back().Levels.size() >= static_cast<size_t>(LTRTFMaxListLevels)) {
        skip();
        return;
      }
      overrides_.back().Levels.emplace_back();
      s.Dest = rdOverrideLevel;
      return;
    case rdObject:
      // Embedded objects are not read; their result stands for them.
      s.Dest = rdObject;
      return;
    case rdkResult:
      s.Dest = cur == rdObject ? rdDocText : rdSkip;
      return;
    case rdUpr:
      s.Dest = rdUpr;
      return;
    case rdkUd:
      s.Dest = rdDocText;
      return;
    default:
      skip();
      return;
  }
}

// ---- The end of a group ----------------------------------------------------------------------

void TLTRTFReader::EndGroup(TLTRTFReaderState& closed) {
  TLTRTFReaderState& parent = Top();
  // A field ends with the group that began it.
  if (closed.FieldIndex != parent.FieldIndex && closed.FieldIndex >= 0 && parent.FieldIndex < closed.FieldIndex) {
    FlushText(rtf_ts_ContinuePara);
    fields_.resize(static_cast<size_t>(parent.FieldIndex + 1));
  }
  if (closed.InNote && !parent.InNote) EndNote(closed);
  if (closed.HeaderFooter != 0 && parent.HeaderFooter == 0) {
    FlushText(rtf_ts_ContinuePara);
    if (OnHeaderFooter) OnHeaderFooter(closed.HeaderFooter == 1 ? rtf_hf_Header : rtf_hf_Footer, false);
  }
  if (closed.Dest == parent.Dest) return;
  switch (closed.Dest) {
    case rdFontTable:
      EndFontTable();
      return;
    case rdStyleEntry:
      if (parent.Dest == rdStyleSheet && styles_.size() < static_cast<size_t>(LTRTFMaxTableEntries)) {
        if (styleEntry_.Name.empty()) styleEntry_.Name = TakeCollected();
        styleEntry_.CharProps = closed.Char;
        styleEntry_.ParaProps = closed.Para;
        styles_.push_back(std::move(styleEntry_));
        styleEntry_ = {};
      }
      return;
    case rdColorTable:
      return;
    case rdPicture:
      EndPicture();
      return;
    case rdShpPict:
      return;
    case rdBookmark: {
      TLTString name = TakeCollected();
      if (OnBookmarkStart && !name.empty()) OnBookmarkStart(name);
      return;
    }
    case rdFieldInst:
      if (closed.FieldIndex >= 0 && closed.FieldIndex < static_cast<int32_t>(fields_.size())) {
        TField& f = fields_[static_cast<size_t>(closed.FieldIndex)];
        f.Instruction = TakeCollected();
        EndFieldInstruction(f);
      }
      return;
    case rdPn:
      parent.Para.HasMarker = true;
      parent.Para.Marker = closed.Para.Marker;
      return;
    case rdPnTextAfter:
    case rdPnTextBefore: {
      TLTString text = TakeCollected();
      (closed.Dest == rdPnTextAfter ? parent.Para.Marker.TextAfter : parent.Para.Marker.TextBefore) = std::move(text);
      return;
    }
    case rdListName:
      if (!lists_.empty()) lists_.back().Name = TakeCollected();
      return;
    case rdListLevel:
      if (!lists_.empty() && !lists_.back().Levels.empty()) {
        TLTRTFListLevel97& l = lists_.back().Levels.back();
        l.CharProps = closed.Char;
        l.FontIndex = closed.Char.FontIndex;
        l.LeftIndent = closed.Para.LeftIndent;
        l.FirstIndent = closed.Para.FirstIndent;
        for (const TLTRTFTab& t : closed.Para.Tabs) {
          l.Tab = t.Position;
          l.HasTab = true;
        }
      }
      return;
    case rdLevelText:
    case rdLevelNumbers:
      if (!lists_.empty() && !lists_.back().Levels.empty()) {
        TLTRTFListLevel97& l = lists_.back().Levels.back();
        if (closed.Dest == rdLevelText) {
          TLTString text = TakeCollected();
          // The text ends with ";" after the length character and the text.
          if (!text.empty() && text.back() == u';') text.pop_back();
          l.Text = std::move(text);
        } else {
          l.Numbers = collect8_;
          if (!l.Numbers.empty() && l.Numbers.back() == ';') l.Numbers.pop_back();
          collect8_.clear();
          collect16_.clear();
        }
      }
      return;
    default:
      return;
  }
}

void TLTRTFReader::EndFontTable() {
  for (TLTRTFFont& f : fonts_) {
    const std::u16string_view suffix = CharsetSuffix(f.Charset);
    if (suffix.empty() || f.Name.size() <= suffix.size() + 1) continue;
    const std::u16string_view tail = std::u16string_view(f.Name).substr(f.Name.size() - suffix.size());
    if (f.Name[f.Name.size() - suffix.size() - 1] == u' ' && SameTextFold(tail, suffix))
      f.Name.resize(f.Name.size() - suffix.size() - 1);
  }
  collect8_.clear();
  collect16_.clear();
}

void TLTRTFReader::EndNote(const TLTRTFReaderState&) {
  FlushText(rtf_ts_ContinuePara);
  CloseTables(0, false);
  CloseTables(0, true);
  if (OnNote) OnNote(rtf_ne_End, rtf_ts_ContinuePara);
  if (!notes_.empty()) {
    tableLevel_ = notes_.back().TableLevel;
    nextPosition_ = notes_.back().Position;
    sinceBreak_ = notes_.back().SinceBreak;
    notes_.pop_back();
  }
}

// ---- Pictures ----------------------------------------------------------------------------------

void TLTRTFReader::PictureHex(std::string_view bytes) {
  if (!picture_ || pictureEnded_) return;
  std::string& out = picture_->Data;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    const int v = LTRTFHexValue(c);
    if (v < 0) {
      // Any other character ends the data; an odd nibble is dropped.
      pictureEnded_ = true;
      return;
    }
    if (pictureNibble_ < 0) {
      pictureNibble_ = v;
    } else {
      out.push_back(static_cast<char>(pictureNibble_ * 16 + v));
      pictureNibble_ = -1;
    }
  }
}

std::unique_ptr<TGraphic> TLTRTFReader::MakeGraphic(TLTRTFPicture& pic, bool& invalid) {
  invalid = false;
  // Sizes are checked before anything is allocated or decoded.
  if (pic.ScaleX <= 0 || pic.ScaleY <= 0 || pic.ScaleX > LTRTFMaxPictureScale || pic.ScaleY > LTRTFMaxPictureScale ||
      pic.PicW < 0 || pic.PicH < 0 || pic.GoalW < 0 || pic.GoalH < 0) {
    invalid = true;
    return nullptr;
  }
  const bool metafile = pic.Kind == 0 || pic.Kind == 5;
  if (!metafile && static_cast<int64_t>(pic.PicW) * pic.PicH > LTRTFMaxPicturePixels) {
    invalid = true;
    return nullptr;
  }
  const int64_t ppi = PixelsPerInch > 0 ? PixelsPerInch : 96;
  if (pic.Kind == 5 && pic.PicW > 0 && pic.PicH > 0) {
    pic.DisplayWidth = Clamp16(pic.PicW * ppi / 2540);
    pic.DisplayHeight = Clamp16(pic.PicH * ppi / 2540);
  }
  if (pic.GoalW > 0 && pic.GoalH > 0) {
    pic.DisplayWidth = Clamp16(pic.GoalW * ppi / 1440);
    pic.DisplayHeight = Clamp16(pic.GoalH * ppi / 1440);
  }
  if (static_cast<int64_t>(pic.DisplayWidth) * pic.ScaleX / 100 * pic.DisplayHeight * pic.ScaleY / 100 >
      LTRTFMaxPicturePixels) {
    invalid = true;
    return nullptr;
  }
  std::string bytes;
  const char* className = nullptr;
  switch (pic.Kind) {
    case 0:
      className = "TMetafile";
      bytes = pic.Data;
      break;
    case 1:
      className = "TPNGImage";
      bytes = pic.Data;
      break;
    case 2:
      className = "TJPEGImage";
      bytes = pic.Data;
      break;
    case 5: {
      className = "TMetafile";
      const int32_t w = pic.GoalW > 0 ? pic.GoalW : static_cast<int32_t>(int64_t{pic.PicW} * 1440 / 2540);
      const int32_t h = pic.GoalH > 0 ? pic.GoalH : static_cast<int32_t>(int64_t{pic.PicH} * 1440 / 2540);
      bytes = PlaceableWmf(pic.Data, Clamp16(w), Clamp16(h));
      break;
    }
    case 6:
      className = "TBitmap";
      if (!DibToBmp(pic.Data, bytes)) className = nullptr;
      break;
    case 7:
      className = "TBitmap";
      if (!DdbToBmp(pic, bytes)) className = nullptr;
      break;
    default:
      break;
  }
  if (!className || bytes.empty()) {
    invalid = true;
    return nullptr;
  }
  std::unique_ptr<TGraphic> g = CreateGraphic(className);
  if (!g) {
    invalid = true;
    return nullptr;
  }
  TLTGraphicPixelScope scope(LTRTFMaxPicturePixels);
  TLTMemoryStream m(std::move(bytes));
  if (!g->LoadFromStream(m)) {
    invalid = true;
    return nullptr;
  }
  return g;
}

void TLTRTFReader::EndPicture() {
  std::unique_ptr<TLTRTFPicture> pic = std::move(picture_);
  picture_.reset();
  if (!pic || !OnNewPicture) return;
  FlushText(rtf_ts_ContinuePara);
  bool invalid = false;
  std::unique_ptr<TGraphic> graphic = MakeGraphic(*pic, invalid);
  if (!graphic && pic->Preferred) {
    // The alternative outside \shppict is read instead.
    return;
  }
  const TLTRTFPosition position = TakePosition();
  bool inserted = false;
  try {
    inserted = OnNewPicture(*pic, graphic, position, std::string());
  } catch (...) {
    Fail(rtfEventException);
    return;
  }
  if (inserted && pic->Preferred) shpPictAccepted_ = true;
}

// ---- Fields ------------------------------------------------------------------------------------

void TLTRTFReader::EndFieldInstruction(TField& field) {
  std::u16string_view inst = Trim(field.Instruction);
  if (!inst.empty() && inst[0] == u'\\') inst.remove_prefix(1);
  inst = Trim(inst);
  if (StartsWithWord(inst, u"HYPERLINK")) {
    field.Hyperlink = true;
    return;
  }
  if (StartsWithWord(inst, u"INCLUDEPICTURE")) {
    IncludePicture(inst.substr(14));
  } else if (StartsWithWord(inst, u"IMPORT")) {
    IncludePicture(inst.substr(6));
  } else if (StartsWithWord(inst, u"SYMBOL")) {
    InsertSymbol(inst.substr(6));
    field.Handled = true;
    return;
  } else if (StartsWithWord(inst, u"SEQ")) {
    if (OnNewSeq) {
      InsertSeq(inst.substr(3));
      field.Handled = true;
    }
    return;
  } else {
    return;
  }
  // A linked picture that was reported replaces the field's result.
  if (linkedPictureInserted_) {
    field.Handled = true;
    linkedPictureInserted_ = false;
  }
}

void TLTRTFReader::InsertSymbol(std::u16string_view args) {
  const int32_t code = ParseInt(FirstArgument(args), -1);
  if (code <= 0 || code > 0xFFFF) return;
  TLTRTFReaderState& s = Top();
  const TLTRTFCharProperties saved = s.Char;
  const std::u16string font = SwitchValue(args, u"\\f");
  if (!font.empty()) s.Char.FontNameOverride = font;
  const std::u16string size = SwitchValue(args, u"\\s");
  if (!size.empty()) {
    // The size may have a decimal part.
    double v = 0;
    double scale = 0;
    for (char16_t c : size) {
      if (c == u'.' || c == u',') {
        scale = 1;
      } else if (c >= u'0' && c <= u'9') {
        if (scale > 0) {
          scale /= 10;
          v += (c - u'0') * scale;
        } else if (v < 10000) {
          v = v * 10 + (c - u'0');
        }
      }
    }
    if (v > 0) s.Char.SizeHalfPoints = static_cast<int32_t>(v * 2 + 0.5);
  }
  FlushText(rtf_ts_ContinuePara);
  const uint8_t dest = s.Dest;
  s.Dest = rdDocText;
  if (code < 256)
    ByteToDest(static_cast<uint8_t>(code));
  else
    UnicodeToDest(static_cast<char16_t>(code), '?');
  FlushText(rtf_ts_ContinuePara);
  s.Dest = dest;
  s.Char = saved;
}

void TLTRTFReader::InsertSeq(std::u16string_view args) {
  size_t end = 0;
  const TLTString name = FirstArgument(args, &end);
  const std::u16string_view rest = Trim(args).substr(std::min(end, Trim(args).size()));
  TLTRTFSeqType type = rtf_seqDecimal;
  for (std::u16string_view sw : {u"\\* ", u"\\*"}) {
    const size_t at = rest.find(sw);
    if (at == std::u16string_view::npos) continue;
    const std::u16string_view f = rest.substr(at + sw.size());
    if (f.starts_with(u"alphabetic"))
      type = rtf_seqLowerAlpha;
    else if (f.starts_with(u"ALPHABETIC"))
      type = rtf_seqUpperAlpha;
    else if (f.starts_with(u"roman"))
      type = rtf_seqLowerRoman;
    else if (f.starts_with(u"ROMAN"))
      type = rtf_seqUpperRoman;
    else
      continue;
    break;
  }
  bool reset = false;
  int32_t start = 1;
  if (const size_t at = rest.find(u"\\r "); at != std::u16string_view::npos) {
    const int32_t v = ParseInt(rest.substr(at + 3), INT32_MIN);
    if (v != INT32_MIN) {
      reset = true;
      start = v;
    }
  }
  FlushText(rtf_ts_ContinuePara);
  const TLTRTFPosition position = TakePosition();
  try {
    OnNewSeq(position, name, type, reset, start);
  } catch (...) {
    Fail(rtfEventException);
  }
}

void TLTRTFReader::IncludePicture(std::u16string_view args) {
  if (!OnNewPicture) return;
  std::u16string loc16 = FirstArgument(args);
  // Doubled backslashes of field arguments stand for one.
  for (size_t at = 0; (at = loc16.find(u"\\\\", at)) != std::u16string::npos; ++at) loc16.erase(at, 1);
  std::string location = Utf16ToUtf8(loc16);
  if (location.empty()) return;
  if (!BasePath.empty() && (BasePath.back() == '/' || BasePath.back() == '\\') &&
      (location.front() == '/' || location.front() == '\\'))
    location.erase(0, 1);
  if (location.find(':') == std::string::npos) location = BasePath + location;
  std::unique_ptr<TGraphic> graphic;
  bool invalid = false;
  if (OnImportPicture) OnImportPicture(location, graphic, invalid);
  if (!graphic && !invalid && LoadLinkedPictures) {
    graphic = LoadLinkedPicture(location);
    if (!graphic) graphic = LoadLinkedPicture(PercentDecode(location));
  }
  if (!graphic) return;
  FlushText(rtf_ts_ContinuePara);
  TLTRTFPicture pic;
  pic.DisplayWidth = graphic->Width();
  pic.DisplayHeight = graphic->Height();
  const TLTRTFPosition position = TakePosition();
  try {
    OnNewPicture(pic, graphic, position, location);
  } catch (...) {
    Fail(rtfEventException);
    return;
  }
  linkedPictureInserted_ = true;
}

std::unique_ptr<TGraphic> TLTRTFReader::LoadLinkedPicture(const std::string& location) {
  // Only regular files under the document's folder; never addresses.
  if (BasePath.empty() || location.find("://") != std::string::npos) return nullptr;
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::weakly_canonical(BasePath, ec);
  if (ec) return nullptr;
  const std::filesystem::path file = std::filesystem::weakly_canonical(location, ec);
  if (ec) return nullptr;
  const std::string b = base.string(), f = file.string();
  if (f.size() <= b.size() || f.compare(0, b.size(), b) != 0 || (b.back() != '/' && f[b.size()] != '/'))
    return nullptr;
  if (!std::filesystem::is_regular_file(file, ec) || ec) return nullptr;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec || size > static_cast<uintmax_t>(MaxLinkedPictureSize)) return nullptr;
  std::string bytes;
  if (!ReadFileBytes(f, bytes, nullptr)) return nullptr;
  TLTGraphicPixelScope scope(LTRTFMaxPicturePixels);
  return LoadGraphicFromBytes(bytes);
}

std::string TLTRTFReader::PercentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int hi = LTRTFHexValue(static_cast<unsigned char>(s[i + 1]));
      const int lo = LTRTFHexValue(static_cast<unsigned char>(s[i + 2]));
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

}  // namespace lectern
