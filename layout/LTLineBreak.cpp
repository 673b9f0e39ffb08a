// Line-break classes and the pair table; display text.

#include "layout/LTLineBreak.h"

#include <unicode/uchar.h>

#include <array>

namespace lectern {

namespace {

// Rows: class of the left character; columns: class of the right one.
constexpr uint8_t kPairTable[kLineBreakClassCount][kLineBreakClassCount] = {
    // OP CL QU GL NS EX SY IS PR PO NU AL ID IN HY BA BB B2 ZW CM
    {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1},  // OP
    {0, 2, 1, 1, 2, 2, 2, 2, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // CL
    {2, 2, 1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1},  // QU
    {1, 2, 1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1},  // GL
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // NS
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // EX
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // SY
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // IS
    {1, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0, 2, 1},  // PR
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // PO
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 1, 1, 1, 0, 1, 1, 1, 0, 0, 2, 1},  // NU
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 1, 0, 1, 1, 1, 0, 0, 2, 1},  // AL
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 1, 0, 0, 0, 1, 1, 1, 0, 0, 2, 1},  // ID
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 2, 1},  // IN
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // HY
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 2, 1},  // BA
    {1, 2, 1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1},  // BB
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 2, 2, 1},  // B2
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1},  // ZW
    {0, 2, 1, 1, 1, 2, 2, 2, 0, 0, 1, 1, 0, 1, 1, 1, 0, 0, 2, 1},  // CM
};

constexpr std::array<TLTLineBreakClass, 256> MakeLatinTable() {
  std::array<TLTLineBreakClass, 256> t{};
  for (auto& c : t) c = lbAL;
  for (int i = 0; i <= 8; ++i) t[i] = lbCM;
  t[0x0B] = lbCM;
  for (int i = 0x0E; i <= 0x1F; ++i) t[i] = lbCM;
  for (int i = 0x7F; i <= 0x9F; ++i) t[i] = lbCM;
  t[0x09] = t['|'] = t[0xAD] = lbBA;
  t['!'] = t['?'] = lbEX;
  t['"'] = t['\''] = t[0xAB] = t[0xBB] = lbQU;
  t['$'] = t[0xA0] = lbGL;
  t['%'] = t[0xA2] = t[0xB0] = lbPO;
  t['('] = t['['] = t['{'] = lbOP;
  t[')'] = t[']'] = t['}'] = lbCL;
  t['+'] = t['\\'] = t[0xA3] = t[0xA4] = t[0xA5] = t[0xB1] = lbPR;
  t[','] = t['.'] = t[':'] = t[';'] = lbIS;
  t['-'] = lbHY;
  t['/'] = lbSY;
  for (int i = '0'; i <= '9'; ++i) t[i] = lbNU;
  t[0xB4] = lbBB;
  return t;
}
constexpr std::array<TLTLineBreakClass, 256> kLatin = MakeLatinTable();

// The Unicode property has grown classes since the twenty were fixed; each
// newer one folds onto the class its characters had before the split.
TLTLineBreakClass FoldUnicodeClass(int32_t lb) {
  switch (lb) {
    case U_LB_OPEN_PUNCTUATION:
      return lbOP;
    case U_LB_CLOSE_PUNCTUATION:
    case U_LB_CLOSE_PARENTHESIS:
      return lbCL;
    case U_LB_QUOTATION:
      return lbQU;
    case U_LB_GLUE:
    case U_LB_WORD_JOINER:
      return lbGL;
    case U_LB_NONSTARTER:
    case U_LB_CONDITIONAL_JAPANESE_STARTER:
      return lbNS;
    case U_LB_EXCLAMATION:
      return lbEX;
    case U_LB_BREAK_SYMBOLS:
      return lbSY;
    case U_LB_INFIX_NUMERIC:
      return lbIS;
    case U_LB_PREFIX_NUMERIC:
      return lbPR;
    case U_LB_POSTFIX_NUMERIC:
      return lbPO;
    case U_LB_NUMERIC:
      return lbNU;
    case U_LB_IDEOGRAPHIC:
    case U_LB_H2:
    case U_LB_H3:
    case U_LB_JL:
    case U_LB_JV:
    case U_LB_JT:
    case U_LB_E_BASE:
      return lbID;
    case U_LB_INSEPARABLE:
      return lbIN;
    case U_LB_HYPHEN:
      return lbHY;
    case U_LB_BREAK_AFTER:
      return lbBA;
    case U_LB_BREAK_BEFORE:
      return lbBB;
    case U_LB_BREAK_BOTH:
      return lbB2;
    case U_LB_ZWSPACE:
      return lbZW;
    case U_LB_COMBINING_MARK:
    case U_LB_ZWJ:
    case U_LB_E_MODIFIER:
      return lbCM;
    default:
      return lbAL;
  }
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The class of the character whose last unit is at i.
TLTLineBreakClass ClassAt(std::u16string_view s, int i) {
  const char16_t c = s[static_cast<size_t>(i)];
  if (IsLow(c) && i > 0 && IsHigh(s[static_cast<size_t>(i - 1)])) {
    const char32_t cp = 0x10000 + ((static_cast<char32_t>(s[static_cast<size_t>(i - 1)]) - 0xD800) << 10) +
                        (static_cast<char32_t>(c) - 0xDC00);
    return LineBreakClass(cp);
  }
  return LineBreakClass(c);
}

}  // namespace

TLTLineBreakClass LineBreakClass(char32_t c) {
  if (c < 0x100) return kLatin[c];
  return FoldUnicodeClass(u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_LINE_BREAK));
}

int LineBreakAction(TLTLineBreakClass l, TLTLineBreakClass r) { return kPairTable[l][r]; }

int FindUnicodeBreak(std::u16string_view text, int count) {
  const int n = static_cast<int>(text.size());
  if (count <= 0 || count >= n) return -1;
  int start = count;
  if (text[static_cast<size_t>(start)] == u' ' && start == n - 1) {
    if (--start <= 0) return -1;
  }
  TLTLineBreakClass r = ClassAt(text, start);
  for (int i = start - 1; i >= 0; --i) {
    const char16_t c = text[static_cast<size_t>(i)];
    if (c == u' ') continue;
    // The two halves of a surrogate pair are one character.
    if (IsHigh(c) && i + 1 < n && IsLow(text[static_cast<size_t>(i + 1)])) continue;
    const TLTLineBreakClass l = ClassAt(text, i);
    const int action = kPairTable[l][r];
    if (action == 0 || (action == 1 && text[static_cast<size_t>(i + 1)] == u' ')) {
      while (i + 1 < start && text[static_cast<size_t>(i + 1)] == u' ') ++i;
      return i;
    }
    r = l;
  }
  return -1;
}

bool BreakAllowedAfter(std::u16string_view text, int i) {
  const int n = static_cast<int>(text.size());
  if (i < 0 || i + 1 >= n) return true;
  const char16_t c = text[static_cast<size_t>(i)];
  const char16_t d = text[static_cast<size_t>(i + 1)];
  // Letters and digits next to each other never break; most text is that.
  auto alnum = [](char16_t u) {
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
  };
  if (alnum(c) && alnum(d)) return false;
  if (IsHigh(c) && IsLow(d)) return false;
  if (d == u' ') return false;  // the break comes after the spaces
  if (c == u' ') return true;
  return kPairTable[ClassAt(text, i)][ClassAt(text, i + 1 < n && IsHigh(d) && i + 2 < n ? i + 2 : i + 1)] == 0;
}

std::u16string DisplayText(std::u16string_view text, bool allCaps, bool unicode, bool showSoftHyphens) {
  std::u16string s(text);
  const size_t n = s.size();
  if (allCaps) {
    for (size_t i = 0; i < n; ++i) {
      const char16_t c = s[i];
      if (IsHigh(c) && i + 1 < n && IsLow(s[i + 1])) {
        const UChar32 cp = 0x10000 + ((static_cast<UChar32>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        const UChar32 up = u_toupper(cp);
        if (up > 0xFFFF) {  // only when the upper case keeps the length
          s[i] = static_cast<char16_t>(0xD800 + ((up - 0x10000) >> 10));
          s[i + 1] = static_cast<char16_t>(0xDC00 + ((up - 0x10000) & 0x3FF));
        }
        ++i;
        continue;
      }
      const UChar32 up = u_toupper(c);
      if (up <= 0xFFFF) s[i] = static_cast<char16_t>(up);
    }
  }
  if (unicode) {
    for (char16_t& c : s) {
      if (c == 0x2011)
        c = u'-';
      else if (c == 0x00AD)
        c = showSoftHyphens ? u'\u00AC' : u'\u200B';
    }
  }
  return s;
}

}  // namespace lectern
