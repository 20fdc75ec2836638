// Child processes for the acceptance suite: the program under test, Xvfb and valgrind.
// Every child dies with the test process (PR_SET_PDEATHSIG), so a crashed or killed test
// leaves nothing running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A fresh directory under the system's temporary folder, removed with everything in it
// when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

// What a child's standard streams are connected to.
struct ChildStreams {
  // Files that receive standard output and standard error; empty discards the stream.
  std::filesystem::path stdout_file;
  std::filesystem::path stderr_file;
  // A descriptor the child keeps open under the same number (Xvfb's -displayfd), or -1.
  int inherited_fd = -1;
  // Pipe ends for a child spoken to: its standard input (else /dev/null) and its standard
  // output (else stdout_file), or -1.
  int input_fd = -1;
  int output_fd = -1;
};

// "exit N" or "signal N", from a waitpid status, for readable assertions.
std::string describe_wait_status(int status);

class ChildProcess {
 public:
  // Starts `argv` (argv[0] looked up in PATH) in `working_dir`. Throws std::runtime_error
  // when the process cannot be created.
  ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& working_dir,
               const EnvChanges& env, const ChildStreams& streams);
  // A child still running is killed and reaped.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }

  // The waitpid status once the child has ended, waiting at most `timeout`; nullopt while
  // it still runs.
  std::optional<int> wait_for_exit(std::chrono::milliseconds timeout);
  bool has_exited() { return wait_for_exit(std::chrono::milliseconds{0}).has_value(); }
  void send_signal(int signal_number) const;

  // VmRSS from /proc/<pid>/status in KiB; nullopt once the process is gone.
  std::optional<long> resident_kib() const;
  // Whether the process has a handler of its own for `signal_number` (SigCgt in
  // /proc/<pid>/status).
  bool catches(int signal_number) const;

 private:
  // The value of field `name` of /proc/<pid>/status; nullopt once the process is gone.
  std::optional<std::string> status_field(const std::string& name) const;

  pid_t pid_;
  std::optional<int> status_;
};

// The value of field `name` ("VmRSS") of a /proc status file, of a process or of one of
// its threads; nothing once the process is gone, or when it has no such field.
std::optional<std::string> proc_status_field(const std::filesystem::path& status_file,
                                             const std::string& name);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
