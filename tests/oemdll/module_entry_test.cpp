// The module's two exports and its class factory, through the exports only.
#include <gtest/gtest.h>

#include "tests/oemdll/plugin_test_support.h"

namespace {

using plat::IClassFactory;
using plat::IPrintOemUni;
using q2test::LoadedPlugin;

void* const kSentinel = reinterpret_cast<void*>(0x5A5A);

using ModuleEntry = LoadedPlugin;
using ClassFactory = LoadedPlugin;

TEST_F(ModuleEntry, RefusesOtherClassesWithoutTouchingOutput) {
  GUID other = plat::kClsidOemRender;
  other.Data4[7] ^= 1;  // a single byte differs
  void* object = kSentinel;
  EXPECT_EQ(GetClassObject(other, plat::kIidIClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, kSentinel);
  EXPECT_EQ(GetClassObject(plat::kIidIPrintOemUni, plat::kIidIClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, kSentinel);
}

TEST_F(ModuleEntry, RefusesInterfacesOtherThanTheFactorysAndFreesIt) {
  void* object = kSentinel;
  EXPECT_EQ(GetClassObject(plat::kClsidOemRender, plat::kIidIPrintOemUni, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  // TearDown holds that no factory or lock is left behind.
}

TEST_F(ModuleEntry, NullOutputPointerFailsCleanly) {
  EXPECT_EQ(GetClassObject(plat::kClsidOemRender, plat::kIidIClassFactory, nullptr), E_POINTER);
}

TEST_F(ModuleEntry, HandsOutFactoryForIUnknownAndIClassFactoryWithOneReference) {
  for (const GUID& iid : {plat::kIidIUnknown, plat::kIidIClassFactory}) {
    void* object = nullptr;
    ASSERT_EQ(GetClassObject(plat::kClsidOemRender, iid, &object), S_OK);
    ASSERT_NE(object, nullptr);
    IClassFactory* factory = static_cast<IClassFactory*>(object);
    EXPECT_EQ(factory->lpVtbl->AddRef(factory), 2u);
    EXPECT_EQ(factory->lpVtbl->Release(factory), 1u);
    EXPECT_EQ(factory->lpVtbl->Release(factory), 0u);
  }
}

TEST_F(ModuleEntry, FactoriesAloneDoNotKeepTheModuleLoaded) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  factory->lpVtbl->Release(factory);
}

TEST_F(ModuleEntry, LiveObjectKeepsModuleLoadedUntilItsLastRelease) {
  EXPECT_EQ(CanUnloadNow(), S_OK);
  IPrintOemUni* plugin = CreatePlugin();
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  plugin->lpVtbl->AddRef(plugin);
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 1u);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 0u);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, LockServerHoldsTheModuleAndMatchingUnlockReleasesIt) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->lpVtbl->LockServer(factory, TRUE), S_OK);
  EXPECT_EQ(factory->lpVtbl->LockServer(factory, TRUE), S_OK);
  factory->lpVtbl->Release(factory);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  factory = Factory();
  EXPECT_EQ(factory->lpVtbl->LockServer(factory, FALSE), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->lpVtbl->LockServer(factory, FALSE), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  factory->lpVtbl->Release(factory);
}

TEST_F(ClassFactory, QueryInterfaceGrantsOnlyItsOwnInterfaces) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  void* object = kSentinel;
  EXPECT_EQ(factory->lpVtbl->QueryInterface(factory, plat::kIidIPrintOemUni, &object),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->lpVtbl->QueryInterface(factory, plat::kIidIUnknown, &object), S_OK);
  EXPECT_EQ(object, factory);
  EXPECT_EQ(factory->lpVtbl->Release(factory), 1u);
  EXPECT_EQ(factory->lpVtbl->QueryInterface(factory, plat::kIidIClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(factory->lpVtbl->Release(factory), 0u);
}

TEST_F(ClassFactory, ReleaseFromTwoReferencesLeavesFactoryUsable) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  factory->lpVtbl->AddRef(factory);
  EXPECT_EQ(factory->lpVtbl->Release(factory), 1u);
  void* object = nullptr;
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, plat::kIidIUnknown, &object), S_OK);
  ASSERT_NE(object, nullptr);
  IPrintOemUni* plugin = static_cast<IPrintOemUni*>(object);
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 0u);
  EXPECT_EQ(factory->lpVtbl->Release(factory), 0u);
}

TEST_F(ClassFactory, CreateInstanceRefusesAggregationWithoutTouchingOutput) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  void* object = kSentinel;
  plat::IUnknown* outer = reinterpret_cast<plat::IUnknown*>(factory);
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, outer, plat::kIidIPrintOemUni, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, kSentinel);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  factory->lpVtbl->Release(factory);
}

TEST_F(ClassFactory, CreateInstanceForForeignInterfaceDestroysTheNewObject) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  for (const GUID& iid : {plat::kIidIClassFactory, plat::kIidIPrintOemDriverUni}) {
    void* object = kSentinel;
    EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CanUnloadNow(), S_OK);
  }
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, plat::kIidIPrintOemUni, nullptr),
            E_POINTER);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  factory->lpVtbl->Release(factory);
}

TEST_F(ClassFactory, NewObjectHasExactlyOneReference) {
  IPrintOemUni* plugin = CreatePlugin();
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(plugin->lpVtbl->AddRef(plugin), 2u);
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 1u);
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 0u);
}

}  // namespace
