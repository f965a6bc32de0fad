// d88info's views for scripts, the terminal and the browser, and several images at once.
#include <gtest/gtest.h>

#if DSKPICK_TEST_JSON
#include <nlohmann/json.hpp>
#endif

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "testing/d88_builder.h"
#include "testing/d88_layout.h"
#include "testing/reference_walk.h"
#include "testing/sample_image.h"
#include "testing/temp_dir.h"
#include "testing/tool_runner.h"

namespace d88test {
namespace {

// `text` with the tool's line ends as "\n", and a terminal's "\r\n" too.
std::string Plain(std::string text) {
  for (std::size_t at; (at = text.find('\r')) != std::string::npos;) text.erase(at, 1);
  return text;
}

// The sample image, and the sample damaged: a CRC error, a deleted mark, a count that sends
// track 80's walk on into track 81, a deleted byte the format does not define, and the last
// disk cut short.
std::vector<std::pair<std::string, Bytes>> Images() {
  Layout layout;
  Bytes damaged = BuildSampleImage(&layout);
  auto record = [&](int disk, int track, int r) {
    return layout.record_offsets[SampleRecordIndex(disk, track, r)];
  };
  damaged[record(0, 80, 3) + layout::kStatus] = 0xB0;
  damaged[record(0, 72, 2) + layout::kDeleted] = 0x10;
  for (int r = 1; r <= 5; ++r) PutLE16(damaged, record(2, 80, r) + layout::kSectorCount, 10);
  damaged[record(3, 10, 1) + layout::kDeleted] = 0x01;
  damaged.resize(damaged.size() - 500);
  return {{"sample.d88", BuildSampleImage()}, {"damaged.d88", damaged}};
}

// A disk whose first file is cut, its second incomplete, read on into the next track's records,
// the rest without data; a name that needs escaping, and six CRC errors.
Bytes FilesImage() {
  Layout layout;
  D88Builder builder;
  builder.AddDisk("A&B");
  for (std::uint8_t r = 1; r <= 6; ++r) builder.AddSector(0, 0, 0, r, 0, Pattern(128, r));
  builder.AddRecord(72, WithCount(MakeRecord(36, 0, 2, 3, Pattern(1024, 2)), 2));
  builder.AddRecord(73, MakeRecord(36, 0, 3, 3, Pattern(1024, 3)));
  Bytes image = builder.Build(&layout);
  for (std::size_t i = 0; i < 6; ++i) image[layout.record_offsets[i] + layout::kStatus] = 0xB0;
  image[layout.record_offsets[6] + layout::kDeleted] = 0x10;
  return image;
}

TEST(D88infoViewsTest, SeveralImagesInTurnAndTheWorstStatus) {
  TempDir dir;
  const auto images = Images();
  for (const auto& [name, bytes] : images) ASSERT_TRUE(WriteBytes(dir.File(name), bytes));
  const ToolRun first = RunD88info(dir.path().string(), {images[0].first});
  const ToolRun second = RunD88info(dir.path().string(), {images[1].first});
  const ToolRun both =
      RunD88info(dir.path().string(), {images[0].first, "missing.d88", images[1].first});
  EXPECT_EQ(both.status, 1);
  EXPECT_EQ(both.out, first.out + second.out);
  EXPECT_EQ(both.err.rfind("d88info: cannot open missing.d88: ", 0), 0u) << both.err;
  const ToolRun checks = RunD88info(dir.path().string(), {"--check", "sample.d88", "damaged.d88"});
  EXPECT_EQ(checks.status, 0);
  EXPECT_EQ(checks.out, Line("sample.d88:") +
                            RunD88info(dir.path().string(), {"--check", "sample.d88"}).out +
                            Line("damaged.d88:") +
                            RunD88info(dir.path().string(), {"--check", "damaged.d88"}).out);
}

// The JSON read back with a JSON parser: one document a line, every record of a track's own at
// the file offset an independent walk finds it, every field as the file holds it, as many
// anomalies as the summary counts, and each file's verdict as --check says it.
TEST(D88infoViewsTest, JsonHoldsEveryRecordAndAnomaly) {
#if !DSKPICK_TEST_JSON
  GTEST_SKIP() << "built without nlohmann/json: d88info has no --json";
#else
  TempDir dir;
  const auto images = Images();
  for (const auto& [name, bytes] : images) ASSERT_TRUE(WriteBytes(dir.File(name), bytes));
  const ToolRun run = RunD88info(dir.path().string(), {"--json", "sample.d88", "damaged.d88"});
  ASSERT_EQ(run.status, 0);
  const std::string out = Plain(run.out);
  ASSERT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
  std::size_t line_start = 0;
  for (const auto& [name, bytes] : images) {
    SCOPED_TRACE(name);
    const std::size_t line_end = out.find('\n', line_start);
    const nlohmann::ordered_json doc =
        nlohmann::ordered_json::parse(out.substr(line_start, line_end - line_start));
    line_start = line_end + 1;
    EXPECT_EQ(doc.begin().key(), "d88info");
    EXPECT_EQ(doc["d88info"], 1);
    EXPECT_EQ(doc["image"], name);
    EXPECT_EQ(doc["size"], bytes.size());
    const ReferenceImage reference(bytes);
    ASSERT_EQ(doc["disks"].size(), static_cast<std::size_t>(reference.DiskCount()));
    std::size_t records = 0;
    for (const auto& disk : doc["disks"]) {
      EXPECT_EQ(disk["name"], "DISK " + std::to_string(disk["index"].get<int>()));
      for (const auto& track : disk["tracks"]) {
        const std::vector<std::size_t> walk = reference.Walk(disk["index"], track["index"], false);
        ASSERT_LE(track["records"].size(), walk.size());
        EXPECT_EQ(track["walk"], walk.size());
        for (std::size_t i = 0; i < track["records"].size(); ++i, ++records) {
          const auto& record = track["records"][i];
          const std::uint8_t* h = bytes.data() + walk[i];
          ASSERT_EQ(record["offset"], walk[i]);
          EXPECT_EQ(record["c"], h[layout::kC]);
          EXPECT_EQ(record["r"], h[layout::kR]);
          EXPECT_EQ(record["status"], h[layout::kStatus]);
          EXPECT_EQ(record["count"], h[layout::kSectorCount] | h[layout::kSectorCount + 1] << 8);
          const auto data_size =
              static_cast<std::size_t>(h[layout::kDataSize] | h[layout::kDataSize + 1] << 8);
          EXPECT_EQ(record["data_size"], data_size);
          // The damaged image ends inside a sector's data: what the file holds of it.
          EXPECT_EQ(record["data_held"],
                    std::min(data_size, bytes.size() - walk[i] - layout::kRecordHeaderSize));
        }
      }
    }
    EXPECT_EQ(records, static_cast<std::size_t>(kSampleDisks * kSampleTracks * 5));
    std::vector<std::string> kinds;
    for (const auto& anomaly : doc["anomalies"]) kinds.push_back(anomaly["kind"]);
    const std::vector<std::string> damaged_kinds = {"deleted",       "status",   "count_differs",
                                                    "size_past_end", "odd_byte", "truncated"};
    EXPECT_EQ(kinds, name == "sample.d88" ? std::vector<std::string>() : damaged_kinds);
    const std::string summary = Plain(RunD88info(dir.path().string(), {name}).out);
    const std::size_t anomalies = doc["anomalies"].size();
    EXPECT_NE(summary.find(anomalies == 0 ? std::string(" bytes, 4 disks, no anomalies\n")
                                          : ", " + std::to_string(anomalies) + " anomalies\n"),
              std::string::npos)
        << summary;
    const std::string check = "\n" + Plain(RunD88info(dir.path().string(), {"--check", name}).out);
    ASSERT_EQ(doc["files"].size(), 20u);
    for (const auto& file : doc["files"]) {
      const std::string verdict = file["verdict"];
      const std::string said =
          file["name"].get<std::string>() + ": " +
          (verdict == "incomplete"
               ? "incomplete " + std::to_string(file["bytes"].get<int>()) + " of " +
                     std::to_string(file["length"].get<int>()) + " bytes"
               : verdict) +
          " (";
      EXPECT_NE(check.find("\n" + said), std::string::npos) << said;
    }
  }
  // Every track but an absent one is listed, with its state: one past the disk's size too.
  ASSERT_TRUE(WriteBytes(dir.File("past.d88"),
                         D88Builder()
                             .AddDisk(std::string("\x81") + std::string(25, '\0') + '\x10', 0x20)
                             .AddSector(0, 0, 0, 1, 0, {})
                             .SetTrackEntry(7, 0xFFFFFFF0u)
                             .Build()));
  const nlohmann::json disk = nlohmann::json::parse(
      RunD88info(dir.path().string(), {"--json", "past.d88"}).out)["disks"][0];
  // A name that is no Shift_JIS (a lead byte alone) is null, its bytes kept.
  EXPECT_TRUE(disk["name"].is_null());
  EXPECT_EQ(disk["name_bytes"], "81" + std::string(32, '0'));
  EXPECT_EQ(disk["media"], 0x20);
  EXPECT_EQ(disk["write_protect"], 0x10);
  const nlohmann::json& past = disk["tracks"];
  ASSERT_EQ(past.size(), 2u);
  EXPECT_EQ(past[1]["index"], 7);
  EXPECT_EQ(past[1]["entry"], 0xFFFFFFF0u);
  EXPECT_EQ(past[1]["state"], "past_size");
  EXPECT_TRUE(past[1]["offset"].is_null());
  // A disk inside disk 0's header says whose.
  ASSERT_TRUE(WriteBytes(dir.File("inside.d88"),
                         D88Builder().AddDisk("A").SetDiskSize(100).AddDisk("B").Build()));
  EXPECT_EQ(nlohmann::json::parse(RunD88info(dir.path().string(), {"--json", "inside.d88"})
                                      .out)["disks"][1]["inside_header_of"],
            0);
  // A size field is 2^31 or more from 0x80000000 on.
  for (const std::uint32_t size : {0x7FFFFFFFu, 0x80000000u}) {
    ASSERT_TRUE(
        WriteBytes(dir.File("size.d88"), D88Builder().AddDisk("S").SetDiskSize(size).Build()));
    const nlohmann::json sized = nlohmann::json::parse(
        RunD88info(dir.path().string(), {"--json", "size.d88"}).out)["disks"][0];
    EXPECT_EQ(sized["size"], size);
    EXPECT_EQ(sized["size_2_31_or_more"], size == 0x80000000u);
  }
#endif
}

// The whole JSON of a small image but its files: every field of the disk, its tracks, their
// records and the anomalies, each as the bytes say. A track inside the header lists what a read
// of it walks: the header's last bytes.
TEST(D88infoViewsTest, JsonOfASmallImageWhole) {
#if !DSKPICK_TEST_JSON
  GTEST_SKIP() << "built without nlohmann/json: d88info has no --json";
#else
  Layout layout;
  Bytes image =
      D88Builder()
          .AddDisk(std::string("ABCDEFGHIJKLMNOPQ\x01") + std::string(8, '\0') + '\x10', 0x20)
          .AddSector(0, 3, 1, 1, 0, Pattern(40))
          .AddSector(1, 0, 1, 1, 0, Pattern(128))
          .SetTrackEntry(5, 656)
          .SetTrackEntry(7, 0xFFFFFFF0u)
          .Build(&layout);
  image[layout.record_offsets[0] + layout::kDensity] = 0x40;
  image[layout.record_offsets[0] + layout::kDeleted] = 0x10;
  image[layout.record_offsets[0] + layout::kStatus] = 0xB0;
  image[layout.record_offsets[1] + layout::kStatus] = 0x33;
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("j.d88"), image));
  nlohmann::json doc =
      nlohmann::json::parse(RunD88info(dir.path().string(), {"--json", "j.d88"}).out);
  doc.erase("files");
  // clang-format off
  const char* const want = R"json({"d88info": 1, "image": "j.d88", "size": 888,
    "disks": [{"index": 0, "name": "ABCDEFGHIJKLMNOPQ",
      "name_bytes": "4142434445464748494a4b4c4d4e4f5051", "media": 32, "write_protect": 16,
      "offset": 0, "size": 888, "size_2_31_or_more": false, "inside_header_of": null,
      "tracks": [
        {"index": 0, "entry": 688, "state": "walked", "offset": 688, "walk": 1,
         "records": [{"offset": 688, "c": 3, "h": 1, "r": 1, "n": 0, "count": 1, "density": 64,
                      "deleted": 16, "status": 176, "data_size": 40, "data_held": 40}]},
        {"index": 1, "entry": 744, "state": "walked", "offset": 744, "walk": 1,
         "records": [{"offset": 744, "c": 0, "h": 1, "r": 1, "n": 0, "count": 1, "density": 0,
                      "deleted": 0, "status": 51, "data_size": 128, "data_held": 128}]},
        {"index": 5, "entry": 656, "state": "inside_header", "offset": 656, "walk": 4,
         "records": [{"offset": 656, "c": 0, "h": 0, "r": 0, "n": 0, "count": 0, "density": 0,
                      "deleted": 0, "status": 0, "data_size": 0, "data_held": 0},
                     {"offset": 672, "c": 0, "h": 0, "r": 0, "n": 0, "count": 0, "density": 0,
                      "deleted": 0, "status": 0, "data_size": 0, "data_held": 0}]},
        {"index": 7, "entry": 4294967280, "state": "past_size", "offset": null, "walk": 0,
         "records": []}]}],
    "anomalies": [
      {"kind": "name", "disk": 0, "track": null, "sector": null, "offset": 0,
       "text": "disk 0: its name fills all 17 bytes of the name field, with no NUL to end it"},
      {"kind": "name", "disk": 0, "track": null, "sector": null, "offset": 17,
       "text": "disk 0: the reserved header bytes 0x11-0x19 are not all 0: 01 00 00 00 00 00 00 00 00"},
      {"kind": "status", "disk": 0, "track": 0, "sector": "3/1/1/0", "offset": 688,
       "text": "disk 0 track 0 sector 3/1/1/0: data CRC error (status 0xB0), marked deleted (0x10), data size 40, not 128 << 0"},
      {"kind": "single_density", "disk": 0, "track": 0, "sector": "3/1/1/0", "offset": 688,
       "text": "disk 0 track 0 sector 3/1/1/0: single density (FM)"},
      {"kind": "place", "disk": 0, "track": 0, "sector": "3/1/1/0", "offset": 688,
       "text": "disk 0 track 0 sector 3/1/1/0: C/H 3/1, but the track is cylinder 0 head 0"},
      {"kind": "odd_byte", "disk": 0, "track": 1, "sector": "0/1/1/0", "offset": 744,
       "text": "disk 0 track 1 sector 0/1/1/0: status byte 0x33, not one the format defines"},
      {"kind": "entry_inside_header", "disk": 0, "track": 5, "sector": null, "offset": 656,
       "text": "disk 0 track 5: entry 656 points inside the disk's header (file offset 656)"},
      {"kind": "track_past_size", "disk": 0, "track": 7, "sector": null, "offset": null,
       "text": "disk 0 track 7: entry 0xFFFFFFF0, 2^31 or more, is past the disk's size"}]})json";
  // clang-format on
  EXPECT_EQ(doc, nlohmann::json::parse(want));
  // The first files of an image whose second file is incomplete, its notes on the marks apart
  // from those on where its sectors lie.
  ASSERT_TRUE(WriteBytes(dir.File("f.d88"), FilesImage()));
  const nlohmann::json files =
      nlohmann::json::parse(RunD88info(dir.path().string(), {"--json", "f.d88"}).out)["files"];
  ASSERT_EQ(files.size(), 20u);
  // clang-format off
  const char* const want_files = R"json([
    {"name": "DEMO", "disk": 0, "track": 80, "c": 40, "h": 0, "r": 2, "n": 3, "verdict": "no data",
     "bytes": 0, "length": 8448, "marks": [], "elsewhere": [], "reason": "track 80: absent"},
    {"name": "MUS000", "disk": 0, "track": 72, "c": 36, "h": 0, "r": 2, "n": 3, "verdict": "cut",
     "bytes": 1014, "length": 1014,
     "marks": ["sector 36/0/2/3 of track 72: marked deleted (0x10)"], "elsewhere": [],
     "reason": null},
    {"name": "MUS001", "disk": 0, "track": 72, "c": 36, "h": 0, "r": 2, "n": 3,
     "verdict": "incomplete", "bytes": 1034, "length": 1192,
     "marks": ["sector 36/0/2/3 of track 72: marked deleted (0x10)"],
     "elsewhere": ["sector 36/0/3/3 of track 72 lies in track 73's records, at file offset 2592"],
     "reason": "track 72: 1 x 1024 bytes (N 3), R 2, MFM, count 2"}])json";
  // clang-format on
  EXPECT_EQ(nlohmann::json(std::vector<nlohmann::json>(files.begin(), files.begin() + 3)),
            nlohmann::json::parse(want_files));
  EXPECT_EQ(files[5]["verdict"], "no disk");
  // Both files read a marked sector, whatever the notes after the mark.
  const std::string check = RunD88info(dir.path().string(), {"--check", "f.d88"}).out;
  EXPECT_NE(check.find(Line("2 of 20 files would be cut, 1 of them incomplete, 2 from sectors "
                            "the image marks")),
            std::string::npos)
      << check;
#endif
}

// The whole report of a small image from its first image's section on: the summary, the files
// table, the picture with its titles and outlines, and the anomalies, five of a kind named.
TEST(D88infoViewsTest, HtmlOfASmallImageWhole) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.File("f.d88"), FilesImage()));
  const ToolRun run = RunD88info(dir.path().string(), {"--html", "f.d88"});
  ASSERT_EQ(run.status, 0);
  const std::string html = Plain(run.out);
  EXPECT_NE(html.find("\n<title>d88info: f.d88</title>\n"), std::string::npos);
  // clang-format off
  const char* const want = R"html(<section id="i0"><h2>f.d88</h2>
<pre>f.d88: 3632 bytes, 1 disk, 9 anomalies
disk 0 &quot;A&amp;B&quot;: media 0x00 (2D), not write-protected, at 0, size 3632
  track 0: 6 x 128 bytes (N 0), R 1-6, MFM
  tracks 1-71: absent
  track 72: 1 x 1024 bytes (N 3), R 2, MFM, count 2
  track 73: 1 x 1024 bytes (N 3), R 3, MFM
  tracks 74-163: absent
anomalies:
  disk 0 track 0 sector 0/0/1/0: data CRC error (status 0xB0)
  disk 0 track 0 sector 0/0/2/0: data CRC error (status 0xB0)
  disk 0 track 0 sector 0/0/3/0: data CRC error (status 0xB0)
  disk 0 track 0 sector 0/0/4/0: data CRC error (status 0xB0)
  disk 0 track 0 sector 0/0/5/0: data CRC error (status 0xB0)
  disk 0 track 72: the count says 2 (0x0002), the track holds 1 record; a read runs on into track 73
  disk 0 track 72 sector 36/0/2/3: marked deleted (0x10)
  disk 0 track 73 sector 36/0/3/3: C/H 36/0, but the track is cylinder 36 head 1
  and 1 more sectors with a status other than normal
</pre>
<h3>What dskpick would cut</h3><table><tr><th>file</th><th>verdict</th><th>bytes</th><th>first sector</th><th>notes</th></tr>
<tr><td>DEMO</td><td class="missing">no data</td><td>0 of 8448</td><td>disk 0 track 80 40/0/2/3</td><td>track 80: absent</td></tr>
<tr><td>MUS000</td><td class="cut">cut</td><td>1014 of 1014</td><td>disk 0 track 72 36/0/2/3</td><td>sector 36/0/2/3 of track 72: marked deleted (0x10)<br></td></tr>
<tr><td>MUS001</td><td class="incomplete">incomplete</td><td>1034 of 1192</td><td>disk 0 track 72 36/0/2/3</td><td>sector 36/0/2/3 of track 72: marked deleted (0x10)<br>sector 36/0/3/3 of track 72 lies in track 73's records, at file offset 2592<br>track 72: 1 x 1024 bytes (N 3), R 2, MFM, count 2</td></tr>
<tr><td>MUS002</td><td class="missing">no data</td><td>0 of 881</td><td>disk 0 track 72 36/0/4/3</td><td>track 72: 1 x 1024 bytes (N 3), R 2, MFM, count 2</td></tr>
<tr><td>MUS003</td><td class="missing">no data</td><td>0 of 1541</td><td>disk 0 track 72 36/0/5/3</td><td>track 72: 1 x 1024 bytes (N 3), R 2, MFM, count 2</td></tr>
<tr><td>PROG</td><td class="missing">no disk</td><td>0 of 28360</td><td>disk 2 track 8 4/0/1/3</td><td></td></tr>
<tr><td>DRIVER</td><td class="missing">no disk</td><td>0 of 2048</td><td>disk 2 track 63 31/1/4/3</td><td></td></tr>
<tr><td>MUS200</td><td class="missing">no disk</td><td>0 of 614</td><td>disk 2 track 74 37/0/4/3</td><td></td></tr>
<tr><td>MUS201</td><td class="missing">no disk</td><td>0 of 573</td><td>disk 2 track 74 37/0/4/3</td><td></td></tr>
<tr><td>MUS203</td><td class="missing">no disk</td><td>0 of 475</td><td>disk 2 track 74 37/0/4/3</td><td></td></tr>
<tr><td>MUS205</td><td class="missing">no disk</td><td>0 of 475</td><td>disk 2 track 74 37/0/4/3</td><td></td></tr>
<tr><td>MUS206</td><td class="missing">no disk</td><td>0 of 659</td><td>disk 2 track 74 37/0/4/3</td><td></td></tr>
<tr><td>MUS300</td><td class="missing">no disk</td><td>0 of 1024</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
<tr><td>MUS301</td><td class="missing">no disk</td><td>0 of 902</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
<tr><td>MUS302</td><td class="missing">no disk</td><td>0 of 401</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
<tr><td>MUS303</td><td class="missing">no disk</td><td>0 of 711</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
<tr><td>MUS304</td><td class="missing">no disk</td><td>0 of 976</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
<tr><td>MUS305</td><td class="missing">no disk</td><td>0 of 635</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
<tr><td>MUS306</td><td class="missing">no disk</td><td>0 of 981</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
<tr><td>MUS307</td><td class="missing">no disk</td><td>0 of 710</td><td>disk 3 track 40 20/0/1/3</td><td></td></tr>
</table>
<h3 id="i0-d0">Disk 0 &quot;A&amp;B&quot;</h3>
<svg xmlns="http://www.w3.org/2000/svg" width="451" height="162" role="img" aria-label="disk 0: a column per cylinder, a band per head, a cell per record"><defs><rect id="i0-d0-c" width="10" height="10"/></defs>
<text x="40" y="9">0</text>
<text x="150" y="9">10</text>
<text x="260" y="9">20</text>
<text x="370" y="9">30</text>
<text x="0" y="22">head 0</text>
<text x="0" y="96">head 1</text>
<g id="i0-d0-t0">
<use href="#i0-d0-c" id="i0-d0-r0" x="40" y="14" class="s0"><title>disk 0 track 0 0/0/1/0: ID or data CRC error, data size 128, file offset 688</title></use>
<use href="#i0-d0-c" id="i0-d0-r1" x="40" y="25" class="s0"><title>disk 0 track 0 0/0/2/0: ID or data CRC error, data size 128, file offset 832</title></use>
<use href="#i0-d0-c" id="i0-d0-r2" x="40" y="36" class="s0"><title>disk 0 track 0 0/0/3/0: ID or data CRC error, data size 128, file offset 976</title></use>
<use href="#i0-d0-c" id="i0-d0-r3" x="40" y="47" class="s0"><title>disk 0 track 0 0/0/4/0: ID or data CRC error, data size 128, file offset 1120</title></use>
<use href="#i0-d0-c" id="i0-d0-r4" x="40" y="58" class="s0"><title>disk 0 track 0 0/0/5/0: ID or data CRC error, data size 128, file offset 1264</title></use>
<use href="#i0-d0-c" id="i0-d0-r5" x="40" y="69" class="s0"><title>disk 0 track 0 0/0/6/0: ID or data CRC error, data size 128, file offset 1408</title></use>
</g>
<g id="i0-d0-t72">
<use href="#i0-d0-c" id="i0-d0-r6" x="436" y="14" class="s3"><title>disk 0 track 72 36/0/2/3: deleted, data size 1024, file offset 1552</title></use>
</g>
<g id="i0-d0-t73">
<use href="#i0-d0-c" id="i0-d0-r7" x="436" y="88" class="s6"><title>disk 0 track 73 36/0/3/3: normal, data size 1024, file offset 2592</title></use>
</g>
<use href="#i0-d0-c" class="f fcut" x="436" y="14"><title>MUS000: cut, 1014 of 1014 bytes</title></use>
<use href="#i0-d0-c" class="f fincomplete" x="436" y="14"><title>MUS001: incomplete, 1034 of 1192 bytes</title></use>
<use href="#i0-d0-c" class="f fincomplete" x="436" y="88"><title>MUS001: incomplete, 1034 of 1192 bytes</title></use>
</svg>
<h3>Anomalies</h3><p>9 in all; five of each kind are named here, d88info --json lists every one.</p><ol>
<li><a href="#i0-d0-r0">disk 0 track 0 sector 0/0/1/0: data CRC error (status 0xB0)</a></li>
<li><a href="#i0-d0-r1">disk 0 track 0 sector 0/0/2/0: data CRC error (status 0xB0)</a></li>
<li><a href="#i0-d0-r2">disk 0 track 0 sector 0/0/3/0: data CRC error (status 0xB0)</a></li>
<li><a href="#i0-d0-r3">disk 0 track 0 sector 0/0/4/0: data CRC error (status 0xB0)</a></li>
<li><a href="#i0-d0-r4">disk 0 track 0 sector 0/0/5/0: data CRC error (status 0xB0)</a></li>
<li><a href="#i0-d0-t72">disk 0 track 72: the count says 2 (0x0002), the track holds 1 record; a read runs on into track 73</a></li>
<li><a href="#i0-d0-r6">disk 0 track 72 sector 36/0/2/3: marked deleted (0x10)</a></li>
<li><a href="#i0-d0-r7">disk 0 track 73 sector 36/0/3/3: C/H 36/0, but the track is cylinder 36 head 1</a></li>
</ol>
<p>and 1 more sectors with a status other than normal</p>
</section>
</body></html>
)html";
  // clang-format on
  EXPECT_EQ(html.substr(html.find("<section")), want);
}

// The map in the terminal: a row per cylinder, a character per record, at most 100 columns,
// in colour only on a terminal with NO_COLOR unset.
TEST(D88infoViewsTest, MapDrawsEveryRecordInItsPlace) {
  TempDir dir;
  Layout layout;
  D88Builder builder;
  builder.AddDisk("MAP");
  for (int track : {0, 1, 3}) {
    for (const std::uint8_t r : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}}) {
      builder.AddSector(track, static_cast<std::uint8_t>(track / 2),
                        static_cast<std::uint8_t>(track % 2), r, 1, Pattern(256, r));
    }
  }
  // Track 4: a data size past 128 << N and one short of it: S S.
  builder.AddRecord(4, MakeRecord(2, 0, 1, 1, Pattern(300)))
      .AddRecord(4, MakeRecord(2, 0, 2, 1, Pattern(200)));
  Bytes image = builder.Build(&layout);
  image[layout.record_offsets[1] + layout::kStatus] = 0xB0;   // track 0, R 2: C
  image[layout.record_offsets[2] + layout::kStatus] = 0x10;   // track 0, R 3: d
  image[layout.record_offsets[3] + layout::kDeleted] = 0x10;  // track 1, R 1: d
  image[layout.record_offsets[5] + layout::kStatus] = 0xE0;   // track 1, R 3: M
  image[layout.record_offsets[6] + layout::kDensity] = 0x40;  // track 3, R 1: F
  image[layout.record_offsets[7] + layout::kStatus] = 0xA0;   // track 3, R 2: C
  image[layout.record_offsets[8] + layout::kDensity] = 0x23;  // track 3, R 3: ?
  ASSERT_TRUE(WriteBytes(dir.File("image.d88"), image));
  const std::string plain =
      Line("image.d88: 1 disk, one character a record in file order") + Line("disk 0 \"MAP\":") +
      Line("          head 0  head 1") + Line("  cyl   0 .Cd     d.M") +
      Line("  cyl   1         FC?") + Line("  cyl   2 SS") +
      Line(
          "legend: . normal, # a sector of a file dskpick cuts, F single density (FM), S odd "
          "data size,") +
      Line(
          "        d deleted, ? odd byte, M missing address or data mark, C ID or data CRC "
          "error");
  EXPECT_EQ(RunD88info(dir.path().string(), {"--map", "image.d88"}).out, plain);
  if (UsingOtherCommand()) return;  // Wine's output to a terminal is not the program's own
  RunOptions terminal;
  terminal.stdout_terminal = true;
  const std::string coloured =
      Plain(RunD88info(dir.path().string(), {"--map", "image.d88"}, terminal).out);
  // Each state in its colour; a file's sector on its background, whatever its character.
  auto paint = [](const char* sgr, const std::string& marks) {
    std::string cells;
    for (const char mark : marks) cells += std::string("\x1b[") + sgr + "m" + mark + "\x1b[0m";
    return cells;
  };
  const std::size_t rows = plain.find("  cyl   0 "), legend = plain.find("legend:");
  EXPECT_EQ(coloured, plain.substr(0, rows) + "  cyl   0 " + paint("2", ".") + paint("31", "C") +
                          paint("33", "d") + "     " + paint("33", "d") + paint("2", ".") +
                          paint("35", "M") + "\n  cyl   1         " + paint("36", "F") +
                          paint("31", "C") + paint("33", "?") + "\n  cyl   2 " + paint("34", "SS") +
                          "\n" + plain.substr(legend));
  // An empty NO_COLOR is no NO_COLOR.
  terminal.environment = {"NO_COLOR="};
  EXPECT_EQ(Plain(RunD88info(dir.path().string(), {"--map", "image.d88"}, terminal).out), coloured);
  terminal.environment = {"NO_COLOR=1"};
  EXPECT_EQ(Plain(RunD88info(dir.path().string(), {"--map", "image.d88"}, terminal).out),
            Plain(plain));
  // The sample's files: a cylinder whose sectors dskpick reads, and lines within 100 columns.
  for (const auto& [name, bytes] : Images()) ASSERT_TRUE(WriteBytes(dir.File(name), bytes));
  const std::string sample = Plain(RunD88info(dir.path().string(), {"--map", "sample.d88"}).out);
  EXPECT_NE(sample.find("\n  cyl  36 .####   #....\n"), std::string::npos) << sample;
  std::size_t widest = 0;
  for (std::size_t start = 0, end; (end = sample.find('\n', start)) != std::string::npos;
       start = end + 1) {
    widest = std::max(widest, end - start);
  }
  EXPECT_LE(widest, 100u);
  // Both heads side by side only while they fit in 100 columns: 44 records a track do, 45 not;
  // past 80 a line, the rest counted.
  for (const int records : {44, 45, 81}) {
    D88Builder wide;
    wide.AddDisk("WIDE");
    for (int track : {0, 1}) {
      for (int r = 1; r <= records; ++r) {
        wide.AddSector(track, 0, static_cast<std::uint8_t>(track), static_cast<std::uint8_t>(r), 0,
                       Pattern(128));
      }
    }
    ASSERT_TRUE(WriteBytes(dir.File("wide.d88"), wide.Build()));
    const std::string map = Plain(RunD88info(dir.path().string(), {"--map", "wide.d88"}).out);
    const std::string row = records == 44
                                ? "  cyl   0 " + std::string(44, '.') + "  " + std::string(44, '.')
                            : records == 45 ? "  track   1 " + std::string(45, '.')
                                            : "  track   1 " + std::string(80, '.') + " +1";
    EXPECT_NE(map.find("\n" + row + "\n"), std::string::npos) << map;
  }
  // A disk without records says so.
  ASSERT_TRUE(WriteBytes(dir.File("empty.d88"), D88Builder().AddDisk("E").Build()));
  const std::string empty = Plain(RunD88info(dir.path().string(), {"--map", "empty.d88"}).out);
  EXPECT_NE(empty.find("\ndisk 0 \"E\":\n  no track holds records\nlegend: "), std::string::npos)
      << empty;
  // A disk found 64 times over (a size field of 0) is drawn once.
  ASSERT_TRUE(
      WriteBytes(dir.File("zero.d88"),
                 D88Builder().AddDisk("Z").AddSector(0, 0, 0, 1, 0, {}).SetDiskSize(0).Build()));
  const std::string zero = Plain(RunD88info(dir.path().string(), {"--map", "zero.d88"}).out);
  EXPECT_EQ(zero.find("\ndisk 1 "), std::string::npos) << zero;
  // A mark on a file's sector says more than that a file reads it: MUS000's deleted sector.
  const std::string damaged = Plain(RunD88info(dir.path().string(), {"--map", "damaged.d88"}).out);
  EXPECT_NE(damaged.find("\n  cyl  36 .##d#   #....\n"), std::string::npos) << damaged;
  terminal.environment = {};
  const std::string damaged_coloured =
      Plain(RunD88info(dir.path().string(), {"--map", "damaged.d88"}, terminal).out);
  EXPECT_NE(damaged_coloured.find("\n  cyl  36 " + paint("2", ".") + paint("42;30", "##d#") +
                                  "   " + paint("42;30", "#") + paint("2", "....") + "\n"),
            std::string::npos)
      << damaged_coloured;
}

// The report for the browser: every record drawn and titled, a marked one unlike a normal one,
// the files' sectors outlined, anomalies linked to their places, and small.
TEST(D88infoViewsTest, HtmlDrawsAndTitlesEveryRecord) {
  TempDir dir;
  const auto images = Images();
  for (const auto& [name, bytes] : images) ASSERT_TRUE(WriteBytes(dir.File(name), bytes));
  const ToolRun run = RunD88info(dir.path().string(), {"--html", "damaged.d88"});
  ASSERT_EQ(run.status, 0);
  const std::string& html = run.out;
  auto count_in = [](const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) {
      ++n;
    }
    return n;
  };
  auto count = [&](const std::string& what) { return count_in(html, what); };
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_EQ(count("<title>disk "), static_cast<std::size_t>(kSampleDisks * kSampleTracks * 5));
  EXPECT_EQ(count("class=\"s0\"><title>disk 0 track 80 40/0/3/3: ID or data CRC error, data "
                  "size 1024, file offset "),
            1u);
  EXPECT_EQ(count("class=\"s3\"><title>disk 0 track 72 36/0/2/3: deleted, data size 1024"), 1u);
  EXPECT_EQ(count("class=\"s6\"><title>"), static_cast<std::size_t>(kSampleDisks * 82 * 5 - 3));
  EXPECT_EQ(count("<use href=\"#i0-d0-c\" class=\"f fcut\""), 9u + 2 + 2 + 2 + 2);
  EXPECT_NE(html.find("<a href=\"#i0-d0-r"), std::string::npos);
  EXPECT_LT(html.size(), 1000000u);
  EXPECT_EQ(count("<script"), 0u);
  EXPECT_EQ(count("http:") + count("https:"), count("http://www.w3.org/2000/svg"));
  // A track's first 64 records are drawn, the rest said in words; an anomaly of a record not
  // drawn links to its track.
  for (const int records : {65, 67}) {
    D88Builder long_track;
    long_track.AddDisk("L<O>NG");
    for (int r = 1; r <= records; ++r) {
      long_track.AddSector(0, 0, 0, static_cast<std::uint8_t>(r), 0, Pattern(128));
    }
    Layout layout;
    Bytes image = long_track.Build(&layout);
    image[layout.record_offsets.back() + layout::kStatus] = 0xB0;
    ASSERT_TRUE(WriteBytes(dir.File("long.d88"), image));
    const std::string long_html = RunD88info(dir.path().string(), {"--html", "long.d88"}).out;
    EXPECT_NE(long_html.find("<title>disk 0 track 0 0/0/64/0:"), std::string::npos);
    EXPECT_NE(long_html.find(" height=\"1438\" "), std::string::npos);  // bands of 64 cells
    EXPECT_EQ(long_html.find("<title>disk 0 track 0 0/0/65/0:"), std::string::npos);
    EXPECT_NE(long_html.find(records == 65
                                 ? "<p>1 more record is not drawn; d88info --records lists it.</p>"
                                 : "<p>3 more records are not drawn; d88info --records lists "
                                   "them.</p>"),
              std::string::npos);
    EXPECT_NE(long_html.find("<li><a href=\"#i0-d0-t0\">disk 0 track 0 sector 0/0/" +
                             std::to_string(records) + "/0: data CRC error"),
              std::string::npos);
    EXPECT_NE(long_html.find("&quot;L&lt;O&gt;NG&quot;"), std::string::npos);
    EXPECT_EQ(long_html.find("L<O"), std::string::npos);
  }
  // A record two tracks hold is drawn in each, and only its first cell is its anchor; ten
  // cylinders are labelled at 0 alone.
  ASSERT_TRUE(WriteBytes(dir.File("same.d88"), D88Builder()
                                                   .AddDisk("S")
                                                   .AddSector(0, 0, 0, 1, 0, Pattern(128))
                                                   .AddSector(19, 9, 1, 1, 0, Pattern(128))
                                                   .SetTrackEntry(1, 688)
                                                   .Build()));
  const std::string same = RunD88info(dir.path().string(), {"--html", "same.d88"}).out;
  EXPECT_NE(same.find("<title>disk 0 track 1 0/0/1/0:"), std::string::npos);
  EXPECT_EQ(count_in(same, " id=\"i0-d0-r0\""), 1u);
  EXPECT_EQ(count_in(same, "</text>"), 3u);  // 0, head 0, head 1
  // A report draws 5,000 cells at most, whatever its images: four of 1,640 records each.
  const std::string four = RunD88info(dir.path().string(), {"--html", "sample.d88", "damaged.d88",
                                                            "sample.d88", "damaged.d88"})
                               .out;
  EXPECT_EQ(count_in(four, "<title>disk "), 5000u);
  EXPECT_EQ(count_in(four, "<p>330 more records are not drawn;"), 1u);
  EXPECT_EQ(count_in(four, "<p>410 more records are not drawn;"), 3u);
  // A disk without records has no picture, and its anomalies link to its heading.
  ASSERT_TRUE(WriteBytes(dir.File("bare.d88"),
                         D88Builder().AddDisk("E").SetTrackEntry(3, 0xFFFFFFF0u).Build()));
  const std::string bare = Plain(RunD88info(dir.path().string(), {"--html", "bare.d88"}).out);
  EXPECT_NE(
      bare.find("<h3 id=\"i0-d0\">Disk 0 &quot;E&quot;</h3>\n<p>No track holds records.</p>\n"),
      std::string::npos);
  EXPECT_NE(bare.find("<li><a href=\"#i0-d0\">disk 0 track 3: entry 0xFFFFFFF0"),
            std::string::npos);
}

}  // namespace
}  // namespace d88test
