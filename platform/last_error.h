// The thread's last error.
//
// On Windows the plug-in calls kernel32's SetLastError. On Linux the same two
// calls come from the small shared library q2platform (the stand-in for
// kernel32), so that a test in the host process reads the very value the
// loaded plug-in set.
#ifndef QUILLORY2_PLATFORM_LAST_ERROR_H_
#define QUILLORY2_PLATFORM_LAST_ERROR_H_

#include "platform/windows_types.h"

#ifndef _WIN32
extern "C" {
__attribute__((visibility("default"))) void SetLastError(DWORD error);
__attribute__((visibility("default"))) DWORD GetLastError();
}
#endif

#endif  // QUILLORY2_PLATFORM_LAST_ERROR_H_
