// One job at a time per printer, in the order the jobs came.
//
// PAPPL 1.3.1 starts a job by creating a thread for _papplJobProcess from
// its job check, which runs whenever a document arrives and whenever a job
// ends. The check tests "is the printer busy" before its lock and the job
// thread marks itself busy only once it runs, so two checks close together
// (a client sending while a job ends, or two clients at once) start two
// threads: the same job twice, or two jobs. Both then print through the one
// device PAPPL keeps for the printer, and the first to end closes it under
// the other: the queue stalls or the server crashes.
//
// This program defines _papplJobProcess itself. The library starts its job
// threads through its symbol table, so they come here; each waits until
// its printer has no job running and it is the oldest job waiting, a second
// thread for a job already here leaves at once, and then PAPPL's own
// _papplJobProcess prints the job. Linked into the program only (see
// CMakeLists.txt), since only the program's own symbols take the library's
// place.
#include <dlfcn.h>
#include <pappl/pappl.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

namespace {

struct PrinterGate {
  bool running = false;
  std::set<int> waiting;  // job ids, the oldest first
};

std::mutex gate_mutex;
std::condition_variable gate_changed;
std::map<pappl_printer_t*, PrinterGate> gates;
std::set<pappl_job_t*> jobs_here;  // waiting or running

using JobProcess = void* (*)(pappl_job_t*);

JobProcess LibraryJobProcess() {
  static const JobProcess process =
      reinterpret_cast<JobProcess>(dlsym(RTLD_NEXT, "_papplJobProcess"));
  return process;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* _papplJobProcess(pappl_job_t* job) {
  const JobProcess process = LibraryJobProcess();
  if (process == nullptr) return nullptr;  // not on PAPPL: nothing can be printed
  pappl_printer_t* printer = papplJobGetPrinter(job);
  const int id = papplJobGetID(job);
  PrinterGate* gate;
  bool print;
  {
    std::unique_lock<std::mutex> lock(gate_mutex);
    if (!jobs_here.insert(job).second) return nullptr;  // another thread has this job
    gate = &gates[printer];  // a map's elements stay where they are
    gate->waiting.insert(id);
    gate_changed.wait(lock, [&] { return !gate->running && *gate->waiting.begin() == id; });
    gate->waiting.erase(id);
    // A job cancelled while it waited, or printed by a thread before, is done.
    print = papplJobGetState(job) == IPP_JSTATE_PENDING;
    gate->running = print;
  }
  void* result = print ? process(job) : nullptr;
  {
    std::lock_guard<std::mutex> lock(gate_mutex);
    jobs_here.erase(job);
    gate->running = false;
  }
  gate_changed.notify_all();
  return result;
}
