// quillory2-printer-app: the Quillory2 as a driverless IPP Everywhere
// printer. Phones, tablets, macOS and iOS, ChromeOS, Windows and CUPS print
// to it with no driver of their own; a web page sets it up.
//
//   quillory2-printer-app server                 run the server (localhost:8000 + uid % 1000)
//   quillory2-printer-app add -d disc -m quillory2 -v usb://...   add a printer
//   quillory2-printer-app submit -d disc label.png
//
// papplMainloop provides every sub-command; the server's options are
// described in server_setup.h.
#include <stdio.h>
#include <string.h>

#include "printerapp/server_paths.h"
#include "printerapp/server_setup.h"
#include "quillory2/version.h"

namespace {

extern "C" void PrintUsage(void* data) {
  printf(
      "Usage: %s SUB-COMMAND [OPTIONS] [FILENAME]\n"
      "\n"
      "Makes the Quillory2 disc-label printer an IPP Everywhere printer that phones, tablets,\n"
      "macOS, iOS, ChromeOS, Windows and CUPS print to without a driver.\n"
      "\n"
      "Sub-commands:\n"
      "  server           Run the server (the web page is at http://localhost:PORT/).\n"
      "  add PRINTER      Add a printer: -m quillory2 -v DEVICE-URI (usb://..., socket://HOST:9100,\n"
      "                   file:///PATH).\n"
      "  autoadd          Add every USB printer whose device ID names the Quillory2.\n"
      "  delete, modify, default, pause, resume, printers, devices, drivers,\n"
      "  submit FILE      Print a PNG, JPEG, PDF (with Ghostscript), PWG or Apple raster file.\n"
      "  jobs, cancel, options, status, shutdown\n"
      "\n"
      "Options:\n"
      "  -d PRINTER       Printer name.\n"
      "  -j JOB-ID        Job number (cancel).\n"
      "  -m DRIVER        Driver name: quillory2.\n"
      "  -o NAME=VALUE    Option. For submit and modify: printer-resolution=300x600dpi|300x300dpi,\n"
      "                   print-color-mode=color|monochrome, media-type=disc|disc-matte,\n"
      "                   quillory2-image-control=0..100 (0 = AUTO), quillory2-text-quality=off|on,\n"
      "                   quillory2-disc-type=standard|centre-band, quillory2-outer-diameter=MM,\n"
      "                   quillory2-hub-diameter=MM.\n"
      "                   For server: listen-hostname=localhost|ADDRESS|*, server-port=PORT,\n"
      "                   state-file=FILE, spool-directory=DIR, log-file=FILE|-, log-level=LEVEL,\n"
      "                   auth-service=PAM-SERVICE, admin-group=GROUP, server-name=NAME.\n"
      "  -u URI           Server (default: this machine's running server).\n"
      "  -v DEVICE-URI    Device (add, modify).\n"
      "  --help, --version\n"
      "\n"
      "The server listens on localhost only. To print from other machines, listen on every\n"
      "address and guard administration with a password check, for example:\n"
      "  %s server -o listen-hostname='*' -o auth-service=login -o admin-group=lpadmin\n",
      printerapp::kAppName, printerapp::kAppName);
}

}  // namespace

int main(int argc, char* argv[]) {
  static printerapp::AppContext context;
  context.serving = argc > 1 && strcmp(argv[1], "server") == 0;
  return papplMainloop(argc, argv, QUILLORY2_VERSION, "Quillory2 Printer Application", 1,
                       printerapp::g_drivers, printerapp::AutoAddDriver, printerapp::DescribeDriver,
                       nullptr, nullptr, printerapp::CreateSystem, PrintUsage, &context);
}
