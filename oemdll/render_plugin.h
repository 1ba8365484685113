// RenderPlugin: the IPrintOemUni object Unidrv talks to.
//
// A thin object: it answers Unidrv's questions about itself, holds the helper
// interface IPrintOemDriverUni that Unidrv publishes to it, hands Unidrv the
// DDI hook table, and routes every rendered band to the band conversion.
#ifndef QUILLORY2_OEMDLL_RENDER_PLUGIN_H_
#define QUILLORY2_OEMDLL_RENDER_PLUGIN_H_

#include "platform/printer_oem.h"

namespace oemdll {

// The plug-in signature: the bytes "ZNDQ" in memory order.
constexpr DWORD kPluginSignature = static_cast<DWORD>('Z') | (static_cast<DWORD>('N') << 8) |
                                   (static_cast<DWORD>('D') << 16) |
                                   (static_cast<DWORD>('Q') << 24);
constexpr DWORD kPluginVersion = 1;

// Fields in COM order: the interface table pointer first, then the count,
// then the helper interface Unidrv published (null until then).
class RenderPlugin {
 public:
  // A new object with count 1, counted as live; null when memory is short.
  static RenderPlugin* Create();
  plat::IPrintOemUni* Interface() { return &iface_; }

 private:
  friend struct RenderPluginMethods;

  plat::IPrintOemUni iface_;
  volatile LONG ref_count_;
  plat::IPrintOemDriverUni* helper_;
};

}  // namespace oemdll

#endif  // QUILLORY2_OEMDLL_RENDER_PLUGIN_H_
