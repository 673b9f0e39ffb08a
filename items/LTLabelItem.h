#pragma once
// Text labels: an item that shows generated text in a text style of its
// own, laid out and painted like a run of text but kept whole (the caret
// and the selection take it as one object). Sequence fields and notes
// are labels whose text is their number.

#include "model/LTItem.h"
#include "platform/LTTypes.h"
#include "platform/LTWindow.h"
#include "style/LTStyle.h"

#include <cstdint>
#include <string>

namespace lectern {

class TCustomLTData;

/// A text label: LabelText in text style TextStyleNo, at least MinWidth
/// pixels wide, aligned within its width by LabelAlignment.
class TLTLabelItemInfo : public TLTRectItemInfo {
 public:
  TLTLabelItemInfo() { StyleNo = ltikTextLabel; }

  TLTString LabelText;
  /// The label's text style; MaxInt = the paragraph style's default.
  int32_t TextStyleNo = 0;
  /// Screen pixels; a narrower text is aligned within this width.
  int32_t MinWidth = 0;
  /// ltaLeft, ltaRight or ltaCenter within the label's width.
  TLTAlignment LabelAlignment = ltaLeft;
  /// Style conversions leave TextStyleNo alone.
  bool ProtectTextStyleNo = false;
  /// The mouse cursor over the label; crDefault leaves it to the control.
  TLTCursorId Cursor = crDefault;

  int32_t GetAssociatedTextStyleNo() const override { return TextStyleNo; }
  void SetAssociatedTextStyleNo(int32_t no) override { TextStyleNo = no; }
  bool GetBoolValue(TLTItemBoolQuery q) const override;
  bool GetBoolValueEx(TLTItemBoolQueryEx q, const TLTStyle* style) const override;

  /// The text's width in its style, at least MinWidth; the height and
  /// descent of the style's font, measured on the line it stands on.
  void OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) override;
  TLTLinePlacement PlaceOnLine(TLTItemLayoutContext& ctx, ILTItemLine& line) override;
  /// The text style's shift: the label sits on the text's baseline.
  int GetVShift(const TLTDeviceScale& scale) const override;
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override;
  TLTCursorId CursorAt(int /*x*/, int /*y*/) const override { return Cursor; }

  void Assign(const TCustomLTItemInfo& source) override;
  TLTString AsText(int lineWidth, const TCustomLTData& owner, bool unicode) const override;
  void MarkStylesInUse(TLTStyleUsage& usage) const override;
  void UpdateStyles(const TLTStyleUsage& usage) override;
  std::string DumpHead() const override { return "label"; }
  void DumpFields(std::string& out) const override;

  void SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const override;
  /// The label's text, in its text style (which the body writes).
  bool SaveRTF(TLTRTFWriter& w, const TCustomLTData& owner, int itemNo) const override;
  void SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const override;
  bool ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) override;

 protected:
  /// The label's text style in the container it lies in.
  int32_t EffectiveTextStyle(const TCustomLTData* owner) const;
  /// The stored lines every label kind shares, from TextStyleNo to the
  /// protection switch.
  void AppendStyleLines(const TLTFWriter& w, std::vector<std::string>& lines) const;
  /// Reads those four lines; false when the style line is malformed.
  bool ReadStyleLines(TLTFLineSource& src, TLTFReadContext& ctx);
  /// Reads the name line into Text.
  bool ReadNameLine(TLTFLineSource& src, TLTFReadContext& ctx);

 private:
  int textWidth_ = 0;
  int styleShift_ = 0;
};

/// Registers the label kind (-200).
void RegisterLabelItemKind();

}  // namespace lectern
