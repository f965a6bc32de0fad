// What must hold after any run of the tool on any image, however damaged.
#ifndef TESTING_CUT_CHECKS_H
#define TESTING_CUT_CHECKS_H

#include <string>
#include <vector>

#include "testing/in_process_run.h"
#include "testing/reference_walk.h"

namespace d88test {

/// The problems with a run in `dir` (which held only `image` before it): a status other than 0,
/// a progress line out of table order or for no table entry, a file without a progress line or
/// a line without its file, a file of the wrong length, a message other than a well-formed
/// warning for a file that was cut, or a warned file whose missing tail is not zeros.
/// Empty when the run is sound.
std::vector<std::string> CheckCutRun(const std::string& dir, const std::string& image,
                                     const InProcessRun& run);

/// The files the run cut, from its progress lines, with the bytes it said it read from the
/// image for each (its length where there is no warning).
struct CutFileReport {
  std::string name;
  int bytes_read;
};
std::vector<CutFileReport> ReportedFiles(const InProcessRun& run);

/// The entries on which d88info's `check` run disagrees with what dskpick's `run` did with the
/// same image: cut, incomplete with the same count, or neither ("no data" or "no disk").
std::vector<std::string> CheckDisagreements(const InProcessRun& run, const InProcessRun& check);

/// The problems with the files a run cut from an image of the sample's kind into `dir`, held
/// against `reference`, the reference walk of the same image: each file the reference can
/// start is there and no other, holds the bytes the reference reads (zeros after what the
/// image ran out of), and comes only from its own disk, whose sample bytes are labelled
/// "D<disk> ...".
std::vector<std::string> CheckAgainstReference(const ReferenceImage& reference,
                                               const std::string& dir);

}  // namespace d88test

#endif  // TESTING_CUT_CHECKS_H
