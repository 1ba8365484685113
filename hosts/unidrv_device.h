// Unidrv's side of one PDEV: the DEVOBJ it hands to the plug-in, the public
// devmode, the DRVPROCS callbacks, and Unidrv's own implementation of every
// DDI function the plug-in hooks. These functions only record their calls
// (the argument words, in order) and answer a result chosen beforehand, so
// that a caller can see exactly what the plug-in's hooks passed on.
#ifndef QUILLORY2_HOSTS_UNIDRV_DEVICE_H_
#define QUILLORY2_HOSTS_UNIDRV_DEVICE_H_

#include <stdint.h>

#include <functional>
#include <map>
#include <type_traits>
#include <vector>

#include "platform/gdi_ddi.h"
#include "platform/printer_oem.h"

namespace hosts {

// One call of one of Unidrv's DDI functions: its INDEX_Drv... number and
// its arguments as machine words (pointers as addresses, integers widened).
struct DdiCall {
  ULONG index = 0;
  std::vector<uintptr_t> args;
};

// One call of DrvXMoveTo ('X') or DrvYMoveTo ('Y') through DRVPROCS.
struct CursorCall {
  char axis = 'X';
  INT position = 0;
  DWORD flags = 0;
};

// The 29 DDI functions a rendering plug-in may hook, by INDEX_Drv... number.
std::vector<ULONG> UnidrvHookableIndices();

class UnidrvDevice {
 public:
  UnidrvDevice();
  UnidrvDevice(const UnidrvDevice&) = delete;
  UnidrvDevice& operator=(const UnidrvDevice&) = delete;

  // Unidrv's DRVENABLEDATA for EnablePDEV, listing `functions`.
  plat::DRVENABLEDATA EnableData();

  // Unidrv's implementation of the function with that index (null if none).
  plat::PFN Function(ULONG index) const;

  plat::DEVOBJ devobj{};
  DEVMODEW public_dm{};
  plat::DRVPROCS procs{};
  // The functions offered to EnablePDEV: by default one per hookable index.
  std::vector<plat::DRVFN> functions;
  // What each of Unidrv's functions answers, by index; 1 (TRUE) otherwise.
  std::map<ULONG, uintptr_t> results;
  // What DrvXMoveTo and DrvYMoveTo answer.
  INT cursor_result = 0;
  // Run inside Unidrv's DrvSendPage: where Unidrv dumps the page's bands.
  std::function<void(plat::SURFOBJ*)> on_send_page;

  std::vector<DdiCall> calls;
  std::vector<CursorCall> cursor;

  // The device behind a DEVOBJ this class created.
  static UnidrvDevice* From(plat::DEVOBJ* devobj);
  uintptr_t ResultFor(ULONG index) const;
};

// The argument words a recorder stores for a value.
template <typename T>
uintptr_t ArgWord(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<uintptr_t>(value);
  } else {
    return static_cast<uintptr_t>(value);
  }
}

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_UNIDRV_DEVICE_H_
