// Drives a fresh copy of the built minidriver through its three exports and
// records every spool write it makes.
#ifndef QUILLORY2_TESTS_MINIDRV_MINIDRIVER_FIXTURE_H_
#define QUILLORY2_TESTS_MINIDRV_MINIDRIVER_FIXTURE_H_

#include <stdint.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "hosts/module_path.h"
#include "hosts/nt4_module.h"
#include "minidrv/quilry2.h"
#include "tests/support/support.h"

namespace minidrv_test {

using Bytes = std::vector<uint8_t>;
using testsupport::Concat;
using testsupport::Esc;

// What the module hands to the spool: one entry per write. The device pointer
// the module passes back must be the one given to CBFilterGraphics.
struct Device {
  uint32_t magic = kMagic;
  std::vector<Bytes> writes;
  int foreign_writes = 0;  // writes that arrived with another device pointer
  static constexpr uint32_t kMagic = 0x51324456;
};

inline Device*& CurrentDevice() {
  static Device* device = nullptr;
  return device;
}

inline int32_t Q2_STDCALL RecordWrite(void* device, const void* bytes, int32_t count) {
  Device* expected = CurrentDevice();
  if (expected == nullptr) return 0;
  if (device != expected) {
    ++expected->foreign_writes;
    return 0;
  }
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  expected->writes.emplace_back(p, p + count);
  return count;
}

class Minidriver {
 public:
  Minidriver() {
    module_ = hosts::Nt4Module::Load(testsupport::MinidriverPath(), &error_);
    CurrentDevice() = &device_;
  }
  ~Minidriver() {
    if (CurrentDevice() == &device_) CurrentDevice() = nullptr;
  }

  bool Loaded() const { return module_ != nullptr; }
  const std::string& Error() const { return error_; }
  const hosts::Nt4Module& Module() const { return *module_; }

  BOOL Bind(uint16_t size = sizeof(Q2MinidriverInit), uint16_t version = 1,
            Q2SpoolWriteProc write = &RecordWrite) {
    Q2MinidriverInit record{size, version, write};
    return module_->SetFuncAddr(&record);
  }

  int32_t Send(const Bytes& scanline) {
    return module_->FilterGraphics(&device_, scanline.data(), static_cast<int32_t>(scanline.size()));
  }
  int32_t Send(const uint8_t* scanline, int32_t length) {
    return module_->FilterGraphics(&device_, scanline, length);
  }

  const std::vector<Bytes>& Writes() const { return device_.writes; }
  int ForeignWrites() const { return device_.foreign_writes; }
  Bytes Output() const {
    Bytes out;
    for (const Bytes& w : device_.writes) out.insert(out.end(), w.begin(), w.end());
    return out;
  }
  void ClearOutput() { device_.writes.clear(); }

 private:
  Device device_;
  std::unique_ptr<hosts::Nt4Module> module_;
  std::string error_;
};

// A colour page of `triples` scanline triples (cyan, magenta, yellow) of
// `length` bytes, filled by fill(plane, row, bytes). The first cyan byte gets
// the resolution mark for 600 rows per inch, or loses it for 300.
template <typename Fill>
void SendColourPage(Minidriver& driver, int rows_per_inch, int32_t triples, int32_t length, Fill fill) {
  Bytes line(static_cast<size_t>(length));
  for (int32_t r = 0; r < triples; ++r) {
    for (int plane = 0; plane < 3; ++plane) {
      std::fill(line.begin(), line.end(), 0);
      fill(plane, r, line.data());
      if (r == 0 && plane == 0 && length > 0) {
        line[0] = rows_per_inch == 600 ? (line[0] | 0x40) : (line[0] & ~0x40);
      }
      driver.Send(line);
    }
  }
}

inline void Blank(int, int32_t, uint8_t*) {}

}  // namespace minidrv_test

#endif  // QUILLORY2_TESTS_MINIDRV_MINIDRIVER_FIXTURE_H_
