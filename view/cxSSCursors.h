#pragma once

#include <QCursor>

// The sheet's mouse cursors, made once from the pictures shipped in resources/cursors/: the cell
// cursor (the resource cursor "CR_SELECT", cursor number kcrSelect) and the split cursors shown
// over the header edges that resize columns (horizontal split) and rows (vertical split).
inline constexpr int kcrSelect = 3200;

const QCursor& SelectCursor();
const QCursor& HorzSplitCursor();
const QCursor& VertSplitCursor();
