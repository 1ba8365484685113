// Label templates as IPP documents (application/vnd.quillory2-label+json):
// read as strictly as `quillory2 design` reads them and drawn by the same
// designer, so a template printed here, from the web page or by any IPP
// client, makes the job `quillory2 design` makes with the same settings.
#include <string>
#include <vector>

#include "designer/label_template.h"
#include "designer/render.h"
#include "printerapp/document_filters.h"
#include "printerapp/job_settings.h"

namespace printerapp {

extern "C" bool PrintLabelTemplate(pappl_job_t* job, pappl_device_t* device, void* data) {
  return PrintPages(
      job, device,
      [job](const std::vector<uint8_t>& bytes, const JobSettings& settings, const pappl_pr_options_t&,
            std::vector<page::InkPage>* pages, std::string* error) {
        designer::LabelTemplate label;
        if (!designer::ReadTemplate(bytes.data(), bytes.size(), &label, error)) return false;
        // The disc and its ring are the template's; tone, ink limit and
        // rendering the job's.
        designer::Warnings warnings;
        pages->resize(1);
        if (!designer::DesignPage(label, settings.options, settings.layout, &(*pages)[0], &warnings, error)) {
          return false;
        }
        for (const std::string& w : warnings) papplLogJob(job, PAPPL_LOGLEVEL_WARN, "%s", w.c_str());
        if (!warnings.empty()) papplJobSetMessage(job, "%s", warnings[0].c_str());
        return true;
      },
      "The label template");
}

}  // namespace printerapp
