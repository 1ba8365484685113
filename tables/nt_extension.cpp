#include "tables/nt_extension.h"

#include "tables/table_names.h"

namespace tables {

using names::Hex;

std::optional<NtExtTable> NtExtTable::Parse(const uint8_t* data, size_t size, std::string* error) {
  auto fail = [error](const std::string& message) {
    if (error != nullptr) *error = message;
    return std::nullopt;
  };
  if (data == nullptr || size < static_cast<size_t>(ntext::Header::kSize)) {
    return fail("the NT extension table is " + std::to_string(size) + " bytes, shorter than its " +
                std::to_string(ntext::Header::kSize) + "-byte header");
  }
  NtExtTable table;
  table.header = gpc::LoadRecord<ntext::Header>(data);
  const ntext::Header& h = table.header;
  if (h.dwIdent != ntext::kIdent) return fail("bad identifier " + Hex(h.dwIdent, 8) + ": the table starts with \">nt<\"");
  if (h.dwVersion != ntext::kVersion) return fail("NT extension table version " + std::to_string(h.dwVersion) + " is not 1");
  if (h.cjThis != ntext::Header::kSize) {
    return fail("the NT extension header gives its size as " + std::to_string(h.cjThis) + ", not " +
                std::to_string(ntext::Header::kSize));
  }
  if (h.cModels < 1) return fail("the NT extension table has no model");
  if (h.cOffsetsPerModel < 2 || h.cOffsetsPerModel > ntext::kOffsetsPerModel) {
    return fail("the NT extension table gives " + std::to_string(h.cOffsetsPerModel) +
                " offsets per model; this reader reads 2 to 4");
  }
  // Each block starts with its size and version words; both must agree with
  // the block this reader expects and the block must fit in the table.
  auto block = [&](uint16_t offset, int expected_size, const char* what) -> std::string {
    if (offset < ntext::Header::kSize || offset > size || size - offset < 4) {
      return std::string("the ") + what + " offset " + std::to_string(offset) + " lies outside the table (" +
             std::to_string(size) + " bytes)";
    }
    const uint16_t cj = gpc::GetWord(data + offset);
    const uint16_t version = gpc::GetWord(data + offset + 2);
    if (cj != expected_size || version != 1) {
      return std::string("the ") + what + " at " + std::to_string(offset) + " gives size " + std::to_string(cj) +
             " and version " + std::to_string(version) + ", not " + std::to_string(expected_size) + " and 1";
    }
    if (size - offset < static_cast<size_t>(expected_size)) {
      return std::string("the ") + what + " at " + std::to_string(offset) + " runs past the end of the table";
    }
    return std::string();
  };
  const uint16_t colour_at = h.rgoBlocks[ntext::kColorBlockSlot];
  const uint16_t halftone_at = h.rgoBlocks[ntext::kHalftoneBlockSlot];
  std::string problem = block(colour_at, ntext::ColorBlock::kSize, "colour block");
  if (problem.empty()) problem = block(halftone_at, ntext::HalftoneBlock::kSize, "halftone block");
  if (!problem.empty()) return fail(problem);
  table.colour = gpc::LoadRecord<ntext::ColorBlock>(data + colour_at);
  table.halftone = gpc::LoadRecord<ntext::HalftoneBlock>(data + halftone_at);
  return table;
}

}  // namespace tables
