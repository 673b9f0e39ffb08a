// The RTF reader's properties: what a property keyword changes, by the
// destination it stands in. Every value is held within its range here.

#include "rtf/LTRTFReader.h"

#include "rtf/LTRTFKeywords.h"

namespace lectern {

namespace {

/// Lengths in twips are held within 100,000 (about 69 inches).
constexpr int32_t kMaxTwips = 100000;

int32_t Twips(int32_t v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

// The highlight colours by index (1..16).
constexpr uint32_t kHighlight[] = {0x000000, 0x000000, 0xff0000, 0xffff00, 0x00ff00, 0xff00ff, 0x0000ff,
                                   0x00ffff, 0xffffff, 0x800000, 0x808000, 0x008000, 0x800080, 0x000080,
                                   0x008080, 0x808080, 0xc0c0c0};

}  // namespace

TColor TLTRTFReader::ColorAt(int32_t index, TColor fallback) const {
  if (index < 0 || index >= static_cast<int32_t>(colors_.size())) return fallback;
  return colors_[static_cast<size_t>(index)];
}

int32_t TLTRTFReader::FontIndexOf(int32_t number) const {
  if (auto it = fontByNumber_.find(number); it != fontByNumber_.end()) return it->second;
  if (auto it = fontByNumber_.find(defaultFontNumber_); it != fontByNumber_.end()) return it->second;
  return fonts_.empty() ? -1 : 0;
}

TLTRTFCharProperties TLTRTFReader::DefaultCharProps() const {
  TLTRTFCharProperties c;
  c.FontIndex = FontIndexOf(defaultFontNumber_);
  c.Language = defaultLanguage_;
  return c;
}

TLTRTFRowProperties& TLTRTFReader::RowForWrite() {
  const TLTRTFReaderState& s = Top();
  const int level = s.NestProps ? std::clamp(s.Para.TableLevel(), 2, LTRTFMaxTableNesting) : 1;
  if (rows_.size() < static_cast<size_t>(level)) rows_.resize(static_cast<size_t>(level));
  return rows_[static_cast<size_t>(level - 1)];
}

TLTRTFBorderSide* TLTRTFReader::BorderTargetSide() {
  switch (borderTarget_) {
    case TBorderTarget::Para:
      return &Top().Para.Borders[borderSide_];
    case TBorderTarget::Row:
      return &RowForWrite().Borders[borderSide_];
    case TBorderTarget::Cell:
      return &cell_.Borders[borderSide_];
    default:
      return nullptr;
  }
}

void TLTRTFReader::ApplyBorder(int prop, int32_t param, int32_t extra) {
  TLTRTFBorderSide* side = BorderTargetSide();
  if (!side) return;
  switch (prop) {
    case rpBorderKind:
      if (side->Kind != 0) return;  // a side keeps its first style
      side->Kind = extra;
      if (extra != 0 && side->Width == 0) side->Width = 10;
      return;
    case rpBorderWidth:
      side->Width = std::clamp(param, 0, 1000);
      return;
    case rpBorderColor:
      side->Color = ColorAt(param, side->Color);
      return;
    case rpBorderSpace:
      side->Space = std::clamp(param, 0, 10000);
      return;
    default:
      return;
  }
}

bool TLTRTFReader::ApplyCharProperty(TLTRTFCharProperties& c, int prop, int32_t param, int32_t extra) {
  switch (prop) {
    case rpBold: c.Style.Set(fsBold, param != 0); return true;
    case rpItalic: c.Style.Set(fsItalic, param != 0); return true;
    case rpStrike: c.Style.Set(fsStrikeOut, param != 0); return true;
    case rpCaps: c.Caps = param != 0; return true;
    case rpHidden: c.Hidden = param != 0; return true;
    case rpUnderline:
      c.Style.Set(fsUnderline, param != 0);
      c.UnderlineType = ltutNormal;
      return true;
    case rpUnderlineNone: c.Style.Exclude(fsUnderline); return true;
    case rpUnderlineTyped:
      c.Style.Set(fsUnderline, param > 0);
      if (param > 0) c.UnderlineType = static_cast<TLTUnderlineType>(std::clamp(extra, 0, 12));
      return true;
    case rpUnderlineColor: {
      const TColor u = ColorAt(param, clWindowText);
      c.UnderlineColor = u == clWindowText ? clNone : u;
      return true;
    }
    case rpFontSize: c.SizeHalfPoints = std::clamp(param, 1, 3276); return true;
    case rpFont:
      c.FontIndex = FontIndexOf(param);
      c.FontNameOverride.clear();
      return true;
    case rpAssocFont: return true;
    case rpLang: c.Language = param; return true;
    case rpColor:
      if (param >= 0 && param < static_cast<int32_t>(colors_.size())) c.Color = colors_[static_cast<size_t>(param)];
      return true;
    case rpCharBack:
      if (!c.HighlightSet && param >= 0 && param < static_cast<int32_t>(colors_.size())) {
        const TColor b = colors_[static_cast<size_t>(param)];
        c.BackColor = b == clWindowText ? clNone : b;
      }
      return true;
    case rpHighlight:
      switch (ConvertHighlight) {
        case rtf_hl_Ignore:
          return true;
        case rtf_hl_FixedColors:
          c.BackColor = param >= 1 && param <= 16 ? MakeColor(kHighlight[param]) : clNone;
          break;
        case rtf_hl_ColorTable: {
          const TColor b = ColorAt(param, clWindowText);
          c.BackColor = param <= 0 || b == clWindowText ? clNone : b;
          break;
        }
      }
      c.HighlightSet = true;
      return true;
    case rpCharScale: c.CharScale = std::clamp(param, 1, 1000); return true;
    case rpExpand: c.Spacing = std::clamp(param, -32767, 32767); return true;
    case rpSub: c.SubSuper = param != 0 ? ltsssSubscript : ltsssNormal; return true;
    case rpSuper: c.SubSuper = param != 0 ? ltsssSuperScript : ltsssNormal; return true;
    case rpNoSuperSub: c.SubSuper = ltsssNormal; return true;
    case rpUp: c.VShift = std::clamp(param, 0, 3276); return true;
    case rpDown: c.VShift = -std::clamp(param, 0, 3276); return true;
    case rpLtrCh: c.RightToLeft = false; return true;
    case rpRtlCh: c.RightToLeft = true; return true;
    case rpPlain: c = DefaultCharProps(); return true;
    default: return false;
  }
}

bool TLTRTFReader::ApplyParaProperty(TLTRTFParaProperties& p, int prop, int32_t param, int32_t extra) {
  switch (prop) {
    case rpPard:
      p = {};
      borderTarget_ = TBorderTarget::None;
      return true;
    case rpLeftIndent: p.LeftIndent = Twips(param); return true;
    case rpRightIndent: p.RightIndent = Twips(param); return true;
    case rpFirstIndent: p.FirstIndent = Twips(param); return true;
    case rpSpaceBefore: p.SpaceBefore = std::clamp(param, 0, kMaxTwips); return true;
    case rpSpaceAfter: p.SpaceAfter = std::clamp(param, 0, kMaxTwips); return true;
    case rpLineSpacing: p.LineSpacing = Twips(param); return true;
    case rpLineMultiple: p.LineMultiple = param != 0; return true;
    case rpAlign: p.Alignment = static_cast<TLTAlignment>(extra); return true;
    case rpLtrPar: p.RightToLeft = false; return true;
    case rpRtlPar: p.RightToLeft = true; return true;
    case rpKeep: p.Keep = param != 0; return true;
    case rpKeepNext: p.KeepNext = param != 0; return true;
    case rpInTable: p.InTable = param != 0; return true;
    case rpItap:
      // Held to the nesting the reader reports; the level is opened one
      // at a time when text comes.
      p.NestingLevel = std::clamp(param, 0, LTRTFMaxTableNesting);
      if (p.NestingLevel > 0) p.InTable = true;
      if (p.NestingLevel == 0) p.InTable = false;
      return true;
    case rpParaBack: {
      const TColor b = ColorAt(param, clNone);
      p.ShadingColor = b == clWindowText ? clNone : b;
      return true;
    }
    case rpParaPattern: {
      const TColor b = ColorAt(param, clNone);
      p.PatternColor = b == clWindowText ? clNone : b;
      return true;
    }
    case rpShading: p.Shading = std::clamp(param, 0, 10000); return true;
    case rpTabKind: tabKind_ = static_cast<uint8_t>(extra); return true;
    case rpTabLeader: tabLeader_ = static_cast<uint8_t>(extra); return true;
    case rpListTab: tabList_ = true; return true;
    case rpTabPos:
      if (p.Tabs.size() < static_cast<size_t>(LTRTFMaxTabs))
        p.Tabs.push_back({std::clamp(param, 0, kMaxTwips), tabKind_, tabLeader_, tabList_});
      tabKind_ = tabLeader_ = 0;
      tabList_ = false;
      return true;
    case rpLs: p.ListOverride = std::clamp(param, 0, LTRTFMaxTableEntries); return true;
    case rpIlvl: p.ListLevel = std::clamp(param, 0, LTRTFMaxListLevels - 1); return true;
    case rpBorderSide:
      borderTarget_ = TBorderTarget::Para;
      borderSide_ = extra;
      p.Borders[extra].Present = true;
      return true;
    case rpCharBorder:
      borderTarget_ = TBorderTarget::Char;
      return true;
    default:
      return false;
  }
}

bool TLTRTFReader::ApplyListProperty(int prop, int32_t param, int32_t extra) {
  const uint8_t dest = Top().Dest;
  TLTRTFMarkerProperties& m = Top().Para.Marker;
  switch (prop) {
    case rpPnSecLvl: return true;
    case rpPnLevel: m.Level = std::clamp(param, 0, 11); return true;
    case rpPnHang: m.Hang = param != 0; return true;
    case rpPnType: m.NumberType = param; return true;
    case rpPnBold: m.Style.Set(fsBold, param != 0); return true;
    case rpPnItalic: m.Style.Set(fsItalic, param != 0); return true;
    case rpPnStrike: m.Style.Set(fsStrikeOut, param != 0); return true;
    case rpPnUnderline: m.Style.Set(fsUnderline, param != 0); return true;
    case rpPnUnderlineNone: m.Style.Exclude(fsUnderline); return true;
    case rpPnColor: m.Color = ColorAt(param, m.Color); return true;
    case rpPnFont: m.FontIndex = FontIndexOf(param); return true;
    case rpPnFontSize: m.SizeHalfPoints = std::clamp(param, 0, 3276); return true;
    case rpPnIndent: m.Indent = Twips(param); return true;
    case rpPnSpace: m.Space = Twips(param); return true;
    case rpPnAlign: m.Align = extra; return true;
    case rpPnStart: m.Start = std::clamp(param, 0, 32767); return true;
    default: break;
  }
  if (dest == rdList && !lists_.empty()) {
    if (prop == rpListId) lists_.back().ListId = param;
    if (prop == rpListSimple) lists_.back().Simple = param != 0;
    return prop == rpListId || prop == rpListSimple;
  }
  if (dest == rdListLevel && !lists_.empty() && !lists_.back().Levels.empty()) {
    TLTRTFListLevel97& l = lists_.back().Levels.back();
    switch (prop) {
      case rpLevelStartAt: l.StartAt = std::clamp(param, 0, 32767); return true;
      case rpLevelNfc: l.Format = param; return true;
      case rpLevelJc: l.Alignment = std::clamp(param, 0, 2); return true;
      case rpLevelOld: return true;
      case rpLevelIndent: l.Indent = Twips(param); return true;
      case rpLevelSpace: l.Space = Twips(param); return true;
      case rpLevelFollow: l.Follow = param; return true;
      case rpLevelLegal: l.Legal = param != 0; return true;
      case rpLevelNoRestart: l.NoRestart = param != 0; return true;
      default: return false;
    }
  }
  if (dest == rdListOverride && !overrides_.empty()) {
    TLTRTFListOverride97& o = overrides_.back();
    if (prop == rpListId) o.ListId = param;
    if (prop == rpListOverrideCount) o.Count = std::clamp(param, 0, LTRTFMaxListLevels);
    if (prop == rpLs) o.Number = param;
    return prop == rpListId || prop == rpListOverrideCount || prop == rpLs;
  }
  if (dest == rdOverrideLevel && !overrides_.empty() && !overrides_.back().Levels.empty()) {
    TLTRTFListOverrideLevel97& l = overrides_.back().Levels.back();
    if (prop == rpLevelStartAt) {
      l.StartAt = std::clamp(param, 0, 32767);
      l.HasStartAt = true;
    }
    return prop == rpLevelStartAt || prop == rpListOverrideStartAt;
  }
  return false;
}

bool TLTRTFReader::ApplyTableProperty(int prop, int32_t param, int32_t extra) {
  switch (prop) {
    case rpTrowd: {
      TLTRTFRowProperties& r = RowForWrite();
      r = {};
      cell_ = {};
      return true;
    }
    case rpLastRow: RowForWrite().LastRow = true; return true;
    case rpRowAlign: RowForWrite().Align = extra; return true;
    case rpRowHeader: RowForWrite().Header = param != 0; return true;
    case rpRowGap: RowForWrite().Gap = std::clamp(param, 0, kMaxTwips); return true;
    case rpRowLeft: RowForWrite().Left = Twips(param); return true;
    case rpRowHeight: RowForWrite().Height = Twips(param); return true;
    case rpRowPadding: {
      TLTRTFRowProperties& r = RowForWrite();
      r.Padding[extra] = std::clamp(param, 0, kMaxTwips);
      r.HasPadding[extra] = true;
      return true;
    }
    case rpRowSpacing: {
      TLTRTFRowProperties& r = RowForWrite();
      r.Spacing[extra] = Twips(param);
      r.HasSpacing[extra] = true;
      return true;
    }
    case rpRowPaddingUnit:
    case rpRowSpacingUnit:
    case rpAbsNoOverlap:
      return true;
    case rpRowWidth: RowForWrite().Width = Twips(param); return true;
    case rpRowWidthUnit: RowForWrite().WidthUnit = param; return true;
    case rpCellVMerge: cell_.MergeV = static_cast<uint8_t>(param); return true;
    case rpCellHMerge: cell_.MergeH = static_cast<uint8_t>(param); return true;
    case rpCellWidth:
      cell_.Width = Twips(param);
      cell_.HasWidth = true;
      return true;
    case rpCellWidthUnit: cell_.WidthType = param; return true;
    case rpCellBack: {
      const TColor b = ColorAt(param, clNone);
      cell_.Color = b == clWindowText ? clNone : b;
      return true;
    }
    case rpCellPattern: cell_.PatternColor = ColorAt(param, clNone); return true;
    case rpCellShading: cell_.Shading = std::clamp(param, 0, 10000); return true;
    case rpCellVAlign: cell_.VAlign = static_cast<uint8_t>(extra); return true;
    case rpCellX: {
      TLTRTFRowProperties& r = RowForWrite();
      cell_.Right = Twips(param);
      if (r.Cells.size() < static_cast<size_t>(LTRTFMaxRowCells)) r.Cells.push_back(cell_);
      cell_ = {};
      return true;
    }
    case rpRowBorder:
      borderTarget_ = TBorderTarget::Row;
      borderSide_ = extra;
      RowForWrite().Borders[extra].Present = true;
      return true;
    case rpCellBorder:
      borderTarget_ = TBorderTarget::Cell;
      borderSide_ = extra;
      cell_.Borders[extra].Present = true;
      return true;
    case rpPrivateCellWidth:
      cell_.PrivateWidth = std::clamp(param, 0, 100000);
      RowForWrite().HasPrivateWidths = true;
      return true;
    case rpPrivateCellHeight: cell_.PrivateHeight = std::clamp(param, 0, 100000); return true;
    case rpPrivateTableWidth: {
      TLTRTFRowProperties& r = RowForWrite();
      r.PrivateTableWidth = std::clamp(param, -100, 100000);
      r.HasPrivateWidths = true;
      return true;
    }
    case rpCell:
    case rpNestCell:
      if (Top().Dest != rdDocText) return true;
      if (pending8_.empty() && pending16_.empty() && !sinceBreak_ && cellContent_) {
        // The cell mark ends the paragraph a \par already ended: no empty
        // paragraph is made after the cell's last one.
        nextPosition_ = rtf_ts_NewPara;
      } else {
        FlushText(rtf_ts_NewPara);
        if (OnUpdateMarker) OnUpdateMarker();
      }
      if (tableLevel_ >= 1) TableEvent(ltf_tbl_CellEnd);
      cellContent_ = false;
      return true;
    case rpRow:
      if (Top().Dest != rdDocText) return true;
      FlushText(rtf_ts_ContinuePara);
      CloseTables(1, false);
      if (tableLevel_ >= 1) TableEvent(ltf_tbl_RowEnd);
      return true;
    case rpNestRow:
      if (Top().Dest != rdDocText) return true;
      FlushText(rtf_ts_ContinuePara);
      if (tableLevel_ >= 1) TableEvent(ltf_tbl_RowEnd);
      return true;
    default:
      return false;
  }
}

bool TLTRTFReader::ApplyPictureProperty(int prop, int32_t param) {
  if (!picture_) return false;
  TLTRTFPicture& p = *picture_;
  const int32_t v = std::max(param, 0);
  switch (prop) {
    case rpPicW: p.PicW = v; return true;
    case rpPicH: p.PicH = v; return true;
    case rpPicWGoal: p.GoalW = v; return true;
    case rpPicHGoal: p.GoalH = v; return true;
    case rpPicScaleX: p.ScaleX = param; return true;
    case rpPicScaleY: p.ScaleY = param; return true;
    case rpBitsPixel: p.BitsPerPixel = v; return true;
    case rpPlanes: p.Planes = v; return true;
    case rpWidthBytes: p.WidthBytes = v; return true;
    case rpBlip: p.Kind = param; return true;
    case rpWMetafile:
      p.Kind = 5;
      p.MetafileMapping = param;
      return true;
    case rpPicBmp: return true;
    default: return false;
  }
}

void TLTRTFReader::ApplyProperty(const TLTRTFKeyword& kw, int32_t param, bool hasParam) {
  TLTRTFReaderState& s = Top();
  const int prop = kw.Action;
  const int32_t extra = kw.Extra;
  switch (prop) {
    case rpU:
      if (hasParam) UnicodeKeyword(param);
      return;
    case rpUc:
      ucValue_ = std::clamp(param, 0, LTRTFMaxUnicodeSkip);
      return;
    default:
      break;
  }
  switch (s.Dest) {
    case rdFontTable:
      if (prop == rpFont) {
        if (fonts_.size() >= static_cast<size_t>(LTRTFMaxTableEntries)) return;
        TLTRTFFont f;
        f.Number = param;
        fonts_.push_back(f);
        fontByNumber_[param] = static_cast<int32_t>(fonts_.size()) - 1;
        collect8_.clear();
        collect16_.clear();
      } else if (prop == rpFontCharset && !fonts_.empty()) {
        fonts_.back().Charset = std::clamp(param, 0, 255);
      } else if (prop == rpFontFamily && !fonts_.empty()) {
        fonts_.back().Family = extra;
      }
      return;
    case rdColorTable: {
      const int v = std::clamp(param, 0, 255);
      if (prop != rpRed && prop != rpGreen && prop != rpBlue) return;
      if (color_ == clWindowText) color_ = 0;
      const int shift = prop == rpRed ? 0 : prop == rpGreen ? 8 : 16;
      color_ = static_cast<TColor>((static_cast<uint32_t>(color_) & ~(0xFFu << shift)) |
                                   (static_cast<uint32_t>(v) << shift));
      return;
    }
    case rdStyleEntry:
      switch (prop) {
        case rpStyle: styleEntry_.Number = param; styleEntry_.Kind = 0; return;
        case rpCharStyle: styleEntry_.Number = param; styleEntry_.Kind = 1; return;
        case rpSectStyle: styleEntry_.Number = param; styleEntry_.Kind = 2; return;
        case rpBasedOn: styleEntry_.BasedOn = param; return;
        case rpNext: styleEntry_.Next = param; return;
        default: break;
      }
      ApplyCharProperty(s.Char, prop, param, extra) || ApplyParaProperty(s.Para, prop, param, extra);
      return;
    case rdPicture:
      ApplyPictureProperty(prop, param);
      return;
    case rdList:
    case rdListLevel:
    case rdListOverride:
    case rdOverrideLevel:
    case rdPn:
    case rdPnTextAfter:
    case rdPnTextBefore:
      if (ApplyListProperty(prop, param, extra)) return;
      if (s.Dest == rdListLevel) ApplyCharProperty(s.Char, prop, param, extra) || ApplyParaProperty(s.Para, prop, param, extra);
      return;
    default:
      break;
  }
  if (prop >= rpBorderWidth && prop <= rpBorderKind) {
    ApplyBorder(prop, param, extra);
    return;
  }
  if (prop <= rpPlain) {
    if (s.Dest == rdDocText && (!pending8_.empty() || !pending16_.empty())) {
      // Text so far keeps the properties it was written in.
      TLTRTFCharProperties c = s.Char;
      ApplyCharProperty(c, prop, param, extra);
      if (c == s.Char) return;
      FlushText(rtf_ts_ContinuePara);
      s.Char = std::move(c);
      return;
    }
    ApplyCharProperty(s.Char, prop, param, extra);
    return;
  }
  if (ApplyParaProperty(s.Para, prop, param, extra)) return;
  if (prop >= rpPnSecLvl && prop <= rpPnStart) {
    ApplyListProperty(prop, param, extra);
    return;
  }
  if (ApplyTableProperty(prop, param, extra)) return;
  switch (prop) {
    case rpDefFont:
      if (s.Dest == rdDocText) defaultFontNumber_ = param;
      return;
    case rpDefLang: defaultLanguage_ = param; return;
    case rpAnsiCpg:
      if (param > 0 && IsCodePageSupported(static_cast<TLTCodePage>(param))) docCodePage_ = static_cast<TLTCodePage>(param);
      return;
    case rpDocCodePage:
      if (extra != 0) docCodePage_ = static_cast<TLTCodePage>(extra);
      return;
    case rpPage:
      if (s.Dest == rdDocText && OnRequiredPageBreak) {
        FlushText(rtf_ts_ContinuePara);
        OnRequiredPageBreak();
      }
      return;
    case rpSectd: s.Sect = {}; return;
    case rpCols: s.Sect.Columns = std::clamp(param, 1, 100); return;
    case rpSectBreak: s.Sect.BreakKind = param; return;
    case rpPgnStart: s.Sect.PageNumberStart = param; return;
    case rpPaperW: doc_.PaperWidth = Twips(param); return;
    case rpPaperH: doc_.PaperHeight = Twips(param); return;
    case rpMargL: doc_.MarginLeft = Twips(param); return;
    case rpMargR: doc_.MarginRight = Twips(param); return;
    case rpMargT: doc_.MarginTop = Twips(param); return;
    case rpMargB: doc_.MarginBottom = Twips(param); return;
    case rpLandscape: doc_.Landscape = param != 0; return;
    case rpFacingP: doc_.FacingPages = param != 0; return;
    case rpViewScale: doc_.ViewScale = std::clamp(param, 1, 1000); return;
    case rpFootnoteChar:
      if (s.Dest == rdDocText && OnNote) {
        FlushText(rtf_ts_ContinuePara);
        OnNote(rtf_ne_Character, TakePosition());
      }
      return;
    case rpEndnoteAlt:
      if (s.InNote && OnNote) OnNote(rtf_ne_EndNote, rtf_ts_ContinuePara);
      return;
    default:
      return;
  }
}

}  // namespace lectern
