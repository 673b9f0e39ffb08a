#pragma once
// The document container: the ordered items of a document or sub-document
// with the paragraph structure their flags encode, the checkpoint list, and
// the operations every document, cell and note shares.

#include "model/LTDocParams.h"
#include "model/LTFMisc.h"
#include "model/LTItem.h"
#include "model/LTMarker.h"
#include "model/LTRTFOptions.h"
#include "platform/LTTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lectern {

class TGraphic;
class TLTStream;
class TLTStyle;
class TLTMarkerList;
class TLTMarkerItemInfo;

/// Behaviour switches of the viewer and editor controls.
enum TLTOption : uint8_t {
  ltoAllowSelection,
  ltoSingleClick,
  ltoScrollToEnd,
  ltoClientTextWidth,
  ltoShowCheckpoints,
  ltoShowPageBreaks,
  ltoShowSpecialCharacters,
  ltoTagsArePChars,
  ltoAutoCopyText,
  ltoAutoCopyUnicodeText,
  ltoAutoCopyLTF,
  ltoAutoCopyImage,
  ltoAutoCopyRTF,
  ltoFormatInvalidate,
  ltoDblClickSelectsWord,
  ltoRClickDeselects,
  ltoDisallowDrag,
  ltoShowItemHints,
  ltoFastFormatting,
};
using TLTOptions = TLTSet<TLTOption, uint32_t>;
constexpr TLTOptions LTDefaultOptions{ltoAllowSelection,      ltoScrollToEnd,      ltoShowPageBreaks,
                                      ltoAutoCopyUnicodeText, ltoAutoCopyLTF,      ltoAutoCopyImage,
                                      ltoAutoCopyRTF,         ltoFormatInvalidate, ltoDblClickSelectsWord,
                                      ltoRClickDeselects,     ltoFastFormatting};

/// Settings and events that the containers of one document share. The
/// owning control (or a tool) supplies it to the root container; sub-
/// documents reach it through their root.
struct TLTDocumentContext {
  TLTStyle* Style = nullptr;  // not owned; outlives the document
  TLTOptions Options = LTDefaultOptions;
  /// Document properties stored with the document (one string each).
  std::vector<TLTString> DocProperties;
  /// Page setup stored with the document.
  TLTDocParameters DocParameters;
  /// How stored documents are written and read.
  TLTFOptions LTFOptions = LTDefaultLTFOptions;
  /// What happened during the last read.
  TLTFWarnings LTFWarnings;
  /// Why the last read failed (empty after a read that succeeded).
  std::string LTFError;
  /// How stored text styles, and paragraph and list styles, meet the sheet.
  TLTFReaderStyleMode LTFTextStylesReadMode = ltf_sInsertMerge;
  TLTFReaderStyleMode LTFParaStylesReadMode = ltf_sInsertMerge;
  /// Content of pictures and controls stored without it, by name and tag.
  std::function<std::unique_ptr<TGraphic>(const TLTString& name, const TLTTag& tag)> OnLTFPictureNeeded;
  std::function<std::unique_ptr<TLTControl>(const TLTString& name, const TLTTag& tag)> OnLTFControlNeeded;
  /// The image list of bullets and hotspots, by its numeric tag.
  std::function<TLTImageList*(int64_t tag)> OnLTFImageListNeeded;

  /// An item is inserted, inserted already, destroyed, ...; text may be changed.
  std::function<void(TLTItemAction action, TCustomLTItemInfo& item, TLTRawByteString& text, TCustomLTData& data)>
      OnItemAction;
  /// Something happens to an embedded control.
  std::function<void(TLTControlAction action, int itemNo, TLTControl*& control)> OnControlAction;
  /// Replaces the output of an item in a saved format.
  std::function<void(const std::string& path, TCustomLTData& data, int itemNo, TLTSaveFormat format, bool unicode,
                     TLTString& out, bool& doDefault)>
      OnSaveItemToFile;
  /// What RTF output writes (the controls publish it as RTFOptions).
  TLTRTFOptions RTFOptions = LTDefaultRTFOptions;
  /// Extra RTF appended at fixed places of RTF output: the area, what the
  /// indices name there (a style, list level, column or row), whether the
  /// style sheet is being written, and the code to append.
  std::function<void(TLTRTFSaveArea area, int index1, int index2, bool inStyleSheet, std::string& rtfCode)>
      OnSaveRTFExtra;
  /// The target and extra field switches of a hyperlink in a saved format;
  /// without a handler a string tag is the target.
  std::function<void(const TCustomLTData& data, int itemNo, TLTSaveFormat format, TLTString& target,
                     TLTString& extras)>
      OnWriteHyperlink;
  /// Extra markup at fixed places of an HTML page: in the head, inside the
  /// body tag (after a blank), right after it and before its end; css
  /// tells the flavour. The code is the application's own and is written
  /// as it is.
  std::function<void(TLTHTMLSaveArea area, bool css, TLTString& code)> OnSaveHTMLExtra;
  /// Where a picture of an HTML page is (itemNo -1: the page background):
  /// a location of the application's own with doDefault cleared, else the
  /// picture is stored beside the page.
  std::function<void(const TCustomLTData& data, int itemNo, const std::string& folder, TColor background,
                     TLTString& location, bool& doDefault)>
      OnHTMLSaveImage;
  /// The same for any picture a saved format stores, given the folder, the
  /// file prefix and the number last used (which the handler may advance).
  std::function<void(const TGraphic& graphic, TLTSaveFormat format, const std::string& folder,
                     const std::string& prefix, int& imageSaveNo, TLTString& location, bool& doDefault)>
      OnSaveImage2;
  /// Text of an embedded control in a saved format.
  std::function<void(const std::string& path, TLTControl& control, TLTSaveFormat format, TLTString& out)>
      OnSaveComponentToFile;
};

/// A range of a container: from an offset in one item to an offset in
/// another (1-based character offsets in text, 0/1 around other items).
struct TLTItemRange {
  int FirstItem = 0;
  int FirstOffs = 0;
  int LastItem = 0;
  int LastOffs = 0;
};

/// What a kind of item keeps for a whole document (the list of numbered
/// sequence fields): the root owns it, the kind that needs it defines it,
/// so that the model does not know the kinds above it.
class TLTDocumentList {
 public:
  virtual ~TLTDocumentList() = default;
};

/// Visits one item during EnumerateItems; setting stop ends the walk.
using TLTEnumItemsProc = std::function<void(TCustomLTData& data, int itemNo, bool& stop)>;

/// The container of a document or of a sub-document (table cell, note).
class TCustomLTData {
 public:
  TCustomLTData();
  TCustomLTData(const TCustomLTData&) = delete;
  TCustomLTData& operator=(const TCustomLTData&) = delete;
  virtual ~TCustomLTData();

  // ---- Place in the document ---------------------------------------------
  /// The container holding the item that holds this one; null for the root.
  TCustomLTData* GetParentData() const { return parent_; }
  /// The item of the parent container that holds this sub-document.
  TCustomLTItemInfo* GetOwnerItem() const { return ownerItem_; }
  /// Makes this a sub-document of item in parent (both not owned).
  void SetParent(TCustomLTData* parent, TCustomLTItemInfo* ownerItem);
  TCustomLTData& GetRootData();
  const TCustomLTData& GetRootData() const;
  bool IsRoot() const { return parent_ == nullptr; }
  /// Whether every container above holds the item that holds the one
  /// below, so that this container is part of its root document (a cell of
  /// a table still being read is not).
  bool IsAttached() const;
  /// For a container that becomes a sub-document: forgets what it kept as
  /// a root and attaches its items to the document above.
  void AttachItemsToDocument();
  /// A root container that holds, for a while, the items of the sub-document
  /// cell (not owned; null ends it): an editor open on a table cell. It
  /// takes the cell's place in its document for list and field numbering
  /// and for the order of positions, and stays a root for all else (its own
  /// settings, what it saves). Set it before the items arrive and clear it
  /// after they left, so that they join and leave the document's numbering.
  void SetStandInFor(TCustomLTData* cell) { standInFor_ = cell; }
  TCustomLTData* StandInFor() const { return standInFor_; }
  /// The container above in document order: the parent, or for a stand-in
  /// the parent of the cell it stands for.
  TCustomLTData* PlacedParent() const;
  /// The item of PlacedParent that holds this container (or its cell).
  TCustomLTItemInfo* PlacedOwner() const;
  /// The root of the document whose numbering this container's items take
  /// part in (through stand-ins).
  TCustomLTData& NumberingRoot();
  const TCustomLTData& NumberingRoot() const;

  /// Root only: the settings of the document (not owned).
  void SetContext(TLTDocumentContext* context) { context_ = context; }
  /// The document's settings, found through the root; null when none.
  TLTDocumentContext* GetContext() const;
  TLTStyle* GetStyle() const;
  TLTOptions GetOptions() const;
  bool TagsArePChars() const { return GetOptions().Contains(ltoTagsArePChars); }

  /// Added to item link indices to give hyperlink ids.
  int32_t FirstJumpNo = 0;
  /// When false, added items become new lines of the current paragraph.
  bool AllowNewParagraphs = true;
  /// List numbering carried into a fragment whose first paragraph was cut.
  int32_t FirstParaListNo = -1;
  int32_t FirstParaLevel = -1;
  bool FirstParaCut = false;
  bool LastParaCut = false;

  // ---- Access ---------------------------------------------------------------
  int ItemCount() const { return static_cast<int>(items_.size()); }
  /// Raises ELecternError "Item index is out of bounds" for a wrong index.
  TCustomLTItemInfo& GetItem(int i) const;
  /// Index of the item object, or -1.
  int FindItemIndex(const TCustomLTItemInfo* item) const;
  /// StyleNo with MaxInt resolved to the paragraph style's default text style.
  int32_t GetItemStyle(int i) const;
  int32_t GetItemPara(int i) const { return GetItem(i).ParaNo; }
  const TLTRawByteString& GetItemTextRaw(int i) const { return GetItem(i).Text; }
  void SetItemTextRaw(int i, TLTRawByteString text) { GetItem(i).Text = std::move(text); }
  /// The item's text as UTF-16 (8-bit text and names through their code page).
  TLTString GetItemTextW(int i) const;
  const TLTTag& GetItemTag(int i) const { return GetItem(i).Tag; }
  void SetItemTag(int i, TLTTag tag);
  bool IsParaStart(int i) const { return GetItem(i).StartsParagraph(); }
  bool IsFromNewLine(int i) const { return !GetItem(i).HasFlag(ltifJoinPrev); }
  bool PageBreakBefore(int i) const { return GetItem(i).HasFlag(ltifNewPage); }
  TLTCPInfo* GetItemCheckpoint(int i) const { return GetItem(i).Checkpoint.get(); }
  bool GetItemExtraIntProperty(int i, TLTExtraItemProperty p, int32_t& value) const;
  bool GetItemExtraStrProperty(int i, TLTExtraItemStrProperty p, TLTString& value) const;
  /// The item as T; raises ELecternError "Can't get or set this kind of
  /// information for this item" when it is not one.
  template <class T>
  T& CheckItemClass(int i) const {
    auto* p = dynamic_cast<T*>(&GetItem(i));
    if (!p) ThrowWrongItemClass();
    return *p;
  }
  /// Index of the first item that owns the control, or -1.
  int FindControlItem(const TLTControl* control) const;
  int GetOffsBeforeItem(int i) const { return GetItem(i).IsText() ? 1 : 0; }
  int GetOffsAfterItem(int i) const;
  int GetFirstParaItem(int i) const;
  int GetFirstLineItem(int i) const;
  void ExpandToPara(int first, int last, int& a, int& b) const;
  void ExpandToLine(int first, int last, int& a, int& b) const;
  /// Code page of 8-bit text in text style styleNo of this document.
  uint32_t StyleCodePage(int32_t styleNo) const;
  /// Whether text in a text style is stored as UTF-16 (true without a sheet).
  bool IsUnicodeStyle(int32_t styleNo) const;
  /// Resolves MaxInt against paragraph style paraNo.
  int32_t ResolveTextStyle(int32_t styleNo, int32_t paraNo) const;

  // ---- Adding at the end --------------------------------------------------
  /// Appends with the paragraph rules (a ParaNo of -1 continues the paragraph).
  void AddItem(TLTRawByteString text, std::unique_ptr<TCustomLTItemInfo> item);
  /// Appends without paragraph processing.
  void AddItemAsIs(TLTRawByteString text, std::unique_ptr<TCustomLTItemInfo> item);
  /// Adds text: 8-bit text in the code page of the effective style.
  void AddTextA(std::string_view text, int32_t style, int32_t paraNo, TLTTag tag = {});
  /// Adds text given as UTF-16LE bytes.
  void AddTextWBytes(std::string_view utf16le, int32_t style, int32_t paraNo, TLTTag tag = {});
  /// Adds text given as a UTF-16 string.
  void AddTextW(std::u16string_view text, int32_t style, int32_t paraNo, TLTTag tag = {});
  /// Creates the pending checkpoint, or returns the index of the one pending.
  int AddNamedCheckpoint(TLTString name, bool raiseEvent, TLTTag tag = {});

  // ---- Inserting and deleting -------------------------------------------
  /// Inserts at index without paragraph processing (callers set the flags).
  void InsertItemAt(int index, TLTRawByteString text, std::unique_ptr<TCustomLTItemInfo> item);
  /// Frees items index .. index+count-1 (count clipped to the end; an index
  /// at or past the end does nothing).
  void DeleteItems(int index, int count);
  /// Takes items index .. index+count-1 out without freeing them (for an
  /// undo list): they leave the numbering of lists and the checkpoint list
  /// but keep their checkpoints, so that InsertItemAt puts them back whole.
  std::vector<std::unique_ptr<TCustomLTItemInfo>> ExtractItems(int index, int count);
  /// Frees everything, the pending checkpoint and the document properties.
  void Clear();
  /// Moves every item of source to the end of this container.
  void AppendFrom(TCustomLTData& source);
  /// Moves every item of source to the end of this container as it is:
  /// flags and paragraph styles untouched, no filler added (an editor
  /// taking a cell's items and giving them back, which must be exact for
  /// the steps recorded in between to fit).
  void MoveItemsFrom(TCustomLTData& source);

  // ---- Checkpoints ----------------------------------------------------------
  TLTCPInfo* FirstCheckpoint() const { return firstCP_; }
  TLTCPInfo* LastCheckpoint() const { return lastCP_; }
  TLTCPInfo* PendingCheckpoint() const { return pendingCP_.get(); }
  /// Number of checkpoints including the pending one.
  int CheckpointCount() const { return cpCount_; }
  /// Links the pending checkpoint after `after` (at the head when null) and
  /// gives it to item.
  void AttachPendingCheckpoint(TCustomLTItemInfo& item, TLTCPInfo* after);
  void UnlinkCheckpoint(TLTCPInfo* cp, bool countIt);
  void RefreshCheckpointIndices();
  /// Puts a checkpoint whose ItemNo is known at its place in document order.
  void InsertCheckpointSorted(TLTCPInfo* cp);
  /// Gives item itemNo a checkpoint; ELecternError "Checkpoint error" when
  /// it has one.
  void AttachCheckpoint(int itemNo, std::unique_ptr<TLTCPInfo> cp);
  /// Takes item itemNo's checkpoint out of the document; ELecternError
  /// "Checkpoint error" when it has none.
  std::unique_ptr<TLTCPInfo> DetachCheckpoint(int itemNo);
  /// The last checkpoint on an item below index, or null.
  TLTCPInfo* FindCheckpointBefore(int index);

  // ---- Sub-documents --------------------------------------------------------
  /// Depth-first walk over every item and the sub-documents of each; false
  /// when the callback stopped it.
  bool EnumerateItems(const TLTEnumItemsProc& proc);
  /// Orders (this, itemNo1) against (data2, itemNo2) in one document:
  /// negative, 0 or positive. Raises ELecternError "Error when comparing
  /// positions in the document" when they share no container.
  int ComparePositions(int itemNo1, const TCustomLTData& data2, int itemNo2) const;

  // ---- Merging text and repairing paragraphs -----------------------------
  /// Whether items i and i+1 may become one text item.
  bool CanMergeTextItems(int i, bool crossParagraphs = false) const;
  /// Appends item i+1 to item i (an empty item i takes i+1's style first).
  void MergeTextItems(int i);
  /// Merges what can be merged in first..last and normalizes the sub-documents there.
  void NormalizeRange(int first, int last);
  /// Gives every item of i's paragraph the paragraph's style.
  void NormalizeParaStyles(int i);

  // ---- Styles ---------------------------------------------------------------
  void MarkStylesInUse(TLTStyleUsage& usage) const;
  void UpdateStyles(const TLTStyleUsage& usage);
  /// Deletes the styles of the chosen kinds that nothing uses and renumbers
  /// every reference. Works on the whole document through the root.
  void DeleteUnusedStyles(bool text, bool para, bool list);

  // ---- Plain text -------------------------------------------------------------
  /// The document (or a range of it) as text: paragraphs and lines separated
  /// by CR LF, page breaks as form feeds when asked.
  TLTString GetPlainText(int lineWidth, const TLTItemRange* range = nullptr, bool formFeeds = false) const;
  /// The plain text in pieces: each text item's part with its text style,
  /// everything else (line ends, other items) with -1.
  using TPlainTextSink = std::function<void(std::u16string_view text, int32_t styleNo)>;
  void WalkPlainText(int lineWidth, const TLTItemRange* range, bool formFeeds, const TPlainTextSink& sink) const;
  /// Writes the text as UTF-16LE (with FF FE first when withBOM) or as 8-bit
  /// text, every text item in its text style's code page and the rest in
  /// the sheet's DefCodePage; false on any failure.
  bool SaveText(TLTStream& stream, int lineWidth, bool unicode, bool withBOM,
                const TLTItemRange* range = nullptr) const;

  // ---- LTF -------------------------------------------------------------------------
  /// The document's LTF options (the defaults without settings).
  TLTFOptions GetLTFOptions() const;
  /// The items of this container as a stored sub-document (a table cell's
  /// content): a version record and the item records, no document data.
  std::string SaveLTFSubDocument(TLTFOptions options) const;
  /// The same, appended to out where it is being built.
  void AppendLTFSubDocument(std::string& out, TLTFOptions options) const;
  /// Writes the document, or the range, as LTF; the layout and background
  /// records only for a whole document and when given. Never raises: false
  /// when anything failed, with what was written left in the stream. An
  /// empty container writes nothing.
  bool SaveLTFToStream(TLTStream& stream, const TLTItemRange* range = nullptr, const TLTLayoutInfo* layout = nullptr,
                       const TLTBackgroundInfo* background = nullptr) const;
  /// The same into a file, which is replaced only after a complete write.
  bool SaveLTF(const std::string& path, const TLTItemRange* range = nullptr, const TLTLayoutInfo* layout = nullptr,
               const TLTBackgroundInfo* background = nullptr) const;
  /// Saves the part of the document that one printed page shows: with its
  /// layout, whether it cuts its first and last paragraph and the list of
  /// a cut first paragraph, for the root the numbering state of the markers
  /// before it, and every marker as restarting its list at its number.
  bool SavePagePartToStream(TLTStream& stream, const TLTItemRange& range, const TLTLayoutInfo& layout) const;
  /// Clears the container and reads a stored document into it; stored
  /// styles and document settings replace the current ones (as the options
  /// and read modes say). False on any error, with what was read kept. The
  /// layout and background, when given, receive what the stream holds.
  bool LoadLTFFromStream(TLTStream& stream, TLTLayoutInfo* layout = nullptr, TLTBackgroundInfo* background = nullptr);
  bool LoadLTF(const std::string& path, TLTLayoutInfo* layout = nullptr, TLTBackgroundInfo* background = nullptr);
  /// Inserts a stored document at index (clipped to the items); stored
  /// styles are merged into or mapped onto the sheet. index receives where
  /// the first item went. False on any error, with what was read kept.
  bool InsertLTFAt(TLTStream& stream, int& index);

  // ---- List markers -------------------------------------------------------------
  /// The document's markers in document order (kept by the root); null while
  /// the document has none.
  TLTMarkerList* GetMarkers() const { return NumberingRoot().markers_.get(); }
  /// Root only: the marker list of a document whose numbering this one
  /// continues (not owned), or null.
  void SetPrevMarkerList(TLTMarkerList* list);
  /// Puts a marker that was just placed at itemNo into the marker list.
  void RegisterMarker(TLTMarkerItemInfo& marker, int itemNo);
  /// Takes a marker that is leaving out of the marker list.
  void UnregisterMarker(TLTMarkerItemInfo& marker);
  /// The numbering state of the markers before a stored fragment, one entry
  /// per marker in document order.
  struct TLTNumberingEntry {
    int32_t ListNo = -1;
    int32_t Level = -1;
    bool Reset = false;
    int32_t StartFrom = 0;
    int32_t Counter = 0;
  };
  /// Root only: the markers before this document (a fragment read with its
  /// numbering state), kept by the container; its own markers count on
  /// from them. An empty list forgets them.
  void SetContinuedNumbering(const std::vector<TLTNumberingEntry>& entries);
  /// Renumbers after a marker's list, level or restart changed (oldListNo:
  /// the list it belonged to before, when that changed).
  void MarkerChanged(TLTMarkerItemInfo& marker, int32_t oldListNo = -1);
  /// Renumbers every marker, as after the list styles changed.
  void RenumberMarkers();

  // ---- Sequence fields ----------------------------------------------------------
  /// The document's list of sequence fields (kept by the root); null while
  /// no field has made one.
  TLTDocumentList* GetSeqList() const { return NumberingRoot().seqList_.get(); }
  /// Root only: replaces the list (null drops it).
  void SetSeqList(std::unique_ptr<TLTDocumentList> list) { NumberingRoot().seqList_ = std::move(list); }

  /// An item changed its size away from the place being edited (a field
  /// renumbered elsewhere): the next edit formats the whole document.
  void RequestFullFormat() { GetRootData().fullFormatRequested_ = true; }
  /// Whether that was asked since the last call; forgets it.
  bool TakeFullFormatRequest() { return std::exchange(GetRootData().fullFormatRequested_, false); }

  // ---- Notifications ----------------------------------------------------------
  /// Reports an item action to the document's OnItemAction.
  void ReportItemAction(TLTItemAction action, TCustomLTItemInfo& item, TLTRawByteString& text);
  bool IsClearing() const { return clearing_; }

 private:
  /// Takes every item out for AppendFrom and MoveItemsFrom.
  std::vector<std::unique_ptr<TCustomLTItemInfo>> ReleaseItems();
  /// Takes source's pending checkpoint after its items moved here.
  void AdoptPendingCheckpoint(TCustomLTData& source);

  friend class TLTFReader;
  [[noreturn]] static void ThrowWrongItemClass();
  void CheckIndex(int i) const;
  /// The notifications and bookkeeping of freeing item i; the entry stays.
  void ReleaseItem(int i);
  /// Appends item i+1 to item i and frees it, leaving its slot empty.
  void JoinTextItems(int i);
  /// The last marker before itemNo in data, in document order (inside the
  /// documents that items hold too), other than skip; null when none.
  static const TLTMarkerItemInfo* MarkerBefore(const TCustomLTData& data, int itemNo, const TLTMarkerItemInfo* skip);
  bool SaveLTFParts(TLTStream& stream, const TLTItemRange* range, const TLTLayoutInfo* layout,
                    const TLTBackgroundInfo* background, bool pagePart) const;
  /// The layout record, and for a page's part of a root document the
  /// numbering of the markers before it.
  void WriteLayout(TLTFWriter& w, TLTLayoutInfo layout, const TLTItemRange* range) const;
  /// The item records of a range (partial: the range is a selection, which
  /// takes the marker of a list paragraph it starts inside along when
  /// takeMarker).
  void WriteLTFItems(TLTFWriter& w, const TLTItemRange& range, bool partial, bool takeMarker = true) const;
  void AddTextPiece(TLTRawByteString bytes, bool wide, int32_t style, int32_t paraNo, const TLTTag& tag);
  void AddTextPieces(const std::vector<TLTRawByteString>& pieces, bool wide, int32_t style, int32_t paraNo,
                     const TLTTag& tag);
  void AddTextFromText(std::u16string_view text, int32_t style, int32_t paraNo, const TLTTag& tag);
  int SpacesInTab() const;
  int32_t StyleForNewText(int32_t style, int32_t paraNo) const;

  std::vector<std::unique_ptr<TCustomLTItemInfo>> items_;
  TCustomLTData* parent_ = nullptr;         // not owned
  TCustomLTItemInfo* ownerItem_ = nullptr;  // not owned
  TCustomLTData* standInFor_ = nullptr;     // not owned
  TLTDocumentContext* context_ = nullptr;   // not owned
  TLTCPInfo* firstCP_ = nullptr;            // owned by their items
  TLTCPInfo* lastCP_ = nullptr;
  std::unique_ptr<TLTCPInfo> pendingCP_;
  std::unique_ptr<TLTMarkerList> markers_;   // root only
  std::unique_ptr<TLTDocumentList> seqList_;  // root only
  TLTMarkerList* prevMarkerList_ = nullptr;  // root only; not owned
  // Root only: detached markers standing for those before a fragment.
  std::vector<std::unique_ptr<TLTMarkerItemInfo>> continuedMarkers_;
  std::unique_ptr<TLTMarkerList> continuedList_;
  int cpCount_ = 0;
  bool clearing_ = false;
  bool fullFormatRequested_ = false;  // root only
};

}  // namespace lectern
