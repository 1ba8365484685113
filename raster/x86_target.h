// Function attributes of the x86 vector kernels: each kernel is compiled for
// its instruction set alone (no global flags), and chosen at run time.
// 32-bit Windows keeps the stack only 4-byte aligned; the kernels realign it
// for their 16-byte spills.
#ifndef QUILLORY2_RASTER_X86_TARGET_H_
#define QUILLORY2_RASTER_X86_TARGET_H_

#if defined(__i386__)
#define Q2_KERNEL(isa) __attribute__((target(isa), force_align_arg_pointer))
#else
#define Q2_KERNEL(isa) __attribute__((target(isa)))
#endif
#define Q2_INLINE(isa) static inline __attribute__((target(isa), always_inline))

#endif  // QUILLORY2_RASTER_X86_TARGET_H_
