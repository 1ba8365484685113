// Run-length packing of a printer line with vector instructions, for the band
// encoder of the hosts that may use them (the plug-in, the CUPS filter, the
// job writer). The kernel-mode minidriver may not touch vector registers and
// keeps the freestanding ComputeRLE (command_stream.h); every path here writes
// exactly its bytes.
#ifndef QUILLORY2_RASTER_ROW_PACKER_H_
#define QUILLORY2_RASTER_ROW_PACKER_H_

#include <stdint.h>

#include "raster/cpu_features.h"

namespace raster {

// ComputeRLE(data, lead, n, out, limit) with the vector instructions of isa
// (which must be supported; kScalar is ComputeRLE itself): the same packed size
// and bytes when the packed row is at most limit bytes, some size above limit
// otherwise. SSE2 and SSSE3 take the SSE2 kernel. Rows whose lead and length
// reach 256 bytes, which no band line does, are left to ComputeRLE.
int ComputeRLE(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out, int32_t limit, Isa isa);

}  // namespace raster

#endif  // QUILLORY2_RASTER_ROW_PACKER_H_
