// Fuzzes the CUPS filter's page handling: reading a page of CUPS raster
// straight into the encoder's ink planes (header check, every colour order)
// and sending it through the job writer, held to a page read dot by dot and
// to the job the band of that page gives.
//
// The first input byte chooses how the raster is made: odd, the rest of the
// input is the raster stream itself, as a damaged or hostile file would be;
// even, a page header is built from the input fields and written with the
// pixel bytes through libcups, so that most inputs are pages the filter
// accepts. An accepted, complete page must decode into exactly its ink.
#include <cups/raster.h>
#include <string.h>

#include <string>
#include <vector>

#include "cups/raster_page.h"
#include "fuzz/fuzz_input.h"
#include "page/band.h"
#include "printjob/job_writer.h"
#include "stream/decoder.h"
#include "tests/cups/reference_page_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Memory {
  Bytes bytes;
  size_t read = 0;
};

ssize_t ReadMemory(void* context, unsigned char* buffer, size_t length) {
  auto* m = static_cast<Memory*>(context);
  const size_t n = length < m->bytes.size() - m->read ? length : m->bytes.size() - m->read;
  if (n > 0) memcpy(buffer, m->bytes.data() + m->read, n);
  m->read += n;
  return static_cast<ssize_t>(n);
}

ssize_t WriteMemory(void* context, unsigned char* buffer, size_t length) {
  auto* m = static_cast<Memory*>(context);
  m->bytes.insert(m->bytes.end(), buffer, buffer + length);
  return static_cast<ssize_t>(length);
}

// A page header from input fields: mostly what a rasterizer for this printer
// writes, sometimes any value.
Bytes BuildRaster(fuzzing::FuzzInput* in) {
  cups_page_header2_t h{};
  const uint8_t choice = in->Byte();
  const bool colour = choice & 1;
  // A colour space outside the enum is stored as the raw word, as a damaged
  // stream would carry it: converting it to the enum type would itself be
  // undefined.
  const unsigned space = (choice & 0x80) ? in->Byte() : static_cast<unsigned>(colour ? CUPS_CSPACE_CMY : CUPS_CSPACE_K);
  memcpy(&h.cupsColorSpace, &space, sizeof space);
  h.cupsColorOrder = static_cast<cups_order_t>((choice >> 1) % 3);
  h.cupsBitsPerColor = (choice & 0x40) ? in->Byte() % 17 : 1;
  h.cupsWidth = in->U16() % 2000;
  h.cupsHeight = in->U16() % 3000;
  h.HWResolution[0] = (choice & 0x20) ? in->U16() : 300;
  h.HWResolution[1] = (choice & 0x08) ? 300 : 600;
  h.cupsBitsPerPixel = colour && h.cupsColorOrder == CUPS_ORDER_CHUNKED ? 4 * h.cupsBitsPerColor : h.cupsBitsPerColor;
  if (colour && h.cupsColorOrder == CUPS_ORDER_BANDED) {
    h.cupsBytesPerLine = 3 * ((h.cupsWidth * h.cupsBitsPerColor + 7) / 8);
  } else {
    h.cupsBytesPerLine = (h.cupsWidth * h.cupsBitsPerPixel + 7) / 8;
  }
  if (choice & 0x10) h.cupsBytesPerLine = in->U16();
  h.cupsNumColors = colour ? 3 : 1;
  h.PageSize[0] = h.cupsWidth * 72 / 300;
  h.PageSize[1] = h.cupsHeight * 72 / 600;
  const size_t lines = static_cast<size_t>(h.cupsHeight) * (h.cupsColorOrder == CUPS_ORDER_PLANAR ? 3 : 1);
  // Pixels from the input, repeated; short inputs give short (cut) pages.
  const Bytes pixels = in->Rest();
  Memory out;
  cups_raster_t* raster = cupsRasterOpenIO(WriteMemory, &out, CUPS_RASTER_WRITE);
  if (raster == nullptr) return {};
  if (cupsRasterWriteHeader2(raster, &h)) {
    Bytes line(h.cupsBytesPerLine);
    const size_t wanted = pixels.empty() ? 0 : lines;
    for (size_t y = 0; y < wanted && !line.empty(); ++y) {
      for (size_t i = 0; i < line.size(); ++i) line[i] = pixels[(y * line.size() + i) % pixels.size()];
      cupsRasterWritePixels(raster, line.data(), static_cast<unsigned>(line.size()));
    }
  }
  cupsRasterClose(raster);
  return out.bytes;
}

void CheckEncoding(const page::InkPage& page, const Bytes& job) {
  stream::DecodeOptions options;
  options.row_step = page.RowStep();
  const stream::DecodedStream decoded = stream::Decode(job.data(), job.size(), options);
  FUZZ_CHECK(decoded.Clean());
  FUZZ_CHECK(decoded.planes.size() == static_cast<size_t>(page.PlaneCount()));
  constexpr int32_t kMarginBytes = geometry::kPluginMarginBytes;
  for (int send = 0; send < page.PlaneCount(); ++send) {
    const int ink = page.colour ? 2 - send : 0;  // yellow, magenta, cyan
    const stream::Plane& plane = decoded.planes[static_cast<size_t>(send)];
    size_t printed = 0;
    for (int32_t r = 0; r < page.rows; ++r) {
      const auto row = plane.rows.find(r * page.RowStep());
      // The margin is whole bytes: the row's bytes land as they are.
      Bytes expected(stream::kLineBytes, 0);
      const uint8_t* dots = page.Row(ink, r);
      bool any = false;
      for (int32_t i = 0; i < page.BytesPerRow(); ++i) {
        expected[static_cast<size_t>(kMarginBytes + i)] = dots[i];
        any |= dots[i] != 0;
      }
      FUZZ_CHECK(any == (row != plane.rows.end()));
      if (!any) continue;
      FUZZ_CHECK(row->second == expected);
      ++printed;
    }
    FUZZ_CHECK(plane.rows.size() == printed);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  Memory raster_bytes;
  raster_bytes.bytes = (in.Byte() & 1) ? in.Rest() : BuildRaster(&in);
  // The filter reads rows straight into its planes; a page read dot by dot
  // is the reference they must agree with, byte for byte, and the job of
  // that page made into a band is the job theirs must be. Each reads its own
  // copy.
  Memory band_bytes = raster_bytes;
  cups_raster_t* raster = cupsRasterOpenIO(ReadMemory, &raster_bytes, CUPS_RASTER_READ);
  cups_raster_t* band_raster = cupsRasterOpenIO(ReadMemory, &band_bytes, CUPS_RASTER_READ);
  if (raster == nullptr || band_raster == nullptr) {
    if (raster != nullptr) cupsRasterClose(raster);
    if (band_raster != nullptr) cupsRasterClose(band_raster);
    return 0;
  }

  Bytes band_row;
  page::InkPage ink;
  cupsdrv::PagePlanes planes;
  cups_page_header2_t header, band_header;
  for (int pages = 0; pages < 4 && cupsRasterReadHeader2(raster, &header); ++pages) {
    FUZZ_CHECK(cupsRasterReadHeader2(band_raster, &band_header));
    cupsdrv::PageGeometry geometry;
    std::string error;
    if (!cupsdrv::CheckPageHeader(header, &geometry, &error)) {
      FUZZ_CHECK(!error.empty());
      break;
    }
    FUZZ_CHECK(geometry.width_dots <= cupsdrv::kMaxPrintableDots);
    if (geometry.Contone()) {
      // A contone page is read onto the printable square for the label
      // path, whatever its size; the two readers part here.
      imaging::RgbImage dots;
      FUZZ_CHECK(cupsdrv::ReadPageDots(raster, geometry, 0, 0, nullptr, &band_row, &dots) !=
                 cupsdrv::ReadResult::kCancelled);
      FUZZ_CHECK(dots.width == geometry::kDiscAreaDots && dots.height == geometry::DiscAreaRows(geometry.rows_per_inch));
      break;
    }
    const cupsdrv::ReadResult result = cupstest::ReadPage(raster, geometry, nullptr, &ink);
    const cupsdrv::ReadResult band_result =
        cupsdrv::ReadPagePlanes(band_raster, geometry, nullptr, &band_row, &planes);
    FUZZ_CHECK(result != cupsdrv::ReadResult::kCancelled);
    FUZZ_CHECK(band_result == result);
    FUZZ_CHECK(ink.width_dots == geometry.width_dots && ink.rows == geometry.rows);
    if (result != cupsdrv::ReadResult::kComplete) break;
    FUZZ_CHECK(planes.plane_count == ink.PlaneCount() && planes.rows == ink.rows &&
               planes.row_bytes == ink.BytesPerRow());
    for (int p = 0; p < ink.PlaneCount(); ++p) {
      FUZZ_CHECK(memcmp(planes.Row(p, 0), ink.planes[p].data(), ink.planes[p].size()) == 0);
    }
    page::Band made;
    FUZZ_CHECK(page::MakeBand(ink, false, &made, &error));
    page::JobOptions options;
    options.resolution = geometry.rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
    for (page::DiscType disc : {page::DiscType::kStandard, page::DiscType::kCentreBand}) {
      options.disc_type = disc;
      Bytes job, band_job;
      printjob::JobWriter::AppendPage(planes.View(), options, &job);
      FUZZ_CHECK(job.size() <= raster::EncodedPlanesBound(planes.View()));
      printjob::JobWriter::AppendPage(made.View(), options, &band_job);
      FUZZ_CHECK(job == band_job);
      if (disc == page::DiscType::kStandard) CheckEncoding(ink, job);
    }
  }
  cupsRasterClose(raster);
  cupsRasterClose(band_raster);
  return 0;
}
