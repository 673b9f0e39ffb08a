// HTML output, text and files: escaping of text, attribute values and CSS
// strings, the output encoding, and picture files beside the page.

#include "model/LTHTMLWriter.h"

#include "platform/LTColors.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"

#include <charconv>

namespace lectern {

namespace {

constexpr char kHex[] = "0123456789abcdef";
/// How many numbers a picture file name tries before the write gives up.
constexpr int kMaxImageTries = 100000;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

/// A URL path segment: bytes outside the unreserved set percent-encoded.
std::string UrlEncode(std::string_view s) {
  std::string out;
  for (char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' || b == '_' ||
        b == '.' || b == '~') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0xF]);
    }
  }
  return out;
}

}  // namespace

std::string_view HTMLCharsetName(int charset) {
  switch (charset) {
    case 0: return "Windows-1252";
    case 128: return "shift_jis";
    case 129: return "EUC-KR";
    case 134: return "gb2312";
    case 136: return "big5";
    case 161: return "Windows-1253";
    case 162: return "Windows-1254";
    case 163: return "Windows-1258";
    case 177: return "Windows-1255";
    case 178: return "Windows-1256";
    case 186: return "Windows-1257";
    case 204: return "Windows-1251";
    case 222: return "Windows-874";
    case 238: return "Windows-1250";
    case 255: return "ascii";
    // 130 (Johab) has no name a browser knows: left undeclared.
    default: return {};
  }
}

void TLTHTMLWriter::PutInt(int64_t v) {
  char tmp[24];
  const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
  buf_.append(tmp, r.ptr);
}

void TLTHTMLWriter::PutCodePoint(char32_t c) {
  if (options_.Contains(lthoUTF8)) {
    AppendUtf8(buf_, c);
    return;
  }
  // Without UTF-8 the page holds ASCII only: a character reference means
  // the same in every encoding it may declare.
  if (c < 0x80) {
    buf_.push_back(static_cast<char>(c));
    return;
  }
  Put("&#");
  PutInt(c);
  Put(';');
}

void TLTHTMLWriter::PutEscaped(std::u16string_view text, bool attribute) {
  const size_t n = text.size();
  bool prevNbspBlank = false;
  for (size_t k = 0; k < n; ++k) {
    const char16_t u = text[k];
    if (u >= 0x80) {
      prevNbspBlank = false;
      if (u == 0xA0) {
        Put("&nbsp;");
      } else if (IsHighSurrogate(u) && k + 1 < n && IsLowSurrogate(text[k + 1])) {
        PutCodePoint(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[k + 1] - 0xDC00));
        ++k;
      } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
        PutCodePoint(0xFFFD);
      } else {
        PutCodePoint(u);
      }
      continue;
    }
    switch (u) {
      case u'&': Put("&amp;"); break;
      case u'<': Put("&lt;"); break;
      case u'>': Put("&gt;"); break;
      case u'"': Put("&quot;"); break;
      case u'\'': Put("&#39;"); break;
      case u' ':
        // Blanks would collapse: the first, the last and every second one
        // of a run are kept as no-break spaces.
        if (!attribute && (k == 0 || k + 1 == n || (text[k - 1] == u' ' && !prevNbspBlank))) {
          Put("&nbsp;");
          prevNbspBlank = true;
          continue;
        }
        Put(' ');
        break;
      default:
        // Control characters have no place in HTML (tab excepted).
        if (u >= 32 || u == u'\t') buf_.push_back(static_cast<char>(u));
    }
    prevNbspBlank = false;
  }
}

void TLTHTMLWriter::PutAttr(std::string_view name, std::u16string_view value) {
  Put(' ');
  Put(name);
  Put("=\"");
  PutEscaped(value, true);
  Put('"');
}

void TLTHTMLWriter::PutAttr(std::string_view name, std::string_view asciiValue) {
  PutAttr(name, Utf8ToUtf16(asciiValue));
}

void TLTHTMLWriter::PutAttr(std::string_view name, int64_t value) {
  Put(' ');
  Put(name);
  Put("=\"");
  PutInt(value);
  Put('"');
}

std::string TLTHTMLWriter::ColorText(TColor color) {
  if (color == clNone) return {};
  if (color == clWindowText) return "#000000";
  const auto rgb = static_cast<uint32_t>(ColorToRGB(color));
  std::string out = "#";
  for (int shift : {0, 8, 16}) {
    const uint32_t b = (rgb >> shift) & 0xFF;
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  return out;
}

std::string TLTHTMLWriter::CSSString(std::u16string_view s) {
  // Letters, digits and a few signs stay; everything else becomes a CSS
  // escape, so no quote, "*/" or "</" can end the string, the comment or
  // the style element around it.
  std::string out = "'";
  for (size_t k = 0; k < s.size(); ++k) {
    char32_t c = s[k];
    if (IsHighSurrogate(s[k]) && k + 1 < s.size() && IsLowSurrogate(s[k + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[k + 1] - 0xDC00);
      ++k;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '-' ||
        c == '_' || c == '.' || c == ',') {
      out.push_back(static_cast<char>(c));
    } else if (c >= 32 || c == '\t') {
      char tmp[12];
      const auto r = std::to_chars(tmp, tmp + sizeof tmp, static_cast<uint32_t>(c), 16);
      out.push_back('\\');
      out.append(tmp, r.ptr);
      out.push_back(' ');
    }
  }
  out.push_back('\'');
  return out;
}

// ---- Picture files ---------------------------------------------------------------------------

std::string TLTHTMLWriter::StoreFile(std::string_view extension, std::string_view bytes) {
  if (settings_.OutputFolder.empty()) {
    Warn("a picture was left out: the output has no folder for picture files");
    return {};
  }
  const std::string& prefix = settings_.ImagePrefix;
  std::string folder = settings_.OutputFolder;
  if (folder.back() != '/') folder.push_back('/');
  for (int tries = 0; tries < kMaxImageTries; ++tries) {
    const std::string name = prefix + IntToStr(++imageSaveNo_) + std::string(extension);
    const std::string path = folder + name;
    std::string error;
    auto file = TLTFileStream::Open(path, TLTFileMode::CreateNew, &error);
    bool ours = file != nullptr;
    // Another file of that name is kept unless the caller allows replacing
    // it; a link, a folder or a read-only file never is.
    if (!file && options_.Contains(lthoOverwriteImages)) file = TLTFileStream::Open(path, TLTFileMode::ReplaceRegular);
    if (!file) {
      if (errno == EEXIST || errno == ELOOP || errno == EPERM || errno == EISDIR || errno == EACCES) continue;
      Fail("picture file " + path + ": " + error);
      return {};
    }
    if (ours) created_.push_back(path);
    if (!file->WriteAll(bytes.data(), bytes.size()) || !file->Close()) {
      Fail("picture file " + path + " could not be written");
      return {};
    }
    return UrlEncode(name);
  }
  Fail("no free picture file name in " + settings_.OutputFolder);
  return {};
}

std::string TLTHTMLWriter::SavePicture(const TGraphic& graphic) {
  TLTMemoryStream bytes;
  if (graphic.ClassName() == "TJPEGImage" && graphic.SaveToStream(bytes)) return StoreFile(".jpg", bytes.TakeData());
  if (graphic.ClassName() == "TPNGImage" && graphic.SaveToStream(bytes)) return StoreFile(".png", bytes.TakeData());
  if (const TLTPixels* pixels = graphic.Pixels()) return SavePixels(*pixels);
  Warn("a picture of a kind browsers cannot show was left out");
  return {};
}

std::string TLTHTMLWriter::SavePixels(const TLTPixels& pixels) {
  TPNGImage png;
  TLTMemoryStream bytes;
  if (!png.SetPixels(pixels) || !png.SaveToStream(bytes)) {
    Fail("a picture could not be encoded");
    return {};
  }
  return StoreFile(".png", bytes.TakeData());
}

void TLTHTMLWriter::Flush() {
  if (buf_.empty()) return;
  if (!failed_ && !out_.WriteAll(buf_.data(), buf_.size())) Fail("the page could not be written");
  buf_.clear();
}

}  // namespace lectern
