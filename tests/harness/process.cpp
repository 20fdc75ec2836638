#include "process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

extern char** environ;

namespace {

// How often a wait looks at the child again.
constexpr std::chrono::milliseconds kExitPollInterval{5};
// The status a child reports when it could not start the program at all, as a shell does.
constexpr int kExecFailedStatus = 127;

std::vector<std::string> child_environment(const EnvChanges& changes) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text{*entry};
    const auto equals = text.find('=');
    if (equals != std::string::npos) {
      variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
  }
  for (const auto& [name, value] : changes) {
    if (value) {
      variables[name] = *value;
    } else {
      variables.erase(name);
    }
  }
  std::vector<std::string> result;
  for (const auto& [name, value] : variables) {
    result.push_back(name + "=" + value);
  }
  return result;
}

std::vector<char*> null_terminated(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& text : strings) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

// A copy of `fd` that the child's exec does not carry along: the child puts it in place of
// its standard output.
int duplicate_output(int fd) {
  const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) {
    throw std::system_error(errno, std::generic_category(),
                            "cannot take the child's output from descriptor " + std::to_string(fd));
  }
  return copy;
}

int open_output(const std::filesystem::path& path) {
  const char* name = path.empty() ? "/dev/null" : path.c_str();
  const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    throw std::runtime_error("cannot open " + std::string{name});
  }
  return fd;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void become_child(pid_t parent, const char* working_dir, int stdin_fd, int stdout_fd,
                               int stderr_fd, int inherited_fd, char** argv, char** envp) {
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) {
    ::_exit(kExecFailedStatus);
  }
  const int input = stdin_fd >= 0 ? stdin_fd : ::open("/dev/null", O_RDONLY);
  if (input < 0 || ::dup2(input, STDIN_FILENO) < 0 ||
      ::dup2(stdout_fd, STDOUT_FILENO) < 0 || ::dup2(stderr_fd, STDERR_FILENO) < 0 ||
      ::chdir(working_dir) != 0) {
    ::_exit(kExecFailedStatus);
  }
  if (inherited_fd >= 0 && ::fcntl(inherited_fd, F_SETFD, 0) != 0) {
    ::_exit(kExecFailedStatus);
  }
  ::execvpe(argv[0], argv, envp);
  ::_exit(kExecFailedStatus);
}

}  // namespace

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vyrtel-test-XXXXXX");
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary directory");
  }
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string describe_wait_status(int status) {
  if (WIFEXITED(status)) {
    return "exit " + std::to_string(WEXITSTATUS(status));
  }
  if (WIFSIGNALED(status)) {
    return "signal " + std::to_string(WTERMSIG(status));
  }
  return "status " + std::to_string(status);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::filesystem::path& working_dir, const EnvChanges& env,
                           const ChildStreams& streams) {
  std::vector<std::string> arguments = argv;
  std::vector<std::string> environment = child_environment(env);
  std::vector<char*> argv_pointers = null_terminated(arguments);
  std::vector<char*> envp_pointers = null_terminated(environment);
  const int stdout_fd =
      streams.output_fd >= 0 ? duplicate_output(streams.output_fd) : open_output(streams.stdout_file);
  const int stderr_fd = open_output(streams.stderr_file);
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    become_child(parent, working_dir.c_str(), streams.input_fd, stdout_fd, stderr_fd,
                 streams.inherited_fd, argv_pointers.data(), envp_pointers.data());
  }
  ::close(stdout_fd);
  ::close(stderr_fd);
  if (pid_ < 0) {
    throw std::runtime_error("cannot start " + argv.front());
  }
}

ChildProcess::~ChildProcess() {
  if (!status_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

std::optional<int> ChildProcess::wait_for_exit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!status_) {
    int status = 0;
    const pid_t reaped = ::waitpid(pid_, &status, WNOHANG);
    if (reaped == pid_) {
      status_ = status;
    } else if (reaped < 0 && errno != EINTR) {
      throw std::runtime_error("waitpid failed");
    } else if (std::chrono::steady_clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(kExitPollInterval);
    }
  }
  return status_;
}

void ChildProcess::send_signal(int signal_number) const {
  if (!status_) {
    ::kill(pid_, signal_number);
  }
}

std::optional<std::string> ChildProcess::status_field(const std::string& name) const {
  return proc_status_field("/proc/" + std::to_string(pid_) + "/status", name);
}

std::optional<long> ChildProcess::resident_kib() const {
  const auto kib = status_field("VmRSS");
  return kib ? std::optional<long>{std::stol(*kib)} : std::nullopt;
}

bool ChildProcess::catches(int signal_number) const {
  const auto caught = status_field("SigCgt");
  return caught && (std::stoull(*caught, nullptr, 16) >> (signal_number - 1) & 1U) != 0;
}

std::optional<std::string> proc_status_field(const std::filesystem::path& status_file,
                                             const std::string& name) {
  std::ifstream status{status_file};
  for (std::string line; std::getline(status, line);) {
    std::istringstream fields{line};
    std::string field;
    std::string value;
    if (fields >> field >> value && field == name + ":") {
      return value;
    }
  }
  return std::nullopt;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream file{path, std::ios::binary};
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file{path, std::ios::binary};
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (!file) {
    throw std::runtime_error("cannot write " + path.string());
  }
}
