// A real browser showing the browser page, driven through the suite's driver script
// (tests/browser/driver.mjs, on Node): one command line out, one answer line back.
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
  // Drives `browser` ("chromium", "firefox" or "webkit") headed on X `display`, with the
  // page built into `site`; the browser starts with the first page. Throws
  // std::runtime_error when the driver does not report ready.
  BrowserDriver(const std::string& browser, const std::filesystem::path& site,
                const std::string& display);
  ~BrowserDriver();
  BrowserDriver(const BrowserDriver&) = delete;
  BrowserDriver& operator=(const BrowserDriver&) = delete;

  // A fresh page in a fresh browser context (storage, service workers), as a phone's
  // browser with `phone`, preferring `language` ("en" or "ru"). The browser is started
  // for the first page, and again for a page of another form or language. Throws
  // std::runtime_error when it cannot be.
  void new_page(bool phone, const std::string& language);

  // Sends one command and returns its answer. Throws std::runtime_error when the driver
  // answers with an error, does not answer in time or has gone.
  std::string command(const std::string& line);

  // The program's canvas, read from the page; nullopt while there is none.
  std::optional<Image> canvas();

  // The title of the browser's window while the page's title is `page_title`.
  std::string window_title(const std::string& page_title) const;

 private:
  std::string command(const std::string& line, std::chrono::milliseconds timeout);
  // The driver's next line, the answer to `awaited`.
  std::string read_line(const std::string& awaited, std::chrono::milliseconds timeout);

  std::string browser_;
  ScratchDirectory scratch_;
  int to_driver_ = -1;
  int from_driver_ = -1;
  std::string pending_;
  std::unique_ptr<ChildProcess> process_;
};
