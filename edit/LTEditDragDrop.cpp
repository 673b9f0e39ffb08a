// Paste and drop: the readers of transferred data that the clipboard and
// drag-and-drop share, the drop target with its drop caret and scrolling,
// and the editor's side of dragging its own selection (moves).
//
// Design notes. Every flavour has one inserter; a paste and a drop differ
// only in the order they try them and in the drop's filter of accepted
// kinds. Each inserter reads its data apart before anything goes into the
// document (a document flavour is read into a document of its own), so a
// flavour that cannot be read inserts nothing and the next one is tried;
// only a flavour that went in ends the attempt.
//
// A move inside the editor deletes the selection first and inserts at the
// drop position after it. That position is kept as its distance from the
// end of the plain text when it lies after the selection (the deletion
// changes nothing behind it) and as it is when it lies before; a drop
// inside the selection does nothing. When nothing can be inserted the
// deletion is rolled back, so a refused drop loses nothing. The drop
// marks the move as done, so that the end of the drag does not delete the
// selection a second time.

#include "edit/LTEdit.h"

#include "edit/LTEditAction.h"

#include "interchange/LTFormats.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <filesystem>
#include <span>

namespace lectern {

namespace {

constexpr std::string_view kMimeURIList = "text/uri-list";
/// An address and its title on two lines, in UTF-16 (browsers' links).
constexpr std::string_view kMimeMozURL = "text/x-moz-url";
/// The address of the page a browser's clipboard data comes from, as the
/// two families of browsers name it.
constexpr std::string_view kMimeMozURLPriv = "text/x-moz-url-priv";
constexpr std::string_view kMimeSourceURL = "chromium/x-source-url";
/// The largest transferred file read at all.
constexpr uintmax_t kMaxTransferredFile = uintmax_t{256} << 20;
/// The longest address or link text taken from a drop.
constexpr size_t kMaxAddress = 4096;
/// How near the top or bottom edge a drag scrolls the view.
constexpr int kDropScrollMargin = 20;
/// Width of the drop caret in pixels.
constexpr int kDropCaretWidth = 2;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view s) {
  std::string out;
  for (size_t k = 0; k < s.size(); ++k) {
    if (s[k] == '%' && k + 2 < s.size() && HexValue(s[k + 1]) >= 0 && HexValue(s[k + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[k + 1]) * 16 + HexValue(s[k + 2])));
      k += 2;
    } else {
      out.push_back(s[k]);
    }
  }
  return out;
}

/// The lines of a URI list (comments and blank lines left out).
std::vector<std::string_view> URIListLines(std::string_view list) {
  std::vector<std::string_view> lines;
  while (!list.empty()) {
    const size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

/// The local files of a URI list (file: addresses, percent-decoded);
/// another host's files and other addresses are left out.
std::vector<std::string> LocalFiles(std::string_view list) {
  std::vector<std::string> files;
  for (std::string_view line : URIListLines(list)) {
    if (line.rfind("file://", 0) != 0) continue;
    line.remove_prefix(7);
    if (line.rfind("localhost/", 0) == 0) line.remove_prefix(9);
    if (line.empty() || line[0] != '/') continue;
    std::string path = PercentDecode(line);
    if (path.find('\0') == std::string::npos) files.push_back(std::move(path));
  }
  return files;
}

/// Text another program gave as UTF-16 (little-endian, as on this
/// platform's clipboards) or, when it is not, as UTF-8.
TLTString TransferText(std::string_view bytes) {
  const bool utf16 = bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes[1] == '\0';
  if (!utf16) return Utf8ToUtf16(bytes);
  TLTString text;
  text.reserve(bytes.size() / 2);
  for (size_t k = 0; k + 1 < bytes.size(); k += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[k]) |
                                         static_cast<unsigned char>(bytes[k + 1]) << 8));
  if (const size_t zero = text.find(u'\0'); zero != TLTString::npos) text.resize(zero);
  return text;
}

bool IsPictureType(std::string_view mime) { return mime.rfind("image/", 0) == 0; }

/// The bytes of a file small enough to be transferred; false otherwise.
bool ReadTransferredFile(const std::string& path, std::string& bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || ec) return false;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  return !ec && size <= kMaxTransferredFile && ReadFileBytes(path, bytes);
}

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

/// One flavour of other data: Paste Special pastes exactly the flavour
/// chosen.
class TOneFlavour final : public ILTDropData {
 public:
  TOneFlavour(const ILTDropData& data, std::string mime) : data_(data), mime_(std::move(mime)) {}
  std::vector<std::string> Types() const override { return {mime_}; }
  bool Has(std::string_view mime) const override { return mime == mime_ && data_.Has(mime); }
  std::optional<std::string> Get(std::string_view mime) const override {
    return Has(mime) ? data_.Get(mime) : std::nullopt;
  }

 private:
  const ILTDropData& data_;
  std::string mime_;
};

const TLTDocumentFormat* RTFReader() {
  const TLTDocumentFormat* rtf = FindFormatByName("rtf");
  return rtf && rtf->Read ? rtf : nullptr;
}

std::optional<std::string> RTFBytes(const ILTDropData& data) {
  if (std::optional<std::string> b = data.Get(LTMimeRTF)) return b;
  return data.Get(LTMimeRTFAlt);
}

}  // namespace

std::string TransferBasePath(const ILTDropData& data) {
  std::string source;
  if (std::optional<std::string> priv = data.Get(kMimeMozURLPriv)) {
    source = Utf16ToUtf8(TransferText(*priv));
  } else if (std::optional<std::string> page = data.Get(kMimeSourceURL)) {
    source = *page;
  } else if (std::optional<std::string> html = data.Get(LTMimeHTML)) {
    const size_t at = html->find("SourceURL:");
    if (at != std::string::npos) {
      const size_t from = at + 10;
      const size_t end = html->find_first_of(std::string_view("\0\n\r", 3), from);
      source = html->substr(from, end == std::string::npos ? std::string::npos : end - from);
    }
  }
  if (const size_t cut = source.find_first_of("\r\n"); cut != std::string::npos) source.resize(cut);
  source.resize(std::min(source.size(), kMaxAddress));
  std::string lower = source;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.rfind("file://", 0) == 0) {
    std::string path = PercentDecode(std::string_view(source).substr(7));
    if (path.rfind("localhost/", 0) == 0) path.erase(0, 9);
    const size_t slash = path.rfind('/');
    return path.empty() || path[0] != '/' || slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }
  if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0) return {};
  // The page's folder: up to the last slash after the host, before any query.
  const size_t query = source.find_first_of("?#");
  if (query != std::string::npos) source.resize(query);
  const size_t host = source.find("://") + 3;
  const size_t slash = source.rfind('/');
  return slash == std::string::npos || slash < host ? source + "/" : source.substr(0, slash + 1);
}

// ---- The inserters ------------------------------------------------------------------------------

bool TCustomLecternEdit::InsertFlavour(TFlavour flavour, const ILTDropData& data, bool drop) {
  const TLTDragDropFormats ok = drop ? AcceptDragDropFormats : TLTDragDropFormats::FromBits(0xFF);
  switch (flavour) {
    case TFlavour::LTF: {
      if (!ok.Contains(ltddLTF)) return false;
      const std::optional<std::string> packed = data.Get(LTMimeLTF);
      std::string ltf;
      // The length comes from another program: a block that claims more
      // than it holds is no fragment at all.
      if (!packed || !UnpackLTFFlavour(*packed, ltf)) return false;
      TLTMemoryStream in(std::move(ltf));
      return InsertLTFAtCaret(in);
    }
    case TFlavour::RTF: {
      const TLTDocumentFormat* rtf = RTFReader();
      if (!ok.Contains(ltddRTF) || !rtf) return false;
      const std::optional<std::string> bytes = RTFBytes(data);
      // Pasted rich text never loads files or addresses: the reader's
      // linked pictures stay off, the base only completes links.
      return bytes && InsertFormatAtCaret(*rtf, *bytes, nullptr, nullptr, TransferBasePath(data));
    }
    case TFlavour::URL: {
      if (!drop || !ok.Contains(ltddURL)) return false;
      TLTString url, title;
      if (const std::optional<std::string> moz = data.Get(kMimeMozURL)) {
        const TLTString both = TransferText(*moz);
        const size_t nl = both.find(u'\n');
        url = both.substr(0, nl);
        if (nl != TLTString::npos) title = both.substr(nl + 1, both.find(u'\n', nl + 1) - nl - 1);
      } else if (const std::optional<std::string> list = data.Get(kMimeURIList)) {
        const std::vector<std::string_view> lines = URIListLines(*list);
        // Files are the files inserter's.
        if (lines.empty() || lines[0].rfind("file:", 0) == 0) return false;
        url = Utf8ToUtf16(lines[0]);
      }
      std::erase(url, u'\r');
      std::erase(title, u'\r');
      if (url.empty() || url.size() > kMaxAddress || !CanChange()) return false;
      title.resize(std::min(title.size(), kMaxAddress));
      TLTString text = title.empty() ? url : title;
      int32_t style = CurrentTextStyle();
      TLTTag tag;
      if (OnReadHyperlink) OnReadHyperlink(RootEditor(), url, text, style, tag);
      if (tag.IsEmpty()) {
        InsertText(url);
        return true;
      }
      if (Style() && style >= 0 && style < Style()->TextStyles().Count()) SetCurrentTextStyle(style);
      return InsertTextWithTag(text, tag);
    }
    case TFlavour::Text: {
      if (!ok.Contains(ltddText) && !ok.Contains(ltddUnicodeText)) return false;
      const std::optional<std::string> text = data.Get(LTMimeText);
      if (!text || text->empty() || !CanChange()) return false;
      InsertText(Utf8ToUtf16(*text));
      return true;
    }
    case TFlavour::Picture: {
      if (!ok.Contains(ltddBitmap) || !CanChange()) return false;
      for (const std::string& mime : data.Types()) {
        if (!IsPictureType(mime)) continue;
        const std::optional<std::string> bytes = data.Get(mime);
        if (!bytes || bytes->size() > kMaxTransferredFile) continue;
        if (auto picture = LoadGraphicFromBytes(*bytes)) return InsertPicture({}, std::move(picture), 0);
      }
      return false;
    }
    case TFlavour::Files: {
      if (!ok.Contains(ltddFiles)) return false;
      const std::optional<std::string> list = data.Get(kMimeURIList);
      if (!list) return false;
      const std::vector<std::string> files = LocalFiles(*list);
      if (files.empty()) return false;
      if (drop && OnDropFiles) {
        TLTDropFileAction action = ltdfNone;
        bool doDefault = true;
        OnDropFiles(RootEditor(), files, action, doDefault);
        if (!doDefault) return action != ltdfNone;
      }
      // Pasted file lists give their pictures only.
      return InsertDroppedFiles(files, !drop);
    }
  }
  return false;
}

bool TCustomLecternEdit::InsertDroppedFiles(const std::vector<std::string>& paths, bool picturesOnly) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->InsertDroppedFiles(paths, picturesOnly);
  if (!CanChange()) return false;
  // Everything is read before anything goes in; what cannot be read is
  // left out.
  struct TPiece {
    std::unique_ptr<TGraphic> Picture;
    const TLTDocumentFormat* Format = nullptr;
    std::string Bytes;
    std::string Folder;
  };
  std::vector<TPiece> pieces;
  for (const std::string& path : paths) {
    TPiece piece;
    if (!ReadTransferredFile(path, piece.Bytes)) continue;
    piece.Picture = LoadGraphicFromBytes(piece.Bytes);
    if (!piece.Picture && !picturesOnly) {
      const std::string ext = LowerExtension(path);
      if (ext != ".rtf" && ext != ".ltf" && ext != ".txt") continue;
      piece.Format = FindFormatForFile(path);
      if (!piece.Format || !piece.Format->Read) continue;
      piece.Folder = std::filesystem::path(path).parent_path().string() + "/";
    }
    if (piece.Picture) piece.Bytes = {};  // the picture holds what it needs
    if (piece.Picture || piece.Format) pieces.push_back(std::move(piece));
  }
  if (pieces.empty()) return false;
  bool any = false;
  {
    TActionScope action(*this, ltukInsertion);
    for (TPiece& p : pieces)
      any |= p.Picture ? InsertPicture({}, std::move(p.Picture), 0)
                       : InsertFormatAtCaret(*p.Format, p.Bytes, nullptr, nullptr, p.Folder);
  }
  return any;
}

bool TCustomLecternEdit::InsertTransfer(const ILTDropData& data, bool drop, std::optional<TFlavour> only) {
  static constexpr TFlavour kPasteOrder[] = {TFlavour::LTF, TFlavour::RTF, TFlavour::Text, TFlavour::Files,
                                             TFlavour::Picture};
  static constexpr TFlavour kDropOrder[] = {TFlavour::LTF,  TFlavour::RTF,     TFlavour::URL,
                                            TFlavour::Text, TFlavour::Picture, TFlavour::Files};
  if (only) return InsertFlavour(*only, data, drop);
  for (const TFlavour f : drop ? std::span<const TFlavour>(kDropOrder) : std::span<const TFlavour>(kPasteOrder))
    if (InsertFlavour(f, data, drop)) return true;
  return false;
}

// ---- Paste ----------------------------------------------------------------------------------------

bool TCustomLecternEdit::CanPaste() {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->CanPaste();
  return !PasteChoices().empty();
}

std::vector<TLTPasteChoice> TCustomLecternEdit::PasteChoices() {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->PasteChoices();
  const TLTClipboardData clip = Window().Clipboard();
  std::vector<TLTPasteChoice> choices;
  auto add = [&](std::string_view mime, const char* caption) {
    if (clip.Has(mime)) choices.push_back({std::string(mime), caption});
  };
  add(LTMimeLTF, "Document fragment (LTF)");
  if (RTFReader()) {
    if (clip.Has(LTMimeRTF))
      add(LTMimeRTF, "Formatted text (RTF)");
    else
      add(LTMimeRTFAlt, "Formatted text (RTF)");
  }
  add(LTMimeText, "Unformatted text");
  if (const std::string* list = clip.Find(kMimeURIList); list && !LocalFiles(*list).empty())
    add(kMimeURIList, "Pictures of the copied files");
  for (const auto& [mime, bytes] : clip.Formats)
    if (IsPictureType(mime)) choices.push_back({mime, "Picture (" + mime.substr(6) + ")"});
  return choices;
}

bool TCustomLecternEdit::PasteCommand() {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->PasteCommand();
  bool doDefault = true;
  if (OnPaste) OnPaste(RootEditor(), doDefault);
  if (!doDefault) return true;
  const TLTClipboardData clip = Window().Clipboard();
  if (InsertTransfer(TLTClipboardDropData(clip), false)) return true;
  Refuse();
  return false;
}

bool TCustomLecternEdit::PasteFormat(std::string_view mime) {
  TEventScope scope(*this);
  if (TCustomLecternEdit* n = ActiveNested()) return n->PasteFormat(mime);
  const TLTClipboardData clip = Window().Clipboard();
  const TLTClipboardDropData all(clip);
  const TOneFlavour one(all, std::string(mime));
  std::optional<TFlavour> flavour;
  if (mime == LTMimeLTF)
    flavour = TFlavour::LTF;
  else if (mime == LTMimeRTF || mime == LTMimeRTFAlt)
    flavour = TFlavour::RTF;
  else if (mime == LTMimeText)
    flavour = TFlavour::Text;
  else if (mime == kMimeURIList)
    flavour = TFlavour::Files;
  else if (IsPictureType(mime))
    flavour = TFlavour::Picture;
  // Rich text keeps the source address beside it for its links.
  if (flavour && clip.Has(mime) &&
      InsertTransfer(*flavour == TFlavour::RTF ? static_cast<const ILTDropData&>(all) : one, false, flavour))
    return true;
  Refuse();
  return false;
}

// ---- Dragging the selection out ----------------------------------------------------------------------

TLTDropEffects TCustomLecternEdit::DragEffects() const {
  auto& self = const_cast<TCustomLecternEdit&>(*this);
  if (readOnly_ || !Style() || !self.CanDeleteSelection()) return {ltdeCopy};
  return {ltdeCopy, ltdeMove};
}

void TCustomLecternEdit::DragFinished(TLTDropEffects effect) {
  const bool moved = movedBySelfDrop_;
  movedBySelfDrop_ = false;
  // Moved into another program: the text leaves this document. A move
  // inside this editor has done its deletion already.
  if (effect.Contains(ltdeMove) && !moved && HasSelection()) {
    TEventScope scope(*this);
    DeleteSelection();
  }
}

TLTClipboardData TCustomLecternEdit::ReadOwnDrag(const ILTDropData& data) {
  // The flavours a drop of this editor's own selection may use; the rest
  // (pictures, pages) would only cost the rendering.
  TLTClipboardData own;
  for (const std::string_view mime : {LTMimeLTF, LTMimeRTF, LTMimeText})
    if (std::optional<std::string> bytes = data.Get(mime)) own.Set(mime, std::move(*bytes));
  return own;
}

TCustomLecternEdit* TCustomLecternEdit::DragSourceEditor() {
  for (TCustomLecternEdit* e = &RootEditor(); e; e = e->NestedEditor())
    if (e->IsDraggingSelf()) return e;
  return nullptr;
}

// ---- Dropping in ------------------------------------------------------------------------------------------

bool TCustomLecternEdit::AcceptsDropData(const ILTDropData& data) const {
  const TLTDragDropFormats ok = AcceptDragDropFormats;
  for (const std::string& mime : data.Types()) {
    if ((mime == LTMimeLTF && ok.Contains(ltddLTF)) ||
        ((mime == LTMimeRTF || mime == LTMimeRTFAlt) && ok.Contains(ltddRTF) && RTFReader()) ||
        (mime == LTMimeText && (ok.Contains(ltddText) || ok.Contains(ltddUnicodeText))) ||
        (IsPictureType(mime) && ok.Contains(ltddBitmap)) || (mime == kMimeMozURL && ok.Contains(ltddURL)) ||
        (mime == kMimeURIList && (ok.Contains(ltddFiles) || ok.Contains(ltddURL))))
      return true;
  }
  return false;
}

TLTDropEffects TCustomLecternEdit::DropEffectFor(TLTDropEffects allowed, TLTShiftState shift) const {
  const bool self = const_cast<TCustomLecternEdit&>(*this).DragSourceEditor() == this;
  if (self && allowed.Contains(ltdeMove) && !shift.Contains(ssCtrl)) return {ltdeMove};
  if (allowed.Contains(ltdeCopy)) return {ltdeCopy};
  if (allowed.Contains(ltdeLink)) return {ltdeLink};
  // A source that only moves: this editor takes a copy, the source deletes.
  if (allowed.Contains(ltdeMove)) return {ltdeMove};
  return {};
}

TLTDropEffects TCustomLecternEdit::DragEnter(const ILTDropData& data, TLTDropEffects allowed, TLTShiftState shift,
                                             int x, int y) {
  TEventScope scope(*this);
  EndDropTracking();
  drop_.Tracking = true;
  drop_.Accepted = Style() && !readOnly_ && AcceptsDropData(data);
  if (!drop_.Accepted) return {};
  TLTDropEffects effect = DragOver(allowed, shift, x, y);
  if (OnOleDragOver) OnOleDragOver(RootEditor(), &data, shift, x, y, allowed, effect);
  return effect;
}

TLTDropEffects TCustomLecternEdit::DragOver(TLTDropEffects allowed, TLTShiftState shift, int x, int y) {
  TEventScope scope(*this);
  if (!drop_.Tracking || !drop_.Accepted) return {};
  TrackDrop(x, y);
  TCustomLecternEdit& at = drop_.Inner ? *drop_.Inner : *this;
  if (at.drop_.Rect.IsEmpty()) return {};
  TLTDropEffects effect = at.DropEffectFor(allowed, shift);
  if (OnOleDragOver) OnOleDragOver(RootEditor(), nullptr, shift, x, y, allowed, effect);
  return effect;
}

void TCustomLecternEdit::DragLeave() {
  TEventScope scope(*this);
  EndDropTracking();
  if (OnOleDragLeave) OnOleDragLeave(RootEditor());
}

void TCustomLecternEdit::TrackDrop(int x, int y) {
  // The view scrolls while the pointer stays near its top or bottom edge.
  const int height = Window().ClientSize().Height;
  const int step = y < kDropScrollMargin ? -1 : (y > height - kDropScrollMargin ? 1 : 0);
  if (step != drop_.ScrollStep) {
    if (step != 0)
      Window().StartTimer(LTDropScrollTimer, LTAutoScrollInterval);
    else
      Window().StopTimer(LTDropScrollTimer);
  }
  drop_.ScrollStep = step;
  drop_.LastPoint = {x, y};
  // An open cell editor under the pointer has the drop caret.
  TCustomLecternEdit* inner = nullptr;
  if (TCustomLecternEdit* n = ActiveNested(); n && nested_->NestedBounds().Contains(x, y)) inner = n;
  if (drop_.Inner && drop_.Inner != inner && drop_.Inner == ActiveNested()) drop_.Inner->EndDropTracking();
  drop_.Inner = inner;
  if (inner) {
    if (!drop_.Rect.IsEmpty()) Window().Invalidate(drop_.Rect.Inflated(1));
    drop_.Rect = {};
    const TLTRectI b = nested_->NestedBounds();
    inner->drop_.Tracking = inner->drop_.Accepted = true;
    inner->TrackDrop(x - b.Left, y - b.Top);
    // Only the outer window scrolls.
    inner->Window().StopTimer(LTDropScrollTimer);
    inner->drop_.ScrollStep = 0;
    return;
  }
  TLTRectI rect;
  const THit hit = HitAt(x, y);
  TCustomLTFormattedData& c = *hit.Data;
  int d, o, itemNo = -1, offs = 0;
  if (c.HitTest(hit.At.X, hit.At.Y, false, d, o) && c.DrawItemToItem(d, o, itemNo, offs) &&
      (&c != &LTData() || !ParaReadOnly(itemNo))) {
    const TLTDrawLineInfo& piece = c.DrawItems[d];
    const TLTPointI zero = ToContainer(c, 0, 0);
    const int cx = c.CaretX(d, o) - zero.X;
    rect = {cx, piece.Top - zero.Y, cx + kDropCaretWidth, piece.Top + piece.Height - zero.Y};
  }
  if (rect == drop_.Rect) return;
  if (!drop_.Rect.IsEmpty()) Window().Invalidate(drop_.Rect.Inflated(1));
  drop_.Rect = rect;
  drop_.ItemNo = itemNo;
  drop_.Offs = offs;
  if (!rect.IsEmpty()) Window().Invalidate(rect.Inflated(1));
}

void TCustomLecternEdit::EndDropTracking() {
  // A cell editor that has gone since took its drop caret with it.
  if (drop_.Inner && drop_.Inner == ActiveNested()) drop_.Inner->EndDropTracking();
  if (drop_.ScrollStep != 0) Window().StopTimer(LTDropScrollTimer);
  if (!drop_.Rect.IsEmpty()) Window().Invalidate(drop_.Rect.Inflated(1));
  drop_ = {};
}

void TCustomLecternEdit::DropScrollStep() {
  if (drop_.ScrollStep == 0) {
    Window().StopTimer(LTDropScrollTimer);
    return;
  }
  ScrollBarCommand(TLTScrollBarKind::Vertical, drop_.ScrollStep < 0 ? TLTScrollCode::LineUp : TLTScrollCode::LineDown,
                   0);
  // The drop caret's pixels moved with the view: it is drawn afresh, where
  // what scrolled under the pointer takes it.
  Window().InvalidateAll();
  const TLTPointI p = drop_.LastPoint;
  drop_.Rect = {};
  TrackDrop(p.X, p.Y);
}

TLTRectI TCustomLecternEdit::DropCaretRect() const {
  if (drop_.Inner && drop_.Inner == ActiveNested()) {
    const TLTRectI b = nested_->NestedBounds();
    return drop_.Inner->DropCaretRect().Moved(b.Left, b.Top);
  }
  return drop_.Rect;
}

void TCustomLecternEdit::PaintDropCaret(TLTCanvas& canvas, TLTPointI offset) const {
  if (drop_.Rect.IsEmpty()) return;
  TLTCanvasSaver keep(canvas);
  canvas.SetBrush({clCaret, bsSolid});
  canvas.FillRect(drop_.Rect.Moved(offset.X, offset.Y));
}

TLTDropEffects TCustomLecternEdit::Drop(const ILTDropData& data, TLTDropEffects allowed, TLTShiftState shift, int x,
                                        int y) {
  TEventScope scope(*this);
  const bool accepted = drop_.Tracking && drop_.Accepted;
  EndDropTracking();
  if (!accepted) return {};
  return DropAt(data, allowed, shift, x, y);
}

TLTDropEffects TCustomLecternEdit::DropAt(const ILTDropData& data, TLTDropEffects allowed, TLTShiftState shift, int x,
                                          int y) {
  if (TCustomLecternEdit* n = ActiveNested(); n && nested_->NestedBounds().Contains(x, y)) {
    const TLTRectI b = nested_->NestedBounds();
    return n->DropAt(data, allowed, shift, x - b.Left, y - b.Top);
  }
  const THit hit = HitAt(x, y);
  if (hit.Data == &LTData()) return DropHere(data, allowed, shift, x, y);
  // Over a cell not being edited: its editor opens at the point. A drag
  // of this control's own selection is read first, because opening the
  // cell replaces the selection it renders, and it is copied there.
  const bool self = DragSourceEditor() != nullptr;
  const TLTClipboardData own = self ? ReadOwnDrag(data) : TLTClipboardData{};
  if (!RouteMouseDown(TLTMouseButton::Left, {}, x, y, false)) return {};
  MouseUp(TLTMouseButton::Left, {}, x, y);
  TCustomLecternEdit* n = ActiveNested();
  if (!n || !nested_->NestedBounds().Contains(x, y)) return {};
  const TLTRectI b = nested_->NestedBounds();
  if (!self) return n->DropAt(data, allowed, shift, x - b.Left, y - b.Top);
  return n->DropAt(TLTClipboardDropData(own), {ltdeCopy}, {}, x - b.Left, y - b.Top);
}

TLTDropEffects TCustomLecternEdit::DropHere(const ILTDropData& data, TLTDropEffects allowed, TLTShiftState shift,
                                            int x, int y) {
  TCustomLTFormattedData& c = LTData();
  const TLTPointI at = ToContainer(c, x, y);
  int d, o, itemNo, offs;
  if (!c.HitTest(at.X, at.Y, false, d, o) || !c.DrawItemToItem(d, o, itemNo, offs)) return {};
  TLTDropEffects effect = DropEffectFor(allowed, shift);
  if (effect.Empty()) return {};
  const bool self = DragSourceEditor() == this;
  const TTextMap map = BuildTextMap();
  const int dropChar = CharPosOf(map, itemNo, offs);
  int selStart = 0, selEnd = 0;
  if (self) {
    int si, so, ei, eo;
    GetSelectionBounds(si, so, ei, eo, true);
    selStart = CharPosOf(map, si, so);
    selEnd = CharPosOf(map, ei, eo);
    // Dropping the selection into itself changes nothing.
    if (dropChar > selStart && dropChar < selEnd) return {};
  }
  // Nothing is deleted before it is sure that the drop may go there.
  if (!CanChange() || ParaReadOnly(itemNo)) {
    Refuse();
    return {};
  }
  bool doDefault = true;
  if (OnOleDrop) {
    OnOleDrop(RootEditor(), data, shift, x, y, allowed, effect, doDefault);
    if (!doDefault) return effect;
  }
  const bool move = self && effect.Contains(ltdeMove) && CanDeleteSelection();
  if (self && !move) effect = {ltdeCopy};
  // The drag renders the selection when asked: read before it is deleted.
  const TLTClipboardData own = self ? ReadOwnDrag(data) : TLTClipboardData{};
  const TLTClipboardDropData ownData(own);
  const ILTDropData& dropped = self ? static_cast<const ILTDropData&>(ownData) : data;
  if (!BeforeChange()) return {};
  SetChangeApproved(true);
  bool inserted = false;
  int startChar = dropChar;
  {
    TActionScope action(*this, ltukInsertion);
    const TLTUndoInfos* group = EditData().UndoList().Last();
    const size_t mark = group ? group->Records.size() : 0;
    if (move) {
      const int fromEnd = static_cast<int>(map.Text.size()) - dropChar;
      DeleteSelectionNow();
      const TTextMap after = BuildTextMap();
      if (dropChar >= selEnd) startChar = static_cast<int>(after.Text.size()) - fromEnd;
      ItemPosOf(after, startChar, itemNo, offs);
      // The whole document was moved: its one empty line takes it back.
      if (itemNo < 0) {
        EnsureNotEmpty();
        itemNo = 0;
        offs = LTData().GetOffsBeforeItem(0);
      }
    }
    SetCaretAt(itemNo, offs, false);
    inserted = InsertTransfer(dropped, true);
    // Nothing went in: the moved text comes back.
    if (!inserted) RollBackGroup(mark);
  }
  SetChangeApproved(false);
  if (!inserted) {
    Refuse();
    return {};
  }
  // The dropped content is selected.
  const int endChar = CharPosOf(BuildTextMap(), CurrentItemNo(), CurrentItemOffset());
  SetSelectionCharPositions(startChar, endChar - startChar);
  if (move) movedBySelfDrop_ = true;
  return effect;
}

}  // namespace lectern
