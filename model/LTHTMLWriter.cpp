// HTML output, the body: paragraphs and list items, text runs in their
// styles, anchors and hyperlinks, the items that write themselves, and the
// notes after the body.
//
// Paragraph elements: "p" in the CSS flavour, "div" in the plain one; items
// that fill a line of their own (tables, rules) never sit inside a "p",
// which HTML would close early. Lists keep the parent "li" open while a
// deeper level is open, so the list markup nests the way HTML requires.

#include "model/LTHTMLWriter.h"

#include "model/CLTData.h"
#include "model/LTMarker.h"
#include "platform/LTCodePage.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <filesystem>

namespace lectern {

namespace {

/// Link targets a browser would run instead of follow.
bool IsScriptTarget(std::u16string_view target) {
  std::string scheme;
  for (char16_t c : target) {
    if (c <= 32) continue;  // browsers ignore blanks and controls in schemes
    if (c == u':') break;
    if (c > 127 || scheme.size() > 16) return false;
    scheme.push_back(static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c));
  }
  return scheme == "javascript" || scheme == "vbscript" || scheme == "data";
}

bool SameTextW(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
           return lower(x) == lower(y);
         });
}

}  // namespace

struct TLTHTMLWriter::TBodyState {
  /// The open paragraph element ("p", "div"), empty when none.
  std::string_view Para;
  /// Open lists, outermost first: their list number, and whether the
  /// level's list tag is "ol", and whether a "li" is open in it.
  struct TOpenList {
    int32_t ListNo;
    bool Numbered;
    bool ItemOpen;
  };
  std::vector<TOpenList> Lists;
  /// The open style span of the CSS flavour (-1: none).
  int32_t Span = -1;
};

TLTHTMLWriter::TLTHTMLWriter(const TCustomLTData& root, TLTStream& out, const TLTHTMLWriteSettings& settings,
                             std::vector<std::string>* warnings)
    : out_(out),
      style_(*root.GetStyle()),
      settings_(settings),
      options_(settings.Options),
      css_(settings.CSS),
      warnings_(warnings),
      areaColor_(settings.Color),
      root_(&root) {
  const TFontInfo& f0 = style_.TextStyles()[0];
  style0Default_ = !f0.Jump && f0.BackColor == clNone && !options_.Contains(lthoStyle0Classes);
}

TLTHTMLWriter::~TLTHTMLWriter() = default;

void TLTHTMLWriter::Warn(std::string_view what) {
  if (!warnings_) return;
  std::string line(what);
  if (topItem_ >= 0) line = "item " + IntToStr(topItem_) + ": " + line;
  warnings_->push_back(std::move(line));
}

void TLTHTMLWriter::Fail(std::string_view reason) {
  if (!failed_) error_ = reason;
  failed_ = true;
}

std::u16string TLTHTMLWriter::AddNote(bool endnote, int number, const TCustomLTData& document) {
  std::u16string base = Utf8ToUtf16((endnote ? "endnote" : "footnote") + IntToStr(number));
  std::u16string name = base;
  for (int k = 2; anchors_.count(name); ++k) name = base + u"_" + Utf8ToUtf16(IntToStr(k));
  anchors_.insert(name);
  notes_.push_back({endnote, name, &document});
  return name;
}

void TLTHTMLWriter::PutAnchor(std::u16string name) {
  for (int k = 2; anchors_.count(name); ++k) name += u"_" + Utf8ToUtf16(IntToStr(k));
  anchors_.insert(name);
  Put("<a");
  PutAttr(IsXHTML() ? "id" : "name", name);
  Put("></a>");
}

// ---- Paragraphs and lists --------------------------------------------------------------------

void TLTHTMLWriter::PutParaClass(int32_t paraNo, bool pageBreak, std::string_view moreStyle) {
  if (css_ && !options_.Contains(lthoInlineCSS) && (paraNo > 0 || options_.Contains(lthoStyle0Classes))) {
    Put(" class=\"ltps");
    PutInt(paraNo);
    Put('"');
  }
  std::string style;
  const TParaInfo& p = style_.ParaStyles()[paraNo];
  if (!css_ || options_.Contains(lthoInlineCSS)) {
    if (!css_ && p.Alignment != ltaLeft && !IsXHTML()) {
      static constexpr std::string_view kAlign[] = {"left", "right", "center", "justify"};
      PutAttr("align", kAlign[p.Alignment <= ltaJustify ? p.Alignment : 0]);
    }
    if (!css_ && p.BiDiMode != ltbdUnspecified) PutAttr("dir", p.BiDiMode == ltbdRightToLeft ? "rtl" : "ltr");
    if (css_) {
      const size_t at = buf_.size();
      PutParaStyleCSS(paraNo);
      style = buf_.substr(at + 1);
      buf_.resize(at);
    }
  }
  if (pageBreak && UsesCSSForNonText()) style += style.empty() ? "page-break-before: always;" : " page-break-before: always;";
  if (!moreStyle.empty()) style += (style.empty() ? "" : " ") + std::string(moreStyle);
  if (!style.empty()) PutAttr("style", style);
}

std::string TLTHTMLWriter::MarkerImageLocation(const TLTListLevel& level, int counter) {
  const void* source = nullptr;
  int index = 0;
  if (level.ListType == ltlstPicture) {
    source = level.Picture();
  } else if (level.ImageList) {
    source = level.ImageList;
    index = level.ImageIndex + (level.ListType == ltlstImageListCounter ? counter - 1 : 0);
    if (index < 0 || index >= level.ImageList->Count()) return {};
  }
  if (!source) return {};
  const auto key = std::make_tuple(source, index, areaColor_);
  if (const auto it = markerImages_.find(key); it != markerImages_.end()) return it->second;
  const std::string location = level.ListType == ltlstPicture
                                   ? SavePicture(*level.Picture())
                                   : SavePixels(level.ImageList->Images[static_cast<size_t>(index)]);
  markerImages_.emplace(key, location);
  return location;
}

void TLTHTMLWriter::CloseParagraph(TBodyState& s) {
  if (s.Span >= 0) {
    Put("</span>");
    s.Span = -1;
  }
  if (!s.Para.empty()) {
    Put("</");
    Put(s.Para);
    Put(">\n");
    s.Para = {};
  }
}

void TLTHTMLWriter::CloseLists(TBodyState& s, size_t depth) {
  while (s.Lists.size() > depth) {
    if (s.Lists.back().ItemOpen) Put("</li>");
    Put(s.Lists.back().Numbered ? "</ol>\n" : "</ul>\n");
    s.Lists.pop_back();
  }
}

void TLTHTMLWriter::AdjustLists(const TCustomLTData& data, int i, TBodyState& s) {
  const auto& marker = static_cast<const TLTMarkerItemInfo&>(data.GetItem(i));
  const TLTListLevel* level = marker.GetLevelInfo(&style_);
  const size_t depth = static_cast<size_t>(std::min(marker.EffectiveLevel(&style_), 8)) + 1;
  if (!s.Lists.empty() && s.Lists.front().ListNo != marker.ListNo) CloseLists(s, 0);
  CloseLists(s, depth);
  if (s.Lists.size() == depth && s.Lists.back().ItemOpen) {
    Put("</li>\n");
    s.Lists.back().ItemOpen = false;
  }
  const bool numbered = IsNumberedListType(level->ListType);
  const TLTListInfos& lists = style_.ListStyles();
  const TLTListInfo* list = lists.IsValidIndex(marker.ListNo) ? &lists[marker.ListNo] : nullptr;
  while (s.Lists.size() < depth) {
    // A list inside a list must sit in an item of the outer one.
    if (!s.Lists.empty() && !s.Lists.back().ItemOpen) {
      Put("<li");
      if (UsesCSSForNonText()) PutAttr("style", "list-style-type: none;");
      Put('>');
      s.Lists.back().ItemOpen = true;
    }
    // Each level opens with its own kind and indents.
    const int at = static_cast<int>(s.Lists.size());
    const bool deepest = s.Lists.size() + 1 == depth;
    const TLTListLevel* own = deepest || !list || at >= list->Levels.Count() ? level : &list->Levels[at];
    const bool ol = IsNumberedListType(own->ListType);
    Put(ol ? "<ol" : "<ul");
    if (ol && !IsXHTML() && !css_) {
      switch (own->ListType) {
        case ltlstLowerAlpha: PutAttr("type", "a"); break;
        case ltlstUpperAlpha: PutAttr("type", "A"); break;
        case ltlstLowerRoman: PutAttr("type", "i"); break;
        case ltlstUpperRoman: PutAttr("type", "I"); break;
        default: break;
      }
    }
    if (UsesCSSForNonText()) {
      static constexpr std::string_view kTypes[] = {"disc",        "disc",        "disc",        "decimal",
                                                    "lower-alpha", "upper-alpha", "lower-roman", "upper-roman",
                                                    "decimal",     "disc"};
      std::string css = "list-style-type: " + std::string(kTypes[own->ListType]) + ";";
      if (css_) {
        // The level's indents, its margin counted from the level around it.
        const int32_t outer = at > 0 && list && at - 1 < list->Levels.Count() ? list->Levels[at - 1].LeftIndent : 0;
        const bool outside = own->MarkerIndent < own->LeftIndent;
        css += " text-indent: " + IntToStr(outside ? own->FirstIndent : own->MarkerIndent - own->LeftIndent) +
               "px; margin-left: " + IntToStr(own->LeftIndent - outer) + "px; list-style-position: " +
               (outside ? "outside;" : "inside;");
      }
      PutAttr("style", css);
    }
    Put(">\n");
    s.Lists.push_back({marker.ListNo, ol, false});
  }
  Put("<li");
  if (numbered && !IsXHTML()) PutAttr("value", marker.Counter);
  std::string itemStyle;
  if (css_) {
    // The marker's picture, and its indents where the paragraph's differ.
    const TParaInfo& para = style_.ParaStyles()[data.GetItem(i).ParaNo];
    std::vector<std::string> parts;
    if (level->ListType == ltlstPicture || level->ListType == ltlstImageList ||
        level->ListType == ltlstImageListCounter)
      if (const std::string at = MarkerImageLocation(*level, marker.Counter); !at.empty())
        parts.push_back("list-style-image: url(" + CSSString(Utf8ToUtf16(at)) + ")");
    if (para.LeftIndent != 0) parts.push_back("margin-left: 0");
    const int32_t indent =
        level->MarkerIndent < level->LeftIndent ? level->FirstIndent : level->MarkerIndent - level->LeftIndent;
    if (indent != para.FirstIndent) parts.push_back("text-indent: " + IntToStr(indent) + "px");
    for (const std::string& part : parts) itemStyle += (itemStyle.empty() ? "" : "; ") + part;
    if (!itemStyle.empty()) itemStyle += ';';
  }
  PutParaClass(data.GetItem(i).ParaNo, data.GetItem(i).HasFlag(ltifNewPage), itemStyle);
  // Alignment of a list paragraph belongs to its item.
  const TLTAlignment align = style_.ParaStyles()[data.GetItem(i).ParaNo].Alignment;
  if (!css_ && align != ltaLeft) {
    static constexpr std::string_view kAlign[] = {"left", "right", "center", "justify"};
    PutAttr("style", "text-align: " + std::string(kAlign[align <= ltaJustify ? align : 0]) + ";");
  }
  Put('>');
  s.Lists.back().ItemOpen = true;
}

void TLTHTMLWriter::StartParagraph(const TCustomLTData& data, int i, TBodyState& s) {
  const TCustomLTItemInfo& item = data.GetItem(i);
  if (item.HasFlag(ltifNewLine)) {
    if (s.Span >= 0) {
      Put("</span>");
      s.Span = -1;
    }
    Put("<br");
    EndEmpty();
    return;
  }
  CloseParagraph(s);
  const TParaInfos& paras = style_.ParaStyles();
  areaColor_ = paras[item.ParaNo].Background.Color != clNone ? paras[item.ParaNo].Background.Color : settings_.Color;
  const bool markerPara = item.GetBoolValue(iqListMarker) && !options_.Contains(lthoMarkersAsText) &&
                          static_cast<const TLTMarkerItemInfo&>(item).GetLevelInfo(&style_) != nullptr;
  if (markerPara) {
    AdjustLists(data, i, s);
    return;
  }
  CloseLists(s, 0);
  if (item.GetBoolValue(iqFullLine) && !item.GetBoolValue(iqHtmlBlock)) return;  // a rule is a block itself
  s.Para = css_ && !item.GetBoolValue(iqHtmlBlock) ? "p" : "div";
  Put('<');
  Put(s.Para);
  PutParaClass(item.ParaNo, item.HasFlag(ltifNewPage));
  Put('>');
}

// ---- Items ---------------------------------------------------------------------------------------

bool TLTHTMLWriter::OpenHyperlink(const TCustomLTData& data, int i, int32_t textStyle) {
  const TCustomLTItemInfo& item = data.GetItem(i);
  if (!item.GetBoolValueEx(iqxHyperlink, &style_)) return false;
  TLTString target, extras;
  const TLTDocumentContext* ctx = data.GetContext();
  if (ctx && ctx->OnWriteHyperlink) {
    ctx->OnWriteHyperlink(data, i, ltsfHTML, target, extras);
  } else if (const TLTString* tag = item.Tag.String()) {
    target = *tag;
  }
  if (!target.empty() && IsScriptTarget(target)) {
    Warn("a link target that would run a script was left out");
    target.clear();
  }
  if (target.empty()) return false;
  Put("<a");
  if (css_ && textStyle >= 0 && !options_.Contains(lthoInlineCSS)) {
    Put(" class=\"ltts");
    PutInt(textStyle);
    Put('"');
  }
  PutAttr("href", target);
  Put('>');
  return true;
}

void TLTHTMLWriter::PutPlainFontOpen(int32_t textStyle, std::vector<std::string_view>& closers) {
  const TFontInfo& f = style_.TextStyles()[textStyle];
  const TFontInfo& base = style_.TextStyles()[0];
  const bool relative = textStyle != 0 || options_.Contains(lthoNoDefaultFont);
  auto sizeNo = [](int pt) { return pt <= 8 ? 1 : pt <= 10 ? 2 : pt <= 12 ? 3 : pt <= 14 ? 4 : pt <= 18 ? 5 : pt <= 24 ? 6 : 7; };
  const bool size = !relative || sizeNo(f.Size) != sizeNo(base.Size);
  const bool color = !relative || f.Color != base.Color;
  const bool face = !relative || !SameTextW(f.FontName, base.FontName);
  if (size || color || face) {
    Put("<font");
    if (size) PutAttr("size", sizeNo(f.Size));
    if (color && f.Color != clNone) PutAttr("color", ColorText(f.Color));
    if (face) PutAttr("face", f.FontName);
    Put('>');
    closers.push_back("</font>");
  }
  static constexpr std::pair<TFontStyle, std::string_view> kTags[] = {
      {fsBold, "b"}, {fsItalic, "i"}, {fsUnderline, "u"}, {fsStrikeOut, "s"}};
  for (const auto& [bit, tag] : kTags)
    if (f.Style.Contains(bit) && (!relative || textStyle == 0 || !base.Style.Contains(bit))) {
      Put('<');
      Put(tag);
      Put('>');
      closers.push_back(tag == "b" ? "</b>" : tag == "i" ? "</i>" : tag == "u" ? "</u>" : "</s>");
    }
  if (f.SubSuperScriptType == ltsssSubscript || (f.SubSuperScriptType == ltsssNormal && f.VShift < 0)) {
    Put("<sub>");
    closers.push_back("</sub>");
  } else if (f.SubSuperScriptType == ltsssSuperScript || f.VShift > 0) {
    Put("<sup>");
    closers.push_back("</sup>");
  }
}

void TLTHTMLWriter::WriteItem(const TCustomLTData& data, int i, const TLTItemRange& range, bool partial,
                              TBodyState& s) {
  const TCustomLTItemInfo& item = data.GetItem(i);
  const TLTDocumentContext* ctx = data.GetContext();
  const bool isText = item.IsText();
  const TFontInfos& texts = style_.TextStyles();
  int32_t textStyle = isText ? data.GetItemStyle(i) : item.GetAssociatedTextStyleNo();
  if (textStyle == MaxInt) textStyle = data.ResolveTextStyle(textStyle, item.ParaNo);
  if (textStyle >= 0 && !texts.IsValidIndex(textStyle)) textStyle = 0;
  bool raw = false;
  if (isText) {
    const TLTTextOptions o = texts[textStyle].Options;
    if (o.Contains(ltteoRTFCode) && !o.Contains(ltteoHTMLCode)) {
      Warn("text that is RTF code was left out");
      return;
    }
    raw = o.Contains(ltteoHTMLCode);
  }
  // A link is not written inside another style's span.
  if (css_ && s.Span >= 0 && item.GetBoolValueEx(iqxHyperlink, &style_)) {
    Put("</span>");
    s.Span = -1;
  }
  const bool link = OpenHyperlink(data, i, textStyle);
  std::vector<std::string_view> closers;
  const std::u16string& hint = item.HintText.str();
  if (textStyle >= 0) {
    if (css_ && !link) {
      const bool bodyDefault = textStyle == 0 && style0Default_ && !options_.Contains(lthoInlineCSS);
      if (s.Span != textStyle && s.Span >= 0) Put("</span>");
      if (s.Span != textStyle && !bodyDefault) {
        Put("<span");
        if (options_.Contains(lthoInlineCSS)) {
          const size_t at = buf_.size();
          PutTextStyleCSS(textStyle);
          const std::string css = buf_.substr(at + 1);
          buf_.resize(at);
          PutAttr("style", css);
        } else {
          Put(" class=\"ltts");
          PutInt(textStyle);
          Put('"');
        }
        Put('>');
      }
      s.Span = bodyDefault ? -1 : textStyle;
    } else if (!css_ && (textStyle != 0 || options_.Contains(lthoNoDefaultFont))) {
      // Text style 0 is the page's font, opened once around the body.
      PutPlainFontOpen(textStyle, closers);
    }
  }
  if (!hint.empty() && !link) {
    Put("<span");
    PutAttr("title", hint);
    Put('>');
    closers.insert(closers.begin(), "</span>");
  }
  bool handled = false;
  if (ctx && ctx->OnSaveItemToFile) {
    TLTString outText;
    bool doDefault = true;
    ctx->OnSaveItemToFile(settings_.OutputFolder, const_cast<TCustomLTData&>(data), i, ltsfHTML, true, outText,
                          doDefault);
    if (!doDefault) {
      // The application's own markup for the item.
      for (char16_t c : outText) PutCodePoint(c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
      handled = true;
    }
  }
  if (!handled && !isText) {
    item.SaveHTML(*this, data, i);
  } else if (!handled) {
    const int length = item.TextLength();
    int from = 1, to = length + 1;
    if (partial && i == range.FirstItem) from = std::clamp(range.FirstOffs, 1, length + 1);
    if (partial && i == range.LastItem) to = std::clamp(range.LastOffs, from, length + 1);
    std::u16string text;
    if (item.IsWide()) {
      const std::u16string_view all(reinterpret_cast<const char16_t*>(item.Text.data()), item.Text.size() / 2);
      text = all.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from));
    } else {
      // 8-bit text is read through its own style's code page.
      text = AnsiToUnicode(std::string_view(item.Text).substr(static_cast<size_t>(from - 1),
                                                              static_cast<size_t>(to - from)),
                           style_.StyleCodePage(textStyle));
    }
    if (text.empty() && item.StartsParagraph() && (i + 1 == data.ItemCount() || data.GetItem(i + 1).StartsParagraph() ||
                                                   data.GetItem(i + 1).HasFlag(ltifNewLine))) {
      Put("<br");
      EndEmpty();
    } else if (raw) {
      for (char16_t c : text) PutCodePoint(c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
    } else if (css_ && textStyle >= 0 && SameTextFold(texts[textStyle].FontName, u"Symbol")) {
      PutSymbolText(text);
    } else {
      PutText(text);
    }
  }
  for (auto it = closers.rbegin(); it != closers.rend(); ++it) Put(*it);
  if (link) {
    if (css_ && s.Span >= 0) s.Span = -1;
    Put("</a>");
  }
  // A style span stays open only while the next item continues the
  // paragraph in the same style.
  const bool continues = i + 1 < data.ItemCount() && data.GetItem(i + 1).HasFlag(ltifJoinPrev) &&
                         !data.GetItem(i + 1).HasFlag(ltifNewLine);
  if (css_ && s.Span >= 0 && (!continues || texts[s.Span].Jump)) {
    Put("</span>");
    s.Span = -1;
  }
}

void TLTHTMLWriter::WriteBody(const TCustomLTData& data, const TLTItemRange& range, bool partial) {
  TBodyState s;
  const bool top = level_ == 0 && &data == root_;
  for (int i = range.FirstItem; i <= range.LastItem; ++i) {
    const TCustomLTItemInfo& item = data.GetItem(i);
    if (top) topItem_ = i;
    if (partial) {
      const bool atStartEdge =
          i == range.FirstItem && range.FirstOffs >= data.GetOffsAfterItem(i) && range.FirstItem != range.LastItem;
      const bool atEndEdge =
          i == range.LastItem && range.LastOffs <= data.GetOffsBeforeItem(i) && range.FirstItem != range.LastItem;
      if ((atStartEdge || atEndEdge) && (!item.IsText() || item.TextLength() > 0)) continue;
    }
    if (!item.HasFlag(ltifJoinPrev) || i == range.FirstItem) StartParagraph(data, i, s);
    if (const TLTCPInfo* cp = item.Checkpoint.get()) {
      std::u16string name = options_.Contains(lthoCheckpointNames) ? cp->CheckpointName : std::u16string();
      if (name.empty()) name = settings_.CheckpointPrefix + Utf8ToUtf16(IntToStr(anchorCounter_));
      ++anchorCounter_;
      PutAnchor(name);
    }
    WriteItem(data, i, range, partial, s);
    if (buf_.size() >= (1u << 20)) Flush();
  }
  CloseParagraph(s);
  CloseLists(s, 0);
  if (!partial && top)
    if (const TLTCPInfo* cp = data.PendingCheckpoint()) {
      std::u16string name = options_.Contains(lthoCheckpointNames) ? cp->CheckpointName : std::u16string();
      if (name.empty()) name = settings_.CheckpointPrefix + Utf8ToUtf16(IntToStr(anchorCounter_++));
      PutAnchor(name);
    }
}

void TLTHTMLWriter::WriteDocument(const TCustomLTData& data, int level, TColor background) {
  if (data.ItemCount() == 0) return;
  const int outer = std::exchange(level_, level);
  const TColor outerColor = std::exchange(areaColor_, background);
  const TLTItemRange whole{0, 0, data.ItemCount() - 1, data.GetOffsAfterItem(data.ItemCount() - 1)};
  WriteBody(data, whole, false);
  level_ = outer;
  areaColor_ = outerColor;
}

void TLTHTMLWriter::WriteNotes() {
  // Notes met while notes are written (a note inside a note's text) join
  // the end of the list, so every note is written exactly once.
  for (bool endnotes : {false, true}) {
    bool first = true;
    for (size_t k = 0; k < notes_.size(); ++k) {
      if (notes_[k].Endnote != endnotes) continue;
      if (first) {
        Put("\n<hr");
        if (UsesCSSForNonText() || IsXHTML()) {
          PutAttr("style", "width: 30%; text-align: left; height: 2px; color: #c0c0c0;");
        } else {
          Put(" noshade width=\"30%\" align=\"left\" size=\"2\" color=\"#c0c0c0\"");
        }
        EndEmpty();
        Put('\n');
        first = false;
      }
      Put("<div");
      PutAttr("id", notes_[k].Anchor);
      Put('>');
      const TCustomLTData* doc = notes_[k].Document;
      WriteDocument(*doc, 0, settings_.Color);
      Put("</div>\n");
    }
  }
}

bool TLTHTMLWriter::Write(const TCustomLTData& data, const TLTItemRange* range) {
  const std::string& prefix = settings_.ImagePrefix;
  if (prefix.empty() || prefix.find_first_of("/\\:") != std::string::npos || prefix.find("..") != std::string::npos ||
      std::any_of(prefix.begin(), prefix.end(), [](char c) { return static_cast<unsigned char>(c) < 32; })) {
    Fail("the picture file prefix must be a plain name");
    return false;
  }
  if (IsXHTML() && !css_) {
    Fail("XHTML is written with a style sheet only");
    return false;
  }
  const bool head = !options_.Contains(lthoBodyOnly) && !options_.Contains(lthoTailOnly);
  const bool body = !options_.Contains(lthoHeadOnly) && !options_.Contains(lthoTailOnly);
  const bool tail = !options_.Contains(lthoHeadOnly) && !options_.Contains(lthoBodyOnly);
  try {
    if (head) WriteHead();
    if (body && data.ItemCount() > 0) {
      std::vector<std::string_view> fontClosers;
      if (!css_ && !options_.Contains(lthoNoDefaultFont)) PutPlainFontOpen(0, fontClosers);
      const TLTItemRange whole{0, 0, data.ItemCount() - 1, data.GetOffsAfterItem(data.ItemCount() - 1)};
      WriteBody(data, range ? *range : whole, range != nullptr);
      for (auto it = fontClosers.rbegin(); it != fontClosers.rend(); ++it) Put(*it);
      topItem_ = -1;
      WriteNotes();
    }
    if (tail) WriteTail();
  } catch (const std::exception& e) {
    Fail(std::string("the page could not be written: ") + e.what());
  }
  Flush();
  if (failed_)
    for (const std::string& path : created_) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
      }
  return !failed_;
}

bool WriteHTML(const TCustomLTData& data, const TLTItemRange* range, TLTStream& out,
               const TLTHTMLWriteSettings& settings, std::vector<std::string>* warnings, std::string* error) {
  TLTHTMLWriter w(data, out, settings, warnings);
  const bool ok = w.Write(data, range);
  if (!ok && error) *error = w.Error();
  return ok;
}

}  // namespace lectern
