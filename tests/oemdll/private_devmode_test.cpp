// The plug-in's private devmode record through IPrintOemUni::DevMode.
#include <gtest/gtest.h>
#include <string.h>

#include <array>

#include "tests/oemdll/plugin_test_support.h"

namespace {

constexpr uint32_t kSignature = 0x51444E5A;  // "ZNDQ" in memory order

// Records as Unidrv keeps them, with room behind to catch overruns.
using Record = std::array<uint32_t, 6>;
constexpr uint32_t kUntouched = 0xEEEEEEEE;

class PrivateDevmode : public q2test::LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    plugin_ = CreatePlugin();
    ASSERT_NE(plugin_, nullptr);
    in_.fill(kUntouched);
    out_.fill(kUntouched);
  }
  void TearDown() override {
    if (plugin_ != nullptr) plugin_->lpVtbl->Release(plugin_);
    LoadedPlugin::TearDown();
  }
  HRESULT DevMode(DWORD mode, void* in, void* out) {
    param_ = plat::OEMDMPARAM{};
    param_.cbSize = sizeof param_;
    param_.pOEMDMIn = in;
    param_.pOEMDMOut = out;
    return plugin_->lpVtbl->DevMode(plugin_, mode, &param_);
  }
  static Record Make(uint32_t size, uint32_t signature, uint32_t version, uint32_t extra) {
    return {size, signature, version, extra, kUntouched, kUntouched};
  }

  plat::IPrintOemUni* plugin_ = nullptr;
  plat::OEMDMPARAM param_{};
  Record in_;
  Record out_;
};

const Record kDefault = {16, kSignature, 1, 0, kUntouched, kUntouched};

TEST_F(PrivateDevmode, SizeIsSixteenBytesAndWritesNoRecord) {
  EXPECT_EQ(DevMode(plat::OEMDM_SIZE, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(param_.cbBufSize, 16u);
  for (uint32_t word : out_) EXPECT_EQ(word, kUntouched);
}

TEST_F(PrivateDevmode, DefaultRecordBytes) {
  EXPECT_EQ(DevMode(plat::OEMDM_DEFAULT, nullptr, out_.data()), S_OK);
  const uint8_t expected[16] = {16, 0, 0, 0, 'Z', 'N', 'D', 'Q', 1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(memcmp(out_.data(), expected, 16), 0);
  EXPECT_EQ(out_[4], kUntouched);
}

TEST_F(PrivateDevmode, DefaultWithoutOutputRecordFailsCleanly) {
  SetLastError(0);
  EXPECT_EQ(DevMode(plat::OEMDM_DEFAULT, in_.data(), nullptr), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PrivateDevmode, ConvertFromShorterRecordKeepsPrivateWordZero) {
  in_ = Make(12, kSignature, 9, 0x77);
  out_ = Make(16, kSignature, 5, 0x55);
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(out_, Make(16, kSignature, 1, 0));
}

TEST_F(PrivateDevmode, ConvertCarriesPrivateWordOver) {
  in_ = Make(16, kSignature, 1, 7);
  out_ = kDefault;
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(out_, Make(16, kSignature, 1, 7));
}

TEST_F(PrivateDevmode, ConvertCopiesOnlyWhatTheOutputRecordHolds) {
  in_ = Make(16, kSignature, 1, 7);
  out_ = Make(8, kSignature, 1, 0x55);
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(out_, Make(16, kSignature, 1, 0));
}

TEST_F(PrivateDevmode, ConvertNeverCopiesMoreThanTheRecordWhateverSizesSay) {
  in_ = {1000, kSignature, 1, 7, 0x11111111, 0x22222222};
  out_ = Make(1000, kSignature, 1, 0);
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(out_, Make(16, kSignature, 1, 7));
}

TEST_F(PrivateDevmode, ConvertReplacesForeignRecordWithDefault) {
  in_ = Make(16, 0x12345678, 3, 7);
  out_ = Make(16, kSignature, 1, 9);
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(out_, kDefault);
}

TEST_F(PrivateDevmode, ConvertComparesWithTheOutputsSignatureNotOurs) {
  // Both records carry the same foreign signature: that counts as a match.
  in_ = Make(16, 0x12345678, 3, 7);
  out_ = Make(16, 0x12345678, 3, 0);
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(out_, Make(16, 0x12345678, 1, 7));
}

TEST_F(PrivateDevmode, ConvertWithMissingRecordWritesNothing) {
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, nullptr, out_.data()), S_OK);
  for (uint32_t word : out_) EXPECT_EQ(word, kUntouched);
  in_ = kDefault;
  EXPECT_EQ(DevMode(plat::OEMDM_CONVERT, in_.data(), nullptr), S_OK);
}

TEST_F(PrivateDevmode, MergeAlwaysYieldsDefault) {
  in_ = Make(16, kSignature, 1, 7);
  out_ = Make(16, kSignature, 1, 0);
  EXPECT_EQ(DevMode(plat::OEMDM_MERGE, in_.data(), out_.data()), S_OK);
  EXPECT_EQ(out_, kDefault);
  out_.fill(kUntouched);
  EXPECT_EQ(DevMode(plat::OEMDM_MERGE, nullptr, out_.data()), S_OK);
  EXPECT_EQ(out_, kDefault);
  EXPECT_EQ(DevMode(plat::OEMDM_MERGE, in_.data(), nullptr), S_OK);
}

TEST_F(PrivateDevmode, UnknownModesAndMissingParametersAreInvalid) {
  for (DWORD mode : {DWORD{0}, DWORD{5}}) {
    SetLastError(0);
    EXPECT_EQ(DevMode(mode, in_.data(), out_.data()), E_FAIL) << mode;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  for (uint32_t word : out_) EXPECT_EQ(word, kUntouched);
  SetLastError(0);
  EXPECT_EQ(plugin_->lpVtbl->DevMode(plugin_, plat::OEMDM_SIZE, nullptr), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
