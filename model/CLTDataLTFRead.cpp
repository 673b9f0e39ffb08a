// Reading LTF into a container: a whole-document load (the container is
// cleared and stored styles and settings replace the current ones) or an
// insertion at an item index (stored styles merge into or map onto the
// sheet). The reader checks every field and length against what remains;
// on malformed input it stops and reports false, keeping what it placed.
//
// Bounds. What a read builds is taken from a budget that grows with the
// input (TLTReadBudget): items, checkpoints, property strings, and through
// the context the styles, table grids, cells and pictures that the items
// and property streams build. A few bytes of input can therefore never make
// the reader hold gigabytes: it stops with a reason instead. Time stays
// linear in the input: sub-documents are read where their bytes lie, never
// copied per level; checkpoints are linked after the one placed before
// instead of being sorted into the list; style names are looked up in an
// index shared with the sub-documents.

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "model/CLTData.h"
#include "model/LTFMisc.h"
#include "model/LTFuncs.h"
#include "model/LTMarker.h"
#include "platform/LTCodePage.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "style/LTStyle.h"
#include "style/LTStyleTemplates.h"

namespace lectern {

namespace {

constexpr uint8_t kStyleCollectionTag = 14;
// Memory an item takes beyond its text (the object, its slot in the
// container, its share of the bookkeeping), and a checkpoint or a stored
// string beyond its characters.
constexpr size_t kItemCost = 192;
constexpr size_t kCheckpointCost = 128;
constexpr size_t kStringCost = 48;
// The layout block: two fields, then what a document (not a cell) stores,
// then the four paragraph-cut fields.
constexpr size_t kLayoutHead = 8;
constexpr size_t kLayoutDocumentPart = 25;
constexpr size_t kLayoutCutPart = 16;

bool ParseInt(std::string_view field, int32_t& value) {
  const auto v = TryStrToInt(field);
  if (!v) return false;
  value = *v;
  return true;
}

uint32_t LE32At(std::string_view d, size_t at) {
  uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<uint8_t>(d[at + static_cast<size_t>(k)]);
  return v;
}

}  // namespace

/// One read of a stored document into a container.
class TLTFReader {
 public:
  TLTFReader(TCustomLTData& data, bool insert, int index, TLTLayoutInfo* layout, TLTBackgroundInfo* background,
             TLTReadBudget& budget, const TLTFReader* outer = nullptr)
      : data_(data),
        style_(data.GetStyle()),
        doc_(data.GetContext()),
        insert_(insert),
        layout_(layout),
        background_(background),
        ctx_{data, data.GetStyle(), data.GetLTFOptions(), false, {}, false, {}, &budget, {}, {}} {
    index_ = std::clamp(index, 0, data.ItemCount());
    start_ = index_;
    if (outer) {
      // A sub-document is read with the document's maps (its options are
      // the document's already: it reaches them through the document).
      depth_ = outer->depth_ + 1;
      textMap_ = outer->textMap_;
      paraMap_ = outer->paraMap_;
      listMap_ = outer->listMap_;
      ctx_.StyleNames = outer->ctx_.StyleNames;
    } else {
      ctx_.StyleNames = std::make_shared<TLTFStyleNames>();
    }
    ctx_.ReadSubDocument = [this](TCustomLTData& target, std::string_view bytes) {
      return ReadSubDocument(target, bytes);
    };
    appendsAtEnd_ = index_ == data.ItemCount();
    // Inserting at the end continues the container's pending checkpoint.
    if (insert_ && appendsAtEnd_ && data_.pendingCP_) {
      pending_ = std::move(data_.pendingCP_);
      --data_.cpCount_;
    }
  }

  bool Read(TLTFLineSource& src) {
    src_ = &src;
    bool ok = true;
    size_t recordAt = 0;
    try {
      std::string_view line;
      while (ok) {
        recordAt = src.Offset();
        if (!src.TextLine(line)) break;
        if (line.empty() && src.AtEnd()) break;  // a final line break
        // The header outlives the reads of its data lines.
        header_.assign(line);
        ok = ReadRecord(header_);
      }
    } catch (const std::exception& e) {
      ctx_.Fail(e.what());
      ok = false;
    }
    Finish(ok);
    if (ok) return true;
    // The place is the document's: a sub-document's reason is told at the
    // record of the item that holds it.
    if (depth_ == 0) {
      const std::string at = "record at byte " + IntToStr(static_cast<int64_t>(recordAt));
      ctx_.Error = ctx_.Error.empty() ? "damaged " + at : ctx_.Error + " (" + at + ")";
    }
    return false;
  }

  TLTFWarnings Warnings() const { return ctx_.Warnings; }
  const std::string& Error() const { return ctx_.Error; }

 private:
  bool HasFlagsField() const { return major_ > 1 || (major_ == 1 && minor_ >= 2); }
  bool AcceptsQuotedTags() const { return major_ > 1 || (major_ == 1 && minor_ >= 3); }
  bool Whole() const { return !insert_; }

  bool ReadSubDocument(TCustomLTData& target, std::string_view bytes) {
    if (depth_ + 1 > LTFMaxNesting) {
      ctx_.Fail("stored documents nested more than " + IntToStr(LTFMaxNesting) + " deep");
      return false;
    }
    // The bytes lie inside this read's input: they are read where they are.
    TLTFLineSource src(bytes);
    TLTFReader inner(target, true, target.ItemCount(), nullptr, nullptr, *ctx_.Budget, this);
    const bool ok = inner.Read(src);
    ctx_.Warnings |= inner.Warnings();
    if (!inner.Error().empty()) ctx_.Fail(inner.Error());
    return ok;
  }

  bool ReadRecord(std::string_view line) {
    if (!SplitLTFFields(line, fields_) || fields_.empty()) return false;
    if (fields_[0] == "-8") return ReadVersion();
    int32_t styleNo = 0;
    bool styleByName = false;
    if (!ctx_.TextStyleField(fields_[0], styleNo, &styleByName)) return false;
    size_t f = 1;
    const size_t needed = HasFlagsField() ? 6 : 5;
    if (fields_.size() < needed) return false;
    int32_t lineCount = 0, paraNo = 0, flags = 0, kind = 0;
    bool paraByName = false;
    if (!ParseInt(fields_[f++], lineCount) || lineCount < 0) return false;
    if (!ctx_.ParaStyleField(fields_[f++], paraNo, &paraByName)) return false;
    if (HasFlagsField() && (!ParseInt(fields_[f++], flags) || flags < 0)) return false;
    if (!ParseInt(fields_[f++], kind) || kind < ltfdkText || kind > ltfdkWideHex) return false;
    TLTTag tag;
    if (!ParseTag(fields_[f++], tag)) return false;
    tail_.assign(fields_.begin() + static_cast<std::ptrdiff_t>(f), fields_.end());
    const std::vector<std::string_view>& tail = tail_;
    const auto dataKind = static_cast<TLTFDataKind>(kind);
    // Values no writer produces are corrected, and said so, rather than
    // kept where they would mean something else later.
    if (paraNo < -1) {
      ctx_.Warnings.Include(ltfwBadParaNo);
      paraNo = 0;
    }
    if (flags > ltifAllStored) {
      ctx_.Warnings.Include(ltfwBadFlags);
      flags &= ltifAllStored;
    }
    const auto itemFlags = static_cast<uint8_t>(flags);

    switch (styleNo) {
      case ltfrDocData:
        return ReadDocData(tail, lineCount, dataKind);
      case ltfrBackground:
        return ReadBackground(tail, lineCount, dataKind);
      case ltfrCheckpoint:
        return ReadCheckpoint(tail, lineCount, std::move(tag));
      default:
        break;
    }
    if (styleNo >= 0)
      return ReadTextRecord(styleNo, styleByName, lineCount, paraNo, paraByName, itemFlags, dataKind, tag, tail);
    return ReadItemRecord(styleNo, lineCount, paraNo, paraByName, itemFlags, dataKind, std::move(tag), tail);
  }

  bool ReadVersion() {
    if (fields_.size() < 3 || !ParseInt(fields_[1], major_) || !ParseInt(fields_[2], minor_)) return false;
    int32_t utf8 = 0;
    ctx_.Utf8 = fields_.size() > 3 && ParseInt(fields_[3], utf8) && utf8 > 0;
    // Tags and hints read before may mean something else in this version.
    for (TTagSlot& slot : tagSlots_) slot.Field = kNoField;
    lastHintField_ = kNoField;
    return true;
  }

  // Records carry one of a few tags (field names), often in turn: the
  // fields read last share one copy of their text.
  bool ParseTag(std::string_view field, TLTTag& tag) {
    for (const TTagSlot& slot : tagSlots_)
      if (slot.Field == field) {
        tag = slot.Tag;
        return true;
      }
    if (!ParseNewTag(field, tag)) return false;
    TTagSlot& slot = tagSlots_[nextTagSlot_++ % tagSlots_.size()];
    slot.Field.assign(field);
    slot.Tag = tag;
    return true;
  }

  bool ParseNewTag(std::string_view field, TLTTag& tag) const {
    if (!data_.TagsArePChars()) {
      int32_t v = 0;
      if (field.empty() || (field[0] != '-' && (field[0] < '0' || field[0] > '9'))) return false;
      if (!ParseInt(field, v)) return false;
      tag = TLTTag::FromInt(v);
      return true;
    }
    if (AcceptsQuotedTags())
      if (auto s = LTFUnquote(field, ctx_.Utf8)) {
        tag = TLTTag::FromString(std::move(*s));
        return true;
      }
    tag = field == "0" ? TLTTag() : TLTTag::FromString(ctx_.DecodeString(field));
    return true;
  }

  // A style number through the map of stored styles and against the sheet.
  bool CheckStyle(int32_t& n, bool byName, const std::shared_ptr<const std::vector<int>>& map, int count,
                  bool failPastMap) {
    if (!byName && map) {
      if (n >= static_cast<int32_t>(map->size())) {
        ctx_.Warnings.Include(ltfwBadStyle);
        if (failPastMap || !ctx_.Options.Contains(ltfoConvUnknownStylesToZero)) return false;
        n = 0;
      } else {
        n = (*map)[static_cast<size_t>(n)];
      }
    }
    if (n < 0 || n >= count) {
      ctx_.Warnings.Include(ltfwBadStyle);
      if (!ctx_.Options.Contains(ltfoConvUnknownStylesToZero)) return false;
      n = 0;
    }
    return true;
  }

  bool CheckTextStyle(int32_t& n, bool byName) {
    if (n == MaxInt) return true;  // the paragraph's default: nothing to map
    const bool mapped = !byName && !LTFKeepStoredStyleNumbers;
    return CheckStyle(n, !mapped, textMap_, style_ ? style_->TextStyles().Count() : 0, false);
  }

  bool CheckParaStyle(int32_t& n, bool byName) {
    if (n < 0) return true;
    return CheckStyle(n, byName, paraMap_, style_ ? style_->ParaStyles().Count() : 0, true);
  }

  bool ReadTextRecord(int32_t styleNo, bool styleByName, int lineCount, int32_t paraNo, bool paraByName,
                      uint8_t flags, TLTFDataKind kind, const TLTTag& tag, const std::vector<std::string_view>& tail) {
    if (!CheckTextStyle(styleNo, styleByName) || !CheckParaStyle(paraNo, paraByName)) return false;
    TLTSharedText hint;
    if (!tail.empty()) {
      if (tail[0] == lastHintField_) {
        hint = lastHint_;
      } else {
        // A hint costs twice the bytes of the header that holds it, and
        // neighbouring records share it.
        auto h = LTFUnquote(tail[0], ctx_.Utf8);
        if (!h) return false;
        hint = std::move(*h);
        lastHintField_.assign(tail[0]);
        lastHint_ = hint;
      }
    }
    const bool wide = flags & ltifWide;
    const bool wideLines = wide && kind != ltfdkWideHex;
    for (int i = 0; i < lineCount; ++i) {
      std::string bytes;
      std::string_view raw;
      if (kind == ltfdkWideHex) {
        if (!src_->TextLine(raw)) return false;
        auto decoded = HexToBytes(raw);
        if (!decoded) return false;
        bytes = std::move(*decoded);
      } else if (wideLines) {
        if (!src_->WideLine(raw)) return false;
        bytes.assign(raw);
      } else {
        if (!src_->TextLine(raw)) return false;
        bytes.assign(raw);
      }
      // Half a UTF-16 code unit is damage, not text.
      if (wide && bytes.size() % 2 != 0) return false;
      auto item = ItemFactory(styleNo);
      item->ItemFlags = flags;
      item->ParaNo = paraNo;
      item->Tag = tag;
      item->HintText = hint;
      item->Text = std::move(bytes);
      if (!PlaceItem(std::move(item))) return false;
    }
    return true;
  }

  bool ReadItemRecord(int32_t kind, int lineCount, int32_t paraNo, bool paraByName, uint8_t flags,
                      TLTFDataKind dataKind, TLTTag tag, const std::vector<std::string_view>& tail) {
    auto item = ItemFactory(kind);
    if (!item || !CheckParaStyle(paraNo, paraByName)) return false;
    item->ItemFlags = static_cast<uint8_t>(flags & ~ltifWide);
    item->ParaNo = paraNo;
    item->Tag = std::move(tag);
    ctx_.AssociatedStyleByName = false;
    if (!item->ReadLTFHeaderTail(tail, ctx_)) return false;
    if (item->GetBoolValue(iqTakesDataLines)) {
      if (!item->ReadLTFLines(*src_, lineCount, dataKind, ctx_)) return false;
    } else if (!SkipLines(lineCount)) {
      return false;
    }
    // Tabs name their style in the header, labels on a data line; either
    // may have said it was a name. A sub-document read on the way (a
    // note's) has its own records and does not leave its answer here.
    const bool assocByName = ctx_.AssociatedStyleByName;
    // The associated text style (tabs, labels) maps like a text item's.
    const int32_t assoc = item->GetAssociatedTextStyleNo();
    if (assoc >= 0) {
      int32_t mapped = assoc;
      if (!CheckTextStyle(mapped, assocByName)) return false;
      item->SetAssociatedTextStyleNo(mapped);
    }
    if (item->StyleNo == ltikMarker) MapMarkerList(static_cast<TLTMarkerItemInfo&>(*item), assocByName);
    if (!item->GetBoolValue(iqHasContent)) {
      pending_.reset();  // the checkpoint went with the item that could not be placed
      return true;
    }
    return PlaceItem(std::move(item));
  }

  void MapMarkerList(TLTMarkerItemInfo& m, bool byName) {
    if (m.ListNo < 0) return;  // an inert marker stays inert
    if (!byName && listMap_) {
      if (m.ListNo >= static_cast<int32_t>(listMap_->size())) {
        ctx_.Warnings.Include(ltfwBadStyle);
        m.ListNo = 0;
      } else {
        m.ListNo = (*listMap_)[static_cast<size_t>(m.ListNo)];
      }
    }
    const int count = style_ ? style_->ListStyles().Count() : 0;
    if (m.ListNo < 0 || m.ListNo >= count) {
      ctx_.Warnings.Include(ltfwBadStyle);
      m.ListNo = count > 0 ? 0 : -1;
    }
  }

  bool PlaceItem(std::unique_ptr<TCustomLTItemInfo> item) {
    if (!ctx_.Take(kItemCost + item->Text.size())) return false;
    // Paragraph: -1 continues the item before, unless there is none or it
    // fills its line alone.
    const TCustomLTItemInfo* before = index_ > 0 ? &data_.GetItem(index_ - 1) : nullptr;
    if (item->ParaNo == -1 && before && !before->GetBoolValue(iqFullLine)) {
      item->SetJoinPrev(true);
      item->ParaNo = before->ParaNo;
    } else {
      item->SetFlag(ltifJoinPrev, false);
      if (!before || before->GetBoolValue(iqFullLine)) item->SetFlag(ltifNewLine, false);
      if (item->ParaNo == -1) item->ParaNo = 0;
    }
    if (item->IsText()) MatchTextEncoding(*item);
    TLTRawByteString text = std::move(item->Text);
    TCustomLTItemInfo* raw = item.get();
    data_.InsertItemAt(index_, std::move(text), std::move(item));
    if (pending_) LinkCheckpoint(*raw);
    lastPlaced_ = index_;
    ++index_;
    if (raw->StyleNo == ltikControl && doc_ && doc_->OnControlAction) {
      TLTControl* c = static_cast<TLTControlItemInfo*>(raw)->Control.get();
      doc_->OnControlAction(ltcaAfterLTFLoad, index_ - 1, c);
    }
    // Items of a sub-document hear it from the item that holds them, once
    // that is in place.
    if (depth_ == 0) raw->AfterLoading(ltsfLTF);
    return true;
  }

  // The pending checkpoint goes to the item just placed, after the last one
  // linked: sorting it into the list would cost a walk of the container per
  // checkpoint.
  void LinkCheckpoint(TCustomLTItemInfo& item) {
    // The first follows the last checkpoint before the insertion point
    // (looked up once, and only when a checkpoint comes).
    if (!linkKnown_) {
      linkAfter_ = data_.FindCheckpointBefore(start_);
      linkKnown_ = true;
    }
    TLTCPInfo* cp = pending_.get();
    cp->ItemInfo = &item;
    cp->ItemNo = index_;
    cp->Prev = linkAfter_;
    cp->Next = linkAfter_ ? linkAfter_->Next : data_.firstCP_;
    if (linkAfter_)
      linkAfter_->Next = cp;
    else
      data_.firstCP_ = cp;
    if (cp->Next)
      cp->Next->Prev = cp;
    else
      data_.lastCP_ = cp;
    ++data_.cpCount_;
    item.Checkpoint = std::move(pending_);
    linkAfter_ = cp;
  }

  // Text is stored in the encoding its style asks for.
  void MatchTextEncoding(TCustomLTItemInfo& item) {
    const int32_t effective = data_.ResolveTextStyle(item.StyleNo, item.ParaNo);
    const bool unicode = style_ ? style_->TextStyles()[effective].Unicode : true;
    if (item.IsWide() == unicode) return;
    const TLTCodePage cp = data_.StyleCodePage(effective);
    item.Text = ConvertItemBytes(item.Text, item.IsWide(), unicode, cp);
    item.SetFlag(ltifWide, unicode);
    ctx_.Warnings.Include(unicode ? ltfwMadeWide : ltfwMadeNarrow);
  }

  bool ReadCheckpoint(const std::vector<std::string_view>& tail, int lineCount, TLTTag tag) {
    if (lineCount < 1) return true;
    std::string_view name;
    if (!src_->TextLine(name)) return false;
    // The first of several checkpoints before an item is the one it keeps.
    if (pending_) return SkipLines(lineCount - 1);
    if (!ctx_.Take(kCheckpointCost + 2 * name.size())) return false;
    auto cp = std::make_unique<TLTCPInfo>();
    cp->CheckpointName = ctx_.DecodeString(name);
    int32_t v = 0;
    cp->RaiseEvent = !tail.empty() && ParseInt(tail[0], v) && v != 0;
    cp->Pinned = tail.size() > 1 && ParseInt(tail[1], v) && v != 0;
    cp->Tag = std::move(tag);
    pending_ = std::move(cp);
    return SkipLines(lineCount - 1);
  }

  bool ReadBackground(const std::vector<std::string_view>& tail, int lineCount, TLTFDataKind kind) {
    int32_t bstyle = 0, color = clWindow;
    if (!tail.empty()) ParseInt(tail[0], bstyle);
    if (tail.size() > 1) ParseInt(tail[1], color);
    const bool apply = ctx_.Options.Contains(ltfoLoadBack) && background_;
    if (apply && Whole()) {
      background_->Style = bstyle;
      background_->Color = color;
    }
    if (lineCount < 2) return SkipLines(lineCount);
    std::string_view line;
    std::string data;
    if (!src_->TextLine(line)) return false;
    const std::string className(line);
    if (!src_->DataLine(kind, data)) return false;
    if (apply) {
      if (auto g = CreateGraphic(className)) {
        TLTMemoryStream m(std::move(data));
        if (ctx_.LoadPicture(*g, m)) {
          background_->LoadedImage = std::move(g);
          background_->Image = background_->LoadedImage.get();
        }
      }
    }
    return !ctx_.Budget->Exhausted() && SkipLines(lineCount - 2);
  }

  bool SkipLines(int count) {
    std::string_view line;
    for (int i = 0; i < count; ++i)
      if (!src_->TextLine(line)) return false;
    return true;
  }

  bool ReadDocData(const std::vector<std::string_view>& tail, int lineCount, TLTFDataKind kind) {
    int32_t subtype = 0;
    if (tail.empty() || !ParseInt(tail[0], subtype)) return false;
    switch (subtype) {
      case ltfdTextStyles:
      case ltfdParaStyles:
      case ltfdListStyles:
      case ltfdStyleTemplates:
      case ltfdLayout:
      case ltfdListNumbering: {
        if (lineCount < 2) return SkipLines(lineCount);
        std::string_view name, block;
        std::string storage;
        if (!src_->TextLine(name) || !src_->DataLine(kind, storage, block)) return false;
        bool ok = false;
        if (subtype == ltfdListNumbering)
          ok = ReadListNumbering(block);  // page parts and cells carry their own numbering
        else if (depth_ > 0)
          ok = true;  // a sub-document's styles and settings are its document's
        else if (subtype == ltfdLayout)
          ok = ReadLayout(block);
        else if (subtype == ltfdStyleTemplates)
          ok = ReadTemplates(block);
        else
          ok = ReadStyles(static_cast<TLTFDocData>(subtype), block);
        return ok && SkipLines(lineCount - 2);
      }
      case ltfdDocProperties:
      case ltfdDocParameters: {
        const bool apply = depth_ == 0 && Whole() && doc_ && ctx_.Options.Contains(ltfoLoadDocProperties);
        std::string_view line;
        for (int i = 0; i < lineCount; ++i) {
          if (!src_->TextLine(line)) return false;
          if (!apply) continue;
          if (subtype == ltfdDocParameters) {
            doc_->DocParameters.ApplyLine(line);
          } else {
            if (!ctx_.Take(kStringCost + 2 * line.size())) return false;
            doc_->DocProperties.push_back(ctx_.DecodeString(line));
          }
        }
        return true;
      }
      default:
        return SkipLines(lineCount);
    }
  }

  TLTFReaderStyleMode StylesMode(TLTFDocData subtype) const {
    if (!doc_) return ltf_sInsertMerge;
    return subtype == ltfdTextStyles ? doc_->LTFTextStylesReadMode : doc_->LTFParaStylesReadMode;
  }

  bool ReadTemplates(std::string_view block) {
    if (lastPlaced_ >= 0) return false;
    if (!style_) return true;
    TLTStyleTemplateCollection scratch;
    TLTPropReader reader(block, ctx_.Budget);
    reader.OnUnknownProperty = [this](const std::string&) {
      ctx_.Warnings.Include(ltfwBadProperty);
      return true;
    };
    if (!reader.ReadProperties(scratch) || !reader.ReadCollection(scratch)) {
      if (ctx_.Budget->Exhausted()) return ctx_.Take(~size_t{0});
      // Unreadable templates are left out; the styles that name them
      // lose the link when they are inserted.
      ctx_.Warnings.Include(ltfwBadProperty);
      return true;
    }
    const TLTFReaderStyleMode text = StylesMode(ltfdTextStyles), para = StylesMode(ltfdParaStyles);
    if (text == ltf_sIgnore && para == ltf_sIgnore) return true;
    if (!ctx_.Take(static_cast<size_t>(scratch.Count()) * LTCollectionItemCost)) return false;
    scratch.UpdateParentReferences();
    TLTStyleTemplateCollection& target = data_.GetStyle()->StyleTemplates();
    if (Whole()) {
      // The sheet's templates are replaced with their identities, which
      // the stored styles name.
      target.Assign(scratch);
      templatesRead_ = true;
      return true;
    }
    templateIds_ = target.Merge(scratch, text == ltf_sInsertMerge || para == ltf_sInsertMerge);
    return true;
  }

  /// Incoming styles name the templates of their own document: when they
  /// are inserted, they name the templates that stand for those here, or
  /// none.
  void MapTemplateIds(TCustomLTInfos& styles) const {
    for (int i = 0; i < styles.Count(); ++i) {
      TLTStyleTemplateId& id = styles.Items(i).StyleTemplateId;
      if (id <= 0) continue;
      TLTStyleTemplateId here = -1;
      if (templateIds_)
        if (const auto at = templateIds_->find(id); at != templateIds_->end()) here = at->second;
      id = here;
    }
  }

  bool ReadStyles(TLTFDocData subtype, std::string_view block) {
    if (block.empty() || static_cast<uint8_t>(block[0]) != kStyleCollectionTag) return false;
    // Styles come before the items that use them; styles arriving later
    // would renumber what was already placed, so the stream is damaged.
    if (lastPlaced_ >= 0) return false;
    if (!style_) return true;
    TLTStyle& sheet = *data_.GetStyle();
    std::unique_ptr<TCustomLTInfos> scratch;
    TCustomLTInfos* target = nullptr;
    std::shared_ptr<const std::vector<int>>* map = nullptr;
    switch (subtype) {
      case ltfdTextStyles:
        scratch = std::make_unique<TFontInfos>(&sheet);
        target = &sheet.TextStyles();
        map = &textMap_;
        break;
      case ltfdParaStyles:
        scratch = std::make_unique<TParaInfos>(&sheet);
        target = &sheet.ParaStyles();
        map = &paraMap_;
        break;
      default:
        scratch = std::make_unique<TLTListInfos>(&sheet);
        target = &sheet.ListStyles();
        map = &listMap_;
        break;
    }
    TLTPropReader reader(block, ctx_.Budget);
    reader.OnUnknownProperty = [this](const std::string&) {
      ctx_.Warnings.Include(ltfwBadProperty);
      return true;
    };
    if (!reader.ReadCollection(*scratch)) {
      if (ctx_.Budget->Exhausted()) return ctx_.Take(~size_t{0});
      // An unreadable collection is left out; the items keep their numbers
      // and are checked against the sheet as it is.
      ctx_.Warnings.Include(ltfwBadProperty);
      return true;
    }
    const TLTFReaderStyleMode mode = StylesMode(subtype);
    // Index 0 must always exist: an empty stored collection changes nothing.
    if (mode == ltf_sIgnore || *map || scratch->Count() == 0) return true;
    // The copies in the sheet cost what the scratch collection did.
    if (!ctx_.Take(static_cast<size_t>(scratch->Count()) * LTCollectionItemCost)) return false;
    ctx_.StyleNames->Forget();
    if (Whole()) {
      // Styles stored without templates replace a sheet's templates too:
      // another document's would otherwise be saved with this one.
      if (!templatesRead_) sheet.StyleTemplates().Clear();
      templatesRead_ = true;
      auto* lists = dynamic_cast<TLTListInfos*>(target);
      if (lists) lists->CopyListIDs = true;
      target->Assign(*scratch);
      if (lists) lists->CopyListIDs = false;
      return true;
    }
    if (subtype != ltfdListStyles) MapTemplateIds(*scratch);
    // Only paragraph styles refer to text styles (the text map exists by
    // then when the stream stored text styles; other kinds ignore it).
    std::vector<int> m;
    target->MergeStyles(*scratch, mode, m, textMap_.get());
    *map = std::make_shared<const std::vector<int>>(std::move(m));
    return true;
  }

  bool ReadLayout(std::string_view b) {
    if (!Whole() || !layout_ || !ctx_.Options.Contains(ltfoLoadLayout)) return true;
    if (b.size() < kLayoutHead) throw ELecternError("Invalid LTF format");
    TLTLayoutInfo l;
    l.SubDocument = LE32At(b, 0) != 0;
    const size_t rest = std::min<size_t>(LE32At(b, 4), b.size() - kLayoutHead);
    size_t at = kLayoutHead;
    if (!l.SubDocument) {
      if (rest < kLayoutDocumentPart) throw ELecternError("Invalid LTF format");
      int32_t* fields[] = {&l.LeftMargin, &l.RightMargin, &l.TopMargin, &l.BottomMargin, &l.MinTextWidth,
                           &l.MaxTextWidth};
      for (int32_t* v : fields) {
        *v = static_cast<int32_t>(LE32At(b, at));
        at += 4;
      }
      l.BiDiMode = static_cast<uint8_t>(b[at++]);
    }
    if (kLayoutHead + rest - at >= kLayoutCutPart) {
      l.FirstParaCut = LE32At(b, at) != 0;
      l.LastParaCut = LE32At(b, at + 4) != 0;
      l.FirstMarkerListNo = static_cast<int32_t>(LE32At(b, at + 8));
      l.FirstMarkerLevel = static_cast<int32_t>(LE32At(b, at + 12));
      // A whole load replaces the list styles as stored: their numbers stand.
      data_.FirstParaCut = l.FirstParaCut;
      data_.LastParaCut = l.LastParaCut;
      data_.FirstParaListNo = l.FirstMarkerListNo;
      data_.FirstParaLevel = l.FirstMarkerLevel;
    }
    *layout_ = l;
    return true;
  }

  /// The numbering of the markers before a fragment: 0, a count, then per
  /// marker its list, level, restart flag, start and current value.
  bool ReadListNumbering(std::string_view b) {
    if (!Whole() || !ctx_.Options.Contains(ltfoLoadLayout) || !data_.IsRoot()) return true;
    constexpr size_t kEntry = 17;
    if (b.size() < 8) throw ELecternError("Invalid LTF format");
    const uint32_t n = LE32At(b, 4);
    if (n > (b.size() - 8) / kEntry) throw ELecternError("Invalid LTF format");
    std::vector<TCustomLTData::TLTNumberingEntry> entries(n);
    for (uint32_t k = 0; k < n; ++k) {
      const size_t at = 8 + k * kEntry;
      TCustomLTData::TLTNumberingEntry& e = entries[k];
      e.ListNo = static_cast<int32_t>(LE32At(b, at));
      e.Level = static_cast<int32_t>(LE32At(b, at + 4));
      e.Reset = b[at + 8] != 0;
      e.StartFrom = static_cast<int32_t>(LE32At(b, at + 9));
      e.Counter = static_cast<int32_t>(LE32At(b, at + 13));
      if (listMap_ && e.ListNo >= 0 && e.ListNo < static_cast<int32_t>(listMap_->size()))
        e.ListNo = (*listMap_)[static_cast<size_t>(e.ListNo)];
    }
    data_.SetContinuedNumbering(entries);
    return true;
  }

  void Finish(bool ok) {
    // A marker is never left as the last item of its paragraph.
    if (lastPlaced_ >= 0 && lastPlaced_ < data_.ItemCount()) {
      const TCustomLTItemInfo& last = data_.GetItem(lastPlaced_);
      const bool ends = lastPlaced_ + 1 >= data_.ItemCount() || data_.IsParaStart(lastPlaced_ + 1);
      if (last.StyleNo == ltikMarker && ends) {
        auto filler = ItemFactory(0);
        filler->ParaNo = last.ParaNo;
        filler->SetJoinPrev(true);
        filler->SetFlag(ltifWide, style_ ? style_->TextStyles()[0].Unicode : true);
        data_.InsertItemAt(lastPlaced_ + 1, {}, std::move(filler));
      }
    }
    if (start_ < data_.ItemCount()) data_.NormalizeParaStyles(start_);
    // A checkpoint left pending otherwise goes with the reader.
    if (ok && pending_ && appendsAtEnd_ && !data_.pendingCP_) {
      data_.pendingCP_ = std::move(pending_);
      ++data_.cpCount_;
    }
  }

  TCustomLTData& data_;
  const TLTStyle* style_;
  TLTDocumentContext* doc_;
  bool insert_;
  TLTLayoutInfo* layout_;
  TLTBackgroundInfo* background_;
  TLTFReadContext ctx_;
  TLTFLineSource* src_ = nullptr;
  std::string header_;
  std::vector<std::string_view> fields_, tail_;
  int32_t major_ = 0;
  int32_t minor_ = 0;
  int index_ = 0;
  int start_ = 0;
  bool appendsAtEnd_ = true;
  int lastPlaced_ = -1;
  std::unique_ptr<TLTCPInfo> pending_;
  TLTCPInfo* linkAfter_ = nullptr;  // owned by its item
  bool linkKnown_ = false;
  // Maps from stored to sheet style numbers, shared with sub-documents.
  std::shared_ptr<const std::vector<int>> textMap_, paraMap_, listMap_;
  std::optional<TLTStyleTemplateIdMap> templateIds_;
  bool templatesRead_ = false;
  int depth_ = 0;
  // No field holds a line break: a slot or hint not filled matches none.
  static constexpr std::string_view kNoField = "\n";
  struct TTagSlot {
    std::string Field{kNoField};
    TLTTag Tag;
  };
  std::array<TTagSlot, 8> tagSlots_;
  size_t nextTagSlot_ = 0;
  std::string lastHintField_{kNoField};
  TLTSharedText lastHint_;
};

namespace {

void ReportRead(TLTDocumentContext* ctx, const TLTFReader& reader, bool ok) {
  if (!ctx) return;
  ctx->LTFWarnings = reader.Warnings();
  ctx->LTFError = ok ? std::string() : reader.Error();
}

}  // namespace

bool TCustomLTData::LoadLTFFromStream(TLTStream& stream, TLTLayoutInfo* layout, TLTBackgroundInfo* background) {
  Clear();
  TLTDocumentContext* ctx = GetContext();
  if (ctx && GetLTFOptions().Contains(ltfoLoadDocProperties)) ctx->DocParameters.Reset();
  TLTReadBudget budget;
  TLTFLineSource source(stream, &budget);
  TLTFReader reader(*this, false, 0, layout, background, budget);
  const bool ok = reader.Read(source);
  ReportRead(ctx, reader, ok);
  return ok;
}

bool TCustomLTData::LoadLTF(const std::string& path, TLTLayoutInfo* layout, TLTBackgroundInfo* background) {
  auto file = TLTFileStream::Open(path, TLTFileMode::Read);
  if (!file) return false;
  return LoadLTFFromStream(*file, layout, background);
}

bool TCustomLTData::InsertLTFAt(TLTStream& stream, int& index) {
  // The first item read goes where the index points, within the items.
  index = std::clamp(index, 0, ItemCount());
  TLTReadBudget budget;
  TLTFLineSource source(stream, &budget);
  TLTFReader reader(*this, true, index, nullptr, nullptr, budget);
  const bool ok = reader.Read(source);
  ReportRead(GetContext(), reader, ok);
  return ok;
}

}  // namespace lectern
