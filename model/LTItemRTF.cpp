// The RTF of the item kinds of the model: rules, tabs, pictures, image-list
// pictures and list markers. Kinds without an RTF form are left out with a
// warning, so that a user learns what the output lacks.

#include "model/LTItem.h"

#include "model/CLTData.h"
#include "model/LTMarker.h"
#include "model/LTRTFWriter.h"

#include <algorithm>

namespace lectern {

bool TCustomLTItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.Warn("a " + DumpHead() + " has no RTF form and was left out");
  return false;
}

bool TLTBreakItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  // Inside a table cell, at any depth, the rule's paragraph is in the table.
  auto place = [&] {
    if (w.Level() >= 1) w.Put("\\intbl\\itap", w.Level());
  };
  w.Put("\\pard");
  place();
  w.Put("\\plain\\fs6\\brdrb\\brdrs\\brdrw", w.Twips(LineWidth));
  w.Put("\\brdrcf", w.ColorIndex(Color));
  w.Put("\\par\\pard");
  place();
  return true;
}

void TLTBreakItemInfo::CollectRTFColors(TLTRTFWriter& w) const { w.AddColor(Color); }

bool TLTTabItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.Put("\\tab ");
  return false;
}

bool TLTGraphicItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  if (!Image || Image->Empty()) {
    w.Warn("an empty picture was left out");
    return false;
  }
  w.PutPicture(*Image, ImageWidth, ImageHeight);
  return false;
}

bool TLTBulletItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  if (!ImageList || ImageIndex < 0 || ImageIndex >= ImageList->Count()) {
    w.Warn("an image of an image list that is not there was left out");
    return false;
  }
  w.PutPixels(ImageList->Images[static_cast<size_t>(ImageIndex)], 0, 0);
  return false;
}

bool TLTMarkerItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  const TLTListLevel* level = GetLevelInfo(&w.Style());
  if (!level) return false;
  switch (level->ListType) {
    case ltlstPicture:
      if (const TGraphic* picture = level->Picture()) w.PutPicture(*picture, 0, 0);
      return false;
    case ltlstImageList:
    case ltlstImageListCounter: {
      const int index = level->ImageIndex + (level->ListType == ltlstImageListCounter ? Counter - 1 : 0);
      if (level->ImageList && index >= 0 && index < level->ImageList->Count())
        w.PutPixels(level->ImageList->Images[static_cast<size_t>(index)], 0, 0);
      return false;
    }
    default: break;
  }
  w.Put("{\\listtext\\pard\\plain");
  w.PutMarkerFont(*level);
  w.Put(' ');
  w.PutTextW(ShownText(*level));
  w.Put("\\tab}\\ls", w.MarkerOverride(*this));
  w.Put("\\ilvl", std::min(EffectiveLevel(&w.Style()), 8));
  w.Put(' ');
  return false;
}

}  // namespace lectern
