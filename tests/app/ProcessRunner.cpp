#include "app/ProcessRunner.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace vesk::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& folder,
                           const std::map<std::string, std::string>& environment) {
  _pid = ::fork();
  if (_pid != 0) return;
  if (::chdir(folder.c_str()) != 0) ::_exit(127);
  for (const auto& [name, value] : environment) {
    if (value.empty()) {
      ::unsetenv(name.c_str());
    } else {
      ::setenv(name.c_str(), value.c_str(), 1);
    }
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

ChildProcess::~ChildProcess() {
  if (_pid > 0) {
    ::kill(_pid, SIGKILL);
    ::waitpid(_pid, nullptr, 0);
  }
}

void ChildProcess::terminate() {
  if (_pid <= 0) return;
  ::kill(_pid, SIGTERM);
  wait(std::chrono::milliseconds(3000));
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (_pid > 0) {
    int status = 0;
    pid_t done = ::waitpid(_pid, &status, WNOHANG);
    if (done == _pid) {
      _pid = -1;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return std::nullopt;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(_pid, SIGKILL);
      ::waitpid(_pid, nullptr, 0);
      _pid = -1;
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

PrivateDisplay::PrivateDisplay() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int number = 200 + static_cast<int>((::getpid() * 7 + attempt * 13) % 700);
    const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
    if (std::filesystem::exists(lock)) continue;
    std::string name = ":";  // appended: for ":" + std::string GCC 12 wrongly warns at -O2
    name += std::to_string(number);
    _server.emplace("/usr/bin/Xvfb",
                    std::vector<std::string>{name, "-screen", "0", "1024x768x24", "-nolisten",
                                             "tcp", "-noreset"},
                    std::filesystem::temp_directory_path());
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int wait = 0; wait < 250 && !std::filesystem::exists(socket); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (std::filesystem::exists(socket)) {
      _name = name;
      return;
    }
    _server.reset();
  }
}

PrivateDisplay::~PrivateDisplay() {
  if (_server) _server->terminate();
}

std::string runCommand(const std::string& command, int* status) {
  std::string output;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output.append(buffer, got);
  int result = ::pclose(pipe);
  if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

}  // namespace vesk::test
