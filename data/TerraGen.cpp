// Builds the country table "Terra.db" and the sample template
// "terrabook.ltf" from the readable sources in data/countries/. The rich
// fields are real documents made with the document API and stored as LTF,
// exactly as the program would store them.
//
//   terragen COUNTRIES_DIR DB_PATH TEMPLATE_PATH

#include "app/ReportMerge.h"
#include "model/LTDocument.h"
#include "model/LTMarker.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleTemplates.h"
#include "table/LTTable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace lectern;

namespace {

struct TCity {
  std::string Name, Population, Year;
};

/// A large-object field: absent (NULL), present but empty, or with content.
enum class TBlobState { Missing, Empty, Present };

struct TCountry {
  std::string Source;
  std::string Name, Capital, CallingCode;
  std::string Population, PopulationYear, Area, Languages;
  std::vector<TCity> Cities;
  std::vector<std::string> Paragraphs;
  TBlobState CitiesState = TBlobState::Missing;
  TBlobState DescriptionState = TBlobState::Missing;
  TBlobState DemographicsState = TBlobState::Missing;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw std::runtime_error(where + ": " + what);
}

std::string Trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> SplitBars(const std::string& value) {
  std::vector<std::string> parts;
  std::stringstream ss(value);
  std::string part;
  while (std::getline(ss, part, '|')) parts.push_back(Trim(part));
  return parts;
}

TCountry ReadCountry(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path.string(), "cannot be read");
  TCountry c;
  c.Source = path.filename().string();
  std::string line;
  int lineNo = 0;
  bool inDescription = false;
  std::string paragraph;
  auto endParagraph = [&] {
    if (!paragraph.empty()) c.Paragraphs.push_back(paragraph);
    paragraph.clear();
  };
  while (std::getline(in, line)) {
    ++lineNo;
    const std::string where = path.string() + ":" + std::to_string(lineNo);
    if (inDescription) {
      const std::string t = Trim(line);
      if (t.empty()) {
        endParagraph();
      } else {
        paragraph += (paragraph.empty() ? "" : " ") + t;
      }
      continue;
    }
    if (Trim(line).empty() || line[0] == '#') continue;
    const auto colon = line.find(':');
    if (colon == std::string::npos) Fail(where, "expected \"Key: value\"");
    const std::string key = line.substr(0, colon);
    const std::string value = Trim(std::string_view(line).substr(colon + 1));
    if (key == "Country") {
      c.Name = value;
    } else if (key == "Capital") {
      c.Capital = value;
    } else if (key == "CallingCode") {
      c.CallingCode = value;
    } else if (key == "Population") {
      auto parts = SplitBars(value);
      if (parts.size() != 2) Fail(where, "Population needs \"figure | year\"");
      c.Population = parts[0];
      c.PopulationYear = parts[1];
    } else if (key == "Area") {
      c.Area = value;
    } else if (key == "Languages") {
      c.Languages = value;
    } else if (key == "City") {
      auto parts = SplitBars(value);
      if (parts.size() != 3) Fail(where, "City needs \"name | population | year\"");
      c.Cities.push_back({parts[0], parts[1], parts[2]});
    } else if (key == "Cities" && value == "(empty)") {
      c.CitiesState = TBlobState::Empty;
    } else if (key == "Description") {
      if (value == "(empty)") {
        c.DescriptionState = TBlobState::Empty;
      } else if (value.empty()) {
        inDescription = true;
      } else {
        Fail(where, "the description starts on the line after \"Description:\"");
      }
    } else {
      Fail(where, "unknown key \"" + key + "\"");
    }
  }
  endParagraph();
  if (c.Name.empty() || c.Capital.empty() || c.CallingCode.empty())
    Fail(path.string(), "Country, Capital and CallingCode are required");
  if (!c.Cities.empty()) {
    if (c.CitiesState == TBlobState::Empty) Fail(path.string(), "cities both empty and listed");
    c.CitiesState = TBlobState::Present;
  }
  if (inDescription) {
    if (c.Paragraphs.empty()) Fail(path.string(), "the description has no text");
    c.DescriptionState = TBlobState::Present;
  }
  const bool anyDemo = !c.Population.empty() || !c.Area.empty() || !c.Languages.empty();
  if (anyDemo) {
    if (c.Population.empty() || c.Area.empty() || c.Languages.empty())
      Fail(path.string(), "Population, Area and Languages go together");
    c.DemographicsState = TBlobState::Present;
  }
  return c;
}

// ---- Styles -----------------------------------------------------------------------
// The template and every stored document are made with one set of styles:
// a stored document merged into the template then finds each of its styles
// there (equal styles are shared, not added), so a report keeps one look.

/// A colour from its red, green and blue parts.
constexpr TColor Rgb(uint32_t r, uint32_t g, uint32_t b) { return MakeColor(r | g << 8 | b << 16); }

constexpr TColor kInk = Rgb(0x1F, 0x3A, 0x5F);        // section headings and labels
constexpr TColor kLinkColor = Rgb(0x1A, 0x5F, 0xB4);  // hyperlinks
constexpr TColor kLineColor = Rgb(0xA9, 0xB4, 0xC2);  // table lines and the rule under the title
constexpr TColor kHeadFill = Rgb(0xE4, 0xEB, 0xF3);   // heading cells of a table
constexpr TColor kLabelFill = Rgb(0xF3, 0xF6, 0xF9);  // label cells of a table

// Text styles: the sheet's six, restyled, and the labels of tables.
constexpr int kNormal = 0, kHeading = 1, kSubheading = 2, kKeywords = 3, kJump = 4, kJump2 = 5, kLabel = 6;
// Paragraph styles: the sheet's two (plain, centred) and five more.
constexpr int kPlain = 0, kTitle = 2, kSection = 3, kBody = 4, kFigures = 5, kListItem = 6;

// Vertical room, in pixels: the title stands apart, a section heading is
// nearer to its own section than to the one before.
constexpr int kTitleSpaceAfter = 14, kTitleRuleGap = 4;
constexpr int kSectionSpaceBefore = 14, kSectionSpaceAfter = 5;
constexpr int kBodySpaceAfter = 6, kListItemSpaceAfter = 3;
// Room inside table cells.
constexpr int kCellHPadding = 6, kCellVPadding = 3;
// The label column of a two-column table and the columns of the cities,
// in percent of the table; the labels line up from table to table.
constexpr int kLabelColumn = 35;
constexpr int kCityColumns[3] = {35, 40, 25};

TParaInfo& AddParaStyle(TLTStyle& sheet, const char16_t* name, int expectedIndex) {
  TParaInfo& p = sheet.ParaStyles().Add();
  p.StyleName = name;
  if (sheet.ParaStyles().Count() - 1 != expectedIndex) throw std::logic_error("the paragraph styles are out of order");
  return p;
}

void SetUpStyles(TLTStyle& sheet) {
  TFontInfos& text = sheet.TextStyles();
  // The title has exactly the look the merge gives the country's name
  // (FindOrAddCodeStyle(ltcsCountry)), so the name is set in the title's
  // own style and the heading reads as one line.
  TFontInfo& heading = text[kHeading];
  heading.Size = 12;
  heading.Color = clWindowText;
  TFontInfo& subheading = text[kSubheading];
  subheading.Size = 11;
  subheading.Color = kInk;
  text[kJump].Color = kLinkColor;
  text[kJump2].Color = kLinkColor;
  TFontInfo& label = text.Add();
  label.StyleName = u"Label";
  label.Style.Include(fsBold);
  label.Color = kInk;
  if (text.Count() - 1 != kLabel) throw std::logic_error("the text styles are out of order");

  TParaInfo& title = AddParaStyle(sheet, u"Title", kTitle);
  title.Alignment = ltaCenter;
  title.SpaceAfter = kTitleSpaceAfter;
  title.Border.Style = ltbSingle;
  title.Border.Color = kLineColor;
  title.Border.VisibleBorders.Left = title.Border.VisibleBorders.Top = title.Border.VisibleBorders.Right = false;
  title.Border.BorderOffsets.Bottom = kTitleRuleGap;
  TParaInfo& section = AddParaStyle(sheet, u"Section heading", kSection);
  section.SpaceBefore = kSectionSpaceBefore;
  section.SpaceAfter = kSectionSpaceAfter;
  section.Options.Include(ltpaoKeepWithNext);
  AddParaStyle(sheet, u"Body", kBody).SpaceAfter = kBodySpaceAfter;
  AddParaStyle(sheet, u"Figures", kFigures).Alignment = ltaRight;
  AddParaStyle(sheet, u"List item", kListItem).SpaceAfter = kListItemSpaceAfter;
}

/// The style list of the window: each paragraph look of the report as a
/// template of the same name under "Normal", and the labels' look as a
/// text template. Only the template has them, and its styles stay unlinked:
/// stored documents merged into it still find their styles there.
void AddStyleTemplates(TLTStyle& sheet) {
  TLTStyleTemplateCollection& templates = sheet.StyleTemplates();
  auto add = [&](const char16_t* name, int paraNo, TLTParaInfoProperties para, int textNo,
                 TLTFontInfoProperties text) -> TLTStyleTemplate& {
    TLTStyleTemplate& t = templates.Add();
    t.SetName(name);
    t.ParaStyle.AssignSelected(sheet.ParaStyles()[paraNo], para);
    t.ValidParaProperties = para;
    t.TextStyle.AssignSelected(sheet.TextStyles()[textNo], text);
    t.ValidTextProperties = text;
    return t;
  };
  // "Normal" defines everything, so that a template applied over another
  // leaves nothing of the other's look behind.
  const TLTStyleTemplateId normal =
      add(u"Normal", kPlain, LTAllParaInfoProperties, kNormal, LTAllFontInfoProperties).Id();
  const TLTParaInfoProperties rule{ltpiBorder_Color,    ltpiBorder_Style,    ltpiBorder_BO_Bottom, ltpiBorder_Vis_Left,
                                   ltpiBorder_Vis_Top,  ltpiBorder_Vis_Right, ltpiBorder_Vis_Bottom};
  add(u"Title", kTitle, rule | TLTParaInfoProperties{ltpiAlignment, ltpiSpaceAfter}, kHeading,
      {ltfiSize, ltfiBold, ltfiColor})
      .SetParentId(normal);
  add(u"Section heading", kSection, {ltpiSpaceBefore, ltpiSpaceAfter, ltpiKeepWithNext}, kSubheading,
      {ltfiSize, ltfiBold, ltfiColor})
      .SetParentId(normal);
  add(u"Body", kBody, {ltpiSpaceAfter}, kNormal, {}).SetParentId(normal);
  add(u"Figures", kFigures, {ltpiAlignment}, kNormal, {}).SetParentId(normal);
  add(u"List item", kListItem, {ltpiSpaceAfter}, kNormal, {}).SetParentId(normal);
  add(u"Label", kPlain, {}, kLabel, {ltfiBold, ltfiColor});
}

// ---- Documents --------------------------------------------------------------------

/// A document with the shared styles.
struct TStyledDocument : TLTDocument {
  TStyledDocument() { SetUpStyles(Style); }
};

TLTTag Tag(const std::string& s) { return TLTTag::FromString(Utf8ToUtf16(s)); }

/// Adds a paragraph whose text may hold [link text](address) hyperlinks and
/// *keywords*.
void AddMarkedParagraph(TCustomLTData& data, const std::string& text, const std::string& where) {
  bool first = true;
  auto add = [&](const std::string& piece, int style, TLTTag tag = {}) {
    if (piece.empty()) return;
    data.AddTextW(Utf8ToUtf16(piece), style, first ? kBody : -1, std::move(tag));
    first = false;
  };
  size_t pos = 0;
  std::string plain;
  while (pos < text.size()) {
    const char ch = text[pos];
    if (ch == '[') {
      const auto close = text.find("](", pos);
      const auto end = close == std::string::npos ? close : text.find(')', close);
      if (end == std::string::npos) Fail(where, "unfinished link in \"" + text + "\"");
      add(plain, kNormal);
      plain.clear();
      add(text.substr(pos + 1, close - pos - 1), kJump, Tag(text.substr(close + 2, end - close - 2)));
      pos = end + 1;
    } else if (ch == '*') {
      const auto end = text.find('*', pos + 1);
      if (end == std::string::npos) Fail(where, "unfinished keyword in \"" + text + "\"");
      add(plain, kNormal);
      plain.clear();
      add(text.substr(pos + 1, end - pos - 1), kKeywords);
      pos = end + 1;
    } else {
      plain += ch;
      ++pos;
    }
  }
  add(plain, kNormal);
}

/// Whether a cell's text is a figure (a number, perhaps with a unit).
bool IsFigure(const std::string& text) { return !text.empty() && std::isdigit(static_cast<unsigned char>(text[0])); }

/// An empty table in the shared look: one thin line between and around the
/// cells, room inside them, the heading row (heading) or the label column
/// (not heading) tinted. widths: per column, percent of the table, 0 for
/// what is left.
TLTTableItemInfo& AddTable(TCustomLTData& data, int rows, int cols, bool heading, const std::vector<int>& widths) {
  auto table = std::make_unique<TLTTableItemInfo>(rows, cols);
  TLTTableItemInfo& t = *table;
  t.BorderWidth = 0;
  t.BorderHSpacing = t.BorderVSpacing = 0;
  t.CellBorderWidth = 1;
  t.CellBorderStyle = lttbColor;
  t.CellBorderColor = kLineColor;
  // Neighbouring cells draw their borders over each other: one line.
  t.CellHSpacing = t.CellVSpacing = -1;
  t.CellHPadding = kCellHPadding;
  t.CellVPadding = kCellVPadding;
  t.HeadingRowCount = heading ? 1 : 0;
  t.TextColSeparator = u"\t";
  data.AddItem({}, std::move(table));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      TLTTableCellData* cell = t.Cells(r, c);
      cell->Clear();
      if (heading ? r == 0 : c == 0) cell->Color = heading ? kHeadFill : kLabelFill;
      if (r == 0 && c < static_cast<int>(widths.size()) && widths[static_cast<size_t>(c)] > 0)
        cell->BestWidth = -widths[static_cast<size_t>(c)];
    }
  return t;
}

/// Fills a table made by AddTable with text. A column of figures stands
/// right-aligned, its heading too, so that the digits line up; a column
/// that mixes figures and words reads better left-aligned.
void FillTable(TLTTableItemInfo& t, const std::vector<std::vector<std::string>>& rows, bool heading) {
  const int cols = t.NumColumns();
  const size_t firstValue = heading ? 1 : 0;
  std::vector<bool> figures(static_cast<size_t>(cols), rows.size() > firstValue);
  for (size_t r = firstValue; r < rows.size(); ++r)
    for (int c = 0; c < cols; ++c)
      if (!IsFigure(rows[r][static_cast<size_t>(c)])) figures[static_cast<size_t>(c)] = false;
  for (int r = 0; r < t.NumRows(); ++r)
    for (int c = 0; c < cols; ++c) {
      const bool label = heading ? r == 0 : c == 0;
      t.Cells(r, c)->AddTextW(Utf8ToUtf16(rows[static_cast<size_t>(r)][static_cast<size_t>(c)]),
                              label ? kLabel : kNormal, figures[static_cast<size_t>(c)] ? kFigures : kPlain);
    }
}

/// The document as stored in a large-object field: self-contained, with its
/// styles, so that it can go into any template.
std::string StoreDocument(TLTDocument& doc) {
  doc.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream m;
  if (!doc.Data.SaveLTFToStream(m)) throw std::runtime_error("a document could not be stored");
  return m.Data();
}

std::string DescriptionDocument(const TCountry& c) {
  TStyledDocument doc;
  for (const std::string& p : c.Paragraphs) AddMarkedParagraph(doc.Data, p, c.Source);
  return StoreDocument(doc);
}

std::string CitiesDocument(const TCountry& c) {
  TStyledDocument doc;
  std::vector<std::vector<std::string>> rows{{"City", "Population", "Year"}};
  for (const TCity& city : c.Cities) rows.push_back({city.Name, city.Population, city.Year});
  TLTTableItemInfo& t =
      AddTable(doc.Data, static_cast<int>(rows.size()), 3, true, {std::begin(kCityColumns), std::end(kCityColumns)});
  FillTable(t, rows, true);
  return StoreDocument(doc);
}

std::string DemographicsDocument(const TCountry& c) {
  TStyledDocument doc;
  const std::vector<std::vector<std::string>> rows{
      {"Population (" + c.PopulationYear + ")", c.Population}, {"Area", c.Area}, {"Official languages", c.Languages}};
  FillTable(AddTable(doc.Data, 3, 2, false, {kLabelColumn}), rows, false);
  return StoreDocument(doc);
}

// ---- The template --------------------------------------------------------------------

void AddField(TCustomLTData& data, const char16_t* name, int32_t paraNo, TLTStyle& sheet) {
  data.AddTextW(name, FindOrAddCodeStyle(ltcsFieldCode, sheet), paraNo, TLTTag::FromString(TLTString(name) + u"|"));
}

void AddSection(TCustomLTData& d, const char16_t* heading) { d.AddTextW(heading, kSubheading, kSection); }

void BuildTemplate(TLTDocument& doc) {
  TCustomLTData& d = doc.Data;
  TLTStyle& sheet = doc.Style;
  SetUpStyles(sheet);
  AddStyleTemplates(sheet);

  d.AddTextW(u"Country report: ", kHeading, kTitle);
  AddField(d, u"Country", -1, sheet);

  d.AddTextW(u"The capital of the country is ", kNormal, kBody);
  AddField(d, u"Capital", -1, sheet);
  d.AddTextW(u"; calls to it are dialled with the prefix ", kNormal, -1);
  AddField(d, u"CallingCode", -1, sheet);
  d.AddTextW(u".", kNormal, -1);

  AddSection(d, u"Key facts");
  TLTTableItemInfo& t = AddTable(d, 3, 2, false, {kLabelColumn});
  // The country's name comes in the title's size: its row is the table's
  // heading row.
  t.HeadingRowCount = 1;
  t.Cells(0, 1)->Color = kHeadFill;
  t.Cells(0, 0)->Color = kHeadFill;
  const char16_t* labels[3] = {u"Country", u"Capital", u"Calling code"};
  for (int r = 0; r < 3; ++r) {
    t.Cells(r, 0)->AddTextW(labels[r], kLabel, kPlain);
    AddField(*t.Cells(r, 1), LTFieldNames[r], kPlain, sheet);
  }

  AddSection(d, u"About the country");
  AddField(d, u"Description", kBody, sheet);
  AddSection(d, u"Main cities");
  AddField(d, u"Cities", kBody, sheet);
  AddSection(d, u"People and land");
  AddField(d, u"Demographics", kBody, sheet);

  TLTListInfo& list = sheet.ListStyles().Add();
  list.StyleName = u"Numbered steps";
  TLTListLevel& level = list.Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  level.LeftIndent = 24;
  level.FirstIndent = 0;
  level.MarkerIndent = 6;
  // Numbers as large as the text they count.
  level.FontForWrite().Font.SetSize(10);
  const int listNo = sheet.ListStyles().Count() - 1;

  AddSection(d, u"Using this template");
  const char16_t* steps[] = {
      u"Choose a country in the View list to see its report.",
      u"Edit the text around the fields; the fields keep their place.",
      u"Choose \"(Field Codes\" to see the field codes again, or follow a link to read more.",
  };
  for (const char16_t* step : steps) {
    auto marker = std::make_unique<TLTMarkerItemInfo>(listNo, 0, 1, false);
    marker->ParaNo = kListItem;
    d.AddItem({}, std::move(marker));
    d.AddTextW(step, kNormal, -1);
  }
}

// ---- The table file -----------------------------------------------------------------

void Check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void BindBlob(sqlite3_stmt* st, int index, TBlobState state, const std::string& bytes) {
  switch (state) {
    case TBlobState::Missing:
      sqlite3_bind_null(st, index);
      break;
    case TBlobState::Empty:
      sqlite3_bind_zeroblob(st, index, 0);
      break;
    case TBlobState::Present:
      sqlite3_bind_blob64(st, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
      break;
  }
}

void WriteDatabase(const std::vector<TCountry>& countries, const fs::path& target) {
  // Built beside the target and renamed over it, so that a failed run never
  // leaves half a table where a good one was.
  const fs::path temp = target.string() + ".tmp";
  fs::remove(temp);
  sqlite3* db = nullptr;
  if (sqlite3_open(temp.string().c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot create " + temp.string());
  try {
    Check(db,
          sqlite3_exec(db,
                       "CREATE TABLE Countries (Country TEXT NOT NULL, Capital TEXT, CallingCode TEXT,"
                       " Description BLOB, Cities BLOB, Demographics BLOB);"
                       "BEGIN;",
                       nullptr, nullptr, nullptr),
          "creating the table");
    sqlite3_stmt* st = nullptr;
    Check(db, sqlite3_prepare_v2(db, "INSERT INTO Countries VALUES (?1, ?2, ?3, ?4, ?5, ?6)", -1, &st, nullptr),
          "preparing");
    for (const TCountry& c : countries) {
      sqlite3_reset(st);
      sqlite3_bind_text(st, 1, c.Name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 2, c.Capital.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 3, c.CallingCode.c_str(), -1, SQLITE_TRANSIENT);
      BindBlob(st, 4, c.DescriptionState, c.DescriptionState == TBlobState::Present ? DescriptionDocument(c) : "");
      BindBlob(st, 5, c.CitiesState, c.CitiesState == TBlobState::Present ? CitiesDocument(c) : "");
      BindBlob(st, 6, c.DemographicsState, c.DemographicsState == TBlobState::Present ? DemographicsDocument(c) : "");
      Check(db, sqlite3_step(st), ("storing " + c.Name).c_str());
    }
    sqlite3_finalize(st);
    Check(db, sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), "committing");
  } catch (...) {
    sqlite3_close(db);
    fs::remove(temp);
    throw;
  }
  if (sqlite3_close(db) != SQLITE_OK) throw std::runtime_error("cannot finish " + temp.string());
  fs::rename(temp, target);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: terragen COUNTRIES_DIR DB_PATH TEMPLATE_PATH\n";
    return 2;
  }
  try {
    RegisterTableItemKind();
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(argv[1]))
      if (e.path().extension() == ".txt") files.push_back(e.path());
    // File names are the country names folded to ASCII, so their order is
    // the alphabetical order of the countries.
    std::sort(files.begin(), files.end());
    std::vector<TCountry> countries;
    for (const fs::path& f : files) countries.push_back(ReadCountry(f));
    if (countries.empty()) throw std::runtime_error(std::string(argv[1]) + ": no country files");
    WriteDatabase(countries, argv[2]);

    TLTDocument doc;
    BuildTemplate(doc);
    doc.Context.LTFOptions = LTEditorLTFOptions;
    if (!doc.Data.SaveLTF(argv[3])) throw std::runtime_error(std::string("cannot write ") + argv[3]);
  } catch (const std::exception& e) {
    std::cerr << "terragen: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
