#pragma once
// Conversion between 8-bit text and UTF-16 by Windows code page number, over
// ICU. The "system's 8-bit code page" is a process setting (windows-1252
// unless changed), never taken from the POSIX locale, so a UTF-8 locale does
// not change what files say.

#include <cstdint>
#include <string>
#include <string_view>

namespace lectern {

using TLTCodePage = uint32_t;

constexpr TLTCodePage CP_ACP = 0;      // the system's 8-bit code page
constexpr TLTCodePage CP_SYMBOL = 42;  // bytes 0x20..0xFF <-> U+F020..U+F0FF
constexpr TLTCodePage CP_UTF8 = 65001;

constexpr int DEFAULT_CHARSET = 1;
constexpr int SYMBOL_CHARSET = 2;

/// The system's 8-bit code page (1252 by default).
TLTCodePage SystemCodePage();
void SetSystemCodePage(TLTCodePage cp);

/// Windows charset number -> code page by a fixed table (0 -> 1252, 2 -> 42,
/// 77 -> 10000, 128 -> 932, 129 -> 949, 130 -> 1361, 134 -> 936, 136 -> 950,
/// 161 -> 1253, 162 -> 1254, 163 -> 1258, 177 -> 1255, 178 -> 1256,
/// 186 -> 1257, 204 -> 1251, 222 -> 874, 238 -> 1250, 255 -> 437).
/// DEFAULT_CHARSET (1) and unknown charsets give CP_ACP (0).
TLTCodePage CharsetToCodePage(int charset);
/// The inverse for the code pages of that table; DEFAULT_CHARSET for others.
int CodePageToCharset(TLTCodePage cp);

/// True when text in this code page can be converted (CP_ACP counts as the
/// system code page).
bool IsCodePageSupported(TLTCodePage cp);

/// 8-bit text -> UTF-16. CP_ACP, and a code page that is not supported, use
/// the system code page. Bytes the code page does not define become U+FFFD.
std::u16string AnsiToUnicode(std::string_view bytes, TLTCodePage cp);
/// UTF-16 -> 8-bit text; unconvertible characters become "?". When lossy is
/// given it tells whether any character was replaced.
std::string UnicodeToAnsi(std::u16string_view text, TLTCodePage cp, bool* lossy = nullptr);

}  // namespace lectern
