// Interlocked increment and decrement of a 32-bit count, the only way the
// plug-in changes a value that several threads may share.
#ifndef QUILLORY2_PLATFORM_INTERLOCKED_H_
#define QUILLORY2_PLATFORM_INTERLOCKED_H_

#include "platform/windows_types.h"

namespace plat {

// Both return the value the operation produced.
inline LONG AtomicIncrement(volatile LONG* value) {
#ifdef _WIN32
  return InterlockedIncrement(value);
#else
  return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
#endif
}

inline LONG AtomicDecrement(volatile LONG* value) {
#ifdef _WIN32
  return InterlockedDecrement(value);
#else
  return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
#endif
}

inline LONG AtomicRead(const volatile LONG* value) {
#ifdef _WIN32
  return InterlockedCompareExchange(const_cast<volatile LONG*>(value), 0, 0);
#else
  return __atomic_load_n(value, __ATOMIC_SEQ_CST);
#endif
}

}  // namespace plat

#endif  // QUILLORY2_PLATFORM_INTERLOCKED_H_
