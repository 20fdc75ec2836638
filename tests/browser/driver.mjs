// Drives one real browser for the browser tests: Debian's Chromium or Firefox, headed on
// the X display in DISPLAY, showing the page from a server of its own.
// Usage: node driver.mjs chromium|firefox SITE_FOLDER
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
// Any failure answers "error: <what>". End of input closes the browser.
import { writeFile } from 'node:fs/promises';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

import { launchBrowser } from '../../tools/browsers.mjs';
import { addressOf, serveFolder } from '../../tools/serve-web.mjs';

async function canvasPixels(page) {
  return page.evaluate(() => {
    const canvas = document.querySelector('#stage canvas');
    if (!canvas) return null;
    const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    const rgb = new Uint8Array((data.length / 4) * 3);
    for (let i = 0, j = 0; i < data.length; i += 4, j += 3) {
      rgb[j] = data[i];
      rgb[j + 1] = data[i + 1];
      rgb[j + 2] = data[i + 2];
    }
    let text = '';
    for (let i = 0; i < rgb.length; i += 0x8000) {
      text += String.fromCharCode(...rgb.subarray(i, i + 0x8000));
    }
    return { width: canvas.width, height: canvas.height, rgb: btoa(text) };
  });
}

function commandsFor(page, site) {
  return {
    async open(path) {
      await page.goto(new URL(path, site).href, { waitUntil: 'load' });
      return 'ok';
    },
    title: () => page.title(),
    async canvas(file) {
      const pixels = await canvasPixels(page);
      if (!pixels) return 'none';
      await writeFile(file, Buffer.from(pixels.rgb, 'base64'));
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
  };
}

async function main() {
  const [browserName, siteFolder] = process.argv.slice(2);
  const server = await serveFolder(siteFolder);
  const browser = await launchBrowser(puppeteer, browserName, { headless: false });
  const [page] = await browser.pages();
  const commands = commandsFor(page, addressOf(server));
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
