// rastertoquillory2: the CUPS filter of the Quillory2 disc-label printer.
//
// Reads CUPS raster (8 bits per colour, RGB or grey, at 300x300 or 300x600
// dpi; or, from queues made with an older PPD, 1 bit per colour, black or
// cyan/magenta/yellow) and writes the printer's command stream: the job
// setup commands of the printer's characterization table for the chosen
// options, then every page as the Windows plug-in would send it (each plane
// a whole image from row address 0), then the end-of-job command.
//
// A contone page goes through the label path every front end shares
// (imaging/label.h): separated in linear light with the job's tone and ink
// limit, halftoned by vector error diffusion, so that a PDF printed through
// CUPS prints as the same picture does from the tool or the printer
// application. A 1-bit page is printed dot for dot.
//
// Every dot off the disc's printable ring (outside the outer diameter or
// inside the hub) is cleared, so no ink lands on the tray or in the hole.
//
// A page goes to the printer only once all of its rows have arrived, so a
// damaged or cut raster stream never leaves half a page for the printer to
// misread: the job still ends cleanly after the last complete page and the
// filter exits non-zero. SIGTERM (a cancelled job) stops at a page boundary
// in the same way.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <cups/cups.h>
#include <cups/raster.h>

#include <string>
#include <vector>

#include "cups/job_choices.h"
#include "cups/raster_page.h"
#include "cups/page_position.h"
#include "cups/ring_mask.h"
#include "imaging/label.h"
#include "page/print_position.h"
#include "printjob/job_writer.h"

namespace {

// Set by the SIGTERM handler; the only state a signal handler may touch.
volatile sig_atomic_t g_cancelled = 0;

extern "C" void OnTerminate(int) { g_cancelled = 1; }

const char kUsage[] =
    "Usage: rastertoquillory2 job-id user title copies options [file]\n"
    "\n"
    "CUPS filter for the Quillory2 disc-label printer. Reads CUPS raster from\n"
    "file (or standard input) and writes the printer's command stream to\n"
    "standard output. CUPS runs it for print queues made with the Quillory2\n"
    "PPD; to try it by hand, see cupsfilter(8).\n"
    "\n"
    "Raster pages are 8 bits per colour, chunky RGB (colour) or W, sGray or K\n"
    "(monochrome), separated and halftoned as the quillory2 tool does; pages of\n"
    "1 bit per colour (K, or CMY in any colour order) are printed dot for dot.\n"
    "Both at 300x300 or 300x600 dpi. Parts of a page beyond the disc area\n"
    "(1416 dots across, 2832 rows of 1/600 inch down) are not printed.\n"
    "\n"
    "Options (from the PPD through the page header, else from 'options'):\n"
    "  MediaType=Regular|Matte        media (default Regular)\n"
    "  TextQuality=OFF|ON             OFF/ON option (default OFF)\n"
    "  ImageControl=AUTO|1..100       image control (default AUTO)\n"
    "  DiscType=DISC_S|DISC_D         standard disc, or leave out the centre\n"
    "                                 band across the hub (default DISC_S)\n"
    "  OuterDiameter=MM               printable outer diameter (default 118; 78\n"
    "                                 on an 80 mm disc, page size CD80)\n"
    "  HubDiameter=MM                 diameter of the blank hub (default 22)\n"
    "  Tone=-40..40                   mid-tones N % lighter (N > 0) or darker,\n"
    "                                 contone pages only (default 0)\n"
    "  InkLimit=media|off|150..300    most ink a dot may carry in dark areas,\n"
    "                                 % of one ink (default media: the media's)\n"
    "  InkCurves=C:0,18.1,...;M:...   each ink's tone curve as 'quillory2\n"
    "                                 calibrate --scan' prints it (default none)\n"
    "  OffsetX=MM, OffsetY=MM         move the label right / down as seen on the\n"
    "                                 disc in the tray, -3.0 to +3.0 (default 0)\n"
    "Dots outside the outer diameter or inside the hub are never printed.\n"
    "\n"
    "Exit status: 0 when every page was printed (or the job was cancelled),\n"
    "1 on bad arguments, unreadable raster or output failure.\n";

// The raster input as libcups reads it, counted: libcups says nothing of an
// empty input but a stale errno, and nothing at all of a page header it
// refuses, so the filter tells those apart itself.
struct RasterInput {
  int fd = 0;
  uint64_t bytes = 0;   // handed to libcups so far
  bool ended = false;   // a read found the end of the input
  int read_errno = 0;   // a read failed
};

extern "C" ssize_t ReadRasterInput(void* context, unsigned char* buffer, size_t length) {
  RasterInput* input = static_cast<RasterInput*>(context);
  ssize_t n;
  while ((n = read(input->fd, buffer, length)) < 0 && (errno == EINTR || errno == EAGAIN)) {
  }
  if (n < 0) {
    input->read_errno = errno;
  } else if (n == 0) {
    input->ended = true;
  } else {
    input->bytes += static_cast<uint64_t>(n);
  }
  return n;
}

// libcups's own account of its last failure, if it gave one, without the
// line end it comes with.
std::string LibcupsReason() {
  const char* why = cupsRasterErrorString();
  std::string text = why != nullptr ? why : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

bool WriteOut(const std::vector<uint8_t>& bytes) {
  if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
    return false;
  }
  return fflush(stdout) == 0;
}

class Filter {
 public:
  Filter(int num_options, cups_option_t* options, const RasterInput* input)
      : num_options_(num_options), options_(options), input_(input) {}

  // Runs the whole job; returns the exit status.
  int Run(cups_raster_t* raster);

 private:
  // Prints one page that has been read completely; false with the reason
  // when it cannot.
  bool EmitPage(const page::JobOptions& choices, const raster::PlanesView& planes,
                int32_t margin_bytes, std::string* error);
  // A contone page through the label path, placed and moved.
  bool EmitContonePage(const page::JobOptions& choices, const imaging::LabelLayout& layout,
                       const page::PrintOffset& offset, std::string* error);
  // Sends the end of the job if it was started.
  bool Finish();
  // Why no further page header was read: false (said on standard error)
  // unless the input simply ended after the last page.
  bool EndedCleanly(int number, uint64_t page_end) const;

  int num_options_;
  cups_option_t* options_;
  const RasterInput* input_;
  printjob::JobWriter writer_;
  cupsdrv::PagePlanes planes_;
  cupsdrv::PagePlanes moved_;  // the page moved by an offset, or centred for an 80 mm disc
  imaging::RgbImage dots_;     // a contone page on the printable square
  bool told_loss_ = false;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> out_;
  bool job_started_ = false;
};

// The planes of an ink page as the encoder reads them.
raster::PlanesView PlanesOf(const page::InkPage& ink) {
  raster::PlanesView view;
  for (int p = 0; p < ink.PlaneCount(); ++p) view.planes[p] = ink.planes[p].data();
  view.plane_count = ink.PlaneCount();
  view.rows = ink.rows;
  view.row_bytes = ink.BytesPerRow();
  view.stride = static_cast<size_t>(ink.BytesPerRow());
  return view;
}

bool Filter::EmitContonePage(const page::JobOptions& choices, const imaging::LabelLayout& layout,
                             const page::PrintOffset& offset, std::string* error) {
  page::InkPage ink = imaging::MakeLabelPageOnDots(dots_, choices, layout);
  if (!offset.Zero()) ink = page::MovePage(ink, offset, page::kJobWriterReach);
  return EmitPage(choices, PlanesOf(ink), ink.margin_bytes, error);
}

bool Filter::EmitPage(const page::JobOptions& choices, const raster::PlanesView& planes,
                      int32_t margin_bytes, std::string* error) {
  // The page buffer is sized once for the worst case, so that encoding the
  // rows never allocates.
  out_.clear();
  out_.reserve(raster::EncodedPlanesBound(planes) + 256);
  if (!job_started_ && !writer_.AppendJobSetup(choices, &out_, error)) return false;
  printjob::JobWriter::AppendPage(planes, choices, &out_, margin_bytes);
  if (!WriteOut(out_)) {
    *error = std::string("Unable to write print data: ") + strerror(errno);
    return false;
  }
  job_started_ = true;
  return true;
}

bool Filter::Finish() {
  if (!job_started_) return true;
  out_.clear();
  writer_.AppendJobEnd(&out_);
  job_started_ = false;
  return WriteOut(out_);
}

bool Filter::EndedCleanly(int number, uint64_t page_end) const {
  if (input_->read_errno != 0) {
    fprintf(stderr, "ERROR: Unable to read raster data: %s\n", strerror(input_->read_errno));
    return false;
  }
  // libcups reads a header whole; bytes past the last page without the end
  // of the input behind them are a header it would not take.
  if (input_->ended && input_->bytes == page_end) return true;
  const std::string why = LibcupsReason();
  fprintf(stderr, "ERROR: Page %d: libcups cannot read the page header (%s)\n", number,
          why.empty() ? "damaged, cut short or not CUPS raster" : why.c_str());
  return false;
}

int Filter::Run(cups_raster_t* raster) {
  std::string error;
  if (!writer_.Load(&error)) {
    fprintf(stderr, "ERROR: Printer description unusable: %s\n", error.c_str());
    return 1;
  }

  int status = 0;
  int pages = 0;
  uint64_t page_end = input_->bytes;  // where libcups stood after the last whole page
  cups_page_header2_t header;
  bool have_header = false;
  while (!g_cancelled && (have_header = cupsRasterReadHeader2(raster, &header))) {
    const int number = pages + 1;
    cupsdrv::PageGeometry geometry;
    page::JobOptions choices;
    page::DiscRing ring;
    page::PrintOffset offset;
    imaging::LabelLayout layout;
    if (!cupsdrv::CheckPageHeader(header, &geometry, &error) ||
        !cupsdrv::ResolveSeparation(header, num_options_, options_, &layout.separation, &error) ||
        !cupsdrv::ResolveJobChoices(header, num_options_, options_, &choices, &error) ||
        !cupsdrv::ResolveDiscRing(header, num_options_, options_, &ring, &error) ||
        !cupsdrv::ResolvePrintOffset(header, num_options_, options_, &offset, &error)) {
      fprintf(stderr, "ERROR: Page %d: %s\n", number, error.c_str());
      status = 1;
      break;
    }
    // The resolution is chosen once for the whole job by its setup commands.
    if (!writer_.TakesResolution(choices.resolution)) {
      fprintf(stderr,
              "ERROR: Page %d: resolution changes within the job (%ux%u dpi); "
              "the printer takes one resolution per job\n",
              number, header.HWResolution[0], header.HWResolution[1]);
      status = 1;
      break;
    }
    fprintf(stderr, "INFO: Printing page %d\n", number);
    const page::DiscSize disc = cupsdrv::PageDiscSize(header);
    fprintf(stderr,
            "DEBUG: Page %d: %ux%u %s, %u bits, order %u, %ux%u dpi, media %s, text quality %s, "
            "image control %s, disc type %s, %s disc, ring %g to %g mm, offset %s/%s mm, "
            "tone %d, ink limit %s\n",
            number, header.cupsWidth, header.cupsHeight,
            geometry.Contone() ? (geometry.colour ? "RGB" : "grey") : (geometry.colour ? "CMY" : "K"),
            header.cupsBitsPerColor, header.cupsColorOrder, header.HWResolution[0], header.HWResolution[1],
            page::MediaName(choices.media), page::OnOffName(choices.on_option),
            page::ImageControlName(choices.image_control).c_str(),
            page::DiscTypeKeyword(choices.disc_type), page::DiscSizeName(disc),
            ring.inner_mm, ring.outer_mm, page::OffsetMmName(offset.x_tenths).c_str(),
            page::OffsetMmName(offset.y_tenths).c_str(), layout.separation.tone,
            layout.separation.ink_limit == imaging::kMediaInkLimit
                ? "media"
                : std::to_string(layout.separation.ink_limit).c_str());
    if (geometry.Cropped()) {
      fprintf(stderr,
              "WARNING: Page %d is %ux%u dots; only the disc area of %dx%d dots is printed\n",
              number, header.cupsWidth, header.cupsHeight, geometry.width_dots, geometry.rows);
    }

    // An 80 mm disc's page lies centred on the square; the ring is the
    // square's, and moves with the page.
    const int32_t left = page::DiscPageLeft(disc);
    const int32_t top = page::DiscPageTop(disc, geometry.rows_per_inch);
    const cupsdrv::ReadResult read =
        geometry.Contone()
            ? cupsdrv::ReadPageDots(raster, geometry, left, top, &g_cancelled, &row_, &dots_)
            : cupsdrv::ReadPagePlanes(raster, geometry, &g_cancelled, &row_, &planes_);
    if (read == cupsdrv::ReadResult::kCancelled) break;
    if (read == cupsdrv::ReadResult::kTruncated) {
      fprintf(stderr, "ERROR: Page %d: raster data ended early; the page was not printed\n",
              number);
      status = 1;
      break;
    }
    const page::RingLoss loss = page::LostRing(ring, offset, geometry.rows_per_inch, page::kJobWriterReach);
    if (loss.Any() && !told_loss_) {
      fprintf(stderr, "WARNING: %s\n", page::DescribeRingLoss(loss).c_str());
      told_loss_ = true;
    }
    bool sent;
    if (geometry.Contone()) {
      layout.disc = disc;
      layout.ring = ring;
      sent = EmitContonePage(choices, layout, offset, &error);
    } else {
      // 1-bit dots come as the rasterizer made them: only the ring's mask
      // and the page's place are the filter's.
      cupsdrv::ClearOffRing(page::DiscMask(ring, geometry.rows_per_inch, left, top), &planes_);
      if (left == 0 && top == 0 && offset.Zero()) {
        sent = EmitPage(choices, planes_.View(), geometry::kPluginMarginBytes, &error);
      } else {
        int32_t margin_bytes = geometry::kPluginMarginBytes;
        cupsdrv::MovePlanes(planes_, left, top, offset, &moved_, &margin_bytes);
        sent = EmitPage(choices, moved_.View(), margin_bytes, &error);
      }
    }
    if (!sent) {
      fprintf(stderr, "ERROR: Page %d: %s\n", number, error.c_str());
      status = 1;
      break;
    }
    pages = number;
    page_end = input_->bytes;
    fprintf(stderr, "PAGE: %d 1\n", pages);
  }
  if (!g_cancelled && status == 0 && !have_header && !EndedCleanly(pages + 1, page_end)) status = 1;

  if (!Finish()) {
    fprintf(stderr, "ERROR: Unable to write print data: %s\n", strerror(errno));
    return 1;
  }
  if (g_cancelled) {
    fprintf(stderr, "INFO: Job cancelled after %d page%s\n", pages, pages == 1 ? "" : "s");
    return 0;
  }
  if (status == 0 && pages == 0) {
    fprintf(stderr, "ERROR: No pages found: the raster data ends after its sync word\n");
    return 1;
  }
  if (status == 0) fprintf(stderr, "INFO: Ready to print\n");
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    fputs(kUsage, stdout);
    return fclose(stdout) == 0 ? 0 : 1;
  }
  if (argc < 6 || argc > 7) {
    fputs(kUsage, stderr);
    return 1;
  }

  RasterInput input;
  int& fd = input.fd;
  if (argc == 7) {
    fd = open(argv[6], O_RDONLY);
    if (fd < 0) {
      fprintf(stderr, "ERROR: Unable to open raster file \"%s\": %s\n", argv[6], strerror(errno));
      return 1;
    }
  }

  // Cancelling a job sends SIGTERM; the filter finishes at a page boundary.
  // A vanished reader must show as a write error, not kill the filter.
  struct sigaction action;
  memset(&action, 0, sizeof action);
  sigemptyset(&action.sa_mask);
  action.sa_handler = OnTerminate;
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  cups_option_t* options = nullptr;
  const int num_options = cupsParseOptions(argv[5], 0, &options);

  int status = 1;
  cups_raster_t* raster = cupsRasterOpenIO(ReadRasterInput, &input, CUPS_RASTER_READ);
  if (raster == nullptr) {
    if (input.read_errno != 0) {
      fprintf(stderr, "ERROR: Unable to read raster data: %s\n", strerror(input.read_errno));
    } else if (input.bytes == 0) {
      fprintf(stderr, "ERROR: The raster input is empty\n");
    } else if (input.bytes < 4) {
      fprintf(stderr, "ERROR: The raster input ends after %u bytes, within its sync word\n",
              static_cast<unsigned>(input.bytes));
    } else {
      const std::string why = LibcupsReason();
      fprintf(stderr, "ERROR: Not CUPS raster data%s%s\n", why.empty() ? "" : ": ", why.c_str());
    }
  } else {
    Filter filter(num_options, options, &input);
    status = filter.Run(raster);
    cupsRasterClose(raster);
  }
  cupsFreeOptions(num_options, options);
  if (fd != 0) close(fd);
  // The job is printed only once standard output has taken all of it.
  if (fclose(stdout) != 0 && status == 0) {
    fprintf(stderr, "ERROR: Unable to write print data: %s\n", strerror(errno));
    status = 1;
  }
  return status;
}
