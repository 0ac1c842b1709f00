// Runs the project's programs from tests: in a folder of the test's choosing, with a time limit,
// collecting the exit code.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vesk::test {

class ChildProcess {
 public:
  // Starts `program` with `arguments` in `folder`; `environment` entries are set (an empty
  // value unsets the variable).
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& folder,
               const std::map<std::string, std::string>& environment = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code once the process ended within `limit`; nothing (and the process killed) when
  // it did not, or when it died of a signal.
  std::optional<int> wait(std::chrono::milliseconds limit);
  pid_t pid() const { return _pid; }
  // Asks the process to end (SIGTERM) and waits for it a little, then kills it.
  void terminate();

 private:
  pid_t _pid = -1;
};

// A virtual X server of the test's own, so that keys sent to a window cannot reach the windows
// of tests running beside it.
class PrivateDisplay {
 public:
  PrivateDisplay();
  ~PrivateDisplay();
  bool ok() const { return !_name.empty(); }
  const std::string& name() const { return _name; }  // ":123"

 private:
  std::optional<ChildProcess> _server;
  std::string _name;
};

// Runs a shell command and gives its standard output; the exit status goes to `status`.
std::string runCommand(const std::string& command, int* status = nullptr);

}  // namespace vesk::test
