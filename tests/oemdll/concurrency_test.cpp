// Reference counts and module counters under calls from several threads.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/oemdll/plugin_test_support.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 20000;

template <typename Body>
void OnThreads(Body body) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(body);
  for (std::thread& thread : threads) thread.join();
}

using Concurrency = q2test::LoadedPlugin;

TEST_F(Concurrency, AddRefAndReleaseKeepExactCounts) {
  plat::IPrintOemUni* plugin = CreatePlugin();
  plat::IClassFactory* factory = Factory();
  ASSERT_NE(plugin, nullptr);
  ASSERT_NE(factory, nullptr);
  // Every thread first takes all its references, then gives them back, so
  // the counts climb high and any lost update shows at the end.
  OnThreads([&] {
    for (int i = 0; i < kRounds; ++i) {
      plugin->lpVtbl->AddRef(plugin);
      factory->lpVtbl->AddRef(factory);
    }
  });
  EXPECT_EQ(plugin->lpVtbl->AddRef(plugin), static_cast<ULONG>(kThreads * kRounds + 2));
  EXPECT_EQ(factory->lpVtbl->AddRef(factory), static_cast<ULONG>(kThreads * kRounds + 2));
  OnThreads([&] {
    for (int i = 0; i < kRounds; ++i) {
      plugin->lpVtbl->Release(plugin);
      factory->lpVtbl->Release(factory);
    }
  });
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 1u);
  EXPECT_EQ(factory->lpVtbl->Release(factory), 1u);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  EXPECT_EQ(plugin->lpVtbl->Release(plugin), 0u);
  EXPECT_EQ(factory->lpVtbl->Release(factory), 0u);
}

TEST_F(Concurrency, LockServerCountsEveryLockAndUnlock) {
  plat::IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  OnThreads([&] {
    for (int i = 0; i < kRounds; ++i) factory->lpVtbl->LockServer(factory, TRUE);
  });
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  // One lock more than the threads give back must still hold the module.
  factory->lpVtbl->LockServer(factory, TRUE);
  OnThreads([&] {
    for (int i = 0; i < kRounds; ++i) factory->lpVtbl->LockServer(factory, FALSE);
  });
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  factory->lpVtbl->LockServer(factory, FALSE);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  factory->lpVtbl->Release(factory);
}

TEST_F(Concurrency, ObjectsCreatedAndDestroyedOnManyThreadsAreAllCounted) {
  plat::IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  OnThreads([&] {
    for (int i = 0; i < kRounds / 10; ++i) {
      void* object = nullptr;
      if (factory->lpVtbl->CreateInstance(factory, nullptr, plat::kIidIPrintOemUni, &object) ==
          S_OK) {
        plat::IPrintOemUni* plugin = static_cast<plat::IPrintOemUni*>(object);
        plugin->lpVtbl->Release(plugin);
      }
    }
  });
  EXPECT_EQ(CanUnloadNow(), S_OK);
  factory->lpVtbl->Release(factory);
}

}  // namespace
