// Loading a plug-in module the way Unidrv does: by path, then its two exports.
#ifndef QUILLORY2_HOSTS_UNIDRV_MODULE_H_
#define QUILLORY2_HOSTS_UNIDRV_MODULE_H_

#include <string>

#include "platform/com.h"

namespace hosts {

class PluginModule {
 public:
  PluginModule() = default;
  ~PluginModule() { Unload(); }
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  // Loads the module file at path (a bare name is a file in the current
  // folder, never one found through the search path) and finds
  // DllGetClassObject and DllCanUnloadNow.
  bool Load(const std::string& path, std::string* error);
  void Unload();
  bool Loaded() const { return handle_ != nullptr; }

  plat::DllGetClassObjectFn GetClassObject() const { return get_class_object_; }
  plat::DllCanUnloadNowFn CanUnloadNow() const { return can_unload_now_; }

 private:
  void* handle_ = nullptr;
  plat::DllGetClassObjectFn get_class_object_ = nullptr;
  plat::DllCanUnloadNowFn can_unload_now_ = nullptr;
};

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_UNIDRV_MODULE_H_
