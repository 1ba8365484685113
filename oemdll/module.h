// Module-wide state of the plug-in server and the helpers its two COM
// objects share.
//
// The module keeps exactly two values: how many plug-in objects are alive and
// how many server locks are held. Both are changed only by interlocked
// increment and decrement, because Unidrv may create, lock and release from
// any thread.
#ifndef QUILLORY2_OEMDLL_MODULE_H_
#define QUILLORY2_OEMDLL_MODULE_H_

#include "platform/com.h"
#include "platform/interlocked.h"
#include "platform/windows_types.h"

namespace oemdll {

// Counts a RenderPlugin into and out of the live-object count.
void ObjectCreated();
void ObjectDestroyed();

// The AddRef both objects share: the count is the field after the table pointer.
inline ULONG CountedAddRef(volatile LONG* count) {
  return static_cast<ULONG>(plat::AtomicIncrement(count));
}

}  // namespace oemdll

#endif  // QUILLORY2_OEMDLL_MODULE_H_
