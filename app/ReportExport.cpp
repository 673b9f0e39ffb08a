// Writing every report of the table to a folder.

#include "app/ReportExport.h"

#include "app/LTNormalize.h"
#include "app/ReportMerge.h"
#include "app/Terrabook.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"

#include <filesystem>
#include <string_view>

namespace lectern {

std::string ReportFileName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    const bool bad =
        c < 0x20 || c == 0x7F || std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
    out += bad ? '_' : static_cast<char>(c);
  }
  const size_t b = out.find_first_not_of(" .");
  if (b == std::string::npos) return {};
  out = out.substr(b, out.find_last_not_of(" .") - b + 1);
  // Cut at a character boundary.
  constexpr size_t kMaxBytes = 200;
  if (out.size() > kMaxBytes) {
    size_t cut = kMaxBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  return out;
}

TLTReportExport::TLTReportExport(const TCustomLTData& templateDoc, TLTDataTable& table,
                                 const TLTDocumentFormat& format, std::string folder)
    : table_(table), format_(format), folder_(std::move(folder)) {
  TLTDocumentContext* ctx = templateDoc.GetContext();
  const TLTFOptions kept = ctx ? ctx->LTFOptions : LTEditorLTFOptions;
  if (ctx) ctx->LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream m;
  templateDoc.SaveLTFToStream(m);
  if (ctx) ctx->LTFOptions = kept;
  template_ = m.TakeData();
}

bool TLTReportExport::WriteRecord(int recNo, std::string& path, std::string& error) {
  path.clear();
  emptyFields_.clear();
  try {
    table_.SetRecNo(recNo);
    std::string country;
    if (TLTDataField* f = table_.FindField("Country"); f && f->IsString()) country = f->AsString();
    std::string base = ReportFileName(country);
    if (base.empty()) base = "record-" + IntToStr(recNo);
    // Two records of one name must not overwrite each other.
    if (!used_.insert(base).second) {
      base += "-" + IntToStr(recNo);
      used_.insert(base);
    }
    path = (std::filesystem::path(folder_) / (base + std::string(format_.Extension))).string();

    TLTDocument doc;
    doc.Context.LTFOptions = LTEditorLTFOptions;
    TLTMemoryStream in(template_);
    if (!template_.empty() && !doc.Data.LoadLTFFromStream(in)) {
      error = "the template could not be copied";
      return false;
    }
    TLTReportMerge merge(doc.Style, &table_);
    merge.CodesView = false;
    merge.MergeRecord(doc.Data);
    NormalizeDocument(doc.Data);
    emptyFields_ = merge.EmptyFields;
    if (!merge.Problems.empty()) {
      error = merge.Problems.front();
      return false;
    }
    doc.Context.OnWriteHyperlink = [](const TCustomLTData& data, int itemNo, TLTSaveFormat, TLTString& target,
                                      TLTString&) { target = TTerrabook::JumpTarget(data.GetItem(itemNo).Tag); };
    TLTWriteSettings settings;
    settings.OutputFolder = folder_;
    settings.ImagePrefix = base + "_";
    settings.Title = Utf8ToUtf16(country.empty() ? base : country);
    auto file = TLTSafeFileWriter::Create(path, &error);
    if (!file) return false;
    TLTFormatReport report;
    if (!format_.Write(doc.Data, nullptr, *file, settings, report)) {
      error = report.Error;
      return false;
    }
    return file->Commit(&error);
  } catch (const std::exception& e) {
    // One record the table cannot give does not stop the others.
    error = e.what();
    return false;
  }
}

}  // namespace lectern
