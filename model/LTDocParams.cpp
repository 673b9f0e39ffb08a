// Page parameters and their stored "key=value" lines.

#include "model/LTDocParams.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "platform/LTSysUtils.h"

namespace lectern {

namespace {

// Shortest text that reads back to the same double, whatever the locale.
std::string Number(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::optional<double> ParseNumber(std::string_view s) {
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

template <class E>
void SetEnum(E& field, std::string_view value, int last) {
  if (auto v = TryStrToInt(value); v && *v >= 0 && *v <= last) field = static_cast<E>(*v);
}

}  // namespace

double TLTDocParameters::UnitsPerInch(int pixelsPerInch) const {
  switch (Units) {
    case ltuInches: return 1;
    case ltuCentimeters: return 2.54;
    case ltuMillimeters: return 25.4;
    case ltuPicas: return 6;
    case ltuPixels: return pixelsPerInch;
    case ltuPoints: return 72;
  }
  return 1;
}

std::vector<std::string> TLTDocParameters::ToLines() const {
  const TLTDocParameters def;
  std::vector<std::string> lines;
  auto num = [&](const char* key, double v, double d) {
    if (v != d) lines.push_back(std::string(key) + "=" + Number(v));
  };
  if (Units != def.Units) lines.push_back("Units=" + IntToStr(Units));
  if (Orientation != def.Orientation) lines.push_back("Orientation=" + IntToStr(Orientation));
  num("PageHeight", PageHeight, def.PageHeight);
  num("PageWidth", PageWidth, def.PageWidth);
  num("LeftMargin", LeftMargin, def.LeftMargin);
  num("RightMargin", RightMargin, def.RightMargin);
  num("TopMargin", TopMargin, def.TopMargin);
  num("BottomMargin", BottomMargin, def.BottomMargin);
  num("HeaderY", HeaderY, def.HeaderY);
  num("FooterY", FooterY, def.FooterY);
  if (ZoomPercent != def.ZoomPercent) lines.push_back("ZoomPercent=" + IntToStr(ZoomPercent));
  if (ZoomMode != def.ZoomMode) lines.push_back("ZoomMode=" + IntToStr(ZoomMode));
  if (MirrorMargins) lines.push_back("MirrorMargins=1");
  return lines;
}

void TLTDocParameters::ApplyLine(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return;
  const std::string_view key = line.substr(0, eq);
  const std::string_view value = line.substr(eq + 1);
  struct Length {
    std::string_view Key;
    double TLTDocParameters::*Field;
  };
  static constexpr Length kLengths[] = {
      {"PageHeight", &TLTDocParameters::PageHeight}, {"PageWidth", &TLTDocParameters::PageWidth},
      {"LeftMargin", &TLTDocParameters::LeftMargin}, {"RightMargin", &TLTDocParameters::RightMargin},
      {"TopMargin", &TLTDocParameters::TopMargin},   {"BottomMargin", &TLTDocParameters::BottomMargin},
      {"HeaderY", &TLTDocParameters::HeaderY},       {"FooterY", &TLTDocParameters::FooterY}};
  for (const Length& l : kLengths) {
    if (key != l.Key) continue;
    if (auto v = ParseNumber(value)) this->*l.Field = *v;
    return;
  }
  if (key == "Units") {
    SetEnum(Units, value, ltuPoints);
  } else if (key == "Orientation") {
    SetEnum(Orientation, value, poLandscape);
  } else if (key == "ZoomMode") {
    SetEnum(ZoomMode, value, ltzmCustom);
  } else if (key == "ZoomPercent") {
    if (auto v = TryStrToInt(value)) ZoomPercent = *v;
  } else if (key == "MirrorMargins") {
    MirrorMargins = value == "1";
  }
}

}  // namespace lectern
