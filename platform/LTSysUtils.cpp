// System helpers: the placeholder formatter, MulDiv, UTF-8/UTF-16 conversion,
// case folding over ICU and the decimal/hexadecimal conversions.

#include "platform/LTSysUtils.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <cmath>
#include <climits>
#include <limits>

namespace lectern {

namespace {

constexpr int kMaxFormatWidth = 1000;
constexpr char16_t kReplacement = 0xFFFD;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads decimal digits at pos; values above the format limit fail instead of
// overflowing.
bool ParseNumber(std::u16string_view f, size_t& pos, int& value) {
  value = 0;
  while (pos < f.size() && IsDigit(f[pos])) {
    value = value * 10 + (f[pos] - u'0');
    if (value > kMaxFormatWidth) return false;
    ++pos;
  }
  return true;
}

std::u16string DigitsOf(uint64_t v, unsigned base) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string s;
  do {
    s.push_back(kDigits[v % base]);
    v /= base;
  } while (v != 0);
  std::reverse(s.begin(), s.end());
  return s;
}

void Pad(std::u16string& out, std::u16string_view text, int width, bool left) {
  size_t fill = width > 0 && static_cast<size_t>(width) > text.size() ? static_cast<size_t>(width) - text.size() : 0;
  if (!left) out.append(fill, u' ');
  out.append(text);
  if (left) out.append(fill, u' ');
}


void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// ICU takes int32_t lengths; longer texts are compared by simple folding of
// each code point, which differs only for the few one-to-many foldings.
int CompareSimpleFold(std::u16string_view a, std::u16string_view b) {
  size_t i = 0;
  size_t j = 0;
  auto next = [](std::u16string_view s, size_t& k) -> UChar32 {
    UChar32 c = s[k++];
    if (U16_IS_LEAD(c) && k < s.size() && U16_IS_TRAIL(s[k])) c = U16_GET_SUPPLEMENTARY(c, s[k++]);
    return u_foldCase(c, U_FOLD_CASE_DEFAULT);
  };
  while (i < a.size() && j < b.size()) {
    UChar32 ca = next(a, i);
    UChar32 cb = next(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

std::optional<int64_t> ParseDecimal(std::string_view s, int64_t lo, int64_t hi) {
  size_t pos = 0;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  if (pos == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; pos < s.size(); ++pos) {
    char c = s[pos];
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > hi + 1) return std::nullopt;  // stays far from int64 overflow
  }
  if (negative) v = -v;
  if (v < lo || v > hi) return std::nullopt;
  return v;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::optional<std::u16string> LTFormat(std::u16string_view format, std::span<const TLTFormatArg> args) {
  std::u16string out;
  size_t next = 0;  // the argument the next placeholder takes
  auto takeInt = [&](int64_t& v) {
    if (next >= args.size() || !std::holds_alternative<int64_t>(args[next])) return false;
    v = std::get<int64_t>(args[next++]);
    return true;
  };
  // "*" widths and precisions: negative values behave as in printf (a
  // negative width left-justifies, a negative precision means none).
  auto takeStar = [&](int& v, bool& negative) {
    int64_t n = 0;
    if (!takeInt(n) || n < -kMaxFormatWidth || n > kMaxFormatWidth) return false;
    negative = n < 0;
    v = static_cast<int>(n < 0 ? -n : n);
    return true;
  };

  size_t i = 0;
  while (i < format.size()) {
    char16_t c = format[i++];
    if (c != u'%') {
      out.push_back(c);
      continue;
    }
    if (i >= format.size()) return std::nullopt;
    if (format[i] == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    // [index:]
    size_t save = i;
    int number = 0;
    if (IsDigit(format[i])) {
      if (!ParseNumber(format, i, number)) return std::nullopt;
      if (i < format.size() && format[i] == u':') {
        next = static_cast<size_t>(number);
        ++i;
      } else {
        i = save;
      }
    }
    bool left = false;
    if (i < format.size() && format[i] == u'-') {
      left = true;
      ++i;
    }
    int width = -1;
    if (i < format.size() && format[i] == u'*') {
      bool negative = false;
      if (!takeStar(width, negative)) return std::nullopt;
      left = left || negative;
      ++i;
    } else if (i < format.size() && IsDigit(format[i])) {
      if (!ParseNumber(format, i, width)) return std::nullopt;
    }
    int precision = -1;
    if (i < format.size() && format[i] == u'.') {
      ++i;
      if (i < format.size() && format[i] == u'*') {
        bool negative = false;
        if (!takeStar(precision, negative)) return std::nullopt;
        if (negative) precision = -1;
        ++i;
      } else {
        if (!ParseNumber(format, i, precision)) return std::nullopt;
      }
    }
    if (i >= format.size()) return std::nullopt;
    char16_t type = format[i++];
    if (type >= u'A' && type <= u'Z') type = static_cast<char16_t>(type - u'A' + u'a');

    std::u16string text;
    switch (type) {
      case u'd':
      case u'u':
      case u'x': {
        int64_t v = 0;
        if (!takeInt(v)) return std::nullopt;
        bool negative = false;
        uint64_t magnitude = 0;
        if (type == u'd' && v < 0) {
          negative = true;
          magnitude = static_cast<uint64_t>(-(v + 1)) + 1;  // INT64_MIN safe
        } else {
          magnitude = static_cast<uint64_t>(v);
        }
        std::u16string digits = DigitsOf(magnitude, type == u'x' ? 16 : 10);
        if (precision > 0 && digits.size() < static_cast<size_t>(precision))
          digits.insert(0, static_cast<size_t>(precision) - digits.size(), u'0');
        if (negative) text.push_back(u'-');
        text += digits;
        break;
      }
      case u's': {
        if (next >= args.size() || !std::holds_alternative<std::u16string>(args[next])) return std::nullopt;
        std::u16string_view s = std::get<std::u16string>(args[next++]);
        if (precision >= 0 && s.size() > static_cast<size_t>(precision)) {
          size_t cut = static_cast<size_t>(precision);
          // Never keep half of a surrogate pair.
          if (cut > 0 && U16_IS_LEAD(s[cut - 1])) --cut;
          s = s.substr(0, cut);
        }
        text = s;
        break;
      }
      default:
        return std::nullopt;
    }
    Pad(out, text, width, left);
  }
  return out;
}

std::optional<std::string> LTFormatUtf8(std::string_view format, std::span<const TLTFormatArg> args) {
  auto r = LTFormat(Utf8ToUtf16(format), args);
  if (!r) return std::nullopt;
  return Utf16ToUtf8(*r);
}

std::string LTFormatStr(std::string_view format, std::string_view arg) {
  const TLTFormatArg args[] = {Utf8ToUtf16(arg)};
  auto r = LTFormatUtf8(format, args);
  return r ? *r : std::string(format);
}

int32_t RoundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kLo = std::numeric_limits<int32_t>::min();
  constexpr double kHi = std::numeric_limits<int32_t>::max();
  if (v <= kLo) return std::numeric_limits<int32_t>::min();
  if (v >= kHi) return std::numeric_limits<int32_t>::max();
  const double f = std::floor(v);
  const double diff = v - f;
  double r = f;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0)) r = f + 1.0;
  return static_cast<int32_t>(r);
}

int64_t DivRoundHalfEven(int64_t n, int64_t d) {
  if (d <= 0) return 0;
  int64_t q = n / d;
  int64_t r = n % d;
  if (r < 0) {  // floor division, so that the remainder is in [0, d)
    q -= 1;
    r += d;
  }
  const int64_t twice = 2 * r;
  if (twice > d || (twice == d && (q & 1) != 0)) ++q;
  return q;
}

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;  // at most 2^62 in magnitude
  int64_t q = p / c;
  int64_t r = p % c;
  int64_t absR = r < 0 ? -r : r;
  int64_t absC = c < 0 ? -static_cast<int64_t>(c) : c;
  if (2 * absR >= absC) q += ((p < 0) != (c < 0)) ? -1 : 1;
  if (q < std::numeric_limits<int32_t>::min() || q > std::numeric_limits<int32_t>::max()) return -1;
  return static_cast<int32_t>(q);
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  while (i < n) {
    unsigned char b = byte(i);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    // Each malformed maximal subpart becomes one U+FFFD.
    int extra = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    size_t k = i + 1;
    int got = 0;
    for (; got < extra && k < n; ++got, ++k) {
      unsigned char t = byte(k);
      unsigned char l = got == 0 ? lo : 0x80;
      unsigned char h = got == 0 ? hi : 0xBF;
      if (t < l || t > h) break;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (got == extra) {
      AppendUtf16(out, cp);
    } else {
      out.push_back(kReplacement);
    }
    i = k;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (U16_IS_LEAD(c) && i + 1 < s.size() && U16_IS_TRAIL(s[i + 1])) {
      c = U16_GET_SUPPLEMENTARY(c, s[i + 1]);
      ++i;
    } else if (U16_IS_SURROGATE(c)) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string BytesToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

std::string Utf16ToBytes(std::u16string_view s) {
  std::string out(s.size() * 2, '\0');
  for (size_t i = 0; i < s.size(); ++i) {
    out[2 * i] = static_cast<char>(s[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(s[i] >> 8);
  }
  return out;
}

int CompareTextFold(std::u16string_view a, std::u16string_view b) {
  constexpr size_t kIcuMax = static_cast<size_t>(INT32_MAX);
  if (a.size() <= kIcuMax && b.size() <= kIcuMax) {
    UErrorCode err = U_ZERO_ERROR;
    int r = u_strCaseCompare(a.data(), static_cast<int32_t>(a.size()), b.data(), static_cast<int32_t>(b.size()),
                             U_FOLD_CASE_DEFAULT, &err);
    if (U_SUCCESS(err)) return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  return CompareSimpleFold(a, b);
}

std::u16string FoldCaseW(std::u16string_view s) {
  if (s.size() > static_cast<size_t>(INT32_MAX)) return std::u16string(s);
  const auto n = static_cast<int32_t>(s.size());
  UErrorCode err = U_ZERO_ERROR;
  const int32_t need = u_strFoldCase(nullptr, 0, s.data(), n, U_FOLD_CASE_DEFAULT, &err);
  if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return std::u16string(s);
  std::u16string out(static_cast<size_t>(need), u'\0');
  err = U_ZERO_ERROR;
  u_strFoldCase(out.data(), need, s.data(), n, U_FOLD_CASE_DEFAULT, &err);
  if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING) return std::u16string(s);
  return out;
}

std::u16string UpperCaseW(std::u16string_view s) {
  // Upper-casing in the root locale is context-free, so long texts go
  // through ICU in pieces that never split a surrogate pair.
  constexpr size_t kChunk = 1 << 20;
  std::u16string out;
  out.reserve(s.size());
  size_t pos = 0;
  while (pos < s.size()) {
    size_t len = std::min(kChunk, s.size() - pos);
    if (pos + len < s.size() && U16_IS_LEAD(s[pos + len - 1])) --len;
    if (len == 0) len = 1;
    const UChar* src = s.data() + pos;
    UErrorCode err = U_ZERO_ERROR;
    int32_t need = u_strToUpper(nullptr, 0, src, static_cast<int32_t>(len), "", &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) {
      out.append(s.substr(pos, len));
    } else {
      size_t at = out.size();
      out.resize(at + static_cast<size_t>(need));
      err = U_ZERO_ERROR;
      u_strToUpper(out.data() + at, need, src, static_cast<int32_t>(len), "", &err);
      if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING) {
        out.resize(at);
        out.append(s.substr(pos, len));
      }
    }
    pos += len;
  }
  return out;
}

std::string IntToStr(int64_t v) { return std::to_string(v); }

int32_t StrToIntDef(std::string_view s, int32_t def) {
  auto v = TryStrToInt(s);
  return v ? *v : def;
}

std::optional<int32_t> TryStrToInt(std::string_view s) {
  auto v = ParseDecimal(s, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  if (!v) return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::string BytesToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out;
}

std::optional<std::string> HexToBytes(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexValue(hex[i]);
    int lo = HexValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>((hi << 4) | lo));
  }
  return out;
}

}  // namespace lectern
