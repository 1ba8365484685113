// The server's saved state across restarts: one server per state file and
// port, jobs cut off by a crash ended with a reason, and a damaged file
// reported and kept aside instead of silently starting empty.
#ifndef QUILLORY2_PRINTERAPP_SERVER_STATE_H_
#define QUILLORY2_PRINTERAPP_SERVER_STATE_H_

#include <pappl/pappl.h>

#include <string>

namespace printerapp {

// Takes the state file's lock (<state>.lock) for the life of the program;
// false with the reason when another server holds it.
bool LockStateFile(const std::string& state_file, std::string* error);

// Whether nothing listens on the loopback port; false with the reason.
bool LoopbackPortFree(int port, std::string* error);

// Loads the saved printers and jobs. A job the last server was printing
// when it ended (killed, or the machine lost power) can never finish: it is
// loaded as aborted and says why. A state file that cannot be read, or that
// names printers of which none loads, is renamed <state>.damaged-TIME and
// reported (log and standard error).
void LoadSavedState(pappl_system_t* system, const std::string& state_file);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_SERVER_STATE_H_
