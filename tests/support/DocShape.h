#pragma once
// A compact picture of a document's items for test expectations.

#include "model/CLTData.h"
#include "platform/LTSysUtils.h"

#include <string>

namespace lectern::testing {

struct TShapeOptions {
  bool Styles = false;
  bool Tags = false;
};

/// Items separated by spaces as "text/para/flags" (a marker is "#", other
/// non-text items "T"); flags J (joins), L (new line), P (page break); with
/// the options also "/sN" for the text style and "/tag" for string tags.
inline std::string Shape(const TCustomLTData& data, TShapeOptions o = {}) {
  std::string s;
  for (int i = 0; i < data.ItemCount(); ++i) {
    const TCustomLTItemInfo& it = data.GetItem(i);
    s += i ? " " : "";
    s += it.IsText() ? Utf16ToUtf8(data.GetItemTextW(i)) : (it.StyleNo == ltikMarker ? "#" : "T");
    s += "/" + IntToStr(it.ParaNo) + "/";
    if (it.HasFlag(ltifJoinPrev)) s += "J";
    if (it.HasFlag(ltifNewLine)) s += "L";
    if (it.HasFlag(ltifNewPage)) s += "P";
    if (o.Styles && it.IsText()) s += "/s" + IntToStr(it.StyleNo);
    if (o.Tags && it.Tag.String()) s += "/" + Utf16ToUtf8(*it.Tag.String());
  }
  return s;
}

}  // namespace lectern::testing
