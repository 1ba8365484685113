#include "oemdll/image_processing.h"

#include "raster/band_encoder.h"
#include "raster/plane_extraction.h"

namespace oemdll {
namespace {

// The encoder's pieces, each as one spool write. The spooler's answer is not
// read: a failed write changes nothing here and the next piece follows as if
// it had gone out.
class SpoolSink : public raster::ByteSink {
 public:
  SpoolSink(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj)
      : helper_(helper), pdevobj_(pdevobj) {}

  void Write(const uint8_t* bytes, int32_t count) override {
    DWORD written = 0;
    helper_->lpVtbl->DrvWriteSpoolBuf(helper_, pdevobj_, const_cast<uint8_t*>(bytes),
                                      static_cast<DWORD>(count), &written);
  }

 private:
  plat::IPrintOemDriverUni* helper_;
  plat::PDEVOBJ pdevobj_;
};

// The keyword lands in a buffer the size of the encoder's line buffer, as
// Unidrv has always been asked for it; the two out-values are not read.
bool ReadSkipCentre(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj) {
  char keyword[raster::kLineBufferBytes];
  for (char& c : keyword) c = 0;
  DWORD needed = 0;
  DWORD returned = 1;
  const HRESULT hr = helper->lpVtbl->DrvGetDriverSetting(helper, pdevobj, kDiscTypeFeature, keyword,
                                                         sizeof keyword, &needed, &returned);
  return hr == S_OK && DiscTypeSkipsCentre(keyword, sizeof keyword);
}

}  // namespace

bool DiscTypeSkipsCentre(const char* keyword, int capacity) {
  if (keyword == nullptr || capacity < 6) return false;
  for (int i = 0; i < 6; ++i) {
    if (keyword[i] == '\0') return false;
  }
  return keyword[5] == 'D';
}

HRESULT ProcessBand(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                    PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE* ppbResult) {
  *ppbResult = pSrcBitmap;
  const BITMAPINFOHEADER& header = *pBitmapInfoHeader;
  raster::BandView band;
  band.bits = pSrcBitmap;
  band.width = header.biWidth;
  band.height = header.biHeight;
  band.bits_per_pixel = header.biBitCount;
  // The stride is what the band's size gives per scan line, as 16 bits. A
  // band without scan lines has none; it is sent as an empty image.
  band.stride =
      header.biHeight > 0
          ? static_cast<uint16_t>(header.biSizeImage / static_cast<DWORD>(header.biHeight))
          : 0;
  const DEVMODEW* dm = pdevobj->pPublicDM;
  band.landscape = dm->dmOrientation == DMORIENT_LANDSCAPE;

  raster::BandSettings settings;
  settings.skip_centre = ReadSkipCentre(helper, pdevobj);
  settings.row_step = dm->dmYResolution == 600 ? 1 : 2;

  SpoolSink sink(helper, pdevobj);
  raster::EncodeBand(band, settings, &sink);
  return S_OK;
}

}  // namespace oemdll
