// Font descriptions: point sizes against pixel heights, and the text form
// that settings files use.

#include "platform/LTFont.h"

#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"

#include <vector>

namespace lectern {

int32_t TLTFont::Size() const {
  const int32_t h = Height < 0 ? -Height : Height;
  return MulDiv(h, 72, LTScreenPixelsPerInch);
}

void TLTFont::SetSize(int32_t points) { Height = -MulDiv(points, LTScreenPixelsPerInch, 72); }

std::string FontToString(const TLTFont& font) {
  std::string style;
  if (font.Style.Contains(fsBold)) style += 'B';
  if (font.Style.Contains(fsItalic)) style += 'I';
  if (font.Style.Contains(fsUnderline)) style += 'U';
  if (font.Style.Contains(fsStrikeOut)) style += 'S';
  return Utf16ToUtf8(font.Name) + "," + IntToStr(font.Height) + "," + style + "," + IntToStr(font.Pitch) + "," +
         ColorToString(font.Color) + "," + IntToStr(font.Charset);
}

void StringToFont(std::string_view text, TLTFont& font) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    fields.push_back(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() > 0 && !fields[0].empty()) font.Name = Utf8ToUtf16(fields[0]);
  if (fields.size() > 1)
    if (auto h = TryStrToInt(fields[1])) font.Height = *h;
  if (fields.size() > 2) {
    TFontStyles style;
    for (char c : fields[2]) {
      switch (c) {
        case 'B':
        case 'b':
          style.Include(fsBold);
          break;
        case 'I':
        case 'i':
          style.Include(fsItalic);
          break;
        case 'U':
        case 'u':
          style.Include(fsUnderline);
          break;
        case 'S':
        case 's':
          style.Include(fsStrikeOut);
          break;
        default:
          break;
      }
    }
    font.Style = style;
  }
  if (fields.size() > 3)
    if (auto p = TryStrToInt(fields[3]); p && *p >= fpDefault && *p <= fpFixed)
      font.Pitch = static_cast<TFontPitch>(*p);
  if (fields.size() > 4)
    if (auto c = StringToColor(fields[4])) font.Color = *c;
  if (fields.size() > 5)
    if (auto cs = TryStrToInt(fields[5]); cs && *cs >= 0 && *cs <= 255) font.Charset = static_cast<uint8_t>(*cs);
}

}  // namespace lectern
