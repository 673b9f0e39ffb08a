// The merge command of `lectern`: fills a report template with records of a
// country table, as the program's view list does, and writes the reports.

#include "app/LTNormalize.h"
#include "app/Terrabook.h"
#include "app/ReportExport.h"
#include "app/ReportMerge.h"
#include "platform/LTDataTable.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "print/LTPrint.h"
#include "tools/lectern/LecternFormats.h"
#include "tools/lectern/LecternTool.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <set>

namespace lectern {

namespace {

/// The template, kept as a stored document so that every report starts
/// from the same bytes.
class TTemplate {
 public:
  bool Load(const std::string& path, std::ostream& err, int& status) {
    TLTDocument doc;
    status = lectern::Load(path, doc, err);
    if (status != lteOk) return false;
    doc.Context.LTFOptions = LTEditorLTFOptions;
    TLTMemoryStream m;
    if (!doc.Data.SaveLTFToStream(m)) {
      status = Fail(err, {path, "the template could not be prepared"});
      return false;
    }
    bytes_ = m.TakeData();
    return true;
  }
  /// A fresh copy of the template in doc.
  bool Into(TLTDocument& doc) const {
    doc.Context.LTFOptions = LTEditorLTFOptions;
    TLTMemoryStream m(bytes_);
    return bytes_.empty() || doc.Data.LoadLTFFromStream(m);
  }

 private:
  std::string bytes_;
};

/// The record's Country value, or empty when the table has none.
std::string CountryOf(TLTDataTable& table) {
  TLTDataField* f = table.FindField("Country");
  return f && f->IsString() ? f->AsString() : std::string();
}

struct TMergeRun {
  const TTemplate& Template;
  TLTDataTable* Table;  // null for the codes view
  const TLTDocumentFormat& Format;
  const TToolOptions& Options;
  std::ostream& Err;
  std::string DbPath;

  /// Merges the current record (or the codes) into a fresh template in
  /// doc; false after reporting what failed.
  bool MergeInto(TLTDocument& doc, const std::string& path, const std::string& what) {
    if (!Template.Into(doc)) {
      Fail(Err, {path, "the template could not be copied"});
      return false;
    }
    TLTReportMerge merge(doc.Style, Table);
    merge.CodesView = Table == nullptr;
    merge.MergeRecord(doc.Data);
    NormalizeDocument(doc.Data);
    if (!merge.Problems.empty()) {
      for (const std::string& p : merge.Problems) Fail(Err, {DbPath, what + ": " + p});
      return false;
    }
    return true;
  }

  /// Merges the current record (or the codes) into a fresh template and
  /// writes it to path; false after reporting what failed.
  bool WriteReport(const std::string& path, const std::string& what) {
    TLTDocument doc;
    if (!MergeInto(doc, path, what)) return false;
    TFailure failure;
    if (!WriteDocument(doc, Format, path, Options, failure)) {
      Fail(Err, failure);
      return false;
    }
    return true;
  }
};

std::string RecordLabel(int recNo, const std::string& country) {
  return "record " + IntToStr(recNo) + (country.empty() ? "" : " (" + country + ")");
}

int MergeAll(TMergeRun& run, TLTDataTable& table) {
  std::error_code ec;
  std::filesystem::create_directories(run.Options.AllDir, ec);
  if (!std::filesystem::is_directory(run.Options.AllDir, ec))
    return Fail(run.Err, {run.Options.AllDir, "cannot create the folder"});
  bool failed = false;
  std::set<std::string> used;
  for (int recNo = 1; recNo <= table.RecordCount(); ++recNo) {
    std::string country;
    try {
      table.SetRecNo(recNo);
      country = CountryOf(table);
      std::string base = ReportFileName(country);
      if (base.empty()) base = "record-" + IntToStr(recNo);
      // Two records of one name must not overwrite each other.
      if (!used.insert(base).second) {
        base += "-" + IntToStr(recNo);
        used.insert(base);
      }
      const std::string path =
          (std::filesystem::path(run.Options.AllDir) / (base + std::string(run.Format.Extension))).string();
      if (!run.WriteReport(path, RecordLabel(recNo, country))) failed = true;
    } catch (const std::exception& e) {
      // One unreadable record does not stop the others.
      Fail(run.Err, {run.DbPath, RecordLabel(recNo, country) + ": " + e.what()});
      failed = true;
    }
  }
  return failed ? lteBadInput : lteOk;
}

/// Every record into one PDF file, each starting on a new page; a record
/// that cannot be merged is reported and left out, and the file holds the
/// others.
int MergeOneFile(TMergeRun& run, TLTDataTable& table, const std::string& path) {
  TLTPdfWriter writer(WriteSettingsFor(path, run.Options));
  bool failed = false;
  for (int recNo = 1; recNo <= table.RecordCount(); ++recNo) {
    std::string country;
    try {
      table.SetRecNo(recNo);
      country = CountryOf(table);
      const std::string what = RecordLabel(recNo, country);
      TLTDocument doc;
      if (!run.MergeInto(doc, path, what)) {
        failed = true;
        continue;
      }
      // Hyperlinks lead where the window opens them.
      doc.Context.OnWriteHyperlink = [](const TCustomLTData& data, int itemNo, TLTSaveFormat, TLTString& target,
                                        TLTString&) { target = TTerrabook::JumpTarget(data.GetItem(itemNo).Tag); };
      std::string error;
      if (!writer.AddDocument(doc.Data, error)) {
        Fail(run.Err, {path, what + ": " + error});
        failed = true;
      }
    } catch (const std::exception& e) {
      Fail(run.Err, {run.DbPath, RecordLabel(recNo, country) + ": " + e.what()});
      failed = true;
    }
  }
  std::string error;
  auto file = TLTSafeFileWriter::Create(path, &error);
  if (!file) return Fail(run.Err, {path, error});
  if (!writer.Finish(*file, error) || !file->Commit(&error)) return Fail(run.Err, {path, error});
  for (const std::string& w : writer.Warnings()) run.Err << "lectern: " << path << ": warning: " << w << '\n';
  return failed ? lteBadInput : lteOk;
}

/// The record whose Country is name: an exact match first, then one that
/// differs only in case; 0 when there is none.
int FindCountry(TLTDataTable& table, const std::string& name) {
  int folded = 0;
  const TLTString wanted = Utf8ToUtf16(name);
  for (int recNo = 1; recNo <= table.RecordCount(); ++recNo) {
    table.SetRecNo(recNo);
    const std::string country = CountryOf(table);
    if (country == name) return recNo;
    if (folded == 0 && SameTextFold(Utf8ToUtf16(country), wanted)) folded = recNo;
  }
  return folded;
}

}  // namespace

int MergeCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& err) {
  const int choices = options.HasRecord + options.HasCountry + options.Codes + options.HasAll + options.OneFile;
  if (choices != 1)
    return UsageError(err, "merge needs exactly one of --record, --country, --codes, --all and --one-file");
  if (options.HasAll) {
    if (files.size() != 2) return UsageError(err, "merge --all takes a template and a table file");
    if (options.To.empty()) return UsageError(err, "merge --all needs --to FORMAT");
  } else if (files.size() != 3) {
    return UsageError(err, "merge takes a template, a table file and an output file");
  }
  const TLTDocumentFormat* format = OutputFormat(options.To.empty() ? files[2] : std::string(), options.To);
  if (!format) return UsageError(err, (options.To.empty() ? files[2] : options.To) + ": cannot write this file type");
  if (options.OneFile && format->Name != "pdf")
    return UsageError(err, "--one-file writes one PDF file (OUTPUT.pdf or --to pdf)");
  int recNo = 0;
  if (options.HasRecord) {
    const auto n = TryStrToInt(options.Record);
    if (!n) return UsageError(err, "--record needs a record number, not \"" + options.Record + "\"");
    recNo = *n;
  }

  TTemplate tmpl;
  int status = lteOk;
  if (!tmpl.Load(files[0], err, status)) return status;

  TMergeRun run{tmpl, nullptr, *format, options, err, files[1]};
  if (options.Codes) {
    // The codes need no record, but the table's own fields are fields of
    // the template too: a table that cannot be read leaves the six.
    try {
      TLTSQLiteTable fields;
      fields.SetFileName(files[1]);
      fields.Open();
      RegisterFieldNames(fields);
    } catch (const std::exception&) {
    }
    return run.WriteReport(files[2], "field codes") ? lteOk : lteBadInput;
  }

  TLTSQLiteTable table;
  table.SetFileName(files[1]);
  try {
    table.Open();
  } catch (const EDatabaseError& e) {
    return Fail(err, {files[1], e.what()});
  }
  run.Table = &table;
  if (options.HasAll) return MergeAll(run, table);
  if (options.OneFile) return MergeOneFile(run, table, files[2]);
  if (options.HasCountry) {
    recNo = FindCountry(table, options.Country);
    if (recNo == 0) return Fail(err, {files[1], "no record has the Country \"" + options.Country + "\""});
  }
  if (recNo < 1 || recNo > table.RecordCount())
    return Fail(err, {files[1], "there is no record " + IntToStr(recNo) + " (the table has " +
                                    IntToStr(table.RecordCount()) + " records)"});
  table.SetRecNo(recNo);
  return run.WriteReport(files[2], RecordLabel(recNo, CountryOf(table))) ? lteOk : lteBadInput;
}

}  // namespace lectern
