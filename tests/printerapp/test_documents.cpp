#include "tests/printerapp/test_documents.h"

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "imaging/image_reader.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/support.h"

namespace apptest {


bool WriteLabelJpeg(const std::string& path) {
  const testsupport::Bytes png = testsupport::ReadFile(ExampleLabel());
  imaging::RgbImage picture;
  std::string error;
  if (!imaging::DecodeImage(png.data(), png.size(), &picture, &error)) return false;
  return testsupport::WriteFile(path, testsupport::EncodeJpeg(picture.pixels.data(), picture.width,
                                                              picture.height,
                                                              testsupport::JpegKind::kRgb, 90));
}

imaging::RgbImage DotsPage(int rows_per_inch) {
  const int32_t rows = rows_per_inch == 600 ? 2832 : 1416;
  const int32_t k = rows_per_inch == 600 ? 2 : 1;  // rows per 1/300 inch
  imaging::RgbImage page(1416, rows);
  page.FillRect(100, 100 * k, 600, 500 * k, imaging::Rgb{0, 200, 230});
  page.FillRect(700, 300 * k, 600, 400 * k, imaging::Rgb{230, 20, 120});
  page.FillRect(300, 800 * k, 800, 300 * k, imaging::Rgb{250, 220, 0});
  for (int32_t x = 0; x < 1416; ++x) {
    const uint8_t v = static_cast<uint8_t>(x * 255 / 1415);
    page.FillRect(x, 1150 * k, 1, 120 * k, imaging::Rgb{v, v, v});
  }
  for (int32_t y = 0; y < rows; y += 9) page.FillRect(200, y, 1000, 1, imaging::Rgb{40, 40, 40});
  return page;
}

bool WriteRaster(const std::string& path, const imaging::RgbImage& dots, int rows_per_inch,
                 RasterKind kind, int cut_rows) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  cups_raster_t* raster =
      cupsRasterOpen(fd, kind == RasterKind::kAppleSrgb ? CUPS_RASTER_WRITE_APPLE : CUPS_RASTER_WRITE_PWG);
  cups_page_header2_t header;
  pwg_media_t* media = pwgMediaForPWG("oe_cd_4.72x4.72in");
  const bool grey = kind == RasterKind::kPwgSgray;
  const char* type = grey                               ? "sgray_8"
                     : kind == RasterKind::kPwgBlack1 ? "black_1"
                     : kind == RasterKind::kPwgCmyk8  ? "cmyk_8"
                                                      : "srgb_8";
  cupsRasterInitPWGHeader(&header, media, type, 300, rows_per_inch, "one-sided", nullptr);
  // The square exactly: 1416 dots, as the printer's page has them.
  header.cupsWidth = static_cast<unsigned>(dots.width);
  header.cupsHeight = static_cast<unsigned>(dots.height);
  header.cupsBytesPerLine = (header.cupsWidth * header.cupsBitsPerPixel + 7) / 8;
  bool ok = raster != nullptr && cupsRasterWriteHeader2(raster, &header);
  std::vector<uint8_t> line(header.cupsBytesPerLine);
  for (int32_t y = 0; ok && y < dots.height - cut_rows; ++y) {
    const uint8_t* p = dots.At(0, y);
    if (kind == RasterKind::kPwgBlack1) {
      std::fill(line.begin(), line.end(), 0);
      for (int32_t x = 0; x < dots.width; ++x) {
        if (p[3 * x] + p[3 * x + 1] + p[3 * x + 2] < 3 * 128) line[x / 8] |= 0x80 >> (x % 8);
      }
    } else if (kind == RasterKind::kPwgCmyk8) {
      for (int32_t x = 0; x < dots.width; ++x) {
        for (int c = 0; c < 3; ++c) line[4 * x + c] = static_cast<uint8_t>(255 - p[3 * x + c]);
        line[4 * x + 3] = 0;
      }
    } else if (grey) {
      for (int32_t x = 0; x < dots.width; ++x) {
        line[x] = static_cast<uint8_t>((p[3 * x] * 299 + p[3 * x + 1] * 587 + p[3 * x + 2] * 114) / 1000);
      }
    } else {
      line.assign(p, p + line.size());
    }
    ok = cupsRasterWritePixels(raster, line.data(), header.cupsBytesPerLine) == header.cupsBytesPerLine;
  }
  if (raster != nullptr) cupsRasterClose(raster);
  close(fd);
  return ok;
}

bool WritePdf(const std::string& path, int pages) {
  std::string ps = "%!PS\n<< /PageSize [339.84 339.84] >> setpagedevice\n";
  for (int p = 1; p <= pages; ++p) {
    ps += "0 0.8 0.9 setrgbcolor 20 20 150 300 rectfill\n"
          "0.9 0.1 0.5 setrgbcolor 180 180 140 140 rectfill\n"
          "1 0.85 0 setrgbcolor 180 20 140 140 rectfill\n"
          "0 setgray /Helvetica findfont 40 scalefont setfont 200 230 moveto (" +
          std::to_string(p) + ") show showpage\n";
  }
  testsupport::TempDir dir;
  if (!testsupport::WriteFile(dir.File("doc.ps"), ps)) return false;
  return testsupport::RunProgram({"/usr/bin/gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE",
                                  "-sDEVICE=pdfwrite", "-sOutputFile=" + path, dir.File("doc.ps")})
             .exit_code == 0;
}

}  // namespace apptest
