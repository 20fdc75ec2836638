// Drives one real browser for the browser tests: Debian's Chromium or Firefox, headed on
// the X display in DISPLAY, showing the page from a server of its own; with "phone", as a
// phone's browser (412x915, touch, no keyboard); preferring English, or Russian with "ru".
// Usage: node driver.mjs chromium|firefox SITE_FOLDER [phone|desktop] [en|ru]
// It answers one line on standard output for each command line on standard input:
//   open PATH         loads the page at PATH of the site ("ok")
//   title             the page's title
//   canvas FILE       writes the program's canvas to FILE as raw RGB ("W H", or "none")
//   font FILE         chooses FILE in the page's font input ("ok")
//   restart           clicks the page's button for a fresh start ("ok")
//   shipped-font      clicks the page's button for a start with the shipped font ("ok")
//   status            the page's status line
//   output            what the program printed, with line ends as "\n"
//   fullscreen        "yes" while the page is in full screen, else "no"
//   tap NAME          taps the on-screen key whose accessible name is NAME ("ok")
//   fits              "yes" when the picture and the on-screen keys lie within the
//                     viewport, the picture at a whole number of device pixels per pixel;
//                     else what does not
//   installable       Chromium's installability errors, space-separated, or "none"
//   accessibility     axe-core's WCAG 2 A and AA violations, space-separated, or "none"
//   lang              the page's language, as <html lang> gives it
//   untranslated      words of the page's own texts in the other language's script (Latin
//                     on a Russian page, Cyrillic on an English one), names aside; or "none"
//   kept              waits until the service worker keeps the page for use offline ("ok")
//   stop-server       stops serving the site, as a server gone away would ("ok")
//   reload            reloads the page ("ok")
//   away-and-back     opens another page, goes Back, and answers "restored" when the
//                     page came back from the back/forward cache, else "reloaded"
// Any failure answers "error: <what>". End of input closes the browser.
import { writeFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

import { launchBrowser, PHONE_VIEWPORT } from '../../tools/browsers.mjs';
import { addressOf, serveFolder } from '../../tools/serve-web.mjs';

const AXE_SCRIPT = createRequire(import.meta.url).resolve('axe-core/axe.min.js');
// How long Back may take to show the page again. Firefox fires no load event for a page
// the back/forward cache restores, so Back is not waited for beyond this.
const BACK_TIMEOUT_MS = 5000;

// Notes in the page how it was last shown: kept whole in the back/forward cache
// (persisted), or loaded afresh.
function recordPageShows() {
  window.addEventListener('pageshow', (event) => {
    window.vyrtelShownFromCache = event.persisted;
  });
}

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
async function canvasPixels(page) {
  const canvas = await page.evaluate(() => {
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
  });
  if (!canvas) return null;
  const rgb = Buffer.alloc(canvas.width * canvas.height * 3);
  let at = 0;
  for (let i = 0; i < canvas.runs.length; i += 2) {
    const [pixel, length] = [canvas.runs[i], canvas.runs[i + 1]];
    for (const end = at + length * 3; at < end; at += 3) {
      rgb[at] = pixel >> 16;
      rgb[at + 1] = (pixel >> 8) & 0xff;
      rgb[at + 2] = pixel & 0xff;
    }
  }
  return { width: canvas.width, height: canvas.height, rgb };
}

function commandsFor(page, server) {
  const site = addressOf(server);
  return {
    async open(path) {
      await page.goto(new URL(path, site).href, { waitUntil: 'load' });
      return 'ok';
    },
    title: () => page.title(),
    async canvas(file) {
      const pixels = await canvasPixels(page);
      if (!pixels) return 'none';
      await writeFile(file, pixels.rgb);
      return `${pixels.width} ${pixels.height}`;
    },
    async font(file) {
      const input = await page.$('#font-file');
      await input.uploadFile(file);
      return 'ok';
    },
    async restart() {
      await page.click('#restart');
      return 'ok';
    },
    async 'shipped-font'() {
      await page.click('#shipped-font');
      return 'ok';
    },
    status: () => page.$eval('#status', (line) => line.textContent),
    output: () => page.$eval('#output', (block) => block.textContent.replaceAll('\n', '\\n')),
    fullscreen: () => page.evaluate(() => (document.fullscreenElement ? 'yes' : 'no')),
    async tap(name) {
      await page.tap(`::-p-aria(${name}[role="button"])`);
      return 'ok';
    },
    fits: () => page.evaluate(layoutFits),
    async installable() {
      const session = await page.createCDPSession();
      const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
      await session.detach();
      return installabilityErrors.map((error) => error.errorId).join(' ') || 'none';
    },
    async accessibility() {
      await page.addScriptTag({ path: AXE_SCRIPT });
      const violations = await page.evaluate(async () => {
        const results = await window.axe.run(document, {
          runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa'] },
        });
        return results.violations.map((violation) => violation.id);
      });
      return violations.join(' ') || 'none';
    },
    lang: () => page.evaluate(() => document.documentElement.lang),
    untranslated: () => page.evaluate(untranslatedWords),
    async kept() {
      await page.evaluate(() => navigator.serviceWorker.ready);
      return 'ok';
    },
    async 'stop-server'() {
      await new Promise((resolve) => {
        server.close(resolve);
        server.closeAllConnections();
      });
      return 'ok';
    },
    async reload() {
      await page.reload({ waitUntil: 'load' });
      return 'ok';
    },
    async 'away-and-back'() {
      const here = new URL(page.url()).pathname;
      await page.goto(new URL('/away', site).href);
      await page.goBack({ waitUntil: 'load', timeout: BACK_TIMEOUT_MS }).catch(() => {});
      await page.waitForFunction((path) => window.location.pathname === path
        && window.vyrtelShownFromCache !== undefined, {}, here);
      return (await page.evaluate(() => window.vyrtelShownFromCache)) ? 'restored' : 'reloaded';
    },
  };
}

async function main() {
  const [browserName, siteFolder, form, language = 'en'] = process.argv.slice(2);
  const phone = form === 'phone';
  const server = await serveFolder(siteFolder);
  const browser = await launchBrowser(puppeteer, browserName, { headless: false, phone, language });
  const [page] = await browser.pages();
  if (phone) await page.setViewport(PHONE_VIEWPORT);
  await page.evaluateOnNewDocument(recordPageShows);
  const commands = commandsFor(page, server);
  console.log('ready');
  for await (const line of createInterface({ input: process.stdin })) {
    const [name, ...words] = line.split(' ');
    const command = commands[name];
    try {
      console.log(command ? await command(words.join(' ')) : `error: no command ${name}`);
    } catch (error) {
      console.log(`error: ${String(error.message).split('\n')[0]}`);
    }
  }
  await browser.close();
  server.close();
}

main().catch((error) => {
  console.log(`error: ${error.message}`);
  process.exit(1);
});
