#include "printerapp/server_state.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "files/read_file.h"
#include "printerapp/server_paths.h"

namespace printerapp {
namespace {

// PAPPL writes a job's state as state="N" (IPP's job-state values).
const std::string kProcessing = "state=\"" + std::to_string(IPP_JSTATE_PROCESSING) + "\"";
const std::string kAborted = "state=\"" + std::to_string(IPP_JSTATE_ABORTED) + "\"";

// The state with every job that was printing marked aborted; their ids in
// *cut_off.
std::string EndCutOffJobs(const std::string& text, std::set<int>* cut_off) {
  std::string out;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(from, end - from);
    const size_t state = line.find(kProcessing);
    if (line.rfind("Job ", 0) == 0 && state != std::string::npos) {
      line.replace(state, kProcessing.size(), kAborted + " completed=\"" + std::to_string(time(nullptr)) + "\"");
      const size_t id = line.find(" id=\"");
      if (id != std::string::npos) cut_off->insert(atoi(line.c_str() + id + 5));
    }
    out += line;
    from = end;
  }
  return out;
}

struct Counts {
  int printers = 0;
};

extern "C" void CountPrinter(pappl_printer_t*, void* data) { ++static_cast<Counts*>(data)->printers; }

struct CutOff {
  const std::set<int>* ids;
};

extern "C" void ExplainCutOff(pappl_job_t* job, void* data) {
  const std::set<int>& ids = *static_cast<CutOff*>(data)->ids;
  if (ids.count(papplJobGetID(job)) == 0) return;
  papplJobSetMessage(job, "The server ended while this job printed; it was not finished");
  papplJobSetReasons(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, PAPPL_JREASON_NONE);
}

extern "C" void ExplainPrinterJobs(pappl_printer_t* printer, void* data) {
  papplPrinterIterateAllJobs(printer, ExplainCutOff, data, 1, 0);
}

void Report(pappl_system_t* system, const std::string& why) {
  papplLog(system, PAPPL_LOGLEVEL_ERROR, "%s", why.c_str());
  fprintf(stderr, "%s: %s\n", kAppName, why.c_str());
}

}  // namespace

bool LockStateFile(const std::string& state_file, std::string* error) {
  const std::string lock = state_file + ".lock";
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = "cannot open " + lock + ": " + strerror(errno);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    *error = "another server is running with the state file " + state_file +
             " (or is still shutting down); stop it first";
    close(fd);
    return false;
  }
  return true;  // held until the program ends
}

bool LoopbackPortFree(int port, std::string* error) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool free = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  const int why = errno;
  close(fd);
  if (!free) *error = "port " + std::to_string(port) + " is in use (" + strerror(why) + "): is another server running?";
  return free;
}

void LoadSavedState(pappl_system_t* system, const std::string& state_file) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (access(state_file.c_str(), F_OK) != 0) return;  // a first start
  if (!files::ReadWholeFile(state_file, &bytes, &error, size_t{64} << 20)) {
    Report(system, "Cannot read the saved state in " + state_file + ": " + error);
    return;
  }
  const std::string text(bytes.begin(), bytes.end());
  std::set<int> cut_off;
  const std::string fixed = EndCutOffJobs(text, &cut_off);
  // PAPPL loads from a file: the corrected copy, beside the original.
  const std::string copy = state_file + ".loading";
  FILE* out = fopen(copy.c_str(), "w");
  const bool written = out != nullptr && fwrite(fixed.data(), 1, fixed.size(), out) == fixed.size();
  if (out != nullptr) fclose(out);
  const bool loaded = written && papplSystemLoadState(system, copy.c_str());
  unlink(copy.c_str());
  Counts counts;
  papplSystemIteratePrinters(system, CountPrinter, &counts);
  const bool names_printers = text.find("<Printer ") != std::string::npos;
  if (!loaded || (names_printers && counts.printers == 0)) {
    const std::string aside = state_file + ".damaged-" + std::to_string(time(nullptr));
    rename(state_file.c_str(), aside.c_str());
    Report(system, "The saved state in " + state_file + " is damaged" +
                       (counts.printers > 0 ? " (loaded in part)" : " (nothing loaded)") +
                       "; it was kept as " + aside);
    return;
  }
  if (!cut_off.empty()) {
    CutOff data{&cut_off};
    papplSystemIteratePrinters(system, ExplainPrinterJobs, &data);
    papplLog(system, PAPPL_LOGLEVEL_WARN, "%zu job(s) were cut off by the last server's end and are aborted",
             cut_off.size());
  }
}

}  // namespace printerapp
