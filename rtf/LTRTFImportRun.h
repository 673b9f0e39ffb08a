#pragma once
// One RTF import run (internal to rtf/): the reader's events turned into
// items in the current container, which is the target, a cell of a table
// being read, or the document of a note.

#include "rtf/LTRTFImport.h"

#include "model/CLTData.h"
#include "style/LTStyle.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <set>
#include <vector>

namespace lectern {

class TLTTableItemInfo;
class TCustomLTNoteItemInfo;

class TLTRTFImportRun {
 public:
  TLTRTFImportRun(TLTRTFReaderProperties& settings, TCustomLTData& target, int index);
  ~TLTRTFImportRun();
  /// Reads and inserts; returns the reader's result.
  TLTRTFResult Run(std::string_view bytes);
  int LastInserted() const { return lastInserted_; }
  int InsertedCount() const { return inserted_; }

  // ---- Shared by the files of the import ----
  TLTRTFReaderProperties& S;
  TLTRTFReader R;
  TCustomLTData& Target;
  TLTStyle* Sheet = nullptr;  // not owned; null without a style sheet
  /// Pixels per twip.
  double K = 96.0 / 1440.0;
  int Px(int64_t twips) const;

  /// Inserts an item at a reported position (Algorithms 2).
  void Insert(std::unique_ptr<TCustomLTItemInfo> item, TLTRTFPosition pos);
  /// The paragraph style of an item at a position.
  int32_t ParaStyleFor(TLTRTFPosition pos);
  /// The text style of the reader's current run.
  int32_t TextStyleFor(bool unicode, bool hyperlink, bool noteRef);
  /// The paragraph style of a table of the alignment (0 left, 1 right, 2 centre).
  int32_t TableParaStyle(int align);
  void StyleAdded(TCustomLTInfos& collection, int index);
  /// A new empty text item starting a paragraph (empty cells).
  std::unique_ptr<TCustomLTItemInfo> EmptyParagraph();

  // Lists (LTRTFImportLists.cpp).
  /// Inserts the marker of a list paragraph before its first item.
  void InsertMarkerForParagraph();
  int32_t ListStyleForList(int listIndex);
  int32_t ListStyleForOldStyle(const TLTRTFParaProperties& p);
  void BuildListStyles();

  // Tables (LTRTFImportTables.cpp).
  bool OnTable(TLTRTFTableEventKind what);
  void FinishTable(bool forced);

  TCustomLTData* Cur = nullptr;  // not owned: where items go now
  int InsertIndex = 0;           // in the target
  bool Reinserting = false;
  /// The container a page break waits in for its next item (not owned).
  TCustomLTData* PageBreakIn = nullptr;
  bool Aborted = false;

  /// A table being read: the rows read so far, each with its row
  /// properties and its cells' contents, and the cells of the row being
  /// read. The grid is made when the table ends, when every column
  /// boundary is known.
  struct TTableBuild {
    struct TRow {
      TLTRTFRowProperties Props;
      std::vector<std::unique_ptr<TCustomLTData>> Cells;
    };
    std::vector<TRow> Rows;
    std::vector<std::unique_ptr<TCustomLTData>> Scratch;
    int CellIndex = 0;
    bool RowCompleted = false;
    bool LastRowSeen = false;
    TCustomLTData* SavedContainer = nullptr;  // not owned
    int SavedIndex = 0;
  };
  std::vector<std::unique_ptr<TTableBuild>> Tables;
  /// A scratch container for a cell being read.
  std::unique_ptr<TCustomLTData> NewScratch() const;

 private:
  void NewText(std::string_view text, TLTRTFPosition pos);
  void NewUnicodeText(std::u16string_view text, TLTRTFPosition pos);
  void AddTextItem(std::u16string_view text, std::string_view bytes8, bool fromUnicode, TLTRTFPosition pos);
  bool NewPicture(TLTRTFPicture& pic, std::unique_ptr<TGraphic>& graphic, TLTRTFPosition pos,
                  const std::string& fileName);
  void Note(TLTRTFNoteEventType what, TLTRTFPosition pos);
  void NewSeq(TLTRTFPosition pos, const TLTString& name, TLTRTFSeqType type, bool reset, int32_t start);
  /// The hyperlink of the field being read: false when it is none.
  bool Hyperlink(TLTString& target, TLTString& extras, TLTString& tip);
  void ApplyHyperlink(TCustomLTItemInfo& item, int32_t& styleNo, bool picture);

  int32_t ClosestTextStyle(bool unicode, bool hyperlink, TLTProtectOptions protection);
  int32_t ExactTextStyle(bool unicode, bool hyperlink, TLTProtectOptions protection);
  void FillTextStyle(TFontInfo& f, bool unicode, bool hyperlink, TLTProtectOptions protection) const;
  int32_t ClosestParaStyle();
  int32_t ExactParaStyle();
  void FillParaStyle(TParaInfo& p) const;

  int lastInserted_ = -1;
  int inserted_ = 0;
  TLTString pendingCheckpoint_;
  bool hasPendingCheckpoint_ = false;
  TLTRTFPosition carried_ = rtf_ts_ContinuePara;
  int32_t tableParaLeft_ = -1;
  std::unordered_map<std::string, int32_t> textStyleCache_;
  std::unordered_map<std::string, int32_t> paraStyleCache_;
  TLTString link_, linkExtras_, linkTip_;
  TLTString linkInstruction_;
  bool linkParsed_ = false;

  // Notes.
  struct TNoteContext {
    TCustomLTData* Container = nullptr;
    int InsertIndex = 0;
    TCustomLTNoteItemInfo* Note = nullptr;
  };
  std::vector<TNoteContext> notes_;
  TCustomLTItemInfo* lastNoteRef_ = nullptr;

 public:
  // Lists: the marker inserted last into the current container.
  TCustomLTItemInfo* LastMarker = nullptr;
  std::vector<int32_t> ListMap;          // list table index -> list style, -1 not made
  int32_t OldStyleMap[12] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  bool ListStylesBuilt = false;
  /// Levels (list style, level) this read added without indents of their
  /// own: the first paragraph of each says where it lies.
  std::set<std::pair<int32_t, int32_t>> LevelsToPlace;
  /// A list paragraph ends: its marker's level takes the paragraph's
  /// indents when it still has to be placed.
  void UpdateMarkerFromParagraph();
  int ListStylesBefore = 0;
};

}  // namespace lectern
