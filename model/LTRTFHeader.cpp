// RTF output, the whole document and its header: the font, colour and
// list tables, the style sheet and the page parameters.
//
// Design notes:
// - Output goes to a string buffer that is handed to the stream in large
//   pieces; numbers are formatted with to_chars. Writing is a hot path
//   (the clipboard writes every copy) and streams are slow per call.
// - Tables are built before anything is written, so every index a body
//   refers to exists; a colour that is not in the table is written as the
//   automatic colour 0, never as a negative index.
// - List and template identities come from the lists' own ListID, so one
//   document always gives the same bytes, and they are unique across the
//   whole output.

#include "model/LTRTFWriter.h"

#include "model/CLTData.h"
#include "model/LTMarker.h"
#include "platform/LTColors.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace lectern {

namespace {

constexpr int kScreenPixelsPerInch = 96;
constexpr size_t kFlushSize = 1 << 20;
/// A level text's length is one byte in RTF.
constexpr size_t kMaxLevelText = 255;
/// A multi-level list always has nine levels in RTF.
constexpr int kRTFListLevels = 9;
/// The number format of levels that show no number.
constexpr int kNoNumberFormat = 23;

constexpr TColor kStandardColors[] = {
    MakeColor(0x000000), MakeColor(0xff0000), MakeColor(0xffff00), MakeColor(0x00ff00),
    MakeColor(0xff00ff), MakeColor(0x0000ff), MakeColor(0x00ffff), MakeColor(0xffffff),
    MakeColor(0x800000), MakeColor(0x808000), MakeColor(0x008000), MakeColor(0x800080),
    MakeColor(0x000080), MakeColor(0x008080), MakeColor(0x808080), MakeColor(0xc0c0c0)};

}  // namespace

int RTFCharsetLanguage(int charset) {
  switch (charset) {
    case 128: return 1041;
    case 129: return 1042;
    case 130: return 2066;
    case 134: return 2052;
    case 136: return 1028;
    case 161: return 1032;
    case 162: return 1055;
    case 163: return 1066;
    case 177: return 1037;
    case 204: return 1049;
    case 222: return 1054;
    case 0:
    case 1:
    case 178:
    case 186:
    case 238: return 0;
    default: return 1024;
  }
}

namespace {

int LevelNumberFormat(TLTListType t) {
  switch (t) {
    case ltlstDecimal:
    case ltlstImageListCounter: return 0;
    case ltlstUpperRoman: return 1;
    case ltlstLowerRoman: return 2;
    case ltlstUpperAlpha: return 3;
    case ltlstLowerAlpha: return 4;
    default: return kNoNumberFormat;
  }
}

/// A level's format as pieces: literal characters, and placeholders
/// "%k:s" (k from 0 to 8) as the codes 0 to 8.
std::u16string LevelPieces(const TLTListLevel& level) {
  const std::u16string& f = level.ListType == ltlstUnicodeBullet ? level.FormatStringW : level.FormatString;
  if (!level.IsNumbered()) return f;
  std::u16string out;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == u'%' && i + 3 < f.size() + 0 && f[i + 1] >= u'0' && f[i + 1] <= u'8' && f[i + 2] == u':' &&
        f[i + 3] == u's') {
      out.push_back(static_cast<char16_t>(f[i + 1] - u'0'));
      i += 3;
    } else if (f[i] == u'%' && i + 1 < f.size() && f[i + 1] == u'%') {
      out.push_back(u'%');
      ++i;
    } else {
      out.push_back(f[i]);
    }
  }
  return out;
}

}  // namespace

bool WriteRTF(const TCustomLTData& data, const TLTItemRange* range, TLTStream& out,
              const TLTRTFWriteSettings& settings, std::vector<std::string>* warnings) {
  if (!data.GetStyle()) return false;
  try {
    TLTRTFWriter w(data, out, settings, warnings);
    return w.Write(data, range);
  } catch (const std::exception&) {
    // A fault of one item must not take the program down with a copy.
    return false;
  }
}

TLTRTFWriter::TLTRTFWriter(const TCustomLTData& root, TLTStream& out, const TLTRTFWriteSettings& settings,
                           std::vector<std::string>* warnings)
    : out_(out), style_(*root.GetStyle()), warnings_(warnings), root_(&root) {
  const TLTDocumentContext* ctx = root.GetContext();
  options_ = ctx ? ctx->RTFOptions : LTDefaultRTFOptions;
  const int ppi = settings.PixelsPerInch > 0 ? settings.PixelsPerInch : kScreenPixelsPerInch;
  twipsPerPixel_ = 1440.0 / ppi;
  const TLTDocParameters params = ctx ? ctx->DocParameters : TLTDocParameters();
  const double perInch = params.UnitsPerInch(ppi);
  const double pageWidth = params.Orientation == poLandscape ? params.PageHeight : params.PageWidth;
  defaultTextWidth_ =
      std::max(1, static_cast<int>(std::lround((pageWidth - params.LeftMargin - params.RightMargin) / perInch * ppi)));
  // Bytes in \' escapes are in this code page; 0 would leave readers to guess.
  codePage_ = style_.DefCodePage != 0 ? style_.DefCodePage : SystemCodePage();
  baseSkip_ = skip_ = options_.Contains(ltrtfDuplicateUnicode) ? 1 : 0;
  text0Charset_ = style_.TextStyles().Count() > 0 ? style_.TextStyles()[0].Charset : 1;
  buf_.reserve(kFlushSize + 4096);
}

int TLTRTFWriter::Twips(double pixels) const { return RoundHalfEven(pixels * twipsPerPixel_); }

int TLTRTFWriter::ColorIndex(TColor color) const {
  if (color == clNone) return 0;
  const auto it = colorIndex_.find(color);
  return it == colorIndex_.end() ? 0 : it->second;
}

void TLTRTFWriter::AddColor(TColor color) {
  if (!collecting_ || color == clNone || colorIndex_.count(color)) return;
  colorIndex_.emplace(color, static_cast<int>(colors_.size()));
  colors_.push_back(color);
}

void TLTRTFWriter::Warn(std::string_view what) {
  if (!warnings_) return;
  warnings_->push_back("item " + IntToStr(topItem_) + ": " + std::string(what));
}

void TLTRTFWriter::PutExtra(TLTRTFSaveArea area, int index1, int index2, bool inStyleSheet) {
  const TLTDocumentContext* ctx = root_->GetContext();
  if (!ctx || !ctx->OnSaveRTFExtra) return;
  std::string code;
  ctx->OnSaveRTFExtra(area, index1, index2, inStyleSheet, code);
  Put(code);
}

void TLTRTFWriter::Flush() {
  if (buf_.empty()) return;
  if (!failed_ && !out_.WriteAll(buf_.data(), buf_.size())) failed_ = true;
  buf_.clear();
}

bool TLTRTFWriter::Write(const TCustomLTData& data, const TLTItemRange* range) {
  const TCustomLTData& root = data.GetRootData();
  BuildFontTable();
  collecting_ = true;
  AddColor(clWindowText);
  for (TColor c : kStandardColors) AddColor(c);
  for (int i = 0; i < style_.TextStyles().Count(); ++i) {
    const TFontInfo& f = style_.TextStyles()[i];
    for (TColor c : {f.Color, f.BackColor, f.HoverColor, f.HoverBackColor, f.UnderlineColor, f.HoverUnderlineColor})
      AddColor(c);
  }
  for (int i = 0; i < style_.ParaStyles().Count(); ++i) {
    const TParaInfo& p = style_.ParaStyles()[i];
    if (p.Border.Style != ltbNone) AddColor(p.Border.Color);
    AddColor(p.Background.Color);
  }
  for (int i = 0; i < style_.ListStyles().Count(); ++i) {
    const TLTListInfo& list = style_.ListStyles()[i];
    for (int k = 0; k < list.Levels.Count(); ++k)
      if (const TLTMarkerFont* f = list.Levels[k].Font()) AddColor(f->Font.Color);
  }
  CollectColors(data);
  collecting_ = false;
  BuildListOverrides(root);
  WriteHeader(data);
  TLTItemRange whole{0, 0, data.ItemCount() - 1, 0};
  if (data.ItemCount() > 0) whole.LastOffs = data.GetOffsAfterItem(data.ItemCount() - 1);
  const bool partial = range != nullptr;
  if (data.ItemCount() > 0 && (!range || range->FirstItem >= 0)) {
    TLTItemRange r = range ? *range : whole;
    r.LastItem = std::min(r.LastItem, data.ItemCount() - 1);
    if (r.FirstItem <= r.LastItem) WriteBody(data, r, partial);
  }
  // A document always ends with a paragraph mark: readers drop the text
  // of a last paragraph that has none.
  Put("\\par\r\n}");
  Flush();
  return !failed_;
}

// ---- Fonts ------------------------------------------------------------------------------------

int TLTRTFWriter::AddFont(std::u16string_view name, uint8_t charset) {
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i].second == charset && SameTextFold(fonts_[i].first, name)) return static_cast<int>(i);
  fonts_.emplace_back(std::u16string(name), charset);
  return static_cast<int>(fonts_.size() - 1);
}

void TLTRTFWriter::BuildFontTable() {
  const TFontInfos& text = style_.TextStyles();
  styleFonts_.resize(static_cast<size_t>(text.Count()));
  for (int i = 0; i < text.Count(); ++i) styleFonts_[static_cast<size_t>(i)] = AddFont(text[i].FontName, text[i].Charset);
  for (int i = 0; i < style_.ListStyles().Count(); ++i) {
    const TLTListInfo& list = style_.ListStyles()[i];
    for (int k = 0; k < list.Levels.Count(); ++k)
      if (const TLTMarkerFont* f = list.Levels[k].Font()) AddFont(f->Font.Name, f->Font.Charset);
  }
}

void TLTRTFWriter::WriteFontTable() {
  Put("{\\fonttbl");
  for (size_t i = 0; i < fonts_.size(); ++i) {
    Put("{\\f", static_cast<int64_t>(i));
    Put("\\fnil");
    if (fonts_[i].second != 1) Put("\\fcharset", fonts_[i].second);
    Put(' ');
    PutName(fonts_[i].first);
    Put(";}");
  }
  Put('}');
}

void TLTRTFWriter::PutMarkerFont(const TLTListLevel& level) {
  const TLTMarkerFont* mf = level.Font();
  if (!mf) return;
  const TLTFont& f = mf->Font;
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i].second == f.Charset && SameTextFold(fonts_[i].first, f.Name)) {
      Put("\\f", static_cast<int64_t>(i));
      break;
    }
  if (f.Style.Contains(fsBold)) Put("\\b");
  if (f.Style.Contains(fsItalic)) Put("\\i");
  if (f.Style.Contains(fsUnderline)) Put("\\ul");
  if (f.Style.Contains(fsStrikeOut)) Put("\\strike");
  Put("\\fs", f.Size() * 2);
  if (f.Charset != 1 && f.Charset != text0Charset_ && RTFCharsetLanguage(f.Charset) != 0)
    Put("\\lang", RTFCharsetLanguage(f.Charset));
  if (f.Color != clWindowText) Put("\\cf", ColorIndex(f.Color));
}

// ---- Colours ----------------------------------------------------------------------------------

void TLTRTFWriter::CollectColors(const TCustomLTData& data) {
  for (int i = 0; i < data.ItemCount(); ++i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    if (item.IsText()) continue;
    item.CollectRTFColors(*this);
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* d = item.GetSubDocument(cursor, ltsdFirst); d; d = item.GetSubDocument(cursor, ltsdNext))
      CollectColors(*d);
  }
}

void TLTRTFWriter::WriteColorTable() {
  Put("{\\colortbl;");
  for (size_t i = 1; i < colors_.size(); ++i) {
    const auto rgb = static_cast<uint32_t>(ColorToRGB(colors_[i]));
    Put("\\red", rgb & 0xFF);
    Put("\\green", (rgb >> 8) & 0xFF);
    Put("\\blue", (rgb >> 16) & 0xFF);
    Put(';');
  }
  Put('}');
}

// ---- Style sheet ------------------------------------------------------------------------------

void TLTRTFWriter::WriteStyleSheet() {
  const TParaInfos& paras = style_.ParaStyles();
  const TFontInfos& texts = style_.TextStyles();
  Put("{\\stylesheet");
  for (int i = 0; i < paras.Count(); ++i) {
    if (!paras[i].Standard) continue;
    Put("{\\s", i);
    PutParaProps(i, nullptr, true);
    PutName(paras[i].StyleName);
    Put(";}");
  }
  for (int i = 0; i < texts.Count(); ++i) {
    if (!texts[i].Standard) continue;
    Put("{\\*\\cs", i + paras.Count());
    PutStyleCharProps(i, true);
    PutName(texts[i].StyleName);
    Put(";}");
  }
  Put('}');
}

// ---- Lists ------------------------------------------------------------------------------------

void TLTRTFWriter::BuildListOverrides(const TCustomLTData& root) {
  const int lists = style_.ListStyles().Count();
  listBase_.assign(static_cast<size_t>(lists), 0);
  // Markers that restart numbering on a numbered level, per list in
  // document order.
  std::vector<std::vector<const TLTMarkerItemInfo*>> restarting(static_cast<size_t>(lists));
  if (const TLTMarkerList* markers = root.GetMarkers())
    for (int i = 0; i < markers->Count(); ++i) {
      const TLTMarkerItemInfo& m = (*markers)[i];
      if (m.ListNo < 0 || m.ListNo >= lists || m.Level < 0 || !m.Reset) continue;
      const TLTListLevel* level = m.GetLevelInfo(&style_);
      if (level && level->IsNumbered()) restarting[static_cast<size_t>(m.ListNo)].push_back(&m);
    }
  int counter = 1;
  for (int i = 0; i < lists; ++i) {
    listBase_[static_cast<size_t>(i)] = counter++;
    for (const TLTMarkerItemInfo* m : restarting[static_cast<size_t>(i)]) {
      markerOverride_[m] = counter++;
      restarts_.push_back(m);
    }
  }
}

int TLTRTFWriter::MarkerOverride(const TLTMarkerItemInfo& marker) const {
  if (const auto it = markerOverride_.find(&marker); it != markerOverride_.end()) return it->second;
  if (marker.ListNo < 0 || marker.ListNo >= static_cast<int>(listBase_.size())) return 0;
  return listBase_[static_cast<size_t>(marker.ListNo)];
}

void TLTRTFWriter::WriteListLevel(const TLTListLevel& level, int listIndex, int levelIndex) {
  const double t = twipsPerPixel_;
  const int format = LevelNumberFormat(level.ListType);
  Put("{\\listlevel\\levelnfc", format);
  Put("\\leveljc", level.MarkerAlignment == ltmaRight ? 2 : level.MarkerAlignment == ltmaCenter ? 1 : 0);
  Put("\\li", RoundHalfEven(level.LeftIndent * t));
  Put("\\fi", RoundHalfEven((level.MarkerIndent - level.LeftIndent) * t));
  Put("\\jclisttab\\tx", RoundHalfEven((level.LeftIndent + level.FirstIndent) * t));
  if (format != kNoNumberFormat) Put("\\levelstartat", level.StartFrom);
  if (level.Options.Contains(ltloLegalStyleNumbering)) Put("\\levellegal1");
  if (!level.Options.Contains(ltloLevelReset)) Put("\\levelnorestart1");
  // The level text's first byte is its length, so longer texts are cut.
  std::u16string pieces;
  if (level.ListType != ltlstPicture && level.ListType != ltlstImageList) pieces = LevelPieces(level);
  if (pieces.size() > kMaxLevelText) pieces.resize(kMaxLevelText);
  static constexpr char kHex[] = "0123456789abcdef";
  auto putByte = [&](size_t b) {
    Put("\\'");
    Put(kHex[(b >> 4) & 0xF]);
    Put(kHex[b & 0xF]);
  };
  Put("{\\leveltext");
  putByte(pieces.size());
  std::string numbers;
  const bool numbered = level.IsNumbered();
  for (size_t k = 0; k < pieces.size(); ++k) {
    if (numbered && pieces[k] < 9) {
      putByte(pieces[k]);
      numbers.push_back(static_cast<char>(k + 1));
    } else {
      const bool wasForced = std::exchange(forceAnsi_, true);
      PutTextW(std::u16string_view(&pieces[k], 1));
      forceAnsi_ = wasForced;
    }
  }
  SetSkipCount(baseSkip_);
  Put(";}{\\levelnumbers");
  for (char n : numbers) putByte(static_cast<unsigned char>(n));
  Put(";}");
  if (level.Font()) PutMarkerFont(level);
  PutExtra(lt_rtfs_ListStyle, levelIndex, listIndex);
  Put("}\r\n");
}

void TLTRTFWriter::WriteListTables() {
  const TLTListInfos& lists = style_.ListStyles();
  if (lists.Count() == 0) {
    Put("\r\n");
    return;
  }
  // Identities from the lists' own, unique across the output.
  std::unordered_set<int64_t> drawn;
  auto unique = [&](int64_t v) {
    v &= 0x7FFFFFFF;
    while (v == 0 || v == 0x7FFFFFFF || drawn.count(v)) v = (v + 1) & 0x7FFFFFFF;
    drawn.insert(v);
    return v;
  };
  std::vector<int64_t> listIds(static_cast<size_t>(lists.Count()));
  for (int i = 0; i < lists.Count(); ++i) listIds[static_cast<size_t>(i)] = unique(lists[i].ListID());
  Put("{\\*\\listtable");
  for (int i = 0; i < lists.Count(); ++i) {
    const TLTListInfo& list = lists[i];
    const int64_t id = listIds[static_cast<size_t>(i)];
    Put("{\\list\\listtemplateid", unique(id * 2654435761LL + 0x5bd1e995));
    const int count = list.Levels.Count();
    if (count == 1) Put("\\listsimple1");
    PutExtra(lt_rtfs_ListStyle, -1, i);
    Put("\r\n");
    if (count > 0) {
      const int written = count == 1 ? 1 : kRTFListLevels;
      for (int k = 0; k < written; ++k) WriteListLevel(list.Levels[std::min(k, count - 1)], i, k);
    }
    Put("\\listid", id);
    Put("}\r\n");
  }
  Put("}\r\n{\\*\\listoverridetable\r\n");
  for (int i = 0; i < lists.Count(); ++i) {
    Put("{\\listoverride\\listid", listIds[static_cast<size_t>(i)]);
    Put("\\listoverridecount0\\ls", listBase_[static_cast<size_t>(i)]);
    Put("}\r\n");
  }
  for (const TLTMarkerItemInfo* m : restarts_) {
    const int level = std::min(m->EffectiveLevel(&style_), kRTFListLevels - 1);
    Put("{\\listoverride\\listid", listIds[static_cast<size_t>(m->ListNo)]);
    Put("\\listoverridecount", level + 1);
    for (int k = 0; k < level; ++k) Put("{\\lfolevel}");
    Put("{\\lfolevel\\listoverridestartat\\levelstartat", m->StartFrom);
    Put("}\\ls", markerOverride_[m]);
    Put("}\r\n");
  }
  Put("}\r\n");
}

// ---- Header -----------------------------------------------------------------------------------

void TLTRTFWriter::WriteDocParameters(const TCustomLTData& root) {
  const TLTDocumentContext* ctx = root.GetContext();
  if (!ctx) {
    Put("\\paperw11906\\paperh16838\\margl1800\\margr1800\\margt1440\\margb1440\r\n");
    return;
  }
  const TLTDocParameters& p = ctx->DocParameters;
  const double perInch = p.UnitsPerInch(RoundHalfEven(1440.0 / twipsPerPixel_));
  auto twips = [&](double v) { return static_cast<int64_t>(std::lround(v * 1440.0 / perInch)); };
  if (p.Orientation == poLandscape) Put("\\landscape");
  Put("\\paperw", twips(p.PageWidth));
  Put("\\paperh", twips(p.PageHeight));
  Put("\\margl", twips(p.LeftMargin));
  Put("\\margr", twips(p.RightMargin));
  Put("\\margt", twips(p.TopMargin));
  Put("\\margb", twips(p.BottomMargin));
  if (twips(p.HeaderY) != 720) Put("\\headery", twips(p.HeaderY));
  if (twips(p.FooterY) != 720) Put("\\footery", twips(p.FooterY));
  Put("\\viewscale", p.ZoomPercent);
  Put(p.ZoomMode == ltzmFullPage ? "\\viewzk1" : p.ZoomMode == ltzmPageWidth ? "\\viewzk2" : "\\viewzk0");
  if (p.MirrorMargins) Put("\\margmirror");
  Put("\r\n");
}

void TLTRTFWriter::WriteHeader(const TCustomLTData& data) {
  Put("{\\rtf1\\ansi\\ansicpg", codePage_);
  Put("\\uc", baseSkip_);
  Put("\\deff0\\deflang", RTFCharsetLanguage(text0Charset_));
  Put("\\deflangfe", RTFCharsetLanguage(text0Charset_));
  Put("\\ltrdoc");
  bool footnotes = false, endnotes = false;
  std::function<void(const TCustomLTData&)> findNotes = [&](const TCustomLTData& d) {
    for (int i = 0; i < d.ItemCount(); ++i) {
      TCustomLTItemInfo& item = d.GetItem(i);
      footnotes |= item.StyleNo == ltikFootnoteItem;
      endnotes |= item.StyleNo == ltikEndnoteItem;
      std::unique_ptr<TLTSubDocCursor> cursor;
      for (TCustomLTData* s = item.GetSubDocument(cursor, ltsdFirst); s; s = item.GetSubDocument(cursor, ltsdNext))
        findNotes(*s);
    }
  };
  findNotes(data);
  if (endnotes) Put("\\fet2{\\*\\aftnsep\\pard\\plain\\chftnsep }{\\*\\aftnsepc\\pard\\plain\\chftnsepc}");
  if (footnotes) Put("\\fet2{\\*\\ftnsep\\pard\\plain\\chftnsep }{\\*\\ftnsepc\\pard\\plain\\chftnsepc}");
  if (options_.Contains(ltrtfSaveDocParameters)) WriteDocParameters(data.GetRootData());
  WriteFontTable();
  WriteColorTable();
  if (options_.Contains(ltrtfSaveStyleSheet)) WriteStyleSheet();
  WriteListTables();
  PutExtra(lt_rtfs_Doc, -1, -1);
  Put("\r\n");
}

}  // namespace lectern
