// How the built-in item kinds measure, lay out and paint themselves, and
// how they describe themselves in a document dump. Formatting and painting
// ask every non-text item the same questions; the answers live here, one
// kind after the other, so that a kind's look is in one place.
//
// Design notes. Sizes are device pixels: style lengths are scaled by the
// layout's scale, item sizes that come from pictures too. Painting leaves
// the canvas as it found it (every kind keeps its changes inside a saver),
// and the text state stamp of the canvas tells formatting and painting when
// they must select their text style again.

#include "model/CLTData.h"
#include "model/LTItem.h"
#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"

#include <algorithm>

namespace lectern {

namespace {

/// Half the height of a rule's line, in screen pixels: the rule's piece is
/// twice this and one pixel high.
constexpr int kRuleHalfHeight = 5;
/// Room left free at either end of a rule's line, in screen pixels.
constexpr int kRuleInset = 5;
/// Pen width of the frame around a selected picture or full-line item.
constexpr int kSelectionFrameWidth = 2;

/// Content plus spacing on both sides, held within what layout computes with.
int OuterLength(int content, int spacing) {
  return ClampStyleLength(int64_t{std::max(0, content)} + 2 * int64_t{std::max(0, spacing)});
}

}  // namespace

// ---- Paint information ----------------------------------------------------------------

TColor TLTItemPaintInfo::SelectionColor() const {
  return State.Contains(ltidsFocused) ? Style->SelColor : Style->InactiveSelColor;
}

void TLTItemPaintInfo::FillSelectionBand(TLTCanvas& canvas) const {
  const TColor color = SelectionColor();
  if (!IsSelected() || Style->SelectionStyle != ltssLines || color == clNone) return;
  TLTCanvasSaver keep(canvas);
  canvas.SetBrush({color, bsSolid});
  canvas.FillRect({Box.Left, BandTop, Box.Right, BandBottom});
}

void TLTItemPaintInfo::FrameSelection(TLTCanvas& canvas, const TLTRectI& r) const {
  const TColor color = SelectionColor();
  if (!IsSelected() || color == clNone) return;
  TLTCanvasSaver keep(canvas);
  canvas.SetPen({color, kSelectionFrameWidth, psInsideFrame});
  canvas.SetBrushStyle(bsClear);
  canvas.Rectangle(r);
}

void TLTItemPaintInfo::FillTextSelection(TLTCanvas& canvas) const {
  if (Style->SelectionStyle == ltssLines) {
    FillSelectionBand(canvas);
  } else if (IsSelected() && SelectionColor() != clNone) {
    TLTCanvasSaver keep(canvas);
    canvas.SetBrush({SelectionColor(), bsSolid});
    canvas.FillRect(Box);
  }
}

void TLTItemPaintInfo::ApplyTextStyle(TLTCanvas& canvas, int32_t styleNo) const {
  Style->ApplyTextStyle(canvas, styleNo, BiDiMode, false, 0, true);
  TLTTextDrawState st;
  if (IsSelected()) st.Include(lttsSelected);
  if (State.Contains(ltidsFocused)) st.Include(lttsControlFocused);
  if (State.Contains(ltidsHover)) st.Include(lttsHover);
  Style->ApplyTextStyleColor(canvas, styleNo, st, IsPrinting(), ColorMode);
}

// ---- Every item ---------------------------------------------------------------------------

TLTFullLineBox TCustomLTItemInfo::LayOutFullLine(TLTItemLayoutContext& ctx, const TLTFullLineArea& area) {
  const int available = area.Available;
  OnDocWidthChange(ctx, available);
  TLTFullLineBox box;
  box.Width = std::clamp(GetWidth(), 0, 1000000);
  box.Height = std::clamp(GetHeight(), 0, 1000000);
  int64_t left = area.Left;
  if (area.Alignment == ltaRight)
    left += std::max(0, available - box.Width);
  else if (area.Alignment == ltaCenter)
    left += std::max(0, available - box.Width) / 2;
  box.Left = static_cast<int>(std::clamp<int64_t>(left + GetPenOffset(), -1000000, 1000000));
  return box;
}

void TCustomLTItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  const int spacing = info.Scale->X(std::max(0, GetBorderWidth()));
  const TLTRectI& b = info.Box;
  const TLTRectI box{b.Left + spacing, b.Top + spacing, b.Right - spacing, b.Bottom - spacing};
  const TGraphic* g = GetImage();
  const TGraphic* shown = g && g->Pixels() ? g : info.Style->InvalidPicture();
  if (shown && shown->Pixels()) canvas.DrawPixels(box, *shown->Pixels());
  if (info.Style->SelectionStyle == ltssItems) info.FrameSelection(canvas, box);
}

std::string TCustomLTItemInfo::DumpHead() const { return "kind" + IntToStr(StyleNo); }

std::string TLTTextItemInfo::DumpHead() const { return "text style=" + IntToStr(StyleNo); }

// ---- Non-text and full-line items ----------------------------------------------------------

void TLTNonTextItemInfo::SetBox(int width, int height, int descent) {
  boxWidth_ = width;
  boxHeight_ = height;
  boxDescent_ = descent;
}

void TLTNonTextItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int /*availableWidth*/) {
  int w = ctx.Scale.X(OuterLength(GetImageWidth(&ctx.Style), GetBorderWidth()));
  int h = ctx.Scale.Y(OuterLength(GetImageHeight(&ctx.Style), GetBorderHeight()));
  if (w == 0 && h == 0) {
    w = ctx.Scale.X(LTDefaultItemSide);
    h = ctx.Scale.Y(LTDefaultItemSide);
  }
  SetBox(w, h);
}

int TLTNonTextItemInfo::GetMinWidth(TLTItemLayoutContext& ctx) {
  OnDocWidthChange(ctx, 0);
  return GetWidth() + GetPenOffset();
}

void TLTFullLineItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) {
  SetBox(std::max(availableWidth, 1), ctx.Scale.Y(LTDefaultItemSide));
}

void TLTFullLineItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  {
    TLTCanvasSaver keep(canvas);
    canvas.SetPen({MakeColor(0x808080), 1, psSolid});
    canvas.SetBrushStyle(bsClear);
    canvas.Rectangle(info.Box);
  }
  info.FrameSelection(canvas, info.Box);
}

// ---- Rules ------------------------------------------------------------------------------------

bool TLTBreakItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  return q == iqOwnParagraphLook || TLTFullLineItemInfo::GetBoolValue(q);
}

TLTFullLineBox TLTBreakItemInfo::LayOutFullLine(TLTItemLayoutContext& ctx, const TLTFullLineArea& area) {
  const int half = ctx.Scale.Y(kRuleHalfHeight);
  SetBox(area.TextWidth, 2 * half + 1);
  return {0, GetWidth(), GetHeight()};
}

int TLTBreakItemInfo::GetExtraSpaceBefore(const TLTStyle& style, const TLTDeviceScale& scale) const {
  return std::max(0, scale.Y(style.ParaStyles()[0].SpaceBefore));
}

void TLTBreakItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  const TColor color = OutputColor(Color != clNone ? Color : info.Style->TextStyles()[0].Color, info.ColorMode);
  const int inset = info.Scale->X(kRuleInset);
  const TLTRectI b{info.Box.Left + inset, info.Box.Top, std::max(info.Box.Left + inset, info.Box.Right - inset),
                   info.Box.Bottom};
  const int w = std::max(1, info.Scale->Y(LineWidth));
  const int top = b.Top + b.Height() / 2 - w / 2;
  {
    TLTCanvasSaver keep(canvas);
    switch (Style) {
      case ltbsSolid:
        canvas.SetBrush({color, bsSolid});
        canvas.FillRect({b.Left, top, b.Right, top + w});
        break;
      case ltbsFrame:
        canvas.SetPen({color, 1, psSolid});
        canvas.SetBrushStyle(bsClear);
        canvas.Rectangle({b.Left, top - 1, b.Right, top + w + 1});
        break;
      case ltbs3D:
        canvas.SetBrush({MakeColor(0x808080), bsSolid});
        canvas.FillRect({b.Left, top, b.Right, top + std::max(1, w / 2)});
        canvas.SetBrush({MakeColor(0xFFFFFF), bsSolid});
        canvas.FillRect({b.Left, top + std::max(1, w / 2), b.Right, top + std::max(2, w)});
        break;
      case ltbsDots:
      case ltbsDashes: {
        const int on = Style == ltbsDots ? w : 3 * w;
        const int period = std::max(Style == ltbsDots ? 2 * w : 5 * w, 2);
        canvas.SetBrush({color, bsSolid});
        for (int x = b.Left; x < b.Right; x += period) canvas.FillRect({x, top, std::min(x + on, b.Right), top + w});
        break;
      }
    }
  }
  info.FrameSelection(canvas, info.Box);
}

// ---- Rect items ---------------------------------------------------------------------------------

int TLTRectItemInfo::GetVShift(const TLTDeviceScale& scale) const {
  if (VShiftAbs) return scale.Y(VShift);
  return static_cast<int>(int64_t{GetHeight()} * std::clamp(VShift, -1000, 1000) / 100);
}

void TLTRectItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  info.FillSelectionBand(canvas);
  TLTNonTextItemInfo::Paint(canvas, info);
}

// ---- Tabs ---------------------------------------------------------------------------------------

TLTLinePlacement TLTTabItemInfo::PlaceOnLine(TLTItemLayoutContext& ctx, ILTItemLine& line) {
  const int32_t styleNo =
      ctx.Owner ? ctx.Owner->ResolveTextStyle(TextStyleNo, ParaNo) : (TextStyleNo == MaxInt ? 0 : TextStyleNo);
  const TLTLineFont font = line.SelectTextStyle(styleNo);
  const TLTStyle::TTabStop stop = line.NextTabStop();
  const int pen = line.PenX();
  Leader = stop.Leader;
  styleShift_ = font.Shift;
  // Right and centre tabs grow when the line learns what follows them.
  SetBox(stop.Align == lttaLeft ? std::max(0, stop.Position - pen) : 0, font.Ascent + font.Descent, font.Descent);
  if (stop.Align == lttaLeft) return {};
  return {stop.Align, stop.Position};
}

void TLTTabItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  const TLTRectI& b = info.Box;
  info.FillTextSelection(canvas);
  if (Leader.empty() || b.Width() <= 0) return;
  TLTCanvasSaver keep(canvas);
  info.ApplyTextStyle(canvas, info.Owner->ResolveTextStyle(TextStyleNo, ParaNo));
  // Whole leaders only, flush with the stop.
  const int lw = std::max(1, canvas.TextWidth(Leader));
  const int count = b.Width() / lw;
  TLTString leader;
  leader.reserve(static_cast<size_t>(count) * Leader.size());
  for (int k = 0; k < count; ++k) leader += Leader;
  canvas.SetBrushStyle(bsClear);
  canvas.TextOut(b.Right - count * lw, b.Top, leader);
}

// ---- Controls, bullets and hotspots ---------------------------------------------------------------

void TLTControlItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) {
  if (!HasPercentWidth() || !Control) {
    TLTRectItemInfo::OnDocWidthChange(ctx, availableWidth);
    return;
  }
  // The width comes from formatting, in the device's pixels already.
  const int spacing = std::max(0, Spacing());
  const int outer = static_cast<int>(int64_t{std::max(0, availableWidth)} * PercentWidth / 100);
  Control->SetWidth(std::max(0, outer - 2 * spacing));
  SetBox(Control->Width() + 2 * spacing, ctx.Scale.Y(OuterLength(Control->Height(), spacing)));
}

int TLTControlItemInfo::GetMinWidth(TLTItemLayoutContext& ctx) {
  if (HasPercentWidth()) return ctx.Scale.X(LTDefaultItemSide);
  return TLTRectItemInfo::GetMinWidth(ctx);
}

void TLTControlItemInfo::PlaceControl(ILTWindow& window, int left, int top) {
  if (!Control) return;
  const int spacing = std::max(0, Spacing());
  window.PlaceControl(*Control, {left + spacing, top + spacing}, visible_);
}

void TLTControlItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  info.FillSelectionBand(canvas);
  if (Control) return;
  // A control the host could not make keeps its place and its size.
  TLTCanvasSaver keep(canvas);
  canvas.SetPen({MakeColor(0x808080), 1, psDot});
  canvas.SetBrushStyle(bsClear);
  canvas.Rectangle(info.Box);
}

void TLTBulletItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  info.FillSelectionBand(canvas);
  const int spacing = std::max(0, GetBorderWidth());
  const int index = GetImageIndex(info.State.Contains(ltidsHover));
  if (!ImageList || index < 0 || index >= ImageList->Count()) return;
  const TLTRectI& b = info.Box;
  canvas.DrawPixels({b.Left + spacing, b.Top + spacing, b.Right - spacing, b.Bottom - spacing},
                    ImageList->Images[static_cast<size_t>(index)]);
}

}  // namespace lectern
