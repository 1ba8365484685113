#include "tools/disc_options.h"

namespace tools {

void AddDiscOptions(CLI::App* cmd, DiscArgs* args, bool offsets) {
  cmd->add_option("--disc-size", args->disc_size,
                  "Disc in the tray: 120 (mm) or 80 (an 80 mm disc in the tray's adapter, centred where the "
                  "120 mm disc's centre is)")
      ->capture_default_str();
  cmd->add_option("--outer-mm", args->outer_mm,
                  "Printable diameter of the disc in mm (default 118 on a 120 mm disc, 78 on an 80 mm one)");
  cmd->add_option("--inner-mm", args->inner_mm, "Diameter of the blank hub area in mm (default 22)");
  if (!offsets) return;
  cmd->add_option("--offset-x-mm", args->offset_x,
                  "Move the whole label right (positive) or left, as seen on the disc in the tray: -3.0 to +3.0 "
                  "mm in steps of 0.1")
      ->capture_default_str();
  cmd->add_option("--offset-y-mm", args->offset_y,
                  "Move the whole label down (positive) or up, as seen on the disc in the tray: -3.0 to +3.0 mm "
                  "in steps of 0.1")
      ->capture_default_str();
}

bool ResolveDisc(const DiscArgs& args, DiscChoice* choice, std::string* error) {
  DiscChoice c;
  if (!page::ParseDiscSize(args.disc_size, &c.size)) {
    *error = "unknown disc size '" + args.disc_size + "' (use " + page::kDiscSizeWords + ")";
    return false;
  }
  c.ring = page::DefaultRing(c.size);
  if (args.outer_mm) c.ring.outer_mm = *args.outer_mm;
  if (args.inner_mm) c.ring.inner_mm = *args.inner_mm;
  if (!page::ValidateRingOn(c.size, c.ring, error)) return false;
  if (!page::ParseOffsetMm(args.offset_x, &c.offset.x_tenths)) {
    *error = "unknown --offset-x-mm '" + args.offset_x + "' (use " + page::kOffsetWords + ")";
    return false;
  }
  if (!page::ParseOffsetMm(args.offset_y, &c.offset.y_tenths)) {
    *error = "unknown --offset-y-mm '" + args.offset_y + "' (use " + page::kOffsetWords + ")";
    return false;
  }
  *choice = c;
  return true;
}

}  // namespace tools
