// The printer's job options as named values, and the words people use for
// them.
//
// Every front end fills one JobOptions: the command-line tool and both host
// programs from their arguments, the CUPS filter from the PPD's choices, the
// printer application from its IPP attributes. The table layer turns them
// into the printer description's commands; the band encoder takes the row
// step and the disc type. Which position each value has in the printer
// description's lists is the table layer's business, not the front ends'.
//
// The words: each parser ignores case and spaces and accepts every spelling
// the printer, its PPD and its Unidrv description use; each printer gives
// the printer's own name. A parser that does not know the text returns false
// and leaves the value as it was.
#ifndef QUILLORY2_PAGE_JOB_OPTIONS_H_
#define QUILLORY2_PAGE_JOB_OPTIONS_H_

#include <stdint.h>

#include <string>
#include <string_view>

#include "geometry/printer_geometry.h"

namespace page {

// 300 dots per inch across at both; 600 or 300 rows per inch down.
enum class Resolution { k600, k300 };
enum class Media { kRegular, kMatte };
// The printer's OFF/ON option (the printer description's text quality).
enum class OnOff { kOff, kOn };
// The whole disc, or the centre band across the hub left clear.
enum class DiscType { kStandard, kCentreBand };
enum class ColourMode { kColour, kMonochrome };

// Image control: AUTO, or one of the levels 1 to 100.
constexpr int kImageControlAuto = 0;
constexpr int kImageControlLevels = 100;

struct JobOptions {
  Resolution resolution = Resolution::k600;
  Media media = Media::kRegular;
  OnOff on_option = OnOff::kOff;
  int image_control = kImageControlAuto;
  DiscType disc_type = DiscType::kStandard;
  ColourMode colour = ColourMode::kColour;

  int32_t RowsPerInch() const { return resolution == Resolution::k600 ? 600 : 300; }
  // Row address advance per rendered row: 1 at 600 rows per inch, 2 at 300.
  int32_t RowStep() const { return geometry::RowStep(RowsPerInch()); }
  bool SkipsCentre() const { return disc_type == DiscType::kCentreBand; }
  bool Colour() const { return colour == ColourMode::kColour; }
  bool operator==(const JobOptions& other) const;
};

// "600 x 300 DPI " (the printer's name), 600x300, 300x600 (the PPD's
// 300x600dpi), 600; "300 x 300 DPI ", 300x300, 300. A trailing "dpi" is
// allowed.
bool ParseResolution(std::string_view text, Resolution* value);
// The resolution of a page given in dots per inch across and down: the
// printer prints 300 x 600 or 300 x 300, nothing else (false).
bool ResolutionOfDots(int64_t x_dpi, int64_t y_dpi, Resolution* value);
// Regular, Matte.
bool ParseMedia(std::string_view text, Media* value);
// OFF, ON.
bool ParseOnOff(std::string_view text, OnOff* value);
// AUTO, or a level 1 to 100 in decimal without leading zeros.
bool ParseImageControl(std::string_view text, int* value);
// standard, DISC_S or S; centre-band, center-band, DISC_D or D.
bool ParseDiscType(std::string_view text, DiscType* value);
// colour, color, CMY; monochrome, mono, black, gray, grey, K.
bool ParseColourMode(std::string_view text, ColourMode* value);

// Each value under the printer's name: "600 x 300 DPI", "Regular", "ON",
// "AUTO" or the level, "colour".
std::string ResolutionName(Resolution value);
const char* MediaName(Media value);
const char* OnOffName(OnOff value);
std::string ImageControlName(int value);
const char* ColourModeName(ColourMode value);
// The disc type as the option keyword of the Unidrv feature "DISCTYPE":
// "DISC_S" or "DISC_D".
const char* DiscTypeKeyword(DiscType value);

// The words each parser accepts, for messages: "Regular or Matte".
extern const char kResolutionWords[];
extern const char kMediaWords[];
extern const char kOnOffWords[];
extern const char kImageControlWords[];
extern const char kDiscTypeWords[];
extern const char kColourModeWords[];

}  // namespace page

#endif  // QUILLORY2_PAGE_JOB_OPTIONS_H_
