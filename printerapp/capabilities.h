// What the printer application tells IPP clients about the Quillory2, and
// how the job's IPP attributes name the printer's choices.
//
// Standard attributes stand for the printer's choices where their meaning
// matches: printer-resolution (300 x 600 dpi, the default, or 300 x 300),
// print-color-mode (color: cyan, magenta and yellow; monochrome: black
// alone), media-type (disc for Regular, disc-matte for Matte). The rest are
// the printer's own and go as vendor attributes, each with a printer default
// that the web page sets:
//   quillory2-image-control   integer 0..100, 0 for AUTO
//   quillory2-text-quality    keyword off | on (the printer's OFF/ON option)
//   quillory2-disc-type       keyword standard | centre-band
//   quillory2-outer-diameter  integer mm 1..120, printable outer diameter
//   quillory2-hub-diameter    integer mm 0..119, diameter of the blank hub
//   quillory2-offset-x        integer -30..30, the print position across in
//                             tenths of a mm, positive to the right as seen
//                             on the disc in the tray
//   quillory2-offset-y        integer -30..30, the same down, positive down
//   quillory2-ink-curves      text, each ink's real tone curve in the words of
//                             imaging/ink_curves.h ("none": as nominal); a
//                             text with no -supported, which PAPPL keeps and
//                             its Printing Defaults page shows as a text field
//
// The page: the printer's paper size "CD", 4.72 inch square, is offered as
// the self-describing PWG name oe_cd_4.72x4.72in, and an 80 mm disc as
// om_cd-80_80x80mm. The disc loaded (media-ready, media-col-ready) is set on
// the web page's Media page; a job on the 80 mm size prints the 80 mm
// disc's ring. Every IPP client reads the size from such a name; "oe"
// because the printer defines its page in inches, "cd" to keep its own name. The standard disc name
// disc_standard_40x118mm would be a 118 mm page (1394 dots, not the 1416 of
// the printable square) with a 40 mm hub. An 80 mm disc in the tray's
// adapter is its own page, om_cd-80_80x80mm, centred where the 120 mm disc's
// centre is, with the 80 mm disc's ring (78 mm; a larger outer diameter
// default is one for the 120 mm disc).
#ifndef QUILLORY2_PRINTERAPP_CAPABILITIES_H_
#define QUILLORY2_PRINTERAPP_CAPABILITIES_H_

#include <pappl/pappl.h>

namespace printerapp {

constexpr char kDriverName[] = "quillory2";
constexpr char kDriverDescription[] = "Quillory2 disc-label printer";
constexpr char kMediaName[] = "oe_cd_4.72x4.72in";
constexpr char kMedia80Name[] = "om_cd-80_80x80mm";
// The printer's command stream, for jobs PAPPL hands to the device as they
// are.
constexpr char kNativeFormat[] = "application/vnd.quillory2";

constexpr char kImageControl[] = "quillory2-image-control";
constexpr char kTextQuality[] = "quillory2-text-quality";
constexpr char kDiscType[] = "quillory2-disc-type";
constexpr char kOuterDiameter[] = "quillory2-outer-diameter";
constexpr char kHubDiameter[] = "quillory2-hub-diameter";
constexpr char kOffsetX[] = "quillory2-offset-x";
constexpr char kOffsetY[] = "quillory2-offset-y";
constexpr char kInkCurves[] = "quillory2-ink-curves";

// The media-type keywords of Regular and Matte.
constexpr char kMediaTypeRegular[] = "disc";
constexpr char kMediaTypeMatte[] = "disc-matte";

// Fills in the printer's capabilities and callbacks (the driver callback's
// work), and adds the vendor attributes with their defaults to *attrs.
void DescribePrinter(pappl_pr_driver_data_t* data, ipp_t** attrs);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_CAPABILITIES_H_
