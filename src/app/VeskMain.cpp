// The show player: start-up, main loop, orderly shutdown. The exit code is 1 when a fatal
// error ended the run, 130 or 143 when SIGINT or SIGTERM did (after the same orderly shutdown),
// 0 otherwise.
#include "app/Core.h"
#include "app/EmptyShow.h"
#include "app/SdlHost.h"
#include "base/Diagnosis.h"
#include "base/ShowClock.h"
#include "show/ClepsydraShow.h"

int main() {
  vesk::quitOnSignals();
  vesk::ShowClock::seedRandomFromTimeOfDay();
  vesk::SdlHost host;
  // The compiled-in show when its data is here; an empty one otherwise.
  vesk::ClepsydraShow clepsydra;
  vesk::EmptyShow empty;
  vesk::ShowScript& show =
      vesk::showDataPresent(".") ? static_cast<vesk::ShowScript&>(clepsydra) : empty;
  {
    vesk::Core core(host, show);
    if (core.init()) core.run();
    core.shutdown();
  }
  host.close();
  return vesk::quitExitCode();
}
