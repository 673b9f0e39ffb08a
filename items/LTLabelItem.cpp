// Text labels: measuring, painting, text output and the LTF record that
// labels, sequence fields, notes and note references share the start of.

#include "items/LTLabelItem.h"

#include "model/CLTData.h"
#include "model/LTFMisc.h"
#include "model/LTFuncs.h"
#include "platform/LTCodePage.h"
#include "platform/LTSysUtils.h"

#include <algorithm>

namespace lectern {

namespace {

constexpr std::string_view kProtect = "protect";
constexpr std::string_view kNoProtect = "no-protect";

const TLTItemClass kLabelClass{"TLTLabelItemInfo",
                               [] { return std::unique_ptr<TCustomLTItemInfo>(new TLTLabelItemInfo); }};

}  // namespace

// ---- Queries -------------------------------------------------------------------------

int32_t TLTLabelItemInfo::EffectiveTextStyle(const TCustomLTData* owner) const {
  if (owner) return owner->ResolveTextStyle(TextStyleNo, ParaNo);
  return TextStyleNo == MaxInt ? 0 : TextStyleNo;
}

bool TLTLabelItemInfo::GetBoolValue(TLTItemBoolQuery q) const {
  switch (q) {
    case iqOwnBaseline:
    case iqOwnTextEncoding:
    case iqTextLike:
      return true;
    case iqFollowsTextStyle:
      return !ProtectTextStyleNo;
    default:
      return TLTRectItemInfo::GetBoolValue(q);
  }
}

bool TLTLabelItemInfo::GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const {
  // Generated text is taken whole: a click selects it as one object.
  if (q == iqxSelectable || q == iqxLayoutWidth) return true;
  if (q == iqxSliceable) return false;
  if (!style) return TLTRectItemInfo::GetBoolValueEx(q, style);
  const int32_t s = TextStyleNo == MaxInt ? 0 : TextStyleNo;
  const bool jump = style->TextStyles()[s].Jump;
  switch (q) {
    case iqxHyperlink:
    case iqxActive:
    case iqxJumpCursor:
      return jump;
    case iqxHover:
      return jump && style->IsHoverSensitive(s);
    default:
      return TLTRectItemInfo::GetBoolValueEx(q, style);
  }
}

// ---- Layout and painting ---------------------------------------------------------------

void TLTLabelItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int /*availableWidth*/) {
  TLTCanvasSaver keep(ctx.Canvas);
  // The line measures again through the sheet's events (PlaceOnLine); the width
  // alone, asked without a line, comes from the style itself.
  ctx.Style.TextStyles()[EffectiveTextStyle(ctx.Owner)].ApplyToCanvas(ctx.Canvas, ltbdUnspecified, false, 0, true);
  const TLTTextMetrics tm = ctx.Canvas.TextMetrics();
  textWidth_ = ctx.Canvas.TextWidth(LabelText);
  SetBox(std::max(textWidth_, ctx.Scale.X(std::max(0, MinWidth))), tm.Height, tm.Descent);
}

TLTLinePlacement TLTLabelItemInfo::PlaceOnLine(TLTItemLayoutContext& ctx, ILTItemLine& line) {
  // Measured as the text of the line is, so that a label and a run of text
  // in one style stand on one baseline at one height.
  const TLTLineFont font = line.SelectTextStyle(EffectiveTextStyle(ctx.Owner));
  textWidth_ = ctx.Canvas.TextWidth(LabelText);
  styleShift_ = font.Shift;
  SetBox(std::max(textWidth_, ctx.Scale.X(std::max(0, MinWidth))), font.Ascent + font.Descent, font.Descent);
  return {};
}

int TLTLabelItemInfo::GetVShift(const TLTDeviceScale& scale) const {
  return styleShift_ + TLTRectItemInfo::GetVShift(scale);
}

void TLTLabelItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  const TLTRectI& b = info.Box;
  info.FillTextSelection(canvas);
  if (LabelText.empty()) return;
  TLTCanvasSaver keep(canvas);
  info.ApplyTextStyle(canvas, EffectiveTextStyle(info.Owner));
  // Painting draws what formatting measured: the text's width came from
  // the same style on the layout's canvas.
  const int free = std::max(0, b.Width() - textWidth_);
  // Right to left, the label's left and right swap.
  TLTAlignment align = LabelAlignment;
  if (info.State.Contains(ltidsRightToLeft) && align != ltaCenter) align = align == ltaRight ? ltaLeft : ltaRight;
  const int x = b.Left + (align == ltaRight ? free : align == ltaCenter ? free / 2 : 0);
  canvas.SetBrushStyle(bsClear);
  canvas.TextOut(x, b.Top, LabelText);
}

// ---- Copies, text and styles -------------------------------------------------------------

void TLTLabelItemInfo::Assign(const TCustomLTItemInfo& source) {
  TLTRectItemInfo::Assign(source);
  const auto* s = dynamic_cast<const TLTLabelItemInfo*>(&source);
  if (!s) return;
  LabelText = s->LabelText;
  TextStyleNo = s->TextStyleNo;
  MinWidth = s->MinWidth;
  LabelAlignment = s->LabelAlignment;
  ProtectTextStyleNo = s->ProtectTextStyleNo;
  Cursor = s->Cursor;
}

TLTString TLTLabelItemInfo::AsText(int /*lineWidth*/, const TCustomLTData& /*owner*/, bool /*unicode*/) const {
  return LabelText;
}

void TLTLabelItemInfo::MarkStylesInUse(TLTStyleUsage& usage) const {
  TLTRectItemInfo::MarkStylesInUse(usage);
  if (TextStyleNo != MaxInt) usage.MarkText(TextStyleNo);
}

void TLTLabelItemInfo::UpdateStyles(const TLTStyleUsage& usage) {
  TLTRectItemInfo::UpdateStyles(usage);
  if (TextStyleNo != MaxInt) TextStyleNo = usage.NewText(TextStyleNo);
}

void TLTLabelItemInfo::DumpFields(std::string& out) const {
  out += " label=" + QuoteForDump(LabelText) + " style=" + IntToStr(TextStyleNo);
  if (MinWidth != 0) out += " minwidth=" + IntToStr(MinWidth);
  if (LabelAlignment != ltaLeft) out += " align=" + IntToStr(LabelAlignment);
  if (ProtectTextStyleNo) out += " protect";
}

// ---- LTF -------------------------------------------------------------------------------------

void TLTLabelItemInfo::AppendStyleLines(const TLTFWriter& w, std::vector<std::string>& lines) const {
  lines.push_back(w.TextStyleField(TextStyleNo));
  lines.push_back(IntToStr(MinWidth));
  lines.push_back(IntToStr(LabelAlignment));
  lines.emplace_back(ProtectTextStyleNo ? kProtect : kNoProtect);
}

void TLTLabelItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  std::vector<std::string> lines{LTFEncodeString(LabelText)};
  AppendStyleLines(w, lines);
  lines.push_back(LTFName(w));
  SaveLTFRecord(w, forceJoin, ltfdkText, 0, lines);
}

bool TLTLabelItemInfo::ReadStyleLines(TLTFLineSource& src, TLTFReadContext& ctx) {
  std::string_view line;
  // The reader maps the style afterwards, as it maps a tab's.
  if (!src.TextLine(line) || !ctx.TextStyleField(line, TextStyleNo, &ctx.AssociatedStyleByName)) return false;
  if (!src.TextLine(line)) return false;
  MinWidth = ClampStyleLength(std::max(0, TryStrToInt(line).value_or(0)));
  if (!src.TextLine(line)) return false;
  const int32_t align = TryStrToInt(line).value_or(ltaLeft);
  LabelAlignment = align == ltaRight || align == ltaCenter ? static_cast<TLTAlignment>(align) : ltaLeft;
  if (!src.TextLine(line)) return false;
  ProtectTextStyleNo = line == kProtect;
  return true;
}

bool TLTLabelItemInfo::ReadNameLine(TLTFLineSource& src, TLTFReadContext& ctx) {
  std::string_view line;
  if (!src.TextLine(line)) return false;
  Text = UnicodeToAnsi(ctx.DecodeString(line), ctx.Data.StyleCodePage(-1));
  return true;
}

bool TLTLabelItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t /*dataKind*/, TLTFReadContext& ctx) {
  constexpr int kFixedLines = 6;
  std::string_view line;
  if (lineCount < kFixedLines || !src.TextLine(line)) return false;
  LabelText = ctx.DecodeString(line);
  if (!ReadStyleLines(src, ctx) || !ReadNameLine(src, ctx)) return false;
  return TCustomLTItemInfo::ReadLTFLines(src, lineCount - kFixedLines, ltfdkText, ctx);
}

void RegisterLabelItemKind() { RegisterItemKind(ltikTextLabel, kLabelClass); }

}  // namespace lectern
