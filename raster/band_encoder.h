// The band encoder: one rendered band in, the printer's raster commands out.
//
// Every front end reaches the printer's language through this one entry: the
// plug-in (whose ImageProcessing only reads its settings from Unidrv and
// hands Unidrv's spool writes in as the sink), the CUPS filter, the job
// writer, the tests, fuzzers and benchmarks.
//
// The band is one plane (1 bit per pixel) or three (4 bits per pixel, planes
// of pixel bits 2, 1 and 0 in that order, sent one after another). Each plane
// starts with the plane start command and plain packing at row address 0, so
// a band is sent as a complete image. Blank lines are left out, and with
// skip_centre so are the row addresses of the centre band. Every other line
// goes packed or plain, whichever is shorter, 7 bytes into the printer line
// (or the margin the settings give).
//
// The encoder allocates nothing: lines, packed rows and command texts are
// assembled in fixed buffers on the stack. Extracting a line of a plane
// (plane_extraction.h) and packing it (row_packer.h, the vector form of
// command_stream.h's packer) are separate pieces behind it.
#ifndef QUILLORY2_RASTER_BAND_ENCODER_H_
#define QUILLORY2_RASTER_BAND_ENCODER_H_

#include <stddef.h>
#include <stdint.h>

#include "geometry/printer_geometry.h"
#include "raster/cpu_features.h"

namespace raster {

// A rendered band as Unidrv lays it out: `height` scan lines of `stride`
// bytes, scan line 0 first; a clear bit is ink. 4 bits per pixel hold pixel
// 0 in the high nibble, bit 2 yellow ink, bit 1 magenta, bit 0 cyan (bit 3
// is not read); 1 bit per pixel holds pixel 0 in bit 7 of byte 0. Portrait
// lines are scan lines; landscape lines are pixel columns read from the last
// scan line upward. Only height * stride bytes are ever read.
struct BandView {
  const uint8_t* bits = nullptr;
  int32_t width = 0;            // pixels per scan line
  int32_t height = 0;           // scan lines
  uint16_t stride = 0;          // bytes per scan line
  uint16_t bits_per_pixel = 4;  // 1; any other value reads as 4
  bool landscape = false;
};

// The page settings the encoder needs.
struct BandSettings {
  int32_t row_step = 1;      // row address advance per line: 1 (600 rows per inch), else 2 (300)
  bool skip_centre = false;  // leave out the centre band's row addresses (geometry/printer_geometry.h)
  // Where byte 0 of a line goes in the printer line: the plug-in's 7 bytes,
  // or fewer for a page that starts further left (a print-position offset
  // through the job writer). Read as 0 to 7.
  int32_t margin_bytes = geometry::kPluginMarginBytes;
};

// Where the commands go: one Write per command or block of row data, in
// stream order. The plug-in turns each Write into one spool write.
class ByteSink {
 public:
  virtual void Write(const uint8_t* bytes, int32_t count) = 0;

 protected:
  ~ByteSink() = default;
};

// Encodes the band into sink. A band without pixels (or without bits) is sent
// as an empty image: the plane start commands alone.
// Lines are extracted with the best vector instructions of the processor.
void EncodeBand(const BandView& band, const BandSettings& settings, ByteSink* sink);

// The same with the given instruction set (kScalar when it is not
// supported): every choice writes the same bytes.
void EncodeBand(const BandView& band, const BandSettings& settings, ByteSink* sink, Isa isa);

// The most bytes EncodeBand writes for this band: every line plain, each with
// all its position and mode commands.
size_t EncodedBandBound(const BandView& band);

// A portrait page held as its ink planes rather than as a band, for a front
// end that receives them so (the CUPS filter): a set bit is a dot of ink,
// bit 7 of a row's byte 0 its first dot. EncodePlanes writes exactly what
// EncodeBand writes for the portrait band of the same dots, without the band
// being built. Bits past a row's last dot must be clear: they would print.
struct PlanesView {
  const uint8_t* planes[3] = {};  // cyan, magenta, yellow; black alone in planes[0]
  int32_t plane_count = 1;        // 1 black, 3 colour; any other value reads as 1
  int32_t rows = 0;
  int32_t row_bytes = 0;  // bytes of dots per row; beyond kLineBufferBytes not read
  size_t stride = 0;      // bytes from a row to the next, at least row_bytes
  // Each plane is rows * stride bytes; nothing outside them is read.
};

void EncodePlanes(const PlanesView& planes, const BandSettings& settings, ByteSink* sink);
void EncodePlanes(const PlanesView& planes, const BandSettings& settings, ByteSink* sink, Isa isa);

// The most bytes EncodePlanes writes for these planes.
size_t EncodedPlanesBound(const PlanesView& planes);

}  // namespace raster

#endif  // QUILLORY2_RASTER_BAND_ENCODER_H_
