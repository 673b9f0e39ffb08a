#pragma once
// HTML output of a document or of a range of it, in two flavours: plain
// markup (font tags, division elements with alignment) and markup with a
// style sheet made from the text and paragraph styles, optionally as XHTML.
// One writer serves the whole output, like the RTF writer: items that are
// not text write themselves through TCustomLTItemInfo::SaveHTML with the
// helpers below, and items that hold documents (table cells) hand them back
// to WriteDocument one nesting level deeper. Notes are collected while the
// body is written and written once, after it, by the top-level write.
//
// Everything taken from the document is untrusted: it may come from a
// template, a database or pasted text. Text and attribute values are
// escaped where they land, CSS strings and comments cannot end their
// context, link targets with a script scheme are dropped, and picture files
// are only ever created new (or replace a regular file on request) inside
// the output's folder.

#include "model/LTItem.h"
#include "platform/LTTypes.h"

#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

class TCustomLTData;
class TGraphic;
class TLTListLevel;
class TLTStream;
class TLTStyle;
struct TLTItemRange;
struct TLTPixels;

/// What HTML output writes, in the order of the published set's bits.
enum TLTHTMLOption : uint8_t {
  lthoOverwriteImages,
  lthoHeadOnly,
  lthoBodyOnly,
  lthoTailOnly,
  lthoNoDefaultFont,
  lthoNoImageBorders,
  lthoImageSizes,
  lthoCSSForNonText,
  lthoCheckpointNames,
  lthoMarkersAsText,
  lthoInlineCSS,
  lthoStyle0Classes,
  lthoItemImageFileNames,
  lthoXHTML,
  lthoUTF8,
};
using TLTHTMLOptions = TLTSet<TLTHTMLOption, uint16_t>;

/// What a caller chooses about one write.
struct TLTHTMLWriteSettings {
  /// The flavour with a style sheet (true) or plain markup.
  bool CSS = true;
  TLTHTMLOptions Options{lthoUTF8};
  /// The page's title.
  std::u16string Title;
  /// Folder picture files are created in; empty: pictures are left out
  /// with a warning (a clipboard has no folder).
  std::string OutputFolder;
  /// Start of picture file names; a plain name (no separator, no "..").
  std::string ImagePrefix = "image";
  /// Style sheet file the page links to instead of its own style sheet.
  std::u16string ExternalCSS;
  /// CSS of the caller appended to the page's style sheet.
  std::string ExtraCSS;
  /// Start of the names of anchors made for checkpoints without a name.
  std::u16string CheckpointPrefix = u"LecternCheckpoint";
  /// Page colour; clNone writes none.
  TColor Color = clNone;
  /// Page margins in pixels.
  int LeftMargin = 5, TopMargin = 5, RightMargin = 5, BottomMargin = 5;
  /// The page's background picture, stored beside the page like any
  /// picture, and how it lies, as CSS says it (an empty position: none).
  const TGraphic* BackgroundPicture = nullptr;
  std::string BackgroundRepeat = "repeat";
  std::string BackgroundAttachment = "scroll";
  std::string BackgroundPosition;
};

/// Writes the document, or the range of it, as an HTML page. False, with
/// the reason in error when given, when the stream refused bytes, a picture
/// could not be stored or the settings are unusable; picture files this
/// write created are then removed again. Warnings (what HTML cannot carry,
/// one line each with the item number) go to warnings when given.
bool WriteHTML(const TCustomLTData& data, const TLTItemRange* range, TLTStream& out,
               const TLTHTMLWriteSettings& settings, std::vector<std::string>* warnings = nullptr,
               std::string* error = nullptr);

/// What WriteCSS writes.
enum TLTCSSFlag : uint8_t {
  ltcssOnlyDifferences,  // a style with a base style holds only what differs from it
  ltcssNoLeftAlignment,  // left alignment, the default, is left out
  ltcssStyle0Classes,    // style 0 gets classes like the others
  ltcssUTF8,             // names in UTF-8 rather than character references
  ltcssNoDefaultFont,    // no rule for text style 0
};
using TLTCSSFlags = TLTSet<TLTCSSFlag, uint8_t>;

/// The style sheet's CSS alone, as a page's style element holds it. False
/// when the stream refused bytes.
bool WriteCSS(const TLTStyle& style, TLTStream& out, TLTCSSFlags flags);

/// The charset name a page declares for a Windows charset; empty for the
/// charsets that name none.
std::string_view HTMLCharsetName(int charset);

/// The writer's state and the helpers items write themselves with.
class TLTHTMLWriter {
 public:
  TLTHTMLWriter(const TCustomLTData& root, TLTStream& out, const TLTHTMLWriteSettings& settings,
                std::vector<std::string>* warnings);
  ~TLTHTMLWriter();
  TLTHTMLWriter(const TLTHTMLWriter&) = delete;
  TLTHTMLWriter& operator=(const TLTHTMLWriter&) = delete;

  /// The whole output. False when anything failed (see Error()).
  bool Write(const TCustomLTData& data, const TLTItemRange* range);
  /// The style sheet alone (WriteCSS).
  bool WriteCSSOnly(bool onlyDifferences, bool noLeftAlignment);
  const std::string& Error() const { return error_; }

  // ---- For items ----------------------------------------------------------------
  /// Markup, as it is.
  void Put(std::string_view html) { buf_.append(html); }
  void Put(char c) { buf_.push_back(c); }
  void PutInt(int64_t v);
  /// Text content, escaped.
  void PutText(std::u16string_view text) { PutEscaped(text, false); }
  /// Text in the Symbol font: its codes are Greek letters and signs, which
  /// a page can only show by name (or, in XHTML, as the characters).
  void PutSymbolText(std::u16string_view text);
  /// Codes of the Wingdings font as the characters nearest their pictures.
  void PutWingdingsText(std::u16string_view text);
  /// An attribute: a blank, the name and the escaped value in double quotes.
  void PutAttr(std::string_view name, std::u16string_view value);
  void PutAttr(std::string_view name, std::string_view asciiValue);
  void PutAttr(std::string_view name, int64_t value);
  /// " /" in XHTML, then ">": the end of an empty element.
  void EndEmpty() { Put(IsXHTML() ? " />" : ">"); }
  /// "#rrggbb" of a colour (system colours resolved); empty for clNone.
  static std::string ColorText(TColor color);
  /// A CSS string in single quotes that nothing inside can end.
  static std::string CSSString(std::u16string_view s);
  /// Stores a picture as a file beside the page; its location relative to
  /// the page, or empty (the write then fails, or, without a folder, the
  /// picture is left out with a warning).
  std::string SavePicture(const TGraphic& graphic);
  /// The same for decoded pixels (image lists), stored as PNG.
  std::string SavePixels(const TLTPixels& pixels);
  /// The location of item itemNo's picture: the application's, when its
  /// handlers give one, else the picture stored beside the page.
  std::string PictureLocation(const TCustomLTData& data, int itemNo, const TGraphic& graphic);
  /// The application's markup for an area of the page, as it is.
  void PutExtra(TLTHTMLSaveArea area);
  /// Writes the items of a document held by an item (a table cell) at a
  /// nesting level, on an area background colour.
  void WriteDocument(const TCustomLTData& data, int level, TColor background);
  /// A note met in the body: its anchor name, unique in the page; the note's
  /// document is written after the body.
  std::u16string AddNote(bool endnote, int number, const TCustomLTData& document);
  /// A warning about the top-level item being written.
  void Warn(std::string_view what);
  /// Marks the write failed with a reason (the first one is kept).
  void Fail(std::string_view reason);

  bool IsCSS() const { return css_; }
  bool IsXHTML() const { return options_.Contains(lthoXHTML); }
  /// Presentation goes through style attributes (CSS flavour, or the plain
  /// flavour's option for non-text items).
  bool UsesCSSForNonText() const { return css_ || options_.Contains(lthoCSSForNonText); }
  TLTHTMLOptions Options() const { return options_; }
  const TLTStyle& Style() const { return style_; }
  int Level() const { return level_; }
  TColor AreaColor() const { return areaColor_; }

 private:
  struct TBodyState;
  struct TNote {
    bool Endnote;
    std::u16string Anchor;
    const TCustomLTData* Document;
  };
  // Head and style sheet (LTHTMLHead.cpp).
  void WriteHead();
  void WriteTail();
  void WriteStyleSheet(bool onlyDifferences = false, bool noLeftAlignment = false);
  /// A style's CSS declarations, as WriteStyleSheet puts them.
  std::string StyleCSS(bool text, int styleNo);
  /// The declarations of one rule: all of them, or what differs from the
  /// base style, without left alignment when asked.
  void PutRule(bool text, int styleNo, int32_t base, int count, bool onlyDifferences, bool noLeftAlignment);
  void PutTextStyleCSS(int styleNo);
  void PutParaStyleCSS(int paraNo);
  void PutCSSComment(std::u16string_view text);
  // Body (LTHTMLWriter.cpp).
  void WriteBody(const TCustomLTData& data, const TLTItemRange& range, bool partial);
  void StartParagraph(const TCustomLTData& data, int i, TBodyState& s);
  void CloseParagraph(TBodyState& s);
  void AdjustLists(const TCustomLTData& data, int i, TBodyState& s);
  void CloseLists(TBodyState& s, size_t depth);
  void WriteItem(const TCustomLTData& data, int i, const TLTItemRange& range, bool partial, TBodyState& s);
  bool OpenHyperlink(const TCustomLTData& data, int i, int32_t textStyle);
  void PutAnchor(std::u16string name);
  /// The paragraph's class (or its attributes), with more CSS for its style.
  void PutParaClass(int32_t paraNo, bool pageBreak, std::string_view moreStyle = {});
  /// Where a list level's picture is stored, once per write.
  std::string MarkerImageLocation(const TLTListLevel& level, int counter);
  void PutPlainFontOpen(int32_t textStyle, std::vector<std::string_view>& closers);
  void WriteNotes();
  // Text and files (LTHTMLText.cpp).
  void PutEscaped(std::u16string_view text, bool attribute);
  void PutCodePoint(char32_t c);
  std::string StoreFile(std::string_view extension, std::string_view bytes);
  void Flush();

  TLTStream& out_;
  const TLTStyle& style_;
  const TLTHTMLWriteSettings& settings_;
  TLTHTMLOptions options_;
  bool css_;
  std::vector<std::string>* warnings_;
  std::string buf_;
  std::string error_;
  bool failed_ = false;
  int level_ = 0;
  int topItem_ = -1;
  TColor areaColor_ = clNone;
  int anchorCounter_ = 0;
  int imageSaveNo_ = 0;
  bool style0Default_ = false;
  bool bodyOnly_ = false;
  const TCustomLTData* root_ = nullptr;
  std::set<std::u16string> anchors_;
  std::vector<TNote> notes_;
  /// Picture files this write created; removed again when it fails.
  std::vector<std::string> created_;
  /// Locations of marker pictures already stored: by picture or image list
  /// and index, and the background they were stored for.
  std::map<std::tuple<const void*, int, TColor>, std::string> markerImages_;
};

}  // namespace lectern
