// The printer description table read the way the NT 4.0 host driver reads
// it, and what the host driver sends to the printer for a job: the job setup
// for the chosen options, the page start, the job end and the vertical moves.
//
// Parse() (table_parser.cpp) checks every offset, length and list before
// anything is used, so a damaged table is refused with a message and nothing
// ever reads outside the bytes it was given. The queries (job_commands.cpp)
// then read only what Parse() checked.
//
// Options come in two forms. Front ends give page::JobOptions, named values.
// The table's own lists are chosen by 1-based position; Positions is that
// form, used inside this layer and by its tests and dump.
#ifndef QUILLORY2_TABLES_PRINTER_TABLE_H_
#define QUILLORY2_TABLES_PRINTER_TABLE_H_

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "page/job_options.h"
#include "tables/gpc_format.h"

namespace tables {

// The user's choices, each a 1-based position in the model's list of that
// kind (for this printer the same as the record number).
struct Positions {
  int resolution = 2;     // 1: 300 x 300 "%d x 300 DPI ", 2: 300 across x 600 down "600 x 300 DPI "
  int paper_quality = 1;  // 1 "Regular", 2 "Matte"
  int text_quality = 1;   // 1 "OFF", 2 "ON"
  int image_control = 1;  // 1 "AUTO", k: option k - 1
};

// Where the generator puts each named value in its lists. The disc type and
// the colour mode are not table choices: the band encoder takes them.
Positions PositionsOf(const page::JobOptions& options);

// The kinds of choice the model offers the user.
enum class OptionKind { kResolution, kPaperSize, kPaperQuality, kPaperSource, kTextQuality, kImageControl };

// A command descriptor read from the heap.
struct CommandDescriptor {
  uint16_t offset = 0;  // heap offset
  uint8_t general = 0;
  std::vector<uint8_t> bytes;
};

// One entry of a model's option list.
struct OptionChoice {
  int position = 0;   // 1-based position in the list: the Positions value
  int record = 0;     // 1-based record number
  int string_id = 0;  // id of the name in the string table
  std::string name;   // the name, empty when no strings were given
  std::vector<uint8_t> command;  // the select command, empty for none
};

// Hands the reader the text of a string id ("" when there is none).
using StringLookup = std::function<std::string(int id)>;

class PrinterTable {
 public:
  // Parses and checks a whole table. Returns nothing, and a message in
  // *error, for a damaged table: wrong magic or version, a size that differs
  // from dwFileSize, records or lists or descriptors outside the table,
  // record sizes other than the format's, lists without their 0 end, record
  // numbers outside their kind, record kinds or command features (callbacks,
  // parameter records) this reader does not know.
  static std::optional<PrinterTable> Parse(const uint8_t* data, size_t size, std::string* error);

  // The model's defaults (its default list).
  Positions DefaultPositions() const;
  // True when every choice lies within the model's lists; else a message.
  bool CheckOptions(const Positions& options, std::string* error) const;
  bool CheckOptions(const page::JobOptions& options, std::string* error) const {
    return CheckOptions(PositionsOf(options), error);
  }

  // The commands of the order list before begin page, each for the chosen
  // option (an option without a command adds nothing). Throws
  // std::invalid_argument for options that CheckOptions refuses; so do
  // PageStart and RowStep.
  std::vector<uint8_t> JobSetup(const Positions& options) const;
  std::vector<uint8_t> JobSetup(const page::JobOptions& options) const {
    return JobSetup(PositionsOf(options));
  }
  // The begin-page command and any order positions after it: what starts
  // every page.
  std::vector<uint8_t> PageStart(const Positions& options) const;
  std::vector<uint8_t> PageStart(const page::JobOptions& options) const {
    return PageStart(PositionsOf(options));
  }
  // The end-page command (this printer has none).
  std::vector<uint8_t> PageEnd() const;
  // The end-document command.
  std::vector<uint8_t> JobEnd() const;
  // The absolute vertical move to y (1/600 inch, y >= 0; a negative y throws
  // std::invalid_argument): "%d" of the command replaced by the decimal
  // digits of y. Empty when the table has no such command.
  std::vector<uint8_t> MoveToRow(int32_t y) const;
  // Vertical master units a rendered row advances at the chosen resolution.
  int32_t RowStep(const Positions& options) const;
  int32_t RowStep(const page::JobOptions& options) const { return RowStep(PositionsOf(options)); }
  // Rows the host driver renders for the paper at the chosen resolution: the
  // paper's length over the row step. Throws as RowStep does, and
  // std::invalid_argument when the table has no paper size.
  int32_t PageRows(const page::JobOptions& options) const;

  // The choices of one kind in list order, named through strings if given.
  std::vector<OptionChoice> Options(OptionKind kind, const StringLookup& strings = nullptr) const;

  // The parsed records and heap content.
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  const gpc::DataHeader& header() const { return header_; }
  const gpc::ModelData& model() const { return models_[0]; }
  const std::vector<gpc::ModelData>& models() const { return models_; }
  const std::vector<gpc::Resolution>& resolutions() const { return resolutions_; }
  const std::vector<gpc::PaperSize>& paper_sizes() const { return paper_sizes_; }
  const std::vector<gpc::PaperQuality>& paper_qualities() const { return paper_qualities_; }
  const std::vector<gpc::PaperSource>& paper_sources() const { return paper_sources_; }
  const std::vector<gpc::TextQuality>& text_qualities() const { return text_qualities_; }
  const std::vector<gpc::CompressMode>& compress_modes() const { return compress_modes_; }
  const std::vector<gpc::PageControl>& page_controls() const { return page_controls_; }
  const std::vector<gpc::CursorMove>& cursor_moves() const { return cursor_moves_; }
  const std::vector<gpc::DevColor>& dev_colors() const { return dev_colors_; }
  const std::vector<gpc::ImageControl>& image_controls() const { return image_controls_; }
  size_t heap_size() const { return bytes_.size() - header_.loHeap; }

  // Index list at a heap offset, without its 0 end; empty for offset 0.
  std::vector<uint16_t> List(uint16_t heap_offset) const;
  // The default list: one word per rgoi and rgoi2 slot.
  const std::vector<uint16_t>& DefaultList() const { return defaults_; }
  // The page control order list.
  std::vector<uint16_t> OrderList() const;
  // The DEVCOLOR plane commands (sPlanes OCDs).
  const std::vector<uint16_t>& PlaneCommands() const { return plane_ocds_; }
  // The descriptor an OCD points at; nullptr for NOOCD.
  const CommandDescriptor* Command(uint16_t ocd) const;
  // Every descriptor the records point at, by heap offset.
  const std::map<uint16_t, CommandDescriptor>& commands() const { return commands_; }

 private:
  friend class TableParser;
  PrinterTable() = default;

  int ListSlot(OptionKind kind) const;
  int Choose(OptionKind kind, int position) const;  // 0-based record, or -1
  int DefaultPosition(OptionKind kind) const;
  std::vector<uint8_t> CommandAt(int order_position, const Positions& options) const;
  void Require(const Positions& options) const;

  std::vector<uint8_t> bytes_;
  gpc::DataHeader header_;
  std::vector<gpc::ModelData> models_;
  std::vector<gpc::Resolution> resolutions_;
  std::vector<gpc::PaperSize> paper_sizes_;
  std::vector<gpc::PaperQuality> paper_qualities_;
  std::vector<gpc::PaperSource> paper_sources_;
  std::vector<gpc::TextQuality> text_qualities_;
  std::vector<gpc::CompressMode> compress_modes_;
  std::vector<gpc::PageControl> page_controls_;
  std::vector<gpc::CursorMove> cursor_moves_;
  std::vector<gpc::DevColor> dev_colors_;
  std::vector<gpc::ImageControl> image_controls_;
  std::map<uint16_t, std::vector<uint16_t>> lists_;
  std::vector<uint16_t> defaults_;
  std::vector<uint16_t> plane_ocds_;
  std::map<uint16_t, CommandDescriptor> commands_;
};

}  // namespace tables

#endif  // QUILLORY2_TABLES_PRINTER_TABLE_H_
