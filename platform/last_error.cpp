#include "platform/last_error.h"

namespace {
thread_local DWORD g_last_error = 0;
}

extern "C" void SetLastError(DWORD error) { g_last_error = error; }
extern "C" DWORD GetLastError() { return g_last_error; }
