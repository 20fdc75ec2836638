// Staying power: a flood of queued keys, a steady stream of frames, and memory errors under
// valgrind.
#include <X11/keysym.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "acceptance_test.h"

namespace {

// Right and Left by turns: a lost press leaves the cursor off its column unless as many
// of each were lost, and presses dropped once a queue is full take the final Down with
// them.
constexpr int kFloodPresses = 10'000;
// All presses are queued at once; the server hands them out a millisecond apart. Presses
// and releases stamped with one server time lose SDL's key releases (it takes them for
// autorepeat), which no keyboard, however fast, would cause.
constexpr std::chrono::milliseconds kFloodKeystrokeGap{1};
// The presses take ten seconds to hand out; the rest is for a loaded machine.
constexpr std::chrono::milliseconds kFloodTimeout = 60s;

// Each press redraws the screen: a hundred a second, a typist's ten times over, make a
// hundred frames a second. A small leak per frame would hide for minutes in the memory that
// start-up freed at four idle frames a second; at this rate ten seconds after the warm-up
// show one. Measured with a leak made in front of SDL_Flip: a surface a frame (600 KiB)
// grows the program by hundreds of MiB, and 256 bytes a frame still by 264 KiB.
constexpr std::chrono::seconds kSoakDuration = 15s;
constexpr std::chrono::seconds kSoakWarmUp = 5s;
constexpr std::chrono::milliseconds kSoakSampleInterval = 1s;
constexpr int kSoakPressesPerSample = 100;
constexpr std::chrono::milliseconds kSoakKeystrokeGap{10};
// Resident memory of such a run stays on the same page count for minutes; this allows a
// few pages for the allocator to settle, while a leak of a kilobyte a frame grows past it
// many times over.
constexpr long kSoakToleranceKib = 64;

// Valgrind starts the program some ten times slower than it runs natively.
constexpr std::chrono::milliseconds kValgrindStartTimeout = 120s;
constexpr std::chrono::milliseconds kValgrindRunTime = 3s;
constexpr std::chrono::milliseconds kValgrindExitTimeout = 60s;

class Robustness : public ProgramTest {};

TEST_F(Robustness, TenThousandQueuedKeyPressesAreAllHandled) {
  ASSERT_TRUE(launch_showing_test_screen());
  for (int i = 0; i < kFloodPresses; ++i) {
    x_session().queue_key_press(i % 2 == 0 ? XK_Right : XK_Left, kFloodKeystrokeGap);
  }
  x_session().queue_key_press(XK_Down);
  x_session().flush();
  EXPECT_TRUE(wait_for_picture(test_screen_with_underline({11, 9}), kFloodTimeout));
  press_key(XK_Escape);
  EXPECT_EQ(wait_for_exit(), "exit 0");
}

class MemorySoak : public ProgramTest {};

// Fifteen seconds in the window: blinking, and a steady stream of arrow presses.
TEST_F(MemorySoak, ResidentMemoryStaysFlat) {
  ASSERT_TRUE(launch_showing_test_screen());
  const auto start = std::chrono::steady_clock::now();
  std::optional<long> settled_kib;
  long highest_kib = 0;
  while (std::chrono::steady_clock::now() - start < kSoakDuration) {
    for (int i = 0; i < kSoakPressesPerSample; ++i) {
      x_session().queue_key_press(i % 2 == 0 ? XK_Right : XK_Left, kSoakKeystrokeGap);
    }
    x_session().flush();
    std::this_thread::sleep_for(kSoakSampleInterval);
    const auto kib = run_->process().resident_kib();
    ASSERT_TRUE(kib) << "the program ended during the soak";
    if (!settled_kib && std::chrono::steady_clock::now() - start >= kSoakWarmUp) {
      settled_kib = kib;
    }
    highest_kib = std::max(highest_kib, *kib);
  }
  ASSERT_TRUE(settled_kib);
  EXPECT_LE(highest_kib - *settled_kib, kSoakToleranceKib)
      << "resident memory grew from " << *settled_kib << " KiB to " << highest_kib << " KiB";
  EXPECT_TRUE(wait_for_picture(test_screen_with_underline(kStartCell)));
  press_key(XK_Escape);
  EXPECT_EQ(wait_for_exit(), "exit 0");
}

class Valgrind : public ProgramTest {
 protected:
  // The font arrives through a named pipe: once the program has read it, SDL is set up
  // and its SIGTERM handler is in place, which valgrind's own handlers would hide.
  bool hand_over_font_through_pipe() {
    int pipe = -1;
    poll_until(kValgrindStartTimeout, [&] {
      pipe = ::open(run_->font_path().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      return pipe >= 0 || run_->process().has_exited();
    });
    if (pipe < 0) {
      return false;
    }
    const bool written =
        ::write(pipe, font_.data(), font_.size()) == static_cast<ssize_t>(font_.size());
    ::close(pipe);
    return written;
  }
};

TEST_F(Valgrind, FindsNoMemoryErrorsInARunEndedBySigterm) {
  run_ = std::make_unique<ProgramRun>();
  ASSERT_EQ(::mkfifo(run_->font_path().c_str(), 0600), 0);
  run_->start(dummy_environment(), {"valgrind", "--error-exitcode=99", "--leak-check=no"});
  ASSERT_TRUE(hand_over_font_through_pipe()) << run_->errors();
  EXPECT_FALSE(poll_until(kValgrindRunTime, [&] { return run_->process().has_exited(); }))
      << "the program ended by itself";
  run_->process().send_signal(SIGTERM);
  EXPECT_EQ(wait_for_exit(kValgrindExitTimeout), "exit 0") << run_->errors();
}

}  // namespace
