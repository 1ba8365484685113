// The printer's own icons (printer-icons, and the web page's picture): a
// disc lying in the printer's tray, drawn here at the three sizes IPP
// clients ask for (48, 128 and 512 pixels), once per program.
#ifndef QUILLORY2_PRINTERAPP_PRINTER_ICONS_H_
#define QUILLORY2_PRINTERAPP_PRINTER_ICONS_H_

#include <stdint.h>

#include <vector>

#include "imaging/rgb_image.h"

namespace printerapp {

constexpr int kIconSizes[3] = {48, 128, 512};

// The icon as a picture, size x size pixels.
imaging::RgbImage DrawPrinterIcon(int size);
// The icon of kIconSizes[which] as PNG bytes; the same bytes for the life
// of the program.
const std::vector<uint8_t>& PrinterIconPng(int which);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_PRINTER_ICONS_H_
