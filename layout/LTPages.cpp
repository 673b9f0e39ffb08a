// Pages of a formatted document.
//
// Design notes. A page is a list of bands: stretches of the laid-out
// document, each drawn at a place of the page's text area. Whole lines go
// on a page until the next one would reach into the footnote area; a
// line is never cut, so every piece of text lands on exactly one page and
// painting a band can leave out the text pieces its edges cut. A line
// that is one item alone (a table) asks the item where it may end on the
// page (TCustomLTItemInfo::PageCut) and what it repeats on the pages it
// goes on to (its heading rows), so the item, not pagination, knows its
// rows and its cells' lines. Only a line taller than a whole page is cut
// where the page ends; pictures taller than a page are made to fit first.
//
// Footnotes are documents of their own laid out at the text width; a line
// takes the footnotes of its items to the foot of its page and moves on
// when it and they do not fit. Endnotes are one more document that flows
// after the text, on the same page when there is room.

#include "layout/LTPages.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace lectern {

namespace {

constexpr double kMmPerInch = 25.4;
/// The smallest text area a page may leave, either way.
constexpr double kMinTextMm = 10;
/// The paper sizes that have names.
struct TNamedPaper {
  std::string_view Name;
  double WidthMm, HeightMm;
};
constexpr TNamedPaper kPapers[] = {{"a4", 210, 297}, {"letter", 215.9, 279.4}, {"a5", 148, 210},
                                   {"a3", 297, 420}, {"legal", 215.9, 355.6}};
constexpr double kMinPaperMm = 10, kMaxPaperMm = 5000;

int ToPixels(double mm, int ppi) { return static_cast<int>(std::lround(mm * ppi / kMmPerInch)); }

std::string MmText(double mm) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::round(mm * 10) / 10);
  return std::string(buf, r.ptr) + " mm";
}

/// Pages as they fill: the band being extended, the height used, the
/// footnotes gathered for the foot.
class TPaginator {
 public:
  TPaginator(const TLTPageSetup& setup, const std::vector<TLTPageNote>& footnotes)
      : height_(std::max(1, setup.TextHeight())), footnotes_(footnotes) {
    // Between the text and the footnotes: room for the separator rule.
    gap_ = std::max(1, setup.PixelsPerInch / 8);
    pages_.emplace_back();
  }

  void Flow(const TCustomLTFormattedData& d);
  std::vector<TLTPage> Finish() {
    EndPage();
    return std::move(pages_);
  }

 private:
  TLTPage& Page() { return pages_.back(); }
  void CloseBand() {
    if (open_ && band_.SrcBottom > band_.SrcTop) Page().Bands.push_back(band_);
    open_ = false;
  }
  /// Puts the footnotes of the page at its foot.
  void EndPage() {
    CloseBand();
    if (pageNotes_.empty()) return;
    Page().FootnoteTop = height_ - foot_;
    int y = height_ - foot_ + gap_;
    for (const TCustomLTFormattedData* n : pageNotes_) {
      Page().Bands.push_back({n, 0, n->DocumentHeight, y, true});
      y += n->DocumentHeight;
    }
    pageNotes_.clear();
  }
  void NewPage() {
    EndPage();
    pages_.emplace_back();
    y_ = 0;
    foot_ = 0;
    bodyPlaced_ = false;
  }
  /// Whether the band being extended can take document y from srcTop on.
  bool Continues(const TCustomLTFormattedData& d, int srcTop, bool whole) const {
    return open_ && band_.Data == &d && band_.SrcBottom <= srcTop && band_.WholeLines == whole;
  }
  /// Where document y srcTop would land on the page.
  int StartY(const TCustomLTFormattedData& d, int srcTop) const {
    return Continues(d, srcTop, true) ? band_.DstTop + (srcTop - band_.SrcTop) : y_;
  }
  void Place(const TCustomLTFormattedData& d, int srcTop, int srcBottom, bool whole = true, bool body = true) {
    if (Continues(d, srcTop, whole)) {
      band_.SrcBottom = srcBottom;
    } else {
      CloseBand();
      band_ = {&d, srcTop, srcBottom, y_, whole};
      open_ = true;
    }
    y_ = band_.DstTop + (band_.SrcBottom - band_.SrcTop);
    bodyPlaced_ |= body;
  }
  /// The band an item repeats at the top of a page it goes on to; what
  /// follows never extends it.
  void PlaceRepeat(const TCustomLTFormattedData& d, int boxTop, int repeat, int from) {
    // Heading rows that would take half a page or more are not repeated:
    // the rows under them would hardly move on.
    if (repeat <= 0 || repeat >= from || repeat >= height_ / 2) return;
    Place(d, boxTop, boxTop + repeat, true, false);
    CloseBand();
  }
  /// The footnotes the line of pieces first..last calls (only for the body).
  void LineNotes(const TCustomLTFormattedData& d, int first, int last, std::vector<const TCustomLTFormattedData*>& out);
  /// The height the notes add to the foot of the current page.
  int NotesHeight(const std::vector<const TCustomLTFormattedData*>& notes) const {
    if (notes.empty()) return 0;
    int h = pageNotes_.empty() ? gap_ : 0;
    for (const TCustomLTFormattedData* n : notes) h += n->DocumentHeight;
    return h;
  }
  void AddNotes(const std::vector<const TCustomLTFormattedData*>& notes) {
    foot_ += NotesHeight(notes);
    pageNotes_.insert(pageNotes_.end(), notes.begin(), notes.end());
  }
  void PlaceLine(const TCustomLTFormattedData& d, int top, int bottom,
                 const std::vector<const TCustomLTFormattedData*>& notes);
  void PlaceItem(const TCustomLTFormattedData& d, int piece, int top, int bottom,
                 const std::vector<const TCustomLTFormattedData*>& notes);

  const int height_;
  int gap_ = 1;
  const std::vector<TLTPageNote>& footnotes_;
  size_t nextNote_ = 0;
  const TCustomLTFormattedData* body_ = nullptr;
  std::vector<TLTPage> pages_;
  TLTPageBand band_;
  bool open_ = false;
  int y_ = 0;
  int foot_ = 0;
  bool bodyPlaced_ = false;
  std::vector<const TCustomLTFormattedData*> pageNotes_;
};

void TPaginator::LineNotes(const TCustomLTFormattedData& d, int first, int last,
                           std::vector<const TCustomLTFormattedData*>& out) {
  out.clear();
  if (&d != body_) return;
  const int lastItem = d.DrawItems[last].ItemNo;
  while (nextNote_ < footnotes_.size() && footnotes_[nextNote_].ItemNo < d.DrawItems[first].ItemNo) ++nextNote_;
  while (nextNote_ < footnotes_.size() && footnotes_[nextNote_].ItemNo <= lastItem)
    out.push_back(footnotes_[nextNote_++].Data);
}

void TPaginator::PlaceLine(const TCustomLTFormattedData& d, int top, int bottom,
                           const std::vector<const TCustomLTFormattedData*>& notes) {
  auto fits = [&] { return StartY(d, top) + (bottom - top) + foot_ + NotesHeight(notes) <= height_; };
  if (!fits() && bodyPlaced_) NewPage();
  if (fits()) {
    Place(d, top, bottom);
    AddNotes(notes);
    return;
  }
  // Taller than a page: cut where each page ends.
  AddNotes(notes);
  for (int from = top; from < bottom;) {
    int room = height_ - foot_ - StartY(d, from);
    if (!bodyPlaced_) room = std::max(room, 1);
    if (room <= 0) {
      NewPage();
      continue;
    }
    const int to = std::min(bottom, from + room);
    Place(d, from, to, false);
    if (to < bottom) NewPage();
    from = to;
  }
}

void TPaginator::PlaceItem(const TCustomLTFormattedData& d, int piece, int top, int bottom,
                           const std::vector<const TCustomLTFormattedData*>& notes) {
  const TLTDrawLineInfo& p = d.DrawItems[piece];
  const TCustomLTItemInfo& item = d.GetItem(p.ItemNo);
  const int boxTop = p.Top, h = p.Height;
  const int repeat = item.PageRepeatHeight();
  bool first = true;
  for (int from = 0;;) {
    // The first part brings the space above the box along.
    const int srcStart = first ? top : boxTop + from;
    const int boxDst = StartY(d, srcStart) + (boxTop + from - srcStart);
    const int extra = first ? NotesHeight(notes) : 0;
    const int limit = from + (height_ - foot_ - extra - boxDst);
    int cut = limit > from ? item.PageCut(from, limit, h) : from;
    bool whole = true;
    if (cut <= from) {
      if (bodyPlaced_) {
        NewPage();
        if (!first) PlaceRepeat(d, boxTop, repeat, from);
        continue;
      }
      // Nothing of it fits an empty page: cut where the page ends.
      cut = std::min(h, std::max(from + 1, limit));
      whole = false;
    }
    if (cut >= h) {
      Place(d, srcStart, bottom, whole);
      if (first) AddNotes(notes);
      return;
    }
    Place(d, srcStart, boxTop + cut, whole);
    if (first) AddNotes(notes);
    first = false;
    from = cut;
    NewPage();
    PlaceRepeat(d, boxTop, repeat, from);
  }
}

void TPaginator::Flow(const TCustomLTFormattedData& d) {
  if (!body_) body_ = &d;
  std::vector<const TCustomLTFormattedData*> notes;
  const int n = d.DrawItems.Count();
  for (int i = 0; i < n;) {
    int last = i;
    while (last + 1 < n && !d.DrawItems[last + 1].StartsLine) ++last;
    int top = 0, bottom = 0;
    d.LineExtent(i, last, top, bottom);
    const TLTDrawLineInfo& p = d.DrawItems[i];
    const TCustomLTItemInfo& item = d.GetItem(p.ItemNo);
    if (item.HasFlag(ltifNewPage) && item.FirstDrawItem == i && bodyPlaced_) NewPage();
    LineNotes(d, i, last, notes);
    if (i == last && !item.IsText())
      PlaceItem(d, i, top, bottom, notes);
    else
      PlaceLine(d, top, bottom, notes);
    i = last + 1;
  }
}

/// A note laid out as the pages show it: its mark, then its text.
void AddNoteItems(TLTFormattedDocument& into, const TLTPrintedNote& note) {
  const TCustomLTData& doc = *note.Document;
  int32_t styleNo = 0, paraNo = 0;
  for (int i = 0; i < doc.ItemCount(); ++i)
    if (doc.GetItem(i).IsText()) {
      styleNo = doc.GetItem(i).StyleNo;
      paraNo = doc.GetItem(i).ParaNo;
      break;
    }
  const int markItem = into.ItemCount();
  into.AddTextW(note.Mark + u" ", styleNo, paraNo);
  into.GetItem(markItem).SetFlag(ltifNewPage, false);
  for (int i = 0; i < doc.ItemCount(); ++i) {
    std::unique_ptr<TCustomLTItemInfo> copy = CloneItem(doc.GetItem(i));
    if (!copy) continue;
    if (i == 0 && !copy->GetBoolValue(iqFullLine)) {
      copy->SetFlag(ltifNewLine, false);
      copy->SetFlag(ltifNewPage, false);
      copy->SetFlag(ltifJoinPrev, true);
    }
    TLTRawByteString text = std::move(copy->Text);
    into.AddItemAsIs(std::move(text), std::move(copy));
  }
}

}  // namespace

// ---- Page formats -------------------------------------------------------------------

TLTPageFormat TLTPageFormat::FromDocParameters(const TLTDocParameters& params) {
  TLTPageFormat f;
  TLTDocParameters plain;
  plain.ZoomPercent = params.ZoomPercent;
  plain.ZoomMode = params.ZoomMode;
  if (params == plain) return f;
  const double perInch = params.UnitsPerInch();
  auto mm = [&](double v) { return v / perInch * kMmPerInch; };
  f.WidthMm = mm(params.PageWidth);
  f.HeightMm = mm(params.PageHeight);
  f.LeftMm = mm(params.LeftMargin);
  f.RightMm = mm(params.RightMargin);
  f.TopMm = mm(params.TopMargin);
  f.BottomMm = mm(params.BottomMargin);
  f.HeaderMm = mm(params.HeaderY);
  f.FooterMm = mm(params.FooterY);
  if (params.Orientation == poLandscape && f.WidthMm < f.HeightMm) std::swap(f.WidthMm, f.HeightMm);
  return f;
}

bool TLTPageFormat::SetPaperByName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const TNamedPaper& p : kPapers)
    if (lower == p.Name) {
      WidthMm = p.WidthMm;
      HeightMm = p.HeightMm;
      return true;
    }
  // WIDTHxHEIGHTmm
  if (lower.size() < 5 || lower.compare(lower.size() - 2, 2, "mm") != 0) return false;
  const std::string_view dims = std::string_view(lower).substr(0, lower.size() - 2);
  const size_t x = dims.find('x');
  if (x == std::string_view::npos) return false;
  double w = 0, h = 0;
  const auto rw = std::from_chars(dims.data(), dims.data() + x, w);
  const auto rh = std::from_chars(dims.data() + x + 1, dims.data() + dims.size(), h);
  if (rw.ec != std::errc() || rw.ptr != dims.data() + x || rh.ec != std::errc() ||
      rh.ptr != dims.data() + dims.size())
    return false;
  if (!(w >= kMinPaperMm && w <= kMaxPaperMm && h >= kMinPaperMm && h <= kMaxPaperMm)) return false;
  WidthMm = w;
  HeightMm = h;
  return true;
}

std::string TLTPageFormat::Problem() const {
  for (double m : {LeftMm, TopMm, RightMm, BottomMm, HeaderMm, FooterMm})
    if (!std::isfinite(m) || m < 0) return "a margin is negative";
  if (!std::isfinite(WidthMm) || !std::isfinite(HeightMm) || WidthMm <= 0 || HeightMm <= 0)
    return "the page has no size";
  const double w = WidthMm - LeftMm - RightMm, h = HeightMm - TopMm - BottomMm;
  if (w < kMinTextMm || h < kMinTextMm)
    return "the margins leave no room for text on a page of " + MmText(WidthMm) + " x " + MmText(HeightMm) +
           " (the text needs at least " + MmText(kMinTextMm) + " either way)";
  return {};
}

TLTPageSetup TLTPageSetup::For(const TLTPageFormat& f, int ppi) {
  TLTPageSetup s;
  s.PixelsPerInch = ppi;
  s.PageWidth = ToPixels(f.WidthMm, ppi);
  s.PageHeight = ToPixels(f.HeightMm, ppi);
  s.LeftMargin = ToPixels(f.LeftMm, ppi);
  s.RightMargin = ToPixels(f.RightMm, ppi);
  s.TopMargin = ToPixels(f.TopMm, ppi);
  s.BottomMargin = ToPixels(f.BottomMm, ppi);
  s.HeaderY = ToPixels(f.HeaderMm, ppi);
  s.FooterY = ToPixels(f.FooterMm, ppi);
  return s;
}

// ---- Pagination ---------------------------------------------------------------------

std::vector<TLTPage> Paginate(const TCustomLTFormattedData& data, const TLTPageSetup& setup,
                              const std::vector<TLTPageNote>& footnotes, const TCustomLTFormattedData* endnotes) {
  TPaginator p(setup, footnotes);
  p.Flow(data);
  if (endnotes) p.Flow(*endnotes);
  return p.Finish();
}

// ---- The paged document ----------------------------------------------------------

TLTPagedDocument::TLTPagedDocument() = default;
TLTPagedDocument::~TLTPagedDocument() = default;

namespace {

std::unique_ptr<TLTFormattedDocument> NewLayout(TLTDocumentContext* context, const TLTPageSetup& setup,
                                                TLTCanvas& canvas) {
  auto d = std::make_unique<TLTFormattedDocument>();
  d->SetContext(context);
  d->LeftMargin = d->RightMargin = d->TopMargin = d->BottomMargin = 0;
  d->ClientWidth = setup.TextWidth();
  d->ClientHeight = setup.TextHeight();
  d->Canvas = &canvas;
  return d;
}

/// Pictures taller than the text area shrink to it, keeping their shape;
/// true when one did.
bool FitPictures(TLTFormattedDocument& body, int textHeight) {
  const TLTStyle* style = body.GetStyle();
  bool changed = false;
  for (int i = 0; i < body.DrawItems.Count(); ++i) {
    const TLTDrawLineInfo& p = body.DrawItems[i];
    if (p.Height <= textHeight) continue;
    TCustomLTItemInfo& item = body.GetItem(p.ItemNo);
    const int w = item.GetImageWidth(style), h = item.GetImageHeight(style);
    if (!item.GetImage() || w <= 0 || h <= 0) continue;
    // The spacing and borders around the picture keep their size.
    const int64_t frame = std::max(0, p.Height - body.Scale().Y(h));
    const int64_t room = std::max<int64_t>(1, textHeight - frame - 1);
    const double f = static_cast<double>(room) / std::max(1, p.Height - static_cast<int>(frame));
    const int nh = std::max(1, static_cast<int>(h * f));
    const int nw = std::max(1, static_cast<int>(w * f));
    if (item.SetExtraIntProperty(ltepImageWidth, nw) && item.SetExtraIntProperty(ltepImageHeight, nh))
      changed = true;
  }
  return changed;
}

}  // namespace

bool TLTPagedDocument::Build(const TCustomLTData& source, const TLTPageSetup& setup, TLTCanvas& canvas,
                             std::string& error) {
  pages_.clear();
  notes_.clear();
  body_.reset();
  setup_ = setup;
  TLTDocumentContext* context = source.GetContext();
  if (!context || !context->Style) {
    error = "the document has no style sheet";
    return false;
  }
  if (setup.TextWidth() < 1 || setup.TextHeight() < 1) {
    error = "the margins leave no room for text";
    return false;
  }
  // A copy to lay out: the document itself keeps its own layout.
  body_ = NewLayout(context, setup, canvas);
  for (int i = 0; i < source.ItemCount(); ++i) {
    std::unique_ptr<TCustomLTItemInfo> copy = CloneItem(source.GetItem(i));
    if (!copy) continue;
    TLTRawByteString text = std::move(copy->Text);
    body_->AddItemAsIs(std::move(text), std::move(copy));
  }
  body_->FormatAll({.Force = true});
  if (FitPictures(*body_, setup.TextHeight())) body_->FormatAll({.Force = true});

  // The notes, in the order of the body's items (a note in a table cell
  // counts as its table's).
  std::vector<TLTPageNote> footnotes;
  std::unique_ptr<TLTFormattedDocument> endnotes;
  int topItem = 0;
  body_->EnumerateItems([&](TCustomLTData& data, int itemNo, bool&) {
    if (&data == body_.get()) topItem = itemNo;
    TLTPrintedNote note;
    if (!data.GetItem(itemNo).GetPrintedNote(note) || !note.Document) return;
    if (note.Placement == ltnpDocumentEnd) {
      if (!endnotes) endnotes = NewLayout(context, setup, canvas);
      AddNoteItems(*endnotes, note);
      return;
    }
    auto doc = NewLayout(context, setup, canvas);
    AddNoteItems(*doc, note);
    doc->FormatAll({.Force = true});
    footnotes.push_back({topItem, doc.get()});
    notes_.push_back(std::move(doc));
  });
  const TCustomLTFormattedData* end = endnotes.get();
  if (endnotes) {
    endnotes->FormatAll({.Force = true});
    notes_.push_back(std::move(endnotes));
  }
  pages_ = Paginate(*body_, setup, footnotes, end);
  return true;
}

}  // namespace lectern
