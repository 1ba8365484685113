// Loads the built plug-in module the way Unidrv does, for the plug-in's tests.
#ifndef QUILLORY2_TESTS_OEMDLL_PLUGIN_TEST_SUPPORT_H_
#define QUILLORY2_TESTS_OEMDLL_PLUGIN_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <string>

#include "hosts/module_path.h"
#include "hosts/unidrv_module.h"
#include "platform/last_error.h"
#include "platform/printer_oem.h"
#include "tests/support/support.h"

namespace q2test {

using testsupport::PluginPath;

// Every test starts with the module freshly loaded and ends by checking that
// nothing it made is still alive.
class LoadedPlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(module_.Load(PluginPath(), &error)) << error;
  }
  void TearDown() override {
    if (module_.Loaded()) {
      EXPECT_EQ(module_.CanUnloadNow()(), S_OK) << "an object or lock leaked";
    }
  }

  HRESULT GetClassObject(const GUID& clsid, const GUID& iid, void** ppv) {
    return module_.GetClassObject()(clsid, iid, ppv);
  }
  HRESULT CanUnloadNow() { return module_.CanUnloadNow()(); }

  plat::IClassFactory* Factory() {
    void* object = nullptr;
    EXPECT_EQ(GetClassObject(plat::kClsidOemRender, plat::kIidIClassFactory, &object), S_OK);
    return static_cast<plat::IClassFactory*>(object);
  }

  // A plug-in object as Unidrv gets it: through the factory, which is then released.
  plat::IPrintOemUni* CreatePlugin() {
    plat::IClassFactory* factory = Factory();
    if (factory == nullptr) return nullptr;
    void* object = nullptr;
    EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, plat::kIidIPrintOemUni, &object),
              S_OK);
    factory->lpVtbl->Release(factory);
    return static_cast<plat::IPrintOemUni*>(object);
  }

  hosts::PluginModule module_;
};

}  // namespace q2test

#endif  // QUILLORY2_TESTS_OEMDLL_PLUGIN_TEST_SUPPORT_H_
