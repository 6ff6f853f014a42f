// The built-in face the recording canvas draws text in: each printable
// ASCII character as a grid of 5 columns by 7 rows of cells. Enough to
// read a caption in a saved picture; not a typeface.
#pragma once

namespace brim {

inline constexpr int BlockFaceColumns = 5;
inline constexpr int BlockFaceRows = 7;

// True when the cell (column, row) of the character is inked; row 0 is the
// top (cap height), row 6 the baseline. Other bytes draw as a hollow box.
bool BlockFaceCell(unsigned char c, int column, int row);

}  // namespace brim
