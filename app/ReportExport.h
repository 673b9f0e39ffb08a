#pragma once
// Every report of the table written to a folder, one file per record in a
// format of the registry: File > Export All Reports. Each file is written
// through a temporary file and renamed into place, so a failure or a stop
// between records leaves finished files and never a partial one.

#include "interchange/LTFormats.h"
#include "model/LTDocument.h"
#include "platform/LTDataTable.h"

#include <set>
#include <string>
#include <vector>

namespace lectern {

/// A record's Country as a file name: separators and characters other
/// systems refuse become "_", leading and trailing dots and spaces go, at
/// most 200 bytes; empty when nothing is left.
std::string ReportFileName(const std::string& country);

class TLTReportExport {
 public:
  /// Keeps a copy of the template (the document with its field codes or a
  /// report of it: the merge fills the codes again); the table and the
  /// format must outlive the export.
  TLTReportExport(const TCustomLTData& templateDoc, TLTDataTable& table, const TLTDocumentFormat& format,
                  std::string folder);

  int RecordCount() { return table_.RecordCount(); }
  /// Merges record recNo (from 1) into a fresh copy of the template and
  /// writes it to the folder, named after its country ("record-N" without
  /// one, "-N" added to a name taken already). False with the reason; the
  /// other records can still be written.
  bool WriteRecord(int recNo, std::string& path, std::string& error);
  /// The fields of the record last written that had no value, so that its
  /// report shows their bare names.
  const std::vector<TLTString>& EmptyFields() const { return emptyFields_; }

 private:
  std::string template_;
  TLTDataTable& table_;
  const TLTDocumentFormat& format_;
  std::string folder_;
  std::set<std::string> used_;
  std::vector<TLTString> emptyFields_;
};

}  // namespace lectern
