// Fuzzes the printer description table reader and the NT extension table
// reader with arbitrary tables (the seeds are the built tables).
//
// A table the reader accepts must be usable throughout: every option of its
// lists can be chosen, the job commands for any checked choice come out, and
// what they send reads back as a stream whose commands account for every
// byte. A choice the reader refuses must be refused with
// std::invalid_argument, and nothing else.
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "stream/decoder.h"
#include "tables/nt_extension.h"
#include "tables/printer_table.h"
#include "tables/table_dump.h"

namespace {

void CheckStream(const std::vector<uint8_t>& bytes) {
  const stream::DecodedStream decoded = stream::Decode(bytes.data(), bytes.size());
  size_t covered = 0;
  for (const stream::Command& command : decoded.commands) {
    FUZZ_CHECK(command.offset == covered);
    covered += command.length;
  }
  FUZZ_CHECK(covered == bytes.size());
}

void UseTable(const tables::PrinterTable& table, fuzzing::FuzzInput* in) {
  const tables::Positions defaults = table.DefaultPositions();
  std::string error;
  const bool defaults_ok = table.CheckOptions(defaults, &error);
  for (tables::OptionKind kind :
       {tables::OptionKind::kResolution, tables::OptionKind::kPaperSize, tables::OptionKind::kPaperQuality,
        tables::OptionKind::kPaperSource, tables::OptionKind::kTextQuality, tables::OptionKind::kImageControl}) {
    (void)table.Options(kind, [](int id) { return "s" + std::to_string(id); });
  }
  (void)tables::DescribeTables(table, nullptr, nullptr);

  // The defaults, then choices from the input, valid or not.
  for (int round = 0; round < 4; ++round) {
    tables::Positions options = defaults;
    if (round > 0) {
      options.resolution = static_cast<int8_t>(in->Byte());
      options.paper_quality = static_cast<int8_t>(in->Byte());
      options.text_quality = static_cast<int8_t>(in->Byte());
      options.image_control = static_cast<int16_t>(in->U16());
    }
    const bool ok = round == 0 ? defaults_ok : table.CheckOptions(options, &error);
    std::vector<uint8_t> job;
    try {
      job = table.JobSetup(options);
      const std::vector<uint8_t> page = table.PageStart(options);
      job.insert(job.end(), page.begin(), page.end());
      FUZZ_CHECK(table.RowStep(options) > 0);
      FUZZ_CHECK(ok);
    } catch (const std::invalid_argument&) {
      FUZZ_CHECK(!ok);
      continue;
    }
    const std::vector<uint8_t> move = table.MoveToRow(static_cast<int32_t>(in->U32() & 0x7FFFFFFF));
    job.insert(job.end(), move.begin(), move.end());
    const std::vector<uint8_t> end = table.JobEnd();
    job.insert(job.end(), end.begin(), end.end());
    CheckStream(job);
  }
  try {
    (void)table.MoveToRow(-1);
    FUZZ_CHECK(false);  // a negative row is refused
  } catch (const std::invalid_argument&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  const uint8_t kind = in.Byte();
  const size_t table_size = in.U16();
  const std::vector<uint8_t> table_bytes = in.Bytes(table_size);
  std::string error;
  if (kind & 1) {
    const auto ext = tables::NtExtTable::Parse(table_bytes.data(), table_bytes.size(), &error);
    FUZZ_CHECK(ext.has_value() || !error.empty());
    return 0;
  }
  const auto table = tables::PrinterTable::Parse(table_bytes.data(), table_bytes.size(), &error);
  if (!table) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(table->bytes().size() == table_bytes.size());
  UseTable(*table, &in);
  return 0;
}
