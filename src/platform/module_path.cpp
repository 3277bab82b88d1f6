#include <dlfcn.h>

#include "platform/platform.h"

namespace trelvo::platform {

namespace {
// Any symbol of this module: its address tells the loader which object holds it.
void moduleAnchor() {}
}  // namespace

std::string moduleFileName() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&moduleAnchor), &info) == 0 || info.dli_fname == nullptr)
    return {};
  return info.dli_fname;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace trelvo::platform
