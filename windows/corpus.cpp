#include "windows/corpus.h"

#include <cstdint>

#include "files/write_file.h"

namespace corpus {
namespace {

// A fixed pseudo-random sequence, the same on every platform.
struct Lcg {
  uint32_t state;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

}  // namespace

page::InkPage MakePage(const std::string& name) {
  const bool colour = name.rfind("colour", 0) == 0;
  const int32_t rows_per_inch = name.find("300") != std::string::npos ? 300 : 600;
  page::InkPage page = page::InkPage::Blank(geometry::kDiscAreaDots, geometry::DiscAreaRows(rows_per_inch),
                                            rows_per_inch, colour);

  // Distances in dots of 1/300 inch: a disc of 4.72 inch with a 0.59 inch hub.
  const int64_t cx = geometry::kDiscAreaDots / 2, cy = geometry::kDiscAreaDots / 2, outer = 700, hub = 90;
  const int32_t down = page.rows_per_inch == 600 ? 2 : 1;  // rows per dot down
  Lcg noise{12345};
  for (int32_t row = 0; row < page.rows; ++row) {
    const int64_t y = row / down;
    // A few blank bands between printed ones give the row positioning work.
    if (row % 97 < 3) continue;
    for (int32_t x = 0; x < page.width_dots; ++x) {
      const int64_t dx = x - cx, dy = y - cy, r2 = dx * dx + dy * dy;
      if (r2 > outer * outer || r2 < hub * hub) continue;
      const uint32_t n = noise.Next();
      if (!page.colour) {
        // Rings, a solid sector (long runs) and a speckled sector (short ones).
        bool ink = (r2 / 4000) % 3 == 0 || (dx > 0 && dy > 0 && dx < 300) || (dx < 0 && dy < 0 && (n & 7) == 0);
        if (ink) page.SetDot(page::kBlack, row, x);
        continue;
      }
      if ((r2 / 5000) % 4 == 1 || (dx > 200 && dy < -100)) page.SetDot(page::kCyan, row, x);
      if (((x + y) / 24) % 3 == 0 && dy > -300) page.SetDot(page::kMagenta, row, x);
      if ((dx < -150 && (n & 3) == 0) || (dy > 400 && dx > -400)) page.SetDot(page::kYellow, row, x);
    }
  }
  return page;
}

std::string PageFile(const std::string& name) {
  return name + (name.rfind("colour", 0) == 0 ? ".ppm" : ".pbm");
}

bool WritePage(const page::InkPage& page, const std::string& path, std::string* error) {
  std::string header;
  std::vector<uint8_t> bytes;
  if (page.colour) {
    header = "P6\n" + std::to_string(page.width_dots) + " " + std::to_string(page.rows) + "\n255\n";
    bytes.assign(header.begin(), header.end());
    bytes.reserve(header.size() + static_cast<size_t>(page.width_dots) * page.rows * 3);
    for (int32_t row = 0; row < page.rows; ++row) {
      for (int32_t x = 0; x < page.width_dots; ++x) {
        // Each ink takes away its complementary light.
        bytes.push_back(page.Dot(page::kCyan, row, x) ? 0 : 255);
        bytes.push_back(page.Dot(page::kMagenta, row, x) ? 0 : 255);
        bytes.push_back(page.Dot(page::kYellow, row, x) ? 0 : 255);
      }
    }
  } else {
    header = "P4\n" + std::to_string(page.width_dots) + " " + std::to_string(page.rows) + "\n";
    bytes.assign(header.begin(), header.end());
    bytes.insert(bytes.end(), page.planes[0].begin(), page.planes[0].end());
  }
  return files::WriteWholeFile(path, bytes, error);
}

std::vector<Job> Jobs() {
  std::vector<Job> jobs;
  for (const char* resolution : {"300", "600"}) {
    for (const char* kind : {"colour", "mono"}) {
      const std::string page = std::string(kind) + resolution;
      const std::string title = std::string(kind[0] == 'c' ? "Colour" : "Mono") + resolution;
      for (bool landscape : {false, true}) {
        for (const char* disc : {"S", "D"}) {
          Job job{"Unidrv" + title + (landscape ? "Landscape" : "Portrait") + "Disc" + disc, "unidrv",
                  {"--resolution", resolution, "--disc-type", disc}, {page}};
          if (landscape) job.args.push_back("--landscape");
          jobs.push_back(job);
        }
      }
      jobs.push_back({"Nt4" + title, "nt4", {"--resolution", resolution}, {page}});
    }
  }
  jobs.push_back({"UnidrvTwoPagesWithOptions", "unidrv",
                  {"--resolution", "600", "--paper", "matte", "--text-quality", "on", "--image-control", "25"},
                  {"colour600", "colour600"}});
  jobs.push_back({"Nt4MonoWithOptions", "nt4",
                  {"--resolution", "300", "--media", "matte", "--text-quality", "on", "--image-control", "100"},
                  {"mono300"}});
  return jobs;
}

}  // namespace corpus
