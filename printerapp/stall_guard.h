// A client that stops sending its document must not hold the printer.
//
// PAPPL 1.3.1 reads a streamed raster document (PWG or Apple raster sent
// with Print-Job) straight from the client's connection, in the thread that
// serves the request, without any time limit: a client that sends a page
// header and a few bytes and then waits keeps the printer "processing" for
// as long as it likes, and every other job waits behind it. The request
// guard (request_guard.cpp) tells the raster callbacks which connection the
// thread serves; a raster job from a connection watches its rows arrive,
// and one that gets none for the stall limit has its connection shut down,
// which ends the read: the page ends early, the job fails with the reason,
// and the printer moves on. A client that goes away between two pages
// ends its job as aborted, not completed.
#ifndef QUILLORY2_PRINTERAPP_STALL_GUARD_H_
#define QUILLORY2_PRINTERAPP_STALL_GUARD_H_

#include <cups/http.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace printerapp {

constexpr int kStallSeconds = 15;

// The client connection of the request this thread serves; nullptr when
// none (a job printing from its spool file).
void SetRequestConnection(http_t* http);
http_t* RequestConnection();

// Whether the document on the connection ended before the client finished
// sending it (the client went away, or was cut off for stalling): a raster
// document ends where its pages end, so only the connection tells.
bool DocumentCutOff(http_t* http);

class StallGuard {
 public:
  StallGuard(int fd, int seconds);
  ~StallGuard();
  StallGuard(const StallGuard&) = delete;
  StallGuard& operator=(const StallGuard&) = delete;

  // Data arrived: the wait starts again.
  void Progress();
  // Whether the connection was shut down for stalling.
  bool Stalled() const { return stalled_; }

 private:
  void Watch(int fd, int seconds);

  std::atomic<int64_t> last_ms_;
  std::atomic<bool> stalled_{false};
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_STALL_GUARD_H_
