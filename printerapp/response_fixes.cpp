#include "printerapp/response_fixes.h"

#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace printerapp {
namespace {

struct JobGroup {
  bool held = false;
  bool has_reasons = false;
  std::map<std::string, size_t> last;  // each name's last position
  bool Mend() const { return held && !has_reasons; }
};

bool InJobGroup(ipp_attribute_t* a) {
  return ippGetGroupTag(a) == IPP_TAG_JOB && ippGetName(a) != nullptr;
}

}  // namespace

int AddMissingJobStateReasons(ipp_t* response) {
  if (response == nullptr) return 0;
  // First pass: what each job group has. Groups are runs of job attributes
  // between separators or other groups.
  std::vector<JobGroup> groups;
  bool in_job = false;
  bool duplicates = false;
  size_t at = 0;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr; a = ippNextAttribute(response), ++at) {
    const bool job = InJobGroup(a);
    if (job && !in_job) groups.emplace_back();
    in_job = job;
    if (!job) continue;
    JobGroup& g = groups.back();
    const char* name = ippGetName(a);
    if (strcmp(name, "job-state") == 0 && ippGetInteger(a, 0) == IPP_JSTATE_HELD) g.held = true;
    if (strcmp(name, "job-state-reasons") == 0) g.has_reasons = true;
    duplicates = duplicates || g.last.count(name) > 0;
    g.last[name] = at;
  }
  int missing = 0;
  for (const JobGroup& g : groups) missing += g.Mend();
  if (missing == 0 && !duplicates) return 0;

  // Second pass: the attributes again, in order, each mended group with its
  // reason at its end and an attribute listed twice only at its last place.
  // ipp_t appends only, so the response is rebuilt.
  ipp_t* rebuilt = ippNew();
  size_t group = 0;
  in_job = false;
  at = 0;
  auto end_group = [&] {
    if (!in_job) return;
    if (groups[group].Mend()) {
      ippAddString(rebuilt, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-state-reasons", nullptr,
                   "job-hold-until-specified");
    }
    ++group;
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr; a = ippNextAttribute(response), ++at) {
    const bool job = InJobGroup(a);
    if (!job) end_group();
    in_job = job;
    if (ippGetName(a) == nullptr) {
      ippAddSeparator(rebuilt);
    } else if (!job || groups[group].last[ippGetName(a)] == at) {
      ippCopyAttribute(rebuilt, a, 0);
    }
  }
  end_group();
  while (ipp_attribute_t* a = ippFirstAttribute(response)) ippDeleteAttribute(response, a);
  for (ipp_attribute_t* a = ippFirstAttribute(rebuilt); a != nullptr; a = ippNextAttribute(rebuilt)) {
    if (ippGetName(a) == nullptr) {
      ippAddSeparator(response);
    } else {
      ippCopyAttribute(response, a, 0);
    }
  }
  ippDelete(rebuilt);
  return missing;
}

}  // namespace printerapp
