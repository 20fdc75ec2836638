// `make web-screenshot`: the browser page in headless Chromium, with the shipped font,
// written as a PNG file once the underline shows; with "phone", as a phone held upright
// shows it, with the page's own keys; with "ru", as a browser that prefers Russian.
// Usage: node tools/web-screenshot.mjs SITE_FOLDER OUTPUT.png [phone|desktop] [en|ru]
import puppeteer from 'puppeteer-core';

import { launchBrowser, PHONE_VIEWPORT } from './browsers.mjs';
import { addressOf, serveFolder } from './serve-web.mjs';

// The page in a window that fits the picture twice over, at one device pixel per CSS pixel.
const VIEWPORT = { width: 1440, height: 1080, deviceScaleFactor: 1 };
const TIMEOUT_MS = 30000;

const [site, output, form, language = 'en'] = process.argv.slice(2);
if (!site || !output) {
  console.error('usage: node tools/web-screenshot.mjs SITE_FOLDER OUTPUT.png [phone|desktop] [en|ru]');
  process.exit(2);
}
const phone = form === 'phone';
const server = await serveFolder(site);
const browser = await launchBrowser(puppeteer, 'chromium', { headless: true, phone, language });
try {
  const page = await browser.newPage();
  await page.setViewport(phone ? PHONE_VIEWPORT : VIEWPORT);
  await page.goto(addressOf(server));
  // The program draws its first frame with the underline off and turns it on at its first
  // blink, the canvas's first change. Where the underline stands is the picture model's to
  // know (tests/model/), not this tool's.
  await page.waitForFunction(() => {
    const canvas = document.querySelector('#stage canvas');
    if (!canvas) return false;
    const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    const pixels = new Uint32Array(data.buffer);
    // Until the program's first frame the canvas is transparent.
    if (pixels[0] === 0) return false;
    window.firstFrame ??= pixels;
    return pixels.some((pixel, index) => pixel !== window.firstFrame[index]);
  }, { timeout: TIMEOUT_MS, polling: 20 });
  await page.screenshot({ path: output });
  console.log(`Wrote ${output}`);
} finally {
  await browser.close();
  server.close();
}
