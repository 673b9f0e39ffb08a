// The HTML of the item kinds of the model: rules, tabs, pictures,
// image-list pictures and list markers. Kinds without an HTML form are left
// out with a warning, so that a user learns what the page lacks.

#include "model/LTItem.h"

#include "model/CLTData.h"
#include "model/LTHTMLWriter.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

namespace lectern {

namespace {

/// An image element of a stored picture; nothing when it has no location.
void PutImage(TLTHTMLWriter& w, const std::string& location, const TLTRectItemInfo* item, std::u16string_view alt,
              int width, int height) {
  if (location.empty()) return;
  w.Put("<img");
  w.PutAttr("src", location);
  // An image element needs a text for who cannot see it, empty or not.
  w.PutAttr("alt", alt);
  if (!w.IsXHTML() && !w.IsCSS() && w.Options().Contains(lthoNoImageBorders)) w.PutAttr("border", int64_t{0});
  if (width > 0 && height > 0) {
    w.PutAttr("width", int64_t{width});
    w.PutAttr("height", int64_t{height});
  }
  if (item) {
    if (item->Spacing() > 0 && !w.IsXHTML() && !w.IsCSS()) {
      w.PutAttr("hspace", int64_t{item->Spacing()});
      w.PutAttr("vspace", int64_t{item->Spacing()});
    }
    if (!item->HintText.empty()) w.PutAttr("title", item->HintText.str());
    std::string style;
    if (w.IsCSS() && item->Spacing() > 0) style += "margin: " + std::to_string(item->Spacing()) + "px;";
    if (w.IsCSS() && w.Options().Contains(lthoNoImageBorders)) style += style.empty() ? "border: 0;" : " border: 0;";
    switch (item->GetVAlign()) {
      case ltvaBaseline: break;
      case ltvaMiddle: style += style.empty() ? "vertical-align: middle;" : " vertical-align: middle;"; break;
      default: style += style.empty() ? "vertical-align: top;" : " vertical-align: top;"; break;
    }
    if (!style.empty()) w.PutAttr("style", style);
  }
  w.EndEmpty();
}

}  // namespace

void TCustomLTItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  w.Warn("a " + DumpHead() + " has no HTML form and was left out");
}

void TLTBreakItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  const std::string color = TLTHTMLWriter::ColorText(Color);
  w.Put("<hr");
  if (w.UsesCSSForNonText() || w.IsXHTML()) {
    std::string style = "height: " + std::to_string(LineWidth) + "px;";
    if (!color.empty()) style += " color: " + color + "; background-color: " + color + ";";
    w.PutAttr("style", style);
  } else {
    w.PutAttr("size", int64_t{LineWidth});
    if (!color.empty()) w.PutAttr("color", color);
  }
  w.EndEmpty();
  w.Put('\n');
}

void TLTTabItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  // HTML has no tab stops: a wide gap keeps the words apart.
  w.Put("&nbsp; &nbsp; ");
}

void TLTGraphicItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& owner, int itemNo) const {
  if (!Image || Image->Empty()) {
    w.Warn("an empty picture was left out");
    return;
  }
  const bool sized = (w.Options().Contains(lthoImageSizes) && !NoHTMLImageSize) || ImageWidth > 0 || ImageHeight > 0;
  const int width = sized ? GetImageWidth(&w.Style()) : 0, height = sized ? GetImageHeight(&w.Style()) : 0;
  std::string location;
  if (w.Options().Contains(lthoItemImageFileNames) && !ImageFileName.empty()) {
    std::string name = Utf16ToUtf8(ImageFileName);
    // Only names inside the output's folder are referred to.
    if (name.find("..") == std::string::npos && name[0] != '/' && name.find(':') == std::string::npos) location = name;
  }
  if (location.empty()) location = w.PictureLocation(owner, itemNo, *Image);
  PutImage(w, location, this, Alt, width, height);
}

void TLTBulletItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  if (!ImageList || ImageIndex < 0 || ImageIndex >= ImageList->Count()) {
    w.Warn("an image of an image list that is not there was left out");
    return;
  }
  PutImage(w, w.SavePixels(ImageList->Images[static_cast<size_t>(ImageIndex)]), this, {}, 0, 0);
}

void TLTMarkerItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  const TLTListLevel* level = GetLevelInfo(&w.Style());
  if (!level) return;
  // In a list the list item shows the marker; only markers written as text
  // appear in the paragraph.
  if (!w.Options().Contains(lthoMarkersAsText)) return;
  switch (level->ListType) {
    case ltlstPicture:
      if (const TGraphic* picture = level->Picture()) PutImage(w, w.SavePicture(*picture), nullptr, {}, 0, 0);
      return;
    case ltlstImageList:
    case ltlstImageListCounter: {
      const int index = level->ImageIndex + (level->ListType == ltlstImageListCounter ? Counter - 1 : 0);
      if (level->ImageList && index >= 0 && index < level->ImageList->Count())
        PutImage(w, w.SavePixels(level->ImageList->Images[static_cast<size_t>(index)]), nullptr, {}, 0, 0);
      return;
    }
    default: break;
  }
  // The marker's own font: a picture font's codes are not letters.
  const TLTMarkerFont* font = level->Font();
  const std::u16string_view shown = ShownText(*level);
  if (font && w.IsCSS()) {
    std::string css = "font-family: " + TLTHTMLWriter::CSSString(font->Font.Name) + "; font-size: " +
                      IntToStr(font->Font.Size()) + "pt;";
    if (const std::string color = TLTHTMLWriter::ColorText(font->Font.Color); !color.empty())
      css += " color: " + color + ";";
    w.Put("<span");
    w.PutAttr("style", css);
    w.Put('>');
  }
  if (font && level->ListType != ltlstUnicodeBullet && SameTextFold(font->Font.Name, u"Wingdings"))
    w.PutWingdingsText(shown);
  else if (font && level->ListType != ltlstUnicodeBullet && SameTextFold(font->Font.Name, u"Symbol"))
    w.PutSymbolText(shown);
  else
    w.PutText(shown);
  if (font && w.IsCSS()) w.Put("</span>");
  w.Put(' ');
}

}  // namespace lectern
