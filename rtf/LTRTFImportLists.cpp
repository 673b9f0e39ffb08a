// RTF import: lists. Lists are built only when paragraph styles may be
// added: the list table becomes list styles (an equal existing one is
// reused), old-style numbering becomes one-level list styles, and every
// list paragraph gets a marker before its first item.

#include "rtf/LTRTFImportRun.h"

#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"

#include <cmath>

namespace lectern {

namespace {

TLTListType ListTypeOf(int32_t nfc) {
  switch (nfc) {
    case 1: return ltlstUpperRoman;
    case 2: return ltlstLowerRoman;
    case 3: return ltlstUpperAlpha;
    case 4: return ltlstLowerAlpha;
    case 23: return ltlstBullet;
    default: return ltlstDecimal;
  }
}

TLTMarkerAlignment AlignOf(int32_t jc) { return jc == 1 ? ltmaCenter : jc == 2 ? ltmaRight : ltmaLeft; }

/// The index of an equal list style, or -1.
int FindEqualList(const TLTListInfos& lists, const TLTListInfo& probe, const std::vector<bool>& taken) {
  for (int i = 0; i < lists.Count(); ++i)
    if ((static_cast<size_t>(i) >= taken.size() || !taken[static_cast<size_t>(i)]) && lists[i].SameAs(probe, true))
      return i;
  return -1;
}

}  // namespace

void TLTRTFImportRun::BuildListStyles() {
  if (ListStylesBuilt || !Sheet) return;
  ListStylesBuilt = true;
  TLTListInfos& lists = Sheet->ListStyles();
  std::vector<bool> taken(static_cast<size_t>(lists.Count()), false);
  const std::vector<TLTRTFFont>& fonts = R.Fonts();
  for (const TLTRTFList97& list : R.ListTable()) {
    TLTListInfo probe;
    probe.Standard = false;
    for (const TLTRTFListLevel97& l : list.Levels) {
      TLTListLevel& level = probe.Levels.Add();
      level.ListType = ListTypeOf(l.Format);
      // The level text: its length first, then text and placeholders.
      std::u16string_view text = l.Text;
      if (!text.empty()) {
        const size_t length = std::min<size_t>(text[0], text.size() - 1);
        text = text.substr(1, length);
      }
      const TLTRTFFont* font = l.FontIndex >= 0 && l.FontIndex < static_cast<int32_t>(fonts.size())
                                   ? &fonts[static_cast<size_t>(l.FontIndex)]
                                   : fonts.empty() ? nullptr : &fonts[0];
      if (level.ListType == ltlstBullet) {
        const bool symbol = font && SameTextFold(font->Name, u"Symbol");
        const bool wingdings = font && SameTextFold(font->Name, u"Wingdings");
        if (text.size() == 1 && ((symbol && text[0] >= 0xF0A1 && text[0] <= 0xF0FE) ||
                                 (wingdings && text[0] >= 0xF021 && text[0] <= 0xF0FF))) {
          level.FormatString = TLTString(1, static_cast<char16_t>(text[0] - 0xF000));
        } else if (!text.empty()) {
          level.ListType = ltlstUnicodeBullet;
          level.FormatStringW = TLTString(text);
          level.FormatString.clear();
        }
      } else {
        TLTString format;
        for (char16_t c : text) {
          if (c < 10) {
            format += c == 0 ? TLTString(u"%s") : u"%" + Utf8ToUtf16(IntToStr(c)) + u":s";
          } else {
            format.push_back(c);
          }
        }
        level.FormatString = format;
      }
      level.MarkerAlignment = AlignOf(l.Alignment);
      TLTMarkerFont& mf = level.FontForWrite();
      if (font) {
        mf.Font.Name = font->Name.empty() ? TLTString(u"Arial") : font->Name;
        mf.Font.Charset = static_cast<uint8_t>(std::clamp(font->Charset, 0, 255));
      }
      mf.Font.Style = l.CharProps.Style;
      mf.Font.Color = l.CharProps.Color;
      mf.Font.SetSize(l.CharProps.SizePoints());
      level.LeftIndent = Px(l.LeftIndent);
      level.MarkerIndent = Px(l.FirstIndent) + level.LeftIndent;
      level.FirstIndent = l.HasTab ? Px(l.Tab) - level.LeftIndent : 0;
      level.StartFrom = l.StartAt;
      level.Options = {ltloContinuous, ltloLevelReset};
      if (l.NoRestart) level.Options.Exclude(ltloLevelReset);
      if (l.Legal) level.Options.Include(ltloLegalStyleNumbering);
    }
    if (probe.Levels.Count() == 0) probe.Levels.Add();
    int index = FindEqualList(lists, probe, taken);
    if (index < 0) {
      TLTListInfo& added = lists.Add();
      added.Assign(probe);
      added.Standard = false;
      added.StyleName = list.Name.empty() ? TLTString(u"List Style") : list.Name;
      index = lists.Count() - 1;
      StyleAdded(lists, index);
      // Writers often leave a level's indents out and give them to each
      // paragraph instead.
      for (size_t k = 0; k < list.Levels.size(); ++k) {
        const TLTRTFListLevel97& l = list.Levels[k];
        if (l.LeftIndent == 0 && l.FirstIndent == 0 && !l.HasTab) LevelsToPlace.emplace(index, static_cast<int32_t>(k));
      }
    }
    if (static_cast<size_t>(index) >= taken.size()) taken.resize(static_cast<size_t>(index) + 1, false);
    taken[static_cast<size_t>(index)] = true;
    ListMap.push_back(index);
  }
}

int32_t TLTRTFImportRun::ListStyleForList(int listIndex) {
  BuildListStyles();
  if (listIndex < 0 || listIndex >= static_cast<int>(ListMap.size())) return -1;
  return ListMap[static_cast<size_t>(listIndex)];
}

int32_t TLTRTFImportRun::ListStyleForOldStyle(const TLTRTFParaProperties& p) {
  const TLTRTFMarkerProperties& m = p.Marker;
  const int lvl = std::clamp(m.Level, 1, 11);
  if (lvl <= 10 && OldStyleMap[lvl] >= 0 && OldStyleMap[lvl] < Sheet->ListStyles().Count()) return OldStyleMap[lvl];
  TLTListInfo probe;
  TLTListLevel& level = probe.Levels.Add();
  const bool bullet = lvl == 11 || (lvl == 10 && m.NumberType == 0);
  if (bullet) {
    level.ListType = ltlstBullet;
    level.FormatString = m.TextBefore.empty() ? TLTString(u"\u00B7") : m.TextBefore;
  } else {
    switch (m.NumberType) {
      case 2: level.ListType = ltlstLowerAlpha; break;
      case 3: level.ListType = ltlstUpperAlpha; break;
      case 4: level.ListType = ltlstLowerRoman; break;
      case 5: level.ListType = ltlstUpperRoman; break;
      default: level.ListType = ltlstDecimal; break;
    }
    level.FormatString = m.TextBefore + u"%s" + m.TextAfter;
  }
  const int32_t L = Px(p.LeftIndent), F = Px(p.FirstIndent), N = Px(m.Indent), Sp = Px(m.Space);
  level.FirstIndent = m.Hang ? std::max(Sp, F + N) : std::max(0, std::max(N, Sp) + F);
  level.LeftIndent = L;
  const int align = lvl == 11 ? 0 : m.Align;
  level.MarkerAlignment = align == 1 ? ltmaRight : align == 2 ? ltmaCenter : ltmaLeft;
  level.MarkerIndent = align == 1   ? level.FirstIndent + L
                       : align == 2 ? (L + F + level.FirstIndent + L) / 2
                                    : L + F;
  const std::vector<TLTRTFFont>& fonts = R.Fonts();
  TLTMarkerFont& mf = level.FontForWrite();
  if (m.FontIndex >= 0 && m.FontIndex < static_cast<int32_t>(fonts.size()))
    mf.Font.Name = fonts[static_cast<size_t>(m.FontIndex)].Name;
  if (m.SizeHalfPoints > 0) mf.Font.SetSize((m.SizeHalfPoints + 1) / 2);
  mf.Font.Style = m.Style;
  mf.Font.Color = m.Color;
  TLTListInfos& lists = Sheet->ListStyles();
  int index = FindEqualList(lists, probe, {});
  if (index < 0) {
    TLTListInfo& added = lists.Add();
    added.Assign(probe);
    added.Standard = false;
    index = lists.Count() - 1;
    StyleAdded(lists, index);
  }
  OldStyleMap[lvl] = index;
  return index;
}

void TLTRTFImportRun::UpdateMarkerFromParagraph() {
  if (!LastMarker || !Sheet || LastMarker->StyleNo != ltikMarker) return;
  const auto& marker = static_cast<const TLTMarkerItemInfo&>(*LastMarker);
  const int32_t list = marker.ListNo, at = marker.Level;
  TLTListInfos& lists = Sheet->ListStyles();
  if (!lists.IsValidIndex(list) || at < 0 || at >= lists[list].Levels.Count()) return;
  if (LevelsToPlace.erase({list, at}) == 0) return;
  const TLTRTFParaProperties& p = R.ParaProps();
  TLTListLevel& level = lists[list].Levels[at];
  const int32_t oldLeft = level.LeftIndent, oldMarker = level.MarkerIndent, oldFirst = level.FirstIndent;
  level.LeftIndent = Px(p.LeftIndent);
  level.MarkerIndent = Px(p.LeftIndent + p.FirstIndent);
  const TLTRTFTab* listTab = nullptr;
  for (const TLTRTFTab& t : p.Tabs)
    if (t.ListTab) listTab = &t;
  int32_t tab = listTab ? listTab->Position : -1;
  if (p.FirstIndent < 0 && (!listTab || listTab->Position > -p.FirstIndent)) tab = p.LeftIndent;
  level.FirstIndent = tab >= 0 ? Px(tab) - level.LeftIndent
                               : level.MarkerIndent + oldLeft + oldFirst - level.LeftIndent - oldMarker;
}

void TLTRTFImportRun::InsertMarkerForParagraph() {
  if (S.ParaStyleMode != ltrsAddIfNeeded || !Sheet) return;
  const TLTRTFParaProperties& p = R.ParaProps();
  if (!p.HasMarker)
    for (int32_t& m : OldStyleMap) m = -1;
  std::unique_ptr<TLTMarkerItemInfo> marker;
  if (p.ListOverride > 0) {
    std::vector<TLTRTFListOverride97>& overrides = R.ListOverrides();
    TLTRTFListOverride97* o = nullptr;
    for (TLTRTFListOverride97& candidate : overrides)
      if (candidate.Number == p.ListOverride) {
        o = &candidate;
        break;
      }
    if (!o) return;
    int listIndex = -1;
    const std::vector<TLTRTFList97>& table = R.ListTable();
    for (size_t i = 0; i < table.size(); ++i)
      if (table[i].ListId == o->ListId) {
        listIndex = static_cast<int>(i);
        break;
      }
    const int32_t style = ListStyleForList(listIndex);
    if (style < 0) return;
    int32_t start = 1;
    bool reset = false;
    if (static_cast<size_t>(p.ListLevel) < o->Levels.size()) {
      TLTRTFListOverrideLevel97& ol = o->Levels[static_cast<size_t>(p.ListLevel)];
      if (ol.HasStartAt && !ol.Used) {
        ol.Used = true;
        start = ol.StartAt;
        reset = true;
      }
    }
    marker = std::make_unique<TLTMarkerItemInfo>(style, p.ListLevel, start, reset);
  } else if (p.HasMarker && p.Marker.Level > 0) {
    const int lvl = std::clamp(p.Marker.Level, 1, 11);
    const bool reset = lvl > 10 || OldStyleMap[lvl] < 0;
    const int32_t style = ListStyleForOldStyle(p);
    marker = std::make_unique<TLTMarkerItemInfo>(style, 0, p.Marker.Start, reset);
  } else {
    return;
  }
  marker->ParaNo = ParaStyleFor(rtf_ts_NewPara);
  Insert(std::move(marker), rtf_ts_NewPara);
}

}  // namespace lectern
