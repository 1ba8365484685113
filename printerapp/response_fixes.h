// What PAPPL 1.3.1 leaves out of its IPP responses, added before they go
// out (web_hooks.cpp runs it after each printer and job request).
//
// A job held by job-hold-until has no job-state-reasons at all in 1.3.1's
// Print-Job, Create-Job, Get-Job-Attributes and Get-Jobs responses, though
// every job must report them; it gets "job-hold-until-specified", the
// reason it is held. And a job kept over a restart lists job-id and
// job-uri twice in Get-Jobs (the saved ones, then the current ones); only
// the current ones are kept.
#ifndef QUILLORY2_PRINTERAPP_RESPONSE_FIXES_H_
#define QUILLORY2_PRINTERAPP_RESPONSE_FIXES_H_

#include <cups/ipp.h>

namespace printerapp {

// Adds the missing job-state-reasons to each job group of the response
// that lacks them and keeps an attribute a group lists twice only at its
// last place; the order of everything else is kept. The number of groups
// that got their reasons.
int AddMissingJobStateReasons(ipp_t* response);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_RESPONSE_FIXES_H_
