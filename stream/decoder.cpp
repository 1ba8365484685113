#include "stream/decoder.h"

namespace stream {

bool Plane::Dot(int32_t row_address, int32_t dot) const {
  if (dot < 0 || dot >= kLineDots) return false;
  auto it = rows.find(row_address);
  if (it == rows.end()) return false;
  return (it->second[static_cast<size_t>(dot / 8)] >> (7 - dot % 8)) & 1;
}

DecodedStream Decode(const uint8_t* data, size_t size, const DecodeOptions& options) {
  DecodedStream result;
  if (size > 0) result.problems.push_back({0, "decoder not implemented yet"});
  return result;
}

std::string DescribeCommand(const Command& command) { return command.meaning; }

}  // namespace stream
