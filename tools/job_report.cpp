#include "tools/job_report.h"

#include <stdio.h>

#include <algorithm>

namespace tools {

namespace {

const char* KindName(stream::CommandKind kind) {
  using K = stream::CommandKind;
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

int CountDots(const std::vector<uint8_t>& row) {
  int n = 0;
  for (uint8_t b : row) n += __builtin_popcount(b);
  return n;
}

}  // namespace

std::string HexBytes(const uint8_t* data, size_t length, size_t max_shown) {
  std::string out;
  char hex[4];
  const size_t shown = std::min(length, max_shown);
  for (size_t i = 0; i < shown; ++i) {
    snprintf(hex, sizeof hex, i ? " %02X" : "%02X", data[i]);
    out += hex;
  }
  if (shown < length) out += " ... (+" + std::to_string(length - shown) + " bytes)";
  return out;
}

void WriteListing(const stream::DecodedStream& decoded, const uint8_t* data, size_t size, std::ostream& out) {
  char head[32];
  for (const stream::Command& c : decoded.commands) {
    const size_t length = c.offset <= size ? std::min(c.length, size - c.offset) : 0;
    snprintf(head, sizeof head, "%8zu  ", c.offset);
    out << head;
    // Transfers show their header and the first data bytes; the rest is
    // counted, not printed.
    std::string hex = HexBytes(data + c.offset, length, c.kind == stream::CommandKind::kRasterTransfer ? 16 : 24);
    out << hex;
    out << std::string(hex.size() < 48 ? 48 - hex.size() : 1, ' ');
    out << KindName(c.kind);
    switch (c.kind) {
      case stream::CommandKind::kRowPosition:
        out << ": row address " << c.parameter << (c.has_parameter ? "" : " (no digits)");
        break;
      case stream::CommandKind::kColumnPosition:
        out << ": dot column " << c.parameter;
        break;
      case stream::CommandKind::kRasterTransfer:
        out << ": " << c.parameter << " bytes " << (c.packed ? "packed" : "plain") << ", row " << c.row_address;
        if (!c.packed && c.column >= 0) out << ", column " << c.column;
        if (c.first_dot >= 0) out << ", dots " << c.first_dot << ".." << c.last_dot;
        else out << ", no dots";
        if (c.data_length < static_cast<size_t>(std::max<int64_t>(0, c.parameter))) {
          out << " (cut short: " << c.data_length << " data bytes)";
        }
        break;
      default:
        if (!c.meaning.empty() && c.meaning != KindName(c.kind)) out << ": " << c.meaning;
        break;
    }
    if (c.plane >= 0) out << "  {plane " << c.plane + 1 << "}";
    out << '\n';
  }
}

void WriteSummary(const stream::DecodedStream& d, size_t size, std::ostream& out) {
  out << "Job: " << size << " bytes, " << d.commands.size() << " commands, " << d.planes.size()
      << (d.planes.size() == 1 ? " plane" : " planes") << '\n';
  out << "Framing: begin document " << (d.has_begin_document ? "yes" : "no") << ", end document "
      << (d.has_end_document ? "yes" : "no") << '\n';
  out << "Options: resolution "
      << (d.resolution_rows_per_inch == 600   ? "600 x 300 DPI"
          : d.resolution_rows_per_inch == 300 ? "300 x 300 DPI"
                                              : "not given")
      << ", media " << (d.media.empty() ? "not given" : d.media) << ", ON option "
      << (d.on_option ? "ON" : "OFF") << ", image control "
      << (d.image_control.empty() ? "not given" : d.image_control) << ", tray select "
      << (d.has_tray_select ? "yes" : "no") << '\n';
  for (size_t i = 0; i < d.planes.size(); ++i) {
    const stream::Plane& p = d.planes[i];
    long dots = 0;
    for (const auto& row : p.rows) dots += CountDots(row.second);
    out << "Plane " << i + 1 << " at @" << p.offset << (p.implicit ? " (no plane start)" : "") << ": "
        << p.rows.size() << " rows";
    if (!p.rows.empty()) out << " (addresses " << p.rows.begin()->first << ".." << p.rows.rbegin()->first << ")";
    out << ", row step " << p.row_step << ", " << dots << " dots, " << p.transfers << " transfers, "
        << p.packed_bytes << " bytes packed, " << p.plain_bytes << " bytes plain\n";
  }
  if (d.problems.empty()) {
    out << "No problems: the printer reads this stream cleanly.\n";
  } else {
    out << d.problems.size() << (d.problems.size() == 1 ? " problem:\n" : " problems:\n");
    for (const stream::Problem& p : d.problems) out << "  @" << p.offset << ": " << p.message << '\n';
  }
}

DriverGuess GuessDriver(const stream::DecodedStream& decoded, const uint8_t* data, size_t size) {
  const int32_t mini = imaging::kMinidriverOriginDots;
  const auto& cmds = decoded.commands;
  for (const stream::Command& c : cmds) {
    if (c.kind == stream::CommandKind::kRasterTransfer && !c.packed && c.column >= 0 && c.data_length > 0 &&
        c.data_offset < size && data[c.data_offset] == 0) {
      return {Driver::kMinidriver, c.column,
              "a monochrome line sent plain from a zero byte at @" + std::to_string(c.offset)};
    }
  }
  for (size_t i = 0; i < cmds.size(); ++i) {
    if (cmds[i].kind == stream::CommandKind::kRowPosition && !cmds[i].has_parameter) {
      return {Driver::kMinidriver, mini, "a row position without digits at @" + std::to_string(cmds[i].offset)};
    }
    if (i >= 2 && cmds[i].kind == stream::CommandKind::kPackingMode && cmds[i].parameter == 0 &&
        cmds[i - 1].kind == stream::CommandKind::kPackingMode && cmds[i - 1].parameter == 0 &&
        cmds[i - 2].kind == stream::CommandKind::kPlaneStart) {
      return {Driver::kMinidriver, mini,
              "a repeated plain packing command after the plane start at @" + std::to_string(cmds[i - 2].offset)};
    }
  }
  for (const stream::Command& c : cmds) {
    if (c.kind == stream::CommandKind::kRasterTransfer && c.first_dot >= 0 && c.first_dot < imaging::kPluginOriginDots) {
      return {Driver::kMinidriver, mini, "dots left of printer dot 56 at @" + std::to_string(c.offset)};
    }
  }
  return {Driver::kPlugin, imaging::kPluginOriginDots, "nothing only the minidriver writes"};
}

int32_t OriginDots(Driver driver) {
  return driver == Driver::kPlugin ? imaging::kPluginOriginDots : imaging::kMinidriverOriginDots;
}

int32_t JobRowsPerInch(const stream::DecodedStream& decoded) {
  if (decoded.resolution_rows_per_inch == 300 || decoded.resolution_rows_per_inch == 600) {
    return decoded.resolution_rows_per_inch;
  }
  for (const stream::Plane& p : decoded.planes)
    for (const auto& row : p.rows)
      if (row.first & 1) return 600;
  return 300;
}

bool PagePlanes(const stream::DecodedStream& decoded, InkLayout layout, int page,
                std::vector<imaging::PrintedPlane>* planes, int* page_count, std::string* error) {
  const size_t n = decoded.planes.size();
  if (n == 0) {
    *error = "the job holds no plane: there is nothing to print";
    return false;
  }
  if (layout == InkLayout::kAuto) layout = n % 3 == 0 ? InkLayout::kColour : InkLayout::kMono;
  if (layout == InkLayout::kColour && n % 3 != 0) {
    *error = "the job holds " + std::to_string(n) + " planes, not three per colour page";
    return false;
  }
  const size_t per_page = layout == InkLayout::kColour ? 3 : 1;
  *page_count = static_cast<int>(n / per_page);
  if (page < 1 || page > *page_count) {
    *error = "the job has " + std::to_string(*page_count) + (*page_count == 1 ? " page" : " pages") +
             "; there is no page " + std::to_string(page);
    return false;
  }
  // Both drivers send a colour page yellow first, then magenta, then cyan.
  static const imaging::InkColour kColourOrder[3] = {imaging::InkColour::kYellow, imaging::InkColour::kMagenta,
                                                     imaging::InkColour::kCyan};
  planes->clear();
  for (size_t i = 0; i < per_page; ++i) {
    const stream::Plane& src = decoded.planes[(page - 1) * per_page + i];
    imaging::PrintedPlane p;
    p.ink = per_page == 3 ? kColourOrder[i] : imaging::InkColour::kBlack;
    p.rows = src.rows;
    planes->push_back(std::move(p));
  }
  return true;
}

}  // namespace tools
