// The two reports of d88info, written to standard output.
#ifndef TOOL_D88INFO_REPORT_H
#define TOOL_D88INFO_REPORT_H

#include "d88/d88_image.h"

/// Lists every disk of `image` (name, media type, size, offset) and under it, for each track
/// whose listing is not empty, the C/H/R/N of its records in file order. `path` names the image
/// in the first line.
void PrintLayout(D88Image& image, const char* path);

/// One line per entry of dskpick's table, in table order: whether dskpick would cut it, cut it
/// incomplete, find no data for it or find no disk for it, and a closing sum.
void PrintCheck(D88Image& image);

#endif  // TOOL_D88INFO_REPORT_H
