// Fuzzes the plug-in's private devmode through its exports, as Unidrv
// reaches it: DllGetClassObject, the class factory, then IPrintOemUni::DevMode
// with arbitrary modes, arbitrary input and output records, and null
// pointers where Unidrv could pass them.
//
// Both records are heap buffers of exactly the 16 bytes the plug-in asked
// for, so that a record claiming a larger size cannot make it read or write
// past them unseen. Every result is checked against the record rules.
#include <string.h>

#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/com.h"
#include "platform/last_error.h"
#include "platform/printer_oem.h"

extern "C" HRESULT Q2_STDCALL DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
extern "C" HRESULT Q2_STDCALL DllCanUnloadNow();

namespace {

constexpr DWORD kSignature = 'Z' | 'N' << 8 | 'D' << 16 | static_cast<DWORD>('Q') << 24;
constexpr DWORD kRecordBytes = 16;
constexpr DWORD kModeSize = 1, kModeDefault = 2, kModeConvert = 3, kModeMerge = 4;

struct Record {
  DWORD size, signature, version, priv;
};
static_assert(sizeof(Record) == kRecordBytes, "the plug-in's private record");

const Record kDefault = {kRecordBytes, kSignature, 1, 0};

bool Same(const Record& a, const Record& b) { return memcmp(&a, &b, sizeof a) == 0; }

// What converting `in` over `out` must give: the default record for a
// foreign signature, else the input's leading bytes (no more than the
// smaller size, and never more than the record) over a cleared private word,
// with size and version put right.
Record Converted(const Record& in, const Record& out) {
  if (in.signature != out.signature) return kDefault;
  Record r = out;
  r.priv = 0;
  DWORD n = in.size < out.size ? in.size : out.size;
  if (n > kRecordBytes) n = kRecordBytes;
  memcpy(&r, &in, n);
  r.size = kRecordBytes;
  r.version = 1;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  plat::IClassFactory* factory = nullptr;
  FUZZ_CHECK(DllGetClassObject(plat::kClsidOemRender, plat::kIidIClassFactory,
                               reinterpret_cast<void**>(&factory)) == S_OK);
  plat::IPrintOemUni* plugin = nullptr;
  FUZZ_CHECK(factory->lpVtbl->CreateInstance(factory, nullptr, plat::kIidIPrintOemUni,
                                             reinterpret_cast<void**>(&plugin)) == S_OK);
  factory->lpVtbl->Release(reinterpret_cast<plat::IClassFactory*>(factory));

  size_t calls = 0;
  while (in.remaining() > 0 && ++calls < 256) {
    const uint8_t choice = in.Byte();
    const DWORD mode = (choice & 0x80) ? in.U32() : choice % 6;
    const bool null_param = (choice & 0x40) && (choice & 0x20);
    const bool null_in = (choice & 0x10) && (choice & 0x08);
    const bool null_out = (choice & 0x04) && (choice & 0x02);
    // Records of exactly 16 bytes on the heap, filled from the input; most
    // carry the plug-in's own signature so that conversion is reached.
    std::vector<uint8_t> in_bytes = in.Bytes(kRecordBytes), out_bytes = in.Bytes(kRecordBytes);
    in_bytes.resize(kRecordBytes);
    out_bytes.resize(kRecordBytes);
    const uint8_t signatures = in.Byte();
    if (signatures & 1) memcpy(in_bytes.data() + 4, &kSignature, 4);
    if (signatures & 2) memcpy(out_bytes.data() + 4, &kSignature, 4);
    Record in_before, out_before;
    memcpy(&in_before, in_bytes.data(), kRecordBytes);
    memcpy(&out_before, out_bytes.data(), kRecordBytes);

    plat::OEMDMPARAM param{};
    param.cbSize = sizeof param;
    param.pOEMDMIn = null_in ? nullptr : in_bytes.data();
    param.pOEMDMOut = null_out ? nullptr : out_bytes.data();
    param.cbBufSize = 0xDEADBEEF;
    SetLastError(0);
    const HRESULT hr = plugin->lpVtbl->DevMode(plugin, mode, null_param ? nullptr : &param);

    Record in_after, out_after;
    memcpy(&in_after, in_bytes.data(), kRecordBytes);
    memcpy(&out_after, out_bytes.data(), kRecordBytes);
    FUZZ_CHECK(Same(in_after, in_before));  // the input record is only read
    if (null_param || mode < kModeSize || mode > kModeMerge) {
      FUZZ_CHECK(hr == E_FAIL);
      FUZZ_CHECK(GetLastError() == ERROR_INVALID_PARAMETER);
      FUZZ_CHECK(Same(out_after, out_before));
      continue;
    }
    switch (mode) {
      case kModeSize:
        FUZZ_CHECK(hr == S_OK);
        FUZZ_CHECK(param.cbBufSize == kRecordBytes);
        FUZZ_CHECK(Same(out_after, out_before));
        break;
      case kModeDefault:
        // A null output record is refused rather than written through.
        if (null_out) {
          FUZZ_CHECK(hr == E_FAIL);
        } else {
          FUZZ_CHECK(hr == S_OK);
          FUZZ_CHECK(Same(out_after, kDefault));
        }
        break;
      case kModeConvert:
        FUZZ_CHECK(hr == S_OK);
        if (null_in || null_out) {
          FUZZ_CHECK(Same(out_after, out_before));
        } else {
          FUZZ_CHECK(Same(out_after, Converted(in_before, out_before)));
        }
        break;
      case kModeMerge:
        FUZZ_CHECK(hr == S_OK);
        FUZZ_CHECK(Same(out_after, null_out ? out_before : kDefault));
        break;
    }
  }

  FUZZ_CHECK(plugin->lpVtbl->Release(plugin) == 0);
  FUZZ_CHECK(DllCanUnloadNow() == S_OK);
  return 0;
}
