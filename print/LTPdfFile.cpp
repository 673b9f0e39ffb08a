// Link annotations and document information added to a finished PDF.
//
// Design notes. Qt's PDF writer draws text and pictures well but has no
// public way to make an area of a page clickable, and writes only a title
// and a creator. PDF lets a file grow by an incremental update: new and
// changed objects appended after the old end, a cross-reference section
// for them and a trailer that points back to the previous one. The pages
// that carry links get their /Annots written again; nothing before
// the old end changes, so the file Qt wrote stays intact inside the new one.
// Qt gives every page an (empty) array object of annotations; that array is
// what gets written again.
// Objects are found through the cross-reference table, never by searching
// the bytes, which may hold anything inside compressed streams.

#include "print/LTPdfFile.h"

#include "platform/LTSysUtils.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>

namespace lectern {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

std::optional<int64_t> NumberAt(std::string_view s, size_t& pos) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  int64_t v = 0;
  const auto r = std::from_chars(s.data() + pos, s.data() + s.size(), v);
  if (r.ec != std::errc()) return std::nullopt;
  pos = static_cast<size_t>(r.ptr - s.data());
  return v;
}

/// The object number after key in a dictionary ("/Root 3 0 R").
std::optional<int64_t> ReferenceAfter(std::string_view dict, std::string_view key) {
  size_t pos = dict.find(key);
  if (pos == std::string_view::npos) return std::nullopt;
  pos += key.size();
  return NumberAt(dict, pos);
}

class TPdfFile {
 public:
  explicit TPdfFile(std::string_view pdf) : pdf_(pdf) {}

  bool Parse(std::string& error) {
    const size_t sx = pdf_.rfind("startxref");
    if (sx == std::string_view::npos) return Fail(error, "no startxref");
    size_t pos = sx + 9;
    const auto xref = NumberAt(pdf_, pos);
    if (!xref || *xref < 0 || static_cast<size_t>(*xref) >= pdf_.size()) return Fail(error, "bad startxref");
    xref_ = *xref;
    if (!ReadXref(static_cast<size_t>(xref_), error)) return false;
    const size_t tr = pdf_.find("trailer", static_cast<size_t>(xref_));
    if (tr == std::string_view::npos) return Fail(error, "no trailer");
    const std::string_view trailer = pdf_.substr(tr, sx - tr);
    const auto size = ReferenceAfter(trailer, "/Size");
    const auto root = ReferenceAfter(trailer, "/Root");
    if (!size || !root) return Fail(error, "incomplete trailer");
    size_ = *size;
    root_ = *root;
    const auto pagesObj = ReferenceAfter(Object(root_), "/Pages");
    if (!pagesObj) return Fail(error, "no page tree");
    const std::string_view pages = Object(*pagesObj);
    size_t kids = pages.find("/Kids");
    if (kids == std::string_view::npos) return Fail(error, "no pages");
    kids = pages.find('[', kids);
    const size_t end = pages.find(']', kids);
    if (kids == std::string_view::npos || end == std::string_view::npos) return Fail(error, "bad page list");
    for (size_t p = kids + 1; p < end;) {
      const auto n = NumberAt(pages.substr(0, end), p);
      if (!n) break;
      pages_.push_back(*n);
      NumberAt(pages.substr(0, end), p);  // generation
      while (p < end && (IsSpace(pages[p]) || pages[p] == 'R')) ++p;
    }
    return true;
  }

  /// The text of an object from "N 0 obj" to "endobj", or empty.
  std::string_view Object(int64_t n) const {
    const auto it = offsets_.find(n);
    if (it == offsets_.end() || it->second >= pdf_.size()) return {};
    const size_t end = pdf_.find("endobj", it->second);
    if (end == std::string_view::npos) return {};
    return pdf_.substr(it->second, end - it->second);
  }

  int64_t Size() const { return size_; }
  int64_t Root() const { return root_; }
  int64_t Xref() const { return xref_; }
  const std::vector<int64_t>& Pages() const { return pages_; }

 private:
  static bool Fail(std::string& error, const char* what) {
    error = what;
    return false;
  }
  bool ReadXref(size_t at, std::string& error) {
    if (pdf_.compare(at, 4, "xref") != 0) return Fail(error, "the cross-reference is not a table");
    size_t pos = at + 4;
    for (;;) {
      size_t probe = pos;
      const auto first = NumberAt(pdf_, probe);
      if (!first) break;
      const auto count = NumberAt(pdf_, probe);
      if (!count || *count < 0 || *count > 10000000) return Fail(error, "bad cross-reference");
      pos = probe;
      while (pos < pdf_.size() && IsSpace(pdf_[pos])) ++pos;
      for (int64_t i = 0; i < *count; ++i) {
        if (pos + 18 > pdf_.size()) return Fail(error, "short cross-reference");
        size_t p = pos;
        const auto off = NumberAt(pdf_, p);
        NumberAt(pdf_, p);
        while (p < pdf_.size() && IsSpace(pdf_[p])) ++p;
        if (!off || p >= pdf_.size()) return Fail(error, "bad cross-reference entry");
        if (pdf_[p] == 'n') offsets_[*first + i] = static_cast<size_t>(*off);
        pos = p + 1;
        while (pos < pdf_.size() && IsSpace(pdf_[pos])) ++pos;
      }
    }
    return true;
  }

  std::string_view pdf_;
  int64_t xref_ = 0, size_ = 0, root_ = 0;
  std::map<int64_t, size_t> offsets_;
  std::vector<int64_t> pages_;
};

/// A text string of any characters: UTF-16 with its byte-order mark, in hex.
std::string TextString(const std::string& utf8) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "<FEFF";
  for (char16_t u : Utf8ToUtf16(utf8)) {
    for (int shift : {12, 8, 4, 0}) out += hex[(u >> shift) & 0xF];
  }
  return out + ">";
}

/// An address as a PDF string: bytes outside printable ASCII escaped as
/// %XX, the string's own delimiters escaped.
std::string UriString(const std::string& uri) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "(";
  for (unsigned char c : uri) {
    if (c < 0x21 || c > 0x7E) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      if (c == '(' || c == ')' || c == '\\') out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

}  // namespace

bool AddPdfLinksAndInfo(std::string& pdf, const std::vector<TLTPdfLink>& links, const TLTPdfInfo& info,
                        std::string& error) {
  TPdfFile file(pdf);
  if (!file.Parse(error)) {
    error = "the PDF could not be completed (" + error + ")";
    return false;
  }
  std::string tail = "\n";
  std::map<int64_t, size_t> written;
  int64_t next = file.Size();
  auto begin = [&](int64_t n) {
    written[n] = pdf.size() + tail.size();
    tail += std::to_string(n) + " 0 obj\n";
  };
  // The annotations of each page, then the page again with them.
  std::map<int, std::vector<int64_t>> perPage;
  for (const TLTPdfLink& l : links) {
    if (l.Page < 0 || l.Page >= static_cast<int>(file.Pages().size()) || l.Uri.empty()) continue;
    const int64_t n = next++;
    begin(n);
    tail += "<<\n/Type /Annot\n/Subtype /Link\n/Rect [" + Num(l.Left) + " " + Num(l.Bottom) + " " + Num(l.Right) +
            " " + Num(l.Top) + "]\n/Border [0 0 0]\n/A << /S /URI /URI " + UriString(l.Uri) + " >>\n>>\nendobj\n";
    perPage[l.Page].push_back(n);
  }
  for (const auto& [page, annots] : perPage) {
    std::string refs;
    for (int64_t a : annots) refs += " " + std::to_string(a) + " 0 R";
    const int64_t n = file.Pages()[static_cast<size_t>(page)];
    const std::string_view obj = file.Object(n);
    const size_t open = obj.find("obj");
    const size_t close = obj.rfind(">>");
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
      error = "the PDF could not be completed (an unexpected page)";
      return false;
    }
    // The page's annotations: none yet, an array in the page, or (as Qt
    // writes it) an array object of their own.
    const size_t key = obj.find("/Annots");
    size_t p = key + 7;
    while (key != std::string_view::npos && p < obj.size() && IsSpace(obj[p])) ++p;
    if (key == std::string_view::npos) {
      begin(n);
      tail += std::string(obj.substr(open + 3, close - open - 3)) + "/Annots [" + refs + " ]\n>>\nendobj\n";
    } else if (p < obj.size() && obj[p] == '[') {
      begin(n);
      tail += std::string(obj.substr(open + 3, p + 1 - open - 3)) + refs + std::string(obj.substr(p + 1)) +
              "endobj\n";
    } else {
      const auto arrayNo = NumberAt(obj, p);
      const std::string_view array = arrayNo ? file.Object(*arrayNo) : std::string_view();
      const size_t a0 = array.find("obj"), bracket = array.find('[');
      if (!arrayNo || a0 == std::string_view::npos || bracket == std::string_view::npos) {
        error = "the PDF could not be completed (an unexpected page)";
        return false;
      }
      begin(*arrayNo);
      tail += std::string(array.substr(a0 + 3, bracket + 1 - a0 - 3)) + refs + std::string(array.substr(bracket + 1)) +
              "endobj\n";
    }
  }
  const int64_t infoObj = next++;
  begin(infoObj);
  tail += "<<\n";
  auto entry = [&](const char* key, const std::string& value) {
    if (!value.empty()) tail += std::string("/") + key + " " + TextString(value) + "\n";
  };
  entry("Title", info.Title);
  entry("Author", info.Author);
  entry("Subject", info.Subject);
  entry("Keywords", info.Keywords);
  entry("Creator", info.Creator);
  entry("Producer", info.Creator);
  tail += ">>\nendobj\n";

  const size_t xrefAt = pdf.size() + tail.size();
  tail += "xref\n0 1\n0000000000 65535 f \n";
  for (const auto& [n, offset] : written) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    tail += std::to_string(n) + " 1\n" + line;
  }
  tail += "trailer\n<<\n/Size " + std::to_string(next) + "\n/Root " + std::to_string(file.Root()) +
          " 0 R\n/Info " + std::to_string(infoObj) + " 0 R\n/Prev " + std::to_string(file.Xref()) +
          "\n>>\nstartxref\n" + std::to_string(xrefAt) + "\n%%EOF\n";
  pdf += tail;
  return true;
}

}  // namespace lectern
