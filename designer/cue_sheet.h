// The parts of a CUE sheet a track list needs: the disc's TITLE and
// PERFORMER, and each TRACK with its own TITLE and PERFORMER. Every other
// command (FILE, INDEX, REM, ...) is passed over.
#ifndef QUILLORY2_DESIGNER_CUE_SHEET_H_
#define QUILLORY2_DESIGNER_CUE_SHEET_H_

#include <string>
#include <vector>

namespace designer {

struct CueTrack {
  int number = 0;
  std::string title, performer;
};

struct CueSheet {
  std::string title, performer;
  std::vector<CueTrack> tracks;
};

// False with a one-line reason (and its line number) for a sheet with no
// tracks, a track number out of 1..99 or out of order, or a quote left open.
bool ReadCueSheet(const std::string& text, CueSheet* sheet, std::string* error);

// One line per track: "1. Title", with " – Performer" where the track's
// performer differs from the disc's.
std::vector<std::string> TrackEntries(const CueSheet& sheet);

}  // namespace designer

#endif  // QUILLORY2_DESIGNER_CUE_SHEET_H_
