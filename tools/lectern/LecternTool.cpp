// Command parsing and the convert and dump commands of `lectern`. Formats
// are chosen by file extension; outputs go through a temporary file that
// replaces the target only when everything was written.

#include "tools/lectern/LecternTool.h"

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "tools/lectern/LecternFormats.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <ostream>

namespace lectern {

namespace {

constexpr const char* kUsage =
    "usage: lectern convert INPUT OUTPUT\n"
    "       lectern dump INPUT\n"
    "       lectern merge TEMPLATE DB (--record N | --country NAME | --codes) OUTPUT\n"
    "       lectern merge TEMPLATE DB --all OUTDIR --to FORMAT\n"
    "Formats are chosen by extension: .txt (UTF-8 text, one paragraph per line),\n"
    ".ltf (the document format), .png (a picture of the laid-out document; output only).\n"
    "Options may stand before or after the file names:\n"
    "  --ltf-text       write .ltf in its text form (no binary blocks)\n"
    "  --no-styles      write .ltf without its style records\n"
    "  --record N       merge record N of the table (1 is the first)\n"
    "  --country NAME   merge the record whose Country is NAME\n"
    "  --codes          show the field codes instead of a record\n"
    "  --all OUTDIR     merge every record into a file of its own in OUTDIR,\n"
    "                   named after the country\n"
    "  --to FORMAT      output format (ltf, txt, png) instead of the extension\n"
    "  --width N        width of a .png picture in pixels (default 800)\n"
    "  -h, --help       show this help\n";

using TDocument = TLTDocument;

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

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

bool ReadText(const std::string& path, TDocument& doc, std::ostream&, TFailure& failure) {
  std::string bytes;
  std::string error;
  if (!ReadFileBytes(path, bytes, &error) || !ReadTextDocument(bytes, doc.Data, error)) {
    failure = {path, error};
    return false;
  }
  return true;
}

bool WriteText(TDocument& doc, const std::string& path, const TToolOptions&, TFailure& failure) {
  const std::string utf8 = Utf16ToUtf8(doc.Data.GetPlainText(0));
  std::string error;
  if (!WriteFileAtomic(path, utf8, &error)) {
    failure = {path, error};
    return false;
  }
  return true;
}

// The editor's own options: pictures and controls with their data, binary
// blocks, the styles and the document properties.
bool WriteLtf(TDocument& doc, const std::string& path, const TToolOptions& options, TFailure& failure) {
  TLTFOptions ltf = LTEditorLTFOptions;
  if (options.LtfText) ltf.Exclude(ltfoSaveBinary);
  if (options.NoStyles) ltf.Exclude(ltfoSaveTextStyles).Exclude(ltfoSaveParaStyles);
  doc.Context.LTFOptions = ltf;
  std::string error;
  auto file = TLTSafeFileWriter::Create(path, &error);
  if (!file) {
    failure = {path, error};
    return false;
  }
  if (!doc.Data.SaveLTFToStream(*file)) {
    failure = {path, "the document could not be written"};
    return false;
  }
  if (!file->Commit(&error)) {
    failure = {path, error};
    return false;
  }
  return true;
}

constexpr std::pair<TLTFWarning, const char*> kWarningTexts[] = {
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

// Warnings go to standard error, one line each; the read itself decides
// the exit status.
bool ReadLtf(const std::string& path, TDocument& doc, std::ostream& warnings, TFailure& failure) {
  doc.Context.LTFOptions = LTEditorLTFOptions;
  const bool ok = doc.Data.LoadLTF(path);
  for (const auto& [warning, text] : kWarningTexts)
    if (doc.Context.LTFWarnings.Contains(warning)) warnings << "lectern: " << path << ": warning: " << text << '\n';
  if (!ok) {
    std::string bytes, error;
    const std::string& reason = doc.Context.LTFError;
    failure = {path, !ReadFileBytes(path, bytes, &error) ? error
                     : reason.empty()                     ? "not a valid LTF document"
                                                          : "not a valid LTF document: " + reason};
  }
  return ok;
}

constexpr TFormat kFormats[] = {
    {".txt", &ReadText, &WriteText},
    {".ltf", &ReadLtf, &WriteLtf},
    {".png", nullptr, &WritePng},
};

int Convert(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& err) {
  if (files.size() != 2) return UsageError(err, "convert takes an input and an output file");
  const TFormat* out = options.To.empty() ? FindFormat(files[1]) : FormatByName(options.To);
  if (!out || !out->Write) return UsageError(err, files[1] + ": cannot write this file type");
  auto doc = std::make_unique<TDocument>();
  if (const int status = Load(files[0], *doc, err); status != lteOk) return status;
  TFailure failure;
  if (!out->Write(*doc, files[1], options, failure)) return Fail(err, failure);
  return lteOk;
}

int Dump(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
  if (files.size() != 1) return UsageError(err, "dump takes one input file");
  auto doc = std::make_unique<TDocument>();
  if (const int status = Load(files[0], *doc, err); status != lteOk) return status;
  DumpDocument(doc->Data, out);
  return lteOk;
}

}  // namespace

const TFormat* FindFormat(const std::string& path) { return FormatByName(Extension(path)); }

const TFormat* FormatByName(const std::string& name) {
  std::string ext = name;
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (!ext.empty() && ext[0] != '.') ext.insert(ext.begin(), '.');
  for (const TFormat& f : kFormats)
    if (ext == f.Extension) return &f;
  return nullptr;
}

int UsageError(std::ostream& err, const std::string& message) {
  err << "lectern: " << message << '\n' << kUsage;
  return lteUsage;
}

int Fail(std::ostream& err, const TFailure& f) {
  err << "lectern: " << f.File << ": " << f.Reason << '\n';
  return lteBadInput;
}

int Load(const std::string& path, TDocument& doc, std::ostream& err) {
  const TFormat* format = FindFormat(path);
  if (!format || !format->Read) return UsageError(err, path + ": cannot read this file type");
  TFailure failure;
  if (!format->Read(path, doc, err, failure)) return Fail(err, failure);
  return lteOk;
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

int LecternMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RegisterTableItemKind();
  std::vector<std::string> positional;
  TToolOptions options;
  bool optionsEnded = false;
  bool mergeOnly = false;
  bool usesWidth = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    // Options with a value take it from "--name=value" or the next argument.
    std::string name = a, value;
    bool hasValue = false;
    if (const size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      hasValue = true;
    }
    auto takeValue = [&](std::string& into) {
      if (!hasValue) {
        if (k + 1 >= args.size()) return false;
        value = args[++k];
      }
      into = value;
      return true;
    };
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      positional.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (name == "--to" || name == "--record" || name == "--country" || name == "--all") {
      std::string& into = name == "--to"        ? options.To
                          : name == "--record"  ? options.Record
                          : name == "--country" ? options.Country
                                                : options.AllDir;
      if (!takeValue(into)) return UsageError(err, name + " needs a value");
      options.HasRecord |= name == "--record";
      options.HasCountry |= name == "--country";
      options.HasAll |= name == "--all";
      mergeOnly |= name != "--to";
    } else if (name == "--width") {
      std::string text;
      if (!takeValue(text)) return UsageError(err, "--width needs a value");
      const std::optional<int32_t> n = TryStrToInt(text);
      if (!n || *n < 1 || *n > 20000) return UsageError(err, "--width takes a number of pixels from 1 to 20000");
      options.Width = *n;
      usesWidth = true;
    } else if (a == "--codes") {
      options.Codes = true;
      mergeOnly = true;
    } else if (a == "--ltf-text") {
      options.LtfText = true;
    } else if (a == "--no-styles") {
      options.NoStyles = true;
    } else if (a == "-h" || a == "--help") {
      out << kUsage;
      return lteOk;
    } else {
      return UsageError(err, "unknown option " + a);
    }
  }
  if (positional.empty()) return UsageError(err, "no command given");
  const std::string command = positional.front();
  positional.erase(positional.begin());
  if (mergeOnly && command != "merge") return UsageError(err, "--record, --country, --codes and --all belong to merge");
  if (usesWidth && command == "dump") return UsageError(err, "--width belongs to convert and merge");
  try {
    if (command == "convert") return Convert(positional, options, err);
    if (command == "dump") return Dump(positional, out, err);
    if (command == "merge") return MergeCommand(positional, options, err);
  } catch (const std::exception& e) {
    // A reader must not throw on bad input; if one does, the input is still
    // what was bad, and the user gets a message instead of a crash.
    err << "lectern: " << (positional.empty() ? command : positional.front()) << ": " << e.what() << '\n';
    return lteBadInput;
  }
  return UsageError(err, "unknown command " + command);
}

}  // namespace lectern
