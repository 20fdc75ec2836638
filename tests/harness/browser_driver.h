// A real browser showing the browser page, driven through the suite's driver script
// (tests/browser/driver.mjs, on Node with puppeteer-core): one command line out, one
// answer line back.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "image.h"
#include "process.h"

class BrowserDriver {
 public:
  // Starts `browser` ("chromium" or "firefox") headed on X `display`, with the page built
  // into `site`, as a phone's browser with `phone`, preferring `language` ("en" or "ru").
  // Throws std::runtime_error when the driver does not report ready.
  BrowserDriver(const std::string& browser, const std::filesystem::path& site,
                const std::string& display, bool phone = false,
                const std::string& language = "en");
  ~BrowserDriver();
  BrowserDriver(const BrowserDriver&) = delete;
  BrowserDriver& operator=(const BrowserDriver&) = delete;

  // Sends one command and returns its answer. Throws std::runtime_error when the driver
  // answers with an error, does not answer in time or has gone.
  std::string command(const std::string& line);

  // The program's canvas, read from the page; nullopt while there is none.
  std::optional<Image> canvas();

 private:
  std::string read_line(std::chrono::milliseconds timeout);

  ScratchDirectory scratch_;
  int to_driver_ = -1;
  int from_driver_ = -1;
  std::string pending_;
  std::unique_ptr<ChildProcess> process_;
};
