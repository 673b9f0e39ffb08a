// RTF output, the body: paragraphs with their properties, text runs with
// their character properties, bookmarks and hyperlink fields, and the
// items that write themselves.

#include "model/LTRTFWriter.h"

#include "model/CLTData.h"
#include "model/LTMarker.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>

namespace lectern {

namespace {

constexpr std::string_view kUnderlineWords[] = {
    "\\ul",     "\\ulth",     "\\uldb",      "\\uld",       "\\ulthd",      "\\uldash",     "\\ulthdash",
    "\\ulldash", "\\ulthldash", "\\uldashd", "\\ulthdashd", "\\uldashdd", "\\ulthdashdd"};

/// A bookmark name: letters and digits kept, everything else "_".
std::u16string BookmarkName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 0xC0)) c = u'_';
  return out;
}

/// Tables hold their cells' documents; rules hold none.
bool HoldsDocuments(TCustomLTItemInfo& item) {
  std::unique_ptr<TLTSubDocCursor> cursor;
  return item.GetSubDocument(cursor, ltsdFirst) != nullptr;
}

bool IsDoubleByteCodePage(uint32_t cp) { return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361; }

}  // namespace

struct TLTRTFWriter::TBodyState {
  int32_t LastPara = -1;
  int32_t LastText = -1;
  int LastMarkerLevel = -1;
  bool FirstPara = true;
  bool ParaHasMarker = false;
  /// The previous item ended its paragraph itself (a table, a rule).
  bool PrevEnded = false;
  /// The previous item was a table.
  bool PrevTable = false;
};

// ---- Paragraph and character properties ------------------------------------------------------

void TLTRTFWriter::PutParaProps(int32_t paraNo, const TLTMarkerItemInfo* marker, bool inStyleSheet) {
  const TParaInfo& p = style_.ParaStyles()[paraNo];
  const double t = twipsPerPixel_;
  switch (p.LineSpacingType) {
    case ltlsPercent:
      if (p.LineSpacing != 100) {
        Put("\\sl", p.LineSpacing * 240 / 100);
        Put("\\slmult1");
      }
      break;
    case ltlsLineHeightAtLeast:
      Put("\\sl", Twips(p.LineSpacing));
      Put("\\slmult0");
      break;
    case ltlsLineHeightExact:
      Put("\\sl", -Twips(p.LineSpacing));
      Put("\\slmult0");
      break;
    case ltlsSpaceBetween: break;
  }
  if (p.Options.Contains(ltpaoKeepLinesTogether)) Put("\\keep");
  if (p.Options.Contains(ltpaoKeepWithNext)) Put("\\keepn");
  int tabsAfter = 0;
  const TLTListLevel* level = marker ? marker->GetLevelInfo(&style_) : nullptr;
  if (level) {
    Put("\\li", RoundHalfEven(level->LeftIndent * t));
    Put("\\fi", RoundHalfEven((level->MarkerIndent - level->LeftIndent) * t));
    Put("\\jclisttab\\tx", RoundHalfEven((level->LeftIndent + level->FirstIndent) * t));
    tabsAfter = level->LeftIndent + level->FirstIndent;
  } else {
    Put("\\fi", Twips(p.FirstIndent));
    Put("\\li", Twips(p.LeftIndent));
  }
  for (int k = 0; k < p.Tabs.Count(); ++k) {
    const TLTTabInfo& tab = p.Tabs[k];
    if (tab.Position() <= tabsAfter) continue;
    if (tab.Align == lttaRight) Put("\\tqr");
    if (tab.Align == lttaCenter) Put("\\tqc");
    if (!tab.Leader.empty()) {
      const char16_t c = tab.Leader[0];
      Put(c == u'-' ? "\\tlhyph" : c == u'=' ? "\\tleq" : c == u'_' ? "\\tlul" : c == 183 ? "\\tlmdot" : "\\tldot");
    }
    Put("\\tx", Twips(tab.Position()));
  }
  static constexpr std::string_view kAlign[] = {"\\ql", "\\qr", "\\qc", "\\qj"};
  Put(kAlign[p.Alignment <= ltaJustify ? p.Alignment : 0]);
  Put("\\ri", Twips(p.RightIndent));
  Put("\\sb", Twips(p.SpaceBefore));
  Put("\\sa", Twips(p.SpaceAfter));
  Put(p.BiDiMode == ltbdRightToLeft ? "\\rtlpar" : "\\ltrpar");
  if (p.Background.Color != clNone) Put("\\cbpat", ColorIndex(p.Background.Color));
  const TLTBorder& b = p.Border;
  if (b.Style != ltbNone && b.Color != clNone) {
    static constexpr std::string_view kKinds[] = {"", "\\brdrs", "\\brdrdb", "\\brdrtriple", "\\brdrthtnmg",
                                                  "\\brdrtnthmg"};
    const bool thick = b.Style == ltbThickInside || b.Style == ltbThickOutside;
    const int width = Twips(thick ? b.Width * 2 : b.Width);
    auto kind = [&](bool mirrored) {
      std::string_view k = kKinds[b.Style];
      if (mirrored && b.Style == ltbThickInside) k = kKinds[ltbThickOutside];
      else if (mirrored && b.Style == ltbThickOutside) k = kKinds[ltbThickInside];
      Put(k);
      Put("\\brdrcf", ColorIndex(b.Color));
      Put("\\brdrw", width);
    };
    Put("\\brdrbtw");
    kind(false);
    if (b.VisibleBorders.Left) Put("\\brdrl\\brsp", Twips(b.BorderOffsets.Left)), kind(false);
    if (b.VisibleBorders.Top) Put("\\brdrt\\brsp", Twips(b.BorderOffsets.Top)), kind(false);
    if (b.VisibleBorders.Right) Put("\\brdrr\\brsp", Twips(b.BorderOffsets.Right)), kind(true);
    if (b.VisibleBorders.Bottom) Put("\\brdrb\\brsp", Twips(b.BorderOffsets.Bottom)), kind(true);
  }
  if (!inStyleSheet) {
    Put("\\itap", level_);
    // Every paragraph inside a table, however deep, is in a table.
    if (level_ >= 1) Put("\\intbl");
  }
  PutExtra(lt_rtfs_ParaStyle, -1, paraNo, inStyleSheet);
  Put(' ');
}

void TLTRTFWriter::PutStyleCharProps(int32_t textStyle, bool inStyleSheet) {
  const TFontInfos& texts = style_.TextStyles();
  if (!texts.IsValidIndex(textStyle)) textStyle = 0;
  const TFontInfo& f = texts[textStyle];
  if (static_cast<size_t>(textStyle) < styleFonts_.size()) Put("\\f", styleFonts_[static_cast<size_t>(textStyle)]);
  if (f.Style.Contains(fsBold)) Put("\\b");
  if (f.Style.Contains(fsItalic)) Put("\\i");
  if (f.Style.Contains(fsUnderline)) {
    Put(kUnderlineWords[f.UnderlineType <= ltutThickDashDotDotted ? f.UnderlineType : 0]);
    if (f.UnderlineColor != clNone) Put("\\ulc", ColorIndex(f.UnderlineColor));
  }
  if (f.Style.Contains(fsStrikeOut)) Put("\\strike");
  if (f.SubSuperScriptType == ltsssSubscript) Put("\\sub");
  if (f.SubSuperScriptType == ltsssSuperScript) Put("\\super");
  if (f.VShift > 0) Put("\\up", RoundHalfEven(f.VShift * f.Size / 50.0));
  if (f.VShift < 0) Put("\\dn", -RoundHalfEven(f.VShift * f.Size / 50.0));
  if (f.CharScale != 100) Put("\\charscalex", f.CharScale);
  if (f.CharSpacing != 0) Put("\\expndtw", Twips(f.CharSpacing));
  if (f.StyleEx.Contains(ltfsAllCaps)) Put("\\caps");
  Put(f.BiDiMode == ltbdRightToLeft ? "\\rtlch" : "\\ltrch");
  if (f.Charset != 1 && f.Charset != text0Charset_ && RTFCharsetLanguage(f.Charset) != 0)
    Put("\\lang", RTFCharsetLanguage(f.Charset));
  Put("\\fs", f.Size * 2);
  if (f.BackColor != clNone) Put("\\chcbpat", ColorIndex(f.BackColor));
  if (f.Color != clWindowText) Put("\\cf", ColorIndex(f.Color));
  PutExtra(lt_rtfs_TextStyle, -1, textStyle, inStyleSheet);
  Put(' ');
}

void TLTRTFWriter::PutCharProps(int32_t textStyle) {
  if (options_.Contains(ltrtfSaveStyleSheet) && style_.TextStyles().IsValidIndex(textStyle) &&
      style_.TextStyles()[textStyle].Standard)
    Put("\\cs", textStyle + style_.ParaStyles().Count());
  PutStyleCharProps(textStyle, false);
}

// ---- Body ----------------------------------------------------------------------------------------

void TLTRTFWriter::WriteDocument(const TCustomLTData& data, int level) {
  if (data.ItemCount() == 0) return;
  const int outer = std::exchange(level_, level);
  const TLTItemRange whole{0, 0, data.ItemCount() - 1, data.GetOffsAfterItem(data.ItemCount() - 1)};
  WriteBody(data, whole, false);
  level_ = outer;
}

void TLTRTFWriter::PutBookmark(const std::u16string& name) {
  std::u16string n = BookmarkName(name);
  if (n.empty()) n = u"LecternCheckpoint" + Utf8ToUtf16(IntToStr(bookmarks_));
  ++bookmarks_;
  Put("{\\*\\bkmkstart ");
  PutName(n);
  Put("}{\\*\\bkmkend ");
  PutName(n);
  Put('}');
}

void TLTRTFWriter::StartItem(const TCustomLTData& data, int i, TBodyState& s) {
  const TCustomLTItemInfo& item = data.GetItem(i);
  const bool fullLine = item.GetBoolValue(iqFullLine);
  const bool isMarker = item.GetBoolValue(iqListMarker);
  Put("\r\n");
  if (fullLine && item.HasFlag(ltifNewPage)) Put("\\page ");
  if (item.HasFlag(ltifNewLine) && !fullLine) {
    Put("\\line ");
    return;
  }
  if (!s.FirstPara && !s.PrevEnded) Put("\\par ");
  // Two tables in a row would run together in every reader: an empty
  // paragraph keeps them apart.
  if (fullLine && s.PrevEnded && s.PrevTable && HoldsDocuments(data.GetItem(i))) Put("\\pard\\plain\\par ");
  if (s.ParaHasMarker) {
    Put("\\plain");
    s.LastText = -1;
  }
  if (!fullLine && item.HasFlag(ltifNewPage)) Put("\\page ");
  const TLTMarkerItemInfo* marker = isMarker ? static_cast<const TLTMarkerItemInfo*>(&item) : nullptr;
  const int markerLevel = marker ? marker->EffectiveLevel(&style_) : -1;
  if (item.ParaNo != s.LastPara || markerLevel != s.LastMarkerLevel) {
    Put("\\pard");
    const TParaInfos& paras = style_.ParaStyles();
    if (options_.Contains(ltrtfSaveStyleSheet) && paras.IsValidIndex(item.ParaNo) && paras[item.ParaNo].Standard)
      Put("\\s", item.ParaNo);
    PutParaProps(item.ParaNo, marker);
    s.LastPara = item.ParaNo;
    s.LastMarkerLevel = markerLevel;
  }
  s.ParaHasMarker = isMarker;
}

bool TLTRTFWriter::OpenHyperlink(const TCustomLTData& data, int i, TBodyState& s) {
  const TCustomLTItemInfo& item = data.GetItem(i);
  if (!item.GetBoolValueEx(iqxHyperlink, &style_)) return false;
  TLTString target, extras;
  const TLTDocumentContext* ctx = data.GetContext();
  if (ctx && ctx->OnWriteHyperlink) {
    ctx->OnWriteHyperlink(data, i, ltsfRTF, target, extras);
  } else if (const TLTString* tag = item.Tag.String()) {
    target = *tag;
  }
  if (target.empty()) return false;
  std::u16string before, after = extras;
  if (const size_t zero = extras.find(u'\0'); zero != std::u16string::npos) {
    before = extras.substr(0, zero);
    after = extras.substr(zero + 1);
    if (!before.empty() && before.back() != u' ') before.push_back(u' ');
  }
  if (!after.empty() && after.front() != u' ') after.insert(after.begin(), u' ');
  Put("{\\field{\\*\\fldinst HYPERLINK ");
  const bool wasForced = std::exchange(forceAnsi_, true);
  if (target[0] == u'#') {
    // A field switch: its backslash is text to RTF, so it is escaped.
    Put("\\\\l ");
    target = BookmarkName(target.substr(1));
  }
  PutTextW(before);
  Put('"');
  PutFieldArgument(target);
  Put('"');
  PutTextW(after);
  forceAnsi_ = wasForced;
  Put("}{\\fldrslt ");
  s.LastText = -1;
  return true;
}

void TLTRTFWriter::PutText8(std::string_view bytes, uint32_t codePage, bool raw) {
  // In double-byte code pages bytes 149 and 160 are halves of characters.
  const bool single = !IsDoubleByteCodePage(codePage);
  static constexpr char kHex[] = "0123456789abcdef";
  size_t run = 0;
  for (size_t k = 0; k < bytes.size(); ++k) {
    const auto b = static_cast<unsigned char>(bytes[k]);
    const bool plain = b >= 32 && b < 128 && (raw || (b != '\\' && b != '{' && b != '}'));
    if (plain) continue;
    buf_.append(bytes.data() + run, k - run);
    run = k + 1;
    if (b == '\\' || b == '{' || b == '}') {
      Put('\\');
      Put(static_cast<char>(b));
    } else if (single && b == 149) {
      Put("\\bullet ");
    } else if (single && b == 160) {
      Put("\\~");
    } else {
      Put("\\'");
      Put(kHex[b >> 4]);
      Put(kHex[b & 0xF]);
    }
  }
  buf_.append(bytes.data() + run, bytes.size() - run);
}

void TLTRTFWriter::WriteItem(const TCustomLTData& data, int i, const TLTItemRange& range, bool partial,
                             TBodyState& s) {
  const TCustomLTItemInfo& item = data.GetItem(i);
  const TLTDocumentContext* ctx = data.GetContext();
  const bool isText = item.IsText();
  const int32_t textStyle = isText ? data.GetItemStyle(i) : item.GetAssociatedTextStyleNo();
  const TFontInfos& texts = style_.TextStyles();
  bool styled = textStyle >= 0;
  bool raw = false;
  if (isText && texts.IsValidIndex(textStyle)) {
    const TLTTextOptions o = texts[textStyle].Options;
    styled = !(o.Contains(ltteoHTMLCode) && !o.Contains(ltteoRTFCode));
    raw = o.Contains(ltteoRTFCode);
  }
  if (isText && !styled) return;
  const int32_t resolved = textStyle == MaxInt ? data.ResolveTextStyle(textStyle, item.ParaNo) : textStyle;
  if (styled && resolved != s.LastText) {
    Put("\\plain");
    PutCharProps(resolved);
    s.LastText = resolved;
  }
  if (ctx && ctx->OnSaveItemToFile) {
    TLTString out;
    bool doDefault = true;
    ctx->OnSaveItemToFile({}, const_cast<TCustomLTData&>(data), i, ltsfRTF, true, out, doDefault);
    if (!doDefault) {
      PutTextW(out, true);
      return;
    }
  }
  if (!isText) {
    const bool rtl = style_.ParaStyles()[item.ParaNo].BiDiMode == ltbdRightToLeft && !styled;
    if (rtl) Put("\\ltrpar");
    s.PrevEnded = item.SaveRTF(*this, data, i);
    if (!styled) s.LastText = -1;
    if (rtl) Put("\\rtlpar");
    return;
  }
  // The part of the text inside the range.
  const int length = item.TextLength();
  int from = 1, to = length + 1;
  if (partial && i == range.FirstItem) from = std::clamp(range.FirstOffs, 1, length + 1);
  if (partial && i == range.LastItem) to = std::clamp(range.LastOffs, from, length + 1);
  if (item.IsWide()) {
    const std::u16string_view all(reinterpret_cast<const char16_t*>(item.Text.data()), item.Text.size() / 2);
    PutTextW(all.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from)), raw);
  } else {
    PutText8(std::string_view(item.Text).substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from)),
             style_.StyleCodePage(resolved), raw);
  }
}

void TLTRTFWriter::WriteBody(const TCustomLTData& data, const TLTItemRange& range, bool partial) {
  TBodyState s;
  const bool top = level_ == 0 && &data == root_;
  // A selection that starts inside a list paragraph takes its marker along.
  if (partial && range.FirstItem > 0) {
    const int first = data.GetFirstParaItem(range.FirstItem);
    const TCustomLTItemInfo& head = data.GetItem(first);
    if (first < range.FirstItem && head.GetBoolValue(iqListMarker)) {
      const auto& marker = static_cast<const TLTMarkerItemInfo&>(head);
      Put("\\pard");
      PutParaProps(head.ParaNo, &marker);
      s.LastPara = head.ParaNo;
      s.LastMarkerLevel = marker.EffectiveLevel(&style_);
      head.SaveRTF(*this, data, first);
      s.FirstPara = false;
      s.ParaHasMarker = true;
    }
  }
  for (int i = range.FirstItem; i <= range.LastItem; ++i) {
    const TCustomLTItemInfo& item = data.GetItem(i);
    if (top) topItem_ = i;
    if (partial) {
      const int after = data.GetOffsAfterItem(i);
      const int before = data.GetOffsBeforeItem(i);
      const bool atStartEdge = i == range.FirstItem && range.FirstOffs >= after && range.FirstItem != range.LastItem;
      const bool atEndEdge = i == range.LastItem && range.LastOffs <= before && range.FirstItem != range.LastItem;
      if ((atStartEdge || atEndEdge) && (!item.IsText() || item.TextLength() > 0)) continue;
    }
    if (!item.HasFlag(ltifJoinPrev)) StartItem(data, i, s);
    s.FirstPara = false;
    s.PrevTable = item.GetBoolValue(iqFullLine) && HoldsDocuments(data.GetItem(i));
    s.PrevEnded = false;
    if (const TLTCPInfo* cp = item.Checkpoint.get()) PutBookmark(cp->CheckpointName);
    const bool link = OpenHyperlink(data, i, s);
    WriteItem(data, i, range, partial, s);
    if (link) Put("}}");
    if (s.PrevEnded) {
      // What follows starts afresh: no paragraph mark, all properties again.
      s.LastPara = -1;
      s.LastText = -1;
      s.LastMarkerLevel = -1;
      s.ParaHasMarker = false;
    }
    if (buf_.size() >= (1u << 20)) Flush();
  }
  if (!partial && top)
    if (const TLTCPInfo* cp = data.PendingCheckpoint()) PutBookmark(cp->CheckpointName);
  SetSkipCount(baseSkip_);
}

}  // namespace lectern
