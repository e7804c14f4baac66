// The column widths file of the field grid: one width in pixels per line, in column order from column 0,
// each written as a decimal integer and a line feed. File names are Windows-1251 text, used as UTF-8 names.
#pragma once

#include "classlib/base/ansistring.h"

#include <optional>
#include <vector>

// The widest column the grid draws; wider widths read from a file are held at this.
inline constexpr int kMaxColumnWidth = 16384;

// width held inside [0, kMaxColumnWidth].
int LimitColumnWidth(int width);

// Reads the widths of the first columns of a grid of columnCount columns: the next integers of the file, in
// order, limited by LimitColumnWidth. White space (blanks, tabs, line ends of any kind, empty lines) is
// skipped, then an optional sign and digits make the integer. Text that reads as no integer is skipped up to
// the next white space and leaves the last width read in place, 0 before the first ("12abc" gives 12, then
// keeps it). Nothing past the last column's integer is read. Where the file ends before the last column,
// the result is shorter: the remaining columns take the last width read (0 when there is none), which the
// caller gives them in one step. Returns nothing when the name is empty or names no regular file that can
// be opened (a folder, a pipe, a device, a link loop).
std::optional<std::vector<int>> LoadColumnWidths(const AnsiString& fileName, int columnCount);

// Creates or truncates the file and writes one "%d\n" line per width. A name that is taken by something other
// than a regular file (a folder, a pipe) is left alone. Returns false when nothing could be written.
bool SaveColumnWidths(const AnsiString& fileName, const std::vector<int>& widths);

// Deletes the file if there is one; a folder of that name is left alone.
void DeleteColumnWidthsFile(const AnsiString& fileName);
