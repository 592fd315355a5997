#pragma once

#include <array>

#include "platform/Types.h"
#include "styles/cxSSStyleTypes.h"

// Where the border lines of a cell lie and how far they push its fill inwards, in the pixels of
// the sheet view (cell rectangles inclusive, a cell sharing its right and bottom pixel with its
// neighbour). The view and the printed page both place lines by these rules, so that a sheet
// prints with the lines it shows.

// The rectangles of the line along a cell's left edge (vertical) or top edge: one rectangle, or
// for a double line three (line, gap, line). Thick and double lines are centred on the grid
// line; the others start on it and grow into the cell. lsNone gives none (all empty).
std::array<TRect, 3> BorderLineRects(const TRect& cell, TcxSSEdgeLineStyle style, bool vertical);

// The part of a cell its fill covers inside its four lines (left, top, right, bottom; lsNone
// where the cell shows none).
TRect InsideBorderLines(const TRect& cell, const std::array<TcxSSEdgeLineStyle, 4>& lines);
