#pragma once
// Basic types shared by every layer: the error class, colours, typed sets and
// the string kinds the document model uses.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace lectern {

/// Bytes as stored in an item: UTF-16LE code units when the item is wide,
/// otherwise 8-bit text in the code page of the item's text style.
using TLTRawByteString = std::string;
/// Text as the user sees it.
using TLTString = std::u16string;

constexpr int32_t MaxInt = 2147483647;

/// Failures of the component family. The message is one of the fixed English
/// texts that callers and tests compare against.
class ELecternError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A text that never changes once made, so that copies share it; an empty
/// one costs nothing. Items keep rarely set texts (hints) in it.
class TLTSharedText {
 public:
  TLTSharedText() = default;
  TLTSharedText(TLTString s) { Set(std::move(s)); }
  TLTSharedText(const char16_t* s) { Set(TLTString(s)); }
  TLTSharedText& operator=(TLTString s) {
    Set(std::move(s));
    return *this;
  }
  TLTSharedText& operator=(const char16_t* s) {
    Set(TLTString(s));
    return *this;
  }
  bool empty() const { return !p_; }
  const TLTString& str() const {
    static const TLTString kEmpty;
    return p_ ? *p_ : kEmpty;
  }
  operator const TLTString&() const { return str(); }
  friend bool operator==(const TLTSharedText& a, const TLTSharedText& b) { return a.p_ == b.p_ || a.str() == b.str(); }
  friend bool operator==(const TLTSharedText& a, std::u16string_view b) { return a.str() == b; }
  friend bool operator==(const TLTSharedText& a, const char16_t* b) { return a.str() == b; }

 private:
  void Set(TLTString s) { p_ = s.empty() ? nullptr : std::make_shared<const TLTString>(std::move(s)); }
  std::shared_ptr<const TLTString> p_;
};

/// 32-bit colour: 0x00BBGGRR for RGB, 0xFF0000nn for system colour nn,
/// clNone for no colour. Signed, as every 32-bit property is.
using TColor = int32_t;

constexpr TColor MakeColor(uint32_t v) { return static_cast<TColor>(v); }
constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>(static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
                             (static_cast<uint32_t>(b & 0xFF) << 16));
}

constexpr TColor clNone = MakeColor(0x1FFFFFFF);
constexpr TColor clDefault = MakeColor(0x20000000);
constexpr TColor clScrollBar = MakeColor(0xFF000000);
constexpr TColor clBackground = MakeColor(0xFF000001);
constexpr TColor clActiveCaption = MakeColor(0xFF000002);
constexpr TColor clInactiveCaption = MakeColor(0xFF000003);
constexpr TColor clMenu = MakeColor(0xFF000004);
constexpr TColor clWindow = MakeColor(0xFF000005);
constexpr TColor clWindowFrame = MakeColor(0xFF000006);
constexpr TColor clMenuText = MakeColor(0xFF000007);
constexpr TColor clWindowText = MakeColor(0xFF000008);
constexpr TColor clCaptionText = MakeColor(0xFF000009);
constexpr TColor clActiveBorder = MakeColor(0xFF00000A);
constexpr TColor clInactiveBorder = MakeColor(0xFF00000B);
constexpr TColor clAppWorkSpace = MakeColor(0xFF00000C);
constexpr TColor clHighlight = MakeColor(0xFF00000D);
constexpr TColor clHighlightText = MakeColor(0xFF00000E);
constexpr TColor clBtnFace = MakeColor(0xFF00000F);
constexpr TColor clBtnShadow = MakeColor(0xFF000010);
constexpr TColor clGrayText = MakeColor(0xFF000011);
constexpr TColor clBtnText = MakeColor(0xFF000012);
constexpr TColor clInactiveCaptionText = MakeColor(0xFF000013);
constexpr TColor clBtnHighlight = MakeColor(0xFF000014);
constexpr TColor cl3DDkShadow = MakeColor(0xFF000015);
constexpr TColor cl3DLight = MakeColor(0xFF000016);
constexpr TColor clInfoText = MakeColor(0xFF000017);
constexpr TColor clInfoBk = MakeColor(0xFF000018);
constexpr TColor clHotLight = MakeColor(0xFF00001A);
constexpr TColor clGradientActiveCaption = MakeColor(0xFF00001B);
constexpr TColor clGradientInactiveCaption = MakeColor(0xFF00001C);
constexpr TColor clMenuHighlight = MakeColor(0xFF00001D);
constexpr TColor clMenuBar = MakeColor(0xFF00001E);
/// Colours of the screen only, past the standard table: the caret and the
/// dotted frame around a hyperlink with the keyboard focus. They resolve to
/// black like clWindowText; a window may paint them in its desktop's
/// palette instead, which a high-contrast desktop relies on.
constexpr TColor clCaret = MakeColor(0xFF000040);
constexpr TColor clFocusFrame = MakeColor(0xFF000041);

constexpr TColor clBlack = MakeColor(0x000000);
constexpr TColor clMaroon = MakeColor(0x000080);
constexpr TColor clGreen = MakeColor(0x008000);
constexpr TColor clOlive = MakeColor(0x008080);
constexpr TColor clNavy = MakeColor(0x800000);
constexpr TColor clPurple = MakeColor(0x800080);
constexpr TColor clTeal = MakeColor(0x808000);
constexpr TColor clGray = MakeColor(0x808080);
constexpr TColor clSilver = MakeColor(0xC0C0C0);
constexpr TColor clRed = MakeColor(0x0000FF);
constexpr TColor clLime = MakeColor(0x00FF00);
constexpr TColor clYellow = MakeColor(0x00FFFF);
constexpr TColor clBlue = MakeColor(0xFF0000);
constexpr TColor clFuchsia = MakeColor(0xFF00FF);
constexpr TColor clAqua = MakeColor(0xFFFF00);
constexpr TColor clWhite = MakeColor(0xFFFFFF);
constexpr TColor clMoneyGreen = MakeColor(0xC0DCC0);
constexpr TColor clSkyBlue = MakeColor(0xF0CAA6);
constexpr TColor clCream = MakeColor(0xF0FBFF);
constexpr TColor clMedGray = MakeColor(0xA4A0A0);

constexpr bool IsSystemColor(TColor c) { return (static_cast<uint32_t>(c) & 0xFF000000u) == 0xFF000000u; }

/// A set of enumeration values, stored as bits (bit n = enumerator n).
template <class E, class Bits = uint32_t>
class TLTSet {
  static_assert(std::is_enum_v<E>);

 public:
  using BitsType = Bits;
  constexpr TLTSet() = default;
  constexpr TLTSet(std::initializer_list<E> members) {
    for (E e : members) bits_ |= Bit(e);
  }
  static constexpr TLTSet FromBits(Bits bits) {
    TLTSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr Bits ToBits() const { return bits_; }
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TLTSet& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TLTSet& Exclude(E e) {
    bits_ &= static_cast<Bits>(~Bit(e));
    return *this;
  }
  constexpr TLTSet& Set(E e, bool on) { return on ? Include(e) : Exclude(e); }
  constexpr TLTSet operator|(TLTSet o) const { return FromBits(static_cast<Bits>(bits_ | o.bits_)); }
  constexpr TLTSet operator&(TLTSet o) const { return FromBits(static_cast<Bits>(bits_ & o.bits_)); }
  constexpr TLTSet operator-(TLTSet o) const { return FromBits(static_cast<Bits>(bits_ & ~o.bits_)); }
  constexpr TLTSet& operator|=(TLTSet o) {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr bool operator==(const TLTSet&) const = default;

 private:
  static constexpr Bits Bit(E e) { return static_cast<Bits>(Bits{1} << static_cast<unsigned>(e)); }
  Bits bits_ = 0;
};

}  // namespace lectern
