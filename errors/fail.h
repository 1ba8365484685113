// How a failure is reported, in one place (README, "Development": errors).
//
// A failure the caller can recover from is a false (or empty) result with a
// one-line message; a broken contract throws; freestanding code (the raster
// core, the minidriver) does neither and says what it wrote instead. These
// are the two helpers every library and program uses for the first kind.
#ifndef QUILLORY2_ERRORS_FAIL_H_
#define QUILLORY2_ERRORS_FAIL_H_

#include <stdio.h>

#include <string>

namespace errors {

// Gives the caller the reason, when it asked for one, and returns false:
// `return errors::Fail(error, "the page is empty");`.
inline bool Fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
  return false;
}

// A program's last word: one line, `prefix` then the message, on standard
// error; returns the exit status for main to return.
inline int ReportFailure(const char* prefix, const std::string& message, int status) {
  fprintf(stderr, "%s%s\n", prefix, message.c_str());
  return status;
}

}  // namespace errors

#endif  // QUILLORY2_ERRORS_FAIL_H_
