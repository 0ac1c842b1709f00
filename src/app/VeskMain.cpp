// The show player: the command line, start-up, main loop, orderly shutdown. The exit code is 2
// for a wrong command line (before any window opens), 1 when a fatal error ended the run, 130 or
// 143 when SIGINT or SIGTERM did (after the same orderly shutdown), 0 otherwise.
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/Core.h"
#include "app/EmptyShow.h"
#include "app/SdlHost.h"
#include "base/Diagnosis.h"
#include "base/ShowClock.h"
#include "show/ClepsydraShow.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  vesk::CommandLine line;
  std::string error;
  if (!vesk::parseCommandLine(arguments, line, error)) {
    std::cerr << "vesk: " << error << "\n" << vesk::usageText();
    return vesk::kUsageExitCode;
  }
  if (line.help) {
    std::cout << vesk::usageText();
    return 0;
  }
  if (line.version) {
    std::cout << "vesk " << vesk::kVersion << "\n" << vesk::buildStamp() << "\n";
    return 0;
  }
  if (!line.data.empty()) {
    std::error_code failure;
    std::filesystem::current_path(line.data, failure);
    if (failure) {
      std::cerr << "vesk: cannot work in " << line.data << ": " << failure.message() << "\n"
                << vesk::usageText();
      return vesk::kUsageExitCode;
    }
  }

  vesk::quitOnSignals();
  vesk::ShowClock::seedRandomFromTimeOfDay();
  vesk::SdlHost host(line);
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
  if (host.usageExitCode() != 0) return host.usageExitCode();
  return vesk::quitExitCode();
}
