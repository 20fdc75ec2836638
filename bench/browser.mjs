// The browser page measured in one browser, headless: the site's weight, navigation to
// the first frame, the page's idle CPU above the same browser showing a blank page, beside
// that of a plain canvas showing the same blink (bench/plain-canvas/), and key press to
// canvas updated. Prints one "name value" line per figure.
// Usage: node bench/browser.mjs chromium|firefox SITE_FOLDER
import { readdir, readFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

import { launchBrowser } from '../tools/browsers.mjs';
import { addressOf, serveFolder } from '../tools/serve-web.mjs';

// Idle is measured from 15 s after loading, alike for the blank page, the page and the
// plain canvas: by then the page's start-up work is done (its code compiled and
// optimised, its first garbage collections, its service worker started and checked for
// a new build), which in Firefox costs about 0.6 % of a core over the first 12 s.
const WARM_UP_MS = 15000;
const SETTLE_MS = 5000;      // a new browser's own start-up work done
const IDLE_WINDOW_MS = 10000;
const KEY_COUNT = 50;
const KEY_GAP_MS = 60;       // each press is on the canvas well before the next one
const CLOCK_TICKS_PER_SECOND = 100;  // /proc's unit of CPU time on Linux
// A blank page, the page and the plain canvas take turns, so that the browser's own
// background work, which comes and goes (in Firefox's parent process by up to 5 % of a
// core for seconds at a time), falls on all three alike; each figure is the median of its
// rounds.
const ROUNDS = 3;
const PLAIN_CANVAS = join(dirname(fileURLToPath(import.meta.url)), 'plain-canvas');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Every file of the site compressed on its own, as a server that gzips would send it.
async function siteGzipKb(site) {
  let bytes = 0;
  for (const name of await readdir(site)) {
    bytes += gzipSync(await readFile(join(site, name)), { level: 9 }).length;
  }
  return bytes / 1024;
}

// CPU time, in clock ticks, of process `root` and all its descendants.
async function treeCpuTicks(root) {
  const parents = new Map();
  const ticks = new Map();
  for (const entry of await readdir('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = await readFile(`/proc/${entry}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parents.set(Number(entry), Number(fields[1]));
      ticks.set(Number(entry), Number(fields[11]) + Number(fields[12]));  // utime + stime
    } catch {
      // the process ended while being read
    }
  }
  const inTree = (pid) => pid === root || (parents.has(pid) && pid > 1 && inTree(parents.get(pid)));
  let total = 0;
  for (const [pid, value] of ticks) if (inTree(pid)) total += value;
  return total;
}

async function cpuPercent(root) {
  const before = await treeCpuTicks(root);
  await sleep(IDLE_WINDOW_MS);
  const used = (await treeCpuTicks(root)) - before;
  return (100 * used) / CLOCK_TICKS_PER_SECOND / (IDLE_WINDOW_MS / 1000);
}

// The browser's CPU with a blank page.
async function blankCpuPercent(page, pid) {
  await page.goto('about:blank');
  await sleep(WARM_UP_MS);
  return cpuPercent(pid);
}

// Records, in the page's own clock, when each frame reaches the canvas (the browser's SDL
// puts every frame there with putImageData) and when each key press arrives.
function recordFramesAndKeys() {
  window.benchFrames = [];
  window.benchKeys = [];
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    put.apply(this, args);
    window.benchFrames.push(performance.now());
  };
  window.addEventListener('keydown', (event) => window.benchKeys.push(event.timeStamp), true);
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// From each key press to the first frame on the canvas after it.
function keyToCanvasMs(keys, frames) {
  return keys.map((key) => frames.find((frame) => frame >= key) - key)
    .filter((delay) => Number.isFinite(delay));
}

// The browser's CPU while it shows the plain canvas.
async function plainCanvasCpuPercent(page, pid, address) {
  await page.goto(address);
  await sleep(WARM_UP_MS);
  return cpuPercent(pid);
}

// One round of the page, started afresh: its CPU, and on the first round its first frame,
// its blink (idle, only the blink puts frames on the canvas) and key press to canvas (after
// the idle figure, so that the presses do not disturb it).
async function pageRound(page, pid, address, round) {
  await page.goto(address);
  await page.waitForFunction(() => window.benchFrames.length > 0, { timeout: 30000 });
  const firstFrame = await page.evaluate(() => window.benchFrames[0]);
  await sleep(WARM_UP_MS);
  const idleFrom = await page.evaluate(() => window.benchFrames.length);
  const cpu = await cpuPercent(pid);
  if (round > 0) return { cpu };
  const idleFrames = await page.evaluate((from) => window.benchFrames.slice(from), idleFrom);
  const blinks = idleFrames.slice(1).map((frame, i) => frame - idleFrames[i]);
  for (let i = 0; i < KEY_COUNT; ++i) {
    await page.keyboard.press(i % 2 ? 'ArrowLeft' : 'ArrowRight');
    await sleep(KEY_GAP_MS);
  }
  const delays = await page.evaluate(
    (code) => new Function(`return (${code})`)()(window.benchKeys, window.benchFrames),
    keyToCanvasMs.toString());
  return { cpu, firstFrame, blinks, delays };
}

async function measure(browserName, site) {
  const server = await serveFolder(site);
  const canvasServer = await serveFolder(PLAIN_CANVAS);
  const browser = await launchBrowser(puppeteer, browserName, { headless: true });
  try {
    const [page] = await browser.pages();
    const pid = browser.process().pid;
    await sleep(SETTLE_MS);
    await page.evaluateOnNewDocument(recordFramesAndKeys);
    const blankRounds = [];
    const pageRounds = [];
    const canvasCpu = [];
    for (let round = 0; round < ROUNDS; ++round) {
      blankRounds.push(await blankCpuPercent(page, pid));
      pageRounds.push(await pageRound(page, pid, addressOf(server), round));
      canvasCpu.push(await plainCanvasCpuPercent(page, pid, addressOf(canvasServer)));
    }
    const blankCpu = median(blankRounds);
    const pageCpu = median(pageRounds.map((round) => round.cpu));
    const plainCpu = median(canvasCpu);
    const { firstFrame, blinks, delays } = pageRounds[0];
    return {
      'first-frame-ms': firstFrame,
      'page-cpu-percent': pageCpu,
      'plain-canvas-cpu-percent': plainCpu,
      'blank-cpu-percent': blankCpu,
      'idle-above-blank-percent': pageCpu - blankCpu,
      'plain-canvas-above-blank-percent': plainCpu - blankCpu,
      'idle-to-plain-canvas-ratio': (pageCpu - blankCpu) / (plainCpu - blankCpu),
      'blink-period-median-ms': median(blinks),
      'blink-period-max-ms': Math.max(...blinks),
      'key-to-canvas-median-ms': median(delays),
      'key-to-canvas-max-ms': Math.max(...delays),
      'keys-shown': delays.length,
    };
  } finally {
    await browser.close();
    server.close();
    canvasServer.close();
  }
}

const [browserName, site] = process.argv.slice(2);
if (!browserName || !site) {
  console.error('usage: node bench/browser.mjs chromium|firefox SITE_FOLDER');
  process.exit(2);
}
const figures = { 'site-gzip-kb': await siteGzipKb(site), ...(await measure(browserName, site)) };
for (const [name, value] of Object.entries(figures)) {
  console.log(`${name} ${Number.isInteger(value) ? value : value.toFixed(2)}`);
}
