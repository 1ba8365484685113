// Fuzzes the NT 4.0 minidriver through its three exports: arbitrary bindings
// and arbitrary sequences of scanlines of arbitrary lengths, bound and
// unbound, with runs long enough to reach the colour page's line limit.
//
// The module's state lives as long as it is loaded; this harness links its
// own copy and puts the state back to the load image before every input, so
// each input starts as a fresh load would.
//
// Input: a list of operations, each an operation byte and its arguments:
//   0 bind (size, version, callback or none)    1 bInitProc
//   2 scanline (length, bytes)                  3 repeat the last three
//   scanlines n times                           4 the record pointer null
//
// Where the input is a well-formed page (bound before the first scanline and
// all scanlines of one length that fits the printer line), the output,
// behind the host's begin-page command, must decode without a problem into
// exactly the page: every plane or every monochrome row.
#include <string.h>

#include <vector>

#include "fuzz/fuzz_input.h"
#include "minidrv/module_state.h"
#include "minidrv/quilry2.h"
#include "raster/command_stream.h"
#include "stream/decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Run {
  Bytes output;
  bool in_call = false;
};
Run* g_run = nullptr;
int g_device = 0;

int32_t Q2_STDCALL Record(void* device, const void* bytes, int32_t count) {
  // Bytes leave only during a scanline call, for that call's device.
  FUZZ_CHECK(g_run != nullptr && g_run->in_call);
  FUZZ_CHECK(device == &g_device);
  FUZZ_CHECK(count > 0);
  const uint8_t* b = static_cast<const uint8_t*>(bytes);
  g_run->output.insert(g_run->output.end(), b, b + count);
  return count;
}

void ResetModule() {
  using namespace minidrv;
  memset(&ntmdInit, 0, sizeof ntmdInit);
  nColorMode = nDPI = nStep = nPlane = nLinesWritten = bStop = 0;
  iP0 = iP1 = iP2 = 0;
  bFirstPagePrinted = bRleMode = 0;
  LastX = -1;
  LastY = -99;
  MonoLastX = -1;
  RleSize = 0;
}

// What the page should print, when the input is simple enough to know.
struct Expectation {
  bool known = true;
  bool bound = false;
  int32_t length = -1;
  std::vector<Bytes> scanlines;  // in arrival order, while the module takes them
};

void CheckColour(const Expectation& e, const stream::DecodedStream& decoded) {
  const Bytes& first = e.scanlines[0];
  const int32_t step = (first[0] & 0x40) ? 1 : 2;
  const int32_t limit = step == 1 ? minidrv::kLineLimit600 : minidrv::kLineLimit300;
  const size_t triggered = static_cast<size_t>(limit - 1) * 3;  // index of the scanline that sends
  if (e.scanlines.size() <= triggered) {
    // The page is not complete: nothing but the host's begin-page goes out.
    FUZZ_CHECK(decoded.planes.size() == 1 && decoded.planes[0].rows.empty());
    return;
  }
  FUZZ_CHECK(decoded.Clean());
  FUZZ_CHECK(decoded.planes.size() == 3);
  const int32_t fitting = minidrv::kPlaneBytes / e.length;
  const int32_t rows = limit - 1 < fitting ? limit - 1 : fitting;
  for (int send = 0; send < 3; ++send) {
    const int plane = 2 - send;  // yellow, magenta, cyan
    const stream::Plane& got = decoded.planes[static_cast<size_t>(send)];
    size_t printed = 0;
    for (int32_t r = 0; r < rows; ++r) {
      Bytes row = e.scanlines[static_cast<size_t>(r) * 3 + plane];
      row[0] &= static_cast<uint8_t>(r == 0 ? 0x3F : 0x7F);
      Bytes line(stream::kLineBytes, 0);
      bool any = false;
      for (int32_t i = 0; i < e.length; ++i) {
        line[static_cast<size_t>(i + minidrv::kColourMargin)] = row[static_cast<size_t>(i)];
        any |= row[static_cast<size_t>(i)] != 0;
      }
      const auto it = got.rows.find(r * step);
      FUZZ_CHECK(any == (it != got.rows.end()));
      if (!any) continue;
      FUZZ_CHECK(it->second == line);
      ++printed;
    }
    FUZZ_CHECK(got.rows.size() == printed);
  }
}

void CheckMonochrome(const Expectation& e, const stream::DecodedStream& decoded, int32_t step) {
  FUZZ_CHECK(decoded.planes.size() == 1);
  // Monochrome rows carry no position: the printer moves down one row per
  // transfer, and blank scanlines send nothing at all. Rows that move past
  // the page are reported and not placed.
  const stream::Plane& got = decoded.planes[0];
  auto it = got.rows.begin();
  int64_t address = 0;
  for (const Bytes& scanline : e.scanlines) {
    Bytes line(stream::kLineBytes, 0);
    bool any = false;
    for (size_t i = 0; i < scanline.size(); ++i) {
      line[minidrv::kMonoEnd - scanline.size() + i] = scanline[i];
      any |= scanline[i] != 0;
    }
    if (!any) continue;
    if (address <= stream::LastPageRow(step)) {
      FUZZ_CHECK(it != got.rows.end());
      FUZZ_CHECK(it->second == line);
      ++it;
    }
    address += step;
  }
  FUZZ_CHECK(it == got.rows.end());
  FUZZ_CHECK(decoded.Clean() == (address - step <= stream::LastPageRow(step)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  ResetModule();
  Run run;
  g_run = &run;
  Expectation e;
  std::vector<Bytes> recent;  // the last three scanlines sent, for repeats
  FUZZ_CHECK(bInitProc(0, 0, 0) == TRUE);

  auto send = [&](const Bytes& scanline, int32_t length) {
    // Empty and negative scanlines are fine to send, but make no known page.
    if (!e.bound || length <= 0) e.known = false;
    if (e.length < 0) e.length = length;
    if (length != e.length) e.known = false;
    if (e.known) e.scanlines.push_back(scanline);
    run.in_call = true;
    FUZZ_CHECK(CBFilterGraphics(&g_device, scanline.empty() ? nullptr : scanline.data(), length) == 0);
    run.in_call = false;
  };

  size_t operations = 0;
  while (in.remaining() > 0 && ++operations < 4096) {
    switch (in.Byte() % 5) {
      case 0: {
        Q2MinidriverInit record{};
        record.wSize = in.U16();
        record.wVersion = in.U16();
        record.pfnWriteSpoolBuf = in.Flag() ? Record : nullptr;
        const bool ok = record.wSize >= sizeof record && record.wVersion != 0;
        FUZZ_CHECK(bSetFuncAddr(&record) == (ok ? TRUE : FALSE));
        if (ok) {
          // Only a binding made before the first scanline, and never lost,
          // gives a page whose output is known.
          if (!e.scanlines.empty() || record.pfnWriteSpoolBuf == nullptr) e.known = false;
          e.bound = record.pfnWriteSpoolBuf != nullptr;
        }
        break;
      }
      case 1:
        FUZZ_CHECK(bInitProc(in.U32(), in.U32(), in.U32()) == TRUE);
        break;
      case 2: {
        const uint8_t kind = in.Byte();
        // Mostly the lengths the host sends (colour 185..189, monochrome
        // below 185); sometimes anything, negative included.
        int32_t length = kind < 200 ? 150 + in.Byte() % 45 : (kind < 250 ? in.U16() % 2000 : in.I32());
        Bytes scanline = in.Bytes(length > 0 ? static_cast<size_t>(length) : 0);
        if (length > 0 && scanline.size() < static_cast<size_t>(length)) {
          length = static_cast<int32_t>(scanline.size());  // the input ran out
        }
        send(scanline, length);
        recent.push_back(scanline);
        if (recent.size() > 3) recent.erase(recent.begin());
        break;
      }
      case 3: {
        const uint16_t times = in.U16() % 3000;
        for (uint16_t t = 0; t < times; ++t) {
          for (const Bytes& scanline : recent) send(scanline, static_cast<int32_t>(scanline.size()));
        }
        break;
      }
      case 4:
        FUZZ_CHECK(bSetFuncAddr(nullptr) == FALSE);
        break;
    }
  }
  g_run = nullptr;

  if (!e.known || e.scanlines.empty() || e.length <= 0) return 0;
  // The host driver's begin-page command precedes what the module sends.
  Bytes stream(raster::kPlaneStart, raster::kPlaneStart + 5);
  stream.insert(stream.end(), raster::kPackingPlain, raster::kPackingPlain + 5);
  stream.insert(stream.end(), run.output.begin(), run.output.end());
  // Consecutive rows carry no position: the printer steps down by itself,
  // by the row step that the job's resolution select command would set.
  stream::DecodeOptions options;
  options.row_step = (e.scanlines[0][0] & minidrv::kResolutionMark) ? 1 : 2;
  const stream::DecodedStream decoded = stream::Decode(stream.data(), stream.size(), options);
  if (e.length >= minidrv::kColourScanlineMin && e.length <= minidrv::kColourRowMax) {
    CheckColour(e, decoded);
  } else if (e.length < minidrv::kColourScanlineMin) {
    CheckMonochrome(e, decoded, options.row_step);
  }
  return 0;
}
