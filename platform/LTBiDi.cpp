// Bidirectional text over ICU's ubidi.
//
// Design notes. Every piece of text reaches these functions short (one line
// of a paragraph, one run of a canvas), so one ubidi object per thread is
// kept and pointed at each text rather than opened per call. Text that
// holds nothing right to left is answered without ICU: that is nearly all
// text, and layout asks for every line.

#include "platform/LTBiDi.h"

#include "platform/LTCanvas.h"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <memory>

namespace lectern {

namespace {

struct BiDiCloser {
  void operator()(UBiDi* b) const { ubidi_close(b); }
};

UBiDi* Shared() {
  thread_local std::unique_ptr<UBiDi, BiDiCloser> bidi(ubidi_open());
  return bidi.get();
}

bool ReadsRightToLeft(UChar32 c) {
  switch (u_charDirection(c)) {
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC:
    case U_ARABIC_NUMBER:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_RIGHT_TO_LEFT_OVERRIDE:
    case U_RIGHT_TO_LEFT_ISOLATE:
    case U_LEFT_TO_RIGHT_EMBEDDING:
    case U_LEFT_TO_RIGHT_OVERRIDE:
    case U_LEFT_TO_RIGHT_ISOLATE:
    case U_FIRST_STRONG_ISOLATE:
      return true;
    default:
      return false;
  }
}

/// Sets the text as one paragraph of the given direction; false when ICU fails.
bool SetParagraph(UBiDi* bidi, std::u16string_view text, bool rightToLeft) {
  if (!bidi || text.size() > static_cast<size_t>(INT32_MAX)) return false;
  UErrorCode err = U_ZERO_ERROR;
  ubidi_setPara(bidi, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                rightToLeft ? 1 : 0, nullptr, &err);
  return U_SUCCESS(err);
}

}  // namespace

bool HasRightToLeftText(std::u16string_view text) {
  const int32_t n = static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
  for (int32_t i = 0; i < n;) {
    // Every right-to-left character and every directional control lies at
    // or above U+0590.
    if (text[static_cast<size_t>(i)] < 0x0590) {
      ++i;
      continue;
    }
    UChar32 c;
    U16_NEXT(text.data(), i, n, c);
    if (ReadsRightToLeft(c)) return true;
  }
  return false;
}

bool ResolveBiDiLevels(std::u16string_view text, bool rightToLeft, std::vector<uint8_t>& levels) {
  const uint8_t paraLevel = rightToLeft ? 1 : 0;
  levels.assign(text.size(), paraLevel);
  if (text.empty()) return true;
  if (!rightToLeft && !HasRightToLeftText(text)) return true;
  UBiDi* bidi = Shared();
  if (!SetParagraph(bidi, text, rightToLeft)) return false;
  UErrorCode err = U_ZERO_ERROR;
  // The levels of a line: trailing white space takes the paragraph's level.
  const UBiDiLevel* resolved = ubidi_getLevels(bidi, &err);
  if (U_FAILURE(err) || !resolved) return false;
  std::copy(resolved, resolved + text.size(), levels.begin());
  return true;
}

void VisualOrder(const std::vector<uint8_t>& levels, std::vector<int>& visualToLogical) {
  const int n = static_cast<int>(levels.size());
  visualToLogical.resize(static_cast<size_t>(n));
  const bool plain = std::all_of(levels.begin(), levels.end(), [](uint8_t l) { return l == 0; });
  if (n == 0 || plain) {
    for (int i = 0; i < n; ++i) visualToLogical[static_cast<size_t>(i)] = i;
    return;
  }
  ubidi_reorderVisual(reinterpret_cast<const UBiDiLevel*>(levels.data()), n, visualToLogical.data());
}

void VisualRuns(std::u16string_view text, bool rightToLeft, std::vector<TLTDirectionRun>& out) {
  out.clear();
  const int n = static_cast<int>(std::min<size_t>(text.size(), INT32_MAX));
  if (n == 0) return;
  if (!rightToLeft && !HasRightToLeftText(text)) {
    out.push_back({0, n, false});
    return;
  }
  UBiDi* bidi = Shared();
  UErrorCode err = U_ZERO_ERROR;
  const int32_t count = SetParagraph(bidi, text, rightToLeft) ? ubidi_countRuns(bidi, &err) : -1;
  if (U_FAILURE(err) || count <= 0) {
    out.push_back({0, n, rightToLeft});
    return;
  }
  for (int32_t k = 0; k < count; ++k) {
    int32_t start = 0, length = 0;
    const UBiDiDirection dir = ubidi_getVisualRun(bidi, k, &start, &length);
    out.push_back({start, start + length, dir == UBIDI_RTL});
  }
}

void ArrangeClusters(std::u16string_view text, const std::vector<int>& positions, bool rightToLeft,
                     std::vector<TLTClusterBox>& out) {
  out.clear();
  const int n = static_cast<int>(std::min(text.size(), positions.size()));
  if (n == 0) return;
  auto widthOf = [&](int s, int e) { return positions[static_cast<size_t>(e - 1)] - (s > 0 ? positions[static_cast<size_t>(s - 1)] : 0);
  };
  std::vector<TLTDirectionRun> runs;
  VisualRuns(text.substr(0, static_cast<size_t>(n)), rightToLeft, runs);
  // Clusters never cross a run's edge: their marks share their base's level.
  std::vector<TLTClusterBox> inRun;
  int x = 0;
  for (const TLTDirectionRun& r : runs) {
    inRun.clear();
    const std::u16string_view s = text.substr(static_cast<size_t>(r.Start), static_cast<size_t>(r.End - r.Start));
    for (int i = 0; i < static_cast<int>(s.size());) {
      const int e = std::max(i + 1, TLTCanvas::NextClusterBoundary(s, i));
      inRun.push_back({r.Start + i, r.Start + e, 0, 0, r.RightToLeft});
      i = e;
    }
    if (r.RightToLeft) std::reverse(inRun.begin(), inRun.end());
    for (TLTClusterBox& b : inRun) {
      b.Left = x;
      x += widthOf(b.Start, b.End);
      b.Right = x;
      out.push_back(b);
    }
  }
  std::sort(out.begin(), out.end(), [](const TLTClusterBox& a, const TLTClusterBox& b) { return a.Start < b.Start; });
}

}  // namespace lectern
