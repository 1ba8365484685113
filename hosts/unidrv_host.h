// A stand-in for Unidrv, the Windows 2000/XP universal printer driver, as
// far as the rendering plug-in sees it.
//
// It loads the plug-in module by path, creates the plug-in through its class
// factory, publishes its own helper interface, enables the driver and a PDEV
// with its own (recording) DDI functions, makes the page's DDI calls through
// the plug-in's hooks, hands every page to ImageProcessing as one band, and
// takes everything down again in Unidrv's order. The job it writes is the
// printer description's job setup, the plug-in's bands and the job end.
#ifndef QUILLORY2_HOSTS_UNIDRV_HOST_H_
#define QUILLORY2_HOSTS_UNIDRV_HOST_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "hosts/unidrv_module.h"
#include "page/ink_page.h"
#include "page/job_options.h"
#include "platform/windows_types.h"

namespace hosts {

struct UnidrvJobSettings {
  // Resolution, media, the OFF/ON option and image control go into the job
  // setup; the disc type is the option selected for the feature "DISCTYPE".
  page::JobOptions options;
  bool landscape = false;
};

// What happened during a job, one line per call, for listings and tests.
struct UnidrvTrace {
  std::vector<std::string> events;
};

// Renders pages as a job through the plug-in module at module_path. Every
// page must have the chosen resolution and at most the disc area's rows.
// Returns false with a message when a page does not, the module cannot be
// loaded, refuses a step, or
// breaks the plug-in contract (wrong signature, band changed or not handed
// back, references left behind, module not unloadable at the end); job then
// holds what was written so far.
bool RenderUnidrvJob(const std::string& module_path, const std::vector<page::InkPage>& pages,
                     const UnidrvJobSettings& settings, std::vector<uint8_t>* job,
                     std::string* error, UnidrvTrace* trace = nullptr);

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_UNIDRV_HOST_H_
