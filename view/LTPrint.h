#pragma once
// Painting pages: the bands pagination put on a page, painted by the same
// painting as the screen, the rule above the footnotes and the page
// number in the footer. Any canvas serves: a PDF file, a printer, a
// preview, the headless canvas of the tests.

#include "layout/LTPages.h"
#include "layout/LTPaintContext.h"

#include <string>
#include <vector>

namespace lectern {

/// Paints page pageNo (from 0) with its top-left corner at origin (canvas
/// pixels of the setup's resolution). Nothing is painted outside the page.
void PaintPage(const TLTPagedDocument& doc, int pageNo, TLTCanvas& canvas, TLTPointI origin = {},
               TLTOutputColorMode mode = ltocAsIs);

/// The footer of a page: "Page N of M".
std::u16string PageFooterText(int pageNo, int pageCount);

/// A hyperlink on a page: where it is (page pixels) and the item that
/// leads somewhere.
struct TLTPageLink {
  TLTRectI Rect;
  const TCustomLTFormattedData* Data = nullptr;  // not owned
  int ItemNo = 0;
};
/// The hyperlinks shown on page pageNo.
std::vector<TLTPageLink> PageLinks(const TLTPagedDocument& doc, int pageNo);

}  // namespace lectern
