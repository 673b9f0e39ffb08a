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

// A control's body: a stored component that gives the control's size; the
// toolkit's controls keep the rest of their state outside the document. A
// reader without the control keeps a box of that size in its place.
class TControlBody : public TLTPersistent {
 public:
  int32_t Width = 0;
  int32_t Height = 0;
  const TLTClassInfo& ClassInfo() const override;
};

const TLTPropInfo kControlBodyProps[] = {
    Prop::Int<&TControlBody::Width>("Width", 0),
    Prop::Int<&TControlBody::Height>("Height", 0),
};

const TLTClassInfo& TControlBody::ClassInfo() const {
  static const TLTClassInfo info{"TLTControlBody", nullptr, kControlBodyProps};
  return info;
}

// The box of a kept control whose data gives no size.
constexpr int32_t kPlaceholderWidth = 100;
constexpr int32_t kPlaceholderHeight = 24;
// A size no control has: the box stays within what layout computes with.
constexpr int32_t kMaxPlaceholderExtent = 1 << 15;

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
  const bool bodies = w.Options().Contains(ltfoSaveControlsBody);
  if (!Control && Stored && bodies && !Stored->Body.empty()) {
    // Kept as it was read: written back unchanged.
    SaveLTFRecord(w, forceJoin, w.DataKind(), 1, {LTFName(w), Stored->ClassName});
    w.DataLine(Stored->Body);
    return;
  }
  if (!Control || !bodies) {
    SaveLTFRecord(w, forceJoin, ltfdkNoContent, 0, {LTFName(w)});
    return;
  }
  SaveLTFRecord(w, forceJoin, w.DataKind(), 1, {LTFName(w), std::string(Control->ClassName())});
  TLTDocumentContext* ctx = w.Data().GetContext();
  TLTControl* control = Control.get();
  if (ctx && ctx->OnControlAction) ctx->OnControlAction(ltcaBeforeLTFSave, itemNo, control);
  std::string body(LTComponentSignature);
  TControlBody size;
  size.Width = Control->Width();
  size.Height = Control->Height();
  TLTPropWriter(body).WriteComponent(Control->ClassName(), "", size);
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
  // The reader cleared AssociatedStyleByName for this record.
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
  std::string storage;
  std::string_view data;
  if (!src.DataLine(static_cast<TLTFDataKind>(dataKind), storage, data)) return false;
  if (Image) {
    TLTMemoryStream m{std::string(data)};
    if (!ctx.LoadPicture(*Image, m)) {
      if (ctx.Budget && ctx.Budget->Exhausted()) return false;
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
  std::string className;
  if (body) {
    std::string_view line;
    if (lineCount < 3 || !src.TextLine(line)) return false;
    className.assign(line);
  }
  if (!ReadProperties(*this, src, lineCount - (body ? 3 : 1), ctx)) return false;
  std::string storage;
  std::string_view data;
  if (body) {
    if (!src.DataLine(static_cast<TLTFDataKind>(dataKind), storage, data)) return false;
    if (data.substr(0, LTComponentSignature.size()) != LTComponentSignature) return false;
  }
  // Controls are the toolkit's: the application supplies them by name.
  const TLTDocumentContext* doc = ctx.Data.GetContext();
  if (doc && doc->OnLTFControlNeeded) Control = doc->OnLTFControlNeeded(name, Tag);
  if (Control) return true;
  ctx.Warnings.Include(ltfwBadControl);
  // Left out when asked; otherwise kept as it was stored, so that the
  // document loses nothing and writes the control back unchanged.
  if (ctx.Options.Contains(ltfoIgnoreUnknownCtrls)) return true;
  if (!ctx.Take(sizeof(TLTStoredControl) + className.size() + data.size())) return false;
  Stored = std::make_unique<TLTStoredControl>();
  Stored->ClassName = std::move(className);
  Stored->Body.assign(data);
  TControlBody size;
  if (!data.empty()) {
    TLTPropReader reader(data.substr(LTComponentSignature.size()), ctx.Budget);
    reader.OnUnknownProperty = [](const std::string&) { return true; };
    if (!reader.ReadComponent(size)) size = TControlBody();
  }
  Stored->Width = size.Width > 0 ? std::min(size.Width, kMaxPlaceholderExtent) : kPlaceholderWidth;
  Stored->Height = size.Height > 0 ? std::min(size.Height, kMaxPlaceholderExtent) : kPlaceholderHeight;
  return true;
}

}  // namespace lectern
