#include "oemdll/private_devmode.h"

#include <string.h>

#include "oemdll/render_plugin.h"
#include "platform/last_error.h"

namespace oemdll {
namespace {

constexpr OemDevmodeHeader kDefaultRecord = {sizeof(OemDevmodeHeader), kPluginSignature,
                                             kPluginVersion, 0};

// Unidrv's records need not be aligned, so fields go through memcpy.
OemDevmodeHeader Load(const void* record) {
  OemDevmodeHeader header;
  memcpy(&header, record, sizeof header);
  return header;
}

void WriteDefault(void* out) {
  if (out != nullptr) memcpy(out, &kDefaultRecord, sizeof kDefaultRecord);
}

// Carries a record of ours over into the output; anything else (another
// owner's record, or damage) is replaced by the default.
void Convert(const void* in, void* out) {
  if (in == nullptr || out == nullptr) return;
  const OemDevmodeHeader source = Load(in);
  OemDevmodeHeader target = Load(out);
  if (source.dwSignature != target.dwSignature) {
    WriteDefault(out);
    return;
  }
  target.dwPrivate = 0;
  // The sizes come from stored devmodes and may be damaged: never copy more
  // than the record this version knows.
  DWORD n = target.dwSize < source.dwSize ? target.dwSize : source.dwSize;
  if (n > sizeof(OemDevmodeHeader)) n = sizeof(OemDevmodeHeader);
  memcpy(&target, in, n);
  target.dwSize = sizeof(OemDevmodeHeader);
  target.dwVersion = kPluginVersion;
  memcpy(out, &target, sizeof target);
}

HRESULT InvalidParameter() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return E_FAIL;
}

}  // namespace

HRESULT PrivateDevMode(DWORD mode, plat::POEMDMPARAM param) {
  if (param == nullptr) return InvalidParameter();
  switch (mode) {
    case plat::OEMDM_SIZE:
      param->cbBufSize = sizeof(OemDevmodeHeader);
      return S_OK;
    case plat::OEMDM_DEFAULT:
      if (param->pOEMDMOut == nullptr) return InvalidParameter();
      WriteDefault(param->pOEMDMOut);
      return S_OK;
    case plat::OEMDM_CONVERT:
      Convert(param->pOEMDMIn, param->pOEMDMOut);
      return S_OK;
    case plat::OEMDM_MERGE:
      // Unidrv merges a devmode that came from elsewhere (an application's,
      // or one stored with a document) into the printer's. The record holds
      // no setting, so nothing of the input is worth keeping: a merged
      // record is always the default. The conversion a merge would make
      // first is overwritten at once, so it is not made.
      WriteDefault(param->pOEMDMOut);
      return S_OK;
    default:
      return InvalidParameter();
  }
}

}  // namespace oemdll
