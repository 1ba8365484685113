// The plug-in's band conversion: the body of IPrintOemUni::ImageProcessing.
//
// Unidrv hands over each rendered band; the conversion reads the disc type
// and the page settings, splits the band into one plane (1 bit per pixel) or
// three (4 bits per pixel, planes of pixel bits 2, 1 and 0 in that order),
// leaves out blank lines and, for the disc type whose option keyword has 'D'
// as sixth character, the row addresses 896 to 1936 across the disc's hub,
// and writes every other line through Unidrv's DrvWriteSpoolBuf. Each band is
// sent as a complete image that starts at row address 0.
#ifndef QUILLORY2_RASTER_BAND_CONVERSION_H_
#define QUILLORY2_RASTER_BAND_CONVERSION_H_

#include "platform/printer_oem.h"

namespace raster {

// Row addresses across the hub that the centre-band disc type leaves out.
constexpr int32_t kCentreBandFirstRow = 896;
constexpr int32_t kCentreBandLastRow = 1936;

// The plug-in's left margin in the printer line, in bytes.
constexpr int32_t kPluginMarginBytes = 7;

// The Unidrv feature whose selected option decides the centre skip.
inline constexpr char kDiscTypeFeature[] = "DISCTYPE";

// True when the option keyword asks for the centre band to be left out.
bool DiscTypeSkipsCentre(const char* keyword, int capacity);

// Converts one band. Always stores pSrcBitmap in *ppbResult and returns S_OK;
// the band itself is only read. With a null helper nothing is written.
HRESULT ConvertBand(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                    PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE* ppbResult);

}  // namespace raster

#endif  // QUILLORY2_RASTER_BAND_CONVERSION_H_
