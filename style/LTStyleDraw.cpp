// The style sheet as a painter: putting text styles on a canvas, drawing
// styled runs with their underlines and marks, paragraph borders and
// backgrounds, tab stops and the checkpoint and page-break marks.

#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace lectern {

TLTSpecialCharacters ShownSpecialCharacters{ltscSpace, ltscNBSP, ltscSoftHyphen, ltscParagraph};

namespace {

constexpr int32_t kMaxStyleLength = 1000000;
// Point sizes beyond this make fonts no device can render, and heights
// that overflow later arithmetic.
constexpr int32_t kMaxFontSize = 4000;
constexpr TColor kWhite = MakeColor(0xFFFFFF);
constexpr TColor kBlack = MakeColor(0);

int ScaleLength(int v, int to, int from) {
  const int64_t c = ClampStyleLength(v);
  if (from <= 0 || to <= 0 || from == to) return static_cast<int>(c);
  // Half away from zero, as MulDiv rounds, without its overflow sentinel.
  const int64_t p = c * to;
  const int64_t q = (p >= 0 ? p + from / 2 : p - from / 2) / from;
  return static_cast<int>(std::clamp<int64_t>(q, -INT32_MAX, INT32_MAX));
}

int PointsToPixels(int32_t points, int ppi) {
  const int64_t size = std::clamp(points, 1, kMaxFontSize);
  const int64_t p = size * std::max(ppi, 1);
  return static_cast<int>((p + 36) / 72);
}

const TLTStyle* SheetOf(const TCustomLTFontInfo& f) {
  const TCustomLTInfos* c = f.Collection();
  return c ? c->Owner() : nullptr;
}

TColor OrElse(TColor c, TColor fallback) { return c == clNone ? fallback : c; }

}  // namespace

TColor OutputColor(TColor c, TLTOutputColorMode mode) {
  switch (mode) {
    case ltocResolved:
      return ResolveSystemColor(c);
    case ltocGray:
      return ColorToGray(ResolveSystemColor(c));
    case ltocTwoTone:
    case ltocBlackText:
      return c == clNone ? clNone : kBlack;
    case ltocAsIs:
      break;
  }
  return c;
}

TLTCanvasFont MarkerCanvasFont(const TLTListLevel& level, int sheetPixelsPerInch, const TLTDeviceScale& scale) {
  TLTCanvasFont f;
  static_cast<TLTFont&>(f) = level.Font() ? level.Font()->Font : TLTMarkerFont().Font;
  const int size = f.Size();
  if (sheetPixelsPerInch != 0 && size > 0)
    f.Height = -std::max(1, MulDiv(std::min(size, kMaxFontSize), sheetPixelsPerInch, 72));
  else
    f.Height = scale.Y(f.Height);
  f.Width = 0;
  return f;
}

namespace {

/// Fills [x1, x2) x [y, y + h) in a colour without touching the caller's brush.
void Band(TLTCanvas& canvas, int x1, int x2, int y, int h, TColor color) {
  if (x2 <= x1 || h <= 0) return;
  TLTCanvasSaver keep(canvas);
  canvas.SetBrush({color, bsSolid});
  canvas.FillRect({x1, y, x2, y + h});
}

}  // namespace

// ---- Colours and lengths -------------------------------------------------------------

TColor ResolveSystemColor(TColor color) {
  if (color == clScrollBar || color == clBtnFace) return MakeColor(0xC0C0C0);
  if (color == clWindow || color == clBtnHighlight) return kWhite;
  if (color == clWindowText) return kBlack;
  if (color == clBtnShadow) return MakeColor(0x808080);
  return color;
}

int ColorLuminance(TColor rgb) {
  const uint32_t v = static_cast<uint32_t>(ColorToRGB(rgb));
  const int r = static_cast<int>(v & 0xFF);
  const int g = static_cast<int>((v >> 8) & 0xFF);
  const int b = static_cast<int>((v >> 16) & 0xFF);
  // Integer weights keep the result exact: 0.3 R + 0.59 G + 0.11 B.
  return static_cast<int>(std::min<int64_t>(DivRoundHalfEven(30 * r + 59 * g + 11 * b, 100), 255));
}

TColor ColorToGray(TColor color) {
  if (color == clNone) return clNone;
  return MakeColor(static_cast<uint32_t>(ColorLuminance(color)) * 0x010101u);
}

int32_t ClampStyleLength(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kMaxStyleLength, kMaxStyleLength));
}

int TLTDeviceScale::X(int v) const { return ScaleLength(v, DevicePPIX, ScreenPPIX); }
int TLTDeviceScale::Y(int v) const { return ScaleLength(v, DevicePPIY, ScreenPPIY); }

// ---- Text styles on a canvas -------------------------------------------------------------

int TCustomLTFontInfo::EffectiveCharScale() const { return std::clamp(CharScale, 1, 1000); }

int TCustomLTFontInfo::ScriptHeight(TLTCanvas& canvas) const {
  const TLTTextMetrics tm = canvas.TextMetrics();
  TLTOutlineMetrics om;
  if (canvas.OutlineMetrics(om)) {
    const int v = SubSuperScriptType == ltsssSubscript ? om.SubscriptSizeY : om.SuperscriptSizeY;
    return std::max(std::abs(v), tm.Height / 3);
  }
  return std::abs(RoundHalfEven(canvas.Font().Height * 2.0 / 3.0));
}

void TCustomLTFontInfo::ApplyToCanvas(TLTCanvas& canvas, TLTBiDiMode defBiDiMode, bool ignoreSubSuperScript,
                                      int explicitHeight, bool useSheetResolution) const {
  int resolution = 0;
  if (useSheetResolution) {
    if (const auto* infos = dynamic_cast<const TFontInfos*>(Collection())) resolution = infos->PixelsPerInch;
  }
  const int ppi = resolution > 0 ? resolution : canvas.PixelsPerInchY();
  const int scale = EffectiveCharScale();
  const bool script = !ignoreSubSuperScript && SubSuperScriptType != ltsssNormal;

  TLTCanvasFont font = canvas.Font();
  font.Style = Style;
  // A scaled font has no native underline: a stretched face would draw it
  // at the stretched face's own place, so the underline is always drawn.
  if (scale != 100) font.Style.Exclude(fsUnderline);
  font.Height = -PointsToPixels(Size, ppi);
  if (!SameTextFold(font.Name, FontName)) font.Name = FontName;
  font.Charset = Charset;
  font.Width = 0;
  canvas.SetFont(font);
  if (script) {
    const int h = explicitHeight != 0 ? std::abs(explicitHeight) : ScriptHeight(canvas);
    font.Height = -std::clamp(h, 1, kMaxStyleLength);
    canvas.SetFont(font);
  }
  if (scale != 100) {
    const TLTTextMetrics tm = canvas.TextMetrics();
    int average = tm.AveCharWidth;
    if (average <= 0) average = canvas.TextWidth(u"x");
    font.Width = static_cast<int32_t>(std::max<int64_t>(1, static_cast<int64_t>(average) * scale / 100));
    canvas.SetFont(font);
  }

  const TLTBiDiMode dir = BiDiMode != ltbdUnspecified ? BiDiMode : defBiDiMode;
  switch (dir) {
    case ltbdLeftToRight:
      canvas.SetCharacterExtra(0);
      canvas.SetReadingOrder(TLTReadingOrder::LeftToRight);
      break;
    case ltbdRightToLeft:
      canvas.SetCharacterExtra(0);
      canvas.SetReadingOrder(TLTReadingOrder::RightToLeft);
      break;
    case ltbdUnspecified:
      // Scaled to the device so that a printout spaces like the screen;
      // the canvas adds it alike when measuring and when drawing.
      canvas.SetCharacterExtra(ScaleLength(CharSpacing, canvas.PixelsPerInchX(), LTScreenPixelsPerInch));
      canvas.SetReadingOrder(TLTReadingOrder::LeftToRight);
      break;
  }
}

void TCustomLTFontInfo::ApplyColorToCanvas(TLTCanvas& canvas, TLTTextDrawState state, bool printing,
                                           TLTOutputColorMode mode) const {
  const TLTStyle* sheet = SheetOf(*this);
  if (state.Contains(lttsHover) && HoverEffects.Contains(ltheUnderline)) {
    TFontStyles st = canvas.Font().Style;
    canvas.SetFontStyle(st.Include(fsUnderline));
  }
  TColor text = Color;
  TColor back = BackColor;
  if (state.Contains(lttsSelected)) {
    const bool focused = state.Contains(lttsControlFocused);
    back = sheet ? (focused ? sheet->SelColor : sheet->InactiveSelColor) : clHighlight;
    text = OrElse(sheet ? (focused ? sheet->SelTextColor : sheet->InactiveSelTextColor) : clHighlightText, Color);
  } else if (state.Contains(lttsHover)) {
    text = OrElse(OrElse(HoverColor, sheet ? sheet->HoverColor : clNone), Color);
    back = HoverBackColor;
  } else if (printing) {
    switch (mode) {
      case ltocAsIs:
        break;
      case ltocResolved:
        text = ResolveSystemColor(text);
        back = ResolveSystemColor(back);
        break;
      case ltocGray:
        text = ColorToGray(ResolveSystemColor(text));
        back = ColorToGray(ResolveSystemColor(back));
        break;
      case ltocTwoTone: {
        const TColor t = ResolveSystemColor(text);
        if (back == clNone) {
          text = ColorToRGB(t) == kWhite ? kWhite : kBlack;
        } else {
          const bool textDarker = ColorLuminance(t) <= ColorLuminance(ResolveSystemColor(back));
          text = textDarker ? kBlack : kWhite;
          back = textDarker ? kWhite : kBlack;
        }
        break;
      }
      case ltocBlackText:
        text = kBlack;
        back = clNone;
        break;
    }
  }
  canvas.SetFontColor(text);
  canvas.SetBrush({back, back == clNone ? bsClear : bsSolid});
}

// ---- Styled runs -------------------------------------------------------------------------

namespace {

struct TUnderlineGeometry {
  int Y = 0;  // centre
  int T = 1;  // thickness
};

TUnderlineGeometry UnderlineGeometry(TLTCanvas& canvas, const TLTStyleTextRun& run, int32_t size) {
  TUnderlineGeometry g;
  TLTOutlineMetrics om;
  if (canvas.OutlineMetrics(om)) {
    g.T = std::max(1, om.UnderscoreSize);
    g.Y = run.Top + canvas.TextMetrics().Ascent - om.UnderscorePosition + g.T / 2;
  } else {
    g.T = size <= 22 ? 1 : (std::min(size, kMaxFontSize) - 23) / 15 + 2;
    g.Y = run.Top + run.Height - g.T / 2;
  }
  return g;
}

bool IsThick(TLTUnderlineType t) {
  switch (t) {
    case ltutThick:
    case ltutThickDotted:
    case ltutThickDashed:
    case ltutThickLongDashed:
    case ltutThickDashDotted:
    case ltutThickDashDotDotted:
      return true;
    default:
      return false;
  }
}

/// One repeating element of a pattern: a mark of Width pixels at Offset
/// from the start of the period.
struct TSegment {
  int Offset;
  int Width;
};

int Part(int unit, int num, int den) { return std::max(1, RoundHalfEven(static_cast<double>(unit) * num / den)); }

}  // namespace

void TCustomLTFontInfo::DrawUnderline(TLTCanvas& canvas, const TLTStyleTextRun& run, int from, int to, TColor color,
                                      TLTUnderlineType type) const {
  if (to <= from) return;
  TUnderlineGeometry g = UnderlineGeometry(canvas, run, Size);
  if (IsThick(type)) g.T *= 2;
  const int t = g.T;
  auto solid = [&](int y, int h) { Band(canvas, from, to, y - h / 2, h, color); };

  int base = 0;
  switch (type) {
    case ltutNormal:
    case ltutThick:
      solid(g.Y, t);
      return;
    case ltutDouble: {
      const int h = std::max(1, RoundHalfEven(t / 2.0));
      solid(g.Y - t, h);
      solid(g.Y + t, h);
      return;
    }
    case ltutDotted:
    case ltutThickDotted:
      base = 4;
      break;
    case ltutDashed:
    case ltutThickDashed:
      base = 12;
      break;
    case ltutLongDashed:
    case ltutThickLongDashed:
      base = 24;
      break;
    case ltutDashDotted:
    case ltutThickDashDotted:
      base = 14;
      break;
    case ltutDashDotDotted:
    case ltutThickDashDotDotted:
      base = 16;
      break;
  }

  // The unit is given at 96 dpi; every period and mark is at least a pixel
  // so that no pattern loop can stand still.
  const int ppi = canvas.PixelsPerInchX();
  const int u = ppi > 0 ? std::max(1, MulDiv(base, ppi, LTScreenPixelsPerInch)) : 0;
  std::vector<TSegment> segs;
  int period = 0;
  switch (base) {
    case 4:
      if (u)
        segs = {{0, Part(u, 1, 2)}}, period = u;
      else
        segs = {{0, t}}, period = 2 * t;
      break;
    case 12:
    case 24:
      if (u)
        segs = {{0, Part(u, 2, 3)}}, period = u;
      else
        segs = {{0, 2 * t}}, period = 3 * t;
      break;
    case 14:
      if (u) {
        const int dot = Part(u, 5, 7);
        segs = {{0, Part(u, 4, 7)}, {dot, Part(u, 1, 7)}};
        period = dot + Part(u, 2, 7);
      } else {
        segs = {{0, 2 * t}, {3 * t, t}};
        period = 6 * t;
      }
      break;
    case 16:
      if (u) {
        const int dot1 = Part(u, 1, 2);
        const int dot2 = dot1 + Part(u, 1, 4);
        segs = {{0, Part(u, 3, 8)}, {dot1, Part(u, 1, 8)}, {dot2, Part(u, 1, 8)}};
        period = dot2 + Part(u, 1, 4);
      } else {
        segs = {{0, 2 * t}, {3 * t, t}, {5 * t, t}};
        period = 7 * t;
      }
      break;
    default:
      return;
  }
  period = std::max(period, 1);
  const int top = g.Y - t / 2;
  for (int64_t x = from; x < to; x += period) {
    for (const TSegment& s : segs) {
      const int64_t a = x + s.Offset;
      if (a >= to) break;
      const int64_t b = std::min<int64_t>(a + std::max(s.Width, 1), to);
      Band(canvas, static_cast<int>(a), static_cast<int>(b), top, t, color);
    }
  }
}

namespace {

/// The mark shown over a special character, or nothing.
std::u16string_view SpecialMark(char16_t c) {
  if (c == u' ' && ShownSpecialCharacters.Contains(ltscSpace)) return u"\u00B7";
  if (c == u'\u00A0' && ShownSpecialCharacters.Contains(ltscNBSP)) return u"\u00B0";
  return {};
}

/// Centres each special character's mark in its cell; ends[i] is where the
/// cell of unit i ends, from the text's start.
void DrawSpecialMarks(TLTCanvas& canvas, const TLTStyleTextRun& run, const std::vector<int>& ends) {
  const TLTBrush brush = canvas.Brush();
  canvas.SetBrushStyle(bsClear);
  for (size_t i = 0; i < run.Text.size() && i < ends.size(); ++i) {
    const std::u16string_view mark = SpecialMark(run.Text[i]);
    if (mark.empty()) continue;
    const int x0 = i == 0 ? 0 : ends[i - 1];
    const int w = ends[i] - x0;
    canvas.TextOut(run.Left + run.SpaceBefore + x0 + RoundHalfEven((w - canvas.TextWidth(mark)) / 2.0), run.Top, mark);
  }
  canvas.SetBrush(brush);
}

}  // namespace

bool TCustomLTFontInfo::DrawWithAdvances(TLTCanvas& canvas, const TLTStyleTextRun& run) const {
  const std::u16string_view s = run.Text;
  const int n16 = static_cast<int>(s.size());
  if (n16 == 0 || TLTCanvas::NextClusterBoundary(s, 0) >= n16) return false;  // one character or none
  std::vector<int> ext;
  canvas.PartialExtents(s, ext);
  if (static_cast<int>(ext.size()) != n16) return false;

  // Advances sit on the last unit of each character; the rest are 0.
  std::vector<int> adv(static_cast<size_t>(n16), 0);
  std::vector<int> ends;
  for (int i = 0; i < n16;) {
    const int next = std::max(TLTCanvas::NextClusterBoundary(s, i), i + 1);
    ends.push_back(next - 1);
    i = next;
  }
  int prev = 0;
  for (int e : ends) {
    adv[static_cast<size_t>(e)] = ext[static_cast<size_t>(e)] - prev;
    prev = ext[static_cast<size_t>(e)];
  }
  const int n = static_cast<int>(ends.size());

  if (run.FitToWidth) {
    int64_t d = static_cast<int64_t>(run.Width) - run.SpaceBefore - ext.back();
    if (d == 0) return false;
    if (std::llabs(d) >= n) {
      const int64_t each = d / n;
      for (int e : ends) adv[static_cast<size_t>(e)] += static_cast<int>(each);
      d %= n;
    }
    const int sign = d < 0 ? -1 : 1;
    int64_t left = std::llabs(d);
    for (int64_t idx = 0; idx < n && left > 0;) {
      idx += (n - idx - 1) / (left + 1);
      adv[static_cast<size_t>(ends[static_cast<size_t>(idx)])] += sign;
      --left;
    }
    for (int& a : adv) a = std::max(a, 0);
  }
  const int extra = canvas.CharacterExtra();
  canvas.SetCharacterExtra(0);  // the measured advances hold it already
  canvas.TextOutAdvances(run.Left + run.SpaceBefore, run.Top, s, adv);
  canvas.SetCharacterExtra(extra);

  if (run.State.Contains(lttsSpecialCharacters)) {
    std::vector<int> cellEnds(adv.size());
    std::partial_sum(adv.begin(), adv.end(), cellEnds.begin());
    DrawSpecialMarks(canvas, run, cellEnds);
  }
  return true;
}

void TCustomLTFontInfo::DrawStyledText(TLTCanvas& canvas, const TLTStyleTextRun& run) const {
  const TLTCanvasFont original = canvas.Font();
  const TColor textColor = original.Color;
  const bool selected = run.State.Contains(lttsSelected);
  TColor ulColor = textColor;
  if (!selected) {
    if (run.State.Contains(lttsHover) && HoverUnderlineColor != clNone)
      ulColor = HoverUnderlineColor;
    else if (UnderlineColor != clNone)
      ulColor = UnderlineColor;
  }
  const bool scaled = EffectiveCharScale() != 100;
  const bool custom =
      scaled ? Style.Contains(fsUnderline)
             : original.Style.Contains(fsUnderline) && (UnderlineType != ltutNormal || ulColor != textColor);
  if (custom && !scaled) {
    TFontStyles st = original.Style;
    canvas.SetFontStyle(st.Exclude(fsUnderline));
  }

  const TLTBiDiMode dir = BiDiMode != ltbdUnspecified ? BiDiMode : run.DefBiDiMode;
  const bool printingPath = run.Printing && (dir == ltbdUnspecified || run.DrawBackground);
  bool drawn = false;
  bool marksDrawn = false;
  if (printingPath) {
    if (canvas.Brush().Style != bsClear) {
      canvas.FillRect({run.Left, run.Top, run.Left + run.Width, run.Top + run.Height});
      canvas.SetBrushStyle(bsClear);
    }
    if (run.FitToWidth || canvas.CharacterExtra() != 0) drawn = marksDrawn = DrawWithAdvances(canvas, run);
  }
  if (!drawn) canvas.TextOut(run.Left + run.SpaceBefore, run.Top, run.Text);

  if (!marksDrawn && run.State.Contains(lttsSpecialCharacters) &&
      std::any_of(run.Text.begin(), run.Text.end(), [](char16_t c) { return !SpecialMark(c).empty(); })) {
    std::vector<int> ext;
    canvas.PartialExtents(run.Text, ext);
    if (ext.size() == run.Text.size()) DrawSpecialMarks(canvas, run, ext);
  }

  if (run.SpaceBefore > 0 && (!printingPath || run.DrawBackground)) {
    if (selected && run.Text.empty()) {
      TLTTextDrawState st = run.State;
      ApplyColorToCanvas(canvas, st.Exclude(lttsSelected), run.Printing, run.ColorMode);
    }
    if (canvas.Brush().Style != bsClear)
      canvas.FillRect({run.Left, run.Top, run.Left + run.SpaceBefore, run.Top + run.Height});
  }
  canvas.SetBrushStyle(bsClear);

  if (custom) {
    DrawUnderline(canvas, run, run.Left, run.Left + run.Width, ulColor, UnderlineType);
  } else if (canvas.Font().Style.Contains(fsUnderline) && run.SpaceBefore > 0) {
    DrawUnderline(canvas, run, run.Left, run.Left + run.SpaceBefore, textColor, ltutNormal);
  }
  if (StyleEx.Contains(ltfsOverline)) {
    // Kept inside the run's box: a mark above it would survive the repaint
    // of the run alone.
    TUnderlineGeometry g = UnderlineGeometry(canvas, run, Size);
    Band(canvas, run.Left, run.Left + run.Width, run.Top, g.T, textColor);
  }
  if (custom && !scaled) canvas.SetFont(original);
}

// ---- Borders and backgrounds -----------------------------------------------------------

void TLTBorder::Draw(TLTCanvas& canvas, TLTRectI r, TLTOutputColorMode mode, const TLTDeviceScale& scale) const {
  if (Style == ltbNone || Color == clNone) return;
  r.Left -= scale.X(BorderOffsets.Left);
  r.Top -= scale.Y(BorderOffsets.Top);
  r.Right += scale.X(BorderOffsets.Right);
  r.Bottom += scale.Y(BorderOffsets.Bottom);
  TLTCanvasSaver keep(canvas);
  TLTPen pen{OutputColor(Color, mode), 1, psInsideFrame};
  const int lines = Style == ltbSingle ? 1 : Style == ltbTriple ? 3 : 2;
  const int w = std::clamp(scale.X(std::clamp(Width, 0, 1000)), 1, 1000);
  const int gap = std::max(0, scale.X(std::clamp(InternalWidth, 0, 1000)));
  for (int n = lines; n >= 1; --n) {
    const bool thick = (n == 1 && Style == ltbThickOutside) || (n == 2 && Style == ltbThickInside);
    pen.Width = thick ? 2 * w : w;
    canvas.SetPen(pen);
    auto side = [&](int x1, int y1, int x2, int y2) {
      canvas.Line(x1, y1, x2, y2);
      canvas.Line(x2, y2, x1, y1);
    };
    if (VisibleBorders.Top) side(r.Left, r.Top, r.Right, r.Top);
    if (VisibleBorders.Right) side(r.Right, r.Top, r.Right, r.Bottom);
    if (VisibleBorders.Bottom) side(r.Right, r.Bottom, r.Left, r.Bottom);
    if (VisibleBorders.Left) side(r.Left, r.Bottom, r.Left, r.Top);
    const int grow = 1 + gap;
    r = {r.Left - grow, r.Top - grow, r.Right + grow, r.Bottom + grow};
    if (Width == 1 && Style == ltbThickOutside) r.Right += 1, r.Bottom += 1;
    if (Width == 1 && Style == ltbThickInside) r.Left -= 1, r.Top -= 1;
  }
}

TLTRectI TLTBackgroundRect::Grow(const TLTRectI& r, const TLTDeviceScale& scale) const {
  return {r.Left - scale.X(BorderOffsets.Left), r.Top - scale.Y(BorderOffsets.Top),
          r.Right + scale.X(BorderOffsets.Right), r.Bottom + scale.Y(BorderOffsets.Bottom)};
}

void TLTBackgroundRect::Draw(TLTCanvas& canvas, const TLTRectI& r, TLTOutputColorMode mode) const {
  if (Color == clNone || mode == ltocTwoTone || mode == ltocBlackText) return;
  canvas.SetBrush({OutputColor(Color, mode), bsSolid});
  canvas.FillRect({r.Left, r.Top, r.Right + 1, r.Bottom + 1});
  canvas.SetBrushStyle(bsClear);
}

// ---- The sheet's drawing operations ---------------------------------------------------------

void TLTStyle::ApplyTextStyle(TLTCanvas& canvas, int styleNo, TLTBiDiMode defBiDiMode, bool ignoreSubSuperScript,
                              int explicitHeight, bool useSheetResolution) {
  bool doDefault = true;
  if (OnApplyStyle) OnApplyStyle(*this, canvas, styleNo, doDefault);
  if (!doDefault) return;
  TextStyles()[styleNo].ApplyToCanvas(canvas, defBiDiMode, ignoreSubSuperScript, explicitHeight, useSheetResolution);
  if (OnAfterApplyStyle) OnAfterApplyStyle(*this, canvas, styleNo);
}

void TLTStyle::ApplyTextStyleColor(TLTCanvas& canvas, int styleNo, TLTTextDrawState state, bool printing,
                                   TLTOutputColorMode mode) {
  bool doDefault = true;
  if (OnApplyStyleColor) OnApplyStyleColor(*this, canvas, styleNo, state, doDefault);
  if (doDefault) TextStyles()[styleNo].ApplyColorToCanvas(canvas, state, printing, mode);
}

void TLTStyle::PaintStyleText(TLTCanvas& canvas, int styleNo, const TLTStyleTextRun& run) {
  bool doDefault = true;
  if (OnDrawStyleText) OnDrawStyleText(*this, canvas, styleNo, run, doDefault);
  if (doDefault) TextStyles()[styleNo].DrawStyledText(canvas, run);
}

void TLTStyle::PaintTextBack(TLTCanvas& canvas, int styleNo, const TLTRectI& r, TLTTextDrawState state) {
  bool doDefault = true;
  if (OnDrawTextBack) OnDrawTextBack(*this, canvas, styleNo, r, state, doDefault);
}

void TLTStyle::PaintCheckpoint(TLTCanvas& canvas, int x, int y, int itemNo, int xShift, bool raiseEvent, int width,
                               const TCustomLTData* document) {
  bool doDefault = true;
  if (OnDrawCheckpoint) OnDrawCheckpoint(*this, canvas, x, y, itemNo, xShift, raiseEvent, document, doDefault);
  if (!doDefault) return;
  const TColor color = raiseEvent ? CheckpointEvColor : CheckpointColor;
  canvas.SetPen({color, 1, psSolid});
  if (itemNo != -1) {
    canvas.SetBrush({color, bsSolid});
    canvas.Ellipse({x - 2, y - 2, x + 2, y + 2});
  }
  canvas.SetBrushStyle(bsClear);
  canvas.SetPen({color, 1, psDot});
  canvas.Line(-xShift, y, width - xShift, y);
  canvas.SetPen({color, 1, psSolid});
}

void TLTStyle::PaintPageBreak(TLTCanvas& canvas, int y, int xShift, TLTPageBreakType type, int width,
                              const TCustomLTData* document) {
  bool doDefault = true;
  if (OnDrawPageBreak) OnDrawPageBreak(*this, canvas, y, xShift, type, document, doDefault);
  if (!doDefault) return;
  canvas.SetPen({type == ltpbPageBreak ? PageBreakColor : SoftPageBreakColor, 1, psSolid});
  canvas.SetBrush({clWindow, bsSolid});
  const int end = width - xShift;
  canvas.Line(-xShift, y, end - 8, y);
  canvas.Polygon({{end - 8, y}, {end, y + 8}, {end - 8, y + 8}});
  canvas.SetBrushStyle(bsClear);
}

void TLTStyle::PaintParaBack(TLTCanvas& canvas, int paraNo, const TLTRectI& r, TLTOutputColorMode mode,
                             const TLTDeviceScale& scale) {
  bool doDefault = true;
  if (OnDrawParaBack) OnDrawParaBack(*this, canvas, paraNo, r, doDefault);
  if (!doDefault) return;
  const TLTBackgroundRect& back = ParaStyles()[paraNo].Background;
  back.Draw(canvas, back.Grow(r, scale), mode);
}

TLTStyle::TTabStop TLTStyle::FindNextTabStop(int paraNo, int x, int leftMargin, int indentStop, int mirrorIndent,
                                             TLTBiDiMode direction, const TLTDeviceScale& scale) const {
  const TParaInfo& para = ParaStyles()[paraNo];
  const TLTBiDiMode dir = direction != ltbdUnspecified ? direction : para.BiDiMode;
  const bool rtl = dir == ltbdRightToLeft;
  int64_t rel = static_cast<int64_t>(x) - leftMargin;
  const int64_t i = indentStop, j = mirrorIndent;
  int64_t f = j;
  if (rtl) {
    rel += i - j;
    f = i;
  }
  TTabStop res;
  bool found = false;
  const int count = para.Tabs.Count();
  for (int k = 0; k < count && !found; ++k) {
    const TLTTabInfo& tab = para.Tabs[k];
    const int64_t p = scale.X(tab.Position());
    if (rel < f && f < p) {
      res.Position = static_cast<int>(f);
      found = true;
    } else if (rel < p) {
      res.Position = static_cast<int>(p);
      res.Align = tab.Align;
      res.Leader = tab.Leader;
      found = true;
    }
  }
  if (!found) {
    const bool lastBeyond = count > 0 && scale.X(para.Tabs[count - 1].Position()) >= f;
    if (rel >= f || lastBeyond) {
      const int64_t w = std::max(1, scale.X(DefTabWidth <= 0 ? 1 : DefTabWidth));
      res.Position = static_cast<int>(ClampStyleLength(w * ((rel + w) / w)));
    } else {
      res.Position = static_cast<int>(f);
    }
  }
  int64_t pos = res.Position;
  if (rtl) pos = j + pos - i;
  res.Position = static_cast<int>(std::clamp<int64_t>(pos + leftMargin, INT32_MIN / 2, INT32_MAX / 2));
  return res;
}

}  // namespace lectern
