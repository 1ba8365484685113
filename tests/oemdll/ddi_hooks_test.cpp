// The DDI hook table, the per-PDEV record and the pass-through to Unidrv,
// through EnableDriver/EnablePDEV of a loaded plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <type_traits>
#include <utility>
#include <vector>

#include "hosts/unidrv_device.h"
#include "tests/oemdll/plugin_test_support.h"

namespace {

using hosts::ArgWord;
using hosts::UnidrvDevice;
using namespace plat;

// The published INDEX_Drv... numbers in the order the hook table must list them.
const ULONG kExpectedOrder[29] = {12, 13, 19, 18, 20, 69, 70, 74, 71, 68, 23, 14, 15, 16, 17,
                                  31, 33, 32, 24, 35, 34, 58, 57, 26, 27, 28, 53, 47, 37};

// A distinct made-up value for argument i of a call.
template <typename T>
T FakeArg(int i) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(static_cast<uintptr_t>(0x10000 + 0x100 * i));
  } else {
    return static_cast<T>(1000 + i);
  }
}

struct Outcome {
  uintptr_t result = 0;
  std::vector<uintptr_t> args;  // the arguments as the hook received them
};

// Calls a hook of type Fn with `first` as its first argument and made-up others.
template <typename Fn>
struct Invoker;
template <typename R, typename First, typename... Args>
struct Invoker<R(Q2_STDCALL*)(First, Args...)> {
  template <size_t... I>
  static Outcome Call(PFN hook, void* first, std::index_sequence<I...>) {
    Outcome outcome;
    First head = static_cast<First>(first);
    outcome.args = {ArgWord(head), ArgWord(FakeArg<Args>(static_cast<int>(I) + 1))...};
    const R result = reinterpret_cast<R(Q2_STDCALL*)(First, Args...)>(hook)(
        head, FakeArg<Args>(static_cast<int>(I) + 1)...);
    outcome.result = ArgWord(result);
    return outcome;
  }
  static Outcome Run(PFN hook, void* first) {
    return Call(hook, first, std::index_sequence_for<Args...>{});
  }
  static constexpr bool kSurfaceFirst = std::is_same_v<First, SURFOBJ*>;
};

struct ForwardCase {
  ULONG index;
  const char* name;
  bool surface_first;
  Outcome (*run)(PFN hook, void* first);
};

template <typename Fn>
ForwardCase Case(ULONG index, const char* name) {
  return {index, name, Invoker<Fn>::kSurfaceFirst, &Invoker<Fn>::Run};
}

// The 27 hooks that only pass their call on.
std::vector<ForwardCase> ForwardCases() {
  return {
      Case<PFN_DrvDitherColor>(13, "DrvDitherColor"),
      Case<PFN_DrvCopyBits>(19, "DrvCopyBits"),
      Case<PFN_DrvBitBlt>(18, "DrvBitBlt"),
      Case<PFN_DrvStretchBlt>(20, "DrvStretchBlt"),
      Case<PFN_DrvStretchBltROP>(69, "DrvStretchBltROP"),
      Case<PFN_DrvPlgBlt>(70, "DrvPlgBlt"),
      Case<PFN_DrvTransparentBlt>(74, "DrvTransparentBlt"),
      Case<PFN_DrvAlphaBlend>(71, "DrvAlphaBlend"),
      Case<PFN_DrvGradientFill>(68, "DrvGradientFill"),
      Case<PFN_DrvTextOut>(23, "DrvTextOut"),
      Case<PFN_DrvStrokePath>(14, "DrvStrokePath"),
      Case<PFN_DrvFillPath>(15, "DrvFillPath"),
      Case<PFN_DrvStrokeAndFillPath>(16, "DrvStrokeAndFillPath"),
      Case<PFN_DrvPaint>(17, "DrvPaint"),
      Case<PFN_DrvLineTo>(31, "DrvLineTo"),
      Case<PFN_DrvStartPage>(33, "DrvStartPage"),
      Case<PFN_DrvEscape>(24, "DrvEscape"),
      Case<PFN_DrvStartDoc>(35, "DrvStartDoc"),
      Case<PFN_DrvEndDoc>(34, "DrvEndDoc"),
      Case<PFN_DrvNextBand>(58, "DrvNextBand"),
      Case<PFN_DrvStartBanding>(57, "DrvStartBanding"),
      Case<PFN_DrvQueryFont>(26, "DrvQueryFont"),
      Case<PFN_DrvQueryFontTree>(27, "DrvQueryFontTree"),
      Case<PFN_DrvQueryFontData>(28, "DrvQueryFontData"),
      Case<PFN_DrvQueryAdvanceWidths>(53, "DrvQueryAdvanceWidths"),
      Case<PFN_DrvFontManagement>(47, "DrvFontManagement"),
      Case<PFN_DrvGetGlyphMode>(37, "DrvGetGlyphMode"),
  };
}

class DdiHooks : public q2test::LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    plugin_ = CreatePlugin();
    ASSERT_NE(plugin_, nullptr);
    ASSERT_EQ(plugin_->lpVtbl->EnableDriver(plugin_, PRINTER_OEMINTF_VERSION, sizeof hooks_, &hooks_),
              S_OK);
    surface_.dhpdev = &device_.devobj;
    surface_.iType = STYPE_BITMAP;
  }
  void TearDown() override {
    if (enabled_) {
      EXPECT_EQ(plugin_->lpVtbl->DisablePDEV(plugin_, &device_.devobj), S_OK);
    }
    if (plugin_ != nullptr) {
      EXPECT_EQ(plugin_->lpVtbl->Release(plugin_), 0u);
    }
    LoadedPlugin::TearDown();
  }
  // EnablePDEV with Unidrv's table as the device lists it (or as given).
  void Enable(DRVENABLEDATA* unidrv) {
    PVOID pdev = reinterpret_cast<PVOID>(0x1);
    ASSERT_EQ(plugin_->lpVtbl->EnablePDEV(plugin_, &device_.devobj, nullptr, 0, nullptr, 0,
                                          nullptr, 0, nullptr, unidrv, &pdev),
              S_OK);
    ASSERT_NE(pdev, nullptr);
    device_.devobj.pdevOEM = pdev;
    enabled_ = true;
  }
  void Enable() {
    DRVENABLEDATA unidrv = device_.EnableData();
    Enable(&unidrv);
  }
  PFN Hook(ULONG index) const {
    for (ULONG i = 0; i < hooks_.c; ++i) {
      if (hooks_.pdrvfn[i].iFunc == index) return hooks_.pdrvfn[i].pfn;
    }
    return nullptr;
  }
  void* First(const ForwardCase& c) {
    return c.surface_first ? static_cast<void*>(&surface_) : static_cast<void*>(&device_.devobj);
  }

  IPrintOemUni* plugin_ = nullptr;
  DRVENABLEDATA hooks_{};
  UnidrvDevice device_;
  SURFOBJ surface_{};
  bool enabled_ = false;
};

using HookTable = DdiHooks;
using PluginPdevFill = DdiHooks;
using HookForwarding = DdiHooks;
using SendPageHook = DdiHooks;

TEST_F(HookTable, ListsTwentyNineFunctionsInSlotOrder) {
  EXPECT_EQ(hooks_.iDriverVersion, 0x00010000u);
  ASSERT_EQ(hooks_.c, 29u);
  ASSERT_NE(hooks_.pdrvfn, nullptr);
  std::set<ULONG> seen;
  std::set<PFN> functions;
  for (ULONG i = 0; i < 29; ++i) {
    EXPECT_EQ(hooks_.pdrvfn[i].iFunc, kExpectedOrder[i]) << "position " << i;
    EXPECT_NE(hooks_.pdrvfn[i].pfn, nullptr) << "position " << i;
    seen.insert(hooks_.pdrvfn[i].iFunc);
    functions.insert(hooks_.pdrvfn[i].pfn);
  }
  EXPECT_EQ(seen.size(), 29u) << "an index is hooked twice";
  EXPECT_EQ(functions.size(), 29u) << "two positions share one hook";
}

TEST_F(HookTable, IsTheSameConstantTableForEveryCaller) {
  DRVENABLEDATA again{};
  ASSERT_EQ(plugin_->lpVtbl->EnableDriver(plugin_, 0, 0, &again), S_OK);
  EXPECT_EQ(again.pdrvfn, hooks_.pdrvfn);
  EXPECT_EQ(again.c, hooks_.c);
}

TEST_F(HookForwarding, EveryHookPassesExactArgumentsToItsOwnUnidrvFunction) {
  // Unidrv lists its functions in reverse order: the slot, not the listing
  // position, must decide which function a hook reaches.
  std::reverse(device_.functions.begin(), device_.functions.end());
  Enable();
  for (const ForwardCase& c : ForwardCases()) {
    SCOPED_TRACE(c.name);
    for (uintptr_t answer : {uintptr_t{0}, uintptr_t{0x5A5A0}}) {
      device_.results[c.index] = answer;
      device_.calls.clear();
      const Outcome outcome = c.run(Hook(c.index), First(c));
      ASSERT_EQ(device_.calls.size(), 1u);
      EXPECT_EQ(device_.calls[0].index, c.index);
      EXPECT_EQ(device_.calls[0].args, outcome.args);
      // Results are compared at 32 bits, the narrowest result type.
      EXPECT_EQ(outcome.result & 0xFFFFFFFF, answer);
    }
  }
}

TEST_F(HookForwarding, RealizeBrushAnswersTrueWithoutCallingUnidrv) {
  device_.results[INDEX_DrvRealizeBrush] = 0;
  Enable();
  const BOOL result = reinterpret_cast<PFN_DrvRealizeBrush>(Hook(INDEX_DrvRealizeBrush))(
      FakeArg<BRUSHOBJ*>(1), &surface_, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(result, TRUE);
  EXPECT_TRUE(device_.calls.empty());
}

TEST_F(PluginPdevFill, FirstListingOfARepeatedIndexWins) {
  // Unidrv's BitBlt is listed after a second function for the same index.
  static int first_called = 0;
  struct First {
    static BOOL Q2_STDCALL BitBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*,
                                  POINTL*, POINTL*, BRUSHOBJ*, POINTL*, ROP4) {
      ++first_called;
      return 42;
    }
  };
  first_called = 0;
  device_.functions.insert(device_.functions.begin() + 3,
                           DRVFN{INDEX_DrvBitBlt, reinterpret_cast<PFN>(&First::BitBlt)});
  Enable();
  const Outcome outcome = Invoker<PFN_DrvBitBlt>::Run(Hook(INDEX_DrvBitBlt), &surface_);
  EXPECT_EQ(first_called, 1);
  EXPECT_EQ(outcome.result, 42u);
  EXPECT_TRUE(device_.calls.empty());
}

TEST_F(PluginPdevFill, MissingFunctionFailsItsHookAndLeavesOthersWorking) {
  for (auto it = device_.functions.begin(); it != device_.functions.end();) {
    const bool drop = it->iFunc == INDEX_DrvRealizeBrush || it->iFunc == INDEX_DrvBitBlt ||
                      it->iFunc == INDEX_DrvQueryFontData || it->iFunc == INDEX_DrvQueryFont;
    it = drop ? device_.functions.erase(it) : it + 1;
  }
  Enable();
  EXPECT_EQ(reinterpret_cast<PFN_DrvRealizeBrush>(Hook(INDEX_DrvRealizeBrush))(
                nullptr, &surface_, nullptr, nullptr, nullptr, 0),
            TRUE);
  EXPECT_EQ(Invoker<PFN_DrvBitBlt>::Run(Hook(INDEX_DrvBitBlt), &surface_).result, 0u);
  EXPECT_EQ(Invoker<PFN_DrvQueryFont>::Run(Hook(INDEX_DrvQueryFont), &device_.devobj).result, 0u);
  // DrvQueryFontData reports failure as FD_ERROR.
  const Outcome data =
      Invoker<PFN_DrvQueryFontData>::Run(Hook(INDEX_DrvQueryFontData), &device_.devobj);
  EXPECT_EQ(static_cast<LONG>(data.result), -1);
  EXPECT_TRUE(device_.calls.empty());
  EXPECT_EQ(Invoker<PFN_DrvPaint>::Run(Hook(INDEX_DrvPaint), &surface_).result, 1u);
  EXPECT_EQ(device_.calls.size(), 1u);
}

TEST_F(PluginPdevFill, LooksAtNoMoreThanCountEntries) {
  // Only the first two of Unidrv's entries count: RealizeBrush and DitherColor.
  DRVENABLEDATA unidrv = device_.EnableData();
  unidrv.c = 2;
  Enable(&unidrv);
  EXPECT_EQ(Invoker<PFN_DrvDitherColor>::Run(Hook(INDEX_DrvDitherColor), &device_.devobj).result,
            1u);
  EXPECT_EQ(Invoker<PFN_DrvCopyBits>::Run(Hook(INDEX_DrvCopyBits), &surface_).result, 0u);
  EXPECT_EQ(device_.calls.size(), 1u);
}

TEST_F(PluginPdevFill, EmptyOrMissingUnidrvTableLeavesEverySlotEmpty) {
  DRVENABLEDATA empty = device_.EnableData();
  empty.c = 0;
  for (DRVENABLEDATA* unidrv : {&empty, static_cast<DRVENABLEDATA*>(nullptr)}) {
    Enable(unidrv);
    for (const ForwardCase& c : ForwardCases()) {
      const Outcome outcome = c.run(Hook(c.index), First(c));
      if (c.index == INDEX_DrvQueryFontData) {
        EXPECT_EQ(static_cast<LONG>(outcome.result), -1) << c.name;
      } else {
        EXPECT_EQ(outcome.result, 0u) << c.name;
      }
    }
    EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface_), FALSE);
    EXPECT_TRUE(device_.calls.empty());
    EXPECT_TRUE(device_.cursor.empty());
    ASSERT_EQ(plugin_->lpVtbl->DisablePDEV(plugin_, &device_.devobj), S_OK);
    enabled_ = false;
  }
}

TEST_F(PluginPdevFill, EachPdevKeepsItsOwnRecord) {
  Enable();
  UnidrvDevice other;
  other.functions.clear();
  DRVENABLEDATA none = other.EnableData();
  PVOID pdev = nullptr;
  ASSERT_EQ(plugin_->lpVtbl->EnablePDEV(plugin_, &other.devobj, nullptr, 0, nullptr, 0, nullptr,
                                        0, nullptr, &none, &pdev),
            S_OK);
  other.devobj.pdevOEM = pdev;
  EXPECT_NE(pdev, device_.devobj.pdevOEM);
  SURFOBJ other_surface{};
  other_surface.dhpdev = &other.devobj;
  EXPECT_EQ(Invoker<PFN_DrvPaint>::Run(Hook(INDEX_DrvPaint), &other_surface).result, 0u);
  EXPECT_EQ(Invoker<PFN_DrvPaint>::Run(Hook(INDEX_DrvPaint), &surface_).result, 1u);
  EXPECT_EQ(plugin_->lpVtbl->DisablePDEV(plugin_, &other.devobj), S_OK);
}

TEST_F(PluginPdevFill, EnablePdevWithoutOutputPointerFailsCleanly) {
  DRVENABLEDATA unidrv = device_.EnableData();
  SetLastError(0);
  EXPECT_EQ(plugin_->lpVtbl->EnablePDEV(plugin_, &device_.devobj, nullptr, 0, nullptr, 0, nullptr,
                                        0, nullptr, &unidrv, nullptr),
            E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(plugin_->lpVtbl->DisablePDEV(plugin_, nullptr), E_FAIL);
}

TEST_F(HookForwarding, HooksWithoutAReachablePdevFailInsteadOfCrashing) {
  Enable();
  SURFOBJ orphan{};
  plat::DEVOBJ bare{};
  for (const ForwardCase& c : ForwardCases()) {
    if (c.surface_first) {
      EXPECT_EQ(c.run(Hook(c.index), nullptr).result, 0u) << c.name;
      EXPECT_EQ(c.run(Hook(c.index), &orphan).result, 0u) << c.name;
    } else {
      EXPECT_EQ(c.run(Hook(c.index), nullptr).result & 0xFFFFFFFF,
                c.index == INDEX_DrvQueryFontData ? 0xFFFFFFFFu : 0u)
          << c.name;
    }
    if (!c.surface_first) continue;
    orphan.dhpdev = &bare;  // a DEVOBJ without the plug-in's record
    EXPECT_EQ(c.run(Hook(c.index), &orphan).result, 0u) << c.name;
    orphan.dhpdev = nullptr;
  }
  EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(nullptr), FALSE);
  EXPECT_TRUE(device_.calls.empty());
}

TEST_F(SendPageHook, PutsCursorAtOriginOnBitmapSurfacesBeforeForwarding) {
  Enable();
  size_t cursor_calls_seen_by_unidrv = 99;
  device_.on_send_page = [&](SURFOBJ* pso) {
    EXPECT_EQ(pso, &surface_);
    cursor_calls_seen_by_unidrv = device_.cursor.size();
  };
  EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface_), TRUE);
  EXPECT_EQ(cursor_calls_seen_by_unidrv, 2u);
  ASSERT_EQ(device_.cursor.size(), 2u);
  EXPECT_EQ(device_.cursor[0].axis, 'X');
  EXPECT_EQ(device_.cursor[0].position, 0);
  EXPECT_EQ(device_.cursor[0].flags, 0u);
  EXPECT_EQ(device_.cursor[1].axis, 'Y');
  EXPECT_EQ(device_.cursor[1].position, 0);
  EXPECT_EQ(device_.cursor[1].flags, 0u);
  ASSERT_EQ(device_.calls.size(), 1u);
  EXPECT_EQ(device_.calls[0].index, INDEX_DrvSendPage);
  EXPECT_EQ(device_.calls[0].args, std::vector<uintptr_t>{ArgWord(&surface_)});
}

TEST_F(SendPageHook, ReturnsUnidrvsResultEvenWhenCursorCallsFail) {
  Enable();
  device_.cursor_result = -1;
  device_.results[INDEX_DrvSendPage] = 0;
  EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface_), FALSE);
  EXPECT_EQ(device_.cursor.size(), 2u);
  device_.results[INDEX_DrvSendPage] = 1;
  EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface_), TRUE);
  EXPECT_EQ(device_.cursor.size(), 4u);
}

TEST_F(SendPageHook, OtherSurfaceTypesForwardWithoutCursorCalls) {
  Enable();
  for (USHORT type : {STYPE_DEVICE, STYPE_DEVBITMAP}) {
    surface_.iType = type;
    EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface_), TRUE);
  }
  EXPECT_TRUE(device_.cursor.empty());
  EXPECT_EQ(device_.calls.size(), 2u);
}

TEST_F(SendPageHook, MissingCursorCallbacksAreSkipped) {
  Enable();
  device_.procs.DrvXMoveTo = nullptr;
  EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface_), TRUE);
  ASSERT_EQ(device_.cursor.size(), 1u);
  EXPECT_EQ(device_.cursor[0].axis, 'Y');
  device_.devobj.pDrvProcs = nullptr;
  EXPECT_EQ(reinterpret_cast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface_), TRUE);
  EXPECT_EQ(device_.calls.size(), 2u);
}

}  // namespace
