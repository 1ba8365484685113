#include "printerapp/stall_guard.h"

#include <sys/socket.h>

#include <chrono>

namespace printerapp {
namespace {

thread_local http_t* request_connection = nullptr;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void SetRequestConnection(http_t* http) { request_connection = http; }
http_t* RequestConnection() { return request_connection; }

// CUPS notes a read that met the end of the connection (EPIPE); a body
// that ended where its length or last chunk said needs no such read.
bool DocumentCutOff(http_t* http) { return http != nullptr && httpError(http) != 0; }

StallGuard::StallGuard(int fd, int seconds) : last_ms_(NowMs()) {
  thread_ = std::thread([this, fd, seconds] { Watch(fd, seconds); });
}

StallGuard::~StallGuard() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  done_changed_.notify_all();
  thread_.join();
}

void StallGuard::Progress() { last_ms_.store(NowMs(), std::memory_order_relaxed); }

void StallGuard::Watch(int fd, int seconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!done_) {
    if (NowMs() - last_ms_.load(std::memory_order_relaxed) > int64_t{seconds} * 1000) {
      stalled_ = true;
      // The read in the serving thread returns at once, as at the end of
      // the data; PAPPL closes the connection when the request ends.
      shutdown(fd, SHUT_RDWR);
      return;
    }
    done_changed_.wait_for(lock, std::chrono::milliseconds(250));
  }
}

}  // namespace printerapp
