// The printer's geometry, in one place: the printer line, where each
// component puts a page row in it, the disc area of the paper size "CD", and
// the centre band the centre-band disc type leaves out.
//
// A leaf of its own, header-only and freestanding (constants only), so that
// the band encoder, the minidriver (which has no runtime), the table
// generator and the page model all take their numbers from here, and the
// page model can sit above the encoder.
#ifndef QUILLORY2_GEOMETRY_PRINTER_GEOMETRY_H_
#define QUILLORY2_GEOMETRY_PRINTER_GEOMETRY_H_

#include <stdint.h>

namespace geometry {

// A printer line: 192 bytes of 8 dots, bit 7 the leftmost dot. Dots are
// 1/300 inch apart across at both resolutions.
constexpr int32_t kPrinterLineBytes = 192;
constexpr int32_t kPrinterLineDots = kPrinterLineBytes * 8;
constexpr int32_t kDotsPerInch = 300;

// Row addresses count 1/600 inch. A rendered row advances the address by its
// row step: 1 at 600 rows per inch, 2 at 300.
constexpr int32_t kRowAddressesPerInch = 600;
constexpr int32_t RowStep(int32_t rows_per_inch) { return rows_per_inch == 600 ? 1 : 2; }

// Where byte 0 of a page row lands in the printer line. The plug-in (and the
// CUPS filter, which sends its pages the same way) leaves 7 bytes, dot 56;
// the minidriver's colour rows leave 3 bytes, dot 24, and its monochrome rows
// end just before byte 189 whatever their length.
constexpr int32_t kPluginMarginBytes = 7;
constexpr int32_t kMinidriverMarginBytes = 3;
constexpr int32_t kMinidriverMonoEndBytes = 189;
// The widest page row the plug-in's path prints: the line after its margin.
constexpr int32_t kPluginPrintableDots = (kPrinterLineBytes - kPluginMarginBytes) * 8;

// The disc area: the printable square of the paper size "CD", 1416 dots
// across (4.72 inch) and 2832 row addresses down, so 2832 rows at 600 rows
// per inch and 1416 at 300. A 120 mm disc lies centred in it.
constexpr int32_t kDiscAreaDots = 1416;
constexpr int32_t kDiscAreaRowAddresses = 2832;
constexpr int32_t DiscAreaRows(int32_t rows_per_inch) {
  return kDiscAreaRowAddresses / RowStep(rows_per_inch);
}

// The centre band: row addresses 896 to 1936, both included (44.1 mm across
// the hub, centred on row address 1416). With the centre-band disc type
// nothing is printed there.
constexpr int32_t kCentreBandFirstRow = 896;
constexpr int32_t kCentreBandLastRow = 1936;
constexpr bool InCentreBand(int64_t row_address) {
  return row_address >= kCentreBandFirstRow && row_address <= kCentreBandLastRow;
}

}  // namespace geometry

#endif  // QUILLORY2_GEOMETRY_PRINTER_GEOMETRY_H_
