// What the host driver sends for a job, read from a parsed table: the job
// setup for the chosen options, the page start and end, the job end and the
// vertical moves.
#include <stdexcept>
#include <utility>

#include "tables/printer_table.h"
#include "tables/table_names.h"

namespace tables {

namespace {

void Append(std::vector<uint8_t>* out, const std::vector<uint8_t>& bytes) {
  out->insert(out->end(), bytes.begin(), bytes.end());
}

uint16_t ListOffsetOfSlot(const gpc::ModelData& model, int slot) {
  return slot < gpc::MD_OI_MAX ? model.rgoi[slot] : model.rgoi2[slot - gpc::MD_OI_MAX];
}

}  // namespace

Positions PositionsOf(const page::JobOptions& options) {
  Positions positions;
  positions.resolution = options.resolution == page::Resolution::k300 ? 1 : 2;
  positions.paper_quality = options.media == page::Media::kMatte ? 2 : 1;
  positions.text_quality = options.on_option == page::OnOff::kOn ? 2 : 1;
  positions.image_control = options.image_control + 1;
  return positions;
}

std::vector<uint16_t> PrinterTable::List(uint16_t heap_offset) const {
  const auto it = lists_.find(heap_offset);
  return it == lists_.end() ? std::vector<uint16_t>() : it->second;
}

std::vector<uint16_t> PrinterTable::OrderList() const {
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  return page < 0 ? std::vector<uint16_t>() : List(page_controls_[page].orgwOrder);
}

const CommandDescriptor* PrinterTable::Command(uint16_t ocd) const {
  const auto it = commands_.find(ocd);
  return it == commands_.end() ? nullptr : &it->second;
}

int PrinterTable::ListSlot(OptionKind kind) const {
  switch (kind) {
    case OptionKind::kResolution: return gpc::MD_OI_RESOLUTION;
    case OptionKind::kPaperSize: return gpc::MD_OI_PAPERSIZE;
    case OptionKind::kPaperQuality: return gpc::MD_OI_PAPERQUALITY;
    case OptionKind::kPaperSource: return gpc::MD_OI_PAPERSOURCE;
    case OptionKind::kTextQuality: return gpc::MD_OI_TEXTQUAL;
    case OptionKind::kImageControl: return gpc::DefaultSlotOfOi2(gpc::MD_OI2_IMAGECONTROL);
  }
  return 0;
}

int PrinterTable::Choose(OptionKind kind, int position) const {
  const std::vector<uint16_t> list = List(ListOffsetOfSlot(model(), ListSlot(kind)));
  if (position < 1 || static_cast<size_t>(position) > list.size()) return -1;
  return list[position - 1] - 1;
}

int PrinterTable::DefaultPosition(OptionKind kind) const {
  // A default of 0 with a list present means the list's first entry.
  const uint16_t chosen = defaults_[ListSlot(kind)];
  return chosen == 0 ? 1 : chosen;
}

Positions PrinterTable::DefaultPositions() const {
  Positions options;
  options.resolution = DefaultPosition(OptionKind::kResolution);
  options.paper_quality = DefaultPosition(OptionKind::kPaperQuality);
  options.text_quality = DefaultPosition(OptionKind::kTextQuality);
  options.image_control = DefaultPosition(OptionKind::kImageControl);
  return options;
}

bool PrinterTable::CheckOptions(const Positions& options, std::string* error) const {
  const std::pair<OptionKind, int> chosen[] = {{OptionKind::kResolution, options.resolution},
                                               {OptionKind::kPaperQuality, options.paper_quality},
                                               {OptionKind::kTextQuality, options.text_quality},
                                               {OptionKind::kImageControl, options.image_control}};
  for (const auto& [kind, position] : chosen) {
    const size_t count = List(ListOffsetOfSlot(model(), ListSlot(kind))).size();
    // Every job needs a resolution: without one no row has a place, and
    // RowStep could not answer.
    if (count == 0 && kind == OptionKind::kResolution) {
      if (error != nullptr) *error = "the printer offers no resolution";
      return false;
    }
    // Any other kind the model does not offer takes no choice.
    if (count == 0) continue;
    if (Choose(kind, position) < 0) {
      if (error != nullptr) {
        *error = std::string(names::KindName(kind)) + " " + std::to_string(position) + " does not exist: the printer has " +
                 (count == 0 ? std::string("none") : "1 to " + std::to_string(count));
      }
      return false;
    }
  }
  return true;
}

void PrinterTable::Require(const Positions& options) const {
  std::string error;
  if (!CheckOptions(options, &error)) throw std::invalid_argument(error);
}

std::vector<uint8_t> PrinterTable::CommandAt(int order_position, const Positions& options) const {
  auto bytes_of = [this](uint16_t ocd) {
    const CommandDescriptor* cd = Command(ocd);
    return cd == nullptr ? std::vector<uint8_t>() : cd->bytes;
  };
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  // Choose() gives -1 for a kind the model does not offer: nothing to send.
  int record = -1;
  switch (order_position) {
    case gpc::PC_ORD_BEGINDOC:
      return page < 0 ? std::vector<uint8_t>() : bytes_of(page_controls_[page].rgocd[gpc::PC_OCD_BEGIN_DOC]);
    case gpc::PC_ORD_BEGINPAGE:
      return page < 0 ? std::vector<uint8_t>() : bytes_of(page_controls_[page].rgocd[gpc::PC_OCD_BEGIN_PAGE]);
    case gpc::PC_ORD_TEXTQUALITY:
      record = Choose(OptionKind::kTextQuality, options.text_quality);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(text_qualities_[record].ocdSelect);
    case gpc::PC_ORD_PAPER_QUALITY:
      record = Choose(OptionKind::kPaperQuality, options.paper_quality);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(paper_qualities_[record].ocdSelect);
    case gpc::PC_ORD_RESOLUTION:
      record = Choose(OptionKind::kResolution, options.resolution);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(resolutions_[record].rgocd[gpc::RES_OCD_SELECTRES]);
    case gpc::PC_ORD_IMAGECONTROL:
      record = Choose(OptionKind::kImageControl, options.image_control);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(image_controls_[record].ocdSelect);
    case gpc::PC_ORD_PAPER_SIZE:
      // Paper size is not among the job options: the model's default.
      record = Choose(OptionKind::kPaperSize, DefaultPosition(OptionKind::kPaperSize));
      return record < 0 ? std::vector<uint8_t>() : bytes_of(paper_sizes_[record].ocdSelect);
    case gpc::PC_ORD_SETCOLORMODE: {
      const std::vector<uint16_t> colours = List(model().rgoi[gpc::MD_OI_COLOR]);
      if (colours.empty()) return {};
      const uint16_t chosen = defaults_[gpc::MD_OI_COLOR];
      const uint16_t colour = colours[chosen == 0 ? 0 : chosen - 1];
      return bytes_of(dev_colors_[colour - 1].rgocd[gpc::DC_OCD_SETCOLORMODE]);
    }
    default:
      // Print density and positions for features this printer lacks have
      // no records, hence nothing to send.
      return {};
  }
}

std::vector<uint8_t> PrinterTable::JobSetup(const Positions& options) const {
  Require(options);
  std::vector<uint8_t> out;
  for (uint16_t position : OrderList()) {
    if (position == gpc::PC_ORD_BEGINPAGE) break;
    Append(&out, CommandAt(position, options));
  }
  return out;
}

std::vector<uint8_t> PrinterTable::PageStart(const Positions& options) const {
  Require(options);
  std::vector<uint8_t> out = CommandAt(gpc::PC_ORD_BEGINPAGE, options);
  bool after_begin_page = false;
  for (uint16_t position : OrderList()) {
    if (after_begin_page) Append(&out, CommandAt(position, options));
    after_begin_page = after_begin_page || position == gpc::PC_ORD_BEGINPAGE;
  }
  return out;
}

std::vector<uint8_t> PrinterTable::PageEnd() const {
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  const CommandDescriptor* cd = page < 0 ? nullptr : Command(page_controls_[page].rgocd[gpc::PC_OCD_ENDPAGE]);
  return cd == nullptr ? std::vector<uint8_t>() : cd->bytes;
}

std::vector<uint8_t> PrinterTable::JobEnd() const {
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  const CommandDescriptor* cd = page < 0 ? nullptr : Command(page_controls_[page].rgocd[gpc::PC_OCD_ENDDOC]);
  return cd == nullptr ? std::vector<uint8_t>() : cd->bytes;
}

std::vector<uint8_t> PrinterTable::MoveToRow(int32_t y) const {
  if (y < 0) throw std::invalid_argument("row position " + std::to_string(y) + " is above the page");
  const int16_t cursor = model().rgi[gpc::MD_I_CURSORMOVE];
  const CommandDescriptor* cd = cursor < 0 ? nullptr : Command(cursor_moves_[cursor].rgocd[gpc::CM_OCD_YM_ABS]);
  if (cd == nullptr) return {};
  std::vector<uint8_t> out;
  const std::string digits = std::to_string(y);
  const std::vector<uint8_t>& text = cd->bytes;
  bool replaced = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!replaced && text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'd') {
      out.insert(out.end(), digits.begin(), digits.end());
      replaced = true;
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

int32_t PrinterTable::RowStep(const Positions& options) const {
  Require(options);
  const int record = Choose(OptionKind::kResolution, options.resolution);
  if (record < 0) throw std::invalid_argument("the table offers no resolution");
  return resolutions_[record].ptTextScale.y;
}

int32_t PrinterTable::PageRows(const page::JobOptions& options) const {
  const int32_t step = RowStep(options);
  if (paper_sizes_.empty()) throw std::invalid_argument("the table has no paper size");
  return paper_sizes_[0].ptSize.y / step;
}

std::vector<OptionChoice> PrinterTable::Options(OptionKind kind, const StringLookup& strings) const {
  std::vector<OptionChoice> choices;
  const std::vector<uint16_t> list = List(ListOffsetOfSlot(model(), ListSlot(kind)));
  for (size_t i = 0; i < list.size(); ++i) {
    OptionChoice choice;
    choice.position = static_cast<int>(i + 1);
    choice.record = list[i];
    const size_t r = list[i] - 1u;
    uint16_t ocd = gpc::NOOCD;
    switch (kind) {
      case OptionKind::kResolution:
        choice.string_id = resolutions_[r].sIDS;
        ocd = resolutions_[r].rgocd[gpc::RES_OCD_SELECTRES];
        break;
      case OptionKind::kPaperSize:
        choice.string_id = paper_sizes_[r].sPaperSizeID;
        ocd = paper_sizes_[r].ocdSelect;
        break;
      case OptionKind::kPaperQuality:
        choice.string_id = paper_qualities_[r].sPaperQualID;
        ocd = paper_qualities_[r].ocdSelect;
        break;
      case OptionKind::kPaperSource:
        choice.string_id = paper_sources_[r].sPaperSourceID;
        ocd = paper_sources_[r].ocdSelect;
        break;
      case OptionKind::kTextQuality:
        choice.string_id = text_qualities_[r].sID;
        ocd = text_qualities_[r].ocdSelect;
        break;
      case OptionKind::kImageControl:
        choice.string_id = image_controls_[r].sID;
        ocd = image_controls_[r].ocdSelect;
        break;
    }
    if (strings) choice.name = strings(choice.string_id);
    if (const CommandDescriptor* cd = Command(ocd)) choice.command = cd->bytes;
    choices.push_back(std::move(choice));
  }
  return choices;
}

}  // namespace tables
