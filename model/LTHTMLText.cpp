// HTML output, text and files: escaping of text, attribute values and CSS
// strings, the output encoding, and picture files beside the page.

#include "model/LTHTMLWriter.h"

#include "model/CLTData.h"
#include "platform/LTColors.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"

#include <array>
#include <charconv>
#include <iterator>

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

/// One character of the Symbol font: the entity a page names it by (empty:
/// the character itself) and the character, for XHTML, which knows no
/// entity names beyond XML's own.
struct TSymbolChar {
  std::string_view Entity;
  char32_t Char;
};

/// Codes 32..254 of the Symbol font; 127..160 stand for nothing.
constexpr auto MakeSymbolTable() {
  std::array<TSymbolChar, 256> t{};
  for (char32_t c = 32; c < 127; ++c) t[c] = {{}, c};
  constexpr std::string_view upper[26] = {"Alpha", "Beta",    "Chi",  "Delta", "Epsilon", "Phi",   "Gamma",
                                          "Eta",   "Iota",    "#977", "Kappa", "Lambda",  "Mu",    "Nu",
                                          "Omicron", "Pi",    "Theta", "Rho",  "Sigma",   "Tau",   "Upsilon",
                                          "sigmaf", "Omega",  "Xi",   "Psi",   "Zeta"};
  constexpr char32_t upperChars[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399,
                                       0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F, 0x3A0, 0x398, 0x3A1,
                                       0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
  constexpr std::string_view lower[26] = {"alpha", "beta",    "chi",  "delta", "epsilon", "#981",  "gamma",
                                          "eta",   "iota",    "#977", "kappa", "lambda",  "mu",    "nu",
                                          "omicron", "pi",    "theta", "rho",  "sigma",   "tau",   "upsilon",
                                          "#982",  "omega",   "xi",   "psi",   "zeta"};
  constexpr char32_t lowerChars[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3D5, 0x3B3, 0x3B7, 0x3B9,
                                       0x3D1, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1,
                                       0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
  for (int k = 0; k < 26; ++k) {
    t[65 + k] = {upper[k], upperChars[k]};
    t[97 + k] = {lower[k], lowerChars[k]};
  }
  t[34] = {"forall", 0x2200};
  t[36] = {"exist", 0x2203};
  t[39] = {{}, '?'};
  t[64] = {"cong", 0x2245};
  t[92] = {"there4", 0x2234};
  t[94] = {"perp", 0x22A5};
  t[96] = {{}, '-'};
  t[127] = {};
  constexpr TSymbolChar high[] = {
      {"#978", 0x3D2},     {"prime", 0x2032},  {"le", 0x2264},      {"frasl", 0x2044},  {"infin", 0x221E},
      {"fnof", 0x192},     {"clubs", 0x2663},  {"diams", 0x2666},   {"hearts", 0x2665}, {"spades", 0x2660},
      {"harr", 0x2194},    {"larr", 0x2190},   {"uarr", 0x2191},    {"rarr", 0x2192},   {"darr", 0x2193},
      {{}, 0xB0},          {"plusmn", 0xB1},   {"Prime", 0x2033},   {"ge", 0x2265},     {"times", 0xD7},
      {"prop", 0x221D},    {"part", 0x2202},   {"#8226", 0x2022},   {"divide", 0xF7},   {"ne", 0x2260},
      {"equiv", 0x2261},   {"asymp", 0x2248},  {"hellip", 0x2026},  {{}, '|'},          {{}, '-'},
      {"crarr", 0x21B5},   {"alefsym", 0x2135}, {"image", 0x2111},  {"real", 0x211C},   {"weierp", 0x2118},
      {"otimes", 0x2297},  {"oplus", 0x2295},  {"empty", 0x2205},   {"cap", 0x2229},    {"cup", 0x222A},
      {"sup", 0x2283},     {"supe", 0x2287},   {"nsub", 0x2284},    {"sub", 0x2282},    {"sube", 0x2286},
      {"isin", 0x2208},    {"notin", 0x2209},  {"ang", 0x2220},     {"nabla", 0x2207},  {"reg", 0xAE},
      {"copy", 0xA9},      {"trade", 0x2122},  {"prod", 0x220F},    {"radic", 0x221A},  {"sdot", 0x22C5},
      {"not", 0xAC},       {"and", 0x2227},    {"or", 0x2228},      {"hArr", 0x21D4},   {"lArr", 0x21D0},
      {"uArr", 0x21D1},    {"rArr", 0x21D2},   {"dArr", 0x21D3},    {"loz", 0x25CA},    {"lang", 0x2329},
      {"reg", 0xAE},       {"copy", 0xA9},     {"trade", 0x2122},   {"sum", 0x2211},    {{}, '/'},
      {{}, '|'},           {{}, '\\'},        {{}, '/'},           {{}, '|'},          {{}, '\\'},
      {{}, '/'},           {{}, '{'},          {{}, '\\'},         {{}, '|'},          {"euro", 0x20AC},
      {"rang", 0x232A},    {"int", 0x222B},    {"#8992", 0x2320},   {{}, '|'},          {"#8993", 0x2321},
      {{}, '\\'},         {{}, '|'},          {{}, '/'},           {{}, '\\'},        {{}, '|'},
      {{}, '/'},           {{}, '\\'},        {{}, '}'},           {{}, '/'},
  };
  static_assert(std::size(high) == 254 - 161 + 1);
  for (size_t k = 0; k < std::size(high); ++k) t[161 + k] = high[k];
  return t;
}

constexpr auto kSymbolTable = MakeSymbolTable();

}  // namespace

void TLTHTMLWriter::PutWingdingsText(std::u16string_view text) {
  // The pictures of the font as the nearest characters; what has none
  // becomes a bullet.
  auto map = [](char16_t code) -> char32_t {
    if (code >= 0xF020 && code <= 0xF0FF) code = static_cast<char16_t>(code - 0xF000);
    auto in = [code](std::initializer_list<int> codes) {
      for (int c : codes)
        if (c == code) return true;
      return false;
    };
    if (code >= 128 && code <= 138) return code - 80;
    if (code >= 139 && code <= 149) return code - 91;
    if ((code >= 169 && code <= 182)) return 0x2605;
    if ((code >= 183 && code <= 194) || in({164, 165})) return 0x25CE;
    if (in({109, 161, 162, 163, 166})) return 0x25CB;
    if (in({111, 112, 113, 114, 120, 121, 122, 127, 168, 253, 254, 255})) return 0x25A1;
    if (in({115, 116, 119})) return 0x2666;
    if (in({117, 118})) return 0x25C6;
    if (in({160, 167})) return 0x25AA;
    if (in({213, 215, 219, 223, 231, 239})) return 0x25C4;
    if (in({214, 216, 220, 224, 232, 240})) return 0x25BA;
    if (in({217, 221, 225, 233, 241})) return 0x25B2;
    if (in({218, 222, 226, 234, 242})) return 0x25BC;
    if (in({249, 250})) return 0x25AB;
    switch (code) {
      case 40: return 0x260E;
      case 69: return 0x261C;
      case 70: return 0x261E;
      case 74: return 0x263A;
      case 82: return 0x263C;
      case 92: return 0x0950;
      case 107: return 0x0026;
      case 108: return 0x25CF;
      case 110: return 0x25A0;
      case 158: return 0x00B7;
      default: return 0x2022;
    }
  };
  for (char16_t c : text) {
    Put("&#");
    PutInt(map(c));
    Put(';');
  }
}

void TLTHTMLWriter::PutSymbolText(std::u16string_view text) {
  auto symbolCode = [](char16_t u) { return u >= 0xF020 && u <= 0xF0FE ? static_cast<char16_t>(u - 0xF000) : u; };
  for (size_t k = 0; k < text.size(); ++k) {
    // The font's private-use block stands for its 8-bit codes.
    const char16_t u = symbolCode(text[k]);
    if (u > 254) {
      // Characters beyond the font's codes are text as any other.
      size_t end = k + 1;
      while (end < text.size() && symbolCode(text[end]) > 254) ++end;
      PutEscaped(text.substr(k, end - k), false);
      k = end - 1;
      continue;
    }
    if (u < 32) continue;
    const TSymbolChar& c = kSymbolTable[u];
    if (c.Char == 0) continue;
    if (c.Char == '&' || c.Char == '<' || c.Char == '>') {
      PutEscaped(std::u16string(1, static_cast<char16_t>(c.Char)), false);
    } else if (!c.Entity.empty() && !IsXHTML()) {
      Put('&');
      Put(c.Entity);
      Put(';');
    } else if (c.Char < 0x80 && c.Char != '"' && c.Char != '\'') {
      Put(static_cast<char>(c.Char));
    } else {
      PutEscaped(std::u16string(1, static_cast<char16_t>(c.Char)), false);
    }
  }
}

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
  // C1 controls and noncharacters are errors in a page, even as references.
  if ((c >= 0x80 && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) return;
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
  // the style element around it (a slash alone ends nothing).
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
        c == '_' || c == '.' || c == ',' || c == '/') {
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

std::string TLTHTMLWriter::PictureLocation(const TCustomLTData& data, int itemNo, const TGraphic& graphic) {
  if (const TLTDocumentContext* ctx = root_->GetContext()) {
    TLTString location;
    bool doDefault = true;
    if (ctx->OnHTMLSaveImage)
      ctx->OnHTMLSaveImage(data, itemNo, settings_.OutputFolder, areaColor_, location, doDefault);
    if (doDefault && ctx->OnSaveImage2)
      ctx->OnSaveImage2(graphic, ltsfHTML, settings_.OutputFolder, settings_.ImagePrefix, imageSaveNo_, location,
                        doDefault);
    // The location lands in an attribute, where it is escaped.
    if (!doDefault) return Utf16ToUtf8(location);
  }
  return SavePicture(graphic);
}

void TLTHTMLWriter::PutExtra(TLTHTMLSaveArea area) {
  const TLTDocumentContext* ctx = root_->GetContext();
  if (!ctx || !ctx->OnSaveHTMLExtra) return;
  TLTString code;
  ctx->OnSaveHTMLExtra(area, css_, code);
  if (code.empty()) return;
  if (area == lt_thms_BodyAttribute) Put(' ');
  for (char16_t c : code) PutCodePoint(c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
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
