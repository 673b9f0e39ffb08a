#pragma once
// Pages: a formatted document split into pages of a size and margins, for
// printing, page previews and PDF files. Pagination only decides which
// horizontal bands of the laid-out document go where on which page; the
// pages are painted by the same painting as the screen (view/LTPrint).

#include "layout/CLTFData.h"
#include "model/LTDocParams.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

/// A page size and margins in millimetres.
struct TLTPageFormat {
  double WidthMm = 210;
  double HeightMm = 297;
  double LeftMm = 20, TopMm = 20, RightMm = 20, BottomMm = 20;
  /// Distance of the header from the top edge and of the footer from the
  /// bottom edge.
  double HeaderMm = 10, FooterMm = 10;

  /// The page a document's parameters describe (orientation applied); A4
  /// portrait with 2 cm margins when the document carries none of its own.
  static TLTPageFormat FromDocParameters(const TLTDocParameters& params);
  /// Replaces the paper size by a name: "A4", "Letter" (any case) or
  /// "WIDTHxHEIGHTmm"; false for anything else or sizes outside 10 to
  /// 5000 mm.
  bool SetPaperByName(std::string_view name);
  /// Every margin the same.
  void SetMargins(double mm) { LeftMm = TopMm = RightMm = BottomMm = mm; }
  /// Why the page cannot take text (margins that meet, a text area smaller
  /// than 10 mm either way), or empty when it can.
  std::string Problem() const;
};

/// A page format in device pixels of one resolution.
struct TLTPageSetup {
  int PixelsPerInch = 96;
  int PageWidth = 0, PageHeight = 0;
  int LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
  int HeaderY = 0, FooterY = 0;

  static TLTPageSetup For(const TLTPageFormat& format, int pixelsPerInch);
  int TextWidth() const { return PageWidth - LeftMargin - RightMargin; }
  int TextHeight() const { return PageHeight - TopMargin - BottomMargin; }
};

/// One horizontal band of a laid-out document placed on a page: document
/// y from SrcTop to SrcBottom drawn from DstTop down, counted from the top
/// of the page's text area.
struct TLTPageBand {
  const TCustomLTFormattedData* Data = nullptr;  // not owned
  int SrcTop = 0, SrcBottom = 0;
  int DstTop = 0;
  /// Text lines cut by the band's edges are left to the band that holds
  /// them whole; false only where a line taller than a page had to be cut.
  bool WholeLines = true;
};

struct TLTPage {
  std::vector<TLTPageBand> Bands;
  /// Where the footnote area starts on the text area, or -1 without one.
  int FootnoteTop = -1;
};

/// A document laid out for pages: a copy of its items formatted at the
/// page's text width (pictures taller than a page made to fit it), its
/// footnotes and endnotes as documents of their own, and the pages.
class TLTPagedDocument {
 public:
  TLTPagedDocument();
  ~TLTPagedDocument();
  TLTPagedDocument(const TLTPagedDocument&) = delete;
  TLTPagedDocument& operator=(const TLTPagedDocument&) = delete;

  /// Lays source out on canvas (which must outlive this object while the
  /// pages are used) and splits it into pages. False with the reason when
  /// the page leaves no room for text or the document has no style sheet.
  bool Build(const TCustomLTData& source, const TLTPageSetup& setup, TLTCanvas& canvas, std::string& error);

  const TLTPageSetup& Setup() const { return setup_; }
  const std::vector<TLTPage>& Pages() const { return pages_; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  /// The laid-out copy of the document.
  const TLTFormattedDocument& Body() const { return *body_; }

 private:
  std::vector<TLTPage> pages_;
  TLTPageSetup setup_;
  std::unique_ptr<TLTFormattedDocument> body_;
  std::vector<std::unique_ptr<TLTFormattedDocument>> notes_;
};

/// A footnote's laid-out text and the item of the body that calls it.
struct TLTPageNote {
  int ItemNo = 0;
  const TCustomLTFormattedData* Data = nullptr;  // not owned
};

/// Splits a formatted document into pages of the setup's text area: lines
/// are never cut; an item that starts a new page (ltifNewPage) does so;
/// items that continue across pages (tables) say where they may be cut and
/// what they repeat at the top of every page. footnotes (in item order)
/// go to the foot of the page their item's line is on; endnotes, when
/// given, flows on after the text. A line taller than the text area is cut
/// where the page ends. There is always at least one page.
std::vector<TLTPage> Paginate(const TCustomLTFormattedData& data, const TLTPageSetup& setup,
                              const std::vector<TLTPageNote>& footnotes = {},
                              const TCustomLTFormattedData* endnotes = nullptr);

}  // namespace lectern
