// What every program of a sanitized build (-DVESK_SANITIZE=ON) carries, so that its leak check
// at exit judges our code alone, whatever system libraries it happens to load. Linked into
// executables only, and only in that build.
//
// Modules stay mapped. The window system, the OpenGL driver and the audio drivers are loaded at
// run time and unloaded again when SDL or the driver closes them. A library that keeps a block
// in one of its globals until the process ends (the OpenGL driver does, from its start-up) has
// that pointer unmapped with it, and the leak checker then reports the block as leaked by an
// "<unknown module>" that no suppression can name. Closing nothing keeps those blocks reachable,
// as they are in a program that opens its libraries once, and any leak a library really makes
// is reported with the library's name (scripts/lsan.supp). Leaks of our own code are reported
// as before: they are made by modules that are never unloaded.
extern "C" int dlclose(void* /*handle*/) noexcept {
  return 0;
}

// Dynamic thread-local storage is not tracked. This libasan guesses where a module's dynamic
// TLS block starts from the block's address: when a block that glibc took from malloc lies
// 16 bytes past a page boundary (for the code generator of the OpenGL driver, once in 256
// runs), it reads the allocator's own chunk header as the block's bounds, and the leak check at
// exit scans a wild range and dies ("Tracer caught signal 11"). Without the tracking the leak
// check scans the static TLS, where our own thread_local variables live, and not the dynamic
// TLS of modules loaded at run time; ASAN_OPTIONS may still set the flag.
extern "C" const char* __asan_default_options() {
  return "intercept_tls_get_addr=0";
}
