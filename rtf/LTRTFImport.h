#pragma once
// RTF import: what the RTF reader reports, turned into items and styles
// and inserted into a container at an index. The settings say how much
// the import may change the style sheet: one fixed style, the closest
// existing style, or an exactly matching style added when none exists
// (lists are built only then). Tables are built through the table
// operations, notes and sequences as the special items, hyperlinks as
// tagged text in a hypertext style, bookmarks as checkpoints.

#include "model/CLTData.h"
#include "rtf/LTRTFReader.h"

#include <functional>
#include <memory>
#include <string>

namespace lectern {

class TLTRTFImportRun;

enum TLTReaderUnicode : uint8_t { ltruMixed, ltruNoUnicode, ltruOnlyUnicode };
enum TLTReaderStyleMode : uint8_t { ltrsUseSpecified, ltrsUseClosest, ltrsAddIfNeeded };
enum TLTRTFHighlight : uint8_t { rtfhlIgnore, rtfhlFixedColors, rtfhlColorTable };

/// The settings of RTF reading, and the state of one import while it runs.
class TLTRTFReaderProperties {
 public:
  TLTRTFReaderProperties();
  ~TLTRTFReaderProperties();
  TLTRTFReaderProperties(const TLTRTFReaderProperties&) = delete;
  TLTRTFReaderProperties& operator=(const TLTRTFReaderProperties&) = delete;

  TLTReaderUnicode UnicodeMode = ltruOnlyUnicode;
  TLTReaderStyleMode TextStyleMode = ltrsUseClosest;
  /// Lists are imported only with ltrsAddIfNeeded.
  TLTReaderStyleMode ParaStyleMode = ltrsUseClosest;
  bool IgnorePictures = false;
  bool IgnoreNotes = false;
  bool IgnoreSequences = false;
  bool IgnoreTables = false;
  bool IgnoreBookmarks = false;
  bool UseHypertextStyles = false;
  bool SkipHiddenText = true;
  bool AutoHideTableGridLines = false;
  bool LineBreaksAsParagraphs = false;
  /// Kept as a setting; an insertion never changes the page parameters.
  bool ReadDocParameters = false;
  bool UseSingleCellPadding = false;
  bool ExtractMetafileBitmaps = true;
  TLTRTFHighlight ConvertHighlight = rtfhlColorTable;
  bool StoreImagesFileNames = false;
  bool BasePathLinks = true;
  bool UseCharsetForUnicode = false;
  int32_t CharsetForUnicode = 1;
  /// The folder of the file being inserted (ending in "/"), or empty.
  std::string BasePath;
  /// Linked pictures may be read from files under BasePath (never for
  /// pasted or dropped RTF); off by default.
  bool LoadLinkedPictures = false;
  /// Pixels per inch of lengths; 0 is the screen's 96.
  int PixelsPerInch = 0;

  int32_t TextStyleNo() const { return textStyleNo_; }
  int32_t ParaStyleNo() const { return paraStyleNo_; }
  /// Raise ELecternError "Value must not be negative" for a negative value.
  void SetTextStyleNo(int32_t v);
  void SetParaStyleNo(int32_t v);

  /// A style was added to a collection of the sheet.
  std::function<void(TCustomLTInfos& collection, int index)> OnStyleAdded;
  /// A hyperlink's target and extra switches; may choose the style (a
  /// text style, or a picture kind for a picture), the tag and the text.
  std::function<void(const TLTString& target, const TLTString& extras, int32_t& styleNo, TLTTag& tag,
                     TLTString& name)>
      OnReadHyperlink;
  std::function<void(TLTRTFProgressStage stage, int percent)> OnProgress;
  /// A linked picture by location (a file or an address).
  std::function<std::unique_ptr<TGraphic>(const std::string& location)> OnImportPicture;

  /// Copies the settings, except those that belong to one document
  /// (IgnoreBookmarks, AutoHideTableGridLines, ReadDocParameters,
  /// UseSingleCellPadding, StoreImagesFileNames, BasePathLinks,
  /// UseCharsetForUnicode, CharsetForUnicode).
  void Assign(const TLTRTFReaderProperties& other);

  /// Reads RTF and inserts it into target at index (clipped to its items).
  /// True when the reader returned rtfOK; what was read before a failure
  /// stays. index receives the index of the last item inserted into the
  /// target (-1 when none).
  bool ImportRTF(TLTStream& stream, TCustomLTData& target, int& index);
  /// The same over bytes in memory.
  bool ImportRTFBytes(std::string_view bytes, TCustomLTData& target, int& index);
  /// The result of the last read, and the number of items it inserted
  /// into the target itself.
  TLTRTFResult LastResult() const { return lastResult_; }
  int InsertedCount() const { return insertedCount_; }

 private:
  int32_t textStyleNo_ = 0;
  int32_t paraStyleNo_ = 0;
  TLTRTFResult lastResult_ = rtfOK;
  int insertedCount_ = 0;
};

/// Reads a whole RTF document into an empty container, adding styles as
/// needed: the reading of the "rtf" document format. False, with the
/// reason, when nothing sensible could be read; a document whose groups
/// are not all closed, or that ends inside a control word, is read with a
/// warning.
bool ReadRTFDocument(std::string_view bytes, TCustomLTData& into, std::vector<std::string>& warnings,
                     std::string& error, const std::string& basePath = {});

/// Gives the registry's "rtf" format its reading (the tool and the
/// program call it once at start).
void RegisterRTFReading();

}  // namespace lectern
