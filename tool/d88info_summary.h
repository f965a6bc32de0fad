// d88info's default report: a summary of an image that a person reads in seconds.
#ifndef TOOL_D88INFO_SUMMARY_H
#define TOOL_D88INFO_SUMMARY_H

#include "d88/d88_image.h"

/// Writes to standard output a first line that sums up `image` (named `path`), then each disk
/// with its tracks, runs of tracks alike folded into one line, then every anomaly, one a line,
/// many of one kind folded into a count with the first few named. Stops once standard output
/// fails.
void PrintSummary(D88Image& image, const char* path);

#endif  // TOOL_D88INFO_SUMMARY_H
