// The page around the program. It starts the program with a font image, shows its
// 640x480 picture crisp at the largest whole scale that fits, hands it the keyboard,
// carries its display mode over to the browser's full screen, and shows what it printed
// and how it ended. Everything stays in the browser: the only requests are for this
// folder's own files.
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
  const SPACE = { key: ' ', code: 'Space', keyCode: 32, which: 32, location: 0 };
  // The browser's SDL notes each call it does not carry out on the program's standard
  // output; those lines are its, not the program's.
  const SDL_NOTICE = /^SDL_\w+ called \(and ignored\)$/;
  const ENDED_NORMALLY = 'Vyrtel ended normally (exit status 0).';
  // The one ending that prints nothing has a single cause.
  const SILENT_ENDINGS = {
    255: 'Vyrtel stopped: a frame could not lock the display (exit status 255).',
  };

  const stage = document.getElementById('stage');
  const statusLine = document.getElementById('status');
  const output = document.getElementById('output');
  const restartButton = document.getElementById('restart');
  const shippedFontButton = document.getElementById('shipped-font');
  const fontInput = document.getElementById('font-file');

  // The font image for the next start: its bytes, or null when it could not be read.
  let font = null;
  // The program now running or last run: { canvas, keyboard, fullScreen, ended }.
  let run = null;
  let startWhenEnded = false;

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

  // A press and release the page makes itself, to bring the program's idea of its display
  // mode in line with what the browser did on its own.
  function pressKey(keyboard, key) {
    for (const type of ['keydown', 'keyup']) {
      keyboard.deliver({ type, ...key, repeat: false, preventDefault() {}, stopPropagation() {} });
    }
  }

  // Every picture pixel covers the same whole number of device pixels, as many as fit, and
  // the picture lands on whole device pixels, centred.
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

  async function enterFullScreen() {
    try {
      await stage.requestFullscreen({ navigationUI: 'hide' });
    } catch {
      followBrowserOutOfFullScreen();
    }
  }

  function leaveFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
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
    if (run && !run.ended && run.fullScreen && !document.fullscreenElement) {
      run.fullScreen = false;
      pressKey(run.keyboard, SPACE);
    }
  }

  function onFullScreenChange() {
    if (!document.fullscreenElement) {
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
    // In full screen Escape leaves full screen, as every browser teaches, and the program
    // follows back to its window; in the window it quits, as on the desktop. A browser
    // that takes the key for itself never passes it on; one that does is treated alike.
    if (event.key === 'Escape' && (run.fullScreen || document.fullscreenElement)) {
      if (event.type === 'keydown') leaveFullScreen();
      return;
    }
    if (event.type === 'keydown' && event.key === ' ') switchDisplayMode();
    run.keyboard.deliver(event);
  }

  function show(text) {
    if (!SDL_NOTICE.test(text)) output.textContent += `${text}\n`;
  }

  // How the run ended, in words: the program's own message tells why it stopped.
  function describeEnding(status) {
    const code = status & 255;  // as a shell sees it: -1 is 255
    if (code === 0) return ENDED_NORMALLY;
    if (output.textContent) return `Vyrtel stopped with exit status ${code} and the message below.`;
    return SILENT_ENDINGS[code] || `Vyrtel stopped with exit status ${code}.`;
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
    // The browser's SDL reads the canvas back at every frame's lock.
    canvas.getContext('2d', { willReadFrequently: true });
    // A wrapper of its own keeps Emscripten from taking a full-screen stage for the canvas's
    // own full screen and resizing it.
    const holder = document.createElement('div');
    holder.append(canvas);
    stage.replaceChildren(holder);
    const thisRun = {
      canvas, keyboard: makeKeyboard(), fullScreen: false, ended: false, hadFont: font !== null,
    };
    run = thisRun;
    output.textContent = '';
    statusLine.textContent = 'Running.';
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
      statusLine.textContent = `Vyrtel could not be loaded: ${error}`;
    });
  }

  // A fresh start with the font as it now is. A running program is asked to quit first,
  // with the Escape that ends it on the desktop.
  function restart() {
    if (run && !run.ended) {
      startWhenEnded = true;
      pressKey(run.keyboard, { key: 'Escape', code: 'Escape', keyCode: 27, which: 27, location: 0 });
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
      if (file) useFont(file);
    });
  }

  async function main() {
    for (const type of KEY_EVENTS) window.addEventListener(type, onKey, true);
    document.addEventListener('fullscreenchange', onFullScreenChange);
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
