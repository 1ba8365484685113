// Loads the NT 4.0 minidriver module the way the host driver binds it: by
// path, resolving its three exports by name.
//
// The module keeps its whole state in static storage and one load prints at
// most one colour page, so every Load() maps a private copy of the file under
// a temporary name. The loader cannot hand back an already-loaded instance
// for a new name, so each Nt4Module starts from the module's load image, even
// while another copy is still loaded in the same process.
#ifndef QUILLORY2_HOSTS_NT4_MODULE_H_
#define QUILLORY2_HOSTS_NT4_MODULE_H_

#include <memory>
#include <string>

#include "minidrv/quilry2.h"

namespace hosts {

class Nt4Module {
 public:
  // Loads a fresh copy of the module at path. On failure returns null and
  // says why in *error.
  static std::unique_ptr<Nt4Module> Load(const std::string& path, std::string* error);
  ~Nt4Module();
  Nt4Module(const Nt4Module&) = delete;
  Nt4Module& operator=(const Nt4Module&) = delete;

  BOOL InitProc() const { return init_proc_(0, 0, 0); }
  BOOL SetFuncAddr(const Q2MinidriverInit* record) const { return set_func_addr_(record); }
  int32_t FilterGraphics(void* device, const uint8_t* scanline, int32_t length) const {
    return filter_graphics_(device, scanline, length);
  }

 private:
  Nt4Module() = default;

  void* handle_ = nullptr;
  std::string copy_path_;  // deleted on unload where the system cannot do it earlier
  Q2InitProc init_proc_ = nullptr;
  Q2SetFuncAddrProc set_func_addr_ = nullptr;
  Q2FilterGraphicsProc filter_graphics_ = nullptr;
};

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_NT4_MODULE_H_
