#include "base/Site.h"

namespace vesk {

std::string_view baseName(std::string_view path) {
  auto slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  auto dot = path.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) path = path.substr(0, dot);
  return path;
}

std::string_view Site::name() const {
  return file ? baseName(file) : std::string_view();
}

}  // namespace vesk
