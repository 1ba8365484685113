// Module entry, the two exports and the class factory.
#include "oemdll/module.h"

#include <new>

#include "oemdll/render_plugin.h"
#include "platform/printer_oem.h"

#ifdef _WIN32
#define Q2_EXPORT
#else
#define Q2_EXPORT __attribute__((visibility("default")))
#endif

namespace oemdll {
namespace {

// The module's only state: zero at load, changed only by interlocked calls.
struct ModuleCounters {
  volatile LONG live_objects;
  volatile LONG server_locks;
};
ModuleCounters g_module = {0, 0};

// IClassFactory for the one class the module serves. Fields in COM order:
// the interface table pointer first, then the reference count.
class RenderPluginFactory {
 public:
  static RenderPluginFactory* Create() {
    RenderPluginFactory* factory = new (std::nothrow) RenderPluginFactory;
    if (factory == nullptr) return nullptr;
    factory->iface_.lpVtbl = &kVtbl;
    factory->ref_count_ = 1;
    return factory;
  }
  plat::IClassFactory* Interface() { return &iface_; }

 private:
  static RenderPluginFactory* From(plat::IClassFactory* self) {
    return reinterpret_cast<RenderPluginFactory*>(self);
  }

  static HRESULT Q2_STDCALL QueryInterface(plat::IClassFactory* self, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (plat::SameGuid(riid, plat::kIidIUnknown) || plat::SameGuid(riid, plat::kIidIClassFactory)) {
      *ppv = self;
      self->lpVtbl->AddRef(self);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }

  static ULONG Q2_STDCALL AddRef(plat::IClassFactory* self) {
    return CountedAddRef(&From(self)->ref_count_);
  }

  static ULONG Q2_STDCALL Release(plat::IClassFactory* self) {
    RenderPluginFactory* factory = From(self);
    const LONG count = plat::AtomicDecrement(&factory->ref_count_);
    if (count != 0) return static_cast<ULONG>(count);
    delete factory;
    return 0;
  }

  static HRESULT Q2_STDCALL CreateInstance(plat::IClassFactory* self, plat::IUnknown* outer,
                                           REFIID riid, void** ppv) {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (ppv == nullptr) return E_POINTER;
    RenderPlugin* plugin = RenderPlugin::Create();
    if (plugin == nullptr) return E_OUTOFMEMORY;
    // The query takes its own reference; dropping ours leaves the caller the
    // only owner, or destroys the object again when the query failed.
    plat::IPrintOemUni* object = plugin->Interface();
    const HRESULT hr = object->lpVtbl->QueryInterface(object, riid, ppv);
    object->lpVtbl->Release(object);
    return hr;
  }

  static HRESULT Q2_STDCALL LockServer(plat::IClassFactory* self, BOOL lock) {
    if (lock) {
      plat::AtomicIncrement(&g_module.server_locks);
    } else {
      plat::AtomicDecrement(&g_module.server_locks);
    }
    return S_OK;
  }

  static const plat::IClassFactoryVtbl kVtbl;

  plat::IClassFactory iface_;
  volatile LONG ref_count_;
};

const plat::IClassFactoryVtbl RenderPluginFactory::kVtbl = {
    &RenderPluginFactory::QueryInterface, &RenderPluginFactory::AddRef,
    &RenderPluginFactory::Release,        &RenderPluginFactory::CreateInstance,
    &RenderPluginFactory::LockServer,
};

}  // namespace

void ObjectCreated() { plat::AtomicIncrement(&g_module.live_objects); }
void ObjectDestroyed() { plat::AtomicDecrement(&g_module.live_objects); }

}  // namespace oemdll

extern "C" Q2_EXPORT HRESULT Q2_STDCALL DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                            void** ppv) {
  if (!plat::SameGuid(rclsid, plat::kClsidOemRender)) return CLASS_E_CLASSNOTAVAILABLE;
  if (ppv == nullptr) return E_POINTER;
  oemdll::RenderPluginFactory* factory = oemdll::RenderPluginFactory::Create();
  if (factory == nullptr) return E_OUTOFMEMORY;
  // Same hand-over as CreateInstance: the query's reference is the caller's.
  plat::IClassFactory* object = factory->Interface();
  const HRESULT hr = object->lpVtbl->QueryInterface(object, riid, ppv);
  object->lpVtbl->Release(object);
  return hr;
}

extern "C" Q2_EXPORT HRESULT Q2_STDCALL DllCanUnloadNow() {
  const bool busy = plat::AtomicRead(&oemdll::g_module.live_objects) != 0 ||
                    plat::AtomicRead(&oemdll::g_module.server_locks) != 0;
  return busy ? S_FALSE : S_OK;
}

#ifdef _WIN32
// The module does no work on attach or detach.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return TRUE;
}
#endif
