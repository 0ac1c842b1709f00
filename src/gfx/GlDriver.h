// The OpenGL driver stays loaded for the rest of the process once a device exists.
#pragma once

namespace vesk::gfx {

// Closing a context unloads the driver, and with it the driver's code generator, whose start-up
// allocations then look like leaks of a nameless module to the leak checker. Keeping the
// driver's libraries loaded leaves them reachable, as in a program that makes one context.
void keepGlDriverLoaded();

}  // namespace vesk::gfx
