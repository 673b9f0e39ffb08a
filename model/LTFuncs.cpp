// Conversions between stored item bytes and UTF-16, and the stored-line
// string encoding.

#include "model/LTFuncs.h"

#include "platform/LTSysUtils.h"

namespace lectern {

TLTString ItemBytesToText(std::string_view bytes, bool wide, TLTCodePage cp) {
  return wide ? BytesToUtf16(bytes) : AnsiToUnicode(bytes, cp);
}

TLTRawByteString TextToItemBytes(std::u16string_view text, bool wide, TLTCodePage cp) {
  return wide ? Utf16ToBytes(text) : UnicodeToAnsi(text, cp);
}

TLTRawByteString ConvertItemBytes(std::string_view bytes, bool fromWide, bool toWide, TLTCodePage cp) {
  if (fromWide == toWide) return TLTRawByteString(bytes);
  return TextToItemBytes(ItemBytesToText(bytes, fromWide, cp), toWide, cp);
}

std::string LTFEncodeString(std::u16string_view s) {
  std::string u = Utf16ToUtf8(s);
  for (char& c : u) {
    if (c == '\r')
      c = '\x01';
    else if (c == '\n')
      c = '\x02';
  }
  return u;
}

TLTString LTFDecodeString(std::string_view bytes, bool utf8) {
  std::string b(bytes);
  for (char& c : b) {
    if (c == '\x01')
      c = '\r';
    else if (c == '\x02')
      c = '\n';
  }
  return utf8 ? Utf8ToUtf16(b) : AnsiToUnicode(b, CP_ACP);
}

namespace {

bool NeedsDumpEscape(char16_t c) {
  return c == u'"' || c == u'\\' || c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029;
}

std::string DumpEscape(char16_t c) {
  switch (c) {
    case u'"':
      return "\\\"";
    case u'\\':
      return "\\\\";
    case u'\r':
      return "\\r";
    case u'\n':
      return "\\n";
    case u'\t':
      return "\\t";
    case u'\f':
      return "\\f";
    default: {
      static const char* hex = "0123456789ABCDEF";
      std::string out = "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 0xF];
      return out;
    }
  }
}

}  // namespace

std::string QuoteForDump(std::u16string_view s) {
  // Runs between escapes are converted whole so that surrogate pairs survive.
  std::string out = "\"";
  size_t i = 0;
  while (i < s.size()) {
    size_t j = i;
    while (j < s.size() && !NeedsDumpEscape(s[j])) ++j;
    out += Utf16ToUtf8(s.substr(i, j - i));
    if (j < s.size()) out += DumpEscape(s[j++]);
    i = j;
  }
  return out + "\"";
}

}  // namespace lectern
