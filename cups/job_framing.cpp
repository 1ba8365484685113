#include "cups/job_framing.h"

#include "minidrv/tables/built_tables.h"

namespace cupsdrv {

tables::JobOptions ToTableOptions(const JobChoices& choices) {
  tables::JobOptions options;
  options.resolution = choices.resolution;
  options.paper_quality = choices.paper_quality;
  options.text_quality = choices.text_quality;
  options.image_control = choices.image_control;
  return options;
}

bool JobFraming::Load(std::string* error) {
  const auto built = tables::BuiltGpcTable();
  table_ = tables::PrinterTable::Parse(built.data, built.size, error);
  return table_.has_value();
}

bool JobFraming::AppendJobSetup(const JobChoices& choices, std::vector<uint8_t>* out) const {
  if (!table_) return false;
  const tables::JobOptions options = ToTableOptions(choices);
  std::string error;
  if (!table_->CheckOptions(options, &error)) return false;
  const std::vector<uint8_t> setup = table_->JobSetup(options);
  out->insert(out->end(), setup.begin(), setup.end());
  return true;
}

void JobFraming::AppendJobEnd(std::vector<uint8_t>* out) const {
  if (!table_) return;
  const std::vector<uint8_t> end = table_->JobEnd();
  out->insert(out->end(), end.begin(), end.end());
}

}  // namespace cupsdrv
