// Painting a formatted container: what is drawn, where, in which order and
// in which state. The style sheet draws styled text and marks; this file
// decides the runs, their states and the places of everything else.

#include "view/LTPaint.h"

#include "layout/LTFormatter.h"
#include "model/LTMarker.h"
#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"

#include <algorithm>
#include <exception>

namespace lectern {

bool TLTBackground::FixedToWindow() const {
  const bool hasImage = Image && Image->Pixels();
  return hasImage && Style != bsNoBitmap && Style != bsTiledAndScrolled;
}

namespace {

class TPainter {
 public:
  TPainter(const TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTPaintContext& ctx)
      : d_(data), c_(canvas), ctx_(ctx), style_(*data.GetStyle()) {
    dx_ = ctx.Origin.X;
    dy_ = ctx.Origin.Y;
    clip_ = {ctx.Clip.Left - dx_, ctx.Clip.Top - dy_, ctx.Clip.Right - dx_, ctx.Clip.Bottom - dy_};
    printing_ = ctx.IsPrinting();
    options_ = data.GetOptions();
    showSpecial_ = options_.Contains(ltoShowSpecialCharacters) && !printing_;
    mode_ = printing_ ? ctx.ColorMode : ltocAsIs;
    const TLTSelection& sel = ctx.Selection;
    if (!printing_ && sel.Data == &data && sel.Exists()) {
      TLTDrawPos a = sel.Anchor, b = sel.End;
      if (b < a) std::swap(a, b);
      const int n = data.DrawItems.Count();
      a.DrawItem = std::clamp(a.DrawItem, 0, n - 1);
      b.DrawItem = std::clamp(b.DrawItem, 0, n - 1);
      if (a < b) {
        selA_ = a;
        selB_ = b;
        hasSel_ = true;
      }
    }
    whole_ = ctx.WhollySelected && !printing_;
    if (!printing_) hoverId_ = ctx.HoverJumpId;
  }

  void Run();

 private:
  // Document width for full-line items and marks.
  int FullWidth() const {
    if (options_.Contains(ltoClientTextWidth)) return d_.GetClientWidth();
    int w = d_.GetLeftMargin() + d_.DocumentWidth + d_.GetRightMargin();
    if (d_.GetMaxTextWidth() > 0) w = std::min(w, d_.GetLeftMargin() + d_.GetMaxTextWidth() + d_.GetRightMargin());
    return w;
  }
  bool FirstPieceOfItem(int i) const { return d_.GetItem(d_.DrawItems[i].ItemNo).FirstDrawItem == i; }
  /// Selected characters of piece i as [from, to) in 0-based piece offsets;
  /// non-text pieces use 0..1.
  bool SelectedRange(int i, int length, int& from, int& to) const;
  void ParagraphBackgrounds(int first);
  void TextBacks(int first);
  void SoftPageBreaks(int first);
  void Piece(int i);
  void TextPiece(int i);
  void NonTextPiece(int i);
  void TextRun(int i, std::u16string_view text, int x, int width, bool selected, bool atStart, bool atEnd);
  /// Draws the selected units [uf, ut) of a piece by where its glyphs are.
  void SelectedGlyphs(int i, std::u16string_view text, const std::vector<TLTClusterBox>& boxes, int uf, int ut);
  void ParagraphMark(int i);
  /// The reading order of an item's paragraph: its own, else the document's.
  TLTBiDiMode ParaBiDi(const TCustomLTItemInfo& item) const {
    const TLTBiDiMode own = style_.ParaStyles()[item.ParaNo].BiDiMode;
    return own != ltbdUnspecified ? own : d_.GetBiDiMode();
  }
  /// The state an item paints itself in.
  TLTItemDrawState ItemState(const TCustomLTItemInfo& item, bool selected) const {
    TLTItemDrawState st = ctx_.State;
    st.Set(ltidsSelected, selected);
    st.Set(ltidsHover, IsHovered(item));
    st.Set(ltidsCurrent, &item == ctx_.CurrentItem);
    st.Set(ltidsRightToLeft, ParaBiDi(item) == ltbdRightToLeft);
    st.Set(ltidsSpecialCharacters, showSpecial_);
    return st;
  }
  void WordMarks(int first, int last);
  bool IsHovered(const TCustomLTItemInfo& item) const { return hoverId_ >= 0 && item.LinkIndex == hoverId_; }
  const TLTLayoutText& TextOf(int itemNo) {
    if (textItem_ != itemNo) {
      text_.Load(d_, itemNo, style_, showSpecial_ && ShownSpecialCharacters.Contains(ltscSoftHyphen));
      textItem_ = itemNo;
    }
    return text_;
  }
  /// Selects a text style's font for a paragraph's reading order, unless
  /// the canvas holds it still.
  void SelectStyle(int styleNo, TLTBiDiMode paraBiDi) {
    if (styleNo == lastStyle_ && paraBiDi == lastBiDi_ && c_.TextStateStamp() == lastStamp_) return;
    style_.ApplyTextStyle(c_, styleNo, paraBiDi, false, 0, true);
    lastStyle_ = styleNo;
    lastBiDi_ = paraBiDi;
    lastStamp_ = c_.TextStateStamp();
  }
  /// Selects the style of a text piece, read in the piece's own order.
  void SelectPieceStyle(const TLTDrawLineInfo& p) {
    const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
    SelectStyle(item.StyleNo, ParaBiDi(item));
    c_.SetReadingOrder(p.RightToLeft ? TLTReadingOrder::RightToLeft : TLTReadingOrder::LeftToRight);
    // Every piece sets its own order after selecting: the style still holds.
    lastStamp_ = c_.TextStateStamp();
  }
  /// The band of a line for the line selection style.
  TLTLineBox LineBand(int first) const;

  const TCustomLTFormattedData& d_;
  TLTCanvas& c_;
  const TLTPaintContext& ctx_;
  TLTStyle& style_;
  int dx_ = 0, dy_ = 0;
  TLTRectI clip_;
  TLTOptions options_;
  bool printing_ = false;
  bool showSpecial_ = false;
  TLTOutputColorMode mode_ = ltocAsIs;
  bool hasSel_ = false, whole_ = false;
  int hoverId_ = -1;  // the hyperlink shown hovered, -1 for none
  TLTDrawPos selA_, selB_;
  int lastStyle_ = -1;
  TLTBiDiMode lastBiDi_ = ltbdUnspecified;
  uint64_t lastStamp_ = 0;
  int textItem_ = -1;
  TLTLayoutText text_;
  int bandTop_ = 0, bandBottom_ = 0;
};

bool TPainter::SelectedRange(int i, int length, int& from, int& to) const {
  if (whole_) {
    from = 0;
    to = length;
    return length > 0 || !d_.GetItem(d_.DrawItems[i].ItemNo).IsText();
  }
  if (!hasSel_ || i < selA_.DrawItem || i > selB_.DrawItem) return false;
  const bool text = d_.GetItem(d_.DrawItems[i].ItemNo).IsText();
  // Text offsets are 1..Length+1; other items 0 (before) and 1 (after).
  const int base = text ? 1 : 0;
  from = i == selA_.DrawItem ? std::clamp(selA_.Offset - base, 0, length) : 0;
  to = i == selB_.DrawItem ? std::clamp(selB_.Offset - base, 0, length) : length;
  return to > from;
}

TLTLineBox TPainter::LineBand(int first) const {
  TLTLineBox line = d_.LineOf(first);
  const TLTDrawLineInfo& p = d_.DrawItems[line.First];
  const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
  const TParaInfo& para = style_.ParaStyles()[item.ParaNo];
  const TLTResolutionScale& s = d_.Scale();
  if (item.StartsParagraph() && item.FirstDrawItem == line.First) line.Top -= std::max(0, s.Y(para.SpaceBefore));
  const int l = line.Last;
  const bool lastLine = l + 1 >= d_.DrawItems.Count() ||
                        (d_.GetItem(d_.DrawItems[l + 1].ItemNo).StartsParagraph() && FirstPieceOfItem(l + 1));
  if (lastLine) line.Bottom += std::max(0, s.Y(para.SpaceAfter));
  return line;
}

void TPainter::ParagraphBackgrounds(int first) {
  const int n = d_.DrawItems.Count();
  const TLTResolutionScale& scale = d_.Scale();
  int i = first;
  while (i < n) {
    const TLTDrawLineInfo& head = d_.DrawItems[i];
    if (head.LineTop() >= clip_.Bottom) break;
    int j = i + 1;
    while (j < n) {
      const TLTDrawLineInfo& q = d_.DrawItems[j];
      if (q.StartsLine && d_.GetItem(q.ItemNo).StartsParagraph() && FirstPieceOfItem(j)) break;
      ++j;
    }
    const TCustomLTItemInfo& item = d_.GetItem(head.ItemNo);
    const TParaInfo& para = style_.ParaStyles()[item.ParaNo];
    const bool startsHere = item.StartsParagraph() && FirstPieceOfItem(i);
    const bool wanted = para.Border.Style != ltbNone || para.Background.Color != clNone || style_.OnDrawParaBack;
    if (startsHere && wanted && (item.IsText() || !item.GetBoolValue(iqOwnParagraphLook))) {
      int left = d_.GetLeftMargin() + scale.X(para.LeftIndent + std::min(0, para.FirstIndent));
      int right;
      if (d_.GetMaxTextWidth() >= 1 && !options_.Contains(ltoClientTextWidth))
        right = d_.GetLeftMargin() + d_.GetMaxTextWidth() - scale.X(para.RightIndent);
      else
        right = (options_.Contains(ltoClientTextWidth) ? d_.GetClientWidth()
                                                       : d_.GetLeftMargin() + d_.DocumentWidth + d_.GetRightMargin()) -
                d_.GetRightMargin() - scale.X(para.RightIndent);
      int top = INT32_MAX, bottom = INT32_MIN;
      for (int k = i; k < j; ++k) {
        const TLTDrawLineInfo& q = d_.DrawItems[k];
        right = std::max(right, q.Left + q.Width);
        top = std::min(top, q.LineTop());
        bottom = std::max(bottom, q.LineBottom());
      }
      const TLTRectI r{left + dx_, top + dy_, right + dx_, bottom + dy_};
      {
        TLTCanvasSaver keep(c_);
        style_.PaintParaBack(c_, item.ParaNo, r, mode_, scale);
      }
      TLTCanvasSaver keep(c_);
      para.Border.Draw(c_, r, mode_, scale);
    }
    i = j;
  }
}

void TPainter::TextBacks(int first) {
  if (!style_.OnDrawTextBack) return;
  for (int i = first; i < d_.DrawItems.Count(); ++i) {
    const TLTDrawLineInfo& p = d_.DrawItems[i];
    if (p.StartsLine && p.LineTop() >= clip_.Bottom) break;
    const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
    if (!item.IsText()) continue;
    TLTTextDrawState st;
    if (IsHovered(item)) st.Include(lttsHover);
    style_.PaintTextBack(c_, item.StyleNo, {p.Left + dx_, p.Top + dy_, p.Left + p.Width + dx_, p.Top + p.Height + dy_},
                         st);
  }
}

void TPainter::SoftPageBreaks(int first) {
  if (!ctx_.SoftPageBreaks || !options_.Contains(ltoShowPageBreaks)) return;
  const int firstItem = d_.DrawItems[first].ItemNo;
  for (int itemNo : *ctx_.SoftPageBreaks) {
    if (itemNo < firstItem || itemNo >= d_.ItemCount()) continue;
    const int di = d_.GetItem(itemNo).FirstDrawItem;
    if (di < 0) continue;
    const int top = d_.LineOf(di).Top;
    if (top >= clip_.Bottom) break;
    style_.PaintPageBreak(c_, top - 1 + dy_, -dx_, ltpbSoftPageBreak, FullWidth(), &d_);
  }
}

void TPainter::TextRun(int i, std::u16string_view text, int x, int width, bool selected, bool atStart, bool atEnd) {
  const TLTDrawLineInfo& p = d_.DrawItems[i];
  const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
  TLTTextDrawState st;
  if (selected) st.Include(lttsSelected);
  if (IsHovered(item)) st.Include(lttsHover);
  if (style_.OnDrawStyleText) {
    if (atStart) {
      st.Include(lttsDrawItemStart);
      if (p.Offset <= 1) st.Include(lttsItemStart);
    }
    if (atEnd) {
      st.Include(lttsDrawItemEnd);
      if (p.Offset - 1 + p.Length >= item.TextLength()) st.Include(lttsItemEnd);
    }
  }
  if (ctx_.IsFocused()) st.Include(lttsControlFocused);
  if (showSpecial_) st.Include(lttsSpecialCharacters);
  style_.ApplyTextStyleColor(c_, item.StyleNo, st, printing_, mode_);

  // No space is appended for the paragraph mark: it would be marked as a
  // space itself and its dot would sit under the mark.
  if (style_.SelectionStyle == ltssLines && selected && width > 0) {
    TLTCanvasSaver keep(c_);
    c_.SetBrush({c_.Brush().Color, bsSolid});
    c_.FillRect({x - 1, bandTop_ + dy_, x + width + 1, bandBottom_ + dy_});
  }
  TLTStyleTextRun run;
  run.Text = text;
  run.SpaceBefore = atStart ? p.JustifyExtra : 0;
  run.RightToLeft = p.RightToLeft;
  run.Left = atStart || p.RightToLeft ? x : x + p.JustifyExtra;
  run.Top = p.Top + dy_;
  run.Width = width;
  run.Height = p.Height;
  run.State = st;
  run.Printing = printing_;
  run.ColorMode = mode_;
  run.DefBiDiMode = ParaBiDi(item);
  run.Data = &d_;
  run.ItemNo = p.ItemNo;
  run.Offset = p.Offset;
  style_.PaintStyleText(c_, item.StyleNo, run);
}

void TPainter::TextPiece(int i) {
  const TLTDrawLineInfo& p = d_.DrawItems[i];
  const TLTLayoutText& t = TextOf(p.ItemNo);
  const int u0 = t.UnitOfChar(p.Offset - 1);
  const int u1 = t.UnitOfChar(p.Offset - 1 + p.Length);
  std::u16string text = t.display.substr(static_cast<size_t>(u0), static_cast<size_t>(u1 - u0));
  const int n = d_.DrawItems.Count();
  const bool endsLine = i + 1 >= n || d_.DrawItems[i + 1].StartsLine;
  const bool endsPara = i + 1 >= n || (d_.GetItem(d_.DrawItems[i + 1].ItemNo).StartsParagraph() &&
                                       d_.DrawItems[i + 1].ItemNo != p.ItemNo);
  // A soft hyphen where the line wraps shows as a hyphen.
  if (endsLine && !endsPara && t.unicode && u1 > u0 && t.stored[static_cast<size_t>(u1 - 1)] == 0x00AD)
    text.back() = u'-';
  SelectPieceStyle(p);
  int from = 0, to = 0;
  const bool selected = SelectedRange(i, p.Length, from, to);
  const int x = p.Left + dx_;
  if (!selected) {
    TextRun(i, text, x, p.Width, false, true, true);
    return;
  }
  const int uf = t.UnitOfChar(p.Offset - 1 + from) - u0;
  const int ut = t.UnitOfChar(p.Offset - 1 + to) - u0;
  if (uf == 0 && ut == static_cast<int>(text.size())) {
    TextRun(i, text, x, p.Width, true, true, true);
    return;
  }
  TextRun(i, text, x, p.Width, false, true, true);
  SelectPieceStyle(p);
  std::vector<TLTClusterBox> boxes;
  c_.ClusterBoxes(text, boxes);
  if (!IsPlainLeftToRight(boxes)) {
    SelectedGlyphs(i, text, boxes, uf, ut);
    return;
  }
  // The selected characters over it, at their place in the piece.
  const std::u16string_view part =
      std::u16string_view(text).substr(static_cast<size_t>(uf), static_cast<size_t>(ut - uf));
  const int before = uf > 0 ? c_.TextWidth(std::u16string_view(text).substr(0, static_cast<size_t>(uf))) : 0;
  const bool measure = style_.OnDrawStyleText || style_.SelectionStyle == ltssLines;
  const int width = measure ? c_.TextWidth(part) : 0;
  TextRun(i, part, x + before, width, true, uf == 0, ut == static_cast<int>(text.size()));
}

void TPainter::SelectedGlyphs(int i, std::u16string_view text, const std::vector<TLTClusterBox>& boxes, int uf,
                              int ut) {
  // Characters of both directions: the selected ones are not one stretch
  // of the run, so the whole run is drawn selected once more, shown only
  // over the glyphs of the selected characters.
  const TLTDrawLineInfo& p = d_.DrawItems[i];
  std::vector<TLTSpanI> spans;
  SpansOfUnits(boxes, uf, ut, spans);
  const int origin = TextOrigin(p) + dx_;
  for (const TLTSpanI& span : spans) {
    TLTCanvasSaver keep(c_);
    c_.IntersectClip({origin + span.Left, p.Top + dy_, origin + span.Right, p.Top + p.Height + dy_});
    SelectPieceStyle(p);
    TextRun(i, text, p.Left + dx_, p.Width, true, uf == 0, ut == static_cast<int>(text.size()));
  }
}

void TPainter::NonTextPiece(int i) {
  const TLTDrawLineInfo& p = d_.DrawItems[i];
  const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
  int from = 0, to = 0;
  TLTItemPaintInfo info;
  info.Box = {p.Left + dx_, p.Top + dy_, p.Left + p.Width + dx_, p.Top + p.Height + dy_};
  info.Clip = ctx_.Clip;
  info.BandTop = bandTop_ + dy_;
  info.BandBottom = bandBottom_ + dy_;
  info.State = ItemState(item, SelectedRange(i, 1, from, to));
  info.ColorMode = mode_;
  info.BiDiMode = d_.GetBiDiMode();
  info.Style = &style_;
  info.Owner = &d_;
  info.Scale = &d_.Scale();
  info.Context = &ctx_;
  item.Paint(c_, info);
}

void TPainter::ParagraphMark(int i) {
  if (!showSpecial_ || !ShownSpecialCharacters.Contains(ltscParagraph)) return;
  const int n = d_.DrawItems.Count();
  const TLTDrawLineInfo& p = d_.DrawItems[i];
  const bool last = i + 1 >= n;
  // A line that wraps inside an item ends no paragraph, whatever the item.
  const bool paraEnd =
      last || (d_.DrawItems[i + 1].ItemNo != p.ItemNo && d_.GetItem(d_.DrawItems[i + 1].ItemNo).StartsParagraph());
  const bool lineBreak =
      !paraEnd && d_.DrawItems[i + 1].ItemNo != p.ItemNo && d_.GetItem(d_.DrawItems[i + 1].ItemNo).HasFlag(ltifNewLine);
  if (!paraEnd && !lineBreak) return;
  const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
  const int styleNo = item.IsText() ? item.StyleNo : 0;
  TLTCanvasSaver keep(c_);
  SelectStyle(styleNo, ParaBiDi(item));
  style_.ApplyTextStyleColor(c_, styleNo, {}, false, ltocAsIs);
  TLTCanvasFont f = c_.Font();
  std::u16string_view mark = u"\u00B6";
  if (lineBreak) {
    f.Name = u"Symbol";
    f.Charset = 2;
    mark = u"\u21B5";
  } else if (SameTextFold(f.Name, u"Symbol") || SameTextFold(f.Name, u"Wingdings") || f.Charset == 2) {
    f.Name = u"Arial";
    f.Charset = 1;
  }
  c_.SetFont(f);
  c_.SetBrushStyle(bsClear);
  const TLTSizeI ext = c_.TextExtent(mark);
  const int x = ParaBiDi(item) == ltbdRightToLeft ? p.Left - ext.Width : p.Left + p.Width;
  c_.TextOut(x + dx_, p.Top + p.Height - ext.Height + dy_, mark);
}

void TPainter::WordMarks(int first, int last) {
  for (int i = first; i < last; ++i) {
    const TLTDrawLineInfo& p = d_.DrawItems[i];
    const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
    if (!item.MarkList || !item.IsText() || p.Length <= 0) continue;
    const TLTLayoutText& t = TextOf(p.ItemNo);
    const int u0 = t.UnitOfChar(p.Offset - 1);
    const int u1 = t.UnitOfChar(p.Offset - 1 + p.Length);
    const std::u16string_view s =
        std::u16string_view(t.display).substr(static_cast<size_t>(u0), static_cast<size_t>(u1 - u0));
    SelectPieceStyle(p);
    std::vector<TLTClusterBox> boxes;
    std::vector<TLTSpanI> spans;
    for (const auto& painter : *item.MarkList) {
      // The part of the word inside this piece, in characters from its start.
      const int64_t a = std::max<int64_t>(painter->StartOffs, p.Offset) - p.Offset;
      const int64_t b = std::min<int64_t>(static_cast<int64_t>(painter->StartOffs) + painter->Length,
                                          static_cast<int64_t>(p.Offset) + p.Length) -
                        p.Offset;
      if (b <= a) continue;
      if (boxes.empty()) c_.ClusterBoxes(s, boxes);
      if (boxes.empty()) break;
      const int ua = t.UnitOfChar(p.Offset - 1 + static_cast<int>(a)) - u0;
      const int ub = t.UnitOfChar(p.Offset - 1 + static_cast<int>(b)) - u0;
      // A word that reads in both directions may show in several stretches.
      SpansOfUnits(boxes, ua, ub, spans);
      const int origin = TextOrigin(p);
      for (const TLTSpanI& span : spans)
        painter->Paint(c_, {origin + span.Left + dx_, p.Top + dy_, origin + span.Right + dx_, p.Top + p.Height + dy_},
                       style_);
    }
  }
}

void TPainter::Piece(int i) {
  const TLTDrawLineInfo& p = d_.DrawItems[i];
  const TCustomLTItemInfo& item = d_.GetItem(p.ItemNo);
  if (p.StartsLine && style_.SelectionStyle == ltssLines && (hasSel_ || whole_)) {
    const TLTLineBox band = LineBand(i);
    bandTop_ = band.Top;
    bandBottom_ = band.Bottom;
  }
  const bool first = FirstPieceOfItem(i);
  if (first && item.HasFlag(ltifNewPage) && options_.Contains(ltoShowPageBreaks)) {
    style_.PaintPageBreak(c_, d_.LineOf(i).Top - 1 + dy_, -dx_, ltpbPageBreak, FullWidth(), &d_);
  }
  if (first && !printing_ && item.Checkpoint && options_.Contains(ltoShowCheckpoints)) {
    style_.PaintCheckpoint(c_, p.Left + dx_, p.Top + dy_, p.ItemNo, -dx_, item.Checkpoint->RaiseEvent, FullWidth(),
                           &d_);
  }
  if (item.IsText())
    TextPiece(i);
  else
    NonTextPiece(i);
  ParagraphMark(i);
}

void TPainter::Run() {
  const int n = d_.DrawItems.Count();
  if (n > 0) {
    int first = std::max(0, d_.DrawItemAtY(clip_.Top));
    // From the first piece of its paragraph, so that the paragraph's
    // background is painted whole.
    int paraStart = first;
    while (paraStart > 0 &&
           !(d_.DrawItems[paraStart].StartsLine && d_.GetItem(d_.DrawItems[paraStart].ItemNo).StartsParagraph() &&
             FirstPieceOfItem(paraStart)))
      --paraStart;
    ParagraphBackgrounds(paraStart);
    TextBacks(first);
    SoftPageBreaks(first);
    int end = first;
    for (int i = first; i < n; ++i, end = i) {
      const TLTDrawLineInfo& p = d_.DrawItems[i];
      if (p.StartsLine && p.LineTop() >= clip_.Bottom) break;
      if (ctx_.WholeLinesOnly && p.Top + p.Height > clip_.Bottom) continue;
      if (ctx_.TextInsideClipOnly && (p.Top < clip_.Top || p.Top + p.Height > clip_.Bottom) &&
          d_.GetItem(p.ItemNo).IsText())
        continue;
      Piece(i);
    }
    if (!printing_) WordMarks(first, end);
  }
  if (!printing_ && options_.Contains(ltoShowCheckpoints) && d_.PendingCheckpoint()) {
    style_.PaintCheckpoint(c_, d_.GetLeftMargin() + dx_, d_.DocumentHeight - d_.GetBottomMargin() + dy_, -1, -dx_,
                           d_.PendingCheckpoint()->RaiseEvent, FullWidth(), &d_);
  }
  d_.PaintOverlay(c_, ctx_);
}

}  // namespace

void PaintTo(const TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTPaintContext& context) {
  if (!data.GetStyle() || data.IsFormatting()) return;
  TLTCanvasSaver keep(canvas);
  canvas.IntersectClip(context.Clip);
  TPainter(data, canvas, context).Run();
}

void PaintBackgroundIn(TLTCanvas& canvas, const TLTRectI& area, const TLTRectI& place, TColor color,
                       const TGraphic* image, TBackgroundStyle style, int scrollX, int scrollY) {
  if (area.IsEmpty()) return;
  const TLTPixels* pixels = image && style != bsNoBitmap ? image->Pixels() : nullptr;
  const int w = pixels ? pixels->Width : 0, h = pixels ? pixels->Height : 0;
  // A picture of no size covers nothing and is never tiled.
  const bool hasImage = pixels && w > 0 && h > 0;
  const bool covers = hasImage && !image->Transparent() && !place.IsEmpty() &&
                      (style == bsStretched || style == bsTiled || style == bsTiledAndScrolled);
  TLTCanvasSaver keep(canvas);
  canvas.IntersectClip(area);
  if (color != clNone && !covers) {
    canvas.SetBrush({color, bsSolid});
    canvas.FillRect(area);
  }
  if (!hasImage) return;
  auto draw = [&](int x, int y) { canvas.DrawPixels({x, y, x + w, y + h}, *pixels); };
  const int pw = place.Width(), ph = place.Height();
  switch (style) {
    case bsStretched:
      canvas.DrawPixels(place, *pixels);
      break;
    case bsTiled:
    case bsTiledAndScrolled: {
      // Only the tiles that meet the area, counted from the place's corner.
      int64_t ox = place.Left, oy = place.Top;
      if (style == bsTiledAndScrolled) {
        ox -= ((scrollX % w) + w) % w;
        oy -= ((scrollY % h) + h) % h;
      }
      const int64_t x0 = ox + ((area.Left - ox) / w) * w - (area.Left < ox ? w : 0);
      const int64_t y0 = oy + ((area.Top - oy) / h) * h - (area.Top < oy ? h : 0);
      for (int64_t y = y0; y < area.Bottom; y += h)
        for (int64_t x = x0; x < area.Right; x += w) draw(static_cast<int>(x), static_cast<int>(y));
      break;
    }
    case bsCentered:
      draw(place.Left + (pw - w) / 2, place.Top + (ph - h) / 2);
      break;
    case bsTopLeft:
      draw(place.Left, place.Top);
      break;
    case bsTopRight:
      draw(place.Right - w, place.Top);
      break;
    case bsBottomLeft:
      draw(place.Left, place.Bottom - h);
      break;
    case bsBottomRight:
      draw(place.Right - w, place.Bottom - h);
      break;
    case bsNoBitmap:
      break;
  }
}

void PaintBackground(TLTCanvas& canvas, const TLTRectI& r, const TLTBackground& background, const TLTStyle* style,
                     int scrollX, int scrollY, int clientW, int clientH) {
  const TColor color = background.Color != clNone ? background.Color : style ? style->Color : clWindow;
  PaintBackgroundIn(canvas, r, {0, 0, clientW, clientH}, color, background.Image.get(), background.Style, scrollX,
                    scrollY);
}

void PaintControl(const TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTRectI& r,
                  const TLTBackground& background, const std::string& controlName, TLTPaintContext context) {
  if (!data.GetStyle()) {
    TLTCanvasSaver keep(canvas);
    canvas.SetBrush({background.Color != clNone ? background.Color : clWindow, bsSolid});
    canvas.FillRect(r);
    TLTCanvasFont f;
    f.Name = u"MS Sans Serif";
    f.SetSize(8);
    f.Color = clWindowText;
    canvas.SetFont(f);
    canvas.SetBrushStyle(bsClear);
    const std::string message =
        "Style is not defined\rCreate a TLTStyle object and assign it to " + controlName + ".Style";
    int y = 0;
    for (size_t start = 0; start <= message.size();) {
      size_t end = message.find('\r', start);
      if (end == std::string::npos) end = message.size();
      canvas.TextOut(0, y, Utf8ToUtf16(message.substr(start, end - start)));
      y += canvas.TextMetrics().Height;
      start = end + 1;
    }
    return;
  }
  if (data.IsFormatting()) return;
  PaintBackground(canvas, r, background, data.GetStyle(), data.GetViewLeft(), data.GetViewTop(), data.GetClientWidth(),
                  data.GetClientHeight());
  context.Clip = r;
  try {
    PaintTo(data, canvas, context);
  } catch (const std::exception& e) {
    // A failing item must not take the application down: the reader sees
    // what was painted and why the rest is missing.
    TLTCanvasSaver keep(canvas);
    TLTCanvasFont f;
    f.Name = u"Arial";
    f.SetSize(10);
    f.Color = MakeColor(0x0000FF);
    canvas.SetFont(f);
    canvas.SetBrush({MakeColor(0xFFFFFF), bsSolid});
    canvas.TextOut(r.Left, r.Top, u"Error: " + Utf8ToUtf16(e.what()));
  }
}

}  // namespace lectern
