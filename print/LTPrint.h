#pragma once
// Pages on Qt's paint devices: PDF files through QPdfWriter and printers
// (and their previews) through QPrinter, painted by the same painting as
// the screen on the Qt canvas. The PDF format of the format registry
// lives here, so the tool's convert and merge and the window's exports
// write the same files.

#include "interchange/LTFormats.h"
#include "layout/LTPages.h"

#include <memory>
#include <string>
#include <vector>

class QPrinter;

namespace lectern {

/// The resolution pages are laid out and painted at in PDF files.
constexpr int LTPdfPixelsPerInch = 288;

/// The page of a document as a write asks for it: the document's own,
/// with the settings' paper and margins over it. False with the reason
/// when a name is unknown or the page leaves no room for text.
bool PageFormatFor(const TCustomLTData& data, const TLTWriteSettings& settings, TLTPageFormat& format,
                   std::string& error);

/// A PDF file of one or more documents, each starting on a new page and
/// numbering its own pages; text stays text, fonts are embedded,
/// hyperlinks are clickable and the first document's title and
/// properties become the file's.
class TLTPdfWriter {
 public:
  explicit TLTPdfWriter(const TLTWriteSettings& settings);
  ~TLTPdfWriter();
  TLTPdfWriter(const TLTPdfWriter&) = delete;
  TLTPdfWriter& operator=(const TLTPdfWriter&) = delete;

  /// Lays the document out in pages and paints them after the pages so
  /// far. False with the reason (nothing is added then).
  bool AddDocument(const TCustomLTData& data, std::string& error);
  /// Ends the file and writes it to out; false with the reason. When the
  /// links and properties cannot be added, the pages are written without
  /// them and Warnings says so.
  bool Finish(TLTStream& out, std::string& error);
  int PageCount() const;
  const std::vector<std::string>& Warnings() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> d_;
};

/// Prints a document on a printer (or a print preview's printer) at the
/// printer's paper, with the document's margins; false with the reason.
bool PrintDocument(const TCustomLTData& data, QPrinter& printer, std::string& error);

/// Adds the PDF format to the registry; more calls change nothing.
void RegisterPdfFormat();

}  // namespace lectern
