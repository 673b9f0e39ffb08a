// RTF import: choosing text and paragraph styles for what the reader
// reports, in the three modes (one fixed style, the closest style by a
// weighted score, an exactly matching style added when none exists).
// Styles whose Options are not empty (raw RTF or HTML code) are never
// chosen or matched: imported text must never be written out unescaped.

#include "rtf/LTRTFImportRun.h"

#include "platform/LTSysUtils.h"
#include "style/LTProps.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lectern {

namespace {

/// Appends the bytes of a value to a cache key.
template <class T>
void Key(std::string& k, const T& v) {
  k.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void KeyText(std::string& k, std::u16string_view s) {
  Key(k, s.size());
  k.append(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t));
}

int Sign(int64_t v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

std::u16string Lower(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}

/// A border side as a paragraph style draws it: style, width, inner width.
struct TBorderLook {
  TLTBorderStyle Style = ltbNone;
  int32_t Width = 0;
  int32_t Internal = 0;
};

TBorderLook MapBorder(const TLTRTFBorderSide& b, bool rightOrBottom, double k) {
  const double c = b.Width * k;
  TBorderLook l;
  auto w = [&](double v) { return static_cast<int32_t>(std::lround(v)); };
  switch (b.Kind) {
    case 0:
      return l;
    case 2:
      l.Style = ltbSingle;
      l.Width = w(2 * c);
      break;
    case 7:
      l.Style = ltbSingle;
      l.Width = 1;
      break;
    case 4:
    case 22:
      l.Style = ltbDouble;
      l.Width = w(c);
      l.Internal = 2 * l.Width - 1;
      break;
    case 11:
      l.Style = ltbTriple;
      l.Width = w(c);
      l.Internal = 2 * l.Width - 1;
      break;
    case 12:
    case 13:
      // 13 is drawn like its thin-thick neighbours.
      l.Style = (b.Kind == 12) != rightOrBottom ? ltbThickOutside : ltbThickInside;
      l.Width = w(c / 2);
      l.Internal = l.Width + (l.Width + 1) / 2;
      break;
    case 15:
    case 16:
      l.Style = (b.Kind == 15) != rightOrBottom ? ltbThickOutside : ltbThickInside;
      l.Width = w(c / 2);
      l.Internal = 2 * l.Width + (l.Width + 1) / 2;
      break;
    case 18:
    case 19:
      l.Style = (b.Kind == 18) != rightOrBottom ? ltbThickOutside : ltbThickInside;
      l.Width = 1;
      l.Internal = w(c) + 1;
      break;
    case 14:
      l.Style = ltbTriple;
      l.Width = w(c / 3);
      l.Internal = 2 * l.Width - 1;
      break;
    case 17:
      l.Style = ltbTriple;
      l.Width = w(c / 2);
      l.Internal = 3 * l.Width - 1;
      break;
    case 20:
      l.Style = ltbTriple;
      l.Width = 1;
      l.Internal = w(c);
      break;
    default:
      l.Style = ltbSingle;
      l.Width = w(c);
      break;
  }
  if (l.Width < 1 && l.Style != ltbNone) l.Width = 1;
  if (l.Internal < 0) l.Internal = 0;
  return l;
}

/// The paragraph look the reader's properties ask for.
struct TParaLook {
  int32_t Left = 0, Right = 0, First = 0, Before = 0, After = 0;
  TLTAlignment Align = ltaLeft;
  TLTLineSpacingType SpacingType = ltlsPercent;
  int32_t Spacing = 100;
  TColor Back = clNone;
  bool Keep = false, KeepNext = false;
  bool HasBorder = false;
  TLTBorder Border;
  TLTRect Offsets;
};

TParaLook MakeLook(const TLTRTFParaProperties& p, double k) {
  auto px = [k](int64_t v) { return static_cast<int32_t>(std::nearbyint(static_cast<double>(v) * k)); };
  TParaLook l;
  l.Left = px(p.LeftIndent);
  l.Right = px(p.RightIndent);
  l.First = px(p.FirstIndent);
  l.Before = px(p.SpaceBefore);
  l.After = px(p.SpaceAfter);
  l.Align = p.Alignment;
  l.Back = p.BackgroundColor();
  l.Keep = p.Keep;
  l.KeepNext = p.KeepNext;
  if (p.LineMultiple) {
    l.SpacingType = ltlsPercent;
    l.Spacing = p.LineSpacing <= 0 ? 100 : p.LineSpacing * 100 / 240;
  } else if (p.LineSpacing > 0) {
    l.SpacingType = ltlsLineHeightAtLeast;
    l.Spacing = px(p.LineSpacing);
  } else {
    const int32_t v = px(-static_cast<int64_t>(p.LineSpacing));
    if (v >= 4) {
      l.SpacingType = ltlsLineHeightExact;
      l.Spacing = v;
    }
  }
  if (p.HasBorders()) {
    l.HasBorder = true;
    static constexpr int kOrder[] = {rtf_side_Top, rtf_side_Left, rtf_side_Bottom, rtf_side_Right};
    for (int side : kOrder) {
      const TLTRTFBorderSide& b = p.Borders[side];
      if (!b.Present) continue;
      const TBorderLook look = MapBorder(b, side == rtf_side_Right || side == rtf_side_Bottom, k);
      l.Border.Style = look.Style;
      l.Border.Width = std::max(look.Width, 1);
      l.Border.InternalWidth = std::max(look.Internal, 1);
      l.Border.Color = b.Color;
      break;
    }
    l.Border.VisibleBorders.Left = p.Borders[rtf_side_Left].Present;
    l.Border.VisibleBorders.Top = p.Borders[rtf_side_Top].Present;
    l.Border.VisibleBorders.Right = p.Borders[rtf_side_Right].Present;
    l.Border.VisibleBorders.Bottom = p.Borders[rtf_side_Bottom].Present;
    l.Offsets.Left = px(p.Borders[rtf_side_Left].Space);
    l.Offsets.Top = px(p.Borders[rtf_side_Top].Space);
    l.Offsets.Right = px(p.Borders[rtf_side_Right].Space);
    l.Offsets.Bottom = px(p.Borders[rtf_side_Bottom].Space);
    l.Border.BorderOffsets = l.Offsets;
    const int32_t total = l.Border.TotalWidth();
    l.Left = std::max(l.Left, l.Offsets.Left + total - 1);
    l.Before = std::max(l.Before, l.Offsets.Top + total - 1);
    l.Right = std::max(l.Right, l.Offsets.Right + total - 1);
    l.After = std::max(l.After, l.Offsets.Bottom + total - 1);
  }
  return l;
}

TLTTabAlign TabAlign(uint8_t kind) { return kind == 2 ? lttaCenter : kind == 1 || kind == 3 ? lttaRight : lttaLeft; }

TLTString TabLeader(uint8_t leader) {
  switch (leader) {
    case 1: return u".";
    case 2: return u"\u00B7";
    case 3: return u"-";
    case 4: return u"_";
    case 5: return u"=";
    default: return {};
  }
}

constexpr TLTParaOptions kForbiddenParaOptions{ltpaoNoWrap, ltpaoReadOnly, ltpaoStyleProtect, ltpaoDoNotWantReturns};

}  // namespace

// ---- Text styles ---------------------------------------------------------------------------------

void TLTRTFImportRun::FillTextStyle(TFontInfo& f, bool unicode, bool hyperlink, TLTProtectOptions protection) const {
  const TLTRTFCharProperties& c = R.CharProps();
  const TLTRTFFont* font = R.CurrentFont();
  f.FontName = !c.FontNameOverride.empty() ? c.FontNameOverride : font ? font->Name : TLTString(u"Arial");
  if (f.FontName.empty()) f.FontName = u"Arial";
  int32_t charset = font ? font->Charset : 1;
  if (charset == 254 || charset == 77) charset = 0;
  if (c.FontNameOverride == u"Symbol" || c.FontNameOverride == u"Wingdings") charset = 2;
  if (unicode && S.UseCharsetForUnicode) charset = S.CharsetForUnicode;
  f.Charset = static_cast<TFontCharset>(std::clamp(charset, 0, 255));
  f.Size = c.SizePoints();
  f.Color = c.Color;
  f.BackColor = c.BackColor;
  f.Style = c.Style;
  f.StyleEx = {};
  if (c.Caps) f.StyleEx.Include(ltfsAllCaps);
  f.BiDiMode = ltbdUnspecified;
  f.CharScale = c.CharScale;
  f.CharSpacing = Px(c.Spacing);
  f.SubSuperScriptType = c.SubSuper;
  f.UnderlineType = c.UnderlineType;
  f.UnderlineColor = c.UnderlineColor;
  f.VShift = static_cast<int32_t>(std::lround(c.VShift * 50.0 / f.Size));
  f.Protection = protection;
  f.Unicode = unicode;
  f.Jump = hyperlink;
}

int32_t TLTRTFImportRun::TextStyleFor(bool unicode, bool hyperlink, bool noteRef) {
  if (S.TextStyleMode == ltrsUseSpecified || !Sheet) return S.TextStyleNo();
  const TLTRTFCharProperties& c = R.CharProps();
  std::string key;
  key.reserve(96);
  Key(key, static_cast<uint8_t>(unicode | (hyperlink << 1) | (noteRef << 2)));
  Key(key, c.FontIndex);
  Key(key, c.SizeHalfPoints);
  Key(key, c.Color);
  Key(key, c.BackColor);
  Key(key, c.Style);
  Key(key, c.Caps);
  Key(key, c.CharScale);
  Key(key, c.Spacing);
  Key(key, c.SubSuper);
  Key(key, c.VShift);
  Key(key, c.UnderlineType);
  Key(key, c.UnderlineColor);
  Key(key, c.RightToLeft);
  KeyText(key, c.FontNameOverride);
  if (const TLTRTFFont* f = R.CurrentFont()) KeyText(key, f->Name);
  if (auto it = textStyleCache_.find(key); it != textStyleCache_.end() && it->second < Sheet->TextStyles().Count())
    return it->second;
  const TLTProtectOptions protection = noteRef ? TLTProtectOptions{ltprDoNotAutoSwitch} : TLTProtectOptions{};
  const int32_t style = S.TextStyleMode == ltrsAddIfNeeded ? ExactTextStyle(unicode, hyperlink, protection)
                                                            : ClosestTextStyle(unicode, hyperlink, protection);
  textStyleCache_.emplace(std::move(key), style);
  return style;
}

int32_t TLTRTFImportRun::ClosestTextStyle(bool unicode, bool hyperlink, TLTProtectOptions protection) {
  TFontInfo want;
  FillTextStyle(want, unicode, hyperlink, protection);
  const TLTRTFCharProperties& c = R.CharProps();
  const std::u16string name = Lower(want.FontName);
  const TFontInfos& styles = Sheet->TextStyles();
  int64_t best = 0;
  int32_t bestNo = 0;
  for (int i = 0; i < styles.Count(); ++i) {
    const TFontInfo& s = styles[i];
    if (s.Unicode != unicode || !s.Options.Empty()) continue;
    if (hyperlink ? !s.Jump : (s.Jump && !S.UseHypertextStyles)) continue;
    int64_t score = 0;
    if (Lower(s.FontName) == name) score += 10000;
    if (s.Charset == want.Charset)
      score += 50000;
    else if (s.Charset == 1 || want.Charset == 1)
      score += 12500;
    score += ValueSimilarity(want.Size, s.Size, 10000);
    score += ColorSimilarity(s.Color, want.Color, 3333, 3000);
    score += ColorSimilarity(s.BackColor, want.BackColor, 10000, 50000);
    score += ColorSimilarity(s.UnderlineColor, want.UnderlineColor, 10000, 50000);
    if (s.StyleEx.Contains(ltfsAllCaps) == c.Caps) score += 50000;
    for (TFontStyle b : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
      if (s.Style.Contains(b) == want.Style.Contains(b)) score += 50000;
    if (s.Style.Contains(fsUnderline) && want.Style.Contains(fsUnderline) && s.UnderlineType != want.UnderlineType)
      score -= 25000;
    if (s.Style.Empty() == want.Style.Empty()) score += 50000;
    score += std::lround((1.0 - std::abs(s.CharScale - c.CharScale) / 100.0) * 300);
    score += ValueSimilarity(want.CharSpacing, s.CharSpacing, 10000);
    if (s.SubSuperScriptType == want.SubSuperScriptType) score += 50000;
    if (Sign(s.VShift) == Sign(c.VShift))
      score += ValueSimilarity(s.VShift, want.VShift, 50000);
    else
      score -= 50000;
    if (!s.StyleEx.Empty()) score /= 4;
    if (s.Protection == protection) score += 100000;
    if (score > best) {
      best = score;
      bestNo = i;
    }
  }
  return bestNo;
}

int32_t TLTRTFImportRun::ExactTextStyle(bool unicode, bool hyperlink, TLTProtectOptions protection) {
  TFontInfos& styles = Sheet->TextStyles();
  // Without fonts there is nothing to match but the look of style 0;
  // links still need a hypertext style.
  if (!hyperlink && R.Fonts().empty() && R.CharProps().FontNameOverride.empty() && styles.Count() > 0) return 0;
  TFontInfo want;
  FillTextStyle(want, unicode, hyperlink, protection);
  const std::u16string name = Lower(want.FontName);
  for (int i = 0; i < styles.Count(); ++i) {
    const TFontInfo& s = styles[i];
    if (!s.Options.Empty() || s.Unicode != unicode) continue;
    if (hyperlink ? !s.Jump : (s.Jump && !S.UseHypertextStyles)) continue;
    if (s.Size != want.Size || s.Color != want.Color || s.BackColor != want.BackColor || s.Style != want.Style ||
        s.BiDiMode != want.BiDiMode || s.Charset != want.Charset || s.CharScale != want.CharScale ||
        s.CharSpacing != want.CharSpacing || s.SubSuperScriptType != want.SubSuperScriptType ||
        s.StyleEx != want.StyleEx || s.UnderlineType != want.UnderlineType ||
        s.UnderlineColor != want.UnderlineColor || s.VShift != want.VShift || s.Protection != protection)
      continue;
    if (Lower(s.FontName) != name) continue;
    return i;
  }
  TFontInfo& added = styles.Add();
  FillTextStyle(added, unicode, hyperlink, protection);
  added.Standard = false;
  if (hyperlink) added.StyleName = u"Hyperlink";
  const int index = styles.Count() - 1;
  StyleAdded(styles, index);
  return index;
}

// ---- Paragraph styles ----------------------------------------------------------------------------

int32_t TLTRTFImportRun::ParaStyleFor(TLTRTFPosition pos) {
  if (pos != rtf_ts_NewPara) {
    // Lines and runs continue the paragraph of the item before them.
    const int at = Cur == &Target ? InsertIndex : Cur->ItemCount();
    if (at > 0 && at <= Cur->ItemCount()) return Cur->GetItem(at - 1).ParaNo;
    if (S.ParaStyleMode == ltrsUseSpecified) return S.ParaStyleNo();
  }
  if (S.ParaStyleMode == ltrsUseSpecified || !Sheet) return S.ParaStyleNo();
  const TLTRTFParaProperties& p = R.ParaProps();
  std::string key;
  key.reserve(128);
  Key(key, p.LeftIndent);
  Key(key, p.RightIndent);
  Key(key, p.FirstIndent);
  Key(key, p.SpaceBefore);
  Key(key, p.SpaceAfter);
  Key(key, p.LineSpacing);
  Key(key, p.LineMultiple);
  Key(key, p.Alignment);
  Key(key, p.RightToLeft);
  Key(key, p.ShadingColor);
  Key(key, p.PatternColor);
  Key(key, p.Shading);
  Key(key, p.Keep);
  Key(key, p.KeepNext);
  for (const TLTRTFBorderSide& b : p.Borders) {
    Key(key, b.Present);
    Key(key, b.Kind);
    Key(key, b.Width);
    Key(key, b.Color);
    Key(key, b.Space);
  }
  for (const TLTRTFTab& t : p.Tabs) {
    Key(key, t.Position);
    Key(key, t.Kind);
    Key(key, t.Leader);
  }
  if (auto it = paraStyleCache_.find(key); it != paraStyleCache_.end() && it->second < Sheet->ParaStyles().Count())
    return it->second;
  const int32_t style = S.ParaStyleMode == ltrsAddIfNeeded ? ExactParaStyle() : ClosestParaStyle();
  paraStyleCache_.emplace(std::move(key), style);
  return style;
}

void TLTRTFImportRun::FillParaStyle(TParaInfo& s) const {
  const TLTRTFParaProperties& p = R.ParaProps();
  const TParaLook l = MakeLook(p, K);
  s.LeftIndent = l.Left;
  s.RightIndent = l.Right;
  s.FirstIndent = l.First;
  s.SpaceBefore = l.Before;
  s.SpaceAfter = l.After;
  s.Alignment = l.Align;
  s.LineSpacingType = l.SpacingType;
  s.LineSpacing = l.Spacing;
  s.Background.Color = l.Back;
  s.Options.Set(ltpaoKeepLinesTogether, l.Keep);
  s.Options.Set(ltpaoKeepWithNext, l.KeepNext);
  // A right-to-left paragraph keeps its reading order; the others stay
  // unspecified, as the sheet's own styles are, so that they match them.
  s.BiDiMode = p.RightToLeft ? ltbdRightToLeft : ltbdUnspecified;
  if (l.HasBorder) {
    AssignPublished(s.Border, l.Border);
    s.Background.BorderOffsets = l.Offsets;
  }
  s.Tabs.Clear();
  if (!Sheet || Sheet->SpacesInTab <= 0)
    for (const TLTRTFTab& t : p.Tabs) s.Tabs.Add(Px(t.Position), TabAlign(t.Kind), TabLeader(t.Leader));
}

int32_t TLTRTFImportRun::ClosestParaStyle() {
  const TLTRTFParaProperties& p = R.ParaProps();
  const TParaLook l = MakeLook(p, K);
  const TParaInfos& styles = Sheet->ParaStyles();
  const bool mult = p.LineMultiple;
  const int64_t h = mult ? p.LineSpacing * 100 / 240 : Px(p.LineSpacing);
  int64_t best = 0;
  int32_t bestNo = 0;
  for (int i = 0; i < styles.Count(); ++i) {
    const TParaInfo& s = styles[i];
    int64_t score = 0;
    if (s.Alignment == l.Align) score += 50000;
    if (s.BiDiMode == (p.RightToLeft ? ltbdRightToLeft : ltbdUnspecified)) score += 10000;
    if (!(s.Options & kForbiddenParaOptions).Empty()) score -= 100000;
    const int64_t w = s.Border.Style == ltbNone ? 0 : s.Border.TotalWidth();
    score += ValueSimilarity(Px(p.LeftIndent) + w, s.LeftIndent, 1000);
    score += ValueSimilarity(Px(p.RightIndent) + w, s.RightIndent, 1000);
    score += ValueSimilarity(l.First, s.FirstIndent, 1000);
    score += ValueSimilarity(Px(p.SpaceBefore) + w, s.SpaceBefore, 1000);
    score += ValueSimilarity(Px(p.SpaceAfter) + w, s.SpaceAfter, 1000);
    score += ColorSimilarity(s.Background.Color, l.Back, 10000, 50000);
    if (s.Options.Contains(ltpaoKeepLinesTogether) == p.Keep) score += 500;
    if (s.Options.Contains(ltpaoKeepWithNext) == p.KeepNext) score += 500;
    switch (s.LineSpacingType) {
      case ltlsSpaceBetween: score -= 20000; break;
      case ltlsLineHeightExact:
        score += mult ? -20000 : h <= 0 ? ValueSimilarity(-h, s.LineSpacing, 5000) : -15000;
        break;
      case ltlsPercent:
        score += mult ? ValueSimilarity(h, s.LineSpacing, 5000) : -20000;
        break;
      case ltlsLineHeightAtLeast:
        score += mult ? -20000 : h < 0 ? -15000 : ValueSimilarity(h, s.LineSpacing, 5000);
        break;
    }
    if (l.HasBorder) {
      const TLTRTFBorderSide* sides = p.Borders;
      const bool visible[4] = {s.Border.VisibleBorders.Left, s.Border.VisibleBorders.Top,
                               s.Border.VisibleBorders.Right, s.Border.VisibleBorders.Bottom};
      for (int side = 0; side < 4; ++side) {
        if (!sides[side].Present) {
          if (!visible[side] || s.Border.Style == ltbNone) score += 20000;
          continue;
        }
        if (!visible[side] || s.Border.Style == ltbNone) continue;
        const TBorderLook look = MapBorder(sides[side], side >= 2, K);
        score += ValueSimilarity(look.Width, s.Border.Width, 1000) +
                 ValueSimilarity(look.Internal, s.Border.InternalWidth, 1000) +
                 ColorSimilarity(s.Border.Color, sides[side].Color, 3333, 3000) +
                 (look.Style == s.Border.Style ? 6000 : 5000);
      }
    } else if (s.Border.Style == ltbNone) {
      score += 20000;
    }
    if (score > best) {
      best = score;
      bestNo = i;
    }
  }
  return bestNo;
}

int32_t TLTRTFImportRun::ExactParaStyle() {
  TParaInfos& styles = Sheet->ParaStyles();
  TParaInfo want;
  FillParaStyle(want);
  const bool hasBorder = R.ParaProps().HasBorders();
  const bool compareTabs = Sheet->SpacesInTab <= 0;
  for (int i = 0; i < styles.Count(); ++i) {
    const TParaInfo& s = styles[i];
    if (!(s.Options & kForbiddenParaOptions).Empty()) continue;
    if (s.Alignment != want.Alignment || s.LeftIndent != want.LeftIndent || s.RightIndent != want.RightIndent ||
        s.FirstIndent != want.FirstIndent || s.SpaceBefore != want.SpaceBefore || s.SpaceAfter != want.SpaceAfter ||
        s.Background.Color != want.Background.Color || s.BiDiMode != want.BiDiMode ||
        s.Options.Contains(ltpaoKeepLinesTogether) != want.Options.Contains(ltpaoKeepLinesTogether) ||
        s.Options.Contains(ltpaoKeepWithNext) != want.Options.Contains(ltpaoKeepWithNext) ||
        s.LineSpacingType != want.LineSpacingType || s.LineSpacing != want.LineSpacing)
      continue;
    if (compareTabs && !(s.Tabs == want.Tabs)) continue;
    if (!hasBorder) {
      if (s.Border.Style != ltbNone) continue;
    } else {
      if (s.Border.Style != want.Border.Style || s.Border.Width != want.Border.Width ||
          s.Border.Color != want.Border.Color ||
          (s.Border.Style != ltbSingle && s.Border.InternalWidth != want.Border.InternalWidth) ||
          !(s.Border.VisibleBorders == want.Border.VisibleBorders) ||
          !(s.Border.BorderOffsets == want.Border.BorderOffsets) ||
          !(s.Background.BorderOffsets == want.Background.BorderOffsets))
        continue;
    }
    return i;
  }
  TParaInfo& added = styles.Add();
  FillParaStyle(added);
  added.Standard = false;
  const int index = styles.Count() - 1;
  StyleAdded(styles, index);
  return index;
}

int32_t TLTRTFImportRun::TableParaStyle(int align) {
  if (S.ParaStyleMode == ltrsUseSpecified) return S.ParaStyleNo();
  if (S.ParaStyleMode == ltrsUseClosest || !Sheet || Sheet->ParaStyles().Count() == 0) return 0;
  if (align == 0 && tableParaLeft_ >= 0 && tableParaLeft_ < Sheet->ParaStyles().Count()) return tableParaLeft_;
  TParaInfos& styles = Sheet->ParaStyles();
  const TLTAlignment a = align == 1 ? ltaRight : align == 2 ? ltaCenter : ltaLeft;
  const TParaInfo& zero = styles[0];
  int32_t result = 0;
  if (!(zero.LeftIndent == 0 && zero.RightIndent == 0 && zero.FirstIndent == 0 && zero.Alignment == a)) {
    TParaInfo probe;
    probe.Assign(zero);
    probe.LeftIndent = probe.RightIndent = probe.FirstIndent = 0;
    probe.Alignment = a;
    result = -1;
    for (int i = 0; i < styles.Count() && result < 0; ++i)
      if (styles[i].SameAs(probe, false)) result = i;
    if (result < 0) {
      TParaInfo& added = styles.Add();
      added.Assign(probe);
      added.Standard = false;
      result = styles.Count() - 1;
      StyleAdded(styles, result);
    }
  }
  if (align == 0) tableParaLeft_ = result;
  return result;
}

}  // namespace lectern
