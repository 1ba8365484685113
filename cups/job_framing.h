// The job's framing commands, taken from the printer's characterization
// table: the begin-document and option commands for the chosen options at
// the start, the end-document command at the end. Pages bring their own
// plane start commands, so the begin-page command is not sent.
#ifndef QUILLORY2_CUPS_JOB_FRAMING_H_
#define QUILLORY2_CUPS_JOB_FRAMING_H_

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "cups/job_choices.h"
#include "minidrv/tables/table_reader.h"

namespace cupsdrv {

tables::JobOptions ToTableOptions(const JobChoices& choices);

class JobFraming {
 public:
  // Reads the table built into the program. False, with the reason, when it
  // cannot be read.
  bool Load(std::string* error);

  // Append the commands to *out. AppendJobSetup fails before Load and for
  // choices outside the table's lists.
  bool AppendJobSetup(const JobChoices& choices, std::vector<uint8_t>* out) const;
  void AppendJobEnd(std::vector<uint8_t>* out) const;

 private:
  std::optional<tables::PrinterTable> table_;
};

}  // namespace cupsdrv

#endif  // QUILLORY2_CUPS_JOB_FRAMING_H_
