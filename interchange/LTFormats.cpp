// The registry of document formats and the built-in ones: the document
// format (LTF), UTF-8 plain text and the picture flavour of a selected
// picture.

#include "interchange/LTFormats.h"

#include "model/LTHTMLWriter.h"
#include "model/LTRTFWriter.h"
#include "platform/LTGraphic.h"
#include "platform/LTSysUtils.h"
#include "platform/LTWindow.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <deque>
#include <mutex>

namespace lectern {

namespace {

// ---- Reading a stream whole -----------------------------------------------------------

/// The stream's bytes from its position to its end.
void ReadRest(TLTStream& in, std::string& out) {
  out.clear();
  const int64_t size = in.Size();
  const int64_t pos = in.Seek(0, TLTSeekOrigin::Current);
  if (size >= 0 && pos >= 0 && size >= pos) out.reserve(static_cast<size_t>(size - pos));
  char buffer[64 * 1024];
  for (;;) {
    const size_t n = in.Read(buffer, sizeof buffer);
    if (n == 0) break;
    out.append(buffer, n);
  }
}

// ---- The document format ---------------------------------------------------------------

constexpr std::pair<TLTFWarning, const char*> kLTFWarnings[] = {
    {ltfwBadPictureClass, "a picture of an unknown kind was left out"},
    {ltfwBadControl, "a control could not be made; its stored data is kept in its place"},
    {ltfwBadStyle, "a style number was not in the style sheet"},
    {ltfwBadImageIndex, "an image number was not in its image list"},
    {ltfwMadeWide, "8-bit text was converted to Unicode"},
    {ltfwMadeNarrow, "Unicode text was converted to 8-bit text"},
    {ltfwBrokenPicture, "a damaged picture was replaced"},
    {ltfwBadProperty, "a stored style property could not be read"},
    {ltfwBadParaNo, "a paragraph number below -1 was read as paragraph style 0"},
    {ltfwBadFlags, "item flags above 15 were cut to their four stored bits"},
};

bool ReadLTF(TLTStream& in, TCustomLTData& into, TLTFormatReport& report) {
  const bool ok = into.LoadLTFFromStream(in);
  if (const TLTDocumentContext* ctx = into.GetContext())
    for (const auto& [warning, text] : kLTFWarnings)
      if (ctx->LTFWarnings.Contains(warning)) report.Warnings.emplace_back(text);
  if (!ok) {
    // The reader says why and where; a tool user can find the record.
    const TLTDocumentContext* ctx = into.GetContext();
    report.Error = "not a valid LTF document";
    if (ctx && !ctx->LTFError.empty()) report.Error += ": " + ctx->LTFError;
  }
  return ok;
}

bool WriteLTF(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings&,
              TLTFormatReport& report) {
  if (from.SaveLTFToStream(out, range)) return true;
  report.Error = "the document could not be written";
  return false;
}

// ---- Plain text --------------------------------------------------------------------------------

// Offset of the first byte that breaks UTF-8, or npos.
size_t FindInvalidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      cp = c & 0x07;
    } else {
      return i;
    }
    for (size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return i;
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return i;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return i;
    i += n + 1;
  }
  return std::string_view::npos;
}

bool ReadText(TLTStream& in, TCustomLTData& into, TLTFormatReport& report) {
  std::string bytes;
  ReadRest(in, bytes);
  // Text that cannot be read leaves the document as it was.
  TLTDocumentContext* context = into.GetContext();
  TCustomLTData read;
  read.SetContext(context);
  if (!ReadTextDocument(bytes, read, report.Error)) return false;
  into.Clear();
  into.AppendFrom(read);
  return true;
}

// The platform's plain text is UTF-8: 8-bit and Unicode text are one
// flavour, and nothing is lost to a code page.
bool WriteText(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings&,
               TLTFormatReport& report) {
  const std::string utf8 = Utf16ToUtf8(from.GetPlainText(0, range));
  if (out.WriteAll(utf8.data(), utf8.size())) return true;
  report.Error = "the text could not be written";
  return false;
}

// ---- The picture of a selected picture --------------------------------------------------

bool WritePicture(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings&,
                  TLTFormatReport& report) {
  const TGraphic* picture = range ? RangePicture(from, *range) : nullptr;
  if (!picture) {
    report.Error = "the selection is not one picture";
    return false;
  }
  if (picture->ClassName() == "TPNGImage" && picture->SaveToStream(out)) return true;
  TPNGImage png;
  if (const TLTPixels* pixels = picture->Pixels(); pixels && png.SetPixels(*pixels) && png.SaveToStream(out))
    return true;
  report.Error = "the picture could not be encoded";
  return false;
}

// ---- RTF --------------------------------------------------------------------------------------

bool WriteRTFDocument(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings&,
                      TLTFormatReport& report) {
  if (WriteRTF(from, range, out, {}, &report.Warnings)) return true;
  report.Error = "the document could not be written as RTF";
  return false;
}

// ---- HTML ------------------------------------------------------------------------------------

bool WriteHTMLPage(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings& ws,
                   TLTFormatReport& report, bool css, bool xhtml) {
  TLTHTMLWriteSettings settings;
  settings.CSS = css;
  if (xhtml) settings.Options.Include(lthoXHTML);
  settings.OutputFolder = ws.OutputFolder;
  settings.ImagePrefix = ws.ImagePrefix;
  settings.Title = ws.Title;
  std::string error;
  if (WriteHTML(from, range, out, settings, &report.Warnings, &error)) return true;
  report.Error = "the document could not be written as HTML: " + error;
  return false;
}

bool WriteHTMLCSSDocument(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out,
                          const TLTWriteSettings& ws, TLTFormatReport& report) {
  return WriteHTMLPage(from, range, out, ws, report, true, false);
}

bool WriteHTMLPlainDocument(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out,
                            const TLTWriteSettings& ws, TLTFormatReport& report) {
  return WriteHTMLPage(from, range, out, ws, report, false, false);
}

bool WriteXHTMLDocument(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out,
                        const TLTWriteSettings& ws, TLTFormatReport& report) {
  return WriteHTMLPage(from, range, out, ws, report, true, true);
}

// The order is the clipboard's: the document format, the picture, then
// text, which receiving programs take as a hint of what is best; RTF and
// HTML last. Rich text copies carry both, so one option rules them.
const std::array<TLTDocumentFormat, 7> kBuiltIns{{
    {"ltf", ".ltf", "the document format", LTMimeLTF, {ltoAutoCopyLTF}, &ReadLTF, &WriteLTF, &PackLTFFlavour, {}},
    {"picture", "", "the selected picture as PNG", LTMimePNG, {ltoAutoCopyImage}, nullptr, &WritePicture, nullptr, {}},
    {"txt",
     ".txt",
     "UTF-8 text, one paragraph per line",
     LTMimeText,
     {ltoAutoCopyText, ltoAutoCopyUnicodeText},
     &ReadText,
     &WriteText,
     nullptr,
     {}},
    {"rtf", ".rtf", "Rich Text Format", LTMimeRTF, {ltoAutoCopyRTF}, nullptr, &WriteRTFDocument, nullptr, LTMimeRTFAlt},
    {"html", ".html", "HTML with a style sheet", LTMimeHTML, {ltoAutoCopyRTF}, nullptr, &WriteHTMLCSSDocument, nullptr, {}},
    {"htm", ".htm", "HTML in plain markup", {}, {}, nullptr, &WriteHTMLPlainDocument, nullptr, {}},
    {"xhtml", ".xhtml", "XHTML with a style sheet", {}, {}, nullptr, &WriteXHTMLDocument, nullptr, {}},
}};

struct TRegistry {
  std::mutex Lock;
  // A deque keeps the formats where they are as more are added.
  std::deque<TLTDocumentFormat> Added;
};

TRegistry& Registry() {
  static TRegistry r;
  return r;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

void RegisterDocumentFormat(const TLTDocumentFormat& format) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  for (TLTDocumentFormat& f : r.Added)
    if (f.Name == format.Name) {
      f = format;
      return;
    }
  r.Added.push_back(format);
}

void UnregisterDocumentFormat(std::string_view name) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  std::erase_if(r.Added, [&](const TLTDocumentFormat& f) { return f.Name == name; });
}

std::vector<const TLTDocumentFormat*> DocumentFormats() {
  std::vector<const TLTDocumentFormat*> out;
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  for (const TLTDocumentFormat& f : kBuiltIns) {
    const bool replaced = std::any_of(r.Added.begin(), r.Added.end(), [&](const auto& a) { return a.Name == f.Name; });
    if (!replaced) out.push_back(&f);
  }
  for (const TLTDocumentFormat& f : r.Added) out.push_back(&f);
  return out;
}

const TLTDocumentFormat* FindFormatByName(std::string_view name) {
  std::string n = Lower(name);
  if (!n.empty() && n[0] == '.') n.erase(0, 1);
  for (const TLTDocumentFormat* f : DocumentFormats())
    if (f->Name == n || (!f->Extension.empty() && f->Extension.substr(1) == n)) return f;
  return nullptr;
}

const TLTDocumentFormat* FindFormatForFile(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return nullptr;
  const std::string ext = Lower(path.substr(dot));
  for (const TLTDocumentFormat* f : DocumentFormats())
    if (!f->Extension.empty() && f->Extension == ext) return f;
  return nullptr;
}

std::string PackLTFFlavour(std::string_view ltf) {
  const auto n = static_cast<uint32_t>(ltf.size());
  std::string out;
  out.reserve(ltf.size() + 4);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  out.append(ltf);
  return out;
}

bool UnpackLTFFlavour(std::string_view bytes, std::string& ltf) {
  ltf.clear();
  if (bytes.size() < 4) return false;
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i)
    n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[static_cast<size_t>(i)])) << (8 * i);
  if (n > bytes.size() - 4) return false;
  ltf.assign(bytes.substr(4, n));
  return true;
}

bool ReadTextDocument(std::string_view text, TCustomLTData& data, std::string& error) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (const size_t bad = FindInvalidUtf8(text); bad != std::string_view::npos) {
    const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(bad), '\n') + 1;
    error = "not valid UTF-8 text (line " + IntToStr(line) + ")";
    return false;
  }
  if (text.empty()) return true;
  if (text.back() == '\n') text.remove_suffix(1);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    data.AddTextW(Utf8ToUtf16(line), 0, 0);
    start = end + 1;
  }
  return true;
}

TGraphic* RangePicture(const TCustomLTData& data, const TLTItemRange& range) {
  if (range.FirstItem < 0 || range.FirstItem != range.LastItem || range.FirstOffs != 0 || range.LastOffs != 1)
    return nullptr;
  if (range.FirstItem >= data.ItemCount()) return nullptr;
  const TCustomLTItemInfo& item = data.GetItem(range.FirstItem);
  return item.IsText() ? nullptr : item.GetImage();
}

}  // namespace lectern
