#pragma once
// Undo and redo. Every change an editor makes to its document goes through
// one of the editable container's primitives, and each primitive records
// the record that takes it back into the container's recording list. A
// record is undone through the same primitives, so undoing fills the redo
// list and redoing fills the undo list without code of their own.
//
// Records are collected in groups, one per user action. Typing is the
// exception that makes the lists more than two stacks: consecutive
// keystrokes grow one typing record, and Undo takes typed characters back
// one at a time (the group stays until its last character is gone).

#include "model/LTItem.h"
#include "style/LTProps.h"
#include "platform/LTTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lectern {

class TLTEditLTData;

/// What a group of undo records did, for the Edit menu's captions.
enum TLTUndoKind : uint8_t {
  ltukNone = 0,
  ltukDeletion = 1,
  ltukInsertion = 2,
  ltukParaStyle = 3,
  ltukOtherTyping = 4,
  ltukPageBreakRemoval = 6,
  ltukTyping = 7,
  ltukTagChange = 8,
  ltukTextStyle = 9,
  ltukItemChange = 13,
};

/// The name of an action of a kind, for "Undo Typing" and the like; empty
/// for ltukNone and kinds an application defined.
TLTString UndoKindName(TLTUndoKind kind);

class TLTUndoList;

/// One change that can be taken back.
class TLTUndoInfo {
 public:
  virtual ~TLTUndoInfo() = default;
  /// Performs the inverse change through the container's primitives.
  virtual void Undo(TLTEditLTData& data) = 0;
  /// The items the undo touches, in the numbering before it.
  virtual void GetAffectedRange(int& first, int& last) const = 0;
  /// How many items the undo adds (negative: removes).
  virtual int ItemsAdded() const { return 0; }
  /// False for records whose undo changes nothing that is laid out.
  virtual bool RequiresFormat() const { return true; }
  /// True when undoing it can change the width of the whole document, so
  /// that a partial reformat around the affected items would not do.
  virtual bool RequiresFullReformat() const { return false; }
  /// True when undoing it leaves nothing to do: the group can go.
  virtual bool IsSpent() const { return false; }
  TLTUndoList* Owner = nullptr;  // not owned
};

/// A record about one item.
class TLTUndoItemNoInfo : public TLTUndoInfo {
 public:
  explicit TLTUndoItemNoInfo(int itemNo) : ItemNo(itemNo) {}
  void GetAffectedRange(int& first, int& last) const override { first = last = ItemNo; }
  int ItemNo;
};

/// Characters were inserted into a text item: undo deletes them.
class TLTUndoInsertSubstringInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoInsertSubstringInfo(int itemNo, int pos, int length) : TLTUndoItemNoInfo(itemNo), Pos(pos), Length(length) {}
  void Undo(TLTEditLTData& data) override;
  int Pos;  // 1-based character position of the first inserted character
  int Length;
};

/// Characters were deleted from a text item: undo inserts them again.
class TLTUndoDeleteSubstringInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoDeleteSubstringInfo(int itemNo, int pos, TLTRawByteString chars)
      : TLTUndoItemNoInfo(itemNo), Pos(pos), Chars(std::move(chars)) {}
  void Undo(TLTEditLTData& data) override;
  int Pos;
  TLTRawByteString Chars;  // raw, as the item stores them
};

/// Keystrokes typed one after another into one item. Undo takes back the
/// last of them only; the record stays while characters remain.
class TLTUndoTypingInfo : public TLTUndoInsertSubstringInfo {
 public:
  TLTUndoTypingInfo(int itemNo, int pos, bool unicode)
      : TLTUndoInsertSubstringInfo(itemNo, pos, 1), Unicode(unicode) {}
  void Undo(TLTEditLTData& data) override;
  bool IsSpent() const override { return Length <= 0; }
  bool Unicode;
};

/// Keystrokes that Undo took back, last first: redo types the last one
/// taken back again.
class TLTRedoTypingInfo : public TLTUndoItemNoInfo {
 public:
  TLTRedoTypingInfo(int itemNo, int endPos, bool unicode)
      : TLTUndoItemNoInfo(itemNo), EndPos(endPos), Unicode(unicode) {}
  void Undo(TLTEditLTData& data) override;
  bool IsSpent() const override { return Chars.empty(); }
  int CharCount() const { return static_cast<int>(Chars.size() / (Unicode ? 2 : 1)); }
  /// The position after the last character of the run when all are back.
  int EndPos;
  /// The characters taken back, in document order.
  TLTRawByteString Chars;
  bool Unicode;
};

/// A text item's text was replaced as a whole (a conversion between code
/// pages): undo puts the old text back.
class TLTUndoChangeTextInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoChangeTextInfo(int itemNo, TLTRawByteString text) : TLTUndoItemNoInfo(itemNo), Text(std::move(text)) {}
  void Undo(TLTEditLTData& data) override;
  TLTRawByteString Text;
};

/// Items were inserted: undo deletes them.
class TLTUndoInsertItemsInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoInsertItemsInfo(int itemNo, int count) : TLTUndoItemNoInfo(itemNo), Count(count) {}
  void Undo(TLTEditLTData& data) override;
  void GetAffectedRange(int& first, int& last) const override {
    first = ItemNo;
    last = ItemNo + Count - 1;
  }
  int ItemsAdded() const override { return -Count; }
  int Count;
};

/// Items were deleted: the record keeps them, and undo inserts them again.
class TLTUndoDeleteItemsInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoDeleteItemsInfo(int itemNo, std::vector<std::unique_ptr<TCustomLTItemInfo>> items)
      : TLTUndoItemNoInfo(itemNo), Items(std::move(items)) {}
  void Undo(TLTEditLTData& data) override;
  void GetAffectedRange(int& first, int& last) const override { first = last = ItemNo; }
  int ItemsAdded() const override { return static_cast<int>(Items.size()); }
  std::vector<std::unique_ptr<TCustomLTItemInfo>> Items;
};

/// The break flags of an item changed (joining the paragraph before, a new
/// line, a page break): undo restores them.
class TLTUndoNewLineInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoNewLineInfo(int itemNo, uint8_t flags) : TLTUndoItemNoInfo(itemNo), Flags(flags) {}
  void Undo(TLTEditLTData& data) override;
  uint8_t Flags;  // ltifJoinPrev, ltifNewLine, ltifNewPage bits
};

/// Paragraph styles of a run of items changed: undo gives each item its
/// recorded style back.
class TLTUndoParaListInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoParaListInfo(int itemNo, std::vector<int32_t> paraNos)
      : TLTUndoItemNoInfo(itemNo), ParaNos(std::move(paraNos)) {}
  void Undo(TLTEditLTData& data) override;
  void GetAffectedRange(int& first, int& last) const override {
    first = ItemNo;
    last = ItemNo + static_cast<int>(ParaNos.size()) - 1;
  }
  std::vector<int32_t> ParaNos;
};

/// A text item's style changed: undo restores it and its Unicode flag.
class TLTUndoStyleNoInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoStyleNoInfo(int itemNo, int32_t styleNo, bool wide)
      : TLTUndoItemNoInfo(itemNo), StyleNo(styleNo), Wide(wide) {}
  void Undo(TLTEditLTData& data) override;
  int32_t StyleNo;
  bool Wide;
};

/// An item's tag changed: undo restores it. Tags are not laid out.
class TLTUndoTagInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoTagInfo(int itemNo, TLTTag tag) : TLTUndoItemNoInfo(itemNo), Tag(std::move(tag)) {}
  void Undo(TLTEditLTData& data) override;
  bool RequiresFormat() const override { return false; }
  TLTTag Tag;
};

/// The tag of an item inside a sub-document (a table cell's item) changed.
/// Path leads from item ItemNo down: the number of a sub-document in the
/// order the item lists them, then an item in it, and so on.
class TLTUndoSubDocTagInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoSubDocTagInfo(int itemNo, std::vector<int> path, TLTTag tag)
      : TLTUndoItemNoInfo(itemNo), Path(std::move(path)), Tag(std::move(tag)) {}
  void Undo(TLTEditLTData& data) override;
  bool RequiresFormat() const override { return false; }
  std::vector<int> Path;
  TLTTag Tag;
};

/// The text style a non-text item goes with (a tab's) changed.
class TLTUndoAssociatedTextStyleNoInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoAssociatedTextStyleNoInfo(int itemNo, int32_t styleNo) : TLTUndoItemNoInfo(itemNo), StyleNo(styleNo) {}
  void Undo(TLTEditLTData& data) override;
  int32_t StyleNo;
};

/// A checkpoint was given to an item: undo takes it away.
class TLTUndoAddCPInfo : public TLTUndoItemNoInfo {
 public:
  using TLTUndoItemNoInfo::TLTUndoItemNoInfo;
  void Undo(TLTEditLTData& data) override;
  bool RequiresFormat() const override { return false; }
};

/// A checkpoint was taken from an item: the record keeps it, and undo
/// gives it back.
class TLTUndoDeleteCPInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoDeleteCPInfo(int itemNo, std::unique_ptr<TLTCPInfo> cp) : TLTUndoItemNoInfo(itemNo), Checkpoint(std::move(cp)) {}
  void Undo(TLTEditLTData& data) override;
  bool RequiresFormat() const override { return false; }
  std::unique_ptr<TLTCPInfo> Checkpoint;
};

/// An action changed what is laid out without a record of its own (a
/// width, a property read at layout time): undo lays the range out again,
/// the whole document with the flag.
class TLTUndoReformateRange : public TLTUndoItemNoInfo {
 public:
  TLTUndoReformateRange(int first, int last, bool wholeDocument)
      : TLTUndoItemNoInfo(first), LastItemNo(last), WholeDocument(wholeDocument) {}
  void Undo(TLTEditLTData& data) override;
  void GetAffectedRange(int& first, int& last) const override {
    first = ItemNo;
    last = LastItemNo;
  }
  bool RequiresFullReformat() const override { return WholeDocument; }
  int LastItemNo;
  bool WholeDocument;
};

/// An embedded control was resized: undo gives it its old size.
class TLTUndoResizeInfo : public TLTUndoItemNoInfo {
 public:
  TLTUndoResizeInfo(int itemNo, int width, int height, bool crossesDocWidth)
      : TLTUndoItemNoInfo(itemNo), Width(width), Height(height), CrossesDocWidth(crossesDocWidth) {}
  void Undo(TLTEditLTData& data) override;
  bool RequiresFullReformat() const override { return CrossesDocWidth; }
  int Width, Height;
  /// One of the two sizes reached the document's width, which therefore
  /// changes with it.
  bool CrossesDocWidth;
};

/// A numbered integer property of an item (a picture's width) changed:
/// undo sets the old value.
class TLTUndoExtraIntProperty : public TLTUndoItemNoInfo {
 public:
  TLTUndoExtraIntProperty(int itemNo, TLTExtraItemProperty prop, int32_t value)
      : TLTUndoItemNoInfo(itemNo), Prop(prop), Value(value) {}
  void Undo(TLTEditLTData& data) override;
  /// A picture's size decides the document's width when it is the widest item.
  bool RequiresFullReformat() const override { return Prop == ltepImageWidth || Prop == ltepSpacing; }
  TLTExtraItemProperty Prop;
  int32_t Value;
};

/// A numbered string property (a hint) changed; nothing is laid out anew.
class TLTUndoExtraStrProperty : public TLTUndoItemNoInfo {
 public:
  TLTUndoExtraStrProperty(int itemNo, TLTExtraItemStrProperty prop, TLTString value)
      : TLTUndoItemNoInfo(itemNo), Prop(prop), Value(std::move(value)) {}
  void Undo(TLTEditLTData& data) override;
  bool RequiresFormat() const override { return false; }
  TLTExtraItemStrProperty Prop;
  TLTString Value;
};

/// Which object of an item a property change is about: the item itself,
/// or one cell of a table item.
struct TLTPropTarget {
  int ItemNo = -1;
  int Row = -1;
  int Col = -1;
  /// The object in data, or null when the item (or cell) is not there or
  /// publishes no properties.
  TLTPersistent* Resolve(TLTEditLTData& data) const;
};

/// Base of the records of published property changes (table and cell
/// properties and the like).
class TLTUndoModifyItemProps : public TLTUndoItemNoInfo {
 public:
  explicit TLTUndoModifyItemProps(const TLTPropTarget& target, bool affectsSize = true, bool affectsWidth = true)
      : TLTUndoItemNoInfo(target.ItemNo), Target(target), AffectsSize(affectsSize), AffectsWidth(affectsWidth) {}
  bool RequiresFormat() const override { return AffectsSize; }
  bool RequiresFullReformat() const override { return AffectsSize && AffectsWidth; }
  TLTPropTarget Target;
  bool AffectsSize;
  bool AffectsWidth;
};

/// Brackets a series of property changes that belong together; undoing
/// one end records the opposite end, so the series stays bracketed in the
/// other list.
class TLTUndoModifyItemTerminator : public TLTUndoModifyItemProps {
 public:
  TLTUndoModifyItemTerminator(const TLTPropTarget& target, bool opening)
      : TLTUndoModifyItemProps(target, false, false), Opening(opening) {}
  void Undo(TLTEditLTData& data) override;
  bool Opening;
};

/// A published integer property changed: undo sets it back by name.
class TLTUndoModifyItemIntProperty : public TLTUndoModifyItemProps {
 public:
  TLTUndoModifyItemIntProperty(const TLTPropTarget& target, std::string name, int64_t value)
      : TLTUndoModifyItemProps(target), Name(std::move(name)), Value(value) {}
  void Undo(TLTEditLTData& data) override;
  std::string Name;
  int64_t Value;
};

/// Several published integer properties changed at once: undo sets them
/// all back.
class TLTUndoModifyItemIntProperties : public TLTUndoModifyItemProps {
 public:
  TLTUndoModifyItemIntProperties(const TLTPropTarget& target, std::vector<std::pair<std::string, int64_t>> values)
      : TLTUndoModifyItemProps(target), Values(std::move(values)) {}
  void Undo(TLTEditLTData& data) override;
  std::vector<std::pair<std::string, int64_t>> Values;
};

/// The records of one user action, and where the caret stood before it.
struct TLTUndoInfos {
  TLTUndoKind Kind = ltukNone;
  TLTString Caption;
  int CaretItemNo = -1;
  int CaretOffs = -1;
  std::vector<std::unique_ptr<TLTUndoInfo>> Records;
  /// A group of exactly one typing record, which typing merge grows.
  bool IsTyping() const;
  /// Nothing left to undo in it.
  bool IsEmpty() const;
};

/// The groups of one direction, oldest first.
class TLTUndoList {
 public:
  virtual ~TLTUndoList() = default;
  /// -1: no limit; 0: nothing is recorded.
  int32_t Limit = -1;
  /// While at least 1, operations join the last group.
  int32_t GroupMode = 0;
  /// While above 0, undoing does not lay the document out again.
  int32_t ReformatLock = 0;

  int Count() const { return static_cast<int>(groups_.size()); }
  bool Empty() const { return groups_.empty(); }
  TLTUndoInfos* Last() const { return groups_.empty() ? nullptr : groups_.back().get(); }
  TLTUndoKind LastKind() const { return groups_.empty() ? ltukNone : groups_.back()->Kind; }
  /// Opens a group unless group mode lets the operation join the last one
  /// (never a typing group). Returns false when the limit is 0.
  bool BeginGroup(TLTUndoKind kind, int caretItemNo, int caretOffs, const TLTString& caption = {});
  /// Appends a group without looking at group mode (the inverse of one
  /// being undone).
  void AppendGroup(TLTUndoKind kind, int caretItemNo, int caretOffs, const TLTString& caption);
  /// Raises ELecternError "Can't modify empty undo list" without a group
  /// and "Incorrect adding into undo list" into a typing group.
  void Add(std::unique_ptr<TLTUndoInfo> record);
  /// Takes the last group out of the list.
  std::unique_ptr<TLTUndoInfos> PopLast();
  void PushBack(std::unique_ptr<TLTUndoInfos> group);
  /// Frees the last group when nothing was recorded into it.
  void DropEmptyLast();
  /// Frees the oldest groups until at most n remain.
  void TrimTo(int n);
  /// Moves the last count groups of other (all of them with -1) to the end
  /// of this list, keeping their order.
  void TakeGroupsFrom(TLTUndoList& other, int count = -1);
  void Clear() { groups_.clear(); }

 private:
  std::vector<std::unique_ptr<TLTUndoInfos>> groups_;
};

class TLTRedoList : public TLTUndoList {};

/// A record that holds a list of its own: the changes made in a part of
/// the document that has its own editor (a table cell), folded into the
/// outer list so that one outer Undo takes them back. Undo takes back the
/// nested list's last group, in the container Nested names, and records
/// its inverse as a composite of the same kind in the outer list.
class TLTCompositeUndo : public TLTUndoItemNoInfo {
 public:
  explicit TLTCompositeUndo(int itemNo) : TLTUndoItemNoInfo(itemNo) {}
  void Undo(TLTEditLTData& data) override;
  /// The nested changes are laid out by the container that holds them.
  bool RequiresFormat() const override { return false; }
  bool IsSpent() const override { return List.Empty(); }
  /// The container the nested records apply to; the outer one itself
  /// unless a descendant says otherwise.
  virtual TLTEditLTData& Nested(TLTEditLTData& outer) const { return outer; }
  /// An empty record of the same class, for the inverse.
  virtual std::unique_ptr<TLTCompositeUndo> MakeInverse() const { return std::make_unique<TLTCompositeUndo>(ItemNo); }
  TLTUndoList List;
};

}  // namespace lectern
