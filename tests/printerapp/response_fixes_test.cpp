// What the program adds to PAPPL's responses: job-state-reasons for a held
// job, in its own group, an attribute listed twice kept once, and every
// other attribute and group kept in order.
#include "printerapp/response_fixes.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

namespace {

void AddJob(ipp_t* response, int id, ipp_jstate_t state, const char* reasons) {
  ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", id);
  ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", state);
  if (reasons != nullptr) {
    ippAddString(response, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-state-reasons", nullptr, reasons);
  }
}

// "group:name=value" for each attribute, "|" for a separator.
std::string Listing(ipp_t* response) {
  std::string out;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr; a = ippNextAttribute(response)) {
    if (ippGetName(a) == nullptr) {
      out += "| ";
      continue;
    }
    char value[256];
    ippAttributeString(a, value, sizeof value);
    out += std::string(ippTagString(ippGetGroupTag(a))) + ":" + ippGetName(a) + "=" + value + " ";
  }
  return out;
}

TEST(ResponseFixes, HeldJobsGetTheirReasonInTheirOwnGroup) {
  ipp_t* response = ippNew();
  ippAddString(response, IPP_TAG_OPERATION, IPP_TAG_CHARSET, "attributes-charset", nullptr, "utf-8");
  AddJob(response, 1, IPP_JSTATE_HELD, nullptr);
  ippAddSeparator(response);
  AddJob(response, 2, IPP_JSTATE_COMPLETED, "job-completed-successfully");
  ippAddSeparator(response);
  // A job kept over a restart: its saved job-uri, then the current one.
  ippAddString(response, IPP_TAG_JOB, IPP_TAG_URI, "job-uri", nullptr, "ipps://old/3");
  AddJob(response, 3, IPP_JSTATE_HELD, nullptr);
  ippAddString(response, IPP_TAG_JOB, IPP_TAG_URI, "job-uri", nullptr, "ipp://localhost/3");
  EXPECT_EQ(printerapp::AddMissingJobStateReasons(response), 2);
  EXPECT_EQ(Listing(response),
            "operation-attributes-tag:attributes-charset=utf-8 "
            "job-attributes-tag:job-id=1 job-attributes-tag:job-state=pending-held "
            "job-attributes-tag:job-state-reasons=job-hold-until-specified | "
            "job-attributes-tag:job-id=2 job-attributes-tag:job-state=completed "
            "job-attributes-tag:job-state-reasons=job-completed-successfully | "
            "job-attributes-tag:job-id=3 job-attributes-tag:job-state=pending-held "
            "job-attributes-tag:job-uri=ipp://localhost/3 "
            "job-attributes-tag:job-state-reasons=job-hold-until-specified ");
  // A response with nothing missing is left as it is.
  const std::string mended = Listing(response);
  EXPECT_EQ(printerapp::AddMissingJobStateReasons(response), 0);
  EXPECT_EQ(Listing(response), mended);
  ippDelete(response);
}

}  // namespace
