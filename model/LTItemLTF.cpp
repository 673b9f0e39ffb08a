// The LTF records of non-text items: header tails, names, property lines,
// picture and control bodies.

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
