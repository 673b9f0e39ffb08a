#pragma once
// Field codes and the report merge. A report template is an ordinary
// document in which runs of items tagged "FieldName|..." stand for database
// fields; the merge replaces each run by the field's value for the current
// record (or by the field's name in the codes view). Every inserted item
// keeps the field's tag, so the next merge finds and replaces it again.

#include "model/CLTData.h"
#include "platform/LTTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace lectern {

class TLTDataTable;
class TLTMemoryStream;
class TLTStyle;

/// The text styles that field values and field codes are shown in.
enum TLTCodeStyleKind : int {
  ltcsValue = 0,      // string values other than Country
  ltcsCountry = 1,    // the Country value
  ltcsFieldCode = 2,  // a field's name shown in place of its value
};

/// The fields a template knows, in the order of the Insert menu.
extern const char16_t* const LTFieldNames[6];

/// Index of the text style of that kind in sheet, adding it (once) when the
/// sheet has no equal style.
int FindOrAddCodeStyle(TLTCodeStyleKind kind, TLTStyle& sheet);

/// Prefixes the tag of every top-level item of data with name and "|" (the
/// items inside tables keep theirs).
void TagContent(const TLTString& name, TCustomLTData& data);

/// The field name of a tag that marks a field ("Country|..."), or nothing.
bool GetFieldName(const TLTTag& tag, TLTString& name);

/// Builds field contents and merges records into documents that use sheet.
/// The table may be null or closed while only the codes view is shown.
class TLTReportMerge {
 public:
  TLTReportMerge(TLTStyle& sheet, TLTDataTable* table);
  TLTReportMerge(const TLTReportMerge&) = delete;
  TLTReportMerge& operator=(const TLTReportMerge&) = delete;
  ~TLTReportMerge();

  /// True while field codes, not record values, are shown.
  bool CodesView = true;

  void SetTable(TLTDataTable* table) { table_ = table; }
  TLTDataTable* Table() const { return table_; }

  /// The field's content for the current record as a stored document
  /// without style records (its style numbers are the sheet's); null when
  /// it cannot be built (the reason is added to Problems).
  std::unique_ptr<TLTMemoryStream> BuildFieldContent(const TLTString& name);

  /// Replaces every field run of data and of the documents its items hold.
  /// Problems is cleared first and collects what went wrong; runs that could
  /// not be replaced keep their content.
  void MergeRecord(TCustomLTData& data);

  /// What went wrong during the last MergeRecord (or the BuildFieldContent
  /// calls since), one line each, naming the field.
  std::vector<std::string> Problems;

  /// The hidden document the contents are built in.
  TCustomLTData& Scratch() { return scratch_; }

 private:
  void MergeContainer(TCustomLTData& data);
  /// Replaces the run first..last (one tag) by the field's content; returns
  /// the index the walk goes on from (the run's new first item).
  int ReplaceRun(TCustomLTData& data, int first, int last, const TLTString& name);
  void AddProblem(const TLTString& name, const std::string& what);

  TLTStyle& sheet_;
  TLTDataTable* table_;  // not owned
  TLTDocumentContext scratchContext_;
  TCustomLTData scratch_;
};

}  // namespace lectern
