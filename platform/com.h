// The COM pieces the plug-in and its host need: interface identifiers, and
// IUnknown and IClassFactory as plain interface tables in their published
// slot order. Objects are structs whose first member points at their table,
// exactly as a COM caller sees them.
#ifndef QUILLORY2_PLATFORM_COM_H_
#define QUILLORY2_PLATFORM_COM_H_

#include "platform/windows_types.h"

namespace plat {

// Compares the 16 raw bytes of two identifiers.
bool SameGuid(const GUID& a, const GUID& b);

constexpr GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidIClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown;
struct IUnknownVtbl {
  HRESULT(Q2_STDCALL* QueryInterface)(IUnknown* self, REFIID riid, void** ppv);
  ULONG(Q2_STDCALL* AddRef)(IUnknown* self);
  ULONG(Q2_STDCALL* Release)(IUnknown* self);
};
struct IUnknown {
  const IUnknownVtbl* lpVtbl;
};

struct IClassFactory;
struct IClassFactoryVtbl {
  HRESULT(Q2_STDCALL* QueryInterface)(IClassFactory* self, REFIID riid, void** ppv);
  ULONG(Q2_STDCALL* AddRef)(IClassFactory* self);
  ULONG(Q2_STDCALL* Release)(IClassFactory* self);
  HRESULT(Q2_STDCALL* CreateInstance)(IClassFactory* self, IUnknown* outer, REFIID riid,
                                      void** ppv);
  HRESULT(Q2_STDCALL* LockServer)(IClassFactory* self, BOOL lock);
};
struct IClassFactory {
  const IClassFactoryVtbl* lpVtbl;
};

// The two exports of an in-process server.
typedef HRESULT(Q2_STDCALL* DllGetClassObjectFn)(REFCLSID rclsid, REFIID riid, void** ppv);
typedef HRESULT(Q2_STDCALL* DllCanUnloadNowFn)();

inline bool SameGuid(const GUID& a, const GUID& b) {
  const unsigned char* x = reinterpret_cast<const unsigned char*>(&a);
  const unsigned char* y = reinterpret_cast<const unsigned char*>(&b);
  for (int i = 0; i < 16; ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

}  // namespace plat

#endif  // QUILLORY2_PLATFORM_COM_H_
