#pragma once
// A font as the document describes it: face name, height, style bits,
// pitch, colour and charset. The canvas of a toolkit turns it into a real
// font; documents only store and compare it.

#include "platform/LTTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lectern {

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TLTSet<TFontStyle, uint8_t>;
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

/// Resolution at which point sizes and pixel heights of fonts correspond.
constexpr int LTScreenPixelsPerInch = 96;

/// A font description. Height is in pixels, negative for a character height
/// (the usual case), positive for a cell height.
struct TLTFont {
  TLTString Name = u"Arial";
  int32_t Height = -13;  // 10 points at 96 pixels per inch
  TFontStyles Style;
  TFontPitch Pitch = fpDefault;
  TColor Color = clWindowText;
  uint8_t Charset = 1;

  /// Size in points, from the height.
  int32_t Size() const;
  /// Sets the height for a size in points.
  void SetSize(int32_t points);
  bool operator==(const TLTFont&) const = default;
};

/// The text form "Name,Height,Style,Pitch,Colour,Charset": style as the
/// letters B, I, U, S; colour by name or "$" and hexadecimal.
std::string FontToString(const TLTFont& font);
/// Reads that form; fields that are missing or malformed leave the font's values.
void StringToFont(std::string_view text, TLTFont& font);

}  // namespace lectern
