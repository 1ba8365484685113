// The rules as users read them are kCheckRules below, the one text that
// `quillory2 decode --help` shows and the README points to; this comment
// says how the code holds them.
//
// The shape of a whole print job, as every writer of this printer frames it:
// the NT 4.0 host driver from the minidriver's table, Unidrv from the
// printer's Unidrv description around the plug-in's bands, and the CUPS
// filter from the same table.
//
//   begin document         ESC "!c2Q" and its 12 pattern bytes, first
//   job setup              media, resolution and image control (ON option,
//                          tray select may come too), before the first plane
//   planes                 each a plane start directly followed by the
//                          plain packing-mode command ESC "*b0M", then rows;
//                          plain data only once a column position command
//                          of the plane has placed it
//   end document           ESC "!d0Q", last
//
// After the end document only another complete job may follow. A job holds
// at least one plane; when its pages are known to be colour, its planes come
// in threes (yellow, magenta, cyan). Row addresses within the page and raster
// data inside a plane are the decoder's own rules, reported by it.
//
// Every broken rule is one problem at the offset of the command concerned
// (or of the end of the stream); a stretch of commands outside any job is
// reported once, at its first command.
#ifndef QUILLORY2_STREAM_WHOLE_JOB_H_
#define QUILLORY2_STREAM_WHOLE_JOB_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "stream/decoder.h"

namespace stream {

// What `quillory2 decode --check` judges, in words: each command as the
// printer reads it (stream/decoder.h) and the job as a whole (JobRules).
extern const char kCheckRules[];

class JobRules {
 public:
  // planes_per_page: 3 when every page must be three planes, else 0.
  explicit JobRules(int32_t planes_per_page) : planes_per_page_(planes_per_page) {}

  // The next command of the stream; broken rules go to *found.
  void See(const Command& command, std::vector<Problem>* found);
  // The stream ends after size bytes.
  void Finish(size_t size, std::vector<Problem>* found);

 private:
  enum class Phase { kNoJobYet, kSetup, kPlanes, kAfterEnd };

  void BeginJob(const Command& command, std::vector<Problem>* found);
  void EndJob(const Command& command, std::vector<Problem>* found);
  void CheckSetup(const Command& plane_start, std::vector<Problem>* found);

  int32_t planes_per_page_;
  Phase phase_ = Phase::kNoJobYet;
  bool outside_reported_ = false;  // the current stretch outside a job has its problem
  size_t job_offset_ = 0;          // of the current job's begin-document command
  size_t job_planes_ = 0;
  bool has_media_ = false, has_resolution_ = false, has_image_control_ = false;
  bool awaiting_plain_mode_ = false;  // a plane start was the last command
  bool column_set_ = false;           // the plane has had a column position command
  bool unplaced_reported_ = false;    // the plane's unplaced plain data has its problem
  size_t plane_start_offset_ = 0;
  bool any_command_ = false;
};

}  // namespace stream

#endif  // QUILLORY2_STREAM_WHOLE_JOB_H_
