// Allocation failures inside the plug-in. This program replaces the nothrow
// operator new for the whole process (it exports its symbols), so the loaded
// module's allocations can be made to fail on demand.
#include <gtest/gtest.h>

#include <atomic>
#include <new>

#include "hosts/unidrv_device.h"
#include "tests/oemdll/plugin_test_support.h"

namespace {
std::atomic<bool> g_refuse{false};
}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (g_refuse.load()) return nullptr;
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

void* const kSentinel = reinterpret_cast<void*>(0x5A5A);

struct Refusing {
  Refusing() { g_refuse = true; }
  ~Refusing() { g_refuse = false; }
};

using AllocationFailure = q2test::LoadedPlugin;

TEST_F(AllocationFailure, FactoryThatCannotBeMadeLeavesOutputUntouched) {
  void* object = kSentinel;
  HRESULT hr;
  {
    Refusing refusing;
    hr = GetClassObject(plat::kClsidOemRender, plat::kIidIClassFactory, &object);
  }
  EXPECT_EQ(hr, E_OUTOFMEMORY);
  EXPECT_EQ(object, kSentinel);
}

TEST_F(AllocationFailure, ObjectThatCannotBeMadeIsNotCounted) {
  plat::IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  void* object = kSentinel;
  HRESULT hr;
  {
    Refusing refusing;
    hr = factory->lpVtbl->CreateInstance(factory, nullptr, plat::kIidIPrintOemUni, &object);
  }
  EXPECT_EQ(hr, E_OUTOFMEMORY);
  EXPECT_EQ(object, kSentinel);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  factory->lpVtbl->Release(factory);
}

TEST_F(AllocationFailure, PdevRecordThatCannotBeMadeFailsEnablePdev) {
  plat::IPrintOemUni* plugin = CreatePlugin();
  ASSERT_NE(plugin, nullptr);
  hosts::UnidrvDevice device;
  plat::DRVENABLEDATA unidrv = device.EnableData();
  PVOID pdev = kSentinel;
  HRESULT hr;
  {
    Refusing refusing;
    hr = plugin->lpVtbl->EnablePDEV(plugin, &device.devobj, nullptr, 0, nullptr, 0, nullptr, 0,
                                    nullptr, &unidrv, &pdev);
  }
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_EQ(pdev, nullptr);
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 0u);
}

}  // namespace
