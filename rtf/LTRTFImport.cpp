// RTF import: the settings, one import run, and the handlers of the
// reader's text, picture, note, sequence, bookmark and page-break events.
//
// Design notes
// - Items go to the current container: the target (inserted at the
//   insertion index, which advances), a scratch cell of a table being
//   read, or a note's document (appended).
// - A run dropped as hidden text hands its break on to the next run, so
//   that hiding a paragraph's text does not join two paragraphs.
// - Styles are chosen once per distinct set of run or paragraph
//   properties: a cache keyed by those properties keeps a long document
//   from scoring every style for every run.

#include "rtf/LTRTFImport.h"

#include "interchange/LTFormats.h"
#include "items/LTNote.h"
#include "items/LTSeqItem.h"
#include "model/LTFuncs.h"
#include "model/LTMarker.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "rtf/LTRTFImportRun.h"
#include "rtf/LTRTFTokenizer.h"
#include "table/LTTable.h"

#include <cctype>
#include <cmath>

namespace lectern {

namespace {

bool IsSpace16(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace16(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace16(s.back())) s.remove_suffix(1);
  return s;
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool StartsWithFold(std::u16string_view s, std::u16string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Upper(s[i]) != Upper(prefix[i])) return false;
  return true;
}

/// A switch value: quoted (an escaped quote stands for a quote), or up to a blank.
std::u16string ReadValue(std::u16string_view s, size_t& i) {
  std::u16string out;
  while (i < s.size() && IsSpace16(s[i])) ++i;
  if (i < s.size() && s[i] == u'"') {
    for (++i; i < s.size(); ++i) {
      if (s[i] == u'\\' && i + 1 < s.size() && s[i + 1] == u'"') {
        out.push_back(u'"');
        ++i;
        continue;
      }
      if (s[i] == u'"') {
        ++i;
        break;
      }
      out.push_back(s[i]);
    }
  } else {
    for (; i < s.size() && !IsSpace16(s[i]); ++i) out.push_back(s[i]);
  }
  return out;
}

int Hex16(char16_t c) { return c < 128 ? LTRTFHexValue(static_cast<unsigned char>(c)) : -1; }

constexpr std::u16string_view kAddressPrefixes[] = {u"http://", u"ftp://",  u"file://", u"gopher://",
                                                    u"mailto:", u"https://", u"news:",   u"telnet:",
                                                    u"wais:",   u"www.",     u"ftp."};

bool IsAddress(std::u16string_view t) {
  for (std::u16string_view p : kAddressPrefixes)
    if (t.size() > p.size() && StartsWithFold(t, p)) return true;
  return false;
}

}  // namespace

// ---- Settings ----------------------------------------------------------------------------------

TLTRTFReaderProperties::TLTRTFReaderProperties() = default;
TLTRTFReaderProperties::~TLTRTFReaderProperties() = default;

void TLTRTFReaderProperties::SetTextStyleNo(int32_t v) {
  if (v < 0) throw ELecternError("Value must not be negative");
  textStyleNo_ = v;
}

void TLTRTFReaderProperties::SetParaStyleNo(int32_t v) {
  if (v < 0) throw ELecternError("Value must not be negative");
  paraStyleNo_ = v;
}

void TLTRTFReaderProperties::Assign(const TLTRTFReaderProperties& o) {
  if (&o == this) return;
  UnicodeMode = o.UnicodeMode;
  TextStyleMode = o.TextStyleMode;
  ParaStyleMode = o.ParaStyleMode;
  IgnorePictures = o.IgnorePictures;
  IgnoreNotes = o.IgnoreNotes;
  IgnoreSequences = o.IgnoreSequences;
  IgnoreTables = o.IgnoreTables;
  UseHypertextStyles = o.UseHypertextStyles;
  SkipHiddenText = o.SkipHiddenText;
  LineBreaksAsParagraphs = o.LineBreaksAsParagraphs;
  ExtractMetafileBitmaps = o.ExtractMetafileBitmaps;
  ConvertHighlight = o.ConvertHighlight;
  textStyleNo_ = o.textStyleNo_;
  paraStyleNo_ = o.paraStyleNo_;
}

bool TLTRTFReaderProperties::ImportRTF(TLTStream& stream, TCustomLTData& target, int& index) {
  std::string bytes;
  try {
    bytes = stream.ReadRest();
  } catch (...) {
    lastResult_ = rtfException;
    index = -1;
    return false;
  }
  return ImportRTFBytes(bytes, target, index);
}

bool TLTRTFReaderProperties::ImportRTFBytes(std::string_view bytes, TCustomLTData& target, int& index) {
  TLTRTFImportRun run(*this, target, std::clamp(index, 0, target.ItemCount()));
  lastResult_ = run.Run(bytes);
  insertedCount_ = run.InsertedCount();
  index = run.LastInserted();
  return lastResult_ == rtfOK;
}

// ---- The run -----------------------------------------------------------------------------------

TLTRTFImportRun::TLTRTFImportRun(TLTRTFReaderProperties& settings, TCustomLTData& target, int index)
    : S(settings), Target(target), Cur(&target), InsertIndex(index) {
  Sheet = target.GetStyle();
  const int ppi = S.PixelsPerInch > 0 ? S.PixelsPerInch : 96;
  K = ppi / 1440.0;
  if (Sheet) ListStylesBefore = Sheet->ListStyles().Count();
}

TLTRTFImportRun::~TLTRTFImportRun() = default;

int TLTRTFImportRun::Px(int64_t twips) const {
  // Half to even, as the lengths of styles are compared exactly.
  return static_cast<int>(std::nearbyint(static_cast<double>(twips) * K));
}

TLTRTFResult TLTRTFImportRun::Run(std::string_view bytes) {
  R.PixelsPerInch = S.PixelsPerInch > 0 ? S.PixelsPerInch : 96;
  R.ConvertHighlight = static_cast<TLTRTFHighlightConvert>(S.ConvertHighlight);
  R.ExtractMetafileBitmaps = S.ExtractMetafileBitmaps;
  R.BasePath = S.BasePath;
  R.LoadLinkedPictures = S.LoadLinkedPictures;
  R.DefCodePage = Sheet ? Sheet->DefCodePage : 0;
  R.TabsAsSeparateRuns = Sheet && Sheet->SpacesInTab == 0;
  R.OnNewText = [this](std::string_view t, TLTRTFPosition p) { NewText(t, p); };
  if (S.UnicodeMode != ltruNoUnicode)
    R.OnNewUnicodeText = [this](std::u16string_view t, TLTRTFPosition p) { NewUnicodeText(t, p); };
  if (!S.IgnorePictures) {
    R.OnNewPicture = [this](TLTRTFPicture& pic, std::unique_ptr<TGraphic>& g, TLTRTFPosition p,
                            const std::string& f) { return NewPicture(pic, g, p, f); };
    if (S.OnImportPicture)
      R.OnImportPicture = [this](const std::string& location, std::unique_ptr<TGraphic>& g, bool&) {
        g = S.OnImportPicture(location);
      };
  }
  if (!S.IgnoreTables) R.OnTable = [this](TLTRTFTableEventKind what) { return OnTable(what); };
  if (!S.IgnoreNotes) R.OnNote = [this](TLTRTFNoteEventType what, TLTRTFPosition p) { Note(what, p); };
  if (!S.IgnoreSequences)
    R.OnNewSeq = [this](TLTRTFPosition p, const TLTString& name, TLTRTFSeqType type, bool reset, int32_t start) {
      NewSeq(p, name, type, reset, start);
    };
  if (!S.IgnoreBookmarks)
    R.OnBookmarkStart = [this](const TLTString& name) {
      pendingCheckpoint_ = name;
      hasPendingCheckpoint_ = true;
    };
  R.OnRequiredPageBreak = [this] { PageBreakIn = Cur; };
  R.OnUpdateMarker = [this] { UpdateMarkerFromParagraph(); };
  if (S.OnProgress) R.OnProgress = S.OnProgress;
  TLTRTFResult result = rtfOK;
  try {
    result = R.ReadFromBytes(bytes);
  } catch (...) {
    result = rtfException;
  }
  // Tables the reader could not close (an exception) are closed here.
  while (!Tables.empty()) FinishTable(true);
  while (!notes_.empty()) {
    Cur = notes_.back().Container;
    InsertIndex = notes_.back().InsertIndex;
    notes_.pop_back();
  }
  if (Aborted && result == rtfOK) result = rtfException;
  return result;
}

void TLTRTFImportRun::StyleAdded(TCustomLTInfos& collection, int index) {
  if (S.OnStyleAdded) S.OnStyleAdded(collection, index);
}

// ---- Inserting -----------------------------------------------------------------------------------

void TLTRTFImportRun::Insert(std::unique_ptr<TCustomLTItemInfo> item, TLTRTFPosition pos) {
  if (!item || Aborted) return;
  if (S.LineBreaksAsParagraphs && pos == rtf_ts_NewLine) pos = rtf_ts_NewPara;
  item->ItemFlags &= static_cast<uint8_t>(~(ltifJoinPrev | ltifNewLine | ltifNewPage));
  const bool marker = item->StyleNo == ltikMarker;
  const bool table = item->GetBoolValue(iqFullLine);
  switch (pos) {
    case rtf_ts_ContinuePara:
      item->SetFlag(ltifJoinPrev, true);
      break;
    case rtf_ts_NewLine:
      item->SetFlag(ltifNewLine, true);
      break;
    case rtf_ts_NewPara:
      if (!marker && !table && !Reinserting) {
        LastMarker = nullptr;
        InsertMarkerForParagraph();
        if (LastMarker) item->SetFlag(ltifJoinPrev, true);
      }
      break;
  }
  if (hasPendingCheckpoint_) {
    auto cp = std::make_unique<TLTCPInfo>();
    cp->CheckpointName = std::move(pendingCheckpoint_);
    if (!item->Checkpoint) item->Checkpoint = std::move(cp);
    pendingCheckpoint_.clear();
    hasPendingCheckpoint_ = false;
  }
  if (PageBreakIn == Cur) {
    if (!item->HasFlag(ltifJoinPrev)) item->SetFlag(ltifNewPage, true);
    PageBreakIn = nullptr;
  }
  TCustomLTItemInfo* raw = item.get();
  TLTRawByteString text = std::move(item->Text);
  const bool inTarget = Cur == &Target;
  const int at = inTarget ? InsertIndex : Cur->ItemCount();
  if (at == 0 || Cur->GetItem(at - 1).GetBoolValue(iqFullLine) || table) {
    // Nothing to continue: the item starts its paragraph.
    if (raw->HasFlag(ltifJoinPrev) && (at == 0 || !marker)) raw->SetFlag(ltifJoinPrev, false);
  }
  if (table) raw->SetFlag(ltifNewLine, false);
  Cur->InsertItemAt(at, std::move(text), std::move(item));
  if (inTarget) {
    ++InsertIndex;
    ++inserted_;
    lastInserted_ = at;
  }
  if (marker) LastMarker = raw;
  lastNoteRef_ = raw->StyleNo == ltikNoteBackRef ? raw : nullptr;
}

std::unique_ptr<TCustomLTItemInfo> TLTRTFImportRun::EmptyParagraph() {
  const int32_t style = S.TextStyleMode == ltrsUseSpecified ? S.TextStyleNo() : 0;
  auto item = ItemFactory(style);
  const bool wide = !Sheet || (style < Sheet->TextStyles().Count() && Sheet->TextStyles()[style].Unicode);
  item->SetFlag(ltifWide, wide);
  item->ParaNo = TableParaStyle(0);
  return item;
}

// ---- Text ------------------------------------------------------------------------------------

void TLTRTFImportRun::NewText(std::string_view text, TLTRTFPosition pos) {
  AddTextItem({}, text, false, pos);
}

void TLTRTFImportRun::NewUnicodeText(std::u16string_view text, TLTRTFPosition pos) {
  AddTextItem(text, {}, true, pos);
}

void TLTRTFImportRun::AddTextItem(std::u16string_view text16, std::string_view text8, bool fromUnicode,
                                  TLTRTFPosition pos) {
  if (Aborted) return;
  if (S.SkipHiddenText && R.CharProps().Hidden) {
    if (pos != rtf_ts_ContinuePara && carried_ != rtf_ts_NewPara) carried_ = pos;
    return;
  }
  if (carried_ != rtf_ts_ContinuePara) {
    if (pos == rtf_ts_ContinuePara || (pos == rtf_ts_NewLine && carried_ == rtf_ts_NewPara)) pos = carried_;
    carried_ = rtf_ts_ContinuePara;
  }
  // Which kind of style receives the run.
  bool unicode = S.UnicodeMode == ltruOnlyUnicode || (fromUnicode && S.UnicodeMode == ltruMixed);
  std::string narrowed;
  if (fromUnicode && S.UnicodeMode == ltruMixed) {
    bool lossy = false;
    narrowed = UnicodeToAnsi(text16, R.CurrentCodePage(), &lossy);
    if (!lossy) unicode = false;
  }
  const bool hyperlink = R.InHyperlink();
  int32_t style = TextStyleFor(unicode, hyperlink, false);
  const bool tab = (fromUnicode ? text16 == u"\t" : text8 == "\t") && Sheet && Sheet->SpacesInTab == 0;
  std::unique_ptr<TCustomLTItemInfo> item;
  if (tab) {
    auto t = std::make_unique<TLTTabItemInfo>();
    t->TextStyleNo = style;
    item = std::move(t);
  } else {
    item = ItemFactory(style);
    const bool wideStyle = !Sheet || style >= Sheet->TextStyles().Count() || Sheet->TextStyles()[style].Unicode;
    item->SetFlag(ltifWide, wideStyle);
    std::u16string converted;
    if (wideStyle) {
      if (!fromUnicode) {
        R.ConvertText(text8, R.CurrentCodePage(), converted);
        text16 = converted;
      }
      const int spaces = Sheet ? Sheet->SpacesInTab : 8;
      if (spaces > 0 && text16.find(u'\t') != std::u16string_view::npos) {
        std::u16string expanded;
        for (char16_t c : text16) {
          if (c == u'\t')
            expanded.append(static_cast<size_t>(spaces), u' ');
          else
            expanded.push_back(c);
        }
        converted = std::move(expanded);
        text16 = converted;
      }
      item->Text = TextToItemBytes(text16, true, 0);
    } else {
      const TLTCodePage cp = Sheet ? Sheet->StyleCodePage(style) : R.CurrentCodePage();
      std::string bytes = fromUnicode ? (S.UnicodeMode == ltruMixed ? narrowed : UnicodeToAnsi(text16, cp))
                                      : std::string(text8);
      const int spaces = Sheet ? Sheet->SpacesInTab : 8;
      if (spaces > 0 && bytes.find('\t') != std::string::npos) {
        std::string expanded;
        for (char c : bytes) {
          if (c == '\t')
            expanded.append(static_cast<size_t>(spaces), ' ');
          else
            expanded.push_back(c);
        }
        bytes = std::move(expanded);
      }
      item->Text = std::move(bytes);
    }
  }
  if (hyperlink) {
    ApplyHyperlink(*item, style, false);
    if (item->IsText()) item->StyleNo = style;
  }
  item->ParaNo = ParaStyleFor(pos);
  Insert(std::move(item), pos);
}

// ---- Hyperlinks ---------------------------------------------------------------------------------

bool TLTRTFImportRun::Hyperlink(TLTString& target, TLTString& extras, TLTString& tip) {
  std::u16string_view inst = Trim(R.FieldInstruction());
  if (!inst.empty() && inst[0] == u'\\') inst = Trim(inst.substr(1));
  if (!StartsWithFold(inst, u"HYPERLINK")) return false;
  std::u16string_view rest = inst.substr(9);
  // The first argument that is not a switch is the target.
  size_t i = 0;
  std::u16string extrasBuilt;
  target.clear();
  bool haveTarget = false;
  TLTString bookmark;
  while (i < rest.size()) {
    while (i < rest.size() && IsSpace16(rest[i])) ++i;
    if (i >= rest.size()) break;
    if (rest[i] == u'\\' && i + 1 < rest.size() && rest[i + 1] != u'\\') {
      const char16_t sw = rest[i + 1];
      const size_t swStart = i;
      i += 2;
      if (sw == u'o' || sw == u'l' || sw == u't' || sw == u'm' || sw == u'n') {
        if (sw == u'm' || sw == u'n') {
          extrasBuilt.append(rest.substr(swStart, i - swStart)).push_back(u' ');
          continue;
        }
        const std::u16string value = ReadValue(rest, i);
        if (sw == u'o') tip = value;
        if (sw == u'l') bookmark = value;
        extrasBuilt.append(rest.substr(swStart, i - swStart)).push_back(u' ');
      }
      continue;
    }
    std::u16string value = ReadValue(rest, i);
    if (!haveTarget) {
      for (size_t at = 0; (at = value.find(u"\\\\", at)) != std::u16string::npos; ++at) value.erase(at, 1);
      target = value;
      haveTarget = true;
    }
  }
  extras = TLTString(Trim(extrasBuilt));
  if (!bookmark.empty()) {
    if (bookmark[0] != u'#') bookmark.insert(bookmark.begin(), u'#');
    target += bookmark;
  }
  // Percent escapes, except those of line ends.
  TLTString decoded;
  for (size_t k = 0; k < target.size(); ++k) {
    if (target[k] == u'%' && k + 2 < target.size() && Hex16(target[k + 1]) >= 0 && Hex16(target[k + 2]) >= 0) {
      const int v = Hex16(target[k + 1]) * 16 + Hex16(target[k + 2]);
      if (v != 0x0D && v != 0x0A) {
        decoded.push_back(static_cast<char16_t>(v));
        k += 2;
        continue;
      }
    }
    decoded.push_back(target[k]);
  }
  target = std::move(decoded);
  // Relative targets against the base path.
  const TLTString base = Utf8ToUtf16(S.BasePath);
  if (S.BasePathLinks && !base.empty() && !target.empty() && target[0] != u'#') {
    const bool doubled = target.size() >= 2 && target[0] == target[1] && (target[0] == u'\\' || target[0] == u'/');
    const bool absolute = target.find(u':') != TLTString::npos && ((target.size() > 1 && target[1] == u':') || IsAddress(target));
    if (!doubled && !absolute && !IsAddress(target)) {
      if (target[0] == u'\\' || target[0] == u'/') {
        size_t from = 0;
        if (const size_t scheme = base.find(u"://"); scheme != TLTString::npos) from = scheme + 3;
        size_t cut = base.find_first_of(u"/\\?", from);
        target = (cut == TLTString::npos ? base : base.substr(0, cut)) + target;
      } else {
        target = base + target;
      }
    }
  }
  return true;
}

void TLTRTFImportRun::ApplyHyperlink(TCustomLTItemInfo& item, int32_t& styleNo, bool picture) {
  // The runs of one link share its parse.
  if (!linkParsed_ || linkInstruction_ != R.FieldInstruction()) {
    link_.clear();
    linkExtras_.clear();
    linkTip_.clear();
    linkInstruction_ = R.FieldInstruction();
    linkParsed_ = Hyperlink(link_, linkExtras_, linkTip_);
  }
  if (!linkParsed_) return;
  int32_t chosen = styleNo;
  TLTTag tag;
  TLTString name;
  if (S.OnReadHyperlink) {
    S.OnReadHyperlink(link_, linkExtras_, chosen, tag, name);
    if (chosen >= 0 || picture) styleNo = chosen;
  } else if (Target.TagsArePChars() && !link_.empty()) {
    tag = TLTTag::FromString(link_);
  }
  item.Tag = tag;
  if (!linkTip_.empty()) item.HintText = TLTSharedText(linkTip_);
}

// ---- Pictures ------------------------------------------------------------------------------------

bool TLTRTFImportRun::NewPicture(TLTRTFPicture& pic, std::unique_ptr<TGraphic>& graphic, TLTRTFPosition pos,
                                 const std::string& fileName) {
  if (Aborted) return false;
  if (S.SkipHiddenText && R.CharProps().Hidden) return true;
  if (!graphic) {
    if (pic.Preferred) return false;
    const TGraphic* invalid = Sheet ? Sheet->InvalidPicture() : nullptr;
    if (invalid) graphic = invalid->Clone();
    if (!graphic) return false;
  }
  const bool metafile = graphic->ClassName() == "TMetafile";
  std::unique_ptr<TLTGraphicItemInfo> item;
  int32_t kind = ltikImage;
  const bool link = R.InHyperlink();
  if (link) kind = ltikHotImage;
  if (kind == ltikHotImage)
    item = std::make_unique<TLTHotGraphicItemInfo>();
  else
    item = std::make_unique<TLTGraphicItemInfo>();
  const int gw = graphic->Width(), gh = graphic->Height();
  item->Image = std::move(graphic);
  if (metafile || pic.ScaleX != 100 || pic.ScaleY != 100) {
    const int w = pic.DisplayWidth >= 1 ? pic.DisplayWidth : gw;
    const int h = pic.DisplayHeight >= 1 ? pic.DisplayHeight : gh;
    item->ImageWidth = static_cast<int32_t>(std::lround(w / 100.0 * pic.ScaleX));
    item->ImageHeight = static_cast<int32_t>(std::lround(h / 100.0 * pic.ScaleY));
  }
  if (link) {
    int32_t style = ltikHotImage;
    ApplyHyperlink(*item, style, true);
  }
  if (S.StoreImagesFileNames && !fileName.empty()) item->ImageFileName = Utf8ToUtf16(fileName);
  item->ParaNo = ParaStyleFor(pos);
  Insert(std::move(item), pos);
  return true;
}

// ---- Sequences and notes ---------------------------------------------------------------------------

void TLTRTFImportRun::NewSeq(TLTRTFPosition pos, const TLTString& name, TLTRTFSeqType type, bool reset,
                             int32_t start) {
  if (Aborted) return;
  TLTString n = name;
  if (SameTextFold(n, u"@footnote@") || SameTextFold(n, u"@endnote@")) n.insert(n.begin(), u'_');
  auto item = std::make_unique<TLTSeqItemInfo>(n, static_cast<TLTSeqType>(type));
  item->Reset = reset;
  item->StartFrom = start;
  item->TextStyleNo = TextStyleFor(S.UnicodeMode == ltruOnlyUnicode, false, false);
  item->ParaNo = ParaStyleFor(pos);
  Insert(std::move(item), pos);
}

void TLTRTFImportRun::Note(TLTRTFNoteEventType what, TLTRTFPosition pos) {
  if (Aborted) return;
  switch (what) {
    case rtf_ne_Character: {
      auto ref = std::make_unique<TLTNoteReferenceItemInfo>();
      ref->TextStyleNo = TextStyleFor(S.UnicodeMode == ltruOnlyUnicode, false, true);
      ref->ParaNo = ParaStyleFor(pos);
      Insert(std::move(ref), pos);
      return;
    }
    case rtf_ne_Start: {
      if (!lastNoteRef_ || Cur->FindItemIndex(lastNoteRef_) < 0) {
        auto ref = std::make_unique<TLTNoteReferenceItemInfo>();
        ref->TextStyleNo = TextStyleFor(S.UnicodeMode == ltruOnlyUnicode, false, true);
        ref->ParaNo = ParaStyleFor(pos);
        Insert(std::move(ref), pos);
      }
      const int i = Cur->FindItemIndex(lastNoteRef_);
      if (i < 0) return;
      auto note = std::make_unique<TLTFootnoteItemInfo>();
      const TCustomLTItemInfo& ref = Cur->GetItem(i);
      note->ParaNo = ref.ParaNo;
      note->ItemFlags = ref.ItemFlags;
      note->TextStyleNo = ref.GetAssociatedTextStyleNo();
      TCustomLTNoteItemInfo* raw = note.get();
      Cur->DeleteItems(i, 1);
      Cur->InsertItemAt(i, {}, std::move(note));
      lastNoteRef_ = nullptr;
      notes_.push_back({Cur, InsertIndex, raw});
      Cur = &raw->Document();
      LastMarker = nullptr;
      return;
    }
    case rtf_ne_EndNote: {
      if (notes_.empty() || !notes_.back().Note) return;
      TNoteContext& ctx = notes_.back();
      const int i = ctx.Container->FindItemIndex(ctx.Note);
      if (i < 0 || ctx.Note->StyleNo == ltikEndnoteItem) return;
      auto note = std::make_unique<TLTEndnoteItemInfo>();
      note->ParaNo = ctx.Note->ParaNo;
      note->ItemFlags = ctx.Note->ItemFlags;
      note->TextStyleNo = ctx.Note->TextStyleNo;
      // What the note holds so far moves with it, once it is in place.
      TLTNoteData& old = ctx.Note->Document();
      std::vector<std::unique_ptr<TCustomLTItemInfo>> items = old.ExtractItems(0, old.ItemCount());
      TCustomLTNoteItemInfo* raw = note.get();
      ctx.Container->DeleteItems(i, 1);
      ctx.Container->InsertItemAt(i, {}, std::move(note));
      for (auto& item : items) {
        TLTRawByteString text = std::move(item->Text);
        raw->Document().InsertItemAt(raw->Document().ItemCount(), std::move(text), std::move(item));
      }
      ctx.Note = raw;
      Cur = &raw->Document();
      return;
    }
    case rtf_ne_End:
      if (notes_.empty()) return;
      Cur = notes_.back().Container;
      InsertIndex = notes_.back().InsertIndex;
      notes_.pop_back();
      LastMarker = nullptr;
      lastNoteRef_ = nullptr;
      return;
  }
}

// ---- The document format -------------------------------------------------------------------------

bool ReadRTFDocument(std::string_view bytes, TCustomLTData& into, std::vector<std::string>& warnings,
                     std::string& error, const std::string& basePath) {
  TLTRTFReaderProperties settings;
  // Relative links only; linked pictures stay unread whatever the base.
  settings.BasePath = basePath;
  settings.TextStyleMode = ltrsAddIfNeeded;
  settings.ParaStyleMode = ltrsAddIfNeeded;
  // A document read whole keeps its own page and its own links.
  into.Clear();
  int index = 0;
  settings.ImportRTFBytes(bytes, into, index);
  const TLTRTFResult r = settings.LastResult();
  if (r == rtfOK) return true;
  if (r == rtfUnmatchedBrace || r == rtfEndOfFile) {
    warnings.emplace_back(std::string(RTFResultText(r)) + "; what was read is kept");
    return true;
  }
  error = std::string("not a valid RTF document: ") + RTFResultText(r);
  return false;
}

namespace {

bool ReadRTFFormatWithBase(TLTStream& in, TCustomLTData& into, const std::string& basePath,
                           TLTFormatReport& report) {
  std::string bytes = in.ReadRest();
  size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (start < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[start]))) ++start;
  if (start >= bytes.size()) {
    report.Error = "not an RTF document (it is empty)";
    return false;
  }
  if (bytes.compare(start, 5, "{\\rtf") != 0) {
    // A fragment (groups and text without the document's group) is read
    // whole, as if it were inside one.
    report.Warnings.emplace_back("not a whole RTF document; read as a fragment");
    bytes = "{\\rtf1 " + bytes.substr(start) + "}";
  }
  return ReadRTFDocument(bytes, into, report.Warnings, report.Error, basePath);
}

bool ReadRTFFormat(TLTStream& in, TCustomLTData& into, TLTFormatReport& report) {
  return ReadRTFFormatWithBase(in, into, {}, report);
}

}  // namespace

void RegisterRTFReading() {
  const TLTDocumentFormat* rtf = FindFormatByName("rtf");
  if (!rtf || rtf->Read == &ReadRTFFormat) return;
  TLTDocumentFormat f = *rtf;
  f.Read = &ReadRTFFormat;
  f.ReadWithBase = &ReadRTFFormatWithBase;
  RegisterDocumentFormat(f);
}

}  // namespace lectern
