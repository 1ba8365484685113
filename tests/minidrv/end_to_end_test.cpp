// Whole jobs through the NT 4.0 host stand-in and the built minidriver,
// read back as the printer would read them.
#include <gtest/gtest.h>

#include <random>

#include "hosts/nt4_host.h"
#include "tables/built_tables.h"
#include "tables/printer_table.h"
#include "stream/decoder.h"
#include "tests/minidrv/minidriver_fixture.h"

namespace minidrv_test {
namespace {

tables::PrinterTable Table() {
  tables::TableBytes gpc = tables::BuiltGpcTable();
  std::string error;
  auto table = tables::PrinterTable::Parse(gpc.data, gpc.size, &error);
  EXPECT_TRUE(table.has_value()) << error;
  return *table;
}

// A page with random dots in every plane, blank bands, and full rows.
page::InkPage RandomPage(bool colour, int32_t rows_per_inch, int32_t width, int32_t rows, uint32_t seed) {
  page::InkPage page = page::InkPage::Blank(width, rows, rows_per_inch, colour);
  std::mt19937 random(seed);
  for (int p = 0; p < page.PlaneCount(); ++p) {
    for (int32_t r = 0; r < rows; ++r) {
      if ((r / 37) % 3 == 1) continue;  // blank bands
      uint8_t* row = page.Row(p, r);
      int kind = random() % 4;
      for (int32_t b = 0; b < page.BytesPerRow(); ++b) {
        if (kind == 0) row[b] = static_cast<uint8_t>(random());             // noise: goes plain
        if (kind == 1) row[b] = b > 20 && b < 90 ? 0xFF : 0x00;              // runs: goes packed
        if (kind == 2 && random() % 16 == 0) row[b] = static_cast<uint8_t>(random());  // sparse
      }
      if (width % 8 != 0) row[page.BytesPerRow() - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
    }
  }
  return page;
}

// The printer line a page row should become: byte k at printer byte k + lead.
Bytes ExpectedLine(const uint8_t* row, int32_t bytes, int32_t lead) {
  Bytes line(stream::kLineBytes, 0);
  for (int32_t k = 0; k < bytes; ++k) line[k + lead] = row[k];
  return line;
}

bool Blank(const Bytes& line) {
  return std::all_of(line.begin(), line.end(), [](uint8_t b) { return b == 0; });
}

// Compares a decoded plane with the rows it should hold; rows not listed
// must be absent or blank.
void ExpectPlane(const stream::Plane& plane, const std::map<int32_t, Bytes>& expected, const char* name) {
  int mismatches = 0;
  for (const auto& [address, line] : expected) {
    auto it = plane.rows.find(address);
    if (Blank(line)) {
      if (it != plane.rows.end() && !Blank(it->second) && mismatches++ < 5) {
        ADD_FAILURE() << name << " row address " << address << " should be blank";
      }
      continue;
    }
    if ((it == plane.rows.end() || it->second != line) && mismatches++ < 5) {
      ADD_FAILURE() << name << " row address " << address << " differs";
    }
  }
  for (const auto& [address, line] : plane.rows) {
    if (expected.count(address) == 0 && !Blank(line) && mismatches++ < 5) {
      ADD_FAILURE() << name << " has an unexpected row at address " << address;
    }
  }
  EXPECT_EQ(mismatches, 0) << name;
}

std::vector<uint8_t> Framing(const page::JobOptions& options, size_t pages) {
  tables::PrinterTable table = Table();
  std::vector<uint8_t> head = table.JobSetup(options);
  std::vector<uint8_t> start = table.PageStart(options);
  head.insert(head.end(), start.begin(), start.end());
  return head;
}

void CheckColourJob(int32_t rows_per_inch, const page::JobOptions& options) {
  const int32_t step = rows_per_inch == 600 ? 1 : 2;
  const int32_t page_rows = 2832 / step;
  const int32_t kept = page_rows - (rows_per_inch == 600 ? 3 : 2);
  page::InkPage page = RandomPage(true, rows_per_inch, 1488, page_rows, 7u + rows_per_inch);
  std::vector<uint8_t> job;
  std::string error;
  ASSERT_TRUE(hosts::RenderNt4Job(ModulePath(), {page}, {options}, &job, &error)) << error;

  // The host's framing surrounds the minidriver's bytes.
  tables::PrinterTable table = Table();
  std::vector<uint8_t> head = Framing(options, 1);
  std::vector<uint8_t> end = table.JobEnd();
  ASSERT_GT(job.size(), head.size() + end.size());
  EXPECT_EQ(std::vector<uint8_t>(job.begin(), job.begin() + head.size()), head);
  EXPECT_EQ(std::vector<uint8_t>(job.end() - end.size(), job.end()), end);

  stream::DecodedStream decoded = stream::Decode(job.data(), job.size());
  for (const stream::Problem& p : decoded.problems) ADD_FAILURE() << "@" << p.offset << ": " << p.message;
  ASSERT_EQ(decoded.planes.size(), 3u);
  EXPECT_EQ(decoded.resolution_rows_per_inch, rows_per_inch);

  // Planes go out yellow, magenta, cyan. Byte k of a row lands on printer
  // byte k + 3; the leftmost dot of every row and bit 6 of byte 0 on the
  // first row are not printed; rows past the line limit are dropped.
  const char* names[3] = {"yellow", "magenta", "cyan"};
  const int ink[3] = {page::kYellow, page::kMagenta, page::kCyan};
  for (int i = 0; i < 3; ++i) {
    std::map<int32_t, Bytes> expected;
    for (int32_t r = 0; r < kept; ++r) {
      Bytes line = ExpectedLine(page.Row(ink[i], r), page.BytesPerRow(), 3);
      line[3] &= r == 0 ? 0x3F : 0x7F;
      expected[r * step] = line;
    }
    ExpectPlane(decoded.planes[i], expected, names[i]);
  }
}

TEST(Nt4HostEndToEnd, ColourPageAt600RowsPerInch) { CheckColourJob(600, page::JobOptions{}); }

TEST(Nt4HostEndToEnd, ColourPageAt300RowsPerInchWithOtherOptions) {
  page::JobOptions options;
  options.resolution = page::Resolution::k300;
  options.media = page::Media::kMatte;
  options.on_option = page::OnOff::kOn;
  options.image_control = 25;
  CheckColourJob(300, options);
}

TEST(Nt4HostEndToEnd, MonochromePageLandsWithItsLastByteOnPrinterByte188) {
  for (int32_t rows_per_inch : {600, 300}) {
    page::JobOptions options;
    options.resolution = rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
    const int32_t step = rows_per_inch == 600 ? 1 : 2;
    page::InkPage page = RandomPage(false, rows_per_inch, 1395, 700, 11u);
    std::vector<uint8_t> job;
    std::string error;
    ASSERT_TRUE(hosts::RenderNt4Job(ModulePath(), {page}, {options}, &job, &error)) << error;
    std::vector<uint8_t> head = Framing(options, 1);
    ASSERT_GT(job.size(), head.size());
    EXPECT_EQ(std::vector<uint8_t>(job.begin(), job.begin() + head.size()), head);

    stream::DecodedStream decoded = stream::Decode(job.data(), job.size());
    for (const stream::Problem& p : decoded.problems) ADD_FAILURE() << "@" << p.offset << ": " << p.message;
    ASSERT_EQ(decoded.planes.size(), 1u);
    std::map<int32_t, Bytes> expected;
    for (int32_t r = 0; r < page.rows; ++r) {
      expected[r * step] = ExpectedLine(page.Row(page::kBlack, r), page.BytesPerRow(), 189 - page.BytesPerRow());
    }
    ExpectPlane(decoded.planes[0], expected, "black");
  }
}

TEST(Nt4HostEndToEnd, EveryJobGetsAFreshModule) {
  page::InkPage first = RandomPage(true, 600, 800, 2832, 1u);
  page::InkPage second = RandomPage(true, 600, 800, 2832, 2u);
  std::vector<uint8_t> job_a, job_b, job_c;
  std::string error;
  ASSERT_TRUE(hosts::RenderNt4Job(ModulePath(), {first}, {}, &job_a, &error)) << error;
  ASSERT_TRUE(hosts::RenderNt4Job(ModulePath(), {second}, {}, &job_b, &error)) << error;
  ASSERT_TRUE(hosts::RenderNt4Job(ModulePath(), {first}, {}, &job_c, &error)) << error;
  EXPECT_NE(job_a, job_b);
  EXPECT_EQ(job_a, job_c);
  EXPECT_EQ(stream::Decode(job_b.data(), job_b.size()).planes.size(), 3u);
}

TEST(Nt4HostEndToEnd, SecondColourPageOfAJobIsDropped) {
  page::InkPage page = RandomPage(true, 600, 800, 100, 3u);
  std::vector<uint8_t> one, two;
  std::string error;
  ASSERT_TRUE(hosts::RenderNt4Job(ModulePath(), {page}, {}, &one, &error)) << error;
  ASSERT_TRUE(hosts::RenderNt4Job(ModulePath(), {page, page}, {}, &two, &error)) << error;
  // The second page adds only its page start.
  std::vector<uint8_t> start = Table().PageStart(page::JobOptions{});
  std::vector<uint8_t> end = Table().JobEnd();
  std::vector<uint8_t> expected(one.begin(), one.end() - end.size());
  expected.insert(expected.end(), start.begin(), start.end());
  expected.insert(expected.end(), end.begin(), end.end());
  EXPECT_EQ(two, expected);
}

TEST(Nt4HostErrors, RefusesPagesItCannotRenderAndLeavesTheJobAlone) {
  std::vector<uint8_t> job = {1, 2, 3};
  std::string error;
  page::InkPage wide = RandomPage(true, 600, 1489, 10, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(ModulePath(), {wide}, {}, &job, &error));
  EXPECT_NE(error.find("1488 dots"), std::string::npos) << error;
  page::InkPage mono = RandomPage(false, 600, 1473, 10, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(ModulePath(), {mono}, {}, &job, &error));
  page::InkPage slow = RandomPage(true, 300, 100, 10, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(ModulePath(), {slow}, {}, &job, &error));
  EXPECT_NE(error.find("rows per inch"), std::string::npos) << error;
  page::InkPage tall = RandomPage(true, 600, 100, 2833, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(ModulePath(), {tall}, {}, &job, &error));
  page::InkPage colour = RandomPage(true, 600, 100, 10, 4u);
  page::InkPage black = RandomPage(false, 600, 100, 10, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(ModulePath(), {colour, black}, {}, &job, &error));
  EXPECT_FALSE(hosts::RenderNt4Job(ModulePath(), {}, {}, &job, &error));
  EXPECT_FALSE(hosts::RenderNt4Job("/nonexistent/libquilry2.so", {colour}, {}, &job, &error));
  page::JobOptions bad;
  bad.image_control = page::kImageControlLevels + 1;
  EXPECT_FALSE(hosts::RenderNt4Job(ModulePath(), {colour}, {bad}, &job, &error));
  EXPECT_EQ(job, (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace minidrv_test
