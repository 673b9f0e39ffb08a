// The headless canvas: fixed metrics, a record of calls and an optional
// raster. The formulas live in the header's comment, which tests and
// layout code read; keep the two in step.

#include "platform/headless/LTHeadlessCanvas.h"

#include "platform/LTColors.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace lectern {

namespace {

constexpr int kMaxRasterSide = 16384;
constexpr int kHatchSpacing = 8;

int Saturate(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

// The boundary after a cluster starting at i. Code units below U+0300 never
// join with their neighbour except CR LF, which covers nearly all text
// without asking ICU.
int ClusterEnd(std::u16string_view text, int i) {
  const int n = static_cast<int>(text.size());
  const char16_t c = text[i];
  if (i + 1 == n) return n;
  const char16_t next = text[i + 1];
  if (c < 0x300 && next < 0x300 && !(c == u'\r' && next == u'\n')) return i + 1;
  return TLTCanvas::NextClusterBoundary(text, i);
}

// Positions after each code unit when every character is `step` wide.
void UniformPositions(std::u16string_view text, int step, std::vector<int>& out) {
  const int n = static_cast<int>(text.size());
  out.assign(n, 0);
  int64_t x = 0;
  for (int i = 0; i < n;) {
    const int e = ClusterEnd(text, i);
    x += step;
    std::fill(out.begin() + i, out.begin() + e, Saturate(x));
    i = e;
  }
}

bool IsBlank(char16_t c) { return c <= 0x20 || c == 0xA0 || c == 0x3000 || c == 0x2028 || c == 0x2029; }

bool IsHatched(TLTBrushStyle style, int x, int y) {
  auto on = [](int v) { return ((v % kHatchSpacing) + kHatchSpacing) % kHatchSpacing == 0; };
  switch (style) {
    case bsHorizontal:
      return on(y);
    case bsVertical:
      return on(x);
    case bsCross:
      return on(x) || on(y);
    case bsFDiagonal:
      return on(x - y);
    case bsBDiagonal:
      return on(x + y);
    case bsDiagCross:
      return on(x - y) || on(x + y);
    default:
      return true;
  }
}

TLTRectI Intersect(const TLTRectI& a, const TLTRectI& b) {
  TLTRectI r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
             std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) r = TLTRectI{r.Left, r.Top, r.Left, r.Top};
  return r;
}

TColor Blend(TColor dst, uint32_t argb) {
  const uint32_t a = argb >> 24;
  const uint32_t src[3] = {(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF};  // r, g, b
  const uint32_t d = static_cast<uint32_t>(dst);
  const uint32_t dc[3] = {d & 0xFF, (d >> 8) & 0xFF, (d >> 16) & 0xFF};
  uint32_t out[3];
  for (int k = 0; k < 3; ++k) out[k] = (src[k] * a + dc[k] * (255 - a) + 127) / 255;
  return RGBColor(static_cast<int>(out[0]), static_cast<int>(out[1]), static_cast<int>(out[2]));
}

}  // namespace

TLTHeadlessCanvas::TLTHeadlessCanvas(int pixelsPerInch)
    : ppiX_(std::max(1, pixelsPerInch)), ppiY_(std::max(1, pixelsPerInch)) {}

void TLTHeadlessCanvas::SetPixelsPerInch(int x, int y) {
  ppiX_ = std::max(1, x);
  ppiY_ = std::max(1, y);
}

int TLTHeadlessCanvas::FaceHeight() const {
  // A zero height would make every character zero wide and send any loop
  // that advances by character widths round for ever; it means "default".
  int64_t h = state_.Font.Height;
  if (h < 0) h = -h;
  if (h == 0) h = (10LL * ppiY_ + 36) / 72;
  return static_cast<int>(std::clamp<int64_t>(h, 1, LTHeadlessMaxFontHeight));
}

int TLTHeadlessCanvas::CharWidth() const {
  if (state_.Font.Width > 0) return std::min<int>(state_.Font.Width, LTHeadlessMaxFontHeight);
  return (FaceHeight() + 1) / 2;
}

TLTTextMetrics TLTHeadlessCanvas::TextMetrics() {
  const int h = FaceHeight();
  TLTTextMetrics m;
  m.Height = h;
  m.Ascent = (8 * h + 5) / 10;
  m.Descent = h - m.Ascent;
  m.AveCharWidth = m.MaxCharWidth = CharWidth();
  return m;
}

bool TLTHeadlessCanvas::OutlineMetrics(TLTOutlineMetrics& m) {
  const TLTTextMetrics tm = TextMetrics();
  const int h = tm.Height;
  m.UnderscoreSize = m.StrikeoutSize = std::max(1, h / 12);
  m.UnderscorePosition = -std::max(1, tm.Descent / 2);
  m.StrikeoutPosition = 3 * h / 10;
  m.SubscriptSizeY = m.SuperscriptSizeY = (2 * h + 1) / 3;
  m.SubscriptOffsetY = h / 5;
  m.SuperscriptOffsetY = h / 3;
  return true;
}

TLTSizeI TLTHeadlessCanvas::TextExtent(std::u16string_view text) {
  std::vector<int> positions;
  PartialExtents(text, positions);
  return {positions.empty() ? 0 : positions.back(), FaceHeight()};
}

void TLTHeadlessCanvas::PartialExtents(std::u16string_view text, std::vector<int>& out) {
  UniformPositions(text, CharWidth() + state_.Extra, out);
}

void TLTHeadlessCanvas::TextOut(int x, int y, std::u16string_view text) {
  std::vector<int> positions;
  PartialExtents(text, positions);
  DrawText(TLTDrawKind::Text, x, y, text, std::move(positions));
}

void TLTHeadlessCanvas::TextOutAdvances(int x, int y, std::u16string_view text, const std::vector<int>& advances) {
  // Units the caller gave no advance for keep their measured one, so that a
  // short vector cannot make us read past its end.
  std::vector<int> measured;
  PartialExtents(text, measured);
  std::vector<int> positions(text.size());
  int64_t sum = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    sum += i < advances.size() ? advances[i] : measured[i] - (i ? measured[i - 1] : 0);
    positions[i] = Saturate(sum);
  }
  DrawText(TLTDrawKind::TextAdvances, x, y, text, std::move(positions));
}

void TLTHeadlessCanvas::DrawText(TLTDrawKind kind, int x, int y, std::u16string_view text, std::vector<int> positions) {
  const TLTTextMetrics tm = TextMetrics();
  const int width = positions.empty() ? 0 : positions.back();
  const TLTRectI cell{x, y, Saturate(int64_t{x} + width), y + tm.Height};
  if (HasRaster()) {
    if (state_.Brush.Style == bsSolid) FillBand(cell, ColorToRGB(state_.Brush.Color));
    const TColor ink = ColorToRGB(state_.Font.Color);
    const int w = CharWidth();
    const bool rtl = state_.Order == TLTReadingOrder::RightToLeft;
    const int n = static_cast<int>(text.size());
    for (int s = 0; s < n;) {
      const int e = ClusterEnd(text, s);
      const int left = s ? positions[s - 1] : 0;
      const int right = positions[e - 1];
      const int box = std::clamp(right - left, 0, w);
      if (!IsBlank(text[s]) && box > 0) {
        // The extra follows a character in reading order, so right to left
        // it lies on the character's left.
        const int bl = rtl ? width - left - box : left;
        FillBand({x + bl, y, x + bl + box, y + tm.Ascent}, ink);
      }
      s = e;
    }
    TLTOutlineMetrics om;
    OutlineMetrics(om);
    const int base = y + tm.Ascent;
    if (state_.Font.Style.Contains(fsUnderline)) {
      const int top = base - om.UnderscorePosition;
      FillBand({cell.Left, top, cell.Right, top + om.UnderscoreSize}, ink);
    }
    if (state_.Font.Style.Contains(fsStrikeOut)) {
      const int top = base - om.StrikeoutPosition;
      FillBand({cell.Left, top, cell.Right, top + om.StrikeoutSize}, ink);
    }
  }
  TLTDrawCall& call = Record(kind);
  call.Rect = cell;
  call.Text = TLTString(text);
  call.Positions = std::move(positions);
}

void TLTHeadlessCanvas::Line(int x1, int y1, int x2, int y2) {
  Record(TLTDrawKind::Line).Rect = {x1, y1, x2, y2};
  if (HasRaster()) StrokeLine(x1, y1, x2, y2);
}

void TLTHeadlessCanvas::FillRect(const TLTRectI& r) {
  Record(TLTDrawKind::FillRect).Rect = r;
  if (HasRaster()) FillWithBrush(r);
}

void TLTHeadlessCanvas::Rectangle(const TLTRectI& r) {
  Record(TLTDrawKind::Rectangle).Rect = r;
  if (!HasRaster() || r.IsEmpty()) return;
  FillWithBrush(r);
  const TLTPen& pen = state_.Pen;
  if (pen.Style == psClear) return;
  const TColor c = ColorToRGB(pen.Color);
  const int pw = std::max(1, pen.Width);
  if (pen.Style == psSolid || pen.Style == psInsideFrame || pw > 1) {
    FillBand({r.Left, r.Top, r.Right, r.Top + pw}, c);
    FillBand({r.Left, r.Bottom - pw, r.Right, r.Bottom}, c);
    FillBand({r.Left, r.Top, r.Left + pw, r.Bottom}, c);
    FillBand({r.Right - pw, r.Top, r.Right, r.Bottom}, c);
    return;
  }
  const int R = r.Right - 1, B = r.Bottom - 1;
  StrokeLine(r.Left, r.Top, R, r.Top);
  StrokeLine(R, r.Top, R, B);
  StrokeLine(R, B, r.Left, B);
  StrokeLine(r.Left, B, r.Left, r.Top);
}

void TLTHeadlessCanvas::Ellipse(const TLTRectI& r) {
  Record(TLTDrawKind::Ellipse).Rect = r;
  if (!HasRaster() || r.IsEmpty()) return;
  const double a = r.Width() / 2.0, b = r.Height() / 2.0;
  const double cx = r.Left + a, cy = r.Top + b;
  auto inside = [&](int px, int py) {
    if (!r.Contains(px, py)) return false;
    const double dx = (px + 0.5 - cx) / a, dy = (py + 0.5 - cy) / b;
    return dx * dx + dy * dy <= 1.0;
  };
  const bool framed = state_.Pen.Style != psClear;
  const TColor penRgb = ColorToRGB(state_.Pen.Color);
  for (int py = r.Top; py < r.Bottom; ++py)
    for (int px = r.Left; px < r.Right; ++px) {
      if (!inside(px, py)) continue;
      const bool edge = !inside(px - 1, py) || !inside(px + 1, py) || !inside(px, py - 1) || !inside(px, py + 1);
      if (edge && framed)
        Plot(px, py, penRgb);
      else if (state_.Brush.Style != bsClear && IsHatched(state_.Brush.Style, px, py))
        Plot(px, py, ColorToRGB(state_.Brush.Color));
    }
}

void TLTHeadlessCanvas::Polygon(const std::vector<TLTPointI>& points) {
  TLTDrawCall& call = Record(TLTDrawKind::Polygon);
  call.Points = points;
  if (points.empty()) return;
  TLTRectI box{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (const TLTPointI& p : points) {
    box.Left = std::min(box.Left, p.X);
    box.Top = std::min(box.Top, p.Y);
    box.Right = std::max(box.Right, p.X);
    box.Bottom = std::max(box.Bottom, p.Y);
  }
  call.Rect = box;
  if (!HasRaster()) return;
  // Even-odd fill sampled at pixel centres, restricted to the raster so a
  // far-flung point costs nothing.
  const TLTRectI scan = Intersect(box, {0, 0, rasterWidth_, rasterHeight_});
  if (state_.Brush.Style != bsClear && points.size() >= 3) {
    const TColor c = ColorToRGB(state_.Brush.Color);
    std::vector<double> xs;
    for (int py = scan.Top; py < scan.Bottom; ++py) {
      const double sy = py + 0.5;
      xs.clear();
      for (size_t i = 0; i < points.size(); ++i) {
        const TLTPointI& p = points[i];
        const TLTPointI& q = points[(i + 1) % points.size()];
        if ((p.Y <= sy) != (q.Y <= sy)) xs.push_back(p.X + (sy - p.Y) * (q.X - p.X) / static_cast<double>(q.Y - p.Y));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t k = 0; k + 1 < xs.size(); k += 2)
        for (int px = scan.Left; px < scan.Right; ++px)
          if (px + 0.5 >= xs[k] && px + 0.5 < xs[k + 1] && IsHatched(state_.Brush.Style, px, py)) Plot(px, py, c);
    }
  }
  if (state_.Pen.Style != psClear)
    for (size_t i = 0; i < points.size(); ++i) {
      const TLTPointI& p = points[i];
      const TLTPointI& q = points[(i + 1) % points.size()];
      StrokeLine(p.X, p.Y, q.X, q.Y);
    }
}

void TLTHeadlessCanvas::DrawPixels(const TLTRectI& r, const TLTPixels& pixels) {
  TLTDrawCall& call = Record(TLTDrawKind::Pixels);
  call.Rect = r;
  call.PixelsSize = {pixels.Width, pixels.Height};
  // A picture whose buffer is shorter than its size says is not drawn:
  // reading it would run off the end.
  if (!HasRaster() || r.IsEmpty() || pixels.Empty() ||
      static_cast<int64_t>(pixels.Data.size()) < int64_t{pixels.Width} * pixels.Height)
    return;
  const TLTRectI vis = Intersect(r, {0, 0, rasterWidth_, rasterHeight_});
  for (int py = vis.Top; py < vis.Bottom; ++py) {
    const int64_t sy = (int64_t{py} - r.Top) * pixels.Height / r.Height();
    for (int px = vis.Left; px < vis.Right; ++px) {
      const int64_t sx = (int64_t{px} - r.Left) * pixels.Width / r.Width();
      const uint32_t argb = pixels.Data[static_cast<size_t>(sy * pixels.Width + sx)];
      if (state_.Clip && !state_.Clip->Contains(px, py)) continue;
      TColor& dst = raster_[static_cast<size_t>(py) * rasterWidth_ + px];
      dst = Blend(dst, argb);
    }
  }
}

void TLTHeadlessCanvas::DoSave() { saved_.push_back(state_); }

void TLTHeadlessCanvas::DoRestore() {
  if (saved_.empty()) return;
  state_ = std::move(saved_.back());
  saved_.pop_back();
}

void TLTHeadlessCanvas::IntersectClip(const TLTRectI& r) {
  state_.Clip = state_.Clip ? Intersect(*state_.Clip, r) : Intersect(r, r);
}

void TLTHeadlessCanvas::EnableRaster(int width, int height, TColor background) {
  rasterWidth_ = std::clamp(width, 0, kMaxRasterSide);
  rasterHeight_ = std::clamp(height, 0, kMaxRasterSide);
  raster_.assign(static_cast<size_t>(rasterWidth_) * rasterHeight_, ColorToRGB(background));
}

TColor TLTHeadlessCanvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= rasterWidth_ || y >= rasterHeight_) return clNone;
  return raster_[static_cast<size_t>(y) * rasterWidth_ + x];
}

TLTDrawCall& TLTHeadlessCanvas::Record(TLTDrawKind kind) {
  TLTDrawCall& call = calls_.emplace_back();
  call.Kind = kind;
  call.Font = state_.Font;
  call.Pen = state_.Pen;
  call.Brush = state_.Brush;
  call.CharacterExtra = state_.Extra;
  call.ReadingOrder = state_.Order;
  call.Clip = state_.Clip;
  return call;
}

void TLTHeadlessCanvas::Plot(int x, int y, TColor rgb) {
  if (x < 0 || y < 0 || x >= rasterWidth_ || y >= rasterHeight_) return;
  if (state_.Clip && !state_.Clip->Contains(x, y)) return;
  raster_[static_cast<size_t>(y) * rasterWidth_ + x] = rgb;
}

void TLTHeadlessCanvas::FillBand(TLTRectI r, TColor rgb) {
  r = Intersect(r, {0, 0, rasterWidth_, rasterHeight_});
  if (state_.Clip) r = Intersect(r, *state_.Clip);
  for (int y = r.Top; y < r.Bottom; ++y)
    std::fill_n(raster_.begin() + static_cast<ptrdiff_t>(y) * rasterWidth_ + r.Left, r.Width(), rgb);
}

void TLTHeadlessCanvas::FillWithBrush(const TLTRectI& r) {
  const TLTBrush& b = state_.Brush;
  if (b.Style == bsClear) return;
  const TColor c = ColorToRGB(b.Color);
  if (b.Style == bsSolid) return FillBand(r, c);
  const TLTRectI vis = Intersect(r, {0, 0, rasterWidth_, rasterHeight_});
  for (int y = vis.Top; y < vis.Bottom; ++y)
    for (int x = vis.Left; x < vis.Right; ++x)
      if (IsHatched(b.Style, x, y)) Plot(x, y, c);
}

bool TLTHeadlessCanvas::PenDrawsAt(int64_t step) const {
  // On and off runs in pixels; pens wider than one pixel are always solid.
  static const std::vector<int> kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6}, kDashDotDot{9, 3, 3, 3, 3, 3};
  const std::vector<int>* pattern = nullptr;
  switch (state_.Pen.Style) {
    case psDash:
      pattern = &kDash;
      break;
    case psDot:
      pattern = &kDot;
      break;
    case psDashDot:
      pattern = &kDashDot;
      break;
    case psDashDotDot:
      pattern = &kDashDotDot;
      break;
    default:
      return true;
  }
  if (state_.Pen.Width > 1) return true;
  int period = 0;
  for (int v : *pattern) period += v;
  int64_t pos = step % period;
  for (size_t k = 0; k < pattern->size(); ++k) {
    if (pos < (*pattern)[k]) return k % 2 == 0;
    pos -= (*pattern)[k];
  }
  return true;
}

void TLTHeadlessCanvas::StrokeLine(int x1, int y1, int x2, int y2) {
  if (state_.Pen.Style == psClear) return;
  const TColor c = ColorToRGB(state_.Pen.Color);
  const int pw = std::max(1, state_.Pen.Width);
  // Stepping along the major axis with the minor one rounded; only the
  // steps that can reach the raster are walked, so huge coordinates cost
  // nothing.
  const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  const int64_t majorStart = xMajor ? x1 : y1, minorStart = xMajor ? y1 : x1;
  const int64_t steps = std::abs(major);
  const int dir = major < 0 ? -1 : 1;
  const int64_t limit = (xMajor ? rasterWidth_ : rasterHeight_) + pw;
  int64_t lo = 0, hi = steps;  // steps lo..hi-1
  if (dir > 0) {
    lo = std::max<int64_t>(lo, -pw - majorStart);
    hi = std::min<int64_t>(hi, limit - majorStart);
  } else {
    lo = std::max<int64_t>(lo, majorStart - limit);
    hi = std::min<int64_t>(hi, majorStart + pw + 1);
  }
  for (int64_t step = lo; step < hi; ++step) {
    if (!PenDrawsAt(step)) continue;
    const int64_t a = majorStart + dir * step;
    const int64_t b = minorStart + std::llround(static_cast<double>(minor) * static_cast<double>(step) / steps);
    const int px = static_cast<int>(xMajor ? a : b), py = static_cast<int>(xMajor ? b : a);
    if (pw == 1)
      Plot(px, py, c);
    else
      FillBand({px - pw / 2, py - pw / 2, px - pw / 2 + pw, py - pw / 2 + pw}, c);
  }
}

}  // namespace lectern
