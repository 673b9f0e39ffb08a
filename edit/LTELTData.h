#pragma once
// The editable container: the document of an editor control. Its
// primitives are the only way the editor changes items; each one records
// the record that takes it back into the list being recorded (the undo
// list, or the redo list while a group is undone), so that the operations
// built on them never deal with undo themselves.

#include "edit/LTUndo.h"
#include "view/CLectern.h"

#include <memory>
#include <string_view>
#include <vector>

namespace lectern {

/// Where the primitives record.
enum class TLTUndoTarget : uint8_t { None, Undo, Redo };

class TLTEditLTData : public TLecternLTData {
 public:
  using TLecternLTData::TLecternLTData;
  /// An editor's document may be changed unless the editor is read-only.
  bool IsEditable() const override;

  TLTUndoList& UndoList() { return undo_; }
  TLTRedoList& RedoList() { return redo_; }
  TLTUndoTarget Target = TLTUndoTarget::Undo;
  /// The list the primitives record into, or null (undo off, no group).
  TLTUndoList* Recording();

  // ---- Primitives ----------------------------------------------------------------
  // Positions are 1-based characters (UTF-16 units in wide items); text is
  // raw, as the item stores it.
  void InsertChars(int itemNo, int pos, std::string_view raw);
  void DeleteChars(int itemNo, int pos, int count);
  /// A keystroke: one character, recorded so that keystrokes that follow
  /// one another merge.
  void TypeChars(int itemNo, int pos, std::string_view raw);
  /// While set, changed items keep their word marks: the editor moves them
  /// itself for a keystroke.
  bool KeepWordMarks = false;
  /// Inserts items at index; each carries its text.
  void InsertItems(int index, std::vector<std::unique_ptr<TCustomLTItemInfo>> items);
  void InsertOneItem(int index, std::unique_ptr<TCustomLTItemInfo> item);
  void DeleteItems(int index, int count);
  /// Sets the break flags (ltifJoinPrev, ltifNewLine, ltifNewPage) as a whole.
  void SetBreakFlags(int itemNo, uint8_t flags);
  void SetParaNos(int first, const std::vector<int32_t>& paraNos);
  void SetParaNo(int first, int last, int32_t paraNo);
  void SetStyleNo(int itemNo, int32_t styleNo, bool wide);
  void ChangeText(int itemNo, TLTRawByteString raw);
  void SetTag(int itemNo, TLTTag tag);
  /// The tag of an item inside item itemNo's sub-documents (see
  /// TLTUndoSubDocTagInfo for the path).
  void SetSubDocTag(int itemNo, const std::vector<int>& path, TLTTag tag);
  /// The item a path leads to, or null.
  TCustomLTItemInfo* SubDocItem(int itemNo, const std::vector<int>& path);
  void SetAssociatedTextStyle(int itemNo, int32_t styleNo);
  void AddCheckpoint(int itemNo, std::unique_ptr<TLTCPInfo> cp);
  void DeleteCheckpoint(int itemNo);
  /// Moves item from's checkpoint to item to (which has none).
  void MoveCheckpoint(int from, int to);
  /// Numbered item properties; false when the item has no such property
  /// or refuses the value (nothing is recorded then).
  bool SetExtraIntProperty(int itemNo, TLTExtraItemProperty prop, int32_t value);
  bool SetExtraStrProperty(int itemNo, TLTExtraItemStrProperty prop, const TLTString& value);
  /// Gives an embedded control a new size.
  void ResizeControl(int itemNo, int width, int height);
  /// Records that items first..last are to be laid out again (the whole
  /// document with the flag) when the action is undone.
  void MarkReformat(int first, int last, bool wholeDocument);
  /// Published integer properties by name; false when the object has no
  /// such property (nothing changes then).
  bool SetIntProperty(const TLTPropTarget& target, std::string_view name, int64_t value);
  /// True when every name is an integer property of the target that can
  /// hold its value.
  bool AcceptsIntProperties(const TLTPropTarget& target, const std::vector<std::pair<std::string, int64_t>>& values);
  bool SetIntProperties(const TLTPropTarget& target, const std::vector<std::pair<std::string, int64_t>>& values);
  /// Opens or closes a bracket around property changes that belong together.
  void BracketPropertyChanges(const TLTPropTarget& target, bool opening);

  /// Adds a record to the list being recorded into (nothing when none is).
  void Record(std::unique_ptr<TLTUndoInfo> record);
  /// While alive, every record goes into list instead (a composite's
  /// nested list).
  class TRecordInto {
   public:
    TRecordInto(TLTEditLTData& data, TLTUndoList& list) : data_(data), saved_(data.into_) { data.into_ = &list; }
    ~TRecordInto() { data_.into_ = saved_; }
    TRecordInto(const TRecordInto&) = delete;
    TRecordInto& operator=(const TRecordInto&) = delete;

   private:
    TLTEditLTData& data_;
    TLTUndoList* saved_;
  };

  /// Bytes of one character of item itemNo (2 in wide text, else 1).
  int CharSize(int itemNo) const { return GetItem(itemNo).IsWide() ? 2 : 1; }
  /// Raw characters count..count+n-1 (1-based) of a text item.
  TLTRawByteString CharsOf(int itemNo, int pos, int count) const;

  /// Records a keystroke taken back by Undo into the redo list, and a
  /// keystroke given back by Redo into the undo list.
  void RecordRedoTyping(int itemNo, int pos, std::string_view raw, bool unicode, int caretOffs);
  void RecordTyping(int itemNo, int pos, bool unicode, int caretOffs);

  /// Items inserted or deleted since the counter was last read: the layout
  /// needs the change in count.
  int ItemsDelta = 0;

 private:
  void RawInsertChars(int itemNo, int pos, std::string_view raw);
  void Changed(int itemNo);
  TLTUndoList undo_;
  TLTRedoList redo_;
  TLTUndoList* into_ = nullptr;
};

}  // namespace lectern
