#pragma once
// What Qt's PDF writer leaves out, added to its file afterwards as an
// incremental update: link annotations over the hyperlinks, and the
// document's properties in the information dictionary. Plain byte work,
// no toolkit.

#include <string>
#include <vector>

namespace lectern {

/// A clickable area of a page, in PDF points from the page's bottom-left
/// corner, and the address it opens.
struct TLTPdfLink {
  int Page = 0;
  double Left = 0, Bottom = 0, Right = 0, Top = 0;
  std::string Uri;
};

/// The information dictionary (UTF-8 values; empty ones are left out).
struct TLTPdfInfo {
  std::string Title, Author, Subject, Keywords, Creator;
};

/// Appends the links and the information to a PDF whose cross-reference
/// is a plain table (as Qt writes it). False, with pdf unchanged, when the
/// file does not have the structure expected.
bool AddPdfLinksAndInfo(std::string& pdf, const std::vector<TLTPdfLink>& links, const TLTPdfInfo& info,
                        std::string& error);

}  // namespace lectern
