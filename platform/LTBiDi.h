#pragma once
// Bidirectional text over ICU's implementation of the Unicode algorithm:
// resolved levels of a paragraph or line, their visual order, and the
// places of the character clusters of one run as a canvas draws it.
// Levels are the algorithm's: even reads left to right, odd right to left.

#include <cstdint>
#include <string_view>
#include <vector>

namespace lectern {

struct TLTClusterBox;

/// True when the text holds a character that reads right to left (Hebrew,
/// Arabic and the other right-to-left scripts, Arabic digits) or a
/// directional control; text without one never needs reordering in a
/// left-to-right paragraph.
bool HasRightToLeftText(std::u16string_view text);

/// The resolved level of every code unit of a text that is one line of a
/// paragraph of the given direction, trailing white space included (it
/// takes the paragraph's level). False when ICU fails; levels then hold the
/// paragraph level everywhere.
bool ResolveBiDiLevels(std::u16string_view text, bool rightToLeft, std::vector<uint8_t>& levels);

/// The visual order of units with the given levels: visualToLogical[k] is
/// the unit shown k-th from the left.
void VisualOrder(const std::vector<uint8_t>& levels, std::vector<int>& visualToLogical);

/// A stretch of a text that reads in one direction.
struct TLTDirectionRun {
  int Start = 0;
  int End = 0;
  bool RightToLeft = false;
};

/// The stretches of one direction of a run drawn in a paragraph of the
/// given direction, from left to right.
void VisualRuns(std::u16string_view text, bool rightToLeft, std::vector<TLTDirectionRun>& out);

/// Places the clusters of a run from their logical widths: positions[i] is
/// the width of units 0..i (as PartialExtents reports it); the boxes come
/// out in logical order, each where the run draws it, tiling
/// [0, positions.back()).
void ArrangeClusters(std::u16string_view text, const std::vector<int>& positions, bool rightToLeft,
                     std::vector<TLTClusterBox>& out);

}  // namespace lectern
