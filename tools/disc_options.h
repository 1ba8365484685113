// The disc and print-position options that several sub-commands share:
// --disc-size, --outer-mm, --inner-mm, --offset-x-mm, --offset-y-mm, read
// with the page model's words.
#ifndef QUILLORY2_TOOLS_DISC_OPTIONS_H_
#define QUILLORY2_TOOLS_DISC_OPTIONS_H_

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "page/disc_ring.h"
#include "page/print_position.h"

namespace tools {

struct DiscArgs {
  std::string disc_size = "120";
  std::optional<double> outer_mm, inner_mm;  // unset: the disc size's default
  std::string offset_x = "0.0", offset_y = "0.0";
};

// What the options say, checked.
struct DiscChoice {
  page::DiscSize size = page::DiscSize::k120;
  page::DiscRing ring;
  page::PrintOffset offset;
};

// Adds --disc-size, --outer-mm and --inner-mm, and with offsets also
// --offset-x-mm and --offset-y-mm.
void AddDiscOptions(CLI::App* cmd, DiscArgs* args, bool offsets);

// Reads the options; false with a one-line reason.
bool ResolveDisc(const DiscArgs& args, DiscChoice* choice, std::string* error);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_DISC_OPTIONS_H_
