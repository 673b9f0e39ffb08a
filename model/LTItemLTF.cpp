// The LTF records of non-text items: header tails, names, property lines,
// picture and control bodies.

#include <algorithm>
#include <optional>

#include "model/CLTData.h"
#include "model/LTFMisc.h"
#include "model/LTFuncs.h"
#include "model/LTItem.h"
#include "model/LTMarker.h"
#include "platform/LTCodePage.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "style/LTStyle.h"

namespace lectern {

namespace {

// A control's body: a stored component with no properties of its own; the
// toolkit's controls keep their state outside the document.
class TControlBody : public TLTPersistent {
 public:
  const TLTClassInfo& ClassInfo() const override {
    static const TLTClassInfo info{"TLTControlBody", nullptr, {}};
    return info;
  }
};

}  // namespace

std::string TCustomLTItemInfo::LTFParaField(const TLTFWriter& w, bool forceJoin) const {
  return forceJoin || HasFlag(ltifJoinPrev) ? "-1" : w.ParaStyleField(ParaNo);
}

uint8_t TCustomLTItemInfo::LTFFlags(bool forceJoin) const {
  if (!forceJoin) return ItemFlags;
  return static_cast<uint8_t>((ItemFlags | ltifJoinPrev) & ~(ltifNewLine | ltifNewPage));
}

std::string TCustomLTItemInfo::LTFName(const TLTFWriter& w) const {
  return LTFEncodeString(AnsiToUnicode(Text, w.Data().StyleCodePage(-1)));
}

void TCustomLTItemInfo::SaveLTFRecord(TLTFWriter& w, bool forceJoin, uint8_t dataKind, int extraLines,
                                      const std::vector<std::string>& before) const {
  std::vector<std::string> props;
  GetExtraPropertyLines(props);
  const std::string tail = LTFHeaderTail(w);
  w.Header(IntToStr(StyleNo), static_cast<int>(before.size() + props.size()) + extraLines, LTFParaField(w, forceJoin),
           LTFFlags(forceJoin), static_cast<TLTFDataKind>(dataKind), w.TagField(Tag), &tail);
  for (const std::string& line : before) w.Line(line);
  for (const std::string& line : props) w.Line(line);
}

void TCustomLTItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  SaveLTFRecord(w, forceJoin, ltfdkText, 0, {});
}

std::string TLTBreakItemInfo::LTFHeaderTail(const TLTFWriter&) const {
  return IntToStr(Color) + " " + IntToStr(Style) + " " + IntToStr(LineWidth);
}

std::string TLTRectItemInfo::LTFHeaderTail(const TLTFWriter&) const { return IntToStr(VertAlign); }

std::string TLTTabItemInfo::LTFHeaderTail(const TLTFWriter& w) const { return w.TextStyleField(TextStyleNo); }

std::string TLTBulletItemInfo::LTFHeaderTail(const TLTFWriter&) const {
  return IntToStr(ImageList ? ImageList->Tag : 0) + " " + IntToStr(ImageIndex);
}

std::string TLTHotspotItemInfo::LTFHeaderTail(const TLTFWriter& w) const {
  return TLTBulletItemInfo::LTFHeaderTail(w) + " " + IntToStr(HotImageIndex);
}

std::string TLTMarkerItemInfo::LTFHeaderTail(const TLTFWriter& w) const {
  // A page's part shows the numbers the whole document gave its markers.
  if (w.PagePart) return w.ListStyleField(ListNo) + " " + IntToStr(Level) + " " + IntToStr(Counter) + " 1";
  return w.ListStyleField(ListNo) + " " + IntToStr(Level) + " " + IntToStr(StartFrom) + " " + (Reset ? "1" : "0");
}

void TLTBulletItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  SaveLTFRecord(w, forceJoin, ltfdkText, 0, {LTFName(w)});
}

void TLTGraphicItemInfo::SaveLTF(TLTFWriter& w, int /*itemNo*/, bool forceJoin) const {
  if (!w.Options().Contains(ltfoSavePicturesBody)) {
    SaveLTFRecord(w, forceJoin, ltfdkNoContent, 0, {LTFName(w)});
    return;
  }
  // A picture that cannot give its data is stored as the invalid picture,
  // so that the record stays whole and readers show the fault.
  const TGraphic* g = Image.get();
  TLTMemoryStream data;
  if (!g || !g->SaveToStream(data)) {
    data.Clear();
    g = w.Style() ? w.Style()->InvalidPicture() : nullptr;
    if (!g || !g->SaveToStream(data)) {
      SaveLTFRecord(w, forceJoin, ltfdkNoContent, 0, {LTFName(w)});
      return;
    }
  }
  SaveLTFRecord(w, forceJoin, w.DataKind(), 1, {LTFName(w), std::string(g->ClassName())});
  w.DataLine(data.Data());
}

void TLTControlItemInfo::SaveLTF(TLTFWriter& w, int itemNo, bool forceJoin) const {
  if (!Control || !w.Options().Contains(ltfoSaveControlsBody)) {
    SaveLTFRecord(w, forceJoin, ltfdkNoContent, 0, {LTFName(w)});
    return;
  }
  SaveLTFRecord(w, forceJoin, w.DataKind(), 1, {LTFName(w), std::string(Control->ClassName())});
  TLTDocumentContext* ctx = w.Data().GetContext();
  TLTControl* control = Control.get();
  if (ctx && ctx->OnControlAction) ctx->OnControlAction(ltcaBeforeLTFSave, itemNo, control);
  std::string body(LTComponentSignature);
  TLTPropWriter(body).WriteComponent(Control->ClassName(), "", TControlBody());
  w.DataLine(body);
  if (ctx && ctx->OnControlAction) ctx->OnControlAction(ltcaAfterLTFSave, itemNo, control);
}

}  // namespace lectern

// ---- Reading -----------------------------------------------------------------------

namespace lectern {

namespace {

std::optional<int64_t> Int(const std::vector<std::string_view>& tail, size_t i) {
  if (i >= tail.size()) return std::nullopt;
  const auto v = TryStrToInt(tail[i]);
  if (!v) return std::nullopt;
  return *v;
}

// A name line: an LTF string kept as 8-bit text in the document's code page.
bool ReadName(TLTFLineSource& src, TLTFReadContext& ctx, TLTRawByteString& text, TLTString* name = nullptr) {
  std::string_view line;
  if (!src.TextLine(line)) return false;
  const TLTString decoded = ctx.DecodeString(line);
  text = UnicodeToAnsi(decoded, ctx.Data.StyleCodePage(-1));
  if (name) *name = decoded;
  return true;
}

bool ReadProperties(TCustomLTItemInfo& item, TLTFLineSource& src, int count, const TLTFReadContext& ctx) {
  for (int i = 0; i < count; ++i) {
    std::string_view line;
    if (!src.TextLine(line)) return false;
    item.ApplyPropertyLine(line, ctx.Utf8);  // properties the kind lacks are ignored
  }
  return true;
}

}  // namespace

bool TCustomLTItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t /*dataKind*/, TLTFReadContext& ctx) {
  return ReadProperties(*this, src, lineCount, ctx);
}

bool TLTBreakItemInfo::ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext&) {
  Color = static_cast<TColor>(Int(tail, 0).value_or(clNone));
  const int64_t style = Int(tail, 1).value_or(ltbsSolid);
  Style = style >= ltbsSolid && style <= ltbsDashes ? static_cast<TLTBreakStyle>(style) : ltbsSolid;
  const int64_t width = Int(tail, 2).value_or(1);
  LineWidth = static_cast<uint8_t>(std::clamp<int64_t>(width, 0, 255));
  return true;
}

bool TLTRectItemInfo::ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext&) {
  if (const auto v = Int(tail, 0)) VertAlign = static_cast<uint8_t>(std::clamp<int64_t>(*v, 0, 255));
  return true;
}

bool TLTTabItemInfo::ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) {
  ctx.AssociatedStyleByName = false;
  if (tail.empty()) return true;
  return ctx.TextStyleField(tail[0], TextStyleNo, &ctx.AssociatedStyleByName);
}

bool TLTMarkerItemInfo::ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) {
  // A marker without its level, restart value and switch cannot number.
  if (tail.size() < 4 || !ctx.ListStyleField(tail[0], ListNo, &ctx.AssociatedStyleByName)) return false;
  const auto level = Int(tail, 1);
  const auto start = Int(tail, 2);
  const auto reset = Int(tail, 3);
  if (!level || !start || !reset) return false;
  Level = static_cast<int32_t>(*level);
  StartFrom = static_cast<int32_t>(*start);
  Reset = *reset != 0;
  return true;
}

bool TLTBulletItemInfo::ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) {
  const auto tag = Int(tail, 0);
  const auto index = Int(tail, 1);
  if (!tag || !index) return false;
  ImageIndex = static_cast<int32_t>(*index);
  const TLTDocumentContext* doc = ctx.Data.GetContext();
  ImageList = doc && doc->OnLTFImageListNeeded ? doc->OnLTFImageListNeeded(*tag) : nullptr;
  return true;
}

bool TLTHotspotItemInfo::ReadLTFHeaderTail(const std::vector<std::string_view>& tail, TLTFReadContext& ctx) {
  if (!TLTBulletItemInfo::ReadLTFHeaderTail(tail, ctx)) return false;
  HotImageIndex = static_cast<int32_t>(Int(tail, 2).value_or(ImageIndex));
  return true;
}

bool TLTBulletItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t, TLTFReadContext& ctx) {
  if (lineCount < 1 || !ReadName(src, ctx, Text) || !ReadProperties(*this, src, lineCount - 1, ctx)) return false;
  if (!ImageList) return true;  // without its list the item has no content and is dropped
  auto check = [&](int32_t& index) {
    if (index >= 0 && index < ImageList->Count()) return true;
    ctx.Warnings.Include(ltfwBadImageIndex);
    if (!ctx.Options.Contains(ltfoConvLargeImageIdxToZero)) return false;
    index = 0;
    return true;
  };
  if (!check(ImageIndex)) return false;
  if (auto* hot = dynamic_cast<TLTHotspotItemInfo*>(this)) return check(hot->HotImageIndex);
  return true;
}

bool TLTGraphicItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) {
  TLTString name;
  if (lineCount < 1 || !ReadName(src, ctx, Text, &name)) return false;
  if (dataKind == ltfdkNoContent) {
    if (!ReadProperties(*this, src, lineCount - 1, ctx)) return false;
    const TLTDocumentContext* doc = ctx.Data.GetContext();
    if (doc && doc->OnLTFPictureNeeded) Image = doc->OnLTFPictureNeeded(name, Tag);
    return true;
  }
  std::string_view className;
  if (lineCount < 3 || !src.TextLine(className)) return false;
  // The picture object comes first: bitmap property lines set its transparency.
  Image = CreateGraphic(className);
  if (!Image) {
    ctx.Warnings.Include(ltfwBadPictureClass);
    if (!ctx.Options.Contains(ltfoIgnoreUnknownPicFmt)) return false;
  }
  if (!ReadProperties(*this, src, lineCount - 3, ctx)) return false;
  std::string data;
  if (!src.DataLine(static_cast<TLTFDataKind>(dataKind), data)) return false;
  if (Image) {
    TLTMemoryStream m(std::move(data));
    if (!Image->LoadFromStream(m)) {
      // Damaged data: the item stays, showing the invalid picture.
      ctx.Warnings.Include(ltfwBrokenPicture);
      Image = ctx.Style && ctx.Style->InvalidPicture() ? ctx.Style->InvalidPicture()->Clone() : nullptr;
    }
  }
  return true;
}

bool TLTControlItemInfo::ReadLTFLines(TLTFLineSource& src, int lineCount, uint8_t dataKind, TLTFReadContext& ctx) {
  TLTString name;
  if (lineCount < 1 || !ReadName(src, ctx, Text, &name)) return false;
  const bool body = dataKind != ltfdkNoContent;
  std::string_view className;
  if (body && (lineCount < 3 || !src.TextLine(className))) return false;
  if (!ReadProperties(*this, src, lineCount - (body ? 3 : 1), ctx)) return false;
  if (body) {
    std::string data;
    if (!src.DataLine(static_cast<TLTFDataKind>(dataKind), data)) return false;
    if (data.compare(0, LTComponentSignature.size(), LTComponentSignature) != 0) return false;
  }
  // Controls are the toolkit's: the application supplies them by name.
  const TLTDocumentContext* doc = ctx.Data.GetContext();
  if (doc && doc->OnLTFControlNeeded) Control = doc->OnLTFControlNeeded(name, Tag);
  if (!Control) {
    ctx.Warnings.Include(ltfwBadControl);
    return ctx.Options.Contains(ltfoIgnoreUnknownCtrls);
  }
  return true;
}

}  // namespace lectern
