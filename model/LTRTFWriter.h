#pragma once
// RTF output of a document or of a range of it. One writer serves the whole
// output: it builds the font, colour and list tables once, writes the
// header, then the body paragraph by paragraph; items that are not text
// write themselves through TCustomLTItemInfo::SaveRTF with the helpers
// below, and items that hold documents (table cells, notes) hand them back
// to WriteDocument at a deeper nesting level, so every document of the
// output shares one set of tables.

#include "model/LTRTFOptions.h"
#include "platform/LTCodePage.h"
#include "platform/LTTypes.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lectern {

class TCustomLTData;
class TCustomLTItemInfo;
class TGraphic;
class TLTStream;
class TLTStyle;
class TLTMarkerItemInfo;
class TLTListLevel;
struct TLTItemRange;
struct TLTPixels;

/// What a caller may change about one write.
struct TLTRTFWriteSettings {
  /// Pixels per inch of the lengths written; 0 is the screen's 96.
  int PixelsPerInch = 0;
};

/// Writes the document, or the range of it, as a whole RTF document (an
/// empty one too). False when the stream refused bytes or anything failed
/// while writing; what was written stays in the stream. Warnings (what RTF
/// cannot carry, one line each with the item number) go to warnings when
/// given.
bool WriteRTF(const TCustomLTData& data, const TLTItemRange* range, TLTStream& out,
              const TLTRTFWriteSettings& settings = {}, std::vector<std::string>* warnings = nullptr);

/// The \lang value of a Windows charset; 0 for charsets that name none.
int RTFCharsetLanguage(int charset);

/// The writer's state and the helpers items write themselves with.
class TLTRTFWriter {
 public:
  TLTRTFWriter(const TCustomLTData& root, TLTStream& out, const TLTRTFWriteSettings& settings,
               std::vector<std::string>* warnings);
  TLTRTFWriter(const TLTRTFWriter&) = delete;
  TLTRTFWriter& operator=(const TLTRTFWriter&) = delete;

  /// The whole output: header, body, end. False when the stream failed.
  bool Write(const TCustomLTData& data, const TLTItemRange* range);

  // ---- For items ----------------------------------------------------------------
  /// Raw RTF.
  void Put(std::string_view rtf) { buf_.append(rtf); }
  void Put(char c) { buf_.push_back(c); }
  /// A control word with a number: Put("\\li", 40) writes "\li40".
  void Put(std::string_view word, int64_t value) {
    buf_.append(word);
    char tmp[24];
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, value);
    buf_.append(tmp, r.ptr);
  }
  /// A length in pixels in twips, rounded half to even.
  int Twips(double pixels) const;
  /// The index of a colour in the colour table; 0 (the automatic colour)
  /// for clNone and for a colour that was not collected.
  int ColorIndex(TColor color) const;
  /// Adds a colour while colours are collected; clNone and repeats do nothing.
  void AddColor(TColor color);
  /// UTF-16 text in the current text style (raw: the style holds RTF code).
  void PutTextW(std::u16string_view text, bool raw = false);
  /// Text as an argument of a field instruction: backslashes doubled and
  /// quotes escaped at the field's level, then encoded as text.
  void PutFieldArgument(std::u16string_view text);
  /// A picture group of a graphic shown at width x height screen pixels
  /// (0: its own size); false (with a warning) when it cannot be written.
  bool PutPicture(const TGraphic& graphic, int width, int height);
  /// A picture group of decoded pixels, as PNG.
  bool PutPixels(const TLTPixels& pixels, int width, int height);
  /// The character properties of a text style (as after \plain).
  void PutCharProps(int32_t textStyle);
  /// Writes the items of a document held by an item at a nesting level
  /// (0: outside any table, as a note's text), sharing this writer's tables.
  void WriteDocument(const TCustomLTData& data, int level);
  /// A warning about the top-level item being written.
  void Warn(std::string_view what);
  /// Extra RTF of the application at a fixed place.
  void PutExtra(TLTRTFSaveArea area, int index1, int index2, bool inStyleSheet = false);

  /// The nesting level of the document being written (0: the main one).
  int Level() const { return level_; }
  const TLTStyle& Style() const { return style_; }
  TLTRTFOptions Options() const { return options_; }
  /// Width between the default page margins, in pixels: what a table that
  /// was never laid out is laid out at.
  int DefaultTextWidth() const { return defaultTextWidth_; }
  /// The list override number of a marker and the level it writes.
  int MarkerOverride(const TLTMarkerItemInfo& marker) const;
  /// The font table index of a list level's marker font.
  void PutMarkerFont(const TLTListLevel& level);

 private:
  struct TBodyState;
  // Header (LTRTFHeader.cpp).
  void BuildFontTable();
  int AddFont(std::u16string_view name, uint8_t charset);
  void CollectColors(const TCustomLTData& data);
  void BuildListOverrides(const TCustomLTData& root);
  void WriteHeader(const TCustomLTData& root);
  void WriteFontTable();
  void WriteColorTable();
  void WriteStyleSheet();
  void WriteListTables();
  void WriteListLevel(const TLTListLevel& level, int listIndex, int levelIndex);
  void WriteDocParameters(const TCustomLTData& root);
  // Body (LTRTFBody.cpp).
  void WriteBody(const TCustomLTData& data, const TLTItemRange& range, bool partial);
  void StartItem(const TCustomLTData& data, int i, TBodyState& s);
  void WriteItem(const TCustomLTData& data, int i, const TLTItemRange& range, bool partial, TBodyState& s);
  bool OpenHyperlink(const TCustomLTData& data, int i, TBodyState& s);
  void PutBookmark(const std::u16string& name);
  void PutParaProps(int32_t paraNo, const TLTMarkerItemInfo* marker, bool inStyleSheet = false);
  void PutStyleCharProps(int32_t textStyle, bool inStyleSheet);
  void PutText8(std::string_view bytes, uint32_t codePage, bool raw);
  // Text (LTRTFText.cpp).
  void PutName(std::u16string_view name);
  void PutUnicode(char16_t u, bool withAnsi);
  void SetSkipCount(int n);
  /// The bytes of a UTF-16 unit in the output code page, cached.
  std::string_view AnsiBytes(char16_t u);
  void PutHex(std::string_view bytes);
  void Flush();

  TLTStream& out_;
  const TLTStyle& style_;
  TLTRTFOptions options_;
  std::vector<std::string>* warnings_;
  std::string buf_;
  bool failed_ = false;
  double twipsPerPixel_ = 15.0;
  int defaultTextWidth_ = 0;
  uint32_t codePage_ = 1252;
  int level_ = 0;
  int topItem_ = -1;
  int skip_ = 1;      // the \uc count in force
  int baseSkip_ = 1;  // the header's
  int bookmarks_ = 0;
  bool forceAnsi_ = false;
  int text0Charset_ = 1;
  const TCustomLTData* root_ = nullptr;
  // Font table: names and charsets; per text style its index.
  std::vector<std::pair<std::u16string, uint8_t>> fonts_;
  std::vector<int> styleFonts_;
  // Colour table and its index.
  bool collecting_ = false;
  std::vector<TColor> colors_;
  std::unordered_map<TColor, int> colorIndex_;
  // List override numbers: per list style the base one; per restarting
  // marker its own.
  std::vector<int> listBase_;
  std::unordered_map<const TLTMarkerItemInfo*, int> markerOverride_;
  std::vector<const TLTMarkerItemInfo*> restarts_;
  // Bytes of each UTF-16 unit in the output code page: length in the low
  // byte, up to two bytes above; -1 until converted.
  std::vector<int32_t> ansi_;
  char ansiTmp_[4] = {};
};

}  // namespace lectern
