#include "testing/cut_checks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "common/cut_table.h"
#include "testing/d88_builder.h"
#include "testing/temp_dir.h"

namespace d88test {

namespace {

const std::string kProgressPrefix = "cutting ... ";

std::vector<std::string> Lines(const std::string& text, std::vector<std::string>& problems) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      problems.push_back("unterminated line: " + text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

int TableIndex(const std::string& name) {
  for (std::size_t i = 0; i < std::size(kCutTable); ++i) {
    if (name == kCutTable[i].name) return static_cast<int>(i);
  }
  return -1;
}

// Parses "warning: NAME is incomplete (G of L bytes read)" exactly as the tool writes it.
bool ParseWarning(const std::string& line, std::string& name, int& got, int& length) {
  char name_buffer[32];
  if (std::sscanf(line.c_str(), "warning: %31s is incomplete (%d of %d bytes read)", name_buffer,
                  &got, &length) != 3) {
    return false;
  }
  name = name_buffer;
  char again[128];
  std::snprintf(again, sizeof again, "warning: %s is incomplete (%d of %d bytes read)", name_buffer,
                got, length);
  return line == again;
}

}  // namespace

std::vector<CutFileReport> ReportedFiles(const InProcessRun& run) {
  std::vector<std::string> ignored;
  std::vector<CutFileReport> files;
  for (const std::string& line : Lines(run.out, ignored)) {
    if (line.rfind(kProgressPrefix, 0) != 0) continue;
    const std::string name = line.substr(kProgressPrefix.size());
    const int index = TableIndex(name);
    files.push_back({name, index < 0 ? -1 : kCutTable[index].length});
  }
  for (const std::string& line : Lines(run.err, ignored)) {
    std::string name;
    int got = 0, length = 0;
    if (!ParseWarning(line, name, got, length)) continue;
    for (CutFileReport& file : files) {
      if (file.name == name) file.bytes_read = got;
    }
  }
  return files;
}

std::vector<std::string> CheckCutRun(const std::string& dir, const std::string& image,
                                     const InProcessRun& run) {
  std::vector<std::string> problems;
  if (run.status != 0) problems.push_back("exit status " + std::to_string(run.status));

  std::set<std::string> cut;
  int last_index = -1;
  for (const std::string& line : Lines(run.out, problems)) {
    const int index =
        line.rfind(kProgressPrefix, 0) == 0 ? TableIndex(line.substr(kProgressPrefix.size())) : -1;
    if (index < 0) {
      problems.push_back("not a progress line: " + line);
    } else if (index <= last_index) {
      problems.push_back("out of table order: " + line);
    } else {
      last_index = index;
      cut.insert(kCutTable[index].name);
    }
  }

  std::map<std::string, int> warned;
  for (const std::string& line : Lines(run.err, problems)) {
    std::string name;
    int got = 0, length = 0;
    if (!ParseWarning(line, name, got, length)) {
      problems.push_back("unexpected message: " + line);
    } else if (cut.count(name) == 0 || warned.count(name) != 0) {
      problems.push_back("warning for a file not cut, or twice: " + line);
    } else if (length != kCutTable[TableIndex(name)].length || got < 0 || got >= length) {
      problems.push_back("warning with impossible counts: " + line);
    } else {
      warned[name] = got;
    }
  }

  std::set<std::string> present;
  for (const std::string& name : NamesIn(dir)) {
    if (name != image) present.insert(name);
  }
  if (present != cut) problems.push_back("the files present differ from the progress lines");
  for (const std::string& name : cut) {
    if (present.count(name) == 0) continue;
    const std::vector<std::uint8_t> bytes = ReadBytes(dir + "/" + name);
    if (static_cast<int>(bytes.size()) != kCutTable[TableIndex(name)].length) {
      problems.push_back(name + " has " + std::to_string(bytes.size()) + " bytes");
    } else if (warned.count(name) != 0 && std::any_of(bytes.begin() + warned[name], bytes.end(),
                                                      [](std::uint8_t b) { return b != 0; })) {
      problems.push_back(name + " holds more than the bytes it says were read");
    }
  }
  return problems;
}

std::vector<std::string> CheckDisagreements(const InProcessRun& run, const InProcessRun& check) {
  std::vector<std::string> problems;
  std::map<std::string, int> cut;  // name -> bytes read from the image, for each file cut
  for (const CutFileReport& file : ReportedFiles(run)) cut[file.name] = file.bytes_read;
  const std::vector<std::string> lines = Lines(check.out, problems);
  if (check.status != 0 || !check.err.empty()) {
    problems.push_back("d88info --check ended with status " + std::to_string(check.status) +
                       " and said: " + check.err);
  }
  if (lines.size() != std::size(kCutTable) + 1) {
    problems.push_back("d88info --check wrote " + std::to_string(lines.size()) + " lines");
    return problems;
  }
  for (std::size_t i = 0; i < std::size(kCutTable); ++i) {
    const CutEntry& e = kCutTable[i];
    const std::string said = lines[i].substr(0, lines[i].find(" ("));
    const std::string name = std::string(e.name) + ": ";
    const auto found = cut.find(e.name);
    if (found == cut.end()) {
      if (said != name + "no data" && said != name + "no disk") {
        problems.push_back("d88info says \"" + said + "\" of a file dskpick did not cut");
      }
      continue;
    }
    const std::string want = found->second == e.length
                                 ? "cut"
                                 : "incomplete " + std::to_string(found->second) + " of " +
                                       std::to_string(e.length) + " bytes";
    if (said != name + want) {
      problems.push_back("d88info says \"" + said + "\" where dskpick's output means " + want);
    }
  }
  const std::string sum = std::to_string(cut.size()) + " of " +
                          std::to_string(std::size(kCutTable)) + " files would be cut";
  if (lines.back().rfind(sum, 0) != 0) {
    problems.push_back("d88info sums up \"" + lines.back() + "\", not " + sum);
  }
  return problems;
}

std::vector<std::string> CheckAgainstReference(const ReferenceImage& reference,
                                               const std::string& dir) {
  std::vector<std::string> problems;
  for (const CutEntry& e : kCutTable) {
    const Bytes read = reference.ReadRun(e.disk, e.track, e.c, e.h, e.r, e.n,
                                         static_cast<std::size_t>(e.skip + e.length), 1, 5);
    const std::string path = dir + "/" + e.name;
    if (read.empty()) {
      if (std::filesystem::exists(std::filesystem::symlink_status(path))) {
        problems.push_back(std::string(e.name) + " is cut, but the reference reads nothing");
      }
      continue;
    }
    Bytes want(static_cast<std::size_t>(e.length), 0);
    for (std::size_t i = static_cast<std::size_t>(e.skip); i < read.size(); ++i) {
      want[i - static_cast<std::size_t>(e.skip)] = read[i];
    }
    const Bytes bytes = ReadBytes(path);
    if (bytes != want) {
      problems.push_back(std::string(e.name) + " differs from the reference's " +
                         std::to_string(read.size()) + " bytes");
    }
    const char own = static_cast<char>('0' + e.disk);
    for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
      if (bytes[at] == 'D' && bytes[at + 2] == ' ' && bytes[at + 3] == 'T' &&
          bytes[at + 1] != own) {
        problems.push_back(std::string(e.name) + " holds another disk's bytes at " +
                           std::to_string(at));
        break;
      }
    }
  }
  return problems;
}

}  // namespace d88test
