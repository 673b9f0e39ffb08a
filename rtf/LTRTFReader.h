#pragma once
// The RTF reader: the second half of reading RTF, over the tokenizer. It
// keeps the group state stack and the font, colour, style, list and list
// override tables, and reports the content to its owner through events:
// runs of 8-bit or UTF-16 text with the position at which they start,
// pictures, tables, notes, bookmarks, sequence fields, page breaks and
// list-marker updates. It builds no document; the import (LTRTFImport.h)
// is the owner that does.
//
// The reader is table-driven: a sorted keyword table (LTRTFKeywords.cpp)
// says of every control word whether it is a character, a destination, a
// property or one of the special words; a destination code in the group
// state says what ordinary characters mean. RTF is outside input: every
// count, size and nesting level is held within the limits below, and a
// read never raises (a result code says how it ended).

#include "platform/LTCodePage.h"
#include "platform/LTGraphic.h"
#include "platform/LTTypes.h"
#include "style/LTStyle.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

class TLTStream;
class TLTRTFTokenizer;
struct TLTRTFKeyword;

// ---- Limits ------------------------------------------------------------------------------

/// Open groups; one more is rtfStackOverflow.
constexpr int LTRTFMaxGroupDepth = 256;
/// Table nesting the reader reports (deeper \itap values are clamped).
constexpr int LTRTFMaxTableNesting = 64;
/// Cells of one table row; later \cellx are ignored.
constexpr int LTRTFMaxRowCells = 256;
/// Levels of a list-table list, and old-style numbering levels.
constexpr int LTRTFMaxListLevels = 9;
/// Entries of the font, colour and style tables, lists and overrides.
constexpr int LTRTFMaxTableEntries = 32768;
/// Tab stops of one paragraph.
constexpr int LTRTFMaxTabs = 64;
/// Characters kept of a name, field instruction or level text.
constexpr size_t LTRTFMaxNameLength = 65536;
/// Bytes skipped after \u: \uc is held within 0..8.
constexpr int LTRTFMaxUnicodeSkip = 8;
/// A picture larger than this many pixels, or scaled by more than this
/// percentage, is replaced by the invalid picture without being decoded.
constexpr int64_t LTRTFMaxPicturePixels = 64LL * 1024 * 1024;
constexpr int LTRTFMaxPictureScale = 10000;

// ---- Results and event kinds -------------------------------------------------------------

enum TLTRTFResult : uint8_t {
  rtfOK = 0,
  rtfStackUnderflow = 1,
  rtfStackOverflow = 2,
  rtfUnmatchedBrace = 3,
  rtfInvalidHex = 4,
  rtfBadTable = 5,
  rtfAssertion = 6,
  rtfEndOfFile = 7,
  rtfException = 9,
  rtfInvalidPicture = 10,
  rtfEventException = 11,
};
/// A short English description of a result code.
const char* RTFResultText(TLTRTFResult result);

/// How a run stands to what came before it.
enum TLTRTFPosition : uint8_t { rtf_ts_ContinuePara, rtf_ts_NewLine, rtf_ts_NewPara };
enum TLTRTFTableEventKind : uint8_t {
  ltf_tbl_TableStart,
  ltf_tbl_TableEnd,
  ltf_tbl_TableForcedEnd,
  ltf_tbl_RowEnd,
  ltf_tbl_CellEnd,
};
enum TLTRTFHeaderFooterType : uint8_t { rtf_hf_MainText, rtf_hf_Header, rtf_hf_Footer };
enum TLTRTFNoteEventType : uint8_t { rtf_ne_Character, rtf_ne_Start, rtf_ne_EndNote, rtf_ne_End };
enum TLTRTFSeqType : uint8_t {
  rtf_seqDecimal,
  rtf_seqLowerAlpha,
  rtf_seqUpperAlpha,
  rtf_seqLowerRoman,
  rtf_seqUpperRoman
};
enum TLTRTFProgressStage : uint8_t { ltprtfprStarting, ltprtfprRunning, ltprtfprEnding };
enum TLTRTFHighlightConvert : uint8_t { rtf_hl_Ignore, rtf_hl_FixedColors, rtf_hl_ColorTable };

// ---- Properties ------------------------------------------------------------------------------

/// Character properties of the current group.
struct TLTRTFCharProperties {
  TFontStyles Style;  // bold, italic, underline, strike-out
  bool Caps = false;
  bool Hidden = false;
  /// Font size in half points (\fs).
  int32_t SizeHalfPoints = 24;
  TColor Color = clWindowText;
  TColor BackColor = clNone;
  bool HighlightSet = false;
  /// Index into the font table, or -1.
  int32_t FontIndex = -1;
  /// A SYMBOL field's own font name (empty: the font table's).
  TLTString FontNameOverride;
  int32_t Language = 0;
  bool RightToLeft = false;
  int32_t CharScale = 100;
  /// Extra spacing in twips (\expndtw).
  int32_t Spacing = 0;
  TLTSubSuperScriptType SubSuper = ltsssNormal;
  /// Vertical offset in half points (\up positive, \dn negative).
  int32_t VShift = 0;
  TLTUnderlineType UnderlineType = ltutNormal;
  TColor UnderlineColor = clNone;

  /// The size in points, rounded, at least 1.
  int32_t SizePoints() const;
  bool operator==(const TLTRTFCharProperties&) const = default;
};

/// One side of a border: RTF border kind (0 none .. 27), width and
/// spacing in twips, colour.
struct TLTRTFBorderSide {
  bool Present = false;
  int32_t Kind = 0;
  int32_t Width = 0;
  TColor Color = clWindowText;
  int32_t Space = 0;
};

enum TLTRTFBorderSideIndex : uint8_t { rtf_side_Left, rtf_side_Top, rtf_side_Right, rtf_side_Bottom };

/// A tab stop: position in twips; kind 0 left, 1 right, 2 centre, 3
/// decimal; leader 0 none, 1 dots, 2 middle dots, 3 hyphens, 4 underline
/// (and thick line), 5 equal signs.
struct TLTRTFTab {
  int32_t Position = 0;
  uint8_t Kind = 0;
  uint8_t Leader = 0;
  /// Marked \jclisttab: the list's tab.
  bool ListTab = false;
  bool operator==(const TLTRTFTab&) const = default;
};

/// Old-style (\pn) numbering of a paragraph.
struct TLTRTFMarkerProperties {
  /// 0 none; 1..9 \pnlvl; 10 \pnlvlbody; 11 \pnlvlblt.
  int32_t Level = 0;
  /// 0 none; 1 decimal, 2 lower letters, 3 upper letters, 4 lower Roman, 5 upper Roman.
  int32_t NumberType = 0;
  bool Hang = false;
  int32_t Start = 1;
  int32_t Indent = 0;
  int32_t Space = 0;
  /// 0 left, 1 right, 2 centre.
  int32_t Align = 0;
  TFontStyles Style;
  TColor Color = clWindowText;
  int32_t FontIndex = -1;
  int32_t SizeHalfPoints = 0;
  TLTString TextBefore;
  TLTString TextAfter;
};

/// Paragraph properties of the current group.
struct TLTRTFParaProperties {
  int32_t LeftIndent = 0;
  int32_t RightIndent = 0;
  int32_t FirstIndent = 0;
  int32_t SpaceBefore = 0;
  int32_t SpaceAfter = 0;
  int32_t LineSpacing = 240;
  bool LineMultiple = true;
  TLTAlignment Alignment = ltaLeft;
  bool RightToLeft = false;
  TLTRTFBorderSide Borders[4];
  TColor ShadingColor = clNone;
  TColor PatternColor = clNone;
  /// Shading in hundredths of a percent (0..10000).
  int32_t Shading = 0;
  std::vector<TLTRTFTab> Tabs;
  bool Keep = false;
  bool KeepNext = false;
  bool InTable = false;
  /// \itap: the table nesting level of the paragraph.
  int32_t NestingLevel = 1;
  /// \ls (0 none) and \ilvl.
  int32_t ListOverride = 0;
  int32_t ListLevel = 0;
  bool HasMarker = false;
  TLTRTFMarkerProperties Marker;

  /// The nesting level the paragraph stands at (0 outside tables).
  int32_t TableLevel() const { return InTable ? std::max(1, NestingLevel) : 0; }
  bool HasBorders() const;
  /// The background colour: the shading colour blended with the pattern
  /// colour by the shading, or clNone.
  TColor BackgroundColor() const;
};

/// Section properties (kept; the import does not change pages).
struct TLTRTFSectionProperties {
  int32_t Columns = 1;
  int32_t BreakKind = 4;
  int32_t PageNumberStart = 1;
};

/// Document properties.
struct TLTRTFDocProperties {
  int32_t PaperWidth = 12240;
  int32_t PaperHeight = 15840;
  int32_t MarginLeft = 1800;
  int32_t MarginRight = 1800;
  int32_t MarginTop = 1440;
  int32_t MarginBottom = 1440;
  bool Landscape = false;
  bool FacingPages = false;
  int32_t ViewScale = 100;
};

/// A cell definition of a row (everything before its \cellx).
struct TLTRTFCellProperties {
  /// Right boundary in twips (\cellx).
  int32_t Right = 0;
  /// 0 none, 1 first of a merge, 2 merged into the one on the left (above).
  uint8_t MergeH = 0;
  uint8_t MergeV = 0;
  int32_t Width = 0;
  int32_t WidthType = 0;
  bool HasWidth = false;
  TColor Color = clNone;
  TColor PatternColor = clNone;
  int32_t Shading = 0;
  /// 0 top, 1 bottom, 2 centre.
  uint8_t VAlign = 0;
  TLTRTFBorderSide Borders[4];
  /// The private widths of the writer of this program (pixels); -1 none.
  int32_t PrivateWidth = -1;
  int32_t PrivateHeight = -1;
};

/// The properties of the table row being read.
struct TLTRTFRowProperties {
  int32_t Left = 0;
  int32_t Gap = 0;
  int32_t Height = 0;
  /// 0 left, 1 right, 2 centre; -1 not given.
  int32_t Align = -1;
  bool Header = false;
  bool LastRow = false;
  int32_t Padding[4] = {0, 0, 0, 0};
  bool HasPadding[4] = {false, false, false, false};
  int32_t Spacing[4] = {0, 0, 0, 0};
  bool HasSpacing[4] = {false, false, false, false};
  /// Preferred width (\trwWidth) in the unit of \trftsWidth (2 fiftieths
  /// of a percent, 3 twips, else automatic).
  int32_t Width = 0;
  int32_t WidthUnit = 0;
  TLTRTFBorderSide Borders[6];  // left, top, right, bottom, inner horizontal, inner vertical
  std::vector<TLTRTFCellProperties> Cells;
  /// The private table width (pixels); -1 none.
  int32_t PrivateTableWidth = -1;
  bool HasPrivateWidths = false;
};

// ---- Tables collected while reading ----------------------------------------------------

struct TLTRTFFont {
  int32_t Number = 0;
  int32_t Family = 0;
  int32_t Charset = 1;
  TLTString Name;
};

struct TLTRTFStyleSheetEntry {
  int32_t Number = 0;
  /// 0 paragraph, 1 character, 2 section.
  uint8_t Kind = 0;
  int32_t BasedOn = -1;
  int32_t Next = -1;
  TLTString Name;
  TLTRTFCharProperties CharProps;
  TLTRTFParaProperties ParaProps;
};

struct TLTRTFListLevel97 {
  int32_t Format = 0;  // \levelnfc
  int32_t Alignment = 0;
  int32_t StartAt = 1;
  int32_t Indent = 0;
  int32_t Space = 0;
  int32_t Follow = 0;
  bool Legal = false;
  bool NoRestart = false;
  /// \leveltext, its length character first.
  TLTString Text;
  /// \levelnumbers: the positions of the placeholders in Text.
  std::string Numbers;
  int32_t FontIndex = -1;
  TLTRTFCharProperties CharProps;
  int32_t LeftIndent = 0;
  int32_t FirstIndent = 0;
  int32_t Tab = 0;
  bool HasTab = false;
};

struct TLTRTFList97 {
  int32_t ListId = 0;
  bool Simple = false;
  TLTString Name;
  std::vector<TLTRTFListLevel97> Levels;
};

struct TLTRTFListOverrideLevel97 {
  int32_t StartAt = 1;
  bool HasStartAt = false;
  /// Set once a marker has taken the start value.
  bool Used = false;
};

struct TLTRTFListOverride97 {
  int32_t ListId = 0;
  int32_t Number = 0;  // \ls
  int32_t Count = 0;
  std::vector<TLTRTFListOverrideLevel97> Levels;
};

/// A picture as the reader found it.
struct TLTRTFPicture {
  /// 0 emf, 1 png, 2 jpeg, 3 mac, 4 os/2 metafile, 5 wmf, 6 dib, 7 ddb; -1 unknown.
  int32_t Kind = -1;
  int32_t MetafileMapping = 0;
  int32_t PicW = 0, PicH = 0;
  int32_t GoalW = 0, GoalH = 0;
  int32_t ScaleX = 100, ScaleY = 100;
  int32_t BitsPerPixel = 1;
  int32_t Planes = 1;
  int32_t WidthBytes = 0;
  /// Inside \shppict: a picture that may have an alternative.
  bool Preferred = false;
  std::string Data;
  /// Display size in pixels (0 when the record gives none).
  int32_t DisplayWidth = 0, DisplayHeight = 0;
};

// ---- The reader ---------------------------------------------------------------------------

/// The state of one open group: "{" pushes a copy, "}" pops it.
struct TLTRTFReaderState {
  /// What ordinary characters mean (a TLTRTFDest code).
  uint8_t Dest = 0;
  TLTRTFCharProperties Char;
  TLTRTFParaProperties Para;
  TLTRTFSectionProperties Sect;
  /// The field being read (an index into the reader's fields), or -1.
  int32_t FieldIndex = -1;
  bool InNote = false;
  /// 0 main text, 1 header, 2 footer.
  uint8_t HeaderFooter = 0;
  /// Inside \shppict: pictures are preferred ones.
  bool InShpPict = false;
  /// Inside \nesttableprops: row properties of a nested table.
  bool NestProps = false;
};

/// Reads one RTF stream and reports what it holds. One read at a time.
class TLTRTFReader {
 public:
  TLTRTFReader();
  ~TLTRTFReader();
  TLTRTFReader(const TLTRTFReader&) = delete;
  TLTRTFReader& operator=(const TLTRTFReader&) = delete;

  // ---- Settings ----
  /// Code page of the document until \ansicpg (0: the system's).
  TLTCodePage DefCodePage = 0;
  TLTRTFHighlightConvert ConvertHighlight = rtf_hl_FixedColors;
  bool ExtractMetafileBitmaps = true;
  /// Resolution of picture sizes.
  int PixelsPerInch = 96;
  /// Tabs come as runs of their own.
  bool TabsAsSeparateRuns = false;
  /// The folder of the document, for linked pictures.
  std::string BasePath;
  /// Linked pictures (INCLUDEPICTURE, IMPORT) may be loaded from files:
  /// only regular files under BasePath, of at most MaxLinkedPictureSize
  /// bytes, never addresses. Off by default, and never for pasted RTF.
  bool LoadLinkedPictures = false;
  int64_t MaxLinkedPictureSize = 16 * 1024 * 1024;

  // ---- Events ----
  std::function<void(std::string_view text, TLTRTFPosition position)> OnNewText;
  std::function<void(std::u16string_view text, TLTRTFPosition position)> OnNewUnicodeText;
  /// The handler takes the graphic (and returns true) when it inserts it.
  std::function<bool(TLTRTFPicture& picture, std::unique_ptr<TGraphic>& graphic, TLTRTFPosition position,
                     const std::string& fileName)>
      OnNewPicture;
  std::function<void()> OnUpdateMarker;
  /// Returns whether the event was processed (a table end may be refused).
  std::function<bool(TLTRTFTableEventKind what)> OnTable;
  std::function<void()> OnRequiredPageBreak;
  /// Returns whether the header or footer is wanted.
  std::function<bool(TLTRTFHeaderFooterType type, bool starting)> OnHeaderFooter;
  std::function<void(TLTRTFNoteEventType what, TLTRTFPosition position)> OnNote;
  /// A linked picture: may give the graphic or mark the location invalid.
  std::function<void(const std::string& location, std::unique_ptr<TGraphic>& graphic, bool& invalid)> OnImportPicture;
  /// Replaces a keyword: the text (fed as ordinary bytes) and whether the
  /// keyword still does what it does.
  std::function<void(std::string_view keyword, int32_t param, bool hasParam, std::string& text, bool& doDefault)>
      OnTranslateKeyword;
  std::function<void(TLTRTFProgressStage stage, int percent)> OnProgress;
  std::function<void()> OnEndParsing;
  std::function<void(const TLTString& name)> OnBookmarkStart;
  std::function<void(TLTRTFPosition position, const TLTString& name, TLTRTFSeqType type, bool reset, int32_t start)>
      OnNewSeq;

  // ---- Reading ----
  /// Reads the stream from its position to its end.
  TLTRTFResult ReadFromStream(TLTStream& stream);
  /// Reads bytes held in memory (they must outlive the call only).
  TLTRTFResult ReadFromBytes(std::string_view bytes);

  // ---- State for event handlers ----
  const TLTRTFCharProperties& CharProps() const;
  const TLTRTFParaProperties& ParaProps() const;
  const TLTRTFSectionProperties& SectionProps() const;
  const TLTRTFDocProperties& DocProps() const { return doc_; }
  /// The row properties of a table nesting level (1 the outermost).
  const TLTRTFRowProperties& RowProps(int level) const;
  const std::vector<TLTRTFFont>& Fonts() const { return fonts_; }
  const std::vector<TColor>& Colors() const { return colors_; }
  const std::vector<TLTRTFStyleSheetEntry>& StyleSheet() const { return styles_; }
  std::vector<TLTRTFList97>& ListTable() { return lists_; }
  std::vector<TLTRTFListOverride97>& ListOverrides() { return overrides_; }
  /// The font of the current text, or null.
  const TLTRTFFont* CurrentFont() const;
  /// The code page of the document (\ansicpg, else DefCodePage).
  TLTCodePage DocumentCodePage() const { return docCodePage_; }
  /// The code page 8-bit text in the current font is in.
  TLTCodePage CurrentCodePage() const;
  /// The instruction of the innermost field being read, or empty.
  const TLTString& FieldInstruction() const;
  /// Whether text is being read inside a field whose instruction names a
  /// hyperlink.
  bool InHyperlink() const;
  /// The table level open in the reader.
  int OpenTableLevel() const { return tableLevel_; }
  /// Converts 8-bit text of a code page, fast for single-byte code pages.
  void ConvertText(std::string_view bytes, TLTCodePage cp, std::u16string& out);

 private:
  struct TField {
    TLTString Instruction;
    bool Handled = false;
    bool Hyperlink = false;
  };
  /// What a note's reading sets aside of the text around it.
  struct TNoteSave {
    int TableLevel = 0;
    TLTRTFPosition Position = rtf_ts_ContinuePara;
    bool SinceBreak = false;
  };
  enum class TBorderTarget : uint8_t { None, Para, Char, Row, Cell };
  struct TCodePageTable {
    TLTCodePage CodePage = 0;
    bool SingleByte = true;
    char16_t Map[256] = {};
  };

  TLTRTFResult Run(std::string_view bytes);
  void Reset();
  TLTRTFReaderState& Top() { return stack_.back(); }
  const TLTRTFReaderState& Top() const { return stack_.back(); }
  int Depth() const { return static_cast<int>(stack_.size()) - 1; }
  bool Failed() const { return error_ != rtfOK; }
  void Fail(TLTRTFResult r) {
    if (error_ == rtfOK) error_ = r;
  }

  // The main loop's pieces (LTRTFReader.cpp).
  void PushGroup();
  /// False when the outermost group closed.
  bool PopGroup();
  void HandleControlWord(std::string_view name, int32_t param, bool hasParam, bool tooLong);
  void HandleKeyword(const TLTRTFKeyword& kw, int32_t param, bool hasParam);
  void TextToDest(std::string_view bytes);
  void ByteToDest(uint8_t b);
  void CharToDest(uint8_t c);
  void UnicodeToDest(char16_t c, uint8_t replacement);
  void UnicodeKeyword(int32_t param);
  void Collect(std::string_view bytes);
  void CollectW(char16_t c);
  TLTString TakeCollected();

  // Text and structure events.
  void FlushText(TLTRTFPosition end);
  /// The position of the next emitted content, which then continues it.
  TLTRTFPosition TakePosition();
  void SyncTables();
  void CloseTables(int downTo, bool forced);
  void ParagraphBreak(TLTRTFPosition kind);
  void TableEvent(TLTRTFTableEventKind what);

  // Destinations and the ends of groups (LTRTFDestinations.cpp).
  void ChangeDest(int dest);
  void EndGroup(TLTRTFReaderState& closed);
  void EndFontTable();
  void EndPicture();
  void EndFieldInstruction(TField& field);
  void EndNote(const TLTRTFReaderState& closed);
  std::unique_ptr<TGraphic> MakeGraphic(TLTRTFPicture& pic, bool& invalid);
  void PictureHex(std::string_view bytes);
  void InsertSymbol(std::u16string_view args);
  void InsertSeq(std::u16string_view args);
  void IncludePicture(std::u16string_view args);
  std::unique_ptr<TGraphic> LoadLinkedPicture(const std::string& location);
  static std::string PercentDecode(std::string_view s);

  // Properties (LTRTFProperties.cpp).
  void ApplyProperty(const TLTRTFKeyword& kw, int32_t param, bool hasParam);
  bool ApplyCharProperty(TLTRTFCharProperties& c, int prop, int32_t param, int32_t extra);
  bool ApplyParaProperty(TLTRTFParaProperties& p, int prop, int32_t param, int32_t extra);
  bool ApplyTableProperty(int prop, int32_t param, int32_t extra);
  bool ApplyListProperty(int prop, int32_t param, int32_t extra);
  bool ApplyPictureProperty(int prop, int32_t param);
  void ApplyBorder(int prop, int32_t param, int32_t extra);
  TLTRTFBorderSide* BorderTargetSide();
  TLTRTFRowProperties& RowForWrite();
  TColor ColorAt(int32_t index, TColor fallback) const;
  int32_t FontIndexOf(int32_t number) const;
  TLTRTFCharProperties DefaultCharProps() const;
  const TCodePageTable& CodePageTable(TLTCodePage cp);

  std::vector<TLTRTFReaderState> stack_;
  TLTRTFTokenizer* tok_ = nullptr;  // not owned: the tokenizer of the running read
  TLTRTFDocProperties doc_;
  std::vector<TLTRTFRowProperties> rows_;
  TLTRTFCellProperties cell_;
  std::vector<TLTRTFFont> fonts_;
  std::unordered_map<int32_t, int32_t> fontByNumber_;
  std::vector<TColor> colors_;
  TColor color_ = clWindowText;
  std::vector<TLTRTFStyleSheetEntry> styles_;
  std::vector<TLTRTFList97> lists_;
  std::vector<TLTRTFListOverride97> overrides_;
  std::vector<TField> fields_;
  std::vector<TNoteSave> notes_;
  std::vector<std::unique_ptr<TCodePageTable>> codePages_;
  TLTCodePage docCodePage_ = 0;
  int32_t defaultFontNumber_ = -1;
  int32_t defaultLanguage_ = 0;
  int ucValue_ = 1;
  int tableLevel_ = 0;
  int skip_ = 0;
  bool starFlag_ = false;
  bool headerSeen_ = false;
  bool footerSeen_ = false;
  bool shpPictAccepted_ = false;
  bool sinceBreak_ = false;
  /// Something was reported since the last cell mark.
  bool cellContent_ = false;
  TBorderTarget borderTarget_ = TBorderTarget::None;
  uint8_t tabKind_ = 0, tabLeader_ = 0;
  bool tabList_ = false;
  int borderSide_ = 0;
  TLTRTFPosition nextPosition_ = rtf_ts_NewPara;
  std::string pending8_;
  std::u16string pending16_;
  std::string collect8_;
  std::u16string collect16_;
  std::unique_ptr<TLTRTFPicture> picture_;
  bool pictureEnded_ = false;
  bool linkedPictureInserted_ = false;
  int pictureNibble_ = -1;
  TLTRTFStyleSheetEntry styleEntry_;
  TLTRTFResult error_ = rtfOK;
};

}  // namespace lectern
