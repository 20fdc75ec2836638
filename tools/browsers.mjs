// Launches Debian's Chromium or Firefox through puppeteer-core, and WebKitGTK's MiniBrowser
// through WebDriver, set up for unattended runs on this machine: no first-run screens, no
// calls home, no full-screen notices.
import { execFile, spawn } from 'node:child_process';
import { mkdir, mkdtemp, rm, writeFile } from 'node:fs/promises';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { promisify } from 'node:util';
import { Builder, By } from 'selenium-webdriver';

const CHROMIUM_ARGS = [
  '--no-first-run',
  '--no-default-browser-check',
  // The machine has no network but the loopback one: background fetches would only fail.
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--disable-quic',
  '--password-store=basic',
];

// The browser's window on the X screen: a desktop's, or a phone's, narrow enough that its
// middle, where the tests click to give it the keyboard, shows the page.
const WINDOW = { width: 1024, height: 768 };
const PHONE_WINDOW = { width: 480, height: 1040 };

const FIREFOX_PREFS = {
  // No fading in and out of full screen, and no notice laid over the full-screen page.
  'full-screen-api.transition-duration.enter': '0 0',
  'full-screen-api.transition-duration.leave': '0 0',
  'full-screen-api.warning.timeout': 0,
  'full-screen-api.warning.delay': -1,
  // Lets the profile's own style for the browser's window, below, apply.
  'toolkit.legacyUserProfileCustomizations.stylesheets': true,
};
// Firefox on this X server leaves a sliver of its hidden toolbar, a pixel wide, at the
// screen's left edge in a page's full screen: it would stand in the full-screen picture.
const FIREFOX_FULL_SCREEN_CHROME =
  ':root[inDOMFullscreen] #navigator-toolbox { display: none !important; }\n';

// The languages a browser can be set to prefer, as its Accept-Language lists them (and
// navigator.languages): the page speaks Russian to the first, English otherwise.
const PREFERRED_LANGUAGES = { en: ['en-US', 'en'], ru: ['ru-RU', 'ru'] };

// A phone held upright: 412x915 CSS pixels at 2.625 device pixels each, touch and no
// keyboard.
export const PHONE_VIEWPORT = {
  width: 412, height: 915, deviceScaleFactor: 2.625, isMobile: true, hasTouch: true,
};
// Firefox takes its pointer from these settings rather than from the viewport: a finger
// (coarse) as its only pointer. It also refuses full screen to taps that come through the
// automation interface, as it does not count them as a user's, and a phone's taps can come
// from nowhere else.
const FIREFOX_TOUCH_PREFS = {
  'ui.primaryPointerCapabilities': 1,
  'ui.allPointerCapabilities': 1,
  'full-screen-api.allow-trusted-requests-only': false,
};

// Starts `name` ("chromium", "firefox", or "webkit", always headed and never a phone's)
// headed on DISPLAY, or headless; as a phone's with `phone`, whose pages then need
// PHONE_VIEWPORT too; preferring `language` ("en" or "ru"), whatever this machine's locale.
// The browser's profile is a fresh folder, removed when the browser closes.
export async function launchBrowser(puppeteer, name,
  { headless = false, args = [], phone = false, language = 'en' } = {}) {
  if (name === 'webkit') return launchWebKit(language);
  const preferred = PREFERRED_LANGUAGES[language];
  if (!preferred) throw new Error(`unknown language ${language}`);
  const profile = await mkdtemp(join(tmpdir(), `vyrtel-${name}-`));
  const { width, height } = phone ? PHONE_WINDOW : WINDOW;
  const common = { headless, userDataDir: profile, defaultViewport: null };
  let browser;
  if (name === 'chromium') {
    // Chromium's sandbox cannot run as root. --test-type keeps the notice bar about that
    // flag from standing over the full-screen picture.
    const sandbox = process.getuid && process.getuid() === 0 ? ['--no-sandbox', '--test-type'] : [];
    browser = await puppeteer.launch({
      ...common,
      browser: 'chrome',
      executablePath: '/usr/bin/chromium',
      // Its notice bar ("controlled by automated test software") would stand over the
      // full-screen picture.
      ignoreDefaultArgs: ['--enable-automation'],
      args: [...CHROMIUM_ARGS, `--window-size=${width},${height}`, `--lang=${preferred[0]}`,
        `--accept-lang=${preferred.join(',')}`, ...sandbox, ...args],
    });
  } else if (name === 'firefox') {
    await mkdir(join(profile, 'chrome'));
    await writeFile(join(profile, 'chrome', 'userChrome.css'), FIREFOX_FULL_SCREEN_CHROME);
    browser = await puppeteer.launch({
      ...common,
      browser: 'firefox',
      executablePath: '/usr/bin/firefox-esr',
      extraPrefsFirefox: {
        ...FIREFOX_PREFS,
        'intl.accept_languages': preferred.join(', '),
        ...(phone ? FIREFOX_TOUCH_PREFS : {}),
      },
      args: [`--width=${width}`, `--height=${height}`, ...args],
    });
  } else {
    throw new Error(`unknown browser ${name}`);
  }
  browser.once('disconnected', () => {
    rm(profile, { recursive: true, force: true, maxRetries: 5 }).catch(() => {});
  });
  return browser;
}

// WebKit, Safari's engine, as WebKitGTK's MiniBrowser: Debian's WebKitWebDriver
// (webkit2gtk-driver) starts one for each WebDriver session, with storage of its own that
// goes with it.
const MINIBROWSER = `/usr/lib/${{ x64: 'x86_64', arm64: 'aarch64' }[process.arch]}-linux-gnu/`
  + 'webkit2gtk-4.1/MiniBrowser';
// How long WebKitWebDriver may take to listen, on a loaded machine.
const WEBDRIVER_START_MS = 30000;

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = createServer().once('error', reject).listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

async function waitUntilListening(url, timeoutMs) {
  for (const deadline = Date.now() + timeoutMs; Date.now() < deadline;) {
    try {
      if ((await fetch(url)).ok) return;
    } catch {
      // not listening yet
    }
    await new Promise((resolve) => { setTimeout(resolve, 50); });
  }
  throw new Error(`nothing listens at ${url} after ${timeoutMs} ms`);
}

// A WebDriver session, answering the part of puppeteer's Page that the browser tests use.
function pageOf(session) {
  const element = (selector) => session.findElement(By.css(selector));
  return {
    goto: (url) => session.get(url),
    evaluate: (fn, ...args) => session.executeScript(fn, ...args),
    click: async (selector) => (await element(selector)).click(),
    $: (selector) => ({ uploadFile: async (file) => (await element(selector)).sendKeys(file) }),
    reload: () => session.navigate().refresh(),
    goBack: () => session.navigate().back(),
    close: () => session.quit(),
  };
}

// Starts WebKitWebDriver, which starts a MiniBrowser headed on DISPLAY for each page, a
// WebDriver session, that newPage() opens: the browser in puppeteer's terms. WebKit prefers
// the language of the C library's locale: English for "C", Russian for ru_RU.UTF-8, which
// localedef makes for it, as few machines have it.
async function launchWebKit(language) {
  const folder = await mkdtemp(join(tmpdir(), 'vyrtel-webkit-'));
  const env = { ...process.env, LC_ALL: 'C' };
  if (language === 'ru') {
    await promisify(execFile)('localedef',
      ['-i', 'ru_RU', '-f', 'UTF-8', join(folder, 'ru_RU.UTF-8')]);
    Object.assign(env, { LOCPATH: folder, LC_ALL: 'ru_RU.UTF-8' });
  } else if (language !== 'en') {
    throw new Error(`unknown language ${language}`);
  }
  const port = await freePort();
  const address = `http://127.0.0.1:${port}`;
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], { env, stdio: 'ignore' });
  process.on('exit', () => driver.kill());
  await waitUntilListening(`${address}/status`, WEBDRIVER_START_MS);
  const sessions = [];
  return {
    async newPage() {
      sessions.push(await new Builder().usingServer(address).withCapabilities({
        browserName: 'MiniBrowser',
        'webkitgtk:browserOptions': { binary: MINIBROWSER, args: ['--automation'] },
      }).build());
      return pageOf(sessions.at(-1));
    },
    // The driver leaves the browsers of sessions still open behind: they are closed first.
    async close() {
      await Promise.allSettled(sessions.map((session) => session.quit()));
      driver.kill();
      await rm(folder, { recursive: true, force: true });
    },
  };
}
