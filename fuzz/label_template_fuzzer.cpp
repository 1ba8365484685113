// Fuzzes the label template reader, which reads templates from anyone: the
// tool, the printer application's web page and IPP clients.
//
// A template that reads must write back as JSON that reads again to the
// same template; one that does not read must say why. A CUE sheet it holds
// goes through the CUE reader too.
#include <string>

#include "designer/cue_sheet.h"
#include "designer/label_template.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  designer::LabelTemplate label;
  std::string error;
  if (!designer::ReadTemplate(data, size, &label, &error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  const std::string written = designer::WriteTemplate(label);
  designer::LabelTemplate again;
  FUZZ_CHECK(designer::ReadTemplate(written, &again, &error));
  FUZZ_CHECK(designer::WriteTemplate(again) == written);
  FUZZ_CHECK(label.arcs.size() <= designer::kMaxArcTexts && label.texts.size() <= designer::kMaxTextLines);
  if (!label.tracks.cue.empty()) {
    designer::CueSheet sheet;
    if (designer::ReadCueSheet(label.tracks.cue, &sheet, &error)) {
      FUZZ_CHECK(!sheet.tracks.empty() && sheet.tracks.size() <= 99);
      FUZZ_CHECK(designer::TrackEntries(sheet).size() == sheet.tracks.size());
    } else {
      FUZZ_CHECK(!error.empty());
    }
  }
  return 0;
}
