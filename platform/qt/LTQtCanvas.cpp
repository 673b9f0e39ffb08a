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
// complex scripts, control characters, any run read right to left) is a
// complex run.
//
// A complex run is split into its stretches of one direction by the
// bidirectional algorithm; every stretch is laid out by a QTextLayout of
// its own direction, where a cursor position never lies between two
// directions, and the advance of each cluster is read there. Painting
// draws the whole run as one QTextLayout lays it out, glyph positions as
// Qt gives them, so that joined scripts (Arabic) keep their joins and
// final forms; the stretches' clusters (placed left to right as
// ArrangeClusters places them) add up to the width Qt paints. Only when
// the clusters must stand at places of their own (a character extra,
// explicit advances) are the glyphs of each stretch moved cluster by
// cluster.

#include "platform/qt/LTQtCanvas.h"

#include "platform/LTBiDi.h"
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
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
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

/// One cluster of a complex run: its code units and its advance.
struct TAdvance {
  int Start = 0, End = 0;
  qreal Width = 0;
};

/// One stretch of one direction of a complex run, laid out alone.
struct TStretch {
  int Start = 0, End = 0;
  bool RightToLeft = false;
  std::unique_ptr<QTextLayout> Layout;
};

/// A complex run as it was last measured: its clusters' advances in
/// logical order, its stretches, and the whole run as Qt lays it out
/// (made when the run is painted).
struct TComplexRun {
  TLTString Text;
  const TFace* Face = nullptr;
  TLTReadingOrder Order = TLTReadingOrder::LeftToRight;
  bool Valid = false;
  std::vector<TAdvance> Advances;
  std::vector<TStretch> Stretches;
  std::unique_ptr<QTextLayout> Whole;
};

QTextOption LineOption(bool rightToLeft) {
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
  option.setTextDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
  return option;
}

QString LineText(std::u16string_view text) {
  QString s = ToQString(text);
  // Line and paragraph breaks would start a second line and leave the rest
  // of the run unmeasured.
  for (QChar& c : s)
    if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = u' ';
  return s;
}

/// A layout of one line holding the whole text.
std::unique_ptr<QTextLayout> LayOutLine(const QFont& font, std::u16string_view text, bool rightToLeft) {
  auto layout = std::make_unique<QTextLayout>(LineText(text), font);
  layout->setCacheEnabled(true);
  layout->setTextOption(LineOption(rightToLeft));
  layout->beginLayout();
  QTextLine line = layout->createLine();
  if (line.isValid()) line.setLineWidth(kLineWidth);
  layout->endLayout();
  return layout;
}

}  // namespace

struct TLTQtCanvas::TImpl {
  QPaintDevice* Device;  // not owned
  QPainter Painter;
  int Ppi;
  bool Printer = false;
  TState State;
  std::vector<TState> Saved;
  /// System colours painted in other colours than the fixed table's, and
  /// those of them that must stand out from what they are painted on.
  std::map<TColor, QColor> SystemColors;
  std::set<TColor> KeptVisible;
  QColor Color(TColor c) const {
    const auto it = SystemColors.find(c);
    return it != SystemColors.end() ? it->second : ToQColor(c);
  }
  std::map<TFaceKey, std::unique_ptr<TFace>> Faces;
  TFace* Current = nullptr;
  // Shapes single characters for the glyph table.
  QTextLayout Layout;
  TComplexRun Complex;
  std::vector<int> Scratch;

  TFace& Face();
  std::unique_ptr<TFace> MakeFace(const TLTCanvasFont& font) const;
  const TGlyph& Glyph(TFace& face, char16_t u);
  bool IsSimple(TFace& face, std::u16string_view text);
  void LayOutGlyph(const TFace& face, char16_t u);
  /// Measures a complex run unless it is the one measured last.
  TComplexRun& Measured(const TFace& face, std::u16string_view text);
  void Positions(std::u16string_view text, std::vector<int>& out, bool& simple);
  void PaintText(int x, int y, std::u16string_view text, const std::vector<int>& positions, bool simple, bool asQt);
  void PaintSimple(TFace& face, std::u16string_view text, const std::vector<int>& positions);
  void PaintAsQt(TComplexRun& run);
  void PaintPlaced(TComplexRun& run, std::u16string_view text, const std::vector<int>& positions);
  void ApplyPen();
  void ApplyBrush();
  void FillWithBrush(const QRect& r);
  /// c, or black or white where c would hardly show on the image under r.
  static QColor VisibleOn(const QImage& image, const QRect& r, const QColor& c);
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
      Complex = TComplexRun();  // a new face may reuse the address
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
  LayOutGlyph(face, u);
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

void TLTQtCanvas::TImpl::LayOutGlyph(const TFace& face, char16_t u) {
  Layout.setText(LineText(std::u16string_view(&u, 1)));
  Layout.setFont(face.Font);
  Layout.setTextOption(LineOption(false));
  Layout.beginLayout();
  QTextLine line = Layout.createLine();
  if (line.isValid()) line.setLineWidth(kLineWidth);
  Layout.endLayout();
}

// ---- Measuring ----------------------------------------------------------------------

TComplexRun& TLTQtCanvas::TImpl::Measured(const TFace& face, std::u16string_view text) {
  TComplexRun& run = Complex;
  if (run.Valid && run.Face == &face && run.Order == State.Order && run.Text == text) return run;
  run.Text.assign(text);
  run.Face = &face;
  run.Order = State.Order;
  run.Valid = true;
  run.Advances.clear();
  run.Stretches.clear();
  run.Whole.reset();
  std::vector<TLTDirectionRun> stretches;
  VisualRuns(text, State.Order == TLTReadingOrder::RightToLeft, stretches);
  for (const TLTDirectionRun& r : stretches) {
    TStretch st;
    st.Start = r.Start;
    st.End = r.End;
    st.RightToLeft = r.RightToLeft;
    const std::u16string_view part = text.substr(static_cast<size_t>(r.Start), static_cast<size_t>(r.End - r.Start));
    st.Layout = LayOutLine(face.Font, part, r.RightToLeft);
    // One direction only: no cursor position lies between two directions,
    // so the distance between a cluster's two positions is its advance.
    const QTextLine line = st.Layout->lineAt(0);
    for (int s = 0; s < static_cast<int>(part.size());) {
      const int e = std::max(s + 1, ClusterEnd(part, s));
      run.Advances.push_back({r.Start + s, r.Start + e, std::abs(line.cursorToX(e) - line.cursorToX(s))});
      s = e;
    }
    run.Stretches.push_back(std::move(st));
  }
  std::sort(run.Advances.begin(), run.Advances.end(),
            [](const TAdvance& a, const TAdvance& b) { return a.Start < b.Start; });
  return run;
}

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
  const TComplexRun& run = Measured(face, text);
  int64_t clusters = 0;
  for (const TAdvance& a : run.Advances) {
    sum += a.Width;
    ++clusters;
    std::fill(out.begin() + a.Start, out.begin() + a.End, Saturate(std::llround(sum * face.Scale) + extra * clusters));
  }
}

// ---- Painting text --------------------------------------------------------------------

void TLTQtCanvas::TImpl::PaintSimple(TFace& face, std::u16string_view text, const std::vector<int>& positions) {
  // Glyphs of one font at a time, each at its measured place.
  const qreal inv = 1 / face.Scale;
  QList<quint32> indexes;
  QList<QPointF> points;
  const size_t n = text.size();
  for (size_t k = 0; k < n;) {
    const int raw = Glyph(face, text[k]).Raw;
    indexes.clear();
    points.clear();
    for (; k < n; ++k) {
      const TGlyph& g = Glyph(face, text[k]);
      if (g.Raw != raw) break;
      indexes.push_back(g.Index);
      points.push_back(QPointF((k ? positions[k - 1] : 0) * inv, 0));
    }
    QGlyphRun run;
    run.setRawFont(face.Raws[static_cast<size_t>(raw)]);
    run.setGlyphIndexes(indexes);
    run.setPositions(points);
    Painter.drawGlyphRun(QPointF(0, 0), run);
  }
}

void TLTQtCanvas::TImpl::PaintAsQt(TComplexRun& run) {
  if (!run.Whole) run.Whole = LayOutLine(run.Face->Font, run.Text, run.Order == TLTReadingOrder::RightToLeft);
  const QTextLine line = run.Whole->lineAt(0);
  const QPointF origin(line.naturalTextRect().left(), line.y() + line.ascent());
  for (const QGlyphRun& glyphs : line.glyphRuns()) Painter.drawGlyphRun(-origin, glyphs);
}

void TLTQtCanvas::TImpl::PaintPlaced(TComplexRun& run, std::u16string_view text, const std::vector<int>& positions) {
  std::vector<TLTClusterBox> boxes;
  ArrangeClusters(text, positions, run.Order == TLTReadingOrder::RightToLeft, boxes);
  const qreal inv = 1 / run.Face->Scale;
  for (const TStretch& st : run.Stretches) {
    // The stretch's clusters where its own layout put them, left to right.
    const QTextLine line = st.Layout->lineAt(0);
    struct TQtCluster {
      qreal Left;
      size_t Box;
    };
    std::vector<TQtCluster> clusters;
    for (size_t k = 0; k < boxes.size(); ++k) {
      const TLTClusterBox& b = boxes[k];
      if (b.Start < st.Start || b.End > st.End) continue;
      const qreal a = line.cursorToX(b.Start - st.Start), e = line.cursorToX(b.End - st.Start);
      clusters.push_back({std::min(a, e), k});
    }
    if (clusters.empty()) continue;
    std::sort(clusters.begin(), clusters.end(), [](const TQtCluster& a, const TQtCluster& b) { return a.Left < b.Left; });
    const qreal baseline = line.y() + line.ascent();
    for (QGlyphRun glyphs : line.glyphRuns()) {
      QList<QPointF> points = glyphs.positions();
      for (QPointF& p : points) {
        // A glyph belongs to the last cluster starting at or before it;
        // marks sit inside their base's span.
        auto it = std::upper_bound(clusters.begin(), clusters.end(), p.x(),
                                   [](qreal x, const TQtCluster& c) { return x < c.Left; });
        const TQtCluster& c = it == clusters.begin() ? clusters.front() : *(it - 1);
        p = QPointF(boxes[c.Box].Left * inv + (p.x() - c.Left), p.y() - baseline);
      }
      glyphs.setPositions(points);
      Painter.drawGlyphRun(QPointF(0, 0), glyphs);
    }
  }
}

void TLTQtCanvas::TImpl::PaintText(int x, int y, std::u16string_view text, const std::vector<int>& positions,
                                   bool simple, bool asQt) {
  TFace& face = Face();
  const TLTTextMetrics& m = face.Metrics;
  const int width = positions.empty() ? 0 : positions.back();
  if (State.Brush.Style == bsSolid && width > 0) {
    // The background reaches as far as the ink: the arm of a final "y" or
    // an italic letter leans past the advance it was measured by, and
    // must not stand outside a field code's box or a selection.
    int left = 0, right = width;
    if (!text.empty() && positions.size() == text.size()) {
      const QFontMetricsF fm(face.Font);
      left = std::min(0, static_cast<int>(std::floor(fm.leftBearing(QChar(text.front())) * face.Scale)));
      const int lastStart = text.size() > 1 ? positions[text.size() - 2] : 0;
      const QRectF ink = fm.boundingRect(QChar(text.back()));
      if (!ink.isEmpty()) right = std::max(right, lastStart + static_cast<int>(std::ceil(ink.right() * face.Scale)));
    }
    Painter.fillRect(QRect(x + left, y, right - left, m.Height), Color(State.Brush.Color));
  }
  if (text.empty()) return;

  const QTransform old = Painter.worldTransform();
  QTransform t = QTransform::fromTranslate(x, y + m.Ascent);
  t.scale(face.Scale, 1);
  Painter.setWorldTransform(t * old);
  Painter.setPen(Color(State.Font.Color));
  if (simple) {
    PaintSimple(face, text, positions);
  } else {
    TComplexRun& run = Measured(face, text);
    if (asQt)
      PaintAsQt(run);
    else
      PaintPlaced(run, text, positions);
  }
  Painter.setWorldTransform(old);

  const TLTOutlineMetrics& o = face.Outline;
  const int base = y + m.Ascent;
  if (State.Font.Style.Contains(fsUnderline))
    Painter.fillRect(QRect(x, base - o.UnderscorePosition, width, o.UnderscoreSize), Color(State.Font.Color));
  if (State.Font.Style.Contains(fsStrikeOut))
    Painter.fillRect(QRect(x, base - o.StrikeoutPosition, width, o.StrikeoutSize), Color(State.Font.Color));
}

// ---- Pens and brushes -------------------------------------------------------------------

void TLTQtCanvas::TImpl::ApplyPen() {
  const TLTPen& pen = State.Pen;
  if (pen.Style == psClear) {
    Painter.setPen(Qt::NoPen);
    return;
  }
  QPen p(Color(pen.Color));
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
  Painter.setBrush(QBrush(Color(State.Brush.Color), style));
  Painter.setBrushOrigin(0, 0);
}

void TLTQtCanvas::TImpl::FillWithBrush(const QRect& r) {
  if (State.Brush.Style == bsClear || r.isEmpty()) return;
  if (State.Brush.Style == bsSolid && KeptVisible.count(State.Brush.Color) &&
      Device->devType() == QInternal::Image) {
    Painter.fillRect(r, VisibleOn(*static_cast<QImage*>(Device), r, Color(State.Brush.Color)));
    return;
  }
  ApplyBrush();
  Painter.fillRect(r, Painter.brush());
}

QColor TLTQtCanvas::TImpl::VisibleOn(const QImage& image, const QRect& r, const QColor& c) {
  // A caret in a light palette's text colour on a light page is seen; in
  // a dark high-contrast palette's it would vanish on the same page, so it
  // takes black or white, whichever the page shows it in.
  const QRect area = r.intersected(image.rect());
  if (area.isEmpty()) return c;
  int64_t sum = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) sum += qGray(image.pixel(x, y));
  const int under = static_cast<int>(sum / (static_cast<int64_t>(area.width()) * area.height()));
  constexpr int kEnoughContrast = 96;
  if (std::abs(qGray(c.rgb()) - under) >= kEnoughContrast) return c;
  return under > 127 ? QColor(Qt::black) : QColor(Qt::white);
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
void TLTQtCanvas::SetSystemColor(TColor systemColor, const QColor& color, bool keepVisible) {
  d_->SystemColors[systemColor] = color;
  if (keepVisible)
    d_->KeptVisible.insert(systemColor);
  else
    d_->KeptVisible.erase(systemColor);
}

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
  // Without a character extra the run stands as Qt lays it out.
  d_->PaintText(x, y, text, positions, simple, d_->State.Extra == 0);
}

void TLTQtCanvas::TextOutAdvances(int x, int y, std::u16string_view text, const std::vector<int>& advances) {
  if (!d_->Active()) return;
  std::vector<int> positions;
  bool simple = false;
  d_->Positions(text, positions, simple);
  // Positions() left the run measured (or the glyph table ready); only the
  // places change.
  int64_t sum = 0;
  int previous = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int measured = positions[i] - previous;
    previous = positions[i];
    sum += i < advances.size() ? advances[i] : measured;
    positions[i] = Saturate(sum);
  }
  d_->PaintText(x, y, text, positions, simple, false);
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
    const QColor c = d_->Color(pen.Color);
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
