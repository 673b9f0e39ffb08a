#pragma once
// The formats documents are read from and written to. One registry holds
// them: the command-line tool (its convert and merge commands and its usage
// text) and the controls' clipboard and drags all read it, so that a new
// format is added in one place. The document format, plain text and the
// picture flavour are built in; the tool adds its rendered pictures.

#include "model/CLTData.h"
#include "platform/LTStream.h"

#include <string>
#include <string_view>
#include <vector>

namespace lectern {

/// What a read or write reports besides success: warnings (the result is
/// still good) and, on failure, the reason.
struct TLTFormatReport {
  std::vector<std::string> Warnings;
  std::string Error;
};

/// Settings of a write that only some formats use.
struct TLTWriteSettings {
  /// Width of a rendered picture in pixels; 0 is the format's default.
  int PictureWidth = 0;
  /// Folder of the output file, where pages put their picture files;
  /// empty when the output is no file (the clipboard).
  std::string OutputFolder;
  /// Start of the names of those picture files.
  std::string ImagePrefix = "image";
  /// Title of a page.
  std::u16string Title;
  /// Paged formats: the paper ("A4", "Letter", "WIDTHxHEIGHTmm") and the
  /// margins in millimetres that replace the document's own; empty and
  /// negative keep the document's.
  std::string Paper;
  double MarginsMm = -1;
};

/// A format: how to read and write it, and where it travels.
struct TLTDocumentFormat {
  /// Short name, lower case ("ltf"), as --to takes it.
  std::string_view Name;
  /// File extension with its dot, lower case; empty for a format that is
  /// never a file (a clipboard flavour only).
  std::string_view Extension;
  /// One line for usage texts.
  std::string_view Summary;
  /// The clipboard and drag flavour (a MIME type); empty when the format
  /// never travels there.
  std::string_view MimeType;
  /// The control options of which any puts the format on the clipboard.
  TLTOptions CopyOptions;
  /// Reads a whole document from the stream into the container, which it
  /// replaces; the container's settings (LTF options, style read modes)
  /// apply. False with the reason in the report. Null: written only.
  bool (*Read)(TLTStream& in, TCustomLTData& into, TLTFormatReport& report) = nullptr;
  /// Writes the container, or the range of it, to the stream. False with
  /// the reason in the report. Null: read only.
  bool (*Write)(const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings& settings,
                TLTFormatReport& report) = nullptr;
  /// Wraps written bytes into the clipboard flavour (null: as they are).
  std::string (*Pack)(std::string_view bytes) = nullptr;
  /// A second MIME type the same bytes are also put under; may be empty.
  std::string_view AltMimeType = {};
  /// The same read with the folder or address relative links start from
  /// (rich text pasted from a page); null when links never are relative.
  bool (*ReadWithBase)(TLTStream& in, TCustomLTData& into, const std::string& basePath,
                       TLTFormatReport& report) = nullptr;
};

/// Adds a format after the built-in ones; one of the same name is replaced.
void RegisterDocumentFormat(const TLTDocumentFormat& format);
/// Takes a registered format out again (a built-in one stays).
void UnregisterDocumentFormat(std::string_view name);
/// Every format, the built-in ones first, then in the order registered.
std::vector<const TLTDocumentFormat*> DocumentFormats();
/// The format of a name ("ltf", ".ltf", any case), or null.
const TLTDocumentFormat* FindFormatByName(std::string_view name);
/// The format a file's extension names, or null.
const TLTDocumentFormat* FindFormatForFile(std::string_view path);

/// The native-format flavour of the clipboard and of drags: the document
/// fragment after its length in 4 bytes, least significant first.
std::string PackLTFFlavour(std::string_view ltf);
/// The fragment of a native-format flavour; false when the length does not
/// fit the bytes.
bool UnpackLTFFlavour(std::string_view bytes, std::string& ltf);

/// Appends UTF-8 text to a document, one paragraph per line (CR LF or LF; a
/// byte-order mark is skipped). False, with the reason, for bytes that are
/// not UTF-8; the document is then left unchanged.
bool ReadTextDocument(std::string_view bytes, TCustomLTData& data, std::string& error);

/// The picture of a range that is exactly one picture item, else null.
TGraphic* RangePicture(const TCustomLTData& data, const TLTItemRange& range);

}  // namespace lectern
