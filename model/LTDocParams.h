#pragma once
// Page parameters a document carries: paper size, orientation, margins,
// header and footer offsets in a unit of choice, and the zoom to show it at.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

enum TLTUnits : uint8_t { ltuInches, ltuCentimeters, ltuMillimeters, ltuPicas, ltuPixels, ltuPoints };
enum TLTPageOrientation : uint8_t { poPortrait, poLandscape };
enum TLTZoomMode : uint8_t { ltzmFullPage, ltzmPageWidth, ltzmCustom };

class TLTDocParameters {
 public:
  /// A4 in inches, margins of 1.25 and 1 inch, header and footer at 0.5.
  double PageWidth = 8.2677165354;
  double PageHeight = 11.692913386;
  TLTUnits Units = ltuInches;
  TLTPageOrientation Orientation = poPortrait;
  double LeftMargin = 1.25;
  double RightMargin = 1.25;
  double TopMargin = 1.0;
  double BottomMargin = 1.0;
  double HeaderY = 0.5;
  double FooterY = 0.5;
  int32_t ZoomPercent = 100;
  TLTZoomMode ZoomMode = ltzmCustom;
  bool MirrorMargins = false;

  /// Back to the defaults.
  void Reset() { *this = TLTDocParameters(); }
  /// Units of the current kind in one inch (pixels at the given resolution).
  double UnitsPerInch(int pixelsPerInch = 96) const;
  /// "Key=value" lines for the values that differ from their defaults, in
  /// their fixed order; numbers with "." as the decimal separator.
  std::vector<std::string> ToLines() const;
  /// Applies one such line; unknown keys and malformed values change nothing.
  void ApplyLine(std::string_view line);
  bool operator==(const TLTDocParameters&) const = default;
};

}  // namespace lectern
