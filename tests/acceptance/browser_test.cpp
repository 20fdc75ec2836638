// The browser page in a real browser (VYRTEL_BROWSER: chromium, firefox or webkit), headed
// on the suite's X server: the same program, built with Emscripten, must show the desktop's
// test screen pixel for pixel, take the same keys, from the keyboard or, on a phone, from
// the page's own keys, switch to the browser's full screen, and say on the page how it
// ended, in English or, where the browser prefers it, in Russian.
// The page also installs as an app, keeps running offline, and comes back running.
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <stdexcept>
#include <tuple>

#include "acceptance_test.h"
#include "browser_driver.h"

namespace {

constexpr const char* kSiteFolder = "site";
constexpr const char* kSiteWithoutFont = "without-font";
constexpr const char* kFontFile = "rk_font.bin";

// The page speaks the browser's first preferred language, English or Russian. The words
// the tests read, or find its keys by, written out.
enum class Language { kEnglish, kRussian };
constexpr std::array<unsigned long, 6> kPageKeysyms{XK_Up,    XK_Down,  XK_Left,
                                                    XK_Right, XK_space, XK_Escape};
struct PageTexts {
  std::string lang, running, running_from_saved_copy, ended_normally, stopped_with_message;
  std::array<std::string, kPageKeysyms.size()> keys;  // their accessible names
};
const std::map<Language, PageTexts> kTexts{
    {Language::kEnglish,
     {"en",
      "Running.",
      "Running from the saved copy: the server cannot be reached.",
      "Vyrtel ended normally (exit status 0).",
      "Vyrtel stopped with exit status 1 and the message below.",
      {"Up", "Down", "Left", "Right", "Space", "Escape"}}},
    {Language::kRussian,
     {"ru",
      "Работает.",
      "Работает из сохранённой копии: сервер недоступен.",
      "Программа Vyrtel завершилась штатно (код завершения 0).",
      "Программа Vyrtel завершилась с кодом 1, сообщение ниже.",
      {"Вверх", "Вниз", "Влево", "Вправо", "Пробел", "Esc"}}}};

std::string browser_name() {
  const char* name = std::getenv("VYRTEL_BROWSER");
  return name != nullptr ? name : "chromium";
}

// One browser for every case this process runs, started with the first, and the folder
// its server serves. Made after the X server it shows its windows on, it goes before it,
// as statics go in the opposite order.
struct SharedBrowser {
  ScratchDirectory served;
  BrowserDriver driver{browser_name(), served.path(), x_session().display_name()};
};

SharedBrowser& shared_browser() {
  static SharedBrowser browser;
  return browser;
}

class BrowserPage : public ProgramTest {
 protected:
  // As a phone's browser, with the page's own keys and no keyboard.
  virtual bool on_phone() const { return false; }
  virtual Language language() const { return Language::kEnglish; }
  const PageTexts& texts() const { return kTexts.at(language()); }

  // A fresh page, from a folder made afresh that holds the page as built and a copy
  // without its font.
  void SetUp() override {
    std::filesystem::remove_all(served_);
    std::filesystem::create_directories(served_ / kSiteWithoutFont);
    std::filesystem::create_directory_symlink(VYRTEL_WEB_SITE, served_ / kSiteFolder);
    for (const auto& entry : std::filesystem::directory_iterator{VYRTEL_WEB_SITE}) {
      const auto name = entry.path().filename();
      if (name != kFontFile) {
        std::filesystem::create_symlink(entry.path(), served_ / kSiteWithoutFont / name);
      }
    }
    browser_->new_page(on_phone(), texts().lang);
  }

  void TearDown() override {
    ProgramTest::TearDown();
    if (HasFailure()) {
      std::cout << "Page status: [" << browser_->command("status") << "]\nProgram output: ["
                << browser_->command("output") << "]\n";
    }
  }

  std::optional<Image> capture() override { return browser_->canvas(); }

  // Opens the page and clicks into it, as a user would before typing: keys then come
  // from the keyboard through the X server and the browser, as a user's do, once the click
  // has reached the page.
  [[nodiscard]] bool open_page() {
    browser_->command(std::string{"open /"} + kSiteFolder + "/");
    const std::string title = browser_->window_title(kCaption);
    std::optional<WindowId> window;
    if (!poll_until(kWindowTimeout, [&] {
          window = x_session().find_window(title);
          return window.has_value();
        })) {
      ADD_FAILURE() << "no browser window titled " << title;
      return false;
    }
    x_session().click(*window);
    return wait_for_answer("clicked", "yes");
  }

  // The same, and waits until the canvas shows the test screen with the shipped font.
  [[nodiscard]] bool open_page_showing_test_screen() {
    return open_page() && wait_for_picture(shipped_screen_blinking());
  }

  // Chooses `font` in the page's font input, as a file of its own.
  void choose_font(const FontBytes& font) {
    const std::filesystem::path file = served_ / "chosen-font.bin";
    write_file(file, font);
    browser_->command("font " + file.string());
  }

  static FontBytes shipped_font() {
    const std::string bytes = read_file(std::filesystem::path{VYRTEL_WEB_SITE} / kFontFile);
    return FontBytes{bytes.begin(), bytes.end()};
  }

  // Waits until the driver's answer to `query` is `expected`; records a failure if never.
  bool wait_for_answer(const std::string& query, const std::string& expected,
                       std::chrono::milliseconds timeout = kPictureTimeout) {
    std::string answer;
    const bool seen = poll_until(timeout, [&] {
      answer = browser_->command(query);
      return answer == expected;
    });
    EXPECT_TRUE(seen) << query << " answered [" << answer << "], not [" << expected << "]";
    return seen;
  }

  // The page shows the picture in full screen at the largest whole scale that fits.
  double full_screen_scale() const override { return std::floor(screen_fit()); }

  // Opens the page and presses Space: the page must go to full screen and show the
  // picture there.
  bool open_page_in_full_screen() {
    if (!open_page_showing_test_screen()) {
      return false;
    }
    press_key(XK_space);
    return wait_for_answer("fullscreen", "yes") &&
           wait_for_full_screen(shipped_screen_blinking()).has_value();
  }

  ExpectedPicture shipped_screen_blinking() const {
    ExpectedPicture picture{shipped_font()};
    picture.leave_underline_open(kStartCell);
    return picture;
  }

  // The cursor moved by seven presses, as the arrows' tests press them: one cell right,
  // two down.
  ExpectedPicture after_pressing_the_arrows() {
    for (const int key : {XK_Right, XK_Right, XK_Down, XK_Up, XK_Left, XK_Down, XK_Down}) {
      press_key(static_cast<unsigned long>(key));
    }
    ExpectedPicture moved{shipped_font()};
    moved.add_underline({.column = kStartCell.column + 1, .row = kStartCell.row + 2});
    return moved;
  }

  BrowserDriver* browser_ = &shared_browser().driver;
  std::filesystem::path served_ = shared_browser().served.path();
};

// How the keys reach the page: from the keyboard, or, on a phone held upright with no
// keyboard, as taps on the page's own keys, found by their accessible names; each in
// both the page's languages.
enum class Input { kKeyboard, kTouch };

class PageInput : public BrowserPage,
                  public testing::WithParamInterface<std::tuple<Input, Language>> {
 protected:
  bool on_phone() const override { return std::get<Input>(GetParam()) == Input::kTouch; }
  Language language() const override { return std::get<Language>(GetParam()); }

  void press_key(unsigned long keysym) override {
    if (!on_phone()) {
      BrowserPage::press_key(keysym);
      return;
    }
    const auto key = std::find(kPageKeysyms.begin(), kPageKeysyms.end(), keysym);
    if (key == kPageKeysyms.end()) {
      throw std::invalid_argument("the page has no key for keysym " + std::to_string(keysym));
    }
    browser_->command("tap " +
                      texts().keys.at(static_cast<std::size_t>(key - kPageKeysyms.begin())));
  }
};

INSTANTIATE_TEST_SUITE_P(
    Inputs, PageInput,
    testing::Combine(testing::Values(Input::kKeyboard, Input::kTouch),
                     testing::Values(Language::kEnglish, Language::kRussian)),
    [](const auto& param) {
      return std::string{std::get<Input>(param.param) == Input::kKeyboard ? "Keyboard" : "Touch"} +
             (std::get<Language>(param.param) == Language::kRussian ? "Russian" : "");
    });

// The page's status lines in each of its languages.
class PageLanguage : public BrowserPage, public testing::WithParamInterface<Language> {
  Language language() const override { return GetParam(); }
};
INSTANTIATE_TEST_SUITE_P(Languages, PageLanguage,
                         testing::Values(Language::kEnglish, Language::kRussian),
                         [](const auto& param) {
                           return param.param == Language::kRussian ? "Russian" : "English";
                         });

TEST_F(BrowserPage, ShowsTheTestScreenWithTheShippedFontInBothBlinkPhases) {
  ASSERT_TRUE(open_page());
  EXPECT_EQ(browser_->command("title"), kCaption);
  EXPECT_TRUE(wait_for_both_blink_phases(ExpectedPicture{shipped_font()}));
}

// A font chosen on the page restarts the program with it; the readout, drawn with that
// font, holds the tick count of the last blink toggle, as on the desktop.
TEST_F(BrowserPage, ChosenFontRestartsTheProgramWithIt) {
  ASSERT_TRUE(open_page_showing_test_screen());
  const auto launched = std::chrono::steady_clock::now();
  choose_font(font_);
  expect_readout_follows_blink(launched);
}

// A short font leaves the glyph rows it does not hold blank, as the desktop's loader does.
TEST_F(BrowserPage, ShortFontGivesBlankRowsBeyondItsEnd) {
  ASSERT_TRUE(open_page());
  font_.resize(kFontFileSize / 2);
  choose_font(font_);
  EXPECT_TRUE(wait_for_picture(ExpectedPicture{font_}));
}

TEST_P(PageInput, ArrowKeysMoveTheUnderlineOneCellEach) {
  ASSERT_TRUE(open_page_showing_test_screen());
  EXPECT_TRUE(wait_for_picture(after_pressing_the_arrows()));
}

// On the desktop the full screen shows the picture at the largest whole scale that fits.
TEST_P(PageInput, SpaceSwitchesToFullScreenAndBack) {
  ASSERT_TRUE(on_phone() ? open_page_showing_test_screen() : open_page_in_full_screen());
  if (on_phone()) {
    press_key(XK_space);
    ASSERT_TRUE(wait_for_answer("fullscreen", "yes"));
  }
  press_key(XK_space);
  EXPECT_TRUE(wait_for_answer("fullscreen", "no"));
  EXPECT_TRUE(wait_for_picture(shipped_screen_blinking()));
}

// Escape typed on the keyboard in full screen leaves full screen, as browsers teach, and
// the program follows back to its window and keeps running, so that the next Space
// switches to full screen again.
TEST_F(BrowserPage, EscapeInFullScreenLeavesFullScreenAndTheProgramRuns) {
  ASSERT_TRUE(open_page_in_full_screen());
  press_key(XK_Escape);
  ASSERT_TRUE(wait_for_answer("fullscreen", "no"));
  EXPECT_TRUE(wait_for_picture(shipped_screen_blinking()));
  EXPECT_EQ(browser_->command("status"), texts().running);
  press_key(XK_space);
  EXPECT_TRUE(wait_for_answer("fullscreen", "yes"));
  EXPECT_TRUE(wait_for_full_screen(shipped_screen_blinking()));
}

TEST_P(PageInput, EscapeEndsWithStatusZeroAndThePageOffersAFreshStart) {
  ASSERT_TRUE(open_page_showing_test_screen());
  press_key(XK_Escape);
  ASSERT_TRUE(wait_for_answer("status", texts().ended_normally));
  EXPECT_EQ(browser_->command("output"), "");
  browser_->command("restart");
  EXPECT_TRUE(wait_for_answer("status", texts().running));
  EXPECT_TRUE(wait_for_picture(shipped_screen_blinking()));
}

// After a font that could not be read, the page offers the shipped one, fetched afresh.
// The program's message is its own, in any language.
TEST_P(PageLanguage, MissingFontGivesItsMessageAndStatusOneThenTheShippedFontIsOffered) {
  browser_->command(std::string{"open /"} + kSiteWithoutFont + "/");
  ASSERT_TRUE(wait_for_answer("status", texts().stopped_with_message));
  EXPECT_EQ(browser_->command("output"), std::string{kFontMessage} + "\\n");
  std::filesystem::create_symlink(std::filesystem::path{VYRTEL_WEB_SITE} / kFontFile,
                                  served_ / kSiteWithoutFont / kFontFile);
  EXPECT_EQ(browser_->command("shipped-font"), "ok");
  EXPECT_TRUE(wait_for_answer("status", texts().running));
  EXPECT_TRUE(wait_for_picture(shipped_screen_blinking()));
}

// Chromium's own check of what installing the page as an app needs (Firefox has none).
TEST_F(BrowserPage, InstallsAsAnApp) {
  ASSERT_TRUE(open_page_showing_test_screen());
  EXPECT_TRUE(wait_for_answer("installable", "none"));
}

// After its first visit the page starts with the server gone: the same picture, pixel for
// pixel, and a status line that says where it came from.
TEST_P(PageLanguage, ReloadWithTheServerGoneShowsTheSamePictureFromTheSavedCopy) {
  ASSERT_TRUE(open_page_showing_test_screen());
  ASSERT_EQ(browser_->command("kept"), "ok");
  browser_->command("stop-server");
  browser_->command("reload");
  EXPECT_TRUE(wait_for_both_blink_phases(ExpectedPicture{shipped_font()}));
  EXPECT_TRUE(wait_for_answer("status", texts().running_from_saved_copy));
}

// Back to the page finds the program as it was left, the cursor where it was moved, not
// started afresh.
TEST_F(BrowserPage, BackToThePageFindsTheProgramStillRunning) {
  ASSERT_TRUE(open_page_showing_test_screen());
  const ExpectedPicture moved = after_pressing_the_arrows();
  ASSERT_TRUE(wait_for_picture(moved));
  browser_->command("away-and-back");
  EXPECT_TRUE(wait_for_answer("back", "restored"));
  EXPECT_TRUE(wait_for_picture(moved));
  EXPECT_EQ(browser_->command("status"), texts().running);
}

// On a phone, the picture and the page's keys fit the screen held upright. The page is in
// the browser's language throughout, and says so.
TEST_P(PageInput, MeetsTheAccessibilityRules) {
  ASSERT_TRUE(open_page_showing_test_screen());
  EXPECT_EQ(browser_->command("accessibility"), "none");
  EXPECT_EQ(browser_->command("lang"), texts().lang);
  EXPECT_EQ(browser_->command("untranslated"), "none");
  if (on_phone()) {
    EXPECT_EQ(browser_->command("fits"), "yes");
  }
}

}  // namespace
