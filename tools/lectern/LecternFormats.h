#pragma once
// What the commands of `lectern` share: the file formats chosen by
// extension, the output switches and the way failures are reported.

#include "model/LTDocument.h"

#include <iosfwd>
#include <string>

namespace lectern {

/// Switches that shape the output.
struct TToolOptions {
  bool LtfText = false;
  bool NoStyles = false;
  /// Output format by name, instead of the output's extension.
  std::string To;
  // Which records merge writes: exactly one of these.
  std::string Record;
  std::string Country;
  bool Codes = false;
  std::string AllDir;
  bool HasRecord = false, HasCountry = false, HasAll = false;
  /// Width of a rendered picture in pixels; 0 = the default.
  int Width = 0;
};

/// Width of a rendered picture when --width is not given.
constexpr int kDefaultPictureWidth = 800;

/// A failure with the reason to print after the file name.
struct TFailure {
  std::string File;
  std::string Reason;
};

struct TFormat {
  const char* Extension;  // with the dot, lower case
  bool (*Read)(const std::string&, TLTDocument&, std::ostream&, TFailure&);
  bool (*Write)(TLTDocument&, const std::string&, const TToolOptions&, TFailure&);
};

/// Renders the document to a PNG picture.
bool WritePng(TLTDocument& doc, const std::string& path, const TToolOptions& options, TFailure& failure);

/// The format of a file by its extension, or null.
const TFormat* FindFormat(const std::string& path);
/// The format by its name ("ltf", ".txt", any case), or null.
const TFormat* FormatByName(const std::string& name);

/// Prints the message and the usage; returns the usage exit status.
int UsageError(std::ostream& err, const std::string& message);
/// Prints "lectern: FILE: REASON"; returns the bad-input exit status.
int Fail(std::ostream& err, const TFailure& f);
/// Loads a document by its extension; returns an exit status.
int Load(const std::string& path, TLTDocument& doc, std::ostream& err);

/// The merge command: see the usage text.
int MergeCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& err);

}  // namespace lectern
