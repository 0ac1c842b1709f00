#include "base/Diagnosis.h"

#include <cxxabi.h>
#include <signal.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "base/Log.h"

namespace vesk {

namespace {

class ConsolePresenter : public Presenter {
 public:
  void showError(const std::string& text, const std::string& caption) override {
    std::cerr << caption << ": " << text << std::endl;
  }
  // No dialog without a display: the program goes on, but the person running it is told.
  DiagnosisChoice showDiagnosis(const std::string& text) override {
    std::cerr << kProductionName << " - Diagnosis System: " << text << std::endl;
    return DiagnosisChoice::NotShown;
  }
};

std::atomic<Presenter*> installedPresenter{nullptr};
std::atomic<bool> quitFlag{false};
std::atomic<int> quitCode{0};
std::atomic<int> quitSignalNumber{0};

// A signal handler may only touch lock-free atomics.
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

constexpr int kSignalExitBase = 128;

void onQuitSignal(int signalNumber) {
  quitSignalNumber.store(signalNumber);
  requestQuit(kSignalExitBase + signalNumber);
}

}  // namespace

void Presenter::debuggerOutput(const std::string& piece) {
  if (debuggerAttached()) std::cerr << piece << std::flush;
}

void Presenter::breakIntoDebugger() {
  if (debuggerAttached()) std::raise(SIGTRAP);
}

Presenter& consolePresenter() {
  static ConsolePresenter console;
  return console;
}

Presenter* setPresenter(Presenter* presenter) {
  return installedPresenter.exchange(presenter);
}

Presenter& presenter() {
  Presenter* installed = installedPresenter.load();
  return installed ? *installed : consolePresenter();
}

bool debuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + 10) != 0;
  }
  return false;
}

void fatal(std::string_view message, Site site) {
  theLog().write(message, site);
  theLog().close();
  presenter().showError(std::string(message), "Fatal Error");
  requestQuit(1);
}

void requestQuit(int exitCode) {
  int previous = quitCode.load();
  while (exitCode > previous && !quitCode.compare_exchange_weak(previous, exitCode)) {
  }
  quitFlag.store(true);
}

bool quitRequested() {
  return quitFlag.load();
}

int quitExitCode() {
  return quitCode.load();
}

void clearQuitRequest() {
  quitFlag.store(false);
  quitCode.store(0);
  quitSignalNumber.store(0);
}

void quitOnSignals() {
  struct sigaction action {};
  action.sa_handler = onQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int quitSignal() {
  return quitSignalNumber.load();
}

void assertionFailed(std::string_view expression, std::string_view message, Site site,
                     std::atomic<bool>& ignoreAlways) {
  if (ignoreAlways.load()) return;
  std::string text = str("Assertion failed :\n", expression, "\n", message);
  switch (presenter().showDiagnosis(text)) {
    case DiagnosisChoice::Break:
      presenter().breakIntoDebugger();
      ignoreAlways.store(true);
      fatal(text, site);
      break;
    case DiagnosisChoice::Stop:
      ignoreAlways.store(true);
      fatal(text, site);
      break;
    case DiagnosisChoice::IgnoreAlways:
      ignoreAlways.store(true);
      break;
    case DiagnosisChoice::Ignore:
    case DiagnosisChoice::NotShown:
      break;
  }
}

std::string typeName(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
}

}  // namespace vesk
