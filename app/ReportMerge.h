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
class TFontInfo;

/// The text styles that field values and field codes are shown in.
enum TLTCodeStyleKind : int {
  ltcsValue = 0,      // string values other than Country
  ltcsCountry = 1,    // the Country value
  ltcsFieldCode = 2,  // a field's name shown in place of its value
};

/// The fields a template knows, in the order of the Insert menu.
extern const char16_t* const LTFieldNames[6];

/// Whether name is a field a tag may name: one of the six a template knows,
/// or one that an opened data source has (RegisterFieldNames). Nothing
/// else makes a tag a field's: a link to "a.org/css?family=A|B" stays a link.
bool IsFieldName(std::u16string_view name);
/// Makes the fields of table known as field names, for as long as the
/// program runs (a template may name any of them).
void RegisterFieldNames(TLTDataTable& table);

/// The parts of a field's tag "Name|own": the field, the item's own tag
/// (a link's target; empty for plain text), and whether the item starts a
/// value of its own. That mark ("Name+|own") is set by the merge on the
/// first item of a value that follows another value of the same field
/// right away, so that the two stay two: a value may hold several
/// paragraphs, so a paragraph start alone cannot tell where a value ends.
struct TLTFieldTag {
  TLTString Name;
  TLTString Own;
  bool StartsValue = false;
};
/// False when the tag is not a field's (no "|", or an unknown name before it).
bool ParseFieldTag(const TLTTag& tag, TLTFieldTag& out);
/// The tag of an item of field name with its own tag.
TLTTag FieldTag(const TLTString& name, const TLTString& own = {}, bool startsValue = false);

/// Sets the properties of a text style of that kind (the others keep
/// their defaults).
void MakeCodeStyle(TLTCodeStyleKind kind, TFontInfo& style);
/// Index of the text style of that kind in sheet, adding it (once) when the
/// sheet has no equal style.
int FindOrAddCodeStyle(TLTCodeStyleKind kind, TLTStyle& sheet);

/// Prefixes the tag of every top-level item of data with name and "|" (the
/// items inside tables keep theirs).
void TagContent(const TLTString& name, TCustomLTData& data);

/// The field name of a tag that marks a field ("Country|..."), or nothing.
bool GetFieldName(const TLTTag& tag, TLTString& name);
/// An item's own tag without its field part: a field item's own tag, else
/// the whole tag (a link's target).
TLTString OwnTag(const TLTTag& tag);

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
  /// The fields the last MergeRecord showed by their name because the
  /// record has no value for them (a report shows the bare label there),
  /// each once.
  std::vector<TLTString> EmptyFields;

  /// The hidden document the contents are built in.
  TCustomLTData& Scratch() { return scratch_; }

 private:
  void MergeContainer(TCustomLTData& data);
  /// Whether item i - 1 belongs to the value of field name that item i is in.
  bool ContinuesValue(const TCustomLTData& data, int i, const TLTString& name) const;
  /// A field's code as the codes view shows it: one item, a value of its own.
  bool IsBareCode(const TCustomLTData& data, int i, const TLTString& name) const;
  /// Replaces the run first..last (one value) by the field's content;
  /// returns the index the walk goes on from (the run's new first item).
  /// A value's first item and the empty item that ends it after a table
  /// (see ReplaceRun).
  using TValueEnds = std::vector<std::pair<const TCustomLTItemInfo*, TCustomLTItemInfo*>>;
  int ReplaceRun(TCustomLTData& data, int first, int last, const TLTString& name, TValueEnds& ends);
  /// Gives each empty item that ends a value the style of the paragraph
  /// the value starts in.
  static void StyleValueEnds(TCustomLTData& data, TValueEnds& ends);
  /// An empty item of field name that keeps a run's place where its content
  /// cannot (see ReplaceRun).
  void InsertAnchor(TCustomLTData& data, int index, const TLTString& name, int32_t paraNo, uint8_t flags);
  void AddProblem(const TLTString& name, const std::string& what);

  TLTStyle& sheet_;
  TLTDataTable* table_;  // not owned
  int codeStyle_ = -1;   // the field-code style during a merge, -1 if the sheet has none
  TLTDocumentContext scratchContext_;
  TCustomLTData scratch_;
};

}  // namespace lectern
