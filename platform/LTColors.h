#pragma once
// Colour helpers: system colours resolved through the fixed table of the
// standard system colour values, and colour names for stored forms.

#include "platform/LTTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace lectern {

/// RGB value (0x00BBGGRR) of a colour: system colours (0xFF0000nn, nn 0..30)
/// through the fixed table of standard values, RGB values unchanged (the
/// high byte cleared). clNone and clDefault resolve to black; an unknown
/// system colour number resolves to black.
TColor ColorToRGB(TColor color);

/// The colour's name when it has one ("clBlack" ... "clWhite", "clNone",
/// "clDefault", the system colour names such as "clWindowText"), else nullopt.
std::optional<std::string> ColorToIdent(TColor color);
/// The inverse of ColorToIdent (names compare without ASCII case).
std::optional<TColor> IdentToColor(std::string_view name);

/// Text form: the name when there is one, else "$" and eight upper-case
/// hexadecimal digits.
std::string ColorToString(TColor color);
/// Reads a name, "$"-hexadecimal or decimal text; nullopt when malformed.
std::optional<TColor> StringToColor(std::string_view text);

}  // namespace lectern
