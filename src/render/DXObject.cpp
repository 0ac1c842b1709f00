#include "render/DXObject.h"

namespace vesk {

void dxError(Site site) {
  fatal("DX Error - check if display is in 32 bits color mode", site);
}

}  // namespace vesk
