// rastertoquillory2: the CUPS filter of the Quillory2 disc-label printer.
//
// Reads CUPS raster (1 bit per colour, black or cyan/magenta/yellow, 300x300
// or 300x600 dpi) and writes the printer's command stream: the job setup
// commands of the printer's characterization table for the chosen options,
// then every page as the Windows plug-in would send it (each plane a whole
// image from row address 0), then the end-of-job command.
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
    "Raster pages must be 1 bit per colour, K (black) or CMY in any colour\n"
    "order, at 300x300 or 300x600 dpi. Parts of a page beyond the disc area\n"
    "(1480 dots across, 2832 rows of 1/600 inch down) are not printed.\n"
    "\n"
    "Options (from the PPD through the page header, else from 'options'):\n"
    "  MediaType=Regular|Matte        media (default Regular)\n"
    "  TextQuality=OFF|ON             OFF/ON option (default OFF)\n"
    "  ImageControl=AUTO|1..100       image control (default AUTO)\n"
    "  DiscType=DISC_S|DISC_D         standard disc, or leave out the centre\n"
    "                                 band across the hub (default DISC_S)\n"
    "\n"
    "Exit status: 0 when every page was printed (or the job was cancelled),\n"
    "1 on bad arguments, unreadable raster or output failure.\n";

bool WriteOut(const std::vector<uint8_t>& bytes) {
  if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
    return false;
  }
  return fflush(stdout) == 0;
}

class Filter {
 public:
  Filter(int num_options, cups_option_t* options) : num_options_(num_options), options_(options) {}

  // Runs the whole job; returns the exit status.
  int Run(cups_raster_t* raster);

 private:
  // Prints one page that has been read completely; false with the reason
  // when it cannot.
  bool EmitPage(const page::JobOptions& choices, std::string* error);
  // Sends the end of the job if it was started.
  bool Finish();

  int num_options_;
  cups_option_t* options_;
  printjob::JobWriter writer_;
  cupsdrv::PageBand band_;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> out_;
  bool job_started_ = false;
  bool have_resolution_ = false;
  page::Resolution resolution_ = page::Resolution::k600;
};

bool Filter::EmitPage(const page::JobOptions& choices, std::string* error) {
  // The page buffer is sized once for the worst case, so that encoding the
  // rows never allocates.
  out_.clear();
  out_.reserve(raster::EncodedBandBound(band_.View()) + 256);
  if (!job_started_ && !writer_.AppendJobSetup(choices, &out_, error)) return false;
  printjob::JobWriter::AppendPage(band_.View(), choices, &out_);
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

int Filter::Run(cups_raster_t* raster) {
  std::string error;
  if (!writer_.Load(&error)) {
    fprintf(stderr, "ERROR: Printer description unusable: %s\n", error.c_str());
    return 1;
  }

  int status = 0;
  int pages = 0;
  cups_page_header2_t header;
  while (!g_cancelled && cupsRasterReadHeader2(raster, &header)) {
    const int number = pages + 1;
    cupsdrv::PageGeometry geometry;
    page::JobOptions choices;
    if (!cupsdrv::CheckPageHeader(header, &geometry, &error) ||
        !cupsdrv::ResolveJobChoices(header, num_options_, options_, &choices, &error)) {
      fprintf(stderr, "ERROR: Page %d: %s\n", number, error.c_str());
      status = 1;
      break;
    }
    // The resolution is chosen once for the whole job by its setup commands.
    if (!have_resolution_) {
      have_resolution_ = true;
      resolution_ = choices.resolution;
    } else if (choices.resolution != resolution_) {
      fprintf(stderr,
              "ERROR: Page %d: resolution changes within the job (%ux%u dpi); "
              "the printer takes one resolution per job\n",
              number, header.HWResolution[0], header.HWResolution[1]);
      status = 1;
      break;
    }
    fprintf(stderr, "INFO: Printing page %d\n", number);
    fprintf(stderr,
            "DEBUG: Page %d: %ux%u %s, order %u, %ux%u dpi, media %s, text quality %s, "
            "image control %s, disc type %s\n",
            number, header.cupsWidth, header.cupsHeight, geometry.colour ? "CMY" : "K",
            header.cupsColorOrder, header.HWResolution[0], header.HWResolution[1],
            page::MediaName(choices.media), page::OnOffName(choices.on_option),
            page::ImageControlName(choices.image_control).c_str(),
            page::DiscTypeKeyword(choices.disc_type));
    if (geometry.Cropped()) {
      fprintf(stderr,
              "WARNING: Page %d is %ux%u dots; only the disc area of %dx%d dots is printed\n",
              number, header.cupsWidth, header.cupsHeight, geometry.width_dots, geometry.rows);
    }

    const cupsdrv::ReadResult read =
        cupsdrv::ReadPageBand(raster, geometry, &g_cancelled, &row_, &band_);
    if (read == cupsdrv::ReadResult::kCancelled) break;
    if (read == cupsdrv::ReadResult::kTruncated) {
      fprintf(stderr, "ERROR: Page %d: raster data ended early; the page was not printed\n",
              number);
      status = 1;
      break;
    }
    if (!EmitPage(choices, &error)) {
      fprintf(stderr, "ERROR: Page %d: %s\n", number, error.c_str());
      status = 1;
      break;
    }
    pages = number;
    fprintf(stderr, "PAGE: %d 1\n", pages);
  }

  if (!Finish()) {
    fprintf(stderr, "ERROR: Unable to write print data: %s\n", strerror(errno));
    return 1;
  }
  if (g_cancelled) {
    fprintf(stderr, "INFO: Job cancelled after %d page%s\n", pages, pages == 1 ? "" : "s");
    return 0;
  }
  if (status == 0 && pages == 0) {
    const char* why = cupsRasterErrorString();
    fprintf(stderr, "ERROR: No pages found%s%s\n", why != nullptr && *why ? ": " : "",
            why != nullptr ? why : "");
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

  int fd = 0;
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
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  if (raster == nullptr) {
    const char* why = cupsRasterErrorString();
    fprintf(stderr, "ERROR: Unable to read raster data%s%s\n", why != nullptr && *why ? ": " : "",
            why != nullptr ? why : "");
  } else {
    Filter filter(num_options, options);
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
