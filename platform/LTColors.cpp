// Colour resolution and colour names. System colours resolve through a
// fixed table so that documents look the same on every desktop.

#include "platform/LTColors.h"

#include <array>
#include <cstdint>
#include <limits>

namespace lectern {

namespace {

// Values of system colours 0..30, 0x00BBGGRR. Number 25 is unused and black.
constexpr std::array<uint32_t, 31> kSystemColors = {
    0xC8C8C8,  // 0 clScrollBar
    0x000000,  // 1 clBackground
    0xD1B499,  // 2 clActiveCaption
    0xDBCDBF,  // 3 clInactiveCaption
    0xF0F0F0,  // 4 clMenu
    0xFFFFFF,  // 5 clWindow
    0x646464,  // 6 clWindowFrame
    0x000000,  // 7 clMenuText
    0x000000,  // 8 clWindowText
    0x000000,  // 9 clCaptionText
    0xB4B4B4,  // 10 clActiveBorder
    0xFCF7F4,  // 11 clInactiveBorder
    0xABABAB,  // 12 clAppWorkSpace
    0xFF9933,  // 13 clHighlight
    0xFFFFFF,  // 14 clHighlightText
    0xF0F0F0,  // 15 clBtnFace
    0xA0A0A0,  // 16 clBtnShadow
    0x6D6D6D,  // 17 clGrayText
    0x000000,  // 18 clBtnText
    0x000000,  // 19 clInactiveCaptionText
    0xFFFFFF,  // 20 clBtnHighlight
    0x696969,  // 21 cl3DDkShadow
    0xE3E3E3,  // 22 cl3DLight
    0x000000,  // 23 clInfoText
    0xE1FFFF,  // 24 clInfoBk
    0x000000,  // 25 (unused)
    0xCC6600,  // 26 clHotLight
    0xEAD1B9,  // 27 clGradientActiveCaption
    0xF2E4D7,  // 28 clGradientInactiveCaption
    0xFF9933,  // 29 clMenuHighlight
    0xF0F0F0,  // 30 clMenuBar
};

struct NamedColor {
  const char* name;
  TColor color;
};

constexpr NamedColor kNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clHotLight", clHotLight},
    {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption},
    {"clMenuHighlight", clMenuHighlight},
    {"clMenuBar", clMenuBar},
};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color == clNone || color == clDefault) return clBlack;
  auto v = static_cast<uint32_t>(color);
  if (IsSystemColor(color)) {
    uint32_t index = v & 0x00FFFFFFu;
    return index < kSystemColors.size() ? MakeColor(kSystemColors[index]) : clBlack;
  }
  return MakeColor(v & 0x00FFFFFFu);
}

std::optional<std::string> ColorToIdent(TColor color) {
  for (const auto& n : kNames) {
    if (n.color == color) return std::string(n.name);
  }
  return std::nullopt;
}

std::optional<TColor> IdentToColor(std::string_view name) {
  for (const auto& n : kNames) {
    if (SameAscii(name, n.name)) return n.color;
  }
  return std::nullopt;
}

std::string ColorToString(TColor color) {
  if (auto name = ColorToIdent(color)) return *name;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  auto v = static_cast<uint32_t>(color);
  std::string s = "$";
  for (int shift = 28; shift >= 0; shift -= 4) s.push_back(kDigits[(v >> shift) & 0xF]);
  return s;
}

std::optional<TColor> StringToColor(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (auto c = IdentToColor(text)) return c;
  if (text[0] == '$') {
    std::string_view digits = text.substr(1);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (char ch : digits) {
      int d = HexDigit(ch);
      if (d < 0) return std::nullopt;
      v = (v << 4) | static_cast<uint32_t>(d);
    }
    return MakeColor(v);
  }
  // Decimal: signed 32-bit as stored, or the same bits written unsigned.
  size_t pos = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') negative = text[pos++] == '-';
  if (pos == text.size()) return std::nullopt;
  int64_t v = 0;
  for (; pos < text.size(); ++pos) {
    char ch = text[pos];
    if (ch < '0' || ch > '9') return std::nullopt;
    v = v * 10 + (ch - '0');
    if (v > 0xFFFFFFFFLL) return std::nullopt;
  }
  if (negative) {
    v = -v;
    if (v < std::numeric_limits<int32_t>::min()) return std::nullopt;
    return static_cast<TColor>(v);
  }
  return MakeColor(static_cast<uint32_t>(v));
}

}  // namespace lectern
