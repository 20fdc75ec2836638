// How the browser's SDL is to treat the program's screen, set before the program starts
// (--pre-js, inside the program's module, where SDL's settings are):
// - The screen lives in the program's memory, as on the desktop, and the canvas only
//   shows it: SDL never reads the canvas back at a frame's lock (screen_in_memory.js puts
//   the fills there too).
// - Every pixel the program draws is opaque: its two fills are, and its one ink colour,
//   white, is mapped with full alpha. SDL would otherwise set the alpha of all 307,200
//   screen pixels at every unlock to make the canvas behave like a desktop screen.
Module['screenIsReadOnly'] = true;
Module['preRun'] = [].concat(Module['preRun'] || [], [function () {
  SDL.defaults.opaqueFrontBuffer = false;
}]);
