#pragma once
// Draws a formatted container's pieces where layout put them: text in its
// styles, list markers, rules, pictures and frames for other items. It is
// what off-screen rendering shows until full painting takes over.

#include "layout/CLTFData.h"

namespace lectern {

/// Draws the pieces that meet clip (document coordinates) with the
/// document's origin at (originX, originY) of the canvas.
void DrawPieces(TCustomLTFormattedData& data, TLTCanvas& canvas, const TLTRectI& clip, int originX = 0,
                int originY = 0);

}  // namespace lectern
