#include "gfx/GlDriver.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace vesk::gfx {

void keepGlDriverLoaded() {
  static bool kept = false;
  if (kept) return;
  kept = true;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        const char* name = info->dlpi_name;
        if (name && (std::strstr(name, "libLLVM") || std::strstr(name, "_dri.so") ||
                     std::strstr(name, "libgallium") || std::strstr(name, "libGLX_mesa") ||
                     std::strstr(name, "libEGL_mesa"))) {
          dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        }
        return 0;
      },
      nullptr);
}

}  // namespace vesk::gfx
