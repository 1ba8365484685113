// The graphics DDI functions the plug-in hooks, and the per-PDEV record of
// Unidrv's own implementations that the hooks hand every call on to.
#ifndef QUILLORY2_OEMDLL_DDI_HOOKS_H_
#define QUILLORY2_OEMDLL_DDI_HOOKS_H_

#include "platform/gdi_ddi.h"
#include "platform/printer_oem.h"

namespace oemdll {

constexpr ULONG kHookCount = 29;

// The constant hook table handed to Unidrv by EnableDriver; the position of
// an entry is its slot in PluginPdev.
const plat::DRVFN* HookTable();

// Unidrv's implementation of each hooked function, by hook-table position;
// null where Unidrv did not offer one. Lives from EnablePDEV to DisablePDEV
// as the PDEV's pdevOEM.
struct PluginPdev {
  plat::PFN unidrv[kHookCount];
};

// Looks up each hooked index in Unidrv's table (first listing wins). A null
// table, or one without entries, gives a record of null slots. Returns null
// only when memory is short.
PluginPdev* NewPluginPdev(const plat::DRVENABLEDATA* unidrv);
void DeletePluginPdev(PluginPdev* pdev);

}  // namespace oemdll

#endif  // QUILLORY2_OEMDLL_DDI_HOOKS_H_
