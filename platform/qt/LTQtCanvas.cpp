// The canvas over QPainter.
//
// Design notes. Layout measures far more often than it paints, and it must
// be able to trust that a run paints exactly as wide as it measured. So the
// canvas never lets Qt place glyphs on its own: measuring yields one
// advance per character cluster, the running sums are rounded once, and
// painting puts each cluster's glyphs at those rounded positions.
//
// Two ways lead to the advances. Characters that always form a cluster of
// their own in scripts that need no shaping (Latin, Greek, Cyrillic, CJK,
// punctuation and symbols) are shaped once each and kept per face with
// their glyph and font, so ordinary text costs a table look-up per code
// unit. Any other run (combining marks, surrogate pairs, right-to-left or
// complex scripts, control characters) is laid out as one QTextLayout line
// and the advance of each cluster read with cursorToX; painting then moves
// every glyph of Qt's line by the offset of its cluster.

#include "platform/qt/LTQtCanvas.h"

#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

namespace lectern {

namespace {

/// Faces beyond this pixel size are drawn at it: glyph caches of larger
/// faces cost more memory than any document needs.
constexpr int kMaxFontPixels = 4096;
constexpr size_t kMaxCachedFaces = 128;
/// Wide enough that a line without wrapping never reaches it.
constexpr qreal kLineWidth = 4.0e6;

int Saturate(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

QColor ToQColor(TColor c) {
  const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(c));
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

QRect ToQRect(const TLTRectI& r) {
  return r.IsEmpty() ? QRect(r.Left, r.Top, 0, 0) : QRect(r.Left, r.Top, r.Width(), r.Height());
}

QString ToQString(std::u16string_view s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

int16_t ReadI16(const QByteArray& table, int offset) {
  const auto hi = static_cast<uint8_t>(table[offset]), lo = static_cast<uint8_t>(table[offset + 1]);
  return static_cast<int16_t>((hi << 8) | lo);
}

// Characters that form a cluster of their own whatever surrounds them, in
// scripts that shape without context, left to right.
bool IsStandalone(char16_t u) {
  const bool simpleScript = (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0x590) || (u >= 0x1E00 && u < 0x2C00) ||
                            (u >= 0x3000 && u < 0xA000) || (u >= 0xAC00 && u < 0xD7A4) || (u >= 0xF900 && u < 0xFB00) ||
                            (u >= 0xFF00 && u < 0xFFF0);
  return simpleScript && u_getIntPropertyValue(u, UCHAR_GRAPHEME_CLUSTER_BREAK) == U_GCB_OTHER &&
         u_charDirection(u) != U_RIGHT_TO_LEFT && u_charDirection(u) != U_RIGHT_TO_LEFT_ARABIC;
}

int ClusterEnd(std::u16string_view text, int i) {
  const int n = static_cast<int>(text.size());
  if (i + 1 >= n) return n;
  const char16_t c = text[i], next = text[i + 1];
  if (c < 0x300 && next < 0x300 && !(c == u'\r' && next == u'\n')) return i + 1;
  return TLTCanvas::NextClusterBoundary(text, i);
}

struct TState {
  TLTCanvasFont Font;
  TLTPen Pen;
  TLTBrush Brush;
  int Extra = 0;
  TLTReadingOrder Order = TLTReadingOrder::LeftToRight;
};

using TFaceKey = std::tuple<TLTString, int32_t, uint8_t, uint8_t, int32_t>;

TFaceKey KeyOf(const TLTCanvasFont& f) { return {f.Name, f.Height, f.Style.ToBits(), f.Pitch, f.Width}; }

/// A standalone character shaped once: its advance (before the face's
/// horizontal scale), its glyph and the font that glyph is in.
struct TGlyph {
  enum : uint8_t { Unknown, Standalone, Contextual } Kind = Unknown;
  int16_t Raw = -1;
  quint32 Index = 0;
  qreal Advance = 0;
};

/// A font made real: the Qt font, its measures and the glyphs shaped so far.
struct TFace {
  TFaceKey Key;
  QFont Font;
  qreal Scale = 1;  // horizontal
  TLTTextMetrics Metrics;
  bool HasOutline = false;
  TLTOutlineMetrics Outline;  // decorations use it even when HasOutline is false
  std::array<TGlyph, 256> Latin;
  std::unordered_map<char16_t, TGlyph> Other;
  std::vector<QRawFont> Raws;
};

/// One cluster of a run: its code units and its left edge relative to the
/// run's left, in device pixels.
struct TCluster {
  int Start = 0, End = 0;
  int Left = 0, Width = 0;
  qreal QtLeft = 0, QtRight = 0;  // where Qt's line put it (slow path)
};

}  // namespace

struct TLTQtCanvas::TImpl {
  QPaintDevice* Device;  // not owned
  QPainter Painter;
  int Ppi;
  bool Printer = false;
  TState State;
  std::vector<TState> Saved;
  std::map<TFaceKey, std::unique_ptr<TFace>> Faces;
  TFace* Current = nullptr;
  QTextLayout Layout;
  // What Layout holds, so that measuring a run twice, or measuring and then
  // painting it, shapes it once.
  TLTString LaidOutText;
  const TFace* LaidOutFace = nullptr;
  TLTReadingOrder LaidOutOrder = TLTReadingOrder::LeftToRight;
  bool MemoValid = false;
  int MemoExtra = 0;
  std::vector<int> MemoPositions;
  std::vector<int> Scratch;

  TFace& Face();
  std::unique_ptr<TFace> MakeFace(const TLTCanvasFont& font) const;
  const TGlyph& Glyph(TFace& face, char16_t u);
  bool IsSimple(TFace& face, std::u16string_view text);
  void LayOut(const TFace& face, std::u16string_view text);
  bool IsLaidOut(const TFace& face, std::u16string_view text) const {
    return LaidOutFace == &face && LaidOutOrder == State.Order && LaidOutText == text;
  }
  void Positions(std::u16string_view text, std::vector<int>& out, bool& simple);
  void Clusters(std::u16string_view text, const std::vector<int>& positions, bool simple, std::vector<TCluster>& out);
  void PaintText(int x, int y, std::u16string_view text, const std::vector<int>& positions, bool simple);
  void ApplyPen();
  void ApplyBrush();
  void FillWithBrush(const QRect& r);
  bool Active() const { return Painter.isActive(); }
};

// ---- Faces ------------------------------------------------------------------------

std::unique_ptr<TFace> TLTQtCanvas::TImpl::MakeFace(const TLTCanvasFont& font) const {
  auto face = std::make_unique<TFace>();
  face->Key = KeyOf(font);
  QFont& f = face->Font;
  f.setFamily(ToQString(font.Name));
  f.setBold(font.Style.Contains(fsBold));
  f.setItalic(font.Style.Contains(fsItalic));
  if (font.Pitch == fpFixed) {
    f.setFixedPitch(true);
    f.setStyleHint(QFont::TypeWriter);
  }
  f.setKerning(false);

  int64_t px = font.Height < 0 ? -int64_t{font.Height} : 0;
  if (font.Height == 0) px = MulDiv(10, Ppi, 72);
  if (font.Height > 0) {
    // A cell height: find the character height whose ascent and descent add
    // up to it.
    QFont probe(f);
    probe.setPixelSize(100);
    const QRawFont raw = QRawFont::fromFont(probe);
    const qreal cell = raw.isValid() ? raw.ascent() + raw.descent() : 0;
    px = cell > 0 ? std::llround(font.Height * 100.0 / cell) : font.Height;
  }
  f.setPixelSize(static_cast<int>(std::clamp<int64_t>(px, 1, kMaxFontPixels)));

  const QFontMetricsF fm(f);
  if (font.Width > 0 && fm.averageCharWidth() > 0)
    face->Scale = std::min<qreal>(font.Width, kMaxFontPixels) / fm.averageCharWidth();
  const QFontMetrics fmi(f);
  TLTTextMetrics& m = face->Metrics;
  m.Ascent = fmi.ascent();
  m.Descent = fmi.descent();
  m.Height = m.Ascent + m.Descent;
  m.InternalLeading = std::max(0, m.Height - f.pixelSize());
  m.ExternalLeading = std::max(0, fmi.leading());
  m.AveCharWidth = static_cast<int>(std::lround(fm.averageCharWidth() * face->Scale));
  m.MaxCharWidth = static_cast<int>(std::lround(fm.maxWidth() * face->Scale));

  TLTOutlineMetrics& o = face->Outline;
  o.UnderscoreSize = std::max(1, static_cast<int>(std::lround(fm.lineWidth())));
  o.UnderscorePosition = -std::max(1, static_cast<int>(std::lround(fm.underlinePos())));
  o.StrikeoutSize = o.UnderscoreSize;
  o.StrikeoutPosition = static_cast<int>(std::lround(fm.strikeOutPos()));
  const QRawFont raw = QRawFont::fromFont(f);
  const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
  const qreal upem = raw.isValid() ? raw.unitsPerEm() : 0;
  if (os2.size() >= 30 && upem > 0) {
    const qreal k = raw.pixelSize() / upem;
    auto scaled = [&](int offset) { return static_cast<int>(std::lround(ReadI16(os2, offset) * k)); };
    face->HasOutline = true;
    o.SubscriptSizeY = scaled(12);
    o.SubscriptOffsetY = scaled(16);
    o.SuperscriptSizeY = scaled(20);
    o.SuperscriptOffsetY = scaled(24);
    o.StrikeoutSize = std::max(1, scaled(26));
    o.StrikeoutPosition = scaled(28);
  }
  return face;
}

TFace& TLTQtCanvas::TImpl::Face() {
  const TLTCanvasFont& f = State.Font;
  if (Current && std::get<0>(Current->Key) == f.Name && std::get<1>(Current->Key) == f.Height &&
      std::get<2>(Current->Key) == f.Style.ToBits() && std::get<3>(Current->Key) == f.Pitch &&
      std::get<4>(Current->Key) == f.Width)
    return *Current;
  TFaceKey key = KeyOf(f);
  auto it = Faces.find(key);
  if (it == Faces.end()) {
    if (Faces.size() >= kMaxCachedFaces) {
      Faces.clear();
      LaidOutFace = nullptr;  // a new face may reuse the address
      MemoValid = false;
    }
    it = Faces.emplace(std::move(key), MakeFace(f)).first;
  }
  Current = it->second.get();
  return *Current;
}

const TGlyph& TLTQtCanvas::TImpl::Glyph(TFace& face, char16_t u) {
  TGlyph& g = u < 256 ? face.Latin[u] : face.Other[u];
  if (g.Kind != TGlyph::Unknown) return g;
  g.Kind = TGlyph::Contextual;
  if (!IsStandalone(u)) return g;
  // Shaped exactly as a run containing it would be, so both ways of
  // measuring agree.
  LayOut(face, std::u16string_view(&u, 1));
  const QTextLine line = Layout.lineAt(0);
  const QList<QGlyphRun> runs = line.glyphRuns();
  if (runs.size() != 1 || runs[0].glyphIndexes().size() != 1) return g;
  const QRawFont raw = runs[0].rawFont();
  auto found = std::find(face.Raws.begin(), face.Raws.end(), raw);
  if (found == face.Raws.end()) {
    if (face.Raws.size() >= 32000) return g;
    found = face.Raws.insert(face.Raws.end(), raw);
  }
  g.Kind = TGlyph::Standalone;
  g.Raw = static_cast<int16_t>(found - face.Raws.begin());
  g.Index = runs[0].glyphIndexes()[0];
  g.Advance = line.cursorToX(1) - line.cursorToX(0);
  return g;
}

bool TLTQtCanvas::TImpl::IsSimple(TFace& face, std::u16string_view text) {
  if (State.Order != TLTReadingOrder::LeftToRight) return false;
  for (char16_t u : text)
    if (Glyph(face, u).Kind != TGlyph::Standalone) return false;
  return true;
}

void TLTQtCanvas::TImpl::LayOut(const TFace& face, std::u16string_view text) {
  LaidOutText.assign(text);
  LaidOutFace = &face;
  LaidOutOrder = State.Order;
  MemoValid = false;
  QString s = ToQString(text);
  // Line and paragraph breaks would start a second line and leave the rest
  // of the run unmeasured.
  for (QChar& c : s)
    if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = u' ';
  Layout.setText(s);
  Layout.setFont(face.Font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
  option.setTextDirection(State.Order == TLTReadingOrder::RightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
  Layout.setTextOption(option);
  Layout.beginLayout();
  QTextLine line = Layout.createLine();
  if (line.isValid()) line.setLineWidth(kLineWidth);
  Layout.endLayout();
}

// ---- Measuring ----------------------------------------------------------------------

void TLTQtCanvas::TImpl::Positions(std::u16string_view text, std::vector<int>& out, bool& simple) {
  TFace& face = Face();
  const int n = static_cast<int>(text.size());
  out.resize(n);
  const int64_t extra = State.Extra;
  simple = IsSimple(face, text);
  double sum = 0;
  if (simple) {
    for (int i = 0; i < n; ++i) {
      sum += Glyph(face, text[i]).Advance;
      out[i] = Saturate(std::llround(sum * face.Scale) + extra * (i + 1));
    }
    return;
  }
  if (n == 0) return;
  if (IsLaidOut(face, text) && MemoValid && MemoExtra == State.Extra) {
    out = MemoPositions;
    return;
  }
  if (!IsLaidOut(face, text)) LayOut(face, text);
  const QTextLine line = Layout.lineAt(0);
  int64_t clusters = 0;
  qreal startX = line.cursorToX(0);
  for (int s = 0; s < n;) {
    const int e = ClusterEnd(text, s);
    const qreal endX = line.cursorToX(e);
    sum += std::abs(endX - startX);
    startX = endX;
    ++clusters;
    std::fill(out.begin() + s, out.begin() + e, Saturate(std::llround(sum * face.Scale) + extra * clusters));
    s = e;
  }
  MemoValid = true;
  MemoExtra = State.Extra;
  MemoPositions = out;
}

// ---- Painting text --------------------------------------------------------------------

void TLTQtCanvas::TImpl::Clusters(std::u16string_view text, const std::vector<int>& positions, bool simple,
                                  std::vector<TCluster>& out) {
  out.clear();
  const int n = static_cast<int>(text.size());
  const QTextLine line = simple ? QTextLine() : Layout.lineAt(0);
  for (int s = 0; s < n;) {
    const int e = simple ? s + 1 : ClusterEnd(text, s);
    TCluster c;
    c.Start = s;
    c.End = e;
    c.Width = positions[e - 1] - (s ? positions[s - 1] : 0);
    if (!simple) {
      const qreal a = line.cursorToX(s), b = line.cursorToX(e);
      c.QtLeft = std::min(a, b);
      c.QtRight = std::max(a, b);
    }
    out.push_back(c);
    s = e;
  }
  // Clusters take their widths in the order Qt shows them: logical order
  // unless a right-to-left stretch reverses it.
  if (!simple)
    std::stable_sort(out.begin(), out.end(), [](const TCluster& a, const TCluster& b) {
      return a.QtLeft != b.QtLeft ? a.QtLeft < b.QtLeft : a.QtRight < b.QtRight;
    });
  int64_t left = 0;
  for (TCluster& c : out) {
    c.Left = Saturate(left);
    left += c.Width;
  }
}

void TLTQtCanvas::TImpl::PaintText(int x, int y, std::u16string_view text, const std::vector<int>& positions,
                                   bool simple) {
  TFace& face = Face();
  const TLTTextMetrics& m = face.Metrics;
  const int width = positions.empty() ? 0 : positions.back();
  if (State.Brush.Style == bsSolid && width > 0)
    Painter.fillRect(QRect(x, y, width, m.Height), ToQColor(State.Brush.Color));
  if (text.empty()) return;

  std::vector<TCluster> clusters;
  Clusters(text, positions, simple, clusters);
  const QTransform old = Painter.worldTransform();
  QTransform t = QTransform::fromTranslate(x, y + m.Ascent);
  t.scale(face.Scale, 1);
  Painter.setWorldTransform(t * old);
  Painter.setPen(ToQColor(State.Font.Color));
  const qreal inv = 1 / face.Scale;

  if (simple) {
    // Glyphs of one font at a time.
    QList<quint32> indexes;
    QList<QPointF> points;
    for (size_t k = 0; k < clusters.size();) {
      const int raw = Glyph(face, text[clusters[k].Start]).Raw;
      indexes.clear();
      points.clear();
      for (; k < clusters.size(); ++k) {
        const TGlyph& g = Glyph(face, text[clusters[k].Start]);
        if (g.Raw != raw) break;
        indexes.push_back(g.Index);
        points.push_back(QPointF(clusters[k].Left * inv, 0));
      }
      QGlyphRun run;
      run.setRawFont(face.Raws[raw]);
      run.setGlyphIndexes(indexes);
      run.setPositions(points);
      Painter.drawGlyphRun(QPointF(0, 0), run);
    }
  } else {
    const QTextLine line = Layout.lineAt(0);
    const qreal baseline = line.y() + line.ascent();
    std::vector<qreal> lefts(clusters.size());
    for (size_t k = 0; k < clusters.size(); ++k) lefts[k] = clusters[k].QtLeft;
    for (QGlyphRun run : line.glyphRuns()) {
      QList<QPointF> points = run.positions();
      for (QPointF& p : points) {
        // The cluster a glyph belongs to is the last one starting at or
        // before it; marks sit inside their base's span.
        const auto it = std::upper_bound(lefts.begin(), lefts.end(), p.x());
        const size_t k = it == lefts.begin() ? 0 : static_cast<size_t>(it - lefts.begin() - 1);
        p = QPointF(clusters[k].Left * inv + (p.x() - clusters[k].QtLeft), p.y() - baseline);
      }
      run.setPositions(points);
      Painter.drawGlyphRun(QPointF(0, 0), run);
    }
  }
  Painter.setWorldTransform(old);

  const TLTOutlineMetrics& o = face.Outline;
  const int base = y + m.Ascent;
  if (State.Font.Style.Contains(fsUnderline))
    Painter.fillRect(QRect(x, base - o.UnderscorePosition, width, o.UnderscoreSize), ToQColor(State.Font.Color));
  if (State.Font.Style.Contains(fsStrikeOut))
    Painter.fillRect(QRect(x, base - o.StrikeoutPosition, width, o.StrikeoutSize), ToQColor(State.Font.Color));
}

// ---- Pens and brushes -------------------------------------------------------------------

void TLTQtCanvas::TImpl::ApplyPen() {
  const TLTPen& pen = State.Pen;
  if (pen.Style == psClear) {
    Painter.setPen(Qt::NoPen);
    return;
  }
  QPen p(ToQColor(pen.Color));
  p.setCapStyle(Qt::FlatCap);
  p.setJoinStyle(Qt::MiterJoin);
  const bool styled = pen.Style != psSolid && pen.Style != psInsideFrame;
  if (pen.Width <= 1 || styled) {
    // Styled pens are one pixel wide, whatever width they ask for.
    p.setWidth(1);
    p.setCosmetic(true);
    switch (pen.Style) {
      case psDash:
        p.setDashPattern({18, 6});
        break;
      case psDot:
        p.setDashPattern({3, 3});
        break;
      case psDashDot:
        p.setDashPattern({9, 6, 3, 6});
        break;
      case psDashDotDot:
        p.setDashPattern({9, 3, 3, 3, 3, 3});
        break;
      default:
        break;
    }
  } else {
    p.setWidth(pen.Width);
  }
  Painter.setPen(p);
}

void TLTQtCanvas::TImpl::ApplyBrush() {
  Qt::BrushStyle style = Qt::SolidPattern;
  switch (State.Brush.Style) {
    case bsSolid:
      style = Qt::SolidPattern;
      break;
    case bsClear:
      style = Qt::NoBrush;
      break;
    case bsFDiagonal:
      style = Qt::FDiagPattern;
      break;
    case bsBDiagonal:
      style = Qt::BDiagPattern;
      break;
    case bsCross:
      style = Qt::CrossPattern;
      break;
    case bsDiagCross:
      style = Qt::DiagCrossPattern;
      break;
    case bsHorizontal:
      style = Qt::HorPattern;
      break;
    case bsVertical:
      style = Qt::VerPattern;
      break;
  }
  Painter.setBrush(QBrush(ToQColor(State.Brush.Color), style));
  Painter.setBrushOrigin(0, 0);
}

void TLTQtCanvas::TImpl::FillWithBrush(const QRect& r) {
  if (State.Brush.Style == bsClear || r.isEmpty()) return;
  ApplyBrush();
  Painter.fillRect(r, Painter.brush());
}

// ---- TLTQtCanvas --------------------------------------------------------------------------

TLTQtCanvas::TLTQtCanvas(QPaintDevice& device, int pixelsPerInch) : d_(std::make_unique<TImpl>()) {
  d_->Device = &device;
  d_->Ppi = std::max(1, pixelsPerInch);
  d_->Layout.setCacheEnabled(true);
  if (d_->Painter.begin(&device)) {
    d_->Painter.setRenderHint(QPainter::Antialiasing, false);
    d_->Painter.setRenderHint(QPainter::TextAntialiasing, true);
    d_->Painter.setBackgroundMode(Qt::TransparentMode);
  }
}

TLTQtCanvas::~TLTQtCanvas() {
  if (d_->Painter.isActive()) d_->Painter.end();
}

void TLTQtCanvas::DoSetFont(const TLTCanvasFont& font) { d_->State.Font = font; }
const TLTCanvasFont& TLTQtCanvas::Font() const { return d_->State.Font; }
void TLTQtCanvas::SetPen(const TLTPen& pen) { d_->State.Pen = pen; }
const TLTPen& TLTQtCanvas::Pen() const { return d_->State.Pen; }
void TLTQtCanvas::SetBrush(const TLTBrush& brush) { d_->State.Brush = brush; }
const TLTBrush& TLTQtCanvas::Brush() const { return d_->State.Brush; }
void TLTQtCanvas::DoSetCharacterExtra(int pixels) { d_->State.Extra = pixels; }
int TLTQtCanvas::CharacterExtra() const { return d_->State.Extra; }
void TLTQtCanvas::DoSetReadingOrder(TLTReadingOrder order) { d_->State.Order = order; }
TLTReadingOrder TLTQtCanvas::ReadingOrder() const { return d_->State.Order; }
int TLTQtCanvas::PixelsPerInchX() const { return d_->Ppi; }
int TLTQtCanvas::PixelsPerInchY() const { return d_->Ppi; }
bool TLTQtCanvas::IsPrinter() const { return d_->Printer; }
void TLTQtCanvas::SetIsPrinter(bool value) { d_->Printer = value; }

TLTTextMetrics TLTQtCanvas::TextMetrics() { return d_->Face().Metrics; }

bool TLTQtCanvas::OutlineMetrics(TLTOutlineMetrics& m) {
  const TFace& face = d_->Face();
  if (!face.HasOutline) return false;
  m = face.Outline;
  return true;
}

TLTSizeI TLTQtCanvas::TextExtent(std::u16string_view text) {
  bool simple = false;
  d_->Positions(text, d_->Scratch, simple);
  return {d_->Scratch.empty() ? 0 : d_->Scratch.back(), d_->Face().Metrics.Height};
}

void TLTQtCanvas::PartialExtents(std::u16string_view text, std::vector<int>& out) {
  bool simple = false;
  d_->Positions(text, out, simple);
}

void TLTQtCanvas::TextOut(int x, int y, std::u16string_view text) {
  if (!d_->Active()) return;
  std::vector<int> positions;
  bool simple = false;
  d_->Positions(text, positions, simple);
  d_->PaintText(x, y, text, positions, simple);
}

void TLTQtCanvas::TextOutAdvances(int x, int y, std::u16string_view text, const std::vector<int>& advances) {
  if (!d_->Active()) return;
  std::vector<int> positions;
  bool simple = false;
  d_->Positions(text, positions, simple);
  // Positions() left Qt's line (or the glyph table) ready; only the places
  // change.
  int64_t sum = 0;
  int previous = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int measured = positions[i] - previous;
    previous = positions[i];
    sum += i < advances.size() ? advances[i] : measured;
    positions[i] = Saturate(sum);
  }
  d_->PaintText(x, y, text, positions, simple);
}

void TLTQtCanvas::Line(int x1, int y1, int x2, int y2) {
  if (!d_->Active() || d_->State.Pen.Style == psClear) return;
  d_->ApplyPen();
  d_->Painter.drawLine(QPoint(x1, y1), QPoint(x2, y2));
}

void TLTQtCanvas::FillRect(const TLTRectI& r) {
  if (!d_->Active()) return;
  d_->FillWithBrush(ToQRect(r));
}

void TLTQtCanvas::Rectangle(const TLTRectI& r) {
  if (!d_->Active() || r.IsEmpty()) return;
  QPainter& p = d_->Painter;
  d_->FillWithBrush(ToQRect(r));
  const TLTPen& pen = d_->State.Pen;
  if (pen.Style == psClear) return;
  if (pen.Style == psSolid || pen.Style == psInsideFrame) {
    // Bands inside the rectangle: the frame never spills past its edges.
    const int w = std::max(1, pen.Width);
    const QColor c = ToQColor(pen.Color);
    p.fillRect(ToQRect({r.Left, r.Top, r.Right, std::min(r.Bottom, r.Top + w)}), c);
    p.fillRect(ToQRect({r.Left, std::max(r.Top, r.Bottom - w), r.Right, r.Bottom}), c);
    p.fillRect(ToQRect({r.Left, r.Top, std::min(r.Right, r.Left + w), r.Bottom}), c);
    p.fillRect(ToQRect({std::max(r.Left, r.Right - w), r.Top, r.Right, r.Bottom}), c);
    return;
  }
  d_->ApplyPen();
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TLTQtCanvas::Ellipse(const TLTRectI& r) {
  if (!d_->Active() || r.IsEmpty()) return;
  d_->ApplyPen();
  d_->ApplyBrush();
  // A one-pixel outline of a QRect covers one pixel more than the rectangle.
  const int inset = d_->State.Pen.Style == psClear ? 0 : 1;
  d_->Painter.drawEllipse(QRect(r.Left, r.Top, r.Width() - inset, r.Height() - inset));
}

void TLTQtCanvas::Polygon(const std::vector<TLTPointI>& points) {
  if (!d_->Active() || points.empty()) return;
  QPolygon poly;
  poly.reserve(static_cast<qsizetype>(points.size()));
  for (const TLTPointI& pt : points) poly << QPoint(pt.X, pt.Y);
  d_->ApplyPen();
  d_->ApplyBrush();
  d_->Painter.drawPolygon(poly);
}

void TLTQtCanvas::DrawPixels(const TLTRectI& r, const TLTPixels& pixels) {
  // A buffer shorter than the size it claims is not read.
  if (!d_->Active() || r.IsEmpty() || pixels.Empty() ||
      static_cast<int64_t>(pixels.Data.size()) < int64_t{pixels.Width} * pixels.Height ||
      int64_t{pixels.Width} * 4 > INT_MAX)
    return;
  const QImage image(reinterpret_cast<const uchar*>(pixels.Data.data()), pixels.Width, pixels.Height, pixels.Width * 4,
                     QImage::Format_ARGB32);
  d_->Painter.drawImage(ToQRect(r), image);
}

void TLTQtCanvas::DoSave() {
  d_->Saved.push_back(d_->State);
  if (d_->Active()) d_->Painter.save();
}

void TLTQtCanvas::DoRestore() {
  if (d_->Saved.empty()) return;
  d_->State = std::move(d_->Saved.back());
  d_->Saved.pop_back();
  if (d_->Active()) d_->Painter.restore();
}

void TLTQtCanvas::IntersectClip(const TLTRectI& r) {
  if (!d_->Active()) return;
  // Qt treats an intersection with no clip set as a replacement, which is
  // what a first clip means here too.
  d_->Painter.setClipRect(ToQRect(r), Qt::IntersectClip);
}

}  // namespace lectern
