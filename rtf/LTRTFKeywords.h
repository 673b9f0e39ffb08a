#pragma once
// The keyword table of the RTF reader (internal to rtf/): what every
// control word is. Keywords are case-sensitive and named without their
// backslash.

#include <cstdint>
#include <string_view>

namespace lectern {

enum class TLTRTFKeywordKind : uint8_t {
  Char,     ///< Action: the 8-bit character the word stands for
  UChar,    ///< Default: the UTF-16 code; Action: the 8-bit replacement
  Dest,     ///< Action: a TLTRTFDest
  Prop,     ///< Action: a TLTRTFProp
  Special,  ///< Action: a TLTRTFSpecial
};

/// What ordinary characters mean in a group.
enum TLTRTFDest : uint8_t {
  rdDocText = 0,
  rdSkip = 1,
  rdFontTable = 2,
  rdStyleSheet = 3,
  rdColorTable = 4,
  rdStyleEntry = 5,
  rdPicture = 6,
  rdShpPict = 7,
  rdObject = 8,
  rdObjData = 9,
  rdBookmark = 10,
  rdField = 11,
  rdFieldInst = 12,
  rdPn = 13,
  rdPnTextAfter = 14,
  rdPnTextBefore = 15,
  rdPnSecLevel = 16,
  rdListTable = 17,
  rdList = 18,
  rdListLevel = 19,
  rdListName = 20,
  rdLevelText = 21,
  rdLevelNumbers = 22,
  rdListOverrideTable = 23,
  rdListOverride = 24,
  rdOverrideLevel = 25,
  rdUpr = 26,
  // Destination keywords that are not codes of their own.
  rdkNonShpPict,
  rdkFieldResult,
  rdkNestTableProps,
  rdkHeader,
  rdkFooter,
  rdkFootnote,
  rdkResult,
  rdkUd,
};

enum TLTRTFSpecial : uint8_t { rsBin, rsHex, rsStar };

/// Properties; Extra in the table entry carries a fixed value where a
/// group of words shares one property (underline kinds, sides, ...).
enum TLTRTFProp : uint8_t {
  // Character
  rpBold, rpItalic, rpStrike, rpCaps, rpHidden, rpUnderline, rpUnderlineNone, rpUnderlineTyped,
  rpUnderlineColor, rpFontSize, rpFont, rpAssocFont, rpLang, rpDefLang, rpColor, rpCharBack, rpHighlight,
  rpCharScale, rpExpand, rpSub, rpSuper, rpNoSuperSub, rpUp, rpDown, rpLtrCh, rpRtlCh, rpPlain,
  // Paragraph
  rpPard, rpLeftIndent, rpRightIndent, rpFirstIndent, rpSpaceBefore, rpSpaceAfter, rpLineSpacing,
  rpLineMultiple, rpAlign, rpLtrPar, rpRtlPar, rpKeep, rpKeepNext, rpInTable, rpItap, rpParaBack,
  rpParaPattern, rpShading, rpTabPos, rpTabKind, rpTabLeader, rpListTab, rpLs, rpIlvl, rpBorderSide,
  rpCharBorder, rpBorderWidth, rpBorderColor, rpBorderSpace, rpBorderKind,
  // Old-style numbering
  rpPnSecLvl, rpPnLevel, rpPnHang, rpPnType, rpPnBold, rpPnItalic, rpPnStrike, rpPnUnderline,
  rpPnUnderlineNone, rpPnColor, rpPnFont, rpPnFontSize, rpPnIndent, rpPnSpace, rpPnAlign, rpPnStart,
  // Lists
  rpListId, rpListSimple, rpLevelStartAt, rpLevelNfc, rpLevelJc, rpLevelOld, rpLevelIndent, rpLevelSpace,
  rpLevelFollow, rpLevelLegal, rpLevelNoRestart, rpListOverrideCount, rpListOverrideStartAt,
  // Fonts, colours, style sheet
  rpFontFamily, rpFontCharset, rpDefFont, rpRed, rpGreen, rpBlue, rpStyle, rpCharStyle, rpSectStyle,
  rpBasedOn, rpNext, rpAdditive, rpStyleHidden,
  // Document and section
  rpAnsiCpg, rpDocCodePage, rpU, rpUc, rpPage, rpSectd, rpPaperW, rpPaperH, rpMargL, rpMargR, rpMargT,
  rpMargB, rpHeaderY, rpFooterY, rpPgnStart, rpFacingP, rpMargMirror, rpLandscape, rpViewScale, rpViewZk,
  rpCols, rpSectBreak, rpPgnX, rpPgnY, rpPgnFormat,
  // Pictures and objects
  rpPicW, rpPicH, rpPicWGoal, rpPicHGoal, rpPicScaleX, rpPicScaleY, rpBitsPixel, rpPlanes, rpWidthBytes,
  rpBlip, rpWMetafile, rpPicBmp, rpObjKind, rpObjW, rpObjH,
  // Tables
  rpTrowd, rpRow, rpNestRow, rpCell, rpNestCell, rpLastRow, rpRowAlign, rpRowHeader, rpRowGap, rpRowLeft,
  rpRowHeight, rpRowPadding, rpRowPaddingUnit, rpRowSpacing, rpRowSpacingUnit, rpRowWidth, rpRowWidthUnit,
  rpCellVMerge, rpCellHMerge, rpCellWidth, rpCellWidthUnit, rpCellBack, rpCellPattern, rpCellShading,
  rpCellVAlign, rpCellX, rpRowBorder, rpCellBorder, rpAbsNoOverlap, rpPrivateCellWidth, rpPrivateCellHeight,
  rpPrivateTableWidth,
  // Notes
  rpFootnoteChar, rpEndnoteAlt,
};

struct TLTRTFKeyword {
  std::string_view Name;
  int32_t Default = 0;
  bool PassDefault = false;
  TLTRTFKeywordKind Kind = TLTRTFKeywordKind::Prop;
  int32_t Action = 0;
  int32_t Extra = 0;
};

/// The entry of a keyword, or null when the reader does not know it.
const TLTRTFKeyword* FindRTFKeyword(std::string_view name);
/// Every entry, sorted (for tests).
std::string_view RTFKeywordName(size_t index);
size_t RTFKeywordCount();

}  // namespace lectern
