// Drawing the pieces of a formatted container.

#include "layout/LTDrawPieces.h"

#include "layout/LTFormatter.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"

#include <algorithm>

namespace lectern {

namespace {

void DrawMarker(TCustomLTFormattedData& data, TLTCanvas& canvas, TLTStyle& style, const TLTMarkerItemInfo& m, int x,
                int y, int height) {
  const TLTListLevel* level = m.GetLevelInfo(&style);
  if (!level) return;
  switch (level->ListType) {
    case ltlstPicture:
      if (const TGraphic* g = level->Picture(); g && g->Pixels())
        canvas.DrawPixels({x, y, x + g->Width(), y + g->Height()}, *g->Pixels());
      return;
    case ltlstImageList:
    case ltlstImageListCounter:
      return;  // image lists draw with painting proper
    default:
      break;
  }
  TLTCanvasFont f;
  static_cast<TLTFont&>(f) = level->Font() ? level->Font()->Font : TLTMarkerFont().Font;
  const int ppi = style.TextStyles().PixelsPerInch;
  const int size = f.Size();
  const TLTResolutionScale& scale = data.Scale();
  f.Height = ppi != 0 && size > 0 ? -std::max(1, MulDiv(std::min(size, 4000), ppi, 72)) : scale.Y(f.Height);
  canvas.SetFont(f);
  canvas.SetFontColor(f.Color);
  canvas.SetCharacterExtra(0);
  canvas.SetBrushStyle(bsClear);
  const std::u16string_view text =
      level->ListType == ltlstUnicodeBullet ? std::u16string_view(level->FormatStringW) : m.DisplayString;
  const TLTTextMetrics tm = canvas.TextMetrics();
  // The marker sits on the line's baseline like text: its cell's bottom is
  // its descent below it.
  canvas.TextOut(x, y + height - tm.Height, text);
}

}  // namespace

void DrawPieces(TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTRectI& clip, int originX, int originY) {
  TLTStyle* style = data.GetStyle();
  if (!style) return;
  TLTFormatter f(data, canvas, *style, data.Scale());
  const int first = std::max(0, data.DrawItemAtY(clip.Top));
  for (int i = first; i < data.DrawItems.Count(); ++i) {
    const TLTDrawLineInfo& p = data.DrawItems[i];
    if (p.LineTop() >= clip.Bottom && p.StartsLine) break;
    TCustomLTItemInfo& item = data.GetItem(p.ItemNo);
    const int x = p.Left + originX, y = p.Top + originY;
    if (item.IsText()) {
      TLTLayoutText& t = f.TextOf(p.ItemNo);
      const int u0 = t.UnitOfChar(p.Offset - 1);
      const int u1 = t.UnitOfChar(p.Offset - 1 + p.Length);
      style->ApplyTextStyle(canvas, item.StyleNo, data.GetBiDiMode(), false, 0, true);
      style->ApplyTextStyleColor(canvas, item.StyleNo, {}, false, ltocAsIs);
      TLTStyleTextRun run;
      run.Text = std::u16string_view(t.display).substr(static_cast<size_t>(u0), static_cast<size_t>(u1 - u0));
      run.SpaceBefore = p.JustifyExtra;
      run.Left = x;
      run.Top = y;
      run.Width = p.Width;
      run.Height = p.Height;
      run.DefBiDiMode = data.GetBiDiMode();
      run.ItemNo = p.ItemNo;
      run.Offset = p.Offset;
      style->PaintStyleText(canvas, item.StyleNo, run);
      continue;
    }
    switch (item.StyleNo) {
      case ltikMarker:
        DrawMarker(data, canvas, *style, static_cast<const TLTMarkerItemInfo&>(item), x, y, p.Height);
        break;
      case ltikRule: {
        const auto& rule = static_cast<const TLTBreakItemInfo&>(item);
        const TColor color = rule.Color != clNone ? rule.Color : style->TextStyles()[0].Color;
        const int w = std::max(1, data.Scale().Y(rule.LineWidth));
        canvas.SetBrush({color, bsSolid});
        const int mid = y + p.Height / 2;
        canvas.FillRect({x, mid - w / 2, x + p.Width, mid - w / 2 + w});
        canvas.SetBrushStyle(bsClear);
        break;
      }
      case ltikTabulator: {
        const auto& tab = static_cast<const TLTTabItemInfo&>(item);
        if (tab.Leader.empty() || p.Width <= 0) break;
        style->ApplyTextStyle(canvas, data.ResolveTextStyle(tab.TextStyleNo, item.ParaNo), data.GetBiDiMode());
        // Whole leaders only, flush with the stop.
        const int lw = std::max(1, canvas.TextWidth(tab.Leader));
        const int count = p.Width / lw;
        TLTString leader;
        for (int k = 0; k < count; ++k) leader += tab.Leader;
        canvas.SetBrushStyle(bsClear);
        canvas.TextOut(x + p.Width - count * lw, y, leader);
        break;
      }
      default: {
        const TGraphic* g = item.GetImage();
        const int spacing = std::max(0, item.GetBorderWidth());
        const TLTRectI box{x + spacing, y + spacing, x + p.Width - spacing, y + p.Height - spacing};
        if (g && g->Pixels()) {
          canvas.DrawPixels(box, *g->Pixels());
        } else {
          canvas.SetPen({MakeColor(0x808080), 1, psSolid});
          canvas.SetBrushStyle(bsClear);
          canvas.Rectangle(box);
        }
        break;
      }
    }
  }
}

}  // namespace lectern
