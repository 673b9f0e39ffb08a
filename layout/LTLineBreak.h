#pragma once
// Where a line may end: the twenty line-breaking classes, their pair table,
// and the display form of stored text that layout measures.

#include <cstdint>
#include <string>
#include <string_view>

namespace lectern {

/// Line-breaking classes in table order.
enum TLTLineBreakClass : uint8_t {
  lbOP,
  lbCL,
  lbQU,
  lbGL,
  lbNS,
  lbEX,
  lbSY,
  lbIS,
  lbPR,
  lbPO,
  lbNU,
  lbAL,
  lbID,
  lbIN,
  lbHY,
  lbBA,
  lbBB,
  lbB2,
  lbZW,
  lbCM,
};
constexpr int kLineBreakClassCount = 20;

/// The class of a code point: a fixed table below U+0100, the Unicode line
/// breaking property folded onto the twenty classes above it.
TLTLineBreakClass LineBreakClass(char32_t c);

/// 0: a break is allowed between a character of class l and one of class r;
/// 1: only with spaces between them; 2: never.
int LineBreakAction(TLTLineBreakClass l, TLTLineBreakClass r);

/// The last break opportunity in UTF-16 text before index count (the first
/// unit that does not fit): the index of the unit a piece ends with, spaces
/// that follow the break included; -1 when there is none.
int FindUnicodeBreak(std::u16string_view text, int count);

/// Whether a line may end after unit i of UTF-16 text (before unit i + 1):
/// always at a space, never inside a surrogate pair, else by the pair table.
bool BreakAllowedAfter(std::u16string_view text, int i);

/// Text as layout measures and paint shows it, unit for unit as long as the
/// stored text: upper case for all-caps styles; in Unicode styles the
/// non-breaking hyphen becomes "-" and the soft hyphen a zero-width space (or
/// the sign U+00AC when soft hyphens are shown).
std::u16string DisplayText(std::u16string_view text, bool allCaps, bool unicode, bool showSoftHyphens);

/// Characters that measure as zero width whatever the font says.
constexpr bool IsZeroWidthChar(char16_t c) { return c == 0x200B || c == 0x2060; }

}  // namespace lectern
