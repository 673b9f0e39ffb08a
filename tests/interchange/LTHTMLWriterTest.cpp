// The HTML writer: what an untrusted document may hold never escapes its
// place, pages parse without errors in a real HTML5 parser (html5lib), the
// XHTML in an XML parser and in tidy when they are installed, and picture
// files stay inside the output's folder.

#include "model/LTHTMLWriter.h"

#include "interchange/LTFormats.h"
#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "table/LTTable.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lectern {
namespace {

namespace fs = std::filesystem;

struct Doc : TLTDocument {
  Doc() {
    RegisterTableItemKind();
    RegisterSpecialItemKinds();
  }
};

std::string Html(const TCustomLTData& data, TLTHTMLWriteSettings s = {}) {
  TLTMemoryStream out;
  std::string error;
  EXPECT_TRUE(WriteHTML(data, nullptr, out, s, nullptr, &error)) << error;
  return out.TakeData();
}

bool Has(const std::string& s, std::string_view what) { return s.find(what) != std::string::npos; }

/// Runs a checker on the page; skipped (with a message) when the tool is
/// not installed.
void ExpectValid(const std::string& page, bool xhtml) {
  const fs::path file = fs::temp_directory_path() / ("lectern-html-" + std::to_string(::getpid()) + ".html");
  std::ofstream(file, std::ios::binary) << page;
  const std::string f = file.string();
  // The system's Python, which Debian's parser package installs into,
  // before any other on the path.
  const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  if (xhtml) {
    // An XML parser reads XHTML; an HTML parser would stop at its declaration.
  } else if (std::system((python + " -c 'import html5lib' 2>/dev/null").c_str()) == 0) {
    // Every parse error counts except the document type declarations, which
    // name the HTML versions older readers expect.
    const std::string cmd = python + " -c 'import html5lib,sys; p=html5lib.HTMLParser(); "
                            "p.parse(open(sys.argv[1],\"rb\")); e=[x for x in p.errors if x[1]!=\"unknown-doctype\"]; "
                            "print(e) if e else None; sys.exit(1 if e else 0)' " + f + " 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << page;
  } else {
    std::cerr << "html5lib is not installed (scripts/setup.sh --interop): HTML5 parse check skipped\n";
  }
  if (xhtml) {
    const std::string cmd = python + " -c 'import sys,xml.dom.minidom as m; m.parse(sys.argv[1])' " + f + " 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << page;
  }
  if (std::system("command -v tidy >/dev/null 2>&1") == 0) {
    // Exit status 2: errors; warnings (legacy attributes) are intended.
    const std::string cmd = "tidy -q -e " + f + " >/dev/null 2>&1";
    EXPECT_LT(WEXITSTATUS(std::system(cmd.c_str())), 2) << page;
  } else {
    std::cerr << "tidy is not installed (scripts/setup.sh --interop): tidy check skipped\n";
  }
  fs::remove(file);
}

constexpr std::u16string_view kInjection = u"<script>alert(1)</script>\"'*/</style>&";

TEST(HTMLWriter, UntrustedTextNamesAndTargetsNeverLeaveTheirPlace) {
  for (bool css : {true, false}) {
    Doc d;
    TFontInfo& f = d.Style.TextStyles()[1];
    f.FontName = std::u16string(kInjection);
    f.StyleName = std::u16string(kInjection);
    d.Style.TextStyles()[2].Jump = true;
    d.Style.ParaStyles()[0].StyleName = std::u16string(kInjection);
    d.Data.AddTextW(kInjection, 1, 0);
    d.Data.AddTextW(u"link", 2, -1, TLTTag::FromString(std::u16string(kInjection)));
    d.Data.AddTextW(u"bad", 2, -1, TLTTag::FromString(u" JavaScript:alert(1)"));
    d.Data.AddTextW(u"mark", 0, 0);
    TLTHTMLWriteSettings s;
    s.CSS = css;
    s.Title = std::u16string(kInjection);
    s.Options.Include(lthoCheckpointNames);
    const std::string page = Html(d.Data, s);
    EXPECT_FALSE(Has(page, "<script")) << page;
    EXPECT_FALSE(Has(page, "*/</style>")) << page;
    EXPECT_FALSE(Has(page, "javascript:")) << page;
    EXPECT_FALSE(Has(page, "JavaScript:")) << page;
    EXPECT_TRUE(Has(page, "&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#39;*/&lt;/style&gt;&amp;")) << page;
    // The style element ends once, where the writer ends it.
    EXPECT_EQ(page.find("</style"), page.rfind("</style")) << page;
    ExpectValid(page, false);
  }
}

TEST(HTMLWriter, SurrogatesControlsAndBlanks) {
  Doc d;
  d.Data.AddTextW(u" a\U0001F600b\xD800" u"c\x01" u"d   e ", 0, 0);
  std::string page = Html(d.Data);
  EXPECT_TRUE(Has(page, "&nbsp;a\xF0\x9F\x98\x80" "b\xEF\xBF\xBD" "cd &nbsp; e&nbsp;")) << page;
  TLTHTMLWriteSettings ascii;
  ascii.Options = {};
  page = Html(d.Data, ascii);
  EXPECT_TRUE(Has(page, "a&#128512;b&#65533;c")) << page;
  EXPECT_TRUE(Has(page, "charset=Windows-1252") || !Has(page, "charset=")) << page;
}

TEST(HTMLWriter, EightBitTextIsReadThroughItsOwnCodePage) {
  Doc d;
  d.Style.TextStyles()[1].Charset = 204;  // Cyrillic
  d.Data.AddTextA("\xC0\x80", 1, 0);       // U+0410, U+0402 in windows-1251
  d.Data.AddTextA("\x80", 0, 0);           // the euro sign in windows-1252
  const std::string page = Html(d.Data);
  EXPECT_TRUE(Has(page, "\xD0\x90\xD0\x82")) << page;
  EXPECT_TRUE(Has(page, "\xE2\x82\xAC")) << page;
}

TEST(HTMLWriter, NestedListsKeepTheParentItemOpen) {
  for (bool css : {true, false}) {
    Doc d;
    d.Style.ListStyles().Clear();
    TLTListInfo& list = d.Style.ListStyles().Add();
    for (TLTListType t : {ltlstDecimal, ltlstBullet}) list.Levels.Add().ListType = t;
    d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
    d.Data.AddTextW(u"one", 0, -1);
    d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 1, 1, false));
    d.Data.AddTextW(u"nested", 0, -1);
    d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
    d.Data.AddTextW(u"two", 0, -1);
    d.Data.AddTextW(u"after", 0, 0);
    TLTHTMLWriteSettings s;
    s.CSS = css;
    const std::string page = Html(d.Data, s);
    EXPECT_TRUE(Has(page, "one<ul")) << page;
    EXPECT_TRUE(Has(page, "nested</li></ul>\n</li>")) << page;
    EXPECT_TRUE(Has(page, "two</li></ol>")) << page;
    ExpectValid(page, false);
  }
}

std::unique_ptr<TLTTableItemInfo> Table(int rows, int cols, const char16_t* text) {
  auto t = std::make_unique<TLTTableItemInfo>(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      t->Cells(r, c)->Clear();
      t->Cells(r, c)->AddTextW(text, 0, 0);
    }
  return t;
}

TEST(HTMLWriter, TablesNotesAndRulesMakeValidPagesInEveryFlavour) {
  Doc d;
  auto t = Table(2, 3, u"c");
  t->MergeRect(0, 0, 1, 2, false);
  t->CellHSpacing = -1;
  t->CellVSpacing = -2;
  t->Cells(1, 1)->AddItem({}, Table(1, 1, u"in"));
  d.Data.AddTextW(u"before", 0, 0);
  d.Data.AddItem({}, std::move(t));
  d.Data.AddItem({}, std::make_unique<TLTBreakItemInfo>());
  for (int k = 0; k < 2; ++k) {
    auto note = std::make_unique<TLTFootnoteItemInfo>();
    note->SetNoteText(u"note text", 0, d.Data);
    note->ParaNo = k == 0 ? 0 : -1;
    d.Data.AddItem({}, std::move(note));
  }
  for (int flavour = 0; flavour < 3; ++flavour) {
    TLTHTMLWriteSettings s;
    s.CSS = flavour != 1;
    if (flavour == 2) s.Options.Include(lthoXHTML);
    const std::string page = Html(d.Data, s);
    EXPECT_TRUE(Has(page, "colspan=\"2\"")) << page;
    EXPECT_FALSE(Has(page, "cellspacing=\"-")) << page;
    // Each note once, with an anchor of its own.
    size_t notes = 0;
    for (size_t at = 0; (at = page.find("note text", at)) != std::string::npos; ++at) ++notes;
    EXPECT_EQ(notes, 2u) << page;
    EXPECT_TRUE(Has(page, "href=\"#footnote1\"") && Has(page, "id=\"footnote1\"")) << page;
    ExpectValid(page, flavour == 2);
  }
}

TEST(HTMLWriter, PlainXHTMLAndPathPrefixesAreRefused) {
  Doc d;
  d.Data.AddTextW(u"x", 0, 0);
  TLTMemoryStream out;
  TLTHTMLWriteSettings s;
  s.CSS = false;
  s.Options.Include(lthoXHTML);
  EXPECT_FALSE(WriteHTML(d.Data, nullptr, out, s));
  for (const char* prefix : {"../x", "a/b", "..", ""}) {
    TLTHTMLWriteSettings p;
    p.ImagePrefix = prefix;
    EXPECT_FALSE(WriteHTML(d.Data, nullptr, out, p)) << prefix;
  }
}

TEST(HTMLWriter, PictureFilesAreCreatedNewAndNeverThroughLinks) {
  const fs::path dir = fs::temp_directory_path() / ("lectern-html-pics-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "p1.png") << "kept";
  fs::create_symlink("/nonexistent-target", dir / "p2.png");
  Doc d;
  TLTPixels px;
  px.Width = 2;
  px.Height = 2;
  px.Data.assign(4, 0xFF102030u);
  for (int k = 0; k < 2; ++k) {
    auto png = std::make_unique<TPNGImage>();
    png->SetPixels(px);
    d.Data.AddItem({}, std::make_unique<TLTGraphicItemInfo>(std::move(png), 0));
  }
  TLTHTMLWriteSettings s;
  s.OutputFolder = dir.string();
  s.ImagePrefix = "p";
  const std::string page = Html(d.Data, s);
  EXPECT_TRUE(Has(page, "src=\"p3.png\"")) << page;
  EXPECT_TRUE(Has(page, "src=\"p4.png\"")) << page;
  EXPECT_TRUE(fs::is_symlink(dir / "p2.png"));
  // A write that fails takes its picture files away again.
  class TFull : public TLTMemoryStream {
   public:
    size_t Write(const void*, size_t) override { return 0; }
  } full;
  EXPECT_FALSE(WriteHTML(d.Data, nullptr, full, s));
  EXPECT_FALSE(fs::exists(dir / "p5.png"));
  fs::remove_all(dir);
}

// ---- One feature each, against expected pages in tests/data/interchange/html
// (UPDATE_GOLDEN=1 rewrites them for review) ----------------------------------------

/// The page from its body on (the whole page with whole): every page
/// shares the head of the text styles' pages.
void ExpectGolden(const std::string& name, const TCustomLTData& data, const TLTHTMLWriteSettings& s,
                  bool whole = false) {
  const std::string full = Html(data, s);
  ExpectValid(full, s.Options.Contains(lthoXHTML));
  const std::string page = whole ? full : full.substr(std::min(full.find("</head>"), full.size()));
  const fs::path path = fs::path(LECTERN_TEST_DATA) / "interchange" / "html" / (name + ".html");
  if (std::getenv("UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << page;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path << " is missing; run with UPDATE_GOLDEN=1";
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(expected.str(), page) << name;
}

TLTHTMLWriteSettings Flavour(bool css, TLTHTMLOptions more = {}) {
  TLTHTMLWriteSettings s;
  s.CSS = css;
  s.Options = s.Options | more;
  s.Title = u"Golden";
  return s;
}

/// Bold red, italic 16 pt, the blank rule, and the Symbol font.
struct StyledText : Doc {
  StyledText() {
    TFontInfo& strong = Style.TextStyles()[1];
    strong.Style = {fsBold};
    strong.Color = clRed;
    TFontInfo& big = Style.TextStyles()[2];
    big.Style = {fsItalic};
    big.Size = 16;
    big.FontName = u"Serif";
    TFontInfo& symbol = Style.TextStyles()[3];
    symbol.FontName = u"Symbol";
    Data.AddTextW(u" plain   spaced ", 0, 0);
    Data.AddTextW(u"strong", 1, -1);
    Data.AddTextW(u"big", 2, -1);
    Data.AddTextW(u"ab<\x82\uF061", 3, 0);
    Data.AddTextW(u"", 0, 0);
  }
};

TEST(HTMLGolden, TextStylesInBothFlavours) {
  StyledText d;
  ExpectGolden("text_styles_css", d.Data, Flavour(true), true);
  ExpectGolden("text_styles_plain", d.Data, Flavour(false), true);
  ExpectGolden("text_styles_xhtml", d.Data, Flavour(true, {lthoXHTML}), true);
}

TEST(HTMLGolden, ANumberedListWithANestedBulletLevel) {
  Doc d;
  d.Style.ListStyles().Clear();
  TLTListInfo& list = d.Style.ListStyles().Add();
  for (TLTListType t : {ltlstDecimal, ltlstBullet}) list.Levels.Add().ListType = t;
  list.Levels[1].LeftIndent = 48;
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
  d.Data.AddTextW(u"first", 0, -1);
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 1, 1, false));
  d.Data.AddTextW(u"nested", 0, -1);
  d.Data.AddTextW(u"after", 0, 0);
  ExpectGolden("list_nested_plain", d.Data, Flavour(false));
  ExpectGolden("list_nested_css", d.Data, Flavour(true));
  // As text, in a picture font: the pictures' nearest characters.
  TLTMarkerFont wingdings;
  wingdings.Font.Name = u"Wingdings";
  list.Levels[1].SetFont(&wingdings);
  list.Levels[1].FormatString = u"\u00A7";
  ExpectGolden("list_markers_as_text_css", d.Data, Flavour(true, {lthoMarkersAsText}));
}

TEST(HTMLGolden, ParagraphsAlignDirectionAndPageBreaks) {
  Doc d;
  TParaInfo& centred = d.Style.ParaStyles()[1];
  centred.Alignment = ltaCenter;
  TParaInfo& rtl = d.Style.ParaStyles().Add();
  rtl.BiDiMode = ltbdRightToLeft;
  rtl.Alignment = ltaJustify;
  d.Data.AddTextW(u"centred", 0, 1);
  d.Data.AddTextW(u"\u05E9\u05DC\u05D5\u05DD", 0, 2);
  d.Data.AddTextW(u"new page", 0, 0);
  d.Data.GetItem(2).ItemFlags |= ltifNewPage;
  d.Data.AddItem({}, std::make_unique<TLTBreakItemInfo>());
  ExpectGolden("paragraphs_plain", d.Data, Flavour(false, {lthoCSSForNonText}));
  ExpectGolden("paragraphs_css", d.Data, Flavour(true));
}

TEST(HTMLGolden, TablesWithSpansCollapsedBordersAndANestedTable) {
  Doc d;
  auto t = Table(2, 3, u"c");
  t->MergeRect(0, 0, 1, 2, false);
  t->CellHSpacing = -1;
  t->CellVSpacing = -1;
  t->BestWidth = -80;
  t->Cells(1, 2)->Color = clYellow;
  t->Cells(1, 1)->AddItem({}, Table(1, 1, u"in"));
  d.Data.AddItem({}, std::move(t));
  ExpectGolden("table_css", d.Data, Flavour(true));
  ExpectGolden("table_plain", d.Data, Flavour(false));
}

TEST(HTMLGolden, LinksAnchorsAndNotes) {
  Doc d;
  d.Style.TextStyles()[4].Jump = true;
  d.Data.AddNamedCheckpoint(u"top", false, {});
  d.Data.AddTextW(u"see ", 0, 0);
  d.Data.AddTextW(u"the site", 4, -1, TLTTag::FromString(u"https://example.org/a?b=1&c=2"));
  auto foot = std::make_unique<TLTFootnoteItemInfo>();
  foot->SetNoteText(u"A footnote.", 0, d.Data);
  d.Data.AddItem({}, std::move(foot));
  d.Data.AddNamedCheckpoint(u"", false);
  auto end = std::make_unique<TLTEndnoteItemInfo>();
  end->SetNoteText(u"An endnote.", 0, d.Data);
  d.Data.AddItem({}, std::move(end));
  ExpectGolden("links_notes_css", d.Data, Flavour(true, {lthoCheckpointNames}));
  ExpectGolden("links_notes_plain", d.Data, Flavour(false));
}

TEST(HTMLWriter, AListsPictureIsStoredOnceAndShownAsTheItemsImage) {
  const fs::path dir = fs::temp_directory_path() / ("lectern-html-markers-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  Doc d;
  d.Style.ListStyles().Clear();
  TLTListLevel& level = d.Style.ListStyles().Add().Levels.Add();
  level.ListType = ltlstPicture;
  TPNGImage dot;
  TLTPixels px;
  px.Width = px.Height = 2;
  px.Data.assign(4, 0xFF102030u);
  dot.SetPixels(px);
  level.SetPicture(&dot);
  for (const char16_t* text : {u"one", u"two"}) {
    d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
    d.Data.AddTextW(text, 0, -1);
  }
  TLTHTMLWriteSettings s;
  s.OutputFolder = dir.string();
  s.ImagePrefix = "m";
  const std::string page = Html(d.Data, s);
  size_t uses = 0;
  for (size_t at = 0; (at = page.find("list-style-image: url(&#39;m1.png&#39;)", at)) != std::string::npos; ++at) ++uses;
  EXPECT_EQ(uses, 2u) << page;
  EXPECT_FALSE(fs::exists(dir / "m2.png"));
  ExpectValid(page, false);
  fs::remove_all(dir);
}

TEST(HTMLWriter, PictureFontCodesBecomeTheCharactersTheyStandFor) {
  Doc d;
  d.Style.TextStyles()[1].FontName = u"symbol";
  // The font's last code, a character beyond its codes, then a letter.
  d.Data.AddTextW(u"\u00FE\u2200x", 1, 0);
  d.Style.ListStyles().Clear();
  TLTListLevel& level = d.Style.ListStyles().Add().Levels.Add();
  TLTMarkerFont wingdings;
  wingdings.Font.Name = u"Wingdings";
  level.SetFont(&wingdings);
  level.FormatString = u"\u00A7\u00B7(l\u0082\u00C8";
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 1, false));
  d.Data.AddTextW(u"item", 0, -1);
  const std::string page = Html(d.Data, Flavour(true, {lthoMarkersAsText}));
  EXPECT_TRUE(Has(page, "/\xE2\x88\x80&xi;")) << page;
  EXPECT_TRUE(Has(page, "&#9642;&#9678;&#9742;&#9679;&#50;&#8226;")) << page;
}

TEST(HTMLWriter, TheStyleSheetAloneHoldsWhatAStyleAddsToItsBase) {
  Doc d;
  TFontInfo& derived = d.Style.TextStyles().Add();
  derived.Assign(d.Style.TextStyles()[1]);
  derived.BaseStyleNo = 1;
  derived.Color = clRed;
  TLTMemoryStream all, relative;
  ASSERT_TRUE(WriteCSS(d.Style, all, {}));
  ASSERT_TRUE(WriteCSS(d.Style, relative, {ltcssOnlyDifferences, ltcssNoLeftAlignment}));
  const std::string a = all.TakeData(), r = relative.TakeData();
  EXPECT_TRUE(Has(a, "span.ltts6\n{\n font-size: 10pt;")) << a;
  EXPECT_TRUE(Has(r, "span.ltts6\n{\n color: #ff0000;\n}")) << r;
  EXPECT_TRUE(Has(a, "text-align: left")) << a;
  TFontInfo& link = d.Style.TextStyles()[4];
  link.Style = {};
  link.HoverBackColor = clYellow;
  link.HoverEffects = {ltheUnderline};
  TLTMemoryStream hover;
  ASSERT_TRUE(WriteCSS(d.Style, hover, {}));
  EXPECT_TRUE(Has(hover.TakeData(), "a.ltts4:hover { background-color: #ffff00; text-decoration: underline; }"));
  EXPECT_FALSE(Has(r, "text-align: left")) << r;
}

TEST(HTMLWriter, TheFormatRegistryOffersEveryFlavourAndTheClipboardFlavour) {
  for (const char* name : {"page.html", "page.htm", "page.xhtml"}) EXPECT_NE(FindFormatForFile(name), nullptr) << name;
  EXPECT_EQ(FindFormatByName("html")->MimeType, "text/html");
}

}  // namespace
}  // namespace lectern
