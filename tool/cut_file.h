// Cutting one file out of a run of sectors of the selected disk.
#ifndef TOOL_CUT_FILE_H
#define TOOL_CUT_FILE_H

#include <cstdint>

#include "d88/d88_image.h"
#include "common/cut_table.h"

/// The one reader of the program, shared by the entry point and CutFile.
extern D88Image g_reader;

/// The image being cut, as it was opened; no output file may replace it, under any name.
extern FileIdentity g_image_identity;

enum class CutOutcome {
  kRejected,     // skip or length out of range: nothing read, nothing written
  kNoData,       // the run's first sector could not be read: nothing written
  kWritten,      // the whole run was read and written
  kIncomplete,   // written, but the run ended early and the rest was zero-filled
  kWriteFailed,  // the file could not be written; what held its name is as it was
};

/// Reads the entry's run (skip + length bytes from its first sector) from the global reader's
/// selected disk, prints the progress line and replaces the file named after the entry with the
/// run's last `length` bytes. Says on standard error what went wrong with the file or the run.
CutOutcome CutFile(const CutEntry& entry);

#endif  // TOOL_CUT_FILE_H
