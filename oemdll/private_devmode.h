// The plug-in's private section of the devmode.
//
// Unidrv stores a 16-byte record of the plug-in inside every devmode: the
// published OEM_DMEXTRAHEADER and one word that carries no setting. The
// printing path never reads it; it only has to be sized, defaulted and
// carried over the way Unidrv asks.
#ifndef QUILLORY2_OEMDLL_PRIVATE_DEVMODE_H_
#define QUILLORY2_OEMDLL_PRIVATE_DEVMODE_H_

#include "platform/printer_oem.h"

namespace oemdll {

// Four little-endian 32-bit fields; the layout is stored in users' devmodes.
struct OemDevmodeHeader {
  DWORD dwSize;
  DWORD dwSignature;
  DWORD dwVersion;
  DWORD dwPrivate;
};
static_assert(sizeof(OemDevmodeHeader) == 16, "the record Unidrv stores is 16 bytes");

// IPrintOemUni::DevMode for OEMDM_SIZE, _DEFAULT, _CONVERT and _MERGE.
// A null parameter block, an unknown mode, or a null output record where a
// default must be written fail with E_FAIL and ERROR_INVALID_PARAMETER.
HRESULT PrivateDevMode(DWORD mode, plat::POEMDMPARAM param);

}  // namespace oemdll

#endif  // QUILLORY2_OEMDLL_PRIVATE_DEVMODE_H_
