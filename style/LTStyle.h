#pragma once
// The style sheet: text and paragraph styles that documents refer to by
// number, with the comparisons, closeness scores, searches and merges that
// importers and the editor rely on, and the sheet-wide colours and switches
// the controls read.

#include "platform/LTCanvas.h"
#include "platform/LTControl.h"
#include "platform/LTFont.h"
#include "platform/LTGraphic.h"
#include "platform/LTTypes.h"
#include "style/LTProps.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

class TLTIniFile;
class TLTStyle;
class TLTStyleTemplateCollection;
class TCustomLTInfos;
class TCustomLTData;  // the document container: events name the document they draw in

using TCursor = int16_t;
using TFontCharset = uint8_t;
using TLTStyleTemplateId = int32_t;

constexpr TCursor crJump = 101;       // cursor over hypertext
constexpr TCursor crFlipArrow = 106;  // cursor in the left selection margin

// ---- Enumerations and sets ---------------------------------------------------

enum TLTBiDiMode : uint8_t { ltbdUnspecified, ltbdLeftToRight, ltbdRightToLeft };
enum TLTHoverEffect : uint8_t { ltheUnderline };
using TLTHoverEffects = TLTSet<TLTHoverEffect, uint8_t>;
enum TLTFontStyle : uint8_t { ltfsOverline, ltfsAllCaps };
using TLTFontStyleEx = TLTSet<TLTFontStyle, uint8_t>;
enum TLTSubSuperScriptType : uint8_t { ltsssNormal, ltsssSubscript, ltsssSuperScript };
enum TLTTextOption : uint8_t { ltteoHTMLCode, ltteoRTFCode };
using TLTTextOptions = TLTSet<TLTTextOption, uint8_t>;

enum TLTProtectOption : uint8_t {
  ltprStyleProtect,
  ltprStyleSplitProtect,
  ltprModifyProtect,
  ltprDeleteProtect,
  ltprConcateProtect,
  ltprLTFInsertProtect,
  ltprDoNotAutoSwitch,
  ltprParaStartProtect,
  ltprSticking,
  ltprSticking2,
  ltprSticking3,
  ltprStickToTop,
  ltprStickToBottom,
};
using TLTProtectOptions = TLTSet<TLTProtectOption, uint16_t>;

enum TLTUnderlineType : uint8_t {
  ltutNormal,
  ltutThick,
  ltutDouble,
  ltutDotted,
  ltutThickDotted,
  ltutDashed,
  ltutThickDashed,
  ltutLongDashed,
  ltutThickLongDashed,
  ltutDashDotted,
  ltutThickDashDotted,
  ltutDashDotDotted,
  ltutThickDashDotDotted,
};

/// Text style property numbers, for masks and for ModifiedProperties.
enum TLTFontInfoProperty : uint8_t {
  ltfiFontName,
  ltfiSize,
  ltfiCharset,
  ltfiUnicode,
  ltfiBold,
  ltfiItalic,
  ltfiUnderline,
  ltfiStrikeout,
  ltfiOverline,
  ltfiAllCaps,
  ltfiSubSuperScriptType,
  ltfiVShift,
  ltfiColor,
  ltfiBackColor,
  ltfiJump,
  ltfiHoverBackColor,
  ltfiHoverColor,
  ltfiHoverUnderline,
  ltfiJumpCursor,
  ltfiNextStyleNo,
  ltfiProtection,
  ltfiCharScale,
  ltfiBaseStyleNo,
  ltfiBiDiMode,
  ltfiCharSpacing,
  ltfiHTMLCode,
  ltfiRTFCode,
  ltfiUnderlineType,
  ltfiUnderlineColor,
  ltfiHoverUnderlineColor,
  ltfiCustom,
};
using TLTFontInfoProperties = TLTSet<TLTFontInfoProperty, uint32_t>;
constexpr TLTFontInfoProperties LTAllFontInfoProperties = TLTFontInfoProperties::FromBits(0x7FFFFFFF);

enum TLTAlignment : uint8_t { ltaLeft, ltaRight, ltaCenter, ltaJustify };
enum TLTLineSpacingType : uint8_t { ltlsPercent, ltlsSpaceBetween, ltlsLineHeightAtLeast, ltlsLineHeightExact };
enum TLTParaOption : uint8_t {
  ltpaoNoWrap,
  ltpaoReadOnly,
  ltpaoStyleProtect,
  ltpaoDoNotWantReturns,
  ltpaoKeepLinesTogether,
  ltpaoKeepWithNext,
  ltpaoWidowOrphanControl,
};
using TLTParaOptions = TLTSet<TLTParaOption, uint8_t>;
enum TLTBorderStyle : uint8_t { ltbNone, ltbSingle, ltbDouble, ltbTriple, ltbThickInside, ltbThickOutside };
enum TLTTabAlign : uint8_t { lttaLeft, lttaRight, lttaCenter };

// ---- Drawing ------------------------------------------------------------------

/// How a run of text is being drawn.
enum TLTTextDrawStateEl : uint8_t {
  lttsSelected,
  lttsHover,
  lttsItemStart,
  lttsItemEnd,
  lttsDrawItemStart,
  lttsDrawItemEnd,
  lttsControlFocused,
  lttsSpecialCharacters,
};
using TLTTextDrawState = TLTSet<TLTTextDrawStateEl, uint8_t>;
/// How colours reach paper.
enum TLTOutputColorMode : uint8_t { ltocAsIs, ltocResolved, ltocGray, ltocTwoTone, ltocBlackText };
enum TLTPageBreakType : uint8_t { ltpbSoftPageBreak, ltpbPageBreak };
/// Characters that are marked when special characters are shown.
enum TLTSpecialCharacter : uint8_t { ltscSpace, ltscNBSP, ltscSoftHyphen, ltscParagraph };
using TLTSpecialCharacters = TLTSet<TLTSpecialCharacter, uint8_t>;
/// The characters the default drawing marks; all by default.
extern TLTSpecialCharacters ShownSpecialCharacters;

/// System colours as they go to paper: the standard values of the few that
/// documents use, anything else unchanged.
TColor ResolveSystemColor(TColor color);
/// Round(0.3 R + 0.59 G + 0.11 B), at most 255.
int ColorLuminance(TColor rgb);
/// A colour turned to the gray of its luminance; clNone stays.
TColor ColorToGray(TColor color);
/// A colour as an output colour mode sends it to paper (two-tone and
/// black-text output draw black); clNone stays.
TColor OutputColor(TColor color, TLTOutputColorMode mode);

/// A run of styled text to draw: where, how, and for whom.
struct TLTStyleTextRun {
  /// The text as UTF-16 (8-bit text converted through its code page).
  std::u16string_view Text;
  /// Blank space that justification put before the text (in reading
  /// order); included in Width.
  int SpaceBefore = 0;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  /// The text reads right to left: SpaceBefore lies on its right.
  bool RightToLeft = false;
  /// Where the text starts, and where the space before it starts.
  int TextLeft() const { return RightToLeft ? Left : Left + SpaceBefore; }
  int SpaceLeft() const { return RightToLeft ? Left + Width - SpaceBefore : Left; }
  TLTTextDrawState State;
  /// The output colour mode is in use (printing).
  bool Printing = false;
  TLTOutputColorMode ColorMode = ltocAsIs;
  /// Stretch the run to Width with per-character advances.
  bool FitToWidth = false;
  /// Fill the background although a direction is set.
  bool DrawBackground = false;
  TLTBiDiMode DefBiDiMode = ltbdUnspecified;
  /// What is being painted, for event handlers (not owned; may be null).
  const TCustomLTData* Data = nullptr;
  int ItemNo = -1;
  int Offset = 0;
};

/// Turns lengths given in screen pixels into device pixels. Lengths from
/// styles are first held within +-1,000,000 pixels so that no product
/// overflows.
struct TLTDeviceScale {
  int ScreenPPIX = 96, ScreenPPIY = 96;
  int DevicePPIX = 96, DevicePPIY = 96;
  int X(int v) const;
  int Y(int v) const;
};

/// A style length held within the bounds layout can compute with.
int32_t ClampStyleLength(int64_t v);

/// Paragraph style property numbers (36 of them), for masks and modified sets.
enum TLTParaInfoProperty : uint8_t {
  ltpiFirstIndent,
  ltpiLeftIndent,
  ltpiRightIndent,
  ltpiSpaceBefore,
  ltpiSpaceAfter,
  ltpiAlignment,
  ltpiNextParaNo,
  ltpiDefStyleNo,
  ltpiLineSpacing,
  ltpiLineSpacingType,
  ltpiBackground_Color,
  ltpiBackground_BO_Left,
  ltpiBackground_BO_Top,
  ltpiBackground_BO_Right,
  ltpiBackground_BO_Bottom,
  ltpiBorder_Color,
  ltpiBorder_Style,
  ltpiBorder_Width,
  ltpiBorder_InternalWidth,
  ltpiBorder_BO_Left,
  ltpiBorder_BO_Top,
  ltpiBorder_BO_Right,
  ltpiBorder_BO_Bottom,
  ltpiBorder_Vis_Left,
  ltpiBorder_Vis_Top,
  ltpiBorder_Vis_Right,
  ltpiBorder_Vis_Bottom,
  ltpiNoWrap,
  ltpiReadOnly,
  ltpiStyleProtect,
  ltpiDoNotWantReturns,
  ltpiKeepLinesTogether,
  ltpiKeepWithNext,
  ltpiTabs,
  ltpiBiDiMode,
  ltpiCustom,
};
using TLTParaInfoProperties = TLTSet<TLTParaInfoProperty, uint64_t>;
constexpr TLTParaInfoProperties LTAllParaInfoProperties = TLTParaInfoProperties::FromBits(0xFFFFFFFFFull);

enum TLTSelectionMode : uint8_t { ltsmChar, ltsmWord, ltsmParagraph };
enum TLTSelectionStyle : uint8_t { ltssItems, ltssLines };
enum TLTFieldHighlightType : uint8_t { ltfhNever, ltfhCurrent, ltfhAlways };
enum TLTSeqType : uint8_t { ltseqDecimal, ltseqLowerAlpha, ltseqUpperAlpha, ltseqLowerRoman, ltseqUpperRoman };

enum TLTListType : uint8_t {
  ltlstBullet,
  ltlstPicture,
  ltlstImageList,
  ltlstDecimal,
  ltlstLowerAlpha,
  ltlstUpperAlpha,
  ltlstLowerRoman,
  ltlstUpperRoman,
  ltlstImageListCounter,
  ltlstUnicodeBullet,
};
enum TLTMarkerAlignment : uint8_t { ltmaLeft, ltmaRight, ltmaCenter };
enum TLTListLevelOption : uint8_t { ltloContinuous, ltloLevelReset, ltloLegalStyleNumbering };
using TLTListLevelOptions = TLTSet<TLTListLevelOption, uint8_t>;

/// Kinds that count (decimal to image-list counter) and kinds that show a number as text.
constexpr bool IsNumberedListType(TLTListType t) { return t >= ltlstDecimal && t <= ltlstImageListCounter; }
constexpr bool HasTextNumber(TLTListType t) { return t >= ltlstDecimal && t <= ltlstUpperRoman; }

/// When false, list styles are stored without their list identities.
extern bool StoreListIDs;

/// How stored styles meet the sheet when a document is read or inserted.
enum TLTFReaderStyleMode : uint8_t { ltf_sIgnore, ltf_sInsertMap, ltf_sInsertMerge };

/// When true, every equality test of styles also requires equal StyleName.
extern bool CompareStyleNames;

/// Closeness of two values with weight w; may be negative.
int64_t ValueSimilarity(int64_t a, int64_t b, int64_t w);
/// Closeness of two colours with weights wc (per component) and wb (brightness class).
int64_t ColorSimilarity(TColor c1, TColor c2, int64_t wc, int64_t wb);

// ---- Styles ------------------------------------------------------------------

/// Base of every style: a collection item owned by one of the sheet's collections.
class TCustomLTInfo : public TLTPersistent {
 public:
  TCustomLTInfo() = default;
  TCustomLTInfo(const TCustomLTInfo&) = delete;
  TCustomLTInfo& operator=(const TCustomLTInfo&) = delete;
  const TLTClassInfo& ClassInfo() const override;

  int32_t BaseStyleNo = -1;
  TLTString StyleName;
  bool Standard = true;
  TLTStyleTemplateId StyleTemplateId = -1;

  /// The collection that owns the style, or null (not owned).
  TCustomLTInfos* Collection() const { return collection_; }
  /// The style sheet of the owning collection, or null.
  TLTStyle* StyleSheet() const;
  /// Index in the owning collection, or -1.
  int Index() const;

  /// Copies every property, including StyleName, BaseStyleNo, Standard and
  /// StyleTemplateId. Raises ELecternError when other is of an unrelated class.
  virtual void Assign(const TCustomLTInfo& other);
  virtual bool SameAs(const TCustomLTInfo& other, bool ignoreReferences) const = 0;
  /// Whether this sheet style matches an incoming style whose references are
  /// given in the incoming numbering; mapping holds the sheet index of every
  /// incoming index handled so far. Neither style is changed.
  virtual bool SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const = 0;
  /// Closeness score of two styles of the same kind (higher is closer).
  virtual int64_t Similarity(const TCustomLTInfo& other) const = 0;
  /// Stores the style under keys made by substituting each property key into pattern.
  virtual void WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const;
  virtual void ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern);
  /// "Font Style", "Paragraph Style" or "List Style".
  virtual TLTString DefaultStyleName() const = 0;
  /// Style-to-style references that clean-up and merging renumber, as
  /// pointers into this style; the mapping rules differ per reference.
  virtual void ForEachStyleReference(const std::function<void(int32_t& ref)>& f);
  virtual ~TCustomLTInfo() override = default;

 private:
  friend class TCustomLTInfos;
  TCustomLTInfos* collection_ = nullptr;  // not owned
};

/// All text properties; base of the sheet's text style and of template text styles.
class TCustomLTFontInfo : public TCustomLTInfo {
 public:
  TCustomLTFontInfo();
  const TLTClassInfo& ClassInfo() const override;

  TLTBiDiMode BiDiMode = ltbdUnspecified;
  bool Jump = false;
  TCursor JumpCursor = crJump;
  TLTString FontName = u"Arial";
  int32_t Size = 10;
  TColor Color = clWindowText;
  TColor BackColor = clNone;
  TColor HoverColor = clNone;
  TColor HoverBackColor = clNone;
  TColor UnderlineColor = clNone;
  TColor HoverUnderlineColor = clNone;
  TLTUnderlineType UnderlineType = ltutNormal;
  TLTHoverEffects HoverEffects;
  TFontStyles Style;
  TLTFontStyleEx StyleEx;
  int32_t VShift = 0;
  TFontCharset Charset = 1;
  TLTProtectOptions Protection;
  TLTTextOptions Options;
  int32_t CharScale = 100;
  int32_t CharSpacing = 0;
  TLTSubSuperScriptType SubSuperScriptType = ltsssNormal;

  bool SameAs(const TCustomLTInfo& other, bool ignoreReferences) const override;
  bool SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const override;
  int64_t Similarity(const TCustomLTInfo& other) const override;
  /// Compares every property whose number is not in ignore.
  virtual bool SameExcept(const TCustomLTFontInfo& other, TLTFontInfoProperties ignore) const;
  /// Copies exactly the properties in props (set bits one by one); Unicode,
  /// NextStyleNo, BaseStyleNo and Custom are never copied by it.
  virtual void AssignSelected(const TCustomLTFontInfo& source, TLTFontInfoProperties props);
  void WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const override;
  void ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) override;
  /// Reads a style; when "Jump" is missing, Jump and JumpCursor take these defaults.
  void ReadFromIniEx(const TLTIniFile& ini, std::string_view section, std::string_view pattern, bool defJump,
                     TCursor defJumpCursor);
  TLTString DefaultStyleName() const override { return u"Font Style"; }
  /// Older stored sheets hold SingleSymbols, one switch for what are now
  /// the style and auto-switch protections: readers hand it over here and
  /// it adds them once the style is read (Loaded).
  void SetStoredSingleSymbols(bool on) { storedSingleSymbols_ = on; }
  void Loaded() override;

  // Drawing. The sheet's operations of the same names raise its events first.
  /// Selects the style's font on the canvas: face, size (at the sheet's
  /// resolution when asked and set, else the canvas's), style bits, the
  /// sub- or superscript height (explicitHeight when non-zero), the
  /// character scale, and the direction with its character spacing.
  void ApplyToCanvas(TLTCanvas& canvas, TLTBiDiMode defBiDiMode, bool ignoreSubSuperScript, int explicitHeight,
                     bool useSheetResolution) const;
  /// Sets the font and brush colours for the drawing state.
  void ApplyColorToCanvas(TLTCanvas& canvas, TLTTextDrawState state, bool printing, TLTOutputColorMode mode) const;
  /// Draws a run with its underlines, overline and special-character marks.
  void DrawStyledText(TLTCanvas& canvas, const TLTStyleTextRun& run) const;
  /// The character scale held within 1..1000 percent.
  int EffectiveCharScale() const;
  /// Height of the font at sub- or superscript size, for the font the
  /// canvas has selected at full size.
  int ScriptHeight(TLTCanvas& canvas) const;

 private:
  void DrawUnderline(TLTCanvas& canvas, const TLTStyleTextRun& run, int from, int to, TColor color,
                     TLTUnderlineType type) const;
  bool DrawWithAdvances(TLTCanvas& canvas, const TLTStyleTextRun& run) const;
  bool storedSingleSymbols_ = false;
};

/// A text style of the sheet.
class TFontInfo : public TCustomLTFontInfo {
 public:
  TFontInfo();
  const TLTClassInfo& ClassInfo() const override;

  int32_t NextStyleNo = -1;
  bool Unicode = true;
  TLTFontInfoProperties ModifiedProperties;

  bool SameAs(const TCustomLTInfo& other, bool ignoreReferences) const override;
  bool SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const override;
  bool SameExcept(const TCustomLTFontInfo& other, TLTFontInfoProperties ignore) const override;
  void ForEachStyleReference(const std::function<void(int32_t& ref)>& f) override;
};

/// Four integers, one per side.
class TLTRect : public TLTPersistent {
 public:
  const TLTClassInfo& ClassInfo() const override;
  int32_t Left = 0, Right = 0, Top = 0, Bottom = 0;
  bool operator==(const TLTRect& o) const {
    return Left == o.Left && Right == o.Right && Top == o.Top && Bottom == o.Bottom;
  }
};

/// Four booleans, one per side.
class TLTBooleanRect : public TLTPersistent {
 public:
  const TLTClassInfo& ClassInfo() const override;
  bool Left = true, Right = true, Top = true, Bottom = true;
  bool operator==(const TLTBooleanRect& o) const {
    return Left == o.Left && Right == o.Right && Top == o.Top && Bottom == o.Bottom;
  }
};

/// Paragraph border.
class TLTBorder : public TLTPersistent {
 public:
  const TLTClassInfo& ClassInfo() const override;
  TColor Color = clWindowText;
  TLTBorderStyle Style = ltbNone;
  int32_t Width = 1;
  int32_t InternalWidth = 1;
  TLTBooleanRect VisibleBorders;
  TLTRect BorderOffsets;

  bool operator==(const TLTBorder& o) const;
  /// Width of all lines and gaps of the border style.
  int32_t TotalWidth() const;
  /// Draws the border around r, grown by BorderOffsets.
  void Draw(TLTCanvas& canvas, TLTRectI r, TLTOutputColorMode mode, const TLTDeviceScale& scale) const;
  int64_t Similarity(const TLTBorder& other) const;
};

/// Paragraph background: a colour and how far it extends beyond the text.
class TLTBackgroundRect : public TLTPersistent {
 public:
  const TLTClassInfo& ClassInfo() const override;
  TColor Color = clNone;
  TLTRect BorderOffsets;
  bool operator==(const TLTBackgroundRect& o) const { return Color == o.Color && BorderOffsets == o.BorderOffsets; }
  /// r grown by BorderOffsets.
  TLTRectI Grow(const TLTRectI& r, const TLTDeviceScale& scale) const;
  /// Fills r (already grown), one pixel wider and higher.
  void Draw(TLTCanvas& canvas, const TLTRectI& r, TLTOutputColorMode mode) const;
};

class TLTTabInfos;

/// One tab stop of a paragraph style.
class TLTTabInfo : public TLTPersistent {
 public:
  const TLTClassInfo& ClassInfo() const override;
  TLTTabAlign Align = lttaLeft;
  TLTString Leader;

  int32_t Position() const { return position_; }
  /// Moves the stop; the owning list re-sorts itself.
  void SetPosition(int32_t value);
  /// "Left at 96", with " (" + six leaders + ")" when there is a leader.
  TLTString DisplayName() const;
  bool operator==(const TLTTabInfo& o) const {
    return position_ == o.position_ && Align == o.Align && Leader == o.Leader;
  }

 private:
  friend class TLTTabInfos;
  int32_t position_ = 0;
  TLTTabInfos* owner_ = nullptr;  // not owned
};

/// Tab stops, kept sorted by ascending position.
class TLTTabInfos : public TLTCollection {
 public:
  TLTTabInfos() = default;
  TLTTabInfos(const TLTTabInfos&) = delete;
  TLTTabInfos& operator=(const TLTTabInfos&) = delete;
  const TLTClassInfo& ClassInfo() const override;
  int Count() const override { return static_cast<int>(items_.size()); }
  TLTPersistent& ItemAt(int index) override { return *items_.at(static_cast<size_t>(index)); }
  TLTPersistent& AddItem() override { return Add(); }
  void Clear() override { items_.clear(); }

  TLTTabInfo& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
  /// A new stop at position 0 (the list stays sorted).
  TLTTabInfo& Add();
  TLTTabInfo& Add(int32_t position, TLTTabAlign align = lttaLeft, TLTString leader = {});
  void Delete(int index);
  void Assign(const TLTTabInfos& other);
  bool operator==(const TLTTabInfos& other) const;

 private:
  friend class TLTTabInfo;
  /// Puts a stop whose position changed at its place.
  void Reposition(TLTTabInfo& tab);
  std::vector<std::unique_ptr<TLTTabInfo>> items_;
};

/// All paragraph properties; base of the sheet's paragraph style and of
/// template paragraph styles.
class TCustomLTParaInfo : public TCustomLTInfo {
 public:
  TCustomLTParaInfo() { StyleName = u"Paragraph Style"; }
  const TLTClassInfo& ClassInfo() const override;

  int32_t FirstIndent = 0;
  int32_t LeftIndent = 0;
  int32_t RightIndent = 0;
  int32_t SpaceBefore = 0;
  int32_t SpaceAfter = 0;
  int32_t LineSpacing = 100;
  TLTLineSpacingType LineSpacingType = ltlsPercent;
  TLTAlignment Alignment = ltaLeft;
  TLTBorder Border;
  TLTBackgroundRect Background;
  TLTParaOptions Options;
  TLTBiDiMode BiDiMode = ltbdUnspecified;
  TLTTabInfos Tabs;

  /// Percent other than 100, or a positive value of the other kinds.
  bool HasNonDefaultLineSpacing() const;
  bool SameAs(const TCustomLTInfo& other, bool ignoreReferences) const override;
  bool SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const override;
  int64_t Similarity(const TCustomLTInfo& other) const override;
  virtual bool SameExcept(const TCustomLTParaInfo& other, TLTParaInfoProperties ignore) const;
  /// Copies the properties in props (the 36 paragraph numbers).
  virtual void AssignSelected(const TCustomLTParaInfo& source, TLTParaInfoProperties props);
  void WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const override;
  void ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) override;
  TLTString DefaultStyleName() const override { return u"Paragraph Style"; }
};

/// A paragraph style of the sheet.
class TParaInfo : public TCustomLTParaInfo {
 public:
  TParaInfo();
  const TLTClassInfo& ClassInfo() const override;

  int32_t NextParaNo = -1;
  /// Text style for text typed into an empty paragraph; -1 = none.
  int32_t DefStyleNo = -1;
  /// ModifiedProperties1 (members 0..26) and ModifiedProperties2 (27..34) in one set.
  TLTParaInfoProperties ModifiedProperties;

  bool SameAs(const TCustomLTInfo& other, bool ignoreReferences) const override;
  bool SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const override;
  bool SameExcept(const TCustomLTParaInfo& other, TLTParaInfoProperties ignore) const override;
  void AssignSelected(const TCustomLTParaInfo& source, TLTParaInfoProperties props) override;
  void ForEachStyleReference(const std::function<void(int32_t& ref)>& f) override;
};

// ---- List styles -------------------------------------------------------------

class TLTListInfo;
class TLTListLevelCollection;

/// Font of text markers: "Arial", 8 points unless changed.
class TLTMarkerFont : public TLTPersistent {
 public:
  TLTMarkerFont() { Font.SetSize(8); }
  const TLTClassInfo& ClassInfo() const override;
  TLTFont Font;
  /// 8 points, clWindowText, charset 1, no style bits, "Arial" in any case.
  bool IsDefault() const;
  /// Equal height, style bits, colour, charset and name (without case).
  bool SameAs(const TLTMarkerFont& other) const;
};

/// One level of a list style: what its marker looks like at that depth.
class TLTListLevel : public TLTPersistent {
 public:
  TLTListLevel() = default;
  TLTListLevel(const TLTListLevel&) = delete;
  TLTListLevel& operator=(const TLTListLevel&) = delete;
  const TLTClassInfo& ClassInfo() const override;

  TLTListType ListType = ltlstBullet;
  TLTImageList* ImageList = nullptr;  // not owned
  int32_t ImageIndex = 0;
  TLTString FormatString = u"\u00B7";
  TLTString FormatStringW;
  int32_t LeftIndent = 0;
  int32_t FirstIndent = 10;
  int32_t MarkerIndent = 0;
  TLTMarkerAlignment MarkerAlignment = ltmaLeft;
  TLTListLevelOptions Options{ltloContinuous, ltloLevelReset};
  int32_t StartFrom = 1;

  /// The level's own picture, or null.
  TGraphic* Picture() const { return picture_.get(); }
  /// Copies a picture with content (made transparent); null or empty frees it.
  void SetPicture(const TGraphic* picture);
  /// The marker font, or null when the level has none.
  TLTMarkerFont* Font() const { return font_.get(); }
  /// The marker font, created with its defaults on first use.
  TLTMarkerFont& FontForWrite();
  /// Copies a font; null frees the level's font.
  void SetFont(const TLTMarkerFont* font);

  bool IsNumbered() const { return IsNumberedListType(ListType); }
  /// "1,2,3 10/0/10": kind, LeftIndent, MarkerIndent, FirstIndent.
  TLTString DisplayName() const;
  /// Copies every field; the image list by reference.
  void Assign(const TLTListLevel& other);
  bool SameAs(const TLTListLevel& other) const;
  int64_t Similarity(const TLTListLevel& other) const;
  void WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const;
  void ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern);
  /// The list style that owns the level, or null.
  TLTListInfo* ListStyle() const;

 private:
  friend class TLTListLevelCollection;
  std::unique_ptr<TGraphic> picture_;
  std::unique_ptr<TLTMarkerFont> font_;
  TLTListLevelCollection* collection_ = nullptr;  // not owned
};

/// The font a text marker of the level is measured and drawn in on a
/// device: the marker font at the sheet's resolution when it has one,
/// else scaled from the screen.
TLTCanvasFont MarkerCanvasFont(const TLTListLevel& level, int sheetPixelsPerInch, const TLTDeviceScale& scale);

/// The levels of one list style.
class TLTListLevelCollection : public TLTCollection {
 public:
  explicit TLTListLevelCollection(TLTListInfo* owner) : owner_(owner) {}
  TLTListLevelCollection(const TLTListLevelCollection&) = delete;
  TLTListLevelCollection& operator=(const TLTListLevelCollection&) = delete;
  const TLTClassInfo& ClassInfo() const override;
  int Count() const override { return static_cast<int>(items_.size()); }
  TLTPersistent& ItemAt(int index) override { return *items_.at(static_cast<size_t>(index)); }
  TLTPersistent& AddItem() override { return Add(); }
  void Clear() override { items_.clear(); }

  TLTListLevel& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
  TLTListLevel& Add();
  void Delete(int index);
  void Assign(const TLTListLevelCollection& other);
  TLTListInfo* Owner() const { return owner_; }

 private:
  std::vector<std::unique_ptr<TLTListLevel>> items_;
  TLTListInfo* owner_;  // not owned
};

/// A list style: a sequence of levels.
class TLTListInfo : public TCustomLTInfo {
 public:
  TLTListInfo();
  const TLTClassInfo& ClassInfo() const override;

  TLTListLevelCollection Levels{this};
  bool OneLevelPreview = false;

  /// The identity of the list across copies of the sheet; a random non-zero
  /// number is chosen the first time it is read while 0.
  int32_t ListID() const;
  void SetListID(int32_t id) { listID_ = id; }
  /// Whether any level counts.
  bool HasNumberedLevels() const;

  /// Copies the levels, OneLevelPreview and the base fields; the identity
  /// only while the owning collection is being replaced by a stored one.
  void Assign(const TCustomLTInfo& other) override;
  bool SameAs(const TCustomLTInfo& other, bool ignoreReferences) const override;
  bool SameAsMapped(const TCustomLTInfo& incoming, const std::vector<int>& mapping) const override;
  int64_t Similarity(const TCustomLTInfo& other) const override;
  void WriteToIni(TLTIniFile& ini, std::string_view section, std::string_view pattern) const override;
  void ReadFromIni(const TLTIniFile& ini, std::string_view section, std::string_view pattern) override;
  TLTString DefaultStyleName() const override { return u"List Style"; }

 private:
  mutable int32_t listID_ = 0;
};

// ---- Collections -------------------------------------------------------------

/// Tells the document being filled that a style was added while merging.
using TLTStyleAddedEvent = std::function<void(TCustomLTInfos& collection, int index)>;

/// An owned collection of styles of one kind. An index out of range never
/// fails: it yields InvalidStyle, a visibly marked copy of item 0.
class TCustomLTInfos : public TLTCollection {
 public:
  explicit TCustomLTInfos(TLTStyle* owner) : owner_(owner) {}
  TCustomLTInfos(const TCustomLTInfos&) = delete;
  TCustomLTInfos& operator=(const TCustomLTInfos&) = delete;
  ~TCustomLTInfos() override;

  int Count() const override { return static_cast<int>(items_.size()); }
  TLTPersistent& ItemAt(int index) override { return Items(index); }
  TLTPersistent& AddItem() override { return Add(); }
  void Clear() override;

  /// The style at index, or InvalidStyle for an index out of range.
  TCustomLTInfo& Items(int index) const;
  bool IsValidIndex(int index) const { return index >= 0 && index < Count(); }
  /// Appends a new style with the kind's defaults.
  TCustomLTInfo& Add();
  /// Frees the style at index (no renumbering of references).
  void Delete(int index);
  /// Replaces the contents by copies of other's styles.
  void Assign(const TCustomLTInfos& other);
  /// The marked substitute for invalid indices; created on first use.
  TCustomLTInfo& InvalidStyle() const;
  /// One StyleName per style.
  std::vector<TLTString> StyleNames() const;
  TLTStyle* Owner() const { return owner_; }

  /// Merges source into this collection (see TLTFReaderStyleMode); mapping
  /// receives, per source index, the index to use instead. textMapping, when
  /// given, renumbers the default text styles of added paragraph styles.
  void MergeStyles(const TCustomLTInfos& source, TLTFReaderStyleMode mode, std::vector<int>& mapping,
                   const std::vector<int>* textMapping = nullptr, const TLTStyleAddedEvent& onAdded = {});

  /// A new style of the collection's class, not yet owned.
  virtual std::unique_ptr<TCustomLTInfo> CreateStyle() const = 0;

 protected:
  /// Marks a style as the invalid substitute.
  virtual void MarkInvalid(TCustomLTInfo& style) const = 0;
  /// The subset of candidate sheet indices that Map mode considers for s.
  virtual std::vector<int> MapCandidates(const TCustomLTInfo& s) const;
  /// Whether two incoming styles may share one sheet style in Merge mode.
  virtual bool TakesIndex(const TCustomLTInfo& s) const;
  /// Renumbers the references of a style added by a merge.
  virtual void MapAddedReferences(TCustomLTInfo& added, const std::vector<int>& mapping,
                                  const std::vector<int>* textMapping) const;

  // ---- Keys for merging ----------------------------------------------------
  // Styles that SameAs finds equal (references ignored) have equal keys, so
  // that merging looks a style up instead of comparing it with every other.
  /// A hash of what SameAs compares; 0 (one bucket for all) by default.
  virtual uint64_t EqualityKey(const TCustomLTInfo& s) const;
  /// The reference SameAsMapped compares through the mapping, or
  /// kNoMappedReference when the kind has none.
  virtual int32_t MappedReference(const TCustomLTInfo& s) const;
  static constexpr int32_t kNoMappedReference = INT32_MIN;

  std::vector<std::unique_ptr<TCustomLTInfo>> items_;

 private:
  TLTStyle* owner_;  // not owned
  mutable std::unique_ptr<TCustomLTInfo> invalid_;
};

/// Text styles.
class TFontInfos : public TCustomLTInfos {
 public:
  using TCustomLTInfos::TCustomLTInfos;
  const TLTClassInfo& ClassInfo() const override;
  TFontInfo& operator[](int index) const { return static_cast<TFontInfo&>(Items(index)); }
  TFontInfo& Add() { return static_cast<TFontInfo&>(TCustomLTInfos::Add()); }
  std::unique_ptr<TCustomLTInfo> CreateStyle() const override;

  /// base if it equals style on the properties in mask, else the lowest other
  /// equal index, else -1.
  int FindEqualStyle(int base, const TFontInfo& style, TLTFontInfoProperties mask) const;
  /// The 8-bit variant of style base for charset: base itself when it fits,
  /// else the lowest style equal to base but for charset and Unicode; -1 if none.
  int FindCharsetVariant(int base, TFontCharset charset) const;

  /// Resolution for turning point sizes into pixels; 0 = the canvas's.
  int PixelsPerInch = 0;

 protected:
  void MarkInvalid(TCustomLTInfo& style) const override;
  std::vector<int> MapCandidates(const TCustomLTInfo& s) const override;
  void MapAddedReferences(TCustomLTInfo& added, const std::vector<int>& mapping,
                          const std::vector<int>* textMapping) const override;
  uint64_t EqualityKey(const TCustomLTInfo& s) const override;
  int32_t MappedReference(const TCustomLTInfo& s) const override;
};

/// Paragraph styles.
class TParaInfos : public TCustomLTInfos {
 public:
  using TCustomLTInfos::TCustomLTInfos;
  const TLTClassInfo& ClassInfo() const override;
  TParaInfo& operator[](int index) const { return static_cast<TParaInfo&>(Items(index)); }
  TParaInfo& Add() { return static_cast<TParaInfo&>(TCustomLTInfos::Add()); }
  std::unique_ptr<TCustomLTInfo> CreateStyle() const override;
  int FindEqualStyle(int base, const TParaInfo& style, TLTParaInfoProperties mask) const;

 protected:
  void MarkInvalid(TCustomLTInfo& style) const override;
  void MapAddedReferences(TCustomLTInfo& added, const std::vector<int>& mapping,
                          const std::vector<int>* textMapping) const override;
  uint64_t EqualityKey(const TCustomLTInfo& s) const override;
  int32_t MappedReference(const TCustomLTInfo& s) const override;
};

/// List styles.
class TLTListInfos : public TCustomLTInfos {
 public:
  using TCustomLTInfos::TCustomLTInfos;
  const TLTClassInfo& ClassInfo() const override;
  TLTListInfo& operator[](int index) const { return static_cast<TLTListInfo&>(Items(index)); }
  TLTListInfo& Add() { return static_cast<TLTListInfo&>(TCustomLTInfos::Add()); }
  std::unique_ptr<TCustomLTInfo> CreateStyle() const override;

  /// Set while a stored collection replaces this one as a whole, so that
  /// copied list styles keep their identities.
  bool CopyListIDs = false;
  /// Resolves image lists by their numeric tag for stored forms; empty when
  /// no document can resolve them.
  std::function<TLTImageList*(int64_t tag)> ImageListResolver;

 protected:
  void MarkInvalid(TCustomLTInfo& /*style*/) const override {}
  bool TakesIndex(const TCustomLTInfo& s) const override;
  uint64_t EqualityKey(const TCustomLTInfo& s) const override;
};

// ---- The style sheet ---------------------------------------------------------

/// The style sheet component. It outlives every document formatted with it;
/// documents refer to its styles by number only.
class TLTStyle : public TLTPersistent {
 public:
  TLTStyle();
  TLTStyle(const TLTStyle&) = delete;
  TLTStyle& operator=(const TLTStyle&) = delete;
  ~TLTStyle() override;
  const TLTClassInfo& ClassInfo() const override;

  TFontInfos& TextStyles() { return *textStyles_; }
  const TFontInfos& TextStyles() const { return *textStyles_; }
  TParaInfos& ParaStyles() { return *paraStyles_; }
  const TParaInfos& ParaStyles() const { return *paraStyles_; }
  TLTListInfos& ListStyles() { return *listStyles_; }
  const TLTListInfos& ListStyles() const { return *listStyles_; }
  /// The templates styles are derived from (empty unless a document or the
  /// application made some).
  TLTStyleTemplateCollection& StyleTemplates() { return *styleTemplates_; }
  const TLTStyleTemplateCollection& StyleTemplates() const { return *styleTemplates_; }
  /// Once a stored sheet is read the templates are linked to their parents.
  void Loaded() override;

  int32_t SpacesInTab = 0;
  int32_t DefTabWidth = 48;
  TCursor JumpCursor = crJump;
  TCursor LineSelectCursor = crFlipArrow;
  bool FullRedraw = false;
  bool UseSound = true;
  TColor Color = clWindow;
  TColor HoverColor = clNone;
  TColor CurrentItemColor = clNone;
  TColor SelColor = clHighlight;
  TColor SelTextColor = clHighlightText;
  TColor InactiveSelColor = clHighlight;
  TColor InactiveSelTextColor = clHighlightText;
  TColor CheckpointColor = MakeColor(0x008000);
  TColor CheckpointEvColor = MakeColor(0x00FF00);
  TColor PageBreakColor = clBtnShadow;
  TColor SoftPageBreakColor = clBtnFace;
  TColor LiveSpellingColor = MakeColor(0x0000FF);
  TLTSelectionMode SelectionMode = ltsmWord;
  TLTSelectionStyle SelectionStyle = ltssItems;
  TColor FieldHighlightColor = clBtnFace;
  TLTFieldHighlightType FieldHighlightType = ltfhCurrent;
  TLTSeqType FootnoteNumbering = ltseqDecimal;
  TLTSeqType EndnoteNumbering = ltseqLowerRoman;
  bool FootnotePageReset = true;
  /// Text style to switch to when input needs Unicode; -1 or out of range = none.
  int32_t DefUnicodeStyle = -1;
  /// Code page of 8-bit text; 0 = the system's 8-bit code page.
  uint32_t DefCodePage = 0;

  /// Clears TextStyles and creates the six default text styles.
  void ResetTextStyles();
  /// Clears ParaStyles and creates the two default paragraph styles.
  void ResetParaStyles();

  /// The picture drawn in place of a picture that cannot be drawn; created on
  /// first use. Setting null frees it; setting a picture copies it.
  TGraphic* InvalidPicture() const;
  void SetInvalidPicture(const TGraphic* picture);

  /// Clears every list level's reference to an image list that is going away.
  void ImageListFreed(const TLTImageList* list);

  // ---- Drawing ------------------------------------------------------------------
  // Each operation raises its event first; the default drawing runs unless
  // the handler clears doDefault.
  std::function<void(TLTStyle&, TLTCanvas&, int styleNo, bool& doDefault)> OnApplyStyle;
  std::function<void(TLTStyle&, TLTCanvas&, int styleNo)> OnAfterApplyStyle;
  std::function<void(TLTStyle&, TLTCanvas&, int styleNo, TLTTextDrawState, bool& doDefault)> OnApplyStyleColor;
  std::function<void(TLTStyle&, TLTCanvas&, int styleNo, const TLTStyleTextRun&, bool& doDefault)> OnDrawStyleText;
  std::function<void(const TLTStyle&, int styleNo, bool& sensitive)> OnStyleHoverSensitive;
  std::function<void(TLTStyle&, TLTCanvas&, int styleNo, const TLTRectI&, TLTTextDrawState, bool& doDefault)>
      OnDrawTextBack;
  /// The document the mark is drawn in is passed to the handler (may be null).
  std::function<void(TLTStyle&, TLTCanvas&, int x, int y, int itemNo, int xShift, bool raiseEvent,
                     const TCustomLTData* document, bool& doDefault)>
      OnDrawCheckpoint;
  std::function<void(TLTStyle&, TLTCanvas&, int y, int xShift, TLTPageBreakType, const TCustomLTData* document,
                     bool& doDefault)>
      OnDrawPageBreak;
  std::function<void(TLTStyle&, TLTCanvas&, int paraNo, const TLTRectI&, bool& doDefault)> OnDrawParaBack;

  void ApplyTextStyle(TLTCanvas& canvas, int styleNo, TLTBiDiMode defBiDiMode, bool ignoreSubSuperScript = false,
                      int explicitHeight = 0, bool useSheetResolution = false);
  void ApplyTextStyleColor(TLTCanvas& canvas, int styleNo, TLTTextDrawState state, bool printing = false,
                           TLTOutputColorMode mode = ltocAsIs);
  void PaintStyleText(TLTCanvas& canvas, int styleNo, const TLTStyleTextRun& run);
  /// Only the event: text backgrounds have no default drawing.
  void PaintTextBack(TLTCanvas& canvas, int styleNo, const TLTRectI& r, TLTTextDrawState state);
  /// A checkpoint mark at (x, y): a dot when it belongs to an item, and a
  /// dotted line across width.
  void PaintCheckpoint(TLTCanvas& canvas, int x, int y, int itemNo, int xShift, bool raiseEvent, int width,
                       const TCustomLTData* document = nullptr);
  /// A page-break mark at y across width, ending in a small triangle.
  void PaintPageBreak(TLTCanvas& canvas, int y, int xShift, TLTPageBreakType type, int width,
                      const TCustomLTData* document = nullptr);
  void PaintParaBack(TLTCanvas& canvas, int paraNo, const TLTRectI& r, TLTOutputColorMode mode,
                     const TLTDeviceScale& scale);

  struct TTabStop {
    int Position = 0;
    TLTTabAlign Align = lttaLeft;
    TLTString Leader;
  };
  /// The next tab stop of a paragraph after x (absolute; leftMargin is
  /// where the paragraph's positions count from). indentStop is the
  /// implicit stop of a hanging indent, mirrorIndent its counterpart.
  TTabStop FindNextTabStop(int paraNo, int x, int leftMargin, int indentStop, int mirrorIndent, TLTBiDiMode direction,
                           const TLTDeviceScale& scale) const;

  /// Text colour of a hypertext style under the mouse: the style's own
  /// HoverColor, else the sheet's.
  TColor GetHoverColor(int textStyleNo) const;
  /// Whether a text style looks different under the mouse.
  bool IsHoverSensitive(int textStyleNo) const;

  /// The code page of 8-bit text in a text style of this sheet: the style's
  /// charset mapped to a code page; the default charset and invalid indices
  /// use DefCodePage (0 = the system's).
  uint32_t StyleCodePage(int textStyleNo) const;

 private:
  std::unique_ptr<TFontInfos> textStyles_;
  std::unique_ptr<TParaInfos> paraStyles_;
  std::unique_ptr<TLTListInfos> listStyles_;
  std::unique_ptr<TLTStyleTemplateCollection> styleTemplates_;
  // Made on first use, even through a const sheet.
  mutable std::unique_ptr<TGraphic> invalidPicture_;
  mutable bool invalidPictureMade_ = false;
};

}  // namespace lectern
