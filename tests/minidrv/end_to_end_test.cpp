// Whole jobs through the NT 4.0 host stand-in and the built minidriver,
// read back as the printer would read them.
#include <gtest/gtest.h>

#include "hosts/nt4_host.h"
#include "stream/decoder.h"
#include "tests/minidrv/minidriver_fixture.h"
#include "tests/support/ink_pages.h"

namespace minidrv_test {
namespace {

using testsupport::ExpectedLine;
using testsupport::PlaneHolds;
using testsupport::RandomInkPage;

// The host's framing, written out: the job preamble and the printer
// description's page start (plane start, plain packing), then at the end the
// end-document command.
const std::vector<uint8_t> kPageStart = Concat({Esc("!d4Q"), Esc("*b0M")});
std::vector<uint8_t> Framing(const page::JobOptions& options) {
  return Concat({testsupport::ExpectedJobPreamble(options), kPageStart});
}
const std::vector<uint8_t> kJobEnd = testsupport::ExpectedJobEnd();

void CheckColourJob(int32_t rows_per_inch, const page::JobOptions& options) {
  const int32_t step = rows_per_inch == 600 ? 1 : 2;
  const int32_t page_rows = 2832 / step;
  const int32_t kept = page_rows - (rows_per_inch == 600 ? 3 : 2);
  page::InkPage page = RandomInkPage(1488, page_rows, rows_per_inch, true, 7u + rows_per_inch);
  std::vector<uint8_t> job;
  std::string error;
  ASSERT_TRUE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {page}, {options}, &job, &error)) << error;

  // The host's framing surrounds the minidriver's bytes.
  const std::vector<uint8_t> head = Framing(options);
  const std::vector<uint8_t>& end = kJobEnd;
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
    EXPECT_TRUE(PlaneHolds(decoded.planes[i], expected)) << names[i];
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
    page::InkPage page = RandomInkPage(1395, 700, rows_per_inch, false, 11u);
    std::vector<uint8_t> job;
    std::string error;
    ASSERT_TRUE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {page}, {options}, &job, &error)) << error;
    std::vector<uint8_t> head = Framing(options);
    ASSERT_GT(job.size(), head.size());
    EXPECT_EQ(std::vector<uint8_t>(job.begin(), job.begin() + head.size()), head);

    stream::DecodedStream decoded = stream::Decode(job.data(), job.size());
    for (const stream::Problem& p : decoded.problems) ADD_FAILURE() << "@" << p.offset << ": " << p.message;
    ASSERT_EQ(decoded.planes.size(), 1u);
    std::map<int32_t, Bytes> expected;
    for (int32_t r = 0; r < page.rows; ++r) {
      expected[r * step] = ExpectedLine(page.Row(page::kBlack, r), page.BytesPerRow(), 189 - page.BytesPerRow());
    }
    EXPECT_TRUE(PlaneHolds(decoded.planes[0], expected)) << "black";
  }
}

TEST(Nt4HostEndToEnd, EveryJobGetsAFreshModule) {
  page::InkPage first = RandomInkPage(800, 2832, 600, true, 1u);
  page::InkPage second = RandomInkPage(800, 2832, 600, true, 2u);
  std::vector<uint8_t> job_a, job_b, job_c;
  std::string error;
  ASSERT_TRUE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {first}, {}, &job_a, &error)) << error;
  ASSERT_TRUE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {second}, {}, &job_b, &error)) << error;
  ASSERT_TRUE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {first}, {}, &job_c, &error)) << error;
  EXPECT_NE(job_a, job_b);
  EXPECT_EQ(job_a, job_c);
  EXPECT_EQ(stream::Decode(job_b.data(), job_b.size()).planes.size(), 3u);
}

TEST(Nt4HostEndToEnd, SecondColourPageOfAJobIsDropped) {
  page::InkPage page = RandomInkPage(800, 100, 600, true, 3u);
  std::vector<uint8_t> one, two;
  std::string error;
  ASSERT_TRUE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {page}, {}, &one, &error)) << error;
  ASSERT_TRUE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {page, page}, {}, &two, &error)) << error;
  // The second page adds only its page start.
  ASSERT_GT(one.size(), kJobEnd.size());
  EXPECT_EQ(two, Concat({Bytes(one.begin(), one.end() - kJobEnd.size()), kPageStart, kJobEnd}));
}

TEST(Nt4HostErrors, RefusesPagesItCannotRenderAndLeavesTheJobAlone) {
  std::vector<uint8_t> job = {1, 2, 3};
  std::string error;
  page::InkPage wide = RandomInkPage(1489, 10, 600, true, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {wide}, {}, &job, &error));
  EXPECT_NE(error.find("1488 dots"), std::string::npos) << error;
  page::InkPage mono = RandomInkPage(1473, 10, 600, false, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {mono}, {}, &job, &error));
  page::InkPage slow = RandomInkPage(100, 10, 300, true, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {slow}, {}, &job, &error));
  EXPECT_NE(error.find("rows per inch"), std::string::npos) << error;
  page::InkPage tall = RandomInkPage(100, 2833, 600, true, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {tall}, {}, &job, &error));
  page::InkPage colour = RandomInkPage(100, 10, 600, true, 4u);
  page::InkPage black = RandomInkPage(100, 10, 600, false, 4u);
  EXPECT_FALSE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {colour, black}, {}, &job, &error));
  EXPECT_FALSE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {}, {}, &job, &error));
  EXPECT_FALSE(hosts::RenderNt4Job("/nonexistent/libquilry2.so", {colour}, {}, &job, &error));
  page::JobOptions bad;
  bad.image_control = page::kImageControlLevels + 1;
  EXPECT_FALSE(hosts::RenderNt4Job(testsupport::MinidriverPath(), {colour}, {bad}, &job, &error));
  EXPECT_EQ(job, (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace minidrv_test
