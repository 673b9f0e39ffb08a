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

}  // namespace lectern
