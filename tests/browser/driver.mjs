// Drives one real browser for the browser tests: Debian's Chromium or Firefox through
// puppeteer-core, or WebKitGTK's MiniBrowser through WebDriver, headed on the X display in
// DISPLAY, showing the page from a server of its own. The browser is started once and kept
// for every case; each case gets a fresh page from a server on a port of its own, so that
// the site's storage, cache and service worker, which a browser keeps for each origin, are
// fresh too. A page is a phone's browser's (412x915, touch, no keyboard) or a desktop's,
// preferring English or Russian; a case that asks for another gets the browser started
// afresh for it.
// Usage: node driver.mjs chromium|firefox|webkit SITE_FOLDER
// It answers one line on standard output for each command line on standard input, "ok"
// where the command gives nothing else:
//   page desktop|phone en|ru   a fresh page and server, as that browser
//   open PATH         loads the page at PATH of the site, in a fresh page if there is none
//   clicked           "yes" once the page has had a click, else "no"
//   title             the page's title
//   canvas FILE       writes the program's canvas to FILE as raw RGB ("W H", or "none")
//   font FILE         chooses FILE in the page's font input
//   restart           clicks the page's button for a fresh start
//   shipped-font      clicks the page's button for a start with the shipped font
//   status            the page's status line
//   output            what the program printed, with line ends as "\n"
//   fullscreen        "yes" while the page is in full screen, else "no"
//   tap NAME          taps the on-screen key whose accessible name is NAME
//   fits              "yes" when the picture and the on-screen keys lie within the
//                     viewport, the picture at a whole number of device pixels per pixel;
//                     else what does not
//   installable       Chromium's installability errors, space-separated, or "none"
//   accessibility     axe-core's WCAG 2 A and AA violations, space-separated, or "none"
//   lang              the page's language, as <html lang> gives it
//   untranslated      words of the page's own texts in the other language's script (Latin
//                     on a Russian page, Cyrillic on an English one), names aside; or "none"
//   kept              waits until the service worker keeps the page for use offline
//   stop-server       stops serving the site, as a server gone away would
//   reload            reloads the page
//   away-and-back     opens another page and goes Back, without waiting: Firefox fires no
//                     load event for a page the back/forward cache restores
//   back              "restored" when Back showed the page from the back/forward cache,
//                     "reloaded" when it loaded it afresh, "away" while it is still away
// Any failure answers "error: <what>". End of input closes the browser.
import { readFile, writeFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

import { launchBrowser, PHONE_VIEWPORT } from '../../tools/browsers.mjs';
import { addressOf, serveFolder } from '../../tools/serve-web.mjs';

const AXE_SCRIPT = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

// "yes" when the canvas and every on-screen key lie within the viewport, and the canvas
// shows its 640x480 pixels at a whole number of device pixels each; else what does not.
function layoutFits() {
  const inside = (box) => box.left >= 0 && box.top >= 0 && box.right <= window.innerWidth
    && box.bottom <= window.innerHeight && box.width > 0;
  const canvas = document.querySelector('#stage canvas');
  const keys = [...document.querySelectorAll('#touch-keys button')];
  const outside = [canvas, ...keys].filter((element) => !inside(element.getBoundingClientRect()));
  // Layout rounds sizes to 1/64 of a CSS pixel; the screen shows whole device pixels.
  const scale = Math.round(canvas.getBoundingClientRect().width * window.devicePixelRatio)
    / canvas.width;
  const problems = outside.map((element) => {
    const box = element.getBoundingClientRect();
    return `${element.textContent || 'canvas'} at ${box.left},${box.top},${box.right},${box.bottom}`
      + ` outside ${window.innerWidth}x${window.innerHeight}`;
  });
  if (!Number.isInteger(scale) || scale < 1) problems.push(`scale ${scale}`);
  return problems.join('; ') || 'yes';
}

// Words of the page's own texts (but the program's output) in the other language's script.
function untranslatedWords() {
  const russian = document.documentElement.lang === 'ru';
  const other = russian ? /\p{Script=Latin}+/gu : /\p{Script=Cyrillic}+/gu;
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  const texts = [document.querySelector('meta[name="description"]').content];
  for (let node; (node = walker.nextNode());) {
    if (!node.parentElement.closest('#output, script')) texts.push(node.data);
  }
  for (const labelled of document.querySelectorAll('[aria-label]')) {
    texts.push(labelled.getAttribute('aria-label'));
  }
  const words = texts.join(' ').match(other)?.filter((word) => !['Vyrtel', 'Esc'].includes(word));
  return [...new Set(words)].join(' ') || 'none';
}

// The canvas's pixels as runs of one colour, each its RGB value and its length: the page's
// own work stays a few milliseconds, where copying out every pixel as text held its main
// thread, and with it the program's timers, for a good part of a blink.
function canvasRuns() {
  const element = document.querySelector('#stage canvas');
  if (!element) return null;
  const { data } = element.getContext('2d').getImageData(0, 0, element.width, element.height);
  const runs = [];
  let colour = -1;
  for (let i = 0; i < data.length; i += 4) {
    const pixel = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    if (pixel === colour) {
      runs[runs.length - 1] += 1;
    } else {
      colour = pixel;
      runs.push(pixel, 1);
    }
  }
  return { width: element.width, height: element.height, runs };
}

function rgbOf({ width, height, runs }) {
  const rgb = Buffer.alloc(width * height * 3);
  let at = 0;
  for (let i = 0; i < runs.length; i += 2) {
    const [pixel, length] = [runs[i], runs[i + 1]];
    for (const end = at + length * 3; at < end; at += 3) {
      rgb[at] = pixel >> 16;
      rgb[at + 1] = (pixel >> 8) & 0xff;
      rgb[at + 2] = pixel & 0xff;
    }
  }
  return rgb;
}

// The browser, started for one form and language at a time.
function browserNamed(name) {
  let started = null;  // { phone, language, instance }
  const close = async () => {
    await started?.instance.close();
    started = null;
  };
  return {
    async newPage(phone, language) {
      if (started?.phone !== phone || started?.language !== language) {
        await close();
        const instance = await launchBrowser(puppeteer, name, { headless: false, phone, language });
        started = { phone, language, instance };
      }
      const page = await started.instance.newPage();
      if (phone) await page.setViewport(PHONE_VIEWPORT);
      return page;
    },
    close,
  };
}

function commandsFor(browser, siteFolder) {
  let server = null;
  let page = null;
  const site = () => addressOf(server);
  const evaluate = (fn, ...args) => page.evaluate(fn, ...args);
  const freshPage = async (phone, language) => {
    await page?.close();
    server?.close();
    server = await serveFolder(siteFolder);
    page = await browser.newPage(phone, language);
  };
  return {
    page: (words) => freshPage(words.startsWith('phone'), words.split(' ')[1]),
    async open(path) {
      if (!page) await freshPage(false, 'en');
      await page.goto(new URL(path, site()).href);
      // Notes the click the tests give the page the keyboard with: keys sent before it has
      // reached the page go to a browser still taking the focus, which Chromium drops.
      await evaluate(() => addEventListener('mousedown', () => { window.vyrtelClicked = true; }));
    },
    clicked: async () => ((await evaluate(() => window.vyrtelClicked === true)) ? 'yes' : 'no'),
    title: () => evaluate(() => document.title),
    async canvas(file) {
      const runs = await evaluate(canvasRuns);
      if (!runs) return 'none';
      await writeFile(file, rgbOf(runs));
      return `${runs.width} ${runs.height}`;
    },
    font: async (file) => (await page.$('#font-file')).uploadFile(file),
    restart: () => page.click('#restart'),
    'shipped-font': () => page.click('#shipped-font'),
    status: () => evaluate(() => document.getElementById('status').textContent),
    output: () => evaluate(() => document.getElementById('output').textContent)
      .then((text) => text.replaceAll('\n', '\\n')),
    fullscreen: () => evaluate(() => (document.fullscreenElement
      || document.webkitFullscreenElement ? 'yes' : 'no')),
    tap: (name) => page.tap(`::-p-aria(${name}[role="button"])`),
    fits: () => evaluate(layoutFits),
    async installable() {
      const session = await page.createCDPSession();
      const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
      await session.detach();
      return installabilityErrors.map((error) => error.errorId).join(' ') || 'none';
    },
    async accessibility() {
      const axe = await readFile(AXE_SCRIPT, 'utf8');
      const violations = await evaluate(async (source) => {
        const script = document.createElement('script');
        script.textContent = source;
        document.head.append(script);
        const results = await window.axe.run(document, {
          runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa'] },
        });
        return results.violations.map((violation) => violation.id);
      }, axe);
      return violations.join(' ') || 'none';
    },
    lang: () => evaluate(() => document.documentElement.lang),
    untranslated: () => evaluate(untranslatedWords),
    kept: () => evaluate(() => navigator.serviceWorker.ready.then(() => undefined)),
    'stop-server': () => new Promise((resolve) => {
      server.close(resolve);
      server.closeAllConnections();
    }),
    reload: async () => { await page.reload(); },
    // A page the back/forward cache keeps comes back with its scripts' state, here a mark
    // left on it; one loaded afresh comes back without.
    async 'away-and-back'() {
      await evaluate(() => { window.vyrtelLeftHere = true; });
      await page.goto(new URL('/away', site()).href);
      page.goBack().catch(() => {});
    },
    // A page between two documents answers nothing.
    back: () => evaluate(() => {
      if (window.location.pathname === '/away' || document.readyState !== 'complete') return 'away';
      return window.vyrtelLeftHere === true ? 'restored' : 'reloaded';
    }).catch(() => 'away'),
  };
}

async function main() {
  const [browserName, siteFolder] = process.argv.slice(2);
  const browser = browserNamed(browserName);
  const commands = commandsFor(browser, siteFolder);
  console.log('ready');
  for await (const line of createInterface({ input: process.stdin })) {
    const [name, ...words] = line.split(' ');
    const command = commands[name];
    try {
      console.log(command ? (await command(words.join(' '))) ?? 'ok' : `error: no command ${name}`);
    } catch (error) {
      console.log(`error: ${String(error.message).split('\n')[0]}`);
    }
  }
  await browser.close();
  process.exit(0);
}

main().catch((error) => {
  console.log(`error: ${error.message}`);
  process.exit(1);
});
