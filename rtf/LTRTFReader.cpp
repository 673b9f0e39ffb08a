// The RTF reader's main loop: tokens into group states, characters into
// destinations, pending text into events.
//
// Design notes
// - Text is gathered in two pending buffers, 8-bit and UTF-16; at most one
//   is non-empty. A flush raises one event with the position the run
//   starts at (the kind of break before it), so the owner sees paragraphs
//   and lines without seeing the control words that made them.
// - A paragraph or line break with nothing since the previous break still
//   raises an empty run: an empty paragraph is content.
// - Table levels follow the paragraph that holds the text: before anything
//   is reported, tables are opened or closed until the open level is the
//   paragraph's (\itap with \intbl). A refused end keeps its level open.
// - Every number is held within the limits of LTRTFReader.h where it is
//   read, so nothing later needs to distrust it.

#include "rtf/LTRTFReader.h"

#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "rtf/LTRTFKeywords.h"
#include "rtf/LTRTFTokenizer.h"

#include <cstring>

namespace lectern {

namespace {

constexpr size_t kProgressStep = 4096;
constexpr int64_t kProgressThreshold = 20480;

}  // namespace

const char* RTFResultText(TLTRTFResult result) {
  switch (result) {
    case rtfOK: return "read";
    case rtfStackUnderflow: return "a group closes that was never opened";
    case rtfStackOverflow: return "groups are nested too deeply";
    case rtfUnmatchedBrace: return "the data ends with groups open";
    case rtfInvalidHex: return "a hexadecimal byte is malformed";
    case rtfBadTable: return "a keyword could not be interpreted";
    case rtfAssertion: return "the reader reached an impossible state";
    case rtfEndOfFile: return "the data ends inside a control word";
    case rtfException: return "reading failed unexpectedly";
    case rtfInvalidPicture: return "a picture or object is malformed";
    case rtfEventException: return "a picture, object or sequence could not be inserted";
  }
  return "unknown result";
}

int32_t TLTRTFCharProperties::SizePoints() const {
  const int32_t pt = (SizeHalfPoints + 1) / 2;
  return pt < 1 ? 1 : pt;
}

bool TLTRTFParaProperties::HasBorders() const {
  for (const TLTRTFBorderSide& b : Borders)
    if (b.Present) return true;
  return false;
}

TColor TLTRTFParaProperties::BackgroundColor() const {
  if (ShadingColor == clNone && PatternColor == clNone) return clNone;
  if (Shading <= 0 || PatternColor == clNone) return ShadingColor;
  // The pattern colour covers Shading/10000 of the area.
  const TColor back = ShadingColor == clNone ? MakeColor(0xFFFFFF) : ShadingColor;
  const int s = std::min<int32_t>(Shading, 10000);
  auto mix = [&](int shift) {
    const int a = (back >> shift) & 0xFF, b = (PatternColor >> shift) & 0xFF;
    return (a * (10000 - s) + b * s + 5000) / 10000;
  };
  return RGBColor(mix(0), mix(8), mix(16));
}

TLTRTFReader::TLTRTFReader() = default;
TLTRTFReader::~TLTRTFReader() = default;

const TLTRTFCharProperties& TLTRTFReader::CharProps() const { return Top().Char; }
const TLTRTFParaProperties& TLTRTFReader::ParaProps() const { return Top().Para; }
const TLTRTFSectionProperties& TLTRTFReader::SectionProps() const { return Top().Sect; }

const TLTRTFRowProperties& TLTRTFReader::RowProps(int level) const {
  static const TLTRTFRowProperties kNone;
  if (level < 1 || level > static_cast<int>(rows_.size())) return kNone;
  return rows_[static_cast<size_t>(level - 1)];
}

const TLTRTFFont* TLTRTFReader::CurrentFont() const {
  const int32_t i = Top().Char.FontIndex;
  return i >= 0 && i < static_cast<int32_t>(fonts_.size()) ? &fonts_[static_cast<size_t>(i)] : nullptr;
}

TLTCodePage TLTRTFReader::CurrentCodePage() const {
  if (const TLTRTFFont* f = CurrentFont()) {
    if (f->Charset == 254 || f->Charset == 0) return 1252;
    const TLTCodePage cp = CharsetToCodePage(f->Charset);
    if (cp != CP_ACP) return cp;
  }
  return docCodePage_ != CP_ACP ? docCodePage_ : SystemCodePage();
}

const TLTString& TLTRTFReader::FieldInstruction() const {
  static const TLTString kNone;
  const int32_t i = Top().FieldIndex;
  return i >= 0 && i < static_cast<int32_t>(fields_.size()) ? fields_[static_cast<size_t>(i)].Instruction : kNone;
}

bool TLTRTFReader::InHyperlink() const {
  const int32_t i = Top().FieldIndex;
  return i >= 0 && i < static_cast<int32_t>(fields_.size()) && fields_[static_cast<size_t>(i)].Hyperlink;
}

// ---- Code pages -------------------------------------------------------------------------------

const TLTRTFReader::TCodePageTable& TLTRTFReader::CodePageTable(TLTCodePage cp) {
  for (const auto& t : codePages_)
    if (t->CodePage == cp) return *t;
  auto t = std::make_unique<TCodePageTable>();
  t->CodePage = cp;
  // Code pages whose characters may take two bytes go through the
  // platform's conversion run by run; the others by a table.
  t->SingleByte = !(cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361 || cp == CP_UTF8 ||
                    (cp >= 50000 && cp < 60000));
  if (t->SingleByte) {
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      const std::u16string w = AnsiToUnicode(std::string_view(&c, 1), cp);
      t->Map[b] = w.size() == 1 ? w[0] : u'?';
    }
  }
  codePages_.push_back(std::move(t));
  return *codePages_.back();
}

void TLTRTFReader::ConvertText(std::string_view bytes, TLTCodePage cp, std::u16string& out) {
  const TCodePageTable& t = CodePageTable(cp);
  if (!t.SingleByte) {
    out += AnsiToUnicode(bytes, cp);
    return;
  }
  const size_t base = out.size();
  out.resize(base + bytes.size());
  char16_t* dst = out.data() + base;
  for (size_t i = 0; i < bytes.size(); ++i) dst[i] = t.Map[static_cast<unsigned char>(bytes[i])];
}

// ---- Reading ----------------------------------------------------------------------------------

TLTRTFResult TLTRTFReader::ReadFromStream(TLTStream& stream) {
  std::string bytes;
  try {
    bytes = stream.ReadRest();
  } catch (...) {
    return rtfException;
  }
  return ReadFromBytes(bytes);
}

TLTRTFResult TLTRTFReader::ReadFromBytes(std::string_view bytes) {
  TLTRTFResult r = rtfOK;
  try {
    r = Run(bytes);
  } catch (...) {
    r = error_ != rtfOK ? error_ : rtfException;
  }
  tok_ = nullptr;
  return r;
}

void TLTRTFReader::Reset() {
  stack_.clear();
  stack_.emplace_back();
  doc_ = {};
  rows_.clear();
  cell_ = {};
  fonts_.clear();
  fontByNumber_.clear();
  colors_.clear();
  color_ = clWindowText;
  styles_.clear();
  lists_.clear();
  overrides_.clear();
  fields_.clear();
  notes_.clear();
  docCodePage_ = DefCodePage;
  defaultFontNumber_ = -1;
  defaultLanguage_ = 0;
  ucValue_ = 1;
  tableLevel_ = 0;
  skip_ = 0;
  starFlag_ = headerSeen_ = footerSeen_ = shpPictAccepted_ = sinceBreak_ = cellContent_ = false;
  borderTarget_ = TBorderTarget::None;
  nextPosition_ = rtf_ts_NewPara;
  pending8_.clear();
  pending16_.clear();
  collect8_.clear();
  collect16_.clear();
  picture_.reset();
  pictureEnded_ = false;
  pictureNibble_ = -1;
  error_ = rtfOK;
}

TLTRTFResult TLTRTFReader::Run(std::string_view bytes) {
  Reset();
  TLTRTFTokenizer tok(bytes);
  tok_ = &tok;
  const bool progress = OnProgress && static_cast<int64_t>(bytes.size()) > kProgressThreshold;
  size_t nextReport = kProgressStep;
  if (progress) OnProgress(ltprtfprStarting, 0);
  bool ended = false;
  while (!ended && !Failed()) {
    const TLTRTFToken t = tok.Next();
    switch (t.Kind) {
      case TLTRTFTokenKind::End:
        ended = true;
        break;
      case TLTRTFTokenKind::GroupStart:
        PushGroup();
        break;
      case TLTRTFTokenKind::GroupEnd:
        if (Depth() <= 0) {
          Fail(rtfStackUnderflow);
          break;
        }
        ended = !PopGroup();
        break;
      case TLTRTFTokenKind::ControlWord:
        HandleControlWord(t.Name, t.Param, t.HasParam, t.TooLong);
        break;
      case TLTRTFTokenKind::ControlSymbol: {
        const char name[1] = {static_cast<char>(t.Byte)};
        HandleControlWord(std::string_view(name, 1), 0, false, false);
        break;
      }
      case TLTRTFTokenKind::HexByte:
        if (Top().Dest == rdSkip || Top().Dest == rdUpr) break;
        if (skip_ > 0) {
          --skip_;
          break;
        }
        ByteToDest(t.Byte);
        break;
      case TLTRTFTokenKind::BadHex:
        if (Top().Dest != rdSkip && Top().Dest != rdUpr) Fail(rtfInvalidHex);
        break;
      case TLTRTFTokenKind::Text: {
        std::string_view text = t.Name;
        if (skip_ > 0) {
          const size_t n = std::min(text.size(), static_cast<size_t>(skip_));
          skip_ -= static_cast<int>(n);
          text.remove_prefix(n);
        }
        if (!text.empty()) TextToDest(text);
        break;
      }
      case TLTRTFTokenKind::EndInControl:
        Fail(rtfEndOfFile);
        break;
    }
    if (progress && tok.Position() >= nextReport) {
      nextReport = tok.Position() + kProgressStep;
      OnProgress(ltprtfprRunning, static_cast<int>(static_cast<int64_t>(tok.Position()) * 100 /
                                                   static_cast<int64_t>(bytes.size())));
    }
  }
  // Finishing: what was read stays reported, whatever ended the read.
  const TLTRTFResult failure = error_;
  error_ = rtfOK;
  FlushText(rtf_ts_ContinuePara);
  CloseTables(0, true);
  colors_.clear();
  if (progress) OnProgress(ltprtfprEnding, 100);
  if (failure != rtfOK) return failure;
  if (error_ != rtfOK) return error_;
  if (Depth() > 0) return rtfUnmatchedBrace;
  return rtfOK;
}

// ---- Groups ------------------------------------------------------------------------------------

void TLTRTFReader::PushGroup() {
  skip_ = 0;
  if (Depth() + 1 >= LTRTFMaxGroupDepth) {
    Fail(rtfStackOverflow);
    return;
  }
  stack_.push_back(stack_.back());
  TLTRTFReaderState& s = stack_.back();
  if (s.Dest == rdStyleSheet) {
    s.Dest = rdStyleEntry;
    styleEntry_ = {};
    collect8_.clear();
    collect16_.clear();
  }
}

bool TLTRTFReader::PopGroup() {
  skip_ = 0;
  if (!pending8_.empty() || !pending16_.empty()) {
    // Text read in the group keeps the group's properties and field.
    const TLTRTFReaderState& inner = stack_.back();
    const TLTRTFReaderState& outer = stack_[stack_.size() - 2];
    if (inner.Dest != outer.Dest || inner.FieldIndex != outer.FieldIndex || inner.InNote != outer.InNote ||
        !(inner.Char == outer.Char))
      FlushText(rtf_ts_ContinuePara);
  }
  TLTRTFReaderState closed = std::move(stack_.back());
  stack_.pop_back();
  EndGroup(closed);
  if (Depth() == 0) {
    FlushText(rtf_ts_ContinuePara);
    if (OnEndParsing) OnEndParsing();
    return false;
  }
  return true;
}

// ---- Control words --------------------------------------------------------------------------

void TLTRTFReader::HandleControlWord(std::string_view name, int32_t param, bool hasParam, bool tooLong) {
  if (OnTranslateKeyword) {
    std::string text;
    bool doDefault = true;
    OnTranslateKeyword(name, param, hasParam, text, doDefault);
    if (!text.empty() && Top().Dest != rdSkip) TextToDest(text);
    if (!doDefault) {
      starFlag_ = false;
      return;
    }
  }
  const TLTRTFKeyword* kw = tooLong ? nullptr : FindRTFKeyword(name);
  if (!kw) {
    // An unknown destination after \* is skipped whole; any other
    // unknown word is ignored.
    if (starFlag_) Top().Dest = rdSkip;
    starFlag_ = false;
    return;
  }
  HandleKeyword(*kw, param, hasParam);
  if (kw->Kind != TLTRTFKeywordKind::Special || kw->Action != rsStar) starFlag_ = false;
}

void TLTRTFReader::HandleKeyword(const TLTRTFKeyword& kw, int32_t param, bool hasParam) {
  const uint8_t dest = Top().Dest;
  switch (kw.Kind) {
    case TLTRTFKeywordKind::Char:
      if (dest == rdSkip || dest == rdUpr) return;
      if (skip_ > 0) {
        --skip_;
        return;
      }
      CharToDest(static_cast<uint8_t>(kw.Action));
      return;
    case TLTRTFKeywordKind::UChar:
      if (dest == rdSkip || dest == rdUpr) return;
      if (skip_ > 0) {
        --skip_;
        return;
      }
      UnicodeToDest(static_cast<char16_t>(kw.Default), static_cast<uint8_t>(kw.Action));
      return;
    case TLTRTFKeywordKind::Dest:
      ChangeDest(kw.Action);
      return;
    case TLTRTFKeywordKind::Prop: {
      if (dest == rdSkip || dest == rdUpr) return;
      const int32_t value = kw.PassDefault || !hasParam ? kw.Default : param;
      ApplyProperty(kw, value, hasParam);
      return;
    }
    case TLTRTFKeywordKind::Special:
      switch (kw.Action) {
        case rsBin: {
          // The count is never reserved: the bytes are a view of the input.
          const std::string_view data = tok_->TakeBinary(hasParam ? param : 0);
          if (dest == rdPicture && picture_ && !pictureEnded_) picture_->Data.append(data);
          return;
        }
        case rsStar:
          if (dest != rdSkip && dest != rdUpr) starFlag_ = true;
          return;
        default:
          return;  // \' comes from the tokenizer as a byte
      }
  }
  Fail(rtfBadTable);
}

// ---- Characters into destinations ----------------------------------------------------------

void TLTRTFReader::TextToDest(std::string_view bytes) {
  switch (Top().Dest) {
    case rdDocText:
      if (!pending16_.empty()) FlushText(rtf_ts_ContinuePara);
      if (TabsAsSeparateRuns && bytes.find('\t') != std::string_view::npos) {
        for (char c : bytes) ByteToDest(static_cast<uint8_t>(c));
        return;
      }
      pending8_.append(bytes);
      return;
    case rdPicture:
      PictureHex(bytes);
      return;
    case rdFontTable:
    case rdColorTable:
    case rdStyleEntry:
      for (char c : bytes) ByteToDest(static_cast<uint8_t>(c));
      return;
    case rdBookmark:
    case rdFieldInst:
    case rdListName:
    case rdLevelText:
    case rdLevelNumbers:
    case rdPnTextAfter:
    case rdPnTextBefore:
      Collect(bytes);
      return;
    default:
      return;
  }
}

void TLTRTFReader::ByteToDest(uint8_t b) {
  TLTRTFReaderState& s = Top();
  switch (s.Dest) {
    case rdDocText:
      if (b == '\t' && TabsAsSeparateRuns) {
        FlushText(rtf_ts_ContinuePara);
        pending8_.push_back('\t');
        FlushText(rtf_ts_ContinuePara);
        return;
      }
      if (!pending16_.empty()) FlushText(rtf_ts_ContinuePara);
      pending8_.push_back(static_cast<char>(b));
      return;
    case rdFontTable:
      if (b == ';') {
        if (!fonts_.empty()) {
          TLTRTFFont& f = fonts_.back();
          if (f.Name.empty()) {
            // The name is in the font's own code page.
            const TLTCodePage cp =
                f.Charset == 0 || f.Charset == 254 ? 1252
                : CharsetToCodePage(f.Charset) != CP_ACP ? CharsetToCodePage(f.Charset)
                : docCodePage_ != CP_ACP ? docCodePage_
                                         : SystemCodePage();
            if (!collect8_.empty()) ConvertText(collect8_, cp, collect16_);
            f.Name = std::move(collect16_);
          }
        }
        collect8_.clear();
        collect16_.clear();
        return;
      }
      if (!fonts_.empty() && collect8_.size() + collect16_.size() < 256) {
        collect8_.push_back(static_cast<char>(b));
      }
      return;
    case rdColorTable:
      if (b == ';' && colors_.size() < static_cast<size_t>(LTRTFMaxTableEntries)) {
        colors_.push_back(color_);
        color_ = clWindowText;
      }
      return;
    case rdStyleEntry:
      if (b == ';') {
        styleEntry_.Name = TakeCollected();
        return;
      }
      Collect(std::string_view(reinterpret_cast<const char*>(&b), 1));
      return;
    default: {
      // Pictures and the destinations that collect text take a byte as
      // they take a run.
      const char c = static_cast<char>(b);
      TextToDest(std::string_view(&c, 1));
      return;
    }
  }
}

void TLTRTFReader::CharToDest(uint8_t c) {
  if (Top().Dest == rdDocText) {
    if (c == 10) {
      ParagraphBreak(rtf_ts_NewPara);
      return;
    }
    if (c == 13) {
      ParagraphBreak(rtf_ts_NewLine);
      return;
    }
  } else if (c == 10 || c == 13) {
    return;
  }
  ByteToDest(c);
}

void TLTRTFReader::UnicodeToDest(char16_t c, uint8_t replacement) {
  const uint8_t dest = Top().Dest;
  if (dest == rdDocText && OnNewUnicodeText) {
    if (!pending8_.empty()) FlushText(rtf_ts_ContinuePara);
    pending16_.push_back(c);
    return;
  }
  if (dest == rdFontTable || dest == rdBookmark || dest == rdFieldInst || dest == rdListName ||
      dest == rdLevelText || dest == rdPnTextAfter || dest == rdPnTextBefore || dest == rdStyleEntry) {
    CollectW(c);
    return;
  }
  ByteToDest(replacement);
}

void TLTRTFReader::UnicodeKeyword(int32_t param) {
  const auto code = static_cast<char16_t>(static_cast<uint32_t>(param) & 0xFFFF);
  TLTRTFReaderState& s = Top();
  const uint8_t dest = s.Dest;
  if (dest == rdDocText && OnNewUnicodeText) {
    if (!pending8_.empty()) FlushText(rtf_ts_ContinuePara);
    pending16_.push_back(code);
    skip_ = ucValue_;
    return;
  }
  if (dest == rdFontTable || dest == rdBookmark || dest == rdFieldInst || dest == rdLevelText ||
      dest == rdListName || dest == rdStyleEntry) {
    if (dest == rdFontTable && fonts_.empty()) return;
    CollectW(code);
    skip_ = ucValue_;
    return;
  }
  if ((dest == rdPnTextAfter || dest == rdPnTextBefore) && code >= 0xF000 && code <= 0xF0FF) {
    const int32_t fi = s.Para.Marker.FontIndex;
    if (fi >= 0 && fi < static_cast<int32_t>(fonts_.size()) &&
        SameTextFold(fonts_[static_cast<size_t>(fi)].Name, u"Symbol")) {
      ByteToDest(static_cast<uint8_t>(code & 0xFF));
      skip_ = ucValue_;
      return;
    }
  }
  if (ucValue_ > 0) {
    const std::string bytes = UnicodeToAnsi(std::u16string_view(&code, 1), CurrentCodePage());
    for (char b : bytes) ByteToDest(static_cast<uint8_t>(b));
    skip_ = ucValue_;
  }
}

void TLTRTFReader::Collect(std::string_view bytes) {
  if (collect8_.size() + collect16_.size() + bytes.size() > LTRTFMaxNameLength) return;
  collect8_.append(bytes);
}

void TLTRTFReader::CollectW(char16_t c) {
  if (collect8_.size() + collect16_.size() >= LTRTFMaxNameLength) return;
  if (!collect8_.empty()) {
    ConvertText(collect8_, CurrentCodePage(), collect16_);
    collect8_.clear();
  }
  collect16_.push_back(c);
}

TLTString TLTRTFReader::TakeCollected() {
  if (!collect8_.empty()) {
    ConvertText(collect8_, CurrentCodePage(), collect16_);
    collect8_.clear();
  }
  TLTString out = std::move(collect16_);
  collect16_.clear();
  return out;
}

// ---- Text events ------------------------------------------------------------------------------

TLTRTFPosition TLTRTFReader::TakePosition() {
  SyncTables();
  const TLTRTFPosition p = nextPosition_;
  nextPosition_ = rtf_ts_ContinuePara;
  sinceBreak_ = true;
  cellContent_ = true;
  return p;
}

void TLTRTFReader::FlushText(TLTRTFPosition end) {
  if (!pending8_.empty()) {
    const TLTRTFPosition p = TakePosition();
    std::string text = std::move(pending8_);
    pending8_.clear();
    if (OnNewText) OnNewText(text, p);
    pending8_ = std::move(text);
    pending8_.clear();
  } else if (!pending16_.empty()) {
    const TLTRTFPosition p = TakePosition();
    std::u16string text = std::move(pending16_);
    pending16_.clear();
    if (OnNewUnicodeText) OnNewUnicodeText(text, p);
    pending16_ = std::move(text);
    pending16_.clear();
  } else if (end != rtf_ts_ContinuePara && !sinceBreak_) {
    // An empty paragraph or line is still one.
    const TLTRTFPosition p = TakePosition();
    if (OnNewUnicodeText)
      OnNewUnicodeText(std::u16string_view(), p);
    else if (OnNewText)
      OnNewText(std::string_view(), p);
  }
  if (end != rtf_ts_ContinuePara) {
    nextPosition_ = end;
    sinceBreak_ = false;
  }
}

void TLTRTFReader::ParagraphBreak(TLTRTFPosition kind) {
  FlushText(kind);
  if (kind == rtf_ts_NewPara && OnUpdateMarker) OnUpdateMarker();
}

void TLTRTFReader::TableEvent(TLTRTFTableEventKind what) {
  if (OnTable) OnTable(what);
}

void TLTRTFReader::SyncTables() {
  if (!OnTable) return;
  const int want = std::clamp(Top().Para.TableLevel(), 0, LTRTFMaxTableNesting);
  while (tableLevel_ < want) {
    ++tableLevel_;
    if (rows_.size() < static_cast<size_t>(tableLevel_)) rows_.resize(static_cast<size_t>(tableLevel_));
    OnTable(ltf_tbl_TableStart);
  }
  if (tableLevel_ > want) CloseTables(want, false);
}

void TLTRTFReader::CloseTables(int downTo, bool forced) {
  if (!OnTable) {
    tableLevel_ = std::min(tableLevel_, downTo);
    return;
  }
  while (tableLevel_ > downTo) {
    if (!OnTable(forced ? ltf_tbl_TableForcedEnd : ltf_tbl_TableEnd) && !forced) break;
    --tableLevel_;
  }
}

}  // namespace lectern
