#pragma once
// Small system helpers every layer uses: a safe formatter with the
// component family's placeholder syntax, MulDiv, Unicode conversions and
// case-insensitive comparison by Unicode case folding.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace lectern {

/// One argument of LTFormat: an integer or a text.
using TLTFormatArg = std::variant<int64_t, std::u16string>;

/// Fills placeholders of the form %[index:][-][width][.precision]type, type one
/// of d, u, x, s (either case); "%%" is one percent sign. An index sets the
/// argument to use and the following placeholders continue after it; "*" as
/// width or precision takes an integer argument. %d/%u/%x with a precision pad
/// with zeros to that many digits, %x writes upper-case digits, %s with a
/// precision cuts the text. Returns nullopt instead of failing: an unknown
/// type, a missing argument, an argument of the wrong kind, a width or
/// precision above 1000, or a lone trailing "%". Data never reaches printf.
std::optional<std::u16string> LTFormat(std::u16string_view format, std::span<const TLTFormatArg> args);
/// The same over UTF-8 text (arguments converted from UTF-8).
std::optional<std::string> LTFormatUtf8(std::string_view format, std::span<const TLTFormatArg> args);
/// Convenience for the common "one text into a pattern" case; the pattern is
/// returned unchanged when it cannot be formatted.
std::string LTFormatStr(std::string_view format, std::string_view arg);

/// a * b / c with a 64-bit product, the quotient rounded half away from zero;
/// -1 when c is 0 or the result does not fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

/// The nearest integer, halves to even, held within the 32-bit range (NaN
/// gives 0). Every rounding of lengths and colours goes through it.
int32_t RoundHalfEven(double v);
/// Rounds n / d (d > 0) to the nearest integer, halves to even, exactly.
int64_t DivRoundHalfEven(int64_t n, int64_t d);

/// UTF-8 <-> UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);
/// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
/// UTF-16LE bytes (an even count; a trailing odd byte is ignored) <-> text.
std::u16string BytesToUtf16(std::string_view bytes);
std::string Utf16ToBytes(std::u16string_view s);

/// Case-insensitive comparison by Unicode full case folding; independent of
/// the locale. Negative, 0 or positive like strcmp.
int CompareTextFold(std::u16string_view a, std::u16string_view b);
inline bool SameTextFold(std::u16string_view a, std::u16string_view b) { return CompareTextFold(a, b) == 0; }
/// Upper case by the root locale rules.
std::u16string UpperCaseW(std::u16string_view s);
/// The full case folding CompareTextFold compares by: two texts compare
/// equal exactly when their foldings are equal.
std::u16string FoldCaseW(std::u16string_view s);

/// Decimal conversions. StrToIntDef accepts an optional sign and decimal
/// digits only (surrounding blanks are not allowed) and returns def for
/// anything else or for a value outside 32 bits.
std::string IntToStr(int64_t v);
int32_t StrToIntDef(std::string_view s, int32_t def);
std::optional<int32_t> TryStrToInt(std::string_view s);

/// Hexadecimal: two upper-case digits per byte, and back (either case);
/// nullopt for an odd count or a non-hex character.
std::string BytesToHex(std::string_view bytes);
std::optional<std::string> HexToBytes(std::string_view hex);

}  // namespace lectern
