// How every part of the engine reports problems: fatal errors, assertions with the
// diagnosis dialog, the safe downcast, and the quit request that ends the main loop.
//
// Errors are reported, never thrown. What a person sees goes through one Presenter: the
// program installs one that shows real message boxes; tests and tools install their own.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <typeinfo>

#include "base/Site.h"
#include "base/Text.h"

namespace vesk {

// The buttons of the diagnosis dialog, with the ids they answer.
enum class DiagnosisChoice {
  Break = 1017,
  Ignore = 1018,
  IgnoreAlways = 3,
  Stop = 1020,
  NotShown = 0,  // the dialog could not be shown
};

inline constexpr const char* kProductionName = "Vesk";

class Presenter {
 public:
  virtual ~Presenter() = default;
  // A modal message box with an error icon, owned by the main window.
  virtual void showError(const std::string& text, const std::string& caption) = 0;
  // The modal diagnosis dialog; only its four buttons close it.
  virtual DiagnosisChoice showDiagnosis(const std::string& text) = 0;
  // One piece (at most 1023 characters) of the log sent to the debugger at the end.
  virtual void debuggerOutput(const std::string& piece);
  // What "Break" does before the program goes on as with "Stop".
  virtual void breakIntoDebugger();
};

// The presenter used when none is installed: message boxes go to the standard error stream,
// the diagnosis dialog cannot be shown, debugger output is written only when one is attached.
Presenter& consolePresenter();

// Installs the presenter (not owned; null restores the console presenter). Returns the
// previous one.
Presenter* setPresenter(Presenter* presenter);
Presenter& presenter();

// True when a debugger is tracing this process.
bool debuggerAttached();

// A report the show cannot survive: the log line, the log closed, a "Fatal Error" box, and the
// quit request with exit code 1. The caller then finishes its step.
void fatal(std::string_view message, Site site = {});

// The quit request: set by a fatal error (exit code 1), an orderly quit (exit code 0) or SIGINT
// or SIGTERM (128 + the signal's number) from any thread; the main loop and every loop that can
// run long read it. The highest exit code asked for wins, so a fatal error is never reported as
// an orderly end.
void requestQuit(int exitCode);
bool quitRequested();
int quitExitCode();
void clearQuitRequest();  // for tests and tools that run several shows in one process

// Makes SIGINT and SIGTERM ask for the quit (exit code 130 or 143) instead of killing the
// program, so that it shuts down in order. A second signal ends the program at once. Installed
// first thing in main(), before SDL would install handlers of its own.
void quitOnSignals();
// The signal that asked for the quit; 0 when none did.
int quitSignal();

// A failed assertion whose site is not ignored: composes "Assertion failed :", the expression
// and the message, shows the diagnosis dialog and acts on the answer.
void assertionFailed(std::string_view expression, std::string_view message, Site site,
                     std::atomic<bool>& ignoreAlways);

// The readable name of a type with its namespace, for example "vesk::Scene".
std::string typeName(const std::type_info& type);

// A downcast checked at run time. A null pointer or an object of another class gives the fatal
// error "Safe cast failed : could not cast from class <source> to class <target>" and null.
template <class To, class From>
To* safeCast(From* pointer, Site site = Site::current()) {
  To* result = dynamic_cast<To*>(pointer);
  if (!result) {
    fatal(str("Safe cast failed : could not cast from class ", typeName(typeid(From)), " to class ",
              typeName(typeid(To))),
          site);
  }
  return result;
}

}  // namespace vesk

// Assertion for data or programming mistakes the show can run past. `expression` is the short
// text that names the condition; `message` is a stream expression composed only on failure.
// Each site has its own ignore-always flag.
#define VK_ASSERT(condition, expression, message)                                             \
  do {                                                                                        \
    static std::atomic<bool> vkIgnoreAlways{false};                                           \
    if (!(condition) && !vkIgnoreAlways.load()) {                                             \
      std::ostringstream vkMessage;                                                           \
      vkMessage << message;                                                                   \
      ::vesk::assertionFailed((expression), vkMessage.str(), ::vesk::here(), vkIgnoreAlways); \
    }                                                                                         \
  } while (false)
