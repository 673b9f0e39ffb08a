// HTML output, the head and the style sheet: the document type, the title,
// the declared encoding, and one CSS rule per text and paragraph style.

#include "model/LTHTMLWriter.h"

#include "model/CLTData.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <array>

namespace lectern {

namespace {

struct TFontFamily {
  std::u16string_view Name;
  std::string_view Family;
};

/// Fonts that pages name with fallbacks browsers on other systems have.
constexpr std::array<TFontFamily, 15> kFontFamilies{{
    {u"arial", "'Arial', 'Helvetica', sans-serif"},
    {u"trebuchet ms", "'Trebuchet MS', 'Helvetica', sans-serif"},
    {u"times new roman", "'Times New Roman', 'Times', serif"},
    {u"verdana", "'Verdana', 'Geneva', sans-serif"},
    {u"tahoma", "'Tahoma', 'Geneva', sans-serif"},
    {u"ms sans serif", "'MS Sans Serif', 'Geneva', sans-serif"},
    {u"arial black", "'Arial Black', 'Gadget', sans-serif"},
    {u"ms serif", "'MS Serif', 'New York', serif"},
    {u"book antiqua", "'Book Antiqua', 'Palatino', serif"},
    {u"palatino linotype", "'Palatino Linotype', 'Palatino', serif"},
    {u"lucida console", "'Lucida Console', 'Monaco', monospace"},
    {u"courier new", "'Courier New', 'Courier', monospace"},
    {u"comic sans ms", "'Comic Sans MS', cursive"},
    {u"impact", "'Impact', 'Charcoal', fantasy"},
    {u"symbol", "'Arial Unicode MS', 'Lucida Sans Unicode', 'Arial', 'Helvetica', sans-serif"},
}};

std::u16string LowerAscii(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

std::string FontFamily(std::u16string_view name) {
  const std::u16string lower = LowerAscii(name);
  for (const TFontFamily& f : kFontFamilies)
    if (f.Name == lower) return std::string(f.Family);
  return TLTHTMLWriter::CSSString(name);
}

}  // namespace

void TLTHTMLWriter::PutCSSComment(std::u16string_view text) {
  // A comment cannot be escaped: what could end it, or the style element,
  // is left out.
  std::u16string safe;
  for (char16_t c : text)
    if (c >= 32 && c != u'*' && c != u'/' && c != u'<' && c != u'>' && c != u'&') safe.push_back(c);
  Put(" /* ");
  for (char16_t c : safe)
    if (c < 128) Put(static_cast<char>(c));
    else PutCodePoint(c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
  Put(" */\n");
}

void TLTHTMLWriter::PutTextStyleCSS(int styleNo) {
  const TFontInfo& f = style_.TextStyles()[styleNo];
  const bool scripted = f.SubSuperScriptType != ltsssNormal;
  int size = f.Size;
  // Sub- and superscripts are drawn at about two thirds of the size.
  if (scripted) size = size % 3 == 0 ? size / 3 * 2 : ((size + 1) % 3 != 0 ? size + 2 : size + 1) / 3 * 2 - 1;
  Put(" font-size: ");
  PutInt(size);
  Put("pt;");
  if (f.BiDiMode != ltbdUnspecified) Put(f.BiDiMode == ltbdRightToLeft ? " direction: rtl;" : " direction: ltr;");
  Put(" font-family: ");
  Put(FontFamily(f.FontName));
  Put(';');
  Put(f.Style.Contains(fsItalic) ? " font-style: italic;" : " font-style: normal;");
  Put(f.Style.Contains(fsBold) ? " font-weight: bold;" : " font-weight: normal;");
  Put(" color: ");
  Put(f.Color == clNone ? std::string("inherit") : ColorText(f.Color));
  Put(';');
  if (f.CharSpacing != 0) {
    Put(" letter-spacing: ");
    PutInt(f.CharSpacing);
    Put("px;");
  }
  if (f.StyleEx.Contains(ltfsAllCaps)) Put(" text-transform: uppercase;");
  if (f.BackColor != clNone) Put(" background-color: " + ColorText(f.BackColor) + ";");
  if (f.SubSuperScriptType == ltsssSubscript || (!scripted && f.VShift < 0)) Put(" vertical-align: sub;");
  if (f.SubSuperScriptType == ltsssSuperScript || (!scripted && f.VShift > 0)) Put(" vertical-align: super;");
  std::string deco;
  if (f.Style.Contains(fsUnderline)) deco += "underline ";
  if (f.Style.Contains(fsStrikeOut)) deco += "line-through ";
  if (f.StyleEx.Contains(ltfsOverline)) deco += "overline ";
  if (deco.empty()) deco = "none ";
  deco.pop_back();
  Put(" text-decoration: " + deco + ";");
}

void TLTHTMLWriter::PutParaStyleCSS(int paraNo) {
  const TParaInfo& p = style_.ParaStyles()[paraNo];
  static constexpr std::string_view kAlign[] = {"left", "right", "center", "justify"};
  Put(" text-align: ");
  Put(kAlign[p.Alignment <= ltaJustify ? p.Alignment : 0]);
  Put(';');
  if (p.BiDiMode != ltbdUnspecified) Put(p.BiDiMode == ltbdRightToLeft ? " direction: rtl;" : " direction: ltr;");
  Put(" text-indent: ");
  PutInt(p.FirstIndent);
  Put("px;");
  if (p.LineSpacingType == ltlsPercent && p.LineSpacing != 100) {
    Put(" line-height: ");
    PutInt(p.LineSpacing / 100);
    Put('.');
    Put(static_cast<char>('0' + p.LineSpacing % 100 / 10));
    Put(static_cast<char>('0' + p.LineSpacing % 10));
    Put(';');
  } else if (p.LineSpacingType == ltlsLineHeightAtLeast || p.LineSpacingType == ltlsLineHeightExact) {
    Put(" line-height: ");
    PutInt(p.LineSpacing);
    Put("px;");
  }
  if (p.Options.Contains(ltpaoNoWrap)) Put(" white-space: nowrap;");
  if (p.Options.Contains(ltpaoKeepLinesTogether)) Put(" page-break-inside: avoid;");
  if (p.Options.Contains(ltpaoKeepWithNext)) Put(" page-break-after: avoid;");
  const TLTBorder& b = p.Border;
  struct {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  } pad;
  if (b.Style != ltbNone && b.Color != clNone) {
    Put(" border-color: " + ColorText(b.Color) + ";");
    Put(b.Style == ltbSingle ? " border-style: solid;" : " border-style: double;");
    Put(" border-width: ");
    PutInt(b.TotalWidth());
    Put("px;");
    if (!b.VisibleBorders.Top) Put(" border-top: none;");
    if (!b.VisibleBorders.Right) Put(" border-right: none;");
    if (!b.VisibleBorders.Bottom) Put(" border-bottom: none;");
    if (!b.VisibleBorders.Left) Put(" border-left: none;");
    pad = {b.BorderOffsets.Left, b.BorderOffsets.Top, b.BorderOffsets.Right, b.BorderOffsets.Bottom};
  }
  Put(" background: ");
  Put(p.Background.Color == clNone ? std::string("transparent") : ColorText(p.Background.Color));
  Put(';');
  if (p.Background.Color != clNone) {
    const TLTRect& o = p.Background.BorderOffsets;
    pad = {std::max(pad.Left, o.Left), std::max(pad.Top, o.Top), std::max(pad.Right, o.Right),
           std::max(pad.Bottom, o.Bottom)};
  }
  for (auto [name, values] : {std::pair{" padding: ", std::array{pad.Top, pad.Right, pad.Bottom, pad.Left}},
                              std::pair{" margin: ", std::array{p.SpaceBefore - pad.Top, p.RightIndent - pad.Right,
                                                                p.SpaceAfter - pad.Bottom, p.LeftIndent - pad.Left}}}) {
    Put(name);
    for (size_t k = 0; k < values.size(); ++k) {
      if (k) Put(' ');
      PutInt(values[k]);
      Put("px");
    }
    Put(';');
  }
}

namespace {

/// The declarations of css (";"-separated; values never hold a bare ";")
/// that base does not hold alike, and without left alignment when asked.
std::string Declarations(const std::string& css, const std::string* base, bool noLeftAlignment) {
  auto split = [](const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find(';', at);
      if (end == std::string::npos) end = text.size();
      std::string d = text.substr(at, end - at);
      d.erase(0, d.find_first_not_of(" \n"));
      if (!d.empty()) out.push_back(d);
      at = end + 1;
    }
    return out;
  };
  const std::vector<std::string> baseDecls = base ? split(*base) : std::vector<std::string>{};
  std::string out;
  for (const std::string& d : split(css)) {
    if (std::find(baseDecls.begin(), baseDecls.end(), d) != baseDecls.end()) continue;
    if (noLeftAlignment && d == "text-align: left") continue;
    out += ' ' + d + ';';
  }
  return out;
}

}  // namespace

void TLTHTMLWriter::PutRule(bool text, int styleNo, int32_t base, int count, bool onlyDifferences,
                            bool noLeftAlignment) {
  const bool relative = onlyDifferences && base >= 0 && base < count && base != styleNo;
  if (!relative && !noLeftAlignment) {
    text ? PutTextStyleCSS(styleNo) : PutParaStyleCSS(styleNo);
    return;
  }
  const std::string baseCSS = relative ? StyleCSS(text, base) : std::string();
  Put(Declarations(StyleCSS(text, styleNo), relative ? &baseCSS : nullptr, noLeftAlignment));
}

std::string TLTHTMLWriter::StyleCSS(bool text, int styleNo) {
  const size_t at = buf_.size();
  if (text)
    PutTextStyleCSS(styleNo);
  else
    PutParaStyleCSS(styleNo);
  std::string css = buf_.substr(at);
  buf_.resize(at);
  return css;
}

bool TLTHTMLWriter::WriteCSSOnly(bool onlyDifferences, bool noLeftAlignment) {
  try {
    WriteStyleSheet(onlyDifferences, noLeftAlignment);
  } catch (const std::exception& e) {
    Fail(std::string("the style sheet could not be written: ") + e.what());
  }
  Flush();
  return !failed_;
}

bool WriteCSS(const TLTStyle& style, TLTStream& out, TLTCSSFlags flags) {
  // The writer reads the sheet through a document: an empty one on it.
  TLTDocumentContext context;
  context.Style = const_cast<TLTStyle*>(&style);
  TCustomLTData data;
  data.SetContext(&context);
  TLTHTMLWriteSettings settings;
  settings.Options = {};
  if (flags.Contains(ltcssUTF8)) settings.Options.Include(lthoUTF8);
  if (flags.Contains(ltcssStyle0Classes)) settings.Options.Include(lthoStyle0Classes);
  if (flags.Contains(ltcssNoDefaultFont)) settings.Options.Include(lthoNoDefaultFont);
  TLTHTMLWriter w(data, out, settings, nullptr);
  return w.WriteCSSOnly(flags.Contains(ltcssOnlyDifferences), flags.Contains(ltcssNoLeftAlignment));
}

void TLTHTMLWriter::WriteStyleSheet(bool onlyDifferences, bool noLeftAlignment) {
  const TFontInfos& texts = style_.TextStyles();
  const TParaInfos& paras = style_.ParaStyles();
  const bool style0Classes = options_.Contains(lthoStyle0Classes);
  Put("/* ========== Text Styles ========== */\n");
  Put("hr { color: " + ColorText(texts[0].Color == clNone ? clWindowText : texts[0].Color) + "}\n");
  for (int i = 0; i < texts.Count(); ++i) {
    if (i == 0 && options_.Contains(lthoNoDefaultFont)) continue;
    const TFontInfo& f = texts[i];
    if (f.Standard) PutCSSComment(f.StyleName);
    if (i == 0 && style0Default_) {
      Put("body, table");
    } else {
      Put(f.Jump ? "a.ltts" : "span.ltts");
      PutInt(i);
      if (f.Jump) {
        Put(", span.ltts");
        PutInt(i);
      }
    }
    Put("\n{\n");
    PutRule(true, i, texts[i].BaseStyleNo, texts.Count(), onlyDifferences, noLeftAlignment);
    Put("\n}\n");
    const bool hoverUnderline = f.HoverEffects.Contains(ltheUnderline);
    if (f.Jump && (f.HoverColor != clNone || f.HoverBackColor != clNone || hoverUnderline)) {
      Put("a.ltts");
      PutInt(i);
      Put(":hover {");
      if (f.HoverColor != clNone && f.HoverColor != f.Color) Put(" color: " + ColorText(f.HoverColor) + ";");
      if (f.HoverBackColor != clNone) Put(" background-color: " + ColorText(f.HoverBackColor) + ";");
      // The pointer over a link underlines it, in its own colour when set.
      if (hoverUnderline && !f.Style.Contains(fsUnderline)) Put(" text-decoration: underline;");
      if (hoverUnderline && f.HoverUnderlineColor != clNone)
        Put(" border-bottom: solid 1px " + ColorText(f.HoverUnderlineColor) + ";");
      Put(" }\n");
    }
  }
  Put("/* ========== Para Styles ========== */\n");
  for (int i = 0; i < paras.Count(); ++i) {
    if (paras[i].Standard) PutCSSComment(paras[i].StyleName);
    if (i == 0 && !style0Classes) {
      Put("p,ul,ol");
    } else {
      Put(".ltps");
      PutInt(i);
    }
    Put("\n{\n");
    PutRule(false, i, paras[i].BaseStyleNo, paras.Count(), onlyDifferences, noLeftAlignment);
    Put("\n}\n");
  }
}

void TLTHTMLWriter::WriteHead() {
  const bool xhtml = IsXHTML();
  const std::string_view charset =
      options_.Contains(lthoUTF8) ? std::string_view("UTF-8") : HTMLCharsetName(style_.TextStyles()[0].Charset);
  if (xhtml) {
    Put("<?xml version=\"1.0\"");
    if (!charset.empty()) {
      Put(" encoding=\"");
      Put(charset);
      Put('"');
    }
    Put("?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n");
    Put("<html xmlns=\"http://www.w3.org/1999/xhtml\">");
  } else if (css_) {
    Put("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>");
  } else {
    Put("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<html>");
  }
  Put("<head><title>");
  PutText(settings_.Title);
  Put("</title>\n");
  if (!charset.empty()) {
    Put("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=");
    Put(charset);
    Put('"');
    EndEmpty();
    Put('\n');
  }
  // The background picture goes through the picture events as item -1.
  const std::string background =
      settings_.BackgroundPicture ? PictureLocation(*root_, -1, *settings_.BackgroundPicture) : std::string();
  if (!css_) {
    PutExtra(lt_thms_Head);
    Put("</head>\n<body");
    if (settings_.Color != clNone) PutAttr("bgcolor", ColorText(settings_.Color));
    if (!background.empty()) {
      PutAttr("background", background);
      if (settings_.BackgroundAttachment == "fixed") Put(" bgproperties=\"fixed\"");
    }
    PutExtra(lt_thms_BodyAttribute);
    Put(">\n");
    PutExtra(lt_thms_Body);
    return;
  }
  Put("<meta http-equiv=\"Content-Style-Type\" content=\"text/css\"");
  EndEmpty();
  Put("\n<style type=\"text/css\">\n");
  if (!xhtml) Put("<!--\n");
  Put("body {\n  margin: ");
  for (int v : {settings_.TopMargin, settings_.RightMargin, settings_.BottomMargin, settings_.LeftMargin}) {
    PutInt(v);
    Put("px ");
  }
  buf_.back() = ';';
  Put('\n');
  if (settings_.Color != clNone) Put("  background-color: " + ColorText(settings_.Color) + ";\n");
  if (!background.empty()) {
    Put("  background-image: url(" + CSSString(Utf8ToUtf16(background)) + ");\n");
    // Keywords are written bare, so only letters, hyphens and blanks pass.
    auto keywords = [](const std::string& v) {
      const bool plain = !v.empty() && v.find_first_not_of("abcdefghijklmnopqrstuvwxyz- ") == std::string::npos;
      return plain ? v : std::string();
    };
    const std::pair<const char*, std::string> lines[] = {
        {"background-repeat", keywords(settings_.BackgroundRepeat)},
        {"background-attachment", keywords(settings_.BackgroundAttachment)},
        {"background-position", keywords(settings_.BackgroundPosition)}};
    for (const auto& [name, value] : lines)
      if (!value.empty()) Put("  " + std::string(name) + ": " + value + ";\n");
  }
  Put("}\n");
  const bool external = !settings_.ExternalCSS.empty() && !options_.Contains(lthoInlineCSS);
  if (!external && !options_.Contains(lthoInlineCSS)) WriteStyleSheet();
  // The caller's CSS may not end the style element early.
  std::string extra = settings_.ExtraCSS;
  for (size_t at = 0; (at = extra.find("</", at)) != std::string::npos;) extra.replace(at, 2, "<\\/");
  if (xhtml)
    for (size_t at = 0; (at = extra.find("]]>", at)) != std::string::npos;) extra.replace(at, 3, "]] >");
  Put(extra);
  if (!xhtml) Put("-->\n");
  Put("</style>\n");
  if (external) {
    Put("<link type=\"text/css\"");
    PutAttr("href", settings_.ExternalCSS);
    Put(" rel=\"stylesheet\"");
    EndEmpty();
    Put('\n');
  }
  PutExtra(lt_thms_Head);
  Put("</head>\n<body");
  PutExtra(lt_thms_BodyAttribute);
  Put(">\n");
  PutExtra(lt_thms_Body);
}

void TLTHTMLWriter::WriteTail() {
  Put('\n');
  PutExtra(lt_thms_End);
  Put("</body></html>\n");
}

}  // namespace lectern
