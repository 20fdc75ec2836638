// The built program end to end with the real SDL: start-up failures and a clean quit,
// under SDL's dummy video driver where a display is not needed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/scratch_directory.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);

struct Outcome {
  int status;  // exit status, or -signal when killed
  std::string output;
};

// The program running in a scratch directory, its standard output read through a pipe.
class Program {
 public:
  // `env` entries replace or, with an empty value, remove variables of this process's
  // environment.
  Program(const fs::path& directory, const std::map<std::string, std::string>& env) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      const auto equals = text.find('=');
      merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : env) {
      value.empty() ? (void)merged.erase(name) : (void)(merged[name] = value);
    }
    std::vector<std::string> strings;
    for (const auto& [name, value] : merged) {
      strings.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& text : strings) {
      envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    int pipe_ends[2];
    EXPECT_EQ(pipe(pipe_ends), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    const fs::path previous = fs::current_path();
    fs::current_path(directory);
    char program[] = VYRTEL_PROGRAM;
    char* argv[] = {program, nullptr};
    EXPECT_EQ(posix_spawn(&pid_, program, &actions, nullptr, argv, envp.data()), 0);
    fs::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    output_fd_ = pipe_ends[0];
  }

  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(output_fd_);
  }

  // Whether SDL has installed its handler that turns SIGTERM into a quit request, which it
  // does as part of starting up; the main loop runs from then on.
  bool quit_handler_installed() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("SigCgt:", 0) == 0) {
        return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGTERM - 1))) != 0;
      }
    }
    return false;
  }

  bool wait_until_running() const {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!quit_handler_installed()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  void signal(int number) const { kill(pid_, number); }

  Outcome finish() {
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = read(output_fd_, buffer, sizeof buffer)) > 0;) {
      output.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), output};
  }

 private:
  pid_t pid_ = 0;
  int output_fd_ = -1;
};

class ProgramTest : public ::testing::Test {
 protected:
  void install_font() {
    fs::create_directory(dir_ / "rfs");
    fs::copy_file(VYRTEL_SHIPPED_FONT, dir_ / "rfs" / "rk_font.bin");
  }

  Outcome run_to_end(const std::map<std::string, std::string>& env) {
    return Program(dir_, env).finish();
  }

  ScratchDirectory scratch_;
  const fs::path& dir_ = scratch_.path();
};

const std::map<std::string, std::string> kDummyVideo = {{"SDL_VIDEODRIVER", "dummy"}};

TEST_F(ProgramTest, MissingFontIsReportedWithoutALineEnd) {
  const Outcome outcome = run_to_end(kDummyVideo);
  EXPECT_EQ(outcome.output, "Unable to open font file");
  EXPECT_EQ(outcome.status, 1);
}

TEST_F(ProgramTest, UnknownVideoDriverFailsToInitialise) {
  install_font();
  const Outcome outcome = run_to_end({{"SDL_VIDEODRIVER", "nosuchdriver"}});
  EXPECT_EQ(outcome.output.rfind("Unable to init SDL: ", 0), 0u) << outcome.output;
  EXPECT_EQ(outcome.output.back(), '\n');
  EXPECT_EQ(outcome.status, 1);
}

TEST_F(ProgramTest, NoDisplayAtAllFailsInsteadOfRunningInvisibly) {
  install_font();
  const Outcome outcome =
      run_to_end({{"SDL_VIDEODRIVER", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  EXPECT_EQ(outcome.output, "Unable to init SDL: No available video device\n");
  EXPECT_EQ(outcome.status, 1);
}

TEST_F(ProgramTest, RunsUntilAQuitRequestAndEndsWithZero) {
  install_font();
  Program program(dir_, kDummyVideo);
  ASSERT_TRUE(program.wait_until_running());
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // a few blinks
  program.signal(SIGTERM);
  const Outcome outcome = program.finish();
  EXPECT_EQ(outcome.output, "");
  EXPECT_EQ(outcome.status, 0);
}

}  // namespace
