// The one door through which the device reaches OpenGL: every call is counted, so that the
// state cache can be measured by how many calls it saves.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

namespace vesk::gfx {

class GlApi {
 public:
  // Calls `function` (an OpenGL entry point) with the arguments and counts the call.
  template <class Function, class... Arguments>
  decltype(auto) operator()(Function function, Arguments... arguments) {
    ++_calls;
    return function(arguments...);
  }

  std::uint64_t calls() const { return _calls; }

 private:
  std::uint64_t _calls = 0;
};

}  // namespace vesk::gfx
