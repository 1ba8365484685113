// IPrintOemUni::ImageProcessing: Unidrv's band handed to the band encoder.
//
// This is the one place where Unidrv's helper interface meets the encoder's
// plain inputs: the disc type comes from the Unidrv feature "DISCTYPE"
// through DrvGetDriverSetting, orientation and vertical resolution from the
// public devmode, the band's shape from its BITMAPINFOHEADER, and every
// piece the encoder writes goes out as one DrvWriteSpoolBuf.
#ifndef QUILLORY2_OEMDLL_IMAGE_PROCESSING_H_
#define QUILLORY2_OEMDLL_IMAGE_PROCESSING_H_

#include "platform/printer_oem.h"

namespace oemdll {

// The Unidrv feature whose selected option decides the centre skip.
inline constexpr char kDiscTypeFeature[] = "DISCTYPE";

// True when the option keyword (capacity bytes, not necessarily NUL-ended)
// asks for the centre band to be left out: its sixth character is 'D'.
bool DiscTypeSkipsCentre(const char* keyword, int capacity);

// Encodes one band through helper. Stores pSrcBitmap in *ppbResult and
// returns S_OK; the band itself is only read. The caller has checked that
// every pointer is set.
HRESULT ProcessBand(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                    PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE* ppbResult);

}  // namespace oemdll

#endif  // QUILLORY2_OEMDLL_IMAGE_PROCESSING_H_
