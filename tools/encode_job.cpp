#include "tools/encode_job.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <limits.h>
#include <unistd.h>
#endif

#include "hosts/nt4_host.h"
#include "hosts/unidrv_host.h"
#include "tools/job_options.h"

namespace tools {

std::string ProgramDirectory() {
#ifdef _WIN32
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string p(path, n);
#else
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  std::string p(path, static_cast<size_t>(n));
#endif
  size_t slash = p.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

std::string ModuleFileName(Driver driver) {
#ifdef _WIN32
  return driver == Driver::kPlugin ? "QUILRY2UNI.DLL" : "QUILRY2.DLL";
#else
  return driver == Driver::kPlugin ? "libquilry2uni.so" : "libquilry2.so";
#endif
}

std::string DefaultModulePath(Driver driver) {
  std::string dir = ProgramDirectory();
  if (dir.empty()) dir = ".";
  return dir + "/../lib/" + ModuleFileName(driver);
}

bool CheckEncodeSettings(const std::vector<hosts::InkPage>& pages, const EncodeSettings& settings,
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
    if (settings.disc_type != "DISC_S") {
      *error = "the centre-band disc type is a plug-in feature; use --driver plugin";
      return false;
    }
    if (pages.size() > 1 && pages[0].colour) {
      *error = "the minidriver prints one colour page per load; print the pages one at a time";
      return false;
    }
  }
  for (const hosts::InkPage& page : pages) {
    if (page.rows_per_inch != RowsPerInch(settings.options.resolution)) {
      *error = "the page has " + std::to_string(page.rows_per_inch) + " rows per inch but " +
               ResolutionName(settings.options.resolution) + " was chosen";
      return false;
    }
  }
  return true;
}

bool EncodeJob(const std::vector<hosts::InkPage>& pages, const EncodeSettings& settings,
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
    s.disc_type = settings.disc_type;
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
