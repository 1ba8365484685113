#include "designer/cue_sheet.h"

#include <ctype.h>
#include <stdlib.h>

namespace designer {
namespace {

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// The argument of TITLE or PERFORMER: a quoted string, or the rest of the line.
bool Argument(const std::string& rest, std::string* out) {
  const std::string r = Trim(rest);
  if (r.empty() || r[0] != '"') {
    *out = r;
    return true;
  }
  const size_t close = r.find('"', 1);
  if (close == std::string::npos) return false;
  *out = r.substr(1, close - 1);
  return true;
}

}  // namespace

bool ReadCueSheet(const std::string& text, CueSheet* sheet, std::string* error) {
  *sheet = CueSheet{};
  size_t start = 0;
  int line_number = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    ++line_number;
    const size_t space = line.find_first_of(" \t");
    std::string command = line.substr(0, space);
    for (char& c : command) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    auto fail = [&](const std::string& why) {
      *error = "CUE sheet line " + std::to_string(line_number) + ": " + why;
      return false;
    };
    if (command == "TRACK") {
      char* after = nullptr;
      const long n = strtol(rest.c_str(), &after, 10);
      if (after == rest.c_str() || n < 1 || n > 99) return fail("a track number runs from 1 to 99");
      if (!sheet->tracks.empty() && n <= sheet->tracks.back().number) return fail("track numbers must rise");
      sheet->tracks.push_back(CueTrack{static_cast<int>(n), "", ""});
    } else if (command == "TITLE" || command == "PERFORMER") {
      std::string value;
      if (!Argument(rest, &value)) return fail("a quote is left open");
      std::string& field = sheet->tracks.empty() ? (command == "TITLE" ? sheet->title : sheet->performer)
                                                 : (command == "TITLE" ? sheet->tracks.back().title
                                                                       : sheet->tracks.back().performer);
      field = value;
    }
  }
  if (sheet->tracks.empty()) {
    *error = "the CUE sheet has no TRACK entries";
    return false;
  }
  return true;
}

std::vector<std::string> TrackEntries(const CueSheet& sheet) {
  std::vector<std::string> entries;
  for (const CueTrack& t : sheet.tracks) {
    std::string line = std::to_string(t.number) + ". " + (t.title.empty() ? "Track " + std::to_string(t.number) : t.title);
    if (!t.performer.empty() && t.performer != sheet.performer) line += " \u2013 " + t.performer;
    entries.push_back(line);
  }
  return entries;
}

}  // namespace designer
