// The IPrintOemUni object's own methods, through the exported entry points.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hosts/unidrv_helper.h"
#include "raster/band_encoder.h"
#include "tests/oemdll/plugin_test_support.h"
#include "tests/support/recording_sink.h"

namespace {

using plat::IPrintOemUni;

class PluginObject : public q2test::LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    plugin_ = CreatePlugin();
    ASSERT_NE(plugin_, nullptr);
  }
  void TearDown() override {
    if (plugin_ != nullptr) {
      EXPECT_EQ(plugin_->lpVtbl->Release(plugin_), 0u);
    }
    LoadedPlugin::TearDown();
  }
  const plat::IPrintOemUniVtbl* V() const { return plugin_->lpVtbl; }
  HRESULT Implemented(const char* name) {
    std::vector<char> copy(name, name + strlen(name) + 1);
    return V()->GetImplementedMethod(plugin_, copy.data());
  }

  IPrintOemUni* plugin_ = nullptr;
};

using GetInfo = PluginObject;
using GetImplementedMethod = PluginObject;
using PublishDriverInterface = PluginObject;
using PluginMethods = PluginObject;

TEST_F(GetInfo, ReportsSignatureBytesZNDQ) {
  uint8_t buffer[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  DWORD needed = 0;
  EXPECT_EQ(V()->GetInfo(plugin_, plat::OEMGI_GETSIGNATURE, buffer, 4, &needed), S_OK);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(memcmp(buffer, "ZNDQ", 4), 0);
  EXPECT_EQ(buffer[4], 0xEE);
}

TEST_F(GetInfo, ReportsVersionOne) {
  DWORD version = 0;
  DWORD needed = 0;
  EXPECT_EQ(V()->GetInfo(plugin_, plat::OEMGI_GETVERSION, &version, 4, &needed), S_OK);
  EXPECT_EQ(version, 1u);
  EXPECT_EQ(needed, 4u);
}

TEST_F(GetInfo, ShortOrMissingBufferAsksForFourBytes) {
  uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  DWORD needed = 0;
  SetLastError(0);
  EXPECT_EQ(V()->GetInfo(plugin_, plat::OEMGI_GETVERSION, buffer, 3, &needed), E_FAIL);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(buffer[0], 0xEE);
  needed = 0;
  SetLastError(0);
  EXPECT_EQ(V()->GetInfo(plugin_, plat::OEMGI_GETSIGNATURE, nullptr, 4, &needed), E_FAIL);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(GetInfo, InterfaceVersionAndUnknownModesAreInvalid) {
  for (DWORD mode : {plat::OEMGI_GETINTERFACEVERSION, DWORD{0}, DWORD{5}, DWORD{0xFFFFFFFF}}) {
    DWORD buffer = 0xEEEEEEEE;
    DWORD needed = 77;
    SetLastError(0);
    EXPECT_EQ(V()->GetInfo(plugin_, mode, &buffer, 4, &needed), E_FAIL) << mode;
    EXPECT_EQ(needed, 77u) << mode;
    EXPECT_EQ(buffer, 0xEEEEEEEEu) << mode;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << mode;
  }
}

TEST_F(GetInfo, PublisherInfoAsksForEightBytesAndSetsNoError) {
  uint8_t buffer[100];
  memset(buffer, 0xEE, sizeof buffer);
  DWORD needed = 0;
  SetLastError(1234);
  EXPECT_EQ(V()->GetInfo(plugin_, plat::OEMGI_GETPUBLISHERINFO, buffer, 100, &needed), E_FAIL);
  EXPECT_EQ(needed, 8u);
  EXPECT_EQ(GetLastError(), 1234u);
  for (uint8_t b : buffer) ASSERT_EQ(b, 0xEE);
}

TEST_F(GetInfo, MissingNeededPointerIsInvalidBeforeAnythingElse) {
  DWORD buffer = 0xEEEEEEEE;
  SetLastError(0);
  EXPECT_EQ(V()->GetInfo(plugin_, plat::OEMGI_GETSIGNATURE, &buffer, 4, nullptr), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(buffer, 0xEEEEEEEEu);
}

TEST_F(GetImplementedMethod, AnswersEveryListedNameAndNothingElse) {
  const char* listed[] = {"CommandCallback",   "Compression",      "DisableDriver",
                          "DisablePDEV",       "DriverDMS",        "DevMode",
                          "DownloadFontHeader", "DownloadCharGlyph", "EnableDriver",
                          "EnablePDEV",        "FilterGraphics",   "GetInfo",
                          "HalftonePattern",   "ImageProcessing",  "MemoryUsage",
                          "OutputCharStr",     "ResetPDEV",        "SendFontCmd",
                          "TextOutAsBitmap",   "TTDownloadMethod", "TTYGetInfo"};
  for (const char* name : listed) {
    EXPECT_EQ(Implemented(name), S_OK) << name;
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(tolower(c));
    EXPECT_EQ(Implemented(lower.c_str()), S_FALSE) << lower;
    EXPECT_EQ(Implemented((std::string(name) + "X").c_str()), S_FALSE) << name;
    EXPECT_EQ(Implemented(std::string(name).substr(0, strlen(name) - 1).c_str()), S_FALSE) << name;
  }
}

TEST_F(GetImplementedMethod, UnlistedMethodNamesAnswerFalse) {
  for (const char* name : {"PublishDriverInterface", "GetImplementedMethod", "QueryInterface",
                           "AddRef", "Release", "", "C", "D", "Z", "ImageProcessing "}) {
    EXPECT_EQ(Implemented(name), S_FALSE) << '"' << name << '"';
  }
}

TEST_F(GetImplementedMethod, NullNameNamesNoMethod) {
  EXPECT_EQ(V()->GetImplementedMethod(plugin_, nullptr), S_FALSE);
}

TEST_F(PluginMethods, QueryInterfaceGrantsIUnknownAndIPrintOemUniOnly) {
  void* object = nullptr;
  EXPECT_EQ(V()->QueryInterface(plugin_, plat::kIidIUnknown, &object), S_OK);
  EXPECT_EQ(object, plugin_);
  EXPECT_EQ(V()->QueryInterface(plugin_, plat::kIidIPrintOemUni, &object), S_OK);
  EXPECT_EQ(object, plugin_);
  EXPECT_EQ(V()->Release(plugin_), 2u);
  EXPECT_EQ(V()->Release(plugin_), 1u);
  for (const GUID& iid : {plat::kIidIPrintOemDriverUni, plat::kIidIClassFactory}) {
    object = plugin_;
    EXPECT_EQ(V()->QueryInterface(plugin_, iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(V()->QueryInterface(plugin_, plat::kIidIUnknown, nullptr), E_POINTER);
}

TEST_F(PublishDriverInterface, HoldsOneReferenceAndKeepsTheFirstHelper) {
  hosts::UnidrvHelper first("DISC_S");
  hosts::UnidrvHelper second("DISC_D");
  EXPECT_EQ(V()->PublishDriverInterface(plugin_, first.Unknown()), S_OK);
  EXPECT_EQ(first.References(), 2);
  EXPECT_EQ(V()->PublishDriverInterface(plugin_, second.Unknown()), S_OK);
  EXPECT_EQ(first.References(), 2);
  EXPECT_EQ(second.References(), 1);
  EXPECT_EQ(V()->PublishDriverInterface(plugin_, nullptr), S_OK);
  EXPECT_EQ(V()->DisableDriver(plugin_), S_OK);
  EXPECT_EQ(first.References(), 1);
  // After DisableDriver the helper is obtained afresh.
  EXPECT_EQ(V()->PublishDriverInterface(plugin_, second.Unknown()), S_OK);
  EXPECT_EQ(second.References(), 2);
  EXPECT_EQ(V()->Release(plugin_), 0u);
  plugin_ = nullptr;
  EXPECT_EQ(second.References(), 1);
}

TEST_F(PublishDriverInterface, ReleaseAfterDisableDriverReleasesNothingMore) {
  hosts::UnidrvHelper helper("DISC_S");
  ASSERT_EQ(V()->PublishDriverInterface(plugin_, helper.Unknown()), S_OK);
  EXPECT_EQ(V()->DisableDriver(plugin_), S_OK);
  EXPECT_EQ(V()->DisableDriver(plugin_), S_OK);
  EXPECT_EQ(helper.References(), 1);
  EXPECT_EQ(V()->Release(plugin_), 0u);
  plugin_ = nullptr;
  EXPECT_EQ(helper.References(), 1);
}

// An IUnknown that offers no IPrintOemDriverUni.
struct Refusing {
  const plat::IUnknownVtbl* lpVtbl;
  static HRESULT Q2_STDCALL Query(plat::IUnknown*, REFIID, void** ppv) {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  static ULONG Q2_STDCALL Count(plat::IUnknown*) { return 1; }
};
const plat::IUnknownVtbl kRefusingVtbl = {&Refusing::Query, &Refusing::Count, &Refusing::Count};

TEST_F(PublishDriverInterface, FailsWhenUnidrvHasNoHelperAndTriesAgainLater) {
  Refusing refusing{&kRefusingVtbl};
  EXPECT_EQ(V()->PublishDriverInterface(plugin_, reinterpret_cast<plat::IUnknown*>(&refusing)),
            E_FAIL);
  SetLastError(0);
  EXPECT_EQ(V()->PublishDriverInterface(plugin_, nullptr), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  hosts::UnidrvHelper helper("DISC_S");
  EXPECT_EQ(V()->PublishDriverInterface(plugin_, helper.Unknown()), S_OK);
  EXPECT_EQ(helper.References(), 2);
  EXPECT_EQ(V()->DisableDriver(plugin_), S_OK);
}

TEST_F(PluginMethods, CommandCallbackAlwaysAnswersZero) {
  INT result = 99;
  DWORD params[2] = {1, 2};
  EXPECT_EQ(V()->CommandCallback(plugin_, nullptr, 7, 2, params, &result), S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(V()->CommandCallback(plugin_, nullptr, 7, 0, nullptr, nullptr), S_OK);
}

TEST_F(PluginMethods, UnimplementedMethodsWriteNothing) {
  INT result = 55;
  DWORD dword = 55;
  DWORD needed = 55;
  uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(V()->DriverDMS(plugin_, nullptr, bytes, 4, &needed), E_NOTIMPL);
  EXPECT_EQ(V()->Compression(plugin_, nullptr, bytes, bytes, 4, 4, &result), E_NOTIMPL);
  EXPECT_EQ(V()->HalftonePattern(plugin_, nullptr, bytes, 1, 1, 1, 0, bytes, 4), E_NOTIMPL);
  EXPECT_EQ(V()->MemoryUsage(plugin_, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(V()->TTYGetInfo(plugin_, nullptr, 0, bytes, 4, &needed), E_NOTIMPL);
  EXPECT_EQ(V()->DownloadFontHeader(plugin_, nullptr, nullptr, &dword), E_NOTIMPL);
  EXPECT_EQ(V()->DownloadCharGlyph(plugin_, nullptr, nullptr, 0, &needed, &dword), E_NOTIMPL);
  EXPECT_EQ(V()->TTDownloadMethod(plugin_, nullptr, nullptr, &dword), E_NOTIMPL);
  EXPECT_EQ(V()->OutputCharStr(plugin_, nullptr, nullptr, 0, 0, bytes), E_NOTIMPL);
  EXPECT_EQ(V()->SendFontCmd(plugin_, nullptr, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(V()->TextOutAsBitmap(plugin_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, 0),
            E_NOTIMPL);
  EXPECT_EQ(result, 55);
  EXPECT_EQ(dword, 55u);
  EXPECT_EQ(needed, 55u);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[3], 4);
}

TEST_F(PluginMethods, FilterGraphicsAndResetPdevDoNothing) {
  uint8_t bytes[3] = {7, 8, 9};
  EXPECT_EQ(V()->FilterGraphics(plugin_, nullptr, bytes, 3), S_OK);
  EXPECT_EQ(bytes[0], 7);
  EXPECT_EQ(V()->ResetPDEV(plugin_, nullptr, nullptr), S_OK);
}

TEST_F(PluginMethods, EnableDriverWithoutRecordFailsCleanly) {
  SetLastError(0);
  EXPECT_EQ(V()->EnableDriver(plugin_, plat::PRINTER_OEMINTF_VERSION, 0, nullptr), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

class ImageProcessing : public PluginObject {
 protected:
  // A 16 x 2 colour band: one cyan dot at pixel 0 of scan line 0.
  void SetUp() override {
    PluginObject::SetUp();
    bits_.assign(8 * 2, 0xFF);
    bits_[0] = 0xEF;
    header_ = BITMAPINFOHEADER{};
    header_.biSize = sizeof header_;
    header_.biWidth = 16;
    header_.biHeight = 2;
    header_.biPlanes = 1;
    header_.biBitCount = 4;
    header_.biSizeImage = static_cast<DWORD>(bits_.size());
    dm_ = DEVMODEW{};
    dm_.dmOrientation = DMORIENT_PORTRAIT;
    dm_.dmYResolution = 600;
    devobj_ = plat::DEVOBJ{};
    devobj_.pPublicDM = &dm_;
  }
  HRESULT Process(PBYTE* result) {
    return V()->ImageProcessing(plugin_, &devobj_, bits_.data(), &header_, nullptr, 0, nullptr,
                                result);
  }

  std::vector<uint8_t> bits_;
  BITMAPINFOHEADER header_;
  DEVMODEW dm_;
  plat::DEVOBJ devobj_;
};

TEST_F(ImageProcessing, WritesBandThroughPublishedHelperAndHandsItBack) {
  hosts::UnidrvHelper helper("DISC_S");
  ASSERT_EQ(V()->PublishDriverInterface(plugin_, helper.Unknown()), S_OK);
  const std::vector<uint8_t> original = bits_;
  PBYTE result = nullptr;
  EXPECT_EQ(Process(&result), S_OK);
  EXPECT_EQ(result, bits_.data());
  EXPECT_EQ(bits_, original);
  EXPECT_EQ(helper.settings_read, 1);
  // Three passes, each opening with the plane start and plain mode.
  const std::string spool(helper.spool.begin(), helper.spool.end());
  size_t starts = 0;
  for (size_t at = 0; (at = spool.find("\x1b!d4Q\x1b*b0M", at)) != std::string::npos; ++at) {
    ++starts;
  }
  EXPECT_EQ(starts, 3u);
  EXPECT_NE(spool.find("\x1b*p0Y"), std::string::npos);
  EXPECT_EQ(V()->DisableDriver(plugin_), S_OK);
}

// The adapter between Unidrv and the band encoder: it asks for "DISCTYPE"
// once, skips the centre band exactly for a keyword whose sixth character
// is 'D' and a call that succeeds, names Unidrv's device object in every
// call, and writes each piece the encoder makes as one spool write.
TEST_F(ImageProcessing, HandsUnidrvsSettingsToTheEncoderAndItsPiecesToTheSpooler) {
  // A monochrome band of 2000 inked scan lines of 4 bytes, across the centre band.
  bits_.assign(4 * 2000, 0x00);
  header_.biWidth = 32;
  header_.biHeight = 2000;
  header_.biBitCount = 1;
  header_.biSizeImage = static_cast<DWORD>(bits_.size());
  const std::string too_long_for_the_buffer(300, 'D');
  const struct {
    std::string keyword;
    bool skip;
  } cases[] = {{"DISC_D", true},    {"ABCDEDxyz", true}, {"DISC_d", false},
               {"DISCD", false},    {"DISC_S", false},   {too_long_for_the_buffer, false}};
  for (const auto& c : cases) {
    hosts::UnidrvHelper helper(c.keyword);
    ASSERT_EQ(V()->PublishDriverInterface(plugin_, helper.Unknown()), S_OK);
    PBYTE result = nullptr;
    EXPECT_EQ(Process(&result), S_OK);

    testsupport::RecordingSink want;
    raster::BandView band;
    band.bits = bits_.data();
    band.width = 32;
    band.height = 2000;
    band.stride = 4;
    band.bits_per_pixel = 1;
    raster::EncodeBand(band, raster::BandSettings{1, c.skip}, &want);
    EXPECT_EQ(helper.settings_read, 1) << c.keyword;
    EXPECT_EQ(helper.spool, want.bytes) << c.keyword;
    EXPECT_EQ(helper.write_sizes, want.sizes) << c.keyword;
    EXPECT_EQ(std::count(helper.devobjs.begin(), helper.devobjs.end(), &devobj_),
              static_cast<long>(helper.devobjs.size()))
        << c.keyword;
    EXPECT_EQ(V()->DisableDriver(plugin_), S_OK);
  }
}

TEST_F(ImageProcessing, WithoutHelperFailsInsteadOfDroppingTheBand) {
  PBYTE result = reinterpret_cast<PBYTE>(0x1);
  SetLastError(0);
  EXPECT_EQ(Process(&result), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(result, reinterpret_cast<PBYTE>(0x1));
}

TEST_F(ImageProcessing, MissingArgumentsFailWithoutWriting) {
  hosts::UnidrvHelper helper("DISC_S");
  ASSERT_EQ(V()->PublishDriverInterface(plugin_, helper.Unknown()), S_OK);
  PBYTE result = nullptr;
  EXPECT_EQ(V()->ImageProcessing(plugin_, &devobj_, bits_.data(), nullptr, nullptr, 0, nullptr,
                                 &result),
            E_FAIL);
  EXPECT_EQ(V()->ImageProcessing(plugin_, &devobj_, bits_.data(), &header_, nullptr, 0, nullptr,
                                 nullptr),
            E_FAIL);
  devobj_.pPublicDM = nullptr;
  EXPECT_EQ(Process(&result), E_FAIL);
  EXPECT_EQ(V()->ImageProcessing(plugin_, nullptr, bits_.data(), &header_, nullptr, 0, nullptr,
                                 &result),
            E_FAIL);
  EXPECT_TRUE(helper.spool.empty());
  EXPECT_EQ(V()->DisableDriver(plugin_), S_OK);
}

}  // namespace
