#include "stream/describe.h"

#include <algorithm>

namespace stream {

const char* KindName(CommandKind kind) {
  using K = CommandKind;
  switch (kind) {
    case K::kPlaneStart: return "plane start";
    case K::kPackingMode: return "packing mode";
    case K::kRowPosition: return "row position";
    case K::kColumnPosition: return "column position";
    case K::kRasterTransfer: return "raster transfer";
    case K::kBeginDocument: return "begin document";
    case K::kEndDocument: return "end document";
    case K::kOnOption: return "ON option";
    case K::kMediaSelect: return "media select";
    case K::kResolutionSelect: return "resolution select";
    case K::kImageControl: return "image control";
    case K::kTraySelect: return "tray select";
    case K::kUnknown: return "unknown command";
    case K::kMalformed: return "malformed command";
    case K::kStrayBytes: return "stray bytes";
  }
  return "?";
}

std::string Meaning(const Command& c) {
  using K = CommandKind;
  switch (c.kind) {
    case K::kPackingMode: return c.packed ? "packed mode" : "plain mode";
    case K::kMediaSelect: return c.parameter == 0 ? "media Regular" : "media Matte";
    case K::kResolutionSelect: return "resolution " + std::to_string(c.parameter);
    case K::kImageControl:
      return "image control " + (c.parameter == 0 ? std::string("AUTO") : std::to_string((c.parameter - 500) / 20));
    case K::kUnknown: return "unknown";
    case K::kMalformed: return "malformed";
    default: return KindName(c.kind);
  }
}

std::string DescribeCommand(const Command& c) {
  std::string text = KindName(c.kind);
  switch (c.kind) {
    case CommandKind::kRowPosition:
      text += ": row address " + std::to_string(c.parameter) + (c.has_parameter ? "" : " (no digits)");
      break;
    case CommandKind::kColumnPosition:
      text += ": dot column " + std::to_string(c.parameter);
      break;
    case CommandKind::kRasterTransfer:
      text += ": " + std::to_string(c.parameter) + " bytes " + (c.packed ? "packed" : "plain") + ", row " +
              std::to_string(c.row_address);
      if (!c.packed && c.column >= 0) text += ", column " + std::to_string(c.column);
      if (c.first_dot >= 0) {
        text += ", dots " + std::to_string(c.first_dot) + ".." + std::to_string(c.last_dot);
      } else {
        text += ", no dots";
      }
      if (c.data_length < static_cast<size_t>(std::max<int64_t>(0, c.parameter))) {
        text += " (cut short: " + std::to_string(c.data_length) + " data bytes)";
      }
      break;
    default: {
      const std::string meaning = Meaning(c);
      if (meaning != text) text += ": " + meaning;
      break;
    }
  }
  return text;
}

}  // namespace stream
