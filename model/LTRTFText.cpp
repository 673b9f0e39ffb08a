// RTF output, text and pictures: escaping, Unicode with the 8-bit
// fallbacks readers without Unicode show, field arguments, and picture
// groups in hexadecimal or binary.

#include "model/LTRTFWriter.h"

#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"

#include <utility>

namespace lectern {

namespace {

/// Words of characters that RTF names; empty for the others.
std::string_view NamedCharacter(char16_t u) {
  switch (u) {
    case 160: return "\\~";
    case 173: return "\\-";
    case 8194: return "\\enspace ";
    case 8195: return "\\emspace ";
    case 8197: return "\\qmspace ";
    case 8211: return "\\endash ";
    case 8212: return "\\emdash ";
    case 8216: return "\\lquote ";
    case 8217: return "\\rquote ";
    case 8220: return "\\ldblquote ";
    case 8221: return "\\rdblquote ";
    default: return {};
  }
}

constexpr char kHexLower[] = "0123456789abcdef";

}  // namespace

void TLTRTFWriter::SetSkipCount(int n) {
  if (skip_ == n) return;
  Put("\\uc", n);
  skip_ = n;
}

std::string_view TLTRTFWriter::AnsiBytes(char16_t u) {
  if (ansi_.empty()) ansi_.assign(0x10000, -1);
  int32_t& e = ansi_[u];
  if (e < 0) {
    std::string b = (u >= 0xD800 && u <= 0xDFFF) ? std::string("?") : UnicodeToAnsi(std::u16string_view(&u, 1), codePage_);
    if (b.empty() || b.size() > 2) b = "?";
    e = static_cast<int32_t>(b.size());
    for (size_t k = 0; k < b.size(); ++k) e |= static_cast<int32_t>(static_cast<unsigned char>(b[k])) << (8 * (k + 1));
  }
  const int n = e & 0xFF;
  for (int k = 0; k < n; ++k) ansiTmp_[k] = static_cast<char>((e >> (8 * (k + 1))) & 0xFF);
  return std::string_view(ansiTmp_, static_cast<size_t>(n));
}

void TLTRTFWriter::PutUnicode(char16_t u, bool withAnsi) {
  if (withAnsi) {
    const std::string_view bytes = AnsiBytes(u);
    SetSkipCount(static_cast<int>(bytes.size()));
    Put("\\u", static_cast<int16_t>(u));
    Put(' ');
    for (char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      if (b >= 32 && b < 128 && b != '\\' && b != '{' && b != '}') {
        Put(c);
      } else if (b == '\\' || b == '{' || b == '}') {
        Put('\\');
        Put(c);
      } else {
        Put("\\'");
        Put(kHexLower[b >> 4]);
        Put(kHexLower[b & 0xF]);
      }
    }
  } else {
    SetSkipCount(0);
    Put("\\u", static_cast<int16_t>(u));
    Put(' ');
  }
}

void TLTRTFWriter::PutTextW(std::u16string_view text, bool raw) {
  const bool withAnsi = forceAnsi_ || options_.Contains(ltrtfDuplicateUnicode);
  for (char16_t u : text) {
    if (u > 0 && u < 128) {
      if (u >= 32 && (raw || (u != '\\' && u != '{' && u != '}'))) {
        buf_.push_back(static_cast<char>(u));
      } else if (u >= 32) {
        buf_.push_back('\\');
        buf_.push_back(static_cast<char>(u));
      } else {
        Put("\\'");
        Put(kHexLower[u >> 4]);
        Put(kHexLower[u & 0xF]);
      }
      continue;
    }
    if (!raw)
      if (const std::string_view named = NamedCharacter(u); !named.empty()) {
        Put(named);
        continue;
      }
    PutUnicode(u, withAnsi);
  }
  SetSkipCount(baseSkip_);
}

void TLTRTFWriter::PutFieldArgument(std::u16string_view text) {
  // Field instructions have escapes of their own: a backslash or a quote in
  // an argument stands behind a backslash, or the field reads it as a
  // switch or as the argument's end.
  std::u16string escaped;
  escaped.reserve(text.size());
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') escaped.push_back(u'\\');
    escaped.push_back(c);
  }
  PutTextW(escaped);
}

void TLTRTFWriter::PutName(std::u16string_view name) {
  const bool wasForced = std::exchange(forceAnsi_, true);
  PutTextW(name);
  forceAnsi_ = wasForced;
}

void TLTRTFWriter::PutHex(std::string_view bytes) {
  static constexpr char kHexUpper[] = "0123456789ABCDEF";
  const size_t at = buf_.size();
  buf_.resize(at + bytes.size() * 2);
  char* p = buf_.data() + at;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    *p++ = kHexUpper[b >> 4];
    *p++ = kHexUpper[b & 0xF];
  }
  if (buf_.size() >= (1u << 20)) Flush();
}

bool TLTRTFWriter::PutPicture(const TGraphic& graphic, int width, int height) {
  const std::string_view kind = graphic.ClassName();
  const bool png = kind == "TPNGImage";
  const bool jpeg = kind == "TJPEGImage" && options_.Contains(ltrtfSaveJpegAsJpeg);
  if (!png && !jpeg) {
    // Everything else travels as PNG, which every reader takes.
    const TLTPixels* pixels = graphic.Pixels();
    if (!pixels) {
      Warn("a picture that cannot be converted was left out");
      return false;
    }
    TPNGImage converted;
    if (!converted.SetPixels(*pixels)) {
      Warn("a picture that cannot be converted was left out");
      return false;
    }
    return PutPicture(converted, width > 0 ? width : graphic.Width(), height > 0 ? height : graphic.Height());
  }
  TLTMemoryStream bytes;
  if (!graphic.SaveToStream(bytes)) {
    Warn("an empty picture was left out");
    return false;
  }
  const int gw = graphic.Width(), gh = graphic.Height();
  Put("{\\pict");
  if ((width > 0 || height > 0) && gw > 0 && gh > 0) {
    Put("\\picscalex", RoundHalfEven((width > 0 ? width : gw) * 100.0 / gw));
    Put("\\picscaley", RoundHalfEven((height > 0 ? height : gh) * 100.0 / gh));
  }
  Put(png ? "\\pngblip" : "\\jpegblip");
  Put("\\picw", gw);
  Put("\\pich", gh);
  Put("\\picwgoal", Twips(gw));
  Put("\\pichgoal", Twips(gh));
  Put(' ');
  const std::string& data = bytes.Data();
  if (options_.Contains(ltrtfSavePicturesBinary)) {
    Put("{\\bin", static_cast<int64_t>(data.size()));
    Put(' ');
    Put(data);
    Put('}');
  } else {
    PutHex(data);
  }
  Put('}');
  return true;
}

bool TLTRTFWriter::PutPixels(const TLTPixels& pixels, int width, int height) {
  TPNGImage png;
  if (!png.SetPixels(pixels)) {
    Warn("a picture that cannot be converted was left out");
    return false;
  }
  return PutPicture(png, width, height);
}

}  // namespace lectern
