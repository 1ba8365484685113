#include "stream/whole_job.h"

#include <string>

#include "stream/describe.h"

namespace stream {

const char kCheckRules[] =
    "Each command is read as the printer reads it: bad bytes, unknown commands, commands cut short, packed "
    "rows that do not make a 192-byte line and plain data past the line are problems. The job as a whole must "
    "be framed as the drivers and the CUPS filter frame it: the begin-document command first; media, "
    "resolution and image control before the first plane, and no option among the planes; every plane "
    "beginning with the plane start command directly followed by the plain packing-mode command ESC *b0M; "
    "plain data only after a column position command of its plane; raster data only inside a plane; every "
    "row address on the page (2832 row addresses of 1/600 inch less the row step: the last is 2831 at 600 "
    "rows per inch, 2830 at 300); at least one plane per job; the end-document command last, followed by "
    "nothing but another whole job. With --colour every job must hold its planes in threes.";

namespace {

std::string At(size_t offset) { return "@" + std::to_string(offset); }

bool IsOption(CommandKind kind) {
  return kind == CommandKind::kOnOption || kind == CommandKind::kMediaSelect ||
         kind == CommandKind::kResolutionSelect || kind == CommandKind::kImageControl ||
         kind == CommandKind::kTraySelect;
}

}  // namespace

void JobRules::See(const Command& command, std::vector<Problem>* found) {
  any_command_ = true;
  // Every writer sends ESC "*b0M" right behind each plane start, so that the
  // plane begins plain whatever the plane before it ended in.
  if (awaiting_plain_mode_) {
    awaiting_plain_mode_ = false;
    if (command.kind != CommandKind::kPackingMode || command.parameter != 0) {
      found->push_back({plane_start_offset_, "plane start not followed by the plain packing-mode command "
                                             "ESC *b0M, with which every plane of a job begins"});
    }
  }

  switch (phase_) {
    case Phase::kNoJobYet:
    case Phase::kAfterEnd:
      if (command.kind == CommandKind::kBeginDocument) {
        BeginJob(command, found);
      } else if (!outside_reported_) {
        outside_reported_ = true;
        found->push_back({command.offset, phase_ == Phase::kNoJobYet
                                              ? "the stream does not begin with the begin-document command: " +
                                                    Meaning(command) + " comes first"
                                              : Meaning(command) + " after the end-document command; only "
                                                                  "another whole job may follow it"});
      }
      return;
    case Phase::kSetup:
    case Phase::kPlanes:
      break;
  }

  if (command.kind == CommandKind::kBeginDocument) {
    found->push_back({command.offset, "begin-document command inside the job begun at " + At(job_offset_) +
                                          ", which has no end-document command"});
    BeginJob(command, found);
  } else if (command.kind == CommandKind::kEndDocument) {
    EndJob(command, found);
  } else if (command.kind == CommandKind::kPlaneStart) {
    if (phase_ == Phase::kSetup) CheckSetup(command, found);
    phase_ = Phase::kPlanes;
    ++job_planes_;
    awaiting_plain_mode_ = true;
    plane_start_offset_ = command.offset;
    column_set_ = unplaced_reported_ = false;
  } else if (command.kind == CommandKind::kColumnPosition) {
    column_set_ = true;
  } else if (command.kind == CommandKind::kRasterTransfer && !command.packed && command.data_length > 0 &&
             !column_set_ && phase_ == Phase::kPlanes && !unplaced_reported_) {
    // Every writer places a plane's first plain row with a column command;
    // without one the data lands from dot 0. A page of the minidriver whose
    // packed row follows a packed row of the page before shows this way: its
    // packing command is missing, so its pairs are read as plain data.
    unplaced_reported_ = true;
    found->push_back({command.offset, "plain raster data with no column position command since its plane "
                                      "began: it lands from dot 0 of the printer line"});
  } else if (IsOption(command.kind)) {
    if (phase_ == Phase::kPlanes) {
      found->push_back({command.offset, Meaning(command) + " among the planes; the printer takes its options in "
                                                          "the job setup, before the first plane"});
    }
    has_media_ = has_media_ || command.kind == CommandKind::kMediaSelect;
    has_resolution_ = has_resolution_ || command.kind == CommandKind::kResolutionSelect;
    has_image_control_ = has_image_control_ || command.kind == CommandKind::kImageControl;
  }
}

void JobRules::BeginJob(const Command& command, std::vector<Problem>*) {
  phase_ = Phase::kSetup;
  job_offset_ = command.offset;
  job_planes_ = 0;
  has_media_ = has_resolution_ = has_image_control_ = false;
  outside_reported_ = false;
}

void JobRules::EndJob(const Command& command, std::vector<Problem>* found) {
  if (job_planes_ == 0) {
    found->push_back({command.offset, "the job begun at " + At(job_offset_) + " holds no plane: nothing is printed"});
  } else if (planes_per_page_ == 3 && job_planes_ % 3 != 0) {
    found->push_back({command.offset, "the job begun at " + At(job_offset_) + " holds " +
                                          std::to_string(job_planes_) + " planes, which do not make whole colour "
                                          "pages of three (yellow, magenta, cyan)"});
  }
  phase_ = Phase::kAfterEnd;
  outside_reported_ = false;
}

void JobRules::CheckSetup(const Command& plane_start, std::vector<Problem>* found) {
  std::string missing;
  auto note = [&](bool present, const char* name) {
    if (present) return;
    if (!missing.empty()) missing += ", ";
    missing += name;
  };
  note(has_media_, "media select");
  note(has_resolution_, "resolution select");
  note(has_image_control_, "image control");
  if (!missing.empty()) {
    found->push_back({plane_start.offset, "the job begun at " + At(job_offset_) + " reaches its first plane "
                                          "without its setup: no " + missing + " command"});
  }
}

void JobRules::Finish(size_t size, std::vector<Problem>* found) {
  awaiting_plain_mode_ = false;
  if (!any_command_) {
    found->push_back({0, "the stream is empty: there is no job in it"});
  } else if (phase_ == Phase::kSetup || phase_ == Phase::kPlanes) {
    found->push_back({size, "the job begun at " + At(job_offset_) + " has no end-document command: the stream "
                                                                    "ends first, at " + At(size)});
  }
}

}  // namespace stream
