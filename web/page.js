// The page around the program. It starts the program with a font image, shows its
// 640x480 picture crisp at the largest whole scale that fits, hands it the keyboard and
// the on-screen keys, carries its display mode over to the browser's full screen, and
// shows what it printed and how it ended. Everything stays in the browser: the only
// requests are for this folder's own files, which a service worker keeps for use offline.
'use strict';

(() => {
  const PICTURE_WIDTH = 640;
  const PICTURE_HEIGHT = 480;
  // The program reads its font from rfs/rk_font.bin under its working directory, "/".
  const FONT_FOLDER = '/rfs';
  const FONT_FILE = '/rfs/rk_font.bin';
  const SHIPPED_FONT = 'rk_font.bin';
  // The keys the program acts on. The page keeps the browser's own use of them (scrolling)
  // away while the program runs.
  const PROGRAM_KEYS = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', ' ', 'Escape']);
  const KEY_EVENTS = ['keydown', 'keyup', 'keypress'];
  // What the keyboard sends for each of those keys, as the browser's SDL reads it; the
  // on-screen keys and the page's own presses send the same.
  const KEY_PRESSES = new Map([
    ['ArrowUp', { key: 'ArrowUp', code: 'ArrowUp', keyCode: 38, which: 38, location: 0 }],
    ['ArrowDown', { key: 'ArrowDown', code: 'ArrowDown', keyCode: 40, which: 40, location: 0 }],
    ['ArrowLeft', { key: 'ArrowLeft', code: 'ArrowLeft', keyCode: 37, which: 37, location: 0 }],
    ['ArrowRight', { key: 'ArrowRight', code: 'ArrowRight', keyCode: 39, which: 39, location: 0 }],
    [' ', { key: ' ', code: 'Space', keyCode: 32, which: 32, location: 0 }],
    ['Escape', { key: 'Escape', code: 'Escape', keyCode: 27, which: 27, location: 0 }],
  ]);
  const SPACE = KEY_PRESSES.get(' ');
  const ESCAPE = KEY_PRESSES.get('Escape');
  // The browser's SDL notes each call it does not carry out on the program's standard
  // output; those lines are its, not the program's.
  const SDL_NOTICE = /^SDL_\w+ called \(and ignored\)$/;
  // The page's own words, in the language texts.js chose.
  const TEXTS = window.vyrtelTexts;
  // The one ending that prints nothing has a single cause.
  const SILENT_ENDINGS = {
    255: TEXTS.stoppedLockingDisplay,
  };

  const stage = document.getElementById('stage');
  const statusLine = document.getElementById('status');
  const output = document.getElementById('output');
  const restartButton = document.getElementById('restart');
  const shippedFontButton = document.getElementById('shipped-font');
  const fontInput = document.getElementById('font-file');
  const touchKeys = document.getElementById('touch-keys');
  const clickHint = document.getElementById('click-hint');

  // The font image for the next start: its bytes, or null when it could not be read.
  let font = null;
  // The program now running or last run: { canvas, keyboard, fullScreen, entering (a
  // request for full screen the browser has yet to answer), ended, hadFont }.
  let run = null;
  let startWhenEnded = false;
  // Whether the page came from the service worker's saved copy with no server to reach.
  let offline = false;

  // Emscripten's SDL listens for keys on whatever it is given. Each run gets one of these,
  // so that a run that has ended hears nothing more.
  function makeKeyboard() {
    const listeners = new Map();
    return {
      addEventListener(type, listener) {
        listeners.set(type, [...(listeners.get(type) || []), listener]);
      },
      removeEventListener(type, listener) {
        listeners.set(type, (listeners.get(type) || []).filter((l) => l !== listener));
      },
      deliver(event) {
        for (const listener of listeners.get(event.type) || []) listener(event);
      },
    };
  }

  // A press and release of `key` as the page's own events.
  function keyPress(key) {
    return ['keydown', 'keyup'].map((type) => ({
      type, ...key, repeat: false, target: null, preventDefault() {}, stopPropagation() {},
    }));
  }

  // A press the page makes itself, to bring the program's idea of its display mode in line
  // with what the browser did on its own.
  function pressKey(keyboard, key) {
    for (const event of keyPress(key)) keyboard.deliver(event);
  }

  // Every picture pixel covers the same whole number of device pixels, as many as fit, and
  // the picture lands on whole device pixels, centred. The desktop's window keeps whole
  // squares too, but as many as the display scale asks (app/window_scale.h): the page's
  // JavaScript cannot share that C++.
  function fitPicture() {
    const ratio = window.devicePixelRatio || 1;
    const box = stage.getBoundingClientRect();
    const width = Math.floor(box.width * ratio);
    const height = Math.floor(box.height * ratio);
    const scale = Math.max(1, Math.floor(Math.min(width / PICTURE_WIDTH, height / PICTURE_HEIGHT)));
    const left = Math.max(0, Math.floor((width - PICTURE_WIDTH * scale) / 2));
    const top = Math.max(0, Math.floor((height - PICTURE_HEIGHT * scale) / 2));
    // Emscripten rewrites the canvas's own style when the program sets a display mode, so
    // the size lives in custom properties that the style sheet applies.
    stage.style.setProperty('--picture-width', `${(PICTURE_WIDTH * scale) / ratio}px`);
    stage.style.setProperty('--picture-height', `${(PICTURE_HEIGHT * scale) / ratio}px`);
    stage.style.setProperty('--picture-left', `${left / ratio}px`);
    stage.style.setProperty('--picture-top', `${top / ratio}px`);
  }

  function watchDevicePixelRatio() {
    const query = window.matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`);
    query.addEventListener('change', () => {
      fitPicture();
      watchDevicePixelRatio();
    }, { once: true });
  }

  function onTouchDevice() {
    return window.matchMedia('(pointer: coarse)').matches;
  }

  // Safari before 16.4 knows full screen only under WebKit's prefix, and Safari on an
  // iPhone knows none for a page.
  function fullScreenElement() {
    return document.fullscreenElement ?? document.webkitFullscreenElement ?? null;
  }

  function canGoFullScreen() {
    return Boolean(stage.requestFullscreen ?? stage.webkitRequestFullscreen);
  }

  // The picture goes to full screen alone; on a phone or tablet the page's own keys go
  // with it, since nothing else could press them there. Once the browser has answered, the
  // program follows it out if it refused, or if the user left meanwhile.
  async function enterFullScreen() {
    const element = onTouchDevice() ? document.documentElement : stage;
    const thisRun = run;
    thisRun.entering = true;
    try {
      await (element.requestFullscreen
        ? element.requestFullscreen({ navigationUI: 'hide' }) : element.webkitRequestFullscreen());
    } catch {
      // refused: followed out below
    } finally {
      thisRun.entering = false;
    }
    followBrowserOutOfFullScreen();
  }

  function leaveFullScreen() {
    if (!fullScreenElement()) return;
    if (document.exitFullscreen) {
      document.exitFullscreen().catch(() => {});
    } else {
      document.webkitExitFullscreen();
    }
  }

  // The program switches between window and full screen on every Space; the page does the
  // same with the browser's full screen.
  function switchDisplayMode() {
    run.fullScreen = !run.fullScreen;
    if (run.fullScreen) {
      enterFullScreen();
    } else {
      leaveFullScreen();
    }
  }

  // The browser left full screen on its own (its Escape, or its own controls), or refused
  // it: the program is told with a Space of the page's own, so that its mode stays true
  // and the user's next Space switches again.
  function followBrowserOutOfFullScreen() {
    if (run && !run.ended && run.fullScreen && !run.entering && !fullScreenElement()) {
      run.fullScreen = false;
      pressKey(run.keyboard, SPACE);
    }
  }

  function onFullScreenChange() {
    if (!fullScreenElement()) {
      followBrowserOutOfFullScreen();
    } else if (!run || run.ended || !run.fullScreen) {
      leaveFullScreen();  // Space was pressed again while the browser was still switching
    }
  }

  function isFormControl(target) {
    return target instanceof HTMLInputElement || target instanceof HTMLButtonElement;
  }

  function onKey(event) {
    if (!run || run.ended || isFormControl(event.target)) return;
    if (PROGRAM_KEYS.has(event.key)) event.preventDefault();
    // SDL 1.2 programs get one press per press of a key, not the keyboard's repeats.
    if (event.repeat) return;
    handleKey(event);
  }

  // A key event from the keyboard or an on-screen key, for the program.
  function handleKey(event) {
    // In full screen Escape leaves full screen, as every browser teaches, and the program
    // follows back to its window; in the window it quits, as on the desktop. A browser
    // that takes the key for itself never passes it on; one that does is treated alike.
    if (event.key === 'Escape' && (run.fullScreen || fullScreenElement())) {
      if (event.type === 'keydown') leaveFullScreen();
      return;
    }
    if (event.type === 'keydown' && event.key === ' ') {
      // The browser may have left full screen with its news still to come, with the next
      // frame: the program follows it out first, so that this Space goes back in.
      followBrowserOutOfFullScreen();
      switchDisplayMode();
    }
    run.keyboard.deliver(event);
  }

  // A tap on an on-screen key is one press and release of its key. The key gives the
  // focus back, so that a keyboard's keys keep going to the program.
  function onTouchKey(event) {
    const button = event.target.closest('button');
    if (!button) return;
    button.blur();
    if (!run || run.ended) return;
    for (const keyEvent of keyPress(KEY_PRESSES.get(button.dataset.key))) handleKey(keyEvent);
  }

  // Keys reach the page only while its window has the focus; until then it says where to
  // click. A finger's tap gives the focus anyway. The hint keeps its room when hidden, so
  // that nothing under the pointer moves as a click gives the focus.
  function showWhereToClick() {
    const needed = !document.hasFocus() && !onTouchDevice();
    clickHint.style.visibility = needed ? 'visible' : 'hidden';
  }

  function runningStatus() {
    return offline ? TEXTS.runningFromSavedCopy : TEXTS.running;
  }

  function show(text) {
    if (!SDL_NOTICE.test(text)) output.textContent += `${text}\n`;
  }

  // How the run ended, in words: the program's own message tells why it stopped.
  function describeEnding(status) {
    const code = status & 255;  // as a shell sees it: -1 is 255
    if (code === 0) return TEXTS.endedNormally;
    if (output.textContent) return TEXTS.stoppedWithMessage(code);
    return SILENT_ENDINGS[code] || TEXTS.stopped(code);
  }

  function ended(thisRun, status) {
    thisRun.ended = true;
    if (run !== thisRun) return;
    leaveFullScreen();
    if (startWhenEnded) {
      start();
      return;
    }
    statusLine.textContent = describeEnding(status);
    restartButton.hidden = false;
    // A font that could not be read stays chosen for "Start again"; the shipped one is
    // one click away.
    shippedFontButton.hidden = thisRun.hadFont;
  }

  function installFont(fileSystem) {
    fileSystem.mkdir(FONT_FOLDER);
    if (font) fileSystem.writeFile(FONT_FILE, font);
  }

  function start() {
    startWhenEnded = false;
    const canvas = document.createElement('canvas');
    canvas.width = PICTURE_WIDTH;
    canvas.height = PICTURE_HEIGHT;
    // A canvas kept in memory rather than on the GPU: every frame arrives as the pixels of
    // the program's screen (putImageData), which a GPU canvas would upload each time.
    // Measured in Chromium, idle, that costs more, even where the GPU is software.
    canvas.getContext('2d', { willReadFrequently: true });
    // A wrapper of its own keeps Emscripten from taking a full-screen stage for the canvas's
    // own full screen and resizing it.
    const holder = document.createElement('div');
    holder.append(canvas);
    stage.replaceChildren(holder);
    const thisRun = {
      canvas, keyboard: makeKeyboard(), fullScreen: false, entering: false, ended: false,
      hadFont: font !== null,
    };
    run = thisRun;
    output.textContent = '';
    statusLine.textContent = runningStatus();
    restartButton.hidden = true;
    shippedFontButton.hidden = true;
    createVyrtel({
      canvas,
      keyboardListeningElement: thisRun.keyboard,
      print: show,
      printErr: (text) => console.warn(text),
      preRun: [(module) => installFont(module.FS)],
      onExit: (status) => ended(thisRun, status),
    }).catch((error) => {
      thisRun.ended = true;
      statusLine.textContent = TEXTS.notLoaded(error);
    });
  }

  // A fresh start with the font as it now is. A running program is asked to quit first,
  // with the Escape that ends it on the desktop.
  function restart() {
    if (run && !run.ended) {
      startWhenEnded = true;
      pressKey(run.keyboard, ESCAPE);
    } else {
      start();
    }
  }

  async function readFont(file) {
    try {
      return new Uint8Array(await file.arrayBuffer());
    } catch {
      return null;  // the program then reports that it cannot open its font
    }
  }

  async function useFont(file) {
    font = await readFont(file);
    restart();
  }

  async function loadShippedFont() {
    try {
      const response = await fetch(SHIPPED_FONT);
      return response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
    } catch {
      return null;
    }
  }

  function listenForDroppedFonts() {
    document.addEventListener('dragover', (event) => {
      event.preventDefault();
      document.body.classList.add('dragging');
    });
    document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
    document.addEventListener('drop', (event) => {
      event.preventDefault();
      document.body.classList.remove('dragging');
      const file = event.dataTransfer.files[0];
      if (file) {
        fontInput.value = '';  // it would still name the file chosen before
        useFont(file);
      }
    });
  }

  // Keeps the page's files for use offline. With the page already kept, the check for a
  // new build tells whether the server can be reached at all.
  async function keepForOffline() {
    if (!('serviceWorker' in navigator)) return;
    try {
      const registration = await navigator.serviceWorker.register('service-worker.js');
      if (navigator.serviceWorker.controller) await registration.update();
    } catch {
      if (!navigator.serviceWorker.controller) return;
      offline = true;
      if (run && !run.ended) statusLine.textContent = runningStatus();
    }
  }

  // The browser's SDL listens for the page's unload, to send the program a quit it could
  // not act on as the page goes. A page that listens for unload is never kept in the
  // back/forward cache, where Back finds it still running; so nothing on this page does.
  function refuseUnloadListeners() {
    const addEventListener = window.addEventListener;
    window.addEventListener = function (type, ...rest) {
      if (type !== 'unload') addEventListener.call(this, type, ...rest);
    };
  }

  async function main() {
    if (window.location.protocol === 'file:') {
      statusLine.textContent = TEXTS.serveIt;
      return;
    }
    refuseUnloadListeners();
    keepForOffline();
    for (const type of KEY_EVENTS) window.addEventListener(type, onKey, true);
    touchKeys.addEventListener('click', onTouchKey);
    window.addEventListener('focus', showWhereToClick);
    window.addEventListener('blur', showWhereToClick);
    window.focus();
    showWhereToClick();
    for (const type of ['fullscreenchange', 'webkitfullscreenchange']) {
      document.addEventListener(type, onFullScreenChange);
    }
    document.addEventListener('webkitfullscreenerror', followBrowserOutOfFullScreen);
    // Where the page cannot go full screen, its Space key would do nothing.
    touchKeys.querySelector('.space').hidden = !canGoFullScreen();
    new ResizeObserver(fitPicture).observe(stage);
    watchDevicePixelRatio();
    fitPicture();
    restartButton.addEventListener('click', () => {
      restartButton.blur();
      restart();
    });
    shippedFontButton.addEventListener('click', async () => {
      shippedFontButton.blur();
      font = await loadShippedFont();
      restart();
    });
    fontInput.addEventListener('change', () => {
      const file = fontInput.files[0];
      fontInput.blur();
      if (file) useFont(file);
    });
    listenForDroppedFonts();
    const shipped = await loadShippedFont();
    // A font chosen while the shipped one was still loading has started a run already.
    if (!run) {
      font = shipped;
      start();
    }
  }

  main();
})();
