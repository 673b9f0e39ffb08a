// Command parsing and the convert and dump commands of `lectern`. Formats
// come from the format registry, chosen by file extension or by name;
// outputs go through a temporary file that replaces the target only when
// everything was written.

#include "tools/lectern/LecternTool.h"

#include "app/Terrabook.h"
#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "layout/LTPages.h"
#include "tools/lectern/LecternFormats.h"

#include <algorithm>
#include <filesystem>
#include <cctype>
#include <charconv>
#include <memory>
#include <optional>
#include <ostream>

namespace lectern {

namespace {

constexpr const char* kCommands =
    "usage: lectern convert INPUT OUTPUT\n"
    "       lectern dump INPUT\n"
    "       lectern merge TEMPLATE DB (--record N | --country NAME | --codes) OUTPUT\n"
    "       lectern merge TEMPLATE DB --all OUTDIR --to FORMAT\n"
    "       lectern merge TEMPLATE DB --one-file OUTPUT.pdf\n"
    "       lectern edit INPUT --script SCRIPT [--db TABLE] OUTPUT\n"
    "       lectern check INPUT [--lang LANG] [--dict DIR]\n"
    "       lectern info INPUT [--width N | --page SIZE [--margins MM]]\n";

constexpr const char* kOptions =
    "Options may stand before or after the file names:\n"
    "  --ltf-text       write .ltf in its text form (no binary blocks)\n"
    "  --no-styles      write .ltf without its style records\n"
    "  --record N       merge record N of the table (1 is the first)\n"
    "  --country NAME   merge the record whose Country is NAME\n"
    "  --codes          show the field codes instead of a record\n"
    "  --all OUTDIR     merge every record into a file of its own in OUTDIR,\n"
    "                   named after the country\n"
    "  --one-file       merge every record into one PDF, each on new pages\n"
    "  --to FORMAT      output format instead of the extension\n"
    "  --width N        width of a .png picture, or of the window an edit\n"
    "                   script plays in, in pixels (default 800)\n"
    "  --page SIZE      paper of PDF pages: A4, Letter, A5, A3, Legal or\n"
    "                   WIDTHxHEIGHTmm (default: the document's, else A4)\n"
    "  --margins MM     margins of PDF pages in millimetres (default: the\n"
    "                   document's, else 20)\n"
    "  --script SCRIPT  the editing script of edit (- for standard input)\n"
    "  --db TABLE       the table file the script's view command merges from\n"
    "  --lang LANG      the dictionary check uses, as en_US (default: the locale's)\n"
    "  --dict DIR       the folder holding LANG.aff and LANG.dic (default: the\n"
    "                   system's and the user's dictionary folders)\n"
    "  -h, --help       show this help\n";

/// The formats that are files, as the tool reads and writes them.
std::vector<const TLTDocumentFormat*> FileFormats() {
  std::vector<const TLTDocumentFormat*> out;
  for (const TLTDocumentFormat* f : DocumentFormats())
    if (!f->Extension.empty() && (f->Read || f->Write)) out.push_back(f);
  return out;
}

/// The usage text, with the formats of the registry.
std::string Usage() {
  std::string u = kCommands;
  u += "Formats are chosen by extension, or by name with --to:\n";
  for (const TLTDocumentFormat* f : FileFormats()) {
    std::string line = "  " + std::string(f->Extension);
    line.resize(std::max<size_t>(line.size() + 2, 8), ' ');
    line += std::string(f->Summary);
    if (!f->Read) line += " (output only)";
    if (!f->Write) line += " (input only)";
    u += line + "\n";
  }
  return u + kOptions;
}

int Convert(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& err) {
  if (files.size() != 2) return UsageError(err, "convert takes an input and an output file");
  const TLTDocumentFormat* out = OutputFormat(files[1], options.To);
  if (!out) return UsageError(err, files[1] + ": cannot write this file type");
  auto doc = std::make_unique<TLTDocument>();
  if (const int status = Load(files[0], *doc, err); status != lteOk) return status;
  TFailure failure;
  std::vector<std::string> warnings;
  if (!WriteDocument(*doc, *out, files[1], options, failure, &warnings)) return Fail(err, failure);
  // What the output format cannot carry is left out; the output is still good.
  for (const std::string& w : warnings) err << "lectern: " << files[1] << ": warning: " << w << '\n';
  return lteOk;
}

int Dump(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
  if (files.size() != 1) return UsageError(err, "dump takes one input file");
  auto doc = std::make_unique<TLTDocument>();
  if (const int status = Load(files[0], *doc, err); status != lteOk) return status;
  DumpDocument(doc->Data, out);
  DumpStyleTemplates(doc->Style, out);
  return lteOk;
}

}  // namespace

const TLTDocumentFormat* OutputFormat(const std::string& path, const std::string& to) {
  const TLTDocumentFormat* f = to.empty() ? FindFormatForFile(path) : FindFormatByName(to);
  return f && !f->Extension.empty() && f->Write ? f : nullptr;
}

bool WriteDocument(TLTDocument& doc, const TLTDocumentFormat& format, const std::string& path,
                   const TToolOptions& options, TFailure& failure, std::vector<std::string>* warnings) {
  // The editor's own options: pictures and controls with their data,
  // binary blocks, the styles and the document properties.
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
  const TLTWriteSettings settings = WriteSettingsFor(path, options);
  TLTFormatReport report;
  // Hyperlinks lead where the window opens them.
  doc.Context.OnWriteHyperlink = [](const TCustomLTData& data, int itemNo, TLTSaveFormat, TLTString& target,
                                    TLTString&) { target = TTerrabook::JumpTarget(data.GetItem(itemNo).Tag); };
  const bool written = format.Write(doc.Data, nullptr, *file, settings, report);
  if (warnings) warnings->insert(warnings->end(), report.Warnings.begin(), report.Warnings.end());
  if (!written) {
    failure = {path, report.Error};
    return false;
  }
  if (!file->Commit(&error)) {
    failure = {path, error};
    return false;
  }
  return true;
}

TLTWriteSettings WriteSettingsFor(const std::string& path, const TToolOptions& options) {
  TLTWriteSettings settings;
  settings.PictureWidth = options.Width > 0 ? options.Width : kDefaultPictureWidth;
  // Pages put their pictures beside them, named after the page.
  const std::filesystem::path target(path);
  settings.OutputFolder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  settings.ImagePrefix = target.stem().string() + "_";
  if (settings.ImagePrefix.find("..") != std::string::npos) settings.ImagePrefix = "image";
  settings.Title = Utf8ToUtf16(target.stem().string());
  settings.Paper = options.Paper;
  settings.MarginsMm = options.MarginsMm;
  return settings;
}

int UsageError(std::ostream& err, const std::string& message) {
  err << "lectern: " << message << '\n' << Usage();
  return lteUsage;
}

int Fail(std::ostream& err, const TFailure& f) {
  err << "lectern: " << f.File << ": " << f.Reason << '\n';
  return lteBadInput;
}

int Load(const std::string& path, TLTDocument& doc, std::ostream& err) {
  const TLTDocumentFormat* format = FindFormatForFile(path);
  if (!format || !format->Read) return UsageError(err, path + ": cannot read this file type");
  std::string error;
  auto file = TLTFileStream::Open(path, TLTFileMode::Read, &error);
  if (!file) return Fail(err, {path, error});
  doc.Context.LTFOptions = LTEditorLTFOptions;
  TLTFormatReport report;
  const bool ok = format->Read(*file, doc.Data, report);
  // Warnings go to standard error, one line each; the read itself decides
  // the exit status.
  for (const std::string& w : report.Warnings) err << "lectern: " << path << ": warning: " << w << '\n';
  return ok ? lteOk : Fail(err, {path, report.Error});
}

int LecternMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  RegisterToolFormats();
  std::vector<std::string> positional;
  TToolOptions options;
  bool optionsEnded = false;
  bool mergeOnly = false;
  bool usesWidth = false;
  bool usesScript = false;
  bool usesCheck = false;
  bool usesPage = false;
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
    } else if (name == "--lang" || name == "--dict") {
      if (!takeValue(name == "--lang" ? options.Lang : options.DictDir))
        return UsageError(err, name + " needs a value");
      usesCheck = true;
    } else if (name == "--script") {
      if (!takeValue(options.Script)) return UsageError(err, "--script needs a value");
      usesScript = true;
    } else if (name == "--db") {
      if (!takeValue(options.Db)) return UsageError(err, "--db needs a value");
      usesScript = true;
    } else if (name == "--width") {
      std::string text;
      if (!takeValue(text)) return UsageError(err, "--width needs a value");
      const std::optional<int32_t> n = TryStrToInt(text);
      if (!n || *n < 1 || *n > 20000) return UsageError(err, "--width takes a number of pixels from 1 to 20000");
      options.Width = *n;
      usesWidth = true;
    } else if (name == "--page") {
      if (!takeValue(options.Paper)) return UsageError(err, "--page needs a value");
      TLTPageFormat probe;
      if (!probe.SetPaperByName(options.Paper))
        return UsageError(err, "--page takes A4, Letter, A5, A3, Legal or WIDTHxHEIGHTmm (10 to 5000 mm), not \"" +
                                   options.Paper + "\"");
      usesPage = true;
    } else if (name == "--margins") {
      std::string text;
      if (!takeValue(text)) return UsageError(err, "--margins needs a value");
      double mm = -1;
      const auto r = std::from_chars(text.data(), text.data() + text.size(), mm);
      if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !(mm >= 0 && mm <= 1000))
        return UsageError(err, "--margins takes millimetres from 0 to 1000, not \"" + text + "\"");
      options.MarginsMm = mm;
      usesPage = true;
    } else if (a == "--one-file") {
      options.OneFile = true;
      mergeOnly = true;
    } else if (a == "--codes") {
      options.Codes = true;
      mergeOnly = true;
    } else if (a == "--ltf-text") {
      options.LtfText = true;
    } else if (a == "--no-styles") {
      options.NoStyles = true;
    } else if (a == "-h" || a == "--help") {
      out << Usage();
      return lteOk;
    } else {
      return UsageError(err, "unknown option " + a);
    }
  }
  if (positional.empty()) return UsageError(err, "no command given");
  const std::string command = positional.front();
  positional.erase(positional.begin());
  if (mergeOnly && command != "merge")
    return UsageError(err, "--record, --country, --codes, --all and --one-file belong to merge");
  if (usesPage && command != "convert" && command != "merge" && command != "info")
    return UsageError(err, "--page and --margins belong to convert, merge and info");
  if (usesPage && usesWidth && command == "info") return UsageError(err, "info takes --width or --page, not both");
  if (usesWidth && (command == "dump" || command == "check"))
    return UsageError(err, "--width belongs to convert, merge, edit and info");
  if (usesScript && command != "edit") return UsageError(err, "--script and --db belong to edit");
  if (usesCheck && command != "check") return UsageError(err, "--lang and --dict belong to check");
  try {
    if (command == "convert") return Convert(positional, options, err);
    if (command == "dump") return Dump(positional, out, err);
    if (command == "merge") return MergeCommand(positional, options, err);
    if (command == "edit") return EditCommand(positional, options, out, err);
    if (command == "check") return CheckCommand(positional, options, out, err);
    if (command == "info") return InfoCommand(positional, options, out, err);
  } catch (const std::exception& e) {
    // A reader must not throw on bad input; if one does, the input is still
    // what was bad, and the user gets a message instead of a crash.
    err << "lectern: " << (positional.empty() ? command : positional.front()) << ": " << e.what() << '\n';
    return lteBadInput;
  }
  return UsageError(err, "unknown command " + command);
}

}  // namespace lectern
