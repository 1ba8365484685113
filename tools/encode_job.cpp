#include "tools/encode_job.h"

#include "hosts/module_path.h"
#include "hosts/nt4_host.h"
#include "hosts/unidrv_host.h"

namespace tools {

std::string ModuleFileName(Driver driver) {
  return driver == Driver::kPlugin ? hosts::PluginModuleName() : hosts::MinidriverModuleName();
}

std::string DefaultModulePath(Driver driver) {
  return hosts::ModuleBesideProgram(ModuleFileName(driver));
}

page::LineReach ComponentReach(Driver driver, bool colour) {
  if (driver == Driver::kPlugin) return page::kComponentReach;
  return page::LineReach{0, (colour ? hosts::kNt4ColourScanlineBytes : hosts::kNt4MonoScanlineMaxBytes) * 8};
}

bool CheckEncodeSettings(const std::vector<page::InkPage>& pages, const EncodeSettings& settings,
                         std::string* error) {
  if (pages.empty()) {
    *error = "there is no page to print";
    return false;
  }
  if (settings.driver == Driver::kMinidriver) {
    // The NT 4.0 host renders portrait scanlines only, and its printer
    // description has no disc type: the centre band is a plug-in feature.
    if (settings.landscape) {
      *error = "landscape bands are a plug-in feature; use --driver plugin";
      return false;
    }
    if (settings.options.disc_type != page::DiscType::kStandard) {
      *error = "the centre-band disc type is a plug-in feature; use --driver plugin";
      return false;
    }
    if (pages.size() > 1 && pages[0].colour) {
      *error = "the minidriver prints one colour page per load; print the pages one at a time";
      return false;
    }
  }
  for (const page::InkPage& page : pages) {
    if (page.rows_per_inch != settings.options.RowsPerInch()) {
      *error = "the page has " + std::to_string(page.rows_per_inch) + " rows per inch but " +
               page::ResolutionName(settings.options.resolution) + " was chosen";
      return false;
    }
  }
  return true;
}

bool EncodeJob(const std::vector<page::InkPage>& pages, const EncodeSettings& settings,
               std::vector<uint8_t>* job, std::string* error) {
  if (!CheckEncodeSettings(pages, settings, error)) return false;
  const std::string module =
      settings.module_path.empty() ? DefaultModulePath(settings.driver) : settings.module_path;
  job->clear();
  bool ok;
  if (settings.driver == Driver::kPlugin) {
    hosts::UnidrvJobSettings s;
    s.options = settings.options;
    s.landscape = settings.landscape;
    ok = hosts::RenderUnidrvJob(module, pages, s, job, error);
  } else {
    hosts::Nt4JobSettings s;
    s.options = settings.options;
    ok = hosts::RenderNt4Job(module, pages, s, job, error);
  }
  if (!ok) {
    const std::string which = settings.driver == Driver::kPlugin ? "plug-in" : "minidriver";
    *error = "the " + which + " (" + module + ") could not print the job: " + *error;
    job->clear();
  }
  return ok;
}

}  // namespace tools
