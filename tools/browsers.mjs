// Launches Debian's Chromium or Firefox through puppeteer-core, set up for unattended runs
// on this machine: no first-run screens, no calls home, no full-screen notices.
import { mkdir, mkdtemp, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const CHROMIUM_ARGS = [
  '--no-first-run',
  '--no-default-browser-check',
  // The machine has no network but the loopback one: background fetches would only fail.
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--disable-quic',
  '--password-store=basic',
  '--window-size=1024,768',
];

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

export const BROWSERS = ['chromium', 'firefox'];

// Starts `name` headed on DISPLAY, or headless. The browser's profile is a fresh folder,
// removed when the browser closes.
export async function launchBrowser(puppeteer, name, { headless = false, args = [] } = {}) {
  const profile = await mkdtemp(join(tmpdir(), `vyrtel-${name}-`));
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
      args: [...CHROMIUM_ARGS, ...sandbox, ...args],
    });
  } else if (name === 'firefox') {
    await mkdir(join(profile, 'chrome'));
    await writeFile(join(profile, 'chrome', 'userChrome.css'), FIREFOX_FULL_SCREEN_CHROME);
    browser = await puppeteer.launch({
      ...common,
      browser: 'firefox',
      executablePath: '/usr/bin/firefox-esr',
      extraPrefsFirefox: FIREFOX_PREFS,
      args: ['--width=1024', '--height=768', ...args],
    });
  } else {
    throw new Error(`unknown browser ${name}`);
  }
  browser.once('disconnected', () => {
    rm(profile, { recursive: true, force: true, maxRetries: 5 }).catch(() => {});
  });
  return browser;
}
